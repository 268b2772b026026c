// The thread's message loops: the main loop, the yield to pending events and its pacer, and a keystroke
// queued for the focused window. Every loop hands the forms their keys first (TranslateFormKeys).
#pragma once

#include <windows.h>

#include <cstdint>

namespace rt {

class MdiForm;

// Runs the thread's message loop until WM_QUIT, with MDI keyboard handling for the frame.
int RunMessageLoop(MdiForm* frame);

// Processes every pending event of this thread, then returns. A WM_QUIT seen here is posted again
// so that the outer loop ends.
void DoEvents();

// Paces the yields of a loop of many short steps: it yields once a slice of work time has passed since
// its last yield, not after every step. Under Wine a look at an empty queue costs as much as thousands of
// short steps, while a slice of about 10 ms keeps the windows as responsive as a user can tell.
class YieldPacer {
  public:
    explicit YieldPacer(double sliceMs = 10);
    // After a step: true when the loop should yield now. The clock is read only every few steps, as
    // often as the steps since the last look suggest, since reading it costs more than a short step.
    bool Due();
    // After a step that may have taken long (a window opened): the next Due() reads the clock.
    void LookNext() { nextLook_ = steps_ + 1; }
    // Processes every pending event and starts the next slice.
    void YieldNow();

  private:
    int64_t slice_;  // performance-counter units
    int64_t start_;
    int64_t lastLook_;
    uint32_t steps_ = 0;
    uint32_t lookedAt_ = 0;
    uint32_t nextLook_ = 1;
};

// A synthesized keystroke (down and up) for the window that has the focus, queued behind the
// messages already waiting.
void SendKey(WORD vk);

}  // namespace rt
