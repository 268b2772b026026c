// Prints how long vintrel.exe takes from its start to its shown main window against a minimal Win32
// program's window under the same system, each started a few times in turn.
#include <windows.h>

#include <cstdio>
#include <string>

#include "bench_clock.h"
#include "resource.h"

namespace {

struct Shown {
    DWORD pid;
    HWND window;
};

BOOL CALLBACK FindShown(HWND w, LPARAM p) {
    auto* s = reinterpret_cast<Shown*>(p);
    DWORD pid = 0;
    GetWindowThreadProcessId(w, &pid);
    if (pid != s->pid || !IsWindowVisible(w)) return TRUE;
    s->window = w;
    return FALSE;
}

std::wstring ExeDir() {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring dir(path);
    return dir.substr(0, dir.find_last_of(L"\\/") + 1);
}

// Milliseconds from CreateProcess to the first shown window of the program; the program is then ended
// with `close` (a message to that window) and waited for. Negative on failure.
double StartUp(const std::wstring& exe, UINT close, WPARAM closeParam) {
    std::wstring command = L"\"" + ExeDir() + exe + L"\"";
    STARTUPINFOW si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi = {};
    const double t0 = Now();
    if (!CreateProcessW(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        return -1;
    Shown shown = {pi.dwProcessId, nullptr};
    while (!shown.window && Now() - t0 < 30000) {
        EnumWindows(&FindShown, reinterpret_cast<LPARAM>(&shown));
        if (!shown.window) Sleep(1);
    }
    const double t = Now() - t0;
    if (shown.window) PostMessageW(shown.window, close, closeParam, 0);
    WaitForSingleObject(pi.hProcess, 30000);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return shown.window ? t : -1;
}

}  // namespace

int main() {
    const int rounds = 5;
    double program = 0, minimal = 0;
    StartUp(L"minimal_window.exe", WM_CLOSE, 0);  // warm-up of the system's own files
    StartUp(L"vintrel.exe", WM_COMMAND, IDM_mfEXIT);
    for (int i = 0; i < rounds; ++i) {
        minimal += StartUp(L"minimal_window.exe", WM_CLOSE, 0);
        program += StartUp(L"vintrel.exe", WM_COMMAND, IDM_mfEXIT);
    }
    std::printf(
        "start-up to the shown main window: vintrel %.1f ms, a minimal window %.1f ms: %.2f  (goal <= 1.5)\n",
        program / rounds, minimal / rounds, program / minimal);
    return 0;
}
