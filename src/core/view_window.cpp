#include "core/view_window.h"

#include "core/shared_state.h"

frmVLs1::frmVLs1(rt::MdiForm& frame) : rt::MdiChild(frame), picFRM(*this) {}

rt::FormStyle frmVLs1::Style() const {
    rt::FormStyle st;
    st.style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MAXIMIZEBOX;
    return st;
}

void frmVLs1::Form_Load() {
    picFRM.SetAutoRedraw(true);
    picFRM.Move(0, 0, VL.PicWidth, VL.PicHeight);
    ++VL.OpenViewCount;
}

void frmVLs1::Form_Unload() {
    --VL.OpenViewCount;
}
