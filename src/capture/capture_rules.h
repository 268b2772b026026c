// Window-free arithmetic of the capture window.
#pragma once

#include <cstdint>

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

}  // namespace vintrel
