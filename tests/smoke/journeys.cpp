// Journeys through the real program. A new capability adds one: start the program, choose its
// menu items, answer or read its boxes and windows, and check what the user sees.
#include "smoke.h"

namespace {

const wchar_t kBusy[] = L"録画、再生等の処理を中止してください。";
const wchar_t kMinimized[] = L"待機中に、最大表示はできません。\rキャプチャー待機をキャンセルしてください。";

std::wstring SelectedFace(const wchar_t* face) {
    HDC dc = GetDC(nullptr);
    HFONT font = CreateFontW(-12, 0, 0, 0, FW_NORMAL, 0, 0, 0, SYMBOL_CHARSET, 0, 0, 0, 0, face);
    HGDIOBJ old = SelectObject(dc, font);
    wchar_t selected[LF_FACESIZE] = {};
    GetTextFaceW(dc, LF_FACESIZE, selected);
    SelectObject(dc, old);
    DeleteObject(font);
    ReleaseDC(nullptr, dc);
    return selected;
}

}  // namespace

TEST_F(Journey, StartsCentredAndASecondStartBringsItBack) {
    ASSERT_NO_FATAL_FAILURE(Start());
    RECT r;
    GetWindowRect(main, &r);
    EXPECT_NEAR(r.left, (GetSystemMetrics(SM_CXSCREEN) - (r.right - r.left)) / 2, 1);
    EXPECT_NEAR(r.top, (GetSystemMetrics(SM_CYSCREEN) - (r.bottom - r.top)) / 2, 1);
    EXPECT_TRUE(harness::WaitUntil([this] { return GetForegroundWindow() == main; }, 5000));
    // The screen shows the empty workspace, and the title-bar buttons have their glyph font.
    POINT centre = {(r.right - r.left) / 2, (r.bottom - r.top) / 2};
    ClientToScreen(main, &centre);
    EXPECT_TRUE(harness::WaitUntil(
        [&] { return harness::ScreenPixel(centre.x, centre.y) == GetSysColor(COLOR_APPWORKSPACE); }, 5000));
    EXPECT_EQ(SelectedFace(L"Marlett"), L"Marlett");

    ClickFrame(HTMINBUTTON);
    ASSERT_TRUE(harness::WaitUntil([this] { return IsIconic(main) != FALSE; }, 5000));
    auto second = harness::Launch(harness::ExeDir() + L"\\vintrel.exe");
    ASSERT_NE(second, nullptr);
    ASSERT_TRUE(second->WaitExit(20000));
    EXPECT_EQ(second->ExitCode(), 0u);
    EXPECT_TRUE(
        harness::WaitUntil([this] { return !IsIconic(main) && GetForegroundWindow() == main; }, 5000));
    EXPECT_TRUE(Running());
    EXPECT_EQ(boxes->Count(), 0u);
}

TEST_F(Journey, TheCloseButtonIsRefusedAndExitEndsTheProgram) {
    ASSERT_NO_FATAL_FAILURE(Start());
    ClickFrame(HTCLOSE);
    ASSERT_TRUE(BoxesAnswered(1));
    EXPECT_BOXES(
        BoxLine(L"VINTREL", L"終了するときには、ファイルメニューの\r［終了(X)］を選択してください。"));
    EXPECT_TRUE(Running());
    EXPECT_TRUE(IsWindowVisible(main));
    Menu(L'F', 0, L'X');
    ASSERT_TRUE(app->WaitExit(15000));
    EXPECT_EQ(app->ExitCode(), 0u);
}

TEST_F(Journey, StartingAgainDuringStandbyIsRefusedWithBothMessages) {
    ASSERT_NO_FATAL_FAILURE(Start());
    ASSERT_NO_FATAL_FAILURE(Menu(L'C', 0));
    HWND capture = nullptr;
    ASSERT_TRUE(harness::WaitUntil([&] { return (capture = CaptureWindow()) && IsIconic(capture); }, 5000));
    // The minimized window leaves the keyboard to the main window, whose menu works straight away.
    EXPECT_TRUE(harness::WaitUntil([this] { return GetForegroundWindow() == main; }, 5000));
    ASSERT_NO_FATAL_FAILURE(Menu(L'C', 0));
    ASSERT_TRUE(BoxesAnswered(2));
    // The same after clicking the main window first.
    ClickFrame(HTCAPTION);
    ASSERT_NO_FATAL_FAILURE(Menu(L'C', 0));
    ASSERT_TRUE(BoxesAnswered(4));
    const std::wstring busy = BoxLine(L"録画", kBusy), minimized = BoxLine(L"VINTREL", kMinimized);
    EXPECT_BOXES(busy, minimized, busy, minimized);
    EXPECT_TRUE(IsIconic(capture));
    harness::TapKey(VK_F12);
    EXPECT_TRUE(harness::WaitUntil([&] { return !IsWindowVisible(capture); }, 5000));
    EXPECT_EQ(boxes->Count(), 4u);
}

TEST_F(Journey, ARecordingPlaysBackWhatTheScreenShowed) {
    ASSERT_NO_FATAL_FAILURE(StartAndRecord(64, 48, 3, 400));
    const HWND capture = CaptureWindow();
    ASSERT_NO_FATAL_FAILURE(Menu(L'E', 0));
    EXPECT_TRUE(harness::WaitUntil(
        [&] { return IsWindowVisible(capture) && WrongPixels(capture, 64, 48) == 0; }, 10000));
    EXPECT_TRUE(harness::WaitUntil([&] { return !IsWindowVisible(capture); }, 10000));
    EXPECT_EQ(boxes->Count(), 0u);
}
