// The per-user application settings store: text values under
// HKEY_CURRENT_USER\Software\VB and VBA Program Settings\<application>\<section>.
#pragma once

#include <string>

namespace rt {

// The stored text, or `defaultText` when the application, section or key is not stored (or holds
// something other than text).
std::wstring GetSetting(const std::wstring& app, const std::wstring& section, const std::wstring& key,
                        const std::wstring& defaultText);
// Creates the application and section as needed and replaces any earlier value; false on failure.
bool SaveSetting(const std::wstring& app, const std::wstring& section, const std::wstring& key,
                 const std::wstring& text);
// Removes the section with all its keys; false when there was nothing to remove or it failed.
bool DeleteSetting(const std::wstring& app, const std::wstring& section);

}  // namespace rt
