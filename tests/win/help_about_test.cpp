// The help menu: the help file through WinHelp (next to the program), F1, and the About box.
#include "app_fixture.h"
#include "core/about_window.h"
#include "platform/form.h"
#include "platform/help.h"
#include "platform/runtime.h"
#include "resource.h"

#include <tuple>

namespace {

using HelpCall = std::tuple<HWND, std::wstring, UINT>;

// The dialog keys of the program's message loops, for the windows pumped here.
class HelpAboutTest : public AppTest {
  protected:
    void SetUp() override {
        AppTest::SetUp();
        harness::SetMessageFilter([](MSG& msg) { return rt::TranslateFormKeys(msg); });
        rt::SetHelpFunction([this](HWND owner, const std::wstring& path, UINT command) {
            calls.emplace_back(owner, path, command);
        });
    }
    void TearDown() override {
        if (AboutWindow().Loaded()) AboutWindow().Unload();
        AppTest::TearDown();
        harness::SetMessageFilter(nullptr);
        rt::SetHelpFunction(nullptr);
    }

    int AboutBoxes() const {
        int n = 0;
        for (HWND w = nullptr; (w = FindWindowExW(nullptr, w, L"VintrelForm", L"ﾊﾞｰｼﾞｮﾝ情報")) != nullptr;) {
            n += IsWindowVisible(w) ? 1 : 0;
        }
        return n;
    }
    bool OpenAbout() {
        PostMessageW(main->hWnd(), WM_COMMAND, IDM_mhVER, 0);
        return harness::WaitUntil(
            [] { return AboutWindow().Visible() && GetForegroundWindow() == AboutWindow().hWnd(); }, 5000);
    }

    std::vector<HelpCall> calls;
};

}  // namespace

TEST_F(HelpAboutTest, HelpFromTheMenuAndF1InAnyWindowClosesOnceAtExit) {
    Start();
    const HWND mainWindow = main->hWnd();
    const std::wstring path = harness::ExeDir() + L"\\vintrel.hlp";
    PostMessageW(mainWindow, WM_COMMAND, IDM_mhHLP, 0);
    harness::Pump(50);
    const auto pressF1In = [&](HWND window) {
        SetForegroundWindow(window);
        ASSERT_TRUE(harness::WaitUntil([&] { return GetForegroundWindow() == window; }, 5000));
        const size_t before = calls.size();
        harness::TapKey(VK_F1, 20);
        ASSERT_TRUE(harness::WaitUntil([&] { return calls.size() == before + 1; }, 5000));
    };
    pressF1In(mainWindow);
    // The About box outlives the main window; its help closes at the same exit all the same.
    ASSERT_TRUE(OpenAbout());
    pressF1In(AboutWindow().hWnd());
    main->mfEXIT_Click();
    harness::PumpPending();
    const HWND owner = rt::HiddenOwner();
    EXPECT_EQ(calls, (std::vector<HelpCall>{{owner, path, HELP_CONTENTS},
                                            {owner, path, HELP_CONTENTS},
                                            {owner, path, HELP_CONTENTS},
                                            {owner, path, HELP_QUIT}}));
    EXPECT_EQ(boxes->Count(), 0u);
}

TEST_F(HelpAboutTest, AMissingHelpFileIsOneMessageAndNothingToClose) {
    Start();
    rt::SetHelpFile(L"missing.hlp");
    main->mhHLP_Click();
    ASSERT_TRUE(boxes->WaitForCount(1, 5000));
    main->mfEXIT_Click();
    harness::PumpPending();
    EXPECT_EQ(BoxLines(), (std::vector<std::wstring>{L"VINTREL|ヘルプを表示できません。\r" +
                                                     harness::ExeDir() + L"\\missing.hlp"}));
    EXPECT_TRUE(calls.empty());
}

TEST_F(HelpAboutTest, AboutIsOneModelessBoxThatOkEnterAndEscClose) {
    Start();
    ASSERT_TRUE(OpenAbout());
    ASSERT_TRUE(OpenAbout());
    ASSERT_TRUE(OpenAbout());
    EXPECT_EQ(AboutBoxes(), 1);
    const HWND about = AboutWindow().hWnd();
    const LONG style = GetWindowLongW(about, GWL_STYLE);
    EXPECT_EQ(style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME), 0);
    EXPECT_NE(GetWindowLongW(about, GWL_EXSTYLE) & WS_EX_DLGMODALFRAME, 0);
    EXPECT_EQ(GetWindowLongW(about, GWL_EXSTYLE) & WS_EX_APPWINDOW, 0);
    // Out of the task bar, yet not the main window's: it may outlast it.
    EXPECT_NE(GetWindow(about, GW_OWNER), nullptr);
    EXPECT_NE(GetWindow(about, GW_OWNER), main->hWnd());
    RECT client = {};
    GetClientRect(about, &client);
    EXPECT_EQ(client.right, rt::TwipsToPixels(5730, rt::SystemDpi()));
    EXPECT_EQ(client.bottom, rt::TwipsToPixels(3555, rt::SystemDpi()));
    std::vector<std::wstring> texts;
    for (HWND w = GetWindow(about, GW_CHILD); w; w = GetWindow(w, GW_HWNDNEXT)) {
        if (!harness::TextOf(w).empty()) texts.push_back(harness::TextOf(w));
    }
    EXPECT_EQ(texts, (std::vector<std::wstring>{L"OK", L"ｱﾌﾟﾘｹｰｼｮﾝ ﾀｲﾄﾙ", L"ﾊﾞｰｼﾞｮﾝ 1.1.1",
                                                L"動画キャプチャー", L"2024年 VINTREL", L"警告: ..."}));
    EXPECT_TRUE(IsWindowEnabled(main->hWnd()));  // modeless
    // The icon's transparent corner shows the picture's background, like the margin beside the icon.
    const HDC icon = AboutWindow().picIcon.hDC();
    EXPECT_EQ(GetPixel(icon, 0, 0), GetPixel(icon, 35, 35));
    // The etched separator keeps its grey line above the white one.
    POINT line = {rt::TwipsToPixels(2000, rt::SystemDpi()), rt::TwipsToPixels(2445, rt::SystemDpi())};
    ClientToScreen(about, &line);
    EXPECT_TRUE(
        harness::WaitUntil([&] { return harness::ScreenPixel(line.x, line.y) == RGB(128, 128, 128); }, 3000));
    EXPECT_EQ(harness::ScreenPixel(line.x, line.y + 1), RGB(255, 255, 255));
    EXPECT_EQ(harness::ScreenPixel(line.x, line.y + 2), RGB(255, 255, 255));

    harness::TapKey(VK_ESCAPE, 20);
    EXPECT_TRUE(harness::WaitUntil([] { return !AboutWindow().Loaded(); }, 5000));
    ASSERT_TRUE(OpenAbout());
    harness::TapKey(VK_RETURN, 20);
    EXPECT_TRUE(harness::WaitUntil([] { return !AboutWindow().Loaded(); }, 5000));
    ASSERT_TRUE(OpenAbout());
    harness::Click(AboutWindow().cmdOK.hWnd());
    EXPECT_TRUE(harness::WaitUntil([] { return !AboutWindow().Loaded(); }, 5000));
    EXPECT_EQ(AboutBoxes(), 0);
    EXPECT_EQ(boxes->Count(), 0u);
}
