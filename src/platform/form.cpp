// The form's window class and procedure and its lifecycle: load, show, modal show, hide and unload.
#include "platform/form.h"

#include <algorithm>

#include "platform/errors.h"
#include "platform/form_internal.h"
#include "platform/gui_quota.h"
#include "platform/msgbox.h"
#include "platform/units.h"

namespace rt {

namespace {

// WM_DPICHANGED, which Windows sends from 8.1 on; the program is built against XP's headers.
const UINT kMsgDpiChanged = 0x02E0;

int g_loadedForms = 0;
bool g_quitWhenNoForms = false;

struct ModalContext {
    HWND self;
    std::vector<HWND> disabled;
};

BOOL CALLBACK DisableForModal(HWND w, LPARAM p) {
    auto* c = reinterpret_cast<ModalContext*>(p);
    if (w != c->self && IsWindowVisible(w) && IsWindowEnabled(w)) {
        EnableWindow(w, FALSE);
        c->disabled.push_back(w);
    }
    return TRUE;
}

}  // namespace

Form::Form() = default;

Form::~Form() {
    if (hwnd_) {
        // The window outlives no form: it goes now, without events.
        SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
        DestroyWindow(hwnd_);
        --g_loadedForms;
        GuiObjectsMade(-1, 0);
    }
    ForgetActivation();
}

const wchar_t* Form::WindowClass() {
    static bool registered = false;
    if (!registered) {
        WNDCLASSEXW wc = {};
        wc.cbSize = sizeof(wc);
        wc.style = CS_DBLCLKS;
        wc.lpfnWndProc = &Form::WndProc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        // Every title bar shows the program's own icon (its first icon resource), not the system's
        // placeholder.
        wc.hIcon = LoadIconW(wc.hInstance, MAKEINTRESOURCEW(1));
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        wc.lpszClassName = kFormClass;
        RegisterClassExW(&wc);
        registered = true;
    }
    return kFormClass;
}

Form* FormFromHandle(HWND hwnd) {
    if (!IsFormWindow(hwnd)) return nullptr;
    return reinterpret_cast<Form*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
}

void SetQuitWhenNoForms(bool quit) {
    g_quitWhenNoForms = quit;
}

int Form::LoadedCount() {
    return g_loadedForms;
}

void Form::AddControl(Control* control) {
    control->childId_ = kFirstControlId + static_cast<int>(controls_.size());
    controls_.push_back(control);
    if (hwnd_) control->Attach(hwnd_);
}

HWND Form::CreateNativeWindow(const FormStyle& style, int outerWidth, int outerHeight) {
    HWND owner = style.owner ? style.owner : (style.showInTaskbar ? nullptr : HiddenOwner());
    return CreateWindowExW(style.exStyle, WindowClass(), style.caption.c_str(), style.style & ~WS_VISIBLE,
                           CW_USEDEFAULT, CW_USEDEFAULT, outerWidth, outerHeight, owner, style.menu,
                           GetModuleHandleW(nullptr), this);
}

LRESULT Form::DefaultProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    return DefWindowProcW(hwnd, msg, wp, lp);
}

void Form::Load() {
    if (hwnd_) return;
    FormStyle st = Style();
    // Made at the system's resolution; once it exists the window tells its own (its monitor's).
    int clientW = TwipsToPixels(st.clientWidthTwips, SystemDpi());
    int clientH = TwipsToPixels(st.clientHeightTwips, SystemDpi());
    RECT r = {0, 0, clientW, clientH};
    AdjustWindowRectEx(&r, st.style & ~WS_VISIBLE, st.menu != nullptr, st.exStyle);
    dialogKeys_ = st.dialogKeys;
    keyPreview_ = st.keyPreview;
    lines_ = st.lines;
    savedFocus_ = nullptr;
    // A window the system cannot create (its handle limits reached) is a lack of resources.
    if (!CreateNativeWindow(st, r.right - r.left, r.bottom - r.top) || !hwnd_) {
        throw RuntimeError(kErrOutOfMemory);
    }
    dpi_ = WindowDpi(hwnd_);
    clientW = ToPixels(st.clientWidthTwips);
    clientH = ToPixels(st.clientHeightTwips);
    if (st.icon) {
        SendMessageW(hwnd_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(st.icon));
        SendMessageW(hwnd_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(st.icon));
    }
    // A menu bar that wraps takes client height, and the window's resolution may not be the system's:
    // correct the outer size once.
    RECT client;
    GetClientRect(hwnd_, &client);
    RECT outer;
    GetWindowRect(hwnd_, &outer);
    int outerW = outer.right - outer.left + clientW - client.right;
    int outerH = outer.bottom - outer.top + clientH - client.bottom;
    // A window the user can size opens no larger than its monitor's work area (a large layout at a high
    // resolution on a small screen); the others keep the size their controls need.
    if ((st.style & WS_THICKFRAME) && !(st.exStyle & WS_EX_MDICHILD)) {
        const RECT work = WorkAreaOf(hwnd_);
        outerW = std::min(outerW, static_cast<int>(work.right - work.left));
        outerH = std::min(outerH, static_cast<int>(work.bottom - work.top));
    }
    if (outerW != outer.right - outer.left || outerH != outer.bottom - outer.top) {
        SetWindowPos(hwnd_, nullptr, 0, 0, outerW, outerH, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    try {
        for (Control* c : controls_) c->Attach(hwnd_);
    } catch (...) {
        // A form whose controls cannot all be made does not stay half-made; it was never loaded.
        unloading_ = true;
        DestroyNativeWindow();
        throw;
    }
    Form_Load();
}

void Form::Show() {
    loadingToShow_ = true;
    try {
        Load();
    } catch (...) {
        loadingToShow_ = false;
        throw;
    }
    loadingToShow_ = false;
    if (!hwnd_) return;  // the form unloaded itself while loading
    ShowWindow(hwnd_, SW_SHOW);
    if (GetWindowLongPtrW(hwnd_, GWL_EXSTYLE) & WS_EX_MDICHILD) {
        // Showing alone does not make an MDI child the active one.
        SendMessageW(GetParent(hwnd_), WM_MDIACTIVATE, reinterpret_cast<WPARAM>(hwnd_), 0);
    } else {
        SetForegroundWindow(hwnd_);
    }
    CheckActivation();
}

void Form::ShowModal() {
    Load();
    if (!hwnd_) return;
    // A modal show ends when the form hides; one that is already up is shown afresh, so that its
    // activation runs and it can end.
    if (IsWindowVisible(hwnd_)) Hide();
    ModalContext ctx{hwnd_, {}};
    EnumThreadWindows(GetCurrentThreadId(), &DisableForModal, reinterpret_cast<LPARAM>(&ctx));
    disabledByModal_.insert(disabledByModal_.end(), ctx.disabled.begin(), ctx.disabled.end());
    HWND previous = GetActiveWindow();
    Show();
    MSG msg;
    while (hwnd_ && IsWindowVisible(hwnd_)) {
        BOOL got = GetMessageW(&msg, nullptr, 0, 0);
        if (got == 0) {
            PostQuitMessage(static_cast<int>(msg.wParam));
            break;
        }
        if (got < 0) break;
        if (TranslateFormKeys(msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    EndModal();
    // A minimized window is given no activation back (it would be asked to size itself).
    if (previous && previous != ctx.self && IsWindow(previous) && IsWindowVisible(previous) &&
        !IsIconic(previous)) {
        SetActiveWindow(previous);
    }
}

void Form::EndModal() {
    // Enabled before the form goes, so that the window system hands the activation back to them.
    std::vector<HWND> disabled;
    disabled.swap(disabledByModal_);
    for (HWND w : disabled) {
        if (IsWindow(w)) EnableWindow(w, TRUE);
    }
}

void Form::Hide() {
    if (!hwnd_) return;
    EndModal();
    ShowWindow(hwnd_, SW_HIDE);
    ForgetActivation();
}

bool Form::Visible() const {
    return hwnd_ && (GetWindowLongPtrW(hwnd_, GWL_STYLE) & WS_VISIBLE);
}

bool Form::RequestClose(int mode) {
    if (!hwnd_ || unloading_) return false;
    int16_t cancel = 0;
    Form_QueryUnload(cancel, mode);
    return cancel == 0;
}

void Form::UnloadWithoutQuery(bool destroyWindow) {
    if (!hwnd_ || unloading_) return;
    unloading_ = true;
    Form_Unload();
    if (!hwnd_) return;
    EndModal();
    if (destroyWindow) DestroyNativeWindow();
}

void Form::DestroyNativeWindow() {
    if (GetWindowLongPtrW(hwnd_, GWL_EXSTYLE) & WS_EX_MDICHILD) {
        SendMessageW(GetParent(hwnd_), WM_MDIDESTROY, reinterpret_cast<WPARAM>(hwnd_), 0);
    } else {
        DestroyWindow(hwnd_);
    }
}

bool Form::Unload(int mode) {
    if (!hwnd_) return true;
    if (!RequestClose(mode)) return false;
    UnloadWithoutQuery();
    return true;
}

LRESULT CALLBACK Form::WndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_NCCREATE) {
        auto* cs = reinterpret_cast<CREATESTRUCTW*>(lp);
        LPARAM param = reinterpret_cast<LPARAM>(cs->lpCreateParams);
        if (cs->dwExStyle & WS_EX_MDICHILD) param = reinterpret_cast<MDICREATESTRUCTW*>(param)->lParam;
        auto* form = reinterpret_cast<Form*>(param);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(form));
        if (form) {
            form->hwnd_ = hwnd;
            ++g_loadedForms;
            GuiObjectsMade(1, 0);
        }
    }
    auto* form = reinterpret_cast<Form*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (!form) return DefWindowProcW(hwnd, msg, wp, lp);
    return form->HandleMessage(msg, wp, lp);
}

LRESULT Form::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
    HWND hwnd = hwnd_;
    LRESULT result = 0;
    bool handled = false;
    RunHandler([&] { handled = OnMessage(msg, wp, lp, result); });
    if (handled) return result;
    switch (msg) {
        case WM_CLOSE:
            RunHandler([&] { Unload(kUnloadFromFrame); });
            return 0;
        case WM_QUERYENDSESSION:
            return TRUE;
        case WM_ENDSESSION:
            if (wp) RunHandler([&] { Unload(kUnloadSession); });
            return 0;
        case WM_ACTIVATE:
            if (OnActivateMessage(wp)) return 0;
            break;
        case WM_COMMAND:
            if (lp != 0) {
                bool mine = false;
                RunHandler([&] {
                    for (Control* c : controls_) {
                        if (c->OnCommand(reinterpret_cast<HWND>(lp), HIWORD(wp))) {
                            mine = true;
                            break;
                        }
                    }
                });
                if (mine) return 0;
            }
            break;
        case WM_CTLCOLORSTATIC: {
            HBRUSH brush = nullptr;
            for (Control* c : controls_) {
                if (c->OnColor(reinterpret_cast<HWND>(lp), reinterpret_cast<HDC>(wp), &brush)) {
                    return reinterpret_cast<LRESULT>(brush);
                }
            }
            break;
        }
        case WM_SIZE:
            if (wp == SIZE_MINIMIZED) OnMinimized();
            break;
        case WM_TIMER: {
            bool mine = false;
            RunHandler([&] {
                for (Control* c : controls_) {
                    if (c->OnTimer(wp)) {
                        mine = true;
                        break;
                    }
                }
            });
            if (mine) return 0;
            break;
        }
        case WM_PAINT:
            if (lines_.empty()) break;
            PaintLines();
            return 0;
        case kMsgDpiChanged:
            RunHandler([&] { OnDpiChanged(HIWORD(wp), *reinterpret_cast<const RECT*>(lp)); });
            return 0;
        case WM_GETMINMAXINFO: {
            // Forms are fitted to exact client sizes, however small or large.
            LRESULT r = DefaultProc(hwnd, msg, wp, lp);
            auto* info = reinterpret_cast<MINMAXINFO*>(lp);
            info->ptMinTrackSize = {1, 1};
            info->ptMaxTrackSize = {32767, 32767};
            return r;
        }
        case WM_NCDESTROY: {
            for (Control* c : controls_) c->Detach();
            ForgetActivation();
            SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
            hwnd_ = nullptr;
            unloading_ = false;
            LRESULT r = DefaultProc(hwnd, msg, wp, lp);
            GuiObjectsMade(-1, 0);
            if (--g_loadedForms == 0 && g_quitWhenNoForms) PostQuitMessage(0);
            return r;
        }
        default:
            if (OnPostedMessage(msg, lp)) return 0;
            break;
    }
    return DefaultProc(hwnd, msg, wp, lp);
}

void Form::OnDpiChanged(int dpi, const RECT& suggested) {
    if (dpi <= 0) return;
    dpi_ = dpi;
    // The system's suggestion keeps the window where the user dropped it, at the size of the new scale.
    SetWindowPos(hwnd_, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                 suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
    for (Control* c : controls_) c->OnDpiChanged(dpi);
    Form_DpiChanged();
    InvalidateRect(hwnd_, nullptr, TRUE);
}

void Form::PaintLines() {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd_, &ps);
    for (const Line& line : lines_) {
        HPEN pen = CreatePen(PS_SOLID, line.widthPx, line.color);
        HGDIOBJ old = SelectObject(dc, pen);
        // A wide pen is centred on its line; a wide horizontal or vertical line grows below or to the
        // right of it instead, so that it never covers a line drawn just above or beside it (an etched
        // separator is a grey line with a wide white one right under it).
        const int dx = line.x1 == line.x2 ? line.widthPx / 2 : 0;
        const int dy = line.y1 == line.y2 ? line.widthPx / 2 : 0;
        MoveToEx(dc, ToPixels(line.x1) + dx, ToPixels(line.y1) + dy, nullptr);
        LineTo(dc, ToPixels(line.x2) + dx, ToPixels(line.y2) + dy);
        SelectObject(dc, old);
        DeleteObject(pen);
    }
    EndPaint(hwnd_, &ps);
}

}  // namespace rt
