#include "core/shared_state.h"

#include "core/frame_rules.h"
#include "core/title_rules.h"

mdlVL1 VL;

int BytesPerPixel_Derive(HWND window) {
    HDC dc = GetDC(window);
    const int bits = GetDeviceCaps(dc, BITSPIXEL);
    ReleaseDC(window, dc);
    VL.BytesPerPixel = vintrel::BytesPerPixelFromBits(bits);
    return bits;
}

std::wstring Window_GetTitle(HWND hwnd) {
    const int n = GetWindowTextLengthW(hwnd);
    std::wstring title(static_cast<size_t>(n) + 1, L'\0');
    GetWindowTextW(hwnd, &title[0], n + 1);
    return title;
}

BOOL CALLBACK Peer_EnumProc(HWND hwnd, LPARAM /*unused*/) {
    const std::wstring title = Window_GetTitle(hwnd);
    if (vintrel::IsPeerTitle(title) && hwnd != VL.OwnWindow) {
        VL.PeerFound = kTrue;
        VL.PeerWindow = hwnd;
        return FALSE;
    }
    return TRUE;
}
