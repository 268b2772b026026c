// The frame store over the real movable-memory functions.
#include "app_fixture.h"

namespace {

class FrameStoreTest : public testing::Test {
  protected:
    void SetUp() override { ResetSharedState(); }
    void TearDown() override {
        Frame_Free();
        ResetSharedState();
    }
    static void Geometry(int32_t w, int32_t h, int32_t bpp, int16_t frames) {
        VL.PicWidth = w;
        VL.PicHeight = h;
        VL.BytesPerPixel = bpp;
        VL.Framemax = frames;
    }
};

// Fails GlobalAlloc from the call numbered `failAt` (1-based) on.
void FailAllocationAt(int failAt) {
    auto calls = std::make_shared<int>(0);
    Frame_SetMemoryFunctions(
        [calls, failAt](UINT flags, SIZE_T bytes) -> HGLOBAL {
            return ++*calls >= failAt ? nullptr : GlobalAlloc(flags, bytes);
        },
        nullptr);
}

}  // namespace

TEST_F(FrameStoreTest, NoFramesMeansEmptyArraysAndNothingToFree) {
    Geometry(128, 96, 4, 0);
    EXPECT_TRUE(Frame_Alloc());
    EXPECT_EQ(Frame_Available(), 0);
    int32_t bytes = -1;
    EXPECT_EQ(Frame_Block(1, &bytes), nullptr);
    EXPECT_TRUE(Frame_Free());
}

TEST_F(FrameStoreTest, EveryFrameOwnsOneLockedZeroedBlockOfTheFrameSize) {
    Geometry(128, 96, 2, 10);
    ASSERT_TRUE(Frame_Alloc());
    ASSERT_EQ(VL.FrameHandles.size(), 11u);
    EXPECT_EQ(Frame_Available(), 10);
    size_t total = 0;
    for (int i = 1; i <= 10; ++i) {
        HGLOBAL h = VL.FrameHandles[i];
        ASSERT_NE(h, nullptr);
        ASSERT_NE(VL.FrameData[i], nullptr);
        EXPECT_EQ(GlobalSize(h), 24576u);
        EXPECT_EQ(GlobalFlags(h) & GMEM_LOCKCOUNT, 1u) << "frame " << i;
        total += GlobalSize(h);
        int32_t bytes = 0;
        const BYTE* block = Frame_Block(i, &bytes);
        ASSERT_EQ(block, VL.FrameData[i]);
        ASSERT_EQ(bytes, 24576);
        for (int32_t b = 0; b < bytes; ++b) ASSERT_EQ(block[b], 0) << "frame " << i << " byte " << b;
    }
    EXPECT_EQ(total, 245760u);
    int32_t bytes = 0;
    EXPECT_EQ(Frame_Block(0, &bytes), nullptr);
    EXPECT_EQ(Frame_Block(11, &bytes), nullptr);
    EXPECT_TRUE(Frame_Free());
    // Released: nothing may be reached through the store any more.
    EXPECT_EQ(Frame_Block(1, &bytes), nullptr);
    EXPECT_EQ(Frame_Available(), 0);
}

TEST_F(FrameStoreTest, FailureAtFrameThreeKeepsTheFirstTwoAndFreeReleasesThem) {
    Geometry(128, 96, 4, 10);
    FailAllocationAt(3);
    EXPECT_FALSE(Frame_Alloc());
    EXPECT_EQ(VL.Framemax, 10);
    ASSERT_EQ(VL.FrameHandles.size(), 11u);
    HGLOBAL first = VL.FrameHandles[1];
    HGLOBAL second = VL.FrameHandles[2];
    EXPECT_NE(first, nullptr);
    EXPECT_NE(second, nullptr);
    EXPECT_NE(VL.FrameData[1], nullptr);
    EXPECT_NE(VL.FrameData[2], nullptr);
    for (int i = 3; i <= 10; ++i) {
        EXPECT_EQ(VL.FrameHandles[i], nullptr) << i;
        EXPECT_EQ(VL.FrameData[i], nullptr) << i;
    }
    EXPECT_EQ(Frame_Available(), 2);
    EXPECT_TRUE(Frame_Free());
    // Both blocks are gone: the handles no longer name memory.
    EXPECT_EQ(GlobalFlags(first), static_cast<UINT>(GMEM_INVALID_HANDLE));
    EXPECT_EQ(GlobalFlags(second), static_cast<UINT>(GMEM_INVALID_HANDLE));
}

TEST_F(FrameStoreTest, LockFailureLeavesThatBlockAllocatedButUnlocked) {
    Geometry(16, 16, 4, 4);
    auto locks = std::make_shared<int>(0);
    Frame_SetMemoryFunctions(nullptr,
                             [locks](HGLOBAL h) -> void* { return ++*locks == 2 ? nullptr : GlobalLock(h); });
    EXPECT_FALSE(Frame_Alloc());
    EXPECT_NE(VL.FrameHandles[2], nullptr);
    EXPECT_EQ(VL.FrameData[2], nullptr);
    EXPECT_EQ(GlobalFlags(VL.FrameHandles[2]) & GMEM_LOCKCOUNT, 0u);
    EXPECT_EQ(VL.FrameHandles[3], nullptr);
    EXPECT_EQ(Frame_Available(), 1);
    EXPECT_TRUE(Frame_Free());
}

TEST_F(FrameStoreTest, SizeThatDoesNotFitIn32BitsIsAFailedAllocationNotAWrappedOne) {
    Geometry(65536, 32768, 4, 3);  // 2^33 bytes; wrapped to 32 bits it would be 0
    auto calls = std::make_shared<int>(0);
    Frame_SetMemoryFunctions(
        [calls](UINT flags, SIZE_T bytes) -> HGLOBAL {
            ++*calls;
            return GlobalAlloc(flags, bytes);
        },
        nullptr);
    EXPECT_FALSE(Frame_Alloc());
    EXPECT_EQ(*calls, 0);
    EXPECT_EQ(VL.FrameHandles[1], nullptr);
    EXPECT_TRUE(Frame_Free());
}

TEST_F(FrameStoreTest, FreeStopsAtABlockThatStaysLocked) {
    Geometry(16, 16, 4, 3);
    ASSERT_TRUE(Frame_Alloc());
    HGLOBAL second = VL.FrameHandles[2];
    GlobalLock(second);  // locked twice: one unlock leaves it locked
    EXPECT_FALSE(Frame_Free());
    EXPECT_EQ(GlobalFlags(VL.FrameHandles[1]), static_cast<UINT>(GMEM_INVALID_HANDLE));
    EXPECT_EQ(GlobalFlags(second) & GMEM_LOCKCOUNT, 1u);
    EXPECT_NE(GlobalFlags(VL.FrameHandles[3]), static_cast<UINT>(GMEM_INVALID_HANDLE));
    GlobalUnlock(second);
    GlobalFree(second);
    GlobalUnlock(VL.FrameHandles[3]);
    GlobalFree(VL.FrameHandles[3]);
    VL.Framemax = 0;
}

TEST_F(FrameStoreTest, NegativeFrameCountFromTheStoreHoldsNoFrames) {
    Geometry(16, 16, 4, -5);
    EXPECT_TRUE(Frame_Alloc());
    EXPECT_EQ(Frame_Available(), 0);
    EXPECT_TRUE(Frame_Free());
}

TEST_F(FrameStoreTest, AStoreLargerThanTheAddressSpaceKeepsWhatFitsAndLeavesTheReserve) {
    if (sizeof(void*) == 8) GTEST_SKIP() << "a 64-bit process does not run out of address space";
    // Blocks of 1 MB, each a region of its own, and of 80 KB, which come from the heap: 32 GB and 2.6 GB,
    // beyond the 2 GB of a 32-bit process either way.
    for (const auto& [w, h] : {std::pair{512, 512}, {160, 128}}) {
        Geometry(w, h, 4, 32767);
        EXPECT_FALSE(Frame_Alloc()) << w;
        // Most of the address space holds frames, and the program can still have its reserve.
        EXPECT_GT(static_cast<int64_t>(Frame_Available()) * w * h * 4, int64_t{1} << 30) << w;
        HGLOBAL reserve = GlobalAlloc(GMEM_FIXED, SIZE_T{64} << 20);
        EXPECT_NE(reserve, nullptr) << w;
        GlobalFree(reserve);
        EXPECT_TRUE(Frame_Free()) << w;
    }
}
