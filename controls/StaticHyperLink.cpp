#include "controls/StaticHyperLink.h"

#include <commctrl.h>

#include "controls/ControlMessages.h"
#include "framework/Controls.h"
#include "framework/Seams.h"
#include "resources/resource.h"
#include "win32/ModuleFile.h"

namespace twinsweep {
namespace {

std::wstring CurrentDirectory()
{
    std::wstring folder(GetCurrentDirectoryW(0, nullptr), L'\0');
    folder.resize(GetCurrentDirectoryW(static_cast<DWORD>(folder.size()), folder.data()));
    return folder;
}

// The shell is asked to stay quiet about its failures: this one box says it.
ShellLaunch QuietLaunch()
{
    ShellLaunch launch;
    launch.noErrorUi = true;
    return launch;
}

}  // namespace

CStaticHyperLink::~CStaticHyperLink()
{
    if (m_toolTip)
        DestroyWindow(m_toolTip);
}

bool CStaticHyperLink::Attach(HWND label)
{
    if (!Subclass(label))
        return false;
    InitControl();
    return true;
}

void CStaticHyperLink::InitControl()
{
    m_hHandCursor = LoadCursorW(ResourceInstance(), MAKEINTRESOURCEW(IDC_HAND_LINK));
    m_toolTip = CreateWindowExW(0, TOOLTIPS_CLASSW, nullptr, 0, 0, 0, 0, 0, Handle(), nullptr, ResourceInstance(),
                                nullptr);
    if (m_toolTip) {
        // The tooltip watches the label's mouse messages itself, also inside a
        // modal dialog's own message loop.
        TTTOOLINFOW tool{};
        tool.cbSize = sizeof tool;
        tool.uFlags = TTF_SUBCLASS;
        tool.hwnd = Handle();
        tool.uId = kToolId;
        GetClientRect(Handle(), &tool.rect);
        tool.lpszText = const_cast<wchar_t*>(L"");
        SendMessageW(m_toolTip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    }
    UpdateToolTipText();
    if (!m_font)
        CreateLinkFont();
}

bool CStaticHyperLink::IsTextLabel() const
{
    switch (GetWindowLongPtrW(Handle(), GWL_STYLE) & 0xFF) {
    case SS_LEFT:
    case SS_CENTER:
    case SS_RIGHT:
    case SS_SIMPLE:
    case SS_LEFTNOWORDWRAP:
        return true;
    default:
        return false;
    }
}

std::wstring CStaticHyperLink::WindowText() const
{
    return WindowRef(Handle()).Text();
}

bool CStaticHyperLink::CreateLinkFont()
{
    if (!IsTextLabel())
        return true;
    auto current = GetFont();
    LOGFONTW description;
    if (!current || !GetObjectW(current, sizeof description, &description))
        return false;
    description.lfUnderline = TRUE;
    m_font = Font(CreateFontIndirectW(&description));
    if (!m_font)
        return false;
    // A static control selects its own font after the colour answer, so the link
    // is drawn underlined only when the font is its own.
    SetFont(m_font.get());
    return true;
}

void CStaticHyperLink::SetLink(int kind, const std::wstring& target, const std::wstring& parameters,
                               const std::wstring& directory)
{
    m_nKind = kind;
    m_strTarget = target;
    m_strParams = parameters;
    m_strDirectory = directory;
    UpdateToolTipText();
}

void CStaticHyperLink::SetHelpLink(const std::wstring& fileName)
{
    SetLink(LK_HELPFILE, fileName, {}, CurrentDirectory());
}

void CStaticHyperLink::UpdateToolTipText()
{
    m_strToolTip = m_strTarget;
    if (m_strToolTip.empty() && m_bUseWindowText && Handle())
        m_strToolTip = IsTextLabel() ? WindowText() : std::wstring();
    if (!m_toolTip)
        return;
    TTTOOLINFOW tool{};
    tool.cbSize = sizeof tool;
    tool.hwnd = Handle();
    tool.uId = kToolId;
    tool.lpszText = m_strToolTip.data();
    SendMessageW(m_toolTip, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&tool));
}

HBRUSH CStaticHyperLink::LinkCtlColor(HDC dc)
{
    LONG_PTR style = GetWindowLongPtrW(Handle(), GWL_STYLE);
    if (!(style & SS_NOTIFY))
        SetWindowLongPtrW(Handle(), GWL_STYLE, style | SS_NOTIFY);
    SetTextColor(dc, m_bVisited ? m_crVisited : m_crLink);
    if (!IsTextLabel())
        return nullptr;
    if (m_font)
        SelectObject(dc, m_font.get());
    SetBkMode(dc, TRANSPARENT);
    return static_cast<HBRUSH>(GetStockObject(NULL_BRUSH));
}

void CStaticHyperLink::OnLinkClicked()
{
    bool fromWindowText = m_strTarget.empty() && m_bUseWindowText;
    if (fromWindowText)
        m_strTarget = WindowText();
    if (m_nKind == LK_USERDEFINED) {
        PostMessageW(GetParent(Handle()), WM_LINK_CLICKED, static_cast<WPARAM>(GetDlgCtrlID(Handle())), 0);
    } else {
        FollowLink();
        m_bVisited = true;
        InvalidateRect(Handle(), nullptr, TRUE);
    }
    if (fromWindowText)
        m_strTarget.clear();
}

void CStaticHyperLink::FollowLink()
{
    if (m_nKind == LK_HELPFILE) {
        OpenHelpFile(m_strTarget);
        return;
    }
    ShellLaunch launch = QuietLaunch();
    launch.verb = m_nKind == LK_OPEN || m_nKind == LK_EMAIL ? L"open" : L"";
    launch.file = m_nKind == LK_EMAIL ? L"mailto:" + m_strTarget : m_strTarget;
    launch.parameters = m_strParams;
    launch.directory = m_strDirectory;
    if (!LaunchShell(launch))
        ReportCannotOpen(m_strTarget);
}

void CStaticHyperLink::OpenHelpFile(const std::wstring& fileName)
{
    ShellLaunch launch = QuietLaunch();
    launch.verb = L"open";
    launch.file = FolderOf(ModuleFileName(nullptr)) + L"Help\\" + fileName;
    launch.directory = CurrentDirectory();
    launch.show = SW_SHOWMAXIMIZED;
    if (!LaunchShell(launch))
        ReportCannotOpen(fileName);
}

// Owned by the window that holds the link, so that it comes up in front of it.
void CStaticHyperLink::ReportCannotOpen(const std::wstring& name) const
{
    ShowMessageBox(GetAncestor(Handle(), GA_ROOT), L"Can't open file\n" + name);
}

bool CStaticHyperLink::OnReflected(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    if (message == WM_CTLCOLORSTATIC) {
        result = reinterpret_cast<LRESULT>(LinkCtlColor(reinterpret_cast<HDC>(wParam)));
        return result != 0;
    }
    if (message == WM_COMMAND && HIWORD(wParam) == STN_CLICKED) {
        (void)lParam;
        OnLinkClicked();
        result = 0;
        return true;
    }
    return false;
}

LRESULT CStaticHyperLink::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_SETCURSOR:
        if (!m_hHandCursor)
            return FALSE;
        SetCursor(m_hHandCursor);
        return TRUE;
    case WM_ERASEBKGND: {
        RECT client;
        GetClientRect(Handle(), &client);
        FillRect(reinterpret_cast<HDC>(wParam), &client, GetSysColorBrush(COLOR_BTNFACE));
        return TRUE;
    }
    case WM_DESTROY:
        if (m_toolTip) {
            DestroyWindow(m_toolTip);
            m_toolTip = nullptr;
        }
        break;
    }
    return Default(message, wParam, lParam);
}

}  // namespace twinsweep
