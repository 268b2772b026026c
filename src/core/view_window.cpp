#include "core/view_window.h"

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "capture/capture_rules.h"
#include "core/frame_store.h"
#include "core/shared_state.h"
#include "platform/runtime.h"

namespace {

rt::MdiForm* g_workspace = nullptr;
std::vector<std::unique_ptr<frmVLs1>> g_views;

}  // namespace

rt::MdiForm* Workspace() {
    return g_workspace;
}

void SetWorkspace(rt::MdiForm* frame) {
    g_workspace = frame;
}

void View_Open(int32_t& index) {
    if (!g_workspace) return;
    g_views.erase(std::remove_if(g_views.begin(), g_views.end(), [](const auto& v) { return !v->Loaded(); }),
                  g_views.end());
    if (!Frame_RoomForView()) throw rt::RuntimeError(rt::kErrOutOfMemory);
    VL.ViewSerial += 1;
    g_views.push_back(std::make_unique<frmVLs1>(*g_workspace));
    frmVLs1& view = *g_views.back();
    view.Show();
    view.SetCaption(std::to_wstring(VL.ViewBatch) + L"-" + std::to_wstring(VL.ViewSerial));
    view.DrawFrame(index);
}

void Views_Release() {
    g_views.clear();
}

frmVLs1::frmVLs1(rt::MdiForm& frame) : rt::MdiChild(frame), picFRM(*this) {
    picFRM.SetAutoRedraw(true);
    picFRM.SetBackColor(GetSysColor(COLOR_WINDOW));
}

rt::FormStyle frmVLs1::Style() const {
    rt::FormStyle st;
    // A fixed single border: the user cannot resize a view by dragging it.
    st.style = WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_CLIPCHILDREN;
    return st;
}

void frmVLs1::Form_Load() {
    // Counted first, so that the count matches the loaded views even if this one is closed while its
    // message below is open.
    VL.OpenViewCount += 1;
    const int32_t width = vintrel::WindowExtentFrom(VL.PicWidth);
    const int32_t height = vintrel::WindowExtentFrom(VL.PicHeight);
    try {
        FitClientTo(width, height);
    } catch (const rt::RuntimeError& e) {
        // A maximised view cannot be fitted; the running batch stops before its next view.
        rt::MsgBox(e.Description());
        VL.CancelRequest = kTrue;
    }
    // The picture holds the whole frame even in a window that could not be fitted to it.
    picFRM.Move(0, 0, width, height);
}

void frmVLs1::Form_Unload() {
    VL.OpenViewCount -= 1;
}

void frmVLs1::DrawFrame(int32_t index) {
    if (HDC surface = picFRM.hDC()) Frame_Draw(index, surface);
    picFRM.Refresh();
}

BatchRun::BatchRun() {
    VL.RunState = 3;
    VL.CancelRequest = kFalse;
}

BatchRun::~BatchRun() {
    VL.RunState = 0;
}

void ViewBatch_Raise() {
    VL.ViewBatch = vintrel::ClampToInt16(VL.ViewBatch + 1);
}
