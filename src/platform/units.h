// The screen in the runtime's units: twips (1440 per logical inch) and pixels at a window's logical
// resolution, the monitors, and the user's number symbols.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace rt {

// The logical resolution in dots per inch that the system draws at: the primary monitor's when the
// user signed in.
int SystemDpi();
// A window's own resolution: its monitor's where the system tells it (the program is per-monitor aware,
// so a window on a monitor at 150 % is drawn at 144), the system's elsewhere or for no window.
int WindowDpi(HWND window);
int TwipsToPixels(int twips, int dpi);
int PixelsToTwips(int pixels, int dpi);
// Scales a length drawn at 96 dots per inch to `dpi`.
int ScaleFrom96(int pixels, int dpi);

// The primary screen in twips at `dpi`.
int ScreenWidthTwips(int dpi = SystemDpi());
int ScreenHeightTwips(int dpi = SystemDpi());
// Bounds in pixels of every monitor of the desktop (the primary screen's when none can be listed).
std::vector<RECT> MonitorList();
// The work area in pixels of the monitor that holds most of `window`.
RECT WorkAreaOf(HWND window);

// The user's digit group and decimal separators.
struct NumberSymbols {
    std::wstring group;
    std::wstring decimal;
};
NumberSymbols UserNumberSymbols();

}  // namespace rt
