// The frame store: one locked block per frame in VL.FrameHandles and VL.FrameData, and the reserve it
// leaves the rest of the program.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>

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
