#include "settings/input_rules.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <system_error>

namespace vintrel {

namespace {

bool IsBlank(wchar_t c) {
    return c == L' ' || c == L'\t' || c == L'\u3000';
}

bool IsDigit(wchar_t c) {
    return c >= L'0' && c <= L'9';
}

bool StartsWith(std::wstring_view text, size_t at, std::wstring_view part) {
    return !part.empty() && text.substr(at, part.size()) == part;
}

template <typename Int>
std::optional<Int> RoundHalfEven(double value) {
    if (!std::isfinite(value)) return std::nullopt;
    double whole = std::floor(value);
    const double rest = value - whole;
    if (rest > 0.5 || (rest == 0.5 && std::fmod(whole, 2.0) != 0.0)) whole += 1.0;
    if (whole < static_cast<double>(std::numeric_limits<Int>::min()) ||
        whole > static_cast<double>(std::numeric_limits<Int>::max())) {
        return std::nullopt;
    }
    return static_cast<Int>(whole);
}

// Inserts the separator between groups of three digits of a plain digit string with an optional
// leading minus sign.
std::wstring GroupDigits(std::string_view digits, std::wstring_view separator) {
    std::wstring out;
    if (!digits.empty() && digits.front() == '-') {
        out.push_back(L'-');
        digits.remove_prefix(1);
    }
    for (size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) out.append(separator);
        out.push_back(static_cast<wchar_t>(digits[i]));
    }
    return out;
}

}  // namespace

std::optional<double> ReadNumber(std::wstring_view text, std::wstring_view groupSeparator,
                                 std::wstring_view decimalSeparator) {
    size_t begin = 0, end = text.size();
    while (begin < end && IsBlank(text[begin])) ++begin;
    while (end > begin && IsBlank(text[end - 1])) --end;
    text = text.substr(begin, end - begin);

    // The number is rebuilt in the one form the conversion below reads: sign, digits, '.', digits.
    std::string plain;
    size_t i = 0;
    if (i < text.size() && (text[i] == L'-' || text[i] == L'+')) {
        if (text[i] == L'-') plain.push_back('-');
        ++i;
    }
    bool digits = false, fraction = false;
    while (i < text.size()) {
        const wchar_t c = text[i];
        if (IsDigit(c)) {
            plain.push_back(static_cast<char>(c));
            digits = true;
            ++i;
        } else if (!fraction && StartsWith(text, i, decimalSeparator)) {
            plain.push_back('.');
            fraction = true;
            i += decimalSeparator.size();
        } else if (!fraction && digits && StartsWith(text, i, groupSeparator) &&
                   i + groupSeparator.size() < text.size() && IsDigit(text[i + groupSeparator.size()])) {
            i += groupSeparator.size();
        } else {
            return std::nullopt;
        }
    }
    if (!digits) return std::nullopt;
    double value = 0;
    const auto [ptr, ec] = std::from_chars(plain.data(), plain.data() + plain.size(), value);
    if (ec != std::errc() || ptr != plain.data() + plain.size() || !std::isfinite(value)) return std::nullopt;
    return value;
}

std::optional<int16_t> RoundToInt16(double value) {
    return RoundHalfEven<int16_t>(value);
}

std::optional<int32_t> RoundToInt32(double value) {
    return RoundHalfEven<int32_t>(value);
}

std::wstring KeyName(int index) {
    return L"PF" + std::to_wstring(index + 1);
}

int KeyIndexFromName(std::wstring_view name) {
    for (int i = 0; i < kKeyCount; ++i) {
        const std::wstring upper = KeyName(i);
        const std::wstring lower = L"pf" + upper.substr(2);
        if (name == upper || name == lower) return i;
    }
    return -1;
}

std::wstring FormatGrouped(int64_t value, std::wstring_view groupSeparator) {
    return GroupDigits(std::to_string(value), groupSeparator);
}

std::wstring FormatGroupedUnsigned(uint64_t value, std::wstring_view groupSeparator) {
    return GroupDigits(std::to_string(value), groupSeparator);
}

std::optional<std::wstring> FormatGroupedWhole(double value, std::wstring_view groupSeparator) {
    if (!std::isfinite(value)) return std::nullopt;
    // A double holds at most 309 integer digits.
    char buffer[400];
    const auto [ptr, ec] =
        std::to_chars(buffer, buffer + sizeof(buffer), std::round(value), std::chars_format::fixed, 0);
    if (ec != std::errc()) return std::nullopt;
    std::string_view digits(buffer, static_cast<size_t>(ptr - buffer));
    if (digits == "-0") digits = "0";
    return GroupDigits(digits, groupSeparator);
}

}  // namespace vintrel
