// A borderless picture box inside a form. With a persistent image (AutoRedraw) its drawing surface
// is an off-screen bitmap of its size that repaints the box and is the image that save and print
// take; without, the surface is the window's device context.
#pragma once

#include <windows.h>

#include "platform/bitmap.h"
#include "platform/form.h"

namespace rt {

class PictureBox : public Control {
  public:
    explicit PictureBox(Form& owner);
    ~PictureBox() override;

    HWND hWnd() const { return hwnd_; }
    // Position and size in pixels within the form's client area; false when the persistent image could
    // not be made at the new size (the box then keeps the image it had).
    bool Move(int x, int y, int width, int height);
    int WidthPx() const { return width_; }
    int HeightPx() const { return height_; }

    // The drawing surface: the persistent image while AutoRedraw is on, the window otherwise.
    HDC hDC();
    bool AutoRedraw() const { return autoRedraw_; }
    void SetAutoRedraw(bool on);
    // Setting the background colour erases the picture, the persistent image included.
    void SetBackColor(COLORREF color);
    COLORREF BackColor() const { return backColor_; }
    // Shows the persistent image on the screen now.
    void Refresh();
    // The persistent image (a bitmap compatible with the display), or nullptr before the first attach or
    // while AutoRedraw was never on.
    HBITMAP Image() const { return image_; }
    // Reads every pixel of the persistent image; false when there is none or it cannot be read.
    bool ReadImage(DibPixels* out) const;

    void Attach(HWND form) override;
    void Detach() override;

  private:
    static LRESULT CALLBACK WndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    void Paint();
    bool ResizeImage();
    void Erase(HDC dc) const;
    void ReleaseImage();
    void ReleaseWindowDC();

    HWND hwnd_ = nullptr;
    HDC windowDC_ = nullptr;
    HDC imageDC_ = nullptr;
    HBITMAP image_ = nullptr;
    HGDIOBJ imageOld_ = nullptr;
    int x_ = 0, y_ = 0, width_ = 0, height_ = 0;
    int imageWidth_ = 0, imageHeight_ = 0;
    bool autoRedraw_ = false;
    COLORREF backColor_;
};

}  // namespace rt
