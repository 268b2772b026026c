// Playback in the capture window, read back from the screen.
#include "capture_fixture.h"

namespace {

const COLORREF kColors[] = {RGB(200, 30, 40), RGB(20, 180, 60), RGB(30, 60, 220), RGB(240, 220, 10)};

class PlaybackTest : public CaptureTest {
  protected:
    void Recorded(int frames) {
        Reallocate(64, 48, 4);
        for (int f = 1; f <= 4; ++f) FillFrame(f, kColors[f - 1]);
        VL.RecordedCount = frames;
    }
    void StartPlayback() {
        main->mePLAY_Click();
        ASSERT_TRUE(
            harness::WaitUntil([this] { return VL.RunState == 2 && capture.timPLAY.Enabled(); }, 5000));
    }
    // Waits for frame n's tick and checks what the window shows.
    void ExpectShown(int n) {
        ASSERT_TRUE(harness::WaitUntil([n] { return VL.FrameCursor == n; }, 5000)) << n;
        EXPECT_EQ(PreviewColor(), kColors[n - 1]) << "frame " << n;
    }
};

}  // namespace

TEST_F(PlaybackTest, ShowsFrameNAtTickNThenHidesSilently) {
    Recorded(3);
    VL.RecTimer = 300;
    StartPlayback();
    EXPECT_TRUE(capture.Visible());
    EXPECT_EQ(capture.WindowState(), rt::kNormal);
    EXPECT_EQ(capture.ScaleWidthPx(), 64);
    EXPECT_EQ(capture.ScaleHeightPx(), 48);
    EXPECT_EQ(VL.CaptureMode, 0);
    EXPECT_TRUE(capture.PicCAPT.AutoRedraw());
    for (int n = 1; n <= 3; ++n) ExpectShown(n);
    ASSERT_TRUE(WaitIdle());
    EXPECT_FALSE(capture.Visible());
    EXPECT_EQ(VL.FrameCursor, 4);
    EXPECT_EQ(VL.RecordedCount, 3);
    EXPECT_EQ(boxes->Count(), 0u);
}

TEST_F(PlaybackTest, OneFrameIsShownForOneInterval) {
    Recorded(1);
    StartPlayback();
    ExpectShown(1);
    ASSERT_TRUE(WaitIdle());
    EXPECT_EQ(VL.FrameCursor, 2);
    EXPECT_EQ(boxes->Count(), 0u);
}

TEST_F(PlaybackTest, CancelShowsTheMessageAndARepeatStartsFromFrameOne) {
    Recorded(4);
    VL.RecTimer = 300;
    StartPlayback();
    ExpectShown(1);
    ExpectShown(2);
    main->meCANCEL_Click();
    ASSERT_TRUE(WaitIdle());
    EXPECT_EQ(BoxLines(), std::vector<std::wstring>{BoxLine(L"再生", L"再生が中止されました。")});
    EXPECT_FALSE(capture.Visible());
    EXPECT_EQ(VL.FrameCursor, 3);

    boxes->Clear();
    StartPlayback();
    ExpectShown(1);
    harness::TapKey(VK_F12);
    ASSERT_TRUE(WaitIdle());
    EXPECT_EQ(BoxLines(), std::vector<std::wstring>{BoxLine(L"再生", L"再生が中止されました。")});
}

TEST_F(PlaybackTest, ACancelChosenWhileIdleDoesNotCancelTheNextPlayback) {
    Recorded(2);
    main->mcCANCEL_Click();
    StartPlayback();
    ASSERT_TRUE(WaitIdle());
    EXPECT_EQ(VL.FrameCursor, 3);
    EXPECT_EQ(boxes->Count(), 0u);
}

TEST_F(PlaybackTest, TheFrameShownSurvivesBeingCoveredAndTheWindowRefitsWhenReactivated) {
    Recorded(2);
    VL.RecTimer = 3000;
    StartPlayback();
    ExpectShown(1);
    RECT r;
    GetWindowRect(capture.hWnd(), &r);
    {
        harness::PatternWindow cover(r.left, r.top, r.right - r.left, r.bottom - r.top, 1);
        ASSERT_TRUE(cover.WaitPainted());
    }
    harness::Pump(200);
    EXPECT_EQ(PreviewColor(), kColors[0]);

    // Switching away and back runs the activation again: fitted, cleared and centred.
    SetForegroundWindow(main->hWnd());
    harness::Pump(100);
    SetForegroundWindow(capture.hWnd());
    ASSERT_TRUE(harness::WaitUntil([this] { return PreviewColor() == RGB(255, 255, 255); }, 3000));
    GetWindowRect(capture.hWnd(), &r);
    EXPECT_NEAR(r.left, (VL.ScreenWidth - (r.right - r.left)) / 2, 1);
    EXPECT_NEAR(r.top, (VL.ScreenHeight - (r.bottom - r.top)) / 2, 1);
    EXPECT_EQ(VL.RunState, 2);
    EXPECT_TRUE(capture.timPLAY.Enabled());
    main->meCANCEL_Click();
    ASSERT_TRUE(WaitIdle());
}

TEST_F(PlaybackTest, GuardedCommandsRefuseAndPlaybackGoesOn) {
    Recorded(3);
    VL.RecTimer = 1000;
    StartPlayback();
    main->mcSTART_Click();
    ASSERT_TRUE(boxes->WaitForCount(1, 5000));
    main->mePLAY_Click();
    ASSERT_TRUE(boxes->WaitForCount(2, 5000));
    harness::Pump(200);
    EXPECT_EQ(BoxLines(),
              (std::vector<std::wstring>{BoxLine(L"録画", L"録画、再生等の処理を中止してください。"),
                                         BoxLine(L"再生", L"録画、再生等の処理を中止してください。")}));
    EXPECT_EQ(VL.RunState, 2);
    EXPECT_EQ(VL.CaptureMode, 0);
    EXPECT_TRUE(capture.timPLAY.Enabled());
    EXPECT_TRUE(capture.Visible());
    ASSERT_TRUE(WaitIdle());
    EXPECT_EQ(VL.FrameCursor, 4);
}

TEST_F(PlaybackTest, NothingRecordedIsRefusedWithoutShowingTheWindow) {
    main->mePLAY_Click();
    ASSERT_TRUE(boxes->WaitForCount(1, 5000));
    EXPECT_EQ(BoxLines(), std::vector<std::wstring>{BoxLine(L"再生", L"録画されていません。")});
    EXPECT_FALSE(capture.Visible());
    EXPECT_EQ(VL.CaptureMode, 0);
}
