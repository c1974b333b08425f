// A download zip as a Windows user meets it, unpacked by scripts/test-package.sh
// into a folder with blanks in its path: what the folder holds, the programs of
// this driver's bitness, Twinsweep.exe's version block, the console search and
// the window program started from there, F1 finding the help file, and last the
// install run and the uninstall run, whose script removes the folder again.
// usage: package_tests [GoogleTest flags] UNPACKED-FOLDER
#include <windows.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "resources/resource.h"
#include "setup/Installer.h"
#include "setup/Shortcuts.h"
#include "tests/support/Deliverables.h"
#include "win32/Handles.h"
#include "win32/Registry.h"

namespace twinsweep::test {
namespace {

namespace fs = std::filesystem;

constexpr wchar_t kDialogClass[] = L"#32770";
constexpr wchar_t kCaption[] = L"Twinsweep";

// The unpacked folder, with its trailing backslash.
std::wstring g_folder;

std::wstring InFolder(const wchar_t* name)
{
    return g_folder + name;
}

std::string FileBytes(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The machine a PE file is built for, from its file header.
WORD MachineOf(const std::wstring& path)
{
    const std::string bytes = FileBytes(path);
    IMAGE_DOS_HEADER dos{};
    if (bytes.size() < sizeof dos)
        return 0;
    std::copy_n(bytes.data(), sizeof dos, reinterpret_cast<char*>(&dos));
    const auto header = static_cast<size_t>(dos.e_lfanew) + sizeof(DWORD);
    IMAGE_FILE_HEADER file{};
    if (dos.e_magic != IMAGE_DOS_SIGNATURE || bytes.size() < header + sizeof file)
        return 0;
    std::copy_n(bytes.data() + header, sizeof file, reinterpret_cast<char*>(&file));
    return file.Machine;
}

std::wstring VersionString(const std::vector<BYTE>& block, const wchar_t* name)
{
    void* value = nullptr;
    UINT length = 0;
    const std::wstring query = std::wstring(L"\\StringFileInfo\\040904b0\\") + name;
    if (!VerQueryValueW(block.data(), query.c_str(), &value, &length) || length == 0)
        return {};
    return static_cast<const wchar_t*>(value);
}

std::wstring ShellFolder(int folder)
{
    std::wstring path;
    GetSpecialFolderPath(nullptr, folder, nullptr, 0, path);
    return path + L"\\";
}

// What a console program wrote on stdout and stderr, and its exit code.
struct ConsoleRun {
    DWORD exitCode = ERROR_TIMEOUT;
    std::string output;
    std::string errors;
};

ConsoleRun RunConsole(const std::wstring& program, const std::wstring& arguments)
{
    const fs::path folder = fs::temp_directory_path();
    const fs::path outputPath = folder / L"Twinsweep package stdout.txt", errorPath = folder / L"Twinsweep package stderr.txt";
    SECURITY_ATTRIBUTES inherited{sizeof inherited, nullptr, TRUE};
    auto create = [&](const fs::path& path) {
        return UniqueHandle(CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherited, CREATE_ALWAYS,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
    };
    ConsoleRun run;
    {
        UniqueHandle output = create(outputPath), errors = create(errorPath);
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdOutput = output.get();
        startup.hStdError = errors.get();
        PROCESS_INFORMATION info{};
        std::wstring commandLine = L"\"" + program + L"\" " + arguments;
        if (!output || !errors ||
            !CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                            &info))
            return run;
        UniqueHandle thread(info.hThread), process(info.hProcess);
        if (WaitForSingleObject(process.get(), 60000) == WAIT_OBJECT_0)
            GetExitCodeProcess(process.get(), &run.exitCode);
    }
    run.output = FileBytes(outputPath);
    run.errors = FileBytes(errorPath);
    fs::remove(outputPath);
    fs::remove(errorPath);
    return run;
}

struct WindowOfClass {
    const wchar_t* className;
    HWND found;
};

BOOL CALLBACK FindWindowOfClass(HWND window, LPARAM data)
{
    auto& search = *reinterpret_cast<WindowOfClass*>(data);
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    if (std::wstring(name) != search.className || !IsWindowVisible(window))
        return TRUE;
    search.found = window;
    return FALSE;
}

// The help viewer's main window, in whichever process the shell started it.
HWND HelpViewerWindow()
{
    WindowOfClass search{L"HH Parent", nullptr};
    EnumWindows(FindWindowOfClass, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

void CleanInstallTraces()
{
    Regsvr32(L"/u /s", InFolder(L"Vexil.dll"));
    RegistryKey::DeleteTree(HKEY_LOCAL_MACHINE, kUninstallEntryKey);
    for (int folder : {CSIDL_DESKTOP, CSIDL_PROGRAMS})
        DeleteFileW((ShellFolder(folder) + L"Twinsweep.lnk").c_str());
}

TEST(UnpackedFolder, HoldsTheProgramsOfThisBitnessTheHelpAndTheReadme)
{
    std::vector<std::wstring> files;
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(g_folder)) {
        if (entry.is_regular_file())
            files.push_back(entry.path().wstring().substr(g_folder.size()));
    }
    std::sort(files.begin(), files.end());
    EXPECT_EQ(files, (std::vector<std::wstring>{L"Help\\SweepHelp.chm", L"ReadMe.txt", L"Twinsweep.exe",
                                                 L"Vexil.dll", L"twinsweep-cli.exe"}));
#ifdef _WIN64
    constexpr WORD kMachine = IMAGE_FILE_MACHINE_AMD64;
#else
    constexpr WORD kMachine = IMAGE_FILE_MACHINE_I386;
#endif
    for (const wchar_t* program : {L"Twinsweep.exe", L"Vexil.dll", L"twinsweep-cli.exe"})
        EXPECT_EQ(MachineOf(InFolder(program)), kMachine) << program;
    EXPECT_EQ(FileBytes(InFolder(L"Help\\SweepHelp.chm")).substr(0, 4), "ITSF");
    const std::string readme = FileBytes(InFolder(L"ReadMe.txt"));
    EXPECT_NE(readme.find("Twinsweep.exe\" /I\r\n"), std::string::npos);
    EXPECT_NE(readme.find("Twinsweep.exe /U"), std::string::npos);
}

TEST(UnpackedFolder, TwinsweepCarriesItsVersionBlock)
{
    const std::wstring program = InFolder(L"Twinsweep.exe");
    std::vector<BYTE> block(GetFileVersionInfoSizeW(program.c_str(), nullptr));
    ASSERT_FALSE(block.empty());
    ASSERT_TRUE(GetFileVersionInfoW(program.c_str(), 0, static_cast<DWORD>(block.size()), block.data()));
    EXPECT_EQ(VersionString(block, L"ProductName"), L"Twinsweep");
    EXPECT_EQ(VersionString(block, L"CompanyName"), L"Mirelon Software");
    EXPECT_EQ(VersionString(block, L"ProductVersion").substr(0, 4), L"1.0.");
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
    EXPECT_EQ(fixed->dwProductVersionMS, 0x00010000u);
}

TEST(UnpackedFolder, ConsoleSearchRunsFromThere)
{
    const fs::path tree = fs::temp_directory_path() / L"Twinsweep package tree";
    fs::remove_all(tree);
    fs::create_directories(tree / L"a");
    fs::create_directories(tree / L"b");
    std::ofstream(tree / L"a" / L"x.txt") << "the same bytes";
    std::ofstream(tree / L"b" / L"x.txt") << "the same bytes";
    std::ofstream(tree / L"b" / L"y.txt") << "other bytes";
    const ConsoleRun run = RunConsole(InFolder(L"twinsweep-cli.exe"), L"\"" + tree.wstring() + L"\"");
    EXPECT_EQ(run.exitCode, 0u);
    const std::string root = tree.string();
    EXPECT_EQ(run.output, root + "\\a\\x.txt\r\n" + root + "\\b\\x.txt\r\n");
    EXPECT_NE(run.errors.find("Groups: 1"), std::string::npos) << run.errors;
    fs::remove_all(tree);
}

TEST(UnpackedFolder, TwinsweepStartsFromThereAndOpensItsHelpOnF1)
{
    const std::wstring searched = fs::temp_directory_path().wstring() + L"\\Twinsweep package search";
    fs::create_directories(searched);
    {
        StartedProgram window;
        ProgramProcess run(InFolder(L"Twinsweep.exe"), L"\"" + searched + L"\"");
        ASSERT_TRUE(run.Started());
        EXPECT_EQ(window.WaitForFolderList(1), std::vector<std::wstring>{searched});
        HWND frame = run.WaitForWindow(L"TwinsweepFrame", kCaption);
        ASSERT_TRUE(frame);
        PostMessageW(frame, WM_KEYDOWN, VK_F1, 1);
        PostMessageW(frame, WM_KEYUP, VK_F1, 0xC0000001);
        HWND viewer = nullptr;
        EXPECT_TRUE(WaitUntil([&] { return (viewer = HelpViewerWindow()) != nullptr; }));
        if (viewer)
            PostMessageW(viewer, WM_CLOSE, 0, 0);
    }
    fs::remove_all(searched);
}

// Last: the uninstall run's script deletes the unpacked folder.
TEST(UnpackedFolder, InstallsAndUninstallsFromThere)
{
    ComInitialization com;
    CleanInstallTraces();
    const std::wstring program = InFolder(L"Twinsweep.exe");
    {
        ProgramProcess install(program, L"/I");
        HWND dialog = install.WaitForWindow(kDialogClass, L"Install Twinsweep");
        ASSERT_TRUE(dialog);
        SendDlgItemMessageW(dialog, IDC_INSTALL_RUN_NOW, BM_SETCHECK, BST_UNCHECKED, 0);
        PressButton(dialog, IDOK);
        DWORD exitCode = 1;
        EXPECT_TRUE(install.WaitForExit(exitCode));
        EXPECT_EQ(exitCode, 0u);
    }
    RegistryKey entry;
    ASSERT_TRUE(entry.Open(HKEY_LOCAL_MACHINE, kUninstallEntryKey));
    EXPECT_EQ(entry.QueryString(L"UninstallString"), L"\"" + program + L"\" /U");
    RegistryKey server;
    ASSERT_TRUE(server.Open(HKEY_CLASSES_ROOT, (std::wstring(L"CLSID\\") + kClsidText + L"\\InprocServer32").c_str()));
    EXPECT_EQ(server.QueryString(L""), InFolder(L"Vexil.dll"));
    for (int folder : {CSIDL_DESKTOP, CSIDL_PROGRAMS})
        EXPECT_EQ(ShortcutTarget(ShellFolder(folder) + L"Twinsweep.lnk"), program);

    ProgramProcess uninstall(program, L"/U");
    HWND question = uninstall.WaitForWindow(kDialogClass, kCaption);
    ASSERT_TRUE(question);
    PressButton(question, IDYES);
    WaitUntil([&] { return !IsWindow(question); });
    HWND done = uninstall.WaitForWindow(kDialogClass, kCaption);
    ASSERT_TRUE(done);
    EXPECT_EQ(MessageBoxText(done).substr(0, 38), L"Twinsweep is successfully uninstalled.");
    PressButton(done, IDOK);
    DWORD exitCode = 1;
    EXPECT_TRUE(uninstall.WaitForExit(exitCode));
    EXPECT_EQ(exitCode, 0u);
    EXPECT_FALSE(RegistryKey::Exists(HKEY_LOCAL_MACHINE, kUninstallEntryKey));
    EXPECT_FALSE(RegistryKey::Exists(HKEY_CLASSES_ROOT, (std::wstring(L"CLSID\\") + kClsidText).c_str()));
    for (int folder : {CSIDL_DESKTOP, CSIDL_PROGRAMS})
        EXPECT_FALSE(fs::exists(ShellFolder(folder) + L"Twinsweep.lnk"));
    // Everything that came in the zip goes, and with it the folder.
    EXPECT_TRUE(WaitUntil([] { return !fs::exists(g_folder); }, std::chrono::seconds(60)));
}

}  // namespace
}  // namespace twinsweep::test

int wmain(int argc, wchar_t** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: package_tests [GoogleTest flags] UNPACKED-FOLDER\n");
        return 2;
    }
    twinsweep::test::g_folder = argv[1];
    if (twinsweep::test::g_folder.back() != L'\\')
        twinsweep::test::g_folder += L'\\';
    return RUN_ALL_TESTS();
}
