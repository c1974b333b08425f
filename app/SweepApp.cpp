#include "app/SweepApp.h"

#include <shellapi.h>
#include <shlobj.h>

#include <algorithm>

#include "app/AboutDlg.h"
#include "document/CDFDoc.h"
#include "document/Settings.h"
#include "frame/CMainFrame.h"
#include "framework/Seams.h"
#include "resources/resource.h"
#include "setup/Elevation.h"
#include "setup/InstallDialog.h"
#include "setup/Installer.h"
#include "setup/SetupReport.h"
#include "setup/Shortcuts.h"
#include "setup/Uninstaller.h"
#include "views/FileListBox.h"
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

bool SweepApp::StartedElevated(const std::wstring& commandLine)
{
    const std::vector<std::wstring> arguments = Arguments(commandLine);
    return std::find(arguments.begin(), arguments.end(), kElevatedSwitch) != arguments.end();
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
    m_com.emplace();
    const std::wstring commandLine = GetCommandLineW();
    const bool startedElevated = StartedElevated(commandLine);
    switch (KindOfRun(commandLine)) {
    case RunKind::Uninstall:
        if (!RestartElevatedIfNeeded(startedElevated, L"/U"))
            RunUninstall();
        return true;
    case RunKind::Install:
        if (RestartElevatedIfNeeded(startedElevated, L"/I") || !RunInstall())
            return true;
        break;
    case RunKind::Normal:
        break;
    }
    return StartNormalRun(commandLine);
}

namespace {

// The Explorer extension's registration or its removal, as a step of a report.
void CheckShellExtension(SetupReport& report, bool registerIt)
{
    const HRESULT result = RegisterShellExtension(registerIt);
    report.Check(result, result == kShellExtensionMissing ? IDS_STEP_EXPLORER_MISSING : IDS_STEP_EXPLORER);
}

// The settings, and the maker's key when nothing else of the maker's is in it.
HRESULT RemoveSettings()
{
    const bool removed = RegistryKey::DeleteTree(HKEY_CURRENT_USER, kSettingsKeyPath);
    RegistryKey::DeleteIfEmpty(HKEY_CURRENT_USER, kMakerKeyPath);
    return StepResult(removed);
}

}  // namespace

// Never loads the settings and keeps the exit from writing them again. The
// script starts once the last message is answered: its wait for the program
// file is bounded, and the program ends right after.
void SweepApp::RunUninstall()
{
    if (!CheckNotRunning())
        return;
    if (ShowMessageBox(nullptr, IDS_CONFIRM_UNINSTALL, MB_YESNO | MB_ICONQUESTION) != IDYES)
        return;
    SetupReport report;
    report.Check(DeleteUninstallEntry(), IDS_STEP_UNINSTALL_ENTRY);
    // With its subkeys: a hand-off waiting for a start that never comes would
    // otherwise keep the whole settings key.
    report.Check(RemoveSettings(), IDS_STEP_SETTINGS);
    report.Check(RemoveShortcut(CSIDL_DESKTOP), IDS_STEP_DESKTOP_SHORTCUT);
    report.Check(RemoveShortcut(CSIDL_PROGRAMS), IDS_STEP_START_MENU_SHORTCUT);
    CheckShellExtension(report, false);
    report.Check(RemoveCompanionFiles(), IDS_STEP_COMPANION_FILES);
    std::wstring script;
    const HRESULT written = WriteSelfDeleteBatch(script);
    report.Check(written, IDS_STEP_PROGRAM_FILES);
    SuppressSettingsSave();
    if (report.Complete())
        ShowMessageBox(nullptr, IDS_UNINSTALLED, MB_OK);
    else
        ShowMessageBox(nullptr, report.Text(IDS_UNINSTALL_NOT_DONE));
    if (FAILED(written))
        return;
    // The script that did not start leaves the program's files: that, too, is said.
    SetupReport late;
    late.Check(StartSelfDeleteBatch(script), IDS_STEP_PROGRAM_FILES);
    if (!late.Complete()) {
        DeleteFileW(script.c_str());
        ShowMessageBox(nullptr, late.Text(IDS_UNINSTALL_NOT_DONE));
    }
}

// A run that ends here has not loaded the settings, and its exit leaves the
// stored ones alone.
bool SweepApp::RunInstall()
{
    InstallDialog dialog(CheckNotRunning);
    if (dialog.DoModal(nullptr) != IDOK)
        return false;
    SetupReport report;
    report.Check(WriteUninstallEntry(), IDS_STEP_UNINSTALL_ENTRY);
    if (dialog.m_bExplorer)
        CheckShellExtension(report, true);
    if (dialog.m_bDesktop)
        report.Check(CreateShortcut(CSIDL_DESKTOP), IDS_STEP_DESKTOP_SHORTCUT);
    if (dialog.m_bStartMenu)
        report.Check(CreateShortcut(CSIDL_PROGRAMS), IDS_STEP_START_MENU_SHORTCUT);
    if (!report.Complete())
        ShowMessageBox(nullptr, report.Text(IDS_INSTALL_NOT_DONE));
    return dialog.m_bRunNow;
}

bool SweepApp::StartNormalRun(const std::wstring& commandLine)
{
    // The shell's icon list takes a fifth of the start to build, on the first
    // call that needs it: on a core of its own it is ready when the result list
    // asks, and the window shows that much sooner.
    m_shellIcons = std::jthread([] {
        ComInitialization com;
        FileListBox::PrepareShellIcons();
    });
    JoinInstanceMutex();
    LoadSettings();
    m_document = std::make_unique<CDFDoc>();
    m_frame = std::make_unique<CMainFrame>();
    if (!m_frame->Create(*m_document)) {
        m_frame.reset();
        return false;
    }
    SetMainFrame(m_frame.get());
    std::vector<std::wstring> folders = TakeHandoffFolders();
    std::vector<std::wstring> named = CommandLineFolders(commandLine);
    folders.insert(folders.end(), named.begin(), named.end());
    m_frame->SetStartFolders(std::move(folders));
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
    m_com.reset();
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
