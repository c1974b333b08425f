// The application object: start, message loop with idle-time command updates, end.
#pragma once

#include <windows.h>

#include <functional>
#include <vector>

#include "framework/Commands.h"

namespace twinsweep {

class FrameWindow;

class Application : public CommandTarget {
public:
    Application();
    ~Application() override;
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;

    static Application* Instance();

    // InitInstance, then the message loop while a main window exists, then
    // ExitInstance. Returns the exit code.
    int Run();

    FrameWindow* MainFrame() const { return m_mainFrame; }
    void SetMainFrame(FrameWindow* frame) { m_mainFrame = frame; }

    // Modeless dialogs get their keyboard navigation in the message loop.
    void AddModeless(HWND dialog);
    void RemoveModeless(HWND dialog);

    // The loop of Run: waits for messages and handles them, with the idle-time
    // updates whenever the queue runs dry, as long as keepGoing says so when
    // asked before each message. False when a quit message ended it, whose code
    // it gives.
    bool LoopWhile(const std::function<bool()>& keepGoing, WPARAM& quitCode);

    // Handles every message waiting in the queue, then runs the idle-time
    // updates, as the loop does when it runs dry. For tests, which run no loop: a
    // quit message is dropped.
    void PumpMessages();
    // Brings menu items and toolbar buttons up to date with their commands.
    void OnIdle();

protected:
    // False ends the program at once.
    virtual bool InitInstance() = 0;
    virtual int ExitInstance() { return 0; }

private:
    void ProcessMessage(MSG& msg);
    bool PreTranslateMessage(MSG& msg);

    Application* m_previous = nullptr;
    FrameWindow* m_mainFrame = nullptr;
    std::vector<HWND> m_modeless;
};

}  // namespace twinsweep
