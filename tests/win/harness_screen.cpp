// Pattern windows and screen reads.
#include "harness_screen.h"

#include <algorithm>
#include <cstdint>

#include "harness_detail.h"
#include "harness_pump.h"

namespace harness {

using namespace detail;

COLORREF PatternColor(int i, int j, int seed) {
    // Red and green follow the column and row so a captured image is easy to read by eye; blue is a hash
    // so that any shift, flip or channel swap shows up as a mismatch.
    uint32_t h = static_cast<uint32_t>(i) * 0x9E3779B1u ^ static_cast<uint32_t>(j) * 0x85EBCA77u ^
                 static_cast<uint32_t>(seed) * 0xC2B2AE3Du;
    h ^= h >> 15;
    h *= 0x2C1B3C6Du;
    h ^= h >> 13;
    const BYTE r = static_cast<BYTE>(i * 5 + seed * 31);
    const BYTE g = static_cast<BYTE>(j * 3 + seed * 17);
    const BYTE b = static_cast<BYTE>(h >> 24);
    return RGB(r, g, b);
}

COLORREF QuadrantColor(int i, int j, int /*seed*/) {
    static const COLORREF kColors[] = {RGB(220, 30, 30), RGB(30, 180, 30), RGB(30, 30, 220), RGB(20, 20, 20)};
    return kColors[(i >= 64) + 2 * (j >= 48)];
}

namespace {

const wchar_t kPatternClass[] = L"VintrelHarnessPattern";

std::vector<PatternWindow*>& LivePatterns() {
    static std::vector<PatternWindow*> live;
    return live;
}

}  // namespace

LRESULT CALLBACK PatternWindow::WndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_NCCREATE) {
        const auto* cs = reinterpret_cast<const CREATESTRUCTW*>(lp);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(cs->lpCreateParams));
    }
    const auto* self = reinterpret_cast<const PatternWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    switch (msg) {
        case WM_ERASEBKGND:
            return 1;  // WM_PAINT covers every pixel; erasing first would only flicker
        case WM_MOUSEACTIVATE:
            return MA_NOACTIVATE;
        case WM_PAINT: {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(hwnd, &ps);
            if (self && self->w_ > 0 && self->h_ > 0) {
                BITMAPINFO bi = {};
                bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
                bi.bmiHeader.biWidth = self->w_;
                bi.bmiHeader.biHeight = -self->h_;  // top-down, like pixels_
                bi.bmiHeader.biPlanes = 1;
                bi.bmiHeader.biBitCount = 32;
                bi.bmiHeader.biCompression = BI_RGB;
                SetDIBitsToDevice(dc, 0, 0, self->w_, self->h_, 0, 0, 0, static_cast<UINT>(self->h_),
                                  self->pixels_.data(), &bi, DIB_RGB_COLORS);
            }
            EndPaint(hwnd, &ps);
            return 0;
        }
        default:
            return DefWindowProcW(hwnd, msg, wp, lp);
    }
}

PatternWindow::PatternWindow(int x, int y, int w, int h, int seed, Painter paint)
    : x_(x), y_(y), w_(std::max(w, 0)), h_(std::max(h, 0)), seed_(seed), paint_(paint) {
    pixels_.resize(static_cast<size_t>(w_) * static_cast<size_t>(h_));
    for (int j = 0; j < h_; ++j) {
        for (int i = 0; i < w_; ++i) {
            const COLORREF c = paint_(i, j, seed_);
            pixels_[static_cast<size_t>(j) * w_ + i] =
                (DWORD(GetRValue(c)) << 16) | (DWORD(GetGValue(c)) << 8) | DWORD(GetBValue(c));
        }
    }

    const HINSTANCE instance = GetModuleHandleW(nullptr);
    static const wchar_t* const kRegistered = RegisterWindowClass(kPatternClass, &PatternWindow::WndProc);
    (void)kRegistered;

    hwnd_ = CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, kPatternClass, L"", WS_POPUP,
                            x_, y_, w_, h_, nullptr, nullptr, instance, this);
    if (hwnd_) {
        ShowWindow(hwnd_, SW_SHOWNOACTIVATE);
        UpdateWindow(hwnd_);
    }
    LivePatterns().push_back(this);
}

PatternWindow::~PatternWindow() {
    auto& live = LivePatterns();
    live.erase(std::remove(live.begin(), live.end(), this), live.end());
    if (hwnd_) DestroyWindow(hwnd_);
}

bool PatternWindow::RestackAll(int timeoutMs) {
    bool painted = true;
    for (PatternWindow* p : LivePatterns()) {
        // Only a change of order reaches the display; the window stays topmost throughout.
        const UINT flags = SWP_NOACTIVATE | SWP_NOMOVE | SWP_NOSIZE;
        SetWindowPos(p->hwnd_, HWND_NOTOPMOST, 0, 0, 0, 0, flags);
        SetWindowPos(p->hwnd_, HWND_TOPMOST, 0, 0, 0, 0, flags);
        painted = p->WaitPainted(timeoutMs) && painted;
    }
    return painted;
}

bool PatternWindow::WaitPainted(int timeoutMs) {
    if (!hwnd_ || w_ == 0 || h_ == 0) return false;
    const POINT probes[] = {{0, 0}, {w_ - 1, 0}, {0, h_ - 1}, {w_ - 1, h_ - 1}, {w_ / 2, h_ / 2}};
    return WaitUntil(
        [&] {
            for (const POINT& p : probes) {
                if (ScreenPixel(x_ + p.x, y_ + p.y) != paint_(p.x, p.y, seed_)) return false;
            }
            return true;
        },
        timeoutMs);
}

std::vector<unsigned char> ReadScreenBits(int x, int y, int w, int h, int bytesPerPixel) {
    std::vector<unsigned char> bits;
    if (w <= 0 || h <= 0 || bytesPerPixel <= 0) return bits;
    HDC screen = GetDC(nullptr);
    if (!screen) return bits;
    HDC mem = CreateCompatibleDC(screen);
    HBITMAP bmp = CreateCompatibleBitmap(screen, w, h);
    if (mem && bmp) {
        HGDIOBJ old = SelectObject(mem, bmp);
        const BOOL copied = BitBlt(mem, 0, 0, w, h, screen, x, y, SRCCOPY);
        SelectObject(mem, old);
        if (copied) {
            bits.resize(static_cast<size_t>(w) * h * bytesPerPixel);
            const LONG got = GetBitmapBits(bmp, static_cast<LONG>(bits.size()), bits.data());
            bits.resize(got > 0 ? static_cast<size_t>(got) : 0);
        }
    }
    if (bmp) DeleteObject(bmp);
    if (mem) DeleteDC(mem);
    ReleaseDC(nullptr, screen);
    return bits;
}

COLORREF ScreenPixel(int x, int y) {
    COLORREF c = CLR_INVALID;
    HDC screen = GetDC(nullptr);
    if (!screen) return c;
    HDC mem = CreateCompatibleDC(screen);
    HBITMAP bmp = CreateCompatibleBitmap(screen, 1, 1);
    if (mem && bmp) {
        HGDIOBJ old = SelectObject(mem, bmp);
        if (BitBlt(mem, 0, 0, 1, 1, screen, x, y, SRCCOPY)) c = GetPixel(mem, 0, 0);
        SelectObject(mem, old);
    }
    if (bmp) DeleteObject(bmp);
    if (mem) DeleteDC(mem);
    ReleaseDC(nullptr, screen);
    return c;
}

}  // namespace harness
