// The one document: the folder list and the search run. It tells the panes that
// show it through DocumentObserver and asks the main window through SearchHost.
#pragma once

#include <windows.h>

#include <atomic>
#include <string>
#include <vector>

#include "document/DocumentObserver.h"
#include "document/SearchThread.h"
#include "engine/FolderList.h"
#include "framework/Document.h"

namespace twinsweep {

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

    // True until a search that was started has ended and been joined.
    bool SearchRunning() const { return m_search.Running(); }
    // The result list's figures changed: the observers hear of them.
    void ReportStatistics(const ResultStatistics& statistics);

    // Observers stay registered until they remove themselves.
    void AddObserver(DocumentObserver& observer);
    void RemoveObserver(DocumentObserver& observer);
    // Without a host no search starts; the host stays until it sets null.
    void SetSearchHost(SearchHost* host) { m_host = host; }

    bool OnCommand(UINT id) override;
    bool OnUpdateCommand(CommandState& state) override;

    FolderList m_folders;
    // True from the moment Go is accepted until the search has ended.
    std::atomic<bool> m_bBusy{false};

private:
    void OnGo();
    void OnAddFolder();
    void OnRemoveAllFolders();
    void OnOtherProjects();
    void OnUpdateGo(CommandState& state);
    void OnUpdateNotBusy(CommandState& state);
    void NotifyFoldersChanged();
    HWND MainWindow() const;

    static const CommandEntry<CDFDoc> kCommands[];
    std::vector<std::wstring> m_waitingFolders;
    std::vector<DocumentObserver*> m_observers;
    SearchHost* m_host = nullptr;
    SearchRun m_search;
};

// The maker's web page, shown by "Our other projects" and the toolbar's link area.
extern const wchar_t kMakerWebPage[];

}  // namespace twinsweep
