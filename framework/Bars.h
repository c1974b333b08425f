// The frame's bars: a toolbar built from a layout resource and a bitmap strip,
// and a status bar.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "framework/Window.h"

namespace twinsweep {

class ToolBar : public Wnd {
public:
    bool Create(HWND parent, DWORD style, UINT id);
    // The layout resource (custom type 241: version, button width, button height,
    // item count, then the command ids, 0 for a separator) and the bitmap strip of
    // the same id, one image for each button.
    bool LoadToolBar(UINT resourceId);

    size_t ItemCount() const { return m_items.size(); }
    UINT ItemId(size_t index) const { return m_items[index]; }
    RECT ItemRect(size_t index) const;
    void SetButtonState(UINT id, bool enabled, bool checked);
    bool IsButtonEnabled(UINT id) const;

private:
    std::vector<UINT> m_items;
};

class StatusBar : public Wnd {
public:
    // Pane 0 takes the width the other panes leave; the others have fixed widths.
    bool Create(HWND parent, UINT id, std::vector<int> paneWidths);
    void SetText(int pane, const std::wstring& text);
    std::wstring Text(int pane) const;
    void FitPanes();

private:
    std::vector<int> m_paneWidths;
};

}  // namespace twinsweep
