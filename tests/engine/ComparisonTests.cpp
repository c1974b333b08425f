#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "engine/DuplicateComparison.h"
#include "engine/FolderScan.h"
#include "engine/MaskList.h"
#include "tests/support/ForwardingFileSystem.h"
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
    test::ForwardingFileSystem tight(4);
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
    job.masks = {"*.*"};
    RecordingReporter walkReporter;
    FolderScanner(job, tight, walkReporter).ScanFolder(tree.Root());
    EXPECT_TRUE(FindDuplicateGroups(job, tight, reporter));
    EXPECT_EQ(reporter.groups, expected);
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
}
#endif

}  // namespace
}  // namespace twinsweep
