#include "output/progress_window.h"

#include <string>

#include "core/frame_store.h"
#include "core/shared_state.h"
#include "core/view_window.h"
#include "output/compact_rules.h"
#include "platform/mdi.h"
#include "platform/runtime.h"

namespace {

const int kClientWidth = 337;
const int kClientHeight = 147;
const wchar_t kFace[] = L"ＭＳ Ｐゴシック";
const COLORREF kBlue = RGB(0, 0, 255);

// The dialog is drawn in pixels at 96 dots per inch, 15 twips each, and scales with its monitor like its
// fonts.
constexpr int kTwipsPerPixel = 15;
rt::Bounds At(int left, int top, int width, int height) {
    return {left * kTwipsPerPixel, top * kTwipsPerPixel, width * kTwipsPerPixel, height * kTwipsPerPixel};
}

// A view loaded as the pass's scratch view: never shown, captioned or drawn, but counted as a loaded view
// until it is unloaded, also when the pass ends early.
struct ScratchView {
    explicit ScratchView(rt::MdiForm& workspace) : view(workspace) {}
    ~ScratchView() { view.Unload(); }
    frmVLs1 view;
};

}  // namespace

frmPGS& ProgressWindow() {
    static frmPGS window;
    return window;
}

frmPGS::frmPGS()
    : Label2(*this, At(8, 8, 145, 17), L"コンパクト処理実行中"),
      Label3(*this, At(56, 40, 241, 25), L"しばらくお待ちください．．．"),
      picPROGRESS(*this),
      picFILL(*this),
      lblPercent(*this, At(192, 104, 57, 25), L"0"),
      Label1(*this, At(256, 112, 65, 17), L"％　終了"),
      cmdCANCEL(*this, At(40, 112, 97, 25), L"中止") {
    Label2.SetForeColor(kBlue);
    Label2.SetFont(kFace, 11.25);
    Label3.SetFont(kFace, 15.75);
    picPROGRESS.SetBackColor(RGB(255, 255, 255));
    picFILL.SetBackColor(kBlue);
    lblPercent.SetForeColor(RGB(0, 0, 0));
    lblPercent.SetFont(kFace, 20.25);
    Label1.SetFont(kFace, 12);
    cmdCANCEL.Click = [this] { cmdCANCEL_Click(); };
}

rt::FormStyle frmPGS::Style() const {
    rt::FormStyle st;
    st.style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_CLIPCHILDREN;
    st.clientWidthTwips = kClientWidth * kTwipsPerPixel;
    st.clientHeightTwips = kClientHeight * kTwipsPerPixel;
    st.caption = L"Form1";
    return st;
}

void frmPGS::Form_Load() {
    ViewBatch_Raise();
    SetWidth(Width() + ToTwips(Scaled(kClientWidth) - ScaleWidthPx()));
    // The bar's filled part lies inside its white frame.
    SetParent(picFILL.hWnd(), picPROGRESS.hWnd());
    SetWindowLongPtrW(picPROGRESS.hWnd(), GWL_STYLE,
                      GetWindowLongPtrW(picPROGRESS.hWnd(), GWL_STYLE) | WS_CLIPCHILDREN);
    bar_ = 0;
    PlaceBar();
    lblPercent.SetText(L"0");
    CentreOnScreen();
    SetWindowPos(hWnd(), HWND_TOPMOST, 10, 10, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_SHOWWINDOW);
    Compact_Run();
}

int frmPGS::Scaled(int pixels) const {
    return rt::ScaleFrom96(pixels, Dpi());
}

void frmPGS::PlaceBar() {
    picPROGRESS.Move(Scaled(16), Scaled(80), Scaled(300), Scaled(16));
    PlaceFill();
}

void frmPGS::PlaceFill() {
    picFILL.Move(0, 0, Scaled(bar_), bar_ > 0 ? Scaled(16) : 0);
}

void frmPGS::Form_DpiChanged() {
    PlaceBar();
}

void frmPGS::Form_QueryUnload(int16_t& cancel, int unloadMode) {
    // Closing from the window frame counts as the cancel button; the pass ends the dialog itself.
    if (unloadMode != rt::kUnloadFromFrame) return;
    cancel = kTrue;
    VL.CancelRequest = kTrue;
}

void frmPGS::cmdCANCEL_Click() {
    VL.CancelRequest = kTrue;
}

bool frmPGS::AfterRow(int32_t k, int32_t y) {
    rowK_ = k;
    rowY_ = y;
    if (VL.CancelRequest != 0) return false;
    return !pacer_.Due() || ShowAndYield();
}

bool frmPGS::ShowAndYield() {
    if (rowY_ >= 0) {
        const vintrel::CompactProgress p =
            vintrel::CompactProgressAt(VL.PicHeight, rowK_, rowY_, VL.RecordedCount);
        if (bar_ != p.bar) {
            bar_ = p.bar;
            PlaceFill();
        }
        lblPercent.SetText(std::to_wstring(p.percent));
    }
    if (batch_) batch_->Flush();
    pacer_.YieldNow();
    // The program may have been ended during the yield: then the pass ends at once, reading no frame.
    return Workspace() != nullptr && VL.CancelRequest == 0;
}

void frmPGS::Compact_Run() {
    rt::MdiForm* workspace = Workspace();
    if (!workspace) return;
    BatchRun run;
    View_EnsureRoom();
    ScratchView scratch(*workspace);
    scratch.view.Load();
    scratch.view.Hide();
    const vintrel::FrameGeometry geometry = {VL.PicWidth, VL.PicHeight, VL.BytesPerPixel};
    pacer_ = rt::YieldPacer();
    rowY_ = -1;
    rt::MdiBatch batch(*workspace);
    batch_ = &batch;
    const bool completed = vintrel::CompactPass(
        VL.RecordedCount, geometry,
        [](int32_t index, int32_t* bytes) -> const uint8_t* { return Frame_Block(index, bytes); },
        [this](int32_t k, int32_t y) { return AfterRow(k, y); },
        [this, &batch](int32_t k) {
            if (!Workspace()) return false;
            batch.Hold();
            View_Open(k);
            batch.Opened();
            pacer_.LookNext();
            return true;
        });
    // The pass ends with a yield however soon after the last one it ended, so that the last row's figures
    // and the views it opened are shown before the dialog goes.
    if (completed) ShowAndYield();
    batch_ = nullptr;
}
