#include "framework/Splitter.h"

#include <windowsx.h>

#include <algorithm>

#include "framework/Gdi.h"

namespace twinsweep {

bool StaticSplitter::Create(HWND parent, int rows, int columns, UINT id)
{
    m_rows.assign(static_cast<size_t>(rows), Track{});
    m_columns.assign(static_cast<size_t>(columns), Track{});
    RECT rect{0, 0, 0, 0};
    return Wnd::Create(0, L"", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, rect, parent, id);
}

void StaticSplitter::SetRowInfo(int row, int ideal, int minimum)
{
    m_rows[static_cast<size_t>(row)].ideal = ideal;
    m_rows[static_cast<size_t>(row)].minimum = minimum;
}

void StaticSplitter::SetColumnInfo(int column, int ideal, int minimum)
{
    m_columns[static_cast<size_t>(column)].ideal = ideal;
    m_columns[static_cast<size_t>(column)].minimum = minimum;
}

int StaticSplitter::RowHeight(int row) const
{
    return m_rows[static_cast<size_t>(row)].size;
}

int StaticSplitter::ColumnWidth(int column) const
{
    return m_columns[static_cast<size_t>(column)].size;
}

void StaticSplitter::Distribute(std::vector<Track>& tracks, int space)
{
    int left = space - kBarSize * static_cast<int>(tracks.size() - 1);
    for (size_t i = 0; i + 1 < tracks.size(); ++i) {
        tracks[i].size = std::clamp(tracks[i].ideal, 0, std::max(left, 0));
        left -= tracks[i].size;
    }
    Track& last = tracks.back();
    last.size = std::max(left, 0);
    // The last cell keeps its minimum as long as the cells before it can give.
    for (size_t i = tracks.size() - 1; i-- > 0 && last.size < last.minimum;) {
        int give = std::min(tracks[i].size - tracks[i].minimum, last.minimum - last.size);
        if (give > 0) {
            tracks[i].size -= give;
            last.size += give;
        }
    }
}

void StaticSplitter::RecalcLayout()
{
    RECT client;
    GetClientRect(Handle(), &client);
    Distribute(m_rows, client.bottom);
    Distribute(m_columns, client.right);
    HDWP positions = BeginDeferWindowPos(static_cast<int>(m_rows.size() * m_columns.size()));
    int y = 0;
    for (size_t r = 0; r < m_rows.size(); ++r) {
        int x = 0;
        for (size_t c = 0; c < m_columns.size(); ++c) {
            HWND pane = GetDlgItem(Handle(), static_cast<int>(PaneId(static_cast<int>(r), static_cast<int>(c))));
            if (pane && positions)
                positions = DeferWindowPos(positions, pane, nullptr, x, y, m_columns[c].size, m_rows[r].size,
                                           SWP_NOZORDER | SWP_NOACTIVATE);
            x += m_columns[c].size + kBarSize;
        }
        y += m_rows[r].size + kBarSize;
    }
    if (positions)
        EndDeferWindowPos(positions);
    InvalidateRect(Handle(), nullptr, FALSE);
}

bool StaticSplitter::HitBar(POINT point, bool& vertical, int& index) const
{
    int y = 0;
    for (size_t r = 0; r + 1 < m_rows.size(); ++r) {
        y += m_rows[r].size;
        if (point.y >= y && point.y < y + kBarSize) {
            vertical = false;
            index = static_cast<int>(r);
            return true;
        }
        y += kBarSize;
    }
    int x = 0;
    for (size_t c = 0; c + 1 < m_columns.size(); ++c) {
        x += m_columns[c].size;
        if (point.x >= x && point.x < x + kBarSize) {
            vertical = true;
            index = static_cast<int>(c);
            return true;
        }
        x += kBarSize;
    }
    return false;
}

void StaticSplitter::Paint()
{
    PaintDC dc(Handle());
    RECT client;
    GetClientRect(Handle(), &client);
    // Only the bars show: the panes cover the rest.
    FillRect(dc.get(), &client, GetSysColorBrush(COLOR_BTNFACE));
}

LRESULT StaticSplitter::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_SIZE:
        RecalcLayout();
        return 0;
    case WM_ERASEBKGND:
        return TRUE;
    case WM_PAINT:
        Paint();
        return 0;
    case WM_SETCURSOR: {
        POINT point;
        GetCursorPos(&point);
        ScreenToClient(Handle(), &point);
        bool vertical;
        int index;
        if (reinterpret_cast<HWND>(wParam) == Handle() && HitBar(point, vertical, index)) {
            SetCursor(LoadCursorW(nullptr, vertical ? IDC_SIZEWE : IDC_SIZENS));
            return TRUE;
        }
        break;
    }
    case WM_LBUTTONDOWN: {
        POINT point{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        if (HitBar(point, m_dragVertical, m_dragIndex)) {
            m_dragging = true;
            SetCapture(Handle());
        }
        return 0;
    }
    case WM_MOUSEMOVE:
        if (m_dragging) {
            POINT point{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
            auto& tracks = m_dragVertical ? m_columns : m_rows;
            int start = 0;
            for (int i = 0; i < m_dragIndex; ++i)
                start += tracks[static_cast<size_t>(i)].size + kBarSize;
            int size = (m_dragVertical ? point.x : point.y) - start - kBarSize / 2;
            tracks[static_cast<size_t>(m_dragIndex)].ideal = std::max(size, 0);
            RecalcLayout();
            UpdateWindow(Handle());
        }
        return 0;
    case WM_LBUTTONUP:
    case WM_CAPTURECHANGED:
        if (m_dragging) {
            m_dragging = false;
            if (message == WM_LBUTTONUP)
                ReleaseCapture();
        }
        return 0;
    }
    return Default(message, wParam, lParam);
}

}  // namespace twinsweep
