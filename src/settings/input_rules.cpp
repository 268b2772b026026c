#include "settings/input_rules.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <vector>

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

// The exact decimal digits of a finite, whole, non-negative double. Beyond 64 bits its significand is
// doubled step by step in base 10^9, so that even the largest double prints digit for digit.
std::string WholeDigits(double whole) {
    if (whole < 18446744073709551616.0) return std::to_string(static_cast<uint64_t>(whole));
    int exponent = 0;
    const double fraction = std::frexp(whole, &exponent);
    const auto significand = static_cast<uint64_t>(std::ldexp(fraction, 53));
    constexpr uint32_t kBase = 1000000000;
    std::vector<uint32_t> limbs = {static_cast<uint32_t>(significand % kBase),
                                   static_cast<uint32_t>(significand / kBase % kBase),
                                   static_cast<uint32_t>(significand / kBase / kBase)};
    for (int i = 53; i < exponent; ++i) {
        uint32_t carry = 0;
        for (uint32_t& limb : limbs) {
            const uint32_t doubled = limb * 2 + carry;
            carry = doubled >= kBase ? 1 : 0;
            limb = doubled - carry * kBase;
        }
        if (carry != 0) limbs.push_back(carry);
    }
    while (limbs.size() > 1 && limbs.back() == 0) limbs.pop_back();
    std::string digits = std::to_string(limbs.back());
    for (size_t i = limbs.size() - 1; i-- > 0;) {
        const std::string part = std::to_string(limbs[i]);
        digits.append(9 - part.size(), '0').append(part);
    }
    return digits;
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
    // The C conversion rounds correctly; the program never changes the C locale, so '.' is its point.
    char* stop = nullptr;
    errno = 0;
    const double value = std::strtod(plain.c_str(), &stop);
    if (errno == ERANGE || stop != plain.c_str() + plain.size() || !std::isfinite(value)) return std::nullopt;
    return value;
}

std::optional<int16_t> RoundToInt16(double value) {
    return RoundHalfEven<int16_t>(value);
}

std::optional<int32_t> RoundToInt32(double value) {
    return RoundHalfEven<int32_t>(value);
}

std::wstring KeyName(int index) {
    const std::string digits = std::to_string(index + 1);
    return L"PF" + std::wstring(digits.begin(), digits.end());
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
    const double whole = std::round(value);
    const std::string digits = WholeDigits(std::fabs(whole));
    return GroupDigits(whole < 0 ? "-" + digits : digits, groupSeparator);
}

}  // namespace vintrel
