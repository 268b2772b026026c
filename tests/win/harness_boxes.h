// Message boxes and the save dialog, read and answered from a thread of their own while the test thread
// is blocked in them.
#pragma once

#include <windows.h>

#include <cstddef>
#include <functional>
#include <future>
#include <memory>
#include <string>
#include <vector>

namespace harness {

struct BoxSeen {
    HWND hwnd = nullptr;
    std::wstring title;                 // window text of the #32770
    std::wstring text;                  // text of static 0xFFFF
    std::vector<std::wstring> buttons;  // texts of the button children, in z/tab order
    std::vector<int> buttonIds;         // their control ids
    bool hasIcon = false;               // the icon static shows an icon
    int defaultButtonId = 0;            // id of the button with BS_DEFPUSHBUTTON style, or 0
    int clickedId = 0;                  // id the watcher clicked, 0 while still unanswered
    bool hidden = false;                // answered by a message after its button stayed out of reach for 10 s
};

// Watches the message boxes (#32770 dialogs with a 0xFFFF text static) owned by one thread from a
// background thread, records each new one once it is shown, and answers it by clicking a button
// according to the policy. The destructor stops the thread; boxes still open are left alone.
class BoxWatcher {
  public:
    explicit BoxWatcher(DWORD uiThreadId = GetCurrentThreadId());
    ~BoxWatcher();
    BoxWatcher(const BoxWatcher&) = delete;
    BoxWatcher& operator=(const BoxWatcher&) = delete;

    // Default policy: IDOK if present, else the first button. A policy runs on the watcher thread and
    // returns the control id to click, or 0 to leave the box open for now (it is asked again next poll).
    void SetPolicy(std::function<int(const BoxSeen&)> policy);
    // How long to wait after seeing a box before asking the policy (default 30 ms).
    void SetAnswerDelayMs(int ms);
    // Answer like a user: a real mouse click on the button, and only while the button is the window
    // the user sees at that point. A box hidden behind another window stays unanswered for 10 s, then is
    // answered by a message and recorded as hidden, so that a test fails instead of hanging. Off by
    // default: the click moves the cursor, and the answer is then also a real input event.
    void SetAnswerByClick(bool click);
    std::vector<BoxSeen> Seen() const;
    size_t Count() const;
    void Clear();
    // Pumps the calling thread (the box may need it) until Count() >= n or timeoutMs passes.
    bool WaitForCount(size_t n, int timeoutMs);

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// What a common save dialog showed before it was answered (empty when none came).
struct SaveDialogSeen {
    std::wstring title;
    std::wstring offeredName;  // the file-name box (control 1148) as the dialog filled it
};

// Answers the next save dialog of a thread (by default the calling one, else another program's) from a
// background thread: types `name` into its file-name box and presses Save, or presses Cancel when `name` is
// empty; then runs `after` on that thread, if given. Questions the dialog asks are message boxes, for a
// BoxWatcher.
std::future<SaveDialogSeen> AnswerSaveDialog(std::wstring name, std::function<void()> after = nullptr,
                                             int timeoutMs = 15000, DWORD uiThread = GetCurrentThreadId());

}  // namespace harness
