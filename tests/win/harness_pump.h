// Pumping and waiting on the test thread, the filter of the pumped messages, the WM_QUIT they swallow,
// and a barrier another thread waits at until the test thread has caught up.
#pragma once

#include <windows.h>

#include <atomic>
#include <functional>

namespace harness {

// Dispatches every pending message of this thread (PeekMessage loop), then returns.
void PumpPending();
// Pumps this thread's messages for ms milliseconds, sleeping a few ms between rounds.
void Pump(int ms);
// Pumps until pred() is true or timeoutMs passes; returns the last pred() value.
bool WaitUntil(const std::function<bool()>& pred, int timeoutMs);

// Lets a test route pumped messages through the application's own pre-translation (accelerators,
// IsDialogMessage) the way its message loop would. The filter returns true when it consumed the message.
// Pass an empty function to remove it.
void SetMessageFilter(std::function<bool(MSG&)> filter);
// The pumps swallow WM_QUIT (tests keep pumping after a window closes). This reports whether one was
// pumped since the last call and, if so, its exit code; it then forgets it.
bool TakeQuit(int* exitCode = nullptr);

// Lets another thread wait until the thread that created the barrier has handled everything that was
// posted to it before the wait began (messages posted as a side effect of those included). Create it on
// the thread to watch; that thread must keep pumping.
class ThreadBarrier {
  public:
    ThreadBarrier();
    ~ThreadBarrier();
    ThreadBarrier(const ThreadBarrier&) = delete;
    ThreadBarrier& operator=(const ThreadBarrier&) = delete;
    bool Sync(int timeoutMs = 5000);

  private:
    static LRESULT CALLBACK WndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    HWND hwnd_ = nullptr;
    std::atomic<long> handled_{0};
};

}  // namespace harness
