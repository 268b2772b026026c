// Test support for driving VINTREL's real windows from a GoogleTest program running on the UI thread.
//
// Everything here that pumps messages pumps the *calling* thread's queue, so call it from the thread that
// owns the windows under test (the test's main thread). Message boxes block that thread inside
// MessageBoxW, which is why BoxWatcher answers them from a thread of its own.
//
// The parts, one file pair each by what they touch: pumping and waiting, input, message boxes and the save
// dialog, the screen, processes, and files, printouts and GDI counts.
#pragma once

#include "harness_pump.h"
#include "harness_input.h"
#include "harness_boxes.h"
#include "harness_screen.h"
#include "harness_process.h"
#include "harness_files.h"
