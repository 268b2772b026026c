// Shared by the parts of the harness, not by the tests: clocks and deadlines, window texts read without
// messages, and the harness's own window classes.
#pragma once

#include <windows.h>

#include <chrono>
#include <string>

namespace harness::detail {

using Clock = std::chrono::steady_clock;
using Ms = std::chrono::milliseconds;

// Longest single sleep of the pumps: short enough that timers and polls of the code under test keep
// their rhythm, long enough not to spin a loaded machine.
constexpr int kRoundMs = 5;

// Milliseconds left until the deadline, 0 once it has passed.
int MsLeft(Clock::time_point deadline);
// Sleeps up to ms, waking early when input arrives for this thread.
void WaitForInput(int ms);
// Reads a window's text without sending messages, so it works whatever the owning thread is busy with.
std::wstring WindowText(HWND hwnd);
// Registers a window class of the harness (arrow cursor) and returns its name.
const wchar_t* RegisterWindowClass(const wchar_t* name, WNDPROC proc);

}  // namespace harness::detail
