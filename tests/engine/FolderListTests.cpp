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
    test::ForwardingFileSystem fs;
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

TEST_F(FolderListTest, RemoveAllEmptiesTheList)
{
    Add({P("Data"), P("Other")});
    list.RemoveAll();
    EXPECT_TRUE(list.Empty());
}

}  // namespace
}  // namespace twinsweep
