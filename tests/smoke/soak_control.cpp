// The soak's control: a bare window that asks the system for what a soak cycle asks of it through the
// program (the save dialog and the help viewer), each when the soak posts the menu command's id, so that
// what the system keeps of it can be told from what the program keeps. Printing is left out: the
// program's handles show nothing that a printed page leaves.
#include <windows.h>

#include <commdlg.h>

#include <string>

#include "resource.h"

namespace {

std::wstring g_helpFile;

void Save(HWND owner) {
    wchar_t file[MAX_PATH] = L"無題.bmp";
    OPENFILENAMEW ofn = {};
    ofn.lStructSize = sizeof(ofn);
    ofn.hwndOwner = owner;
    ofn.lpstrFilter = L"*.bmp\0*.bmp\0";
    ofn.lpstrFile = file;
    ofn.nMaxFile = MAX_PATH;
    ofn.lpstrInitialDir = L"0";
    ofn.lpstrTitle = L"すべて保存";
    ofn.Flags = OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST;
    ofn.lpstrDefExt = L"bmp";
    GetSaveFileNameW(&ofn);
}

LRESULT CALLBACK Control(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_DESTROY) PostQuitMessage(0);
    if (msg != WM_COMMAND) return DefWindowProcW(hwnd, msg, wp, lp);
    switch (LOWORD(wp)) {
        case IDM_mfSAVE:
            Save(hwnd);
            break;
        case IDM_mhHLP:
            WinHelpW(hwnd, g_helpFile.c_str(), HELP_CONTENTS, 0);
            break;
        case IDM_mfEXIT:
            WinHelpW(hwnd, g_helpFile.c_str(), HELP_QUIT, 0);
            DestroyWindow(hwnd);
            break;
        default:
            break;
    }
    return 0;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    g_helpFile = path;
    g_helpFile.replace(g_helpFile.find_last_of(L'\\') + 1, std::wstring::npos, L"vintrel.hlp");
    WNDCLASSW wc = {};
    wc.lpfnWndProc = Control;
    wc.hInstance = instance;
    wc.lpszClassName = L"VintrelSoakControl";
    RegisterClassW(&wc);
    CreateWindowW(wc.lpszClassName, L"VINTREL soak control", WS_OVERLAPPEDWINDOW, 0, 0, 320, 200, nullptr,
                  nullptr, instance, nullptr);
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchMessageW(&msg);
    return 0;
}
