#include "framework/Dialog.h"

#include "framework/Application.h"
#include "framework/DataExchange.h"

namespace twinsweep {

HWND DialogWindow::CreateFromTemplate(HWND parent)
{
    return CreateDialogParamW(ResourceInstance(), MAKEINTRESOURCEW(m_templateId), parent, StaticDialogProc,
                              reinterpret_cast<LPARAM>(this));
}

INT_PTR DialogWindow::RunModal(HWND owner)
{
    return DialogBoxParamW(ResourceInstance(), MAKEINTRESOURCEW(m_templateId), owner, StaticDialogProc,
                           reinterpret_cast<LPARAM>(this));
}

INT_PTR DialogWindow::DialogProc(UINT, WPARAM, LPARAM)
{
    return FALSE;
}

INT_PTR DialogWindow::Result(LRESULT result)
{
    SetWindowLongPtrW(Handle(), DWLP_MSGRESULT, result);
    return TRUE;
}

INT_PTR CALLBACK DialogWindow::StaticDialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_INITDIALOG) {
        auto* object = reinterpret_cast<DialogWindow*>(lParam);
        SetWindowLongPtrW(hwnd, DWLP_USER, lParam);
        object->Bind(hwnd);
    }
    auto* object = reinterpret_cast<DialogWindow*>(GetWindowLongPtrW(hwnd, DWLP_USER));
    if (!object || object->Handle() != hwnd)
        return FALSE;
    if (object->HoldsTitle(message, wParam))
        return object->Result(1);
    INT_PTR handled = FALSE;
    try {
        handled = object->DialogProc(message, wParam, lParam);
    } catch (...) {
        handled = FALSE;
    }
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(hwnd, DWLP_USER, 0);
        object->FinalMessage();
    }
    return handled;
}

INT_PTR Dialog::DoModal(HWND owner)
{
    m_modal = true;
    return RunModal(owner);
}

bool Dialog::CreateModeless(HWND owner)
{
    m_modal = false;
    HWND hwnd = CreateFromTemplate(owner);
    if (hwnd)
        Application::Instance()->AddModeless(hwnd);
    return hwnd != nullptr;
}

void Dialog::EndDialog(INT_PTR result)
{
    if (m_modal)
        ::EndDialog(Handle(), result);
    else
        DestroyWindow(Handle());
}

bool Dialog::UpdateData(bool saveAndValidate)
{
    DataExchange exchange(Handle(), saveAndValidate);
    return DoDataExchange(exchange);
}

bool Dialog::OnCommand(UINT id, UINT, HWND)
{
    if (id == IDOK) {
        OnOK();
        return true;
    }
    if (id == IDCANCEL) {
        OnCancel();
        return true;
    }
    return false;
}

bool Dialog::OnNotify(NMHDR*, LRESULT&)
{
    return false;
}

INT_PTR Dialog::DialogProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    LRESULT result = 0;
    if (ReflectToControl(message, wParam, lParam, result))
        return message == WM_NOTIFY || message == WM_COMMAND ? Result(result) : static_cast<INT_PTR>(result);
    switch (message) {
    case WM_INITDIALOG:
        return OnInitDialog() ? TRUE : FALSE;
    case WM_COMMAND:
        return OnCommand(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam)) ? TRUE : FALSE;
    case WM_NOTIFY:
        return OnNotify(reinterpret_cast<NMHDR*>(lParam), result) ? Result(result) : FALSE;
    case WM_DESTROY:
        if (!m_modal)
            Application::Instance()->RemoveModeless(Handle());
        return FALSE;
    default:
        return FALSE;
    }
}

void CenterWindow(HWND window, HWND on)
{
    RECT area, own;
    GetWindowRect(on ? on : GetDesktopWindow(), &area);
    GetWindowRect(window, &own);
    int width = own.right - own.left, height = own.bottom - own.top;
    int x = area.left + (area.right - area.left - width) / 2;
    int y = area.top + (area.bottom - area.top - height) / 2;
    SetWindowPos(window, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace twinsweep
