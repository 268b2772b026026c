#include "capture/capture_rules.h"

#include <algorithm>
#include <limits>

namespace vintrel {

int32_t SaturatingSub(int32_t a, int32_t b) {
    const int64_t d = static_cast<int64_t>(a) - b;
    return static_cast<int32_t>(
        std::clamp<int64_t>(d, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
}

int16_t ClampToInt16(int32_t value) {
    return static_cast<int16_t>(
        std::clamp<int32_t>(value, std::numeric_limits<int16_t>::min(), std::numeric_limits<int16_t>::max()));
}

int32_t TimerIntervalFrom(int16_t milliseconds) {
    return milliseconds < 1 ? 1 : milliseconds;
}

int32_t WindowExtentFrom(int32_t pixels) {
    return std::clamp<int32_t>(pixels, 0, 32767);
}

MonitorBounds MonitorAt(const std::vector<MonitorBounds>& monitors, ScreenPoint point) {
    MonitorBounds nearest = {0, 0, 0, 0};
    int64_t best = std::numeric_limits<int64_t>::max();
    for (const MonitorBounds& m : monitors) {
        // Distance to the nearest pixel of the monitor, 0 inside it.
        const int64_t dx =
            std::max<int64_t>({int64_t{m.left} - point.x, int64_t{point.x} - (m.right - 1), 0});
        const int64_t dy =
            std::max<int64_t>({int64_t{m.top} - point.y, int64_t{point.y} - (m.bottom - 1), 0});
        if (dx * dx + dy * dy < best) {
            best = dx * dx + dy * dy;
            nearest = m;
        }
    }
    return nearest;
}

ScreenPoint AnchorLimitOn(const MonitorBounds& monitor, int32_t width, int32_t height) {
    return {SaturatingSub(monitor.right, width), SaturatingSub(monitor.bottom, height)};
}

ScreenPoint LimitAnchor(ScreenPoint anchor, ScreenPoint limit) {
    return {std::min(anchor.x, limit.x), std::min(anchor.y, limit.y)};
}

}  // namespace vintrel
