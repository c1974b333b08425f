#include "views/CResultView.h"

#include <commctrl.h>
#include <shellapi.h>
#include <windowsx.h>

#include <algorithm>
#include <utility>
#include <vector>

#include "dialogs/CSelectFilesDlg.h"
#include "document/CDFDoc.h"
#include "document/SearchMessages.h"
#include "engine/MaskList.h"
#include "engine/SearchJob.h"
#include "engine/SelectionRules.h"
#include "engine/SizeFormat.h"
#include "framework/Application.h"
#include "framework/FrameWindow.h"
#include "framework/Seams.h"
#include "platform/FileSystem.h"
#include "resources/resource.h"
#include "win32/Utf16.h"

namespace twinsweep {
namespace {

// Posted to itself, so that a line opens once the click that chose it is over.
constexpr UINT WM_RESULT_OPENITEM = WM_USER + 7;
// Opens the folder of the caret line of the folder tab.
constexpr UINT WM_RESULT_OPENFOLDER = WM_APP + 4;

constexpr UINT_PTR kStatisticsTimer = 1;
constexpr UINT kStatisticsDelay = 250;
// Files a message names one by one; it counts the rest.
constexpr int kMostNamedFiles = 20;

// Only a file the system cannot find is gone: one that is locked or denied is
// still on disk, and its line must stay so that the user still sees it.
bool FileIsGone(const std::wstring& path)
{
    if (GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES)
        return false;
    const DWORD error = GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

// The dialog's choices in the engine's terms.
SelectionChoices ChoicesOf(const CSelectFilesDlg& dialog)
{
    return {.what = dialog.m_nWhat,
            .containOn = dialog.m_bContainOn != 0,
            .contain = WideToUtf8(dialog.m_strContain),
            .extOn = dialog.m_bExtOn != 0,
            .extensions = WideToUtf8(dialog.m_strExt),
            .drivesOn = dialog.m_bDrivesOn != 0,
            .drives = WideToUtf8(dialog.m_strDrives)};
}

}  // namespace

const CommandEntry<CResultView> CResultView::kCommands[] = {
    {ID_SELECT_FILES, &CResultView::OnSelectFiles, &CResultView::OnUpdateSelectFiles},
    {ID_EMPTY_LIST, &CResultView::EmptyList, &CResultView::OnUpdateHasLines},
    {ID_REMOVE_SELECTED_ITEMS, &CResultView::RemoveSelectedItems, &CResultView::OnUpdateHasSelection},
    {ID_DELETE_SELECTED_FILES, &CResultView::DeleteSelectedFiles, &CResultView::OnUpdateHasSelection},
    {ID_EXPLORE_FILE_FOLDER, &CResultView::OnExploreFolder, &CResultView::OnUpdateHasLines},
    {ID_OPEN_FILE_FOLDER, &CResultView::OnOpenFolder, &CResultView::OnUpdateHasLines},
    {ID_FILE_PROPERTIES, &CResultView::OnProperties, &CResultView::OnUpdateHasLines},
    {ID_EXPLORE_EQUAL_FOLDER, &CResultView::OnExploreEqualFolder, &CResultView::OnUpdateHasFolderLines},
    {ID_OPEN_EQUAL_FOLDER, &CResultView::OnOpenEqualFolder, &CResultView::OnUpdateHasFolderLines},
    {ID_DELETE_EQUAL_FOLDERS, &CResultView::DeleteSelectedFolders, &CResultView::OnUpdateHasFolderMarks},
    {ID_EQUAL_FOLDER_PROPERTIES, &CResultView::OnEqualFolderProperties, &CResultView::OnUpdateHasFolderLines},
};

CResultView::CResultView() : FormView(IDD_RESULT_VIEW) {}

CResultView::~CResultView()
{
    if (CDFDoc* document = Document())
        document->RemoveObserver(*this);
}

void CResultView::OnInitialUpdate()
{
    FormView::OnInitialUpdate();
    Document()->AddObserver(*this);
    m_files.Attach(Item(IDC_FILE_LIST));
    m_secondFiles.Attach(Item(IDC_SECOND_FILE_LIST));
    m_tabs = Item(IDC_RESULT_TABS);
    // The lists lie on the strip's display area: the strip must not paint over them.
    SetWindowLongPtrW(m_tabs, GWL_STYLE, GetWindowLongPtrW(m_tabs, GWL_STYLE) | WS_CLIPSIBLINGS);
    TCITEMW tab{};
    tab.mask = TCIF_TEXT;
    tab.pszText = const_cast<wchar_t*>(L"Equal files");
    TabCtrl_InsertItem(m_tabs, 0, &tab);
    m_folderTab.Attach(m_tabs, m_secondFiles);
    ShowCurrentTab();
    RECT client;
    GetClientRect(Handle(), &client);
    OnSize(client.right, client.bottom);
}

HWND CResultView::FocusControl() const
{
    return m_secondFiles.IsVisible() ? m_secondFiles.Handle() : m_files.Handle();
}

void CResultView::EmptyList()
{
    m_files.ResetEntries();
    m_folderTab.Reset();
    ShowCurrentTab();
    m_nTotalFiles = 0;
    m_nGroups = 0;
    m_nTotalSize = 0;
    m_nNeedlessSize = 0;
    UpdateStatistics();
    UpdateSelectionStatus();
}

// The list is hidden while every line's mark changes, so that it repaints once.
void CResultView::SelectFiles()
{
    CSelectFilesDlg dialog;
    if (dialog.DoModal(MainWindowHandle()) != IDOK)
        return;
    const SelectionRules rules(ChoicesOf(dialog));
    const bool unselectOthers = dialog.m_bUnselectOthers != 0;
    const HWND list = m_files.Handle();
    const bool shown = IsWindowVisible(list) != FALSE;
    const bool focused = GetFocus() == list;
    if (shown)
        ShowWindow(list, SW_HIDE);
    const int count = m_files.Count();
    for (int line = 0; line < count; ++line) {
        const DupFileEntry* entry = m_files.Entry(line);
        if (rules.Admits(entry && entry->bFirstInGroup, WideToUtf8(m_files.Text(line))))
            SendMessageW(list, LB_SETSEL, TRUE, line);
        else if (unselectOthers)
            SendMessageW(list, LB_SETSEL, FALSE, line);
    }
    if (shown)
        ShowWindow(list, SW_SHOW);
    if (focused)
        SetFocus(list);
    UpdateSelectionStatus();
}

// Every deletion moves the later lines up by one.
void CResultView::RemoveSelectedItems()
{
    int removed = 0;
    for (int line : m_files.SelectedLines())
        m_files.DeleteEntry(line - removed++);
    RecountGroups();
    UpdateSelectionStatus();
}

// The shell deletes whatever stands at a path when it gets there: a marked line
// whose path no longer leads to the file the search found, unchanged, is left
// out, stays listed and marked, and is named in one message.
void CResultView::DeleteSelectedFiles()
{
    std::wstring paths;
    std::vector<int> sent;
    std::wstring changed;
    int changedCount = 0;
    for (int line : m_files.SelectedLines()) {
        const DupFileEntry* entry = m_files.Entry(line);
        if (entry && IsAsFound(*entry, PlatformFileSystem())) {
            paths += m_files.Text(line) + L'\0';
            sent.push_back(line);
        } else if (++changedCount <= kMostNamedFiles) {
            changed += L"\n" + m_files.Text(line);
        }
    }
    if (changedCount > kMostNamedFiles)
        changed += L"\n... and " + std::to_wstring(changedCount - kMostNamedFiles) + L" more";
    if (changedCount > 0)
        ShowMessageBox(MainWindowHandle(), L"These files are no longer the ones the search found, and are not "
                                           L"deleted:" + changed);
    if (sent.empty())
        return;
    paths += L'\0';
    // The shell asks for confirmation, shows the progress and reports its own
    // failures; what it did is read from the disk afterwards.
    SHFILEOPSTRUCTW operation{};
    operation.hwnd = MainWindowHandle();
    operation.wFunc = FO_DELETE;
    operation.pFrom = paths.c_str();
    operation.fFlags = FOF_ALLOWUNDO;
    operation.lpszProgressTitle = L"Deleting...";
    SHFileOperationW(&operation);

    int removed = 0;
    for (int line : sent) {
        const int current = line - removed;
        if (FileIsGone(m_files.Text(current))) {
            m_files.DeleteEntry(current);
            ++removed;
        }
    }
    RecountGroups();
    UpdateSelectionStatus();
}

void CResultView::RecountGroups()
{
    m_nGroups = 0;
    m_nTotalSize = 0;
    m_nNeedlessSize = 0;
    const int count = m_files.Count();
    for (int line = 0; line < count; ++line) {
        const DupFileEntry* entry = m_files.Entry(line);
        if (!entry)
            continue;
        m_nGroups += entry->bLastInGroup ? 1 : 0;
        m_nTotalSize += entry->dwSize;
        if (!entry->bFirstInGroup)
            m_nNeedlessSize += entry->dwSize;
    }
    UpdateStatistics();
}

void CResultView::UpdateStatistics()
{
    Document()->ReportStatistics({m_nTotalFiles, LineCount(), m_nGroups, m_nTotalSize, m_nNeedlessSize});
}

void CResultView::UpdateSelectionStatus()
{
    if (FrameWindow* frame = Application::Instance() ? Application::Instance()->MainFrame() : nullptr)
        frame->SetStatusInfo(m_folderTab.Selected() ? m_folderTab.Summary() : SelectionSummary());
}

std::wstring CResultView::SelectionSummary() const
{
    const std::vector<int> lines = m_files.SelectedLines();
    if (lines.empty())
        return {};
    uint64_t bytes = 0;
    for (int line : lines) {
        if (const DupFileEntry* entry = m_files.Entry(line))
            bytes += entry->dwSize;
    }
    return std::to_wstring(lines.size()) + L" files selected (" + Utf8ToWide(FormatSize(bytes)) + L")";
}

std::wstring CResultView::GetCaretPath() const
{
    return LineCount() ? m_files.Text(m_files.CaretLine()) : std::wstring();
}

// The drive and the folders of the path, with the separator at the end.
std::wstring CResultView::GetCaretFolder() const
{
    const std::wstring path = GetCaretPath();
    const size_t separator = path.find_last_of(L"\\/");
    if (separator != std::wstring::npos)
        return path.substr(0, separator + 1);
    if (path.size() >= 2 && path[1] == L':')
        return path.substr(0, 2);
    return {};
}

std::wstring CResultView::BuildSelectedPathList() const
{
    std::wstring list;
    for (int line : m_files.SelectedLines()) {
        list += m_files.Text(line);
        list.push_back(L'\0');
    }
    if (!list.empty())
        list.push_back(L'\0');
    return list;
}

// Each item is enabled as its command is: a command the view does not carry
// out stays greyed.
ContextMenu CResultView::PrepareContextMenu()
{
    ContextMenu menu(IDR_CONTEXT_MENUS, 1);
    const std::pair<UINT, UINT> items[] = {
        {ID_SELECT_FILES, IDB_MENU_SELECT},         {ID_EMPTY_LIST, IDB_MENU_REMOVE_ALL},
        {ID_REMOVE_SELECTED_ITEMS, IDB_MENU_REMOVE}, {ID_EXPLORE_FILE_FOLDER, IDB_MENU_EXPLORE},
        {ID_OPEN_FILE_FOLDER, IDB_MENU_OPEN},        {ID_DELETE_SELECTED_FILES, IDB_MENU_DELETE},
        {ID_FILE_PROPERTIES, IDB_MENU_PROPERTIES},
    };
    for (const auto& [command, bitmap] : items) {
        menu.SetItem(command, bitmap, CommandEnabled(command));
    }
    return menu;
}

bool CResultView::OnCommand(UINT id)
{
    return RunCommand(*this, kCommands, id);
}

bool CResultView::OnUpdateCommand(CommandState& state)
{
    return UpdateCommand(*this, kCommands, state);
}

void CResultView::OnDraw(HDC dc)
{
    DrawViewCaption(Handle(), dc, IDB_CAPTION_RESULT);
}

// The strip fills the view under the caption; both lists fill its display area.
void CResultView::OnSize(int cx, int cy)
{
    if (!m_tabs)
        return;
    RECT area{0, kCaptionHeight, cx, std::max<int>(cy, kCaptionHeight)};
    MoveWindow(m_tabs, area.left, area.top, area.right - area.left, area.bottom - area.top, TRUE);
    TabCtrl_AdjustRect(m_tabs, FALSE, &area);
    for (HWND list : {m_files.Handle(), m_secondFiles.Handle()}) {
        SetWindowPos(list, HWND_TOP, area.left, area.top, std::max<int>(area.right - area.left, 0),
                     std::max<int>(area.bottom - area.top, 0), SWP_NOACTIVATE);
    }
    const RECT strip{0, 0, cx, kCaptionHeight};
    InvalidateRect(Handle(), &strip, FALSE);
}

bool CResultView::OnControlCommand(UINT id, UINT code, HWND)
{
    if (id == IDC_SECOND_FILE_LIST)
        return OnFolderListCommand(code);
    if (id != IDC_FILE_LIST)
        return false;
    switch (code) {
    case LBN_SELCHANGE:
        UpdateSelectionStatus();
        return true;
    case LBN_DBLCLK:
        // Opened once the double click is over, so the shell's window comes up on top.
        Post(WM_RESULT_OPENITEM);
        return true;
    default:
        return false;
    }
}

bool CResultView::OnNotify(NMHDR* header, LRESULT& result)
{
    if (header->hwndFrom != m_tabs || header->code != TCN_SELCHANGE)
        return false;
    ShowCurrentTab();
    UpdateSelectionStatus();
    result = 0;
    return true;
}

INT_PTR CResultView::OnMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_RESULT_ADDGROUP:
        OnAddGroup(wParam, lParam);
        return Result(0);
    case WM_RESULT_FILECOUNT:
        OnFileCount(wParam);
        return Result(0);
    case WM_TIMER:
        if (wParam != kStatisticsTimer)
            return FALSE;
        OnStatisticsTimer();
        return Result(0);
    case WM_RESULT_OPENITEM:
        OnOpenItem();
        return Result(0);
    case WM_RESULT_FOLDERGROUPS:
        OnFolderGroups(wParam);
        return Result(0);
    case WM_RESULT_OPENFOLDER:
        OnOpenEqualFolder();
        return Result(0);
    case WM_CONTEXTMENU:
        OnContextMenu(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
        return TRUE;
    case WM_VKEYTOITEM:
        return OnListKey(LOWORD(wParam), reinterpret_cast<HWND>(lParam));
    default:
        return FALSE;
    }
}

// The entries move into the list; the sender keeps the emptied group.
void CResultView::OnAddGroup(WPARAM group, LPARAM byteTotal)
{
    auto* files = reinterpret_cast<DupGroup*>(group);
    if (!files) {
        m_nTotalSize += static_cast<ULONG_PTR>(byteTotal);
        UpdateStatistics();
        return;
    }
    // The group's own total: a 32-bit LPARAM cannot carry 4 GiB and more.
    m_nTotalSize += files->ByteTotal();
    ++m_nGroups;
    const size_t count = files->entries.size();
    for (size_t i = 0; i < count; ++i) {
        std::unique_ptr<DupFileEntry>& entry = files->entries[i];
        if (!entry)
            continue;
        entry->bFirstInGroup = i == 0;
        entry->bLastInGroup = i == count - 1;
        if (i != 0)
            m_nNeedlessSize += entry->dwSize;
        const std::wstring path = Utf8ToWide(entry->strPath);
        m_files.AddEntry(path, std::move(entry));
    }
    ScheduleStatistics();
}

// A search reports groups and counts faster than anyone reads the figures, and
// each change repaints the statistics list (under Wine, dozens of round trips to
// the server the search's reads wait on): they follow four times a second
// instead. The end of the search brings them up to date.
void CResultView::ScheduleStatistics()
{
    if (m_statisticsDue)
        return;
    if (SetTimer(Handle(), kStatisticsTimer, kStatisticsDelay, nullptr))
        m_statisticsDue = true;
    else
        UpdateStatistics();
}

void CResultView::OnStatisticsTimer()
{
    KillTimer(Handle(), kStatisticsTimer);
    m_statisticsDue = false;
    UpdateStatistics();
}

void CResultView::OnFileCount(WPARAM count)
{
    m_nTotalFiles = static_cast<int32_t>(count);
    ScheduleStatistics();
}

void CResultView::OnOpenItem()
{
    const std::wstring path = GetCaretPath();
    if (path.empty())
        return;
    ShellLaunch launch;
    launch.verb = L"open";
    launch.file = path;
    LaunchShell(launch);
}

// The list takes -1 for "go on as usual" and -2 for "done"; a dialog procedure
// hands the value back as it is.
INT_PTR CResultView::OnListKey(UINT key, HWND list)
{
    if (list != m_files.Handle() || GetKeyState(VK_MENU) < 0)
        return -1;
    const bool control = GetKeyState(VK_CONTROL) < 0;
    if (key == VK_DELETE && !control && GetKeyState(VK_SHIFT) >= 0) {
        // Through the command's route, which asks whether it may run.
        Send(WM_COMMAND, ID_DELETE_SELECTED_FILES);
        return -2;
    }
    if (key == 'A' && control) {
        MarkAllLines();
        return -2;
    }
    return -1;
}

void CResultView::MarkAllLines()
{
    if (LineCount() == 0)
        return;
    m_files.Send(LB_SETSEL, TRUE, -1);
    UpdateSelectionStatus();
}

// A menu opened from the keyboard carries no point (-1, -1).
void CResultView::OnContextMenu(int x, int y)
{
    POINT at{x, y};
    const bool folders = m_folderTab.Selected();
    FileListBox& list = folders ? m_secondFiles : m_files;
    if (x == -1 && y == -1)
        at = list.KeyboardMenuPoint();
    else
        list.ClickForMenu(at);
    if (folders) {
        m_folderTab.PrepareContextMenu(CommandEnabled(ID_OPEN_EQUAL_FOLDER), CommandEnabled(ID_DELETE_EQUAL_FOLDERS))
            .Track(Handle(), at);
        return;
    }
    PrepareContextMenu().Track(Handle(), at);
}

// The folder opens with the file selected in it.
void CResultView::OnExploreFolder()
{
    if (GetCaretFolder().empty())
        return;
    ShellLaunch launch;
    launch.verb = L"open";
    launch.file = L"explorer.exe";
    launch.parameters = L"/select,\"" + GetCaretPath() + L"\"";
    LaunchShell(launch);
}

void CResultView::OnOpenFolder()
{
    LaunchOnCaretFolder(L"open");
}

void CResultView::OnProperties()
{
    const std::wstring path = GetCaretPath();
    if (!path.empty())
        ShowProperties(path);
}

void CResultView::OnFolderGroups(WPARAM groups)
{
    m_folderTab.SetGroups(std::move(*reinterpret_cast<std::vector<FolderGroup>*>(groups)));
}

bool CResultView::OnFolderListCommand(UINT code)
{
    switch (code) {
    case LBN_DBLCLK:
        Post(WM_RESULT_OPENFOLDER);
        return true;
    default:
        return false;
    }
}

void CResultView::OnOpenEqualFolder()
{
    const std::wstring folder = m_folderTab.CaretFolder();
    if (!folder.empty())
        LaunchShell(L"open", folder);
}

void CResultView::OnExploreEqualFolder()
{
    const std::wstring folder = m_folderTab.CaretFolder();
    if (!folder.empty())
        LaunchShell(L"explore", folder);
}

void CResultView::OnEqualFolderProperties()
{
    const std::wstring folder = m_folderTab.CaretFolder();
    if (!folder.empty())
        ShowProperties(folder);
}

// The files of deleted folders leave the first tab too.
void CResultView::DeleteSelectedFolders()
{
    RemoveLinesInFolders(m_folderTab.DeleteSelectedFolders(MainWindowHandle(), m_files));
    UpdateSelectionStatus();
}

void CResultView::RemoveLinesInFolders(const std::vector<std::wstring>& folders)
{
    if (folders.empty())
        return;
    for (int line = m_files.Count() - 1; line >= 0; --line) {
        const std::wstring path = m_files.Text(line);
        const auto inside = [&](const std::wstring& folder) { return path.compare(0, folder.size(), folder) == 0; };
        if (std::any_of(folders.begin(), folders.end(), inside))
            m_files.DeleteEntry(line);
    }
    RecountGroups();
}

void CResultView::OnUpdateHasFolderLines(CommandState& state)
{
    state.Enable(m_folderTab.LineCount() > 0);
}

void CResultView::OnUpdateHasFolderMarks(CommandState& state)
{
    state.Enable(m_folderTab.HasMarks());
}

void CResultView::OnUpdateHasLines(CommandState& state)
{
    state.Enable(LineCount() > 0);
}

// The search thread adds lines while it runs: marks are set on a list at rest.
void CResultView::OnSelectFiles()
{
    if (!Document()->m_bBusy)
        SelectFiles();
}

void CResultView::OnUpdateSelectFiles(CommandState& state)
{
    state.Enable(LineCount() > 0 && !Document()->m_bBusy);
}

void CResultView::OnUpdateHasSelection(CommandState& state)
{
    state.Enable(HasSelection());
}

void CResultView::LaunchOnCaretFolder(const wchar_t* verb)
{
    const std::wstring folder = GetCaretFolder();
    if (folder.empty())
        return;
    ShellLaunch launch;
    launch.verb = verb;
    launch.file = folder;
    LaunchShell(launch);
}

bool CResultView::CommandEnabled(UINT id)
{
    CommandState state{id};
    if (OnUpdateCommand(state))
        return state.enabled;
    CDFDoc* document = Document();
    return document && document->OnUpdateCommand(state) && state.enabled;
}

bool CResultView::HasSelection() const
{
    return m_files.Send(LB_GETSELCOUNT) > 0;
}

void CResultView::ShowCurrentTab()
{
    const bool firstTab = TabCtrl_GetCurSel(m_tabs) <= 0;
    m_files.Show(firstTab);
    m_secondFiles.Show(!firstTab);
}

CDFDoc* CResultView::Document() const
{
    return static_cast<CDFDoc*>(GetDocument());
}

}  // namespace twinsweep
