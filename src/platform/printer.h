// The default printer, for one print job at a time. Everything it obtained is released when it goes;
// a document started and not ended is aborted then, so that no job is left behind.
#pragma once

#include <windows.h>

#include <string>

namespace rt {

class DefaultPrinter {
  public:
    DefaultPrinter() = default;
    ~DefaultPrinter();
    DefaultPrinter(const DefaultPrinter&) = delete;
    DefaultPrinter& operator=(const DefaultPrinter&) = delete;

    // Obtains the default printer's device context without showing a dialog; false with the dialog's
    // extended error (PDERR_NODEFAULTPRN when there is no printer) otherwise.
    bool Open(DWORD* error);
    HDC hDC() const { return dc_; }

    bool StartDoc(const std::wstring& name);
    bool StartPage();
    bool EndPage();
    // Ends the document: the job goes to the printer.
    bool EndDoc();

  private:
    HDC dc_ = nullptr;
    HGLOBAL devMode_ = nullptr;
    HGLOBAL devNames_ = nullptr;
    bool docOpen_ = false;
};

}  // namespace rt
