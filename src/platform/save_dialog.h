// The common save dialog, in its Unicode form.
#pragma once

#include <windows.h>

#include <string>

namespace rt {

struct SaveDialogRequest {
    HWND owner = nullptr;
    std::wstring title;
    std::wstring filterLabel;    // the one entry of the type list
    std::wstring filterPattern;  // its pattern
    std::wstring defaultName;    // offered in the file-name box
    std::wstring defaultExt;     // appended to a name typed without extension
    std::wstring initialDir;
    DWORD flags = 0;
};

struct SaveDialogAnswer {
    bool chosen = false;   // a name was chosen
    DWORD error = 0;       // the dialog's extended error when none was (0: the user cancelled)
    std::wstring path;     // the full path chosen
    int extensionPos = 0;  // position of the first extension character in path, in characters (0: none)
};

// Shows the modal save dialog with a record filled afresh from `request` and 260-character buffers.
SaveDialogAnswer ShowSaveDialog(const SaveDialogRequest& request);

}  // namespace rt
