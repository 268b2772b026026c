#include "core/main_window.h"

#include <windows.h>

#include "capture/capture_window.h"
#include "core/about_window.h"
#include "core/frame_store.h"
#include "core/shared_state.h"
#include "core/view_window.h"
#include "output/progress_window.h"
#include "platform/help.h"
#include "platform/runtime.h"
#include "resource.h"
#include "settings/setting_store.h"
#include "settings/settings_dialog.h"

namespace {

const wchar_t kCaption[] = L"VINTREL Ver.1";
const wchar_t kHelpFile[] = L"vintrel.hlp";
const wchar_t kBusyMessage[] = L"録画、再生等の処理を中止してください。";
const wchar_t kUseExitMessage[] = L"終了するときには、ファイルメニューの\r［終了(X)］を選択してください。";

// Whether the next command waiting for this window is 終了: chosen while the program was busy (a slow tick),
// it waits behind the commands chosen before it.
bool ExitWaiting(HWND frame) {
    MSG next;
    return PeekMessageW(&next, frame, WM_COMMAND, WM_COMMAND, PM_NOREMOVE) && next.wParam == IDM_mfEXIT;
}

}  // namespace

frmVLm1::frmVLm1() = default;

frmVLm1::~frmVLm1() {
    if (Workspace() == this) SetWorkspace(nullptr);
    Views_Release();
}

frmVLm1* frmVLm1::Instance() {
    return static_cast<frmVLm1*>(Workspace());
}

rt::FormStyle frmVLm1::Style() const {
    rt::FormStyle st;
    st.style = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
    st.clientWidthTwips = 8175;
    st.clientHeightTwips = 5895;
    st.caption = kCaption;
    st.menu = LoadMenuW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_MAINMENU));
    st.icon = LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_VINTREL));
    return st;
}

void frmVLm1::MDIForm_Load() {
    SetWorkspace(this);
    VL.ViewBatch = 0;
    CentreOnScreen();
    VL.OwnWindow = hWnd();
    EnumWindows(&Peer_EnumProc, 0);
    if (VL.PeerFound != 0) {
        // Another instance runs: hand over to it. Nothing was loaded, so shutdown releases nothing.
        Unload(rt::kUnloadByCode);
        ShowWindow(VL.PeerWindow, SW_SHOWNORMAL);
        SetForegroundWindow(VL.PeerWindow);
        return;
    }
    rt::SetHelpFile(kHelpFile);
    Setting_Load();
    VL.RunState = 0;
    VL.RecordedCount = 0;
    VL.OpenViewCount = 0;
    VL.ViewSerial = 0;
    VL.ScreenWidth = GetSystemMetrics(SM_CXSCREEN);
    VL.ScreenHeight = GetSystemMetrics(SM_CYSCREEN);
    VL.CaptureMode = 0;
    CaptureWindow().Load();
    BytesPerPixel_Derive(CaptureWindow().hWnd());
    if (!Frame_Alloc()) rt::MsgBox(L"Memm Alloc NG!");
}

void frmVLm1::MDIForm_QueryUnload(int16_t& cancel, int unloadMode) {
    if (unloadMode == rt::kUnloadFromFrame) {
        cancel = kTrue;
        rt::MsgBox(kUseExitMessage);
    } else {
        cancel = kFalse;
    }
}

void frmVLm1::MDIForm_Unload() {
    // Whichever window asked for help, its viewer closes with the program.
    rt::CloseHelp();
    CaptureWindow().Unload();
    if (!Frame_Free()) rt::MsgBox(L"Memm DeAlloc NG!");
    if (Workspace() == this) SetWorkspace(nullptr);
}

bool frmVLm1::OnFrameMessage(UINT msg, WPARAM wp, LPARAM /*lp*/, LRESULT& result) {
    static const struct {
        WORD id;
        void (frmVLm1::*click)();
    } kCommands[] = {
        {IDM_mfSAVE, &frmVLm1::mfSAVE_Click},
        {IDM_mfALLSAVE, &frmVLm1::mfALLSAVE_Click},
        {IDM_mfPRINT, &frmVLm1::mfPRINT_Click},
        {IDM_mfEXIT, &frmVLm1::mfEXIT_Click},
        {IDM_mePLAY, &frmVLm1::mePLAY_Click},
        {IDM_meALL, &frmVLm1::meALL_Click},
        {IDM_meCOMPACT, &frmVLm1::meCOMPACT_Click},
        {IDM_meCANCEL, &frmVLm1::meCANCEL_Click},
        {IDM_mcSTART, &frmVLm1::mcSTART_Click},
        {IDM_mcCANCEL, &frmVLm1::mcCANCEL_Click},
        {IDM_mtEST, &frmVLm1::mtEST_Click},
        {IDM_mtESTDEL, &frmVLm1::mtESTDEL_Click},
        {IDM_mwHorizontal, &frmVLm1::mwHorizontal_Click},
        {IDM_mwCascade, &frmVLm1::mwCascade_Click},
        {IDM_mwDELETE, &frmVLm1::mwDELETE_Click},
        {IDM_mhHLP, &frmVLm1::mhHLP_Click},
        {IDM_mhVER, &frmVLm1::mhVER_Click},
    };
    if (msg != WM_COMMAND || HIWORD(wp) != 0) return false;
    // The user has ended the program: a command of before is not run, so that no box of it opens only to
    // vanish with the exit that its box's loop would run.
    if (LOWORD(wp) != IDM_mfEXIT && ExitWaiting(hWnd())) {
        result = 0;
        return true;
    }
    for (const auto& command : kCommands) {
        if (command.id == LOWORD(wp)) {
            (this->*command.click)();
            result = 0;
            return true;
        }
    }
    return false;
}

bool frmVLm1::Busy_Refused(const wchar_t* title) {
    if (VL.RunState == 0) return false;
    rt::MsgBox(kBusyMessage, MB_OK, title);
    // The program may have been ended during the box: its capture window is not made again.
    if (Instance() == this) CaptureWindow().Show();
    return true;
}

// mfSAVE_Click, mfALLSAVE_Click and mfPRINT_Click live with the output subsystem (output/*_command*.cpp).

void frmVLm1::mfEXIT_Click() {
    Unload(rt::kUnloadByCode);
}

void frmVLm1::mePLAY_Click() {
    if (Busy_Refused(L"再生")) return;
    if (VL.RecordedCount == 0) {
        rt::MsgBox(L"録画されていません。", MB_OK, L"再生");
        return;
    }
    VL.CaptureMode = 2;
    CaptureWindow().Show();
}

void frmVLm1::meALL_Click() {
    // Refused while something runs, so that RunState keeps telling what runs.
    if (Busy_Refused(L"全て選択")) return;
    ViewBatch_Raise();
    BatchRun run;
    rt::YieldPacer pacer;
    rt::MdiBatch batch(*this);
    for (int32_t i = 1; i <= VL.RecordedCount; ++i) {
        if (i == 1 || pacer.Due()) {
            batch.Flush();
            pacer.YieldNow();
            // The program may have been ended during the yield: then no further view, and no frame is read.
            if (Instance() != this) break;
        }
        if (VL.CancelRequest != 0) break;
        batch.Hold();
        View_Open(i);
        batch.Opened();
        pacer.LookNext();
    }
}

void frmVLm1::meCOMPACT_Click() {
    if (Busy_Refused(L"ｺﾝﾊﾟｸﾄ")) return;
    if (VL.RecordedCount == 0) {
        rt::MsgBox(L"録画されていません。", MB_OK, L"ｺﾝﾊﾟｸﾄ");
        return;
    }
    // Loading the progress dialog runs the whole pass. The topmost dialog goes however the pass ends, a
    // failure included (which is then reported once, above the windows that stay).
    frmPGS& progress = ProgressWindow();
    try {
        progress.Load();
    } catch (...) {
        progress.Unload();
        throw;
    }
    progress.Unload();
}

void frmVLm1::meCANCEL_Click() {
    VL.CancelRequest = kTrue;
}

void frmVLm1::mcSTART_Click() {
    if (Busy_Refused(L"録画")) return;
    VL.CaptureMode = 1;
    CaptureWindow().Show();
}

void frmVLm1::mcCANCEL_Click() {
    VL.CancelRequest = kTrue;
}

void frmVLm1::mtEST_Click() {
    frmVLEST dialog;
    dialog.ShowModal();
}

void frmVLm1::mtESTDEL_Click() {
    // Nothing stored means nothing to remove; the command stays silent either way.
    Setting_Delete();
}

void frmVLm1::mwHorizontal_Click() {
    Arrange(1);
}

void frmVLm1::mwCascade_Click() {
    Arrange(0);
}

void frmVLm1::mwDELETE_Click() {
    if (VL.OpenViewCount == 0) return;
    const int32_t n = VL.OpenViewCount;
    rt::RedrawHold hold(MdiClient());
    for (int32_t k = 0; k < n; ++k) {
        // Only shown views are closed: the hidden view of a running compaction is never the active one.
        rt::Form* active = ActiveForm();
        if (!active || !active->Visible()) break;
        active->Unload();
    }
    // OpenViewCount keeps what the unloads left: it counts the views still loaded.
    VL.ViewSerial = 0;
    VL.ViewBatch = 0;
}

void frmVLm1::mhHLP_Click() {
    rt::ShowHelp();
}

void frmVLm1::mhVER_Click() {
    AboutWindow().Show();
}
