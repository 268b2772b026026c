// Test support for driving VINTREL's real windows from a GoogleTest program running on the UI thread.
//
// Everything here that pumps messages pumps the *calling* thread's queue, so call it from the thread that
// owns the windows under test (the test's main thread). Message boxes block that thread inside
// MessageBoxW, which is why BoxWatcher answers them from a thread of its own.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <future>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace harness {

// Dispatches every pending message of this thread (PeekMessage loop), then returns.
void PumpPending();
// Pumps this thread's messages for ms milliseconds, sleeping a few ms between rounds.
void Pump(int ms);
// Pumps until pred() is true or timeoutMs passes; returns the last pred() value.
bool WaitUntil(const std::function<bool()>& pred, int timeoutMs);

// Lets a test route pumped messages through the application's own pre-translation (accelerators,
// IsDialogMessage) the way its message loop would. The filter returns true when it consumed the message.
// Pass an empty function to remove it.
void SetMessageFilter(std::function<bool(MSG&)> filter);
// The pumps swallow WM_QUIT (tests keep pumping after a window closes). This reports whether one was
// pumped since the last call and, if so, its exit code; it then forgets it.
bool TakeQuit(int* exitCode = nullptr);

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

// Keyboard through SendInput (virtual-key codes). Wine caches the async key state per thread for up to
// ~50 ms, so a key must stay down for a while for pollers to notice it.
void KeyDown(WORD vk);
void KeyUp(WORD vk);
// Presses vk, pumps for holdMs, releases it, then pumps holdMs again so the release is seen before
// whatever comes next.
void TapKey(WORD vk, int holdMs = 100);
// A real left click at screen point (x, y): the pointer moves there with the press, so the click
// lands where asked even while a warp of the pointer is still on its way.
void ClickAt(int x, int y);
// Clicks the centre of a window when it is the one visible there; false (and no click) otherwise.
bool ClickIfReachable(HWND window);
// Sets the cursor and waits until GetCursorPos reads it back (stable over a few reads).
bool SetCursorStable(int x, int y, int timeoutMs = 2000);

// A left click with the real mouse (SendInput) at the centre of a window.
void Click(HWND hwnd);

// The window that has the keyboard focus in a thread (another thread's too), or nullptr.
HWND FocusOf(DWORD threadId);
// True when the focus of the window's thread is on hwnd or on a window inside it (the edit of a combo box).
bool HoldsFocus(HWND hwnd);
// Text of a control through WM_GETTEXT / WM_SETTEXT; usable from any thread while the owner pumps.
std::wstring TextOf(HWND hwnd);
void SetTextOf(HWND hwnd, const std::wstring& text);
// Types the characters with the real keyboard (SendInput, as Unicode keystrokes).
void TypeText(const std::wstring& text);

// Lets another thread wait until the thread that created the barrier has handled everything that was
// posted to it before the wait began (messages posted as a side effect of those included). Create it on
// the thread to watch; that thread must keep pumping.
class ThreadBarrier {
  public:
    ThreadBarrier();
    ~ThreadBarrier();
    ThreadBarrier(const ThreadBarrier&) = delete;
    ThreadBarrier& operator=(const ThreadBarrier&) = delete;
    bool Sync(int timeoutMs = 5000);

  private:
    static LRESULT CALLBACK WndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    HWND hwnd_ = nullptr;
    std::atomic<long> handled_{0};
};

// Colour of pixel (i, j) (column, row) of a PatternWindow painted with seed.
COLORREF PatternColor(int i, int j, int seed);
// Four plain blocks meeting at (64, 48), for pictures that go through resampling (a printout).
COLORREF QuadrantColor(int i, int j, int seed);
using Painter = COLORREF (*)(int i, int j, int seed);

// A topmost borderless popup that never activates, showing paint(i, j, seed) at client pixel (i, j). It is
// painted with SetDIBitsToDevice from memory, so every pixel is exact and the window owns no GDI objects (it
// does not disturb GdiObjectCount). Created on and must be destroyed on the calling thread.
class PatternWindow {
  public:
    PatternWindow(int x, int y, int w, int h, int seed = 0, Painter paint = PatternColor);
    ~PatternWindow();
    PatternWindow(const PatternWindow&) = delete;
    PatternWindow& operator=(const PatternWindow&) = delete;

    HWND hwnd() const { return hwnd_; }
    // Pumps until the screen shows the pattern at the corners and the centre.
    bool WaitPainted(int timeoutMs = 3000);
    // Puts every pattern window of this thread back on top of the display and waits until each shows
    // its pattern. Under Wine a window that becomes active is raised above the topmost ones on the X
    // display, though not in the window order, and would hide the pattern from a screen reader.
    static bool RestackAll(int timeoutMs = 3000);

  private:
    static LRESULT CALLBACK WndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    HWND hwnd_ = nullptr;
    int x_, y_, w_, h_, seed_;
    Painter paint_;
    std::vector<DWORD> pixels_;  // top-down 0x00RRGGBB
};

// Reads a screen rectangle the way a screen recorder does: GetDC(NULL), CreateCompatibleDC and
// CreateCompatibleBitmap(w, h), BitBlt SRCCOPY, GetBitmapBits(w * h * bytesPerPixel). Every GDI object is
// released again. The result has as many bytes as GetBitmapBits copied (empty on failure).
std::vector<unsigned char> ReadScreenBits(int x, int y, int w, int h, int bytesPerPixel);
// One screen pixel via a 1x1 BitBlt into a memory DC; CLR_INVALID on failure.
COLORREF ScreenPixel(int x, int y);

// Whole contents of a file (empty when it cannot be read).
std::vector<uint8_t> ReadFileBytes(const std::wstring& path);
// Checks that `file` is a 24-bit bottom-up BMP of w x h pixels and counts the pixels that differ from
// expected(x, y); -1 when the headers or the size are not those of such a file.
int BmpMismatches(const std::vector<uint8_t>& file, int w, int h,
                  const std::function<COLORREF(int x, int y)>& expected);

// The test spooler (scripts/common.sh) writes each print job as a PDF into $VINTREL_PDF_DIR.
// Name and write time of the newest PDF there; it changes when a job lands. Empty without a spooler.
std::pair<std::wstring, DWORD> NewestPdf();
// A page rendered at 96 dpi.
struct Page {
    int width = 0, height = 0;
    std::vector<uint8_t> rgb;  // top-down rows, 3 bytes per pixel
    COLORREF At(int x, int y) const;
};
// Renders a PDF of that folder with poppler into its pages, then deletes the PDF and the pictures.
std::vector<Page> RenderPdf(const std::wstring& name);
// Probes a w x h picture printed at the origin of the default printer's printable area: its corners and
// inner points against expected(x, y), points beside it against white. Returns how many differ by more
// than a rendering's smoothing.
int PrintMismatches(const Page& page, int w, int h, const std::function<COLORREF(int x, int y)>& expected);

// Number of GDI objects a process (this one, or another of the same pointer size) owns now, stock
// objects excluded, or -1 if it cannot tell. Wine's GetGuiResources(GR_GDIOBJECTS) is a stub that
// answers 0, so under Wine the handle table that win32u publishes in the PEB is counted instead.
int GdiObjectCount(HANDLE process = GetCurrentProcess());

// A process started by Launch. The destructor terminates it if it is still running, so a failed test does
// not leave it behind.
struct Process {
    HANDLE process = nullptr;
    DWORD pid = 0;
    Process() = default;
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;
    ~Process();
    // Waits (pumping this thread's messages) until the process exits.
    bool WaitExit(int timeoutMs);
    // Exit code, or STILL_ACTIVE while it runs.
    DWORD ExitCode() const;
};
// Starts exePath (full path) with optional args; nullptr on failure.
std::unique_ptr<Process> Launch(const std::wstring& exePath, const std::wstring& args = L"");
// A top-level window (visible or not) of process pid whose title is exactly title, or nullptr.
HWND FindTopWindowOfProcess(DWORD pid, const std::wstring& title);
// Directory of the running executable, without a trailing separator.
std::wstring ExeDir();

}  // namespace harness
