#include "core/frame_store.h"

#include <algorithm>

#include "core/frame_rules.h"
#include "core/shared_state.h"

namespace {

FrameAllocFn g_alloc;
FrameLockFn g_lock;
// Size of every block of the current allocation and how many leading frames have one.
int32_t g_blockBytes = 0;
int32_t g_available = 0;

// What the process keeps free beside the frame store: its windows, message boxes and dialogs with the
// libraries they load, views, and the bitmaps of a full-screen recording tick (33 MB at 3840 x 2160 x 32
// bits). Probed as one block, far below the 2 GB that a 32-bit process can have.
constexpr SIZE_T kReserveBytes = SIZE_T{64} << 20;
// What views, each holding a copy of its frame, leave free of that reserve.
constexpr SIZE_T kViewFloorBytes = SIZE_T{32} << 20;

HGLOBAL AllocBlock(SIZE_T bytes) {
    const UINT flags = GMEM_MOVEABLE | GMEM_ZEROINIT;
    return g_alloc ? g_alloc(flags, bytes) : GlobalAlloc(flags, bytes);
}

void* LockBlock(HGLOBAL block) {
    return g_lock ? g_lock(block) : GlobalLock(block);
}

// Whether the process can still obtain `bytes` in one block; the probe is given back at once.
bool Obtainable(SIZE_T bytes) {
    HGLOBAL probe = GlobalAlloc(GMEM_FIXED, bytes);
    if (!probe) return false;
    GlobalFree(probe);
    return true;
}

// Gives back blocks from entry `last` downwards until the reserve can be obtained; false when any was.
bool KeepReserve(int32_t last) {
    bool gaveBack = false;
    for (int32_t i = last; i >= 1 && !Obtainable(kReserveBytes); --i) {
        if (VL.FrameData[i]) GlobalUnlock(VL.FrameHandles[i]);
        if (VL.FrameHandles[i]) GlobalFree(VL.FrameHandles[i]);
        VL.FrameHandles[i] = nullptr;
        VL.FrameData[i] = nullptr;
        g_available = std::min(g_available, i - 1);
        gaveBack = true;
    }
    return !gaveBack;
}

}  // namespace

void Frame_SetMemoryFunctions(FrameAllocFn alloc, FrameLockFn lock) {
    g_alloc = std::move(alloc);
    g_lock = std::move(lock);
}

bool Frame_Alloc() {
    // Blocks of an earlier allocation were released by the caller.
    const size_t entries = VL.Framemax > 0 ? static_cast<size_t>(VL.Framemax) + 1 : 1;
    VL.FrameHandles.assign(entries, nullptr);
    VL.FrameData.assign(entries, nullptr);
    g_available = 0;
    g_blockBytes = 0;
    for (int32_t i = 1; i <= VL.Framemax; ++i) {
        int32_t size = 0;
        // A size that does not fit in 32 bits fails like an allocation, never wraps.
        if (!vintrel::FrameBlockSize(VL.PicWidth, VL.PicHeight, VL.BytesPerPixel, &size)) return false;
        VL.FrameHandles[i] = AllocBlock(static_cast<SIZE_T>(size));
        // A failure may mean that the store took all there was: it gives back what the program needs.
        if (!VL.FrameHandles[i]) {
            KeepReserve(i - 1);
            return false;
        }
        VL.FrameData[i] = static_cast<BYTE*>(LockBlock(VL.FrameHandles[i]));
        if (!VL.FrameData[i]) {
            KeepReserve(i);
            return false;
        }
        g_blockBytes = size;
        g_available = i;
    }
    // A store that fits only just would leave the program unable to open a window.
    return VL.Framemax <= 0 || KeepReserve(VL.Framemax);
}

bool Frame_RoomForView() {
    // A view's image takes at most 4 bytes a pixel, whatever the display.
    int32_t image = 0;
    if (!vintrel::FrameBlockSize(VL.PicWidth, VL.PicHeight, 4, &image)) return false;
    return Obtainable(kViewFloorBytes + static_cast<SIZE_T>(image));
}

bool Frame_Free() {
    // Nothing may read or write a block from here on, whatever the outcome.
    g_available = 0;
    const int32_t last = std::min<int32_t>(VL.Framemax, static_cast<int32_t>(VL.FrameHandles.size()) - 1);
    for (int32_t i = 1; i <= last; ++i) {
        HGLOBAL h = VL.FrameHandles[i];
        if (GlobalUnlock(h) != 0) return false;
        if (GlobalFree(h) != nullptr) return false;
    }
    return true;
}

BYTE* Frame_Block(int32_t index, int32_t* bytes) {
    if (index < 1 || index > g_available || static_cast<size_t>(index) >= VL.FrameData.size()) {
        *bytes = 0;
        return nullptr;
    }
    *bytes = g_blockBytes;
    return VL.FrameData[index];
}

bool Frame_Draw(int32_t index, HDC surface) {
    HBITMAP bitmap = CreateCompatibleBitmap(surface, VL.PicWidth, VL.PicHeight);
    HDC memory = CreateCompatibleDC(surface);
    if (!bitmap || !memory) {
        if (memory) DeleteDC(memory);
        if (bitmap) DeleteObject(bitmap);
        return false;
    }
    HGDIOBJ previous = SelectObject(memory, bitmap);
    int32_t blockBytes = 0;
    if (const BYTE* block = Frame_Block(index, &blockBytes)) {
        SetBitmapBits(bitmap,
                      static_cast<DWORD>(
                          vintrel::FrameCopyBytes(VL.PicWidth, VL.PicHeight, VL.BytesPerPixel, blockBytes)),
                      block);
    }
    BitBlt(surface, 0, 0, VL.PicWidth, VL.PicHeight, memory, 0, 0, SRCCOPY);
    SelectObject(memory, previous);
    DeleteDC(memory);
    DeleteObject(bitmap);
    return true;
}

int32_t Frame_Available() {
    return g_available;
}
