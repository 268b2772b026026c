// Activation and focus: Form_Activate once per activation, the focus events of the controls, the focus kept
// across deactivation, and the minimized form handing the activation on (Wine).
#include "platform/form.h"

#include <algorithm>

#include "platform/form_internal.h"
#include "platform/msgbox.h"

namespace rt {

namespace {

// The form that last received Form_Activate; cleared when it is hidden or minimized, so that the
// next activation of that form raises the event again.
Form* g_lastActive = nullptr;

// The highest visible, enabled, not minimized window of this thread that can take the activation.
HWND NextWindowToActivate(HWND minimized) {
    for (HWND w = GetWindow(minimized, GW_HWNDFIRST); w; w = GetWindow(w, GW_HWNDNEXT)) {
        if (w == minimized || GetWindowThreadProcessId(w, nullptr) != GetCurrentThreadId()) continue;
        if (!IsWindowVisible(w) || !IsWindowEnabled(w) || IsIconic(w)) continue;
        if (GetWindowLongPtrW(w, GWL_EXSTYLE) & (WS_EX_NOACTIVATE | WS_EX_TOOLWINDOW)) continue;
        return w;
    }
    return nullptr;
}

}  // namespace

void Form::ForgetActivation() {
    if (g_lastActive == this) g_lastActive = nullptr;
}

void Form::ControlGotFocus(Control* control) {
    if (hwnd_ && !restoringFocus_) PostMessageW(hwnd_, kMsgGotFocus, 0, reinterpret_cast<LPARAM>(control));
}

void Form::CheckActivation() {
    if (!hwnd_ || GetActiveWindow() != hwnd_ || g_lastActive == this) return;
    g_lastActive = this;
    PostMessageW(hwnd_, kMsgActivate, 0, 0);
}

void Form::RestoreFocus() {
    HWND target = savedFocus_;
    if (target && IsWindow(target) && IsChild(hwnd_, target) && IsWindowVisible(target) &&
        IsWindowEnabled(target)) {
        // Coming back to the form is no move between its controls: no focus event.
        restoringFocus_ = true;
        SetFocus(target);
        restoringFocus_ = false;
    } else {
        MoveFocus(false);
    }
}

bool Form::OnActivateMessage(WPARAM wp) {
    if (LOWORD(wp) != WA_INACTIVE && g_lastActive != this) {
        g_lastActive = this;
        PostMessageW(hwnd_, kMsgActivate, 0, 0);
    }
    if (dialogKeys_) {
        if (LOWORD(wp) == WA_INACTIVE) {
            HWND focus = GetFocus();
            if (focus && IsChild(hwnd_, focus)) savedFocus_ = focus;
        } else if (HIWORD(wp) == 0) {
            RestoreFocus();
            return true;
        }
    }
    return false;
}

void Form::OnMinimized() {
    ForgetActivation();
    PostMessageW(hwnd_, kMsgMinimized, 0, 0);
}

bool Form::OnPostedMessage(UINT msg, LPARAM lp) {
    if (msg == kMsgActivate) {
        if (IsWindowVisible(hwnd_)) RunHandler([&] { Form_Activate(); });
        return true;
    }
    if (msg == kMsgMinimized) {
        if (IsIconic(hwnd_) && GetActiveWindow() == hwnd_) {
            if (HWND next = NextWindowToActivate(hwnd_)) SetForegroundWindow(next);
        }
        return true;
    }
    if (msg == kMsgGotFocus) {
        auto* control = reinterpret_cast<Control*>(lp);
        if (std::find(controls_.begin(), controls_.end(), control) != controls_.end()) {
            RunHandler([&] { control->OnGotFocus(); });
        }
        return true;
    }
    return false;
}

}  // namespace rt
