// Compaction: the progress dialog, which frames get a view, and the pass interrupted.
#include <sstream>

#include "capture_fixture.h"
#include "core/view_window.h"
#include "output/progress_window.h"
#include "resource.h"

namespace {

const COLORREF kA = RGB(200, 30, 40), kB = RGB(20, 180, 60), kC = RGB(30, 60, 220);
const wchar_t kBusy[] = L"録画、再生等の処理を中止してください。";

// n frames that each differ from the one before: the pass keeps every one, and opening their views takes
// long enough that it yields on the way.
std::vector<COLORREF> Alternating(int n = 40) {
    std::vector<COLORREF> frames;
    for (int i = 0; i < n; ++i) frames.push_back(i % 2 ? kB : kA);
    return frames;
}

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
        Recorded(Alternating());
        PostDuring(3, cancel, 0, [cancel] {  // while frame 3 is compared with frame 2
            frmPGS& d = ProgressWindow();
            return cancel == BM_CLICK ? d.cmdCANCEL.hWnd() : d.hWnd();
        });
        Command(IDM_meCOMPACT);
        // No view opens once the cancel is taken, at the pass's next yield.
        ASSERT_GE(serialWhenTaken, 2);
        ASSERT_LT(serialWhenTaken, 40);
        EXPECT_EQ(VL.ViewSerial, serialWhenTaken);
        EXPECT_EQ(VL.OpenViewCount, serialWhenTaken);
        EXPECT_EQ(VL.RunState, 0);
        EXPECT_EQ(VL.CancelRequest, -1);
        EXPECT_FALSE(ProgressWindow().Loaded());
    }
    EXPECT_EQ(boxes->Count(), 0u);
}

TEST_F(CompactTest, CloseAllDuringThePassLeavesTheHiddenViewAndExitEndsEverything) {
    Recorded(Alternating());
    PostDuring(2, WM_COMMAND, IDM_mwDELETE);
    Command(IDM_meCOMPACT);
    // Only the hidden scratch view was left; the views opened after it are numbered anew in batch 0.
    ASSERT_LT(serialWhenTaken, 40);
    EXPECT_EQ(ViewCaptions().front(), L"0-1");
    EXPECT_EQ(VL.OpenViewCount, 40 - serialWhenTaken);
    ExitDuring(IDM_meCOMPACT);
}

TEST_F(CompactTest, BoxesDuringThePassOpenAboveItAndAViewThatCannotBeMadeEndsItWithOneMessage) {
    boxes->SetAnswerByClick(true);  // a box hidden behind the topmost dialog is not answered
    // A guarded command chosen during the pass, and a view that cannot be fitted while the views are
    // maximised.
    Recorded(Alternating());
    PostDuring(2, WM_COMMAND, IDM_mfSAVE);
    Command(IDM_meCOMPACT);
    ASSERT_LT(serialWhenTaken, 40);
    EXPECT_EQ(VL.OpenViewCount, 40);
    SendMessageW(main->ActiveForm()->hWnd(), WM_SYSCOMMAND, SC_MAXIMIZE, 0);
    Command(IDM_meCOMPACT);
    EXPECT_BOXES(
        BoxLine(L"保存", kBusy),
        BoxLine(L"VINTREL", L"最小化または最大化されているフォームは移動またはサイズ変更できません。"));
    // A view window that cannot be created ends open-all or the pass the normal way, with one message.
    for (const WORD command : {IDM_meALL, IDM_meCOMPACT}) {
        Command(IDM_mwDELETE);
        boxes->Clear();
        FailChildCreation(command == IDM_meALL ? 2 : 3);  // the second frame's view
        Command(command);
        EXPECT_BOXES(BoxLine(L"VINTREL", L"メモリが不足しています。"));
        EXPECT_EQ(VL.OpenViewCount, 1);
        EXPECT_EQ(VL.RunState, 0);
        EXPECT_FALSE(ProgressWindow().Loaded());
    }
}

TEST_F(CompactTest, APassAndItsViewsLeaveNoGdiObjectBehind) {
    Recorded({kA, kB, kB, kC});
    Command(IDM_meCOMPACT);  // first use creates the window system's own cached objects
    Command(IDM_mwDELETE);
    EXPECT_EQ(harness::LeastGdiGrowth([&] {
                  Command(IDM_meCOMPACT);
                  EXPECT_EQ(VL.OpenViewCount, 3);
                  Command(IDM_mwDELETE);
              }),
              0);
}
