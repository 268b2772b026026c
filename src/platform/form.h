// Forms: windows with the load, activate, close-request and unload events of the window runtime (MDI
// frames and children in mdi.h). Positions and outer sizes are in twips. Form's members are defined by
// concern: form.cpp (window procedure and lifecycle), form_properties.cpp (caption, place, size, state),
// form_activation.cpp (activation and focus), dialog_keys.cpp (the dialog keyboard).
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/app_windows.h"
#include "platform/control.h"

namespace rt {

// Why a form is being closed, as passed to Form_QueryUnload.
enum UnloadMode : int {
    kUnloadFromFrame = 0,    // close button, control menu or Alt+F4
    kUnloadByCode = 1,       // the program's own command
    kUnloadSession = 2,      // Windows is ending the session
    kUnloadTaskManager = 3,  // the task manager
    kUnloadMdiChild = 4,     // an MDI child closing with its frame
    kUnloadOwner = 5,        // the owner is closing
};

// Window states.
enum WindowStateValue : int { kNormal = 0, kMinimized = 1, kMaximized = 2 };

// A straight line drawn on a form's background: ends in twips, width in pixels.
struct Line {
    int x1, y1, x2, y2;
    COLORREF color;
    int widthPx;
};

struct FormStyle {
    DWORD style = WS_OVERLAPPEDWINDOW;
    DWORD exStyle = 0;
    int clientWidthTwips = 4680;
    int clientHeightTwips = 3195;
    std::wstring caption;
    HMENU menu = nullptr;  // owned by the window once created
    HICON icon = nullptr;
    HWND owner = nullptr;       // a top-level window stays above its owner and goes with it
    bool showInTaskbar = true;  // false: owned by a hidden window of the process unless owner is set
    bool dialogKeys = false;    // Tab and Shift+Tab move between the controls, Enter and Esc go to the
                                // default and cancel buttons, the focus is kept across deactivation
    bool keyPreview = false;    // Form_KeyPress sees every typed character before the control does
    std::vector<Line> lines;
};

class Form {
  public:
    Form();
    virtual ~Form();
    Form(const Form&) = delete;
    Form& operator=(const Form&) = delete;

    HWND hWnd() const { return hwnd_; }
    bool Loaded() const { return hwnd_ != nullptr; }

    // Creates the window hidden and runs Form_Load, unless it is loaded already.
    void Load();
    // Shows the form modeless and activates it.
    void Show();
    // Shows the form modal: the other windows of this thread are disabled and the call returns
    // once the form is hidden or unloaded.
    void ShowModal();
    void Hide();
    // The form's own shown state, whatever its parent's (a child of a window whose redrawing is held is
    // still shown).
    bool Visible() const;
    // Close request then unload; returns false when Form_QueryUnload refused.
    virtual bool Unload(int mode = kUnloadByCode);
    // The two halves of an unload, for frames that close their children in between. A child of a frame
    // that is unloading may leave its window to go with the frame's.
    bool RequestClose(int mode);
    void UnloadWithoutQuery(bool destroyWindow = true);

    void SetCaption(const std::wstring& caption);
    std::wstring Caption() const;

    // Outer position and size in twips. Setting them on a minimized or maximized form fails with
    // RuntimeError 384.
    int Left() const;
    int Top() const;
    int Width() const;
    int Height() const;
    void SetLeft(int twips);
    void SetTop(int twips);
    void SetWidth(int twips);
    void SetHeight(int twips);
    // Places the form in the middle of the screen (outer size, each half truncated).
    void CentreOnScreen();
    // Resizes the form, width first, so that its client area is widthPx x heightPx pixels; its
    // top-left corner stays. Fails like SetWidth on a minimized or maximized form.
    void FitClientTo(int widthPx, int heightPx);
    // Client size in pixels.
    int ScaleWidthPx() const;
    int ScaleHeightPx() const;

    int WindowState() const;
    void SetWindowState(int state);

    // The logical resolution the form is drawn at (its monitor's), and twips and pixels converted at it.
    int Dpi() const { return dpi_; }
    int ToPixels(int twips) const;
    int ToTwips(int pixels) const;

    void AddControl(Control* control);
    // Called by a control whose window received the focus; raises its focus event unless the focus
    // only came back with the form's activation.
    void ControlGotFocus(Control* control);

    // Number of forms whose windows exist in this process.
    static int LoadedCount();

  protected:
    virtual FormStyle Style() const = 0;
    // True while Show() loads the form: the window is about to be shown.
    bool LoadingToShow() const { return loadingToShow_; }
    virtual void Form_Load() {}
    virtual void Form_Activate() {}
    virtual void Form_QueryUnload(int16_t& /*cancel*/, int /*unloadMode*/) {}
    virtual void Form_Unload() {}
    // With key preview: the typed character code, which the handler may replace (0 swallows it).
    virtual void Form_KeyPress(int16_t& /*keyAscii*/) {}
    // After the form moved to a monitor of another resolution and its controls were laid out again from
    // their twips: for what the form places in pixels of its own.
    virtual void Form_DpiChanged() {}
    // Messages a form handles beyond the events; return true when handled.
    virtual bool OnMessage(UINT /*msg*/, WPARAM /*wp*/, LPARAM /*lp*/, LRESULT& /*result*/) { return false; }
    virtual HWND CreateNativeWindow(const FormStyle& style, int outerWidth, int outerHeight);
    virtual LRESULT DefaultProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    RECT WindowRectInParent() const;

    static const wchar_t* WindowClass();

  private:
    friend bool TranslateFormKeys(MSG& msg);

    // form.cpp
    static LRESULT CALLBACK WndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp);
    void EndModal();
    void DestroyNativeWindow();
    void PaintLines();
    void OnDpiChanged(int dpi, const RECT& suggested);
    // form_properties.cpp
    void CheckSizable() const;
    void PlaceOuter(const RECT& rect);
    // form_activation.cpp
    void CheckActivation();
    void ForgetActivation();                    // the next activation raises Form_Activate again
    bool OnActivateMessage(WPARAM wp);          // WM_ACTIVATE: post Form_Activate, save or restore the focus
    void OnMinimized();                         // WM_SIZE minimized: forget the activation, hand it on (Wine)
    bool OnPostedMessage(UINT msg, LPARAM lp);  // the messages a form posts itself; true when it was one
    void RestoreFocus();
    // dialog_keys.cpp
    bool TranslateKey(MSG& msg);
    void MoveFocus(bool backwards);

    HWND hwnd_ = nullptr;
    int dpi_ = 96;
    bool unloading_ = false;
    bool loadingToShow_ = false;
    std::vector<Control*> controls_;
    bool dialogKeys_ = false;
    bool keyPreview_ = false;
    HWND savedFocus_ = nullptr;
    bool restoringFocus_ = false;
    std::vector<HWND> disabledByModal_;  // windows a modal show disabled, enabled again when it ends
    std::vector<Line> lines_;
};

// The form behind a window handle, if the window is one of ours.
Form* FormFromHandle(HWND hwnd);

// The keyboard handling of the forms, for every message loop before TranslateMessage: dialog keys,
// key preview and F1 for the help file. True when the message was consumed.
bool TranslateFormKeys(MSG& msg);

// Whether the process should end once its last form is gone (the application sets it; a test
// program that creates forms leaves it off).
void SetQuitWhenNoForms(bool quit);

}  // namespace rt
