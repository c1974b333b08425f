#include <gtest/gtest.h>

#include "cli/CliOptions.h"
#include "cli/JsonWriter.h"
#include "engine/MaskList.h"
#include "engine/NameParts.h"
#include "engine/SearchJob.h"
#include "engine/SizeFormat.h"

namespace twinsweep {
namespace {

using Masks = std::vector<std::string>;

Masks Split(const std::string& text, bool dropSpaces = true)
{
    Masks masks;
    SplitMaskList(text, masks, dropSpaces);
    return masks;
}

TEST(SplitMaskList, SplitsAtSemicolonsAndCommasAndDropsSpacesAndEmptyPieces)
{
    EXPECT_EQ(Split("  *.txt , *.doc ;;"), (Masks{"*.txt", "*.doc"}));
    EXPECT_EQ(Split("my file.txt"), (Masks{"myfile.txt"}));
    EXPECT_EQ(Split("my file.txt", false), (Masks{"my file.txt"}));
    EXPECT_EQ(Split(""), Masks{});
    EXPECT_EQ(Split(" ; ,, ;"), Masks{});
    EXPECT_EQ(Split("a;b,c"), (Masks{"a", "b", "c"}));
}

TEST(SplitMaskList, AppendsToWhatTheListHolds)
{
    Masks masks{"first"};
    SplitMaskList("second", masks, true);
    EXPECT_EQ(masks, (Masks{"first", "second"}));
}

TEST(FormatSize, TakesAUnitOnlyAboveFiveOfIt)
{
    EXPECT_EQ(FormatSize(0), "0 bytes");
    EXPECT_EQ(FormatSize(1), "1 bytes");
    EXPECT_EQ(FormatSize(5120), "5120 bytes");
    EXPECT_EQ(FormatSize(5121), "5 KB");
    EXPECT_EQ(FormatSize(5242880), "5120 KB");
    EXPECT_EQ(FormatSize(5242881), "5 MB");
    EXPECT_EQ(FormatSize(5368709120ull), "5120 MB");
    EXPECT_EQ(FormatSize(5368709121ull), "5 GB");
}

TEST(FormatSize, ShowsLargeTotalsWithoutWrapping)
{
    EXPECT_EQ(FormatSize(3ull << 30), "3072 MB");
    EXPECT_EQ(FormatSize(1ull << 50), "1048576 GB");
}

TEST(UnitFactor, MapsEveryUnknownUnitToMebibytes)
{
    EXPECT_EQ(UnitFactor(0), 1);
    EXPECT_EQ(UnitFactor(1), 1024);
    EXPECT_EQ(UnitFactor(2), 1048576);
    EXPECT_EQ(UnitFactor(-1), 1048576);
    EXPECT_EQ(UnitFactor(3), 1048576);
}

TEST(DupGroup, ByteTotalDoesNotWrapAtFourGibibytes)
{
    DupGroup group;
    for (int i = 0; i < 2; ++i) {
        group.entries.push_back(std::make_unique<DupFileEntry>());
        group.entries.back()->dwSize = 3000000000ull;
    }
    EXPECT_EQ(group.ByteTotal(), 6000000000ull);
}

TEST(SplitFileName, TakesTheExtensionFromTheLastDot)
{
    auto parts = [](std::string_view name) {
        NameParts split = SplitFileName(name);
        return std::make_pair(std::string(split.name), std::string(split.extension));
    };
    EXPECT_EQ(parts("x.tar.gz"), std::make_pair(std::string("x.tar"), std::string(".gz")));
    EXPECT_EQ(parts(".profile"), std::make_pair(std::string(""), std::string(".profile")));
    EXPECT_EQ(parts("README"), std::make_pair(std::string("README"), std::string("")));
    EXPECT_EQ(parts("trailing."), std::make_pair(std::string("trailing"), std::string(".")));
}

TEST(FoldAsciiCase, FoldsOnlyAsciiLetters)
{
    EXPECT_EQ(FoldAsciiCase("RePoRt.TXT_09"), "report.txt_09");
    EXPECT_EQ(FoldAsciiCase("\xC3\x84rger"), "\xC3\x84rger");
}

TEST(ParseByteCount, TakesBytesAndBinarySuffixes)
{
    EXPECT_EQ(ParseByteCount("0"), 0);
    EXPECT_EQ(ParseByteCount("1536"), 1536);
    EXPECT_EQ(ParseByteCount("64K"), 65536);
    EXPECT_EQ(ParseByteCount("2m"), 2097152);
    EXPECT_EQ(ParseByteCount("5G"), 5368709120ll);
    EXPECT_EQ(ParseByteCount(""), std::nullopt);
    EXPECT_EQ(ParseByteCount("K"), std::nullopt);
    EXPECT_EQ(ParseByteCount("12KB"), std::nullopt);
    EXPECT_EQ(ParseByteCount("-5"), std::nullopt);
    EXPECT_EQ(ParseByteCount("1.5M"), std::nullopt);
    EXPECT_EQ(ParseByteCount("99999999999999999999"), std::nullopt);
    EXPECT_EQ(ParseByteCount("9999999999G"), std::nullopt);
}

TEST(JsonString, EscapesAndKeepsTheDocumentValidUtf8)
{
    EXPECT_EQ(JsonString("C:\\a \"b\""), "\"C:\\\\a \\\"b\\\"\"");
    EXPECT_EQ(JsonString("tab\there\n"), "\"tab\\u0009here\\u000a\"");
    EXPECT_EQ(JsonString("\xE6\x97\xA5\xF0\x9F\x98\x80"), "\"\xE6\x97\xA5\xF0\x9F\x98\x80\"");
    EXPECT_EQ(JsonString("bad\xFF\xC3"), "\"bad\\ufffd\\ufffd\"");
    EXPECT_EQ(JsonString("\xED\xA0\x80"), "\"\\ufffd\\ufffd\\ufffd\"");
}

}  // namespace
}  // namespace twinsweep
