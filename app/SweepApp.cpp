#include "app/SweepApp.h"

#include <objbase.h>
#include <shellapi.h>
#include <shlobj.h>

#include "app/AboutDlg.h"
#include "app/Settings.h"
#include "document/CDFDoc.h"
#include "frame/CMainFrame.h"
#include "framework/Seams.h"
#include "resources/resource.h"
#include "setup/InstallDialog.h"
#include "setup/Installer.h"
#include "setup/Shortcuts.h"
#include "setup/Uninstaller.h"
#include "win32/Handles.h"
#include "win32/Handoff.h"
#include "win32/ModuleFile.h"
#include "win32/Registry.h"

namespace twinsweep {

const CommandEntry<SweepApp> SweepApp::kCommands[] = {
    {ID_APP_ABOUT, &SweepApp::OnAppAbout},
};

SweepApp::SweepApp() = default;

SweepApp::~SweepApp() = default;

bool SweepApp::OnCommand(UINT id)
{
    return RunCommand(*this, kCommands, id);
}

bool SweepApp::OnUpdateCommand(CommandState& state)
{
    return UpdateCommand(*this, kCommands, state);
}

namespace {

// The arguments after the program's path.
std::vector<std::wstring> Arguments(const std::wstring& commandLine)
{
    std::vector<std::wstring> arguments;
    int count = 0;
    UniqueLocalMemory<LPWSTR*> args(CommandLineToArgvW(commandLine.c_str(), &count));
    if (!args)
        return arguments;
    for (int i = 1; i < count; ++i)
        arguments.emplace_back(args.get()[i]);
    return arguments;
}

}  // namespace

SweepApp::RunKind SweepApp::KindOfRun(const std::wstring& commandLine)
{
    RunKind kind = RunKind::Normal;
    for (const std::wstring& argument : Arguments(commandLine)) {
        if (argument.starts_with(L"/U"))
            return RunKind::Uninstall;
        if (argument.starts_with(L"/I"))
            kind = RunKind::Install;
    }
    return kind;
}

std::vector<std::wstring> SweepApp::CommandLineFolders(const std::wstring& commandLine)
{
    std::vector<std::wstring> folders;
    for (std::wstring& argument : Arguments(commandLine)) {
        if (!argument.empty() && argument[0] != L'/')
            folders.push_back(std::move(argument));
    }
    return folders;
}

bool SweepApp::InitInstance()
{
    m_comInitialized = SUCCEEDED(CoInitialize(nullptr));
    std::wstring commandLine = GetCommandLineW();
    switch (KindOfRun(commandLine)) {
    case RunKind::Uninstall:
        RunUninstall();
        return true;
    case RunKind::Install:
        if (!RunInstall())
            return true;
        break;
    case RunKind::Normal:
        break;
    }
    return StartNormalRun(commandLine);
}

// Never loads the settings and keeps the exit from writing them again.
void SweepApp::RunUninstall()
{
    if (!CheckNotRunning())
        return;
    if (ShowMessageBox(nullptr, IDS_CONFIRM_UNINSTALL, MB_YESNO | MB_ICONQUESTION) != IDYES)
        return;
    DeleteUninstallEntry();
    // With its subkeys: a hand-off waiting for a start that never comes would
    // otherwise keep the whole settings key.
    RegistryKey::DeleteTree(HKEY_CURRENT_USER, kSettingsKeyPath);
    RemoveShortcut(CSIDL_DESKTOP);
    RemoveShortcut(CSIDL_PROGRAMS);
    RegisterShellExtension(false);
    RemoveCompanionFiles();
    WriteSelfDeleteBatch();
    SuppressSettingsSave();
    ShowMessageBox(nullptr, IDS_UNINSTALLED, MB_OK);
}

// A run that ends here has not loaded the settings, and its exit leaves the
// stored ones alone.
bool SweepApp::RunInstall()
{
    InstallDialog dialog;
    if (dialog.DoModal(nullptr) != IDOK)
        return false;
    WriteUninstallEntry();
    if (dialog.m_bExplorer)
        RegisterShellExtension(true);
    if (dialog.m_bDesktop)
        CreateShortcut(CSIDL_DESKTOP);
    if (dialog.m_bStartMenu)
        CreateShortcut(CSIDL_PROGRAMS);
    return dialog.m_bRunNow;
}

bool SweepApp::StartNormalRun(const std::wstring& commandLine)
{
    JoinInstanceMutex();
    LoadSettings();
    m_document = std::make_unique<CDFDoc>();
    m_frame = std::make_unique<CMainFrame>();
    if (!m_frame->Create(*m_document)) {
        m_frame.reset();
        return false;
    }
    SetMainFrame(m_frame.get());
    HandoffFolders = TakeHandoffFolders();
    std::vector<std::wstring> named = CommandLineFolders(commandLine);
    HandoffFolders.insert(HandoffFolders.end(), named.begin(), named.end());
    ShowWindow(m_frame->Handle(), SW_SHOW);
    UpdateWindow(m_frame->Handle());
    return true;
}

// Only the mutex's existence matters: it tells set-up that an instance runs.
void SweepApp::JoinInstanceMutex()
{
    HANDLE mutex = OpenMutexW(SYNCHRONIZE, FALSE, kInstanceMutexName);
    if (!mutex)
        mutex = CreateMutexW(nullptr, TRUE, kInstanceMutexName);
    m_instanceMutex.reset(mutex);
}

int SweepApp::ExitInstance()
{
    SetMainFrame(nullptr);
    m_frame.reset();
    m_document.reset();
    if (m_comInitialized)
        CoUninitialize();
    m_comInitialized = false;
    SaveSettingsAtExit();
    m_instanceMutex.reset();
    return 0;
}

bool SweepApp::CheckNotRunning(HWND owner)
{
    UniqueHandle mutex(OpenMutexW(SYNCHRONIZE, FALSE, kInstanceMutexName));
    if (!mutex)
        return true;
    ShowMessageBox(owner, IDS_ALREADY_RUNNING);
    return false;
}

std::wstring SweepApp::GetAppFolder()
{
    return FolderOf(ModuleFileName(nullptr));
}

std::vector<std::wstring> SweepApp::TakeHandoffFolders()
{
    return handoff::Take();
}

void SweepApp::OnAppAbout()
{
    CAboutDlg about;
    about.DoModal(MainFrame() ? MainFrame()->Handle() : nullptr);
}

}  // namespace twinsweep
