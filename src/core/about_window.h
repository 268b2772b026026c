// The About box: the program's icon, name, version and an OK button. Modeless and one of a kind;
// it does not belong to the main window, so it may outlast it.
#pragma once

#include "platform/controls.h"
#include "platform/form.h"
#include "platform/picture_box.h"

// frmVLat: the About box "ﾊﾞｰｼﾞｮﾝ情報" of ﾍﾙﾌﾟ(H) > ﾊﾞｰｼﾞｮﾝ情報.
class frmVLat : public rt::Form {
  public:
    frmVLat();

    rt::CommandButton cmdOK;
    rt::PictureBox picIcon;
    rt::Label lblTitle;
    rt::Label lblVersion;
    rt::Label lblDescription;
    rt::Label Label1;
    rt::Label lblDisclaimer;

    void cmdOK_Click();

  protected:
    rt::FormStyle Style() const override;
    void Form_Load() override;
    void Form_DpiChanged() override;

  private:
    // The icon's box, 540 twips square, with the icon drawn into its persistent image.
    void PlaceIcon();
};

// The About box of the process (its window is created when it is shown).
frmVLat& AboutWindow();
