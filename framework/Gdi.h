// Owners of GDI objects and device contexts.
#pragma once

#include <windows.h>

#include <algorithm>
#include <utility>

#include "win32/Handles.h"

namespace twinsweep {

// GDI objects are deleted with DeleteObject, whatever their kind.
template <typename Handle>
using GdiObject = UniqueResource<GdiObjectTraits<Handle>>;

using Bitmap = GdiObject<HBITMAP>;
using Pen = GdiObject<HPEN>;
using Brush = GdiObject<HBRUSH>;
using Font = GdiObject<HFONT>;

// A memory device context compatible with the screen or with another context.
class MemoryDC {
public:
    explicit MemoryDC(HDC compatibleWith = nullptr) : m_dc(CreateCompatibleDC(compatibleWith)) {}
    ~MemoryDC()
    {
        if (m_dc)
            DeleteDC(m_dc);
    }
    MemoryDC(const MemoryDC&) = delete;
    MemoryDC& operator=(const MemoryDC&) = delete;
    HDC get() const { return m_dc; }

private:
    HDC m_dc;
};

// A window's device context for the time of a scope.
class WindowDC {
public:
    explicit WindowDC(HWND hwnd) : m_hwnd(hwnd), m_dc(GetDC(hwnd)) {}
    ~WindowDC()
    {
        if (m_dc)
            ReleaseDC(m_hwnd, m_dc);
    }
    WindowDC(const WindowDC&) = delete;
    WindowDC& operator=(const WindowDC&) = delete;
    HDC get() const { return m_dc; }

private:
    HWND m_hwnd;
    HDC m_dc;
};

// The device context of a whole window, its non-client area included.
class NonClientDC {
public:
    explicit NonClientDC(HWND hwnd) : m_hwnd(hwnd), m_dc(GetWindowDC(hwnd)) {}
    ~NonClientDC()
    {
        if (m_dc)
            ReleaseDC(m_hwnd, m_dc);
    }
    NonClientDC(const NonClientDC&) = delete;
    NonClientDC& operator=(const NonClientDC&) = delete;
    HDC get() const { return m_dc; }

private:
    HWND m_hwnd;
    HDC m_dc;
};

// A memory context holding a bitmap in the screen's format that grows to the
// largest size asked of it. The bitmap stays selected between uses: selecting
// one into a context costs more than drawing a line of text.
class BackBuffer {
public:
    // The context, with room for width x height. Growing loses the content.
    HDC Fit(int width, int height)
    {
        if (width > m_size.cx || height > m_size.cy) {
            m_size = {std::max<LONG>(width, m_size.cx), std::max<LONG>(height, m_size.cy)};
            WindowDC screen(nullptr);
            Bitmap grown(CreateCompatibleBitmap(screen.get(), m_size.cx, m_size.cy));
            SelectObject(m_dc.get(), grown.get());
            m_bitmap = std::move(grown);
        }
        return m_dc.get();
    }
    HDC get() const { return m_dc.get(); }

private:
    // Declared first, so the context lets go of it before it is deleted.
    Bitmap m_bitmap;
    MemoryDC m_dc;
    SIZE m_size{0, 0};
};

// BeginPaint and EndPaint around a scope.
class PaintDC {
public:
    explicit PaintDC(HWND hwnd) : m_hwnd(hwnd) { BeginPaint(hwnd, &m_paint); }
    ~PaintDC() { EndPaint(m_hwnd, &m_paint); }
    PaintDC(const PaintDC&) = delete;
    PaintDC& operator=(const PaintDC&) = delete;
    HDC get() const { return m_paint.hdc; }
    const RECT& Area() const { return m_paint.rcPaint; }

private:
    HWND m_hwnd;
    PAINTSTRUCT m_paint{};
};

// Selects an object into a context and puts the previous one back at the end.
class SelectScope {
public:
    SelectScope(HDC dc, HGDIOBJ object) : m_dc(dc), m_previous(object ? SelectObject(dc, object) : nullptr) {}
    ~SelectScope()
    {
        if (m_previous)
            SelectObject(m_dc, m_previous);
    }
    SelectScope(const SelectScope&) = delete;
    SelectScope& operator=(const SelectScope&) = delete;

private:
    HDC m_dc;
    HGDIOBJ m_previous;
};

}  // namespace twinsweep
