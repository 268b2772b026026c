#include "capture/capture_rules.h"

#include <gtest/gtest.h>

#include <limits>

using namespace vintrel;

TEST(CaptureArithmetic, SubtractionSaturatesInsteadOfOverflowing) {
    EXPECT_EQ(SaturatingSub(1024, 128), 896);
    EXPECT_EQ(SaturatingSub(1024, 1024), 0);
    EXPECT_EQ(SaturatingSub(1024, 2000), -976);
    EXPECT_EQ(SaturatingSub(1024, std::numeric_limits<int32_t>::min()), std::numeric_limits<int32_t>::max());
    EXPECT_EQ(SaturatingSub(-10, std::numeric_limits<int32_t>::max()), std::numeric_limits<int32_t>::min());
}

TEST(CaptureArithmetic, SixteenBitCounterNeverWraps) {
    EXPECT_EQ(ClampToInt16(1), 1);
    EXPECT_EQ(ClampToInt16(32767), 32767);
    EXPECT_EQ(ClampToInt16(32768), 32767);  // one past Framemax = 32767
    EXPECT_EQ(ClampToInt16(-40000), -32768);
}

TEST(CaptureArithmetic, IntervalsAndExtentsStayUsable) {
    EXPECT_EQ(TimerIntervalFrom(100), 100);
    EXPECT_EQ(TimerIntervalFrom(1), 1);
    EXPECT_EQ(TimerIntervalFrom(0), 1);
    EXPECT_EQ(TimerIntervalFrom(-5), 1);
    EXPECT_EQ(WindowExtentFrom(128), 128);
    EXPECT_EQ(WindowExtentFrom(-3), 0);
    EXPECT_EQ(WindowExtentFrom(100000), 32767);
}

TEST(CaptureArithmetic, TheRectangleStaysInsideTheMonitorUnderTheCursor) {
    const MonitorBounds primary = {0, 0, 1024, 768};
    const struct {
        const char* layout;
        MonitorBounds monitor;
        ScreenPoint cursor;
        ScreenPoint anchor;
    } cases[] = {
        {"single, inside", primary, {300, 200}, {300, 200}},
        {"single, bottom-right corner", primary, {1023, 767}, {896, 672}},
        {"right of the primary", {1024, 0, 2304, 1024}, {2303, 1023}, {2176, 928}},
        {"right of the primary, near its left edge", {1024, 0, 2304, 1024}, {1030, 10}, {1030, 10}},
        {"left of it, negative x", {-1280, 0, 0, 1024}, {-1, 1000}, {-128, 928}},
        {"left of it, no lower limit", {-1280, 0, 0, 1024}, {-1280, 0}, {-1280, 0}},
        {"above it, negative y", {0, -600, 800, 0}, {799, -1}, {672, -96}},
        {"smaller, below and to the right", {1024, 768, 1664, 1248}, {1600, 1200}, {1536, 1152}},
        {"as narrow as the rectangle", {2000, 0, 2128, 96}, {2100, 50}, {2000, 0}},
        {"in a gap, nearer the other", {1100, 0, 2000, 768}, {1070, 100}, {1070, 100}},
        {"in a gap, nearer the primary", {1100, 0, 2000, 768}, {1050, 700}, {896, 672}},
    };
    for (const auto& c : cases) {
        const ScreenPoint limit = AnchorLimitOn(MonitorAt({primary, c.monitor}, c.cursor), 128, 96);
        const ScreenPoint anchor = LimitAnchor(c.cursor, limit);
        EXPECT_EQ(anchor.x, c.anchor.x) << c.layout;
        EXPECT_EQ(anchor.y, c.anchor.y) << c.layout;
    }
    EXPECT_EQ(MonitorAt({}, {5, 5}).right, 0);
    // The primary monitor gives the limits of a single screen.
    const ScreenPoint single = AnchorLimitOn(primary, 128, 96);
    EXPECT_EQ(single.x, 1024 - 128);
    EXPECT_EQ(single.y, 768 - 96);
}
