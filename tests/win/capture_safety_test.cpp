// The capture window's edges: size check, resources per tick, and frame stores that do not match.
#include "capture_fixture.h"
#include "platform/runtime.h"

namespace {

class CaptureSafetyTest : public CaptureTest {
  protected:
    // Prepares the window for ticks called directly, as if a recording had just begun.
    void ReadyToRecord() {
        VL.FrameCursor = 0;
        VL.RunState = 1;
        capture.MaxLeft = VL.ScreenWidth - VL.PicWidth;
        capture.MaxTop = VL.ScreenHeight - VL.PicHeight;
        capture.CapturePoint = {10, 10};
    }
};

}  // namespace

TEST_F(CaptureSafetyTest, SizeCheckShowsTheCheckSizeAndRestoresTheFrameSize) {
    VL.CaptureMode = 3;
    VL.CheckWidth = 300;
    VL.CheckHeight = 200;
    RECT whileOpen = {};
    int32_t widthWhileOpen = 0;
    boxes->SetPolicy([&](const harness::BoxSeen&) {
        GetClientRect(capture.hWnd(), &whileOpen);
        widthWhileOpen = VL.PicWidth;
        return IDOK;
    });
    capture.ShowModal();
    EXPECT_EQ(BoxLines(), std::vector<std::wstring>{BoxLine(L"設定", L"確認してください。")});
    EXPECT_EQ(whileOpen.right, 300);
    EXPECT_EQ(whileOpen.bottom, 200);
    EXPECT_EQ(widthWhileOpen, 128);
    EXPECT_EQ(VL.PicWidth, 128);
    EXPECT_EQ(VL.PicHeight, 96);
    EXPECT_EQ(VL.CaptureMode, 0);
    EXPECT_FALSE(capture.Visible());
    EXPECT_TRUE(IsWindowEnabled(main->hWnd()));
}

TEST_F(CaptureSafetyTest, SizeCheckOnAMaximizedWindowRestoresTheFrameSizeAndEnds) {
    capture.Show();
    harness::Pump(100);
    ShowWindow(capture.hWnd(), SW_MAXIMIZE);
    SetForegroundWindow(main->hWnd());
    harness::Pump(100);
    boxes->Clear();
    VL.CaptureMode = 3;
    VL.CheckWidth = 300;
    VL.CheckHeight = 200;
    capture.ShowModal();
    EXPECT_EQ(
        BoxLines(),
        std::vector<std::wstring>{BoxLine(
            L"VINTREL", L"待機中に、最大表示はできません。\rキャプチャー待機をキャンセルしてください。")});
    EXPECT_EQ(VL.PicWidth, 128);
    EXPECT_EQ(VL.PicHeight, 96);
    EXPECT_EQ(VL.CaptureMode, 0);
    EXPECT_FALSE(capture.Visible());
}

TEST_F(CaptureSafetyTest, StoredIntervalsBelowOneMillisecondStillTick) {
    // The loader keeps stored values as they are; a timer that never ticked would leave the
    // standby with no way to end it.
    VL.KeyTimer = 0;
    VL.RecTimer = -7;
    EnterStandby();
    EXPECT_EQ(capture.timKEYIN.Interval(), 1);
    EXPECT_EQ(capture.timREC.Interval(), 1);
    main->mcCANCEL_Click();
    EXPECT_TRUE(WaitIdle());
}

TEST_F(CaptureSafetyTest, NoGdiObjectLeaksAcross500RecordingAndPlaybackTicks) {
    Reallocate(32, 24, 500);
    ReadyToRecord();
    capture.timREC_Timer();  // first use creates the window system's own cached objects
    EXPECT_EQ(harness::LeastGdiGrowth([&] {
                  VL.FrameCursor = 0;
                  for (int i = 0; i < 500; ++i) capture.timREC_Timer();
              }),
              0);
    EXPECT_EQ(VL.FrameCursor, 500);
    EXPECT_EQ(VL.RecordedCount, 499);

    VL.RecordedCount = 500;
    VL.FrameCursor = 0;
    VL.RunState = 2;
    capture.PicCAPT.SetAutoRedraw(true);
    capture.timPLAY_Timer();
    EXPECT_EQ(harness::LeastGdiGrowth([&] {
                  VL.FrameCursor = 0;
                  for (int i = 0; i < 499; ++i) capture.timPLAY_Timer();
              }),
              0);
    EXPECT_EQ(VL.FrameCursor, 499);
    VL.RunState = 0;
    EXPECT_EQ(boxes->Count(), 0u);
}

TEST_F(CaptureSafetyTest, APartlyAllocatedStoreRecordsAndPlaysOnlyTheFramesItHas) {
    ASSERT_TRUE(Frame_Free());
    VL.Framemax = 5;
    VL.PicWidth = 16;
    VL.PicHeight = 16;
    auto calls = std::make_shared<int>(0);
    Frame_SetMemoryFunctions(
        [calls](UINT flags, SIZE_T bytes) -> HGLOBAL {
            return ++*calls >= 3 ? nullptr : GlobalAlloc(flags, bytes);
        },
        nullptr);
    EXPECT_FALSE(Frame_Alloc());
    ASSERT_EQ(Frame_Available(), 2);
    ReadyToRecord();
    for (int i = 0; i < 3; ++i) capture.timREC_Timer();
    EXPECT_EQ(BoxLines(), std::vector<std::wstring>{BoxLine(L"キャプチャー", L"録画が終了しました。")});
    EXPECT_EQ(VL.RecordedCount, 2);
    EXPECT_EQ(VL.RunState, 0);

    // A count that claims more frames than the store holds is played only as far as it goes.
    VL.RecordedCount = 5;
    VL.FrameCursor = 0;
    VL.RunState = 2;
    for (int i = 0; i < 3; ++i) capture.timPLAY_Timer();
    EXPECT_EQ(VL.RunState, 0);
    EXPECT_EQ(VL.FrameCursor, 3);
}

TEST_F(CaptureSafetyTest, ADisplayDepthThatNoLongerMatchesTheBlocksNeverCopiesPastThem) {
    // Blocks carry a guard zone past their end, so that a copy beyond them shows up.
    const size_t kGuard = 256;
    ASSERT_TRUE(Frame_Free());
    Frame_SetMemoryFunctions(
        [kGuard](UINT flags, SIZE_T bytes) -> HGLOBAL {
            HGLOBAL h = GlobalAlloc(flags, bytes + kGuard);
            auto* p = static_cast<BYTE*>(GlobalLock(h));
            memset(p + bytes, 0xA5, kGuard);
            GlobalUnlock(h);
            return h;
        },
        nullptr);
    VL.PicWidth = 40;
    VL.PicHeight = 30;
    VL.Framemax = 2;
    ASSERT_TRUE(Frame_Alloc());
    const size_t blockBytes = 40 * 30 * 4;
    harness::PatternWindow pattern(100, 100, 200, 200, 2);
    ASSERT_TRUE(pattern.WaitPainted());

    VL.BytesPerPixel = 8;  // the display's depth grew after the blocks were made
    ReadyToRecord();
    capture.CapturePoint = {120, 120};
    VL.WinLock = 1;
    capture.timREC_Timer();
    VL.BytesPerPixel = 2;  // ... or shrank
    capture.timREC_Timer();
    for (int f = 1; f <= 2; ++f) {
        int32_t bytes = 0;
        const BYTE* block = Frame_Block(f, &bytes);
        ASSERT_EQ(static_cast<size_t>(bytes), blockBytes);
        for (size_t g = 0; g < kGuard; ++g)
            ASSERT_EQ(block[blockBytes + g], 0xA5) << "frame " << f << " guard " << g;
    }
    VL.BytesPerPixel = 4;
    ExpectFrameShowsPattern(1, {120, 120}, 100, 100, 2);
    // The shallower copy filled only the first half of its block.
    const auto second = FrameBytes(2);
    EXPECT_NE(second[blockBytes / 2 - 4], 0);
    EXPECT_EQ(second[blockBytes / 2], 0);

    VL.BytesPerPixel = 8;
    VL.RecordedCount = 2;
    VL.FrameCursor = 0;
    VL.RunState = 2;
    capture.PicCAPT.SetAutoRedraw(true);
    capture.timPLAY_Timer();
    capture.timPLAY_Timer();
    EXPECT_EQ(VL.FrameCursor, 2);
    VL.BytesPerPixel = 4;
    VL.RunState = 0;
}

TEST_F(CaptureSafetyTest, TheSixteenBitFrameCursorNeverWrapsPastTheLastFrame) {
    Reallocate(1, 1, 32767);
    ASSERT_EQ(Frame_Available(), 32767);
    ReadyToRecord();
    VL.FrameCursor = 32767;  // frame 32767 was just taken
    capture.timREC_Timer();
    EXPECT_EQ(BoxLines(), std::vector<std::wstring>{BoxLine(L"キャプチャー", L"録画が終了しました。")});
    EXPECT_EQ(VL.RecordedCount, 32767);
    EXPECT_EQ(VL.FrameCursor, 32767);
    EXPECT_EQ(VL.RunState, 0);

    boxes->Clear();
    VL.RunState = 2;
    capture.timPLAY_Timer();  // past the last frame of a full playback
    EXPECT_EQ(VL.FrameCursor, 32767);
    EXPECT_EQ(VL.RunState, 0);
    EXPECT_EQ(boxes->Count(), 0u);
}

TEST_F(CaptureSafetyTest, LoadsCentredOverTheMainWindowAndAnyOtherModeOnlyFits) {
    RECT m, c;
    GetWindowRect(main->hWnd(), &m);
    GetWindowRect(capture.hWnd(), &c);
    EXPECT_NEAR(c.left - m.left, ((m.right - m.left) - (c.right - c.left)) / 2, 1);
    EXPECT_NEAR(c.top - m.top, ((m.bottom - m.top) - (c.bottom - c.top)) / 2, 1);
    EXPECT_EQ(capture.ScaleWidthPx(), rt::TwipsToPixels(4680, rt::SystemDpi()));
    EXPECT_EQ(capture.ScaleHeightPx(), rt::TwipsToPixels(3195, rt::SystemDpi()));

    VL.CaptureMode = 7;
    capture.Show();
    ASSERT_TRUE(harness::WaitUntil([] { return VL.CaptureMode == 0; }, 5000));
    harness::Pump(50);
    // Fitted where it stood: the top-left corner stays, nothing is started.
    RECT fitted;
    GetWindowRect(capture.hWnd(), &fitted);
    EXPECT_EQ(fitted.left, c.left);
    EXPECT_EQ(fitted.top, c.top);
    EXPECT_EQ(capture.ScaleWidthPx(), VL.PicWidth);
    EXPECT_EQ(capture.ScaleHeightPx(), VL.PicHeight);
    EXPECT_EQ(capture.MaxLeft, VL.ScreenWidth - VL.PicWidth);
    EXPECT_EQ(VL.RunState, 0);
    EXPECT_FALSE(capture.timKEYIN.Enabled() || capture.timREC.Enabled() || capture.timPLAY.Enabled());
    EXPECT_EQ(boxes->Count(), 0u);
}

TEST_F(CaptureSafetyTest, TheTimerIsOffBeforeTheEndingMessageOpens) {
    Reallocate(16, 16, 1);
    bool timerOnWhileOpen = true;
    int runStateWhileOpen = -1;
    boxes->SetPolicy([&](const harness::BoxSeen&) {
        timerOnWhileOpen = capture.timREC.Enabled();
        runStateWhileOpen = VL.RunState;
        return IDOK;
    });
    ReadyToRecord();
    capture.timREC.SetEnabled(true);
    ASSERT_TRUE(WaitIdle());
    EXPECT_EQ(BoxLines(), std::vector<std::wstring>{BoxLine(L"キャプチャー", L"録画が終了しました。")});
    EXPECT_FALSE(timerOnWhileOpen);
    EXPECT_EQ(runStateWhileOpen, 1);
    EXPECT_EQ(VL.RecordedCount, 1);
}
