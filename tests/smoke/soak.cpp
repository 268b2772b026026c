// The soak: a user's day with the real program, cycle after cycle, and what its process holds after each
// cycle, beside what the control (soak_control.cpp) holds after asking the system for the same things.
// VINTREL_SOAK_MINUTES says how long to go on (10 by default); the cycle under way is finished.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>

#include "resource.h"
#include "smoke.h"

#include <winternl.h>
#include <psapi.h>
#include <shellapi.h>
#include <tlhelp32.h>

namespace {

// Kinds of kernel handle, each an object type and, where the object has one, its name, with their counts.
using HandleKinds = std::map<std::wstring, int>;

// What a process holds at one moment.
struct Sample {
    double gdi, user, handles, privateKb, peakKb, threads;
    HandleKinds kinds;
};

BOOL CALLBACK CountWindow(HWND hwnd, LPARAM counts) {
    auto* c = reinterpret_cast<std::pair<DWORD, int>*>(counts);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    if (pid == c->first) {
        ++c->second;
        EnumChildWindows(hwnd, CountWindow, counts);
    }
    return TRUE;
}

// Where the system does not tell a measure (Wine's GetGuiResources and the private bytes of another
// process answer 0), it is taken another honest way, said in the summary.
bool g_userAreWindows = false, g_privateWalked = false;

template <typename Function>
Function Ntdll(const char* name) {
    return reinterpret_cast<Function>(
        reinterpret_cast<void (*)()>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), name)));
}

// The type or the name of an object, as the system tells it for a handle of this process.
std::wstring ObjectText(HANDLE handle, OBJECT_INFORMATION_CLASS what) {
    using QueryFn = LONG(WINAPI*)(HANDLE, OBJECT_INFORMATION_CLASS, PVOID, ULONG, PULONG);
    static const auto query = Ntdll<QueryFn>("NtQueryObject");
    // Both answers begin with the text as a counted string.
    alignas(UNICODE_STRING) unsigned char answer[4096];
    ULONG needed = 0;
    if (query(handle, what, answer, sizeof(answer), &needed) != 0) return {};
    const auto* text = reinterpret_cast<const UNICODE_STRING*>(answer);
    return text->Buffer ? std::wstring(text->Buffer, text->Length / sizeof(wchar_t)) : std::wstring();
}

// The process's entries in the system's list of open handles (GetProcessHandleCount answers 0 under
// Wine), each duplicated into this process to ask for its object's type and name.
HandleKinds ListedHandles(const harness::Process& app) {
    using QueryFn = LONG(WINAPI*)(SYSTEM_INFORMATION_CLASS, PVOID, ULONG, PULONG);
    static const auto query = Ntdll<QueryFn>("NtQuerySystemInformation");
    std::vector<unsigned char> list(1 << 16);
    const auto klass = static_cast<SYSTEM_INFORMATION_CLASS>(16);  // SystemHandleInformation
    for (ULONG needed = 0; query(klass, list.data(), static_cast<ULONG>(list.size()), &needed) != 0;) {
        if (list.size() >= (1u << 26)) return {};
        list.resize(list.size() * 2);
    }
    const auto* info = reinterpret_cast<const SYSTEM_HANDLE_INFORMATION*>(list.data());
    HandleKinds kinds;
    for (ULONG i = 0; i < info->Count; ++i) {
        const SYSTEM_HANDLE_ENTRY& e = info->Handle[i];
        if (e.OwnerPid != app.pid) continue;
        HANDLE copy = nullptr;
        std::wstring kind = L"(not duplicated)";
        if (DuplicateHandle(app.process, reinterpret_cast<HANDLE>(static_cast<ULONG_PTR>(e.HandleValue)),
                            GetCurrentProcess(), &copy, 0, FALSE, DUPLICATE_SAME_ACCESS)) {
            const std::wstring name = ObjectText(copy, ObjectNameInformation);
            kind = ObjectText(copy, ObjectTypeInformation) + (name.empty() ? L"" : L" " + name);
            CloseHandle(copy);
        }
        ++kinds[kind];
    }
    return kinds;
}

// The committed private memory of a process, region by region.
double PrivateKb(HANDLE process) {
    double kb = 0;
    MEMORY_BASIC_INFORMATION m;
    for (const char* at = nullptr; VirtualQueryEx(process, at, &m, sizeof(m)) == sizeof(m);
         at = static_cast<const char*>(m.BaseAddress) + m.RegionSize) {
        if (m.State == MEM_COMMIT && m.Type == MEM_PRIVATE) kb += m.RegionSize / 1024.0;
    }
    return kb;
}

Sample Read(const harness::Process& app) {
    Sample s = {};
    s.gdi = harness::GdiObjectCount(app.process);
    s.user = GetGuiResources(app.process, GR_USEROBJECTS);
    g_userAreWindows = g_userAreWindows || s.user == 0;
    if (g_userAreWindows) {
        std::pair<DWORD, int> counts{app.pid, 0};
        EnumWindows(CountWindow, reinterpret_cast<LPARAM>(&counts));
        s.user = counts.second;
    }
    s.kinds = ListedHandles(app);
    for (const auto& kind : s.kinds) s.handles += kind.second;
    PROCESS_MEMORY_COUNTERS_EX memory = {};
    memory.cb = sizeof(memory);
    GetProcessMemoryInfo(app.process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory), sizeof(memory));
    g_privateWalked = g_privateWalked || memory.PrivateUsage == 0;
    s.privateKb = g_privateWalked ? PrivateKb(app.process) : memory.PrivateUsage / 1024.0;
    s.peakKb = memory.PeakWorkingSetSize / 1024.0;
    const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    THREADENTRY32 t = {};
    t.dwSize = sizeof(t);
    for (BOOL more = Thread32First(snapshot, &t); more; more = Thread32Next(snapshot, &t))
        s.threads += t.th32OwnerProcessID == app.pid;
    CloseHandle(snapshot);
    return s;
}

// The first cycles are left out of every growth: what they build (caches, the heap) stays.
const size_t kWarmUp = 3;
// Growth is judged once the cycles after the warm-up are enough to draw a line through.
const size_t kJudged = 8;

// Least-squares growth per cycle of one measure over the samples after the warm-up.
double Slope(const std::vector<Sample>& samples, double Sample::*measure) {
    double n = 0, sx = 0, sy = 0, sxx = 0, sxy = 0;
    for (size_t i = kWarmUp; i < samples.size(); ++i) {
        const double x = static_cast<double>(i), y = samples[i].*measure;
        n += 1, sx += x, sy += y, sxx += x * x, sxy += x * y;
    }
    return n < 2 ? 0 : (n * sxy - sx * sy) / (n * sxx - sx * sx);
}

std::string Utf8(const std::wstring& text) {
    std::string out(text.size() * 3, '\0');
    out.resize(WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &out[0],
                                   static_cast<int>(out.size()), nullptr, nullptr));
    return out;
}

// The kinds of handle whose count changed from the first sample after the warm-up to the last, a cycle.
void PrintHandleChanges(const char* who, const std::vector<Sample>& samples) {
    if (samples.size() < 2) return;
    const size_t from = std::min(kWarmUp, samples.size() - 2);
    const double cycles = static_cast<double>(samples.size() - 1 - from);
    HandleKinds change = samples.back().kinds;
    for (const auto& [kind, n] : samples[from].kinds) change[kind] -= n;
    std::printf("handles of the %s by type and name, cycles %zu to %zu:%s\n", who, from + 1, samples.size(),
                std::all_of(change.begin(), change.end(), [](const auto& c) { return c.second == 0; })
                    ? " no change"
                    : "");
    for (const auto& [kind, n] : change) {
        if (n != 0) std::printf("  %s: %+.2f a cycle\n", Utf8(kind).c_str(), n / cycles);
    }
}

std::wstring FreshFolder(int cycle) {
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    const std::wstring dir = temp + std::wstring(L"VintrelSoak") + std::to_wstring(GetCurrentProcessId()) +
                             L"-" + std::to_wstring(cycle);
    CreateDirectoryW(dir.c_str(), nullptr);
    return dir + L"\\";
}

void RemoveFolder(const std::wstring& dir) {
    std::wstring from = dir.substr(0, dir.size() - 1);
    from.push_back(L'\0');  // the list of names ends with an empty one
    SHFILEOPSTRUCTW op = {};
    op.wFunc = FO_DELETE;
    op.pFrom = from.c_str();
    op.fFlags = FOF_NO_UI;
    SHFileOperationW(&op);
}

// Waits until a window's thread has done what it was last asked, however long that takes (tiling hundreds
// of views takes a while).
void WaitIdle(HWND window) {
    DWORD_PTR ignored = 0;
    SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, 120000, &ignored);
}

class Soak : public Journey {
  protected:
    // A menu item, once the program has done what the last one asked.
    void Choose(wchar_t menuKey, int downs, wchar_t itemKey = 0) {
        WaitIdle(main);
        SetForegroundWindow(main);
        ASSERT_NO_FATAL_FAILURE(Menu(menuKey, downs, itemKey));
    }
    // The settings dialog left with ＯＫ after typing the interval and the number of frames (the question
    // whether to store them is answered いいえ), then opened again and left with キャンセル.
    void Settings(int intervalMs, int frames);
    void Cycle(int n);
    // What a cycle asks of the system, asked by the control: its window gets the menu commands' ids.
    void ControlCycle(HWND control);

    // The steps of a cycle that the system serves, for the program and the control alike: `ask` chooses
    // the command; what the system shows is answered as a user would.
    void SaveAs(HWND owner, const std::wstring& path, const std::function<void()>& ask) {
        DWORD pid = 0;
        auto answer = harness::AnswerSaveDialog(path, nullptr, 15000, GetWindowThreadProcessId(owner, &pid));
        ASSERT_NO_FATAL_FAILURE(ask());
        EXPECT_FALSE(answer.get().title.empty());
        // Gone before the next command, which its loop would run otherwise.
        ASSERT_TRUE(
            harness::WaitUntil([&] { return !harness::FindTopWindowOfProcess(pid, L"すべて保存"); }, 15000));
    }
    void HelpShownAndClosed(const std::function<void()>& ask) {
        ASSERT_NO_FATAL_FAILURE(ask());
        HWND help = nullptr;
        ASSERT_TRUE(harness::WaitUntil(
            [&] { return (help = FindWindowW(nullptr, L"VINTREL ヘルプ")) != nullptr; }, 30000));
        PostMessageW(help, WM_CLOSE, 0, 0);
        ASSERT_TRUE(harness::WaitUntil([&] { return !IsWindow(help); }, 10000));
    }
};

void Soak::Settings(int intervalMs, int frames) {
    for (const bool ok : {true, false}) {
        const size_t seen = boxes->Count();
        HWND dialog = nullptr;
        ASSERT_NO_FATAL_FAILURE(Choose(L'T', 0));
        ASSERT_TRUE(harness::WaitUntil([&] { return (dialog = Shown(L"設定")) != nullptr; }, 5000));
        const HWND interval = FindWindowExW(dialog, nullptr, L"Edit", nullptr);
        ASSERT_TRUE(harness::WaitUntil([&] { return harness::HoldsFocus(interval); }, 5000));
        if (ok) {
            ASSERT_TRUE(Retype(interval, std::to_wstring(intervalMs)));
            harness::TapKey(VK_TAB);
            const HWND count = FindWindowExW(dialog, interval, L"Edit", nullptr);
            ASSERT_TRUE(harness::WaitUntil([&] { return harness::HoldsFocus(count); }, 5000));
            ASSERT_TRUE(Retype(count, std::to_wstring(frames)));
        }
        harness::Click(FindWindowExW(dialog, nullptr, L"Button", ok ? L"ＯＫ" : L"キャンセル"));
        if (ok) {
            ASSERT_TRUE(BoxesAnswered(seen + 1));
        }
        ASSERT_TRUE(harness::WaitUntil([&] { return !IsWindow(dialog); }, 5000));
    }
}

void Soak::Cycle(int n) {
    // One cycle in ten with a few hundred views, and now and then a recording cancelled half-way.
    const int frames = n % 10 == 5 ? 300 : 10;
    ASSERT_NO_FATAL_FAILURE(Settings(frames > 10 ? 10 : 100, frames));
    if (n % 4 == 2) {
        ASSERT_NO_FATAL_FAILURE(Record(true));
    }
    ASSERT_NO_FATAL_FAILURE(Record());
    ASSERT_NO_FATAL_FAILURE(Choose(L'E', 0));  // 再生
    EXPECT_TRUE(harness::WaitUntil([&] { return IsWindowVisible(CaptureWindow()); }, 10000));
    ASSERT_TRUE(harness::WaitUntil([&] { return !IsWindowVisible(CaptureWindow()); }, 30000));
    ASSERT_NO_FATAL_FAILURE(Choose(L'E', 1));  // 全て選択
    ASSERT_TRUE(harness::WaitUntil([&] { return Views().size() == static_cast<size_t>(frames); }, 120000));
    ASSERT_NO_FATAL_FAILURE(Choose(L'W', 0));  // 並べて表示
    ASSERT_NO_FATAL_FAILURE(Choose(L'W', 1));  // 重ねて表示

    const std::wstring dir = FreshFolder(n);
    ASSERT_NO_FATAL_FAILURE(SaveAs(main, dir + L"one.bmp", [&] { Choose(L'F', 0, L'V'); }));  // 保存(&V)
    if (std::getenv("VINTREL_PDF_DIR")) {
        const auto before = harness::NewestPdf();
        ASSERT_NO_FATAL_FAILURE(Choose(L'F', 2));  // 印刷
        ASSERT_TRUE(harness::WaitUntil([&] { return harness::NewestPdf() != before; }, 60000));
        EXPECT_EQ(harness::RenderPdf(harness::NewestPdf().first).size(), 1u);
    }
    ASSERT_NO_FATAL_FAILURE(SaveAs(main, dir + L"all.bmp", [&] { Choose(L'F', 1); }));  // 全て保存
    ASSERT_TRUE(harness::WaitUntil([&] { return Views().empty(); }, 120000));
    EXPECT_NE(GetFileAttributesW((dir + L"all1-" + std::to_wstring(frames) + L".bmp").c_str()),
              INVALID_FILE_ATTRIBUTES);
    RemoveFolder(dir);

    ASSERT_NO_FATAL_FAILURE(Choose(L'E', 2));  // ｺﾝﾊﾟｸﾄ
    ASSERT_TRUE(harness::WaitUntil([&] { return !Views().empty() && !Shown(L"Form1"); }, 60000));
    ASSERT_NO_FATAL_FAILURE(Choose(L'H', 1));  // ﾊﾞｰｼﾞｮﾝ情報
    ASSERT_TRUE(harness::WaitUntil([&] { return Shown(L"ﾊﾞｰｼﾞｮﾝ情報") == GetForegroundWindow(); }, 5000));
    harness::TapKey(VK_ESCAPE);
    ASSERT_TRUE(harness::WaitUntil([&] { return !Shown(L"ﾊﾞｰｼﾞｮﾝ情報"); }, 5000));
    ASSERT_NO_FATAL_FAILURE(HelpShownAndClosed([&] { Choose(L'H', 0); }));  // Vintrelのヘルプ
    ASSERT_NO_FATAL_FAILURE(Choose(L'W', 2));                               // 全て閉じる
    ASSERT_TRUE(harness::WaitUntil([&] { return Views().empty(); }, 10000));
}

// A menu command's id for the control, once it has done the last one.
void Ask(HWND control, WORD id) {
    WaitIdle(control);
    PostMessageW(control, WM_COMMAND, id, 0);
}

void Soak::ControlCycle(HWND control) {
    const auto ask = [control](WORD id) { return [control, id] { Ask(control, id); }; };
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    // Two saves, as 保存(&V) and 全て保存; the control writes no file.
    for (int save = 0; save < 2; ++save) {
        ASSERT_NO_FATAL_FAILURE(
            SaveAs(control, temp + std::wstring(L"VintrelSoakControl.bmp"), ask(IDM_mfSAVE)));
    }
    ASSERT_NO_FATAL_FAILURE(HelpShownAndClosed(ask(IDM_mhHLP)));
}

TEST_F(Soak, ADayOfUseLeavesNothingBehind) {
    const char* minutes = std::getenv("VINTREL_SOAK_MINUTES");
    const auto end = std::chrono::steady_clock::now() +
                     std::chrono::duration<double, std::ratio<60>>(minutes ? std::atof(minutes) : 10.0);
    ASSERT_NO_FATAL_FAILURE(StartAndRecord(64, 48, 10, 100));
    // The question whether to store the settings is answered いいえ, every other box OK.
    boxes->SetPolicy([](const harness::BoxSeen& box) { return box.buttonIds.size() == 2 ? IDNO : IDOK; });
    const auto control = harness::Launch(harness::ExeDir() + L"\\vintrel_soak_control.exe");
    ASSERT_NE(control, nullptr);
    HWND controlWindow = nullptr;
    ASSERT_TRUE(harness::WaitUntil(
        [&] {
            return (controlWindow = harness::FindTopWindowOfProcess(control->pid, L"VINTREL soak control"));
        },
        20000));
    // The program's cycle and the control's in turn, each process read after its own.
    std::vector<Sample> samples, controlSamples;
    while (samples.empty() || std::chrono::steady_clock::now() < end) {
        Cycle(static_cast<int>(samples.size()) + 1);
        if (HasFatalFailure()) break;
        samples.push_back(Read(*app));
        ControlCycle(controlWindow);
        if (HasFatalFailure()) break;
        controlSamples.push_back(Read(*control));
        const Sample &s = samples.back(), &c = controlSamples.back();
        if (samples.size() % 5 == 1)
            std::printf(
                "cycle %3zu: GDI %4.0f, USER %4.0f, handles %4.0f, private %7.0f KB, peak working set "
                "%7.0f KB, threads %2.0f; control: GDI %.0f, USER %.0f, handles %.0f, private %.0f KB\n",
                samples.size(), s.gdi, s.user, s.handles, s.privateKb, s.peakKb, s.threads, c.gdi, c.user,
                c.handles, c.privateKb);
        std::fflush(stdout);
    }
    // Every box was one that the cycles asked for, and was answered and closed.
    const auto seen = boxes->Seen();
    const size_t open = std::count_if(
        seen.begin(), seen.end(), [](const auto& box) { return box.clickedId == 0 || IsWindow(box.hwnd); });
    const size_t unexpected = std::count_if(seen.begin(), seen.end(), [](const auto& box) {
        return box.title != L"設定の保存" && box.title != L"キャプチャー";
    });
    const auto exitStart = std::chrono::steady_clock::now();
    Choose(L'F', 0, L'X');
    const bool ended = app->WaitExit(5000);
    const double exitMs =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - exitStart).count();
    Ask(controlWindow, IDM_mfEXIT);
    EXPECT_TRUE(control->WaitExit(10000));

    // Growth a cycle: the program's, the control's, and the program's own: for objects the difference, for
    // private bytes the program's growth itself (a bare window's heap tells nothing of the program's).
    const size_t cycles = std::min(samples.size(), controlSamples.size());
    const bool judged = cycles >= kJudged;
    const struct {
        const char* name;
        double Sample::*measure;
        double limit;
        bool lessControl;
    } growths[] = {
        {"GDI objects", &Sample::gdi, 0.05, true},
        {g_userAreWindows ? "USER objects (windows, children included)" : "USER objects", &Sample::user, 0.05,
         true},
        {"kernel handles (the system's handle list)", &Sample::handles, 0.05, true},
        {g_privateWalked ? "private bytes (committed private regions), KB" : "private bytes, KB",
         &Sample::privateKb, 16, false},
    };
    std::printf("%-60s %10zu\n", "cycles completed", cycles);
    std::printf("%-50s %10s %10s %10s\n", "growth a cycle", "program", "control", "own");
    for (const auto& g : growths) {
        const double program = Slope(samples, g.measure), alone = Slope(controlSamples, g.measure);
        const double own = g.lessControl ? program - alone : program;
        std::printf("%-50s %10.2f %10.2f %10.2f  ", g.name, program, alone, own);
        if (judged) {
            std::printf("(goal <= %g)\n", g.limit);
            EXPECT_LE(own, g.limit) << g.name;
        } else {
            std::printf("(not judged: %zu cycles)\n", cycles);
        }
    }
    const struct {
        const char* name;
        double value, limit;
    } goals[] = {
        {"boxes left open", static_cast<double>(open), 0},
        {"boxes other than the settings' question and the recording's end", static_cast<double>(unexpected),
         0},
        {"exit with code 0, ms", ended && app->ExitCode() == 0 ? exitMs : 1e9, 5000},
    };
    for (const auto& g : goals) {
        std::printf("%-60s %10.2f  (goal <= %g)\n", g.name, g.value, g.limit);
        EXPECT_LE(g.value, g.limit) << g.name;
    }
    PrintHandleChanges("program", samples);
    PrintHandleChanges("control", controlSamples);
    const Sample& last = samples.empty() ? Sample{} : samples.back();
    std::printf(
        "last cycle: GDI %.0f, USER %.0f, handles %.0f, private %.0f KB, peak working set %.0f KB, "
        "threads %.0f\n",
        last.gdi, last.user, last.handles, last.privateKb, last.peakKb, last.threads);
}

}  // namespace
