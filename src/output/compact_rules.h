// Window-free rules of compaction: which recorded frames differ from the last frame kept, and the
// figures of the progress display.
#pragma once

#include <cstdint>
#include <functional>

namespace vintrel {

struct FrameGeometry {
    int32_t width;
    int32_t height;
    int32_t bytesPerPixel;
};

// Bytes of one scan line in a frame block: the pixels of a row, padded to an even number of bytes.
int64_t FrameStride(const FrameGeometry& g);

// Rows compared per frame pair: rows 0 .. height-3, none for a frame lower than 3.
int32_t ComparedRows(const FrameGeometry& g);

// Whether row y differs between two frame blocks within columns 0 .. width-3 (a pixel differs when its
// bytes differ). Reads only the first aBytes of a and bBytes of b; bytes beyond either block take no part.
bool RowDiffers(const uint8_t* a, int32_t aBytes, const uint8_t* b, int32_t bBytes, const FrameGeometry& g,
                int32_t y);

// The block of frame `index` and its length (nullptr when there is none).
using FrameSource = std::function<const uint8_t*(int32_t index, int32_t* bytes)>;

// One compaction pass over frames 1 .. count. Frame 1 is kept; every later frame is compared row by row,
// top to bottom, with the last frame kept, and kept when a row differs. afterRow(k, y) runs after every
// compared row of frame k (also the differing one, before frame k is kept); keep(k) runs for every frame
// kept. Either returning false ends the pass at once; the result tells whether the pass completed.
bool CompactPass(int32_t count, const FrameGeometry& g, const FrameSource& frame,
                 const std::function<bool(int32_t k, int32_t y)>& afterRow,
                 const std::function<bool(int32_t k)>& keep);

struct CompactProgress {
    int16_t bar;      // filled width of the 300-pixel bar
    int32_t percent;  // the number shown
};

// Progress after row y of frame k: done = height * k + y of total = height * (count + 1), divided first
// and then scaled to 300 and rounded down; the percentage is bar / 3 + 1.
CompactProgress CompactProgressAt(int32_t height, int32_t k, int32_t y, int32_t count);

}  // namespace vintrel
