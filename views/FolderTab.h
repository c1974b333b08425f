// The second tab of the result view, "Equal folders": one line per folder of
// each group of equal folders, with its file count and size, the largest groups
// first, in the second file list.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "controls/ViewPainting.h"
#include "engine/EqualFolders.h"
#include "views/FileListBox.h"

namespace twinsweep {

class FolderTab {
public:
    void Attach(HWND tabs, FileListBox& list);

    // A search's groups; the tab appears when there is one at least.
    void SetGroups(std::vector<FolderGroup> groups);
    // No tab and no lines, as before a search.
    void Reset();

    bool Selected() const;
    int LineCount() const { return m_list ? m_list->Count() : 0; }
    bool HasMarks() const;
    // The caret line's folder; empty without lines.
    std::wstring CaretFolder() const;
    // "3 equal folders, 12 files, 16 KB to free": what all but the first folder
    // of each group hold.
    std::wstring Summary() const;

    ContextMenu PrepareContextMenu(bool folderLines, bool marks) const;

    // Sends the marked folders that are as the search saw them to the recycle bin
    // and drops the lines of every folder gone; says which folders changed and
    // stay. A folder is as the search saw it when it holds as many files and bytes
    // and each of its files listed in `files` is still the file compared. Returns
    // the folders gone, each ended by a separator.
    std::vector<std::wstring> DeleteSelectedFolders(HWND owner, const FileListBox& files);

private:
    // The first tab's files by their paths, in order, to find a folder's at once.
    using FileIndex = std::vector<std::pair<std::wstring, const DupFileEntry*>>;

    void AddGroup(FolderGroup& group);
    std::wstring FolderOf(int line) const;
    bool StillAsFound(int line, const FileIndex& files) const;

    struct FolderFacts {
        uint64_t files = 0;
        std::vector<DupFileEntry> otherFiles;  // read by the folder pass, no group lists them
    };

    HWND m_tabs = nullptr;
    FileListBox* m_list = nullptr;
    std::unordered_map<std::wstring, FolderFacts> m_folders;  // by path
};

}  // namespace twinsweep
