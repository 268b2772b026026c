#include "capture/capture_window.h"

#include "capture/capture_rules.h"
#include "core/frame_rules.h"
#include "core/frame_store.h"
#include "core/shared_state.h"
#include "core/view_window.h"
#include "platform/runtime.h"

namespace {

const wchar_t kMinMaxMessage[] =
    L"待機中に、最大表示はできません。\rキャプチャー待機をキャンセルしてください。";

}  // namespace

frmVLc1& CaptureWindow() {
    static frmVLc1 window;
    return window;
}

frmVLc1::frmVLc1()
    : PicCAPT(*this),
      timKEYIN(*this, [this] { timKEYIN_Timer(); }),
      timREC(*this, [this] { timREC_Timer(); }),
      timPLAY(*this, [this] { timPLAY_Timer(); }) {}

rt::FormStyle frmVLc1::Style() const {
    rt::FormStyle st;
    st.style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
    st.exStyle = WS_EX_APPWINDOW;
    st.clientWidthTwips = 4680;
    st.clientHeightTwips = 3195;
    return st;
}

void frmVLc1::Form_Load() {
    int left = 0, top = 0, width = rt::ScreenWidthTwips(Dpi()), height = rt::ScreenHeightTwips(Dpi());
    if (rt::Form* main = Workspace(); main && main->Loaded()) {
        left = main->Left();
        top = main->Top();
        width = main->Width();
        height = main->Height();
    }
    SetLeft(left + (width - Width()) / 2);
    SetTop(top + (height - Height()) / 2);
    timKEYIN.SetEnabled(false);
    timREC.SetEnabled(false);
    timPLAY.SetEnabled(false);
}

void frmVLc1::Form_DpiChanged() {
    // The picture is the screen's rectangle in real pixels, whatever the monitor's scale: the window fits
    // itself to it again where the system placed it (a minimised window keeps its restored size).
    if (WindowState() == rt::kNormal && PicCAPT.WidthPx() > 0)
        FitClientTo(PicCAPT.WidthPx(), PicCAPT.HeightPx());
}

void frmVLc1::FitToFrameSize() {
    const int32_t width = vintrel::WindowExtentFrom(VL.PicWidth);
    const int32_t height = vintrel::WindowExtentFrom(VL.PicHeight);
    FitClientTo(width, height);
    PicCAPT.Move(0, 0, width, height);
}

void frmVLc1::Form_Activate() {
    const bool sizeCheck = VL.CaptureMode == 3;
    try {
        ActivateSteps();
    } catch (const rt::RuntimeError& e) {
        // The frame buffers keep describing PicWidth x PicHeight whatever happened.
        if (sizeCheck) {
            VL.PicWidth = SavedPicWidth;
            VL.PicHeight = SavedPicHeight;
        }
        if (e.Number() == rt::kErrMinMaxResize) {
            rt::MsgBox(kMinMaxMessage);
            if (sizeCheck) {
                // End the modal display instead of leaving it open with nothing to close it.
                VL.CaptureMode = 0;
                Hide();
            }
            return;
        }
        timKEYIN.SetEnabled(false);
        timREC.SetEnabled(false);
        VL.RunState = 0;
        Unload();
    }
}

void frmVLc1::ActivateSteps() {
    if (VL.CaptureMode == 3) {
        SavedPicWidth = VL.PicWidth;
        SavedPicHeight = VL.PicHeight;
        VL.PicWidth = VL.CheckWidth;
        VL.PicHeight = VL.CheckHeight;
    }
    FitToFrameSize();
    timKEYIN.SetInterval(vintrel::TimerIntervalFrom(VL.KeyTimer));
    timREC.SetInterval(vintrel::TimerIntervalFrom(VL.RecTimer));
    timPLAY.SetInterval(vintrel::TimerIntervalFrom(VL.RecTimer));
    PicCAPT.SetBackColor(RGB(255, 255, 255));
    switch (VL.CaptureMode) {
        case 0:
            CentreOnScreen();
            return;
        case 1:
            BeginActivity(false, timKEYIN, 1);
            SetWindowState(rt::kMinimized);
            break;
        case 2:
            BeginActivity(true, timPLAY, 2);
            break;
        case 3:
            VL.PicWidth = SavedPicWidth;
            VL.PicHeight = SavedPicHeight;
            rt::MsgBox(L"確認してください。", MB_OK, L"設定");
            VL.CaptureMode = 0;
            Hide();
            return;
        default:
            break;
    }
    VL.CaptureMode = 0;
    MaxLeft = vintrel::SaturatingSub(VL.ScreenWidth, VL.PicWidth);
    MaxTop = vintrel::SaturatingSub(VL.ScreenHeight, VL.PicHeight);
}

void frmVLc1::BeginActivity(bool persistentImage, rt::Timer& timer, int16_t runState) {
    VL.FrameCursor = 0;
    // Forget key presses made before the activity began.
    GetAsyncKeyState(VL.KeyCancel);
    GetAsyncKeyState(VL.KeyStart);
    PicCAPT.SetAutoRedraw(persistentImage);
    timer.SetEnabled(true);
    VL.RunState = runState;
    VL.CancelRequest = kFalse;
}

void frmVLc1::Form_QueryUnload(int16_t& cancel, int unloadMode) {
    if (unloadMode != rt::kUnloadFromFrame) return;
    // Closing from the window frame must not leave a run without its window and timers: a running
    // activity is asked to stop (it hides the window itself), an idle window is only hidden.
    cancel = kTrue;
    if (timKEYIN.Enabled() || timREC.Enabled() || timPLAY.Enabled()) {
        VL.CancelRequest = kTrue;
    } else {
        Hide();
    }
}

void frmVLc1::ReadMonitors() {
    monitors_.clear();
    for (const RECT& m : rt::MonitorList()) monitors_.push_back({m.left, m.top, m.right, m.bottom});
}

bool frmVLc1::OnMessage(UINT msg, WPARAM /*wp*/, LPARAM /*lp*/, LRESULT& /*result*/) {
    if (msg == WM_DISPLAYCHANGE) ReadMonitors();
    return false;
}

void frmVLc1::TakeCursorAnchor() {
    if (monitors_.empty()) ReadMonitors();
    GetCursorPos(&CapturePoint);
    // The rectangle stays on the monitor the user points at, not only on the primary one.
    const vintrel::MonitorBounds monitor = vintrel::MonitorAt(monitors_, {CapturePoint.x, CapturePoint.y});
    const vintrel::ScreenPoint limit = vintrel::AnchorLimitOn(monitor, VL.PicWidth, VL.PicHeight);
    MaxLeft = limit.x;
    MaxTop = limit.y;
}

bool frmVLc1::CancelSeen() const {
    return GetAsyncKeyState(VL.KeyCancel) != 0 || VL.CancelRequest != 0;
}

void frmVLc1::timKEYIN_Timer() {
    if (GetAsyncKeyState(VL.KeyStart) != 0) {
        timKEYIN.SetEnabled(false);
        VL.RecordedCount = 0;
        ShowWindow(hWnd(), SW_SHOW);
        timREC.SetEnabled(true);
        ReadMonitors();
        TakeCursorAnchor();
    }
    if (CancelSeen()) {
        timKEYIN.SetEnabled(false);
        // A cancel in the same tick as the start key: the recording must not run on unguarded.
        timREC.SetEnabled(false);
        // Hidden minimized, the window would come back minimized and refuse the next activity.
        SetWindowState(rt::kNormal);
        Hide();
        VL.RunState = 0;
    }
}

void frmVLc1::timREC_Timer() {
    VL.RecordedCount = VL.FrameCursor;
    const int32_t cursor = VL.FrameCursor + 1;
    VL.FrameCursor = vintrel::ClampToInt16(cursor);
    // Only frames that have a block can be taken (a failed allocation leaves fewer than Framemax).
    if (cursor > Frame_Available()) {
        EndRecording(L"録画が終了しました。");
        return;
    }
    if (CancelSeen()) {
        EndRecording(L"録画が中止されました。");
        return;
    }
    // Showing a window that is already shown only costs a round trip to the window system.
    if (!IsWindowVisible(hWnd())) ShowWindow(hWnd(), SW_SHOW);
    if (VL.WinLock != 1) TakeCursorAnchor();
    ScreenDC = GetDC(nullptr);
    MemoryDC = CreateCompatibleDC(ScreenDC);
    FrameBitmap = CreateCompatibleBitmap(ScreenDC, VL.PicWidth, VL.PicHeight);
    HGDIOBJ previous = SelectObject(MemoryDC, FrameBitmap);
    const vintrel::ScreenPoint anchor =
        vintrel::LimitAnchor({CapturePoint.x, CapturePoint.y}, {MaxLeft, MaxTop});
    CapturePoint = {anchor.x, anchor.y};
    BitBlt(MemoryDC, 0, 0, VL.PicWidth, VL.PicHeight, ScreenDC, CapturePoint.x, CapturePoint.y, SRCCOPY);
    int32_t blockBytes = 0;
    if (BYTE* block = Frame_Block(cursor, &blockBytes)) {
        GetBitmapBits(FrameBitmap,
                      vintrel::FrameCopyBytes(VL.PicWidth, VL.PicHeight, VL.BytesPerPixel, blockBytes),
                      block);
    }
    // The preview shows the rectangle just taken; reading the screen a second time would double
    // the cost of a tick for the same pixels.
    if (HDC surface = PicCAPT.hDC()) {
        BitBlt(surface, 0, 0, VL.PicWidth, VL.PicHeight, MemoryDC, 0, 0, SRCCOPY);
    }
    SelectObject(MemoryDC, previous);
    DeleteDC(MemoryDC);
    DeleteObject(FrameBitmap);
    ReleaseDC(nullptr, ScreenDC);
    MemoryDC = nullptr;
    FrameBitmap = nullptr;
    ScreenDC = nullptr;
}

void frmVLc1::EndRecording(const wchar_t* message) {
    timREC.SetEnabled(false);
    SetWindowState(rt::kNormal);
    SetForegroundWindow(hWnd());
    rt::MsgBox(message, MB_OK, L"キャプチャー");
    Hide();
    VL.RunState = 0;
}

void frmVLc1::EndPlayback() {
    timPLAY.SetEnabled(false);
    Hide();
    VL.RunState = 0;
}

void frmVLc1::timPLAY_Timer() {
    const int32_t cursor = VL.FrameCursor + 1;
    VL.FrameCursor = vintrel::ClampToInt16(cursor);
    if (cursor > VL.RecordedCount || cursor > Frame_Available()) {
        EndPlayback();
        return;
    }
    if (CancelSeen()) {
        timPLAY.SetEnabled(false);
        rt::MsgBox(L"再生が中止されました。", MB_OK, L"再生");
        EndPlayback();
        return;
    }
    if (HDC surface = PicCAPT.hDC()) Frame_Draw(cursor, surface);
    PicCAPT.Refresh();
}
