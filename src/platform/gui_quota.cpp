#include "platform/gui_quota.h"

#include <windows.h>

#include <algorithm>

namespace rt {

namespace {

constexpr int kDefaultQuota = 10000;
// Enough for the dialogs, message boxes, the save dialog with its shell view and icons, and printing.
constexpr int kReserve = 1000;
// The system's own view of the key, also for the 32-bit program on a 64-bit Windows (KEY_WOW64_64KEY,
// which Windows XP ignores).
constexpr REGSAM kSystemView = 0x0100;

GuiObjects g_made;

int ReadQuota(HKEY key, const wchar_t* name, int low, int high) {
    DWORD value = 0, size = sizeof(value), type = 0;
    if (!key || RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) != 0 ||
        type != REG_DWORD) {
        return kDefaultQuota;
    }
    // Windows itself keeps the quotas within these bounds.
    return static_cast<int>(std::clamp<DWORD>(value, static_cast<DWORD>(low), static_cast<DWORD>(high)));
}

}  // namespace

GuiObjects GuiObjectQuota() {
    static const GuiObjects quota = [] {
        HKEY key = nullptr;
        if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Windows", 0,
                          KEY_QUERY_VALUE | kSystemView, &key) != 0) {
            key = nullptr;
        }
        GuiObjects q;
        q.user = ReadQuota(key, L"USERProcessHandleQuota", 200, 18000);
        q.gdi = ReadQuota(key, L"GDIProcessHandleQuota", 256, 65536);
        if (key) RegCloseKey(key);
        return q;
    }();
    return quota;
}

GuiObjects GuiObjectsHeld() {
    const HANDLE self = GetCurrentProcess();
    GuiObjects held;
    held.user = static_cast<int>(GetGuiResources(self, GR_USEROBJECTS));
    held.gdi = static_cast<int>(GetGuiResources(self, GR_GDIOBJECTS));
    if (held.user == 0) held.user = g_made.user;
    if (held.gdi == 0) held.gdi = g_made.gdi;
    return held;
}

bool GuiRoomFor(GuiObjects more) {
    const GuiObjects quota = GuiObjectQuota();
    const GuiObjects held = GuiObjectsHeld();
    return held.user + more.user + kReserve <= quota.user && held.gdi + more.gdi + kReserve <= quota.gdi;
}

void GuiObjectsMade(int user, int gdi) {
    g_made.user += user;
    g_made.gdi += gdi;
}

}  // namespace rt
