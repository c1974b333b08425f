#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "engine/FolderList.h"
#include "tests/support/ForwardingFileSystem.h"
#include "tests/support/TempTree.h"

namespace twinsweep {
namespace {

using test::TempTree;
using Paths = std::vector<std::string>;

const char* const kOnlyFolders = "Your selection contained files.\nOnly directories are added.";

std::string AddedTwice(const std::string& path)
{
    return "Folder '" + path + "'\nis added twice.";
}

std::string ReplacedBy(const std::string& listed, const std::string& added)
{
    return "Folder '" + listed + "' is a subfolder of '" + added + "' and is replaced by it.";
}

std::string InsideListed(const std::string& added, const std::string& listed)
{
    return "Folder '" + added + "' is a subfolder of '" + listed +
           "'\nwhich is already in the list so it doesn't make sense to add it.";
}

// ---- The rules on folders whose keys are known: Windows paths with folded case,
// and POSIX paths ----

KeyedFolder Win(const std::string& path)
{
    std::string key = path;
    std::transform(key.begin(), key.end(), key.begin(),
                   [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; });
    return {path, key};
}

KeyedFolder Posix(const std::string& path)
{
    return {path, path};
}

struct MergeCase {
    const char* what;
    char separator;
    std::vector<KeyedFolder> listed;
    std::vector<KeyedFolder> added;
    Paths expectedList;
    Paths expectedMessages;
};

TEST(MergeFolders, FollowsTheFolderListRules)
{
    const MergeCase cases[] = {
        {"new folders are appended", '\\', {Win("C:\\A")}, {Win("C:\\B"), Win("C:\\A2"), Win("C:\\Dat")},
         {"C:\\A", "C:\\B", "C:\\A2", "C:\\Dat"}, {}},
        {"the same key is added twice", '\\', {Win("C:\\Data")}, {Win("c:\\data")}, {"C:\\Data"},
         {AddedTwice("c:\\data")}},
        {"a folder inside a listed one is refused", '\\', {Win("C:\\Data")}, {Win("C:\\Data\\Photos\\2024")},
         {"C:\\Data"}, {InsideListed("C:\\Data\\Photos\\2024", "C:\\Data")}},
        {"the first listed subfolder in list order is replaced, the others leave", '\\',
         {Win("C:\\Data\\Music"), Win("C:\\Other"), Win("C:\\Data\\Docs"), Win("C:\\Data\\Photos")},
         {Win("C:\\Data")},
         {"C:\\Data", "C:\\Other"},
         {ReplacedBy("C:\\Data\\Music", "C:\\Data"), ReplacedBy("C:\\Data\\Docs", "C:\\Data"),
          ReplacedBy("C:\\Data\\Photos", "C:\\Data")}},
        {"a root holds every folder of its drive", '\\', {Win("D:\\X"), Win("C:\\Data")},
         {Win("C:\\"), Win("c:\\Other")},
         {"D:\\X", "C:\\"},
         {ReplacedBy("C:\\Data", "C:\\"), InsideListed("c:\\Other", "C:\\")}},
        {"folders of one batch meet each other", '\\', {},
         {Win("C:\\Data\\Photos"), Win("C:\\Data"), Win("C:\\DATA"), Win("C:\\Data\\Photos\\2024")},
         {"C:\\Data"},
         {ReplacedBy("C:\\Data\\Photos", "C:\\Data"), AddedTwice("C:\\DATA"),
          InsideListed("C:\\Data\\Photos\\2024", "C:\\Data")}},
        {"a folder that left the list is gone for the rest of the batch", '\\',
         {Win("C:\\A\\1"), Win("C:\\A\\2")}, {Win("C:\\A"), Win("C:\\A\\2")},
         {"C:\\A"},
         {ReplacedBy("C:\\A\\1", "C:\\A"), ReplacedBy("C:\\A\\2", "C:\\A"), InsideListed("C:\\A\\2", "C:\\A")}},
        {"POSIX paths keep their case; the root holds all", '/', {Posix("/home/u/a"), Posix("/home/u/B")},
         {Posix("/home/u/b"), Posix("/"), Posix("/home")},
         {"/"},
         {ReplacedBy("/home/u/a", "/"), ReplacedBy("/home/u/B", "/"), ReplacedBy("/home/u/b", "/"),
          InsideListed("/home", "/")}},
    };
    for (const MergeCase& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<KeyedFolder> listed = c.listed;
        EXPECT_EQ(MergeFolders(listed, c.added, c.separator), c.expectedMessages);
        Paths paths;
        for (const KeyedFolder& folder : listed)
            paths.push_back(folder.path);
        EXPECT_EQ(paths, c.expectedList);
    }
}

Paths Numbered(size_t count)
{
    Paths messages;
    for (size_t i = 0; i < count; ++i)
        messages.push_back(AddedTwice("C:\\F" + std::to_string(i)));
    return messages;
}

std::string Lines(const Paths& lines)
{
    std::string text;
    for (const std::string& line : lines)
        text += (text.empty() ? "" : "\n") + line;
    return text;
}

// A message of Numbered on one line.
std::string Line(size_t i)
{
    std::string line = Numbered(i + 1).back();
    std::replace(line.begin(), line.end(), '\n', ' ');
    return line;
}

TEST(FolderMessageBoxes, MoreThanThreeBoxesBecomeOne)
{
    Paths three = Numbered(2);
    three.push_back(kOnlyFolders);
    Paths four = Numbered(3);
    four.push_back(kOnlyFolders);
    Paths twentyFive = Numbered(25);
    twentyFive.push_back(kOnlyFolders);
    Paths firstTwenty;
    for (size_t i = 0; i < 20; ++i)
        firstTwenty.push_back(Line(i));
    const std::pair<Paths, Paths> cases[] = {
        {{}, {}},
        {three, three},
        {Numbered(4), {Lines({Line(0), Line(1), Line(2), Line(3)})}},
        {Numbered(20), {Lines(firstTwenty)}},
        {Numbered(21), {Lines(firstTwenty) + "\nand 1 more"}},
        {four, {Lines({Line(0), Line(1), Line(2)}) + "\n\n" + kOnlyFolders}},
        {twentyFive, {Lines(firstTwenty) + "\nand 5 more\n\n" + kOnlyFolders}},
    };
    for (const auto& [messages, boxes] : cases) {
        SCOPED_TRACE(messages.size());
        EXPECT_EQ(FolderMessageBoxes(messages), boxes);
    }
}

// ---- The rules on real folders ----

// Counts the questions whether a path is a folder, which list the folder.
class CountingFileSystem : public test::ForwardingFileSystem {
public:
    bool IsFolder(const std::string& path) const override
    {
        ++folderQuestions;
        return ForwardingFileSystem::IsFolder(path);
    }
    mutable int folderQuestions = 0;
};

class FolderListTest : public ::testing::Test {
protected:
    FolderListTest()
    {
        for (const char* folder : {"Data/Photos", "Data/Music", "Data/Docs", "Data2", "Other"})
            tree.MakeFolder(folder);
        tree.Write("Data/file.txt", "x");
    }

    std::string P(const char* relative) const { return tree.Path(relative); }

    TempTree tree;
    CountingFileSystem fs;
    Paths messages;
    FolderList list{fs};

    void Add(const Paths& paths)
    {
        for (std::string& message : list.AddFolders(paths))
            messages.push_back(std::move(message));
    }
};

TEST_F(FolderListTest, AddsFoldersInOrderWithoutAWord)
{
    Add({P("Data"), P("Data2"), P("Other")});
    EXPECT_EQ(list.Folders(), (Paths{P("Data"), P("Data2"), P("Other")}));
    EXPECT_TRUE(messages.empty());
}

TEST_F(FolderListTest, RefusesAFolderListedAlready)
{
    Add({P("Data")});
    std::string withSeparator = P("Data") + fs.Separator();
    Add({P("Data"), withSeparator});
    EXPECT_EQ(list.Folders(), Paths{P("Data")});
    EXPECT_EQ(messages, (Paths{AddedTwice(P("Data")), AddedTwice(withSeparator)}));
}

TEST_F(FolderListTest, ComparesPathsAsThePlatformDoes)
{
    Add({P("Data")});
    std::string otherCase = P("Data");
    std::transform(otherCase.begin(), otherCase.end(), otherCase.begin(),
                   [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; });
    Add({otherCase});
#ifdef _WIN32
    EXPECT_EQ(messages, Paths{AddedTwice(otherCase)});
#else
    // Another folder on a case-sensitive file system, and here one that does not exist.
    EXPECT_EQ(messages, Paths{kOnlyFolders});
#endif
    EXPECT_EQ(list.Folders(), Paths{P("Data")});
}

TEST_F(FolderListTest, RefusesAFolderInsideAListedOne)
{
    Add({P("Data")});
    Add({P("Data/Photos")});
    EXPECT_EQ(list.Folders(), Paths{P("Data")});
    EXPECT_EQ(messages, Paths{InsideListed(P("Data/Photos"), P("Data"))});
}

TEST_F(FolderListTest, AFolderWithACommonBeginningIsNoSubfolder)
{
    Add({P("Data"), P("Data2")});
    EXPECT_EQ(list.Folders(), (Paths{P("Data"), P("Data2")}));
    EXPECT_TRUE(messages.empty());
}

TEST_F(FolderListTest, ComparesFoldersByTheirFullPaths)
{
    Add({P("Data")});
    std::string sep(1, fs.Separator());
    std::string beside = P("Data") + sep + ".." + sep + "Other";
    std::string same = P("Data") + sep + "." + sep;
    Add({beside, same});
    EXPECT_EQ(list.Folders(), (Paths{P("Data"), beside}));
    EXPECT_EQ(messages, Paths{AddedTwice(same)});
}

TEST_F(FolderListTest, AFolderTakesThePlaceOfAListedSubfolder)
{
    Add({P("Other"), P("Data/Photos"), P("Data2")});
    Add({P("Data")});
    EXPECT_EQ(list.Folders(), (Paths{P("Other"), P("Data"), P("Data2")}));
    EXPECT_EQ(messages, Paths{ReplacedBy(P("Data/Photos"), P("Data"))});
}

TEST_F(FolderListTest, AFolderReplacesEveryListedSubfolder)
{
    Add({P("Data/Photos"), P("Other"), P("Data/Music"), P("Data/Docs")});
    Add({P("Data")});
    EXPECT_EQ(list.Folders(), (Paths{P("Data"), P("Other")}));
    EXPECT_EQ(messages, (Paths{ReplacedBy(P("Data/Photos"), P("Data")), ReplacedBy(P("Data/Music"), P("Data")),
                               ReplacedBy(P("Data/Docs"), P("Data"))}));
}

TEST_F(FolderListTest, ARootHoldsEveryFolderOfItsDrive)
{
    std::string root = test::Utf8(test::FromUtf8(tree.Root()).root_path());
    Add({P("Data")});
    Add({root});
    EXPECT_EQ(list.Folders(), Paths{root});
    EXPECT_EQ(messages, Paths{ReplacedBy(P("Data"), root)});

    messages.clear();
    Add({P("Other")});
    EXPECT_EQ(messages, Paths{InsideListed(P("Other"), root)});
}

TEST_F(FolderListTest, SaysOnceAfterAllPathsThatFilesWereLeftOut)
{
    Add({P("Data"), P("Data/file.txt"), P("missing"), P("Other")});
    EXPECT_EQ(list.Folders(), (Paths{P("Data"), P("Other")}));
    EXPECT_EQ(messages, Paths{kOnlyFolders});
}

TEST_F(FolderListTest, PathsAddedTogetherAreCheckedAgainstEachOther)
{
    Add({P("Data/Photos"), P("Data"), P("Data")});
    EXPECT_EQ(list.Folders(), Paths{P("Data")});
    EXPECT_EQ(messages, (Paths{ReplacedBy(P("Data/Photos"), P("Data")), AddedTwice(P("Data"))}));
}

TEST_F(FolderListTest, FollowsOnlyPathsEndingInLnkAsShortcuts)
{
    tree.Write("broken.LNK", "not a shortcut");
    tree.Write("sub/.lnk", "x");
    Add({P("broken.LNK"), P("sub/.lnk")});
    EXPECT_EQ(fs.resolvedShortcuts, (Paths{P("broken.LNK"), P("sub/.lnk")}));
    // A name of just four characters is no shortcut.
    fs.resolvedShortcuts.clear();
    Add({".lnk"});
    EXPECT_TRUE(fs.resolvedShortcuts.empty());
    EXPECT_EQ(messages, (Paths{kOnlyFolders, kOnlyFolders}));
    EXPECT_TRUE(list.Empty());
}

TEST_F(FolderListTest, AsksOnceWhetherAPlaceIsAFolder)
{
    Paths paths(1000, P("Data"));
    paths.push_back(P("Data/file.txt"));
    paths.push_back(P("Data/file.txt"));
    Add(paths);
    EXPECT_EQ(fs.folderQuestions, 2);
    EXPECT_EQ(list.Folders(), Paths{P("Data")});
    Paths expected(999, AddedTwice(P("Data")));
    expected.push_back(kOnlyFolders);
    EXPECT_EQ(messages, expected);
}

TEST_F(FolderListTest, RemovedFoldersLeaveTheirKeysBehind)
{
    Add({P("Data"), P("Other")});
    list.RemoveAt(0);
    Add({P("Data/Photos")});
    EXPECT_EQ(list.Folders(), (Paths{P("Other"), P("Data/Photos")}));
    list.RemoveAll();
    EXPECT_TRUE(list.Empty());
    Add({P("Other")});
    EXPECT_TRUE(messages.empty());
}

}  // namespace
}  // namespace twinsweep
