// Twips and pixels, the monitors and the user's number symbols, as the display and the locale give them.
#include "platform/units.h"

#include <cmath>

namespace rt {

namespace {

BOOL CALLBACK AddMonitor(HMONITOR, HDC, LPRECT bounds, LPARAM list) {
    reinterpret_cast<std::vector<RECT>*>(list)->push_back(*bounds);
    return TRUE;
}

int Scale(int value, int num, int den) {
    return static_cast<int>(std::lround(static_cast<double>(value) * num / den));
}

}  // namespace

int SystemDpi() {
    // The system's resolution is fixed for the session; asking the display at every conversion cost a few
    // round trips to the window system for each control and view.
    static const int dpi = [] {
        HDC dc = GetDC(nullptr);
        const int value = GetDeviceCaps(dc, LOGPIXELSX);
        ReleaseDC(nullptr, dc);
        return value > 0 ? value : 96;
    }();
    return dpi;
}

int WindowDpi(HWND window) {
    // Looked up at run time: Windows before 10 (1607) has no such call, and the program still starts there.
    using DpiForWindow = UINT(WINAPI*)(HWND);
    static const auto dpiForWindow = reinterpret_cast<DpiForWindow>(
        reinterpret_cast<void (*)()>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
    const int dpi = window && dpiForWindow ? static_cast<int>(dpiForWindow(window)) : 0;
    return dpi > 0 ? dpi : SystemDpi();
}

int TwipsToPixels(int twips, int dpi) {
    return Scale(twips, dpi, 1440);
}
int PixelsToTwips(int pixels, int dpi) {
    return Scale(pixels, 1440, dpi);
}
int ScaleFrom96(int pixels, int dpi) {
    return Scale(pixels, dpi, 96);
}

int ScreenWidthTwips(int dpi) {
    return PixelsToTwips(GetSystemMetrics(SM_CXSCREEN), dpi);
}
int ScreenHeightTwips(int dpi) {
    return PixelsToTwips(GetSystemMetrics(SM_CYSCREEN), dpi);
}

std::vector<RECT> MonitorList() {
    std::vector<RECT> monitors;
    EnumDisplayMonitors(nullptr, nullptr, &AddMonitor, reinterpret_cast<LPARAM>(&monitors));
    if (monitors.empty())
        monitors.push_back({0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)});
    return monitors;
}

RECT WorkAreaOf(HWND window) {
    MONITORINFO info = {};
    info.cbSize = sizeof(info);
    if (GetMonitorInfoW(MonitorFromWindow(window, MONITOR_DEFAULTTOPRIMARY), &info)) return info.rcWork;
    RECT work = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    return work;
}

NumberSymbols UserNumberSymbols() {
    auto read = [](LCTYPE type, const wchar_t* fallback) {
        wchar_t text[8] = {};
        const int n = GetLocaleInfoW(LOCALE_USER_DEFAULT, type, text, 8);
        return n > 1 ? std::wstring(text) : std::wstring(fallback);
    };
    return {read(LOCALE_STHOUSAND, L","), read(LOCALE_SDECIMAL, L".")};
}

}  // namespace rt
