#include <gtest/gtest.h>

#include <sstream>

#include "cli/CliRun.h"
#include "cli/JsonWriter.h"
#include "platform/FileSystem.h"
#include "tests/support/TempTree.h"

namespace twinsweep {
namespace {

using test::TempTree;

class CliTest : public ::testing::Test {
protected:
    int Run(std::vector<std::string> args)
    {
        out.str("");
        err.str("");
        return RunCli(args, PlatformFileSystem(), out, err, false);
    }

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
                             "\"totalSpace\": 8, \"needless\": 4}"),
              std::string::npos)
        << out.str();

    tree.Remove("z");
    ASSERT_EQ(Run({"--json", tree.Root()}), 0);
    EXPECT_EQ(out.str(), "{\n  \"groups\": [],\n  \"statistics\": {\"totalFiles\": 1, \"copies\": 0, \"groups\": 0, "
                         "\"totalSpace\": 0, \"needless\": 0}\n}\n");
}

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
    ASSERT_EQ(Run({tree.Path("a/sub"), tree.Path("a"), tree.Path("a/x")}), 0);
    EXPECT_EQ(out.str(), tree.Path("a/x") + "\n" + tree.Path("a/sub/y") + "\n");
    EXPECT_EQ(err.str().rfind("Folder '" + tree.Path("a/sub") + "' is a subfolder of '" + tree.Path("a") +
                                  "' and is replaced by it.\nYour selection contained files.\n"
                                  "Only directories are added.\n",
                              0),
              0u)
        << err.str();
}

TEST_F(CliTest, RefusesBadUsageWithExitCodeTwo)
{
    EXPECT_EQ(Run({}), 2);
    EXPECT_EQ(err.str().substr(0, err.str().find('\n')), "twinsweep-cli: no folder given");
    EXPECT_EQ(Run({"--bogus", tree.Root()}), 2);
    EXPECT_EQ(err.str().substr(0, err.str().find('\n')), "twinsweep-cli: unknown option --bogus");
    EXPECT_EQ(Run({"--min", "lots", tree.Root()}), 2);
    EXPECT_EQ(Run({tree.Root(), "--mask"}), 2);
    EXPECT_EQ(err.str().substr(0, err.str().find('\n')), "twinsweep-cli: option --mask needs a value");
    EXPECT_EQ(out.str(), "");
}

TEST_F(CliTest, RefusesWhenNoGivenFolderExists)
{
    EXPECT_EQ(Run({tree.Path("missing"), tree.Path("gone")}), 2);
    EXPECT_EQ(err.str(), "Your selection contained files.\nOnly directories are added.\n"
                         "twinsweep-cli: none of the given folders exists\n");
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

}  // namespace
}  // namespace twinsweep
