// Input as a user gives it: keys, clicks and the pointer through SendInput, typed text, the focus, and the
// texts of controls.
#pragma once

#include <windows.h>

#include <string>

namespace harness {

// Keyboard through SendInput (virtual-key codes). Wine caches the async key state per thread for up to
// ~50 ms, so a key must stay down for a while for pollers to notice it.
void KeyDown(WORD vk);
void KeyUp(WORD vk);
// Presses vk, pumps for holdMs, releases it, then pumps holdMs again so the release is seen before
// whatever comes next.
void TapKey(WORD vk, int holdMs = 100);
// A real left click at screen point (x, y): the pointer moves there with the press, so the click
// lands where asked even while a warp of the pointer is still on its way.
void ClickAt(int x, int y);
// Clicks the centre of a window when it is the one visible there; false (and no click) otherwise.
bool ClickIfReachable(HWND window);
// Sets the cursor and waits until GetCursorPos reads it back (stable over a few reads).
bool SetCursorStable(int x, int y, int timeoutMs = 2000);

// A left click with the real mouse (SendInput) at the centre of a window.
void Click(HWND hwnd);

// The window that has the keyboard focus in a thread (another thread's too), or nullptr.
HWND FocusOf(DWORD threadId);
// True when the focus of the window's thread is on hwnd or on a window inside it (the edit of a combo box).
bool HoldsFocus(HWND hwnd);
// Text of a control through WM_GETTEXT / WM_SETTEXT; usable from any thread while the owner pumps.
std::wstring TextOf(HWND hwnd);
void SetTextOf(HWND hwnd, const std::wstring& text);
// Types the characters with the real keyboard (SendInput, as Unicode keystrokes).
void TypeText(const std::wstring& text);

}  // namespace harness
