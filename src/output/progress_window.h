// The progress dialog of compaction. Loading it runs the whole pass: it stands topmost over every window
// while it compares the recorded frames and opens a view for each frame that differs from the last frame
// kept; its button cancels the pass.
#pragma once

#include <cstdint>

#include "platform/form.h"
#include "platform/picture_box.h"
#include "platform/controls.h"
#include "platform/runtime.h"

namespace rt {
class MdiBatch;
}

// frmPGS: the progress dialog "Form1" of 編集(E) > ｺﾝﾊﾟｸﾄ, with its 中止 button.
class frmPGS : public rt::Form {
  public:
    frmPGS();

    rt::Label Label2;
    rt::Label Label3;
    rt::PictureBox picPROGRESS;
    rt::PictureBox picFILL;  // inside picPROGRESS
    rt::Label lblPercent;
    rt::Label Label1;
    rt::CommandButton cmdCANCEL;

    void cmdCANCEL_Click();
    // The pass; returns when it has ended or was cancelled.
    void Compact_Run();

  protected:
    rt::FormStyle Style() const override;
    void Form_Load() override;
    void Form_QueryUnload(int16_t& cancel, int unloadMode) override;
    void Form_DpiChanged() override;

  private:
    // After row y of frame k: tells whether the pass goes on. The cancel flag is read after every row; the
    // display and the other windows get their turn once a slice of work has passed.
    bool AfterRow(int32_t k, int32_t y);
    // Shows the progress at the last row compared, if any (repainting only what changed), yields, and tells
    // whether the pass goes on.
    bool ShowAndYield();
    // A length of the 96-dpi layout at the dialog's resolution.
    int Scaled(int pixels) const;
    // Places the bar's frame and its filled part, bar_ of 300; PlaceFill only the filled part.
    void PlaceBar();
    void PlaceFill();

    rt::YieldPacer pacer_;
    rt::MdiBatch* batch_ = nullptr;  // the views of the running pass
    int bar_ = 0;
    int32_t rowK_ = 0;
    int32_t rowY_ = -1;  // -1 while no row was compared
};

// The one progress dialog of the process (created on first use).
frmPGS& ProgressWindow();
