#include "framework/Application.h"

#include <commctrl.h>

#include <algorithm>

#include "framework/FrameWindow.h"

namespace twinsweep {
namespace {

Application* g_application = nullptr;

// Messages after which the command states may have changed.
bool ResetsIdle(const MSG& msg)
{
    return msg.message != WM_PAINT && msg.message != 0x0118 /* WM_SYSTIMER, the caret */;
}

}  // namespace

// The newest application object is the current one; tests make one after another.
Application::Application() : m_previous(g_application)
{
    g_application = this;
}

Application::~Application()
{
    if (g_application == this)
        g_application = m_previous;
}

Application* Application::Instance()
{
    return g_application;
}

int Application::Run()
{
    INITCOMMONCONTROLSEX controls{sizeof controls,
                                  ICC_WIN95_CLASSES | ICC_BAR_CLASSES | ICC_TAB_CLASSES | ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);
    if (!InitInstance() || !m_mainFrame) {
        ExitInstance();
        return 0;
    }
    WPARAM quitCode = 0;
    LoopWhile([] { return true; }, quitCode);
    int exitCode = ExitInstance();
    return exitCode ? exitCode : static_cast<int>(quitCode);
}

bool Application::LoopWhile(const std::function<bool()>& keepGoing, WPARAM& quitCode)
{
    MSG msg{};
    bool idle = true;
    while (keepGoing()) {
        if (idle && !PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
            OnIdle();
            idle = false;
        }
        if (GetMessageW(&msg, nullptr, 0, 0) <= 0) {
            quitCode = msg.wParam;
            return false;
        }
        ProcessMessage(msg);
        idle = idle || ResetsIdle(msg);
    }
    return true;
}

void Application::AddModeless(HWND dialog)
{
    m_modeless.push_back(dialog);
}

void Application::RemoveModeless(HWND dialog)
{
    std::erase(m_modeless, dialog);
}

void Application::PumpMessages()
{
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message != WM_QUIT)
            ProcessMessage(msg);
    }
    OnIdle();
}

void Application::OnIdle()
{
    if (m_mainFrame && m_mainFrame->Handle())
        m_mainFrame->OnIdleUpdate();
}

void Application::ProcessMessage(MSG& msg)
{
    if (PreTranslateMessage(msg))
        return;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
}

bool Application::PreTranslateMessage(MSG& msg)
{
    for (HWND dialog : m_modeless) {
        if ((dialog == msg.hwnd || IsChild(dialog, msg.hwnd)) && IsDialogMessageW(dialog, &msg))
            return true;
    }
    return m_mainFrame && m_mainFrame->PreTranslateMessage(msg);
}

}  // namespace twinsweep
