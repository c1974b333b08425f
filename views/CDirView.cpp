#include "views/CDirView.h"

#include <commctrl.h>

#include <algorithm>
#include <vector>

#include "document/CDFDoc.h"
#include "framework/Controls.h"
#include "framework/Seams.h"
#include "resources/resource.h"
#include "win32/Utf16.h"

namespace twinsweep {
namespace {

constexpr int kFolderImage = 0;

}  // namespace

const CommandEntry<CDirView> CDirView::kCommands[] = {
    {ID_EXPLORE_FOLDER, &CDirView::OnExplore, &CDirView::OnUpdateFocused},
    {ID_OPEN_FOLDER, &CDirView::OnOpen, &CDirView::OnUpdateFocused},
    {ID_FOLDER_PROPERTIES, &CDirView::OnProperties, &CDirView::OnUpdateFocused},
    {ID_REMOVE_FOLDERS, &CDirView::OnRemove, &CDirView::OnUpdateRemove},
};

CDirView::CDirView() : FormView(IDD_DIR_VIEW) {}

CDirView::~CDirView()
{
    if (CDFDoc* document = Document())
        document->RemoveObserver(*this);
}

void CDirView::OnInitialUpdate()
{
    FormView::OnInitialUpdate();
    Document()->AddObserver(*this);
    m_list = Item(IDC_FOLDER_LIST);
    // The view keeps the image list, so the control must not destroy it.
    SetWindowLongPtrW(m_list, GWL_STYLE, GetWindowLongPtrW(m_list, GWL_STYLE) | LVS_SHAREIMAGELISTS);
    m_images = UniqueImageList(ImageList_Create(16, 16, ILC_MASK | ILC_COLORDDB, 0, 4));
    if (auto icon = static_cast<HICON>(
            LoadImageW(ResourceInstance(), MAKEINTRESOURCEW(IDI_FOLDER), IMAGE_ICON, 16, 16, LR_DEFAULTCOLOR))) {
        ImageList_AddIcon(m_images.get(), icon);
        DestroyIcon(icon);
    }
    ListView_SetImageList(m_list, m_images.get(), LVSIL_SMALL);

    LVCOLUMNW column{};
    column.mask = LVCF_FMT | LVCF_TEXT;
    column.fmt = LVCFMT_LEFT;
    column.pszText = const_cast<wchar_t*>(L"Directories");
    ListView_InsertColumn(m_list, 0, &column);
    ListView_SetExtendedListViewStyleEx(m_list, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
    RefreshFolderList();
}

void CDirView::RefreshFolderList()
{
    if (!m_list)
        return;
    // Drawn once at the end: redrawn after every line, ten thousand folders take
    // minutes.
    const WindowRef list(m_list);
    list.SetRedraw(false);
    ListView_DeleteAllItems(m_list);
    const std::vector<std::string>& folders = Document()->m_folders.Folders();
    ListView_SetItemCount(m_list, static_cast<int>(folders.size()));
    for (size_t i = 0; i < folders.size(); ++i) {
        std::wstring text = Utf8ToWide(folders[i]);
        LVITEMW item{};
        item.mask = LVIF_TEXT | LVIF_IMAGE;
        item.iItem = static_cast<int>(i);
        item.iImage = kFolderImage;
        item.pszText = text.data();
        ListView_InsertItem(m_list, &item);
    }
    list.SetRedraw(true);
    list.Redraw();
    RECT client;
    GetClientRect(Handle(), &client);
    OnSize(client.right, client.bottom);
}

std::wstring CDirView::GetFocusedFolder() const
{
    const int line = FocusedLine();
    return line < 0 ? std::wstring() : ListViewRef(m_list).ItemText(line, 0);
}

ContextMenu CDirView::PrepareContextMenu() const
{
    ContextMenu menu(IDR_CONTEXT_MENUS, 0);
    const bool focused = FocusedLine() >= 0;
    const bool hasLines = ListView_GetItemCount(m_list) > 0;
    menu.SetItem(ID_EXPLORE_FOLDER, IDB_MENU_EXPLORE, focused);
    menu.SetItem(ID_OPEN_FOLDER, IDB_MENU_OPEN, focused);
    menu.SetItem(ID_REMOVE_FOLDERS, IDB_MENU_REMOVE, CanRemove());
    menu.SetItem(ID_REMOVE_ALL_FOLDERS, IDB_MENU_REMOVE_ALL, hasLines && !Document()->m_bBusy);
    menu.SetItem(ID_FOLDER_PROPERTIES, IDB_MENU_PROPERTIES, focused);
    return menu;
}

bool CDirView::OnCommand(UINT id)
{
    return RunCommand(*this, kCommands, id);
}

bool CDirView::OnUpdateCommand(CommandState& state)
{
    return UpdateCommand(*this, kCommands, state);
}

void CDirView::OnDraw(HDC dc)
{
    DrawViewCaption(Handle(), dc, IDB_CAPTION_FOLDERS);
}

void CDirView::OnSize(int cx, int cy)
{
    if (!m_list)
        return;
    MoveWindow(m_list, 0, kCaptionHeight, cx, std::max(cy - kCaptionHeight, 0), TRUE);
    RECT inside;
    GetClientRect(m_list, &inside);
    ListView_SetColumnWidth(m_list, 0, inside.right);
    const RECT strip{0, 0, cx, kCaptionHeight};
    InvalidateRect(Handle(), &strip, FALSE);
}

bool CDirView::OnNotify(NMHDR* header, LRESULT& result)
{
    if (header->hwndFrom != m_list)
        return false;
    switch (header->code) {
    case NM_DBLCLK:
        OnOpen();
        break;
    case NM_RCLICK:
        ShowContextMenu();
        break;
    default:
        return false;
    }
    result = 0;
    return true;
}

void CDirView::OnExplore()
{
    LaunchOnFocused(L"explore");
}

void CDirView::OnOpen()
{
    LaunchOnFocused(L"open");
}

void CDirView::OnProperties()
{
    const std::wstring folder = GetFocusedFolder();
    if (!folder.empty())
        ShowProperties(folder);
}

// From the bottom up, so the indices still to go keep their folders. The
// document refuses while a search reads the list; the lines then show what it kept.
void CDirView::OnRemove()
{
    std::vector<int> selected;
    for (int line = -1; (line = ListView_GetNextItem(m_list, line, LVNI_SELECTED)) >= 0;)
        selected.push_back(line);
    for (auto line = selected.rbegin(); line != selected.rend(); ++line)
        Document()->RemoveFolder(static_cast<size_t>(*line));
    RefreshFolderList();
}

void CDirView::OnUpdateFocused(CommandState& state)
{
    state.Enable(FocusedLine() >= 0);
}

void CDirView::OnUpdateRemove(CommandState& state)
{
    state.Enable(CanRemove());
}

void CDirView::ShowContextMenu()
{
    POINT cursor;
    GetCursorPos(&cursor);
    PrepareContextMenu().Track(Handle(), cursor);
}

void CDirView::LaunchOnFocused(const wchar_t* verb)
{
    const std::wstring folder = GetFocusedFolder();
    if (folder.empty())
        return;
    ShellLaunch launch;
    launch.verb = verb;
    launch.file = folder;
    LaunchShell(launch);
}

int CDirView::FocusedLine() const
{
    return m_list ? ListView_GetNextItem(m_list, -1, LVNI_FOCUSED) : -1;
}

// The search thread reads the folder list: it must not change under it.
bool CDirView::CanRemove() const
{
    return FocusedLine() >= 0 && !Document()->m_bBusy;
}

CDFDoc* CDirView::Document() const
{
    return static_cast<CDFDoc*>(GetDocument());
}

}  // namespace twinsweep
