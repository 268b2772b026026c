#include "settings/settings_dialog.h"

#include <initializer_list>
#include <string>

#include "capture/capture_window.h"
#include "core/frame_store.h"
#include "core/shared_state.h"
#include "core/view_window.h"
#include "settings/input_rules.h"
#include "settings/setting_store.h"

namespace {

const wchar_t kTitle[] = L"設定";
const wchar_t kBadValue[] = L"正しい値を設定してください。";
const wchar_t kBusy[] = L"録画、再生等の処理を中止してください。";
const wchar_t kFontFace[] = L"ＭＳ Ｐゴシック";
constexpr int kFontPoints = 12;

// The layout is drawn in pixels at 96 dots per inch, 15 twips each.
rt::Bounds Px(int x, int y, int width, int height) {
    return {x * 15, y * 15, width * 15, height * 15};
}

// Left column: each memory figure one line below its caption, right-aligned and wide enough for
// 64-bit byte counts.
rt::Bounds FigureCaption(int row) {
    return Px(12, 26 + 30 * row, 176, 14);
}
rt::Bounds FigureValue(int row) {
    return Px(12, 40 + 30 * row, 176, 14);
}

// Right column: one input row after another inside the drawn rectangle.
int RowTop(int row) {
    return 32 + 26 * row;
}
rt::Bounds InputBox(int row) {
    return Px(284, RowTop(row), 56, 24);
}
rt::Bounds KeyBox(int row) {
    return Px(284, RowTop(row), 60, 220);
}

rt::Line Edge(int x1, int y1, int x2, int y2) {
    return {x1 * 15, y1 * 15, x2 * 15, y2 * 15, GetSysColor(COLOR_BTNSHADOW), 1};
}

}  // namespace

frmVLEST::frmVLEST()
    : txtESTfint(*this, InputBox(0)),
      txtESTfmax(*this, InputBox(1)),
      Combo1(*this, KeyBox(2)),
      Combo2(*this, KeyBox(3)),
      txtESTfwidth(*this, InputBox(4)),
      txtESTfheight(*this, InputBox(5)),
      cmdESTok(*this, Px(200, 276, 88, 30), L"ＯＫ"),
      cmdESTcan(*this, Px(296, 276, 88, 30), L"キャンセル"),
      cmdCHECK(*this, Px(8, 276, 180, 30), L"ｷｬﾌﾟﾁｬｰ画面の確認表示"),
      cbxWinLock(*this, Px(302, RowTop(6) + 4, 16, 16), L""),
      lblMemoryLoad(*this, FigureValue(0), L"", rt::Alignment::kRight),
      lblTotalPhys(*this, FigureValue(1), L"", rt::Alignment::kRight),
      lblAvailPhys(*this, FigureValue(2), L"", rt::Alignment::kRight),
      lblTotalPageFile(*this, FigureValue(3), L"", rt::Alignment::kRight),
      lblAvailPageFile(*this, FigureValue(4), L"", rt::Alignment::kRight),
      lblTotalVirtual(*this, FigureValue(5), L"", rt::Alignment::kRight),
      lblAvailVirtual(*this, FigureValue(6), L"", rt::Alignment::kRight),
      lblColorCnt(*this, Px(60, 244, 40, 14), L"", rt::Alignment::kRight),
      // Under its caption, across the column: an estimate can run to 19 characters.
      lblMemCnt(*this, Px(200, 242, 184, 22), L"", rt::Alignment::kRight) {
    const struct {
        rt::Bounds bounds;
        const wchar_t* text;
        bool large;
    } kCaptions[] = {
        {Px(8, 6, 120, 16), L"動作環境", false},
        {FigureCaption(0), L"メモリの使用状況（％）", false},
        {FigureCaption(1), L"物理メモリの大きさ", false},
        {FigureCaption(2), L"未使用物理メモリ", false},
        {FigureCaption(3), L"ページングファイルの大きさ", false},
        {FigureCaption(4), L"未使用ページングファイル", false},
        {FigureCaption(5), L"プロセス用仮想メモリの大きさ", false},
        {FigureCaption(6), L"未使用プロセス用仮想メモリ", false},
        {Px(12, 244, 48, 14), L"色　数", false},
        {Px(104, 244, 60, 14), L"ビット色", false},
        {Px(200, 6, 120, 16), L"動作設定", false},
        {Px(208, RowTop(0) + 4, 76, 16), L"間　隔", false},
        {Px(344, RowTop(0) + 4, 38, 16), L"ｍｓ", false},
        {Px(208, RowTop(1) + 4, 76, 16), L"フレーム数", false},
        {Px(208, RowTop(2) + 4, 76, 16), L"開始ボタン", false},
        {Px(208, RowTop(3) + 4, 76, 16), L"中止ボタン", false},
        {Px(208, RowTop(4) + 4, 76, 16), L"横（幅）", false},
        {Px(344, RowTop(4) + 4, 38, 16), L"ﾋﾟｸｾﾙ", false},
        {Px(208, RowTop(5) + 4, 76, 16), L"縦（高さ）", false},
        {Px(344, RowTop(5) + 4, 38, 16), L"ﾋﾟｸｾﾙ", false},
        {Px(208, RowTop(6) + 4, 92, 16), L"ｳｨﾝﾄﾞｳ位置固定", false},
        {Px(200, 226, 80, 18), L"必要メモリ", true},
    };
    for (const auto& c : kCaptions) {
        captions_.push_back(std::make_unique<rt::Label>(*this, c.bounds, c.text));
        if (c.large) captions_.back()->SetFont(kFontFace, kFontPoints);
    }
    for (rt::WinControl* large : std::initializer_list<rt::WinControl*>{
             &txtESTfint, &txtESTfmax, &txtESTfwidth, &txtESTfheight, &lblMemCnt}) {
        large->SetFont(kFontFace, kFontPoints);
    }
    txtESTfint.SetToolTipText(L"キャプチャーする間隔をミリ秒単位で設定します");
    txtESTfmax.SetToolTipText(L"キャプチャーする画面の数を設定します");
    Combo1.SetToolTipText(L"キャプチャーの開始を指示するキーを設定します");
    Combo2.SetToolTipText(L"キャプチャー開始待ち状態の解除を指示するキーを設定します");
    txtESTfwidth.SetToolTipText(L"キャプチャー画面の幅をドット数で設定します");
    txtESTfheight.SetToolTipText(L"キャプチャー画面の高さをドット数で設定します");
    cmdESTok.SetToolTipText(L"動作設定を保存して終了します");
    cmdESTcan.SetToolTipText(L"動作設定の変更を破棄して終了します");
    cmdCHECK.SetToolTipText(L"キャプチャー画面の大きさを確認");
    // Esc leaves the dialog like its Cancel button; Enter is turned into Tab by Form_KeyPress.
    cmdESTcan.SetCancel(true);

    txtESTfint.GotFocus = [this] { txtESTfint_GotFocus(); };
    txtESTfmax.GotFocus = [this] { txtESTfmax_GotFocus(); };
    Combo1.GotFocus = [this] { Combo1_GotFocus(); };
    Combo2.GotFocus = [this] { Combo2_GotFocus(); };
    txtESTfwidth.GotFocus = [this] { txtESTfwidth_GotFocus(); };
    txtESTfheight.GotFocus = [this] { txtESTfheight_GotFocus(); };
    cmdESTok.GotFocus = [this] { cmdESTok_GotFocus(); };
    cmdESTok.Click = [this] { cmdESTok_Click(); };
    cmdESTcan.Click = [this] { cmdESTcan_Click(); };
    cmdCHECK.Click = [this] { cmdCHECK_Click(); };
}

rt::FormStyle frmVLEST::Style() const {
    rt::FormStyle st;
    st.style = WS_POPUP | WS_CAPTION | WS_SYSMENU;
    st.clientWidthTwips = 5880;
    st.clientHeightTwips = 4740;
    st.caption = kTitle;
    if (rt::Form* main = Workspace(); main && main->Loaded()) st.owner = main->hWnd();
    st.dialogKeys = true;
    st.keyPreview = true;
    st.lines = {Edge(200, 24, 384, 24), Edge(384, 24, 384, 220), Edge(384, 220, 200, 220),
                Edge(200, 220, 200, 24)};
    return st;
}

int frmVLEST::MsgBox(const wchar_t* text, UINT style, const wchar_t* title) {
    return rt::MsgBox(text, style, title, hWnd());
}

void frmVLEST::Form_Load() {
    CentreOnScreen();
    for (int i = 0; i < vintrel::kKeyCount; ++i) {
        Combo1.AddItem(vintrel::KeyName(i));
        Combo2.AddItem(vintrel::KeyName(i));
    }
    CheckNG = kTrue;
    symbols_ = rt::UserNumberSymbols();
    txtESTfwidth.SetText(vintrel::FormatGrouped(VL.PicWidth, symbols_.group));
    txtESTfheight.SetText(vintrel::FormatGrouped(VL.PicHeight, symbols_.group));
    txtESTfmax.SetText(std::to_wstring(VL.Framemax));
    txtESTfint.SetText(std::to_wstring(VL.RecTimer));
    const int lastKey = vintrel::kFirstKeyCode + vintrel::kKeyCount - 1;
    if (VL.KeyStart < vintrel::kFirstKeyCode || VL.KeyStart > lastKey) VL.KeyStart = 122;
    if (VL.KeyCancel < vintrel::kFirstKeyCode || VL.KeyCancel > lastKey) VL.KeyCancel = 123;
    KeyStartIndex = static_cast<int16_t>(VL.KeyStart - vintrel::kFirstKeyCode);
    KeyCancelIndex = static_cast<int16_t>(VL.KeyCancel - vintrel::kFirstKeyCode);
    Combo1.SetListIndex(KeyStartIndex);
    Combo2.SetListIndex(KeyCancelIndex);
    // A stored lock other than 0 or 1 cannot be shown ticked; it shows as not locked, as it acts.
    cbxWinLock.SetValue(VL.WinLock == 1 ? 1 : 0);
}

void frmVLEST::Form_Activate() {
    if (VL.RunState != 0) {
        MsgBox(kBusy, MB_OK, kTitle);
        Unload();
        return;
    }
    MEMORYSTATUSEX memory = {};
    memory.dwLength = sizeof(memory);
    GlobalMemoryStatusEx(&memory);
    lblMemoryLoad.SetText(std::to_wstring(memory.dwMemoryLoad));
    const struct {
        rt::Label& label;
        DWORDLONG bytes;
    } figures[] = {
        {lblTotalPhys, memory.ullTotalPhys},         {lblAvailPhys, memory.ullAvailPhys},
        {lblTotalPageFile, memory.ullTotalPageFile}, {lblAvailPageFile, memory.ullAvailPageFile},
        {lblTotalVirtual, memory.ullTotalVirtual},   {lblAvailVirtual, memory.ullAvailVirtual},
    };
    for (const auto& f : figures) f.label.SetText(vintrel::FormatGroupedUnsigned(f.bytes, symbols_.group));
    VL.ScreenWidth = GetSystemMetrics(SM_CXSCREEN);
    VL.ScreenHeight = GetSystemMetrics(SM_CYSCREEN);
    lblColorCnt.SetText(std::to_wstring(BytesPerPixel_Derive(CaptureWindow().hWnd())));
    RefreshEstimate();
}

void frmVLEST::Form_KeyPress(int16_t& keyAscii) {
    if (keyAscii != 13) return;
    keyAscii = 0;
    rt::SendKey(VK_TAB);
}

std::optional<double> frmVLEST::Number(const rt::WinControl& box) const {
    return vintrel::ReadNumber(box.Text(), symbols_.group, symbols_.decimal);
}

void frmVLEST::RefreshEstimate() {
    const std::optional<double> width = Number(txtESTfwidth);
    const std::optional<double> height = Number(txtESTfheight);
    const std::optional<double> frames = Number(txtESTfmax);
    // Texts that do not read as numbers leave the last estimate standing.
    if (!width || !height || !frames) return;
    const double bytes = *width * *height * VL.BytesPerPixel * *frames;
    if (auto text = vintrel::FormatGroupedWhole(bytes, symbols_.group)) lblMemCnt.SetText(*text);
}

bool frmVLEST::Reject(rt::WinControl& field) {
    MsgBox(kBadValue, MB_OK, kTitle);
    // The focus move raises the field's focus event, whose check must not report this again; a
    // field that holds the focus already gets no such event, so the next entry checks again.
    CheckNG = field.HasFocus() ? kFalse : kTrue;
    field.SetFocus();
    return false;
}

bool frmVLEST::CheckFields() {
    const auto atLeastOne = [](std::optional<double> v) { return v && *v >= 1; };
    if (!atLeastOne(Number(txtESTfint))) return Reject(txtESTfint);
    if (!atLeastOne(Number(txtESTfmax))) return Reject(txtESTfmax);
    KeyStartIndex = static_cast<int16_t>(vintrel::KeyIndexFromName(Combo1.Text()));
    if (KeyStartIndex < 0) return Reject(Combo1);
    Combo1.SetListIndex(KeyStartIndex);
    KeyCancelIndex = static_cast<int16_t>(vintrel::KeyIndexFromName(Combo2.Text()));
    if (KeyCancelIndex < 0) return Reject(Combo2);
    Combo2.SetListIndex(KeyCancelIndex);
    if (KeyCancelIndex == KeyStartIndex) {
        KeyCancelIndex = -1;
        return Reject(Combo2);
    }
    const std::optional<double> width = Number(txtESTfwidth);
    if (!atLeastOne(width) || *width > VL.ScreenWidth) return Reject(txtESTfwidth);
    const std::optional<double> height = Number(txtESTfheight);
    if (!atLeastOne(height) || *height > VL.ScreenHeight) return Reject(txtESTfheight);
    RefreshEstimate();
    return true;
}

void frmVLEST::InPut_Check() {
    if (CheckNG != 0) {
        CheckNG = kFalse;
        return;
    }
    CheckFields();
}

void frmVLEST::cmdESTok_Click() {
    // OK applies only what it has examined itself, whatever a pending focus event left behind.
    CheckNG = kFalse;
    if (!CheckFields()) return;
    // The interval and the frame count are 16-bit: refused before anything is released.
    const std::optional<int16_t> interval = vintrel::RoundToInt16(*Number(txtESTfint));
    if (!interval) return void(Reject(txtESTfint));
    const std::optional<int16_t> frames = vintrel::RoundToInt16(*Number(txtESTfmax));
    if (!frames) return void(Reject(txtESTfmax));
    const std::optional<int32_t> width = vintrel::RoundToInt32(*Number(txtESTfwidth));
    const std::optional<int32_t> height = vintrel::RoundToInt32(*Number(txtESTfheight));
    if (!width || !height) return;
    if (!Frame_Free()) {
        MsgBox(L"Memm DeAlloc NG!", MB_OK, rt::kAppTitle);
        return;
    }
    VL.Framemax = *frames;
    VL.RecTimer = *interval;
    VL.PicWidth = *width;
    VL.PicHeight = *height;
    VL.KeyStart = static_cast<int16_t>(vintrel::kFirstKeyCode + KeyStartIndex);
    VL.KeyCancel = static_cast<int16_t>(vintrel::kFirstKeyCode + KeyCancelIndex);
    VL.WinLock = static_cast<int16_t>(cbxWinLock.Value());
    VL.RecordedCount = 0;
    if (!Frame_Alloc()) {
        // The blocks obtained before the failure go at once: none is usable with no frames, and
        // none may outlive the store.
        Frame_Free();
        VL.Framemax = 0;
        MsgBox(L"Memm Alloc NG!", MB_OK, rt::kAppTitle);
        return;
    }
    if (MsgBox(L"現在の設定を標準にしますか？", MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2, L"設定の保存") ==
            IDYES &&
        !Setting_Save()) {
        MsgBox(L"設定を保存できませんでした。", MB_OK, L"設定の保存");
    }
    Unload();
}

void frmVLEST::cmdESTcan_Click() {
    Unload();
}

void frmVLEST::cmdCHECK_Click() {
    const std::optional<double> width = Number(txtESTfwidth);
    const std::optional<double> height = Number(txtESTfheight);
    const std::optional<int32_t> checkWidth = width ? vintrel::RoundToInt32(*width) : std::nullopt;
    const std::optional<int32_t> checkHeight = height ? vintrel::RoundToInt32(*height) : std::nullopt;
    // A size that is no number, or too large for one, has nothing to show.
    if (!checkWidth || !checkHeight) return;
    VL.CaptureMode = 3;
    VL.CheckWidth = *checkWidth;
    VL.CheckHeight = *checkHeight;
    CaptureWindow().ShowModal();
}
