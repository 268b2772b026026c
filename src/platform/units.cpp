// Twips and pixels, the monitors and the user's number symbols, as the display and the locale give them.
#include "platform/units.h"

#include <cmath>

namespace rt {

namespace {

BOOL CALLBACK AddMonitor(HMONITOR, HDC, LPRECT bounds, LPARAM list) {
    reinterpret_cast<std::vector<RECT>*>(list)->push_back(*bounds);
    return TRUE;
}

int ReadLogicalDpi(int index) {
    HDC dc = GetDC(nullptr);
    int dpi = GetDeviceCaps(dc, index);
    ReleaseDC(nullptr, dc);
    return dpi > 0 ? dpi : 96;
}

// The program's logical resolution is fixed for its lifetime; asking the display for it at every
// conversion cost a few round trips to the window system for each control and view.
int LogicalDpi(int index) {
    static const int x = ReadLogicalDpi(LOGPIXELSX);
    static const int y = ReadLogicalDpi(LOGPIXELSY);
    return index == LOGPIXELSX ? x : y;
}

int Scale(int value, int num, int den) {
    return static_cast<int>(std::lround(static_cast<double>(value) * num / den));
}

}  // namespace

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

std::vector<RECT> MonitorList() {
    std::vector<RECT> monitors;
    EnumDisplayMonitors(nullptr, nullptr, &AddMonitor, reinterpret_cast<LPARAM>(&monitors));
    if (monitors.empty())
        monitors.push_back({0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)});
    return monitors;
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
