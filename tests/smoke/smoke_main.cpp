// The smoke driver: starting and ending the program, the keyboard, the frame and the boxes.
#include <cstdio>
#include <functional>
#include <utility>

#include "resource.h"
#include <algorithm>

#include "smoke.h"

#ifndef SUITE_NAME
#define SUITE_NAME "smoke"
#endif

namespace {

const wchar_t kSettingKey[] = L"Software\\VB and VBA Program Settings\\VINTREL Ver\\Setting";
// Where recordings are made: the picture recorded lies there, and the cursor points at its corner.
const POINT kRecordAt = {20, 20};
const int kSeed = 11;

// The first window of a thread that match() accepts.
struct WindowQuery {
    bool (*match)(HWND);
    HWND found;
};

BOOL CALLBACK MatchWindow(HWND hwnd, LPARAM lp) {
    auto* q = reinterpret_cast<WindowQuery*>(lp);
    if (!q->match(hwnd)) return TRUE;
    q->found = hwnd;
    return FALSE;
}

HWND FindThreadWindow(DWORD thread, bool (*match)(HWND)) {
    WindowQuery q{match, nullptr};
    EnumThreadWindows(thread, MatchWindow, reinterpret_cast<LPARAM>(&q));
    return q.found;
}

bool HasClass(HWND hwnd, const wchar_t* name) {
    wchar_t cls[32] = {};
    GetClassNameW(hwnd, cls, 32);
    return lstrcmpW(cls, name) == 0;
}

bool IsShownPopupMenu(HWND hwnd) {
    return HasClass(hwnd, L"#32768") && IsWindowVisible(hwnd);
}

bool IsUntitledForm(HWND hwnd) {
    return HasClass(hwnd, L"VintrelForm") && GetWindowTextLengthW(hwnd) == 0;
}

// How many pixels of a screen rectangle `counted` accepts (x, y from the rectangle's corner); -1 when the
// screen cannot be read there.
int CountScreenPixels(const RECT& r, const std::function<bool(int x, int y, COLORREF c)>& counted) {
    const int sw = r.right - r.left, sh = r.bottom - r.top;
    const auto bits = harness::ReadScreenBits(r.left, r.top, sw, sh, 4);
    if (sw <= 0 || sh <= 0 || bits.size() != static_cast<size_t>(sw) * sh * 4) return -1;
    int n = 0;
    for (int y = 0; y < sh; ++y) {
        for (int x = 0; x < sw; ++x) {
            const unsigned char* p = &bits[(static_cast<size_t>(y) * sw + x) * 4];
            n += counted(x, y, RGB(p[2], p[1], p[0]));
        }
    }
    return n;
}

}  // namespace

std::wstring BoxLine(const std::wstring& title, const std::wstring& text) {
    return title + L"|" + text;
}

bool Retype(HWND box, const std::wstring& text) {
    harness::TapKey(VK_END, 30);
    for (size_t n = harness::TextOf(box).size(); n > 0; --n) harness::TapKey(VK_BACK, 30);
    harness::TypeText(text);
    return harness::WaitUntil([&] { return harness::TextOf(box) == text; }, 5000);
}

void Journey::SetUp() {
    RegDeleteTreeW(HKEY_CURRENT_USER, kSettingKey);
}

void Journey::TearDown() {
    // A journey that failed half-way leaves the program running: end it as its own exit command does.
    if (Running() && IsWindow(main)) {
        PostMessageW(main, WM_COMMAND, IDM_mfEXIT, 0);
        app->WaitExit(10000);
    }
    app.reset();
    boxes.reset();
    RegDeleteTreeW(HKEY_CURRENT_USER, kSettingKey);
}

void Journey::StoreSetting(const wchar_t* key, const wchar_t* value) {
    const DWORD bytes = static_cast<DWORD>((lstrlenW(value) + 1) * sizeof(wchar_t));
    ASSERT_EQ(RegSetKeyValueW(HKEY_CURRENT_USER, kSettingKey, key, REG_SZ, value, bytes), ERROR_SUCCESS);
}

void Journey::Start() {
    app = harness::Launch(harness::ExeDir() + L"\\vintrel.exe");
    ASSERT_NE(app, nullptr);
    ASSERT_TRUE(harness::WaitUntil(
        [this] { return (main = harness::FindTopWindowOfProcess(app->pid, L"VINTREL Ver.1")) != nullptr; },
        20000));
    // Start-up may ask before the window shows.
    boxes = std::make_unique<harness::BoxWatcher>(GetWindowThreadProcessId(main, nullptr));
    boxes->SetAnswerByClick(true);
    ASSERT_TRUE(harness::WaitUntil([this] { return IsWindowVisible(main) != FALSE; }, 60000));
}

void Journey::StartAndRecord(int w, int h, int frames, int intervalMs, harness::Painter paint) {
    for (const auto& [key, value] :
         {std::pair{L"PicWidth", w}, {L"PicHeight", h}, {L"Framemax", frames}, {L"RecTimer", intervalMs}})
        ASSERT_NO_FATAL_FAILURE(StoreSetting(key, std::to_wstring(value).c_str()));
    ASSERT_NO_FATAL_FAILURE(StoreSetting(L"WinLock", L"1"));
    recorded_ = paint;
    recordMs_ = 15000 + frames * std::max(intervalMs, 16);
    auto picture = std::make_unique<harness::PatternWindow>(kRecordAt.x, kRecordAt.y, w, h, kSeed, paint);
    ASSERT_TRUE(picture->WaitPainted());
    ASSERT_NO_FATAL_FAILURE(Start());
    ASSERT_NO_FATAL_FAILURE(Record());
    EXPECT_BOXES(BoxLine(L"キャプチャー", L"録画が終了しました。"));
    boxes->Clear();
}

void Journey::Record(bool cancel) {
    const size_t seen = boxes->Count();
    ASSERT_TRUE(harness::SetCursorStable(kRecordAt.x, kRecordAt.y));
    ASSERT_NO_FATAL_FAILURE(Menu(L'C', 0));
    ASSERT_TRUE(harness::WaitUntil([this] { return CaptureWindow() && IsIconic(CaptureWindow()); }, 5000));
    harness::TapKey(VK_F11);
    if (cancel) {
        harness::TapKey(VK_F12);
        if (harness::WaitUntil([&] { return boxes->Count() > seen || !IsWindowVisible(CaptureWindow()); },
                               15000) &&
            boxes->Count() == seen)
            return;
    }
    ASSERT_TRUE(BoxesAnswered(seen + 1, recordMs_));
}

COLORREF Journey::Recorded(int i, int j) const {
    return recorded_(i, j, kSeed);
}

int Journey::WrongPixels(HWND window, int w, int h) const {
    POINT origin = {0, 0};
    if (!ClientToScreen(window, &origin)) return -1;
    // The part of the picture the window shows: inside its client area and those of its parents.
    RECT shown = {origin.x, origin.y, origin.x + w, origin.y + h};
    for (HWND in = window; in && in != GetDesktopWindow(); in = GetAncestor(in, GA_PARENT)) {
        RECT client;
        GetClientRect(in, &client);
        MapWindowPoints(in, nullptr, reinterpret_cast<POINT*>(&client), 2);
        IntersectRect(&shown, &shown, &client);
    }
    if (IsRectEmpty(&shown)) return -1;
    return CountScreenPixels(shown, [&](int x, int y, COLORREF c) {
        return c != Recorded(shown.left - origin.x + x, shown.top - origin.y + y);
    });
}

int Journey::InkPixels(HWND window) const {
    RECT client;
    if (!GetClientRect(window, &client)) return -1;
    MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&client), 2);
    const COLORREF background = harness::ScreenPixel(client.left, client.top);
    return CountScreenPixels(client, [&](int, int, COLORREF c) { return c != background; });
}

bool Journey::Running() const {
    return app && app->ExitCode() == STILL_ACTIVE;
}

void Journey::Menu(wchar_t menuKey, int downs, wchar_t itemKey) {
    const DWORD thread = GetWindowThreadProcessId(main, nullptr);
    GUITHREADINFO info = {};
    info.cbSize = sizeof(info);
    const auto inMenu = [&] {
        return GetGUIThreadInfo(thread, &info) && (info.flags & GUI_INMENUMODE) && info.hwndMenuOwner == main;
    };
    // Keys go to the window that has the keyboard focus: a user types once the main window shows it has.
    WaitForInputIdle(app->process, 5000);
    ASSERT_TRUE(harness::WaitUntil(
        [&] {
            return GetForegroundWindow() == main && GetGUIThreadInfo(thread, &info) &&
                   info.hwndActive == main && (info.hwndFocus == main || IsChild(main, info.hwndFocus));
        },
        5000))
        << "the main window does not have the keyboard: foreground " << GetForegroundWindow() << ", active "
        << info.hwndActive << ", focus " << info.hwndFocus << ", main " << main;
    // F10 and then the menu's access key, rather than Alt held down with it: Wine on X may release a
    // held key behind the program's back when the display resynchronizes its keyboard state.
    harness::TapKey(VK_F10, 60);
    ASSERT_TRUE(harness::WaitUntil(inMenu, 5000)) << "F10 did not reach the main window's menu bar";
    harness::TapKey(static_cast<WORD>(menuKey), 60);
    ASSERT_TRUE(
        harness::WaitUntil([&] { return FindThreadWindow(thread, IsShownPopupMenu) != nullptr; }, 5000))
        << "the menu did not open in the main window";
    for (int i = 0; i < downs; ++i) harness::TapKey(VK_DOWN, 60);
    harness::TapKey(itemKey ? static_cast<WORD>(itemKey) : static_cast<WORD>(VK_RETURN), 60);
    ASSERT_TRUE(harness::WaitUntil([&] { return !inMenu(); }, 5000));
}

void Journey::ClickFrame(LRESULT part) {
    RECT r;
    ASSERT_TRUE(GetWindowRect(main, &r));
    const int y = r.top + GetSystemMetrics(SM_CYFRAME) + GetSystemMetrics(SM_CYCAPTION) / 2;
    int first = -1, last = -1;
    for (int x = r.left; x < r.right; ++x) {
        DWORD_PTR hit = HTNOWHERE;
        SendMessageTimeoutW(main, WM_NCHITTEST, 0, MAKELPARAM(x, y), SMTO_ABORTIFHUNG, 1000, &hit);
        if (static_cast<LRESULT>(hit) != part) continue;
        if (first < 0) first = x;
        last = x;
    }
    ASSERT_GE(first, 0) << "no frame part " << part << " on the caption line";
    harness::ClickAt((first + last) / 2, y);
    // A press on the frame starts the window system's own loop (moving, the buttons' tracking); the
    // journey goes on once the program has taken the whole click and left that loop.
    const DWORD thread = GetWindowThreadProcessId(main, nullptr);
    WaitForInputIdle(app->process, 5000);
    ASSERT_TRUE(harness::WaitUntil(
        [&] {
            GUITHREADINFO info = {};
            info.cbSize = sizeof(info);
            return !IsWindow(main) ||
                   (GetGUIThreadInfo(thread, &info) && !(info.flags & GUI_INMOVESIZE) && !info.hwndCapture);
        },
        5000));
}

HWND Journey::CaptureWindow() const {
    return FindThreadWindow(GetWindowThreadProcessId(main, nullptr), IsUntitledForm);
}

HWND Journey::Shown(const std::wstring& title) const {
    const HWND window = harness::FindTopWindowOfProcess(app->pid, title);
    return window && IsWindowVisible(window) ? window : nullptr;
}

std::map<std::wstring, HWND> Journey::Views() const {
    std::map<std::wstring, HWND> views;
    const HWND client = FindWindowExW(main, nullptr, L"MDIClient", nullptr);
    for (HWND v = client ? GetWindow(client, GW_CHILD) : nullptr; v; v = GetWindow(v, GW_HWNDNEXT)) {
        wchar_t caption[32] = {};
        if (IsWindowVisible(v) && GetWindowTextW(v, caption, 32) > 0) views[caption] = v;
    }
    return views;
}

std::vector<std::wstring> Journey::ViewCaptions() const {
    std::vector<std::wstring> captions;
    for (const auto& view : Views()) captions.push_back(view.first);
    return captions;
}

bool Journey::BoxesAnswered(size_t n, int timeoutMs) const {
    return harness::WaitUntil(
        [&] {
            const auto seen = boxes->Seen();
            if (seen.size() < n) return false;
            for (const auto& box : seen) {
                if (box.clickedId == 0 || IsWindow(box.hwnd)) return false;
            }
            return true;
        },
        timeoutMs);
}

std::vector<std::wstring> Journey::BoxLines() const {
    std::vector<std::wstring> lines;
    for (const auto& box : boxes->Seen()) {
        lines.push_back(BoxLine(box.title, box.text) + (box.hidden ? L" (hidden)" : L""));
    }
    return lines;
}

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    const int rc = RUN_ALL_TESTS();
    const testing::UnitTest& u = *testing::UnitTest::GetInstance();
    // Named with the build, as both builds' suites run in one test run.
    std::printf(SUITE_NAME " %s: %d passed, %d failed\n", sizeof(void*) == 4 ? "win32" : "win64",
                u.successful_test_count(), u.failed_test_count());
    std::fflush(stdout);
    return rc;
}
