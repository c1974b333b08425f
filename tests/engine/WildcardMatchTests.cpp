#include <gtest/gtest.h>

#include <algorithm>

#include "platform/posix/WildcardMatch.h"

namespace twinsweep {
namespace {

TEST(MatchesMask, FollowsTheWindowsWildcardRules)
{
    EXPECT_TRUE(MatchesMask("*.*", "README"));
    EXPECT_TRUE(MatchesMask("*.*", ".profile"));
    EXPECT_TRUE(MatchesMask("*", "a.b.c"));
    EXPECT_TRUE(MatchesMask("*.txt", "Notes.TXT"));
    EXPECT_FALSE(MatchesMask("*.txt", "notes.txt.bak"));
    EXPECT_FALSE(MatchesMask("*.txt", "notestxt"));
    EXPECT_TRUE(MatchesMask("a?c", "abc"));
    EXPECT_FALSE(MatchesMask("a?c", "ac"));
    EXPECT_TRUE(MatchesMask("*a*b*", "xxaxxbxx"));
    EXPECT_FALSE(MatchesMask("*a*b*", "xxbxxaxx"));
    EXPECT_TRUE(MatchesMask("report.*", "report"));
    EXPECT_TRUE(MatchesMask("report.*", "report.doc"));
    EXPECT_TRUE(MatchesMask("*.", "noextension"));
    EXPECT_FALSE(MatchesMask("*.", "has.extension"));
    EXPECT_TRUE(MatchesMask("exact", "EXACT"));
    EXPECT_FALSE(MatchesMask("exact", "exactly"));
}

TEST(MatchesMask, TakesOneCharacterNotOneByteForAQuestionMark)
{
    EXPECT_TRUE(MatchesMask("?.txt", "\xE6\x97\xA5.txt"));
    EXPECT_TRUE(MatchesMask("*\xE6\x97\xA5?", "a\xE6\x97\xA5\xC3\xA9"));
    EXPECT_FALSE(MatchesMask("??.txt", "\xE6\x97\xA5.txt"));
}

TEST(ListsBefore, SortsByUpperCasedName)
{
    std::vector<std::string> names{"~t", "_u", "Zz", "B", "a_b", "ab", "2.txt", "10.txt"};
    std::sort(names.begin(), names.end(), ListsBefore);
    EXPECT_EQ(names, (std::vector<std::string>{"10.txt", "2.txt", "ab", "a_b", "B", "Zz", "_u", "~t"}));
}

}  // namespace
}  // namespace twinsweep
