// Saving views as bitmap files through the real save dialog, save-all, and printing on the real spooler.
#include <cstdlib>
#include <map>

#include "capture_fixture.h"
#include "core/view_window.h"
#include "platform/printer.h"
#include "resource.h"

namespace {

using Painter = std::function<COLORREF(int x, int y, int view)>;

COLORREF Quadrants(int x, int y, int w, int h) {
    static const COLORREF kColors[] = {RGB(220, 30, 30), RGB(30, 180, 30), RGB(30, 30, 220), RGB(20, 20, 20)};
    return kColors[(x * 2 / w) + 2 * (y * 2 / h)];
}

std::vector<uint8_t> ReadAll(const std::wstring& path) {
    std::vector<uint8_t> bytes;
    HANDLE f = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (f == INVALID_HANDLE_VALUE) return bytes;
    bytes.resize(GetFileSize(f, nullptr));
    DWORD got = 0;
    if (!ReadFile(f, bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr)) got = 0;
    CloseHandle(f);
    bytes.resize(got);
    return bytes;
}

void WriteOld(const std::wstring& path) {
    HANDLE f = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    WriteFile(f, "old", 3, &written, nullptr);
    CloseHandle(f);
}

uint32_t Le(const std::vector<uint8_t>& b, size_t at, int bytes) {
    uint32_t v = 0;
    for (int i = bytes - 1; i >= 0; --i) v = v << 8 | b[at + i];
    return v;
}

class OutputTest : public CaptureTest {
  protected:
    void SetUp() override {
        CaptureTest::SetUp();
        wchar_t temp[MAX_PATH] = {};
        GetTempPathW(MAX_PATH, temp);
        static int serial = 0;
        dir = std::wstring(temp) + L"vintrel-out-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
              std::to_wstring(++serial) + L"\\";
        ASSERT_TRUE(CreateDirectoryW(dir.c_str(), nullptr));
    }
    void TearDown() override {
        CaptureTest::TearDown();
        WIN32_FIND_DATAW f;
        HANDLE h = FindFirstFileW((dir + L"*").c_str(), &f);
        for (BOOL more = h != INVALID_HANDLE_VALUE; more; more = FindNextFileW(h, &f)) {
            const std::wstring path = dir + f.cFileName;
            if (!(f.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                DeleteFileW(path.c_str());
            else if (f.cFileName[0] != L'.')
                RemoveDirectoryW(path.c_str());
        }
        if (h != INVALID_HANDLE_VALUE) FindClose(h);
        RemoveDirectoryW(dir.c_str());
    }

    // Opens n views captioned 1-1 .. 1-n in a new batch, view i showing paint(x, y, i); the last is active.
    void OpenViews(int n, const Painter& paint = harness::PatternColor) {
        ++VL.ViewBatch;
        for (int i = 1; i <= n; ++i) {
            ++VL.ViewSerial;
            views.push_back(std::make_unique<frmVLs1>(*main));
            frmVLs1& v = *views.back();
            v.Show();
            v.SetCaption(std::to_wstring(VL.ViewBatch) + L"-" + std::to_wstring(VL.ViewSerial));
            for (int y = 0; y < VL.PicHeight; ++y)
                for (int x = 0; x < VL.PicWidth; ++x) SetPixel(v.picFRM.hDC(), x, y, paint(x, y, i));
            v.picFRM.Refresh();
        }
        harness::PumpPending();
    }

    // Chooses a file menu command with the dialog answered by `name`; returns what the dialog showed.
    harness::SaveDialogSeen Choose(WORD command, const std::wstring& name,
                                   std::function<void()> after = nullptr) {
        auto answer = harness::AnswerSaveDialog(name, std::move(after));
        SendMessageW(main->hWnd(), WM_COMMAND, command, 0);
        harness::PumpPending();
        return answer.get();
    }

    // Checks that `file` is a 24-bit bottom-up BMP of w x h pixels showing paint(x, y, view).
    void ExpectBmp(const std::wstring& file, int w, int h, int view,
                   const Painter& paint = harness::PatternColor) {
        const std::vector<uint8_t> b = ReadAll(dir + file);
        ASSERT_GE(b.size(), 54u) << "missing " << testing::PrintToString(file);
        EXPECT_EQ(b[0], 'B');
        EXPECT_EQ(b[1], 'M');
        EXPECT_EQ(Le(b, 10, 4), 54u);
        EXPECT_EQ(Le(b, 18, 4), static_cast<uint32_t>(w));
        EXPECT_EQ(Le(b, 22, 4), static_cast<uint32_t>(h));
        EXPECT_EQ(Le(b, 28, 2), 24u);
        const size_t stride = (static_cast<size_t>(w) * 3 + 3) & ~size_t{3};
        ASSERT_EQ(b.size(), 54 + stride * h);
        int wrong = 0;
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) {
                const size_t at = 54 + (h - 1 - y) * stride + x * 3;
                if (RGB(b[at + 2], b[at + 1], b[at]) != paint(x, y, view)) ++wrong;
            }
        }
        EXPECT_EQ(wrong, 0) << testing::PrintToString(file);
    }

    bool Exists(const std::wstring& file) const {
        return GetFileAttributesW((dir + file).c_str()) != INVALID_FILE_ATTRIBUTES;
    }
    int FilesIn() const {
        int n = 0;
        WIN32_FIND_DATAW f;
        HANDLE h = FindFirstFileW((dir + L"*").c_str(), &f);
        for (BOOL more = h != INVALID_HANDLE_VALUE; more; more = FindNextFileW(h, &f))
            n += f.cFileName[0] != L'.';
        if (h != INVALID_HANDLE_VALUE) FindClose(h);
        return n;
    }

    std::wstring dir;
    std::vector<std::unique_ptr<frmVLs1>> views;
};

TEST_F(OutputTest, SaveWritesTheActiveViewAtItsOwnSizeAndKeepsItOpen) {
    Reallocate(101, 37, 4);
    OpenViews(2);
    // A later settings change does not change the size of the open views' pictures.
    Reallocate(64, 48, 4);
    auto seen = Choose(IDM_mfSAVE, dir + L"無題.bmp");
    EXPECT_TRUE(seen.found);
    EXPECT_EQ(seen.title, L"すべて保存");
    EXPECT_EQ(seen.offeredName, L"無題.bmp");
    ExpectBmp(L"無題.bmp", 101, 37, 2);
    EXPECT_EQ(VL.OpenViewCount, 2);
    EXPECT_TRUE(views[1]->Loaded());

    seen = Choose(IDM_mfSAVE, dir + L"frame");
    EXPECT_EQ(seen.offeredName, L"無題.bmp");
    ExpectBmp(L"frame.bmp", 101, 37, 2);
    Choose(IDM_mfSAVE, dir + L"frame.jpeg");
    ExpectBmp(L"frame.jpe", 101, 37, 2);
    EXPECT_FALSE(Exists(L"frame.jpeg"));
    // A final dot: the name is written as returned (the system drops the dot), never a cut-down path.
    Choose(IDM_mfSAVE, dir + L"dot.");
    ExpectBmp(L"dot", 101, 37, 2);
    Choose(IDM_mfSAVE, L"");  // cancelled: nothing happens
    EXPECT_EQ(FilesIn(), 4);
    EXPECT_EQ(boxes->Count(), 0u);
}

TEST_F(OutputTest, SaveAsksBeforeReplacingTheCutNameAndReportsAFileItCannotWrite) {
    OpenViews(1);
    WriteOld(dir + L"frame.jpe");
    // いいえ keeps the file, はい replaces it.
    for (int answer : {IDNO, IDYES}) {
        boxes->Clear();
        boxes->SetPolicy([answer](const harness::BoxSeen&) { return answer; });
        Choose(IDM_mfSAVE, dir + L"frame.jpeg");
        ASSERT_EQ(boxes->Count(), 1u);
        const auto box = boxes->Seen()[0];
        EXPECT_EQ(box.title, L"保存");
        EXPECT_EQ(box.text, dir + L"frame.jpe は既に存在します。\r上書きしますか？");
        EXPECT_EQ(box.buttons, (std::vector<std::wstring>{L"はい(&Y)", L"いいえ(&N)"}));
        EXPECT_EQ(box.defaultButtonId, IDNO);
    }
    EXPECT_EQ(FilesIn(), 1);
    ExpectBmp(L"frame.jpe", 128, 96, 1);

    // The dialog's own question about an existing name, answered yes.
    WriteOld(dir + L"old.bmp");
    boxes->Clear();
    boxes->SetPolicy([](const harness::BoxSeen&) { return IDYES; });
    Choose(IDM_mfSAVE, dir + L"old.bmp");
    EXPECT_EQ(boxes->Count(), 1u);
    ExpectBmp(L"old.bmp", 128, 96, 1);

    // A folder occupying the name: the message names the file, and nothing else changes.
    ASSERT_TRUE(CreateDirectoryW((dir + L"busy.jpe").c_str(), nullptr));
    boxes->Clear();
    Choose(IDM_mfSAVE, dir + L"busy.jpeg");
    EXPECT_BOXES(BoxLine(L"保存", L"ファイルを保存できませんでした。\r" + dir + L"busy.jpe"));
    EXPECT_EQ(FilesIn(), 3);  // no temporary file left
    EXPECT_EQ(VL.OpenViewCount, 1);
}

TEST_F(OutputTest, SaveAllWritesEveryViewUnderTheStemAndClosesThem) {
    // No view: a message and no dialog.
    SendMessageW(main->hWnd(), WM_COMMAND, IDM_mfSAVE, 0);
    SendMessageW(main->hWnd(), WM_COMMAND, IDM_mfALLSAVE, 0);
    EXPECT_BOXES(BoxLine(L"保存", L"保存する画像がありません。"),
                 BoxLine(L"全て保存", L"保存する画像がありません。"));
    boxes->Clear();

    OpenViews(3);
    WriteOld(dir + L"無題1-2.bmp");
    const int16_t batch = VL.ViewBatch;
    Choose(IDM_mfALLSAVE, dir + L"無題.bmp");
    for (int i = 1; i <= 3; ++i) ExpectBmp(L"無題1-" + std::to_wstring(i) + L".bmp", 128, 96, i);
    EXPECT_FALSE(Exists(L"無題.bmp"));
    EXPECT_EQ(FilesIn(), 3);
    EXPECT_EQ(VL.OpenViewCount, 0);
    EXPECT_EQ(VL.ViewSerial, 0);
    EXPECT_EQ(VL.ViewBatch, batch);
    EXPECT_EQ(boxes->Count(), 0u);

    OpenViews(1);
    Choose(IDM_mfALLSAVE, dir + L"shot.jpeg");
    ExpectBmp(L"shot2-1.bmp", 128, 96, 1);
    EXPECT_EQ(FilesIn(), 4);
}

TEST_F(OutputTest, SaveAllStopsAtAFileItCannotWriteAndKeepsTheRestCounted) {
    OpenViews(3);
    // The active view (1-3) is saved first, then 1-2.
    ASSERT_TRUE(CreateDirectoryW((dir + L"s1-2.bmp").c_str(), nullptr));
    Choose(IDM_mfALLSAVE, dir + L"s.bmp");
    EXPECT_BOXES(BoxLine(L"全て保存", L"ファイルを保存できませんでした。\r" + dir + L"s1-2.bmp"));
    ExpectBmp(L"s1-3.bmp", 128, 96, 3);
    EXPECT_EQ(FilesIn(), 2);
    EXPECT_FALSE(views[2]->Loaded());
    EXPECT_TRUE(views[1]->Loaded() && views[0]->Loaded());
    EXPECT_EQ(VL.OpenViewCount, 2);
    EXPECT_EQ(VL.ViewSerial, 3);
}

TEST_F(OutputTest, ExitDuringSaveAllSavesNothingMore) {
    OpenViews(2);
    const HWND frame = main->hWnd();
    Choose(IDM_mfALLSAVE, dir + L"x.bmp", [frame] { PostMessageW(frame, WM_COMMAND, IDM_mfEXIT, 0); });
    EXPECT_FALSE(main->Loaded());
    EXPECT_EQ(FilesIn(), 0);
    EXPECT_EQ(VL.OpenViewCount, 0);
}

// The test spooler's PDF folder (VINTREL_PDF_DIR, a Unix path), or "" when the tests run without it.
std::string PdfFolder() {
    const char* folder = std::getenv("VINTREL_PDF_DIR");
    return folder ? folder : "";
}

std::wstring WinePath(const std::string& unixPath) {
    std::wstring path = L"Z:";
    for (char c : unixPath) path += c == '/' ? L'\\' : static_cast<wchar_t>(c);
    return path;
}

// PDF files of the folder with their last write times.
std::map<std::string, uint64_t> PdfFiles(const std::string& folder) {
    std::map<std::string, uint64_t> files;
    WIN32_FIND_DATAA f;
    HANDLE h = FindFirstFileA((std::string("Z:") + folder + "/*.pdf").c_str(), &f);
    for (BOOL more = h != INVALID_HANDLE_VALUE; more; more = FindNextFileA(h, &f))
        files[f.cFileName] =
            (uint64_t{f.ftLastWriteTime.dwHighDateTime} << 32) | f.ftLastWriteTime.dwLowDateTime;
    if (h != INVALID_HANDLE_VALUE) FindClose(h);
    return files;
}

std::vector<std::string> NewPdfs(const std::string& folder, const std::map<std::string, uint64_t>& before) {
    std::vector<std::string> added;
    for (const auto& [name, time] : PdfFiles(folder)) {
        auto it = before.find(name);
        if (it == before.end() || it->second != time) added.push_back(name);
    }
    return added;
}

// The first page of a PDF rendered by poppler at 96 dpi, and the document's page count.
struct RenderedPage {
    int pages = 0;
    int width = 0, height = 0;
    std::vector<uint8_t> rgb;
    COLORREF At(int x, int y) const {
        if (x < 0 || y < 0 || x >= width || y >= height) return CLR_INVALID;
        const size_t at = (static_cast<size_t>(y) * width + x) * 3;
        return RGB(rgb[at], rgb[at + 1], rgb[at + 2]);
    }
};

RenderedPage Render(const std::string& pdf) {
    RenderedPage page;
    static int serial = 0;
    const std::string out =
        "/tmp/vintrel-print-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++serial);
    CreateDirectoryW(WinePath(out).c_str(), nullptr);
    // Wine starts Unix programs but cannot wait for them: the last step marks the end.
    const std::string script = "pdfinfo '" + pdf + "' > " + out +
                               "/info && pdftoppm -r 96 -f 1 -l 1 -singlefile '" + pdf + "' " + out +
                               "/page && touch " + out + "/done";
    if (!harness::Launch(L"Z:\\usr\\bin\\sh", L"-c \"" + std::wstring(script.begin(), script.end()) + L"\""))
        return page;
    const std::wstring done = WinePath(out + "/done");
    if (!harness::WaitUntil([&] { return GetFileAttributesW(done.c_str()) != INVALID_FILE_ATTRIBUTES; },
                            30000))
        return page;
    const std::vector<uint8_t> info = ReadAll(WinePath(out + "/info"));
    const std::string text(info.begin(), info.end());
    const size_t pagesAt = text.find("Pages:");
    if (pagesAt != std::string::npos) page.pages = std::atoi(text.c_str() + pagesAt + 6);
    const std::vector<uint8_t> ppm = ReadAll(WinePath(out + "/page.ppm"));
    int maxval = 0, consumed = 0;
    const std::string head(ppm.begin(), ppm.begin() + std::min<size_t>(ppm.size(), 64));
    if (std::sscanf(head.c_str(), "P6 %d %d %d%n", &page.width, &page.height, &maxval, &consumed) == 3 &&
        ppm.size() >= consumed + 1 + static_cast<size_t>(page.width) * page.height * 3) {
        page.rgb.assign(ppm.begin() + consumed + 1, ppm.end());
    } else {
        page.width = page.height = 0;
    }
    for (const char* f : {"/info", "/page.ppm", "/done"}) DeleteFileW(WinePath(out + f).c_str());
    RemoveDirectoryW(WinePath(out).c_str());
    return page;
}

bool Near(COLORREF a, COLORREF b) {
    return a != CLR_INVALID && std::abs(GetRValue(a) - GetRValue(b)) <= 40 &&
           std::abs(GetGValue(a) - GetGValue(b)) <= 40 && std::abs(GetBValue(a) - GetBValue(b)) <= 40;
}

TEST_F(OutputTest, PrintPutsTheActiveViewOnOnePageAtTheSizeTheScreenShowsIt) {
    const std::string folder = PdfFolder();
    if (folder.empty()) GTEST_SKIP() << "no test spooler (VINTREL_PDF_DIR)";
    const auto before = PdfFiles(folder);
    SendMessageW(main->hWnd(), WM_COMMAND, IDM_mfPRINT, 0);
    EXPECT_BOXES(BoxLine(L"印刷", L"印刷する画像がありません。"));
    boxes->Clear();

    OpenViews(2, [](int x, int y, int view) { return view == 2 ? Quadrants(x, y, 128, 96) : RGB(0, 0, 0); });
    SendMessageW(main->hWnd(), WM_COMMAND, IDM_mfPRINT, 0);
    EXPECT_EQ(boxes->Count(), 0u);
    EXPECT_EQ(VL.OpenViewCount, 2);
    std::vector<std::string> added;
    ASSERT_TRUE(harness::WaitUntil([&] { return !(added = NewPdfs(folder, before)).empty(); }, 30000));
    harness::Pump(1000);  // a second job, had there been one, would show by now
    added = NewPdfs(folder, before);
    ASSERT_EQ(added.size(), 1u);
    const RenderedPage page = Render(folder + "/" + added[0]);
    DeleteFileW(WinePath(folder + "/" + added[0]).c_str());
    EXPECT_EQ(page.pages, 1);
    ASSERT_GT(page.width, 0);

    // The picture sits at the origin of the printable area, 128 x 96 screen pixels large.
    rt::DefaultPrinter printer;
    DWORD error = 0;
    ASSERT_TRUE(printer.Open(&error));
    const int ox =
        MulDiv(GetDeviceCaps(printer.hDC(), PHYSICALOFFSETX), 96, GetDeviceCaps(printer.hDC(), LOGPIXELSX));
    const int oy =
        MulDiv(GetDeviceCaps(printer.hDC(), PHYSICALOFFSETY), 96, GetDeviceCaps(printer.hDC(), LOGPIXELSY));
    for (int q = 0; q < 4; ++q) {
        const int x = 32 + 64 * (q % 2), y = 24 + 48 * (q / 2);
        EXPECT_TRUE(Near(page.At(ox + x, oy + y), Quadrants(x, y, 128, 96))) << "quadrant " << q;
    }
    for (POINT p : {POINT{ox + 3, oy + 3}, POINT{ox + 124, oy + 92}}) {
        EXPECT_FALSE(Near(page.At(p.x, p.y), RGB(255, 255, 255))) << p.x << "," << p.y;
    }
    for (POINT p : {POINT{ox + 132, oy + 24}, POINT{ox + 32, oy + 100}, POINT{ox + 260, oy + 200}}) {
        EXPECT_TRUE(Near(page.At(p.x, p.y), RGB(255, 255, 255))) << p.x << "," << p.y;
    }
}

TEST_F(OutputTest, PrintWithoutADefaultPrinterSaysSo) {
    OpenViews(1);
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\Microsoft\\Windows NT\\CurrentVersion\\Windows", 0,
                            KEY_QUERY_VALUE | KEY_SET_VALUE, &key),
              ERROR_SUCCESS);
    wchar_t device[512] = {};
    DWORD bytes = sizeof(device) - sizeof(wchar_t);
    const bool had = RegQueryValueExW(key, L"Device", nullptr, nullptr, reinterpret_cast<BYTE*>(device),
                                      &bytes) == ERROR_SUCCESS;
    RegDeleteValueW(key, L"Device");
    SendMessageW(main->hWnd(), WM_COMMAND, IDM_mfPRINT, 0);
    if (had) {
        RegSetValueExW(key, L"Device", 0, REG_SZ, reinterpret_cast<const BYTE*>(device),
                       static_cast<DWORD>((wcslen(device) + 1) * sizeof(wchar_t)));
    }
    RegCloseKey(key);
    EXPECT_BOXES(BoxLine(L"印刷", L"既定のプリンターがありません。"));
    EXPECT_EQ(VL.OpenViewCount, 1);
}

}  // namespace
