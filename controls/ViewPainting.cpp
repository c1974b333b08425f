#include "controls/ViewPainting.h"

#include <cstdlib>

#include "framework/Application.h"
#include "framework/FrameWindow.h"
#include "framework/Seams.h"
#include "framework/Window.h"

namespace twinsweep {
namespace {

constexpr COLORREF kCaptionKey = RGB(255, 0, 0);

bool IsPaletteDisplay(HDC dc)
{
    return GetDeviceCaps(dc, BITSPIXEL) * GetDeviceCaps(dc, PLANES) < 16;
}

bool HoldsFocus(HWND view)
{
    HWND focus = GetFocus();
    return focus && (focus == view || IsChild(view, focus));
}

BYTE Between(BYTE from, BYTE to, int step, int steps)
{
    return static_cast<BYTE>(from + (to - from) * step / steps);
}

Bitmap LoadBitmapResource(UINT id, UINT flags)
{
    return Bitmap(
        static_cast<HBITMAP>(LoadImageW(ResourceInstance(), MAKEINTRESOURCEW(id), IMAGE_BITMAP, 0, 0, flags)));
}

}  // namespace

void DrawViewCaption(HWND view, HDC dc, UINT bitmapId)
{
    RECT client;
    GetClientRect(view, &client);
    const int width = client.right - client.left;
    if (width <= 0)
        return;
    MemoryDC memory(dc);
    Bitmap canvas(CreateCompatibleBitmap(dc, width, kCaptionHeight));
    SelectScope select(memory.get(), canvas.get());
    const RECT strip{0, 0, width, kCaptionHeight};
    if (HoldsFocus(view))
        DrawFocusedCaptionGradient(memory.get(), strip);
    else
        DrawCaptionGradient(memory.get(), strip);
    DrawTransparentBitmap(bitmapId, memory.get(), strip, kCaptionKey);
    BitBlt(dc, 0, 0, width, kCaptionHeight, memory.get(), 0, 0, SRCCOPY);
}

// Draws straight into the context: the callers compose their strips off-screen.
void DrawCaptionGradient(HDC dc, const RECT& rect)
{
    const int width = rect.right - rect.left;
    if (width <= 0)
        return;
    if (IsPaletteDisplay(dc)) {
        // A grey ramp would dither into noise on a palette display.
        Brush black(CreateSolidBrush(RGB(2, 0, 0)));
        FillRect(dc, &rect, black.get());
        return;
    }
    SelectScope pen(dc, GetStockObject(DC_PEN));
    const COLORREF previous = GetDCPenColor(dc);
    float level = 55.0f;
    const float step = 200.0f / static_cast<float>(width);
    for (int x = rect.left; x < rect.right; ++x) {
        const int grey = static_cast<int>(level) & 0xFF;
        SetDCPenColor(dc, RGB(grey, grey, grey));
        MoveToEx(dc, x, rect.top, nullptr);
        LineTo(dc, x, rect.bottom);
        level += step;
    }
    SetDCPenColor(dc, previous);
}

void DrawFocusedCaptionGradient(HDC dc, const RECT& rect)
{
    const int width = rect.right - rect.left;
    if (width <= 0)
        return;
    const COLORREF left = GetSysColor(COLOR_ACTIVECAPTION), right = GetSysColor(COLOR_GRADIENTACTIVECAPTION);
    if (IsPaletteDisplay(dc)) {
        FillRect(dc, &rect, GetSysColorBrush(COLOR_ACTIVECAPTION));
        return;
    }
    SelectScope pen(dc, GetStockObject(DC_PEN));
    const COLORREF previous = GetDCPenColor(dc);
    for (int x = 0; x < width; ++x) {
        SetDCPenColor(dc, RGB(Between(GetRValue(left), GetRValue(right), x, width),
                              Between(GetGValue(left), GetGValue(right), x, width),
                              Between(GetBValue(left), GetBValue(right), x, width)));
        MoveToEx(dc, rect.left + x, rect.top, nullptr);
        LineTo(dc, rect.left + x, rect.bottom);
    }
    SetDCPenColor(dc, previous);
}

// The classic mask trick (XOR, AND with the mask, XOR again) needs no extra
// library and works on every colour depth.
void DrawTransparentBitmap(UINT bitmapId, HDC dc, const RECT& rect, COLORREF transparent)
{
    Bitmap image = LoadBitmapResource(bitmapId, LR_CREATEDIBSECTION);
    BITMAP info{};
    if (!image || !GetObjectW(image.get(), sizeof info, &info))
        return;
    const int width = info.bmWidth, height = std::abs(info.bmHeight);
    MemoryDC source(dc), mask(dc);
    Bitmap maskBits(CreateBitmap(width, height, 1, 1, nullptr));
    SelectScope selectImage(source.get(), image.get());
    SelectScope selectMask(mask.get(), maskBits.get());
    // Colour to monochrome: pixels of the source's background colour turn white.
    SetBkColor(source.get(), transparent);
    BitBlt(mask.get(), 0, 0, width, height, source.get(), 0, 0, SRCCOPY);

    // Monochrome to colour: white takes the target's background, black its text colour.
    const COLORREF oldBack = SetBkColor(dc, RGB(255, 255, 255));
    const COLORREF oldText = SetTextColor(dc, RGB(0, 0, 0));
    const int x = rect.left + (rect.right - rect.left - width) / 2;
    const int y = rect.top + (rect.bottom - rect.top - height) / 2;
    BitBlt(dc, x, y, width, height, source.get(), 0, 0, SRCINVERT);
    BitBlt(dc, x, y, width, height, mask.get(), 0, 0, SRCAND);
    BitBlt(dc, x, y, width, height, source.get(), 0, 0, SRCINVERT);
    SetTextColor(dc, oldText);
    SetBkColor(dc, oldBack);
}

// The system's own box would say no more than "Invalid parameter".
void ShowProperties(const std::wstring& path)
{
    // The sheet takes a moment to appear; it resets the cursor itself.
    SetCursor(LoadCursorW(nullptr, IDC_WAIT));
    ShellLaunch launch;
    launch.owner = MainWindowHandle();
    launch.verb = L"properties";
    launch.file = path;
    launch.invokeIdList = true;
    launch.noErrorUi = true;
    if (!LaunchShell(launch))
        ShowMessageBox(launch.owner, L"The system cannot show the properties of\n" + path);
}

HWND MainWindowHandle()
{
    Application* application = Application::Instance();
    FrameWindow* frame = application ? application->MainFrame() : nullptr;
    return frame ? frame->Handle() : nullptr;
}

ContextMenu::ContextMenu(UINT menuId, int popupIndex)
    : m_menu(LoadMenuW(ResourceInstance(), MAKEINTRESOURCEW(menuId))),
      m_popup(m_menu ? GetSubMenu(m_menu.get(), popupIndex) : nullptr)
{
}

// The menu goes first; the bitmaps it shows are freed after it.
ContextMenu::~ContextMenu()
{
    m_menu.reset();
}

ContextMenu::ContextMenu(ContextMenu&& other) noexcept
    : m_menu(std::move(other.m_menu)),
      m_popup(std::exchange(other.m_popup, nullptr)),
      m_bitmaps(std::move(other.m_bitmaps))
{
}

void ContextMenu::SetItem(UINT command, UINT bitmapId, bool enabled)
{
    if (!m_popup)
        return;
    // The bitmaps are drawn on the menu's grey: their greys follow the system's.
    Bitmap bitmap = LoadBitmapResource(bitmapId, LR_LOADMAP3DCOLORS);
    if (bitmap) {
        SetMenuItemBitmaps(m_popup, command, MF_BYCOMMAND, bitmap.get(), bitmap.get());
        m_bitmaps.push_back(std::move(bitmap));
    }
    EnableMenuItem(m_popup, command, MF_BYCOMMAND | (enabled ? MF_ENABLED : MF_GRAYED));
}

void ContextMenu::Track(HWND owner, POINT screen) const
{
    if (m_popup)
        TrackPopupMenu(m_popup, TPM_LEFTALIGN | TPM_RIGHTBUTTON, screen.x, screen.y, 0, owner, nullptr);
}

}  // namespace twinsweep
