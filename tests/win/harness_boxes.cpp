// Watching, reading and answering message boxes and the save dialog.
#include "harness_boxes.h"

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <utility>

#include "harness_detail.h"
#include "harness_input.h"
#include "harness_pump.h"

namespace harness {

using namespace detail;

namespace {

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

}  // namespace harness
