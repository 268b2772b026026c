#include "core/frame_rules.h"

#include <gtest/gtest.h>

#include <limits>

using vintrel::BytesPerPixelFromBits;
using vintrel::FrameBlockSize;
using vintrel::FrameCopyBytes;

TEST(BytesPerPixel, RoundsHalvesToEvenAndNeverBelowOne) {
    EXPECT_EQ(BytesPerPixelFromBits(1), 1);  // 0.125 -> 0 -> raised to 1
    EXPECT_EQ(BytesPerPixelFromBits(4), 1);  // 0.5 -> 0 (even) -> raised to 1
    EXPECT_EQ(BytesPerPixelFromBits(8), 1);
    EXPECT_EQ(BytesPerPixelFromBits(12), 2);  // 1.5 -> 2 (even)
    EXPECT_EQ(BytesPerPixelFromBits(15), 2);
    EXPECT_EQ(BytesPerPixelFromBits(16), 2);
    EXPECT_EQ(BytesPerPixelFromBits(20), 2);  // 2.5 -> 2 (even)
    EXPECT_EQ(BytesPerPixelFromBits(24), 3);
    EXPECT_EQ(BytesPerPixelFromBits(28), 4);  // 3.5 -> 4 (even)
    EXPECT_EQ(BytesPerPixelFromBits(32), 4);
    EXPECT_EQ(BytesPerPixelFromBits(0), 1);
    EXPECT_EQ(BytesPerPixelFromBits(-8), 1);
}

TEST(FrameBlockSize, DefaultGeometry) {
    int32_t size = 0;
    ASSERT_TRUE(FrameBlockSize(128, 96, 2, &size));
    EXPECT_EQ(size, 24576);
    EXPECT_EQ(size * 10, 245760);
    ASSERT_TRUE(FrameBlockSize(1024, 768, 4, &size));
    EXPECT_EQ(size, 3145728);
}

TEST(FrameBlockSize, RefusesProductsThatDoNotFitOrAreEmpty) {
    int32_t size = -1;
    EXPECT_FALSE(FrameBlockSize(65536, 65536, 1, &size));  // 2^32
    EXPECT_FALSE(FrameBlockSize(32768, 32768, 2, &size));  // 2^31 exactly
    EXPECT_FALSE(
        FrameBlockSize(std::numeric_limits<int32_t>::max(), std::numeric_limits<int32_t>::max(), 4, &size));
    EXPECT_FALSE(FrameBlockSize(-128, 96, 4, &size));
    EXPECT_FALSE(FrameBlockSize(-128, -96, 4, &size));  // positive product of negative sides
    EXPECT_FALSE(FrameBlockSize(0, 96, 4, &size));
    EXPECT_FALSE(FrameBlockSize(128, 96, 0, &size));
    EXPECT_EQ(size, -1);
    ASSERT_TRUE(FrameBlockSize(46340, 46340, 1, &size));  // just below 2^31
    EXPECT_EQ(size, 46340 * 46340);
}

TEST(FrameCopyBytes, NeverMoreThanTheBlock) {
    EXPECT_EQ(FrameCopyBytes(128, 96, 4, 128 * 96 * 4), 128 * 96 * 4);
    // The display went from 16 to 32 bits after the blocks were made.
    EXPECT_EQ(FrameCopyBytes(128, 96, 4, 128 * 96 * 2), 128 * 96 * 2);
    // ... or the other way round: the frame is smaller than its block.
    EXPECT_EQ(FrameCopyBytes(128, 96, 2, 128 * 96 * 4), 128 * 96 * 2);
    EXPECT_EQ(FrameCopyBytes(65536, 65536, 4, 1000), 1000);
    EXPECT_EQ(FrameCopyBytes(128, 96, 4, 0), 0);
    EXPECT_EQ(FrameCopyBytes(-1, 96, 4, 1000), 0);
}
