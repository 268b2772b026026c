// Window-free arithmetic of the capture window.
#pragma once

#include <cstdint>
#include <vector>

namespace vintrel {

// a - b for 32-bit geometry, saturated instead of overflowing (stored sizes are not validated).
int32_t SaturatingSub(int32_t a, int32_t b);

// A 32-bit count stored back into a 16-bit counter: values past its range stay at the limit.
int16_t ClampToInt16(int32_t value);

// A timer interval taken from a 16-bit setting: below 1 ms it would never tick (or be invalid),
// which would leave an activity running with no way to end it, so it polls as fast as possible.
int32_t TimerIntervalFrom(int16_t milliseconds);

// A window extent in pixels for fitting a form to a frame size: within what a window can have.
int32_t WindowExtentFrom(int32_t pixels);

// A point in screen pixels; on a desktop of several monitors it can be negative.
struct ScreenPoint {
    int32_t x;
    int32_t y;
};

// A monitor's bounds in screen pixels (right and bottom exclusive).
struct MonitorBounds {
    int32_t left;
    int32_t top;
    int32_t right;
    int32_t bottom;
};

// The monitor that shows the point, or the nearest one when none does (the first on a tie); the empty
// bounds when there is no monitor at all.
MonitorBounds MonitorAt(const std::vector<MonitorBounds>& monitors, ScreenPoint point);

// The largest top-left corner a width x height capture rectangle may take on this monitor, so that
// it never reaches past the monitor's right or bottom edge.
ScreenPoint AnchorLimitOn(const MonitorBounds& monitor, int32_t width, int32_t height);

// The anchor moved left and up to the limit where it lies beyond it; it is never moved right or down.
ScreenPoint LimitAnchor(ScreenPoint anchor, ScreenPoint limit);

}  // namespace vintrel
