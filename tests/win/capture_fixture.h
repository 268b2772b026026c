// Set-up for driving the capture window through the main window's commands, real keys and timers.
#pragma once

#include "app_fixture.h"

class CaptureTest : public AppTest {
  protected:
    void SetUp() override;

    // Enters record standby through the menu command and waits until the window stands by.
    void EnterStandby();
    // Waits until nothing runs any more (an ending message box is answered by the watcher).
    bool WaitIdle(int timeoutMs = 15000);
    // Frame bytes as stored in the frame store.
    std::vector<unsigned char> FrameBytes(int frame) const;
    // Checks that a stored frame holds the pattern of `pattern` (at pattern screen position px, py)
    // for a capture rectangle anchored at screen point `anchor`.
    void ExpectFrameShowsPattern(int frame, POINT anchor, int px, int py, int seed) const;
    // Fills frame `frame` with one colour (in the display's 32-bit layout).
    void FillFrame(int frame, COLORREF color);
    // The colour the screen shows at the centre of the capture window's picture box.
    COLORREF PreviewColor() const;
    // Records at the cursor position with the real start key, until the recording ends.
    void RecordAt(POINT cursor);
    // Starts a recording with the real start key and waits until frame `frame` has been taken.
    void RecordUntilFrame(int frame);
    // A recording of 40 x height pixels with one colour per frame, put into the frame store.
    void Recorded(const std::vector<COLORREF>& frames, int height = 30);
    // Captions of the shown frame views in the order they were opened, and the colour of their first pixel.
    std::vector<std::wstring> ViewCaptions(std::vector<COLORREF>* colors = nullptr) const;
};

// Expects exactly these message boxes, as "title|text" lines.
#define EXPECT_BOXES(...) EXPECT_EQ(BoxLines(), (std::vector<std::wstring>{__VA_ARGS__}))
