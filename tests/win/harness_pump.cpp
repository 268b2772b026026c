// Pumping, waiting and the thread barrier.
#include "harness_pump.h"

#include <algorithm>
#include <utility>

#include "harness_detail.h"

namespace harness {

using namespace detail;

namespace {

// A message handler that keeps posting to itself (or a WM_PAINT that is never validated) would otherwise
// keep PumpPending from ever returning.
constexpr int kMaxMessagesPerRound = 10000;

std::function<bool(MSG&)> g_filter;
bool g_quitSeen = false;
int g_quitCode = 0;

}  // namespace

void PumpPending() {
    MSG msg;
    for (int n = 0; n < kMaxMessagesPerRound && PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE); ++n) {
        if (msg.message == WM_QUIT) {
            g_quitSeen = true;
            g_quitCode = static_cast<int>(msg.wParam);
            continue;
        }
        if (g_filter && g_filter(msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

void Pump(int ms) {
    const auto deadline = Clock::now() + Ms(ms);
    for (;;) {
        PumpPending();
        const int left = MsLeft(deadline);
        if (left == 0) return;
        WaitForInput(std::min(left, kRoundMs));
    }
}

bool WaitUntil(const std::function<bool()>& pred, int timeoutMs) {
    const auto deadline = Clock::now() + Ms(timeoutMs);
    for (;;) {
        PumpPending();
        if (pred()) return true;
        const int left = MsLeft(deadline);
        if (left == 0) return false;
        WaitForInput(std::min(left, kRoundMs));
    }
}

void SetMessageFilter(std::function<bool(MSG&)> filter) {
    g_filter = std::move(filter);
}

bool TakeQuit(int* exitCode) {
    const bool seen = g_quitSeen;
    if (seen && exitCode) *exitCode = g_quitCode;
    g_quitSeen = false;
    g_quitCode = 0;
    return seen;
}

ThreadBarrier::ThreadBarrier() {
    static const wchar_t* const kClass =
        RegisterWindowClass(L"VintrelHarnessBarrier", &ThreadBarrier::WndProc);
    hwnd_ = CreateWindowExW(0, kClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, GetModuleHandleW(nullptr),
                            this);
}

ThreadBarrier::~ThreadBarrier() {
    if (hwnd_) DestroyWindow(hwnd_);
}

LRESULT CALLBACK ThreadBarrier::WndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_NCCREATE) {
        const auto* cs = reinterpret_cast<const CREATESTRUCTW*>(lp);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(cs->lpCreateParams));
    }
    if (msg == WM_APP) {
        auto* self = reinterpret_cast<ThreadBarrier*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
        if (self) ++self->handled_;
        return 0;
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
}

bool ThreadBarrier::Sync(int timeoutMs) {
    // Twice: the first round may overtake messages that the work under way is about to post; once it
    // is handled, that work has returned to the loop and its messages are queued ahead of the second.
    for (int round = 0; round < 2; ++round) {
        const long before = handled_.load();
        if (!PostMessageW(hwnd_, WM_APP, 0, 0)) return false;
        if (!WaitUntil([&] { return handled_.load() > before; }, timeoutMs)) return false;
    }
    return true;
}

}  // namespace harness
