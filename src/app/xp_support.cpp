// Windows XP has no GetTickCount64, which the MinGW threading runtime linked into the program imports, so
// the loader there would refuse the whole program. The program answers that import itself: with the
// system's function where there is one, else from GetTickCount with its wraps counted. Other compilers
// link no such runtime and need nothing here.
#if defined(__MINGW32__)

#include <windows.h>

namespace {

ULONGLONG WINAPI TickCount64() {
    using Function = ULONGLONG(WINAPI*)();
    static const Function system = reinterpret_cast<Function>(reinterpret_cast<void (*)()>(
        GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "GetTickCount64")));
    if (system) return system();
    // The wraps so far in the high half, the last count seen in the low half; any thread may ask.
    static volatile LONGLONG state = 0;
    for (;;) {
        const LONGLONG seen = InterlockedCompareExchange64(&state, 0, 0);
        const DWORD now = GetTickCount();
        ULONGLONG wraps = static_cast<ULONGLONG>(seen) >> 32;
        if (now < static_cast<DWORD>(seen)) ++wraps;
        const auto next = static_cast<LONGLONG>((wraps << 32) | now);
        if (InterlockedCompareExchange64(&state, next, seen) == seen) return static_cast<ULONGLONG>(next);
    }
}

}  // namespace

// The import's address slot, under the name the runtime refers to.
#if defined(_WIN64)
extern "C" ULONGLONG(WINAPI* const vintrel_GetTickCount64)() __asm__("__imp_GetTickCount64");
#else
extern "C" ULONGLONG(WINAPI* const vintrel_GetTickCount64)() __asm__("__imp__GetTickCount64@0");
#endif
extern "C" ULONGLONG(WINAPI* const vintrel_GetTickCount64)() = TickCount64;

#endif
