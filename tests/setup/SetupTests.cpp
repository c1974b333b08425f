// The install and uninstall runs as a user meets them: Twinsweep.exe started
// with /I or /U from a copy of the program's folder at a path with blanks and a
// letter outside ASCII, its dialog and message boxes answered by their buttons,
// and what it leaves in the registry, the shell folders and the file system read
// back. The uninstall script is run by the system's own command interpreter.
#include <windows.h>
#include <objidl.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "framework/Seams.h"
#include "resources/resource.h"
#include "setup/Elevation.h"
#include "setup/Shortcuts.h"
#include "setup/Uninstaller.h"
#include "tests/support/Deliverables.h"
#include "tests/support/Win32Support.h"
#include "win32/Handles.h"
#include "win32/ModuleFile.h"
#include "win32/Registry.h"

namespace twinsweep::test {
namespace {

namespace fs = std::filesystem;

constexpr wchar_t kCaption[] = L"Twinsweep";

// A folder of the test's own in the temporary folder, with its trailing
// backslash: made anew, and removed with the scope.
class TempFolder {
public:
    explicit TempFolder(const std::wstring& name) : m_path(Temporary() + name + L"\\")
    {
        std::error_code ignored;
        fs::remove_all(m_path, ignored);
        fs::create_directories(m_path);
    }
    ~TempFolder()
    {
        std::error_code ignored;
        fs::remove_all(m_path, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    const std::wstring& Path() const { return m_path; }

    // The system's temporary folder, with its trailing backslash.
    static std::wstring Temporary()
    {
        wchar_t temp[MAX_PATH] = {};
        GetTempPathW(MAX_PATH, temp);
        return temp;
    }

private:
    std::wstring m_path;
};
constexpr wchar_t kDialogClass[] = L"#32770";

std::wstring ShellFolder(int folder)
{
    std::wstring path;
    GetSpecialFolderPath(nullptr, folder, nullptr, 0, path);
    return path + L"\\";
}

std::wstring ClassKey()
{
    return std::wstring(L"CLSID\\") + kClsidText;
}

// The link's icon and description, which ShortcutTarget does not read.
struct LinkDetails {
    std::wstring icon;
    int iconIndex = -1;
    std::wstring description;
};

LinkDetails ReadLinkDetails(const std::wstring& path)
{
    LinkDetails details;
    ComPtr<IShellLinkW> link;
    ComPtr<IPersistFile> file;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, link.put_void())) ||
        FAILED(link->QueryInterface(IID_IPersistFile, file.put_void())) || FAILED(file->Load(path.c_str(), STGM_READ)))
        return details;
    wchar_t text[MAX_PATH] = {};
    link->GetIconLocation(text, MAX_PATH, &details.iconIndex);
    details.icon = text;
    link->GetDescription(text, MAX_PATH);
    details.description = text;
    return details;
}

void SaveLink(const std::wstring& path, const std::wstring& target)
{
    ComPtr<IShellLinkW> link;
    ComPtr<IPersistFile> file;
    ASSERT_TRUE(SUCCEEDED(
        CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, link.put_void())));
    link->SetPath(target.c_str());
    ASSERT_TRUE(SUCCEEDED(link->QueryInterface(IID_IPersistFile, file.put_void())));
    ASSERT_TRUE(SUCCEEDED(file->Save(path.c_str(), TRUE)));
}

class SetupTest : public ::testing::Test {
protected:
    SetupTest() : m_folder(m_folderOwner.Path())
    {
        fs::create_directories(m_folder + L"Help");
        CopyFileW(ProgramPath().c_str(), Program().c_str(), FALSE);
        CopyFileW(VexilPath().c_str(), (m_folder + L"Vexil.dll").c_str(), FALSE);
        std::ofstream(fs::path(m_folder + L"Help\\SweepHelp.chm")) << "help";
        std::ofstream(fs::path(m_folder + L"My notes.txt")) << "mine";
        Clean();
        // Stored settings that an install run must leave alone.
        RegistryKey settings;
        settings.Create(HKEY_CURRENT_USER, kSettingsKeyPath);
        settings.SetDword(L"EqualNames", 1);
    }

    ~SetupTest() override
    {
        Clean();
        RegistryKey::DeleteTree(HKEY_CURRENT_USER, kSettingsKeyPath);
    }

    std::wstring Program() const { return m_folder + L"Twinsweep.exe"; }

    static void Clean()
    {
        Regsvr32(L"/u /s");
        RegistryKey::DeleteTree(HKEY_LOCAL_MACHINE, kUninstallEntryKey);
        for (int folder : {CSIDL_DESKTOP, CSIDL_PROGRAMS}) {
            for (const wchar_t* name : {L"Twinsweep.lnk", L"My sweeper.lnk"})
                DeleteFileW((ShellFolder(folder) + name).c_str());
        }
    }

    // Answers the install dialog: the four boxes as given, then OK.
    static void AnswerInstall(const ProgramProcess& run, bool desktop, bool startMenu, bool explorer, bool runNow)
    {
        HWND dialog = run.WaitForWindow(kDialogClass, L"Install Twinsweep");
        ASSERT_TRUE(dialog);
        ExpectCentredWithItsTabOrder(dialog);
        const std::pair<int, bool> boxes[] = {{IDC_INSTALL_DESKTOP, desktop},
                                              {IDC_INSTALL_START_MENU, startMenu},
                                              {IDC_INSTALL_EXPLORER, explorer},
                                              {IDC_INSTALL_RUN_NOW, runNow}};
        for (auto [id, checked] : boxes) {
            EXPECT_EQ(SendDlgItemMessageW(dialog, id, BM_GETCHECK, 0, 0), BST_CHECKED);
            SendDlgItemMessageW(dialog, id, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
        }
        PressButton(dialog, IDOK);
    }

    // On the screen's middle, and Tab goes down the boxes, then to OK and Cancel.
    static void ExpectCentredWithItsTabOrder(HWND dialog)
    {
        RECT window{}, screen{};
        GetWindowRect(dialog, &window);
        SystemParametersInfoW(SPI_GETWORKAREA, 0, &screen, 0);
        EXPECT_NEAR((window.left + window.right) / 2, (screen.left + screen.right) / 2, 2);
        EXPECT_NEAR((window.top + window.bottom) / 2, (screen.top + screen.bottom) / 2, 2);
        std::vector<int> order;
        HWND item = GetDlgItem(dialog, IDC_INSTALL_DESKTOP);
        for (int i = 0; i < 6; ++i, item = GetNextDlgTabItem(dialog, item, FALSE))
            order.push_back(GetDlgCtrlID(item));
        EXPECT_EQ(order, (std::vector<int>{IDC_INSTALL_DESKTOP, IDC_INSTALL_START_MENU, IDC_INSTALL_EXPLORER,
                                           IDC_INSTALL_RUN_NOW, IDOK, IDCANCEL}));
    }

    // The message that ends a run, answered with OK.
    static std::wstring LastMessage(const ProgramProcess& run)
    {
        HWND box = run.WaitForWindow(kDialogClass, kCaption);
        if (!box)
            return L"(none)";
        std::wstring text = MessageBoxText(box);
        PressButton(box, IDOK);
        return text;
    }

    static void ExpectEnds(const ProgramProcess& run)
    {
        DWORD exitCode = 1;
        EXPECT_TRUE(run.WaitForExit(exitCode));
        EXPECT_EQ(exitCode, 0u);
    }

    void ExpectSettingsUntouched() const
    {
        RegistryKey settings;
        ASSERT_TRUE(settings.Open(HKEY_CURRENT_USER, kSettingsKeyPath));
        EXPECT_EQ(settings.ValueNames(), std::vector<std::wstring>{L"EqualNames"});
    }

    TempFolder m_folderOwner{L"Twin sweep \u00e9 100%"};
    const std::wstring m_folder;
    ComInitialization m_com;
};

TEST_F(SetupTest, InstallingWithEveryBoxCheckedRecordsItselfAndGoesOnIntoTheWindow)
{
    ProgramProcess run(Program(), L"/I");
    AnswerInstall(run, true, true, true, true);
    HWND window = run.WaitForWindow(L"TwinsweepFrame", kCaption);
    ASSERT_TRUE(window);
    PostMessageW(window, WM_CLOSE, 0, 0);
    ExpectEnds(run);

    RegistryKey entry;
    ASSERT_TRUE(entry.Open(HKEY_LOCAL_MACHINE, kUninstallEntryKey));
    EXPECT_EQ(entry.QueryString(L"DisplayName"), L"Twinsweep 1.0");
    EXPECT_EQ(entry.QueryString(L"UninstallString"), L"\"" + Program() + L"\" /U");
    EXPECT_EQ(entry.QueryString(L"DisplayIcon"), Program() + L",0");
    EXPECT_EQ(entry.QueryString(L"DisplayVersion"), L"1.0");
    EXPECT_EQ(entry.QueryString(L"Publisher"), L"Mirelon Software");
    EXPECT_EQ(entry.QueryString(L"InstallLocation"), m_folder);
    EXPECT_EQ(entry.QueryDword(L"EstimatedSize"),
              (fs::file_size(Program()) + fs::file_size(m_folder + L"Vexil.dll") + 4 + 1023) / 1024);
    EXPECT_EQ(entry.QueryDword(L"NoModify"), 1u);
    EXPECT_EQ(entry.QueryDword(L"NoRepair"), 1u);
    for (int folder : {CSIDL_DESKTOP, CSIDL_PROGRAMS}) {
        const std::wstring link = ShellFolder(folder) + L"Twinsweep.lnk";
        EXPECT_EQ(ShortcutTarget(link), Program());
        LinkDetails details = ReadLinkDetails(link);
        EXPECT_EQ(details.icon, Program());
        EXPECT_EQ(details.iconIndex, 0);
        EXPECT_EQ(details.description, L"Twinsweep");
    }
    RegistryKey server;
    ASSERT_TRUE(server.Open(HKEY_CLASSES_ROOT, (ClassKey() + L"\\InprocServer32").c_str()));
    EXPECT_EQ(server.QueryString(L""), m_folder + L"Vexil.dll");
    // The normal run that followed loaded and saved the settings.
    RegistryKey settings;
    ASSERT_TRUE(settings.Open(HKEY_CURRENT_USER, kSettingsKeyPath));
    EXPECT_EQ(settings.QueryDword(L"EqualNames"), 1u);
    EXPECT_TRUE(settings.QueryDword(L"EqualCont"));
}

TEST_F(SetupTest, InstallingWithEveryBoxClearedOnlyRecordsTheUninstallEntry)
{
    ProgramProcess run(Program(), L"/Install");
    AnswerInstall(run, false, false, false, false);
    ExpectEnds(run);
    EXPECT_TRUE(RegistryKey::Exists(HKEY_LOCAL_MACHINE, kUninstallEntryKey));
    EXPECT_FALSE(fs::exists(ShellFolder(CSIDL_DESKTOP) + L"Twinsweep.lnk"));
    EXPECT_FALSE(fs::exists(ShellFolder(CSIDL_PROGRAMS) + L"Twinsweep.lnk"));
    EXPECT_FALSE(RegistryKey::Exists(HKEY_CLASSES_ROOT, ClassKey().c_str()));
    ExpectSettingsUntouched();
}

TEST_F(SetupTest, WhatCouldNotBeDoneIsToldAndTheRestIsDone)
{
    DeleteFileW((m_folder + L"Vexil.dll").c_str());
    ProgramProcess run(Program(), L"/I");
    AnswerInstall(run, true, false, true, false);
    EXPECT_EQ(LastMessage(run), L"Twinsweep could not do all of the installation. Not done:\n"
                                L"- the Twinsweep item in Explorer's menu of folders: Vexil.dll is not beside "
                                L"Twinsweep.exe");
    ExpectEnds(run);
    EXPECT_TRUE(RegistryKey::Exists(HKEY_LOCAL_MACHINE, kUninstallEntryKey));
    EXPECT_TRUE(fs::exists(ShellFolder(CSIDL_DESKTOP) + L"Twinsweep.lnk"));
}

TEST_F(SetupTest, CancelAsksFirstAndThenEndsWithoutAChange)
{
    ProgramProcess run(Program(), L"/I");
    HWND dialog = run.WaitForWindow(kDialogClass, L"Install Twinsweep");
    ASSERT_TRUE(dialog);
    for (int answer : {IDNO, IDYES}) {
        PressButton(dialog, IDCANCEL);
        HWND question = run.WaitForWindow(kDialogClass, kCaption);
        ASSERT_TRUE(question);
        EXPECT_EQ(MessageBoxText(question),
                  L"Do you really want to cancel the installation?\nSome file can remain undeleted.");
        EXPECT_EQ(GetWindow(question, GW_OWNER), dialog);
        PressButton(question, answer);
        if (answer == IDNO) {
            EXPECT_TRUE(WaitUntil([&] { return !IsWindow(question); }));
            EXPECT_TRUE(IsWindowVisible(dialog));
        }
    }
    ExpectEnds(run);
    EXPECT_FALSE(RegistryKey::Exists(HKEY_LOCAL_MACHINE, kUninstallEntryKey));
    EXPECT_FALSE(fs::exists(ShellFolder(CSIDL_DESKTOP) + L"Twinsweep.lnk"));
    ExpectSettingsUntouched();
}

TEST_F(SetupTest, AnInstanceThatRunsIsReportedAtTheStartAndOnEveryOk)
{
    UniqueHandle instance(CreateMutexW(nullptr, TRUE,
                                       L"Mirelon Twinsweep instance control mutex3F7C2E19-6B4A-4d21-9E85-1C0D7B3A6F42"));
    ProgramProcess run(Program(), L"/I");
    const std::wstring running = L"Twinsweep is already started. Close it before you can continue.";
    for (int attempt = 0; attempt < 2; ++attempt) {
        HWND box = run.WaitForWindow(kDialogClass, kCaption);
        ASSERT_TRUE(box);
        EXPECT_EQ(MessageBoxText(box), running);
        PressButton(box, IDOK);
        ASSERT_TRUE(WaitUntil([&] { return !IsWindow(box); }));
        if (attempt == 0)
            AnswerInstall(run, false, false, false, false);
        else
            PressButton(run.WaitForWindow(kDialogClass, L"Install Twinsweep"), IDOK);
    }
    HWND again = run.WaitForWindow(kDialogClass, kCaption);
    ASSERT_TRUE(again);
    EXPECT_FALSE(RegistryKey::Exists(HKEY_LOCAL_MACHINE, kUninstallEntryKey));
    instance.reset();
    PressButton(again, IDOK);
    PressButton(run.WaitForWindow(kDialogClass, L"Install Twinsweep"), IDOK);
    ExpectEnds(run);
    EXPECT_TRUE(RegistryKey::Exists(HKEY_LOCAL_MACHINE, kUninstallEntryKey));
}

class UninstallTest : public SetupTest {
protected:
    UninstallTest()
    {
        ProgramProcess install(Program(), L"/I");
        AnswerInstall(install, true, true, true, false);
        ExpectEnds(install);
        // In the Programs folder, the program's shortcut goes by another name, and
        // "Twinsweep.lnk" is someone else's.
        const std::wstring programs = ShellFolder(CSIDL_PROGRAMS);
        MoveFileW((programs + L"Twinsweep.lnk").c_str(), (programs + L"My sweeper.lnk").c_str());
        wchar_t system[MAX_PATH] = {};
        GetSystemDirectoryW(system, MAX_PATH);
        m_otherTarget = std::wstring(system) + L"\\notepad.exe";
        SaveLink(programs + L"Twinsweep.lnk", m_otherTarget);
    }

    // Runs /U, answers its question, and returns the run's last message.
    std::wstring Uninstall(int answer)
    {
        ProgramProcess run(Program(), L"/U");
        HWND question = run.WaitForWindow(kDialogClass, kCaption);
        EXPECT_TRUE(question);
        EXPECT_EQ(MessageBoxText(question), L"Do you want to uninstall Twinsweep?\nIts settings, shortcuts and "
                                            L"Explorer menu item are removed now, and its files once it has ended.");
        PressButton(question, answer);
        std::wstring last;
        if (answer == IDYES) {
            WaitUntil([&] { return !IsWindow(question); });
            last = LastMessage(run);
        }
        ExpectEnds(run);
        return last;
    }

    std::wstring m_otherTarget;
};

// The uninstall run's own environment for the temporary folder, put back at the end.
class TemporaryFolderOfChildren {
public:
    explicit TemporaryFolderOfChildren(const std::wstring& folder)
    {
        for (const wchar_t* name : {L"TMP", L"TEMP"}) {
            wchar_t value[MAX_PATH] = {};
            GetEnvironmentVariableW(name, value, MAX_PATH);
            m_saved.emplace_back(name, value);
            SetEnvironmentVariableW(name, folder.c_str());
        }
    }
    ~TemporaryFolderOfChildren()
    {
        for (const auto& [name, value] : m_saved)
            SetEnvironmentVariableW(name.c_str(), value.empty() ? nullptr : value.c_str());
    }

private:
    std::vector<std::pair<std::wstring, std::wstring>> m_saved;
};

TEST_F(UninstallTest, RemovesKeysShortcutsExtensionAndFilesButNotTheUsersOwn)
{
    // The script lies, and is started, in a temporary folder with blanks.
    const TempFolder scripts(L"Temp dir \u00e9");
    const std::wstring& scriptFolder = scripts.Path();
    const std::wstring script = scriptFolder + L"DeleteTW.bat";
    TemporaryFolderOfChildren children(scriptFolder);
    // The download's console search goes too; a ReadMe.txt of the user's stays.
    CopyFileW((FolderOf(ProgramPath()) + L"twinsweep-cli.exe").c_str(), (m_folder + L"twinsweep-cli.exe").c_str(),
              FALSE);
    std::ofstream(fs::path(m_folder + L"ReadMe.txt")) << "my own read-me";
    EXPECT_EQ(Uninstall(IDYES), L"Twinsweep is successfully uninstalled.\nOne or more files might not be properly "
                                L"removed from\nyour hard drive, you can remove them later.");
    EXPECT_FALSE(RegistryKey::Exists(HKEY_LOCAL_MACHINE, kUninstallEntryKey));
    EXPECT_FALSE(RegistryKey::Exists(HKEY_CURRENT_USER, kSettingsKeyPath));
    EXPECT_FALSE(RegistryKey::Exists(HKEY_CURRENT_USER, L"Software\\Mirelon"));
    EXPECT_FALSE(RegistryKey::Exists(HKEY_CLASSES_ROOT, ClassKey().c_str()));
    EXPECT_FALSE(fs::exists(ShellFolder(CSIDL_DESKTOP) + L"Twinsweep.lnk"));
    EXPECT_FALSE(fs::exists(ShellFolder(CSIDL_PROGRAMS) + L"My sweeper.lnk"));
    EXPECT_EQ(ShortcutTarget(ShellFolder(CSIDL_PROGRAMS) + L"Twinsweep.lnk"), m_otherTarget);

    // The script runs on after the program: it waits for the program file, then
    // clears the folder of what belongs to the program, and deletes itself.
    EXPECT_TRUE(WaitUntil([&] { return !fs::exists(script) && !fs::exists(m_folder + L"Help"); },
                          std::chrono::seconds(60)));
    EXPECT_FALSE(fs::exists(Program()));
    EXPECT_FALSE(fs::exists(m_folder + L"Vexil.dll"));
    EXPECT_FALSE(fs::exists(m_folder + L"twinsweep-cli.exe"));
    EXPECT_TRUE(fs::exists(m_folder + L"ReadMe.txt"));
    EXPECT_TRUE(fs::exists(m_folder + L"My notes.txt"));
}

TEST_F(UninstallTest, AnsweredNoItTouchesNothing)
{
    EXPECT_EQ(Uninstall(IDNO), L"");
    EXPECT_TRUE(RegistryKey::Exists(HKEY_LOCAL_MACHINE, kUninstallEntryKey));
    EXPECT_TRUE(RegistryKey::Exists(HKEY_CLASSES_ROOT, ClassKey().c_str()));
    EXPECT_TRUE(fs::exists(ShellFolder(CSIDL_DESKTOP) + L"Twinsweep.lnk"));
    EXPECT_TRUE(fs::exists(ShellFolder(CSIDL_PROGRAMS) + L"My sweeper.lnk"));
    ExpectSettingsUntouched();
    EXPECT_TRUE(fs::exists(Program()));
}

// The script's text in the console's code page: decoded the way its interpreter
// reads it, it names the program's files exactly, "%" doubled.
TEST(SelfDeleteScript, NamesEveryPathAsTheConsoleReadsIt)
{
    const std::wstring program = L"C:\\Tools\\Twin sweep \u00e9 100%\\Twinsweep.exe";
    const std::wstring script = L"C:\\Temp dir\\DeleteTW.bat";
    std::optional<std::string> text = SelfDeleteScriptText(program, script);
    ASSERT_TRUE(text);
    std::wstring read(text->size(), L'\0');
    read.resize(static_cast<size_t>(MultiByteToWideChar(CP_OEMCP, 0, text->data(), static_cast<int>(text->size()),
                                                        read.data(), static_cast<int>(read.size()))));
    const std::wstring app = L"C:\\Tools\\Twin sweep \u00e9 100%%\\";
    EXPECT_EQ(read, L"@echo off\r\n"
                    L"set Tries=0\r\n"
                    L":Repeat\r\n"
                    L"del \"" + app + L"Twinsweep.exe\"\r\n"
                    L"if not exist \"" + app + L"Twinsweep.exe\" goto Rest\r\n"
                    L"set /a Tries+=1\r\n"
                    L"if %Tries% GEQ 60 goto Rest\r\n"
                    L"ping -n 2 127.0.0.1 >nul\r\n"
                    L"goto Repeat\r\n"
                    L":Rest\r\n"
                    L"del /F /Q \"" + app + L"Vexil.dll\"\r\n"
                    L"del /F /Q \"" + app + L"Help\\*.*\"\r\n"
                    L"del /F /Q \"" + app + L"Profiles\\*.*\"\r\n"
                    L"rmdir \"" + app + L"Help\"\r\n"
                    L"rmdir \"" + app + L"Profiles\"\r\n"
                    L"rmdir \"" + app + L"\"\r\n"
                    L"del \"C:\\Temp dir\\DeleteTW.bat\"\r\n");
    // A name the console cannot spell and that has no short name is never
    // written: a best fit could name another file.
    EXPECT_FALSE(SelfDeleteScriptText(L"C:\\No such \u0416\\Twinsweep.exe", script));
}

// A program file held open by another process is left after the tries; the
// script still clears the rest, deletes itself and ends.
TEST(SelfDeleteScript, GivesUpOnAProgramFileItCannotDelete)
{
    const TempFolder held(L"Held program");
    const std::wstring& folder = held.Path();
    fs::create_directories(folder + L"Help");
    const std::wstring program = folder + L"Twinsweep.exe";
    for (const std::wstring& file : {program, folder + L"Vexil.dll", folder + L"Help\\SweepHelp.chm"})
        std::ofstream(fs::path(file)) << "x";
    const std::wstring script = TempFolder::Temporary() + L"DeleteTW held.bat";
    std::optional<std::string> text = SelfDeleteScriptText(program, script, 2);
    ASSERT_TRUE(text);
    std::ofstream(fs::path(script), std::ios::binary) << *text;
    UniqueHandle open(CreateFileW(program.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(open);

    wchar_t system[MAX_PATH] = {};
    GetSystemDirectoryW(system, MAX_PATH);
    ProgramProcess run(std::wstring(system) + L"\\cmd.exe", L"/c \"" + script + L"\"");
    DWORD exitCode = 1;
    EXPECT_TRUE(run.WaitForExit(exitCode));
    EXPECT_TRUE(fs::exists(program));
    EXPECT_FALSE(fs::exists(folder + L"Vexil.dll"));
    EXPECT_FALSE(fs::exists(folder + L"Help"));
    EXPECT_FALSE(fs::exists(script));
    open.reset();
}

// The path form of a link spells its target in the ANSI code page; a target
// outside it is still known by the link's item ids.
TEST(Shortcuts, AreKnownByTargetsOutsideTheAnsiCodePage)
{
    ComInitialization com;
    const TempFolder programs(L"\u7a0b\u5e8f tools"), shortcuts(L"Links");
    const std::wstring &folder = programs.Path(), &links = shortcuts.Path();
    const std::wstring program = folder + L"Twinsweep.exe";
    std::ofstream(fs::path(program)) << "x";
    SaveLink(links + L"Twinsweep.lnk", program);
    EXPECT_EQ(ShortcutTarget(links + L"Twinsweep.lnk"), program);
    EXPECT_EQ(RemoveShortcutTo(links, program), S_OK);
    EXPECT_FALSE(fs::exists(links + L"Twinsweep.lnk"));
}

// The install and uninstall runs without administrator rights start the program
// again elevated, once, and end.
TEST(Elevation, AnUnelevatedSetupRunStartsItselfAgainElevated)
{
    std::vector<ShellLaunch> launches;
    DWORD failure = ERROR_SUCCESS;
    int boxes = 0;
    SetShellLaunchHandler([&](const ShellLaunch& launch) {
        launches.push_back(launch);
        SetLastError(failure);
        return failure == ERROR_SUCCESS;
    });
    SetMessageBoxHandler([&](HWND, const std::wstring&, UINT) { return ++boxes, IDOK; });
    bool elevated = false;
    SetElevationProbe([&] { return elevated; });

    EXPECT_TRUE(RestartElevatedIfNeeded(false, L"/U"));
    ASSERT_EQ(launches.size(), 1u);
    EXPECT_EQ(launches[0].verb, L"runas");
    EXPECT_EQ(launches[0].file, ModuleFileName(nullptr));
    EXPECT_EQ(launches[0].parameters, L"/U /Elevated");
    // Started so and still not elevated (no user account control): it goes on.
    EXPECT_FALSE(RestartElevatedIfNeeded(true, L"/I"));
    // The user's No at the system's prompt ends the run quietly; any other
    // failure is told.
    failure = ERROR_CANCELLED;
    EXPECT_TRUE(RestartElevatedIfNeeded(false, L"/I"));
    EXPECT_EQ(boxes, 0);
    failure = ERROR_ACCESS_DENIED;
    EXPECT_TRUE(RestartElevatedIfNeeded(false, L"/I"));
    EXPECT_EQ(boxes, 1);
    elevated = true;
    EXPECT_FALSE(RestartElevatedIfNeeded(false, L"/I"));
    EXPECT_EQ(launches.size(), 3u);

    SetShellLaunchHandler(nullptr);
    SetMessageBoxHandler(nullptr);
    SetElevationProbe(nullptr);
}

}  // namespace
}  // namespace twinsweep::test
