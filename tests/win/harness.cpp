#include "harness.h"

#include <commdlg.h>
#include <winternl.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <thread>
#include <utility>

namespace harness {

namespace {

using Clock = std::chrono::steady_clock;
using Ms = std::chrono::milliseconds;

// Longest single sleep of the pumps: short enough that timers and polls of the code under test keep
// their rhythm, long enough not to spin a loaded machine.
constexpr int kRoundMs = 5;

// A message handler that keeps posting to itself (or a WM_PAINT that is never validated) would otherwise
// keep PumpPending from ever returning.
constexpr int kMaxMessagesPerRound = 10000;

std::function<bool(MSG&)> g_filter;
bool g_quitSeen = false;
int g_quitCode = 0;

int MsLeft(Clock::time_point deadline) {
    const auto left = std::chrono::duration_cast<Ms>(deadline - Clock::now()).count();
    return left > 0 ? static_cast<int>(left) : 0;
}

// Sleeps up to ms, waking early when input arrives for this thread.
void WaitForInput(int ms) {
    if (ms <= 0) return;
    MsgWaitForMultipleObjectsEx(0, nullptr, static_cast<DWORD>(ms), QS_ALLINPUT, MWMO_INPUTAVAILABLE);
}

// Reads texts without sending messages, so it works whatever the owning thread is busy with.
std::wstring WindowText(HWND hwnd) {
    std::vector<wchar_t> buf(256);
    for (;;) {
        const int n = InternalGetWindowText(hwnd, buf.data(), static_cast<int>(buf.size()));
        if (n < static_cast<int>(buf.size()) - 1 || buf.size() >= (1u << 20))
            return std::wstring(buf.data(), n > 0 ? static_cast<size_t>(n) : 0);
        buf.resize(buf.size() * 4);
    }
}

std::wstring ClassName(HWND hwnd) {
    wchar_t buf[256] = {};
    const int n = GetClassNameW(hwnd, buf, 256);
    return std::wstring(buf, n > 0 ? static_cast<size_t>(n) : 0);
}

bool SameClass(const std::wstring& a, const wchar_t* b) {
    return CompareStringOrdinal(a.c_str(), -1, b, -1, TRUE) == CSTR_EQUAL;
}

// Dialog templates store control ids as WORDs, so the message box text static may read back as -1 or
// 0xFFFF depending on how it was created.
int ControlId(HWND hwnd) {
    return GetDlgCtrlID(hwnd) & 0xFFFF;
}

constexpr int kTextStaticId = 0xFFFF;

// Registers a window class of the harness (arrow cursor) and returns its name.
const wchar_t* RegisterWindowClass(const wchar_t* name, WNDPROC proc) {
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = proc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW, with or without UNICODE
    wc.lpszClassName = name;
    RegisterClassExW(&wc);
    return name;
}

bool IsShownMessageBox(HWND hwnd) {
    if (!IsWindowVisible(hwnd) || !SameClass(ClassName(hwnd), L"#32770")) return false;
    for (HWND c = GetWindow(hwnd, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
        if (ControlId(c) == kTextStaticId && SameClass(ClassName(c), L"Static")) return true;
    }
    return false;
}

BoxSeen ReadBox(HWND box) {
    BoxSeen r;
    r.hwnd = box;
    r.title = WindowText(box);
    for (HWND c = GetWindow(box, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
        const std::wstring cls = ClassName(c);
        const LONG style = GetWindowLongW(c, GWL_STYLE);
        if (SameClass(cls, L"Static")) {
            if (ControlId(c) == kTextStaticId) {
                r.text = WindowText(c);
            } else if ((style & SS_TYPEMASK) == SS_ICON) {
                // The icon static exists even when the box has no icon; only its contents tell.
                DWORD_PTR icon = 0;
                if (SendMessageTimeoutW(c, STM_GETICON, 0, 0, SMTO_ABORTIFHUNG, 1000, &icon) && icon)
                    r.hasIcon = true;
            }
        } else if (SameClass(cls, L"Button") && (style & WS_VISIBLE)) {
            const int id = GetDlgCtrlID(c);
            r.buttons.push_back(WindowText(c));
            r.buttonIds.push_back(id);
            if ((style & BS_TYPEMASK) == BS_DEFPUSHBUTTON) r.defaultButtonId = id;
        }
    }
    return r;
}

int DefaultChoice(const BoxSeen& box) {
    if (std::find(box.buttonIds.begin(), box.buttonIds.end(), IDOK) != box.buttonIds.end()) return IDOK;
    return box.buttonIds.empty() ? IDCANCEL : box.buttonIds.front();
}

BOOL CALLBACK CollectBox(HWND hwnd, LPARAM lp) {
    if (IsShownMessageBox(hwnd)) reinterpret_cast<std::vector<HWND>*>(lp)->push_back(hwnd);
    return TRUE;
}

}  // namespace

// ---------------------------------------------------------------------------------------------------------
// Message pumping

void PumpPending() {
    MSG msg;
    for (int n = 0; n < kMaxMessagesPerRound && PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE); ++n) {
        if (msg.message == WM_QUIT) {
            g_quitSeen = true;
            g_quitCode = static_cast<int>(msg.wParam);
            continue;
        }
        if (g_filter && g_filter(msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

void Pump(int ms) {
    const auto deadline = Clock::now() + Ms(ms);
    for (;;) {
        PumpPending();
        const int left = MsLeft(deadline);
        if (left == 0) return;
        WaitForInput(std::min(left, kRoundMs));
    }
}

bool WaitUntil(const std::function<bool()>& pred, int timeoutMs) {
    const auto deadline = Clock::now() + Ms(timeoutMs);
    for (;;) {
        PumpPending();
        if (pred()) return true;
        const int left = MsLeft(deadline);
        if (left == 0) return false;
        WaitForInput(std::min(left, kRoundMs));
    }
}

void SetMessageFilter(std::function<bool(MSG&)> filter) {
    g_filter = std::move(filter);
}

bool TakeQuit(int* exitCode) {
    const bool seen = g_quitSeen;
    if (seen && exitCode) *exitCode = g_quitCode;
    g_quitSeen = false;
    g_quitCode = 0;
    return seen;
}

// ---------------------------------------------------------------------------------------------------------
// BoxWatcher

struct BoxWatcher::Impl {
    // A box the watcher has recorded and that is still open. Touched by the watcher thread only.
    struct Live {
        HWND hwnd;
        size_t serial;  // position among all boxes ever recorded
        Clock::time_point firstSeen;
        BoxSeen record;
        bool answered;
    };

    DWORD uiThreadId;
    mutable std::mutex mutex;
    std::condition_variable wake;
    bool stop = false;
    std::function<int(const BoxSeen&)> policy;
    int answerDelayMs = 30;
    bool answerByClick = false;
    std::vector<BoxSeen> seen;
    size_t firstSerial = 0;  // serial of seen[0]; Clear() moves it past everything recorded so far
    size_t nextSerial = 0;
    std::vector<Live> live;
    std::thread thread;

    void Run() {
        std::unique_lock<std::mutex> lock(mutex);
        while (!stop) {
            lock.unlock();
            Poll();
            lock.lock();
            wake.wait_for(lock, Ms(kRoundMs), [this] { return stop; });
        }
    }

    void Poll() {
        std::vector<HWND> open;
        EnumThreadWindows(uiThreadId, CollectBox, reinterpret_cast<LPARAM>(&open));
        const auto now = Clock::now();

        // Forgetting closed boxes lets a later box that happens to reuse a handle count as new.
        live.erase(std::remove_if(live.begin(), live.end(),
                                  [&](const Live& l) {
                                      return std::find(open.begin(), open.end(), l.hwnd) == open.end();
                                  }),
                   live.end());

        for (HWND box : open) {
            const bool known =
                std::any_of(live.begin(), live.end(), [&](const Live& l) { return l.hwnd == box; });
            if (known) continue;
            Live l{box, 0, now, ReadBox(box), false};
            std::lock_guard<std::mutex> lock(mutex);
            l.serial = nextSerial++;
            seen.push_back(l.record);
            live.push_back(std::move(l));
        }

        for (Live& l : live) {
            if (l.answered) continue;
            std::function<int(const BoxSeen&)> choose;
            int delayMs;
            bool byClick;
            {
                std::lock_guard<std::mutex> lock(mutex);
                choose = policy;
                delayMs = answerDelayMs;
                byClick = answerByClick;
            }
            if (now - l.firstSeen < Ms(delayMs)) continue;
            // The policy runs unlocked so that it may call Seen() or Count().
            const int id = choose ? choose(l.record) : DefaultChoice(l.record);
            if (id == 0) continue;
            const bool clicked = byClick && ClickIfReachable(GetDlgItem(l.hwnd, id));
            const bool hidden = byClick && !clicked;
            if (hidden && now - l.firstSeen < Ms(10000)) continue;
            if (!clicked) {
                // WM_COMMAND is what a button click sends; unlike BM_CLICK it does not depend on the box
                // being the active window.
                PostMessageW(l.hwnd, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                             reinterpret_cast<LPARAM>(GetDlgItem(l.hwnd, id)));
            }
            l.answered = true;
            l.record.clickedId = id;
            std::lock_guard<std::mutex> lock(mutex);
            if (l.serial >= firstSerial) {
                seen[l.serial - firstSerial].clickedId = id;
                seen[l.serial - firstSerial].hidden = hidden;
            }
        }
    }
};

BoxWatcher::BoxWatcher(DWORD uiThreadId) : impl_(new Impl) {
    impl_->uiThreadId = uiThreadId;
    impl_->thread = std::thread([this] { impl_->Run(); });
}

BoxWatcher::~BoxWatcher() {
    {
        std::lock_guard<std::mutex> lock(impl_->mutex);
        impl_->stop = true;
    }
    impl_->wake.notify_all();
    impl_->thread.join();
}

void BoxWatcher::SetPolicy(std::function<int(const BoxSeen&)> policy) {
    std::lock_guard<std::mutex> lock(impl_->mutex);
    impl_->policy = std::move(policy);
}

void BoxWatcher::SetAnswerDelayMs(int ms) {
    std::lock_guard<std::mutex> lock(impl_->mutex);
    impl_->answerDelayMs = ms;
}

void BoxWatcher::SetAnswerByClick(bool click) {
    std::lock_guard<std::mutex> lock(impl_->mutex);
    impl_->answerByClick = click;
}

std::vector<BoxSeen> BoxWatcher::Seen() const {
    std::lock_guard<std::mutex> lock(impl_->mutex);
    return impl_->seen;
}

size_t BoxWatcher::Count() const {
    std::lock_guard<std::mutex> lock(impl_->mutex);
    return impl_->seen.size();
}

void BoxWatcher::Clear() {
    std::lock_guard<std::mutex> lock(impl_->mutex);
    impl_->seen.clear();
    impl_->firstSerial = impl_->nextSerial;
}

bool BoxWatcher::WaitForCount(size_t n, int timeoutMs) {
    return WaitUntil([&] { return Count() >= n; }, timeoutMs);
}

// ---------------------------------------------------------------------------------------------------------
// Save dialog

namespace {

constexpr int kFileNameBox = 1148;

BOOL CALLBACK FindSaveDialog(HWND hwnd, LPARAM lp) {
    if (!IsWindowVisible(hwnd) || !SameClass(ClassName(hwnd), L"#32770") || !GetDlgItem(hwnd, kFileNameBox))
        return TRUE;
    *reinterpret_cast<HWND*>(lp) = hwnd;
    return FALSE;
}

}  // namespace

std::future<SaveDialogSeen> AnswerSaveDialog(std::wstring name, std::function<void()> after, int timeoutMs,
                                             DWORD uiThread) {
    return std::async(std::launch::async, [=] {
        SaveDialogSeen seen;
        const auto deadline = Clock::now() + Ms(timeoutMs);
        HWND dialog = nullptr;
        while (!dialog && MsLeft(deadline) > 0) {
            EnumThreadWindows(uiThread, FindSaveDialog, reinterpret_cast<LPARAM>(&dialog));
            if (!dialog) std::this_thread::sleep_for(Ms(kRoundMs));
        }
        if (!dialog) return seen;
        seen.title = WindowText(dialog);
        // The name box answers text messages for the edit inside it.
        const HWND box = GetDlgItem(dialog, kFileNameBox);
        wchar_t offered[MAX_PATH] = {};
        DWORD_PTR unused = 0;
        SendMessageTimeoutW(box, WM_GETTEXT, MAX_PATH, reinterpret_cast<LPARAM>(offered), SMTO_ABORTIFHUNG,
                            2000, &unused);
        seen.offeredName = offered;
        SendMessageTimeoutW(box, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(name.c_str()), SMTO_ABORTIFHUNG,
                            2000, &unused);
        const int button = name.empty() ? IDCANCEL : IDOK;
        PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(dialog, button)));
        if (after) after();
        return seen;
    });
}

// ---------------------------------------------------------------------------------------------------------
// Keyboard and mouse

namespace {

bool IsExtendedKey(WORD vk) {
    switch (vk) {
        case VK_RMENU:
        case VK_RCONTROL:
        case VK_INSERT:
        case VK_DELETE:
        case VK_HOME:
        case VK_END:
        case VK_PRIOR:
        case VK_NEXT:
        case VK_LEFT:
        case VK_RIGHT:
        case VK_UP:
        case VK_DOWN:
        case VK_NUMLOCK:
        case VK_DIVIDE:
        case VK_SNAPSHOT:
        case VK_LWIN:
        case VK_RWIN:
        case VK_APPS:
        case VK_CANCEL:
            return true;
        default:
            return false;
    }
}

void SendKey(WORD vk, bool up) {
    INPUT in = {};
    in.type = INPUT_KEYBOARD;
    in.ki.wVk = vk;
    in.ki.wScan = static_cast<WORD>(MapVirtualKeyW(vk, MAPVK_VK_TO_VSC));
    in.ki.dwFlags = (up ? KEYEVENTF_KEYUP : 0) | (IsExtendedKey(vk) ? KEYEVENTF_EXTENDEDKEY : 0);
    SendInput(1, &in, sizeof(INPUT));
}

}  // namespace

void KeyDown(WORD vk) {
    SendKey(vk, false);
}

void KeyUp(WORD vk) {
    SendKey(vk, true);
}

void TapKey(WORD vk, int holdMs) {
    KeyDown(vk);
    Pump(holdMs);
    KeyUp(vk);
    Pump(holdMs);
}

namespace {

void SendMouse(int x, int y, DWORD button) {
    // Absolute coordinates are 0..65535 across the primary screen; rounding up maps back to (x, y).
    const int w = std::max(GetSystemMetrics(SM_CXSCREEN), 1), h = std::max(GetSystemMetrics(SM_CYSCREEN), 1);
    INPUT in = {};
    in.type = INPUT_MOUSE;
    in.mi.dx = static_cast<LONG>((static_cast<int64_t>(x) * 65536 + w - 1) / w);
    in.mi.dy = static_cast<LONG>((static_cast<int64_t>(y) * 65536 + h - 1) / h);
    in.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE | button;
    SendInput(1, &in, sizeof(INPUT));
}

}  // namespace

void ClickAt(int x, int y) {
    // The pointer settles first: a late motion from an earlier move, arriving between press and
    // release, would drop the click as the window system's button tracking sees it leave.
    SetCursorStable(x, y);
    SendMouse(x, y, MOUSEEVENTF_LEFTDOWN);
    SendMouse(x, y, MOUSEEVENTF_LEFTUP);
}

bool ClickIfReachable(HWND window) {
    RECT r;
    if (!window || !GetWindowRect(window, &r)) return false;
    const POINT centre = {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    if (WindowFromPoint(centre) != window) return false;
    ClickAt(centre.x, centre.y);
    return true;
}

bool SetCursorStable(int x, int y, int timeoutMs) {
    constexpr int kStableReads = 3;
    constexpr int kRetryMs = 200;  // a warp can be lost while the display catches up; repeat it
    const auto deadline = Clock::now() + Ms(timeoutMs);
    auto lastSet = Clock::now();
    SetCursorPos(x, y);
    int stable = 0;
    for (;;) {
        POINT p = {};
        if (GetCursorPos(&p) && p.x == x && p.y == y) {
            if (++stable >= kStableReads) return true;
        } else {
            stable = 0;
            if (Clock::now() - lastSet >= Ms(kRetryMs)) {
                SetCursorPos(x, y);
                lastSet = Clock::now();
            }
        }
        const int left = MsLeft(deadline);
        if (left == 0) return false;
        WaitForInput(std::min(left, kRoundMs));
        PumpPending();
    }
}

void Click(HWND hwnd) {
    RECT r = {};
    GetWindowRect(hwnd, &r);
    const int x = (r.left + r.right) / 2, y = (r.top + r.bottom) / 2;
    // A late motion event of an earlier position can move the pointer back under Wine, so the pointer is
    // settled first.
    SetCursorStable(x, y);
    ClickAt(x, y);
}

HWND FocusOf(DWORD threadId) {
    GUITHREADINFO info = {};
    info.cbSize = sizeof(info);
    return GetGUIThreadInfo(threadId, &info) ? info.hwndFocus : nullptr;
}

bool HoldsFocus(HWND hwnd) {
    const HWND focus = FocusOf(GetWindowThreadProcessId(hwnd, nullptr));
    return focus && (focus == hwnd || IsChild(hwnd, focus));
}

std::wstring TextOf(HWND hwnd) {
    DWORD_PTR n = 0;
    SendMessageTimeoutW(hwnd, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 5000, &n);
    std::vector<wchar_t> buf(n + 1, L'\0');
    DWORD_PTR got = 0;
    SendMessageTimeoutW(hwnd, WM_GETTEXT, buf.size(), reinterpret_cast<LPARAM>(buf.data()), SMTO_ABORTIFHUNG,
                        5000, &got);
    return std::wstring(buf.data(), std::min<size_t>(got, n));
}

void SetTextOf(HWND hwnd, const std::wstring& text) {
    DWORD_PTR ignored = 0;
    SendMessageTimeoutW(hwnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()), SMTO_ABORTIFHUNG, 5000,
                        &ignored);
}

void TypeText(const std::wstring& text) {
    for (wchar_t c : text) {
        INPUT in[2] = {};
        for (INPUT& i : in) {
            i.type = INPUT_KEYBOARD;
            i.ki.wScan = c;
            i.ki.dwFlags = KEYEVENTF_UNICODE;
        }
        in[1].ki.dwFlags |= KEYEVENTF_KEYUP;
        SendInput(2, in, sizeof(INPUT));
    }
}

ThreadBarrier::ThreadBarrier() {
    static const wchar_t* const kClass =
        RegisterWindowClass(L"VintrelHarnessBarrier", &ThreadBarrier::WndProc);
    hwnd_ = CreateWindowExW(0, kClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, GetModuleHandleW(nullptr),
                            this);
}

ThreadBarrier::~ThreadBarrier() {
    if (hwnd_) DestroyWindow(hwnd_);
}

LRESULT CALLBACK ThreadBarrier::WndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_NCCREATE) {
        const auto* cs = reinterpret_cast<const CREATESTRUCTW*>(lp);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(cs->lpCreateParams));
    }
    if (msg == WM_APP) {
        auto* self = reinterpret_cast<ThreadBarrier*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
        if (self) ++self->handled_;
        return 0;
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
}

bool ThreadBarrier::Sync(int timeoutMs) {
    // Twice: the first round may overtake messages that the work under way is about to post; once it
    // is handled, that work has returned to the loop and its messages are queued ahead of the second.
    for (int round = 0; round < 2; ++round) {
        const long before = handled_.load();
        if (!PostMessageW(hwnd_, WM_APP, 0, 0)) return false;
        if (!WaitUntil([&] { return handled_.load() > before; }, timeoutMs)) return false;
    }
    return true;
}

// ---------------------------------------------------------------------------------------------------------
// Pattern window

COLORREF PatternColor(int i, int j, int seed) {
    // Red and green follow the column and row so a captured image is easy to read by eye; blue is a hash
    // so that any shift, flip or channel swap shows up as a mismatch.
    uint32_t h = static_cast<uint32_t>(i) * 0x9E3779B1u ^ static_cast<uint32_t>(j) * 0x85EBCA77u ^
                 static_cast<uint32_t>(seed) * 0xC2B2AE3Du;
    h ^= h >> 15;
    h *= 0x2C1B3C6Du;
    h ^= h >> 13;
    const BYTE r = static_cast<BYTE>(i * 5 + seed * 31);
    const BYTE g = static_cast<BYTE>(j * 3 + seed * 17);
    const BYTE b = static_cast<BYTE>(h >> 24);
    return RGB(r, g, b);
}

COLORREF QuadrantColor(int i, int j, int /*seed*/) {
    static const COLORREF kColors[] = {RGB(220, 30, 30), RGB(30, 180, 30), RGB(30, 30, 220), RGB(20, 20, 20)};
    return kColors[(i >= 64) + 2 * (j >= 48)];
}

namespace {

const wchar_t kPatternClass[] = L"VintrelHarnessPattern";

std::vector<PatternWindow*>& LivePatterns() {
    static std::vector<PatternWindow*> live;
    return live;
}

}  // namespace

LRESULT CALLBACK PatternWindow::WndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_NCCREATE) {
        const auto* cs = reinterpret_cast<const CREATESTRUCTW*>(lp);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(cs->lpCreateParams));
    }
    const auto* self = reinterpret_cast<const PatternWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    switch (msg) {
        case WM_ERASEBKGND:
            return 1;  // WM_PAINT covers every pixel; erasing first would only flicker
        case WM_MOUSEACTIVATE:
            return MA_NOACTIVATE;
        case WM_PAINT: {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(hwnd, &ps);
            if (self && self->w_ > 0 && self->h_ > 0) {
                BITMAPINFO bi = {};
                bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
                bi.bmiHeader.biWidth = self->w_;
                bi.bmiHeader.biHeight = -self->h_;  // top-down, like pixels_
                bi.bmiHeader.biPlanes = 1;
                bi.bmiHeader.biBitCount = 32;
                bi.bmiHeader.biCompression = BI_RGB;
                SetDIBitsToDevice(dc, 0, 0, self->w_, self->h_, 0, 0, 0, static_cast<UINT>(self->h_),
                                  self->pixels_.data(), &bi, DIB_RGB_COLORS);
            }
            EndPaint(hwnd, &ps);
            return 0;
        }
        default:
            return DefWindowProcW(hwnd, msg, wp, lp);
    }
}

PatternWindow::PatternWindow(int x, int y, int w, int h, int seed, Painter paint)
    : x_(x), y_(y), w_(std::max(w, 0)), h_(std::max(h, 0)), seed_(seed), paint_(paint) {
    pixels_.resize(static_cast<size_t>(w_) * static_cast<size_t>(h_));
    for (int j = 0; j < h_; ++j) {
        for (int i = 0; i < w_; ++i) {
            const COLORREF c = paint_(i, j, seed_);
            pixels_[static_cast<size_t>(j) * w_ + i] =
                (DWORD(GetRValue(c)) << 16) | (DWORD(GetGValue(c)) << 8) | DWORD(GetBValue(c));
        }
    }

    const HINSTANCE instance = GetModuleHandleW(nullptr);
    static const wchar_t* const kRegistered = RegisterWindowClass(kPatternClass, &PatternWindow::WndProc);
    (void)kRegistered;

    hwnd_ = CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, kPatternClass, L"", WS_POPUP,
                            x_, y_, w_, h_, nullptr, nullptr, instance, this);
    if (hwnd_) {
        ShowWindow(hwnd_, SW_SHOWNOACTIVATE);
        UpdateWindow(hwnd_);
    }
    LivePatterns().push_back(this);
}

PatternWindow::~PatternWindow() {
    auto& live = LivePatterns();
    live.erase(std::remove(live.begin(), live.end(), this), live.end());
    if (hwnd_) DestroyWindow(hwnd_);
}

bool PatternWindow::RestackAll(int timeoutMs) {
    bool painted = true;
    for (PatternWindow* p : LivePatterns()) {
        // Only a change of order reaches the display; the window stays topmost throughout.
        const UINT flags = SWP_NOACTIVATE | SWP_NOMOVE | SWP_NOSIZE;
        SetWindowPos(p->hwnd_, HWND_NOTOPMOST, 0, 0, 0, 0, flags);
        SetWindowPos(p->hwnd_, HWND_TOPMOST, 0, 0, 0, 0, flags);
        painted = p->WaitPainted(timeoutMs) && painted;
    }
    return painted;
}

bool PatternWindow::WaitPainted(int timeoutMs) {
    if (!hwnd_ || w_ == 0 || h_ == 0) return false;
    const POINT probes[] = {{0, 0}, {w_ - 1, 0}, {0, h_ - 1}, {w_ - 1, h_ - 1}, {w_ / 2, h_ / 2}};
    return WaitUntil(
        [&] {
            for (const POINT& p : probes) {
                if (ScreenPixel(x_ + p.x, y_ + p.y) != paint_(p.x, p.y, seed_)) return false;
            }
            return true;
        },
        timeoutMs);
}

// ---------------------------------------------------------------------------------------------------------
// Screen reading

std::vector<unsigned char> ReadScreenBits(int x, int y, int w, int h, int bytesPerPixel) {
    std::vector<unsigned char> bits;
    if (w <= 0 || h <= 0 || bytesPerPixel <= 0) return bits;
    HDC screen = GetDC(nullptr);
    if (!screen) return bits;
    HDC mem = CreateCompatibleDC(screen);
    HBITMAP bmp = CreateCompatibleBitmap(screen, w, h);
    if (mem && bmp) {
        HGDIOBJ old = SelectObject(mem, bmp);
        const BOOL copied = BitBlt(mem, 0, 0, w, h, screen, x, y, SRCCOPY);
        SelectObject(mem, old);
        if (copied) {
            bits.resize(static_cast<size_t>(w) * h * bytesPerPixel);
            const LONG got = GetBitmapBits(bmp, static_cast<LONG>(bits.size()), bits.data());
            bits.resize(got > 0 ? static_cast<size_t>(got) : 0);
        }
    }
    if (bmp) DeleteObject(bmp);
    if (mem) DeleteDC(mem);
    ReleaseDC(nullptr, screen);
    return bits;
}

COLORREF ScreenPixel(int x, int y) {
    COLORREF c = CLR_INVALID;
    HDC screen = GetDC(nullptr);
    if (!screen) return c;
    HDC mem = CreateCompatibleDC(screen);
    HBITMAP bmp = CreateCompatibleBitmap(screen, 1, 1);
    if (mem && bmp) {
        HGDIOBJ old = SelectObject(mem, bmp);
        if (BitBlt(mem, 0, 0, 1, 1, screen, x, y, SRCCOPY)) c = GetPixel(mem, 0, 0);
        SelectObject(mem, old);
    }
    if (bmp) DeleteObject(bmp);
    if (mem) DeleteDC(mem);
    ReleaseDC(nullptr, screen);
    return c;
}

// ---------------------------------------------------------------------------------------------------------
// Files and printouts

std::vector<uint8_t> ReadFileBytes(const std::wstring& path) {
    HANDLE f = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (f == INVALID_HANDLE_VALUE) return {};
    std::vector<uint8_t> bytes(GetFileSize(f, nullptr));
    DWORD got = 0;
    ReadFile(f, bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr);
    CloseHandle(f);
    bytes.resize(got);
    return bytes;
}

int BmpMismatches(const std::vector<uint8_t>& b, int w, int h,
                  const std::function<COLORREF(int x, int y)>& expected) {
    const size_t stride = (static_cast<size_t>(w) * 3 + 3) & ~size_t{3};
    const auto le = [&](size_t at) {
        return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<uint32_t>(b[at + 3]) << 24;
    };
    if (b.size() != 54 + stride * h || (le(0) & 0xFFFF) != 0x4D42 || le(10) != 54 ||
        le(18) != static_cast<uint32_t>(w) || le(22) != static_cast<uint32_t>(h) || (le(28) & 0xFFFF) != 24)
        return -1;
    int wrong = 0;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const size_t at = 54 + (h - 1 - y) * stride + x * 3;
            wrong += RGB(b[at + 2], b[at + 1], b[at]) != expected(x, y);
        }
    }
    return wrong;
}

namespace {

// The spooler's folder as a Wine path, with a trailing separator; empty without a spooler.
std::wstring PdfFolder() {
    const char* folder = std::getenv("VINTREL_PDF_DIR");
    return folder ? L"Z:" + std::wstring(folder, folder + std::strlen(folder)) + L"/" : std::wstring();
}

}  // namespace

std::pair<std::wstring, DWORD> NewestPdf() {
    WIN32_FIND_DATAW f, last = {};
    HANDLE h =
        PdfFolder().empty() ? INVALID_HANDLE_VALUE : FindFirstFileW((PdfFolder() + L"*.pdf").c_str(), &f);
    for (BOOL more = h != INVALID_HANDLE_VALUE; more; more = FindNextFileW(h, &f))
        if (CompareFileTime(&f.ftLastWriteTime, &last.ftLastWriteTime) > 0) last = f;
    if (h != INVALID_HANDLE_VALUE) FindClose(h);
    return {last.cFileName, last.ftLastWriteTime.dwLowDateTime};
}

COLORREF Page::At(int x, int y) const {
    if (x < 0 || y < 0 || x >= width || y >= height) return CLR_INVALID;
    const uint8_t* p = &rgb[(static_cast<size_t>(y) * width + x) * 3];
    return RGB(p[0], p[1], p[2]);
}

std::vector<Page> RenderPdf(const std::wstring& name) {
    const std::wstring pdf = PdfFolder() + name;
    const std::wstring out = L"/tmp/vintrel-print-" + std::to_wstring(GetCurrentProcessId());
    // Wine starts Unix programs but cannot wait for them: the last step marks the end.
    const std::wstring script =
        L"pdftoppm -r 96 '" + pdf.substr(2) + L"' " + out + L" && touch " + out + L".done";
    const std::wstring done = L"Z:" + out + L".done";
    std::vector<Page> pages;
    // The spooler writes the file in steps; it is whole once it ends with its end-of-file marker.
    const auto whole = [&] {
        const std::vector<uint8_t> b = ReadFileBytes(pdf);
        return std::string(b.end() - std::min<size_t>(b.size(), 16), b.end()).find("%%EOF") !=
               std::string::npos;
    };
    if (!WaitUntil(whole, 30000) || !Launch(L"Z:\\usr\\bin\\sh", L"-c \"" + script + L"\"") ||
        !WaitUntil([&] { return GetFileAttributesW(done.c_str()) != INVALID_FILE_ATTRIBUTES; }, 30000))
        return pages;
    for (int n = 1;; ++n) {
        const std::wstring file = L"Z:" + out + L"-" + std::to_wstring(n) + L".ppm";
        const std::vector<uint8_t> ppm = ReadFileBytes(file);
        DeleteFileW(file.c_str());
        const std::string text(ppm.begin(), ppm.end());
        Page page;
        int header = 0;
        if (std::sscanf(text.c_str(), "P6 %d %d 255%n", &page.width, &page.height, &header) != 2 ||
            ppm.size() != header + 1 + static_cast<size_t>(page.width) * page.height * 3)
            break;
        page.rgb.assign(ppm.begin() + header + 1, ppm.end());
        pages.push_back(std::move(page));
    }
    DeleteFileW(done.c_str());
    DeleteFileW(pdf.c_str());
    return pages;
}

namespace {

// Where the default printer's printable area begins on its page, in pixels at 96 dpi.
POINT PrintableOrigin() {
    PRINTDLGW pd = {};
    pd.lStructSize = sizeof(pd);
    pd.Flags = PD_RETURNDEFAULT | PD_RETURNDC;
    POINT origin = {0, 0};
    if (!PrintDlgW(&pd)) return origin;
    origin = {MulDiv(GetDeviceCaps(pd.hDC, PHYSICALOFFSETX), 96, GetDeviceCaps(pd.hDC, LOGPIXELSX)),
              MulDiv(GetDeviceCaps(pd.hDC, PHYSICALOFFSETY), 96, GetDeviceCaps(pd.hDC, LOGPIXELSY))};
    DeleteDC(pd.hDC);
    GlobalFree(pd.hDevMode);
    GlobalFree(pd.hDevNames);
    return origin;
}

}  // namespace

int PrintMismatches(const Page& page, int w, int h, const std::function<COLORREF(int x, int y)>& expected) {
    const POINT o = PrintableOrigin();
    const auto differs = [&](int x, int y, COLORREF c) {
        const COLORREF p = page.At(o.x + x, o.y + y);
        return p == CLR_INVALID || std::abs(GetRValue(p) - GetRValue(c)) +
                                           std::abs(GetGValue(p) - GetGValue(c)) +
                                           std::abs(GetBValue(p) - GetBValue(c)) >=
                                       60;
    };
    int wrong = 0;
    for (POINT p : {POINT{2, 2}, POINT{w - 3, 2}, POINT{2, h - 3}, POINT{w - 3, h - 3}, POINT{w / 4, h / 4},
                    POINT{w * 3 / 4, h * 3 / 4}})
        wrong += differs(p.x, p.y, expected(p.x, p.y));
    for (POINT p : {POINT{w + 3, h / 4}, POINT{w / 4, h + 3}, POINT{300, 300}})
        wrong += differs(p.x, p.y, RGB(255, 255, 255));
    return wrong;
}

// ---------------------------------------------------------------------------------------------------------
// GDI object count

namespace {

// One slot of the handle table Wine's win32u keeps in process memory and publishes through
// PEB::GdiSharedHandleTable (the layout is the same for 32- and 64-bit processes).
struct WineGdiEntry {
    uint64_t object;
    uint32_t owner;   // left 0 by Wine: the table only ever holds this process's objects
    uint16_t unique;  // bits 0-6: extended type, bit 7: stock object, high byte: generation
    uint8_t type;     // 0 marks a free slot
    uint8_t flags;
    uint64_t userPointer;
};
static_assert(sizeof(WineGdiEntry) == 24, "layout of Wine's GDI_HANDLE_ENTRY");

constexpr size_t kWineGdiSlots = 0x10000;
constexpr uint16_t kStockFlag = 0x80;

HMODULE Ntdll() {
    return GetModuleHandleW(L"ntdll.dll");
}

bool RunningOnWine() {
    return Ntdll() && GetProcAddress(Ntdll(), "wine_get_version") != nullptr;
}

// The table's address in a process (this one's or another's of the same pointer size), or 0.
uintptr_t WineGdiTable(HANDLE process) {
    // Looked up at run time so that test programs need not link ntdll. (NtCurrentTeb() would be simpler
    // but trips GCC's -Warray-bounds in MinGW's headers.)
    using QueryFn = LONG(WINAPI*)(HANDLE, PROCESSINFOCLASS, PVOID, ULONG, PULONG);
    const FARPROC proc = Ntdll() ? GetProcAddress(Ntdll(), "NtQueryInformationProcess") : nullptr;
    if (!proc) return 0;
    const auto query = reinterpret_cast<QueryFn>(reinterpret_cast<void (*)()>(proc));
    PROCESS_BASIC_INFORMATION info = {};
    if (query(process, ProcessBasicInformation, &info, sizeof(info), nullptr) != 0 || !info.PebBaseAddress)
        return 0;
        // The PEB layout in the SDK headers hides this field, so read it at its long-standing offset.
#ifdef _WIN64
    constexpr size_t kOffset = 0xF8;
#else
    constexpr size_t kOffset = 0x94;
#endif
    const auto* peb = reinterpret_cast<const unsigned char*>(info.PebBaseAddress);
    uintptr_t table = 0;
    if (!ReadProcessMemory(process, peb + kOffset, &table, sizeof(table), nullptr)) return 0;
#ifndef _WIN64
    // A 32-bit process on 64-bit Wine has the table in its 64-bit PEB, the page below the 32-bit one.
    uint64_t table64 = 0;
    if (!table && ReadProcessMemory(process, peb - 0x1000 + 0xF8, &table64, sizeof(table64), nullptr))
        table = static_cast<uintptr_t>(table64);
#endif
    return table;
}

}  // namespace

int GdiObjectCount(HANDLE process) {
    if (!RunningOnWine()) return static_cast<int>(GetGuiResources(process, GR_GDIOBJECTS));
    const uintptr_t table = WineGdiTable(process);
    std::vector<WineGdiEntry> entries(kWineGdiSlots);
    if (!table || !ReadProcessMemory(process, reinterpret_cast<const void*>(table), entries.data(),
                                     entries.size() * sizeof(WineGdiEntry), nullptr))
        return -1;
    return static_cast<int>(std::count_if(entries.begin(), entries.end(), [](const WineGdiEntry& e) {
        return e.type != 0 && !(e.unique & kStockFlag);
    }));
}

// ---------------------------------------------------------------------------------------------------------
// Processes

Process::~Process() {
    if (!process) return;
    if (WaitForSingleObject(process, 0) == WAIT_TIMEOUT) {
        TerminateProcess(process, 1);
        WaitForSingleObject(process, 5000);
    }
    CloseHandle(process);
}

bool Process::WaitExit(int timeoutMs) {
    if (!process) return false;
    const auto deadline = Clock::now() + Ms(timeoutMs);
    for (;;) {
        // Keep pumping: the process may send messages to this thread's windows (broadcasts, DDE) and
        // would hang on an unpumped queue.
        const DWORD r = MsgWaitForMultipleObjectsEx(1, &process, static_cast<DWORD>(MsLeft(deadline)),
                                                    QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        if (r == WAIT_OBJECT_0) return true;
        if (r != WAIT_OBJECT_0 + 1) return WaitForSingleObject(process, 0) == WAIT_OBJECT_0;
        PumpPending();
        if (MsLeft(deadline) == 0) return WaitForSingleObject(process, 0) == WAIT_OBJECT_0;
    }
}

DWORD Process::ExitCode() const {
    DWORD code = 0;
    if (!process || !GetExitCodeProcess(process, &code)) return 0;
    return code;
}

std::unique_ptr<Process> Launch(const std::wstring& exePath, const std::wstring& args) {
    std::wstring cmd = L"\"" + exePath + L"\"";
    if (!args.empty()) cmd += L" " + args;
    std::vector<wchar_t> cmdBuf(cmd.begin(), cmd.end());
    cmdBuf.push_back(L'\0');  // CreateProcessW may write into the command line
    STARTUPINFOW si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessW(exePath.c_str(), cmdBuf.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                        &pi))
        return nullptr;
    CloseHandle(pi.hThread);
    std::unique_ptr<Process> p(new Process);
    p->process = pi.hProcess;
    p->pid = pi.dwProcessId;
    return p;
}

namespace {

struct WindowQuery {
    DWORD pid;
    const std::wstring* title;
    HWND found;
};

BOOL CALLBACK MatchWindow(HWND hwnd, LPARAM lp) {
    auto* q = reinterpret_cast<WindowQuery*>(lp);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    if (pid != q->pid || WindowText(hwnd) != *q->title) return TRUE;
    q->found = hwnd;
    return FALSE;
}

}  // namespace

HWND FindTopWindowOfProcess(DWORD pid, const std::wstring& title) {
    WindowQuery q{pid, &title, nullptr};
    EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&q));
    return q.found;
}

std::wstring ExeDir() {
    std::vector<wchar_t> buf(MAX_PATH);
    for (;;) {
        const DWORD n = GetModuleFileNameW(nullptr, buf.data(), static_cast<DWORD>(buf.size()));
        if (n == 0) return std::wstring();
        if (n < buf.size()) {
            std::wstring path(buf.data(), n);
            const size_t slash = path.find_last_of(L"\\/");
            return slash == std::wstring::npos ? std::wstring(L".") : path.substr(0, slash);
        }
        buf.resize(buf.size() * 2);
    }
}

}  // namespace harness
