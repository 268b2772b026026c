// Simple controls of a form: a label (text in a font and colour on the form's background) and a push
// button that reports its clicks.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "platform/form.h"

namespace rt {

class Label : public Control {
  public:
    explicit Label(Form& owner);
    ~Label() override;

    HWND hWnd() const { return hwnd_; }
    // Position and size in pixels within the form's client area.
    void Move(int x, int y, int width, int height);
    const std::wstring& Text() const { return text_; }
    // Repaints the label only when the text changes.
    void SetText(const std::wstring& text);
    void SetFont(const std::wstring& face, double points);
    void SetForeColor(COLORREF color);

    void Attach(HWND form) override;
    void Detach() override;

  private:
    static LRESULT CALLBACK WndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    void Paint();

    HWND hwnd_ = nullptr;
    HFONT font_ = nullptr;
    std::wstring text_;
    std::wstring face_;
    double points_ = 9;
    COLORREF foreColor_;
    RECT rect_ = {0, 0, 0, 0};
};

class PushButton : public Control {
  public:
    PushButton(Form& owner, std::function<void()> onClick);
    ~PushButton() override;

    HWND hWnd() const { return hwnd_; }
    void Move(int x, int y, int width, int height);
    void SetText(const std::wstring& text);
    // The form passes on its WM_COMMAND messages; true when it was this button's click.
    bool OnCommand(WPARAM wp, LPARAM lp);

    void Attach(HWND form) override;
    void Detach() override;

  private:
    std::function<void()> onClick_;
    HWND hwnd_ = nullptr;
    std::wstring text_;
    RECT rect_ = {0, 0, 0, 0};
};

}  // namespace rt
