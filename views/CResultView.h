// The pane with the duplicate groups: marks, removals, deletion to the recycle
// bin, the shell's views of a file, the counters behind the statistics.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "controls/ViewPainting.h"
#include "document/DocumentObserver.h"
#include "framework/FormView.h"
#include "views/FileListBox.h"
#include "views/FolderTab.h"

namespace twinsweep {

class CDFDoc;

class CResultView : public FormView, public DocumentObserver {
public:
    CResultView();
    ~CResultView() override;

    void OnInitialUpdate() override;
    // The list of the current tab.
    HWND FocusControl() const override;

    // Empties the list and zeroes every counter (also "Total files").
    void EmptyList();
    // Runs the Select files dialog and marks the lines its rules admit.
    void SelectFiles();
    void RemoveSelectedItems();
    // Sends the marked files to the recycle bin, then drops the lines whose files
    // are gone; lines of files the user kept stay marked.
    void DeleteSelectedFiles();
    void RecountGroups();
    void UpdateStatistics();
    // "%d files selected (%s)" in the main window's status bar.
    void UpdateSelectionStatus();
    // That text: the number of marked files and their byte total; empty when
    // nothing is marked.
    std::wstring SelectionSummary() const;
    // The caret line's file, and its folder with the trailing separator.
    std::wstring GetCaretPath() const;
    std::wstring GetCaretFolder() const;
    // The marked lines' paths, each ended by a NUL, with one more NUL at the end;
    // empty when nothing is marked.
    std::wstring BuildSelectedPathList() const;

    // Drops the lines of the files inside the folders (each ended by a separator).
    void RemoveLinesInFolders(const std::vector<std::wstring>& folders);
    void DeleteSelectedFolders();

    FileListBox& Files() { return m_files; }
    FolderTab& Folders() { return m_folderTab; }
    int LineCount() const { return m_files.Count(); }
    // The context menu with its items set for the list as it is now.
    ContextMenu PrepareContextMenu();

    bool OnCommand(UINT id) override;
    bool OnUpdateCommand(CommandState& state) override;
    void OnSearchStarting() override { EmptyList(); }
    void OnSearchEnded() override { UpdateStatistics(); }

    int32_t m_nTotalFiles = 0;
    int32_t m_nGroups = 0;
    uint64_t m_nTotalSize = 0;
    uint64_t m_nNeedlessSize = 0;

protected:
    void OnDraw(HDC dc) override;
    void OnSize(int cx, int cy) override;
    bool OnControlCommand(UINT id, UINT code, HWND control) override;
    bool OnNotify(NMHDR* header, LRESULT& result) override;
    INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void OnAddGroup(WPARAM group, LPARAM byteTotal);
    void ScheduleStatistics();
    void OnStatisticsTimer();
    void OnFileCount(WPARAM count);
    void OnOpenItem();
    // Delete and Ctrl+A in a list; the list's own keys go on as before.
    INT_PTR OnListKey(UINT key, HWND list);
    void MarkAllLines();
    void OnContextMenu(int x, int y);
    void OnExploreFolder();
    void OnOpenFolder();
    void OnProperties();
    void OnFolderGroups(WPARAM groups);
    bool OnFolderListCommand(UINT code);
    void OnOpenEqualFolder();
    void OnExploreEqualFolder();
    void OnEqualFolderProperties();
    void OnUpdateHasFolderLines(CommandState& state);
    void OnUpdateHasFolderMarks(CommandState& state);
    void OnUpdateHasLines(CommandState& state);
    void OnUpdateHasSelection(CommandState& state);
    void OnSelectFiles();
    void OnUpdateSelectFiles(CommandState& state);
    void LaunchOnCaretFolder(const wchar_t* verb);
    bool HasSelection() const;
    // Enabled for the view's own commands, and for those the document carries out.
    bool CommandEnabled(UINT id);
    void ShowCurrentTab();
    CDFDoc* Document() const;

    static const CommandEntry<CResultView> kCommands[];
    FileListBox m_files;
    FileListBox m_secondFiles;
    FolderTab m_folderTab;
    HWND m_tabs = nullptr;
    bool m_statisticsDue = false;
};

}  // namespace twinsweep
