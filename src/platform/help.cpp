#include "platform/help.h"

#include <shellapi.h>

#include <vector>

#include "platform/app_windows.h"
#include "platform/help_rules.h"
#include "platform/msgbox.h"

namespace rt {

namespace {

std::wstring g_helpFile;
HelpFunction g_helpFunction;
bool g_winHelpAsked = false;

template <typename Function>
Function SystemFunction(const wchar_t* module, const char* name) {
    const HMODULE handle = GetModuleHandleW(module);
    const FARPROC found = handle ? GetProcAddress(handle, name) : nullptr;
    // Through the generic function pointer type, which converts to any other without complaint.
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(found));
}

std::wstring WindowsFolder() {
    std::vector<wchar_t> folder(MAX_PATH);
    const UINT n = GetSystemWindowsDirectoryW(folder.data(), static_cast<UINT>(folder.size()));
    return n > 0 && n < folder.size() ? std::wstring(folder.data(), n) : std::wstring();
}

// The FileDescription of a file's version information, in the first language it lists.
std::wstring FileDescription(const std::wstring& path) {
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &ignored);
    std::vector<BYTE> info(size);
    struct Translation {
        WORD language, codePage;
    }* translation = nullptr;
    UINT length = 0;
    if (size == 0 || !GetFileVersionInfoW(path.c_str(), 0, size, info.data()) ||
        !VerQueryValueW(info.data(), L"\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translation),
                        &length) ||
        length < sizeof(Translation)) {
        return {};
    }
    std::wstring block = L"\\StringFileInfo\\";
    for (unsigned value : {translation->language, translation->codePage}) {
        for (int shift = 12; shift >= 0; shift -= 4) block += L"0123456789abcdef"[(value >> shift) & 0xF];
    }
    block += L"\\FileDescription";
    wchar_t* text = nullptr;
    if (!VerQueryValueW(info.data(), block.c_str(), reinterpret_cast<void**>(&text), &length) || !text)
        return {};
    return text;
}

vintrel::HelpSystem DetectHelpSystem() {
    vintrel::HelpSystem system;
    system.wine = SystemFunction<const char*(CDECL*)()>(L"ntdll.dll", "wine_get_version") != nullptr;
    // RtlGetVersion tells the real version, which GetVersionEx hides from programs not declared for it.
    using GetVersionFunction = LONG(WINAPI*)(OSVERSIONINFOW*);
    OSVERSIONINFOW version = {};
    version.dwOSVersionInfoSize = sizeof(version);
    if (const auto getVersion = SystemFunction<GetVersionFunction>(L"ntdll.dll", "RtlGetVersion")) {
        if (getVersion(&version) == 0) system.majorVersion = version.dwMajorVersion;
    }
    system.winHelpStub = vintrel::IsWinHelpStub(FileDescription(WindowsFolder() + L"\\winhlp32.exe"));
    return system;
}

bool CallWinHelp(const std::wstring& path, UINT command) {
    if (g_helpFunction) {
        g_helpFunction(HiddenOwner(), path, command);
        return true;
    }
    return WinHelpW(HiddenOwner(), path.c_str(), command, 0) != FALSE;
}

// The HTML page made from the same source: the help file's name with the extension ".html".
std::wstring PagePath(const std::wstring& helpPath) {
    const size_t dot = helpPath.find_last_of(L'.');
    const size_t folder = helpPath.find_last_of(L"\\/");
    const bool extension = dot != std::wstring::npos && (folder == std::wstring::npos || dot > folder);
    return (extension ? helpPath.substr(0, dot) : helpPath) + L".html";
}

}  // namespace

void SetHelpFile(const std::wstring& path) {
    g_helpFile = path;
}

const std::wstring& HelpFile() {
    return g_helpFile;
}

std::wstring HelpFilePath() {
    const bool bare = g_helpFile.find_first_of(L"\\/:") == std::wstring::npos;
    if (!bare) return g_helpFile;
    std::vector<wchar_t> path(MAX_PATH);
    DWORD n;
    while ((n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()))) == path.size()) {
        path.resize(path.size() * 2);
    }
    std::wstring dir(path.data(), n);
    dir.resize(dir.find_last_of(L"\\/") + 1);
    return dir + g_helpFile;
}

void ShowHelp() {
    if (g_helpFile.empty()) return;
    static const vintrel::HelpViewer viewer = vintrel::ChooseHelpViewer(DetectHelpSystem());
    const bool winHelp = viewer == vintrel::HelpViewer::kWinHelp;
    const std::wstring path = winHelp ? HelpFilePath() : PagePath(HelpFilePath());
    bool shown = GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
    if (shown && winHelp) {
        shown = CallWinHelp(path, HELP_CONTENTS);
        g_winHelpAsked = g_winHelpAsked || shown;
    } else if (shown) {
        const auto result = reinterpret_cast<INT_PTR>(
            ShellExecuteW(nullptr, L"open", path.c_str(), nullptr, nullptr, SW_SHOWNORMAL));
        shown = result > 32;
    }
    if (!shown) MsgBox(L"ヘルプを表示できません。\r" + path);
}

void CloseHelp() {
    if (!g_winHelpAsked) return;
    g_winHelpAsked = false;
    CallWinHelp(HelpFilePath(), HELP_QUIT);
}

void SetHelpFunction(HelpFunction function) {
    g_helpFunction = std::move(function);
}

}  // namespace rt
