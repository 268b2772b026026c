#include "output/compact_rules.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace vintrel {

int64_t FrameStride(const FrameGeometry& g) {
    const int64_t row =
        static_cast<int64_t>(std::max<int32_t>(g.width, 0)) * std::max<int32_t>(g.bytesPerPixel, 0);
    return row + row % 2;
}

int32_t ComparedRows(const FrameGeometry& g) {
    return std::max<int32_t>(g.height - 2, 0);
}

bool RowDiffers(const uint8_t* a, int32_t aBytes, const uint8_t* b, int32_t bBytes, const FrameGeometry& g,
                int32_t y) {
    if (!a || !b || g.width < 3 || g.bytesPerPixel <= 0 || y < 0) return false;
    // The compared pixels of a row lie side by side, so one comparison of their bytes tells.
    const int64_t begin = y * FrameStride(g);
    const int64_t end = std::min<int64_t>(begin + static_cast<int64_t>(g.width - 2) * g.bytesPerPixel,
                                          std::min(aBytes, bBytes));
    if (begin >= end) return false;
    return std::memcmp(a + begin, b + begin, static_cast<size_t>(end - begin)) != 0;
}

bool CompactPass(int32_t count, const FrameGeometry& g, const FrameSource& frame,
                 const std::function<bool(int32_t k, int32_t y)>& afterRow,
                 const std::function<bool(int32_t k)>& keep) {
    int32_t last = 0;
    for (int32_t k = 1; k <= count; ++k) {
        if (last != 0) {
            bool differs = false;
            for (int32_t y = 0; y < ComparedRows(g) && !differs; ++y) {
                // Read anew for every row: the store may be gone after the previous row's yield.
                int32_t aBytes = 0, bBytes = 0;
                const uint8_t* a = frame(last, &aBytes);
                const uint8_t* b = frame(k, &bBytes);
                differs = RowDiffers(a, aBytes, b, bBytes, g, y);
                if (!afterRow(k, y)) return false;
            }
            if (!differs) continue;
        }
        if (!keep(k)) return false;
        last = k;
    }
    return true;
}

CompactProgress CompactProgressAt(int32_t height, int32_t k, int32_t y, int32_t count) {
    const double done = static_cast<double>(height) * k + y;
    const double total = static_cast<double>(height) * (static_cast<double>(count) + 1);
    if (!(total > 0) || done < 0) return {0, 1};
    const double bar = std::min(std::floor(done / total * 300), 32767.0);
    const auto b = static_cast<int16_t>(bar);
    return {b, b / 3 + 1};
}

}  // namespace vintrel
