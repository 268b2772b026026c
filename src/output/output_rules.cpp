#include "output/output_rules.h"

#include <algorithm>
#include <limits>

namespace vintrel {

namespace {

// An extension position that lies inside the path: after at least a dot and before the end.
bool HasExtension(std::wstring_view path, int extensionPos) {
    return extensionPos >= 1 && static_cast<size_t>(extensionPos) < path.size();
}

std::wstring_view WithoutFinalDot(std::wstring_view path) {
    if (!path.empty() && path.back() == L'.') path.remove_suffix(1);
    return path;
}

void PutLE(std::vector<uint8_t>& out, uint64_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

}  // namespace

std::wstring SingleSaveName(std::wstring_view path, int extensionPos) {
    if (!HasExtension(path, extensionPos)) return std::wstring(path);
    return std::wstring(path.substr(0, std::min(path.size(), static_cast<size_t>(extensionPos) + 3)));
}

std::wstring SaveAllStem(std::wstring_view path, int extensionPos) {
    if (!HasExtension(path, extensionPos)) return std::wstring(WithoutFinalDot(path));
    return std::wstring(path.substr(0, static_cast<size_t>(extensionPos) - 1));
}

bool EncodeBmp24(const std::vector<uint32_t>& pixels, int32_t width, int32_t height,
                 std::vector<uint8_t>* file) {
    constexpr uint64_t kHeaders = 14 + 40;
    file->clear();
    if (width <= 0 || height <= 0) return false;
    const uint64_t count = static_cast<uint64_t>(width) * static_cast<uint64_t>(height);
    const uint64_t stride = (static_cast<uint64_t>(width) * 3 + 3) & ~uint64_t{3};
    const uint64_t imageBytes = stride * static_cast<uint64_t>(height);
    if (pixels.size() < count || kHeaders + imageBytes > std::numeric_limits<uint32_t>::max()) return false;
    file->reserve(static_cast<size_t>(kHeaders + imageBytes));
    // BITMAPFILEHEADER
    file->push_back('B');
    file->push_back('M');
    PutLE(*file, kHeaders + imageBytes, 4);
    PutLE(*file, 0, 4);  // two reserved words
    PutLE(*file, kHeaders, 4);
    // BITMAPINFOHEADER: a positive height means the rows run bottom-up.
    PutLE(*file, 40, 4);
    PutLE(*file, static_cast<uint32_t>(width), 4);
    PutLE(*file, static_cast<uint32_t>(height), 4);
    PutLE(*file, 1, 2);   // planes
    PutLE(*file, 24, 2);  // bits per pixel
    PutLE(*file, 0, 4);   // BI_RGB
    PutLE(*file, imageBytes, 4);
    PutLE(*file, 0, 4);  // no resolution recorded
    PutLE(*file, 0, 4);
    PutLE(*file, 0, 4);  // no colour table
    PutLE(*file, 0, 4);
    const size_t padding = static_cast<size_t>(stride - static_cast<uint64_t>(width) * 3);
    for (int32_t y = height - 1; y >= 0; --y) {
        const uint32_t* row = pixels.data() + static_cast<size_t>(y) * static_cast<size_t>(width);
        for (int32_t x = 0; x < width; ++x) {
            file->push_back(static_cast<uint8_t>(row[x]));        // blue
            file->push_back(static_cast<uint8_t>(row[x] >> 8));   // green
            file->push_back(static_cast<uint8_t>(row[x] >> 16));  // red
        }
        file->insert(file->end(), padding, 0);
    }
    return true;
}

int32_t PrintExtent(int32_t pixels, int32_t printerDpi, int32_t screenDpi) {
    if (printerDpi <= 0 || screenDpi <= 0) return pixels;
    const int64_t scaled =
        (static_cast<int64_t>(pixels) * printerDpi * 2 + screenDpi) / (int64_t{2} * screenDpi);
    return static_cast<int32_t>(std::clamp<int64_t>(scaled, std::numeric_limits<int32_t>::min(),
                                                    std::numeric_limits<int32_t>::max()));
}

}  // namespace vintrel
