// The settings dialog: interval, frames, start and cancel keys, capture size and the window lock,
// beside the machine's memory status, the colour depth and the memory the entered settings need.
// Its input checks run whenever the focus enters an input control or the OK button.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "platform/controls.h"
#include "platform/form.h"
#include "platform/runtime.h"

// frmVLEST: the settings dialog "設定" of ﾂｰﾙ(T) > 設定.
class frmVLEST : public rt::Form {
  public:
    frmVLEST();

    // The controls that take the focus, in tab order.
    rt::TextBox txtESTfint;
    rt::TextBox txtESTfmax;
    rt::ComboBox Combo1;
    rt::ComboBox Combo2;
    rt::TextBox txtESTfwidth;
    rt::TextBox txtESTfheight;
    rt::CommandButton cmdESTok;
    rt::CommandButton cmdESTcan;
    rt::CommandButton cmdCHECK;
    rt::CheckBox cbxWinLock;

    rt::Label lblMemoryLoad;
    rt::Label lblTotalPhys;
    rt::Label lblAvailPhys;
    rt::Label lblTotalPageFile;
    rt::Label lblAvailPageFile;
    rt::Label lblTotalVirtual;
    rt::Label lblAvailVirtual;
    rt::Label lblColorCnt;
    rt::Label lblMemCnt;

    // Set at load and after a rejected field: the next check only clears it, so that the focus
    // event of the control the focus is put into does not report again.
    int16_t CheckNG = 0;
    int16_t KeyStartIndex = -1;
    int16_t KeyCancelIndex = -1;

    void InPut_Check();
    void cmdESTok_Click();
    void cmdESTcan_Click();
    void cmdCHECK_Click();
    // The focus entering an input control or OK checks every field.
    void txtESTfint_GotFocus() { InPut_Check(); }
    void txtESTfmax_GotFocus() { InPut_Check(); }
    void Combo1_GotFocus() { InPut_Check(); }
    void Combo2_GotFocus() { InPut_Check(); }
    void txtESTfwidth_GotFocus() { InPut_Check(); }
    void txtESTfheight_GotFocus() { InPut_Check(); }
    void cmdESTok_GotFocus() { InPut_Check(); }

  protected:
    rt::FormStyle Style() const override;
    void Form_Load() override;
    void Form_Activate() override;
    void Form_KeyPress(int16_t& keyAscii) override;

  private:
    // Examines every field in order; false after rejecting one.
    bool CheckFields();
    bool Reject(rt::WinControl& field);
    std::optional<double> Number(const rt::WinControl& box) const;
    void RefreshEstimate();
    int MsgBox(const wchar_t* text, UINT style, const wchar_t* title);

    rt::NumberSymbols symbols_;
    std::vector<std::unique_ptr<rt::Label>> captions_;
};
