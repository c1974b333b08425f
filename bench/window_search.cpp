// Searches one folder from the window program, in-process, as a user pressing Go
// would, and prints how long the search took. With --probe, another thread asks
// the window for nothing every few milliseconds meanwhile and the longest time it
// was kept waiting is printed too: under Wine each probe is several round trips to
// the server that the search's own requests queue behind, so the search is timed
// in runs without it.
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <optional>
#include <string>
#include <thread>

#include "app/SweepApp.h"
#include "document/CDFDoc.h"
#include "frame/CMainFrame.h"
#include "framework/Seams.h"
#include "resources/resource.h"
#include "views/CResultView.h"

namespace {

using Clock = std::chrono::steady_clock;

class BenchApp : public twinsweep::SweepApp {
public:
    using SweepApp::ExitInstance;
};

// Asks the window for nothing every few milliseconds and keeps the longest wait.
class LatencyProbe {
public:
    explicit LatencyProbe(HWND window) : m_thread([this, window] { Run(window); }) {}
    // The probe may be waiting for the window: messages are handled until it ends.
    void Stop(twinsweep::Application& app)
    {
        m_done = true;
        while (!m_finished) {
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
            app.PumpMessages();
        }
        m_thread.join();
    }
    double LongestMilliseconds() const { return m_longest.load() / 1000.0; }
    long Probes() const { return m_probes.load(); }

private:
    void Run(HWND window)
    {
        while (!m_done) {
            auto start = Clock::now();
            SendMessageW(window, WM_NULL, 0, 0);
            auto waited = std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - start).count();
            m_longest = std::max<long long>(m_longest.load(), waited);
            ++m_probes;
            Sleep(5);
        }
        m_finished = true;
    }

    std::atomic<bool> m_done{false};
    std::atomic<bool> m_finished{false};
    std::atomic<long long> m_longest{0};
    std::atomic<long> m_probes{0};
    std::thread m_thread;
};

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    const bool probed = argc == 3 && std::wstring(argv[1]) == L"--probe";
    if (argc != 2 && !probed) {
        std::fprintf(stderr, "usage: window_search [--probe] FOLDER\n");
        return 2;
    }
    twinsweep::SetMessageBoxHandler([](HWND, const std::wstring&, UINT) { return IDOK; });
    BenchApp app;
    if (!app.StartNormalRun(L"Twinsweep.exe")) {
        std::fprintf(stderr, "window_search: the main window could not be made (error %lu)\n", GetLastError());
        return 1;
    }
    twinsweep::CMainFrame& frame = *app.Frame();
    twinsweep::CDFDoc& document = *app.Document();
    document.AddFolders({argv[argc - 1]});
    app.PumpMessages();

    std::optional<LatencyProbe> probe;
    if (probed)
        probe.emplace(frame.Handle());
    auto start = Clock::now();
    frame.RouteCommand(ID_GO);
    // The program's own message loop: a loop of the bench's making asked the
    // Wine server several times more per message, and the search shares it.
    WPARAM quitCode = 0;
    const bool quit = !app.LoopWhile([&] { return document.m_bBusy || document.SearchRunning(); }, quitCode);
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    if (probe)
        probe->Stop(app);
    if (quit) {
        std::fprintf(stderr, "window_search: a quit message ended the search's message loop\n");
        return 1;
    }
    std::printf("seconds %.3f\nlines %d\ngroups %d\n", seconds, frame.ResultView().LineCount(),
                frame.ResultView().m_nGroups);
    if (probe)
        std::printf("longest-ui-wait-ms %.1f\nprobes %ld\n", probe->LongestMilliseconds(), probe->Probes());
    SendMessageW(frame.Handle(), WM_CLOSE, 0, 0);
    app.PumpMessages();
    app.ExitInstance();
    return 0;
}
