// The main window: an MDI frame holding the frame views, with every command in its menu bar.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/mdi.h"

class frmVLs1;

class frmVLm1 : public rt::MdiForm {
  public:
    frmVLm1();
    ~frmVLm1() override;

    // The main window of this process while it is loaded, else nullptr.
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

    // Opens a view of frame `index` (1 .. Framemax), captioned ViewBatch-ViewSerial.
    void View_Open(int32_t& index);

  protected:
    rt::FormStyle Style() const override;
    void MDIForm_Load() override;
    void MDIForm_QueryUnload(int16_t& cancel, int unloadMode) override;
    void MDIForm_Unload() override;
    bool OnFrameMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;

  private:
    // The view objects opened by View_Open. A view's object outlives its window: the main window deletes
    // the objects of closed views at the next View_Open and when it goes itself, never while a view's own
    // handlers may still run (no View_Open runs inside another).
    std::vector<std::unique_ptr<frmVLs1>> views_;
};
