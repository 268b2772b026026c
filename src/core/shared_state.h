// The process-wide state record shared by every window, and the frame store kept in it.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

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

// Obtains and locks one zero-filled block of PicWidth x PicHeight x BytesPerPixel bytes per frame;
// false at the first failure. The store never takes the last of the process's memory: when a reserve for
// the rest of the program can no longer be obtained, blocks are given back from the end until it can, and
// the result is false as well. The blocks kept stay in place.
bool Frame_Alloc();
// Whether one more frame view may be opened: a view holds a copy of its frame, and the views may not take
// the memory that the program's windows and boxes need.
bool Frame_RoomForView();
// Unlocks and frees every block; false at the first block that stays locked or is not freed.
bool Frame_Free();

// The locked block of frame `index` and its size, or nullptr when the store holds no block for it
// (index out of range, a partly allocated store, or the store released).
BYTE* Frame_Block(int32_t index, int32_t* bytes);
// Draws frame `index` onto `surface` at (0, 0), PicWidth x PicHeight, through a bitmap compatible with the
// surface; only the bytes that the frame's block holds are read (nothing is drawn from a missing block).
// False when that bitmap or its device context could not be made: nothing was drawn.
bool Frame_Draw(int32_t index, HDC surface);
// How many frames from frame 1 on have a block: Framemax after a full allocation, fewer after a
// failed one, 0 once the store is released.
int32_t Frame_Available();

// Test seam: replaces GlobalAlloc and GlobalLock for the frame store (empty functions restore them).
using FrameAllocFn = std::function<HGLOBAL(UINT flags, SIZE_T bytes)>;
using FrameLockFn = std::function<void*(HGLOBAL block)>;
void Frame_SetMemoryFunctions(FrameAllocFn alloc, FrameLockFn lock);

// Single-instance check: per-window callback of EnumWindows. Non-zero continues.
BOOL CALLBACK Peer_EnumProc(HWND hwnd, LPARAM unused);
// The title of a window, with its terminating zero character included (length + 1).
std::wstring Window_GetTitle(HWND hwnd);
