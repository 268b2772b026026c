// What every part of the runtime may know of the program's windows without knowing forms: the hidden
// owner and the forms' window class.
#pragma once

#include <windows.h>

namespace rt {

// A window of the process that is never shown and outlives every form: the owner of the forms kept
// out of the task bar, and the window every help request comes from.
HWND HiddenOwner();

// The window class of every form.
extern const wchar_t kFormClass[];

// Whether a window is one of the program's forms.
bool IsFormWindow(HWND hwnd);

}  // namespace rt
