#include "frame/LinkToolBar.h"

#include <windowsx.h>

#include "controls/ViewPainting.h"
#include "document/CDFDoc.h"
#include "framework/Gdi.h"
#include "framework/Seams.h"
#include "resources/resource.h"

namespace twinsweep {

bool LinkToolBar::InLinkArea(int x) const
{
    RECT client;
    GetClientRect(Handle(), &client);
    return x > client.right - kLinkWidth;
}

// Drawn over whatever lies there when the window is narrow.
void LinkToolBar::PaintLink()
{
    RECT area;
    GetClientRect(Handle(), &area);
    area.left = area.right - kLinkWidth;
    WindowDC dc(Handle());
    DrawTransparentBitmap(IDB_LOGO, dc.get(), area, RGB(255, 0, 0));
}

LRESULT LinkToolBar::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_PAINT: {
        LRESULT result = ToolBar::WindowProc(message, wParam, lParam);
        PaintLink();
        return result;
    }
    case WM_SIZE: {
        // The logo follows the right edge: where it stood before must be repainted.
        LRESULT result = ToolBar::WindowProc(message, wParam, lParam);
        InvalidateRect(Handle(), nullptr, TRUE);
        return result;
    }
    case WM_SETCURSOR: {
        POINT point;
        GetCursorPos(&point);
        ScreenToClient(Handle(), &point);
        if (InLinkArea(point.x)) {
            SetCursor(LoadCursorW(ResourceInstance(), MAKEINTRESOURCEW(IDC_HAND_LINK)));
            return TRUE;
        }
        break;
    }
    case WM_LBUTTONDOWN:
        if (InLinkArea(GET_X_LPARAM(lParam))) {
            LaunchShell(L"open", kMakerWebPage);
            return 0;
        }
        break;
    }
    return ToolBar::WindowProc(message, wParam, lParam);
}

}  // namespace twinsweep
