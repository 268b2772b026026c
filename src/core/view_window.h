// A frame view: an MDI child of the main window that shows one recorded frame at its real size, pixel for
// pixel, from its own copy of the frame; and the workspace the views open in.
#pragma once

#include <cstdint>

#include "platform/mdi.h"
#include "platform/picture_box.h"

// frmVLs1: a frame window ("フレーム ウィンドウ"), captioned batch-serial (1-1, 1-2, ...).
class frmVLs1 : public rt::MdiChild {
  public:
    explicit frmVLs1(rt::MdiForm& frame);

    // The view's picture. Its persistent image is the view's own copy of its frame, at the frame's size:
    // what the window repaints from and what saving and printing take.
    rt::PictureBox picFRM;

    // Draws frame `index` of the frame store into the persistent image and shows it. Only the bytes that
    // the frame's block holds are read. False when the drawing objects could not be made.
    bool DrawFrame(int32_t index);

  protected:
    rt::FormStyle Style() const override;
    void Form_Load() override;
    void Form_Unload() override;
};

// The workspace the views open in: the main window from its load to its unload, else nullptr. The windows
// that open views or stand by the main window reach it here.
rt::MdiForm* Workspace();
void SetWorkspace(rt::MdiForm* frame);

// Fails with "out of memory" (RuntimeError 7) when one more view would not leave the memory and the
// system objects that the program's own windows need.
void View_EnsureRoom();
// Opens a view of frame `index` (1 .. Framemax) in the workspace, captioned ViewBatch-ViewSerial. Fails
// as View_EnsureRoom, or when the view's window, picture or drawing objects cannot be made; no view is
// left open then.
void View_Open(int32_t& index);
// Deletes the view objects, when the workspace's window goes. A view's object outlives its window: the
// objects of closed views are deleted at the next View_Open and here, never while a view's own handlers may
// still run (no View_Open runs inside another).
void Views_Release();

// Open-all and compaction are runs: RunState is 3 from their start, with no cancel pending, until they end,
// however they end.
class BatchRun {
  public:
    BatchRun();
    ~BatchRun();
    BatchRun(const BatchRun&) = delete;
    BatchRun& operator=(const BatchRun&) = delete;
};

// Raises ViewBatch for a new batch of views; it stays at its largest value instead of wrapping.
void ViewBatch_Raise();
