#include <gtest/gtest.h>

#include <limits>

#include "core/title_rules.h"
#include "settings/setting_rules.h"

using vintrel::FormatStoredInteger;
using vintrel::IsPeerTitle;
using vintrel::ParseStoredInteger;

namespace {
constexpr int32_t kI16Min = std::numeric_limits<int16_t>::min();
constexpr int32_t kI16Max = std::numeric_limits<int16_t>::max();
constexpr int32_t kI32Min = std::numeric_limits<int32_t>::min();
constexpr int32_t kI32Max = std::numeric_limits<int32_t>::max();
}  // namespace

TEST(StoredInteger, ReadsPlainDecimalText) {
    EXPECT_EQ(ParseStoredInteger(L"128", kI32Min, kI32Max), 128);
    EXPECT_EQ(ParseStoredInteger(L"-5", kI16Min, kI16Max), -5);
    EXPECT_EQ(ParseStoredInteger(L"0", kI16Min, kI16Max), 0);
    EXPECT_EQ(ParseStoredInteger(L"007", kI16Min, kI16Max), 7);
    EXPECT_EQ(ParseStoredInteger(L"65", kI16Min, kI16Max), 65);  // outside the dialog's range, still read
}

TEST(StoredInteger, RejectsTextThatIsNotADecimalInteger) {
    for (const wchar_t* text : {L"", L"-", L"abc", L"12a", L" 12", L"12 ", L"1,024", L"12.5", L"+12", L"0x10",
                                L"１２８", L"--1", L"1-"}) {
        EXPECT_FALSE(ParseStoredInteger(text, kI32Min, kI32Max).has_value()) << "text: " << text;
    }
}

TEST(StoredInteger, RejectsValuesThatDoNotFitTheField) {
    EXPECT_EQ(ParseStoredInteger(L"32767", kI16Min, kI16Max), 32767);
    EXPECT_FALSE(ParseStoredInteger(L"32768", kI16Min, kI16Max));
    EXPECT_EQ(ParseStoredInteger(L"-32768", kI16Min, kI16Max), -32768);
    EXPECT_FALSE(ParseStoredInteger(L"-32769", kI16Min, kI16Max));
    EXPECT_EQ(ParseStoredInteger(L"2147483647", kI32Min, kI32Max), kI32Max);
    EXPECT_FALSE(ParseStoredInteger(L"2147483648", kI32Min, kI32Max));
    EXPECT_EQ(ParseStoredInteger(L"-2147483648", kI32Min, kI32Max), kI32Min);
    EXPECT_FALSE(ParseStoredInteger(L"99999999999999999999999999", kI32Min, kI32Max));
}

TEST(StoredInteger, FormatsAsPlainDecimalAndReadsBack) {
    EXPECT_EQ(FormatStoredInteger(128), L"128");
    EXPECT_EQ(FormatStoredInteger(-1), L"-1");
    EXPECT_EQ(FormatStoredInteger(1234567), L"1234567");  // no grouping
    for (int32_t v : {kI32Min, -1, 0, 1, kI32Max})
        EXPECT_EQ(ParseStoredInteger(FormatStoredInteger(v), kI32Min, kI32Max), v);
}

TEST(PeerTitle, MatchesTheElevenCharacterPrefixExactly) {
    EXPECT_TRUE(IsPeerTitle(L"VINTREL Ver.1"));
    EXPECT_TRUE(IsPeerTitle(L"VINTREL Ver"));
    EXPECT_TRUE(IsPeerTitle(std::wstring_view(L"VINTREL Ver.1\0", 14)));  // terminator included
    EXPECT_TRUE(IsPeerTitle(L"VINTREL Version 9 of something else"));
    EXPECT_FALSE(IsPeerTitle(L"VINTREL Ve"));
    EXPECT_FALSE(IsPeerTitle(L"Vintrel Ver.1"));
    EXPECT_FALSE(IsPeerTitle(L"VINTREL ver.1"));
    EXPECT_FALSE(IsPeerTitle(L" VINTREL Ver.1"));
    EXPECT_FALSE(IsPeerTitle(L""));
}
