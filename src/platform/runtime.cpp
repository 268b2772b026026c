#include "platform/runtime.h"

#include <algorithm>

#include "platform/form.h"

namespace rt {

const wchar_t* const kAppTitle = L"VINTREL";

namespace {

bool g_quitWhenNoForms = false;

int64_t PerformanceCounter() {
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return t.QuadPart;
}

BOOL CALLBACK FindShownTopmostForm(HWND w, LPARAM found) {
    if (!IsWindowVisible(w) || !(GetWindowLongPtrW(w, GWL_EXSTYLE) & WS_EX_TOPMOST) || !IsFormWindow(w)) {
        return TRUE;
    }
    *reinterpret_cast<bool*>(found) = true;
    return FALSE;
}

// Wine ignores MB_TOPMOST: the box is put into the topmost band when it is first activated.
LRESULT CALLBACK RaiseBoxOnActivate(int code, WPARAM wp, LPARAM lp) {
    if (code == HCBT_ACTIVATE) {
        const HWND w = reinterpret_cast<HWND>(wp);
        wchar_t cls[16] = {};
        GetClassNameW(w, cls, 16);
        if (lstrcmpW(cls, L"#32770") == 0) {
            SetWindowPos(w, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        }
    }
    return CallNextHookEx(nullptr, code, wp, lp);
}

bool ShownTopmostForm() {
    bool found = false;
    EnumThreadWindows(GetCurrentThreadId(), &FindShownTopmostForm, reinterpret_cast<LPARAM>(&found));
    return found;
}

}  // namespace

int MsgBox(const std::wstring& text, UINT style, const std::wstring& title, HWND owner) {
    HHOOK raise = nullptr;
    if (ShownTopmostForm()) {
        style |= MB_TOPMOST;
        raise = SetWindowsHookExW(WH_CBT, &RaiseBoxOnActivate, nullptr, GetCurrentThreadId());
    }
    const int answer = MessageBoxW(owner, text.c_str(), title.c_str(), style | MB_SETFOREGROUND);
    if (raise) UnhookWindowsHookEx(raise);
    return answer;
}

void DoEvents() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(msg.wParam));
            return;
        }
        if (TranslateFormKeys(msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

YieldPacer::YieldPacer(double sliceMs) : start_(PerformanceCounter()), lastLook_(start_) {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    slice_ = static_cast<int64_t>(static_cast<double>(frequency.QuadPart) * sliceMs / 1000);
}

bool YieldPacer::Due() {
    if (++steps_ < nextLook_) return false;
    const int64_t now = PerformanceCounter();
    if (now - start_ >= slice_) return true;
    // Look again after about a tenth of the slice at the pace of the steps since the last look; a few
    // thousand steps at most, so that steps that grow longer are not missed for long.
    const int64_t perStep = std::max<int64_t>((now - lastLook_) / (steps_ - lookedAt_), 1);
    lastLook_ = now;
    lookedAt_ = steps_;
    nextLook_ = steps_ + static_cast<uint32_t>(std::clamp<int64_t>(slice_ / 10 / perStep, 1, 4096));
    return false;
}

void YieldPacer::YieldNow() {
    DoEvents();
    start_ = lastLook_ = PerformanceCounter();
    steps_ = lookedAt_ = 0;
    nextLook_ = 1;
}

void RunHandler(const std::function<void()>& handler) {
    try {
        handler();
    } catch (const RuntimeError& e) {
        MsgBox(e.Description());
    } catch (const std::exception&) {
        MsgBox(ErrorDescription(0));
    }
}

void SendKey(WORD vk) {
    HWND focus = GetFocus();
    if (!focus) return;
    const DWORD scan = MapVirtualKeyW(vk, MAPVK_VK_TO_VSC) << 16;
    PostMessageW(focus, WM_KEYDOWN, vk, static_cast<LPARAM>(scan | 1u));
    PostMessageW(focus, WM_KEYUP, vk, static_cast<LPARAM>(scan | 0xC0000001u));
}

void SetQuitWhenNoForms(bool quit) {
    g_quitWhenNoForms = quit;
}
bool QuitWhenNoForms() {
    return g_quitWhenNoForms;
}

}  // namespace rt
