// Known pictures on the screen (pattern windows) and reading the screen back.
#pragma once

#include <windows.h>

#include <vector>

namespace harness {

// Colour of pixel (i, j) (column, row) of a PatternWindow painted with seed.
COLORREF PatternColor(int i, int j, int seed);
// Four plain blocks meeting at (64, 48), for pictures that go through resampling (a printout).
COLORREF QuadrantColor(int i, int j, int seed);
using Painter = COLORREF (*)(int i, int j, int seed);

// A topmost borderless popup that never activates, showing paint(i, j, seed) at client pixel (i, j). It is
// painted with SetDIBitsToDevice from memory, so every pixel is exact and the window owns no GDI objects (it
// does not disturb GdiObjectCount). Created on and must be destroyed on the calling thread.
class PatternWindow {
  public:
    PatternWindow(int x, int y, int w, int h, int seed = 0, Painter paint = PatternColor);
    ~PatternWindow();
    PatternWindow(const PatternWindow&) = delete;
    PatternWindow& operator=(const PatternWindow&) = delete;

    HWND hwnd() const { return hwnd_; }
    // Pumps until the screen shows the pattern at the corners and the centre.
    bool WaitPainted(int timeoutMs = 3000);
    // Puts every pattern window of this thread back on top of the display and waits until each shows
    // its pattern. Under Wine a window that becomes active is raised above the topmost ones on the X
    // display, though not in the window order, and would hide the pattern from a screen reader.
    static bool RestackAll(int timeoutMs = 3000);

  private:
    static LRESULT CALLBACK WndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    HWND hwnd_ = nullptr;
    int x_, y_, w_, h_, seed_;
    Painter paint_;
    std::vector<DWORD> pixels_;  // top-down 0x00RRGGBB
};

// Reads a screen rectangle the way a screen recorder does: GetDC(NULL), CreateCompatibleDC and
// CreateCompatibleBitmap(w, h), BitBlt SRCCOPY, GetBitmapBits(w * h * bytesPerPixel). Every GDI object is
// released again. The result has as many bytes as GetBitmapBits copied (empty on failure).
std::vector<unsigned char> ReadScreenBits(int x, int y, int w, int h, int bytesPerPixel);
// One screen pixel via a 1x1 BitBlt into a memory DC; CLR_INVALID on failure.
COLORREF ScreenPixel(int x, int y);

}  // namespace harness
