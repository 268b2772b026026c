// Standard controls inside a form: text box, combo box with a list, label, push button, check box,
// with fonts by face and point size, tooltips and focus events. Positions and sizes are in twips
// within the form's client area; the controls that take the focus are reached with Tab in the order
// in which they were declared.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/form.h"

namespace rt {

struct Bounds {
    int left = 0, top = 0, width = 0, height = 0;
};

class WinControl : public Control {
  public:
    ~WinControl() override;

    HWND hWnd() const { return hwnd_; }
    std::wstring Text() const;
    void SetText(const std::wstring& text);
    // Takes effect when the window is created; an empty face keeps the system's dialog font.
    void SetFont(const std::wstring& face, double points);
    // The colour of the text; without one the system's colour is used.
    void SetForeColor(COLORREF color);
    void SetToolTipText(const std::wstring& text);
    const std::wstring& ToolTipText() const { return toolTip_; }
    bool HasFocus() const;
    void SetFocus();

    // Raised when the focus moves into the control from elsewhere in its form.
    std::function<void()> GotFocus;

    void Attach(HWND form) override;
    void Detach() override;
    void OnDpiChanged(int dpi) override;
    bool OnCommand(HWND child, WORD code) override;
    bool OnColor(HWND child, HDC dc, HBRUSH* brush) override;
    void OnGotFocus() override;

  protected:
    WinControl(Form& owner, const wchar_t* windowClass, DWORD style, DWORD exStyle, const Bounds& bounds,
               const std::wstring& text);
    // A notification (WM_COMMAND code) of this control.
    virtual void OnNotify(WORD /*code*/) {}
    virtual void Created() {}

  private:
    static LRESULT CALLBACK WatchFocus(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id,
                                       DWORD_PTR self);
    void AddToolTip(HWND tips, HWND tool);
    // Gives the window its font at `dpi`, releasing the one it had.
    void ApplyFont(int dpi, bool redraw);
    void ReleaseFont();

    Form& owner_;
    const wchar_t* windowClass_;
    DWORD style_;
    DWORD exStyle_;
    Bounds bounds_;
    std::wstring text_;
    std::wstring fontFace_;
    double fontPoints_ = 0;
    COLORREF foreColor_ = 0;
    bool hasForeColor_ = false;
    std::wstring toolTip_;
    HWND hwnd_ = nullptr;
    HWND form_ = nullptr;
    HFONT font_ = nullptr;
};

// A single-line text box with a sunken border.
class TextBox : public WinControl {
  public:
    TextBox(Form& owner, const Bounds& bounds);
};

// A combo box whose text can be typed or chosen from its list.
class ComboBox : public WinControl {
  public:
    ComboBox(Form& owner, const Bounds& bounds);
    void AddItem(const std::wstring& item);
    // Selects list entry `index` (0-based), which becomes the text.
    void SetListIndex(int index);

  protected:
    void Created() override;

  private:
    std::vector<std::wstring> items_;
};

enum class Alignment { kLeft, kRight, kCenter };

// A text on the form's background.
class Label : public WinControl {
  public:
    Label(Form& owner, const Bounds& bounds, const std::wstring& caption,
          Alignment alignment = Alignment::kLeft);
};

class CommandButton : public WinControl {
  public:
    CommandButton(Form& owner, const Bounds& bounds, const std::wstring& caption);
    // The default button takes Enter, the cancel button Esc, wherever the focus is.
    void SetDefault(bool on);
    void SetCancel(bool on);

    std::function<void()> Click;

    bool OnDialogKey(WORD vk) override;

  protected:
    void OnNotify(WORD code) override;
    void Created() override;

  private:
    bool default_ = false;
    bool cancel_ = false;
};

// A check box; with an empty caption only the box shows.
class CheckBox : public WinControl {
  public:
    CheckBox(Form& owner, const Bounds& bounds, const std::wstring& caption);
    // 1 ticked, 0 clear.
    int Value() const;
    void SetValue(int value);
};

}  // namespace rt
