// Record standby, the start and cancel keys, and recording of real screen pixels.
#include "capture_fixture.h"

namespace {

const wchar_t kDone[] = L"録画が終了しました。";
const wchar_t kCancelled[] = L"録画が中止されました。";

class StandbyTest : public CaptureTest {};
class RecordingTest : public CaptureTest {};

}  // namespace

TEST_F(StandbyTest, EntersMinimizedWithTheKeyPollOnly) {
    VL.CancelRequest = kTrue;  // a cancel chosen while idle
    EnterStandby();
    EXPECT_EQ(VL.CaptureMode, 0);
    EXPECT_EQ(VL.FrameCursor, 0);
    EXPECT_EQ(VL.CancelRequest, 0);
    EXPECT_EQ(capture.timKEYIN.Interval(), 50);
    EXPECT_FALSE(capture.timREC.Enabled());
    EXPECT_FALSE(capture.timPLAY.Enabled());
    EXPECT_EQ(capture.PicCAPT.WidthPx(), VL.PicWidth);
    EXPECT_EQ(capture.PicCAPT.HeightPx(), VL.PicHeight);
    EXPECT_EQ(capture.MaxLeft, VL.ScreenWidth - VL.PicWidth);
    EXPECT_EQ(capture.MaxTop, VL.ScreenHeight - VL.PicHeight);
    harness::Pump(300);
    EXPECT_EQ(VL.RunState, 1);
    EXPECT_EQ(boxes->Count(), 0u);
    main->mcCANCEL_Click();
    EXPECT_TRUE(WaitIdle());
}

TEST_F(StandbyTest, ATapShorterThanThePollIntervalStillStartsRecording) {
    VL.KeyTimer = 1500;
    EnterStandby();
    harness::Pump(300);
    harness::TapKey(VK_F11, 60);
    EXPECT_TRUE(harness::WaitUntil([this] { return capture.timREC.Enabled(); }, 5000));
    EXPECT_FALSE(capture.timKEYIN.Enabled());
    EXPECT_EQ(VL.RunState, 1);
    EXPECT_EQ(VL.RecordedCount, 0);
    EXPECT_TRUE(WaitIdle());
    EXPECT_BOXES(BoxLine(L"キャプチャー", kDone));
}

TEST_F(StandbyTest, APressMadeBeforeTheStandbyDoesNotCount) {
    harness::TapKey(VK_F11);
    EnterStandby();
    harness::Pump(500);  // ten polls
    EXPECT_TRUE(capture.timKEYIN.Enabled());
    EXPECT_FALSE(capture.timREC.Enabled());
    main->mcCANCEL_Click();
    EXPECT_TRUE(WaitIdle());
    EXPECT_EQ(boxes->Count(), 0u);
}

TEST_F(StandbyTest, CancelKeyAndBothCancelCommandsEndItSilentlyKeepingTheRecording) {
    VL.RecordedCount = 3;
    const std::function<void()> cancels[] = {[] { harness::TapKey(VK_F12); },
                                             [this] { main->mcCANCEL_Click(); },
                                             [this] { main->meCANCEL_Click(); }};
    for (const auto& cancel : cancels) {
        EnterStandby();
        cancel();
        ASSERT_TRUE(WaitIdle());
        EXPECT_FALSE(capture.Visible());
        EXPECT_EQ(capture.WindowState(), rt::kNormal);
        EXPECT_EQ(VL.RecordedCount, 3);
    }
    harness::Pump(100);
    EXPECT_EQ(boxes->Count(), 0u);
}

TEST_F(StandbyTest, MaximizingTheWindowShowsTheTwoLineMessageAndChangesNothingElse) {
    EnterStandby();
    ShowWindow(capture.hWnd(), SW_MAXIMIZE);
    ASSERT_TRUE(boxes->WaitForCount(1, 5000));
    harness::Pump(200);
    EXPECT_BOXES(
        BoxLine(L"VINTREL", L"待機中に、最大表示はできません。\rキャプチャー待機をキャンセルしてください。"));
    EXPECT_EQ(VL.RunState, 1);
    EXPECT_TRUE(capture.timKEYIN.Enabled());
    EXPECT_EQ(VL.CaptureMode, 0);
    main->mcCANCEL_Click();
    ASSERT_TRUE(WaitIdle());
    // The next standby starts normally.
    boxes->Clear();
    EnterStandby();
    harness::Pump(200);
    EXPECT_EQ(boxes->Count(), 0u);
    main->mcCANCEL_Click();
    EXPECT_TRUE(WaitIdle());
}

TEST_F(StandbyTest, StartAndCancelInOneTickStartNoRecording) {
    VL.KeyTimer = 1000;
    EnterStandby();
    harness::KeyDown(VK_F11);
    harness::KeyDown(VK_F12);
    harness::Pump(150);
    harness::KeyUp(VK_F11);
    harness::KeyUp(VK_F12);
    ASSERT_TRUE(WaitIdle(5000));
    harness::Pump(VL.RecTimer * 3);
    EXPECT_FALSE(capture.timREC.Enabled());
    EXPECT_FALSE(capture.Visible());
    EXPECT_EQ(VL.RunState, 0);
    EXPECT_EQ(boxes->Count(), 0u);
}

TEST_F(StandbyTest, ClosingTheWindowFromItsFrameCancelsTheStandby) {
    EnterStandby();
    PostMessageW(capture.hWnd(), WM_CLOSE, 0, 0);
    ASSERT_TRUE(WaitIdle());
    EXPECT_TRUE(capture.Loaded());
    EXPECT_FALSE(capture.Visible());
    EXPECT_EQ(boxes->Count(), 0u);
}

TEST_F(RecordingTest, FramesHoldTheScreenRectangleByteForByte) {
    Reallocate(64, 48, 3);
    VL.WinLock = 1;
    harness::PatternWindow pattern(300, 200, 200, 150, 7);
    ASSERT_TRUE(pattern.WaitPainted());
    // What the screen holds there while the recording runs.
    const auto screen = harness::ReadScreenBits(320, 230, 64, 48, 4);
    RecordAt({320, 230});
    EXPECT_BOXES(BoxLine(L"キャプチャー", kDone));
    EXPECT_EQ(VL.RecordedCount, 3);
    EXPECT_EQ(VL.FrameCursor, 4);
    EXPECT_FALSE(capture.Visible());
    EXPECT_EQ(capture.WindowState(), rt::kNormal);
    for (int f = 1; f <= 3; ++f) {
        EXPECT_EQ(FrameBytes(f), screen) << "frame " << f;
        ExpectFrameShowsPattern(f, {320, 230}, 300, 200, 7);
    }
}

TEST_F(RecordingTest, EachFrameFollowsTheCursorUnlessThePositionIsLocked) {
    const POINT at[] = {{210, 160}, {260, 200}, {300, 250}};
    for (int16_t lock : {0, 1}) {
        harness::PatternWindow pattern(200, 150, 300, 200, 3);
        ASSERT_TRUE(pattern.WaitPainted());
        Reallocate(64, 48, 3);
        VL.WinLock = lock;
        VL.RecTimer = 300;
        boxes->Clear();
        ASSERT_TRUE(harness::SetCursorStable(at[0].x, at[0].y));
        EnterStandby();
        harness::TapKey(VK_F11);
        for (int f = 1; f < 3; ++f) {
            ASSERT_TRUE(harness::WaitUntil([f] { return VL.FrameCursor == f; }, 5000));
            ASSERT_TRUE(harness::SetCursorStable(at[f].x, at[f].y));
        }
        ASSERT_TRUE(WaitIdle());
        EXPECT_BOXES(BoxLine(L"キャプチャー", kDone));
        for (int f = 1; f <= 3; ++f) ExpectFrameShowsPattern(f, lock == 1 ? at[0] : at[f - 1], 200, 150, 3);
    }
}

TEST_F(RecordingTest, ACursorAtTheBottomRightCornerAnchorsAtTheLimits) {
    Reallocate(64, 48, 1);
    VL.WinLock = 1;
    const int w = VL.ScreenWidth, h = VL.ScreenHeight;
    harness::PatternWindow pattern(w - 200, h - 150, 200, 150, 5);
    ASSERT_TRUE(pattern.WaitPainted());
    RecordAt({w - 1, h - 1});
    EXPECT_EQ(capture.CapturePoint.x, w - 64);
    EXPECT_EQ(capture.CapturePoint.y, h - 48);
    ExpectFrameShowsPattern(1, {w - 64, h - 48}, w - 200, h - 150, 5);
}

TEST_F(RecordingTest, AFullScreenWidthAlwaysStartsAtTheLeftEdge) {
    Reallocate(VL.ScreenWidth, 16, 2);
    VL.WinLock = 0;
    harness::PatternWindow pattern(0, 290, VL.ScreenWidth, 40, 9);
    ASSERT_TRUE(pattern.WaitPainted());
    RecordAt({500, 300});
    EXPECT_EQ(capture.MaxLeft, 0);
    EXPECT_EQ(capture.CapturePoint.x, 0);
    ExpectFrameShowsPattern(1, {0, 300}, 0, 290, 9);
    ExpectFrameShowsPattern(2, {0, 300}, 0, 290, 9);
}

TEST_F(RecordingTest, CancellingAfterSomeFramesKeepsThatManyByKeyOrMenu) {
    VL.RecTimer = 250;
    RecordUntilFrame(3);
    harness::TapKey(VK_F12);
    ASSERT_TRUE(WaitIdle());
    EXPECT_BOXES(BoxLine(L"キャプチャー", kCancelled));
    EXPECT_EQ(VL.RecordedCount, 3);

    boxes->Clear();
    RecordUntilFrame(2);
    main->mcCANCEL_Click();
    ASSERT_TRUE(WaitIdle());
    EXPECT_BOXES(BoxLine(L"キャプチャー", kCancelled));
    EXPECT_EQ(VL.RecordedCount, 2);
}

TEST_F(RecordingTest, OneFrameThenTheEndMessage) {
    Reallocate(32, 32, 1);
    RecordAt({100, 100});
    EXPECT_BOXES(BoxLine(L"キャプチャー", kDone));
    EXPECT_EQ(VL.RecordedCount, 1);
}

TEST_F(RecordingTest, ACancelOnTheTickPastTheLastFrameCountsAsComplete) {
    Reallocate(32, 32, 2);
    VL.RecTimer = 300;
    RecordUntilFrame(2);
    main->mcCANCEL_Click();
    ASSERT_TRUE(WaitIdle());
    EXPECT_BOXES(BoxLine(L"キャプチャー", kDone));
    EXPECT_EQ(VL.RecordedCount, 2);
}

TEST_F(RecordingTest, ACancelBeforeTheFirstFrameLeavesNothingToPlay) {
    VL.RecordedCount = 4;
    VL.RecTimer = 1500;
    EnterStandby();
    harness::TapKey(VK_F11);
    ASSERT_TRUE(harness::WaitUntil([this] { return capture.timREC.Enabled(); }, 5000));
    harness::TapKey(VK_F12);
    ASSERT_TRUE(WaitIdle());
    EXPECT_BOXES(BoxLine(L"キャプチャー", kCancelled));
    EXPECT_EQ(VL.RecordedCount, 0);
    boxes->Clear();
    main->mePLAY_Click();
    ASSERT_TRUE(boxes->WaitForCount(1, 5000));
    EXPECT_BOXES(BoxLine(L"再生", L"録画されていません。"));
    harness::Pump(100);
    EXPECT_FALSE(capture.Visible());
    EXPECT_EQ(VL.RunState, 0);
}

TEST_F(RecordingTest, GuardedCommandsRefuseDuringStandbyAndRecording) {
    const std::wstring minimized =
        L"待機中に、最大表示はできません。\rキャプチャー待機をキャンセルしてください。";
    VL.RecordedCount = 1;
    boxes->SetAnswerByClick(true);  // a box the user cannot see stays unanswered
    EnterStandby();
    // Keys typed now go to the main window: the minimized window would take Enter as a restore.
    ASSERT_TRUE(harness::WaitUntil([this] { return GetActiveWindow() == main->hWnd(); }, 5000));
    harness::TapKey(VK_RETURN);
    EXPECT_EQ(capture.WindowState(), rt::kMinimized);
    for (int phase = 0; phase < 2; ++phase) {
        for (auto [click, title] :
             {std::pair{&frmVLm1::mcSTART_Click, L"録画"}, {&frmVLm1::mePLAY_Click, L"再生"}}) {
            boxes->Clear();
            (main.get()->*click)();
            // The window is minimized, so showing it meets the activation's refusal as well.
            ASSERT_TRUE(boxes->WaitForCount(2, 5000));
            harness::Pump(100);
            EXPECT_BOXES(BoxLine(title, L"録画、再生等の処理を中止してください。"),
                         BoxLine(L"VINTREL", minimized));
            EXPECT_EQ(VL.RunState, 1);
            EXPECT_EQ(VL.CaptureMode, 0);
            EXPECT_EQ(capture.WindowState(), rt::kMinimized);
            EXPECT_TRUE(phase == 0 ? capture.timKEYIN.Enabled() : capture.timREC.Enabled());
        }
        if (phase == 0) {
            Reallocate(32, 32, 100);
            VL.RecTimer = 200;
            harness::TapKey(VK_F11);
            ASSERT_TRUE(harness::WaitUntil([this] { return capture.timREC.Enabled(); }, 5000));
        }
    }
    boxes->Clear();
    main->mcCANCEL_Click();
    ASSERT_TRUE(WaitIdle());
    EXPECT_BOXES(BoxLine(L"キャプチャー", kCancelled));
}
