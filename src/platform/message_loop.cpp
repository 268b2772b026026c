// The message loops, the yield to pending events and its pacer.
#include "platform/message_loop.h"

#include <algorithm>

#include "platform/mdi.h"

namespace rt {

namespace {

int64_t PerformanceCounter() {
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return t.QuadPart;
}

}  // namespace

int RunMessageLoop(MdiForm* frame) {
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (frame && frame->MdiClient() && TranslateMDISysAccel(frame->MdiClient(), &msg)) continue;
        if (TranslateFormKeys(msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return static_cast<int>(msg.wParam);
}

void DoEvents() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(msg.wParam));
            return;
        }
        if (TranslateFormKeys(msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

YieldPacer::YieldPacer(double sliceMs) : start_(PerformanceCounter()), lastLook_(start_) {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    slice_ = static_cast<int64_t>(static_cast<double>(frequency.QuadPart) * sliceMs / 1000);
}

bool YieldPacer::Due() {
    if (++steps_ < nextLook_) return false;
    const int64_t now = PerformanceCounter();
    if (now - start_ >= slice_) return true;
    // Look again after about a tenth of the slice at the pace of the steps since the last look; a few
    // thousand steps at most, so that steps that grow longer are not missed for long.
    const int64_t perStep = std::max<int64_t>((now - lastLook_) / (steps_ - lookedAt_), 1);
    lastLook_ = now;
    lookedAt_ = steps_;
    nextLook_ = steps_ + static_cast<uint32_t>(std::clamp<int64_t>(slice_ / 10 / perStep, 1, 4096));
    return false;
}

void YieldPacer::YieldNow() {
    DoEvents();
    start_ = lastLook_ = PerformanceCounter();
    steps_ = lookedAt_ = 0;
    nextLook_ = 1;
}

void SendKey(WORD vk) {
    HWND focus = GetFocus();
    if (!focus) return;
    const DWORD scan = MapVirtualKeyW(vk, MAPVK_VK_TO_VSC) << 16;
    PostMessageW(focus, WM_KEYDOWN, vk, static_cast<LPARAM>(scan | 1u));
    PostMessageW(focus, WM_KEYUP, vk, static_cast<LPARAM>(scan | 0xC0000001u));
}

}  // namespace rt
