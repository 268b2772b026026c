#include "harness.h"

#include <commdlg.h>
#include <winternl.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <thread>
#include <utility>

#include "harness_detail.h"

namespace harness {

using namespace detail;

// ---------------------------------------------------------------------------------------------------------
// Pattern window

COLORREF PatternColor(int i, int j, int seed) {
    // Red and green follow the column and row so a captured image is easy to read by eye; blue is a hash
    // so that any shift, flip or channel swap shows up as a mismatch.
    uint32_t h = static_cast<uint32_t>(i) * 0x9E3779B1u ^ static_cast<uint32_t>(j) * 0x85EBCA77u ^
                 static_cast<uint32_t>(seed) * 0xC2B2AE3Du;
    h ^= h >> 15;
    h *= 0x2C1B3C6Du;
    h ^= h >> 13;
    const BYTE r = static_cast<BYTE>(i * 5 + seed * 31);
    const BYTE g = static_cast<BYTE>(j * 3 + seed * 17);
    const BYTE b = static_cast<BYTE>(h >> 24);
    return RGB(r, g, b);
}

COLORREF QuadrantColor(int i, int j, int /*seed*/) {
    static const COLORREF kColors[] = {RGB(220, 30, 30), RGB(30, 180, 30), RGB(30, 30, 220), RGB(20, 20, 20)};
    return kColors[(i >= 64) + 2 * (j >= 48)];
}

namespace {

const wchar_t kPatternClass[] = L"VintrelHarnessPattern";

std::vector<PatternWindow*>& LivePatterns() {
    static std::vector<PatternWindow*> live;
    return live;
}

}  // namespace

LRESULT CALLBACK PatternWindow::WndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_NCCREATE) {
        const auto* cs = reinterpret_cast<const CREATESTRUCTW*>(lp);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(cs->lpCreateParams));
    }
    const auto* self = reinterpret_cast<const PatternWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    switch (msg) {
        case WM_ERASEBKGND:
            return 1;  // WM_PAINT covers every pixel; erasing first would only flicker
        case WM_MOUSEACTIVATE:
            return MA_NOACTIVATE;
        case WM_PAINT: {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(hwnd, &ps);
            if (self && self->w_ > 0 && self->h_ > 0) {
                BITMAPINFO bi = {};
                bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
                bi.bmiHeader.biWidth = self->w_;
                bi.bmiHeader.biHeight = -self->h_;  // top-down, like pixels_
                bi.bmiHeader.biPlanes = 1;
                bi.bmiHeader.biBitCount = 32;
                bi.bmiHeader.biCompression = BI_RGB;
                SetDIBitsToDevice(dc, 0, 0, self->w_, self->h_, 0, 0, 0, static_cast<UINT>(self->h_),
                                  self->pixels_.data(), &bi, DIB_RGB_COLORS);
            }
            EndPaint(hwnd, &ps);
            return 0;
        }
        default:
            return DefWindowProcW(hwnd, msg, wp, lp);
    }
}

PatternWindow::PatternWindow(int x, int y, int w, int h, int seed, Painter paint)
    : x_(x), y_(y), w_(std::max(w, 0)), h_(std::max(h, 0)), seed_(seed), paint_(paint) {
    pixels_.resize(static_cast<size_t>(w_) * static_cast<size_t>(h_));
    for (int j = 0; j < h_; ++j) {
        for (int i = 0; i < w_; ++i) {
            const COLORREF c = paint_(i, j, seed_);
            pixels_[static_cast<size_t>(j) * w_ + i] =
                (DWORD(GetRValue(c)) << 16) | (DWORD(GetGValue(c)) << 8) | DWORD(GetBValue(c));
        }
    }

    const HINSTANCE instance = GetModuleHandleW(nullptr);
    static const wchar_t* const kRegistered = RegisterWindowClass(kPatternClass, &PatternWindow::WndProc);
    (void)kRegistered;

    hwnd_ = CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, kPatternClass, L"", WS_POPUP,
                            x_, y_, w_, h_, nullptr, nullptr, instance, this);
    if (hwnd_) {
        ShowWindow(hwnd_, SW_SHOWNOACTIVATE);
        UpdateWindow(hwnd_);
    }
    LivePatterns().push_back(this);
}

PatternWindow::~PatternWindow() {
    auto& live = LivePatterns();
    live.erase(std::remove(live.begin(), live.end(), this), live.end());
    if (hwnd_) DestroyWindow(hwnd_);
}

bool PatternWindow::RestackAll(int timeoutMs) {
    bool painted = true;
    for (PatternWindow* p : LivePatterns()) {
        // Only a change of order reaches the display; the window stays topmost throughout.
        const UINT flags = SWP_NOACTIVATE | SWP_NOMOVE | SWP_NOSIZE;
        SetWindowPos(p->hwnd_, HWND_NOTOPMOST, 0, 0, 0, 0, flags);
        SetWindowPos(p->hwnd_, HWND_TOPMOST, 0, 0, 0, 0, flags);
        painted = p->WaitPainted(timeoutMs) && painted;
    }
    return painted;
}

bool PatternWindow::WaitPainted(int timeoutMs) {
    if (!hwnd_ || w_ == 0 || h_ == 0) return false;
    const POINT probes[] = {{0, 0}, {w_ - 1, 0}, {0, h_ - 1}, {w_ - 1, h_ - 1}, {w_ / 2, h_ / 2}};
    return WaitUntil(
        [&] {
            for (const POINT& p : probes) {
                if (ScreenPixel(x_ + p.x, y_ + p.y) != paint_(p.x, p.y, seed_)) return false;
            }
            return true;
        },
        timeoutMs);
}

// ---------------------------------------------------------------------------------------------------------
// Screen reading

std::vector<unsigned char> ReadScreenBits(int x, int y, int w, int h, int bytesPerPixel) {
    std::vector<unsigned char> bits;
    if (w <= 0 || h <= 0 || bytesPerPixel <= 0) return bits;
    HDC screen = GetDC(nullptr);
    if (!screen) return bits;
    HDC mem = CreateCompatibleDC(screen);
    HBITMAP bmp = CreateCompatibleBitmap(screen, w, h);
    if (mem && bmp) {
        HGDIOBJ old = SelectObject(mem, bmp);
        const BOOL copied = BitBlt(mem, 0, 0, w, h, screen, x, y, SRCCOPY);
        SelectObject(mem, old);
        if (copied) {
            bits.resize(static_cast<size_t>(w) * h * bytesPerPixel);
            const LONG got = GetBitmapBits(bmp, static_cast<LONG>(bits.size()), bits.data());
            bits.resize(got > 0 ? static_cast<size_t>(got) : 0);
        }
    }
    if (bmp) DeleteObject(bmp);
    if (mem) DeleteDC(mem);
    ReleaseDC(nullptr, screen);
    return bits;
}

COLORREF ScreenPixel(int x, int y) {
    COLORREF c = CLR_INVALID;
    HDC screen = GetDC(nullptr);
    if (!screen) return c;
    HDC mem = CreateCompatibleDC(screen);
    HBITMAP bmp = CreateCompatibleBitmap(screen, 1, 1);
    if (mem && bmp) {
        HGDIOBJ old = SelectObject(mem, bmp);
        if (BitBlt(mem, 0, 0, 1, 1, screen, x, y, SRCCOPY)) c = GetPixel(mem, 0, 0);
        SelectObject(mem, old);
    }
    if (bmp) DeleteObject(bmp);
    if (mem) DeleteDC(mem);
    ReleaseDC(nullptr, screen);
    return c;
}

// ---------------------------------------------------------------------------------------------------------
// Files and printouts

std::vector<uint8_t> ReadFileBytes(const std::wstring& path) {
    HANDLE f = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (f == INVALID_HANDLE_VALUE) return {};
    std::vector<uint8_t> bytes(GetFileSize(f, nullptr));
    DWORD got = 0;
    ReadFile(f, bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr);
    CloseHandle(f);
    bytes.resize(got);
    return bytes;
}

int BmpMismatches(const std::vector<uint8_t>& b, int w, int h,
                  const std::function<COLORREF(int x, int y)>& expected) {
    const size_t stride = (static_cast<size_t>(w) * 3 + 3) & ~size_t{3};
    const auto le = [&](size_t at) {
        return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<uint32_t>(b[at + 3]) << 24;
    };
    if (b.size() != 54 + stride * h || (le(0) & 0xFFFF) != 0x4D42 || le(10) != 54 ||
        le(18) != static_cast<uint32_t>(w) || le(22) != static_cast<uint32_t>(h) || (le(28) & 0xFFFF) != 24)
        return -1;
    int wrong = 0;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const size_t at = 54 + (h - 1 - y) * stride + x * 3;
            wrong += RGB(b[at + 2], b[at + 1], b[at]) != expected(x, y);
        }
    }
    return wrong;
}

namespace {

// The spooler's folder as a Wine path, with a trailing separator; empty without a spooler.
std::wstring PdfFolder() {
    const char* folder = std::getenv("VINTREL_PDF_DIR");
    return folder ? L"Z:" + std::wstring(folder, folder + std::strlen(folder)) + L"/" : std::wstring();
}

}  // namespace

std::pair<std::wstring, DWORD> NewestPdf() {
    WIN32_FIND_DATAW f, last = {};
    HANDLE h =
        PdfFolder().empty() ? INVALID_HANDLE_VALUE : FindFirstFileW((PdfFolder() + L"*.pdf").c_str(), &f);
    for (BOOL more = h != INVALID_HANDLE_VALUE; more; more = FindNextFileW(h, &f))
        if (CompareFileTime(&f.ftLastWriteTime, &last.ftLastWriteTime) > 0) last = f;
    if (h != INVALID_HANDLE_VALUE) FindClose(h);
    return {last.cFileName, last.ftLastWriteTime.dwLowDateTime};
}

COLORREF Page::At(int x, int y) const {
    if (x < 0 || y < 0 || x >= width || y >= height) return CLR_INVALID;
    const uint8_t* p = &rgb[(static_cast<size_t>(y) * width + x) * 3];
    return RGB(p[0], p[1], p[2]);
}

std::vector<Page> RenderPdf(const std::wstring& name) {
    const std::wstring pdf = PdfFolder() + name;
    const std::wstring out = L"/tmp/vintrel-print-" + std::to_wstring(GetCurrentProcessId());
    // Wine starts Unix programs but cannot wait for them: the last step marks the end.
    const std::wstring script =
        L"pdftoppm -r 96 '" + pdf.substr(2) + L"' " + out + L" && touch " + out + L".done";
    const std::wstring done = L"Z:" + out + L".done";
    std::vector<Page> pages;
    // The spooler writes the file in steps; it is whole once it ends with its end-of-file marker.
    const auto whole = [&] {
        const std::vector<uint8_t> b = ReadFileBytes(pdf);
        return std::string(b.end() - std::min<size_t>(b.size(), 16), b.end()).find("%%EOF") !=
               std::string::npos;
    };
    if (!WaitUntil(whole, 30000) || !Launch(L"Z:\\usr\\bin\\sh", L"-c \"" + script + L"\"") ||
        !WaitUntil([&] { return GetFileAttributesW(done.c_str()) != INVALID_FILE_ATTRIBUTES; }, 30000))
        return pages;
    for (int n = 1;; ++n) {
        const std::wstring file = L"Z:" + out + L"-" + std::to_wstring(n) + L".ppm";
        const std::vector<uint8_t> ppm = ReadFileBytes(file);
        DeleteFileW(file.c_str());
        const std::string text(ppm.begin(), ppm.end());
        Page page;
        int header = 0;
        if (std::sscanf(text.c_str(), "P6 %d %d 255%n", &page.width, &page.height, &header) != 2 ||
            ppm.size() != header + 1 + static_cast<size_t>(page.width) * page.height * 3)
            break;
        page.rgb.assign(ppm.begin() + header + 1, ppm.end());
        pages.push_back(std::move(page));
    }
    DeleteFileW(done.c_str());
    DeleteFileW(pdf.c_str());
    return pages;
}

namespace {

// Where the default printer's printable area begins on its page, in pixels at 96 dpi.
POINT PrintableOrigin() {
    PRINTDLGW pd = {};
    pd.lStructSize = sizeof(pd);
    pd.Flags = PD_RETURNDEFAULT | PD_RETURNDC;
    POINT origin = {0, 0};
    if (!PrintDlgW(&pd)) return origin;
    origin = {MulDiv(GetDeviceCaps(pd.hDC, PHYSICALOFFSETX), 96, GetDeviceCaps(pd.hDC, LOGPIXELSX)),
              MulDiv(GetDeviceCaps(pd.hDC, PHYSICALOFFSETY), 96, GetDeviceCaps(pd.hDC, LOGPIXELSY))};
    DeleteDC(pd.hDC);
    GlobalFree(pd.hDevMode);
    GlobalFree(pd.hDevNames);
    return origin;
}

}  // namespace

int PrintMismatches(const Page& page, int w, int h, const std::function<COLORREF(int x, int y)>& expected) {
    const POINT o = PrintableOrigin();
    const auto differs = [&](int x, int y, COLORREF c) {
        const COLORREF p = page.At(o.x + x, o.y + y);
        return p == CLR_INVALID || std::abs(GetRValue(p) - GetRValue(c)) +
                                           std::abs(GetGValue(p) - GetGValue(c)) +
                                           std::abs(GetBValue(p) - GetBValue(c)) >=
                                       60;
    };
    int wrong = 0;
    for (POINT p : {POINT{2, 2}, POINT{w - 3, 2}, POINT{2, h - 3}, POINT{w - 3, h - 3}, POINT{w / 4, h / 4},
                    POINT{w * 3 / 4, h * 3 / 4}})
        wrong += differs(p.x, p.y, expected(p.x, p.y));
    for (POINT p : {POINT{w + 3, h / 4}, POINT{w / 4, h + 3}, POINT{300, 300}})
        wrong += differs(p.x, p.y, RGB(255, 255, 255));
    return wrong;
}

// ---------------------------------------------------------------------------------------------------------
// GDI object count

namespace {

// One slot of the handle table Wine's win32u keeps in process memory and publishes through
// PEB::GdiSharedHandleTable (the layout is the same for 32- and 64-bit processes).
struct WineGdiEntry {
    uint64_t object;
    uint32_t owner;   // left 0 by Wine: the table only ever holds this process's objects
    uint16_t unique;  // bits 0-6: extended type, bit 7: stock object, high byte: generation
    uint8_t type;     // 0 marks a free slot
    uint8_t flags;
    uint64_t userPointer;
};
static_assert(sizeof(WineGdiEntry) == 24, "layout of Wine's GDI_HANDLE_ENTRY");

constexpr size_t kWineGdiSlots = 0x10000;
constexpr uint16_t kStockFlag = 0x80;

HMODULE Ntdll() {
    return GetModuleHandleW(L"ntdll.dll");
}

bool RunningOnWine() {
    return Ntdll() && GetProcAddress(Ntdll(), "wine_get_version") != nullptr;
}

const unsigned char* WineGdiTable() {
    // Looked up at run time so that test programs need not link ntdll. (NtCurrentTeb() would be simpler
    // but trips GCC's -Warray-bounds in MinGW's headers.)
    using QueryFn = LONG(WINAPI*)(HANDLE, PROCESSINFOCLASS, PVOID, ULONG, PULONG);
    const FARPROC proc = Ntdll() ? GetProcAddress(Ntdll(), "NtQueryInformationProcess") : nullptr;
    if (!proc) return nullptr;
    const auto query = reinterpret_cast<QueryFn>(reinterpret_cast<void (*)()>(proc));
    PROCESS_BASIC_INFORMATION info = {};
    if (query(GetCurrentProcess(), ProcessBasicInformation, &info, sizeof(info), nullptr) != 0 ||
        !info.PebBaseAddress)
        return nullptr;
        // The PEB layout in the SDK headers hides this field, so read it at its long-standing offset.
#ifdef _WIN64
    constexpr size_t kOffset = 0xF8;
#else
    constexpr size_t kOffset = 0x94;
#endif
    const unsigned char* table = nullptr;
    std::memcpy(&table, reinterpret_cast<const unsigned char*>(info.PebBaseAddress) + kOffset, sizeof(table));
    return table;
}

}  // namespace

int GdiObjectCount() {
    if (!RunningOnWine()) return static_cast<int>(GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS));
    const unsigned char* table = WineGdiTable();
    if (!table) return -1;
    int count = 0;
    for (size_t i = 0; i < kWineGdiSlots; ++i) {
        WineGdiEntry e;
        std::memcpy(&e, table + i * sizeof(WineGdiEntry), sizeof(e));
        if (e.type != 0 && !(e.unique & kStockFlag)) ++count;
    }
    return count;
}

// ---------------------------------------------------------------------------------------------------------
// Processes

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
