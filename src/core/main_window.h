// The main window: an MDI frame holding the frame views, with every command in its menu bar.
#pragma once

#include <cstdint>

#include "platform/mdi.h"

// frmVLm1: the main window "VINTREL Ver.1", the MDI frame with every menu command.
class frmVLm1 : public rt::MdiForm {
  public:
    frmVLm1();
    ~frmVLm1() override;

    // The main window of this process while it is loaded, else nullptr (the workspace of the views).
    static frmVLm1* Instance();

    void mfSAVE_Click();
    void mfALLSAVE_Click();
    void mfPRINT_Click();
    void mfEXIT_Click();
    void mePLAY_Click();
    void meALL_Click();
    void meCOMPACT_Click();
    void meCANCEL_Click();
    void mcSTART_Click();
    void mcCANCEL_Click();
    void mtEST_Click();
    void mtESTDEL_Click();
    void mwHorizontal_Click();
    void mwCascade_Click();
    void mwDELETE_Click();
    void mhHLP_Click();
    void mhVER_Click();

    // The refusal shared by the commands that must not overlap a run: true when the command must
    // end here (something runs; the user was told, and the capture window is shown).
    bool Busy_Refused(const wchar_t* title);

  protected:
    rt::FormStyle Style() const override;
    void MDIForm_Load() override;
    void MDIForm_QueryUnload(int16_t& cancel, int unloadMode) override;
    void MDIForm_Unload() override;
    bool OnFrameMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;
};
