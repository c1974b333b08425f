#include "dialogs/CProgressDlg.h"

#include <commctrl.h>

#include "document/SearchMessages.h"
#include "resources/resource.h"

namespace twinsweep {
namespace {

constexpr COLORREF kStopTransparent = RGB(0, 0, 255);

}  // namespace

CProgressDlg::CProgressDlg() : Dialog(IDD_PROGRESS), m_stopButton(IDB_STOP, kStopTransparent)
{
}

bool CProgressDlg::OnInitDialog()
{
    SetWindowTextW(Handle(), m_caption.c_str());
    CenterWindow(Handle(), GetWindow(Handle(), GW_OWNER));
    m_stopButton.Attach(Item(IDC_STOP));
    return true;
}

void CProgressDlg::OnStop()
{
    m_bStop = true;
    if (m_job)
        m_job->stop = true;
}

bool CProgressDlg::OnCommand(UINT id, UINT code, HWND control)
{
    if (id == IDC_STOP && code == BN_CLICKED) {
        OnStop();
        return true;
    }
    return Dialog::OnCommand(id, code, control);
}

// The search's messages come before everything else.
INT_PTR CProgressDlg::DialogProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_PROGRESS_SETRANGE:
        return OnSetRange(wParam, lParam);
    case WM_PROGRESS_SETPOS:
        return OnSetPos(wParam, lParam);
    case WM_PROGRESS_SETTEXT:
        return OnSetText(reinterpret_cast<const wchar_t*>(wParam));
    case WM_PROGRESS_DONE:
        return OnDone(lParam);
    case WM_PROGRESS_SETCAPTION:
        return OnSetCaption(reinterpret_cast<const wchar_t*>(wParam));
    case WM_CLOSE:
        OnStop();
        return TRUE;
    default:
        return Dialog::DialogProc(message, wParam, lParam);
    }
}

HWND CProgressDlg::Bar(LPARAM bar) const
{
    return Item(bar ? IDC_FILE_BAR : IDC_OVERALL_BAR);
}

INT_PTR CProgressDlg::OnSetRange(WPARAM upper, LPARAM bar)
{
    HWND control = Bar(bar);
    ShowWindow(control, SW_SHOW);
    SendMessageW(control, PBM_SETRANGE32, 0, static_cast<LPARAM>(upper));
    return Reply();
}

INT_PTR CProgressDlg::OnSetPos(WPARAM position, LPARAM bar)
{
    SendMessageW(Bar(bar), PBM_SETPOS, position, 0);
    return Reply();
}

INT_PTR CProgressDlg::OnSetText(const wchar_t* text)
{
    m_text = text ? text : L"";
    SetDlgItemTextW(Handle(), IDC_PROGRESS_TEXT, m_text.c_str());
    return Reply();
}

INT_PTR CProgressDlg::OnDone(LPARAM what)
{
    if (what == 1)
        WindowRef(Bar(1)).Show(false);
    else
        DestroyWindow(Handle());
    return Result(1);
}

INT_PTR CProgressDlg::OnSetCaption(const wchar_t* caption)
{
    m_caption = caption ? caption : L"";
    SetWindowTextW(Handle(), m_caption.c_str());
    return Result(1);
}

}  // namespace twinsweep
