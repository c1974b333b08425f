#include <gtest/gtest.h>

#include "document/Settings.h"
#include "tests/gui/MainWindow.h"
#include "win32/Handles.h"
#include "win32/Handoff.h"
#include "win32/Registry.h"

namespace twinsweep::test {
namespace {

using Folders = std::vector<std::wstring>;
using RunKind = SweepApp::RunKind;

class HandoffKey {
public:
    HandoffKey() { RegistryKey::DeleteTree(HKEY_CURRENT_USER, handoff::kKeyPath); }
    ~HandoffKey() { RegistryKey::DeleteTree(HKEY_CURRENT_USER, handoff::kKeyPath); }

    void Set(const std::wstring& name, const std::wstring& folder) const
    {
        RegistryKey key;
        key.Create(HKEY_CURRENT_USER, handoff::kKeyPath);
        key.SetString(name.c_str(), folder);
    }

    bool Exists() const { return RegistryKey::Exists(HKEY_CURRENT_USER, handoff::kKeyPath); }
};

TEST(StartupCommandLine, TellsTheKindOfRunByCaseSensitiveSwitchesInTheArguments)
{
    const struct {
        const wchar_t* commandLine;
        RunKind kind;
    } cases[] = {
        {L"Twinsweep.exe", RunKind::Normal},
        {L"Twinsweep.exe /u", RunKind::Normal},
        {L"Twinsweep.exe /Install", RunKind::Install},
        {L"Twinsweep.exe /I /U", RunKind::Uninstall},
        {L"Twinsweep.exe /U /I", RunKind::Uninstall},
        // The program's own path is no switch, nor is a folder written with
        // forward slashes.
        {L"C:/Users/me/Twinsweep.exe", RunKind::Normal},
        {L"\"C:/Users/I x/Twinsweep.exe\" C:/Users/me", RunKind::Normal},
        {L"\"C:/Users/me/Twinsweep.exe\" /I", RunKind::Install},
    };
    for (const auto& c : cases)
        EXPECT_EQ(SweepApp::KindOfRun(c.commandLine), c.kind) << c.commandLine;
    EXPECT_TRUE(SweepApp::StartedElevated(L"Twinsweep.exe /I /Elevated"));
    EXPECT_FALSE(SweepApp::StartedElevated(L"Twinsweep.exe /I /elevated"));
    EXPECT_FALSE(SweepApp::StartedElevated(L"/Elevated /U"));
}

TEST(StartupCommandLine, TakesBareArgumentsAsFolders)
{
    EXPECT_EQ(SweepApp::CommandLineFolders(L"\"C:\\Program Files\\Twinsweep.exe\" D:\\Photos \"E:\\My Files\""),
              (Folders{L"D:\\Photos", L"E:\\My Files"}));
    EXPECT_TRUE(SweepApp::CommandLineFolders(L"Twinsweep.exe").empty());
}

TEST(StartupHandoff, TakesTheValuesUpToTheFirstGapAndDeletesTheKey)
{
    HandoffKey key;
    key.Set(L"0", L"C:\\A");
    key.Set(L"1", L"C:\\B");
    key.Set(L"3", L"C:\\D");
    EXPECT_EQ(SweepApp::TakeHandoffFolders(), (Folders{L"C:\\A", L"C:\\B"}));
    EXPECT_FALSE(key.Exists());
}

TEST(StartupHandoff, AKeyWithoutTheFirstValueGivesNothingAndIsDeleted)
{
    HandoffKey key;
    key.Set(L"1", L"C:\\B");
    EXPECT_TRUE(SweepApp::TakeHandoffFolders().empty());
    EXPECT_FALSE(key.Exists());
    EXPECT_TRUE(SweepApp::TakeHandoffFolders().empty());
}

TEST(StartupHandoff, ReadsTwelveValuesInNumericOrderAndPathsOfAnyLength)
{
    HandoffKey key;
    Folders expected;
    for (int i = 0; i < 12; ++i) {
        expected.push_back(L"C:\\Folder" + std::to_wstring(i));
        key.Set(std::to_wstring(i), expected.back());
    }
    expected[11] = L"C:\\" + std::wstring(400, L'x');
    key.Set(L"11", expected[11]);
    EXPECT_EQ(SweepApp::TakeHandoffFolders(), expected);
}

TEST(StartupInstance, CheckNotRunningSeesAnInstanceByItsMutex)
{
    MessageBoxRecorder boxes;
    EXPECT_TRUE(SweepApp::CheckNotRunning());
    EXPECT_TRUE(boxes.Texts().empty());
    UniqueHandle mutex(CreateMutexW(nullptr, TRUE, SweepApp::kInstanceMutexName));
    EXPECT_FALSE(SweepApp::CheckNotRunning());
    EXPECT_EQ(boxes.Texts(), Folders{L"Twinsweep is already started. Close it before you can continue."});
}

TEST(StartupInstance, TheAppFolderIsTheProgramsFolderWithItsSeparator)
{
    wchar_t module[MAX_PATH];
    GetModuleFileNameW(nullptr, module, MAX_PATH);
    std::wstring folder = SweepApp::GetAppFolder();
    ASSERT_FALSE(folder.empty());
    EXPECT_EQ(folder.back(), L'\\');
    EXPECT_EQ(std::wstring(module).rfind(folder, 0), 0u);
}

class StartupRunTest : public MainWindowTest {};

TEST_F(StartupRunTest, ANormalRunHoldsTheInstanceMutexUntilItEnds)
{
    Start();
    EXPECT_FALSE(SweepApp::CheckNotRunning());
    Close();
    EXPECT_TRUE(SweepApp::CheckNotRunning());
}

TEST_F(StartupRunTest, HandedOverAndNamedFoldersReachTheFolderList)
{
    HandoffKey key;
    std::string first = tree.MakeFolder("first"), second = tree.MakeFolder("second");
    std::string named = tree.MakeFolder("named");
    key.Set(L"0", Utf8ToWide(first));
    key.Set(L"1", Utf8ToWide(second));
    Start(L"Twinsweep.exe \"" + Utf8ToWide(named) + L"\"");
    EXPECT_EQ(ListedFolders(), (Folders{Utf8ToWide(first), Utf8ToWide(second), Utf8ToWide(named)}));
    EXPECT_FALSE(key.Exists());
    EXPECT_TRUE(boxes.Texts().empty());
}

TEST_F(StartupRunTest, WithoutAHandoffNothingIsAddedOrSaid)
{
    Start();
    EXPECT_TRUE(ListedFolders().empty());
    EXPECT_TRUE(boxes.Texts().empty());
}

TEST_F(StartupRunTest, TheExitSavesTheSettings)
{
    Start();
    SetEqualNames(true);
    Close();
    RegistryKey settings;
    ASSERT_TRUE(settings.Open(HKEY_CURRENT_USER, kSettingsKeyPath));
    EXPECT_EQ(settings.QueryDword(L"EqualNames"), 1u);
}

}  // namespace
}  // namespace twinsweep::test
