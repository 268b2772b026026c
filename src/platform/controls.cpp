#include "platform/controls.h"

#include <commctrl.h>

#include <cmath>

#include "platform/gui_quota.h"
#include "platform/units.h"

namespace rt {

namespace {

// The tooltip window of a form, shared by its controls; it is owned by the form and goes with it.
const wchar_t kToolTipsProperty[] = L"VintrelToolTips";

HWND FormToolTips(HWND form) {
    auto tips = static_cast<HWND>(GetPropW(form, kToolTipsProperty));
    if (tips) return tips;
    tips = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX,
                           CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, form, nullptr,
                           GetModuleHandleW(nullptr), nullptr);
    if (tips) SetPropW(form, kToolTipsProperty, tips);
    return tips;
}

DWORD AlignmentStyle(Alignment alignment) {
    switch (alignment) {
        case Alignment::kRight:
            return SS_RIGHT;
        case Alignment::kCenter:
            return SS_CENTER;
        default:
            return SS_LEFT;
    }
}

// A label is drawn here as the static control draws one, with the same messages to its form. The common
// controls' static keeps a block of the process heap for every label ever given a font under Wine, and a
// label is made each time its form opens; over a day they pile up and hold freed frame memory in place.
LRESULT CALLBACK LabelProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_SETFONT:
            SetWindowLongPtrW(hwnd, 0, static_cast<LONG_PTR>(wp));
            if (LOWORD(lp)) InvalidateRect(hwnd, nullptr, TRUE);
            return 0;
        case WM_GETFONT:
            return GetWindowLongPtrW(hwnd, 0);
        case WM_SETTEXT: {
            // Shown at once, as a static shows it, even where no message is read before the next change.
            const LRESULT set = DefWindowProcW(hwnd, msg, wp, lp);
            RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
            return set;
        }
        case WM_ENABLE:
            InvalidateRect(hwnd, nullptr, TRUE);
            return 0;
        case WM_NCHITTEST:
            return HTTRANSPARENT;
        case WM_GETDLGCODE:
            return DLGC_STATIC;
        case WM_ERASEBKGND:
            return 1;
        case WM_PAINT:
        case WM_PRINTCLIENT: {
            PAINTSTRUCT ps;
            HDC dc = wp ? reinterpret_cast<HDC>(wp) : BeginPaint(hwnd, &ps);
            RECT area;
            GetClientRect(hwnd, &area);
            const HWND form = GetParent(hwnd);
            auto brush = reinterpret_cast<HBRUSH>(SendMessageW(
                form, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(hwnd)));
            if (!brush) brush = GetSysColorBrush(COLOR_BTNFACE);
            FillRect(dc, &area, brush);
            if (!IsWindowEnabled(hwnd)) SetTextColor(dc, GetSysColor(COLOR_GRAYTEXT));
            std::wstring text(static_cast<size_t>(GetWindowTextLengthW(hwnd)) + 1, L'\0');
            text.resize(static_cast<size_t>(GetWindowTextW(hwnd, &text[0], static_cast<int>(text.size()))));
            const auto font = reinterpret_cast<HGDIOBJ>(GetWindowLongPtrW(hwnd, 0));
            const HGDIOBJ previous = font ? SelectObject(dc, font) : nullptr;
            const LONG style = GetWindowLongW(hwnd, GWL_STYLE) & SS_TYPEMASK;
            const UINT align = style == SS_RIGHT ? DT_RIGHT : style == SS_CENTER ? DT_CENTER : DT_LEFT;
            DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &area,
                      align | DT_WORDBREAK | DT_EXPANDTABS | DT_NOPREFIX);
            if (previous) SelectObject(dc, previous);
            if (!wp) EndPaint(hwnd, &ps);
            return 0;
        }
        default:
            return DefWindowProcW(hwnd, msg, wp, lp);
    }
}

const wchar_t* LabelClass() {
    static const wchar_t* const kName = L"VintrelLabel";
    static const bool registered = [] {
        WNDCLASSEXW wc = {};
        wc.cbSize = sizeof(wc);
        wc.lpfnWndProc = LabelProc;
        wc.cbWndExtra = sizeof(LONG_PTR);  // the font
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        wc.lpszClassName = kName;
        return RegisterClassExW(&wc) != 0;
    }();
    return registered ? kName : L"STATIC";
}

}  // namespace

WinControl::WinControl(Form& owner, const wchar_t* windowClass, DWORD style, DWORD exStyle,
                       const Bounds& bounds, const std::wstring& text)
    : owner_(owner),
      windowClass_(windowClass),
      style_(style),
      exStyle_(exStyle),
      bounds_(bounds),
      text_(text) {
    owner.AddControl(this);
}

WinControl::~WinControl() {
    // The window itself goes with its form, which no longer passes it anything by then.
    if (font_ && hwnd_) SendMessageW(hwnd_, WM_SETFONT, 0, FALSE);
    if (hwnd_) GuiObjectsMade(-1, 0);
    ReleaseFont();
}

void WinControl::Attach(HWND form) {
    if (hwnd_) return;
    form_ = form;
    hwnd_ = CreateWindowExW(
        exStyle_ | WS_EX_NOPARENTNOTIFY, windowClass_, text_.c_str(), style_ | WS_CHILD | WS_VISIBLE,
        owner_.ToPixels(bounds_.left), owner_.ToPixels(bounds_.top), owner_.ToPixels(bounds_.width),
        owner_.ToPixels(bounds_.height), form, ChildId(), GetModuleHandleW(nullptr), nullptr);
    if (!hwnd_) return;
    GuiObjectsMade(1, 0);
    ApplyFont(owner_.Dpi(), false);
    Created();
    // The focus is watched on the control and on its inner edit, if it has one (a combo box).
    HWND inner = GetWindow(hwnd_, GW_CHILD);
    SetWindowSubclass(hwnd_, &WinControl::WatchFocus, 0, reinterpret_cast<DWORD_PTR>(this));
    if (inner) SetWindowSubclass(inner, &WinControl::WatchFocus, 0, reinterpret_cast<DWORD_PTR>(this));
    if (!toolTip_.empty()) {
        if (HWND tips = FormToolTips(form)) {
            AddToolTip(tips, hwnd_);
            // The mouse rests on the inner edit of a combo box, not on the box itself.
            if (inner) AddToolTip(tips, inner);
        }
    }
}

LRESULT CALLBACK WinControl::WatchFocus(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id,
                                        DWORD_PTR self) {
    auto* control = reinterpret_cast<WinControl*>(self);
    if (msg == WM_SETFOCUS && control->hwnd_) {
        // A move inside the control (a combo box handing the focus to its edit) is no new entry.
        const HWND from = reinterpret_cast<HWND>(wp);
        if (!from || (from != control->hwnd_ && !IsChild(control->hwnd_, from))) {
            control->owner_.ControlGotFocus(control);
        }
    } else if (msg == WM_NCDESTROY) {
        RemoveWindowSubclass(hwnd, &WinControl::WatchFocus, id);
    }
    return DefSubclassProc(hwnd, msg, wp, lp);
}

void WinControl::AddToolTip(HWND tips, HWND tool) {
    TOOLINFOW info = {};
    info.cbSize = sizeof(info);
    info.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    info.hwnd = GetParent(tool);
    info.uId = reinterpret_cast<UINT_PTR>(tool);
    info.lpszText = const_cast<wchar_t*>(toolTip_.c_str());
    SendMessageW(tips, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&info));
}

void WinControl::ApplyFont(int dpi, bool redraw) {
    HFONT font = nullptr;
    if (!fontFace_.empty()) {
        font = CreateFontW(-static_cast<int>(std::lround(fontPoints_ * dpi / 72)), 0, 0, 0, FW_NORMAL, FALSE,
                           FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                           DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, fontFace_.c_str());
    } else if (dpi != SystemDpi()) {
        // The system's dialog font is made for the system's resolution: on another monitor, a copy to scale.
        LOGFONTW lf = {};
        GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof(lf), &lf);
        lf.lfHeight = MulDiv(lf.lfHeight, dpi, SystemDpi());
        lf.lfWidth = 0;
        font = CreateFontIndirectW(&lf);
    }
    SendMessageW(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(font ? font : GetStockObject(DEFAULT_GUI_FONT)),
                 redraw);
    ReleaseFont();
    font_ = font;
    if (font_) GuiObjectsMade(0, 1);
}

void WinControl::ReleaseFont() {
    if (!font_) return;
    DeleteObject(font_);
    font_ = nullptr;
    GuiObjectsMade(0, -1);
}

void WinControl::OnDpiChanged(int dpi) {
    if (!hwnd_) return;
    SetWindowPos(hwnd_, nullptr, TwipsToPixels(bounds_.left, dpi), TwipsToPixels(bounds_.top, dpi),
                 TwipsToPixels(bounds_.width, dpi), TwipsToPixels(bounds_.height, dpi),
                 SWP_NOZORDER | SWP_NOACTIVATE);
    ApplyFont(dpi, true);
}

void WinControl::Detach() {
    // The window went with its form, before the form's own last message.
    if (form_) RemovePropW(form_, kToolTipsProperty);
    form_ = nullptr;
    if (hwnd_) GuiObjectsMade(-1, 0);
    hwnd_ = nullptr;
    ReleaseFont();
}

std::wstring WinControl::Text() const {
    if (!hwnd_) return text_;
    const int n = GetWindowTextLengthW(hwnd_);
    std::wstring text(static_cast<size_t>(n) + 1, L'\0');
    const int got = GetWindowTextW(hwnd_, &text[0], n + 1);
    text.resize(static_cast<size_t>(got > 0 ? got : 0));
    return text;
}

void WinControl::SetText(const std::wstring& text) {
    text_ = text;
    // An unchanged text is not painted again.
    if (hwnd_ && Text() != text) SetWindowTextW(hwnd_, text.c_str());
}

void WinControl::SetFont(const std::wstring& face, double points) {
    fontFace_ = face;
    fontPoints_ = points;
}

void WinControl::SetForeColor(COLORREF color) {
    foreColor_ = color;
    hasForeColor_ = true;
    if (hwnd_) InvalidateRect(hwnd_, nullptr, TRUE);
}

bool WinControl::OnColor(HWND child, HDC dc, HBRUSH* brush) {
    if (!hwnd_ || child != hwnd_ || !hasForeColor_) return false;
    SetTextColor(dc, foreColor_);
    SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
    *brush = GetSysColorBrush(COLOR_BTNFACE);
    return true;
}

void WinControl::SetToolTipText(const std::wstring& text) {
    toolTip_ = text;
}

bool WinControl::HasFocus() const {
    HWND focus = GetFocus();
    return hwnd_ && focus && (focus == hwnd_ || IsChild(hwnd_, focus));
}

void WinControl::SetFocus() {
    if (hwnd_) ::SetFocus(hwnd_);
}

bool WinControl::OnCommand(HWND child, WORD code) {
    if (!hwnd_ || child != hwnd_) return false;
    OnNotify(code);
    return true;
}

void WinControl::OnGotFocus() {
    if (GotFocus) GotFocus();
}

TextBox::TextBox(Form& owner, const Bounds& bounds)
    : WinControl(owner, L"EDIT", ES_AUTOHSCROLL | ES_LEFT | WS_TABSTOP, WS_EX_CLIENTEDGE, bounds, L"") {}

ComboBox::ComboBox(Form& owner, const Bounds& bounds)
    : WinControl(owner, L"COMBOBOX", CBS_DROPDOWN | CBS_AUTOHSCROLL | WS_VSCROLL | WS_TABSTOP, 0, bounds,
                 L"") {}

void ComboBox::Created() {
    for (const std::wstring& item : items_) {
        SendMessageW(hWnd(), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.c_str()));
    }
}

void ComboBox::AddItem(const std::wstring& item) {
    items_.push_back(item);
    if (hWnd()) SendMessageW(hWnd(), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.c_str()));
}

void ComboBox::SetListIndex(int index) {
    if (hWnd()) SendMessageW(hWnd(), CB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

Label::Label(Form& owner, const Bounds& bounds, const std::wstring& caption, Alignment alignment)
    : WinControl(owner, LabelClass(), AlignmentStyle(alignment) | SS_NOPREFIX, 0, bounds, caption) {}

CommandButton::CommandButton(Form& owner, const Bounds& bounds, const std::wstring& caption)
    : WinControl(owner, L"BUTTON", BS_PUSHBUTTON | WS_TABSTOP, 0, bounds, caption) {}

void CommandButton::SetDefault(bool on) {
    default_ = on;
    Created();
}

void CommandButton::Created() {
    if (hWnd()) SendMessageW(hWnd(), BM_SETSTYLE, default_ ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON, TRUE);
}

void CommandButton::SetCancel(bool on) {
    cancel_ = on;
}

bool CommandButton::OnDialogKey(WORD vk) {
    if (!((vk == VK_RETURN && default_) || (vk == VK_ESCAPE && cancel_))) return false;
    if (Click) Click();
    return true;
}

void CommandButton::OnNotify(WORD code) {
    if (code == BN_CLICKED && Click) Click();
}

CheckBox::CheckBox(Form& owner, const Bounds& bounds, const std::wstring& caption)
    : WinControl(owner, L"BUTTON", BS_AUTOCHECKBOX | WS_TABSTOP, 0, bounds, caption) {}

int CheckBox::Value() const {
    return hWnd() && SendMessageW(hWnd(), BM_GETCHECK, 0, 0) == BST_CHECKED ? 1 : 0;
}

void CheckBox::SetValue(int value) {
    if (hWnd()) SendMessageW(hWnd(), BM_SETCHECK, value == 1 ? BST_CHECKED : BST_UNCHECKED, 0);
}

}  // namespace rt
