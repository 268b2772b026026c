// The main window: start-up, menu bar, close refusal, exit, busy guard and the single instance.
#include <set>

#include "app_fixture.h"
#include "core/about_window.h"
#include "core/view_window.h"
#include "output/progress_window.h"
#include "platform/help.h"
#include "platform/runtime.h"
#include "resource.h"
#include "settings/settings_dialog.h"

namespace {

const wchar_t kBusy[] = L"録画、再生等の処理を中止してください。";

std::wstring MenuText(HMENU menu, UINT pos) {
    wchar_t text[128] = {};
    GetMenuStringW(menu, pos, text, 128, MF_BYPOSITION);
    return text;
}

class MainWindowTest : public AppTest {};

}  // namespace

TEST_F(MainWindowTest, StartsCentredWithCaptionClientSizeAndSettingsLoaded) {
    StoreSetting(L"Framemax", L"4");
    Start();
    ASSERT_TRUE(main->Loaded());
    EXPECT_TRUE(IsWindowVisible(main->hWnd()));
    EXPECT_EQ(main->Caption(), L"VINTREL Ver.1");
    RECT client;
    GetClientRect(main->hWnd(), &client);
    EXPECT_EQ(client.right, rt::TwipsToPixels(8175, rt::SystemDpi()));
    EXPECT_EQ(client.bottom, rt::TwipsToPixels(5895, rt::SystemDpi()));
    RECT outer;
    GetWindowRect(main->hWnd(), &outer);
    const int screenW = GetSystemMetrics(SM_CXSCREEN), screenH = GetSystemMetrics(SM_CYSCREEN);
    EXPECT_NEAR(outer.left, (screenW - (outer.right - outer.left)) / 2, 1);
    EXPECT_NEAR(outer.top, (screenH - (outer.bottom - outer.top)) / 2, 1);
    EXPECT_NE(SendMessageW(main->hWnd(), WM_GETICON, ICON_BIG, 0), 0);
    EXPECT_EQ(GetClassLongPtrW(main->MdiClient(), GCLP_HBRBACKGROUND),
              static_cast<LONG_PTR>(COLOR_APPWORKSPACE + 1));

    EXPECT_EQ(VL.OwnWindow, main->hWnd());
    EXPECT_EQ(VL.PeerFound, 0);
    EXPECT_EQ(VL.Framemax, 4);
    EXPECT_EQ(VL.RunState, 0);
    EXPECT_EQ(VL.CaptureMode, 0);
    EXPECT_EQ(VL.ScreenWidth, screenW);
    EXPECT_EQ(VL.ScreenHeight, screenH);
    EXPECT_EQ(rt::HelpFile(), L"vintrel.hlp");
    // The capture window is loaded hidden, and the display's depth gives the bytes per pixel.
    EXPECT_TRUE(capture.Loaded());
    EXPECT_FALSE(capture.Visible());
    HDC dc = GetDC(capture.hWnd());
    const int bits = GetDeviceCaps(dc, BITSPIXEL);
    ReleaseDC(capture.hWnd(), dc);
    EXPECT_EQ(VL.BytesPerPixel, (bits + 4) / 8);
    EXPECT_EQ(Frame_Available(), 4);
    EXPECT_EQ(boxes->Count(), 0u);
}

TEST_F(MainWindowTest, MenuBarCarriesEveryCommandInOrder) {
    Start();
    HMENU bar = GetMenu(main->hWnd());
    ASSERT_NE(bar, nullptr);
    const std::vector<std::pair<std::wstring, std::vector<std::pair<std::wstring, UINT>>>> expected = {
        {L"ﾌｧｲﾙ(&F)",
         {{L"保存(&V)", IDM_mfSAVE},
          {L"全て保存", IDM_mfALLSAVE},
          {L"印刷", IDM_mfPRINT},
          {L"終了(&X)", IDM_mfEXIT}}},
        {L"編集(&E)",
         {{L"再生", IDM_mePLAY},
          {L"全て選択", IDM_meALL},
          {L"ｺﾝﾊﾟｸﾄ", IDM_meCOMPACT},
          {L"中止", IDM_meCANCEL}}},
        {L"ｷｬﾌﾟﾁｬｰ(&C)", {{L"開始", IDM_mcSTART}, {L"中止", IDM_mcCANCEL}}},
        {L"ﾂｰﾙ(&T)", {{L"設定", IDM_mtEST}, {L"設定消去", IDM_mtESTDEL}}},
        {L"ｳｨﾝﾄﾞｳ(&W)",
         {{L"並べて表示", IDM_mwHorizontal}, {L"重ねて表示", IDM_mwCascade}, {L"全て閉じる", IDM_mwDELETE}}},
        {L"ﾍﾙﾌﾟ(&H)", {{L"Vintrelのヘルプ", IDM_mhHLP}, {L"ﾊﾞｰｼﾞｮﾝ情報", IDM_mhVER}}},
    };
    ASSERT_EQ(GetMenuItemCount(bar), static_cast<int>(expected.size()));
    for (UINT m = 0; m < expected.size(); ++m) {
        EXPECT_EQ(MenuText(bar, m), expected[m].first);
        HMENU sub = GetSubMenu(bar, static_cast<int>(m));
        ASSERT_NE(sub, nullptr);
        const auto& items = expected[m].second;
        ASSERT_EQ(GetMenuItemCount(sub), static_cast<int>(items.size())) << m;
        for (UINT i = 0; i < items.size(); ++i) {
            EXPECT_EQ(MenuText(sub, i), items[i].first);
            EXPECT_EQ(GetMenuItemID(sub, static_cast<int>(i)), items[i].second);
            // Never disabled, never greyed, no shortcut text.
            EXPECT_EQ(GetMenuState(sub, i, MF_BYPOSITION) & (MF_DISABLED | MF_GRAYED), 0u);
            EXPECT_EQ(items[i].first.find(L'\t'), std::wstring::npos);
        }
    }
}

TEST_F(MainWindowTest, CloseFromTheWindowFrameIsRefusedWithTheTwoLineMessage) {
    Start();
    PostMessageW(main->hWnd(), WM_SYSCOMMAND, SC_CLOSE, 0);
    ASSERT_TRUE(boxes->WaitForCount(1, 5000));
    PostMessageW(main->hWnd(), WM_CLOSE, 0, 0);
    ASSERT_TRUE(boxes->WaitForCount(2, 5000));
    harness::Pump(50);
    const auto seen = boxes->Seen();
    for (const auto& box : seen) {
        EXPECT_EQ(box.title, L"VINTREL");
        EXPECT_EQ(box.text, L"終了するときには、ファイルメニューの\r［終了(X)］を選択してください。");
        EXPECT_EQ(box.buttons, std::vector<std::wstring>{L"OK"});
        EXPECT_FALSE(box.hasIcon);
    }
    EXPECT_TRUE(main->Loaded());
    EXPECT_TRUE(IsWindowVisible(main->hWnd()));
    EXPECT_TRUE(capture.Loaded());
    EXPECT_EQ(Frame_Available(), 10);
}

TEST_F(MainWindowTest, ExitReleasesEverythingEvenDuringAStandby) {
    Start();
    main->mcSTART_Click();
    ASSERT_TRUE(harness::WaitUntil([] { return VL.RunState == 1; }, 5000));
    const HWND mainWindow = main->hWnd();
    SendMessageW(mainWindow, WM_COMMAND, IDM_mfEXIT, 0);
    EXPECT_FALSE(IsWindow(mainWindow));
    EXPECT_FALSE(main->Loaded());
    EXPECT_FALSE(capture.Loaded());
    EXPECT_FALSE(capture.timKEYIN.Enabled());
    EXPECT_EQ(Frame_Available(), 0);
    EXPECT_EQ(frmVLm1::Instance(), nullptr);
    harness::Pump(100);
    EXPECT_EQ(boxes->Count(), 0u);
}

TEST_F(MainWindowTest, FailedAllocationAtStartUpIsReportedAndTheProgramRunsOn) {
    auto calls = std::make_shared<int>(0);
    Frame_SetMemoryFunctions(
        [calls](UINT flags, SIZE_T bytes) -> HGLOBAL {
            return ++*calls >= 3 ? nullptr : GlobalAlloc(flags, bytes);
        },
        nullptr);
    Start();
    ASSERT_TRUE(boxes->WaitForCount(1, 5000));
    EXPECT_EQ(BoxLines(), std::vector<std::wstring>{BoxLine(L"VINTREL", L"Memm Alloc NG!")});
    EXPECT_TRUE(main->Loaded());
    EXPECT_TRUE(IsWindowVisible(main->hWnd()));
    EXPECT_EQ(VL.Framemax, 10);
    EXPECT_EQ(Frame_Available(), 2);
}

TEST_F(MainWindowTest, FailedReleaseAtShutdownIsReportedAndShutdownCompletes) {
    Start();
    HGLOBAL first = VL.FrameHandles[1];
    GlobalLock(first);
    main->mfEXIT_Click();
    ASSERT_TRUE(boxes->WaitForCount(1, 5000));
    EXPECT_EQ(BoxLines(), std::vector<std::wstring>{BoxLine(L"VINTREL", L"Memm DeAlloc NG!")});
    EXPECT_FALSE(main->Loaded());
    for (int i = 1; i <= VL.Framemax; ++i) {
        GlobalUnlock(VL.FrameHandles[i]);
        GlobalUnlock(VL.FrameHandles[i]);
        GlobalFree(VL.FrameHandles[i]);
    }
    VL.Framemax = 0;
}

TEST_F(MainWindowTest, GuardedCommandsRefuseWhileSomethingRunsAndShowTheCaptureWindow) {
    Start();
    struct Command {
        void (frmVLm1::*click)();
        const wchar_t* title;
    };
    const Command guarded[] = {{&frmVLm1::mfSAVE_Click, L"保存"},  {&frmVLm1::mfALLSAVE_Click, L"全て保存"},
                               {&frmVLm1::mfPRINT_Click, L"印刷"}, {&frmVLm1::meCOMPACT_Click, L"ｺﾝﾊﾟｸﾄ"},
                               {&frmVLm1::mcSTART_Click, L"録画"}, {&frmVLm1::mePLAY_Click, L"再生"}};
    VL.RunState = 3;  // an open-all or compaction is running
    VL.RecordedCount = 2;
    for (const Command& c : guarded) {
        boxes->Clear();
        capture.Hide();
        harness::PumpPending();
        (main.get()->*c.click)();
        ASSERT_TRUE(boxes->WaitForCount(1, 5000)) << c.title;
        harness::Pump(100);
        EXPECT_EQ(BoxLines(), std::vector<std::wstring>{BoxLine(c.title, kBusy)});
        EXPECT_EQ(boxes->Seen()[0].buttons, std::vector<std::wstring>{L"OK"});
        EXPECT_FALSE(boxes->Seen()[0].hasIcon);
        EXPECT_TRUE(capture.Visible()) << c.title;
        EXPECT_EQ(VL.RunState, 3);
        EXPECT_EQ(VL.CaptureMode, 0);
        EXPECT_FALSE(capture.timKEYIN.Enabled() || capture.timREC.Enabled() || capture.timPLAY.Enabled());
    }
    // With nothing running the command that comes later stays silent (the file commands are tested with
    // their output).
    VL.RunState = 0;
    capture.Hide();
    boxes->Clear();
    main->meCOMPACT_Click();
    harness::Pump(100);
    EXPECT_EQ(boxes->Count(), 0u);
    EXPECT_FALSE(capture.Visible());
}

TEST_F(MainWindowTest, CancelCommandsOnlyRaiseTheRequest) {
    Start();
    main->mcCANCEL_Click();
    EXPECT_EQ(VL.CancelRequest, -1);
    VL.CancelRequest = 0;
    SendMessageW(main->hWnd(), WM_COMMAND, IDM_meCANCEL, 0);
    EXPECT_EQ(VL.CancelRequest, -1);
    EXPECT_EQ(VL.RunState, 0);
    EXPECT_FALSE(capture.Visible());
}

// Single instance.

class SingleInstanceTest : public testing::Test {
  protected:
    void SetUp() override {
        ResetSharedState();
        boxes = std::make_unique<harness::BoxWatcher>();
    }
    void TearDown() override {
        if (main && main->Loaded()) main->mfEXIT_Click();
        main.reset();
        if (peer) DestroyWindow(peer);
        harness::PumpPending();
        boxes.reset();
        ResetSharedState();
    }
    HWND MakeTopWindow(const wchar_t* title) {
        peer = CreateWindowExW(0, L"STATIC", title, WS_OVERLAPPED, 10, 10, 200, 100, nullptr, nullptr,
                               nullptr, nullptr);
        return peer;
    }
    std::unique_ptr<harness::BoxWatcher> boxes;
    std::unique_ptr<frmVLm1> main;
    HWND peer = nullptr;
};

TEST_F(SingleInstanceTest, AnyWindowTitledWithThePrefixCountsEvenHidden) {
    HWND other = MakeTopWindow(L"VINTREL Version of another program");
    main = std::make_unique<frmVLm1>();
    main->Show();
    harness::PumpPending();
    EXPECT_FALSE(main->Loaded());
    EXPECT_EQ(VL.PeerFound, -1);
    EXPECT_EQ(VL.PeerWindow, other);
    EXPECT_TRUE(IsWindowVisible(other));  // shown normally by the hand-over
    EXPECT_EQ(VL.Framemax, 0);            // settings were never loaded
    EXPECT_FALSE(CaptureWindow().Loaded());
    EXPECT_EQ(boxes->Count(), 0u);
}

TEST_F(SingleInstanceTest, ATitleDifferingOnlyInCaseDoesNotCount) {
    MakeTopWindow(L"vintrel ver.1");
    main = std::make_unique<frmVLm1>();
    main->Show();
    EXPECT_TRUE(main->Loaded());
    EXPECT_EQ(VL.PeerFound, 0);
}

TEST(WindowTitle, IncludesTheTerminatingZero) {
    HWND w = CreateWindowExW(0, L"STATIC", L"abc", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr, nullptr,
                             nullptr);
    EXPECT_EQ(Window_GetTitle(w), std::wstring(L"abc\0", 4));
    SetWindowTextW(w, L"");
    EXPECT_EQ(Window_GetTitle(w), std::wstring(L"\0", 1));
    DestroyWindow(w);
}

TEST(SecondInstance, ShowsNoWindowRestoresTheFirstAndEnds) {
    const std::wstring exe = harness::ExeDir() + L"\\vintrel.exe";
    auto first = harness::Launch(exe);
    ASSERT_NE(first, nullptr);
    HWND window = nullptr;
    ASSERT_TRUE(harness::WaitUntil(
        [&] {
            window = harness::FindTopWindowOfProcess(first->pid, L"VINTREL Ver.1");
            return window && IsWindowVisible(window);
        },
        15000));
    ShowWindow(window, SW_MINIMIZE);
    ASSERT_TRUE(harness::WaitUntil([&] { return IsIconic(window) != FALSE; }, 5000));

    auto second = harness::Launch(exe);
    ASSERT_NE(second, nullptr);
    ASSERT_TRUE(second->WaitExit(15000));
    EXPECT_EQ(second->ExitCode(), 0u);
    EXPECT_TRUE(
        harness::WaitUntil([&] { return !IsIconic(window) && GetForegroundWindow() == window; }, 5000));
    EXPECT_EQ(first->ExitCode(), static_cast<DWORD>(STILL_ACTIVE));

    PostMessageW(window, WM_COMMAND, IDM_mfEXIT, 0);
    EXPECT_TRUE(first->WaitExit(15000));
    EXPECT_EQ(first->ExitCode(), 0u);
}

TEST_F(MainWindowTest, WindowsEndingTheSessionClosesWithoutTheRefusal) {
    Start();
    const HWND window = main->hWnd();
    EXPECT_NE(SendMessageW(window, WM_QUERYENDSESSION, 0, 0), 0);
    SendMessageW(window, WM_ENDSESSION, TRUE, 0);
    harness::Pump(100);
    EXPECT_FALSE(IsWindow(window));
    EXPECT_FALSE(capture.Loaded());
    EXPECT_EQ(Frame_Available(), 0);
    EXPECT_EQ(boxes->Count(), 0u);
}

TEST_F(MainWindowTest, EveryChildWindowOfAFormHasAnIdOfItsOwn) {
    Start();
    frmVLEST settings;
    frmVLs1 view(*main);
    for (rt::Form* form : std::initializer_list<rt::Form*>{main.get(), &settings, &AboutWindow(),
                                                           &ProgressWindow(), &capture, &view}) {
        form->Load();
        std::set<int> ids = {0};  // an id of 0 or one seen before fails the insertion
        for (HWND w = GetWindow(form->hWnd(), GW_CHILD); w; w = GetWindow(w, GW_HWNDNEXT))
            EXPECT_TRUE(ids.insert(GetDlgCtrlID(w)).second) << form->Caption() << " " << GetDlgCtrlID(w);
        EXPECT_GT(ids.size(), 1u);
    }
    ProgressWindow().Unload();
    AboutWindow().Unload();
}
