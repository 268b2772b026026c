#include "platform/static_controls.h"

#include <cmath>

namespace rt {

namespace {

const wchar_t kLabelClass[] = L"VintrelLabel";

void Place(HWND hwnd, RECT& rect, int x, int y, int width, int height) {
    rect = {x, y, x + width, y + height};
    if (hwnd) SetWindowPos(hwnd, nullptr, x, y, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

HWND CreateChild(const wchar_t* cls, const std::wstring& text, DWORD style, const RECT& r, HWND parent) {
    return CreateWindowExW(0, cls, text.c_str(), WS_CHILD | WS_VISIBLE | style, r.left, r.top,
                           r.right - r.left, r.bottom - r.top, parent, nullptr, GetModuleHandleW(nullptr),
                           nullptr);
}

}  // namespace

// Label

Label::Label(Form& owner) : foreColor_(GetSysColor(COLOR_BTNTEXT)) {
    owner.AddControl(this);
}

Label::~Label() {
    if (hwnd_) {
        SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
        DestroyWindow(hwnd_);
    }
    Detach();
}

void Label::Attach(HWND form) {
    if (hwnd_) return;
    static bool registered = false;
    if (!registered) {
        WNDCLASSEXW wc = {};
        wc.cbSize = sizeof(wc);
        wc.lpfnWndProc = &Label::WndProc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        wc.lpszClassName = kLabelClass;
        RegisterClassExW(&wc);
        registered = true;
    }
    hwnd_ = CreateChild(kLabelClass, text_, 0, rect_, form);
    SetWindowLongPtrW(hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    if (!face_.empty()) SetFont(face_, points_);
}

void Label::Detach() {
    // The window goes with its form; the font goes with the window.
    hwnd_ = nullptr;
    if (font_) {
        DeleteObject(font_);
        font_ = nullptr;
    }
}

void Label::Move(int x, int y, int width, int height) {
    Place(hwnd_, rect_, x, y, width, height);
}

void Label::SetText(const std::wstring& text) {
    if (text == text_) return;
    text_ = text;
    if (!hwnd_) return;
    SetWindowTextW(hwnd_, text_.c_str());
    InvalidateRect(hwnd_, nullptr, FALSE);
}

void Label::SetFont(const std::wstring& face, double points) {
    face_ = face;
    points_ = points;
    if (!hwnd_) return;
    HDC dc = GetDC(hwnd_);
    const int height = -static_cast<int>(std::lround(points * GetDeviceCaps(dc, LOGPIXELSY) / 72.0));
    ReleaseDC(hwnd_, dc);
    HFONT font =
        CreateFontW(height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                    CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, face.c_str());
    if (font_) DeleteObject(font_);
    font_ = font;
    InvalidateRect(hwnd_, nullptr, FALSE);
}

void Label::SetForeColor(COLORREF color) {
    foreColor_ = color;
    if (hwnd_) InvalidateRect(hwnd_, nullptr, FALSE);
}

void Label::Paint() {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd_, &ps);
    RECT r;
    GetClientRect(hwnd_, &r);
    FillRect(dc, &r, GetSysColorBrush(COLOR_BTNFACE));
    HGDIOBJ old = SelectObject(dc, font_ ? static_cast<HGDIOBJ>(font_) : GetStockObject(DEFAULT_GUI_FONT));
    SetTextColor(dc, foreColor_);
    SetBkMode(dc, TRANSPARENT);
    DrawTextW(dc, text_.c_str(), static_cast<int>(text_.size()), &r, DT_LEFT | DT_WORDBREAK | DT_NOPREFIX);
    SelectObject(dc, old);
    EndPaint(hwnd_, &ps);
}

LRESULT CALLBACK Label::WndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    auto* label = reinterpret_cast<Label*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (label) {
        switch (msg) {
            case WM_ERASEBKGND:
                return 1;
            case WM_PAINT:
                label->Paint();
                return 0;
            case WM_NCDESTROY:
                label->Detach();
                break;
            default:
                break;
        }
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
}

// PushButton

PushButton::PushButton(Form& owner, std::function<void()> onClick) : onClick_(std::move(onClick)) {
    owner.AddControl(this);
}

PushButton::~PushButton() {
    if (hwnd_) DestroyWindow(hwnd_);
}

void PushButton::Attach(HWND form) {
    if (hwnd_) return;
    hwnd_ = CreateChild(L"BUTTON", text_, WS_TABSTOP | BS_PUSHBUTTON, rect_, form);
    SendMessageW(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), FALSE);
}

void PushButton::Detach() {
    hwnd_ = nullptr;
}

void PushButton::Move(int x, int y, int width, int height) {
    Place(hwnd_, rect_, x, y, width, height);
}

void PushButton::SetText(const std::wstring& text) {
    text_ = text;
    if (hwnd_) SetWindowTextW(hwnd_, text_.c_str());
}

bool PushButton::OnCommand(WPARAM wp, LPARAM lp) {
    if (!hwnd_ || reinterpret_cast<HWND>(lp) != hwnd_ || HIWORD(wp) != BN_CLICKED) return false;
    if (onClick_) onClick_();
    return true;
}

}  // namespace rt
