#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/SelectionRules.h"

namespace twinsweep {
namespace {

using Lines = std::vector<int>;

// Two groups on drives c and z, as the result list shows them.
struct Line {
    const char* path;
    bool first;
};
constexpr Line kLines[] = {
    {"C:\\MyPhotos\\a.jpg", true}, {"C:\\backup\\a.JPG", false}, {"Z:\\old\\a.jpg", false},
    {"Z:\\docs\\b.txt", true},     {"C:\\docs\\copy\\b.txt", false},
};

Lines Admitted(const SelectionChoices& choices)
{
    const SelectionRules rules(choices);
    Lines admitted;
    for (int line = 0; line < static_cast<int>(std::size(kLines)); ++line)
        if (rules.Admits(kLines[line].first, kLines[line].path))
            admitted.push_back(line);
    return admitted;
}

TEST(SelectionRules, TheRuleAndEveryConditionNarrowTheLinesIgnoringCase)
{
    const struct {
        SelectionChoices choices;
        Lines admitted;
        const char* why;
    } rows[] = {
        {{.what = 0}, {0, 1, 2, 3, 4}, "every file"},
        {{.what = 1}, {0, 3}, "the first of each group"},
        {{.what = 2}, {1, 2, 4}, "all but the first"},
        {{.what = 3}, {}, "an unknown rule takes nothing"},
        {{.containOn = true, .contain = "PHOTOS"}, {0}, "C:\\MyPhotos\\a.jpg"},
        {{.containOn = true, .contain = ""}, {0, 1, 2, 3, 4}, "an empty text is in every path"},
        {{.extOn = true, .extensions = ".jpg"}, {}, "a token keeps its dot"},
        {{.what = 2, .extOn = true, .extensions = " j p g ,;"}, {1, 2}, "spaces dropped, empty tokens skipped"},
        {{.extOn = true, .extensions = "txt;gif"}, {3, 4}, "either extension"},
        {{.extOn = true, .extensions = ""}, {}, "no extension listed"},
        {{.drivesOn = true, .drives = "z"}, {2, 3}, "the drive letter ignores case"},
        {{.drivesOn = true, .drives = ""}, {}, "no drive checked"},
        {{.what = 2,
          .containOn = true,
          .contain = "\\",
          .extOn = true,
          .extensions = "jpg",
          .drivesOn = true,
          .drives = "c"},
         {1},
         "every condition must hold"},
        {{.contain = "nowhere", .extensions = "exe", .drives = "q"}, {0, 1, 2, 3, 4}, "conditions that are off"},
    };
    for (const auto& row : rows)
        EXPECT_EQ(Admitted(row.choices), row.admitted) << row.why;
}

TEST(SelectionRules, TheExtensionIsTheFileNamesAndLettersBeyondAToZFoldToo)
{
    const struct {
        SelectionChoices choices;
        const char* path;
        bool admitted;
    } rows[] = {
        {{.extOn = true, .extensions = "b"}, "C:\\a.b\\file", false},
        {{.extOn = true, .extensions = "b"}, "C:\\a.b/file", false},
        {{.extOn = true, .extensions = "b"}, "C:\\a.b\\file.b", true},
        {{.extOn = true, .extensions = "txt"}, "C:\\file.", false},
        {{.extOn = true, .extensions = "ÄÖ"}, "C:\\file.äö", true},
        {{.containOn = true, .contain = "ΦΩΤΟ"}, "C:\\φωτο\\a.jpg", true},
        {{.containOn = true, .contain = "ЖУРНАЛ"}, "C:\\журнал.txt", true},
        {{.drivesOn = true, .drives = "cz"}, "\\\\server\\share\\a.txt", false},
        {{.drivesOn = true, .drives = "c"}, "", false},
    };
    for (const auto& row : rows)
        EXPECT_EQ(SelectionRules(row.choices).Admits(false, row.path), row.admitted) << row.path;
}

// The roles of a group's lines: F first, L last, FL a group of one.
std::vector<std::string> RolesAfterRemoving(const std::vector<std::string>& roles, size_t removed)
{
    std::vector<DupFileEntry> lines(roles.size());
    for (size_t i = 0; i < roles.size(); ++i) {
        lines[i].bFirstInGroup = roles[i].find('F') != std::string::npos;
        lines[i].bLastInGroup = roles[i].find('L') != std::string::npos;
    }
    PassOnGroupRoles(lines[removed], removed > 0 ? &lines[removed - 1] : nullptr,
                     removed + 1 < lines.size() ? &lines[removed + 1] : nullptr);
    lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(removed));
    std::vector<std::string> left;
    for (const DupFileEntry& line : lines)
        left.push_back(std::string(line.bFirstInGroup ? "F" : "") + (line.bLastInGroup ? "L" : ""));
    return left;
}

TEST(PassOnGroupRoles, TheNeighboursTakeOverTheFirstAndLastRoles)
{
    using Roles = std::vector<std::string>;
    const struct {
        Roles before;
        size_t removed;
        Roles after;
    } rows[] = {
        {{"F", "", "L"}, 0, {"F", "L"}},
        {{"F", "", "L"}, 1, {"F", "L"}},
        {{"F", "", "L"}, 2, {"F", "L"}},
        {{"F", "L"}, 0, {"FL"}},
        {{"F", "L"}, 1, {"FL"}},
        {{"F", "L", "F", "L"}, 1, {"FL", "F", "L"}},
        {{"FL", "F", "L"}, 0, {"F", "L"}},
        {{"FL"}, 0, {}},
    };
    for (const auto& row : rows)
        EXPECT_EQ(RolesAfterRemoving(row.before, row.removed), row.after) << row.removed;
}

}  // namespace
}  // namespace twinsweep
