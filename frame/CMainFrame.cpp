#include "frame/CMainFrame.h"

#include <commctrl.h>
#include <shellapi.h>

#include <algorithm>

#include "dialogs/COptionsDlg.h"
#include "dialogs/CProgressDlg.h"
#include "document/CDFDoc.h"
#include "document/SearchMessages.h"
#include "document/Settings.h"
#include "frame/ScreenFit.h"
#include "framework/Application.h"
#include "framework/Controls.h"
#include "framework/Seams.h"
#include "resources/resource.h"
#include "views/CDirView.h"
#include "views/CResultView.h"
#include "views/CStatView.h"
#include "win32/ModuleFile.h"

namespace twinsweep {
namespace {

constexpr int kMaxFilterHistory = 20;
constexpr int kStatisticsWidth = 250;
constexpr int kFilterListHeight = 200;
constexpr size_t kOptionsButton = 3;

// Posted to itself once the message loop runs.
constexpr UINT WM_STARTUP = WM_USER + 1;

}  // namespace

const CommandEntry<CMainFrame> CMainFrame::kCommands[] = {
    {ID_OPTIONS, &CMainFrame::OnOptions, &CMainFrame::OnUpdateOptions},
    {ID_HELP_CONTENTS, &CMainFrame::OnHelp},
    {ID_SELECT_FILES, &CMainFrame::OnSelectFiles, &CMainFrame::OnUpdateSelectFiles},
};

CMainFrame::CMainFrame()
    : m_dirView(std::make_unique<CDirView>()), m_statView(std::make_unique<CStatView>()),
      m_resultView(std::make_unique<CResultView>())
{
}

CMainFrame::~CMainFrame()
{
    if (m_document)
        m_document->SetSearchHost(nullptr);
}

bool CMainFrame::Create(CDFDoc& document)
{
    m_document = &document;
    document.SetSearchHost(this);
    return CreateFrame(IDR_MAINFRAME, LoadResourceString(IDS_APP_TITLE).c_str(), document);
}

bool CMainFrame::OnCommand(UINT id)
{
    return RunCommand(*this, kCommands, id) || FrameWindow::OnCommand(id);
}

bool CMainFrame::OnUpdateCommand(CommandState& state)
{
    return UpdateCommand(*this, kCommands, state) || FrameWindow::OnUpdateCommand(state);
}

// The mask box follows the busy state like the commands that change the search.
void CMainFrame::OnIdleUpdate()
{
    FrameWindow::OnIdleUpdate();
    const bool enable = m_document && !m_document->m_bBusy;
    const WindowRef box(m_filterBox);
    if (m_filterBox && m_document && box.IsEnabled() != enable)
        box.Enable(enable);
}

bool CMainFrame::PreTranslateMessage(MSG& msg)
{
    // With its list dropped, Enter takes the highlighted mask first.
    if (msg.message == WM_KEYDOWN && msg.wParam == VK_RETURN && m_filterBox &&
        (msg.hwnd == m_filterBox || IsChild(m_filterBox, msg.hwnd)) &&
        !WindowRef(m_filterBox).Send(CB_GETDROPPEDSTATE)) {
        RouteCommand(ID_GO);
        return true;
    }
    return FrameWindow::PreTranslateMessage(msg);
}

std::vector<HWND> CMainFrame::TabStops() const
{
    std::vector<HWND> stops = FrameWindow::TabStops();
    if (m_filterBox)
        stops.insert(stops.begin(), m_filterBox);
    return stops;
}

bool CMainFrame::OnCreateClient()
{
    HWND frame = Handle();
    if (!m_outerSplitter.Create(frame, 2, 1, StaticSplitter::kFirstPaneId) ||
        !m_innerSplitter.Create(m_outerSplitter.Handle(), 1, 2, StaticSplitter::PaneId(0, 0)))
        return false;
    SetClientWindow(m_outerSplitter.Handle());
    if (!m_dirView->Create(m_innerSplitter.Handle(), StaticSplitter::PaneId(0, 0), *m_document) ||
        !m_statView->Create(m_innerSplitter.Handle(), StaticSplitter::PaneId(0, 1), *m_document) ||
        !m_resultView->Create(m_outerSplitter.Handle(), StaticSplitter::PaneId(1, 0), *m_document))
        return false;
    for (FormView* view : std::initializer_list<FormView*>{m_dirView.get(), m_statView.get(), m_resultView.get()}) {
        view->OnInitialUpdate();
        ShowWindow(view->Handle(), SW_SHOW);
        AddView(*view);
    }
    SetActiveView(m_dirView.get());
    m_outerSplitter.SetRowInfo(0, 150, 20);
    m_outerSplitter.SetRowInfo(1, 150, 20);
    RecalcLayout();
    RECT client;
    GetClientRect(frame, &client);
    ApplyPaneWidthRule(client.right);
    return true;
}

LRESULT CMainFrame::OnCreate()
{
    if (FrameWindow::WindowProc(WM_CREATE, 0, 0) == -1)
        return -1;
    CreateToolBar();
    CreateFilterBox();
    m_statusBar.Create(Handle(), ID_STATUS_WINDOW, {300});
    DragAcceptFiles(Handle(), TRUE);
    PlaceWindow();
    if (m_maximizeAtStart)
        Post(WM_SYSCOMMAND, SC_MAXIMIZE, 0);
    Post(WM_STARTUP);
    RecalcLayout();
    return 0;
}

void CMainFrame::CreateToolBar()
{
    DWORD style = WS_CHILD | WS_VISIBLE | CCS_TOP | TBSTYLE_FLAT | TBSTYLE_TOOLTIPS | WS_CLIPCHILDREN;
    if (m_linkToolBar.Create(Handle(), style, ID_TOOLBAR_WINDOW, ToolBar::kGripper | ToolBar::kBorderBottom) &&
        m_linkToolBar.LoadToolBar(IDR_MAINFRAME))
        SetToolBar(m_linkToolBar);
}

// The mask box lies over toolbar items 5 to 10, which only keep its room.
void CMainFrame::CreateFilterBox()
{
    if (!m_linkToolBar.Handle() || m_linkToolBar.ItemCount() < 11)
        return;
    RECT first = m_linkToolBar.ItemRect(5), last = m_linkToolBar.ItemRect(10);
    m_filterBox = CreateWindowExW(0, WC_COMBOBOXW, L"", WS_CHILD | WS_VISIBLE | WS_TABSTOP | CBS_DROPDOWN,
                                  first.left, first.top, last.right - first.left,
                                  first.bottom - first.top + kFilterListHeight, m_linkToolBar.Handle(),
                                  reinterpret_cast<HMENU>(static_cast<UINT_PTR>(IDC_FILTER_BOX)),
                                  ResourceInstance(), nullptr);
    if (!m_filterBox)
        return;
    if (HGDIOBJ font = GetStockObject(DEFAULT_GUI_FONT))
        WindowRef(m_filterBox).SetFont(static_cast<HFONT>(font));
    FillFilterCombo(m_filterBox);
}

// A rectangle saved on a screen that is gone (a monitor unplugged, a smaller
// resolution) would open the window where nobody can reach it: it moves onto the
// nearest screen, shrunk to fit if need be. One that shows anywhere stays put.
RECT CMainFrame::OnSomeScreen(RECT rect)
{
    if (MonitorFromRect(&rect, MONITOR_DEFAULTTONULL))
        return rect;
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    if (!GetMonitorInfoW(MonitorFromRect(&rect, MONITOR_DEFAULTTONEAREST), &monitor))
        return rect;
    const RECT& work = monitor.rcWork;
    const ScreenRect inside = MovedInside({rect.left, rect.top, rect.right, rect.bottom},
                                          {work.left, work.top, work.right, work.bottom});
    return {inside.left, inside.top, inside.right, inside.bottom};
}

void CMainFrame::PlaceWindow()
{
    std::optional<SavedWindowPos> saved = GetSavedWindowPos();
    if (!saved) {
        SetWindowPos(Handle(), nullptr, 0, 0, 600, 600, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        CenterWindow(Handle(), nullptr);
    } else if (saved->maximized) {
        m_maximizeAtStart = true;
    } else {
        // Never smaller than the system lets a user make the window.
        const ScreenRect large = AtLeast({saved->left, saved->top, saved->right, saved->bottom},
                                         GetSystemMetrics(SM_CXMINTRACK), GetSystemMetrics(SM_CYMINTRACK));
        const RECT rect = OnSomeScreen({large.left, large.top, large.right, large.bottom});
        MoveWindow(Handle(), rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, TRUE);
    }
}

void CMainFrame::OnStartup()
{
    RecalcLayout();
    if (m_filterBox) {
        RECT bar, box;
        GetClientRect(m_linkToolBar.Handle(), &bar);
        GetWindowRect(m_filterBox, &box);
        MapWindowPoints(nullptr, m_linkToolBar.Handle(), reinterpret_cast<POINT*>(&box), 2);
        int top = (bar.bottom - (box.bottom - box.top)) / 2;
        SetWindowPos(m_filterBox, nullptr, box.left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        SetWindowTextW(m_filterBox, L"*.*");
    }
    if (m_document)
        m_document->AddFolders(std::exchange(m_startFolders, {}));
}

// Modal to this window, so that it comes up in front with the focus.
void CMainFrame::OnNothingFound()
{
    ShowMessageBox(Handle(), IDS_NO_DUPLICATES);
}

void CMainFrame::OnClose()
{
    // A modal box or dialog keeps the window: the search may be waiting for the
    // box, and the box for this window.
    if (!IsEnabled())
        return;
    // A search must not outlive the windows it reports to.
    if (m_document)
        m_document->StopSearchAndWait();
    if (m_filterBox)
        ReadFilterCombo(m_filterBox);
    StoreWindowPos(Handle());
    DestroyWindow(Handle());
}

void CMainFrame::OnDropFiles(HDROP drop)
{
    std::vector<std::wstring> paths;
    UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
    for (UINT i = 0; i < count; ++i) {
        // As long as the path is: a cut path would name another folder.
        std::wstring path(DragQueryFileW(drop, i, nullptr, 0) + 1, L'\0');
        path.resize(DragQueryFileW(drop, i, path.data(), static_cast<UINT>(path.size())));
        paths.push_back(std::move(path));
    }
    DragFinish(drop);
    if (m_document)
        m_document->AddFolders(paths);
}

void CMainFrame::ApplyPaneWidthRule(int clientWidth)
{
    if (m_innerSplitter.Handle())
        m_innerSplitter.SetColumnInfo(0, std::max(clientWidth - kStatisticsWidth, 0), 100);
}

void CMainFrame::OnSize(int width)
{
    ApplyPaneWidthRule(width);
    RecalcLayout();
    FitFilterBox();
    if (m_innerSplitter.Handle())
        m_innerSplitter.RecalcLayout();
}

// The mask box ends where the link area begins: on a narrow window it gets
// shorter rather than hide the maker's logo (the toolbar clips what it paints by
// its children).
void CMainFrame::FitFilterBox()
{
    if (!m_filterBox)
        return;
    RECT first = m_linkToolBar.ItemRect(5), last = m_linkToolBar.ItemRect(10), bar;
    GetClientRect(m_linkToolBar.Handle(), &bar);
    const LONG right = std::min(last.right, bar.right - LinkToolBar::kLinkWidth);
    SetWindowPos(m_filterBox, nullptr, 0, 0, std::max(right - first.left, LONG{0}),
                 first.bottom - first.top + kFilterListHeight, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void CMainFrame::OnHelp()
{
    std::wstring path = FolderOf(ModuleFileName(nullptr)) + L"\\Help\\SweepHelp.chm";
    LaunchShell(L"open", path, SW_SHOWMAXIMIZED);
}

// F1 in a dialog or panel of this window comes here from its owner chain, and
// so does F1 in a menu. F1 in the window itself runs the Help command as its
// accelerator; the system may send WM_HELP for the same key as well (Wine does),
// which must not open a second viewer.
void CMainFrame::OnHelpRequest(const HELPINFO& help)
{
    const auto from = static_cast<HWND>(help.hItemHandle);
    if (help.iContextType == HELPINFO_WINDOW && (from == Handle() || IsChild(Handle(), from)))
        return;
    OnHelp();
}

// The panel drops from the Options button, whether the command came from there or
// from the menu. It deletes itself when it closes.
void CMainFrame::OnOptions()
{
    // A panel that refused its range when the click came stays the one panel.
    if (g_pOptionsDlg) {
        SetActiveWindow(g_pOptionsDlg->Handle());
        return;
    }
    auto* panel = new COptionsDlg();
    if (!panel->CreateModeless(Handle())) {
        delete panel;
        return;
    }
    RECT button = m_linkToolBar.ItemRect(kOptionsButton);
    MapWindowPoints(m_linkToolBar.Handle(), nullptr, reinterpret_cast<POINT*>(&button), 2);
    SetWindowPos(panel->Handle(), nullptr, button.left, button.bottom, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    ShowWindow(panel->Handle(), SW_SHOW);
}

// The search reads the options: they stay as they are while it runs.
void CMainFrame::OnUpdateOptions(CommandState& state)
{
    if (m_document)
        state.Enable(!m_document->m_bBusy);
    state.Check(g_pOptionsDlg != nullptr);
}

std::wstring CMainFrame::GetFilterMask()
{
    if (!m_filterBox)
        return L"*.*";
    const ComboBoxRef box(m_filterBox);
    const std::wstring text = box.Text();
    const int count = box.Count();
    for (int i = 0; i < count; ++i) {
        if (CompareStringOrdinal(box.ItemText(i).c_str(), -1, text.c_str(), -1, TRUE) == CSTR_EQUAL)
            return text;
    }
    box.Send(CB_INSERTSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
    if (box.Count() > kMaxFilterHistory)
        box.Send(CB_DELETESTRING, kMaxFilterHistory);
    // The edit text stays as typed.
    box.SetText(text);
    return text;
}

// The window deletes itself when it closes.
HWND CMainFrame::OpenProgressWindow(std::shared_ptr<SearchJob> job)
{
    auto* progress = new CProgressDlg();
    if (!progress->CreateModeless(Handle())) {
        delete progress;
        return nullptr;
    }
    ShowWindow(progress->Handle(), SW_SHOW);
    progress->FollowSearch(std::move(job));
    return progress->Handle();
}

HWND CMainFrame::ResultWindow() const
{
    return m_resultView->Handle();
}

void CMainFrame::OnSelectFiles()
{
    m_resultView->OnCommand(ID_SELECT_FILES);
}

void CMainFrame::OnUpdateSelectFiles(CommandState& state)
{
    m_resultView->OnUpdateCommand(state);
}

LRESULT CMainFrame::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE:
        return OnCreate();
    case WM_STARTUP:
        OnStartup();
        return 0;
    case WM_SEARCH_FOUND_NOTHING:
        OnNothingFound();
        return 0;
    case WM_SEARCH_ENDED:
        if (m_document)
            m_document->OnSearchEnded();
        return 0;
    case WM_CLOSE:
        OnClose();
        return 0;
    case WM_DROPFILES:
        OnDropFiles(reinterpret_cast<HDROP>(wParam));
        return 0;
    case WM_HELP:
        OnHelpRequest(*reinterpret_cast<const HELPINFO*>(lParam));
        return TRUE;
    case WM_SIZE:
        OnSize(LOWORD(lParam));
        return 0;
    }
    return FrameWindow::WindowProc(message, wParam, lParam);
}

}  // namespace twinsweep
