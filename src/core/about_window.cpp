#include "core/about_window.h"

#include "platform/runtime.h"
#include "resource.h"

namespace {

const wchar_t kFontFace[] = L"ＭＳ Ｐゴシック";
constexpr int kFontPoints = 12;

HICON AppIcon() {
    return LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_VINTREL));
}

}  // namespace

frmVLat& AboutWindow() {
    static frmVLat window;
    return window;
}

frmVLat::frmVLat()
    : cmdOK(*this, {4260, 3120, 1310, 345}, L"OK"),
      picIcon(*this),
      lblTitle(*this, {1050, 240, 3885, 480}, L"ｱﾌﾟﾘｹｰｼｮﾝ ﾀｲﾄﾙ"),
      lblVersion(*this, {1050, 780, 3885, 225}, L"ﾊﾞｰｼﾞｮﾝ 1.1.1"),
      lblDescription(*this, {1050, 1125, 3885, 330}, L"動画キャプチャー"),
      Label1(*this, {2040, 1680, 2925, 330}, L"2024年 VINTREL"),
      lblDisclaimer(*this, {255, 2625, 3870, 825}, L"警告: ...") {
    lblDescription.SetFont(kFontFace, kFontPoints);
    Label1.SetFont(kFontFace, kFontPoints);
    cmdOK.SetDefault(true);
    cmdOK.SetCancel(true);
    cmdOK.Click = [this] { cmdOK_Click(); };
}

rt::FormStyle frmVLat::Style() const {
    rt::FormStyle st;
    st.style = WS_POPUP | WS_CAPTION | WS_SYSMENU;
    st.exStyle = WS_EX_DLGMODALFRAME;
    st.clientWidthTwips = 5730;
    st.clientHeightTwips = 3555;
    st.caption = L"ﾊﾞｰｼﾞｮﾝ情報";
    st.showInTaskbar = false;
    st.dialogKeys = true;
    // The etched separator: a grey line with a white one just below it.
    st.lines = {{90, 2445, 5654, 2445, RGB(128, 128, 128), 1},
                {105, 2460, 5654, 2460, RGB(255, 255, 255), 2}};
    return st;
}

void frmVLat::Form_Load() {
    CentreOnScreen();
    picIcon.SetAutoRedraw(true);
    PlaceIcon();
}

void frmVLat::Form_DpiChanged() {
    PlaceIcon();
}

void frmVLat::PlaceIcon() {
    picIcon.Move(ToPixels(240), ToPixels(240), ToPixels(540), ToPixels(540));
    if (HDC dc = picIcon.hDC()) DrawIconEx(dc, 0, 0, AppIcon(), 32, 32, 0, nullptr, DI_NORMAL);
    picIcon.Refresh();
}

void frmVLat::cmdOK_Click() {
    Unload();
}
