#include "framework/FormView.h"

#include "framework/Application.h"
#include "framework/FrameWindow.h"
#include "framework/Gdi.h"

namespace twinsweep {

bool FormView::Create(HWND parent, UINT id, Document& document)
{
    m_document = &document;
    HWND hwnd = CreateFromTemplate(parent);
    if (!hwnd)
        return false;
    SetWindowLongPtrW(hwnd, GWLP_ID, static_cast<LONG_PTR>(id));
    return true;
}

HWND FormView::FocusControl() const
{
    HWND first = GetNextDlgTabItem(Handle(), nullptr, FALSE);
    return first ? first : Handle();
}

INT_PTR FormView::DialogProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    LRESULT result = 0;
    if (ReflectToControl(message, wParam, lParam, result))
        return message == WM_NOTIFY || message == WM_COMMAND ? Result(result) : static_cast<INT_PTR>(result);
    switch (message) {
    case WM_INITDIALOG:
        return FALSE;
    case WM_ERASEBKGND:
        return Result(TRUE);
    case WM_PAINT: {
        PaintDC dc(Handle());
        OnDraw(dc.get());
        return TRUE;
    }
    case WM_SIZE:
        OnSize(LOWORD(lParam), HIWORD(lParam));
        return TRUE;
    case WM_COMMAND:
        // Menu commands (a context menu owned by the view) take the frame's route,
        // which starts at the active view; control notifications stay here.
        if (lParam == 0) {
            UINT id = LOWORD(wParam);
            if (FrameWindow* frame = Application::Instance()->MainFrame()) {
                frame->RouteCommand(id, this);
            } else {
                CommandState state{id};
                if (OnUpdateCommand(state) && state.enabled)
                    OnCommand(id);
            }
            return TRUE;
        }
        return OnControlCommand(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam)) ? TRUE : FALSE;
    case WM_NOTIFY:
        return OnNotify(reinterpret_cast<NMHDR*>(lParam), result) ? Result(result) : FALSE;
    default:
        return OnMessage(message, wParam, lParam);
    }
}

}  // namespace twinsweep
