#include "platform/save_dialog.h"

#include <commdlg.h>

#include <vector>

namespace rt {

SaveDialogAnswer ShowSaveDialog(const SaveDialogRequest& request) {
    constexpr DWORD kBufferChars = 260;
    std::vector<wchar_t> file(kBufferChars + 1, L'\0');
    request.defaultName.copy(file.data(), kBufferChars - 1);
    std::vector<wchar_t> fileTitle(kBufferChars + 1, L'\0');
    // A type list is label, NUL, pattern, NUL, and a closing NUL.
    std::wstring filter = request.filterLabel;
    filter.push_back(L'\0');
    filter += request.filterPattern;
    filter.push_back(L'\0');

    OPENFILENAMEW ofn = {};
    ofn.lStructSize = sizeof(ofn);
    ofn.hwndOwner = request.owner;
    ofn.lpstrFilter = filter.c_str();
    ofn.lpstrFile = file.data();
    ofn.nMaxFile = kBufferChars;
    ofn.lpstrFileTitle = fileTitle.data();
    ofn.nMaxFileTitle = kBufferChars;
    ofn.lpstrInitialDir = request.initialDir.empty() ? nullptr : request.initialDir.c_str();
    ofn.lpstrTitle = request.title.c_str();
    ofn.Flags = request.flags;
    ofn.lpstrDefExt = request.defaultExt.empty() ? nullptr : request.defaultExt.c_str();

    SaveDialogAnswer answer;
    if (!GetSaveFileNameW(&ofn)) {
        answer.error = CommDlgExtendedError();
        return answer;
    }
    answer.chosen = true;
    answer.path.assign(file.data());
    answer.extensionPos = ofn.nFileExtension;
    return answer;
}

}  // namespace rt
