#include "output/output_rules.h"

#include <gtest/gtest.h>

using namespace vintrel;

TEST(SaveNames, BothCutsOfTheDialogsAnswer) {
    const struct {
        const wchar_t* path;
        int extensionPos;
        const wchar_t* single;
        const wchar_t* stem;
    } cases[] = {
        {L"C:\\pic\\無題.bmp", 10, L"C:\\pic\\無題.bmp", L"C:\\pic\\無題"},
        {L"C:\\pic\\frame.jpeg", 13, L"C:\\pic\\frame.jpe", L"C:\\pic\\frame"},
        {L"C:\\pic\\frame.bmp", 13, L"C:\\pic\\frame.bmp",
         L"C:\\pic\\frame"},  // frame, .bmp added by the dialog
        {L"C:\\pic\\a.gz", 9, L"C:\\pic\\a.gz", L"C:\\pic\\a"},
        {L"C:\\pic\\x.b", 9, L"C:\\pic\\x.b", L"C:\\pic\\x"},
        {L"C:\\my.dir\\shot.bmp", 15, L"C:\\my.dir\\shot.bmp", L"C:\\my.dir\\shot"},
        {L"C:\\my.dir\\shot", 0, L"C:\\my.dir\\shot", L"C:\\my.dir\\shot"},
        {L"C:\\pic\\frame.", 0, L"C:\\pic\\frame.", L"C:\\pic\\frame"},   // final dot, position 0
        {L"C:\\pic\\frame.", 13, L"C:\\pic\\frame.", L"C:\\pic\\frame"},  // ... or at the end
        {L"C:\\pic\\frame", 99, L"C:\\pic\\frame", L"C:\\pic\\frame"},    // never past the name
        {L"", 0, L"", L""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(SingleSaveName(c.path, c.extensionPos), c.single) << c.path;
        EXPECT_EQ(SaveAllStem(c.path, c.extensionPos), c.stem) << c.path;
    }
}

TEST(BmpWriter, WritesHeadersAndPaddedBottomUpRows) {
    // 3 x 2 pixels: rows of 9 bytes padded to 12; the bottom row comes first.
    const std::vector<uint32_t> pixels = {0x112233, 0x445566, 0x778899, 0xAABBCC, 0xDDEEFF, 0x010203};
    std::vector<uint8_t> file;
    ASSERT_TRUE(EncodeBmp24(pixels, 3, 2, &file));
    const std::vector<uint8_t> expected = {
        'B',  'M',  78,   0,    0,    0,    0,    0,    0,    0, 54, 0, 0, 0,  // file header
        40,   0,    0,    0,    3,    0,    0,    0,    2,    0, 0,  0, 1, 0,
        24,   0,    0,    0,    0,    0,  // size, width, height, planes, bits, BI_RGB
        24,   0,    0,    0,    0,    0,    0,    0,    0,    0, 0,  0, 0, 0,
        0,    0,    0,    0,    0,    0,                                 // image bytes, resolution, colours
        0xCC, 0xBB, 0xAA, 0xFF, 0xEE, 0xDD, 0x03, 0x02, 0x01, 0, 0,  0,  // bottom row, blue first
        0x33, 0x22, 0x11, 0x66, 0x55, 0x44, 0x99, 0x88, 0x77, 0, 0,  0,  // top row
    };
    EXPECT_EQ(file, expected);

    // A width whose rows need no padding, and the default frame size.
    ASSERT_TRUE(EncodeBmp24(std::vector<uint32_t>(4, 0), 4, 1, &file));
    EXPECT_EQ(file.size(), 54u + 12u);
    ASSERT_TRUE(EncodeBmp24(std::vector<uint32_t>(128 * 96, 0), 128, 96, &file));
    EXPECT_EQ(file.size(), 54u + 128u * 3u * 96u);
}

TEST(BmpWriter, RefusesWhatItCannotWrite) {
    std::vector<uint8_t> file = {1};
    EXPECT_FALSE(EncodeBmp24({}, 0, 1, &file));
    EXPECT_FALSE(EncodeBmp24({1, 2}, 2, -1, &file));
    EXPECT_FALSE(EncodeBmp24({1, 2, 3}, 2, 2, &file));  // fewer pixels than the sides say
    EXPECT_FALSE(EncodeBmp24({1}, 65536, 65536, &file));
    EXPECT_TRUE(file.empty());
}

TEST(PrintExtent, ScreenSizeOnThePrinter) {
    EXPECT_EQ(PrintExtent(128, 300, 96), 400);
    EXPECT_EQ(PrintExtent(96, 300, 96), 300);
    EXPECT_EQ(PrintExtent(101, 600, 96), 631);  // 631.25
    EXPECT_EQ(PrintExtent(3, 150, 96), 5);      // 4.69
    EXPECT_EQ(PrintExtent(128, 96, 96), 128);
    EXPECT_EQ(PrintExtent(128, 300, 0), 128);
    EXPECT_EQ(PrintExtent(2000000000, 1200, 72), 2147483647);
}
