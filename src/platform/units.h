// The screen in the runtime's units: twips (1440 per logical inch) and pixels, the monitors, and the
// user's number symbols.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace rt {

// Pixel/twip conversion for the screen (1440 twips per logical inch).
int PixelsToTwipsX(int pixels);
int PixelsToTwipsY(int pixels);
int TwipsToPixelsX(int twips);
int TwipsToPixelsY(int twips);
int ScreenWidthTwips();
int ScreenHeightTwips();
// Bounds in pixels of every monitor of the desktop (the primary screen's when none can be listed).
std::vector<RECT> MonitorList();

// The user's digit group and decimal separators.
struct NumberSymbols {
    std::wstring group;
    std::wstring decimal;
};
NumberSymbols UserNumberSymbols();

}  // namespace rt
