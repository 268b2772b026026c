// Window-free rules of saving and printing: the file names cut from the save dialog's answer, the
// bitmap file writer and the printed size of a picture.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vintrel {

// The file the single save writes, from the path the save dialog returned and the position of its
// extension (nFileExtension, counted in characters from 0): the path up to the third extension
// character ("frame.jpeg" gives "frame.jpe"); a shorter extension keeps the whole path. Without an
// extension position inside the path (0, or at its end after a final dot) the path is taken as it is.
std::wstring SingleSaveName(std::wstring_view path, int extensionPos);

// The stem of save-all's names: the path without its last extension and the dot before it. Without an
// extension position inside the path, the path without a final dot.
std::wstring SaveAllStem(std::wstring_view path, int extensionPos);

// A standard Windows BMP file (file header, BITMAPINFOHEADER, 24 bits per pixel, bottom-up, rows padded
// to 4 bytes) of width x height pixels given top-down as 0x00RRGGBB values. False, with `file` left
// empty, when a side is not positive, `pixels` is too short or the file would not fit its 32-bit size.
bool EncodeBmp24(const std::vector<uint32_t>& pixels, int32_t width, int32_t height,
                 std::vector<uint8_t>* file);

// A picture extent in printer dots for the size the screen shows it: pixels x printer dpi / screen dpi,
// rounded, never beyond 32 bits. A resolution that is not positive counts as equal to the other.
int32_t PrintExtent(int32_t pixels, int32_t printerDpi, int32_t screenDpi);

}  // namespace vintrel
