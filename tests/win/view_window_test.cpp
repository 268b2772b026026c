// Frame views: open-all with its numbering, the window menu, what a view shows, and open-all interrupted.
#include "capture_fixture.h"
#include "core/view_window.h"
#include "resource.h"

namespace {

class ViewTest : public CaptureTest {
  protected:
    std::vector<std::wstring> Captions(int batch, int from, int to, std::vector<std::wstring> c = {}) const {
        for (int s = from; s <= to; ++s) c.push_back(std::to_wstring(batch) + L"-" + std::to_wstring(s));
        return c;
    }
    frmVLs1* Active() const { return dynamic_cast<frmVLs1*>(main->ActiveForm()); }
    int Overlaps() const {
        int n = 0;
        std::vector<RECT> seen;
        for (rt::Form* f : main->Children()) {
            RECT r, both;
            GetWindowRect(f->hWnd(), &r);
            for (const RECT& other : seen) n += IntersectRect(&both, &r, &other);
            seen.push_back(r);
        }
        return n;
    }
};

}  // namespace

TEST_F(ViewTest, OpenAllNumbersBatchesAndSerialsAndCloseAllStartsAgain) {
    Command(IDM_meALL);     // nothing recorded: a batch number is used up all the same
    Command(IDM_mwDELETE);  // no view open: nothing changes
    EXPECT_EQ(VL.ViewBatch, 1);
    VL.ViewBatch = 0;
    Recorded(std::vector<COLORREF>(5));
    Command(IDM_meALL);
    Command(IDM_meALL);
    EXPECT_EQ(ViewCaptions(), Captions(2, 6, 10, Captions(1, 1, 5)));
    EXPECT_EQ(VL.OpenViewCount, 10);
    Command(IDM_mwHorizontal);
    EXPECT_EQ(Overlaps(), 0);
    Command(IDM_mwCascade);
    EXPECT_GE(Overlaps(), 9);
    Command(IDM_mwDELETE);
    EXPECT_TRUE(main->Children().empty());
    EXPECT_EQ(VL.OpenViewCount + VL.ViewSerial + VL.ViewBatch, 0);
    Command(IDM_meALL);
    EXPECT_EQ(ViewCaptions(), Captions(1, 1, 5));
    // Closed one by one from their frames, the numbering goes on.
    while (frmVLs1* v = Active()) SendMessageW(v->hWnd(), WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_EQ(VL.OpenViewCount, 0);
    Command(IDM_meALL);
    EXPECT_EQ(ViewCaptions(), Captions(2, 6, 10));
    EXPECT_EQ(VL.RunState, 0);
    EXPECT_EQ(boxes->Count(), 0u);
    // The batch number stops at its limit; the serial keeps the captions apart.
    Command(IDM_mwDELETE);
    VL.ViewBatch = 32766;
    Recorded(std::vector<COLORREF>(2));
    Command(IDM_meALL);
    Command(IDM_meALL);
    EXPECT_EQ(ViewCaptions(), (std::vector<std::wstring>{L"32767-1", L"32767-2", L"32767-3", L"32767-4"}));
}

TEST_F(ViewTest, AViewShowsItsOwnCopyOfTheFramePixelForPixelInAFixedBorder) {
    Reallocate(37, 23, 1);
    int32_t bytes = 0;
    BYTE* block = Frame_Block(1, &bytes);
    for (int32_t b = 0; b < bytes; ++b) block[b] = static_cast<BYTE>(b % 4 == 3 ? 0 : b * 37 / 11);
    const std::vector<BYTE> frame(block, block + bytes);
    VL.RecordedCount = 1;
    Command(IDM_meALL);
    frmVLs1* view = Active();
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(view->ScaleWidthPx(), 37);
    EXPECT_EQ(view->ScaleHeightPx(), 23);
    const auto expectShown = [&] {
        std::vector<BYTE> image(frame.size());
        GetBitmapBits(view->picFRM.Image(), static_cast<LONG>(image.size()), image.data());
        EXPECT_EQ(image, frame);
        for (POINT p : {POINT{0, 0}, POINT{36, 0}, POINT{17, 11}, POINT{36, 22}}) {
            const BYTE* px = &frame[(p.y * 37 + p.x) * 4];
            ClientToScreen(view->picFRM.hWnd(), &p);
            EXPECT_TRUE(harness::WaitUntil(
                [&] { return harness::ScreenPixel(p.x, p.y) == RGB(px[2], px[1], px[0]); }, 3000));
        }
    };
    expectShown();
    RECT r;
    GetWindowRect(view->hWnd(), &r);
    EXPECT_EQ(GetWindowLongW(view->hWnd(), GWL_STYLE) & (WS_THICKFRAME | WS_MAXIMIZEBOX), WS_MAXIMIZEBOX);
    EXPECT_EQ(SendMessageW(view->hWnd(), WM_NCHITTEST, 0, MAKELPARAM(r.right - 1, r.bottom - 1)), HTBORDER);
    // Recording again into the frame does not change the open view.
    FillFrame(1, RGB(1, 2, 3));
    InvalidateRect(view->picFRM.hWnd(), nullptr, TRUE);
    harness::Pump(100);
    expectShown();
}

TEST_F(ViewTest, OpenAllIsRefusedWhenBusyStopsOnCancelOrAMaximisedViewAndEndsWithTheProgram) {
    // Enough frames that the loop yields while it runs.
    const int n = 40;
    Recorded(std::vector<COLORREF>(n));
    VL.RunState = 1;
    Command(IDM_meALL);
    ASSERT_TRUE(boxes->WaitForCount(1, 5000));
    EXPECT_BOXES(BoxLine(L"全て選択", L"録画、再生等の処理を中止してください。"));
    EXPECT_TRUE(capture.Visible());
    EXPECT_EQ(VL.ViewBatch, 0);
    EXPECT_EQ(VL.RunState, 1);
    VL.RunState = 0;
    boxes->Clear();

    // 中止 is taken at the loop's next yield, and no view opens after it.
    PostDuring(2, WM_COMMAND, IDM_meCANCEL);
    Command(IDM_meALL);
    ASSERT_GE(serialWhenTaken, 2);
    ASSERT_LT(serialWhenTaken, n);
    EXPECT_EQ(ViewCaptions(), Captions(1, 1, serialWhenTaken));
    EXPECT_EQ(VL.CancelRequest, -1);
    // After a close-all the loop goes on in batch 0, numbered from 1.
    Command(IDM_mwDELETE);
    PostDuring(2, WM_COMMAND, IDM_mwDELETE);
    Command(IDM_meALL);
    ASSERT_LT(serialWhenTaken, n);
    EXPECT_EQ(ViewCaptions(), Captions(0, 1, n - serialWhenTaken));
    const int open = VL.OpenViewCount;
    EXPECT_EQ(open, n - serialWhenTaken);
    // With a view maximised the next one opens maximised, cannot be fitted, and the loop stops.
    SendMessageW(Active()->hWnd(), WM_SYSCOMMAND, SC_MAXIMIZE, 0);
    Command(IDM_meALL);
    ASSERT_TRUE(boxes->WaitForCount(1, 5000));
    EXPECT_BOXES(
        BoxLine(L"VINTREL", L"最小化または最大化されているフォームは移動またはサイズ変更できません。"));
    EXPECT_EQ(VL.OpenViewCount, open + 1);
    EXPECT_EQ(Active()->Caption(), L"1-" + std::to_wstring(open + 1));
    EXPECT_TRUE(IsZoomed(Active()->hWnd()));
    EXPECT_EQ(Active()->picFRM.WidthPx(), 40);
    EXPECT_EQ(VL.CancelRequest, -1);
    EXPECT_EQ(VL.RunState, 0);
    boxes->Clear();
    Command(IDM_mwDELETE);
    ExitDuring(IDM_meALL);
}

namespace {

int g_viewsDrawn = 0;

LRESULT CALLBACK CountViewsDrawn(int code, WPARAM wp, LPARAM lp) {
    const auto* m = reinterpret_cast<const CWPSTRUCT*>(lp);
    if (code == HC_ACTION && (m->message == WM_NCPAINT || m->message == WM_ERASEBKGND) &&
        (GetWindowLongW(m->hwnd, GWL_EXSTYLE) & WS_EX_MDICHILD)) {
        ++g_viewsDrawn;
    }
    return CallNextHookEx(nullptr, code, wp, lp);
}

}  // namespace

TEST_F(ViewTest, CloseAllAndExitDrawNoViewOnTheWay) {
    // Drawing each next view as the one before it goes makes closing many views cost the square of their
    // number.
    Recorded(std::vector<COLORREF>(20));
    const HHOOK hook = SetWindowsHookExW(WH_CALLWNDPROC, &CountViewsDrawn, nullptr, GetCurrentThreadId());
    for (const WORD command : {IDM_mwDELETE, IDM_mfEXIT}) {
        Command(IDM_meALL);
        harness::PumpPending();
        g_viewsDrawn = 0;
        Command(command);
        EXPECT_EQ(g_viewsDrawn, 0) << command;
        EXPECT_EQ(VL.OpenViewCount, 0);
    }
    UnhookWindowsHookEx(hook);
}
