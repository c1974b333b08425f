// The one document: the folder list, the views that show it and the search run.
#pragma once

#include <windows.h>

#include <atomic>
#include <string>
#include <vector>

#include "document/SearchThread.h"
#include "engine/FolderList.h"
#include "framework/Document.h"

namespace twinsweep {

class CDirView;
class CResultView;
class CStatView;
class CProgressDlg;

class CDFDoc : public Document {
public:
    CDFDoc();
    // A search still running is stopped and waited for.
    ~CDFDoc() override;

    // Adds folders under the folder-list rules and refreshes the directory view,
    // then shows what the rules had to say: a large batch in one box. While a
    // search runs the folders wait and are added when it has ended, so the list
    // never changes under a search.
    void AddFolders(const std::vector<std::wstring>& paths);
    // Removes one folder (the directory view's "Remove"); not during a search.
    void RemoveFolder(size_t index);
    // On the user-interface thread once a search has ended: the folders that came
    // meanwhile are added now.
    void OnSearchEnded();
    // Stops a running search and waits until its thread is gone (the main window
    // is closing).
    void StopSearchAndWait();

    bool OnCommand(UINT id) override;
    bool OnUpdateCommand(CommandState& state) override;

    FolderList m_folders;
    CDirView* m_pDirView = nullptr;
    CResultView* m_pResultView = nullptr;
    CStatView* m_pStatView = nullptr;
    CProgressDlg* m_pProgressDlg = nullptr;
    // True from the moment Go is accepted until the search has ended.
    std::atomic<bool> m_bBusy{false};

private:
    void OnGo();
    void OnAddFolder();
    void OnRemoveAllFolders();
    void OnOtherProjects();
    void OnSelectFiles();
    void OnUpdateSelectFiles(CommandState& state);
    void OnUpdateGo(CommandState& state);
    void OnUpdateNotBusy(CommandState& state);
    void RefreshFolderView();

    static const CommandEntry<CDFDoc> kCommands[];
    std::vector<std::wstring> m_waitingFolders;
    SearchRun m_search;
};

// The maker's web page, shown by "Our other projects" and the toolbar's link area.
extern const wchar_t kMakerWebPage[];

}  // namespace twinsweep
