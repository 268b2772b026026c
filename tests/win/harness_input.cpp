// Keys, clicks, the pointer, the focus and the texts of controls.
#include "harness_input.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "harness_detail.h"
#include "harness_pump.h"

namespace harness {

using namespace detail;

namespace {

bool IsExtendedKey(WORD vk) {
    switch (vk) {
        case VK_RMENU:
        case VK_RCONTROL:
        case VK_INSERT:
        case VK_DELETE:
        case VK_HOME:
        case VK_END:
        case VK_PRIOR:
        case VK_NEXT:
        case VK_LEFT:
        case VK_RIGHT:
        case VK_UP:
        case VK_DOWN:
        case VK_NUMLOCK:
        case VK_DIVIDE:
        case VK_SNAPSHOT:
        case VK_LWIN:
        case VK_RWIN:
        case VK_APPS:
        case VK_CANCEL:
            return true;
        default:
            return false;
    }
}

void SendKey(WORD vk, bool up) {
    INPUT in = {};
    in.type = INPUT_KEYBOARD;
    in.ki.wVk = vk;
    in.ki.wScan = static_cast<WORD>(MapVirtualKeyW(vk, MAPVK_VK_TO_VSC));
    in.ki.dwFlags = (up ? KEYEVENTF_KEYUP : 0) | (IsExtendedKey(vk) ? KEYEVENTF_EXTENDEDKEY : 0);
    SendInput(1, &in, sizeof(INPUT));
}

}  // namespace

void KeyDown(WORD vk) {
    SendKey(vk, false);
}

void KeyUp(WORD vk) {
    SendKey(vk, true);
}

void TapKey(WORD vk, int holdMs) {
    KeyDown(vk);
    Pump(holdMs);
    KeyUp(vk);
    Pump(holdMs);
}

namespace {

void SendMouse(int x, int y, DWORD button) {
    // Absolute coordinates are 0..65535 across the primary screen; rounding up maps back to (x, y).
    const int w = std::max(GetSystemMetrics(SM_CXSCREEN), 1), h = std::max(GetSystemMetrics(SM_CYSCREEN), 1);
    INPUT in = {};
    in.type = INPUT_MOUSE;
    in.mi.dx = static_cast<LONG>((static_cast<int64_t>(x) * 65536 + w - 1) / w);
    in.mi.dy = static_cast<LONG>((static_cast<int64_t>(y) * 65536 + h - 1) / h);
    in.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE | button;
    SendInput(1, &in, sizeof(INPUT));
}

}  // namespace

void ClickAt(int x, int y) {
    // The pointer settles first: a late motion from an earlier move, arriving between press and
    // release, would drop the click as the window system's button tracking sees it leave.
    SetCursorStable(x, y);
    SendMouse(x, y, MOUSEEVENTF_LEFTDOWN);
    SendMouse(x, y, MOUSEEVENTF_LEFTUP);
}

bool ClickIfReachable(HWND window) {
    RECT r;
    if (!window || !GetWindowRect(window, &r)) return false;
    const POINT centre = {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    if (WindowFromPoint(centre) != window) return false;
    ClickAt(centre.x, centre.y);
    return true;
}

bool SetCursorStable(int x, int y, int timeoutMs) {
    constexpr int kStableReads = 3;
    constexpr int kRetryMs = 200;  // a warp can be lost while the display catches up; repeat it
    const auto deadline = Clock::now() + Ms(timeoutMs);
    auto lastSet = Clock::now();
    SetCursorPos(x, y);
    int stable = 0;
    for (;;) {
        POINT p = {};
        if (GetCursorPos(&p) && p.x == x && p.y == y) {
            if (++stable >= kStableReads) return true;
        } else {
            stable = 0;
            if (Clock::now() - lastSet >= Ms(kRetryMs)) {
                SetCursorPos(x, y);
                lastSet = Clock::now();
            }
        }
        const int left = MsLeft(deadline);
        if (left == 0) return false;
        WaitForInput(std::min(left, kRoundMs));
        PumpPending();
    }
}

void Click(HWND hwnd) {
    RECT r = {};
    GetWindowRect(hwnd, &r);
    const int x = (r.left + r.right) / 2, y = (r.top + r.bottom) / 2;
    // A late motion event of an earlier position can move the pointer back under Wine, so the pointer is
    // settled first.
    SetCursorStable(x, y);
    ClickAt(x, y);
}

HWND FocusOf(DWORD threadId) {
    GUITHREADINFO info = {};
    info.cbSize = sizeof(info);
    return GetGUIThreadInfo(threadId, &info) ? info.hwndFocus : nullptr;
}

bool HoldsFocus(HWND hwnd) {
    const HWND focus = FocusOf(GetWindowThreadProcessId(hwnd, nullptr));
    return focus && (focus == hwnd || IsChild(hwnd, focus));
}

std::wstring TextOf(HWND hwnd) {
    DWORD_PTR n = 0;
    SendMessageTimeoutW(hwnd, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 5000, &n);
    std::vector<wchar_t> buf(n + 1, L'\0');
    DWORD_PTR got = 0;
    SendMessageTimeoutW(hwnd, WM_GETTEXT, buf.size(), reinterpret_cast<LPARAM>(buf.data()), SMTO_ABORTIFHUNG,
                        5000, &got);
    return std::wstring(buf.data(), std::min<size_t>(got, n));
}

void SetTextOf(HWND hwnd, const std::wstring& text) {
    DWORD_PTR ignored = 0;
    SendMessageTimeoutW(hwnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()), SMTO_ABORTIFHUNG, 5000,
                        &ignored);
}

void TypeText(const std::wstring& text) {
    for (wchar_t c : text) {
        INPUT in[2] = {};
        for (INPUT& i : in) {
            i.type = INPUT_KEYBOARD;
            i.ki.wScan = c;
            i.ki.dwFlags = KEYEVENTF_UNICODE;
        }
        in[1].ki.dwFlags |= KEYEVENTF_KEYUP;
        SendInput(2, in, sizeof(INPUT));
    }
}

}  // namespace harness
