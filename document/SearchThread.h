// Go: one search on a thread of its own, reporting to the progress window and the
// result view by the window messages of document/SearchMessages.h.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "engine/SearchJob.h"
#include "win32/Handles.h"

namespace twinsweep {

class CDFDoc;
class SearchHost;

class SearchRun {
public:
    SearchRun();
    ~SearchRun();
    SearchRun(const SearchRun&) = delete;
    SearchRun& operator=(const SearchRun&) = delete;

    // Has the host open the progress window and starts the search of the
    // document's folders with the host's mask. The document is busy from here
    // until the thread has ended.
    void Start(CDFDoc& document, SearchHost& host);
    // Stops a running search and waits for its thread; the messages the thread
    // sends meanwhile are handled, so it can finish.
    void StopAndWait();
    // Releases an ended search.
    void Join();
    // From the start until the search is joined.
    bool Running() const { return static_cast<bool>(m_thread); }

private:
    struct Context;
    static unsigned __stdcall SearchThreadProc(void* context);

    std::unique_ptr<Context> m_context;
    UniqueHandle m_thread;
};

}  // namespace twinsweep
