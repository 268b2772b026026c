// The capture window: record standby, recording and playback through its three timers, and the
// size check's display of an empty rectangle.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

#include "capture/capture_rules.h"
#include "platform/form.h"
#include "platform/picture_box.h"
#include "platform/timer.h"

// frmVLc1: the capture window, with no title: minimised in standby and recording, it shows the playback.
class frmVLc1 : public rt::Form {
  public:
    frmVLc1();

    rt::PictureBox PicCAPT;
    rt::Timer timKEYIN;
    rt::Timer timREC;
    rt::Timer timPLAY;

    void timKEYIN_Timer();
    void timREC_Timer();
    void timPLAY_Timer();

    // Top-left corner of the capture rectangle, in screen pixels.
    POINT CapturePoint = {0, 0};
    // Largest anchor: for the primary screen once activated, then for the monitor of the cursor.
    int32_t MaxLeft = 0;
    int32_t MaxTop = 0;
    int32_t SavedPicWidth = 0;
    int32_t SavedPicHeight = 0;

  protected:
    rt::FormStyle Style() const override;
    void Form_Load() override;
    void Form_Activate() override;
    void Form_QueryUnload(int16_t& cancel, int unloadMode) override;
    void Form_DpiChanged() override;
    bool OnMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;

  private:
    void ActivateSteps();
    // Standby and playback begin alike: first frame next, earlier key presses forgotten, one timer on.
    void BeginActivity(bool persistentImage, rt::Timer& timer, int16_t runState);
    void FitToFrameSize();
    // Reads the cursor into CapturePoint and takes MaxLeft and MaxTop from the monitor it is on.
    void TakeCursorAnchor();
    // Reads the monitors of the desktop: when a recording starts and when the display changes, so that a
    // tick does not ask the window system for them again.
    void ReadMonitors();
    void EndRecording(const wchar_t* message);
    void EndPlayback();
    bool CancelSeen() const;

    std::vector<vintrel::MonitorBounds> monitors_;
    // Drawing resources of one tick; valid only within it.
    HDC ScreenDC = nullptr;
    HDC MemoryDC = nullptr;
    HBITMAP FrameBitmap = nullptr;
};

// The one capture window of the process (created on first use, loaded on demand).
frmVLc1& CaptureWindow();
