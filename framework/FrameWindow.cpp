#include "framework/FrameWindow.h"

#include <commctrl.h>

#include <algorithm>

#include "framework/Application.h"
#include "framework/Seams.h"

namespace twinsweep {
namespace {

constexpr UINT kNextPane = 57680;
constexpr UINT kPrevPane = 57681;
constexpr UINT kAppExit = 57665;

// A command's string is "prompt\ntip".
std::wstring PromptPart(UINT id, bool tip)
{
    std::wstring text = LoadResourceString(id);
    size_t split = text.find(L'\n');
    if (tip)
        return split == std::wstring::npos ? std::wstring() : text.substr(split + 1);
    return text.substr(0, split);
}

}  // namespace

const CommandEntry<FrameWindow> FrameWindow::kCommands[] = {
    {kNextPane, &FrameWindow::OnNextPane},
    {kPrevPane, &FrameWindow::OnPrevPane},
    {kAppExit, &FrameWindow::OnAppExit},
};

bool FrameWindow::CreateFrame(UINT resourceId, const wchar_t* title, Document& document)
{
    m_document = &document;
    m_accelerators = LoadAcceleratorsW(ResourceInstance(), MAKEINTRESOURCEW(resourceId));
    RECT rect{0, 0, 600, 600};
    if (!Create(0, title, WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, rect, nullptr, 0, resourceId))
        return false;
    SetMenu(Handle(), LoadMenuW(ResourceInstance(), MAKEINTRESOURCEW(resourceId)));
    return true;
}

FormView* FrameWindow::ActiveView()
{
    HWND focus = GetFocus();
    for (FormView* view : m_views) {
        if (focus && (view->Handle() == focus || IsChild(view->Handle(), focus)))
            m_activeView = view;
    }
    return m_activeView;
}

void FrameWindow::SetActiveView(FormView* view)
{
    m_activeView = view;
}

bool FrameWindow::RouteCommand(UINT id, CommandTarget* from)
{
    CommandTarget* view = from ? from : ActiveView();
    CommandTarget* targets[] = {view, m_document, this, Application::Instance()};
    for (CommandTarget* target : targets) {
        if (!target)
            continue;
        CommandState state{id};
        if (target->OnUpdateCommand(state)) {
            if (state.enabled)
                target->OnCommand(id);
            return true;
        }
    }
    return false;
}

CommandState FrameWindow::QueryCommand(UINT id)
{
    return QueryCommand(id, ActiveView());
}

CommandState FrameWindow::QueryCommand(UINT id, CommandTarget* view)
{
    CommandTarget* targets[] = {view, m_document, this, Application::Instance()};
    for (CommandTarget* target : targets) {
        CommandState state{id};
        if (target && target->OnUpdateCommand(state))
            return state;
    }
    return CommandState{id, false, false};
}

bool FrameWindow::OnCommand(UINT id)
{
    return RunCommand(*this, kCommands, id);
}

bool FrameWindow::OnUpdateCommand(CommandState& state)
{
    return UpdateCommand(*this, kCommands, state);
}

void FrameWindow::OnIdleUpdate()
{
    FollowFocusedPane();
    if (m_toolBar && m_toolBar->Handle()) {
        // Asking for the focus is a call to the window manager: once per pass.
        CommandTarget* view = ActiveView();
        for (size_t i = 0; i < m_toolBar->ItemCount(); ++i) {
            UINT id = m_toolBar->ItemId(i);
            if (!id)
                continue;
            CommandState state = QueryCommand(id, view);
            m_toolBar->SetButtonState(id, state.enabled, state.checked);
        }
    }
    if (!m_inMenu && !m_overButton)
        ShowIdleMessage();
}

bool FrameWindow::PreTranslateMessage(MSG& msg)
{
    return OnTabKey(msg) || HandleAccelerator(msg);
}

bool FrameWindow::HandleAccelerator(MSG& msg)
{
    if (!m_accelerators || !Handle() || (msg.hwnd != Handle() && !IsChild(Handle(), msg.hwnd)))
        return false;
    return ::TranslateAcceleratorW(Handle(), m_accelerators, &msg) != 0;
}

void FrameWindow::SetMessageText(const std::wstring& text)
{
    if (m_statusBar.Handle())
        m_statusBar.SetText(0, text);
}

void FrameWindow::SetStatusInfo(const std::wstring& text)
{
    if (!m_statusBar.Handle())
        return;
    m_statusBar.SetText(1, text);
    UpdateWindow(m_statusBar.Handle());
}

void FrameWindow::RecalcLayout()
{
    RECT client;
    GetClientRect(Handle(), &client);
    if (m_toolBar && m_toolBar->Handle()) {
        const int height = m_toolBar->FixedHeight();
        MoveWindow(m_toolBar->Handle(), 0, 0, client.right, height, TRUE);
        client.top += height;
    }
    if (m_statusBar.Handle()) {
        m_statusBar.Send(WM_SIZE);
        m_statusBar.FitPanes();
        RECT bar;
        GetWindowRect(m_statusBar.Handle(), &bar);
        client.bottom -= bar.bottom - bar.top;
    }
    if (m_client)
        MoveWindow(m_client, client.left, client.top, client.right - client.left,
                   std::max<LONG>(client.bottom - client.top, 0), TRUE);
}

void FrameWindow::UpdateMenu(HMENU menu)
{
    int count = GetMenuItemCount(menu);
    CommandTarget* view = ActiveView();
    for (int i = 0; i < count; ++i) {
        MENUITEMINFOW item{};
        item.cbSize = sizeof item;
        item.fMask = MIIM_ID | MIIM_SUBMENU | MIIM_FTYPE;
        if (!GetMenuItemInfoW(menu, static_cast<UINT>(i), TRUE, &item) || item.hSubMenu ||
            (item.fType & MFT_SEPARATOR))
            continue;
        CommandState state = QueryCommand(item.wID, view);
        EnableMenuItem(menu, static_cast<UINT>(i), MF_BYPOSITION | (state.enabled ? MF_ENABLED : MF_GRAYED));
        CheckMenuItem(menu, static_cast<UINT>(i), MF_BYPOSITION | (state.checked ? MF_CHECKED : MF_UNCHECKED));
    }
}

// A highlighted item without a prompt, a popup or a separator leaves the pane
// empty: "Ready" would say that nothing is highlighted.
void FrameWindow::ShowPrompt(UINT commandId)
{
    SetMessageText(commandId ? PromptPart(commandId, false) : std::wstring());
}

void FrameWindow::ShowIdleMessage()
{
    SetMessageText(LoadResourceString(kIdleMessage));
}

void FrameWindow::ActivateNextPane(int step)
{
    if (m_views.empty())
        return;
    auto current = std::find(m_views.begin(), m_views.end(), ActiveView());
    int index = current == m_views.end() ? 0 : static_cast<int>(current - m_views.begin());
    int count = static_cast<int>(m_views.size());
    FormView* next = m_views[static_cast<size_t>(((index + step) % count + count) % count)];
    SetActiveView(next);
    SetFocus(next->FocusControl());
}

std::vector<HWND> FrameWindow::TabStops() const
{
    std::vector<HWND> stops;
    for (FormView* view : m_views)
        stops.push_back(view->Handle());
    return stops;
}

// A pane is one stop, whatever controls it holds; Ctrl+Tab is left to the controls.
bool FrameWindow::OnTabKey(const MSG& msg)
{
    if (msg.message != WM_KEYDOWN || msg.wParam != VK_TAB || GetKeyState(VK_CONTROL) < 0 ||
        GetKeyState(VK_MENU) < 0 || !Handle() || (msg.hwnd != Handle() && !IsChild(Handle(), msg.hwnd)))
        return false;
    const std::vector<HWND> stops = TabStops();
    if (stops.empty())
        return false;
    const int count = static_cast<int>(stops.size());
    const int step = GetKeyState(VK_SHIFT) < 0 ? -1 : 1;
    int next = step > 0 ? 0 : count - 1;
    for (int i = 0; i < count; ++i) {
        if (stops[static_cast<size_t>(i)] == msg.hwnd || IsChild(stops[static_cast<size_t>(i)], msg.hwnd))
            next = ((i + step) % count + count) % count;
    }
    FocusStop(stops[static_cast<size_t>(next)]);
    return true;
}

void FrameWindow::FocusStop(HWND stop)
{
    for (FormView* view : m_views) {
        if (view->Handle() == stop) {
            SetActiveView(view);
            SetFocus(view->FocusControl());
            return;
        }
    }
    SetFocus(stop);
}

void FrameWindow::FollowFocusedPane()
{
    HWND focus = GetFocus();
    FormView* focused = nullptr;
    for (FormView* view : m_views) {
        if (focus && (view->Handle() == focus || IsChild(view->Handle(), focus)))
            focused = view;
    }
    if (focused == m_focusedView)
        return;
    for (FormView* view : {m_focusedView, focused}) {
        if (view)
            RedrawWindow(view->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_NOCHILDREN);
    }
    m_focusedView = focused;
}

void FrameWindow::OnAppExit()
{
    Post(WM_CLOSE);
}

bool FrameWindow::OnToolTip(NMHDR* header)
{
    auto* info = reinterpret_cast<NMTTDISPINFOW*>(header);
    if (info->uFlags & TTF_IDISHWND)
        return false;
    m_toolTip = PromptPart(static_cast<UINT>(header->idFrom), true);
    info->lpszText = m_toolTip.data();
    return true;
}

LRESULT FrameWindow::OnNotify(NMHDR* header)
{
    if (header->code == TTN_GETDISPINFOW) {
        OnToolTip(header);
        return 0;
    }
    if (header->code == TBN_HOTITEMCHANGE && m_toolBar && header->hwndFrom == m_toolBar->Handle()) {
        auto* hot = reinterpret_cast<NMTBHOTITEM*>(header);
        m_overButton = !(hot->dwFlags & HICF_LEAVING);
        if (m_overButton)
            ShowPrompt(static_cast<UINT>(hot->idNew));
        else
            ShowIdleMessage();
        return 0;
    }
    LRESULT result = 0;
    ReflectToControl(WM_NOTIFY, 0, reinterpret_cast<LPARAM>(header), result);
    return result;
}

namespace {

struct ColourChange {
    WPARAM wParam;
    LPARAM lParam;
};

BOOL CALLBACK TellOfColourChange(HWND child, LPARAM data)
{
    const auto& change = *reinterpret_cast<const ColourChange*>(data);
    SendMessageW(child, WM_SYSCOLORCHANGE, change.wParam, change.lParam);
    return TRUE;
}

}  // namespace

// Only top-level windows hear of new system colours; the controls, which cache
// brushes and drawn images, must be told.
void FrameWindow::OnSysColorChange(WPARAM wParam, LPARAM lParam)
{
    ColourChange change{wParam, lParam};
    EnumChildWindows(Handle(), TellOfColourChange, reinterpret_cast<LPARAM>(&change));
}

LRESULT FrameWindow::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE:
        if (!OnCreateClient())
            return -1;
        return 0;
    case WM_SIZE:
        RecalcLayout();
        return 0;
    case WM_SETFOCUS:
        if (FormView* view = ActiveView())
            SetFocus(view->Handle());
        return 0;
    case WM_SYSCOLORCHANGE:
        OnSysColorChange(wParam, lParam);
        return 0;
    case WM_COMMAND: {
        auto control = reinterpret_cast<HWND>(lParam);
        if (!control || (m_toolBar && control == m_toolBar->Handle())) {
            RouteCommand(LOWORD(wParam));
            // The button has done its work: its prompt goes, even if the pointer
            // never crosses the toolbar again.
            if (control && m_overButton) {
                m_overButton = false;
                ShowIdleMessage();
            }
            return 0;
        }
        LRESULT result = 0;
        ReflectToControl(message, wParam, lParam, result);
        return result;
    }
    case WM_NOTIFY:
        return OnNotify(reinterpret_cast<NMHDR*>(lParam));
    case WM_INITMENUPOPUP:
        if (!HIWORD(lParam))
            UpdateMenu(reinterpret_cast<HMENU>(wParam));
        return 0;
    case WM_ENTERMENULOOP:
        m_inMenu = true;
        return 0;
    case WM_EXITMENULOOP:
        m_inMenu = false;
        ShowIdleMessage();
        return 0;
    case WM_MENUSELECT: {
        bool closed = HIWORD(wParam) == 0xFFFF && lParam == 0;
        bool command = !(HIWORD(wParam) & (MF_POPUP | MF_SEPARATOR));
        if (closed)
            ShowIdleMessage();
        else
            ShowPrompt(command ? LOWORD(wParam) : 0);
        return 0;
    }
    case WM_DESTROY:
        if (Application::Instance() && Application::Instance()->MainFrame() == this)
            PostQuitMessage(0);
        return 0;
    }
    return Default(message, wParam, lParam);
}

}  // namespace twinsweep
