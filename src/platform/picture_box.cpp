#include "platform/picture_box.h"

#include <algorithm>

#include "platform/errors.h"
#include "platform/gui_quota.h"

namespace rt {

namespace {

const wchar_t* PictureClass(WNDPROC proc) {
    static const wchar_t* const kName = L"VintrelPicture";
    static bool registered = false;
    if (!registered) {
        WNDCLASSEXW wc = {};
        wc.cbSize = sizeof(wc);
        // No device context of its own: the window system keeps every window's own context up to date
        // whenever any window moves, a cost that grows with the number of frame views open.
        wc.lpfnWndProc = proc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        wc.lpszClassName = kName;
        RegisterClassExW(&wc);
        registered = true;
    }
    return kName;
}

}  // namespace

PictureBox::PictureBox(Form& owner) : backColor_(GetSysColor(COLOR_BTNFACE)) {
    owner.AddControl(this);
}

PictureBox::~PictureBox() {
    ReleaseImage();
    ReleaseWindowDC();
    if (hwnd_) {
        SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
        DestroyWindow(hwnd_);
    }
}

void PictureBox::Attach(HWND form) {
    if (hwnd_) return;
    hwnd_ = CreateWindowExW(0, PictureClass(&PictureBox::WndProc), nullptr, WS_CHILD | WS_VISIBLE, x_, y_,
                            width_, height_, form, ChildId(), GetModuleHandleW(nullptr), nullptr);
    if (!hwnd_) throw RuntimeError(kErrOutOfMemory);
    SetWindowLongPtrW(hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    if (!ResizeImage()) throw RuntimeError(kErrOutOfMemory);
}

void PictureBox::Detach() {
    ReleaseImage();
    ReleaseWindowDC();
    // The child window goes with its form.
    hwnd_ = nullptr;
}

void PictureBox::ReleaseWindowDC() {
    if (windowDC_ && hwnd_) ReleaseDC(hwnd_, windowDC_);
    windowDC_ = nullptr;
}

void PictureBox::ReleaseImage() {
    if (imageDC_) {
        SelectObject(imageDC_, imageOld_);
        DeleteDC(imageDC_);
        imageDC_ = nullptr;
        GuiObjectsMade(0, -1);
    }
    if (image_) {
        DeleteObject(image_);
        image_ = nullptr;
        GuiObjectsMade(0, -1);
    }
    imageWidth_ = imageHeight_ = 0;
}

void PictureBox::Erase(HDC dc) const {
    HBRUSH brush = CreateSolidBrush(backColor_);
    RECT r = {0, 0, std::max({1, width_, imageWidth_}), std::max({1, height_, imageHeight_})};
    FillRect(dc, &r, brush);
    DeleteObject(brush);
}

bool PictureBox::ResizeImage() {
    // A box that never keeps a persistent image (a progress bar) makes none, however often it is moved.
    if (!hwnd_ || (!autoRedraw_ && !imageDC_)) return true;
    const int w = std::max(1, width_);
    const int h = std::max(1, height_);
    if (image_ && imageWidth_ == w && imageHeight_ == h) return true;
    // The image takes the display's format, which is the window's.
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bmp = CreateCompatibleBitmap(screen, w, h);
    ReleaseDC(nullptr, screen);
    if (!dc || !bmp) {
        // Out of memory or of the system's objects: the box keeps the image it had.
        if (dc) DeleteDC(dc);
        if (bmp) DeleteObject(bmp);
        return false;
    }
    GuiObjectsMade(0, 2);
    HGDIOBJ old = SelectObject(dc, bmp);
    Erase(dc);
    if (imageDC_) BitBlt(dc, 0, 0, imageWidth_, imageHeight_, imageDC_, 0, 0, SRCCOPY);
    ReleaseImage();
    imageDC_ = dc;
    image_ = bmp;
    imageOld_ = old;
    imageWidth_ = w;
    imageHeight_ = h;
    return true;
}

bool PictureBox::Move(int x, int y, int width, int height) {
    x_ = x;
    y_ = y;
    width_ = std::max(0, width);
    height_ = std::max(0, height);
    if (!hwnd_) return true;
    SetWindowPos(hwnd_, nullptr, x_, y_, width_, height_, SWP_NOZORDER | SWP_NOACTIVATE);
    return ResizeImage();
}

bool PictureBox::ReadImage(DibPixels* out) const {
    if (!imageDC_) return false;
    // A bitmap is read only while no device context holds it: the image leaves its surface meanwhile.
    SelectObject(imageDC_, imageOld_);
    const bool read = ReadBitmapPixels(image_, out);
    SelectObject(imageDC_, image_);
    return read;
}

HDC PictureBox::hDC() {
    if (autoRedraw_) return imageDC_;
    // Drawing straight to the window: its context is taken once and kept while the window lives.
    if (!windowDC_ && hwnd_) windowDC_ = GetDC(hwnd_);
    return windowDC_;
}

void PictureBox::SetAutoRedraw(bool on) {
    autoRedraw_ = on;
    ResizeImage();
}

void PictureBox::SetBackColor(COLORREF color) {
    backColor_ = color;
    if (imageDC_) Erase(imageDC_);
    if (hwnd_) {
        InvalidateRect(hwnd_, nullptr, FALSE);
        UpdateWindow(hwnd_);
    }
}

void PictureBox::Refresh() {
    if (!hwnd_) return;
    InvalidateRect(hwnd_, nullptr, FALSE);
    UpdateWindow(hwnd_);
}

void PictureBox::Paint() {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd_, &ps);
    if (autoRedraw_ && imageDC_) {
        BitBlt(dc, 0, 0, imageWidth_, imageHeight_, imageDC_, 0, 0, SRCCOPY);
    } else {
        Erase(dc);
    }
    EndPaint(hwnd_, &ps);
}

LRESULT CALLBACK PictureBox::WndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    auto* box = reinterpret_cast<PictureBox*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (box) {
        switch (msg) {
            case WM_ERASEBKGND:
                return 1;
            case WM_PAINT:
                box->Paint();
                return 0;
            case WM_NCDESTROY:
                box->Detach();
                break;
            default:
                break;
        }
    }
    // Counted by the class, whichever way a box's window goes.
    if (msg == WM_NCCREATE) GuiObjectsMade(1, 0);
    if (msg == WM_NCDESTROY) GuiObjectsMade(-1, 0);
    return DefWindowProcW(hwnd, msg, wp, lp);
}

}  // namespace rt
