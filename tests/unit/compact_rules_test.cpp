#include "output/compact_rules.h"

#include <gtest/gtest.h>

#include <vector>

using vintrel::CompactProgressAt;
using vintrel::FrameGeometry;

namespace {

using Kept = std::vector<int32_t>;
using Blocks = std::vector<std::vector<uint8_t>>;

// Runs a pass over frames in separate heap blocks (a read past one stops the test under ASan), counting
// the rows compared.
Kept Pass(const FrameGeometry& g, const Blocks& frames, int* rows = nullptr) {
    Kept kept;
    int n = 0;
    vintrel::CompactPass(
        static_cast<int32_t>(frames.size()), g,
        [&](int32_t i, int32_t* bytes) {
            *bytes = static_cast<int32_t>(frames[i - 1].size());
            return frames[i - 1].data();
        },
        [&n](int32_t, int32_t) { return ++n > 0; }, [&kept](int32_t k) { return kept.push_back(k), true; });
    if (rows) *rows = n;
    return kept;
}

Blocks Same(size_t count, size_t bytes) {
    return Blocks(count, std::vector<uint8_t>(bytes, 7));
}

}  // namespace

TEST(CompactPass, KeepsTheFramesThatDifferFromTheLastFrameKept) {
    const FrameGeometry g = {8, 6, 4};
    Blocks f = Same(5, 8 * 6 * 4);
    f[2][40] ^= 1;  // A A B B A
    f[3][40] ^= 1;
    EXPECT_EQ(Pass(g, f), (Kept{1, 3, 5}));
    int rows = 0;
    EXPECT_EQ(Pass(g, Same(4, 8 * 6 * 4), &rows), Kept{1});
    EXPECT_EQ(rows, 3 * 4);  // rows 0 .. H-3 of frames 2 to 4
}

TEST(CompactPass, ComparesColumnsAndRowsUpToTheThirdLastOnly) {
    const struct {
        FrameGeometry g;
        int x, y;
        Kept kept;
        int rows;
    } cases[] = {{{9, 7, 4}, 7, 0, {1}, 5},
                 {{9, 7, 4}, 8, 2, {1}, 5},
                 {{9, 7, 4}, 3, 5, {1}, 5},
                 {{9, 7, 4}, 6, 4, {1, 2}, 5},
                 {{9, 7, 4}, 0, 0, {1, 2}, 1},
                 {{2, 6, 4}, 0, 0, {1}, 4},   // too narrow: rows scanned, no column compared
                 {{8, 2, 4}, 0, 0, {1}, 0}};  // too low: no row scanned
    for (const auto& c : cases) {
        Blocks f = Same(2, static_cast<size_t>(c.g.width * c.g.height * 4));
        f[1][static_cast<size_t>(c.y * c.g.width * 4 + c.x * 4 + 3)] ^= 1;
        int rows = 0;
        EXPECT_EQ(Pass(c.g, f, &rows), c.kept) << c.x << "," << c.y;
        EXPECT_EQ(rows, c.rows) << c.x << "," << c.y;
    }
}

TEST(CompactPass, SkipsRowPaddingAndNeverReadsPastAShortBlock) {
    // 5 pixels of 3 bytes: 15 bytes and one padding byte a row.
    Blocks f = Same(3, 16 * 5);
    f[1][15] ^= 1;          // padding of row 0
    f[2][2 * 16 + 8] ^= 1;  // last byte of pixel (2, 2)
    EXPECT_EQ(Pass({5, 5, 3}, f), (Kept{1, 3}));
    // Blocks of half a frame (the display's depth grew since they were made): rows past them are equal.
    Blocks half = Same(3, 10 * 10 * 2);
    half[2][4 * 40 + 7 * 4 + 2] ^= 1;  // pixel (7, 4), the last compared row the blocks hold
    int rows = 0;
    EXPECT_EQ(Pass({10, 10, 4}, half, &rows), (Kept{1, 3}));
    EXPECT_EQ(rows, 8 + 5);
}

TEST(CompactProgress, DividesFirstThenScalesAndRoundsDown) {
    const struct {
        int32_t height, k, y, count;
        int bar, percent;
    } cases[] = {{96, 2, 0, 10, 54, 19},      // the first update of 10 frames of 96 rows
                 {96, 10, 93, 10, 299, 100},  // the last
                 {5, 2, 1, 2, 219, 74},       // 11 / 15 * 300 is just below 220; 11 * 300 / 15 is not
                 {2000000000, 32767, 5, 32767, 299, 100}};  // far past 32 bits, no overflow
    for (const auto& c : cases) {
        EXPECT_EQ(CompactProgressAt(c.height, c.k, c.y, c.count).bar, c.bar) << c.height;
        EXPECT_EQ(CompactProgressAt(c.height, c.k, c.y, c.count).percent, c.percent) << c.height;
    }
}
