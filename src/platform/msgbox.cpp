// Message boxes above the program's topmost windows, and handlers whose errors end in one.
#include "platform/msgbox.h"

#include "platform/app_windows.h"
#include "platform/errors.h"

namespace rt {

const wchar_t* const kAppTitle = L"VINTREL";

namespace {

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

void RunHandler(const std::function<void()>& handler) {
    try {
        handler();
    } catch (const RuntimeError& e) {
        MsgBox(e.Description());
    } catch (const std::exception&) {
        MsgBox(ErrorDescription(0));
    }
}

}  // namespace rt
