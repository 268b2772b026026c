// Saving views as bitmap files through the real save dialog, save-all, and printing on the test spooler.
#include <cstdlib>

#include "capture_fixture.h"
#include "resource.h"

namespace {

using Painter = std::function<COLORREF(int x, int y, int view)>;

void WriteOld(const std::wstring& path) {
    HANDLE f = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    WriteFile(f, "old", 3, &written, nullptr);
    CloseHandle(f);
}

class OutputTest : public CaptureTest {
  protected:
    // A fresh folder in the Wine prefix's temporary folder (the prefix goes with every test run), named
    // with the process too: both builds' tests run in one prefix.
    void SetUp() override {
        CaptureTest::SetUp();
        wchar_t temp[MAX_PATH] = {};
        GetTempPathW(MAX_PATH, temp);
        const std::string test = testing::UnitTest::GetInstance()->current_test_info()->name();
        dir = std::wstring(temp) + std::wstring(test.begin(), test.end()) + L"-" +
              std::to_wstring(GetCurrentProcessId()) + L"\\";
        ASSERT_TRUE(CreateDirectoryW(dir.c_str(), nullptr));
    }

    // Opens views of n recorded frames with "全て選択", frame i showing paint(x, y, i); the last is active.
    void OpenViews(int n, const Painter& paint = harness::PatternColor) {
        for (int i = 1; i <= n; ++i) {
            int32_t bytes = 0;
            auto* pixels = reinterpret_cast<uint32_t*>(Frame_Block(i, &bytes));
            ASSERT_EQ(bytes, VL.PicWidth * VL.PicHeight * 4);
            for (int y = 0; y < VL.PicHeight; ++y)
                for (int x = 0; x < VL.PicWidth; ++x) {
                    const COLORREF c = paint(x, y, i);
                    pixels[y * VL.PicWidth + x] = GetRValue(c) << 16 | GetGValue(c) << 8 | GetBValue(c);
                }
        }
        VL.RecordedCount = n;
        Command(IDM_meALL);
    }

    // Chooses a file menu command with the dialog answered by `name`; returns what the dialog showed.
    harness::SaveDialogSeen Choose(WORD command, const std::wstring& name,
                                   std::function<void()> after = nullptr) {
        auto answer = harness::AnswerSaveDialog(name, std::move(after));
        Command(command);
        return answer.get();
    }

    // Checks that `file` is a 24-bit bottom-up BMP of w x h pixels showing PatternColor(x, y, view).
    void ExpectBmp(const std::wstring& file, int w, int h, int view) {
        EXPECT_EQ(harness::BmpMismatches(harness::ReadFileBytes(dir + file), w, h,
                                         [view](int x, int y) { return harness::PatternColor(x, y, view); }),
                  0)
            << testing::PrintToString(file);
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
};

TEST_F(OutputTest, SaveWritesTheActiveViewAtItsOwnSizeAndKeepsItOpen) {
    Reallocate(101, 37, 4);
    OpenViews(2);
    Reallocate(64, 48, 4);  // a settings change does not resize the open views' pictures
    auto seen = Choose(IDM_mfSAVE, dir + L"無題.bmp");
    EXPECT_EQ(seen.title, L"すべて保存");
    EXPECT_EQ(seen.offeredName, L"無題.bmp");
    ExpectBmp(L"無題.bmp", 101, 37, 2);
    EXPECT_EQ(ViewCaptions(), (std::vector<std::wstring>{L"1-1", L"1-2"}));

    EXPECT_EQ(Choose(IDM_mfSAVE, dir + L"frame").offeredName, L"無題.bmp");
    ExpectBmp(L"frame.bmp", 101, 37, 2);
    Choose(IDM_mfSAVE, dir + L"frame.jpeg");
    ExpectBmp(L"frame.jpe", 101, 37, 2);
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
    for (int answer : {IDNO, IDYES}) {  // いいえ keeps the file, はい replaces it
        boxes->Clear();
        boxes->SetPolicy([answer](const harness::BoxSeen&) { return answer; });
        Choose(IDM_mfSAVE, dir + L"frame.jpeg");
        ASSERT_EQ(boxes->Count(), 1u);
        EXPECT_BOXES(BoxLine(L"保存", dir + L"frame.jpe は既に存在します。\r上書きしますか？"));
        EXPECT_EQ(boxes->Seen()[0].buttons, (std::vector<std::wstring>{L"はい(&Y)", L"いいえ(&N)"}));
        EXPECT_EQ(boxes->Seen()[0].defaultButtonId, IDNO);
        EXPECT_EQ(harness::ReadFileBytes(dir + L"frame.jpe").size(),
                  answer == IDNO ? 3u : 54u + 128 * 3 * 96);
    }
    ExpectBmp(L"frame.jpe", 128, 96, 1);

    WriteOld(dir + L"old.bmp");  // the dialog's own question, answered yes
    boxes->Clear();
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
    Command(IDM_mfSAVE);  // no view: a message and no dialog
    Command(IDM_mfALLSAVE);
    EXPECT_BOXES(BoxLine(L"保存", L"保存する画像がありません。"),
                 BoxLine(L"全て保存", L"保存する画像がありません。"));
    boxes->Clear();

    OpenViews(3);
    WriteOld(dir + L"無題1-2.bmp");
    Choose(IDM_mfALLSAVE, dir + L"無題.bmp");
    for (int i = 1; i <= 3; ++i) ExpectBmp(L"無題1-" + std::to_wstring(i) + L".bmp", 128, 96, i);
    EXPECT_EQ(FilesIn(), 3);  // and no 無題.bmp
    EXPECT_EQ(VL.OpenViewCount, 0);
    EXPECT_EQ(VL.ViewSerial, 0);
    EXPECT_EQ(VL.ViewBatch, 1);
    EXPECT_EQ(boxes->Count(), 0u);

    OpenViews(1);
    Choose(IDM_mfALLSAVE, dir + L"shot.jpeg");
    ExpectBmp(L"shot2-1.bmp", 128, 96, 1);
}

TEST_F(OutputTest, SaveAllStopsAtAFileItCannotWriteAndKeepsTheRestCounted) {
    OpenViews(3);
    ASSERT_TRUE(CreateDirectoryW((dir + L"s1-2.bmp").c_str(), nullptr));  // the second view saved
    Choose(IDM_mfALLSAVE, dir + L"s.bmp");
    EXPECT_BOXES(BoxLine(L"全て保存", L"ファイルを保存できませんでした。\r" + dir + L"s1-2.bmp"));
    ExpectBmp(L"s1-3.bmp", 128, 96, 3);
    EXPECT_EQ(FilesIn(), 2);
    EXPECT_EQ(ViewCaptions(), (std::vector<std::wstring>{L"1-1", L"1-2"}));
    EXPECT_EQ(VL.OpenViewCount, 2);
    EXPECT_EQ(VL.ViewSerial, 3);

    // "終了(&X)" arriving in the loop's yield: nothing more is saved.
    const HWND frame = main->hWnd();
    Choose(IDM_mfALLSAVE, dir + L"x.bmp", [frame] { PostMessageW(frame, WM_COMMAND, IDM_mfEXIT, 0); });
    EXPECT_FALSE(main->Loaded());
    EXPECT_EQ(FilesIn(), 2);
}

TEST_F(OutputTest, PrintPutsTheActiveViewOnOnePageAtTheSizeTheScreenShowsIt) {
    if (!std::getenv("VINTREL_PDF_DIR")) GTEST_SKIP() << "no test spooler";
    const auto before = harness::NewestPdf();
    Command(IDM_mfPRINT);
    EXPECT_BOXES(BoxLine(L"印刷", L"印刷する画像がありません。"));
    boxes->Clear();

    OpenViews(2, [](int x, int y, int view) {
        return view == 2 ? harness::QuadrantColor(x, y, view) : RGB(0, 0, 0);
    });
    Command(IDM_mfPRINT);
    EXPECT_EQ(boxes->Count(), 0u);
    EXPECT_EQ(VL.OpenViewCount, 2);
    ASSERT_TRUE(harness::WaitUntil([&] { return harness::NewestPdf() != before; }, 30000));
    harness::Pump(1000);  // a second job, had the first command made one, would show by now
    const std::vector<harness::Page> pages = harness::RenderPdf(harness::NewestPdf().first);
    ASSERT_EQ(pages.size(), 1u);

    // The picture sits at the origin of the printable area, 128 x 96 screen pixels large.
    EXPECT_EQ(harness::PrintMismatches(pages[0], 128, 96,
                                       [](int x, int y) { return harness::QuadrantColor(x, y, 2); }),
              0);
}

TEST_F(OutputTest, PrintWithoutADefaultPrinterSaysSo) {
    OpenViews(1);
    const wchar_t* key = L"Software\\Microsoft\\Windows NT\\CurrentVersion\\Windows";
    wchar_t device[512] = {};
    DWORD bytes = sizeof(device);
    ASSERT_EQ(RegGetValueW(HKEY_CURRENT_USER, key, L"Device", RRF_RT_REG_SZ, nullptr, device, &bytes),
              ERROR_SUCCESS);
    RegDeleteKeyValueW(HKEY_CURRENT_USER, key, L"Device");
    Command(IDM_mfPRINT);
    RegSetKeyValueW(HKEY_CURRENT_USER, key, L"Device", REG_SZ, device, bytes);
    EXPECT_BOXES(BoxLine(L"印刷", L"既定のプリンターがありません。"));
    EXPECT_EQ(VL.OpenViewCount, 1);
}

}  // namespace
