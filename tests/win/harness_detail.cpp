// Deadlines, window texts and window classes for the parts of the harness.
#include "harness_detail.h"

#include <vector>

namespace harness::detail {

int MsLeft(Clock::time_point deadline) {
    const auto left = std::chrono::duration_cast<Ms>(deadline - Clock::now()).count();
    return left > 0 ? static_cast<int>(left) : 0;
}

void WaitForInput(int ms) {
    if (ms <= 0) return;
    MsgWaitForMultipleObjectsEx(0, nullptr, static_cast<DWORD>(ms), QS_ALLINPUT, MWMO_INPUTAVAILABLE);
}

std::wstring WindowText(HWND hwnd) {
    std::vector<wchar_t> buf(256);
    for (;;) {
        const int n = InternalGetWindowText(hwnd, buf.data(), static_cast<int>(buf.size()));
        if (n < static_cast<int>(buf.size()) - 1 || buf.size() >= (1u << 20))
            return std::wstring(buf.data(), n > 0 ? static_cast<size_t>(n) : 0);
        buf.resize(buf.size() * 4);
    }
}

const wchar_t* RegisterWindowClass(const wchar_t* name, WNDPROC proc) {
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = proc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW, with or without UNICODE
    wc.lpszClassName = name;
    RegisterClassExW(&wc);
    return name;
}

}  // namespace harness::detail
