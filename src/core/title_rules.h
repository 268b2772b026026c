// Window-free rule of the single-instance check.
#pragma once

#include <string_view>

namespace vintrel {

// The title prefix by which a running instance is recognised.
inline constexpr std::wstring_view kPeerTitlePrefix = L"VINTREL Ver";

// True when the first 11 characters of `title` are exactly "VINTREL Ver" (case-sensitive).
bool IsPeerTitle(std::wstring_view title);

}  // namespace vintrel
