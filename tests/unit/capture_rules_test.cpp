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
