#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <random>
#include <set>

#include "engine/NameCase.h"
#include "engine/SearchRun.h"
#include "tests/support/ForwardingFileSystem.h"
#include "tests/support/RecordingReporter.h"
#include "tests/support/TempTree.h"

namespace twinsweep {
namespace {

using test::TempTree;
using Groups = std::vector<std::vector<std::string>>;  // relative paths, '/' between names

struct FolderReporter : test::RecordingReporter {
    std::vector<FolderGroup> folderGroups;
    void ReportFolderGroups(std::vector<FolderGroup> found) override { folderGroups = std::move(found); }
};

struct Search {
    std::string mask = "*.*";
    std::optional<int64_t> minSize;
    bool contents = true;
};

std::vector<FolderGroup> FindInTree(const TempTree& tree, const Search& search)
{
    SearchJob job;
    job.folders = {tree.Root()};
    job.maskText = search.mask;
    job.options = {search.contents, !search.contents, false, false, search.minSize.has_value(),
                   search.minSize.value_or(0), INT64_MAX};
    job.findEqualFolders = true;
    FolderReporter reporter;
    RunSearch(job, PlatformFileSystem(), reporter);
    return reporter.folderGroups;
}

std::string Relative(const TempTree& tree, const std::string& path)
{
    std::string relative = path.substr(tree.Root().size() + 1);
    std::replace(relative.begin(), relative.end(), '\\', '/');
    return relative;
}

Groups RelativeGroups(const TempTree& tree, const std::vector<FolderGroup>& groups)
{
    Groups relative(groups.size());
    for (size_t g = 0; g < groups.size(); ++g)
        for (const DupFolderEntry& folder : groups[g].folders)
            relative[g].push_back(Relative(tree, folder.strPath));
    return relative;
}

Groups Sorted(Groups groups)
{
    for (auto& group : groups)
        std::sort(group.begin(), group.end());
    std::sort(groups.begin(), groups.end());
    return groups;
}

// A name ending in '/' is an empty folder.
void Build(const TempTree& tree, const std::vector<std::pair<std::string, std::string>>& entries)
{
    for (const auto& [name, contents] : entries)
        name.back() == '/' ? void(tree.MakeFolder(name)) : void(tree.Write(name, contents));
}

struct Case {
    const char* what;
    std::vector<std::pair<std::string, std::string>> entries;
    Groups expected;
    Search search = {};
};

TEST(EqualFolders, AreWholeTreesEqualInNamesAndBytes)
{
    const std::string big(5000, 'b');
    const std::vector<std::pair<std::string, std::string>> pair = {
        {"A/p.txt", "one"}, {"A/sub/q.txt", "two"}, {"B/p.txt", "one"}, {"B/sub/q.txt", "two"}};
    auto with = [&](std::vector<std::pair<std::string, std::string>> more) {
        more.insert(more.begin(), pair.begin(), pair.end());
        return more;
    };
    const std::vector<Case> cases = {
        {"equal trees", pair, {{"A", "B"}}},
        {"one byte differs", with({{"A/r", "abc1"}, {"B/r", "abc2"}}), {{"A/sub", "B/sub"}}},
        {"one extra file", with({{"B/r", "one"}}), {{"A/sub", "B/sub"}}},
        {"one extra empty folder", with({{"B/empty/", ""}}), {{"A/sub", "B/sub"}}},
        {"equal empty folders", with({{"A/empty/", ""}, {"B/empty/", ""}}), {{"A", "B"}}},
        {"one file renamed", {{"A/p", "one"}, {"B/p2", "one"}}, {}},
        {"names differ in case only", {{"A/p.txt", "1"}, {"A/Ä/Q", "2"}, {"B/P.TXT", "1"}, {"B/ä/q", "2"}},
         {{"A", "B"}}},
        {"three copies", with({{"C/p.txt", "one"}, {"C/sub/q.txt", "two"}}), {{"A", "B", "C"}}},
        {"nested copies fold into their parents", {{"A/x/f", "k"}, {"B/x/f", "k"}}, {{"A", "B"}}},
        {"a third copy in another parent keeps its group",
         {{"A/x/f", big}, {"B/x/f", big}, {"Z/x/f", big}, {"Z/g", "unique"}},
         {{"A/x", "B/x", "Z/x"}, {"A", "B"}}},
        {"copies side by side in equal parents stay",
         {{"A/x/f", "k"}, {"A/y/f", "k"}, {"B/x/f", "k"}, {"B/y/f", "k"}},
         {{"A", "B"}, {"A/x", "A/y", "B/x", "B/y"}}},
        {"a folder equal to a subfolder elsewhere", {{"A/f", "k"}, {"B/inner/f", "k"}, {"B/g", "unique"}},
         {{"A", "B/inner"}}},
        {"empty files are equal", {{"A/f", "k"}, {"A/e", ""}, {"B/f", "k"}, {"B/e", ""}}, {{"A", "B"}}},
        {"no folder without files", {{"A/e/", ""}, {"B/e/", ""}, {"A/f", "k"}, {"C/f", "k"}}, {}},
        {"masks do not hide other files",
         {{"A/p.jpg", "one"}, {"A/d.doc", "w1"}, {"B/p.jpg", "one"}, {"B/d.doc", "w2"}},
         {}, {"*.jpg", std::nullopt}},
        {"masks: other files compared", {{"A/p.jpg", "one"}, {"A/d.doc", "w1"}, {"B/p.jpg", "one"}, {"B/d.doc", "w1"}},
         {{"A", "B"}}, {"*.jpg", std::nullopt}},
        {"size range does not hide other files", {{"A/p", "one"}, {"A/s", "x"}, {"B/p", "one"}, {"B/s", "y"}}, {},
         {"*.*", 3}},
        {"size range: other files compared", {{"A/p", "one"}, {"A/s", "x"}, {"B/p", "one"}, {"B/S", "x"}},
         {{"A", "B"}}, {"*.*", 3}},
        {"equal contents off", pair, {}, {"*.*", std::nullopt, false}},
    };
    for (const Case& c : cases) {
        TempTree tree;
        Build(tree, c.entries);
        EXPECT_EQ(RelativeGroups(tree, FindInTree(tree, c.search)), c.expected) << c.what;
    }
}

TEST(EqualFolders, CountEveryFileOfTheFolders)
{
    TempTree tree;
    Build(tree, {{"A/p.jpg", "one"}, {"A/sub/d.doc", "words"}, {"B/p.jpg", "one"}, {"B/sub/d.doc", "words"}});
    std::vector<FolderGroup> groups = FindInTree(tree, {"*.jpg", std::nullopt});
    ASSERT_EQ(groups.size(), 1u);
    EXPECT_EQ((FolderTotals{groups[0].folders[1].files, groups[0].folders[1].size}), (FolderTotals{2, 8}));
    EXPECT_EQ(groups[0].ByteTotal(), 16u);
    // The files only the folder pass read keep their stamps for the re-check of a delete.
    for (const DupFolderEntry& folder : groups[0].folders) {
        ASSERT_EQ(folder.otherFiles.size(), 1u);
        EXPECT_EQ(folder.otherFiles[0].strPath, folder.strPath + PlatformFileSystem().Separator() + "sub" +
                                                    PlatformFileSystem().Separator() + "d.doc");
        EXPECT_TRUE(IsAsFound(folder.otherFiles[0], PlatformFileSystem()));
    }
    using Edit = test::ForwardingFileSystem::Edit;
    if (!test::ForwardingFileSystem::EditFile(tree, "B/sub/d.doc", Edit::Rewrite, "WORDS"))
        GTEST_SKIP() << "no Unix shell to change files with";
    EXPECT_FALSE(IsAsFound(groups[0].folders[1].otherFiles[0], PlatformFileSystem()));
    tree.Write("A/sub/more", "!");
    EXPECT_EQ(CountFolderTree(PlatformFileSystem(), groups[0].folders[0].strPath), (FolderTotals{3, 9}));
    EXPECT_EQ(CountFolderTree(PlatformFileSystem(), tree.Path("gone")), std::nullopt);
}

TEST(NameCaseKey, FoldsLettersAsWindowsDoes)
{
    // readme ä σς дё łā ÿ against their upper case; bytes that are no UTF-8 stay.
    EXPECT_EQ(NameCaseKey("readme \xC3\xA4 \xCF\x83\xCF\x82 \xD0\xB4\xD1\x91 \xC5\x82\xC4\x81 \xC3\xBF"),
              NameCaseKey("README \xC3\x84 \xCE\xA3\xCE\xA3 \xD0\x94\xD0\x81 \xC5\x81\xC4\x80 \xC5\xB8"));
    EXPECT_NE(NameCaseKey("a\xFF \xC3\xB7"), NameCaseKey("A\xFE \xC3\x97"));
}

// Random trees with copies of their own folders, some copies changed a little,
// against a plain reading of what equal folders are.
class RandomTree {
public:
    RandomTree(const TempTree& tree, uint32_t seed) : m_random(seed)
    {
        namespace fs = std::filesystem;
        for (int top = 0; top < 4; ++top)
            MakeFolder(tree.Path(std::string{'t', static_cast<char>('0' + top)}), 0);
        std::vector<fs::path> folders;
        for (auto& entry : fs::recursive_directory_iterator(tree.Root()))
            folders.push_back(entry.path());
        std::erase_if(folders, [](const fs::path& path) { return !fs::is_directory(path); });
        for (int copy = 0; copy < 6; ++copy) {
            const fs::path& from = folders[Pick(folders.size())];
            const fs::path to = fs::path(tree.Root()) / std::string{'c', static_cast<char>('0' + copy)} / from.filename();
            fs::create_directories(to.parent_path());
            fs::copy(from, to, fs::copy_options::recursive);
            if (Pick(2) == 0)
                Change(to);
        }
    }

private:
    size_t Pick(size_t n) { return std::uniform_int_distribution<size_t>(0, n - 1)(m_random); }

    // Names differ by more than case within a folder; their case is random.
    std::string Name(size_t k, const char* extension)
    {
        std::string name = std::string(1, static_cast<char>('a' + k)) + "n" + extension;
        for (char& c : name)
            c = Pick(3) ? c : static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        return name;
    }

    std::string Contents() { return std::vector<std::string>{"", "alpha", "beta!", "gamma", "changed?"}[Pick(5)]; }

    void MakeFolder(const std::filesystem::path& path, int depth)
    {
        std::filesystem::create_directories(path);
        for (size_t k = 0, files = Pick(4); k < files; ++k)
            Write(path / Name(k, Pick(2) ? ".a" : ".b"), Contents());
        for (size_t k = 0, subfolders = depth < 3 ? Pick(3) : 0; k < subfolders; ++k)
            MakeFolder(path / Name(k + 5, ""), depth + 1);
    }

    // One more file or empty folder, or one file changed in a byte or renamed.
    void Change(const std::filesystem::path& folder)
    {
        const size_t change = Pick(4);
        if (change < 2)
            return change ? Write(folder / "extra.a", Contents()) : void(std::filesystem::create_directory(folder / "e"));
        for (auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
            if (!entry.is_regular_file())
                continue;
            if (change == 2)
                return Write(entry.path(), "changed!");
            return std::filesystem::rename(entry.path(), entry.path().parent_path() / Name(9, ".b"));
        }
    }

    static void Write(const std::filesystem::path& path, const std::string& contents)
    {
        std::ofstream(path, std::ios::binary | std::ios::trunc) << contents;
    }

    std::mt19937 m_random;
};

struct PlainFolder {
    std::string text;  // the whole tree: names in upper case, kinds and bytes
    bool holdsFile = false;  // a file the mask takes
};

PlainFolder DescribePlainly(const std::filesystem::path& folder, const std::string& mask,
                            std::map<std::filesystem::path, PlainFolder>& all)
{
    std::map<std::string, std::string> entries;
    PlainFolder plain;
    for (auto& entry : std::filesystem::directory_iterator(folder)) {
        std::string name = entry.path().filename().string();
        std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) { return std::toupper(c); });
        if (entry.is_directory()) {
            PlainFolder sub = DescribePlainly(entry.path(), mask, all);
            plain.holdsFile = plain.holdsFile || sub.holdsFile;
            entries[name] = "D(" + sub.text + ")";
        } else {
            std::ifstream file(entry.path(), std::ios::binary);
            std::string text = "F";
            text.append(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
            entries[name] = std::move(text);
            plain.holdsFile = plain.holdsFile || mask == "*.*" || name.ends_with(".A");
        }
    }
    for (const auto& [name, contents] : entries)
        plain.text += name + "=" + std::to_string(contents.size()) + ":" + contents + ";";
    return all[folder] = plain;
}

// Folders with files grouped by their whole trees; a group whose folders lie one
// in each folder of another group is left out.
Groups PlainGroups(const TempTree& tree, const std::string& mask)
{
    std::map<std::filesystem::path, PlainFolder> all;
    DescribePlainly(tree.Root(), mask, all);
    std::map<std::string, std::vector<std::filesystem::path>> byText;
    for (const auto& [path, plain] : all)
        if (plain.holdsFile)
            byText[plain.text].push_back(path);
    std::erase_if(byText, [](const auto& text) { return text.second.size() < 2; });
    std::map<std::filesystem::path, std::string> groupOf;
    for (const auto& [text, folders] : byText)
        for (const auto& f : folders)
            groupOf[f] = text;
    Groups shown;
    for (const auto& [text, folders] : byText) {
        std::set<std::filesystem::path> parents;
        for (const auto& f : folders)
            parents.insert(groupOf.count(f.parent_path()) ? f.parent_path() : "");
        const bool folded = !parents.count("") && parents.size() == folders.size() &&
                            std::all_of(parents.begin(), parents.end(), [&](const auto& parent) {
                                return groupOf[parent] == groupOf[*parents.begin()];
                            });
        if (folded)
            continue;
        shown.emplace_back();
        for (const auto& f : folders)
            shown.back().push_back(Relative(tree, test::Utf8(f)));
    }
    return Sorted(shown);
}

TEST(EqualFolders, AgreeWithAPlainComparisonOnRandomTrees)
{
    size_t groupsSeen = 0;
    for (uint32_t seed = 1; seed <= 40; ++seed) {
        TempTree tree;
        RandomTree(tree, seed);
        const std::string mask = seed % 3 == 0 ? "*.a" : "*.*";
        Groups found = Sorted(RelativeGroups(tree, FindInTree(tree, {mask, std::nullopt})));
        EXPECT_EQ(found, PlainGroups(tree, mask)) << "seed " << seed;
        groupsSeen += found.size();
    }
    EXPECT_GT(groupsSeen, 40u);  // the trees do hold copies
}

}  // namespace
}  // namespace twinsweep
