// Window-free rules of the settings dialog: reading the numbers typed in its boxes, the start and
// cancel key names, and the grouped figures it shows.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vintrel {

// Reads a number typed in the user's locale: blanks, an optional sign, digits with the locale's
// digit group separator between them, an optional decimal separator with more digits, blanks.
// Anything else (hexadecimal, an exponent, a currency sign, parentheses, a trailing sign) and a
// number too large for a double read as nothing.
std::optional<double> ReadNumber(std::wstring_view text, std::wstring_view groupSeparator,
                                 std::wstring_view decimalSeparator);

// The nearest integer, halves to the even neighbour (2.5 gives 2, 3.5 gives 4); nothing when it
// does not fit the type.
std::optional<int16_t> RoundToInt16(double value);
std::optional<int32_t> RoundToInt32(double value);

// The start and cancel keys: list entry i is "PF" followed by i + 1 and stands for virtual-key
// code 112 + i (F1 .. F12).
constexpr int kKeyCount = 12;
constexpr int kFirstKeyCode = 112;
std::wstring KeyName(int index);
// Index 0 .. 11 of an exact "PF1" .. "PF12" or "pf1" .. "pf12"; -1 for any other text.
int KeyIndexFromName(std::wstring_view name);

// "###,##0" and "###,###,##0": the digits grouped by three with the given separator.
std::wstring FormatGrouped(int64_t value, std::wstring_view groupSeparator);
std::wstring FormatGroupedUnsigned(uint64_t value, std::wstring_view groupSeparator);
// A computed figure such as the memory estimate, rounded to a whole number (halves away from zero)
// and grouped; nothing when the value is not finite.
std::optional<std::wstring> FormatGroupedWhole(double value, std::wstring_view groupSeparator);

}  // namespace vintrel
