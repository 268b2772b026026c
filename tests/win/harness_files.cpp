// Files, BMPs, printouts and the GDI object count.
#include "harness_files.h"

#include <commdlg.h>
#include <winternl.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "harness_pump.h"
#include "harness_process.h"

namespace harness {

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

// The table's address in a process (this one's or another's of the same pointer size), or 0.
uintptr_t WineGdiTable(HANDLE process) {
    // Looked up at run time so that test programs need not link ntdll. (NtCurrentTeb() would be simpler
    // but trips GCC's -Warray-bounds in MinGW's headers.)
    using QueryFn = LONG(WINAPI*)(HANDLE, PROCESSINFOCLASS, PVOID, ULONG, PULONG);
    const FARPROC proc = Ntdll() ? GetProcAddress(Ntdll(), "NtQueryInformationProcess") : nullptr;
    if (!proc) return 0;
    const auto query = reinterpret_cast<QueryFn>(reinterpret_cast<void (*)()>(proc));
    PROCESS_BASIC_INFORMATION info = {};
    if (query(process, ProcessBasicInformation, &info, sizeof(info), nullptr) != 0 || !info.PebBaseAddress)
        return 0;
        // The PEB layout in the SDK headers hides this field, so read it at its long-standing offset.
#ifdef _WIN64
    constexpr size_t kOffset = 0xF8;
#else
    constexpr size_t kOffset = 0x94;
#endif
    const auto* peb = reinterpret_cast<const unsigned char*>(info.PebBaseAddress);
    uintptr_t table = 0;
    if (!ReadProcessMemory(process, peb + kOffset, &table, sizeof(table), nullptr)) return 0;
#ifndef _WIN64
    // A 32-bit process on 64-bit Wine has the table in its 64-bit PEB, the page below the 32-bit one.
    uint64_t table64 = 0;
    if (!table && ReadProcessMemory(process, peb - 0x1000 + 0xF8, &table64, sizeof(table64), nullptr))
        table = static_cast<uintptr_t>(table64);
#endif
    return table;
}

}  // namespace

int GdiObjectCount(HANDLE process) {
    if (!RunningOnWine()) return static_cast<int>(GetGuiResources(process, GR_GDIOBJECTS));
    const uintptr_t table = WineGdiTable(process);
    std::vector<WineGdiEntry> entries(kWineGdiSlots);
    if (!table || !ReadProcessMemory(process, reinterpret_cast<const void*>(table), entries.data(),
                                     entries.size() * sizeof(WineGdiEntry), nullptr))
        return -1;
    return static_cast<int>(std::count_if(entries.begin(), entries.end(), [](const WineGdiEntry& e) {
        return e.type != 0 && !(e.unique & kStockFlag);
    }));
}

int HeapBlockCount() {
    int blocks = 0;
    PROCESS_HEAP_ENTRY entry = {};
    HeapLock(GetProcessHeap());
    while (HeapWalk(GetProcessHeap(), &entry)) blocks += (entry.wFlags & PROCESS_HEAP_ENTRY_BUSY) != 0;
    HeapUnlock(GetProcessHeap());
    return blocks;
}

int LeastGdiGrowth(const std::function<void()>& step, int tries) {
    int least = -1;
    for (int i = 0; i < tries && least != 0; ++i) {
        const int before = GdiObjectCount();
        if (before < 0) return -1;
        step();
        const int growth = GdiObjectCount() - before;
        least = least < 0 ? growth : std::min(least, growth);
    }
    return least;
}

}  // namespace harness
