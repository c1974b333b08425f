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
    MSG msg{};
    bool idle = true;
    for (;;) {
        if (idle && !PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
            OnIdle();
            idle = false;
        }
        BOOL got = GetMessageW(&msg, nullptr, 0, 0);
        if (got <= 0)
            break;
        ProcessMessage(msg);
        idle = idle || ResetsIdle(msg);
    }
    int exitCode = ExitInstance();
    return exitCode ? exitCode : static_cast<int>(msg.wParam);
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
