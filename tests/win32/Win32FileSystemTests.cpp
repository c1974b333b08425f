#include <gtest/gtest.h>

#include <windows.h>
#include <objidl.h>
#include <shlobj.h>

#include <map>

#include "engine/FolderList.h"
#include "engine/SearchRun.h"
#include "platform/FileSystem.h"
#include "tests/support/RecordingReporter.h"
#include "tests/support/TempTree.h"
#include "win32/Handles.h"
#include "win32/Utf16.h"

namespace twinsweep {
namespace {

using test::TempTree;
using Paths = std::vector<std::string>;

const FileSystem& fs = PlatformFileSystem();

// Under Wine a Linux folder holds names that Windows cannot open by name: names
// that differ only in bytes that are not UTF-8 (listed alike, with U+FFFD, and
// opened as one file) and names ending in a dot. Each such entry is counted as
// unreadable; none is compared, none walked.
TEST(Win32FileSystem, EntriesThatCannotBeOpenedByTheirNamesAreCountedNeverCompared)
{
    TempTree tree;
    tree.Write("pair/one", "pair");
    tree.Write("pair/two", "pair");
    if (!tree.RunShell("head -c 100 /dev/zero > $(printf 'c\\377') && head -c 100 /dev/zero | tr '\\0' y > "
                       "$(printf 'c\\376') && mkdir dot. && printf pair > dot./three && printf pair > 'end.'"))
        GTEST_SKIP() << "not under Wine";
    SearchJob job;
    job.folders = {tree.Root()};
    test::RecordingReporter reporter;
    RunSearch(job, fs, reporter);
    EXPECT_EQ(reporter.groups, (std::vector<Paths>{{tree.Path("pair/one"), tree.Path("pair/two")}}));
    EXPECT_EQ(job.unreadableFiles, 3u);
    EXPECT_EQ(job.unreadableFolders, 1u);
}

void MakeShortcut(const std::string& shortcut, const std::string& target)
{
    ComInitialization com;
    ComPtr<IShellLinkW> link;
    ASSERT_HRESULT_SUCCEEDED(
        CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, link.put_void()));
    ASSERT_HRESULT_SUCCEEDED(link->SetPath(Utf8ToWide(target).c_str()));
    ComPtr<IPersistFile> file;
    ASSERT_HRESULT_SUCCEEDED(link->QueryInterface(IID_IPersistFile, file.put_void()));
    ASSERT_HRESULT_SUCCEEDED(file->Save(Utf8ToWide(shortcut).c_str(), TRUE));
}

TEST(Utf16, RoundTripsEveryNameNtfsCanHold)
{
    const std::wstring names[] = {L"plain.txt", L"\u00C4rger \u65E5\u672C.doc", L"\U0001F600 smile",
                                  std::wstring(L"lone ") + wchar_t(0xD800) + L" high",
                                  std::wstring(L"lone ") + wchar_t(0xDC00) + L" low"};
    for (const std::wstring& name : names)
        EXPECT_EQ(Utf8ToWide(WideToUtf8(name)), name);
    EXPECT_EQ(WideToUtf8(L"\u00E9\U0001F600"), "\xC3\xA9\xF0\x9F\x98\x80");
    EXPECT_EQ(Utf8ToWide("bad \xFF byte"), L"bad \uFFFD byte");
}

TEST(Win32FileSystem, MakesFullPathsWithoutTrailingSeparatorsButKeepsRoots)
{
    EXPECT_EQ(fs.FullPath("C:\\"), "C:\\");
    EXPECT_EQ(fs.FullPath("C:\\windows\\"), "C:\\windows");
    EXPECT_EQ(fs.FullPath("C:\\windows\\..\\users\\.\\x"), "C:\\users\\x");
    EXPECT_EQ(fs.FullPath("C:/windows/system32"), "C:\\windows\\system32");
}

TEST(Win32FileSystem, IgnoresCaseOfPathsBeyondAscii)
{
    EXPECT_EQ(fs.PathCaseKey("c:\\data\\\xC3\xA9t\xC3\xA9"), fs.PathCaseKey("C:\\DATA\\\xC3\x89T\xC3\x89"));
    EXPECT_NE(fs.PathCaseKey("C:\\Data1"), fs.PathCaseKey("C:\\Data2"));
}

TEST(Win32FileSystem, ListsOpensAndReadsFilesBeyondMaxPath)
{
    TempTree tree;
    std::string relative;
    for (int level = 0; level < 5; ++level)
        relative += std::string(60, static_cast<char>('k' + level)) + "/";
    std::string file = tree.Write(relative + "data.bin", "0123456789");
    ASSERT_GT(file.size(), 300u);
    std::string folder = file.substr(0, file.rfind('\\'));
    EXPECT_TRUE(fs.IsFolder(folder));
    FolderEntries entries;
    fs.OpenFolder(folder)->Find("*.bin", entries);
    ASSERT_EQ(entries.Size(), 1u);
    EXPECT_EQ(entries[0].size, 10u);
    std::unique_ptr<ReadableFile> opened = fs.OpenForReading(file).file;
    ASSERT_TRUE(opened);
    char bytes[16] = {};
    EXPECT_EQ(opened->ReadAt(4, bytes, sizeof bytes), std::optional<size_t>(6));
    EXPECT_EQ(std::string(bytes, 6), "456789");
}

// Reads go on from the file pointer where they can and move it where they jump.
TEST(Win32FileSystem, ReadsTheRightBytesInAnyOrderOfOffsets)
{
    TempTree tree;
    const std::string bytes = test::PatternBytes(1000, 7);
    std::unique_ptr<ReadableFile> file = fs.OpenForReading(tree.Write("pattern", bytes)).file;
    ASSERT_TRUE(file);
    const std::pair<uint64_t, size_t> reads[] = {{0, 100}, {100, 300}, {50, 10}, {60, 40}, {900, 200}, {0, 1},
                                                 {999, 1}, {1000, 5}, {400, 400}};
    for (const auto& [offset, count] : reads) {
        std::string got(count, '\0');
        std::optional<size_t> read = file->ReadAt(offset, got.data(), count);
        const std::string expected = bytes.substr(static_cast<size_t>(offset), count);
        ASSERT_EQ(read, std::optional<size_t>(expected.size())) << offset;
        EXPECT_EQ(got.substr(0, *read), expected) << offset;
    }
}

TEST(Win32FileSystem, TellsOneFileNumberThroughEveryPathOfAFile)
{
    TempTree tree;
    std::string original = tree.Write("a/original", "x");
    std::string link = tree.Path("b/link");
    tree.MakeFolder("b");
    ASSERT_TRUE(CreateHardLinkW(Utf8ToWide(link).c_str(), Utf8ToWide(original).c_str(), nullptr));
    std::string copy = tree.Write("c/copy", "x");
    auto number = [](const std::string& path) { return fs.StateOf(path)->index; };
    ASSERT_NE(number(original), 0u);
    EXPECT_EQ(number(original), number(link));
    EXPECT_NE(number(original), number(copy));
    // The listing tells the same number.
    FolderEntries entries;
    fs.OpenFolder(tree.Path("b"))->Find("*", entries);
    ASSERT_EQ(entries.Size(), 1u);
    EXPECT_EQ(entries[0].index, number(original));
}

// The end-of-comparison check looks paths up without opening them: a file
// rewritten, or replaced by another of the same size and last-write time, must
// still tell.
TEST(Win32FileSystem, APathStillLeadsToItsFileOnlyWhileNothingReplacedOrRewroteIt)
{
    TempTree tree;
    std::map<std::string, FileStamp> stamps;
    for (const char* name : {"kept", "rewritten", "replaced", "folder", "gone"})
        stamps[name] = *fs.StateOf(tree.Write(name, "same"));
    tree.Write("rewritten", "diff");
    const std::wstring other = Utf8ToWide(tree.Write("other", "same"));
    const int64_t lastWrite = stamps["replaced"].lastWrite;
    const FILETIME time{static_cast<DWORD>(lastWrite), static_cast<DWORD>(lastWrite >> 32)};
    ASSERT_TRUE(SetFileTime(UniqueHandle(CreateFileW(other.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING,
                                                     0, nullptr)).get(), nullptr, nullptr, &time));
    ASSERT_TRUE(MoveFileExW(other.c_str(), Utf8ToWide(tree.Path("replaced")).c_str(), MOVEFILE_REPLACE_EXISTING));
    tree.Remove("folder");
    tree.MakeFolder("folder");
    tree.Remove("gone");
    for (const auto& [name, stamp] : stamps)
        EXPECT_EQ(fs.StillLeadsTo(tree.Path(name), stamp), name == "kept") << name;
}

class ShortcutTest : public ::testing::Test {
protected:
    TempTree tree;
    Paths messages;
    FolderList list{fs};

    void Add(const Paths& paths)
    {
        for (std::string& message : list.AddFolders(paths))
            messages.push_back(std::move(message));
    }
};

TEST_F(ShortcutTest, AShortcutToAFolderAddsTheFolder)
{
    std::string target = tree.MakeFolder("Target \xC3\xA9t\xC3\xA9");
    std::string shortcut = tree.Path("Shortcut to target.lnk");
    MakeShortcut(shortcut, target);
    EXPECT_EQ(fs.ResolveShortcut(shortcut), target);
    Add({shortcut});
    EXPECT_EQ(list.Folders(), Paths{target});
    EXPECT_TRUE(messages.empty());
}

TEST_F(ShortcutTest, AShortcutToAFileOrABrokenOneCountsAsAFile)
{
    std::string file = tree.Write("file.txt", "x");
    std::string toFile = tree.Path("to file.LNK");
    MakeShortcut(toFile, file);
    std::string broken = tree.Write("broken.lnk", "not a shortcut at all");
    EXPECT_EQ(fs.ResolveShortcut(broken), "");
    Add({toFile, broken});
    EXPECT_TRUE(list.Empty());
    EXPECT_EQ(messages, Paths{"Your selection contained files.\nOnly directories are added."});
}

// The console program as a user runs it: arguments and output outside the ANSI
// code page survive the way through its command line and its pipe.
TEST(CliProgram, TakesAndPrintsNamesOutsideTheCodePage)
{
    TempTree tree;
    std::string first = tree.Write("\xE6\x97\xA5\xE6\x9C\xAC/\xCE\xB1.txt", "pair");
    std::string second = tree.Write("\xE6\x97\xA5\xE6\x9C\xAC/\xCE\xB2.txt", "pair");

    wchar_t module[MAX_PATH];
    GetModuleFileNameW(nullptr, module, MAX_PATH);
    std::wstring program = module;
    program = program.substr(0, program.rfind(L'\\')) + L"\\..\\twinsweep-cli.exe";
    std::wstring commandLine = L"\"" + program + L"\" \"" + Utf8ToWide(tree.Path("\xE6\x97\xA5\xE6\x9C\xAC")) + L"\"";

    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE readEnd = nullptr, writeEnd = nullptr;
    ASSERT_TRUE(CreatePipe(&readEnd, &writeEnd, &inherit, 0));
    UniqueHandle reader(readEnd), writer(writeEnd);
    SetHandleInformation(reader.get(), HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = writer.get();
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION process{};
    ASSERT_TRUE(CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                               &startup, &process));
    UniqueHandle processHandle(process.hProcess), threadHandle(process.hThread);
    writer.reset();

    std::string output;
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(reader.get(), buffer, sizeof buffer, &got, nullptr) && got > 0)
        output.append(buffer, got);
    WaitForSingleObject(processHandle.get(), INFINITE);
    DWORD exitCode = 1;
    GetExitCodeProcess(processHandle.get(), &exitCode);
    EXPECT_EQ(exitCode, 0u);
    std::erase(output, '\r');
    EXPECT_EQ(output, first + "\n" + second + "\n");
}

}  // namespace
}  // namespace twinsweep
