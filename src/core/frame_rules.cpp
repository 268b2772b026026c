#include "core/frame_rules.h"

#include <algorithm>
#include <limits>

namespace vintrel {

int32_t BytesPerPixelFromBits(int32_t bits) {
    if (bits <= 0) return 1;
    int32_t whole = bits / 8;
    const int32_t rest = bits % 8;
    if (rest > 4 || (rest == 4 && whole % 2 != 0)) ++whole;
    return std::max<int32_t>(whole, 1);
}

bool FrameBlockSize(int32_t width, int32_t height, int32_t bytesPerPixel, int32_t* size) {
    if (width <= 0 || height <= 0 || bytesPerPixel <= 0) return false;
    const int64_t product = static_cast<int64_t>(width) * height;
    // width * height can reach 2^62; check before the last multiplication.
    if (product > std::numeric_limits<int32_t>::max() / bytesPerPixel) return false;
    *size = static_cast<int32_t>(product * bytesPerPixel);
    return true;
}

int32_t FrameCopyBytes(int32_t width, int32_t height, int32_t bytesPerPixel, int32_t blockBytes) {
    if (blockBytes <= 0 || width <= 0 || height <= 0 || bytesPerPixel <= 0) return 0;
    const int64_t product = static_cast<int64_t>(width) * height;
    if (product > blockBytes) return blockBytes;
    return static_cast<int32_t>(std::min<int64_t>(product * bytesPerPixel, blockBytes));
}

}  // namespace vintrel
