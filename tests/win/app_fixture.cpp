#include "app_fixture.h"

#include "platform/registry_settings.h"
#include "resource.h"
#include "settings/setting_store.h"

namespace {

HHOOK g_hook = nullptr;
HHOOK g_takeHook = nullptr;
int g_childrenLeft = 0;
int g_failLeft = 0;
std::function<void()> g_onChildren;
MSG g_posted = {};
int32_t* g_serialWhenTaken = nullptr;

LRESULT CALLBACK WatchCreation(int code, WPARAM wp, LPARAM lp) {
    if (code == HCBT_CREATEWND && (reinterpret_cast<CBT_CREATEWNDW*>(lp)->lpcs->dwExStyle & WS_EX_MDICHILD)) {
        if (g_childrenLeft > 0 && --g_childrenLeft == 0) g_onChildren();
        if (g_failLeft > 0 && --g_failLeft == 0) return 1;  // the window is not created
    }
    return CallNextHookEx(nullptr, code, wp, lp);
}

LRESULT CALLBACK WatchTaking(int code, WPARAM wp, LPARAM lp) {
    const MSG* m = reinterpret_cast<const MSG*>(lp);
    if (code == HC_ACTION && wp == PM_REMOVE && g_serialWhenTaken && m->hwnd == g_posted.hwnd &&
        m->message == g_posted.message && m->wParam == g_posted.wParam) {
        *g_serialWhenTaken = VL.ViewSerial;
        g_serialWhenTaken = nullptr;
    }
    return CallNextHookEx(nullptr, code, wp, lp);
}

}  // namespace

void ClearStoredSettings() {
    rt::DeleteSetting(kSettingApp, kSettingSection);
}

void StoreSetting(const wchar_t* key, const std::wstring& text) {
    ASSERT_TRUE(rt::SaveSetting(kSettingApp, kSettingSection, key, text));
}

std::wstring StoredSetting(const wchar_t* key) {
    return rt::GetSetting(kSettingApp, kSettingSection, key, L"<none>");
}

void ResetSharedState() {
    Frame_SetMemoryFunctions(nullptr, nullptr);
    VL = mdlVL1{};
}

std::wstring BoxLine(const std::wstring& title, const std::wstring& text) {
    return title + L"|" + text;
}

void AppTest::SetUp() {
    ResetSharedState();
    ClearStoredSettings();
    boxes = std::make_unique<harness::BoxWatcher>();
}

void AppTest::TearDown() {
    for (HHOOK* hook : {&g_hook, &g_takeHook}) {
        if (*hook) UnhookWindowsHookEx(*hook);
        *hook = nullptr;
    }
    g_childrenLeft = g_failLeft = 0;
    g_serialWhenTaken = nullptr;
    if (main && main->Loaded()) {
        main->mfEXIT_Click();
        harness::PumpPending();
    }
    main.reset();
    if (capture.Loaded()) capture.Unload();
    harness::PumpPending();
    boxes.reset();
    ClearStoredSettings();
    ResetSharedState();
}

void AppTest::Start() {
    main = std::make_unique<frmVLm1>();
    main->Show();
    harness::PumpPending();
}

void AppTest::Reallocate(int32_t width, int32_t height, int16_t frames) {
    ASSERT_TRUE(Frame_Free());
    VL.PicWidth = width;
    VL.PicHeight = height;
    VL.Framemax = frames;
    VL.RecordedCount = 0;
    ASSERT_TRUE(Frame_Alloc());
}

std::vector<std::wstring> AppTest::BoxLines() const {
    std::vector<std::wstring> lines;
    for (const auto& b : boxes->Seen())
        lines.push_back(BoxLine(b.title, b.text) + (b.hidden ? L" (hidden)" : L""));
    return lines;
}

void AppTest::AfterChildrenCreated(int n, std::function<void()> action) {
    g_childrenLeft = n;
    g_onChildren = std::move(action);
    if (!g_hook) g_hook = SetWindowsHookExW(WH_CBT, &WatchCreation, nullptr, GetCurrentThreadId());
}

void AppTest::PostDuring(int n, UINT msg, WPARAM wp, std::function<HWND()> to) {
    serialWhenTaken = -1;
    g_serialWhenTaken = &serialWhenTaken;
    if (!g_takeHook)
        g_takeHook = SetWindowsHookExW(WH_GETMESSAGE, &WatchTaking, nullptr, GetCurrentThreadId());
    AfterChildrenCreated(n, [this, msg, wp, to] {
        g_posted = {to ? to() : main->hWnd(), msg, wp, 0, 0, {0, 0}};
        PostMessageW(g_posted.hwnd, msg, wp, 0);
    });
}

void AppTest::FailChildCreation(int n) {
    g_failLeft = n;
    if (!g_hook) g_hook = SetWindowsHookExW(WH_CBT, &WatchCreation, nullptr, GetCurrentThreadId());
}

void AppTest::ExitDuring(WORD command) {
    PostDuring(2, WM_COMMAND, IDM_mfEXIT);
    Command(command);
    EXPECT_FALSE(main->Loaded());
    EXPECT_EQ(rt::Form::LoadedCount(), 0);
    EXPECT_EQ(VL.ViewSerial, serialWhenTaken);
    EXPECT_EQ(VL.OpenViewCount, 0);
    EXPECT_EQ(VL.RunState, 0);
    EXPECT_EQ(Frame_Available(), 0);
    harness::Pump(100);
    EXPECT_EQ(boxes->Count(), 0u);
}
