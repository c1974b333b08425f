#include "views/FolderTab.h"

#include <commctrl.h>
#include <shellapi.h>

#include <algorithm>

#include "engine/SizeFormat.h"
#include "framework/Seams.h"
#include "platform/FileSystem.h"
#include "resources/resource.h"
#include "win32/Utf16.h"

namespace twinsweep {
namespace {

constexpr int kFolderTabIndex = 1;
constexpr int kFolderMenu = 3;  // the popup of the context menus

bool FolderIsGone(const std::wstring& path)
{
    if (GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES)
        return false;
    const DWORD error = GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

std::wstring Counted(uint64_t count, const wchar_t* one, const wchar_t* many)
{
    return std::to_wstring(count) + L" " + (count == 1 ? one : many);
}

}  // namespace

void FolderTab::Attach(HWND tabs, FileListBox& list)
{
    m_tabs = tabs;
    m_list = &list;
    m_list->ShowFolderIcons();
}

void FolderTab::SetGroups(std::vector<FolderGroup> groups)
{
    Reset();
    if (groups.empty())
        return;
    for (FolderGroup& group : groups)
        AddGroup(group);
    TCITEMW tab{};
    tab.mask = TCIF_TEXT;
    tab.pszText = const_cast<wchar_t*>(L"Equal folders");
    TabCtrl_InsertItem(m_tabs, kFolderTabIndex, &tab);
}

void FolderTab::Reset()
{
    if (!m_list)
        return;
    if (TabCtrl_GetItemCount(m_tabs) > kFolderTabIndex) {
        TabCtrl_SetCurSel(m_tabs, 0);
        TabCtrl_DeleteItem(m_tabs, kFolderTabIndex);
    }
    m_list->ResetEntries();
    m_folders.clear();
}

// A line shows the folder with its files and size; the entry keeps the path and
// the size, the tab the file count.
void FolderTab::AddGroup(FolderGroup& group)
{
    for (size_t i = 0; i < group.folders.size(); ++i) {
        DupFolderEntry& folder = group.folders[i];
        auto entry = std::make_unique<DupFileEntry>();
        entry->strPath = folder.strPath;
        entry->dwSize = folder.size;
        entry->bFirstInGroup = i == 0;
        entry->bLastInGroup = i + 1 == group.folders.size();
        const std::wstring path = Utf8ToWide(folder.strPath);
        m_folders[path] = {folder.files, std::move(folder.otherFiles)};
        m_list->AddEntry(path + L"   (" + Counted(folder.files, L"file", L"files") + L", " +
                             Utf8ToWide(FormatSize(folder.size)) + L")",
                         std::move(entry));
    }
}

bool FolderTab::Selected() const
{
    return TabCtrl_GetCurSel(m_tabs) == kFolderTabIndex;
}

bool FolderTab::HasMarks() const
{
    return m_list->Send(LB_GETSELCOUNT) > 0;
}

std::wstring FolderTab::FolderOf(int line) const
{
    const DupFileEntry* entry = m_list->Entry(line);
    return entry ? Utf8ToWide(entry->strPath) : std::wstring();
}

std::wstring FolderTab::CaretFolder() const
{
    return LineCount() ? FolderOf(m_list->CaretLine()) : std::wstring();
}

// The folders, their files, and what deleting all but the first folder of each
// group would free.
std::wstring FolderTab::Summary() const
{
    if (LineCount() == 0)
        return {};
    uint64_t files = 0, spareBytes = 0;
    for (int line = 0; line < LineCount(); ++line) {
        const DupFileEntry* entry = m_list->Entry(line);
        files += m_folders.at(FolderOf(line)).files;
        spareBytes += entry->bFirstInGroup ? 0 : entry->dwSize;
    }
    return Counted(static_cast<uint64_t>(LineCount()), L"equal folder", L"equal folders") + L", " +
           Counted(files, L"file", L"files") + L", " + Utf8ToWide(FormatSize(spareBytes)) + L" to free";
}

ContextMenu FolderTab::PrepareContextMenu(bool folderLines, bool marks) const
{
    ContextMenu menu(IDR_CONTEXT_MENUS, kFolderMenu);
    menu.SetItem(ID_EXPLORE_EQUAL_FOLDER, IDB_MENU_EXPLORE, folderLines);
    menu.SetItem(ID_OPEN_EQUAL_FOLDER, IDB_MENU_OPEN, folderLines);
    menu.SetItem(ID_DELETE_EQUAL_FOLDERS, IDB_MENU_DELETE, marks);
    menu.SetItem(ID_EQUAL_FOLDER_PROPERTIES, IDB_MENU_PROPERTIES, folderLines);
    return menu;
}

// The folder holds the files and bytes the search found in it, and every file of
// it that a group lists or the folder pass read is the file compared, unchanged:
// a rewrite that keeps a size shows in its times.
bool FolderTab::StillAsFound(int line, const FileIndex& files) const
{
    const DupFileEntry* entry = m_list->Entry(line);
    const FolderFacts& facts = m_folders.at(FolderOf(line));
    std::optional<FolderTotals> now = CountFolderTree(PlatformFileSystem(), entry->strPath);
    if (!now || *now != FolderTotals{facts.files, entry->dwSize})
        return false;
    for (const DupFileEntry& file : facts.otherFiles) {
        if (!IsAsFound(file, PlatformFileSystem()))
            return false;
    }
    std::wstring inside = FolderOf(line);
    if (inside.back() != L'\\')
        inside += L'\\';
    for (auto file = std::lower_bound(files.begin(), files.end(), FileIndex::value_type{inside, nullptr});
         file != files.end() && file->first.starts_with(inside); ++file) {
        if (!IsAsFound(*file->second, PlatformFileSystem()))
            return false;
    }
    return true;
}

std::vector<std::wstring> FolderTab::DeleteSelectedFolders(HWND owner, const FileListBox& files)
{
    FileIndex index;
    for (int k = 0; k < files.Count(); ++k) {
        if (const DupFileEntry* file = files.Entry(k))
            index.emplace_back(files.Text(k), file);
    }
    std::sort(index.begin(), index.end());
    std::wstring paths, changed;
    for (int line : m_list->SelectedLines()) {
        if (StillAsFound(line, index))
            paths += FolderOf(line) + L'\0';
        else
            changed += L"\n" + FolderOf(line);
    }
    if (!changed.empty())
        ShowMessageBox(owner, L"These folders have changed since the search and are left as they are:" + changed);
    if (paths.empty())
        return {};
    paths.push_back(L'\0');
    // The shell confirms, shows the progress and reports its own failures.
    SHFILEOPSTRUCTW operation{};
    operation.hwnd = owner;
    operation.wFunc = FO_DELETE;
    operation.pFrom = paths.c_str();
    operation.fFlags = FOF_ALLOWUNDO;
    operation.lpszProgressTitle = L"Deleting...";
    SHFileOperationW(&operation);

    // A deleted folder may hold folders of other groups.
    std::vector<std::wstring> gone;
    for (int line = LineCount() - 1; line >= 0; --line) {
        const std::wstring folder = FolderOf(line);
        if (!FolderIsGone(folder))
            continue;
        gone.push_back(folder + L'\\');
        m_folders.erase(folder);
        m_list->DeleteEntry(line);
    }
    return gone;
}

}  // namespace twinsweep
