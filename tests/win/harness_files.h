// What the program leaves behind: files, BMPs, printed pages as PDFs, and the GDI objects it holds.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace harness {

// Whole contents of a file (empty when it cannot be read).
std::vector<uint8_t> ReadFileBytes(const std::wstring& path);
// Checks that `file` is a 24-bit bottom-up BMP of w x h pixels and counts the pixels that differ from
// expected(x, y); -1 when the headers or the size are not those of such a file.
int BmpMismatches(const std::vector<uint8_t>& file, int w, int h,
                  const std::function<COLORREF(int x, int y)>& expected);

// The test spooler (scripts/common.sh) writes each print job as a PDF into $VINTREL_PDF_DIR.
// Name and write time of the newest PDF there; it changes when a job lands. Empty without a spooler.
std::pair<std::wstring, DWORD> NewestPdf();
// A page rendered at 96 dpi.
struct Page {
    int width = 0, height = 0;
    std::vector<uint8_t> rgb;  // top-down rows, 3 bytes per pixel
    COLORREF At(int x, int y) const;
};
// Renders a PDF of that folder with poppler into its pages, then deletes the PDF and the pictures.
std::vector<Page> RenderPdf(const std::wstring& name);
// Probes a w x h picture printed at the origin of the default printer's printable area: its corners and
// inner points against expected(x, y), points beside it against white. Returns how many differ by more
// than a rendering's smoothing.
int PrintMismatches(const Page& page, int w, int h, const std::function<COLORREF(int x, int y)>& expected);

// Number of GDI objects a process (this one, or another of the same pointer size) owns now, stock
// objects excluded, or -1 if it cannot tell. Wine's GetGuiResources(GR_GDIOBJECTS) is a stub that
// answers 0, so under Wine the handle table that win32u publishes in the PEB is counted instead.
int GdiObjectCount(HANDLE process = GetCurrentProcess());
// Blocks in use in this process's default heap, where the window system keeps what its controls need.
int HeapBlockCount();
// The least growth of GdiObjectCount over up to `tries` runs of `step`, ending at the first run that
// leaves the count as it found it (-1 if it cannot tell): the window system and the display driver
// create objects of their own once, at moments a test does not choose (the first time a cursor or
// icon is shown), while a leak grows with every run.
int LeastGdiGrowth(const std::function<void()>& step, int tries = 3);

}  // namespace harness
