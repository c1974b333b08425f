#include "tests/gui/GuiTest.h"

#include <commctrl.h>

namespace twinsweep::test {
namespace {

class GuiTestApplication : public Application {
protected:
    bool InitInstance() override { return true; }
};

LRESULT CALLBACK HostProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_SIZE) {
        if (HWND child = GetWindow(hwnd, GW_CHILD))
            MoveWindow(child, 0, 0, LOWORD(lParam), HIWORD(lParam), TRUE);
        return 0;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

const wchar_t* HostClass()
{
    static ATOM atom = 0;
    if (!atom) {
        WNDCLASSW wc{};
        wc.lpfnWndProc = HostProc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        wc.lpszClassName = L"TwinsweepTestHost";
        atom = RegisterClassW(&wc);
    }
    return L"TwinsweepTestHost";
}

// Made before any test runs: applications that tests make later stack on it.
GuiTestApplication g_testApplication;
const bool g_controls = [] {
    INITCOMMONCONTROLSEX init{sizeof init, ICC_WIN95_CLASSES | ICC_BAR_CLASSES | ICC_TAB_CLASSES |
                                                ICC_PROGRESS_CLASS};
    return InitCommonControlsEx(&init) != FALSE;
}();

}  // namespace

Application& TestApplication()
{
    return g_testApplication;
}

void Pump()
{
    Application::Instance()->PumpMessages();
}

bool PumpUntil(const std::function<bool()>& done, int milliseconds)
{
    DWORD end = GetTickCount() + static_cast<DWORD>(milliseconds);
    for (;;) {
        Pump();
        if (done())
            return true;
        if (static_cast<LONG>(GetTickCount() - end) >= 0)
            return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
}

MessageBoxRecorder::MessageBoxRecorder()
{
    SetMessageBoxHandler([this](HWND owner, const std::wstring& text, UINT type) {
        std::lock_guard lock(m_mutex);
        m_boxes.push_back({owner, text, type});
        if (answers.empty())
            return IDOK;
        int answer = answers.front();
        answers.erase(answers.begin());
        return answer;
    });
}

MessageBoxRecorder::~MessageBoxRecorder()
{
    SetMessageBoxHandler(nullptr);
}

std::vector<RecordedMessageBox> MessageBoxRecorder::Boxes() const
{
    std::lock_guard lock(m_mutex);
    return m_boxes;
}

std::vector<std::wstring> MessageBoxRecorder::Texts() const
{
    std::vector<std::wstring> texts;
    for (const RecordedMessageBox& box : Boxes())
        texts.push_back(box.text);
    return texts;
}

ShellLaunchRecorder::ShellLaunchRecorder()
{
    SetShellLaunchHandler([this](const ShellLaunch& launch) {
        launches.push_back(launch);
        return true;
    });
}

ShellLaunchRecorder::~ShellLaunchRecorder()
{
    SetShellLaunchHandler(nullptr);
}

ViewHost::ViewHost(FormView& view, Document& document, int width, int height) : m_view(view)
{
    TestApplication();
    m_host = CreateWindowExW(0, HostClass(), L"Test host", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 0, 0, width,
                             height, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    EXPECT_TRUE(m_view.Create(m_host, 0xE900, document));
    m_view.OnInitialUpdate();
    RECT client;
    GetClientRect(m_host, &client);
    MoveWindow(m_view.Handle(), 0, 0, client.right, client.bottom, TRUE);
    ShowWindow(m_view.Handle(), SW_SHOW);
    ShowWindow(m_host, SW_SHOWNOACTIVATE);
    Pump();
}

ViewHost::~ViewHost()
{
    DestroyWindow(m_host);
}

void ViewHost::Resize(int width, int height)
{
    SetWindowPos(m_host, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    Pump();
}

}  // namespace twinsweep::test
