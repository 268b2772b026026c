#include "platform/registry_settings.h"

#include <windows.h>

#include <shlwapi.h>

#include <vector>

namespace rt {

namespace {

const wchar_t kRoot[] = L"Software\\VB and VBA Program Settings\\";

std::wstring SectionPath(const std::wstring& app, const std::wstring& section) {
    return kRoot + app + L"\\" + section;
}

}  // namespace

std::wstring GetSetting(const std::wstring& app, const std::wstring& section, const std::wstring& key,
                        const std::wstring& defaultText) {
    HKEY hkey;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, SectionPath(app, section).c_str(), 0, KEY_READ, &hkey) !=
        ERROR_SUCCESS) {
        return defaultText;
    }
    DWORD type = 0;
    DWORD bytes = 0;
    std::wstring result = defaultText;
    if (RegQueryValueExW(hkey, key.c_str(), nullptr, &type, nullptr, &bytes) == ERROR_SUCCESS &&
        type == REG_SZ) {
        std::vector<wchar_t> buffer(bytes / sizeof(wchar_t) + 1, L'\0');
        DWORD size = static_cast<DWORD>(buffer.size() * sizeof(wchar_t));
        if (RegQueryValueExW(hkey, key.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()),
                             &size) == ERROR_SUCCESS &&
            type == REG_SZ) {
            buffer.back() = L'\0';
            result.assign(buffer.data());
        }
    }
    RegCloseKey(hkey);
    return result;
}

bool SaveSetting(const std::wstring& app, const std::wstring& section, const std::wstring& key,
                 const std::wstring& text) {
    HKEY hkey;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, SectionPath(app, section).c_str(), 0, nullptr, 0, KEY_WRITE,
                        nullptr, &hkey, nullptr) != ERROR_SUCCESS) {
        return false;
    }
    const DWORD bytes = static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t));
    const bool ok = RegSetValueExW(hkey, key.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                                   bytes) == ERROR_SUCCESS;
    RegCloseKey(hkey);
    return ok;
}

bool DeleteSetting(const std::wstring& app, const std::wstring& section) {
    HKEY hkey;
    const std::wstring appPath = kRoot + app;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, appPath.c_str(), 0, KEY_ALL_ACCESS, &hkey) != ERROR_SUCCESS) {
        return false;
    }
    // With whatever keys may lie below it; the shell's call does that on every Windows the program runs on.
    const bool ok = SHDeleteKeyW(hkey, section.c_str()) == ERROR_SUCCESS;
    RegCloseKey(hkey);
    return ok;
}

}  // namespace rt
