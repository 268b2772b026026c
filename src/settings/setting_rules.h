// Window-free rules of the settings store: stored values are plain decimal text.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vintrel {

// Reads a stored value: an optional "-" and one or more ASCII digits, nothing else, within
// [minValue, maxValue]. Anything else yields nothing, so that the caller falls back to its default.
std::optional<int32_t> ParseStoredInteger(std::wstring_view text, int32_t minValue, int32_t maxValue);

// The stored form of a value: decimal digits, "-" only for a negative number.
std::wstring FormatStoredInteger(int32_t value);

}  // namespace vintrel
