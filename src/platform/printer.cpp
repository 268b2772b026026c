#include "platform/printer.h"

#include <commdlg.h>

namespace rt {

DefaultPrinter::~DefaultPrinter() {
    if (docOpen_) AbortDoc(dc_);
    if (dc_) DeleteDC(dc_);
    if (devMode_) GlobalFree(devMode_);
    if (devNames_) GlobalFree(devNames_);
}

bool DefaultPrinter::Open(DWORD* error) {
    PRINTDLGW pd = {};
    pd.lStructSize = sizeof(pd);
    pd.Flags = PD_RETURNDEFAULT | PD_RETURNDC;
    const BOOL ok = PrintDlgW(&pd);
    devMode_ = pd.hDevMode;
    devNames_ = pd.hDevNames;
    dc_ = pd.hDC;
    if (ok && dc_) return true;
    *error = ok ? PDERR_CREATEICFAILURE : CommDlgExtendedError();
    return false;
}

bool DefaultPrinter::StartDoc(const std::wstring& name) {
    DOCINFOW doc = {};
    doc.cbSize = sizeof(doc);
    doc.lpszDocName = name.c_str();
    docOpen_ = ::StartDocW(dc_, &doc) > 0;
    return docOpen_;
}

bool DefaultPrinter::StartPage() {
    return ::StartPage(dc_) > 0;
}

bool DefaultPrinter::EndPage() {
    return ::EndPage(dc_) > 0;
}

bool DefaultPrinter::EndDoc() {
    if (::EndDoc(dc_) <= 0) return false;
    docOpen_ = false;
    return true;
}

}  // namespace rt
