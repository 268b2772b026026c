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
    StoreSetting(L"PicWidth", L"64");
    StoreSetting(L"PicHeight", L"48");
    StoreSetting(L"Framemax", L"3");
    StoreSetting(L"RecTimer", L"400");
    StoreSetting(L"WinLock", L"1");
    const int seed = 11;
    auto pattern = std::make_unique<harness::PatternWindow>(20, 20, 200, 150, seed);
    ASSERT_TRUE(pattern->WaitPainted());
    ASSERT_NO_FATAL_FAILURE(Start());
    const POINT at = {100, 90};
    ASSERT_TRUE(harness::SetCursorStable(at.x, at.y));
    ASSERT_NO_FATAL_FAILURE(Menu(L'C', 0));
    HWND capture = nullptr;
    ASSERT_TRUE(harness::WaitUntil([&] { return (capture = CaptureWindow()) && IsIconic(capture); }, 5000));
    harness::TapKey(VK_F11);
    ASSERT_TRUE(BoxesAnswered(1, 15000));
    EXPECT_BOXES(BoxLine(L"キャプチャー", L"録画が終了しました。"));
    pattern.reset();  // from now on only the playback can show it

    ASSERT_NO_FATAL_FAILURE(Menu(L'E', 0));
    const auto expected = [&](int i, int j) {
        return harness::PatternColor(at.x - 20 + i, at.y - 20 + j, seed);
    };
    POINT origin = {0, 0};
    ASSERT_TRUE(harness::WaitUntil(
        [&] {
            origin = {0, 0};
            ClientToScreen(capture, &origin);
            return IsWindowVisible(capture) &&
                   harness::ScreenPixel(origin.x + 32, origin.y + 24) == expected(32, 24);
        },
        10000));
    const auto bits = harness::ReadScreenBits(origin.x, origin.y, 64, 48, 4);
    ASSERT_EQ(bits.size(), 64u * 48u * 4u);
    int wrong = 0;
    for (int j = 0; j < 48; ++j) {
        for (int i = 0; i < 64; ++i) {
            const unsigned char* p = &bits[(static_cast<size_t>(j) * 64 + i) * 4];
            if (RGB(p[2], p[1], p[0]) != expected(i, j)) ++wrong;
        }
    }
    EXPECT_EQ(wrong, 0);
    EXPECT_TRUE(harness::WaitUntil([&] { return !IsWindowVisible(capture); }, 10000));
    EXPECT_EQ(boxes->Count(), 1u);
}
