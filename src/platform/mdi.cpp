// The MDI frame and its children, and the batch that holds the workspace's redrawing.
#include "platform/mdi.h"

#include "platform/form_internal.h"

namespace rt {

RedrawHold::RedrawHold(HWND window) : window_(window) {
    if (window_) SendMessageW(window_, WM_SETREDRAW, FALSE, 0);
}

RedrawHold::~RedrawHold() {
    if (!window_ || !IsWindow(window_)) return;
    SendMessageW(window_, WM_SETREDRAW, TRUE, 0);
    RedrawWindow(window_, nullptr, nullptr, RDW_ERASE | RDW_FRAME | RDW_INVALIDATE | RDW_ALLCHILDREN);
}

bool MdiForm::OnMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    if (msg != WM_CREATE) return OnFrameMessage(msg, wp, lp, result);
    CLIENTCREATESTRUCT ccs = {nullptr, 0xFF00};
    // Children keep the frame style they ask for (a view has a fixed border).
    client_ = CreateWindowExW(
        WS_EX_CLIENTEDGE, L"MDICLIENT", nullptr,
        WS_CHILD | WS_CLIPCHILDREN | WS_VSCROLL | WS_HSCROLL | WS_VISIBLE | MDIS_ALLCHILDSTYLES, 0, 0, 0, 0,
        hWnd(), reinterpret_cast<HMENU>(static_cast<INT_PTR>(kMdiClientId)), GetModuleHandleW(nullptr), &ccs);
    result = client_ ? 0 : -1;
    return true;
}

LRESULT MdiForm::DefaultProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    return DefFrameProcW(hwnd, client_, msg, wp, lp);
}

std::vector<Form*> MdiForm::Children() const {
    std::vector<Form*> children;
    if (!client_) return children;
    for (HWND w = GetWindow(client_, GW_CHILD); w; w = GetWindow(w, GW_HWNDNEXT)) {
        if (Form* f = FormFromHandle(w)) children.push_back(f);
    }
    return children;
}

Form* MdiForm::ActiveForm() const {
    if (!client_) return nullptr;
    return FormFromHandle(reinterpret_cast<HWND>(SendMessageW(client_, WM_MDIGETACTIVE, 0, 0)));
}

void MdiForm::Arrange(int arrangement) {
    if (!client_) return;
    switch (arrangement) {
        case 0:
            SendMessageW(client_, WM_MDICASCADE, 0, 0);
            break;
        case 1:
            SendMessageW(client_, WM_MDITILE, MDITILE_HORIZONTAL, 0);
            break;
        case 2:
            SendMessageW(client_, WM_MDITILE, MDITILE_VERTICAL, 0);
            break;
        default:
            SendMessageW(client_, WM_MDIICONARRANGE, 0, 0);
            break;
    }
}

bool MdiForm::Unload(int mode) {
    if (!hWnd()) return true;
    if (!RequestClose(mode)) return false;
    std::vector<Form*> children = Children();
    for (Form* child : children) {
        if (!child->RequestClose(kUnloadMdiChild)) return false;
    }
    // The children's unload events run first; their windows then go with the frame's, all at once, which
    // spares the workspace activating and re-arranging the rest after each one.
    for (Form* child : Children()) child->UnloadWithoutQuery(false);
    UnloadWithoutQuery();
    return true;
}

void MdiBatch::Note(Form* child) {
    if (child && child->hWnd()) repaint_.push_back(child->hWnd());
}

void MdiBatch::Hold() {
    if (held_ || !frame_.MdiClient()) return;
    held_ = frame_.MdiClient();
    Note(frame_.ActiveForm());
    SendMessageW(held_, WM_SETREDRAW, FALSE, 0);
}

void MdiBatch::Opened() {
    if (held_) Note(frame_.ActiveForm());
}

void MdiBatch::Flush() {
    if (!held_) return;
    // The workspace may be gone with the program, ended during a message box of the batch.
    if (IsWindow(held_)) {
        SendMessageW(held_, WM_SETREDRAW, TRUE, 0);
        for (HWND child : repaint_) {
            if (IsWindow(child)) {
                RedrawWindow(child, nullptr, nullptr,
                             RDW_ERASE | RDW_FRAME | RDW_INVALIDATE | RDW_ALLCHILDREN);
            }
        }
    }
    held_ = nullptr;
    repaint_.clear();
}

// MDI child

HWND MdiChild::CreateNativeWindow(const FormStyle& style, int outerWidth, int outerHeight) {
    const HWND client = frame_.MdiClient();
    BOOL maximized = FALSE;
    const bool activeChild =
        SendMessageW(client, WM_MDIGETACTIVE, 0, reinterpret_cast<LPARAM>(&maximized)) != 0;
    HWND hwnd = CreateWindowExW(style.exStyle | WS_EX_MDICHILD, WindowClass(), style.caption.c_str(),
                                (style.style & ~(WS_VISIBLE | WS_MAXIMIZE)) | WS_CHILD | WS_CLIPSIBLINGS,
                                CW_USEDEFAULT, CW_USEDEFAULT, outerWidth, outerHeight, client, nullptr,
                                GetModuleHandleW(nullptr), this);
    // As Windows MDI does, a child opened while the active child is maximised opens maximised, before its
    // load event runs. A child that is only loaded stays hidden and leaves the others as they are.
    if (hwnd && LoadingToShow() && activeChild && maximized) {
        SendMessageW(client, WM_MDIMAXIMIZE, reinterpret_cast<WPARAM>(hwnd), 0);
    }
    return hwnd;
}

LRESULT MdiChild::DefaultProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    return DefMDIChildProcW(hwnd, msg, wp, lp);
}

}  // namespace rt
