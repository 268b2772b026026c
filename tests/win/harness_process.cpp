// Starting and watching processes.
#include "harness_process.h"

#include <vector>

#include "harness_detail.h"
#include "harness_pump.h"

namespace harness {

using namespace detail;

Process::~Process() {
    if (!process) return;
    if (WaitForSingleObject(process, 0) == WAIT_TIMEOUT) {
        TerminateProcess(process, 1);
        WaitForSingleObject(process, 5000);
    }
    CloseHandle(process);
}

bool Process::WaitExit(int timeoutMs) {
    if (!process) return false;
    const auto deadline = Clock::now() + Ms(timeoutMs);
    for (;;) {
        // Keep pumping: the process may send messages to this thread's windows (broadcasts, DDE) and
        // would hang on an unpumped queue.
        const DWORD r = MsgWaitForMultipleObjectsEx(1, &process, static_cast<DWORD>(MsLeft(deadline)),
                                                    QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        if (r == WAIT_OBJECT_0) return true;
        if (r != WAIT_OBJECT_0 + 1) return WaitForSingleObject(process, 0) == WAIT_OBJECT_0;
        PumpPending();
        if (MsLeft(deadline) == 0) return WaitForSingleObject(process, 0) == WAIT_OBJECT_0;
    }
}

DWORD Process::ExitCode() const {
    DWORD code = 0;
    if (!process || !GetExitCodeProcess(process, &code)) return 0;
    return code;
}

std::unique_ptr<Process> Launch(const std::wstring& exePath, const std::wstring& args) {
    std::wstring cmd = L"\"" + exePath + L"\"";
    if (!args.empty()) cmd += L" " + args;
    std::vector<wchar_t> cmdBuf(cmd.begin(), cmd.end());
    cmdBuf.push_back(L'\0');  // CreateProcessW may write into the command line
    STARTUPINFOW si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessW(exePath.c_str(), cmdBuf.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                        &pi))
        return nullptr;
    CloseHandle(pi.hThread);
    std::unique_ptr<Process> p(new Process);
    p->process = pi.hProcess;
    p->pid = pi.dwProcessId;
    return p;
}

namespace {

struct WindowQuery {
    DWORD pid;
    const std::wstring* title;
    HWND found;
};

BOOL CALLBACK MatchWindow(HWND hwnd, LPARAM lp) {
    auto* q = reinterpret_cast<WindowQuery*>(lp);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    if (pid != q->pid || WindowText(hwnd) != *q->title) return TRUE;
    q->found = hwnd;
    return FALSE;
}

}  // namespace

HWND FindTopWindowOfProcess(DWORD pid, const std::wstring& title) {
    WindowQuery q{pid, &title, nullptr};
    EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&q));
    return q.found;
}

std::wstring ExeDir() {
    std::vector<wchar_t> buf(MAX_PATH);
    for (;;) {
        const DWORD n = GetModuleFileNameW(nullptr, buf.data(), static_cast<DWORD>(buf.size()));
        if (n == 0) return std::wstring();
        if (n < buf.size()) {
            std::wstring path(buf.data(), n);
            const size_t slash = path.find_last_of(L"\\/");
            return slash == std::wstring::npos ? std::wstring(L".") : path.substr(0, slash);
        }
        buf.resize(buf.size() * 2);
    }
}

}  // namespace harness
