// Entry point: the main window and the message loop; the process ends when its last form is gone.
#include <windows.h>

#include <commctrl.h>

#include "core/main_window.h"
#include "platform/help.h"
#include "platform/runtime.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    INITCOMMONCONTROLSEX icc = {sizeof(icc), ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES};
    InitCommonControlsEx(&icc);
    rt::SetQuitWhenNoForms(true);
    frmVLm1 main;
    rt::RunHandler([&] { main.Show(); });
    if (rt::Form::LoadedCount() == 0) return 0;
    const int code = rt::RunMessageLoop(&main);
    // Help asked for after the main window's shutdown (F1 in an About box left open) closes now.
    rt::CloseHelp();
    return code;
}
