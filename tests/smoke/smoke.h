// End-to-end journeys of the real program. vintrel.exe runs as its own process and is driven from this
// one the way a user drives it: its main window activated, menus chosen with the keyboard's access keys,
// keys pressed, message boxes read and answered by a click on their buttons, the screen read back.
#pragma once

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "harness.h"

// One journey: a fresh vintrel.exe with no stored settings, ended again afterwards.
class Journey : public testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    // Stores a setting for the next start, as the settings dialog would have.
    static void StoreSetting(const wchar_t* key, const wchar_t* value);
    // Starts vintrel.exe and waits until its main window shows; its message boxes are then answered
    // by clicks. Use as ASSERT_NO_FATAL_FAILURE(Start()).
    void Start();
    // Starts the program to record `frames` frames of w x h pixels, `intervalMs` apart, of a still
    // picture that `paint` draws, with the real start key, and answers the message that ends it. The
    // picture is gone afterwards: from then on only the program can show it.
    void StartAndRecord(int w, int h, int frames, int intervalMs,
                        harness::Painter paint = harness::PatternColor);
    // Records with the start key once more, the program running, and waits until the box that ends the
    // recording is answered; with `cancel` the cancel key follows soon after the start key, and a
    // standby that the cancel ended before the recording began ends without a box.
    void Record(bool cancel = false);
    // Pixel (i, j) of every recorded frame.
    COLORREF Recorded(int i, int j) const;
    // Pixels of a w x h recorded frame drawn at the window's client origin that the screen shows
    // otherwise, within the client areas of the window and its parents; -1 when none of it lies there.
    int WrongPixels(HWND window, int w, int h) const;
    // Pixels of a window's client area on the screen that differ from its corner, its background.
    int InkPixels(HWND window) const;

    // Chooses a menu item with the keyboard once the main window has it: F10 and the menu's access
    // key, then the item's access key, or Down `downs` times and Enter. Fails when the main window
    // does not have the keyboard or its menu does not open.
    void Menu(wchar_t menuKey, int downs, wchar_t itemKey = 0);
    // Clicks the part of the main window's frame (HTCAPTION, HTCLOSE, HTMINBUTTON) that hit-testing
    // finds on the caption's middle line.
    void ClickFrame(LRESULT part);
    // The capture window: the program's top-level form without a caption.
    HWND CaptureWindow() const;
    // A shown top-level window of the program with this title (a dialog), or nullptr.
    HWND Shown(const std::wstring& title) const;
    // The frame views the user sees (the shown MDI children of the main window) by caption.
    std::map<std::wstring, HWND> Views() const;
    // Just the captions of Views(), in order.
    std::vector<std::wstring> ViewCaptions() const;
    bool Running() const;

    // Waits until n boxes were seen, each answered and closed.
    bool BoxesAnswered(size_t n, int timeoutMs = 10000) const;
    // Boxes seen so far, as "title|text".
    std::vector<std::wstring> BoxLines() const;

    std::unique_ptr<harness::Process> app;
    HWND main = nullptr;
    std::unique_ptr<harness::BoxWatcher> boxes;

  private:
    harness::Painter recorded_ = harness::PatternColor;
    int recordMs_ = 15000;  // how long the last recording may take
};

std::wstring BoxLine(const std::wstring& title, const std::wstring& text);
// Replaces the text of the text box that has the keyboard, as a user does: to its end, erase, type.
bool Retype(HWND box, const std::wstring& text);

#define EXPECT_BOXES(...) EXPECT_EQ(BoxLines(), (std::vector<std::wstring>{__VA_ARGS__}))
