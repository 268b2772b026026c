// A frame view: an MDI child of the main window that shows one recorded frame at its real size, pixel for
// pixel, from its own copy of the frame.
#pragma once

#include <cstdint>

#include "platform/mdi.h"
#include "platform/picture_box.h"

class frmVLs1 : public rt::MdiChild {
  public:
    explicit frmVLs1(rt::MdiForm& frame);

    // The view's picture. Its persistent image is the view's own copy of its frame, at the frame's size:
    // what the window repaints from and what saving and printing take.
    rt::PictureBox picFRM;

    // Draws frame `index` of the frame store into the persistent image and shows it. Only the bytes that
    // the frame's block holds are read.
    void DrawFrame(int32_t index);

  protected:
    rt::FormStyle Style() const override;
    void Form_Load() override;
    void Form_Unload() override;
};

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
