// Compaction: the progress dialog, which frames get a view, and the pass interrupted.
#include <sstream>

#include "capture_fixture.h"
#include "core/view_window.h"
#include "output/progress_window.h"
#include "resource.h"

namespace {

const COLORREF kA = RGB(200, 30, 40), kB = RGB(20, 180, 60), kC = RGB(30, 60, 220);

class CompactTest : public CaptureTest {
  protected:
    // The progress dialog and the state as the pass shows them, in one line.
    std::wstring Look() const {
        frmPGS& d = ProgressWindow();
        RECT c, o;
        GetClientRect(d.hWnd(), &c);
        GetWindowRect(d.hWnd(), &o);
        std::wostringstream s;
        s << d.Caption() << L" " << c.right << L"x" << c.bottom << L" centred "
          << (std::abs(o.left * 2 + o.right - o.left - VL.ScreenWidth) <= 1 &&
              std::abs(o.top * 2 + o.bottom - o.top - VL.ScreenHeight) <= 1)
          << L" topmost " << ((GetWindowLongW(d.hWnd(), GWL_EXSTYLE) & WS_EX_TOPMOST) != 0) << L" owner "
          << (GetWindow(d.hWnd(), GW_OWNER) != nullptr) << L" main enabled " << IsWindowEnabled(main->hWnd())
          << L" bar " << d.picFILL.WidthPx() << L" run " << VL.RunState << L" views " << VL.OpenViewCount;
        for (HWND w = GetWindow(d.hWnd(), GW_CHILD); w; w = GetWindow(w, GW_HWNDNEXT)) {
            wchar_t text[64] = {};
            GetWindowTextW(w, text, 64);
            RECT r;
            GetWindowRect(w, &r);
            MapWindowPoints(nullptr, d.hWnd(), reinterpret_cast<POINT*>(&r), 2);
            s << L" | " << text << L" " << r.left << L"," << r.top << L"," << r.right << L"," << r.bottom;
        }
        return s.str();
    }
};

}  // namespace

TEST_F(CompactTest, OpensViewsForTheFramesThatDifferFromTheLastKeptUnderATopmostDialog) {
    Recorded({kA, kA, kB, kB, kA});
    std::wstring during;
    AfterChildrenCreated(2, [&] { during = Look(); });  // the hidden scratch view, then frame 1's view
    Command(IDM_meCOMPACT);
    EXPECT_EQ(
        during,
        L"Form1 337x147 centred 1 topmost 1 owner 0 main enabled 1 bar 0 run 3 views 1"
        L" | コンパクト処理実行中 8,8,153,25 | しばらくお待ちください．．． 56,40,297,65 |  16,80,316,96"
        L" | 0 192,104,249,129 | ％　終了 256,112,321,129 | 中止 40,112,137,137");
    std::vector<COLORREF> colors;
    EXPECT_EQ(ViewCaptions(&colors), (std::vector<std::wstring>{L"1-1", L"1-2", L"1-3"}));
    EXPECT_EQ(colors, (std::vector<COLORREF>{kA, kB, kA}));
    EXPECT_EQ(VL.OpenViewCount, 3);
    EXPECT_EQ(VL.RunState, 0);
    EXPECT_FALSE(ProgressWindow().Loaded());
    // The last update was row 0 of frame 5: 5 x 30 of 6 x 30 rows.
    EXPECT_EQ(ProgressWindow().picFILL.WidthPx(), 250);
    EXPECT_EQ(ProgressWindow().lblPercent.Text(), L"84");
    // A second run opens the next batch and leaves the first open.
    Command(IDM_meCOMPACT);
    EXPECT_EQ(ViewCaptions(), (std::vector<std::wstring>{L"1-1", L"1-2", L"1-3", L"2-4", L"2-5", L"2-6"}));
    EXPECT_EQ(boxes->Count(), 0u);
}

TEST_F(CompactTest, NothingRecordedIsRefusedAndOneFrameOpensOneViewWithoutProgress) {
    Command(IDM_meCOMPACT);
    ASSERT_TRUE(boxes->WaitForCount(1, 5000));
    EXPECT_BOXES(BoxLine(L"ｺﾝﾊﾟｸﾄ", L"録画されていません。"));
    EXPECT_EQ(VL.ViewBatch, 0);
    Recorded({kA, kB}, 2);  // too low to compare a row: the second frame is a repeat
    Command(IDM_meCOMPACT);
    Recorded({kC});
    Command(IDM_meCOMPACT);
    std::vector<COLORREF> colors;
    EXPECT_EQ(ViewCaptions(&colors), (std::vector<std::wstring>{L"1-1", L"2-2"}));
    EXPECT_EQ(colors, (std::vector<COLORREF>{kA, kC}));
    EXPECT_EQ(ProgressWindow().lblPercent.Text(), L"0");
    EXPECT_EQ(ProgressWindow().picFILL.WidthPx(), 0);
}

TEST_F(CompactTest, CancelByTheButtonOrTheCloseBoxKeepsTheViewsOpenedSoFar) {
    for (const UINT cancel : {BM_CLICK, WM_CLOSE}) {
        Command(IDM_mwDELETE);
        Recorded({kA, kB, kC, kC, kA});
        AfterChildrenCreated(3, [cancel] {  // while frame 3 is compared with frame 2
            frmPGS& d = ProgressWindow();
            PostMessageW(cancel == BM_CLICK ? d.cmdCANCEL.hWnd() : d.hWnd(), cancel, 0, 0);
        });
        Command(IDM_meCOMPACT);
        std::vector<COLORREF> colors;
        ViewCaptions(&colors);
        EXPECT_EQ(colors, (std::vector<COLORREF>{kA, kB}));
        EXPECT_EQ(VL.OpenViewCount, 2);
        EXPECT_EQ(VL.RunState, 0);
        EXPECT_EQ(VL.CancelRequest, -1);
        EXPECT_FALSE(ProgressWindow().Loaded());
    }
    EXPECT_EQ(boxes->Count(), 0u);
}

TEST_F(CompactTest, CloseAllDuringThePassLeavesTheHiddenViewAndExitEndsEverything) {
    Recorded({kA, kA, kB, kB, kA});
    int countAfterCloseAll = -1;
    AfterChildrenCreated(2, [&] {
        PostMessageW(main->hWnd(), WM_COMMAND, IDM_mwDELETE, 0);
        AfterChildrenCreated(1, [&] { countAfterCloseAll = VL.OpenViewCount; });
    });
    Command(IDM_meCOMPACT);
    EXPECT_EQ(countAfterCloseAll, 1);  // only the scratch view was left
    EXPECT_EQ(ViewCaptions(), (std::vector<std::wstring>{L"0-1", L"0-2"}));
    EXPECT_EQ(VL.OpenViewCount, 2);
    ExitDuring(IDM_meCOMPACT);
}

TEST_F(CompactTest, APassAndItsViewsLeaveNoGdiObjectBehind) {
    Recorded({kA, kB, kB, kC});
    Command(IDM_meCOMPACT);  // first use creates the window system's own cached objects
    Command(IDM_mwDELETE);
    const int before = harness::GdiObjectCount();
    ASSERT_GE(before, 0);
    Command(IDM_meCOMPACT);
    EXPECT_EQ(VL.OpenViewCount, 3);
    Command(IDM_mwDELETE);
    EXPECT_EQ(harness::GdiObjectCount(), before);
}
