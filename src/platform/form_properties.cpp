// The form's properties: caption, position and size in twips (error 384 on a minimized or maximized
// form), client size in pixels and window state.
#include "platform/form.h"

#include <algorithm>

#include "platform/errors.h"
#include "platform/units.h"

namespace rt {

void Form::SetCaption(const std::wstring& caption) {
    if (hwnd_) SetWindowTextW(hwnd_, caption.c_str());
}

std::wstring Form::Caption() const {
    if (!hwnd_) return L"";
    int n = GetWindowTextLengthW(hwnd_);
    std::wstring text(static_cast<size_t>(n) + 1, L'\0');
    GetWindowTextW(hwnd_, &text[0], n + 1);
    text.resize(static_cast<size_t>(n));
    return text;
}

RECT Form::WindowRectInParent() const {
    RECT r = {0, 0, 0, 0};
    if (!hwnd_) return r;
    GetWindowRect(hwnd_, &r);
    HWND parent = GetParent(hwnd_);
    if (parent && (GetWindowLongPtrW(hwnd_, GWL_STYLE) & WS_CHILD)) {
        MapWindowPoints(HWND_DESKTOP, parent, reinterpret_cast<POINT*>(&r), 2);
    }
    return r;
}

int Form::ToPixels(int twips) const {
    return TwipsToPixels(twips, dpi_);
}

int Form::ToTwips(int pixels) const {
    return PixelsToTwips(pixels, dpi_);
}

int Form::Left() const {
    return ToTwips(WindowRectInParent().left);
}
int Form::Top() const {
    return ToTwips(WindowRectInParent().top);
}
int Form::Width() const {
    RECT r = WindowRectInParent();
    return ToTwips(r.right - r.left);
}
int Form::Height() const {
    RECT r = WindowRectInParent();
    return ToTwips(r.bottom - r.top);
}

void Form::CheckSizable() const {
    if (!hwnd_) throw RuntimeError(kErrObjectNotSet);
    if (IsIconic(hwnd_) || IsZoomed(hwnd_)) throw RuntimeError(kErrMinMaxResize);
}

void Form::PlaceOuter(const RECT& r) {
    SetWindowPos(hwnd_, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

void Form::SetLeft(int twips) {
    CheckSizable();
    RECT r = WindowRectInParent();
    OffsetRect(&r, ToPixels(twips) - r.left, 0);
    PlaceOuter(r);
}

void Form::SetTop(int twips) {
    CheckSizable();
    RECT r = WindowRectInParent();
    OffsetRect(&r, 0, ToPixels(twips) - r.top);
    PlaceOuter(r);
}

void Form::SetWidth(int twips) {
    CheckSizable();
    RECT r = WindowRectInParent();
    r.right = r.left + std::max(0, ToPixels(twips));
    PlaceOuter(r);
}

void Form::SetHeight(int twips) {
    CheckSizable();
    RECT r = WindowRectInParent();
    r.bottom = r.top + std::max(0, ToPixels(twips));
    PlaceOuter(r);
}

void Form::CentreOnScreen() {
    SetLeft((ScreenWidthTwips(dpi_) - Width()) / 2);
    SetTop((ScreenHeightTwips(dpi_) - Height()) / 2);
}

void Form::FitClientTo(int widthPx, int heightPx) {
    SetWidth(Width() + ToTwips(widthPx - ScaleWidthPx()));
    SetHeight(Height() + ToTwips(heightPx - ScaleHeightPx()));
}

int Form::ScaleWidthPx() const {
    RECT r = {0, 0, 0, 0};
    if (hwnd_) GetClientRect(hwnd_, &r);
    return r.right;
}

int Form::ScaleHeightPx() const {
    RECT r = {0, 0, 0, 0};
    if (hwnd_) GetClientRect(hwnd_, &r);
    return r.bottom;
}

int Form::WindowState() const {
    if (!hwnd_) return kNormal;
    if (IsIconic(hwnd_)) return kMinimized;
    if (IsZoomed(hwnd_)) return kMaximized;
    return kNormal;
}

void Form::SetWindowState(int state) {
    if (!hwnd_) return;
    const bool child = (GetWindowLongPtrW(hwnd_, GWL_EXSTYLE) & WS_EX_MDICHILD) != 0;
    switch (state) {
        case kMinimized:
            // A minimized window is no longer the active form, even where the window system
            // leaves it active.
            ShowWindow(hwnd_, SW_MINIMIZE);
            ForgetActivation();
            return;
        case kMaximized:
            if (child) {
                SendMessageW(GetParent(hwnd_), WM_MDIMAXIMIZE, reinterpret_cast<WPARAM>(hwnd_), 0);
            } else {
                ShowWindow(hwnd_, SW_MAXIMIZE);
            }
            break;
        default:
            if (child) {
                SendMessageW(GetParent(hwnd_), WM_MDIRESTORE, reinterpret_cast<WPARAM>(hwnd_), 0);
            } else {
                ShowWindow(hwnd_, SW_RESTORE);
            }
            break;
    }
    CheckActivation();
}

}  // namespace rt
