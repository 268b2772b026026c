// The dialog keyboard, run by every message loop before TranslateMessage: Tab and Shift+Tab between the
// controls, Enter and Esc to the default and cancel buttons, key preview, and F1 for the help file.
#include "platform/form.h"

#include <algorithm>

#include "platform/help.h"
#include "platform/msgbox.h"

namespace rt {

namespace {

bool IsTabStop(HWND w) {
    return (GetWindowLongW(w, GWL_STYLE) & WS_TABSTOP) && IsWindowVisible(w) && IsWindowEnabled(w);
}

}  // namespace

void Form::MoveFocus(bool backwards) {
    std::vector<HWND> stops;
    for (HWND w = GetWindow(hwnd_, GW_CHILD); w; w = GetWindow(w, GW_HWNDNEXT)) {
        if (IsTabStop(w)) stops.push_back(w);
    }
    if (stops.empty()) return;
    // The control that holds the focus may be an inner window of a stop (the edit of a combo box).
    HWND focus = GetFocus();
    while (focus && focus != hwnd_ && GetParent(focus) != hwnd_) focus = GetParent(focus);
    const auto at = std::find(stops.begin(), stops.end(), focus);
    const size_t n = stops.size();
    size_t next;
    if (at == stops.end()) {
        next = backwards ? n - 1 : 0;
    } else {
        const size_t i = static_cast<size_t>(at - stops.begin());
        next = backwards ? (i + n - 1) % n : (i + 1) % n;
    }
    SetFocus(stops[next]);
    // Text reached with Tab is selected, so that typing replaces it (in a combo box the focus is on its
    // edit).
    HWND focused = GetFocus();
    if (focused && (SendMessageW(focused, WM_GETDLGCODE, 0, 0) & DLGC_HASSETSEL)) {
        SendMessageW(focused, EM_SETSEL, 0, -1);
    }
}

bool Form::TranslateKey(MSG& msg) {
    if (msg.message == WM_KEYDOWN && dialogKeys_) {
        const WPARAM vk = msg.wParam;
        if (vk != VK_TAB && vk != VK_RETURN && vk != VK_ESCAPE) return false;
        if (GetKeyState(VK_CONTROL) < 0 || GetKeyState(VK_MENU) < 0) return false;
        const LRESULT wants = SendMessageW(msg.hwnd, WM_GETDLGCODE, vk, reinterpret_cast<LPARAM>(&msg));
        if (wants & (DLGC_WANTMESSAGE | DLGC_WANTALLKEYS)) return false;
        if (vk == VK_TAB) {
            if (wants & DLGC_WANTTAB) return false;
            MoveFocus(GetKeyState(VK_SHIFT) < 0);
            return true;
        }
        bool handled = false;
        RunHandler([&] {
            for (Control* c : controls_) {
                if (c->OnDialogKey(static_cast<WORD>(vk))) {
                    handled = true;
                    break;
                }
            }
        });
        return handled;
    }
    if (msg.message == WM_CHAR && keyPreview_) {
        auto key = static_cast<int16_t>(msg.wParam);
        RunHandler([&] { Form_KeyPress(key); });
        if (key == 0) return true;
        msg.wParam = static_cast<uint16_t>(key);
    }
    return false;
}

bool TranslateFormKeys(MSG& msg) {
    if (msg.message != WM_KEYDOWN && msg.message != WM_CHAR) return false;
    HWND root = GetAncestor(msg.hwnd, GA_ROOT);
    Form* form = FormFromHandle(root);
    if (!form) return false;
    if (msg.message == WM_KEYDOWN && msg.wParam == VK_F1 && !HelpFile().empty()) {
        ShowHelp();
        return true;
    }
    return form->TranslateKey(msg);
}

}  // namespace rt
