// Stand-in for the frame view window until the real one lands: an MDI child with a picture box whose
// persistent image holds the view's picture, counted in OpenViewCount while it is loaded.
#pragma once

#include "platform/form.h"
#include "platform/picture_box.h"

class frmVLs1 : public rt::MdiChild {
  public:
    explicit frmVLs1(rt::MdiForm& frame);
    rt::PictureBox picFRM;

  protected:
    rt::FormStyle Style() const override;
    void Form_Load() override;
    void Form_Unload() override;
};
