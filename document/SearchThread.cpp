#include "document/SearchThread.h"

#include <process.h>

#include <chrono>

#include "document/CDFDoc.h"
#include "document/DocumentObserver.h"
#include "document/SearchMessages.h"
#include "document/Settings.h"
#include "engine/ProgressThrottle.h"
#include "engine/SearchReporter.h"
#include "engine/SearchRun.h"
#include "platform/FileSystem.h"
#include "win32/Utf16.h"

namespace twinsweep {
namespace {

// The search's reports as window messages, sent so that the search thread waits
// until the window has handled each one.
class WindowReporter : public SearchReporter {
public:
    WindowReporter(HWND progress, HWND resultView) : m_progress(progress), m_resultView(resultView) {}

    // Progress bars take 32-bit ranges: larger ones are scaled down, and their
    // positions with them.
    bool SetProgressRange(ProgressBar bar, uint64_t upper) override
    {
        int& shift = m_shift[static_cast<int>(bar)];
        for (shift = 0; (upper >> shift) > 0x7FFFFFFF; ++shift) {
        }
        return Send(WM_PROGRESS_SETRANGE, static_cast<WPARAM>(upper >> shift), static_cast<LPARAM>(bar));
    }

    bool SetProgressPos(ProgressBar bar, uint64_t pos) override
    {
        if (!m_positionShown[static_cast<int>(bar)].Due())
            return true;
        int shift = m_shift[static_cast<int>(bar)];
        return Send(WM_PROGRESS_SETPOS, static_cast<WPARAM>(pos >> shift), static_cast<LPARAM>(bar));
    }

    bool SetProgressText(const std::string& text) override
    {
        if (!m_textShown.Due())
            return true;
        std::wstring wide = Utf8ToWide(text);
        return Send(WM_PROGRESS_SETTEXT, reinterpret_cast<WPARAM>(wide.c_str()), 0);
    }

    // Sent, not posted: a hide must not overtake the show of the next large file.
    void HideFileBar() override { Send(WM_PROGRESS_DONE, 0, 1); }

    void SetCaption(const std::string& caption) override
    {
        std::wstring wide = Utf8ToWide(caption);
        Send(WM_PROGRESS_SETCAPTION, reinterpret_cast<WPARAM>(wide.c_str()), 0);
    }

    void ReportFileCount(size_t count) override
    {
        if (m_resultView)
            SendMessageW(m_resultView, WM_RESULT_FILECOUNT, count, 0);
    }

    void ReportGroup(std::unique_ptr<DupGroup> group) override
    {
        if (m_resultView) {
            SendMessageW(m_resultView, WM_RESULT_ADDGROUP, reinterpret_cast<WPARAM>(group.get()),
                         static_cast<LPARAM>(group->ByteTotal()));
        }
    }

    void ReportFolderGroups(std::vector<FolderGroup> groups) override
    {
        if (m_resultView)
            SendMessageW(m_resultView, WM_RESULT_FOLDERGROUPS, reinterpret_cast<WPARAM>(&groups), 0);
    }

private:
    // A window that is gone answers 0, which stops the search too.
    bool Send(UINT message, WPARAM wParam, LPARAM lParam)
    {
        return SendMessageW(m_progress, message, wParam, lParam) != 0;
    }

    HWND m_progress;
    HWND m_resultView;
    int m_shift[2] = {0, 0};
    // Positions and paths come faster than anyone reads them, and each one costs
    // the window a repaint and, under Wine, a dozen round trips to the server the
    // search's reads wait on: a few a second are shown, the others passed over.
    static constexpr std::chrono::milliseconds kShownEvery{100};
    ProgressThrottle m_positionShown[2]{ProgressThrottle{kShownEvery}, ProgressThrottle{kShownEvery}};
    ProgressThrottle m_textShown{kShownEvery};
};

}  // namespace

struct SearchRun::Context {
    CDFDoc* document = nullptr;
    HWND progress = nullptr;
    HWND resultView = nullptr;
    HWND mainWindow = nullptr;
    // Shared with the progress window, whose Stop sets the job's stop flag.
    std::shared_ptr<SearchJob> job = std::make_shared<SearchJob>();
};

SearchRun::SearchRun() = default;

SearchRun::~SearchRun()
{
    StopAndWait();
}

void SearchRun::Start(CDFDoc& document, SearchHost& host)
{
    Join();
    auto context = std::make_unique<Context>();
    context->document = &document;
    context->mainWindow = host.MainWindow();
    context->job->folders = document.m_folders.Folders();
    context->job->maskText = WideToUtf8(host.GetFilterMask());
    context->job->options = ReadSearchOptions();
    context->job->findEqualFolders = true;
    context->progress = host.OpenProgressWindow(context->job);
    if (!context->progress)
        return;
    context->resultView = host.ResultWindow();

    document.m_bBusy = true;
    m_thread.reset(reinterpret_cast<HANDLE>(
        _beginthreadex(nullptr, 0, SearchThreadProc, context.get(), 0, nullptr)));
    if (!m_thread) {
        document.m_bBusy = false;
        DestroyWindow(context->progress);
        return;
    }
    m_context = std::move(context);
}

unsigned __stdcall SearchRun::SearchThreadProc(void* parameter)
{
    Context& context = *static_cast<Context*>(parameter);
    // One step under the user-interface thread, which stays responsive while the
    // search reads the disks.
    SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_BELOW_NORMAL);
    WindowReporter reporter(context.progress, context.resultView);
    bool found = false;
    try {
        found = RunSearch(*context.job, PlatformFileSystem(), reporter);
    } catch (...) {
        // Out of memory ends the search as a stop would.
        context.job->stop = true;
    }
    // The box belongs to the window's thread: from this thread it would come up
    // inactive behind the main window.
    if (!found && !context.job->stop && context.mainWindow)
        SendMessageW(context.mainWindow, WM_SEARCH_FOUND_NOTHING, 0, 0);
    PostMessageW(context.progress, WM_PROGRESS_DONE, 0, 0);
    context.document->m_bBusy = false;
    // Wakes the user-interface thread, whose command states then follow at once.
    if (context.mainWindow)
        PostMessageW(context.mainWindow, WM_SEARCH_ENDED, 0, 0);
    return 0;
}

void SearchRun::StopAndWait()
{
    if (!m_thread)
        return;
    m_context->job->stop = true;
    // The thread may be waiting for a message sent to this thread's windows.
    HANDLE thread = m_thread.get();
    while (MsgWaitForMultipleObjects(1, &thread, FALSE, INFINITE, QS_SENDMESSAGE) != WAIT_OBJECT_0) {
        MSG msg;
        PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
    Join();
}

void SearchRun::Join()
{
    if (!m_thread)
        return;
    WaitForSingleObject(m_thread.get(), INFINITE);
    m_thread.reset();
    m_context.reset();
}

}  // namespace twinsweep
