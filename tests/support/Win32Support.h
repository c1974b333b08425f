// What the Windows tests share: the program's registry keys, reading list
// controls, and capturing what a window paints.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <string>

#include "document/Settings.h"
#include "setup/Installer.h"
#include "win32/Handles.h"
#include "win32/Registry.h"
#include "win32/Utf16.h"

namespace twinsweep::test {

inline void DeleteSettingsKey()
{
    RegistryKey::DeleteTree(HKEY_CURRENT_USER, kSettingsKeyPath);
}

inline std::wstring ListViewText(HWND list, int item, int column)
{
    wchar_t buffer[512] = {};
    LVITEMW lvItem{};
    lvItem.iSubItem = column;
    lvItem.pszText = buffer;
    lvItem.cchTextMax = 512;
    SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&lvItem));
    return buffer;
}

// What a drawing leaves in a 32-bit bitmap of the given size, read pixel by pixel.
class PixelCapture {
public:
    PixelCapture(int width, int height, const std::function<void(HDC)>& draw)
        : m_width(width), m_height(height), m_bitmap(TopDownBitmap(width, height)),
          m_selected(m_dc.get(), m_bitmap.get())
    {
        draw(m_dc.get());
        GdiFlush();
    }

    int Width() const { return m_width; }
    COLORREF Pixel(int x, int y) const { return GetPixel(m_dc.get(), x, y); }
    int Count(const std::function<bool(COLORREF)>& match) const
    {
        int count = 0;
        for (int y = 0; y < m_height; ++y)
            for (int x = 0; x < m_width; ++x)
                count += match(Pixel(x, y)) ? 1 : 0;
        return count;
    }

private:
    static HBITMAP TopDownBitmap(int width, int height)
    {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        void* bits = nullptr;
        return CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    }

    int m_width;
    int m_height;
    // In this order, so that the bitmap is put out of the context before either goes.
    Bitmap m_bitmap;
    MemoryDC m_dc;
    SelectScope m_selected;
};

}  // namespace twinsweep::test
