// The process-wide state record shared by every window, and the single-instance lookup.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

// mdlVL1: the state record every window reads and sets, as the one object VL; the user never sees it.
struct mdlVL1 {
    // Frame store: entries 1 .. Framemax (entry 0 is unused, there is no frame 0).
    std::vector<HGLOBAL> FrameHandles;
    std::vector<BYTE*> FrameData;
    int16_t FrameCursor = 0;
    int16_t Framemax = 0;
    int32_t PicWidth = 0;
    int32_t PicHeight = 0;
    int32_t BytesPerPixel = 0;
    int16_t KeyTimer = 0;
    int16_t RecTimer = 0;
    int16_t CaptureMode = 0;  // 0 none, 1 record standby, 2 playback, 3 size check
    int32_t ScreenWidth = 0;
    int32_t ScreenHeight = 0;
    int32_t CheckWidth = 0;
    int32_t CheckHeight = 0;
    int16_t ViewBatch = 0;
    int16_t KeyStart = 0;
    int16_t KeyCancel = 0;
    int16_t WinLock = 0;
    int16_t RunState = 0;       // 0 nothing, 1 standby or recording, 2 playback, 3 open-all or compaction
    int16_t CancelRequest = 0;  // -1 true, 0 false
    int32_t RecordedCount = 0;
    int32_t OpenViewCount = 0;
    int32_t ViewSerial = 0;
    int16_t PeerFound = 0;
    HWND PeerWindow = nullptr;
    HWND OwnWindow = nullptr;
};

extern mdlVL1 VL;

// Boolean values of the 16-bit flags.
constexpr int16_t kTrue = -1;
constexpr int16_t kFalse = 0;

// Reads the display's bits per pixel on the device context of `window` (the capture window) and derives
// BytesPerPixel from it; returns the bits.
int BytesPerPixel_Derive(HWND window);

// Single-instance check: per-window callback of EnumWindows. Non-zero continues.
BOOL CALLBACK Peer_EnumProc(HWND hwnd, LPARAM unused);
// The title of a window, with its terminating zero character included (length + 1).
std::wstring Window_GetTitle(HWND hwnd);
