// The base of what a form holds, with the hooks through which the form hands on its timer ticks,
// notifications, colours, focus and dialog keys.
#pragma once

#include <windows.h>

namespace rt {

class Form;

// Something that lives inside a form and needs its window (timers, picture boxes, controls).
class Control {
  public:
    virtual ~Control() = default;
    virtual void Attach(HWND form) = 0;
    virtual void Detach() = 0;
    // A WM_TIMER of the form; true when it was this control's.
    virtual bool OnTimer(UINT_PTR /*id*/) { return false; }
    // A notification (WM_COMMAND) from a child window of the form; true when it was this control's.
    virtual bool OnCommand(HWND /*child*/, WORD /*code*/) { return false; }
    // The colours of a static child window about to be painted; true with the background brush when
    // it was this control's.
    virtual bool OnColor(HWND /*child*/, HDC /*dc*/, HBRUSH* /*brush*/) { return false; }
    // The form moved to a monitor of resolution `dpi`: a control laid out in twips takes its place and font
    // again at it.
    virtual void OnDpiChanged(int /*dpi*/) {}
    // The focus moved into this control from elsewhere in its form.
    virtual void OnGotFocus() {}
    // Enter or Esc that the focused control does not take; true when this control acted on it (the
    // default and cancel buttons).
    virtual bool OnDialogKey(WORD /*vk*/) { return false; }

    // The id of the control's window, as CreateWindowEx takes it for a child: given by the form, unique in
    // it and never 0, so that WM_COMMAND and accessibility tools can tell the controls apart.
    HMENU ChildId() const { return reinterpret_cast<HMENU>(static_cast<INT_PTR>(childId_)); }

  private:
    friend class Form;
    int childId_ = 0;
};

}  // namespace rt
