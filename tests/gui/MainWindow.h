// The window program started in-process, as a normal run does, on a clean
// settings key; closed and ended again after each test.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "app/SweepApp.h"
#include "document/CDFDoc.h"
#include "frame/CMainFrame.h"
#include "framework/Controls.h"
#include "tests/gui/GuiTest.h"
#include "tests/support/Win32Support.h"
#include "tests/support/TempTree.h"

namespace twinsweep::test {

class TestSweepApp : public SweepApp {
public:
    using SweepApp::ExitInstance;
};

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override { DeleteSettingsKey(); }

    void TearDown() override
    {
        Close();
        DeleteSettingsKey();
    }

    void Start(const std::wstring& commandLine = L"Twinsweep.exe")
    {
        ASSERT_TRUE(app.StartNormalRun(commandLine));
        Pump();
    }

    // As the user closes the window, then as the program ends.
    void Close()
    {
        if (!started())
            return;
        if (IsWindow(Frame().Handle()))
            SendMessageW(Frame().Handle(), WM_CLOSE, 0, 0);
        Pump();
        app.ExitInstance();
    }

    bool started() const { return app.Frame() != nullptr; }
    CMainFrame& Frame() { return *app.Frame(); }
    CDFDoc& Doc() { return *app.Document(); }

    std::vector<std::wstring> ListedFolders()
    {
        std::vector<std::wstring> folders;
        for (const std::string& folder : Doc().m_folders.Folders())
            folders.push_back(Utf8ToWide(folder));
        return folders;
    }

    TestSweepApp app;
    MessageBoxRecorder boxes;
    ShellLaunchRecorder launches;
    TempTree tree;
};

inline std::wstring WindowText(HWND window)
{
    return WindowRef(window).Text();
}

}  // namespace twinsweep::test
