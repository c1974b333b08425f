// The plain rules behind the windows: what an edit box takes for a number, where
// a window opens again.
#include <gtest/gtest.h>

#include <climits>
#include <optional>
#include <string>

#include "frame/ScreenFit.h"
#include "framework/IntegerText.h"

namespace twinsweep {
namespace {

TEST(ParseInteger, TakesSignedDecimalIntegersWithSpacesAroundThemWithinIntsRange)
{
    const struct {
        const wchar_t* text;
        std::optional<int> value;
    } rows[] = {
        {L"-5", -5},
        {L"  42  ", 42},
        {L"+7", 7},
        {L"2147483647", INT_MAX},
        {L"-2147483648", INT_MIN},
        {L"007", 7},
        {L"", std::nullopt},
        {L"   ", std::nullopt},
        {L"-", std::nullopt},
        {L"2147483648", std::nullopt},
        {L"-2147483649", std::nullopt},
        {L"99999999999999999999", std::nullopt},
        {L"1,000", std::nullopt},
        {L"4 2", std::nullopt},
        {L"0x10", std::nullopt},
        {L"1.5", std::nullopt},
        {L"--1", std::nullopt},
        {L"\x0661", std::nullopt},
    };
    for (const auto& row : rows)
        EXPECT_EQ(ParseInteger(row.text), row.value) << testing::PrintToString(std::wstring(row.text));
}

TEST(ScreenFit, ARectangleMovesTheShortestWayOntoTheWorkAreaAndShrinksToFitIt)
{
    const ScreenRect work{0, 0, 1024, 738};
    const struct {
        ScreenRect saved;
        ScreenRect placed;
    } rows[] = {
        {{50, 60, 750, 560}, {50, 60, 750, 560}},
        {{-5000, -4000, -4300, -3500}, {0, 0, 700, 500}},
        {{900, 700, 1600, 1200}, {324, 238, 1024, 738}},
        {{20000, 20000, 40000, 40000}, {0, 0, 1024, 738}},
        {{-100, 100, 2000, 200}, {0, 100, 1024, 200}},
    };
    for (const auto& row : rows)
        EXPECT_EQ(MovedInside(row.saved, work), row.placed) << row.saved.left << ',' << row.saved.top;
    EXPECT_EQ(MovedInside({0, 0, 10, 10}, {-1280, 0, 0, 1024}), (ScreenRect{-10, 0, 0, 10}))
        << "a screen left of the first";
}

TEST(ScreenFit, ARectangleGrowsFromItsCornerToTheSmallestSize)
{
    EXPECT_EQ(AtLeast({100, 100, 101, 101}, 136, 39), (ScreenRect{100, 100, 236, 139}));
    EXPECT_EQ(AtLeast({50, 60, 750, 560}, 136, 39), (ScreenRect{50, 60, 750, 560}));
    EXPECT_EQ(AtLeast({50, 60, 40, 50}, 136, 39), (ScreenRect{50, 60, 186, 99})) << "turned inside out";
}

}  // namespace
}  // namespace twinsweep
