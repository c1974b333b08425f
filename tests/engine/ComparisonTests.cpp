#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <tuple>

#include "engine/DuplicateComparison.h"
#include "engine/FolderScan.h"
#include "engine/MaskList.h"
#include "tests/support/ForwardingFileSystem.h"
#include "tests/support/OpenFileLimit.h"
#include "tests/support/RecordingReporter.h"
#include "tests/support/TempTree.h"

#ifdef _WIN32
#include <windows.h>

#include "win32/Handles.h"
#include "win32/Utf16.h"
#endif

namespace twinsweep {
namespace {

using test::PatternBytes;
using test::RecordingReporter;
using test::TempTree;
using By = test::ForwardingFileSystem::Edit;
using Paths = std::vector<std::string>;
using Groups = std::vector<Paths>;

// "f7", or with digits 2 "f07".
std::string FileName(int k, int digits = 1)
{
    std::string number = std::to_string(k);
    return std::string("f").append(static_cast<size_t>(std::max(0, digits - static_cast<int>(number.size()))), '0') +
           number;
}

std::string WithByteChanged(std::string bytes, size_t at)
{
    bytes[at] = static_cast<char>(bytes[at] ^ 0x5A);
    return bytes;
}

class ComparisonTest : public ::testing::Test {
protected:
    // Walks the tree, then compares: tests may change files in between.
    void Walk()
    {
        job.masks = {"*.*"};
        RecordingReporter walkReporter;
        FolderScanner scanner(job, fs, walkReporter);
        scanner.ScanFolder(tree.Root());
    }

    Groups Compare()
    {
        found = FindDuplicateGroups(job, fs, reporter);
        return reporter.groups;
    }

    // Walks and compares with four handles to keep open, sets too large for them
    // shared by workers.
    Groups WalkAndCompareTightly(size_t workers = 0)
    {
        job.masks = {"*.*"};
        job.comparisonWorkers = workers;
        RecordingReporter walkReporter;
        FolderScanner(job, tight, walkReporter).ScanFolder(tree.Root());
        found = FindDuplicateGroups(job, tight, reporter);
        return reporter.groups;
    }

    Groups WalkAndCompare()
    {
        Walk();
        return Compare();
    }

    Groups InTree(std::initializer_list<std::initializer_list<const char*>> groups) const
    {
        Groups paths;
        for (const auto& group : groups) {
            paths.emplace_back();
            for (const char* relative : group)
                paths.back().push_back(tree.Path(relative));
        }
        return paths;
    }

    // A new search over the tree as it is now.
    void Restart()
    {
        job.files = FileCatalogue();
        job.stop = false;
        reporter = RecordingReporter();
        fs.openedFiles.clear();
    }

    void Options(bool contents, bool names, bool extensions, bool empty = false)
    {
        job.options.equalContents = contents;
        job.options.equalNames = names;
        job.options.equalExtensions = extensions;
        job.options.showEmptyFiles = empty;
    }

    TempTree tree;
    SearchJob job;
    RecordingReporter reporter;
    test::ForwardingFileSystem fs;
    test::ForwardingFileSystem tight{4};
    bool found = false;
};

TEST_F(ComparisonTest, EqualContentsGroupFilesWhateverTheirNames)
{
    std::string bytes = PatternBytes(10000, 1);
    tree.Write("a/one.txt", bytes);
    tree.Write("b/two.doc", bytes);
    tree.Write("c/three", bytes);
    EXPECT_EQ(WalkAndCompare(), InTree({{"a/one.txt", "b/two.doc", "c/three"}}));
    EXPECT_TRUE(found);
    EXPECT_EQ(reporter.groupTotals, std::vector<uint64_t>{30000});
}

TEST_F(ComparisonTest, FilesOfOneSizeThatDifferAnywhereAreNotEqual)
{
    std::string bytes = PatternBytes(10000, 2);
    tree.Write("original", bytes);
    tree.Write("first", WithByteChanged(bytes, 0));
    tree.Write("block-end", WithByteChanged(bytes, 4095));
    tree.Write("second-block", WithByteChanged(bytes, 4096));
    tree.Write("mid-block", WithByteChanged(bytes, 4096 + 2 * 64 + 40));
    tree.Write("last", WithByteChanged(bytes, 9999));
    EXPECT_TRUE(WalkAndCompare().empty());
    EXPECT_FALSE(found);
}

TEST_F(ComparisonTest, EmptyFilesAreEqualOnlyWhenTheOptionSaysSo)
{
    tree.Write("a/empty.txt", "");
    tree.Write("b/empty.txt", "");
    tree.Write("c/other.doc", "");
    EXPECT_TRUE(WalkAndCompare().empty());

    reporter = RecordingReporter();
    Options(true, false, false, true);
    EXPECT_EQ(Compare(), InTree({{"a/empty.txt", "b/empty.txt", "c/other.doc"}}));
    EXPECT_EQ(reporter.groupTotals, std::vector<uint64_t>{0});

    // Without equal contents, empty files go by their names like any other.
    reporter = RecordingReporter();
    Options(false, true, false, false);
    EXPECT_EQ(Compare(), InTree({{"a/empty.txt", "b/empty.txt"}}));
}

TEST_F(ComparisonTest, EqualNamesAloneIgnoreSizeAndExtension)
{
    tree.Write("a/report.txt", std::string(10, 'a'));
    tree.Write("b/REPORT.doc", std::string(20, 'b'));
    tree.Write("c/reports.txt", std::string(10, 'a'));
    Options(false, true, false);
    EXPECT_EQ(WalkAndCompare(), InTree({{"a/report.txt", "b/REPORT.doc"}}));
    EXPECT_EQ(reporter.groupTotals, std::vector<uint64_t>{30});
    EXPECT_TRUE(fs.openedFiles.empty());
}

TEST_F(ComparisonTest, EqualExtensionsAloneFoldCaseAndPairFilesWithoutOne)
{
    tree.Write("a.txt", "1");
    tree.Write("b.TXT", "22");
    tree.Write("noext", "333");
    tree.Write("other", "4444");
    tree.Write("c.doc", "5");
    Options(false, false, true);
    EXPECT_EQ(WalkAndCompare(), InTree({{"a.txt", "b.TXT"}, {"noext", "other"}}));
}

TEST_F(ComparisonTest, NamesAndExtensionsSplitAtTheLastDot)
{
    tree.Write("a/x.tar.gz", "1");
    tree.Write("b/X.TAR.GZ", "2");
    tree.Write("c/x.tgz", "3");
    tree.Write("d/.gz", "4");
    Options(false, true, true);
    EXPECT_EQ(WalkAndCompare(), InTree({{"a/x.tar.gz", "b/X.TAR.GZ"}}));
}

TEST_F(ComparisonTest, ContentsAndNamesTogetherNeedBoth)
{
    tree.Write("a/same.txt", "payload");
    tree.Write("b/same.doc", "payload");
    tree.Write("c/other.txt", "payload");
    tree.Write("d/SAME.bin", "payload");
    Options(true, true, false);
    EXPECT_EQ(WalkAndCompare(), InTree({{"a/same.txt", "b/same.doc", "d/SAME.bin"}}));
}

TEST_F(ComparisonTest, WithEveryCriterionOffAllFilesFormOneGroup)
{
    tree.Write("z", "1");
    tree.Write("a", "22");
    tree.Write("sub/m", "");
    Options(false, false, false);
    EXPECT_EQ(WalkAndCompare(), InTree({{"a", "z", "sub/m"}}));
}

TEST_F(ComparisonTest, AFileJoinsTheGroupOfTheFirstFileItMatches)
{
    // Collected as f0 ... f7: f2, f5 and f7 are equal, f4 is equal to none.
    std::string bytes = PatternBytes(5000, 3);
    for (int k = 0; k < 8; ++k)
        tree.Write(FileName(k), PatternBytes(5000, 100 + static_cast<uint32_t>(k)));
    for (const char* name : {"f2", "f5", "f7"})
        tree.Write(name, bytes);
    EXPECT_EQ(WalkAndCompare(), InTree({{"f2", "f5", "f7"}}));
}

TEST_F(ComparisonTest, ReportsGroupsInTheOrderOfTheirFirstFiles)
{
    // The group led by f1 has the larger files; it still comes first.
    tree.Write("f0", "single");
    tree.Write("f1", PatternBytes(70000, 4));
    tree.Write("f2", "xy");
    tree.Write("f3", "ab");
    tree.Write("f4", "xy");
    tree.Write("f5", PatternBytes(70000, 4));
    tree.Write("f6", "ab");
    EXPECT_EQ(WalkAndCompare(), InTree({{"f1", "f5"}, {"f2", "f4"}, {"f3", "f6"}}));
    EXPECT_EQ(reporter.events.front(), "range 0 7");
}

TEST_F(ComparisonTest, OneFileOrNoneFindsNothing)
{
    EXPECT_TRUE(WalkAndCompare().empty());
    EXPECT_FALSE(found);
    tree.Write("only", "x");
    Restart();
    EXPECT_TRUE(WalkAndCompare().empty());
    EXPECT_FALSE(found);
}

TEST_F(ComparisonTest, NeverOpensAFileWithoutAnotherOfItsSize)
{
    tree.Write("a", "1");
    tree.Write("b", "22");
    tree.Write("c", "33");
    WalkAndCompare();
    EXPECT_EQ(fs.openedFiles, (Paths{tree.Path("b"), tree.Path("c")}));
}

TEST_F(ComparisonTest, AFileGoneOrChangedSinceTheWalkMatchesNothing)
{
    std::string bytes = PatternBytes(3000, 5);
    tree.Write("a", bytes);
    tree.Write("b", bytes);
    tree.Write("c", bytes);
    tree.Write("d", bytes);
    Walk();
    tree.Remove("b");
    tree.Write("c", bytes + "grown");
    tree.Write("d", bytes.substr(0, 100));
    EXPECT_TRUE(Compare().empty());
    EXPECT_FALSE(found);
    EXPECT_EQ(job.unreadableFiles, 1u);
    EXPECT_EQ(job.changedFiles, 2u);
}

TEST_F(ComparisonTest, TwoPathsOfOneFileAreNoDuplicates)
{
    std::string bytes = PatternBytes(3000, 6);
    tree.Write("a/original", bytes);
    tree.Write("c/copy", bytes);
    tree.MakeFolder("b");
    std::error_code error;
    std::filesystem::create_hard_link(test::FromUtf8(tree.Path("a/original")), test::FromUtf8(tree.Path("b/link")),
                                      error);
    if (error)
        GTEST_SKIP() << "no hard links here: " << error.message();
    EXPECT_EQ(WalkAndCompare(), InTree({{"a/original", "c/copy"}}));
    tree.Remove("c/copy");
    Restart();
    EXPECT_TRUE(WalkAndCompare().empty());
}

TEST_F(ComparisonTest, TwoPathsOfOneFileAreOneFileByNameToo)
{
    tree.Write("a/report.txt", "x");
    tree.MakeFolder("b");
    std::error_code error;
    std::filesystem::create_hard_link(test::FromUtf8(tree.Path("a/report.txt")),
                                      test::FromUtf8(tree.Path("b/report.txt")), error);
    if (error)
        GTEST_SKIP() << "no hard links here: " << error.message();
    Options(false, true, false);
    EXPECT_TRUE(WalkAndCompare().empty());
    EXPECT_EQ(job.files.Count(), 1u);
}

TEST_F(ComparisonTest, SizesAre64Bit)
{
    // Equal low words, equal first bytes: only the full size tells them apart.
    std::string small = tree.Write("small", "12345");
    std::string huge = tree.Write("huge", "12345");
    std::filesystem::resize_file(test::FromUtf8(huge), (uint64_t{1} << 32) + 5);
    EXPECT_TRUE(WalkAndCompare().empty());
    EXPECT_TRUE(fs.openedFiles.empty());
}

TEST_F(ComparisonTest, ManyFilesOfOneSizeBeyondTheOpenFileBudget)
{
    std::string bytes = PatternBytes(20000, 7);
    // Three sets of equal files among distinct ones that differ early, late, and in
    // the last byte.
    Groups expected(3);
    for (int k = 0; k < 40; ++k) {
        std::string name = FileName(k, 2);
        std::string contents = WithByteChanged(bytes, static_cast<size_t>(k) * 499);
        int set = k % 13 == 0 ? 0 : k % 11 == 0 ? 1 : k % 7 == 0 ? 2 : -1;
        if (set >= 0) {
            contents = WithByteChanged(bytes, 19999 - static_cast<size_t>(set));
            expected[static_cast<size_t>(set)].push_back(tree.Path(name));
        }
        tree.Write(name, contents);
    }
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(WalkAndCompareTightly(), expected);
}

// Two workers share the passes over one set too large to keep open, with more
// distinct files than either keeps blocks of: the joined parts must be the
// groups one worker alone finds.
TEST_F(ComparisonTest, ALargeSetSharedByTwoWorkersGivesTheSameGroups)
{
    const std::string bytes = PatternBytes(5000, 3);
    Groups expected(2);
    for (int k = 0; k < 1500; ++k) {
        std::string name = FileName(k / 100, 2) + "/" + FileName(k, 4);
        if (k % 100 == 0 || k % 100 == 50) {
            const size_t set = k % 100 == 0 ? 0 : 1;
            expected[set].push_back(tree.Write(name, WithByteChanged(bytes, set == 0 ? 4999 : 10)));
            continue;
        }
        tree.Write(name, WithByteChanged(bytes, static_cast<size_t>(k) * 3));
    }
    EXPECT_EQ(WalkAndCompareTightly(2), expected);
    EXPECT_EQ(job.unreadableFiles + job.changedFiles, 0u);
}

// The first share stays whole; the second's first file differs from the rest of
// it. Both shares' parts of equal files must still join into one group.
TEST_F(ComparisonTest, AWholeShareJoinsTheEqualPartOfAShareThatParted)
{
    const std::string bytes = PatternBytes(5000, 4);
    Groups expected(1);
    for (int k = 0; k < 1100; ++k) {
        const std::string name = FileName(k / 100, 2) + "/" + FileName(k, 4);
        if (k == 550)
            tree.Write(name, WithByteChanged(bytes, 0));
        else
            expected[0].push_back(tree.Write(name, bytes));
    }
    EXPECT_EQ(WalkAndCompareTightly(2), expected);
}

// More parts than the first pass keeps blocks of, each of several files that
// come one from each part in turn: a part's first block is read again at most
// once, not for every file that meets it.
TEST_F(ComparisonTest, APartOfManyFilesIsNotReadAgainForEachOfThem)
{
    constexpr int kParts = 400, kFiles = 4 * kParts;
    const std::string bytes = PatternBytes(5000, 5);
    Groups expected(kParts);
    for (int k = 0; k < kFiles; ++k) {
        const std::string name = FileName(k / 100, 2) + "/" + FileName(k, 4);
        expected[static_cast<size_t>(k % kParts)].push_back(
            tree.Write(name, WithByteChanged(bytes, static_cast<size_t>(k % kParts))));
    }
    EXPECT_EQ(WalkAndCompareTightly(1), expected);
    // Each file once for its first block and once for the rest.
    EXPECT_LE(tight.openedFiles.size(), size_t{2 * kFiles + kParts});
}

TEST_F(ComparisonTest, CopiesAreReadInLargeBlocksOnceTheirFirstBlocksAgree)
{
    const std::string bytes = PatternBytes(1 << 20, 6);
    tree.Write("a", bytes);
    tree.Write("b", bytes);
    EXPECT_EQ(WalkAndCompare(), InTree({{"a", "b"}}));
    // 4 KiB, then at most 256 KiB a read.
    EXPECT_LE(fs.reads.load(), size_t{2 * 5});
}

TEST_F(ComparisonTest, AStopAtTheFirstPositionReportsNothing)
{
    tree.Write("a", "same");
    tree.Write("b", "same");
    reporter.stopAt = [](const std::string& event) { return event.starts_with("pos 0"); };
    EXPECT_TRUE(WalkAndCompare().empty());
    EXPECT_FALSE(found);
    EXPECT_TRUE(job.stop);
}

TEST_F(ComparisonTest, AStopKeepsTheGroupsReportedBeforeIt)
{
    for (const char* pair : {"a", "b", "c"}) {
        tree.Write(std::string(pair) + "1", std::string(pair) + " payload");
        tree.Write(std::string(pair) + "2", std::string(pair) + " payload");
    }
    reporter.onGroup = [&] { job.stop = true; };
    EXPECT_EQ(WalkAndCompare(), InTree({{"a1", "a2"}}));
    EXPECT_TRUE(found);
}

TEST_F(ComparisonTest, AlreadyStoppedComparisonEndsAtOnce)
{
    tree.Write("a", "same");
    tree.Write("b", "same");
    Walk();
    job.stop = true;
    EXPECT_TRUE(Compare().empty());
    EXPECT_TRUE(fs.openedFiles.empty());
}

TEST_F(ComparisonTest, TheFileBarFollowsOnlyFilesAboveOneMebibyteAndIsHiddenAfterwards)
{
    std::string mebibyte = PatternBytes(1048576, 8);
    tree.Write("m1", mebibyte);
    tree.Write("m2", mebibyte);
    std::string large = PatternBytes(32u << 20, 9);
    tree.Write("l1", large);
    tree.Write("l2", large);
    EXPECT_EQ(WalkAndCompare(), InTree({{"l1", "l2"}, {"m1", "m2"}}));
    bool shown = false;
    for (const std::string& event : reporter.events) {
        if (event.starts_with("range 1 ")) {
            EXPECT_EQ(event, "range 1 " + std::to_string(large.size()));
            shown = true;
        }
        if (event == "hide")
            shown = false;
    }
    EXPECT_FALSE(shown) << "the file bar was left on";
}

enum class Edit { Grow, Shrink, Rewrite, Recreate, Replace };  // the last three as By

// Files a and b are equal and c is not; b is changed while the comparison reads it,
// in a set whose files are kept open, or reopened for each block. Another program
// replaces, rewrites or recreates it with bytes of its size that differ from a's
// in the first block only, and puts its last-write time back: read half before
// and half after, b would look equal to a.
class ChangingFileTest : public ComparisonTest, public ::testing::WithParamInterface<std::tuple<Edit, bool>> {};

TEST_P(ChangingFileTest, AFileChangedWhileComparedJoinsNoGroupAndIsCounted)
{
    const auto [edit, reopened] = GetParam();
    const std::string bytes = PatternBytes(20000, 11);  // too large to be read whole at once
    tree.Write("a", bytes);
    const std::string b = tree.Write("b", bytes);
    const std::string c = tree.Write("c", WithByteChanged(bytes, 19999));
    Walk();

    test::ForwardingFileSystem changing(reopened ? 2 : 0);
    const uint64_t lastBlock = 4096;
    bool edited = true;
    switch (edit) {
    case Edit::Grow:
        // Cut back with its time put back before the last look at it: only the
        // bytes past the end tell.
        changing.BeforeRead(b, lastBlock, [&] { std::ofstream(test::FromUtf8(b), std::ios::app) << "more"; });
        changing.BeforeRead(c, lastBlock, [&, written = std::filesystem::last_write_time(test::FromUtf8(b))] {
            std::filesystem::resize_file(test::FromUtf8(b), bytes.size());
            std::filesystem::last_write_time(test::FromUtf8(b), written);
        });
        break;
    case Edit::Shrink:
        changing.BeforeRead(b, lastBlock, [&] { std::filesystem::resize_file(test::FromUtf8(b), 5000); });
        break;
    default:
        auto change = [&, by = static_cast<By>(static_cast<int>(edit) - static_cast<int>(Edit::Rewrite))] {
            edited = test::ForwardingFileSystem::EditFile(tree, "b", by, WithByteChanged(bytes, 0));
        };
        if (reopened)
            changing.AfterRead(b, 0, change);
        else
            changing.BeforeRead(b, lastBlock, change);
    }
    FindDuplicateGroups(job, changing, reporter);
    if (!edited)
        GTEST_SKIP() << "no Unix shell to change the file with";
    EXPECT_TRUE(reporter.groups.empty());
    EXPECT_EQ(job.changedFiles, 1u);
    EXPECT_EQ(job.unreadableFiles, 0u);
}

std::string ChangeName(const ::testing::TestParamInfo<std::tuple<Edit, bool>>& change)
{
    const char* const edits[] = {"Grown", "Shrunk", "Rewritten", "Recreated", "Replaced"};
    return std::string(edits[static_cast<int>(std::get<0>(change.param))]) +
           (std::get<1>(change.param) ? "Reopened" : "KeptOpen");
}

INSTANTIATE_TEST_SUITE_P(KeptOpenOrReopened, ChangingFileTest,
                         ::testing::Combine(::testing::Values(Edit::Grow, Edit::Shrink, Edit::Rewrite, Edit::Recreate,
                                                              Edit::Replace),
                                            ::testing::Bool()),
                         ChangeName);

TEST_F(ComparisonTest, AFileSwappedOutAndBackBetweenBlocksJoinsNoGroup)
{
    const std::string bytes = PatternBytes(20000, 12);
    tree.Write("a", bytes);
    // b never matches a, nor does the file swapped in for its second block; their
    // halves together would.
    const std::string b = tree.Write("b", WithByteChanged(bytes, 19999));
    tree.Write("c", WithByteChanged(bytes, 5000));
    TempTree spare;
    const std::string swapped = spare.Write("swapped", WithByteChanged(bytes, 0));
    const std::string aside = spare.Path("aside");
    Walk();

    test::ForwardingFileSystem reopening(2);
    auto move = [](const std::string& from, const std::string& to) {
        std::filesystem::rename(test::FromUtf8(from), test::FromUtf8(to));
    };
    reopening.AfterRead(b, 0, [&] {
        move(b, aside);
        move(swapped, b);
    });
    reopening.AfterRead(b, 4096, [&] {
        move(b, swapped);
        move(aside, b);
    });
    EXPECT_FALSE(FindDuplicateGroups(job, reopening, reporter));
    EXPECT_EQ(job.changedFiles, 1u);
}

// Files are opened by name inside their folder, held open from the second file
// on: one put in place of a listed file there is still not the file the walk saw.
TEST_F(ComparisonTest, AFileReplacedInAFolderHeldOpenMatchesNothing)
{
    const std::string bytes = PatternBytes(3000, 14);
    for (const char* name : {"d/a", "d/b", "d/c", "d/d"})
        tree.Write(name, bytes);
    Walk();
    std::filesystem::rename(test::FromUtf8(tree.Write("d/c.new", bytes)), test::FromUtf8(tree.Path("d/c")));
    EXPECT_EQ(Compare(), InTree({{"d/a", "d/b", "d/d"}}));
    EXPECT_EQ(job.unreadableFiles, 1u);
}

// The files of a folder renamed away are still read through the folder held open,
// but their paths no longer lead to them: they are no group.
TEST_F(ComparisonTest, FilesOfAFolderRenamedAwayWhileHeldOpenMatchNothing)
{
    const std::string bytes = PatternBytes(3000, 15);
    for (const char* name : {"d/a", "d/b", "d/c"})
        tree.Write(name, bytes);
    Walk();
    std::error_code error;
    fs.BeforeRead(tree.Path("d/b"), 0, [&] {
        std::filesystem::rename(test::FromUtf8(tree.Path("d")), test::FromUtf8(tree.Path("e")), error);
    });
    Compare();
    if (error)
        GTEST_SKIP() << "a folder holding an open file cannot be renamed here: " << error.message();
    EXPECT_TRUE(reporter.groups.empty());
    EXPECT_FALSE(found);
}

// A user deletes on the search's word: an entry holds the file it was found as,
// and only an unchanged file at its path passes for it.
TEST_F(ComparisonTest, AnEntryIsAsFoundOnlyWhileItsPathLeadsToTheFileFoundUnchanged)
{
    const std::string bytes = PatternBytes(5000, 13);
    const std::string other = WithByteChanged(bytes, 0);
    for (const char* name : {"folder", "gone", "kept", "recreated", "replaced", "rewritten"})
        tree.Write(name, bytes);
    // Found by contents, and without a look at them.
    std::vector<DupFileEntry> entries;
    for (bool contents : {true, false}) {
        Restart();
        Options(contents, false, false);
        ASSERT_EQ(WalkAndCompare().size(), 1u);
        entries.insert(entries.end(), reporter.entries.begin(), reporter.entries.end());
    }
    for (const DupFileEntry& entry : entries)
        EXPECT_TRUE(IsAsFound(entry, fs)) << entry.strPath;
    tree.Remove("folder");
    tree.Write("folder/work/thesis.txt", "thesis");
    tree.Remove("gone");
    for (By edit : {By::Recreate, By::Replace, By::Rewrite}) {
        const char* names[] = {"rewritten", "recreated", "replaced"};
        if (!test::ForwardingFileSystem::EditFile(tree, names[static_cast<int>(edit)], edit, other))
            GTEST_SKIP() << "no Unix shell to change files with";
    }
    for (const DupFileEntry& entry : entries)
        EXPECT_EQ(IsAsFound(entry, fs), entry.strPath == tree.Path("kept")) << entry.strPath;
}

#ifdef _WIN32
TEST_F(ComparisonTest, AFileLockedByAnotherProgramMatchesNothing)
{
    tree.Write("a", "same bytes");
    tree.Write("b", "same bytes");
    Walk();
    UniqueHandle lock(CreateFileW(Utf8ToWide(tree.Path("b")).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(lock.valid());
    EXPECT_TRUE(Compare().empty());
    EXPECT_EQ(job.unreadableFiles, 1u);
}
#else
// Sets of equal files, a folder each: the groups a search is to find.
Groups WriteSets(const TempTree& tree, int sets, int members)
{
    Groups expected;
    for (int set = 0; set < sets; ++set) {
        std::string bytes = PatternBytes(1000 + static_cast<uint64_t>(set), static_cast<uint32_t>(set));
        expected.emplace_back();
        for (int member = 0; member < members; ++member)
            expected.back().push_back(tree.Write(FileName(set, 2) + "/" + FileName(member, 2), bytes));
    }
    return expected;
}

// Holds each caller until count callers have come, or a second has passed.
class Meeting {
public:
    explicit Meeting(size_t count) : m_count(count) {}
    void Arrive()
    {
        std::unique_lock lock(m_mutex);
        if (++m_arrived >= m_count)
            m_everyone.notify_all();
        m_everyone.wait_for(lock, std::chrono::seconds(1), [&] { return m_arrived >= m_count; });
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_everyone;
    size_t m_count;
    size_t m_arrived = 0;
};

TEST_F(ComparisonTest, ManyWorkersTogetherKeepWithinTheProcesssOpenFileLimit)
{
    constexpr size_t kWorkers = 8;
    Groups expected = WriteSets(tree, 2 * kWorkers, 16);
    Walk();
    job.comparisonWorkers = kWorkers;
    // Every worker holds what it has open while reading its first set.
    Meeting meeting(kWorkers);
    for (const Paths& set : expected)
        fs.BeforeRead(set.front(), 0, [&] { meeting.Arrive(); });
    test::OpenFileLimit limit;
    limit.Set(64);
    EXPECT_EQ(Compare(), expected);
    EXPECT_EQ(fs.outOfHandles, 0u);
}

TEST_F(ComparisonTest, ASetThatRunsShortOfHandlesLetsGoOfItsOwn)
{
    Groups expected = WriteSets(tree, 1, 48);
    Walk();
    // More than the process has left: the set cannot keep all its files open.
    test::ForwardingFileSystem generous(1000);
    test::OpenFileLimit limit;
    limit.Set(32);
    // A set that waited for its own handles would wait for ever.
    generous.onOutOfHandles = [&] {
        if (generous.outOfHandles > 100)
            job.stop = true;
    };
    EXPECT_TRUE(FindDuplicateGroups(job, generous, reporter));
    EXPECT_EQ(reporter.groups, expected);
    EXPECT_GT(generous.outOfHandles, 0u);
}

TEST_F(ComparisonTest, AnOpenThatFindsNoHandleLeftWaitsForOneAndDropsNoFile)
{
    Groups expected = WriteSets(tree, 4, 3);
    Walk();
    job.comparisonWorkers = 2;
    // No descriptor left from the first open on (not before: starting a thread
    // may need one), until three opens have found none.
    test::OpenFileLimit limit;
    std::once_flag lowered;
    fs.beforeOpen = [&] { std::call_once(lowered, [&] { limit.Set(0); }); };
    fs.onOutOfHandles = [&] {
        if (fs.outOfHandles >= 3)
            limit.Restore();
    };
    EXPECT_EQ(Compare(), expected);
    EXPECT_GE(fs.outOfHandles, 3u);
    EXPECT_EQ(job.unreadableFiles, 0u);
}
#endif

}  // namespace
}  // namespace twinsweep
