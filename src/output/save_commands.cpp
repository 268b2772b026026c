// "保存(&V)" and "全て保存": the pictures of frame views written as bitmap files named in the save dialog.
#include <windows.h>

#include <string>
#include <vector>

#include "core/main_window.h"
#include "core/shared_state.h"
#include "core/view_window.h"
#include "output/output_rules.h"
#include "platform/bitmap.h"
#include "platform/file_write.h"
#include "platform/runtime.h"
#include "platform/save_dialog.h"

namespace {

const wchar_t kNothingToSave[] = L"保存する画像がありません。";

// The steps both commands begin with: the busy guard, a view to save, and the bitmap save dialog, filled
// afresh for every call so that it always offers the default name. False when the command ends here; a
// failure of the dialog itself has been reported by its number.
bool ChooseFile(frmVLm1& main, const wchar_t* title, rt::SaveDialogAnswer* answer) {
    if (main.Busy_Refused(title)) return false;
    if (VL.OpenViewCount < 1) {
        rt::MsgBox(kNothingToSave, MB_OK, title);
        return false;
    }
    rt::SaveDialogRequest request;
    request.owner = main.hWnd();
    request.title = L"すべて保存";
    request.filterLabel = L"*.bmp";
    request.filterPattern = L"*.bmp";
    request.defaultName = L"無題.bmp";
    request.defaultExt = L"bmp";
    request.initialDir = L"0";
    request.flags = OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST;
    *answer = rt::ShowSaveDialog(request);
    if (!answer->chosen && answer->error != 0) rt::MsgBox(std::to_wstring(answer->error));
    return answer->chosen;
}

// Writes the view's persistent image, at the image's own size, as a 24-bit BMP file; a file that cannot
// be written is reported by its name.
bool WriteViewPicture(const frmVLs1& view, const std::wstring& path, const wchar_t* title) {
    rt::DibPixels dib;
    std::vector<uint8_t> file;
    DWORD error = 0;
    if (view.picFRM.ReadImage(&dib) && vintrel::EncodeBmp24(dib.pixels, dib.width, dib.height, &file) &&
        rt::WriteFileWhole(path, file, &error)) {
        return true;
    }
    rt::MsgBox(L"ファイルを保存できませんでした。\r" + path, MB_OK, title);
    return false;
}

}  // namespace

void frmVLm1::mfSAVE_Click() {
    rt::SaveDialogAnswer answer;
    if (!ChooseFile(*this, L"保存", &answer)) return;
    const std::wstring path = vintrel::SingleSaveName(answer.path, answer.extensionPos);
    // The dialog asked about the name it returned; a shorter name cut from it is another file.
    if (path != answer.path && rt::FileExists(path) &&
        rt::MsgBox(path + L" は既に存在します。\r上書きしますか？", MB_YESNO | MB_DEFBUTTON2, L"保存") !=
            IDYES) {
        return;
    }
    if (!Loaded()) return;
    const auto* view = dynamic_cast<const frmVLs1*>(ActiveForm());
    if (!view) {
        rt::MsgBox(kNothingToSave, MB_OK, L"保存");
        return;
    }
    WriteViewPicture(*view, path, L"保存");
}

void frmVLm1::mfALLSAVE_Click() {
    rt::SaveDialogAnswer answer;
    if (!ChooseFile(*this, L"全て保存", &answer)) return;
    const std::wstring stem = vintrel::SaveAllStem(answer.path, answer.extensionPos);
    const int32_t n = VL.OpenViewCount;
    for (int32_t i = 1; i <= n; ++i) {
        rt::DoEvents();
        // The program is ending: nothing more is saved.
        if (!Loaded()) return;
        // Held once, so that the name, the picture and the unload concern the same view.
        auto* view = dynamic_cast<frmVLs1*>(ActiveForm());
        if (!view) continue;
        // A failed write ends the command; the views not yet saved stay open and counted.
        if (!WriteViewPicture(*view, stem + view->Caption() + L".bmp", L"全て保存")) return;
        view->Unload();
    }
    // Each view uncounted itself when it unloaded; views opened during the yields stay counted.
    VL.ViewSerial = 0;
}
