#include "platform/runtime.h"

#include <cmath>

#include "platform/form.h"

namespace rt {

const wchar_t* const kAppTitle = L"VINTREL";

namespace {

bool g_quitWhenNoForms = false;

int LogicalDpi(int index) {
    HDC dc = GetDC(nullptr);
    int dpi = GetDeviceCaps(dc, index);
    ReleaseDC(nullptr, dc);
    return dpi > 0 ? dpi : 96;
}

int Scale(int value, int num, int den) {
    return static_cast<int>(std::lround(static_cast<double>(value) * num / den));
}

}  // namespace

std::wstring ErrorDescription(int number) {
    switch (number) {
        case kErrInvalidCall:
            return L"プロシージャの呼び出し、または引数が不正です。";
        case kErrObjectNotSet:
            return L"オブジェクト変数または With ブロック変数が設定されていません。";
        case kErrInvalidProperty:
            return L"プロパティの値が不正です。";
        case kErrMinMaxResize:
            return L"最小化または最大化されているフォームは移動またはサイズ変更できません。";
        default:
            return L"アプリケーション定義またはオブジェクト定義のエラーです。";
    }
}

RuntimeError::RuntimeError(int number)
    : std::runtime_error("runtime error " + std::to_string(number)),
      number_(number),
      description_(ErrorDescription(number)) {}

int MsgBox(const std::wstring& text, UINT style, const std::wstring& title, HWND owner) {
    return MessageBoxW(owner, text.c_str(), title.c_str(), style | MB_SETFOREGROUND);
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

void RunHandler(const std::function<void()>& handler) {
    try {
        handler();
    } catch (const RuntimeError& e) {
        MsgBox(e.Description());
    } catch (const std::exception&) {
        MsgBox(ErrorDescription(0));
    }
}

int PixelsToTwipsX(int pixels) {
    return Scale(pixels, 1440, LogicalDpi(LOGPIXELSX));
}
int PixelsToTwipsY(int pixels) {
    return Scale(pixels, 1440, LogicalDpi(LOGPIXELSY));
}
int TwipsToPixelsX(int twips) {
    return Scale(twips, LogicalDpi(LOGPIXELSX), 1440);
}
int TwipsToPixelsY(int twips) {
    return Scale(twips, LogicalDpi(LOGPIXELSY), 1440);
}
int ScreenWidthTwips() {
    return PixelsToTwipsX(GetSystemMetrics(SM_CXSCREEN));
}
int ScreenHeightTwips() {
    return PixelsToTwipsY(GetSystemMetrics(SM_CYSCREEN));
}

RECT MonitorBoundsAt(POINT p) {
    MONITORINFO info = {};
    info.cbSize = sizeof(info);
    if (GetMonitorInfoW(MonitorFromPoint(p, MONITOR_DEFAULTTONEAREST), &info)) return info.rcMonitor;
    return {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
}

NumberSymbols UserNumberSymbols() {
    auto read = [](LCTYPE type, const wchar_t* fallback) {
        wchar_t text[8] = {};
        const int n = GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, type, text, 8);
        return n > 1 ? std::wstring(text) : std::wstring(fallback);
    };
    return {read(LOCALE_STHOUSAND, L","), read(LOCALE_SDECIMAL, L".")};
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
