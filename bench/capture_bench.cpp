// Prints what one recording tick costs against the bare screen read it cannot avoid, and how far a
// 50-frame recording at 100 ms drifts from 5 seconds. Figures are ratios within one run.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <tuple>
#include <vector>

#include "capture/capture_window.h"
#include "bench_clock.h"
#include "core/frame_store.h"
#include "core/main_window.h"
#include "core/shared_state.h"
#include "platform/runtime.h"
#include "platform/timer.h"

namespace {

void Pump() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

bool Reallocate(int32_t width, int32_t height, int16_t frames) {
    if (!Frame_Free()) return false;
    VL.PicWidth = width;
    VL.PicHeight = height;
    VL.Framemax = frames;
    VL.RecordedCount = 0;
    return Frame_Alloc();
}

// One bare screen read: BitBlt from the screen into a memory bitmap and GetBitmapBits into a buffer,
// the part of a tick that no implementation can avoid.
struct BareReader {
    BareReader(int width, int height)
        : buffer(static_cast<size_t>(width) * height * VL.BytesPerPixel),
          screen(GetDC(nullptr)),
          memory(CreateCompatibleDC(screen)),
          bitmap(CreateCompatibleBitmap(screen, width, height)),
          old(SelectObject(memory, bitmap)),
          width(width),
          height(height) {}
    ~BareReader() {
        SelectObject(memory, old);
        DeleteObject(bitmap);
        DeleteDC(memory);
        ReleaseDC(nullptr, screen);
    }
    double Read(POINT at) {
        const double t0 = Now();
        BitBlt(memory, 0, 0, width, height, screen, at.x, at.y, SRCCOPY);
        GetBitmapBits(bitmap, static_cast<LONG>(buffer.size()), buffer.data());
        return Now() - t0;
    }
    std::vector<BYTE> buffer;
    HDC screen;
    HDC memory;
    HBITMAP bitmap;
    HGDIOBJ old;
    int width, height;
};

struct Costs {
    double bare;
    double tickMean;
    double tickWorst;
};

// Bare reads and recording ticks taken in turns, so that both see the same state of the display.
Costs Measure(frmVLc1& capture, int rounds) {
    BareReader bare(VL.PicWidth, VL.PicHeight);
    VL.FrameCursor = 0;
    VL.RunState = 1;
    VL.WinLock = 0;
    capture.MaxLeft = VL.ScreenWidth - VL.PicWidth;
    capture.MaxTop = VL.ScreenHeight - VL.PicHeight;
    Costs c = {0, 0, 0};
    for (int i = 0; i < rounds; ++i) {
        POINT at;
        GetCursorPos(&at);
        at.x = std::min<LONG>(at.x, capture.MaxLeft);
        at.y = std::min<LONG>(at.y, capture.MaxTop);
        c.bare += bare.Read(at);
        const double t0 = Now();
        capture.timREC_Timer();
        const double t = Now() - t0;
        c.tickMean += t;
        c.tickWorst = std::max(c.tickWorst, t);
    }
    VL.RunState = 0;
    c.bare /= rounds;
    c.tickMean /= rounds;
    return c;
}

// Mean milliseconds of one call of step over rounds calls.
template <typename Step>
double MeanMs(int rounds, Step step) {
    const double t0 = Now();
    for (int i = 0; i < rounds; ++i) step();
    return (Now() - t0) / rounds;
}

// What the parts of a tick cost on their own, each measured like the tick takes it.
void PrintTickParts(frmVLc1& capture, int rounds) {
    const int w = VL.PicWidth, h = VL.PicHeight;
    std::vector<BYTE> buffer(static_cast<size_t>(w) * h * VL.BytesPerPixel);
    const double keys = MeanMs(rounds, [] { GetAsyncKeyState(VL.KeyCancel); });
    const double cursor = MeanMs(rounds, [] {
        POINT p;
        GetCursorPos(&p);
    });
    const double lifecycle = MeanMs(rounds, [w, h] {
        HDC screen = GetDC(nullptr);
        HDC memory = CreateCompatibleDC(screen);
        HBITMAP bitmap = CreateCompatibleBitmap(screen, w, h);
        HGDIOBJ old = SelectObject(memory, bitmap);
        SelectObject(memory, old);
        DeleteDC(memory);
        DeleteObject(bitmap);
        ReleaseDC(nullptr, screen);
    });
    // Read where the bare reads and the ticks read: what lies under the rectangle changes the cost.
    POINT at;
    GetCursorPos(&at);
    at.x = std::min<LONG>(at.x, capture.MaxLeft);
    at.y = std::min<LONG>(at.y, capture.MaxTop);
    const double freshRead = MeanMs(rounds, [w, h, at, &buffer] {
        HDC screen = GetDC(nullptr);
        HDC memory = CreateCompatibleDC(screen);
        HBITMAP bitmap = CreateCompatibleBitmap(screen, w, h);
        HGDIOBJ old = SelectObject(memory, bitmap);
        BitBlt(memory, 0, 0, w, h, screen, at.x, at.y, SRCCOPY);
        GetBitmapBits(bitmap, static_cast<LONG>(buffer.size()), buffer.data());
        SelectObject(memory, old);
        DeleteDC(memory);
        DeleteObject(bitmap);
        ReleaseDC(nullptr, screen);
    });
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, w, h);
    HGDIOBJ old = SelectObject(memory, bitmap);
    const double preview = MeanMs(rounds, [&] {
        if (HDC surface = capture.PicCAPT.hDC()) BitBlt(surface, 0, 0, w, h, memory, 0, 0, SRCCOPY);
    });
    const double show = MeanMs(rounds, [&] {
        if (!IsWindowVisible(capture.hWnd())) ShowWindow(capture.hWnd(), SW_SHOW);
    });
    SelectObject(memory, old);
    DeleteDC(memory);
    DeleteObject(bitmap);
    ReleaseDC(nullptr, screen);
    std::printf(
        "  parts: key poll %.3f, cursor %.3f, DCs and bitmap %.3f, read into a new bitmap %.3f,"
        " preview %.3f, show check %.3f ms\n",
        keys, cursor, lifecycle, freshRead, preview, show);
}

double RecordingDrift(frmVLc1& capture, int frames, int interval) {
    VL.RecTimer = static_cast<int16_t>(interval);
    VL.FrameCursor = 0;
    VL.RunState = 1;
    capture.timREC.SetInterval(interval);
    const double t0 = Now();
    capture.timREC.SetEnabled(true);
    while (VL.FrameCursor < frames) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
        Pump();
    }
    const double elapsed = Now() - t0;
    capture.timREC.SetEnabled(false);
    VL.RunState = 0;
    return elapsed;
}

// A hidden form whose timer does nothing but count its ticks.
class EmptyTimerForm : public rt::Form {
  public:
    rt::Timer timer{*this, [this] { ++ticks; }};
    int ticks = 0;

  protected:
    rt::FormStyle Style() const override { return rt::FormStyle(); }
};

// How many times per second `count` grows while the message loop runs for `ms` milliseconds, or
// until it has grown by `limit`.
template <typename Count>
double PerSecond(Count count, int ms, int limit) {
    const int start = count();
    const double t0 = Now();
    while (Now() - t0 < ms && count() - start < limit) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
        Pump();
    }
    return (count() - start) * 1000.0 / (Now() - t0);
}

// Frames per second of a recording at the shortest intervals against the ticks of an empty timer,
// for a small and a large rectangle; the store holds the frames of a second or more at 1 ms.
void PrintShortIntervals(frmVLc1& capture) {
    EmptyTimerForm empty;
    empty.Load();
    for (const auto& [width, height, frames] : {std::tuple{128, 96, 1000}, {640, 480, 500}}) {
        if (!Reallocate(width, height, static_cast<int16_t>(frames))) continue;
        for (const int interval : {1, 10, 16}) {
            empty.timer.SetInterval(interval);
            empty.timer.SetEnabled(true);
            const double ticks = PerSecond([&empty] { return empty.ticks; }, 2000, 1 << 30);
            empty.timer.SetEnabled(false);
            VL.FrameCursor = 0;
            VL.RunState = 1;
            capture.timREC.SetInterval(interval);
            capture.timREC.SetEnabled(true);
            const double rate = PerSecond([] { return static_cast<int>(VL.FrameCursor); }, 2000, frames - 1);
            capture.timREC.SetEnabled(false);
            VL.RunState = 0;
            std::printf(
                "%dx%d at RecTimer %2d ms: %6.1f frames/s, empty timer %6.1f ticks/s: "
                "%5.1f%%  (goal >= 95)\n",
                width, height, interval, rate, ticks, rate * 100 / ticks);
        }
    }
    empty.Unload();
}

}  // namespace

int main() {
    frmVLm1 main;
    main.Show();
    Pump();
    frmVLc1& capture = CaptureWindow();
    // As while recording: the capture window is shown minimized, and the rectangle follows the cursor.
    capture.Show();
    Pump();
    capture.SetWindowState(rt::kMinimized);
    Pump();
    const int sizes[][2] = {{128, 96}, {640, 480}, {VL.ScreenWidth, VL.ScreenHeight}};
    std::printf("VINTREL capture benchmark (%d x %d screen, %d bytes per pixel)\n", VL.ScreenWidth,
                VL.ScreenHeight, VL.BytesPerPixel);
    std::printf("%-12s %12s %14s %15s %10s\n", "rectangle", "bare read ms", "tick mean ms", "tick worst ms",
                "tick/bare");
    // A tick also copies the screen a second time for its preview and reads into a bitmap made that
    // tick; at 128x96 the cursor and device-context calls of every tick outweigh the read itself, so
    // there the ratio says little and its frame rate below is what counts.
    const char* goals[] = {"", "  (goal <= 2.0)", ""};
    for (const auto& size : sizes) {
        const int rounds = size[0] * size[1] > 400000 ? 40 : 200;
        if (!Reallocate(size[0], size[1], static_cast<int16_t>(rounds))) {
            std::printf("%dx%d: frame store could not be allocated\n", size[0], size[1]);
            continue;
        }
        Measure(capture, 5);  // warm-up
        const Costs c = Measure(capture, rounds);
        char name[32];
        std::snprintf(name, sizeof(name), "%dx%d", size[0], size[1]);
        std::printf("%-12s %12.3f %14.3f %15.3f %10.2f%s\n", name, c.bare, c.tickMean, c.tickWorst,
                    c.tickMean / c.bare, goals[&size - sizes]);
        PrintTickParts(capture, rounds);
        // A second recording into the same blocks, which no longer pay for their first write.
        const Costs again = Measure(capture, rounds);
        std::printf("  again into the blocks just written: tick mean %.3f ms, tick/bare %.2f\n",
                    again.tickMean, again.tickMean / again.bare);
    }
    if (Reallocate(128, 96, 50)) {
        const double elapsed = RecordingDrift(capture, 50, 100);
        std::printf("drift: 50 frames at 100 ms took %.1f ms against 5000 ms: %+.2f%%  (goal within +-1)\n",
                    elapsed, (elapsed - 5000.0) / 50.0);
    }
    PrintShortIntervals(capture);
    main.mfEXIT_Click();
    return 0;
}
