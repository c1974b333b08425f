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
    // What the bar draws around its buttons: a gripper at its left end, a line
    // along its bottom edge.
    static constexpr DWORD kGripper = 0x1;
    static constexpr DWORD kBorderBottom = 0x2;

    // The frame places the bar: it neither sizes nor places itself.
    bool Create(HWND parent, DWORD style, UINT id, DWORD barStyle = 0);
    // The layout resource (custom type 241: version, button width, button height,
    // item count, then the command ids, 0 for a separator) and the bitmap strip of
    // the same id, one image for each button.
    bool LoadToolBar(UINT resourceId);

    size_t ItemCount() const { return m_items.size(); }
    UINT ItemId(size_t index) const { return m_items[index]; }
    RECT ItemRect(size_t index) const;
    void SetButtonState(UINT id, bool enabled, bool checked);
    bool IsButtonEnabled(UINT id) const;
    // The height of one row of buttons with the bar's borders.
    int FixedHeight() const;

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    RECT Insets() const;
    void OnNcCalcSize(RECT& window);
    void OnNcPaint();

    std::vector<UINT> m_items;
    DWORD m_barStyle = 0;
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
