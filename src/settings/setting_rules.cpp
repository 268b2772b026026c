#include "settings/setting_rules.h"

namespace vintrel {

std::optional<int32_t> ParseStoredInteger(std::wstring_view text, int32_t minValue, int32_t maxValue) {
    bool negative = false;
    if (!text.empty() && text.front() == L'-') {
        negative = true;
        text.remove_prefix(1);
    }
    if (text.empty()) return std::nullopt;
    int64_t magnitude = 0;
    for (wchar_t c : text) {
        if (c < L'0' || c > L'9') return std::nullopt;
        magnitude = magnitude * 10 + (c - L'0');
        // Anything past 32 bits is out of every field's range; stop before int64 could overflow.
        if (magnitude > (int64_t{1} << 32)) return std::nullopt;
    }
    const int64_t value = negative ? -magnitude : magnitude;
    if (value < minValue || value > maxValue) return std::nullopt;
    return static_cast<int32_t>(value);
}

std::wstring FormatStoredInteger(int32_t value) {
    return std::to_wstring(value);
}

}  // namespace vintrel
