// Window-free rules of the help: which viewer shows it on this system.
#pragma once

#include <string_view>

namespace vintrel {

enum class HelpViewer { kWinHelp, kBrowser };

// What the program learns about the system before it shows help.
struct HelpSystem {
    bool wine = false;          // running under Wine, whose own winhlp32 reads the help file
    unsigned majorVersion = 0;  // the Windows version the system reports to the program
    bool winHelpStub = true;    // %SystemRoot%\winhlp32.exe is missing or only the "not supported" stub
};

// WinHelp (vintrel.hlp) where a WinHelp viewer can show it: under Wine, on Windows up to XP and Server
// 2003 (major version 5 and before), and on Windows Vista to 8.1 (version 6) once the downloadable
// viewer has replaced the stub. The browser (vintrel.html) everywhere else, which includes Windows 10
// and 11: no WinHelp viewer is offered for them.
HelpViewer ChooseHelpViewer(const HelpSystem& system);

// Whether the file description of %SystemRoot%\winhlp32.exe marks the stub that Windows Vista and later
// install in place of the viewer ("Windows Winhlp32 Stub"); an empty description, a file without
// version information or no file at all, counts as the stub too.
bool IsWinHelpStub(std::wstring_view fileDescription);

}  // namespace vintrel
