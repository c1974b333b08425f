#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <set>
#include <sstream>

#include "cli/CliRun.h"
#include "cli/JsonWriter.h"
#include "platform/FileSystem.h"
#include "tests/support/ForwardingFileSystem.h"
#include "tests/support/TempTree.h"

#ifndef _WIN32
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/posix/PosixPaths.h"
#endif

namespace twinsweep {
namespace {

using test::TempTree;
using Lines = std::vector<std::string>;

class CliTest : public ::testing::Test {
protected:
    int Run(std::vector<std::string> args, const FileSystem& fs = PlatformFileSystem())
    {
        out.str("");
        err.str("");
        return RunCli(args, fs, out, err, {});
    }

    std::string FirstErrorLine() const { return err.str().substr(0, err.str().find('\n')); }

    TempTree tree;
    std::ostringstream out, err;
};

TEST_F(CliTest, PrintsGroupsOnePathALineWithAnEmptyLineBetween)
{
    tree.Write("a/one.txt", "first pair");
    tree.Write("b/two.txt", "first pair");
    tree.Write("c/three.txt", "another pair");
    tree.Write("d/four.txt", "another pair");
    tree.Write("single.txt", "alone");
    ASSERT_EQ(Run({tree.Root()}), 0);
    EXPECT_EQ(out.str(), tree.Path("a/one.txt") + "\n" + tree.Path("b/two.txt") + "\n\n" + tree.Path("c/three.txt") +
                             "\n" + tree.Path("d/four.txt") + "\n");
    EXPECT_EQ(err.str(), "Total files: 5\nCopies: 4\nGroups: 2\nTotal Space: 44 bytes\nNeedless: 22 bytes\n");
}

TEST_F(CliTest, EndsPathsAndGroupsWithNulsWhenAsked)
{
    std::string a = tree.Write("a", "first pair");
    std::string b = tree.Write("b", "first pair");
    std::string c = tree.Write("c", "another pair");
    std::string d = tree.Write("d", "another pair");
    using namespace std::string_literals;
    for (const char* option : {"-0", "--null"}) {
        ASSERT_EQ(Run({option, tree.Root()}), 0);
        EXPECT_EQ(out.str(), a + "\0"s + b + "\0\0"s + c + "\0"s + d + "\0\0"s);
    }
}

TEST_F(CliTest, SaysWhenNothingIsFound)
{
    tree.Write("a", "1");
    tree.Write("b", "2");
    ASSERT_EQ(Run({tree.Root()}), 0);
    EXPECT_EQ(out.str(), "");
    EXPECT_EQ(err.str().rfind("No duplicates are found.\nTotal files: 2\n", 0), 0u) << err.str();
}

TEST_F(CliTest, WritesOneJsonDocument)
{
    std::string x = tree.Write("x", "pair");
    std::string z = tree.Write("z", "pair");
    ASSERT_EQ(Run({"--json", tree.Root()}), 0);
    EXPECT_NE(out.str().find("{\"bytes\": 8, \"files\": [{\"path\": " + JsonString(x) + ", \"size\": 4}, {\"path\": " +
                             JsonString(z) + ", \"size\": 4}]}"),
              std::string::npos)
        << out.str();
    EXPECT_NE(out.str().find("\"statistics\": {\"totalFiles\": 2, \"copies\": 2, \"groups\": 1, "
                             "\"totalSpace\": 8, \"needless\": 4, "),
              std::string::npos)
        << out.str();

    tree.Remove("z");
    ASSERT_EQ(Run({"--json", tree.Root()}), 0);
    EXPECT_EQ(out.str(), "{\n  \"groups\": [],\n  \"statistics\": {\"totalFiles\": 1, \"copies\": 0, \"groups\": 0, "
                         "\"totalSpace\": 0, \"needless\": 0, \"unreadableFiles\": 0, \"unreadableFolders\": 0, "
                         "\"changedFiles\": 0}\n}\n");
}

TEST_F(CliTest, PrintsEqualFoldersAfterTheFileGroupsInEachFormat)
{
    std::string a = tree.Path("a"), b = tree.Path("b"), c = tree.Path("c"), d = tree.Path("d");
    for (std::string folder : {"a/", "b/"}) {
        tree.Write(folder + "x", "pair");
        tree.Write(folder + "y", "second");
    }
    tree.Write("c/z", "third");
    tree.Write("d/z", "third");
    const std::string files = tree.Path("a/x") + "\n" + tree.Path("b/x") + "\n\n" + tree.Path("a/y") + "\n" +
                              tree.Path("b/y") + "\n\n" + tree.Path("c/z") + "\n" + tree.Path("d/z") + "\n";
    ASSERT_EQ(Run({"--folders", tree.Root()}), 0);
    EXPECT_EQ(out.str(), files + "\nEqual folders:\n" + a + "\n" + b + "\n\n" + c + "\n" + d + "\n");

    using namespace std::string_literals;
    ASSERT_EQ(Run({"--folders", "-0", tree.Root()}), 0);
    EXPECT_EQ(out.str().substr(out.str().size() - (a + b + c + d).size() - 9),
              "\0\0\0"s + a + "\0"s + b + "\0\0"s + c + "\0"s + d + "\0\0"s);

    ASSERT_EQ(Run({"--folders", "--json", tree.Root()}), 0);
    EXPECT_NE(out.str().find("\n  ],\n  \"folderGroups\": [\n    {\"bytes\": 20, \"folders\": [{\"path\": " +
                             JsonString(a) + ", \"files\": 2, \"size\": 10}, {\"path\": " + JsonString(b) +
                             ", \"files\": 2, \"size\": 10}]},\n    {\"bytes\": 10, "),
              std::string::npos)
        << out.str();

    ASSERT_EQ(Run({"--folders", "--no-contents", "--json", tree.Root()}), 0);
    EXPECT_NE(out.str().find("\"folderGroups\": [],"), std::string::npos) << out.str();
    ASSERT_EQ(Run({tree.Root()}), 0);
    EXPECT_EQ(out.str(), files);
}

// Counts the pieces a stream passes on: one per flush.
class CountingBuffer : public std::stringbuf {
public:
    int flushes = 0;

protected:
    int sync() override
    {
        ++flushes;
        return std::stringbuf::sync();
    }
};

// Each piece written costs a system call, on Windows a console query too.
TEST_F(CliTest, WritesEachGroupAtOnceToATerminalAndAllInOnePieceElsewhere)
{
    for (const char* group : {"1", "2", "3"}) {
        tree.Write(std::string(group) + "a", group);
        tree.Write(std::string(group) + "b", group);
    }
    std::string written[2];
    for (bool terminal : {false, true}) {
        CountingBuffer buffer;
        std::ostream counted(&buffer);
        ASSERT_EQ(RunCli({tree.Root()}, PlatformFileSystem(), counted, err, {terminal, false}), 0);
        EXPECT_EQ(buffer.flushes, terminal ? 3 : 1);
        written[terminal] = buffer.str();
    }
    EXPECT_EQ(written[0], written[1]);
    EXPECT_EQ(std::count(written[0].begin(), written[0].end(), '\n'), 8);
}

TEST(Base64, EncodesWithPadding)
{
    const std::pair<std::string_view, const char*> table[] = {
        {"", ""},
        {"f", "Zg=="},
        {"fo", "Zm8="},
        {"foo", "Zm9v"},
        {"foobar", "Zm9vYmFy"},
        {std::string_view("\xFF\xFE\0", 3), "//4A"},
    };
    for (const auto& [bytes, text] : table)
        EXPECT_EQ(Base64(bytes), text);
}

#ifndef _WIN32
// Windows names are UTF-16 and always reach the search as valid UTF-8.
TEST_F(CliTest, KeepsNamesThatAreNotUtf8DistinctInJson)
{
    std::string first = tree.Write("a\xFF", "pair");
    std::string second = tree.Write("a\xFE", "pair");
    auto file = [](const std::string& path) {
        return "{\"path\": " + JsonString(path) + ", \"pathBase64\": \"" + Base64(path) + "\", \"size\": 4}";
    };
    ASSERT_EQ(Run({"--json", tree.Root()}), 0);
    EXPECT_NE(out.str().find("[" + file(second) + ", " + file(first) + "]"), std::string::npos) << out.str();
}
#endif

TEST_F(CliTest, TakesMasksCriteriaAndSizeRange)
{
    tree.Write("a/small.txt", std::string(100, 's'));
    tree.Write("b/small.txt", std::string(100, 's'));
    tree.Write("a/big.txt", std::string(2000, 'b'));
    tree.Write("b/big.txt", std::string(2000, 'b'));
    tree.Write("a/big.doc", std::string(2000, 'd'));
    tree.Write("b/big.doc", std::string(2000, 'd'));
    tree.Write("a/e1", "");
    tree.Write("b/e2", "");

    ASSERT_EQ(Run({"--min", "1K", "--max", "1999", tree.Root()}), 0);
    EXPECT_EQ(out.str(), "");
    ASSERT_EQ(Run({"--min", "1K", "--mask", " *.doc ; *.bin", tree.Root()}), 0);
    EXPECT_EQ(out.str(), tree.Path("a/big.doc") + "\n" + tree.Path("b/big.doc") + "\n");
    ASSERT_EQ(Run({"--max", "100", tree.Root()}), 0);
    EXPECT_EQ(out.str(), tree.Path("a/small.txt") + "\n" + tree.Path("b/small.txt") + "\n");
    ASSERT_EQ(Run({"--max", "0", "--empty", tree.Root()}), 0);
    EXPECT_EQ(out.str(), tree.Path("a/e1") + "\n" + tree.Path("b/e2") + "\n");
    ASSERT_EQ(Run({"--no-contents", "--ext", "--mask", "*.doc", tree.Root()}), 0);
    EXPECT_EQ(out.str(), tree.Path("a/big.doc") + "\n" + tree.Path("b/big.doc") + "\n");
    ASSERT_EQ(Run({"--names", "--mask", "big.*", tree.Root()}), 0);
    EXPECT_EQ(out.str(), tree.Path("a/big.doc") + "\n" + tree.Path("b/big.doc") + "\n\n" + tree.Path("a/big.txt") +
                             "\n" + tree.Path("b/big.txt") + "\n");
}

TEST_F(CliTest, PutsTheFoldersThroughTheFolderListRules)
{
    tree.Write("a/x", "same");
    tree.Write("a/sub/y", "same");
    ASSERT_EQ(Run({tree.Path("a/sub"), tree.Path("a")}), 0);
    EXPECT_EQ(out.str(), tree.Path("a/x") + "\n" + tree.Path("a/sub/y") + "\n");
    EXPECT_EQ(err.str().rfind("Folder '" + tree.Path("a/sub") + "' is a subfolder of '" + tree.Path("a") +
                                  "' and is replaced by it.\nTotal files: 2\n",
                              0),
              0u)
        << err.str();
}

TEST_F(CliTest, RefusesBadUsageWithExitCodeTwo)
{
    tree.Write("a", "pair");
    tree.Write("b", "pair");
    const std::pair<std::vector<std::string>, std::string> table[] = {
        {{}, "no folder given"},
        {{"--bogus", tree.Root()}, "unknown option --bogus"},
        {{"--min", "lots", tree.Root()}, "option --min takes a number of bytes with an optional K, M or G: lots"},
        {{tree.Root(), "--mask"}, "option --mask needs a value"},
        // An unset variable must not turn into a search of the working folder.
        {{""}, "a folder name is empty"},
        {{tree.Root(), "--", ""}, "a folder name is empty"},
        {{"--min", "2K", "--max", "1K", tree.Root()}, "--min is above --max"},
        {{"--json", "-0", tree.Root()}, "--json and --null do not go together"},
        // Sizes that do not fit must not wrap round to small ones.
        {{"--max", "18446744073709551616", tree.Root()},
         "option --max takes a number of bytes with an optional K, M or G: 18446744073709551616"},
        {{"--mask", "", tree.Root()}, "option --mask takes file masks separated by ';' or ',': ''"},
        {{"--mask", " ;; ", tree.Root()}, "option --mask takes file masks separated by ';' or ',': ' ;; '"},
    };
    for (const auto& [args, message] : table) {
        EXPECT_EQ(Run(args), 2) << message;
        EXPECT_EQ(FirstErrorLine(), "twinsweep-cli: " + message);
        EXPECT_EQ(out.str(), "");
    }
}

TEST_F(CliTest, LeavesOutWhatIsNoFolderAndSearchesTheRestWithExitCodeOne)
{
    tree.Write("a/x", "pair");
    tree.Write("a/y", "pair");
    std::string file = tree.Write("file.txt", "text");
    EXPECT_EQ(Run({tree.Path("missing"), file, tree.Path("a")}), 1);
    EXPECT_EQ(out.str(), tree.Path("a/x") + "\n" + tree.Path("a/y") + "\n");
    EXPECT_EQ(err.str().rfind("twinsweep-cli: '" + tree.Path("missing") + "' does not exist\ntwinsweep-cli: '" + file +
                                  "' is a file, not a folder\nTotal files: 2\n",
                              0),
              0u)
        << err.str();

    EXPECT_EQ(Run({file, tree.Path("missing")}), 2);
    EXPECT_EQ(err.str(), "twinsweep-cli: '" + file + "' is a file, not a folder\ntwinsweep-cli: '" +
                             tree.Path("missing") + "' does not exist\ntwinsweep-cli: no folder left to search\n");
}

TEST_F(CliTest, TakesFoldersRelativeToTheWorkingFolderAndAfterDoubleDash)
{
    tree.Write("-dash/a", "pair");
    tree.Write("-dash/b", "pair");
    std::filesystem::path previous = std::filesystem::current_path();
    std::filesystem::current_path(test::FromUtf8(tree.Root()));
    int code = Run({"--", "-dash"});
    std::filesystem::current_path(previous);
    ASSERT_EQ(code, 0);
    EXPECT_EQ(out.str(), tree.Path("-dash/a") + "\n" + tree.Path("-dash/b") + "\n");
}

TEST(DescribeLeftOut, CountsWhatWasLeftOutInWords)
{
    const std::pair<LeftOut, Lines> table[] = {
        {{0, 0, 0}, {}},
        {{1, 0, 0}, {"1 file could not be read"}},
        {{0, 1, 0}, {"1 folder could not be read"}},
        {{2, 1, 0}, {"2 files and 1 folder could not be read"}},
        {{1, 3, 0}, {"1 file and 3 folders could not be read"}},
        {{0, 0, 1}, {"1 file changed during the search and was left out"}},
        {{0, 2, 4}, {"2 folders could not be read", "4 files changed during the search and were left out"}},
    };
    for (const auto& [leftOut, lines] : table)
        EXPECT_EQ(DescribeLeftOut(leftOut), lines);
}

// Refuses to open the chosen files and folders, as the system does for those a
// user may not read.
class RefusingFileSystem : public test::ForwardingFileSystem {
public:
    explicit RefusingFileSystem(std::set<std::string> refused) : m_refused(std::move(refused)) {}

    std::unique_ptr<FolderListing> OpenFolder(const std::string& path) const override
    {
        return m_refused.count(path) ? nullptr : ForwardingFileSystem::OpenFolder(path);
    }
    std::unique_ptr<FolderListing> OpenSubfolder(const FolderListing& parent, const std::string& path) const override
    {
        return m_refused.count(path) ? nullptr : ForwardingFileSystem::OpenSubfolder(parent, path);
    }
    OpenResult OpenForReading(const std::string& path) const override
    {
        return m_refused.count(path) ? OpenResult{} : ForwardingFileSystem::OpenForReading(path);
    }
    OpenResult OpenInHeldFolder(const HeldFolder& folder, const std::string& name) const override
    {
        return m_refused.count(folder.Path() + name) ? OpenResult{}
                                                     : ForwardingFileSystem::OpenInHeldFolder(folder, name);
    }

private:
    std::set<std::string> m_refused;
};

TEST_F(CliTest, SaysHowManyFilesAndFoldersCouldNotBeRead)
{
    for (const char* name : {"x", "y", "locked1", "locked2", "closed/z"})
        tree.Write(name, "pair");
    RefusingFileSystem fs({tree.Path("locked1"), tree.Path("locked2"), tree.Path("closed")});

    EXPECT_EQ(Run({tree.Root()}, fs), 1);
    EXPECT_EQ(out.str(), tree.Path("x") + "\n" + tree.Path("y") + "\n");
    EXPECT_EQ(err.str().rfind("2 files and 1 folder could not be read\nTotal files: 4\n", 0), 0u) << err.str();

    EXPECT_EQ(Run({"--json", tree.Root()}, fs), 1);
    EXPECT_NE(out.str().find("\"unreadableFiles\": 2, \"unreadableFolders\": 1, \"changedFiles\": 0}"),
              std::string::npos)
        << out.str();
}

#ifndef _WIN32
TEST(PosixFullPath, ResolvesDotDotAsTheSystemDoesAndKeepsTheOtherNames)
{
    TempTree tree;
    tree.MakeFolder("a");
    tree.MakeFolder("b/c");
    ASSERT_TRUE(tree.LinkFolder("b/c", "a/link"));
    const std::string root = tree.Root();
    const std::pair<std::string, std::string> table[] = {
        {root + "/a/link/..", root + "/b"},  // the parent of the link's target
        {root + "/a/link/../c/", root + "/b/c"},
        {root + "/a/./link/", root + "/a/link"},
        {root + "//a//link/.", root + "/a/link"},
        {root + "/missing/../a", root + "/missing/../a"},  // names nothing, as for the system
        {"/..", "/"},
        {"/", "/"},
        {"", ""},
    };
    for (const auto& [path, full] : table)
        EXPECT_EQ(PosixFullPath(path), full) << path;

    std::filesystem::path previous = std::filesystem::current_path();
    std::filesystem::current_path(test::FromUtf8(tree.Path("a")));
    EXPECT_EQ(PosixFullPath("link/.."), root + "/b");
    EXPECT_EQ(PosixFullPath("link"), root + "/a/link");
    std::filesystem::current_path(previous);
}

struct ProgramRun {
    int exitCode = -1;
    std::string err;
};

// The real twinsweep-cli, built beside the tests' folder, with its stdout on fd.
ProgramRun RunProgramWritingTo(int fd, const std::vector<std::string>& args)
{
    std::string program = test::Utf8(std::filesystem::read_symlink("/proc/self/exe").parent_path().parent_path() /
                                     "twinsweep-cli");
    std::vector<char*> argv{program.data()};
    for (const std::string& arg : args)
        argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    int errPipe[2];
    if (pipe2(errPipe, O_CLOEXEC) != 0)
        return {};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fd, 1);
    posix_spawn_file_actions_adddup2(&actions, errPipe[1], 2);
    // As from a shell: SIGPIPE kills unless the program itself ignores it.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF);
    pid_t child = 0;
    bool spawned = posix_spawn(&child, program.c_str(), &actions, &attributes, argv.data(), environ) == 0;
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    close(errPipe[1]);
    ProgramRun run;
    char buffer[4096];
    for (ssize_t got; (got = read(errPipe[0], buffer, sizeof buffer)) > 0;)
        run.err.append(buffer, static_cast<size_t>(got));
    close(errPipe[0]);
    int status = 0;
    if (spawned && waitpid(child, &status, 0) == child && WIFEXITED(status))
        run.exitCode = WEXITSTATUS(status);
    return run;
}

TEST_F(CliTest, ExitsWithAMessageWhenItsOutputCannotBeWritten)
{
    tree.Write("a", "pair");
    tree.Write("b", "pair");
    const std::vector<std::string> args{"--json", tree.Root()};

    int full = open("/dev/full", O_WRONLY | O_CLOEXEC);
    ASSERT_GE(full, 0);
    ProgramRun run = RunProgramWritingTo(full, args);
    close(full);
    EXPECT_EQ(run.exitCode, 3);
    EXPECT_EQ(run.err, "twinsweep-cli: cannot write the output: " + std::string(std::strerror(ENOSPC)) + "\n");

    // A reader that went away: the program neither dies of the signal nor says nothing.
    int ends[2];
    ASSERT_EQ(pipe2(ends, O_CLOEXEC), 0);
    close(ends[0]);
    run = RunProgramWritingTo(ends[1], args);
    close(ends[1]);
    EXPECT_EQ(run.exitCode, 3);
    EXPECT_EQ(run.err, "twinsweep-cli: cannot write the output: " + std::string(std::strerror(EPIPE)) + "\n");
}
#endif

}  // namespace
}  // namespace twinsweep
