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

#include "resources/resource.h"
#include "setup/Shortcuts.h"
#include "setup/Uninstaller.h"
#include "tests/support/Deliverables.h"
#include "win32/Handles.h"
#include "win32/Registry.h"

namespace twinsweep::test {
namespace {

namespace fs = std::filesystem;

constexpr wchar_t kUninstallKey[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Twinsweep{5E0A3C71-9B24-4F6D-8C13-7A2B64D9E0F5}";
constexpr wchar_t kSettingsKey[] = L"Software\\Mirelon\\Twinsweep";
constexpr wchar_t kCaption[] = L"Twinsweep";
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
    SetupTest()
    {
        wchar_t temp[MAX_PATH] = {};
        GetTempPathW(MAX_PATH, temp);
        m_folder = std::wstring(temp) + L"Twin sweep \u00e9 100%\\";
        fs::remove_all(m_folder);
        fs::create_directories(m_folder + L"Help");
        CopyFileW(ProgramPath().c_str(), Program().c_str(), FALSE);
        CopyFileW(VexilPath().c_str(), (m_folder + L"Vexil.dll").c_str(), FALSE);
        std::ofstream(fs::path(m_folder + L"Help\\SweepHelp.chm")) << "help";
        std::ofstream(fs::path(m_folder + L"My notes.txt")) << "mine";
        Clean();
        // Stored settings that an install run must leave alone.
        RegistryKey settings;
        settings.Create(HKEY_CURRENT_USER, kSettingsKey);
        settings.SetDword(L"EqualNames", 1);
    }

    ~SetupTest() override
    {
        Clean();
        RegistryKey::DeleteTree(HKEY_CURRENT_USER, kSettingsKey);
        std::error_code ignored;
        fs::remove_all(m_folder, ignored);
    }

    std::wstring Program() const { return m_folder + L"Twinsweep.exe"; }

    static void Clean()
    {
        Regsvr32(L"/u /s");
        RegistryKey::DeleteTree(HKEY_LOCAL_MACHINE, kUninstallKey);
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

    static void ExpectEnds(const ProgramProcess& run)
    {
        DWORD exitCode = 1;
        EXPECT_TRUE(run.WaitForExit(exitCode));
        EXPECT_EQ(exitCode, 0u);
    }

    void ExpectSettingsUntouched() const
    {
        RegistryKey settings;
        ASSERT_TRUE(settings.Open(HKEY_CURRENT_USER, kSettingsKey));
        EXPECT_EQ(settings.ValueNames(), std::vector<std::wstring>{L"EqualNames"});
    }

    std::wstring m_folder;
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
    ASSERT_TRUE(entry.Open(HKEY_LOCAL_MACHINE, kUninstallKey));
    EXPECT_EQ(entry.QueryString(L"DisplayName"), L"Twinsweep 1.0");
    EXPECT_EQ(entry.QueryString(L"UninstallString"), L"\"" + Program() + L"\" /U");
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
    ASSERT_TRUE(settings.Open(HKEY_CURRENT_USER, kSettingsKey));
    EXPECT_EQ(settings.QueryDword(L"EqualNames"), 1u);
    EXPECT_TRUE(settings.QueryDword(L"EqualCont"));
}

TEST_F(SetupTest, InstallingWithEveryBoxClearedOnlyRecordsTheUninstallEntry)
{
    ProgramProcess run(Program(), L"/Install");
    AnswerInstall(run, false, false, false, false);
    ExpectEnds(run);
    EXPECT_TRUE(RegistryKey::Exists(HKEY_LOCAL_MACHINE, kUninstallKey));
    EXPECT_FALSE(fs::exists(ShellFolder(CSIDL_DESKTOP) + L"Twinsweep.lnk"));
    EXPECT_FALSE(fs::exists(ShellFolder(CSIDL_PROGRAMS) + L"Twinsweep.lnk"));
    EXPECT_FALSE(RegistryKey::Exists(HKEY_CLASSES_ROOT, ClassKey().c_str()));
    ExpectSettingsUntouched();
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
    EXPECT_FALSE(RegistryKey::Exists(HKEY_LOCAL_MACHINE, kUninstallKey));
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
    EXPECT_FALSE(RegistryKey::Exists(HKEY_LOCAL_MACHINE, kUninstallKey));
    instance.reset();
    PressButton(again, IDOK);
    PressButton(run.WaitForWindow(kDialogClass, L"Install Twinsweep"), IDOK);
    ExpectEnds(run);
    EXPECT_TRUE(RegistryKey::Exists(HKEY_LOCAL_MACHINE, kUninstallKey));
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
        EXPECT_EQ(MessageBoxText(question),
                  L"Do you really want to cancel the installation?\nSome file can remain undeleted.");
        PressButton(question, answer);
        std::wstring last;
        if (answer == IDYES) {
            WaitUntil([&] { return !IsWindow(question); });
            HWND done = run.WaitForWindow(kDialogClass, kCaption);
            last = MessageBoxText(done);
            PressButton(done, IDOK);
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
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    const std::wstring scriptFolder = std::wstring(temp) + L"Temp dir \u00e9\\";
    fs::create_directories(scriptFolder);
    const std::wstring script = scriptFolder + L"DeleteTW.bat";
    TemporaryFolderOfChildren children(scriptFolder);
    // What the download brings beside the program goes too.
    for (const wchar_t* companion : {L"twinsweep-cli.exe", L"ReadMe.txt"})
        std::ofstream(fs::path(m_folder + companion)) << "download";
    EXPECT_EQ(Uninstall(IDYES), L"Twinsweep is successfully uninstalled.\nOne or more files might not be properly "
                                L"removed from\nyour hard drive, you can remove them later.");
    EXPECT_FALSE(RegistryKey::Exists(HKEY_LOCAL_MACHINE, kUninstallKey));
    EXPECT_FALSE(RegistryKey::Exists(HKEY_CURRENT_USER, kSettingsKey));
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
    EXPECT_FALSE(fs::exists(m_folder + L"ReadMe.txt"));
    EXPECT_TRUE(fs::exists(m_folder + L"My notes.txt"));
    std::error_code ignored;
    fs::remove_all(scriptFolder, ignored);
}

TEST_F(UninstallTest, AnsweredNoItTouchesNothing)
{
    EXPECT_EQ(Uninstall(IDNO), L"");
    EXPECT_TRUE(RegistryKey::Exists(HKEY_LOCAL_MACHINE, kUninstallKey));
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
    EXPECT_EQ(read, L":Repeat\r\n"
                    L"del \"" + app + L"Twinsweep.exe\"\r\n"
                    L"if exist \"" + app + L"Twinsweep.exe\" goto Repeat\r\n"
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

}  // namespace
}  // namespace twinsweep::test
