#include <gtest/gtest.h>

#include <limits>
#include <optional>

#include "settings/input_rules.h"

using namespace vintrel;

namespace {

struct NumberCase {
    const wchar_t* text;
    std::optional<double> number;
    std::optional<int16_t> int16;
};

// Japanese and most English locales: "," groups, "." is the decimal point.
const NumberCase kNumbers[] = {
    {L"1,024", 1024, 1024},
    {L"  1,024 ", 1024, 1024},
    {L"\u30001024\u3000", 1024, 1024},  // ideographic spaces around it
    {L"0.5", 0.5, 0},
    {L"1.2", 1.2, 1},
    {L"2.5", 2.5, 2},
    {L"3.5", 3.5, 4},
    {L"-2.5", -2.5, -2},
    {L"-3", -3, -3},
    {L"+7", 7, 7},
    {L".5", 0.5, 0},
    {L"1.", 1, 1},
    {L"1,234,567", 1234567, std::nullopt},
    {L"32767.4", 32767.4, 32767},
    {L"32767.5", 32767.5, std::nullopt},  // rounds to 32768
    {L"-32768.5", -32768.5, -32768},
    {L"12345678901234567890", 12345678901234567890.0, std::nullopt},
    {L"", std::nullopt, std::nullopt},
    {L"   ", std::nullopt, std::nullopt},
    {L"abc", std::nullopt, std::nullopt},
    {L"&H10", std::nullopt, std::nullopt},
    {L"0x10", std::nullopt, std::nullopt},
    {L"1e3", std::nullopt, std::nullopt},
    {L"12-", std::nullopt, std::nullopt},
    {L"(5)", std::nullopt, std::nullopt},
    {L"\\5", std::nullopt, std::nullopt},
    {L"$5", std::nullopt, std::nullopt},
    {L"- 5", std::nullopt, std::nullopt},
    {L"--5", std::nullopt, std::nullopt},
    {L"-", std::nullopt, std::nullopt},
    {L".", std::nullopt, std::nullopt},
    {L",5", std::nullopt, std::nullopt},
    {L"5,", std::nullopt, std::nullopt},
    {L"1,,024", std::nullopt, std::nullopt},
    {L"1.5,0", std::nullopt, std::nullopt},
    {L"1.2.3", std::nullopt, std::nullopt},
    {L"1 024", std::nullopt, std::nullopt},
    {L"１２", std::nullopt, std::nullopt},
    {L"inf", std::nullopt, std::nullopt},
    {L"nan", std::nullopt, std::nullopt},
};

}  // namespace

TEST(ReadNumber, AcceptsSignDigitsGroupsAndFractionAndNothingElse) {
    for (const NumberCase& c : kNumbers) {
        const std::string shown = testing::PrintToString(std::wstring(c.text));
        const std::optional<double> read = ReadNumber(c.text, L",", L".");
        EXPECT_EQ(read, c.number) << shown;
        if (read) {
            EXPECT_EQ(RoundToInt16(*read), c.int16) << shown;
        }
    }
    // A number beyond the largest double reads as nothing rather than as infinity.
    EXPECT_FALSE(ReadNumber(std::wstring(400, L'9'), L",", L"."));
}

TEST(ReadNumber, FollowsTheLocaleSeparators) {
    EXPECT_EQ(ReadNumber(L"1.024,5", L".", L","), 1024.5);
    EXPECT_FALSE(ReadNumber(L"1,024.5", L".", L","));
    EXPECT_EQ(ReadNumber(L"1\u00a0024", L"\u00a0", L","), 1024);
    EXPECT_EQ(ReadNumber(L"1'024'000", L"'", L"."), 1024000);
}

TEST(RoundToInteger, HalvesGoToTheEvenNeighbourAndOverflowIsNothing) {
    EXPECT_EQ(RoundToInt32(0.5), 0);
    EXPECT_EQ(RoundToInt32(1.5), 2);
    EXPECT_EQ(RoundToInt32(-1.5), -2);
    EXPECT_EQ(RoundToInt32(-0.4), 0);
    EXPECT_EQ(RoundToInt32(2147483647.4), 2147483647);
    EXPECT_FALSE(RoundToInt32(2147483647.5));
    EXPECT_EQ(RoundToInt32(-2147483648.5), std::numeric_limits<int32_t>::min());
    EXPECT_FALSE(RoundToInt32(1e300));
    EXPECT_FALSE(RoundToInt32(std::numeric_limits<double>::infinity()));
    EXPECT_FALSE(RoundToInt16(std::numeric_limits<double>::quiet_NaN()));
}

TEST(KeyNames, TwelveEntriesExactCaseOnly) {
    for (int i = 0; i < kKeyCount; ++i) {
        const std::wstring name = L"PF" + std::to_wstring(i + 1);
        EXPECT_EQ(KeyName(i), name);
        EXPECT_EQ(KeyIndexFromName(name), i);
        EXPECT_EQ(KeyIndexFromName(L"pf" + std::to_wstring(i + 1)), i);
    }
    for (const wchar_t* bad :
         {L"Pf3", L"pF3", L" PF3", L"PF3 ", L"F3", L"PF13", L"PF0", L"PF03", L"", L"PF"}) {
        EXPECT_EQ(KeyIndexFromName(bad), -1) << testing::PrintToString(std::wstring(bad));
    }
}

TEST(GroupedFigures, GroupByThreeWithTheGivenSeparator) {
    EXPECT_EQ(FormatGrouped(0, L","), L"0");
    EXPECT_EQ(FormatGrouped(128, L","), L"128");
    EXPECT_EQ(FormatGrouped(1024, L","), L"1,024");
    EXPECT_EQ(FormatGrouped(-1024, L","), L"-1,024");
    EXPECT_EQ(FormatGrouped(std::numeric_limits<int64_t>::min(), L"."), L"-9.223.372.036.854.775.808");
    EXPECT_EQ(FormatGroupedUnsigned(std::numeric_limits<uint64_t>::max(), L","),
              L"18,446,744,073,709,551,615");
    EXPECT_EQ(FormatGroupedWhole(491520, L","), L"491,520");  // 128 x 96 x 4 x 10
    EXPECT_EQ(FormatGroupedWhole(6144000, L","), L"6,144,000");
    EXPECT_EQ(FormatGroupedWhole(2.5, L","), L"3");
    EXPECT_EQ(FormatGroupedWhole(-0.4, L","), L"0");
    EXPECT_EQ(FormatGroupedWhole(-1234.5, L" "), L"-1 235");
    EXPECT_EQ(FormatGroupedWhole(1e20, L","), L"100,000,000,000,000,000,000");
    const std::optional<std::wstring> huge = FormatGroupedWhole(std::numeric_limits<double>::max(), L",");
    ASSERT_TRUE(huge);
    EXPECT_EQ(huge->size(), 309u + 102u);
    EXPECT_EQ(huge->substr(0, 7), L"179,769");
    EXPECT_FALSE(FormatGroupedWhole(std::numeric_limits<double>::infinity(), L","));
    EXPECT_FALSE(FormatGroupedWhole(std::numeric_limits<double>::quiet_NaN(), L","));
}
