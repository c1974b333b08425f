#include "app/SweepApp.h"

#include <objbase.h>
#include <shellapi.h>

#include "app/AboutDlg.h"
#include "app/Settings.h"
#include "document/CDFDoc.h"
#include "frame/CMainFrame.h"
#include "framework/Seams.h"
#include "resources/resource.h"

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

SweepApp::RunKind SweepApp::KindOfRun(const std::wstring& commandLine)
{
    if (commandLine.find(L"/U") != std::wstring::npos)
        return RunKind::Uninstall;
    if (commandLine.find(L"/I") != std::wstring::npos)
        return RunKind::Install;
    return RunKind::Normal;
}

std::vector<std::wstring> SweepApp::CommandLineFolders(const std::wstring& commandLine)
{
    std::vector<std::wstring> folders;
    int count = 0;
    LPWSTR* args = CommandLineToArgvW(commandLine.c_str(), &count);
    if (!args)
        return folders;
    for (int i = 1; i < count; ++i) {
        std::wstring arg = args[i];
        if (!arg.empty() && arg[0] != L'/')
            folders.push_back(std::move(arg));
    }
    LocalFree(args);
    return folders;
}

bool SweepApp::InitInstance()
{
    m_comInitialized = SUCCEEDED(CoInitialize(nullptr));
    std::wstring commandLine = GetCommandLineW();
    // Set-up runs end without a window and, until set-up is built, change nothing.
    if (KindOfRun(commandLine) != RunKind::Normal)
        return true;
    return StartNormalRun(commandLine);
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

bool SweepApp::CheckNotRunning()
{
    UniqueHandle mutex(OpenMutexW(SYNCHRONIZE, FALSE, kInstanceMutexName));
    if (!mutex)
        return true;
    ShowMessageBox(nullptr, IDS_ALREADY_RUNNING);
    return false;
}

std::wstring SweepApp::GetAppFolder()
{
    std::wstring path(32768, L'\0');
    DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0 || length >= path.size())
        return {};
    path.resize(length);
    return path.substr(0, path.find_last_of(L"\\/") + 1);
}

// Values "0", "1", ... up to the first missing one; any length, so no path is cut.
std::vector<std::wstring> SweepApp::TakeHandoffFolders()
{
    std::vector<std::wstring> folders;
    HKEY opened = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kHandoffKey, 0, KEY_READ, &opened) != ERROR_SUCCESS)
        return folders;
    UniqueRegistryKey key(opened);
    for (int index = 0;; ++index) {
        std::wstring name = std::to_wstring(index);
        DWORD bytes = 0;
        if (RegQueryValueExW(key.get(), name.c_str(), nullptr, nullptr, nullptr, &bytes) != ERROR_SUCCESS)
            break;
        std::wstring data(bytes / sizeof(wchar_t) + 1, L'\0');
        if (RegQueryValueExW(key.get(), name.c_str(), nullptr, nullptr, reinterpret_cast<BYTE*>(data.data()),
                             &bytes) != ERROR_SUCCESS)
            break;
        data.resize(wcsnlen(data.c_str(), bytes / sizeof(wchar_t)));
        folders.push_back(std::move(data));
    }
    key.reset();
    RegDeleteKeyW(HKEY_CURRENT_USER, kHandoffKey);
    return folders;
}

void SweepApp::OnAppAbout()
{
    CAboutDlg about;
    about.DoModal(MainFrame() ? MainFrame()->Handle() : nullptr);
}

}  // namespace twinsweep
