// Prints what many frame views cost: open-all of 1000 small frames against one view opened on its own,
// close-all of them against open-all, and the exit command with thousands of views open.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <utility>

#include "bench_views.h"

namespace {

const int kViews = 1000;
const int kExitViews = 3000;

bool Allocate(int16_t frames) {
    VL.PicWidth = 16;
    VL.PicHeight = 16;
    VL.Framemax = frames;
    if (!Frame_Free() || !Frame_Alloc()) return false;
    VL.RecordedCount = frames;
    return true;
}

}  // namespace

int main() {
    frmVLm1 main;
    main.Show();
    rt::DoEvents();
    if (!Allocate(kExitViews)) {
        std::printf("frame store could not be allocated\n");
        return 1;
    }
    std::printf("VINTREL views benchmark: frames of %dx%d\n", VL.PicWidth, VL.PicHeight);
    const double f = OneViewOpenedMs(main, 20);
    // The better of two turns, like (f), so that a busy machine disturbs the figures less.
    double open = 1e12, close = 1e12;
    int opened = 0;
    for (int turn = 0; turn < 2; ++turn) {
        open = std::min(open, OpenAllMs(main, kViews));
        opened = VL.OpenViewCount;
        const double t0 = Now();
        main.mwDELETE_Click();
        rt::DoEvents();
        close = std::min(close, Now() - t0);
    }
    std::printf("%-52s %10.2f\n", "(f) one view opened, ms", f);
    std::printf("%-52s %10.0f  (%d views)\n", "open-all of 1000 views, ms", open, opened);
    std::printf("%-52s %10.2f\n", "open-all per view / (f)  (goal <= 1.5)", open / opened / f);
    std::printf("%-52s %10.0f\n", "close-all of 1000 views, ms", close);
    std::printf("%-52s %10.2f\n", "close-all / open-all  (goal <= 1)", close / open);
    const double openMany = OpenAllMs(main, kExitViews);
    const int many = VL.OpenViewCount;
    for (const auto& [name, arrange] : {std::pair{"tile", &frmVLm1::mwHorizontal_Click},
                                        {"cascade", &frmVLm1::mwCascade_Click}}) {
        const double t0 = Now();
        (main.*arrange)();
        rt::DoEvents();
        std::printf("%-52s %10.0f\n", (std::string(name) + " of 3000 views, ms").c_str(), Now() - t0);
    }
    const double t1 = Now();
    main.mfEXIT_Click();
    const double exitMs = Now() - t1;
    std::printf("%-52s %10.0f  (%d views)\n", "open-all of 3000 views, ms", openMany, many);
    std::printf("%-52s %10.0f\n", "exit with 3000 views open, ms  (goal <= 5000)", exitMs);
    return 0;
}
