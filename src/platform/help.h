// The program's help: the help file registered at start-up, shown by the WinHelp viewer where one can
// show it and as the HTML page of the same name in the browser elsewhere, and closed at the end.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

namespace rt {

// The application's help file, as registered at start-up.
void SetHelpFile(const std::wstring& path);
const std::wstring& HelpFile();
// Where the help file is looked for: a bare name lies next to the program, never in the current
// folder (which the save dialog changes).
std::wstring HelpFilePath();

// Shows the contents of the help file, whichever window of the program asks. A file that is missing or
// a viewer that does not start is reported in one message box titled with the application title.
void ShowHelp();
// Tells the WinHelp viewer that the program needs it no more, if the program has asked it for help.
void CloseHelp();

// Test seam: replaces the call of WinHelp (an empty function restores it). Every call comes from one
// window of the process that lives until the process ends, whichever window asked for help, so that
// one HELP_QUIT closes what any of them opened.
using HelpFunction = std::function<void(HWND owner, const std::wstring& path, UINT command)>;
void SetHelpFunction(HelpFunction function);

}  // namespace rt
