// The hidden owner and the forms' window class.
#include "platform/app_windows.h"

namespace rt {

const wchar_t kFormClass[] = L"VintrelForm";

HWND HiddenOwner() {
    static const HWND owner = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                              GetModuleHandleW(nullptr), nullptr);
    return owner;
}

bool IsFormWindow(HWND hwnd) {
    if (!hwnd) return false;
    wchar_t cls[32] = {};
    GetClassNameW(hwnd, cls, 32);
    return lstrcmpW(cls, kFormClass) == 0;
}

}  // namespace rt
