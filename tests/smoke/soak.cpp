// The soak: a user's day with the real program, cycle after cycle, and what its process holds after each
// cycle. VINTREL_SOAK_MINUTES says how long to go on (10 by default); the cycle under way is finished.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "smoke.h"

#include <winternl.h>
#include <psapi.h>
#include <shellapi.h>
#include <tlhelp32.h>

namespace {

// What the program's process holds at one moment.
struct Sample {
    double gdi, user, handles, privateKb, peakKb, threads;
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

// Where the system does not tell a measure (Wine's GetGuiResources, GetProcessHandleCount and the
// private bytes of another process answer 0), it is taken another honest way, said in the summary.
bool g_userAreWindows = false, g_handlesListed = false, g_privateWalked = false;

// The process's entries in the system's list of open handles.
double ListedHandles(DWORD pid) {
    using QueryFn = LONG(WINAPI*)(SYSTEM_INFORMATION_CLASS, PVOID, ULONG, PULONG);
    const auto query = reinterpret_cast<QueryFn>(reinterpret_cast<void (*)()>(
        GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQuerySystemInformation")));
    std::vector<unsigned char> list(1 << 16);
    const auto klass = static_cast<SYSTEM_INFORMATION_CLASS>(16);  // SystemHandleInformation
    for (ULONG needed = 0; query(klass, list.data(), static_cast<ULONG>(list.size()), &needed) != 0;) {
        if (list.size() >= (1u << 26)) return -1;
        list.resize(list.size() * 2);
    }
    const auto* info = reinterpret_cast<const SYSTEM_HANDLE_INFORMATION*>(list.data());
    return static_cast<double>(
        std::count_if(info->Handle, info->Handle + info->Count,
                      [pid](const SYSTEM_HANDLE_ENTRY& e) { return e.OwnerPid == pid; }));
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
    DWORD handles = 0;
    GetProcessHandleCount(app.process, &handles);
    g_handlesListed = g_handlesListed || handles == 0;
    s.handles = g_handlesListed ? ListedHandles(app.pid) : handles;
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

// Least-squares growth per cycle of one measure over the samples from the fourth cycle on.
double Slope(const std::vector<Sample>& samples, double Sample::*measure) {
    double n = 0, sx = 0, sy = 0, sxx = 0, sxy = 0;
    for (size_t i = 3; i < samples.size(); ++i) {
        const double x = static_cast<double>(i), y = samples[i].*measure;
        n += 1, sx += x, sy += y, sxx += x * x, sxy += x * y;
    }
    return n < 2 ? 0 : (n * sxy - sx * sy) / (n * sxx - sx * sx);
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

class Soak : public Journey {
  protected:
    // A menu item, once the program has done what the last one asked (tiling hundreds of views takes a
    // while).
    void Choose(wchar_t menuKey, int downs, wchar_t itemKey = 0) {
        DWORD_PTR ignored = 0;
        SendMessageTimeoutW(main, WM_NULL, 0, 0, SMTO_NORMAL, 120000, &ignored);
        SetForegroundWindow(main);
        ASSERT_NO_FATAL_FAILURE(Menu(menuKey, downs, itemKey));
    }
    // The settings dialog left with ＯＫ after typing the interval and the number of frames (the question
    // whether to store them is answered いいえ), then opened again and left with キャンセル.
    void Settings(int intervalMs, int frames);
    void Cycle(int n);
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

    const DWORD thread = GetWindowThreadProcessId(main, nullptr);
    const std::wstring dir = FreshFolder(n);
    auto answer = harness::AnswerSaveDialog(dir + L"one.bmp", nullptr, 15000, thread);
    ASSERT_NO_FATAL_FAILURE(Choose(L'F', 0, L'V'));  // 保存(&V)
    EXPECT_FALSE(answer.get().title.empty());
    if (std::getenv("VINTREL_PDF_DIR")) {
        const auto before = harness::NewestPdf();
        ASSERT_NO_FATAL_FAILURE(Choose(L'F', 2));  // 印刷
        ASSERT_TRUE(harness::WaitUntil([&] { return harness::NewestPdf() != before; }, 60000));
        EXPECT_EQ(harness::RenderPdf(harness::NewestPdf().first).size(), 1u);
    }
    answer = harness::AnswerSaveDialog(dir + L"all.bmp", nullptr, 15000, thread);
    ASSERT_NO_FATAL_FAILURE(Choose(L'F', 1));  // 全て保存
    EXPECT_FALSE(answer.get().title.empty());
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
    ASSERT_NO_FATAL_FAILURE(Choose(L'H', 0));  // Vintrelのヘルプ
    HWND help = nullptr;
    ASSERT_TRUE(harness::WaitUntil(
        [&] { return (help = FindWindowW(nullptr, L"VINTREL ヘルプ")) != nullptr; }, 30000));
    PostMessageW(help, WM_CLOSE, 0, 0);
    ASSERT_TRUE(harness::WaitUntil([&] { return !IsWindow(help); }, 10000));
    ASSERT_NO_FATAL_FAILURE(Choose(L'W', 2));  // 全て閉じる
    ASSERT_TRUE(harness::WaitUntil([&] { return Views().empty(); }, 10000));
}

TEST_F(Soak, ADayOfUseLeavesNothingBehind) {
    const char* minutes = std::getenv("VINTREL_SOAK_MINUTES");
    const auto end = std::chrono::steady_clock::now() +
                     std::chrono::duration<double, std::ratio<60>>(minutes ? std::atof(minutes) : 10.0);
    ASSERT_NO_FATAL_FAILURE(StartAndRecord(64, 48, 10, 100));
    // The question whether to store the settings is answered いいえ, every other box OK.
    boxes->SetPolicy([](const harness::BoxSeen& box) { return box.buttonIds.size() == 2 ? IDNO : IDOK; });
    std::vector<Sample> samples;
    while (samples.empty() || std::chrono::steady_clock::now() < end) {
        Cycle(static_cast<int>(samples.size()) + 1);
        if (HasFatalFailure()) break;
        samples.push_back(Read(*app));
        const Sample& s = samples.back();
        if (samples.size() % 5 == 1)
            std::printf(
                "cycle %3zu: GDI %4.0f, USER %4.0f, handles %4.0f, private %7.0f KB, peak working set "
                "%7.0f KB, threads %2.0f\n",
                samples.size(), s.gdi, s.user, s.handles, s.privateKb, s.peakKb, s.threads);
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

    struct Goal {
        const char* name;
        double value, limit;
    };
    const Goal goals[] = {
        {"GDI objects per cycle", Slope(samples, &Sample::gdi), 0.05},
        {g_userAreWindows ? "USER objects (windows, children included) per cycle" : "USER objects per cycle",
         Slope(samples, &Sample::user), 0.05},
        {g_handlesListed ? "kernel handles (the system's handle list) per cycle" : "kernel handles per cycle",
         Slope(samples, &Sample::handles), 0.05},
        {g_privateWalked ? "private bytes (committed private regions) per cycle, KB"
                         : "private bytes per cycle, KB",
         Slope(samples, &Sample::privateKb), 16},
        {"boxes left open", static_cast<double>(open), 0},
        {"boxes other than the settings' question and the recording's end", static_cast<double>(unexpected),
         0},
        {"exit with code 0, ms", ended && app->ExitCode() == 0 ? exitMs : 1e9, 5000},
    };
    std::printf("%-60s %10zu\n", "cycles completed", samples.size());
    for (const Goal& g : goals) {
        std::printf("%-60s %10.2f  (goal <= %g)\n", g.name, g.value, g.limit);
        // Growth is judged once there are enough cycles to draw a line through.
        if (samples.size() >= 8 || &g - goals >= 4) {
            EXPECT_LE(g.value, g.limit) << g.name;
        }
    }
    const Sample& last = samples.empty() ? Sample{} : samples.back();
    std::printf(
        "last cycle: GDI %.0f, USER %.0f, handles %.0f, private %.0f KB, peak working set %.0f KB, "
        "threads %.0f\n",
        last.gdi, last.user, last.handles, last.privateKb, last.peakKb, last.threads);
}

}  // namespace
