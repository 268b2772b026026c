// What opening one frame view costs, for the benchmarks that open many.
#pragma once

#include <algorithm>

#include "bench_clock.h"
#include "core/frame_store.h"
#include "core/main_window.h"
#include "core/shared_state.h"
#include "core/view_window.h"
#include "platform/runtime.h"

// Mean milliseconds of one View_Open of frame 1, its painting included (the yield after it), over `rounds`
// views opened one after another with none closed in between, as the first views of a batch are; the best
// of five such runs, so that a busy machine disturbs the figure less. Closing the views is not counted.
inline double OneViewOpenedMs(frmVLm1& main, int rounds) {
    double best = 1e9;
    for (int turn = 0; turn < 5; ++turn) {
        double total = 0;
        for (int i = 0; i < rounds; ++i) {
            int32_t frame = 1;
            const double t0 = Now();
            View_Open(frame);
            rt::DoEvents();
            total += Now() - t0;
        }
        main.mwDELETE_Click();
        rt::DoEvents();
        best = std::min(best, total / rounds);
    }
    return best;
}

// Milliseconds of 全て選択 of the first `frames` recorded frames, the painting of its last views included;
// the views are left open.
inline double OpenAllMs(frmVLm1& main, int32_t frames) {
    VL.RecordedCount = frames;
    const double t0 = Now();
    main.meALL_Click();
    rt::DoEvents();
    return Now() - t0;
}
