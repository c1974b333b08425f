// The application object: the three kinds of run, the instance mutex, the folders
// handed over by the Explorer extension, and the exit.
#pragma once

#include <windows.h>

#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "framework/Application.h"
#include "win32/Handles.h"

namespace twinsweep {

class CDFDoc;
class CMainFrame;

class SweepApp : public Application {
public:
    SweepApp();
    ~SweepApp() override;

    // True when no instance of the program runs; otherwise says so in a box owned
    // by owner and is false.
    static bool CheckNotRunning(HWND owner = nullptr);
    // The folder of the running program file, with its trailing backslash.
    static std::wstring GetAppFolder();
    // Reads the hand-off key's folders in value order and deletes the key.
    static std::vector<std::wstring> TakeHandoffFolders();
    // Which run a command line asks for: an argument starting with "/U" asks for the
    // uninstall run, one starting with "/I" (also "/Install") for the install run,
    // and "/U" wins. The program's own path is no argument: started from
    // C:/Users/..., it is an ordinary run.
    enum class RunKind { Normal, Install, Uninstall };
    static RunKind KindOfRun(const std::wstring& commandLine);
    // Started by a run that asked for administrator rights.
    static bool StartedElevated(const std::wstring& commandLine);
    // The folders named on a command line, switches and program path left out.
    static std::vector<std::wstring> CommandLineFolders(const std::wstring& commandLine);

    CDFDoc* Document() const { return m_document.get(); }
    CMainFrame* Frame() const { return m_frame.get(); }

    static constexpr wchar_t kInstanceMutexName[] =
        L"Mirelon Twinsweep instance control mutex3F7C2E19-6B4A-4d21-9E85-1C0D7B3A6F42";

    // A normal run from the mutex on: settings, document, main window, and the
    // folders it starts with: those of the hand-off key, in value order, then the
    // folders named on the command line.
    // Public so that tests can start the window program in-process.
    bool StartNormalRun(const std::wstring& commandLine);

protected:
    bool InitInstance() override;
    int ExitInstance() override;
    bool OnCommand(UINT id) override;
    bool OnUpdateCommand(CommandState& state) override;

private:
    void OnAppAbout();
    void JoinInstanceMutex();
    static void RunUninstall();
    // False when the run ends here (cancelled, or not to go on into a normal run).
    static bool RunInstall();

    static const CommandEntry<SweepApp> kCommands[];
    // For the shell's dialogs and shortcuts, from the start to the exit.
    std::optional<ComInitialization> m_com;
    UniqueHandle m_instanceMutex;
    std::unique_ptr<CDFDoc> m_document;
    std::unique_ptr<CMainFrame> m_frame;
    std::jthread m_shellIcons;  // builds the shell's icon list while the window is made
};

}  // namespace twinsweep
