#include "app/print_service.h"

#include <wx/printdlg.h>
#include <wx/prntbase.h>

namespace {

class ToolkitPrintService : public PrintService {
 public:
  Outcome Print(wxWindow* parent, wxPrintout& printout, wxPrintDialogData& data) override {
    wxPrinter printer(&data);
    if (printer.Print(parent, &printout, true)) {
      data = printer.GetPrintDialogData();
      return Outcome::kPrinted;
    }
    return wxPrinter::GetLastError() == wxPRINTER_ERROR ? Outcome::kPrinterError : Outcome::kCancelled;
  }
  void PageSetup(wxWindow* parent, wxPageSetupDialogData& data) override {
    wxPageSetupDialog dialog(parent, &data);
    dialog.ShowModal();
    data = dialog.GetPageSetupDialogData();
  }
};

std::unique_ptr<PrintService>& Current() {
  static std::unique_ptr<PrintService> service = std::make_unique<ToolkitPrintService>();
  return service;
}

}  // namespace

PrintService& ThePrintService() { return *Current(); }

void SetPrintService(std::unique_ptr<PrintService> service) {
  Current() = service ? std::move(service) : std::make_unique<ToolkitPrintService>();
}
