// What the document tells the panes that show it and asks of the window that
// owns them. The document knows no window: panes register as observers, and the
// main window lends itself as the search host.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>

namespace twinsweep {

struct SearchJob;

// The five figures of the result list as it is now.
struct ResultStatistics {
    int32_t totalFiles = 0;
    int32_t copies = 0;
    int32_t groups = 0;
    uint64_t totalSpace = 0;
    uint64_t needless = 0;
};

class DocumentObserver {
public:
    virtual void OnFoldersChanged() {}
    // What an earlier search found goes.
    virtual void OnSearchStarting() {}
    // The search thread has ended and is joined.
    virtual void OnSearchEnded() {}
    virtual void OnStatisticsChanged(const ResultStatistics&) {}

protected:
    ~DocumentObserver() = default;
};

class SearchHost {
public:
    // The mask text the search is to use.
    virtual std::wstring GetFilterMask() = 0;
    // Opens the progress window of the job, which the search thread reports to;
    // null when none could be opened.
    virtual HWND OpenProgressWindow(std::shared_ptr<SearchJob> job) = 0;
    // The window that takes the found groups.
    virtual HWND ResultWindow() const = 0;
    // The window told of the search's end, and the owner of the document's boxes.
    virtual HWND MainWindow() const = 0;

protected:
    ~SearchHost() = default;
};

}  // namespace twinsweep
