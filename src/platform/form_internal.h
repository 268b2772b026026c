// Private to the form files and mdi.cpp: the messages a form posts itself and its child-window ids.
#pragma once

#include <windows.h>

namespace rt {

// Form_Activate runs from a posted message, so that it never runs inside the window system's own
// activation processing (it may open a message box).
const UINT kMsgActivate = WM_APP + 0x100;
// Windows activates the next window when the active one is minimized; Wine leaves the minimized
// window active without a focus, so that keystrokes meant for the application reach it instead (and
// Enter restores it). A minimized form hands the activation on itself, after its minimizing is done.
const UINT kMsgMinimized = WM_APP + 0x102;
// Focus events are posted too: a control notifies its parent before it has finished taking the
// focus, and a handler may move the focus elsewhere or open a message box.
const UINT kMsgGotFocus = WM_APP + 0x101;
// Child-window ids: a form's controls count up from the first in the order they were added (clear of the
// dialog ids IDOK .. IDCONTINUE); the MDI client, a frame's only child of its own, takes the one before.
const int kFirstControlId = 1000;
const int kMdiClientId = kFirstControlId - 1;

}  // namespace rt
