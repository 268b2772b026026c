#include "platform/runtime.h"

#include <cmath>

namespace rt {

const wchar_t* const kAppTitle = L"VINTREL";

namespace {

std::wstring g_helpFile;
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

int MsgBox(const std::wstring& text, UINT style, const std::wstring& title) {
    return MessageBoxW(nullptr, text.c_str(), title.c_str(), style | MB_SETFOREGROUND);
}

void DoEvents() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(msg.wParam));
            return;
        }
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

void SetHelpFile(const std::wstring& path) {
    g_helpFile = path;
}
const std::wstring& HelpFile() {
    return g_helpFile;
}

void SetQuitWhenNoForms(bool quit) {
    g_quitWhenNoForms = quit;
}
bool QuitWhenNoForms() {
    return g_quitWhenNoForms;
}

}  // namespace rt
