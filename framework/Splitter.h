// A static splitter: a fixed grid of panes with bars the user can drag.
#pragma once

#include <windows.h>

#include <vector>

#include "framework/Window.h"

namespace twinsweep {

class StaticSplitter : public Wnd {
public:
    static constexpr UINT kFirstPaneId = 0xE900;
    static constexpr int kBarSize = 6;

    bool Create(HWND parent, int rows, int columns, UINT id);
    // The control id a pane window must have to sit in a cell.
    static UINT PaneId(int row, int column) { return kFirstPaneId + static_cast<UINT>(row * 16 + column); }

    // Every row and column but the last gets its ideal size; the last takes the
    // rest. A size below the minimum is taken from the cells before it.
    void SetRowInfo(int row, int ideal, int minimum);
    void SetColumnInfo(int column, int ideal, int minimum);
    int RowHeight(int row) const;
    int ColumnWidth(int column) const;
    void RecalcLayout();

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    struct Track {
        int ideal = 0;
        int minimum = 0;
        int size = 0;  // as laid out
    };
    static void Distribute(std::vector<Track>& tracks, int space);
    // The bar under a client point: row bar (vertical = false) or column bar.
    bool HitBar(POINT point, bool& vertical, int& index) const;
    void Paint();

    std::vector<Track> m_rows, m_columns;
    bool m_dragging = false;
    bool m_dragVertical = false;
    int m_dragIndex = 0;
};

}  // namespace twinsweep
