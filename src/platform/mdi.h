// MDI: the frame whose client area holds the children, the children, and holding the workspace's
// redrawing while many children open or close.
#pragma once

#include <windows.h>

#include <vector>

#include "platform/form.h"

namespace rt {

// MDI frame window: its client area is the MDI client that holds the children.
class MdiForm : public Form {
  public:
    HWND MdiClient() const { return client_; }
    // Arrangement: 0 cascade, 1 tile horizontally, 2 tile vertically, 3 arrange icons.
    void Arrange(int arrangement);
    // The active MDI child's form, or nullptr.
    Form* ActiveForm() const;
    std::vector<Form*> Children() const;
    bool Unload(int mode = kUnloadByCode) override;

  protected:
    // The events of an MDI frame.
    virtual void MDIForm_Load() {}
    virtual void MDIForm_QueryUnload(int16_t& /*cancel*/, int /*unloadMode*/) {}
    virtual void MDIForm_Unload() {}
    // Menu commands and other messages of the frame; true when handled.
    virtual bool OnFrameMessage(UINT /*msg*/, WPARAM /*wp*/, LPARAM /*lp*/, LRESULT& /*result*/) {
        return false;
    }

    LRESULT DefaultProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) override;
    bool OnMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) final;

  private:
    void Form_Load() final { MDIForm_Load(); }
    void Form_QueryUnload(int16_t& cancel, int unloadMode) final { MDIForm_QueryUnload(cancel, unloadMode); }
    void Form_Unload() final { MDIForm_Unload(); }

    HWND client_ = nullptr;
};

// MDI child of a given frame.
class MdiChild : public Form {
  public:
    explicit MdiChild(MdiForm& frame) : frame_(frame) {}

  protected:
    HWND CreateNativeWindow(const FormStyle& style, int outerWidth, int outerHeight) override;
    LRESULT DefaultProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) override;

  private:
    MdiForm& frame_;
};

// Holds the redrawing of a window and everything in it while it is in scope, then repaints it whole.
// Closing MDI children one after another otherwise repaints the workspace and draws the next child active
// each time, a cost that grows with the square of their number.
class RedrawHold {
  public:
    explicit RedrawHold(HWND window);
    ~RedrawHold();
    RedrawHold(const RedrawHold&) = delete;
    RedrawHold& operator=(const RedrawHold&) = delete;

  private:
    HWND window_;
};

// Opens many MDI children between two yields without drawing each one again and again: the workspace's
// redrawing is held while they open, and at the yield only the children opened meanwhile and the one that
// was active before them are repainted. Otherwise each new child is drawn active, then inactive, and
// painted where the next one covers it.
class MdiBatch {
  public:
    explicit MdiBatch(MdiForm& frame) : frame_(frame) {}
    ~MdiBatch() { Flush(); }
    MdiBatch(const MdiBatch&) = delete;
    MdiBatch& operator=(const MdiBatch&) = delete;

    // Before a child opens.
    void Hold();
    // After it opened (it is the active child now).
    void Opened();
    // Lets the workspace redraw and repaints the children noted; before every yield.
    void Flush();

  private:
    void Note(Form* child);

    MdiForm& frame_;
    HWND held_ = nullptr;
    std::vector<HWND> repaint_;
};

}  // namespace rt
