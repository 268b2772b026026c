// Every window at every scale. scripts/test runs these at 96, 120, 144 and 192 dpi (VINTREL_DPI names the
// one set for the run); a move to another monitor is a WM_DPICHANGED, sent here as the system sends it.
#include <cstdio>
#include <cstdlib>

#include "app_fixture.h"
#include "core/about_window.h"
#include "core/view_window.h"
#include "output/progress_window.h"
#include "resource.h"
#include "settings/settings_dialog.h"

namespace {

RECT InClient(HWND child) {
    RECT r;
    GetWindowRect(child, &r);
    MapWindowPoints(nullptr, GetParent(child), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

LONG FontHeight(HWND w) {
    LOGFONTW lf = {};
    const auto font = reinterpret_cast<HGDIOBJ>(SendMessageW(w, WM_GETFONT, 0, 0));
    return font && GetObjectW(font, sizeof(lf), &lf) ? lf.lfHeight : 0;
}

// The window fits the screen, its controls lie inside its client area, and every one-line text is as wide
// as its font draws it. Returns what did not fit, one line each.
std::wstring Misfits(HWND w) {
    std::wstring out;
    RECT outer, client;
    GetWindowRect(w, &outer);
    GetClientRect(w, &client);
    if (outer.right - outer.left > GetSystemMetrics(SM_CXSCREEN) ||
        outer.bottom - outer.top > GetSystemMetrics(SM_CYSCREEN))
        out += L"larger than the screen\n";
    for (HWND c = GetWindow(w, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
        const RECT r = InClient(c);
        const std::wstring text = harness::TextOf(c);
        if (r.left < 0 || r.top < 0 || r.right > client.right || r.bottom > client.bottom)
            out += L"outside the client area: " + text + L"\n";
        wchar_t kind[16] = {};
        GetClassNameW(c, kind, 16);
        if (text.empty() || text.find_first_of(L"\r\n") != std::wstring::npos ||
            (lstrcmpiW(kind, L"VintrelLabel") != 0 && lstrcmpiW(kind, L"Button") != 0))
            continue;
        HDC dc = GetDC(c);
        HGDIOBJ old = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(c, WM_GETFONT, 0, 0)));
        SIZE size = {};
        GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
        SelectObject(dc, old);
        ReleaseDC(c, dc);
        if (size.cx > r.right - r.left) out += L"text wider than its box: " + text + L"\n";
    }
    return out;
}

// The direct children's places and font heights.
struct Layout {
    std::vector<RECT> places;
    std::vector<LONG> fonts;
};
Layout LayoutOf(HWND w) {
    Layout l;
    for (HWND c = GetWindow(w, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
        wchar_t kind[16] = {};
        GetClassNameW(c, kind, 16);
        if (lstrcmpiW(kind, L"MDIClient") == 0) continue;  // it fills the frame's client area
        l.places.push_back(InClient(c));
        // A closed combo box takes the height of its font, which the fonts' check covers.
        if (lstrcmpiW(kind, L"ComboBox") == 0) l.places.back().bottom = l.places.back().top;
        l.fonts.push_back(FontHeight(c));
    }
    return l;
}

class DpiTest : public AppTest {
  protected:
    // Every form, loaded: the main window, the capture window, a frame view, the settings dialog, the About
    // box and the progress dialog (its pass over no frame ended at once).
    std::vector<rt::Form*> Forms() {
        Start();
        Reallocate(64, 48, 1);
        VL.RecordedCount = 1;
        int32_t frame = 1;
        View_Open(frame);
        settings = std::make_unique<frmVLEST>();
        settings->Load();
        AboutWindow().Show();
        VL.RecordedCount = 0;
        ProgressWindow().Load();
        VL.RecordedCount = 1;
        capture.FitClientTo(64, 48);  // as an activity fits it to the frame
        capture.PicCAPT.Move(0, 0, 64, 48);
        return {main.get(), &capture, main->ActiveForm(), settings.get(), &AboutWindow(), &ProgressWindow()};
    }
    void TearDown() override {
        ProgressWindow().Unload();
        AboutWindow().Unload();
        settings.reset();
        AppTest::TearDown();
    }
    std::unique_ptr<frmVLEST> settings;
};

}  // namespace

TEST_F(DpiTest, EveryWindowFitsItsTextAtTheResolutionItRunsAt) {
    if (const char* dpi = std::getenv("VINTREL_DPI")) {
        ASSERT_EQ(rt::SystemDpi(), std::atoi(dpi));
    }
    for (rt::Form* form : Forms()) EXPECT_EQ(Misfits(form->hWnd()), L"") << form->Caption();
    // The message boxes it shows, a one-line one and one of two lines.
    std::vector<std::wstring> boxMisfits;
    boxes->SetPolicy([&](const harness::BoxSeen& box) {
        boxMisfits.push_back(Misfits(box.hwnd));
        return box.buttonIds.front();
    });
    Command(IDM_mePLAY);
    VL.RecordedCount = 0;
    Command(IDM_mePLAY);
    SendMessageW(main->hWnd(), WM_CLOSE, 0, 0);
    EXPECT_EQ(boxMisfits, (std::vector<std::wstring>(2, L""))) << BoxLines().size();
    RECT m, s;
    GetClientRect(main->hWnd(), &m);
    GetClientRect(settings->hWnd(), &s);
    std::printf("at %d dpi: main window client %ldx%ld, settings dialog client %ldx%ld\n", rt::SystemDpi(),
                m.right, m.bottom, s.right, s.bottom);
}

TEST_F(DpiTest, EveryFormFollowsAMoveToAMonitorOfAnotherScale) {
    const int dpi = rt::SystemDpi();
    std::vector<rt::Form*> forms = Forms();
    forms.erase(forms.begin() + 2);  // a frame view is a child window: it keeps the workspace's scale
    for (rt::Form* form : forms) {
        const HWND w = form->hWnd();
        const Layout before = LayoutOf(w);
        RECT client0;
        GetClientRect(w, &client0);
        // The capture window keeps its picture, and so its client area, in real pixels.
        const bool scales = form != &capture;
        for (const int to : {dpi * 3 / 2, dpi}) {
            RECT suggested;
            GetWindowRect(w, &suggested);
            suggested.right = suggested.left + (suggested.right - suggested.left) * to / form->Dpi();
            suggested.bottom = suggested.top + (suggested.bottom - suggested.top) * to / form->Dpi();
            SendMessageW(w, WM_DPICHANGED, MAKEWPARAM(to, to), reinterpret_cast<LPARAM>(&suggested));
            EXPECT_EQ(form->Dpi(), to);
            RECT outer, client;
            GetWindowRect(w, &outer);
            GetClientRect(w, &client);
            if (scales) {
                EXPECT_TRUE(EqualRect(&outer, &suggested)) << form->Caption();
            } else {
                EXPECT_TRUE(EqualRect(&client, &client0));
            }
            const Layout after = LayoutOf(w);
            ASSERT_EQ(after.places.size(), before.places.size());
            const double k = scales ? double(to) / dpi : 1.0;
            for (size_t i = 0; i < before.places.size(); ++i) {
                const RECT &a = after.places[i], &b = before.places[i];
                EXPECT_NEAR(a.left, b.left * k, 1) << form->Caption() << " " << i;
                EXPECT_NEAR(a.top, b.top * k, 1) << form->Caption() << " " << i;
                EXPECT_NEAR(a.right - a.left, (b.right - b.left) * k, 1) << form->Caption() << " " << i;
                EXPECT_NEAR(a.bottom - a.top, (b.bottom - b.top) * k, 1) << form->Caption() << " " << i;
                EXPECT_NEAR(after.fonts[i], before.fonts[i] * k, 1) << form->Caption() << " " << i;
            }
        }
    }
}
