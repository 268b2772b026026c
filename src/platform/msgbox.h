// Message boxes, and the handler wrapper that reports a runtime error in one.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

namespace rt {

// The application title that a message box carries when none is given.
extern const wchar_t* const kAppTitle;

// A modal message box; returns the button pressed (IDOK, IDYES, ...). Without an owner the
// program's other windows keep taking menu commands and timer ticks while it is open; a dialog that
// owns its box cannot be used behind it. While a topmost window of the program is shown, the box is
// topmost too, so that it never opens hidden behind that window.
int MsgBox(const std::wstring& text, UINT style = MB_OK, const std::wstring& title = kAppTitle,
           HWND owner = nullptr);

// Runs an event handler, reporting a runtime error it lets escape instead of letting it unwind
// through the window system.
void RunHandler(const std::function<void()>& handler);

}  // namespace rt
