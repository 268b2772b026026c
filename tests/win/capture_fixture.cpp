#include "capture_fixture.h"

#include <algorithm>

#include "core/view_window.h"

void CaptureTest::SetUp() {
    AppTest::SetUp();
    Start();
    ASSERT_EQ(VL.BytesPerPixel, 4) << "these tests read 32-bit screen pixels";
    VL.KeyTimer = 50;
    VL.RecTimer = 100;
}

void CaptureTest::EnterStandby() {
    main->mcSTART_Click();
    ASSERT_TRUE(harness::WaitUntil(
        [this] {
            return VL.RunState == 1 && capture.timKEYIN.Enabled() && capture.WindowState() == rt::kMinimized;
        },
        5000));
    // The main window has taken the activation back; the screen must still show the patterns.
    ASSERT_TRUE(harness::PatternWindow::RestackAll());
}

bool CaptureTest::WaitIdle(int timeoutMs) {
    return harness::WaitUntil(
        [this] {
            return VL.RunState == 0 && !capture.timKEYIN.Enabled() && !capture.timREC.Enabled() &&
                   !capture.timPLAY.Enabled();
        },
        timeoutMs);
}

std::vector<unsigned char> CaptureTest::FrameBytes(int frame) const {
    int32_t bytes = 0;
    const BYTE* block = Frame_Block(frame, &bytes);
    if (!block) return {};
    return std::vector<unsigned char>(block, block + bytes);
}

void CaptureTest::ExpectFrameShowsPattern(int frame, POINT anchor, int px, int py, int seed) const {
    const std::vector<unsigned char> bytes = FrameBytes(frame);
    ASSERT_EQ(bytes.size(), static_cast<size_t>(VL.PicWidth) * VL.PicHeight * 4);
    int bad = 0, minI = 9999, minJ = 9999, maxI = -1, maxJ = -1;
    for (int j = 0; j < VL.PicHeight; ++j) {
        for (int i = 0; i < VL.PicWidth; ++i) {
            const COLORREF want = harness::PatternColor(anchor.x - px + i, anchor.y - py + j, seed);
            const unsigned char* p = &bytes[(static_cast<size_t>(j) * VL.PicWidth + i) * 4];
            if (RGB(p[2], p[1], p[0]) != want) {
                ++bad;
                minI = std::min(minI, i);
                maxI = std::max(maxI, i);
                minJ = std::min(minJ, j);
                maxJ = std::max(maxJ, j);
            }
        }
    }
    EXPECT_EQ(bad, 0) << "frame " << frame << " box " << minI << "," << minJ << "-" << maxI << "," << maxJ;
}

void CaptureTest::FillFrame(int frame, COLORREF color) {
    int32_t bytes = 0;
    BYTE* block = Frame_Block(frame, &bytes);
    ASSERT_NE(block, nullptr);
    for (int32_t b = 0; b + 3 < bytes; b += 4) {
        block[b] = GetBValue(color);
        block[b + 1] = GetGValue(color);
        block[b + 2] = GetRValue(color);
        block[b + 3] = 0;
    }
}

COLORREF CaptureTest::PreviewColor() const {
    POINT p = {VL.PicWidth / 2, VL.PicHeight / 2};
    ClientToScreen(capture.PicCAPT.hWnd(), &p);
    return harness::ScreenPixel(p.x, p.y);
}

void CaptureTest::RecordAt(POINT cursor) {
    ASSERT_TRUE(harness::SetCursorStable(cursor.x, cursor.y));
    EnterStandby();
    // Once more: a pointer motion that a loaded display reports late can have moved it back meanwhile.
    ASSERT_TRUE(harness::SetCursorStable(cursor.x, cursor.y));
    harness::TapKey(VK_F11);
    ASSERT_TRUE(WaitIdle());
}

void CaptureTest::RecordUntilFrame(int frame) {
    EnterStandby();
    harness::TapKey(VK_F11);
    ASSERT_TRUE(harness::WaitUntil([frame] { return VL.FrameCursor == frame; }, 5000));
}

void CaptureTest::Recorded(const std::vector<COLORREF>& frames, int height) {
    Reallocate(40, height, static_cast<int16_t>(frames.size()));
    for (size_t f = 0; f < frames.size(); ++f) FillFrame(static_cast<int>(f + 1), frames[f]);
    VL.RecordedCount = static_cast<int32_t>(frames.size());
}

std::vector<std::wstring> CaptureTest::ViewCaptions(std::vector<COLORREF>* colors) const {
    std::vector<std::tuple<int, std::wstring, COLORREF>> views;
    for (rt::Form* f : main->Children()) {
        const std::wstring caption = f->Caption();
        DWORD p = 0;
        GetBitmapBits(dynamic_cast<frmVLs1*>(f)->picFRM.Image(), 4, &p);
        if (f->Visible())
            views.push_back({std::stoi(caption.substr(caption.find(L'-') + 1)), caption,
                             RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF)});
    }
    std::sort(views.begin(), views.end());
    std::vector<std::wstring> captions;
    for (const auto& v : views) {
        captions.push_back(std::get<1>(v));
        if (colors) colors->push_back(std::get<2>(v));
    }
    return captions;
}
