// "印刷": the picture of the active frame view on the default printer, one page, at the size the screen
// shows it.
#include <windows.h>

#include <commdlg.h>

#include "core/main_window.h"
#include "core/shared_state.h"
#include "core/view_window.h"
#include "output/output_rules.h"
#include "platform/bitmap.h"
#include "platform/printer.h"
#include "platform/runtime.h"

namespace {

const wchar_t kTitle[] = L"印刷";

// Prints one page with the picture at the origin of the printable area, at the size it has on a screen of
// `screenDpi`; false on any failure, in which case no job is left behind.
bool PrintPicture(const rt::DibPixels& dib, int screenDpi, DWORD* dialogError) {
    rt::DefaultPrinter printer;
    if (!printer.Open(dialogError)) return false;
    const int width = vintrel::PrintExtent(dib.width, GetDeviceCaps(printer.hDC(), LOGPIXELSX), screenDpi);
    const int height = vintrel::PrintExtent(dib.height, GetDeviceCaps(printer.hDC(), LOGPIXELSY), screenDpi);
    return printer.StartDoc(L"VINTREL") && printer.StartPage() &&
           rt::DrawDibPixels(printer.hDC(), 0, 0, width, height, dib) && printer.EndPage() &&
           printer.EndDoc();
}

}  // namespace

void frmVLm1::mfPRINT_Click() {
    if (Busy_Refused(kTitle)) return;
    const auto* view = VL.OpenViewCount < 1 ? nullptr : dynamic_cast<const frmVLs1*>(ActiveForm());
    if (!view) {
        rt::MsgBox(L"印刷する画像がありません。", MB_OK, kTitle);
        return;
    }
    rt::DibPixels dib;
    DWORD dialogError = 0;
    if (view->picFRM.ReadImage(&dib) && PrintPicture(dib, view->Dpi(), &dialogError)) return;
    rt::MsgBox(
        dialogError == PDERR_NODEFAULTPRN ? L"既定のプリンターがありません。" : L"印刷できませんでした。",
        MB_OK, kTitle);
}
