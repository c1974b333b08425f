#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <functional>
#include <thread>

#include "engine/FolderScan.h"
#include "engine/MaskList.h"
#include "engine/SearchRun.h"
#include "tests/support/ForwardingFileSystem.h"
#include "tests/support/OpenFileLimit.h"
#include "tests/support/RecordingReporter.h"
#include "tests/support/TempTree.h"

#ifndef _WIN32
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace twinsweep {
namespace {

using test::RecordingReporter;
using test::TempTree;
using Paths = std::vector<std::string>;

class FolderScanTest : public ::testing::Test {
protected:
    void Scan(const std::string& maskText, const Paths& folders)
    {
        job.masks.clear();
        SplitMaskList(maskText, job.masks, true);
        FolderScanner scanner(job, fs, reporter);
        for (const std::string& folder : folders)
            scanner.ScanFolder(folder);
    }

    Paths Collected() const
    {
        Paths paths;
        for (size_t k = 0; k < job.files.Count(); ++k)
            paths.push_back(job.files.PathOf(k));
        return paths;
    }

    Paths InTree(std::initializer_list<const char*> relatives) const
    {
        Paths paths;
        for (const char* relative : relatives)
            paths.push_back(tree.Path(relative));
        return paths;
    }

    TempTree tree;
    SearchJob job;
    RecordingReporter reporter;
    test::ForwardingFileSystem fs;
};

TEST_F(FolderScanTest, CollectsFilesMaskByMaskBeforeWalkingSubfoldersDepthFirst)
{
    for (const char* file : {"b.doc", "a.txt", "c.txt", "skip.bin", "sub/e.doc", "sub/d.txt", "sub/deep/h.txt",
                             "Zsub/f.txt", "asub/g.doc"})
        tree.Write(file, "x");
    Scan("*.txt;*.doc", {tree.Root()});
    EXPECT_EQ(Collected(), InTree({"a.txt", "c.txt", "b.doc", "asub/g.doc", "sub/d.txt", "sub/e.doc",
                                   "sub/deep/h.txt", "Zsub/f.txt"}));
}

TEST_F(FolderScanTest, ListsAFolderInNtfsOrder)
{
    for (const char* file :
         {"~t", "_u", "Zz", "B", "a_b", "ab", "2.txt", "10.txt", "LongName_b", "longname_A", "LONGNAME"})
        tree.Write(file, "x");
    Scan("*.*", {tree.Root()});
    EXPECT_EQ(Collected(), InTree({"10.txt", "2.txt", "ab", "a_b", "B", "LONGNAME", "longname_A", "LongName_b", "Zz",
                                   "_u", "~t"}));
}

TEST_F(FolderScanTest, WalksFoldersInListOrderAndTellsFileCountAndFolder)
{
    tree.Write("one/a", "x");
    tree.Write("two/b", "x");
    tree.Write("two/c", "x");
    Scan("*.*", {tree.Path("two"), tree.Path("one")});
    EXPECT_EQ(Collected(), InTree({"two/b", "two/c", "one/a"}));
    ASSERT_FALSE(reporter.fileCounts.empty());
    EXPECT_EQ(reporter.fileCounts.front(), 0u);
    EXPECT_EQ(reporter.events.front(), "text " + tree.Path("two"));
}

TEST_F(FolderScanTest, EmptyMaskListCollectsNothingButWalksEveryFolder)
{
    tree.Write("a.txt", "x");
    tree.Write("sub/b.txt", "x");
    tree.Write("sub/inner/c.txt", "x");
    Scan(" ;, ", {tree.Root()});
    EXPECT_TRUE(Collected().empty());
    std::sort(fs.openedFolders.begin(), fs.openedFolders.end());
    EXPECT_EQ(fs.openedFolders, InTree({"", "sub", "sub/inner"}));
}

// Resolving a folder's whole path again for each folder makes a deep walk cost
// the square of its depth.
TEST_F(FolderScanTest, OpensOnlyTheListedFolderByItsPathAndEverySubfolderFromItsParent)
{
    tree.Write("a/b/c/file.txt", "x");
    tree.Write("a/side/file.txt", "x");
    Scan("*.*", {tree.Root()});
    EXPECT_EQ(Collected(), InTree({"a/b/c/file.txt", "a/side/file.txt"}));
    EXPECT_EQ(fs.foldersOpenedByPath, InTree({""}));
    EXPECT_EQ(fs.openedFolders.size(), 5u);
}

TEST(FileSystemSeam, OpensASubfolderFromItsOpenParentWhereverThatParentHasGone)
{
    TempTree tree;
    tree.Write("before/sub/file.txt", "x");
    const FileSystem& fs = PlatformFileSystem();
    std::unique_ptr<FolderListing> parent = fs.OpenFolder(tree.Path("before"));
    ASSERT_TRUE(parent);
    std::filesystem::rename(test::FromUtf8(tree.Path("before")), test::FromUtf8(tree.Path("after")));
    std::unique_ptr<FolderListing> sub = fs.OpenSubfolder(*parent, tree.Path("before/sub"));
    ASSERT_TRUE(sub);
    FolderEntries entries;
    sub->Find("*.*", entries);
    ASSERT_EQ(entries.Size(), 1u);
    EXPECT_EQ(entries[0].name, "file.txt");
    EXPECT_FALSE(fs.OpenSubfolder(*parent, tree.Path("before/missing")));
}

TEST_F(FolderScanTest, WalksSubfoldersWhateverTheirNames)
{
    tree.Write("data.bin/inside.txt", "x");
    Scan("*.txt", {tree.Root()});
    EXPECT_EQ(Collected(), InTree({"data.bin/inside.txt"}));
}

TEST_F(FolderScanTest, CollectsAFileMatchingTwoMasksOnce)
{
    tree.Write("a.txt", "x");
    tree.Write("b.txt", "x");
    Scan("*.txt;a*;*.*", {tree.Root()});
    EXPECT_EQ(Collected(), InTree({"a.txt", "b.txt"}));
}

TEST_F(FolderScanTest, CollectsHiddenAndDotFiles)
{
    tree.Write(".hidden", "x");
    Scan("*.*", {tree.Root()});
    EXPECT_EQ(Collected(), InTree({".hidden"}));
}

TEST_F(FolderScanTest, KeepsToTheSizeRangeWithBothBoundsIncluded)
{
    for (size_t size : {0, 1023, 1024, 1500, 2048, 2049})
        tree.Write(std::string("f").append(std::to_string(size)), std::string(size, 'x'));
    job.options.rangeOn = true;
    job.options.minSize = 1024;
    job.options.maxSize = 2048;
    Scan("*.*", {tree.Root()});
    EXPECT_EQ(Collected(), InTree({"f1024", "f1500", "f2048"}));
}

TEST_F(FolderScanTest, ARangeOfZeroToZeroCollectsOnlyEmptyFilesAndAnInvertedOneNothing)
{
    tree.Write("empty", "");
    tree.Write("full", "x");
    job.options.rangeOn = true;
    Scan("*.*", {tree.Root()});
    EXPECT_EQ(Collected(), InTree({"empty"}));

    job.files = FileCatalogue();
    job.options.minSize = 2;
    job.options.maxSize = 1;
    Scan("*.*", {tree.Root()});
    EXPECT_TRUE(Collected().empty());
}

TEST_F(FolderScanTest, ReadsSizesBeyondFourGibibytes)
{
    const uint64_t huge = (uint64_t{1} << 32) + 5;
    std::string path = tree.Write("sparse", "");
    std::filesystem::resize_file(test::FromUtf8(path), huge);
    job.options.rangeOn = true;
    job.options.minSize = int64_t{4096} * 1048576;  // 4096 MB, beyond 32 bits
    job.options.maxSize = int64_t{5000} * 1048576;
    Scan("*.*", {tree.Root()});
    ASSERT_EQ(Collected(), InTree({"sparse"}));
    EXPECT_EQ(job.files.SizeOf(0), huge);
}

TEST_F(FolderScanTest, SkipsAFolderThatCannotBeEnteredAndCountsIt)
{
    tree.Write("a", "x");
    Scan("*.*", {tree.Path("missing"), tree.Root()});
    EXPECT_EQ(Collected(), InTree({"a"}));
    EXPECT_EQ(job.unreadableFolders, 1u);
}

TEST_F(FolderScanTest, CollectsAFileReachedByTwoHardLinksOnce)
{
    tree.Write("a/original", "x");
    tree.MakeFolder("b");
    std::error_code error;
    std::filesystem::create_hard_link(test::FromUtf8(tree.Path("a/original")), test::FromUtf8(tree.Path("b/hard")),
                                      error);
    if (error)
        GTEST_SKIP() << "no hard links here: " << error.message();
    Scan("*.*", {tree.Root()});
    EXPECT_EQ(Collected(), InTree({"a/original"}));
    // Masks the system matches itself.
    job.files = FileCatalogue();
    Scan("hard;orig*", {tree.Root()});
    EXPECT_EQ(Collected(), InTree({"a/original"}));
}

TEST_F(FolderScanTest, FolderLinksNeverLoopNorCollectAFileTwice)
{
    tree.Write("a/file.txt", "x");
    tree.MakeFolder("b");
    if (!tree.LinkFolder("", "a/up"))
        GTEST_SKIP() << "no folder links here";
    ASSERT_TRUE(tree.LinkFolder("a", "b/side"));
    Scan("*.*", {tree.Root(), tree.Path("b/side")});
    EXPECT_EQ(Collected(), InTree({"a/file.txt"}));
}

TEST_F(FolderScanTest, AFolderReachedFirstThroughALinkIsNotWalkedAgain)
{
    tree.Write("before/one.txt", "x");
    tree.Write("z/file.txt", "x");
    tree.MakeFolder("a");
    if (!tree.LinkFolder("z", "a/link"))
        GTEST_SKIP() << "no folder links here";
    Scan("*.*", {tree.Root()});
    EXPECT_EQ(Collected(), InTree({"a/link/file.txt", "before/one.txt"}));
}

TEST_F(FolderScanTest, ASecondListedFolderReachedThroughTheFirstIsNotWalkedAgain)
{
    tree.Write("data/deep/file.txt", "x");
    tree.MakeFolder("elsewhere");
    if (!tree.LinkFolder("data/deep", "elsewhere/shortcut"))
        GTEST_SKIP() << "no folder links here";
    Scan("*.*", {tree.Path("data"), tree.Path("elsewhere/shortcut")});
    EXPECT_EQ(Collected(), InTree({"data/deep/file.txt"}));
}

TEST_F(FolderScanTest, HandlesPathsLongerThan260Characters)
{
    std::string relative;
    for (int level = 0; level < 6; ++level)
        relative += std::string(50, static_cast<char>('a' + level)) + "/";
    std::string first = tree.Write(relative + "one.dat", "same bytes");
    std::string second = tree.Write(relative + "two.dat", "same bytes");
    ASSERT_GT(first.size(), 300u);

    job.folders = {tree.Root()};
    EXPECT_TRUE(RunSearch(job, fs, reporter));
    EXPECT_EQ(Collected(), (Paths{first, second}));
    EXPECT_EQ(reporter.groups, (std::vector<Paths>{{first, second}}));
}

// However few listings the walk may hold open, every subfolder is opened from
// its parent: by its path, a folder beyond the longest path would be lost. Its
// files are compared and shown all the same.
TEST_F(FolderScanTest, ADeepTreeIsSearchedWholeEachFolderOpenedFromItsParent)
{
    // Folders nested 30 deep, some 4 600 bytes in all, with 6 equal files on the
    // way; made a folder at a time, as no path takes them at once.
    const std::string name(150, 'd');
    if (!tree.RunShell("for level in $(seq 30); do mkdir " + name + " && cd -P " + name +
                       " && case $level in 1|8|15|21|29|30) printf x > f;; esac; done"))
        GTEST_SKIP() << "no Unix shell";
    test::ForwardingFileSystem tight(4);
    job.folders = {tree.Root()};
    RunSearch(job, tight, reporter);
    EXPECT_EQ(job.files.Count(), 6u);
    EXPECT_EQ(job.unreadableFolders, 0u);
    EXPECT_EQ(tight.foldersOpenedByPath.size(), 1u);
    // Wine opens no file whose Linux path is beyond the longest: those are counted.
    const size_t grouped = reporter.groups.empty() ? 0 : reporter.groups[0].size();
    EXPECT_EQ(grouped + job.unreadableFiles, 6u);
#ifndef _WIN32
    EXPECT_EQ(grouped, 6u);
#endif
    tree.RunShell("rm -rf " + name);
}

TEST_F(FolderScanTest, FindsOpensAndShowsNamesOutsideAnyCodePage)
{
    std::string greek = tree.Write("\xCE\xB5\xCE\xBB\xCE\xBB\xCE\xB7\xCE\xBD\xCE\xB9\xCE\xBA\xCE\xAC.txt", "payload");
    std::string japanese = tree.Write("\xE6\x97\xA5\xE6\x9C\xAC/\xE6\x96\x87\xE6\x9B\xB8.txt", "payload");
    job.folders = {tree.Root()};
    EXPECT_TRUE(RunSearch(job, fs, reporter));
    EXPECT_EQ(reporter.groups, (std::vector<Paths>{{greek, japanese}}));
}

TEST_F(FolderScanTest, AStopAtTheFirstFolderEndsTheWalkAndTheSearch)
{
    tree.Write("a", "x");
    tree.Write("b", "x");
    reporter.stopAt = [](const std::string& event) { return event.starts_with("text "); };
    job.folders = {tree.Root()};
    EXPECT_FALSE(RunSearch(job, fs, reporter));
    EXPECT_TRUE(job.stop);
    EXPECT_TRUE(Collected().empty());
    EXPECT_TRUE(reporter.groups.empty());
    EXPECT_EQ(reporter.events.back(), "caption Comparing the folders...");
}

TEST_F(FolderScanTest, RunsThroughThePhasesWithTheirCaptions)
{
    tree.Write("a", "x");
    job.folders = {tree.Root()};
    EXPECT_FALSE(RunSearch(job, fs, reporter));
    Paths captions;
    for (const std::string& event : reporter.events) {
        if (event.starts_with("caption "))
            captions.push_back(event.substr(8));
    }
    EXPECT_EQ(captions, (Paths{"Folder scan", "File comparison", "Comparing the folders..."}));
    EXPECT_EQ(reporter.fileCounts.back(), 1u);
}

#ifndef _WIN32
TEST_F(FolderScanTest, PassesOverPipesAndDanglingLinks)
{
    tree.Write("real", "x");
    ASSERT_EQ(mkfifo(tree.Path("pipe").c_str(), 0600), 0);
    std::filesystem::create_symlink(test::FromUtf8(tree.Path("gone")), test::FromUtf8(tree.Path("dangling")));
    Scan("*.*", {tree.Root()});
    EXPECT_EQ(Collected(), InTree({"real"}));
}

// A folder of many files is described on several threads, batch by batch: each
// file comes once, in the listing's order, with its own size.
TEST_F(FolderScanTest, AFolderOfManyFilesKeepsItsOrderAndSizes)
{
    Paths expected;
    for (int k = 0; k < 9000; ++k)
        expected.push_back(tree.Write(std::string("f").append(std::to_string(10000 + k)),
                                      std::string(static_cast<size_t>(k % 7), 'x')));
    expected.push_back(tree.Write("f14500x/inner", "x"));  // a folder amid them, walked after them
    Scan("*.*", {tree.Root()});
    EXPECT_EQ(Collected(), expected);
    for (size_t k = 0; k + 1 < job.files.Count(); ++k)
        ASSERT_EQ(job.files.SizeOf(k), k % 7) << job.files.PathOf(k);
}

// Folders listed ahead keep their listings open for their subfolders: a wide
// tree listed far ahead must not use up the descriptors, or folders go unread.
TEST_F(FolderScanTest, AWideTreeListedAheadKeepsWithinTheOpenFileLimit)
{
    for (int k = 0; k < 300; ++k)
        tree.Write("d" + std::to_string(1000 + k) + "/sub/file", "x");
    test::ForwardingFileSystem tight(16);
    // The walk waits in its first folder while a helper lists all the others.
    const std::string first = tree.Path("d1000");
    tight.beforeOpenFolder = [&](const std::string& path) {
        if (path == first)
            std::this_thread::sleep_for(std::chrono::milliseconds(500));
    };
    test::OpenFileLimit limit;
    limit.Set(64);
    job.masks = {"*.*"};
    FolderScanner(job, tight, reporter).ScanFolder(tree.Root());
    limit.Restore();
    EXPECT_EQ(job.files.Count(), 300u);
    EXPECT_EQ(job.unreadableFolders, 0u);
}

// Root enters every folder whatever its mode: body then runs in a child process
// as nobody. Returns what body returns, below 256.
int AsAnotherUser(const std::function<int()>& body)
{
    if (geteuid() != 0)
        return body();
    const pid_t child = fork();
    if (child == 0)
        _exit(setgid(65534) == 0 && setuid(65534) == 0 ? body() : 255);
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 255;
}

TEST_F(FolderScanTest, AFolderThatCanBeListedButNotEnteredIsCountedUnreadable)
{
    tree.Write("open/a", "x");
    tree.Write("shut/b", "x");
    tree.Write("shut/sub/c", "x");
    chmod(tree.Path("shut").c_str(), 0644);
    const int seen = AsAnotherUser([&] {
        Scan("*.*", {tree.Root()});
        return static_cast<int>(10 * job.files.Count() + job.unreadableFolders);
    });
    chmod(tree.Path("shut").c_str(), 0755);
    EXPECT_EQ(seen, 11) << "10 for each file collected, 1 for each folder counted unreadable";
}

TEST_F(FolderScanTest, CollectsAFileReachedByTwoLinksOnce)
{
    tree.Write("a/original", "x");
    tree.MakeFolder("b");
    tree.MakeFolder("c");
    std::filesystem::create_hard_link(test::FromUtf8(tree.Path("a/original")), test::FromUtf8(tree.Path("b/hard")));
    std::filesystem::create_symlink(test::FromUtf8(tree.Path("a/original")), test::FromUtf8(tree.Path("c/soft")));
    Scan("*.*", {tree.Root()});
    EXPECT_EQ(Collected(), InTree({"a/original"}));
}

TEST_F(FolderScanTest, ALinkToAFileOfOneNameCollectsItOnceWhicheverComesFirst)
{
    tree.Write("a/only", "x");
    tree.MakeFolder("b");
    std::filesystem::create_symlink(test::FromUtf8(tree.Path("a/only")), test::FromUtf8(tree.Path("b/after")));
    Scan("*.*", {tree.Root()});
    EXPECT_EQ(Collected(), InTree({"a/only"}));
    tree.MakeFolder("0");
    std::filesystem::create_symlink(test::FromUtf8(tree.Path("a/only")), test::FromUtf8(tree.Path("0/before")));
    job.files = FileCatalogue();
    Scan("*.*", {tree.Root()});
    EXPECT_EQ(Collected(), InTree({"0/before"}));
}
#endif

}  // namespace
}  // namespace twinsweep
