#include "controls/BitmapButton.h"

#include "controls/ViewPainting.h"
#include "framework/Gdi.h"

namespace twinsweep {

bool BitmapButton::OnReflected(UINT message, WPARAM, LPARAM lParam, LRESULT& result)
{
    if (message != WM_DRAWITEM)
        return false;
    DrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
    result = TRUE;
    return true;
}

void BitmapButton::DrawItem(const DRAWITEMSTRUCT& item)
{
    RECT face = item.rcItem;
    HDC dc = item.hDC;
    bool pressed = (item.itemState & ODS_SELECTED) != 0;
    DrawFrameControl(dc, &face, DFC_BUTTON, DFCS_BUTTONPUSH | (pressed ? DFCS_PUSHED : 0));
    if (pressed)
        OffsetRect(&face, 1, 1);
    DrawTransparentBitmap(m_bitmapId, dc, face, m_transparent);
    if (!IsEnabled()) {
        // 45-degree lines two pixels apart in the face colour grey the face out.
        Pen hatch(CreatePen(PS_SOLID, 1, GetSysColor(COLOR_BTNFACE)));
        SelectScope pen(dc, hatch.get());
        int width = face.right - face.left;
        for (int x = -face.bottom; x < width; x += 2) {
            MoveToEx(dc, x, 0, nullptr);
            LineTo(dc, x + face.bottom, face.bottom);
        }
    }
}

LRESULT BitmapButton::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_LBUTTONDBLCLK:
        // A quick second click presses the button again.
        Post(WM_LBUTTONDOWN, wParam, lParam);
        return 0;
    case WM_SETCURSOR:
        return TRUE;
    case WM_MOUSEMOVE:
        SetCursor(LoadCursorW(nullptr, IDC_ARROW));
        break;
    }
    return Default(message, wParam, lParam);
}

}  // namespace twinsweep
