#include "platform/bitmap.h"

namespace rt {

namespace {

BITMAPINFO TopDown32(const DibPixels& dib) {
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = dib.width;
    info.bmiHeader.biHeight = -dib.height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    return info;
}

}  // namespace

bool ReadBitmapPixels(HBITMAP bitmap, DibPixels* out) {
    BITMAP bm = {};
    if (!bitmap || !GetObjectW(bitmap, sizeof(bm), &bm) || bm.bmWidth <= 0 || bm.bmHeight <= 0) return false;
    // GetDIBits is not defined for a selected bitmap; a bitmap held by one device context cannot enter
    // another.
    HDC probe = CreateCompatibleDC(nullptr);
    HGDIOBJ previous = SelectObject(probe, bitmap);
    if (previous) SelectObject(probe, previous);
    DeleteDC(probe);
    if (!previous) return false;
    out->width = bm.bmWidth;
    out->height = bm.bmHeight;
    out->pixels.assign(static_cast<size_t>(bm.bmWidth) * static_cast<size_t>(bm.bmHeight), 0);
    BITMAPINFO info = TopDown32(*out);
    HDC screen = GetDC(nullptr);
    const int rows = GetDIBits(screen, bitmap, 0, static_cast<UINT>(bm.bmHeight), out->pixels.data(), &info,
                               DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    if (rows != bm.bmHeight) return false;
    // The fourth byte is undefined for 32-bit BI_RGB.
    for (uint32_t& p : out->pixels) p &= 0x00FFFFFF;
    return true;
}

bool DrawDibPixels(HDC dc, int x, int y, int width, int height, const DibPixels& dib) {
    BITMAPINFO info = TopDown32(dib);
    const int lines = StretchDIBits(dc, x, y, width, height, 0, 0, dib.width, dib.height, dib.pixels.data(),
                                    &info, DIB_RGB_COLORS, SRCCOPY);
    return lines != 0 && lines != static_cast<int>(GDI_ERROR);
}

}  // namespace rt
