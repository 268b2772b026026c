// Device-independent pixels of bitmaps, for writing files and drawing on other devices.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

namespace rt {

// Pixels of a bitmap at its own size, top-down, as 0x00RRGGBB values.
struct DibPixels {
    int32_t width = 0;
    int32_t height = 0;
    std::vector<uint32_t> pixels;
};

// Reads every pixel of `bitmap`, which must not be selected into a device context; false when it has no
// pixels, is selected into one, or cannot be read.
bool ReadBitmapPixels(HBITMAP bitmap, DibPixels* out);

// Draws `dib` stretched to width x height at (x, y) of `dc`; false when the device drew nothing.
bool DrawDibPixels(HDC dc, int x, int y, int width, int height, const DibPixels& dib);

}  // namespace rt
