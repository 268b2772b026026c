// Other processes: starting them, waiting for their end, finding their windows, and this program's folder.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

namespace harness {

// A process started by Launch. The destructor terminates it if it is still running, so a failed test does
// not leave it behind.
struct Process {
    HANDLE process = nullptr;
    DWORD pid = 0;
    Process() = default;
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;
    ~Process();
    // Waits (pumping this thread's messages) until the process exits.
    bool WaitExit(int timeoutMs);
    // Exit code, or STILL_ACTIVE while it runs.
    DWORD ExitCode() const;
};
// Starts exePath (full path) with optional args; nullptr on failure.
std::unique_ptr<Process> Launch(const std::wstring& exePath, const std::wstring& args = L"");
// A top-level window (visible or not) of process pid whose title is exactly title, or nullptr.
HWND FindTopWindowOfProcess(DWORD pid, const std::wstring& title);
// Directory of the running executable, without a trailing separator.
std::wstring ExeDir();

}  // namespace harness
