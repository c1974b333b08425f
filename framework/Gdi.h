// A back buffer for flicker-free painting; the owners it builds on are in
// win32/Handles.h.
#pragma once

#include <windows.h>

#include <algorithm>
#include <utility>

#include "win32/Handles.h"

namespace twinsweep {

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

}  // namespace twinsweep
