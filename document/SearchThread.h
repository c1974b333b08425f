// Go: one search on a thread of its own, reporting to the progress window and the
// result view by window messages.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "engine/SearchJob.h"
#include "win32/Handles.h"

namespace twinsweep {

class CDFDoc;

class SearchRun {
public:
    SearchRun();
    ~SearchRun();
    SearchRun(const SearchRun&) = delete;
    SearchRun& operator=(const SearchRun&) = delete;

    // Empties the result view, opens the progress window and starts the search
    // of the document's folders with the mask text. The document is busy from
    // here until the thread has ended.
    void Start(CDFDoc& document, const std::wstring& maskText);
    // Stops a running search and waits for its thread; the messages the thread
    // sends meanwhile are handled, so it can finish.
    void StopAndWait();
    // Releases an ended search.
    void Join();

private:
    struct Context;
    static unsigned __stdcall SearchThreadProc(void* context);

    std::unique_ptr<Context> m_context;
    UniqueHandle m_thread;
};

}  // namespace twinsweep
