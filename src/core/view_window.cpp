#include "core/view_window.h"

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "capture/capture_rules.h"
#include "core/frame_store.h"
#include "core/shared_state.h"
#include "platform/gui_quota.h"
#include "platform/runtime.h"

namespace {

// What a view holds of the system's objects: its window and its picture's, the picture's device context
// and bitmap.
constexpr rt::GuiObjects kViewObjects = {2, 2};

rt::MdiForm* g_workspace = nullptr;
std::vector<std::unique_ptr<frmVLs1>> g_views;

}  // namespace

rt::MdiForm* Workspace() {
    return g_workspace;
}

void SetWorkspace(rt::MdiForm* frame) {
    g_workspace = frame;
}

void View_EnsureRoom() {
    if (!Frame_RoomForView() || !rt::GuiRoomFor(kViewObjects)) throw rt::RuntimeError(rt::kErrOutOfMemory);
}

void View_Open(int32_t& index) {
    if (!g_workspace) return;
    g_views.erase(std::remove_if(g_views.begin(), g_views.end(), [](const auto& v) { return !v->Loaded(); }),
                  g_views.end());
    View_EnsureRoom();
    const int32_t serial = VL.ViewSerial;
    VL.ViewSerial += 1;
    g_views.push_back(std::make_unique<frmVLs1>(*g_workspace));
    frmVLs1& view = *g_views.back();
    // A view whose window, picture or frame could not be made goes again at once, before the workspace is
    // drawn: it is never seen, and the batch ends with the failure.
    try {
        view.Show();
        if (!view.DrawFrame(index)) throw rt::RuntimeError(rt::kErrOutOfMemory);
    } catch (const rt::RuntimeError&) {
        view.Unload();
        VL.ViewSerial = serial;
        throw;
    }
    view.SetCaption(std::to_wstring(VL.ViewBatch) + L"-" + std::to_wstring(VL.ViewSerial));
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
    if (!picFRM.Move(0, 0, width, height)) throw rt::RuntimeError(rt::kErrOutOfMemory);
}

void frmVLs1::Form_Unload() {
    VL.OpenViewCount -= 1;
}

bool frmVLs1::DrawFrame(int32_t index) {
    HDC surface = picFRM.hDC();
    if (!surface || !Frame_Draw(index, surface)) return false;
    picFRM.Refresh();
    return true;
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
