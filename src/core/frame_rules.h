// Window-free rules of the frame store.
#pragma once

#include <cstdint>

namespace vintrel {

// Bytes per pixel of a display with `bits` bits per pixel: bits / 8 rounded to the nearest integer,
// a half going to the even neighbour, and at least 1.
int32_t BytesPerPixelFromBits(int32_t bits);

// The byte size of one frame block, PicWidth x PicHeight x BytesPerPixel, when it is a usable block
// size (1 .. 2^31-1); false when a factor is not positive or the product does not fit in signed 32 bits.
bool FrameBlockSize(int32_t width, int32_t height, int32_t bytesPerPixel, int32_t* size);

// How many bytes may be copied between a frame bitmap and a block: the frame's byte count, but never
// more than the block holds (the display's depth may have changed since the block was allocated).
int32_t FrameCopyBytes(int32_t width, int32_t height, int32_t bytesPerPixel, int32_t blockBytes);

}  // namespace vintrel
