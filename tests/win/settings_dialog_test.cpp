// The settings dialog, opened through the menu and driven from a thread of its own with real keys, real
// clicks and real message boxes while its modal loop runs on the test thread.
#include "app_fixture.h"

#include <commctrl.h>

#include <atomic>
#include <thread>

#include "platform/runtime.h"
#include "resource.h"
#include "settings/input_rules.h"

namespace {

enum Field { kInterval, kFrames, kStartKey, kCancelKey, kWidth, kHeight, kOk, kCancel, kSizeCheck, kLock };
constexpr size_t kFields = 10;
const wchar_t kBad[] = L"正しい値を設定してください。";
const wchar_t kQuestion[] = L"現在の設定を標準にしますか？";

HWND FindDialog() {
    return FindWindowW(L"VintrelForm", L"設定");
}

// The open dialog as the driving thread sees it: its ten focus-taking controls in z-order, the tab order.
class Driver {
  public:
    Driver(harness::BoxWatcher& boxes, harness::ThreadBarrier& barrier) : boxes_(boxes), barrier_(barrier) {}

    // Waits for the dialog, its opening focus event handled.
    bool Open() {
        if (!harness::WaitUntil([&] { return IsWindowVisible(dialog_ = FindDialog()); }, 10000)) return false;
        for (HWND w = GetWindow(dialog_, GW_CHILD); w; w = GetWindow(w, GW_HWNDNEXT)) {
            if (GetWindowLongW(w, GWL_STYLE) & WS_TABSTOP) stops_.push_back(w);
        }
        return stops_.size() == kFields &&
               harness::WaitUntil([&] { return harness::HoldsFocus(stops_[kInterval]); }, 10000) && Sync();
    }
    HWND Window() const { return dialog_; }
    HWND operator[](Field f) const { return stops_[f]; }
    std::wstring Text(Field f) const { return harness::TextOf(stops_[f]); }
    void Set(Field f, const std::wstring& text) const { harness::SetTextOf(stops_[f], text); }
    bool Sync() const { return barrier_.Sync(); }
    void Click(Field f) const { harness::Click(stops_[f]); }
    bool WaitClosed() const {
        return harness::WaitUntil([&] { return !IsWindow(dialog_); }, 10000);
    }
    // Waits until the dialog is in use again after a message box or the size check.
    bool WaitActive() const {
        return harness::WaitUntil(
                   [&] { return IsWindowEnabled(dialog_) && GetForegroundWindow() == dialog_; }, 10000) &&
               Sync();
    }

    // The right-aligned figure on the line of a caption or on the line below it.
    std::wstring Figure(const std::wstring& caption) const {
        RECT c = {}, r = {};
        for (HWND w = GetWindow(dialog_, GW_CHILD); w; w = GetWindow(w, GW_HWNDNEXT)) {
            if (harness::TextOf(w) == caption) GetWindowRect(w, &c);
        }
        for (HWND w = GetWindow(dialog_, GW_CHILD); w; w = GetWindow(w, GW_HWNDNEXT)) {
            GetWindowRect(w, &r);
            const bool right = (GetWindowLongW(w, GWL_STYLE) & SS_TYPEMASK) == SS_RIGHT;
            if (right && r.top >= c.top && r.top <= c.top + 16 && r.right >= c.right)
                return harness::TextOf(w);
        }
        return L"<none>";
    }

    // Presses Tab (Shift+Tab when `back`), waits until `boxesSeen` message boxes were seen and the focus is
    // on `focus`, lets everything that followed be handled and checks that nothing more came.
    void Tab(Field focus, size_t boxesSeen, bool back = false, WORD vk = VK_TAB) const {
        if (back) harness::KeyDown(VK_SHIFT);
        harness::TapKey(vk, 20);
        if (back) harness::KeyUp(VK_SHIFT);
        harness::WaitUntil([&] { return boxes_.Count() >= boxesSeen && harness::HoldsFocus(stops_[focus]); },
                           10000);
        EXPECT_TRUE(Sync());
        EXPECT_EQ(boxes_.Count(), boxesSeen) << "focus expected on field " << focus;
        EXPECT_TRUE(harness::HoldsFocus(stops_[focus])) << "focus expected on field " << focus;
    }

  private:
    harness::BoxWatcher& boxes_;
    harness::ThreadBarrier& barrier_;
    HWND dialog_ = nullptr;
    std::vector<HWND> stops_;
};

class SettingsDialogTest : public AppTest {
  protected:
    // Opens the dialog with the menu command and runs `script` on a thread of its own while the dialog's
    // modal loop runs here; returns once the dialog has closed.
    void RunDialog(const std::function<void(Driver&)>& script) {
        harness::ThreadBarrier barrier;
        std::atomic<bool> done{false};
        std::thread driver([&] {
            Driver d(*boxes, barrier);
            if (d.Open()) {
                script(d);
            } else {
                ADD_FAILURE() << "the dialog did not open";
            }
            if (IsWindow(d.Window())) PostMessageW(d.Window(), WM_CLOSE, 0, 0);  // never leave it running
            done = true;
        });
        PostMessageW(main->hWnd(), WM_COMMAND, IDM_mtEST, 0);
        harness::WaitUntil([&] { return done.load(); }, 180000);
        driver.join();
        harness::PumpPending();
    }
};

std::wstring ToolTipOf(HWND control) {
    HWND tips = nullptr;
    while ((tips = FindWindowExW(nullptr, tips, TOOLTIPS_CLASSW, nullptr)) != nullptr) {
        if (GetWindow(tips, GW_OWNER) == GetParent(control)) break;
    }
    wchar_t text[128] = {};
    TOOLINFOW info = {};
    info.cbSize = sizeof(info);
    info.hwnd = GetParent(control);
    info.uId = reinterpret_cast<UINT_PTR>(control);
    info.lpszText = text;
    if (tips) SendMessageW(tips, TTM_GETTEXTW, 128, reinterpret_cast<LPARAM>(&info));
    return text;
}

}  // namespace

TEST_F(SettingsDialogTest, OpensWithTheSettingsInForceLaidOutAndCorrectsAStoredKey) {
    StoreSetting(L"KeyStart", L"65");
    StoreSetting(L"WinLock", L"5");
    StoreSetting(L"PicWidth", L"1000");
    Start();
    RunDialog([&](Driver& d) {
        const HWND w = d.Window();
        EXPECT_EQ(GetWindow(w, GW_OWNER), main->hWnd());
        EXPECT_EQ(GetWindowLongW(w, GWL_STYLE) & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME), 0);
        RECT client = {}, outer = {};
        GetClientRect(w, &client);
        GetWindowRect(w, &outer);
        EXPECT_EQ(client.right, rt::TwipsToPixels(5880, rt::SystemDpi()));
        EXPECT_EQ(client.bottom, rt::TwipsToPixels(4740, rt::SystemDpi()));
        EXPECT_NEAR(outer.left, (GetSystemMetrics(SM_CXSCREEN) - (outer.right - outer.left)) / 2, 1);
        EXPECT_NEAR(outer.top, (GetSystemMetrics(SM_CYSCREEN) - (outer.bottom - outer.top)) / 2, 1);
        const wchar_t* const kControls[kFields][3] = {
            {L"Edit", L"100", L"キャプチャーする間隔をミリ秒単位で設定します"},
            {L"Edit", L"10", L"キャプチャーする画面の数を設定します"},
            {L"ComboBox", L"PF11", L"キャプチャーの開始を指示するキーを設定します"},
            {L"ComboBox", L"PF12", L"キャプチャー開始待ち状態の解除を指示するキーを設定します"},
            {L"Edit", L"1,000", L"キャプチャー画面の幅をドット数で設定します"},
            {L"Edit", L"96", L"キャプチャー画面の高さをドット数で設定します"},
            {L"Button", L"ＯＫ", L"動作設定を保存して終了します"},
            {L"Button", L"キャンセル", L"動作設定の変更を破棄して終了します"},
            {L"Button", L"ｷｬﾌﾟﾁｬｰ画面の確認表示", L"キャプチャー画面の大きさを確認"},
            {L"Button", L"", L""},
        };
        for (size_t f = 0; f < kFields; ++f) {
            wchar_t cls[32] = {};
            GetClassNameW(d[Field(f)], cls, 32);
            EXPECT_EQ(lstrcmpiW(cls, kControls[f][0]), 0) << f;
            EXPECT_EQ(d.Text(Field(f)), kControls[f][1]) << f;
            EXPECT_EQ(ToolTipOf(d[Field(f)]), kControls[f][2]) << f;
        }
        EXPECT_EQ(SendMessageW(d[kCancelKey], CB_GETCOUNT, 0, 0), 12);
        EXPECT_EQ(SendMessageW(d[kLock], BM_GETCHECK, 0, 0), BST_UNCHECKED);  // a stored 5 shows cleared
        LOGFONTW font = {};
        GetObjectW(reinterpret_cast<HFONT>(SendMessageW(d[kWidth], WM_GETFONT, 0, 0)), sizeof(font), &font);
        EXPECT_STREQ(font.lfFaceName, L"ＭＳ Ｐゴシック");
        EXPECT_EQ(font.lfHeight, -16);  // 12 point at 96 dots per inch
        MEMORYSTATUSEX memory = {};
        memory.dwLength = sizeof(memory);
        GlobalMemoryStatusEx(&memory);  // the true figures, past 4 GB too
        EXPECT_EQ(d.Figure(L"物理メモリの大きさ"), vintrel::FormatGroupedUnsigned(memory.ullTotalPhys, L","));
        EXPECT_EQ(d.Figure(L"プロセス用仮想メモリの大きさ"),
                  vintrel::FormatGroupedUnsigned(memory.ullTotalVirtual, L","));
        EXPECT_EQ(d.Figure(L"色　数"), L"32");
        EXPECT_EQ(d.Figure(L"必要メモリ"), L"3,840,000");  // 1000 x 96 x 4 x 10

        // Tab goes round the ten controls and wraps both ways; valid values give no message.
        for (size_t f = 1; f <= kFields; ++f) d.Tab(Field(f % kFields), 0);
        d.Tab(kLock, 0, true);
        harness::TapKey(VK_ESCAPE, 20);  // Esc leaves like Cancel
        EXPECT_TRUE(d.WaitClosed());
    });
    EXPECT_EQ(boxes->Count(), 0u);
    EXPECT_EQ(VL.KeyStart, 122);  // corrected at opening, kept after Cancel
    EXPECT_EQ(VL.WinLock, 5);
    EXPECT_EQ(StoredSetting(L"KeyStart"), L"65");
    EXPECT_TRUE(IsWindowEnabled(main->hWnd()));
}

TEST_F(SettingsDialogTest, ChecksInOrderWithOneMessagePerFailureAndTheFocusOnTheBadField) {
    Start();
    std::atomic<int> owned{0};
    boxes->SetPolicy([&](const harness::BoxSeen& box) {
        const HWND owner = GetWindow(box.hwnd, GW_OWNER);
        if (owner == FindDialog() && !IsWindowEnabled(owner)) ++owned;
        return IDOK;
    });
    const std::wstring fits = vintrel::FormatGrouped(int64_t{VL.ScreenWidth} * 96 * 4 * 10, L",");
    RunDialog([&](Driver& d) {
        d.Tab(kFrames, 0, false, VK_RETURN);  // Enter moves on like Tab and applies nothing
        d.Tab(kInterval, 0, true);
        d.Set(kInterval, L"0");
        d.Set(kWidth, L"5000");
        d.Tab(kInterval, 1);  // the first bad field wins
        d.Tab(kInterval, 2);  // tabbing on checks again
        d.Set(kInterval, L"100");
        d.Tab(kWidth, 3);
        d.Set(kWidth, std::to_wstring(VL.ScreenWidth));
        d.Tab(kHeight, 3);
        EXPECT_EQ(d.Figure(L"必要メモリ"), fits);
        d.Set(kWidth, std::to_wstring(VL.ScreenWidth + 1));
        d.Tab(kWidth, 4, true);  // fails where the focus already is
        EXPECT_EQ(d.Figure(L"必要メモリ"), fits);
        d.Tab(kWidth, 5);
        d.Set(kWidth, L"1,024");
        d.Set(kFrames, L"");
        d.Tab(kFrames, 6);
        d.Set(kFrames, L"10");
        d.Set(kStartKey, L"PF5");
        d.Set(kCancelKey, L"PF5");
        d.Tab(kCancelKey, 7);  // the same key twice fails at the cancel key
        harness::TypeText(L"Pf3");
        d.Tab(kCancelKey, 8, true);
        d.Set(kCancelKey, L"PF12");
        d.Tab(kStartKey, 8, true);
        harness::TypeText(L"pf3");  // replaces the text that Tab selected
        d.Tab(kCancelKey, 8);
        EXPECT_EQ(d.Text(kStartKey), L"PF3");  // shown in its list form
        d.Set(kInterval, L"0");
        d.Click(kCancel);  // checks nothing
        EXPECT_TRUE(d.WaitClosed());
    });
    EXPECT_EQ(BoxLines(), std::vector<std::wstring>(8, BoxLine(L"設定", kBad)));
    EXPECT_EQ(owned, 8) << "each message is owned by the dialog";
    EXPECT_EQ(VL.RecTimer, 100);
    EXPECT_EQ(VL.KeyStart, 122);
}

TEST_F(SettingsDialogTest, SizeCheckShowsTheTypedSizeAndNeitherChecksNorApplies) {
    Start();
    RECT shown = {};
    bool dialogDisabled = false;
    boxes->SetPolicy([&](const harness::BoxSeen&) {
        GetClientRect(capture.hWnd(), &shown);
        dialogDisabled = !IsWindowEnabled(FindDialog());
        return IDOK;
    });
    RunDialog([&](Driver& d) {
        d.Set(kInterval, L"0");  // never examined on the way
        d.Set(kWidth, L"300");
        d.Set(kHeight, L"200");
        d.Click(kSizeCheck);
        EXPECT_TRUE(boxes->WaitForCount(1, 10000));
        EXPECT_TRUE(d.WaitActive());
        EXPECT_EQ(shown.right, 300);
        EXPECT_EQ(shown.bottom, 200);
        EXPECT_TRUE(dialogDisabled);
        EXPECT_EQ(d.Figure(L"必要メモリ"), L"2,400,000");  // its activation refreshed the estimate
        d.Set(kFrames, L"x");
        d.Click(kSizeCheck);
        EXPECT_TRUE(boxes->WaitForCount(2, 10000));
        EXPECT_TRUE(d.WaitActive());
        EXPECT_EQ(d.Figure(L"必要メモリ"), L"2,400,000");  // no number, no new estimate
        d.Set(kWidth, L"abc");
        d.Click(kSizeCheck);  // nothing to show
        harness::Pump(300);
        EXPECT_TRUE(d.Sync());
        PostMessageW(d.Window(), WM_SYSCOMMAND, SC_CLOSE, 0);
        EXPECT_TRUE(d.WaitClosed());
    });
    EXPECT_EQ(BoxLines(), std::vector<std::wstring>(2, BoxLine(L"設定", L"確認してください。")));
    EXPECT_EQ(VL.PicWidth, 128);
    EXPECT_EQ(VL.PicHeight, 96);
    EXPECT_EQ(VL.RecTimer, 100);
    EXPECT_EQ(VL.CaptureMode, 0);
}

TEST_F(SettingsDialogTest, OkAppliesReallocatesAndAsksEveryTime) {
    Start();
    VL.RecordedCount = 5;
    boxes->SetPolicy([](const harness::BoxSeen&) { return IDNO; });
    RunDialog([](Driver& d) {
        d.Set(kInterval, L"1.2");
        d.Set(kFrames, L"2.5");
        d.Set(kStartKey, L"pf3");
        d.Set(kWidth, L"1,024");
        d.Click(kOk);
        EXPECT_TRUE(d.WaitClosed());
    });
    ASSERT_EQ(boxes->Count(), 1u);
    const harness::BoxSeen question = boxes->Seen()[0];
    EXPECT_EQ(BoxLine(question.title, question.text), BoxLine(L"設定の保存", kQuestion));
    EXPECT_EQ(question.buttons, (std::vector<std::wstring>{L"はい(&Y)", L"いいえ(&N)"}));
    EXPECT_TRUE(question.hasIcon);
    EXPECT_EQ(question.defaultButtonId, IDNO);
    EXPECT_EQ((std::vector<int>{VL.RecTimer, VL.Framemax, VL.PicWidth, VL.PicHeight, VL.KeyStart,
                                VL.KeyCancel, VL.WinLock, VL.KeyTimer, VL.RecordedCount}),
              (std::vector<int>{1, 2, 1024, 96, 114, 123, 0, 100, 0}));
    int32_t bytes = 0;
    EXPECT_NE(Frame_Block(2, &bytes), nullptr);
    EXPECT_EQ(bytes, 1024 * 96 * 4);
    EXPECT_EQ(Frame_Available(), 2);
    EXPECT_EQ(StoredSetting(L"PicWidth"), L"<none>");

    // Unchanged values still discard the recording and ask; Yes stores all eight keys.
    VL.RecordedCount = 2;
    VL.KeyTimer = 70;
    boxes->Clear();
    boxes->SetPolicy([](const harness::BoxSeen&) { return IDYES; });
    const int gdiObjects = harness::GdiObjectCount(), heapBlocks = harness::HeapBlockCount();
    RunDialog([](Driver& d) {
        d.Click(kLock);
        EXPECT_TRUE(d.Sync());
        d.Click(kOk);
        EXPECT_TRUE(d.WaitClosed());
    });
    EXPECT_EQ(BoxLines(), std::vector<std::wstring>{BoxLine(L"設定の保存", kQuestion)});
    EXPECT_EQ(VL.RecordedCount, 0);
    EXPECT_EQ(harness::GdiObjectCount(), gdiObjects);
    // The dialog's labels leave nothing in the heap; a block each would be 31. Under Wine the box's own
    // static leaves one, and the box watcher's thread may hold a few for a moment.
    EXPECT_LE(harness::HeapBlockCount() - heapBlocks, 5);
    const std::pair<const wchar_t*, const wchar_t*> stored[] = {
        {L"PicWidth", L"1024"}, {L"PicHeight", L"96"}, {L"Framemax", L"2"},    {L"KeyTimer", L"70"},
        {L"RecTimer", L"1"},    {L"KeyStart", L"114"}, {L"KeyCancel", L"123"}, {L"WinLock", L"1"},
    };
    for (const auto& [key, text] : stored) EXPECT_EQ(StoredSetting(key), text) << key;
}

TEST_F(SettingsDialogTest, OkRefusesA16BitOverflowAndRecoversFromAnAllocationFailure) {
    Start();
    VL.RecordedCount = 3;
    const std::vector<HGLOBAL> handles = VL.FrameHandles;
    auto calls = std::make_shared<int>(0);
    auto obtained = std::make_shared<std::vector<HGLOBAL>>();
    Frame_SetMemoryFunctions(
        [calls, obtained](UINT flags, SIZE_T size) -> HGLOBAL {
            if (++*calls == 3) return nullptr;  // the third block of the first allocation
            obtained->push_back(GlobalAlloc(flags, size));
            return obtained->back();
        },
        nullptr);
    bool releasedAtTheMessage = false;
    boxes->SetPolicy([&](const harness::BoxSeen& box) {
        if (box.text != L"Memm Alloc NG!") return box.buttons.size() == 2 ? IDNO : IDOK;
        releasedAtTheMessage = VL.Framemax == 0 && Frame_Available() == 0 && obtained->size() == 2;
        for (HGLOBAL h : *obtained) releasedAtTheMessage &= GlobalFlags(h) == GMEM_INVALID_HANDLE;
        return IDOK;
    });
    RunDialog([&](Driver& d) {
        d.Set(kFrames, L"40000");  // passes the check, but the count is 16-bit
        d.Click(kOk);
        EXPECT_TRUE(boxes->WaitForCount(1, 10000));
        EXPECT_TRUE(harness::WaitUntil([&] { return harness::HoldsFocus(d[kFrames]); }, 10000));
        EXPECT_TRUE(d.Sync());
        EXPECT_TRUE(VL.Framemax == 10 && VL.RecordedCount == 3 && VL.FrameHandles == handles && *calls == 0);
        d.Set(kFrames, L"5");
        d.Click(kOk);
        EXPECT_TRUE(boxes->WaitForCount(2, 10000));
        EXPECT_TRUE(d.WaitActive());
        EXPECT_EQ(d.Text(kFrames), L"5");  // the dialog stays open with the entered values
        d.Click(kOk);
        EXPECT_TRUE(d.WaitClosed());
    });
    EXPECT_EQ(BoxLines(),
              (std::vector<std::wstring>{BoxLine(L"設定", kBad), BoxLine(L"VINTREL", L"Memm Alloc NG!"),
                                         BoxLine(L"設定の保存", kQuestion)}));
    EXPECT_TRUE(releasedAtTheMessage);
    EXPECT_EQ(VL.Framemax, 5);
    EXPECT_EQ(Frame_Available(), 5);
    EXPECT_EQ(*calls, 3 + 5);
}

TEST_F(SettingsDialogTest, AFailedSaveIsReportedAndTheDialogCloses) {
    // A stable key cannot be made below a volatile one: the store refuses every value.
    const wchar_t kApp[] = L"Software\\VB and VBA Program Settings\\VINTREL Ver";
    HKEY key = nullptr;
    RegDeleteTreeW(HKEY_CURRENT_USER, kApp);
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, kApp, 0, nullptr, REG_OPTION_VOLATILE, KEY_WRITE, nullptr,
                              &key, nullptr),
              ERROR_SUCCESS);
    RegCloseKey(key);
    Start();
    boxes->SetPolicy([](const harness::BoxSeen& box) { return box.buttons.size() == 2 ? IDYES : IDOK; });
    RunDialog([](Driver& d) {
        d.Click(kOk);
        EXPECT_TRUE(d.WaitClosed());
    });
    RegDeleteTreeW(HKEY_CURRENT_USER, kApp);
    EXPECT_EQ(BoxLines(),
              (std::vector<std::wstring>{BoxLine(L"設定の保存", kQuestion),
                                         BoxLine(L"設定の保存", L"設定を保存できませんでした。")}));
}

TEST_F(SettingsDialogTest, RefusesToOpenWhileBusyAndKeepsTheKeyCorrection) {
    StoreSetting(L"KeyStart", L"65");
    Start();
    main->mcSTART_Click();
    ASSERT_TRUE(harness::WaitUntil([] { return VL.RunState == 1; }, 5000));
    PostMessageW(main->hWnd(), WM_COMMAND, IDM_mtEST, 0);
    EXPECT_TRUE(boxes->WaitForCount(1, 10000));
    harness::Pump(200);
    EXPECT_EQ(BoxLines(),
              std::vector<std::wstring>{BoxLine(L"設定", L"録画、再生等の処理を中止してください。")});
    EXPECT_EQ(FindDialog(), nullptr);
    EXPECT_EQ(VL.KeyStart, 122);
    EXPECT_TRUE(VL.RunState == 1 && VL.CaptureMode == 0 && capture.WindowState() == rt::kMinimized);
    EXPECT_TRUE(IsWindowEnabled(main->hWnd()));
    main->mcCANCEL_Click();
    EXPECT_TRUE(harness::WaitUntil([] { return VL.RunState == 0; }, 5000));
}
