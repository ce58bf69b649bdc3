#pragma once

#include <memory>

class wxPageSetupDialogData;
class wxPrintDialogData;
class wxPrintout;
class wxWindow;

// The toolkit's printing as the print and page-setup commands use it, behind an interface so
// that tests print to a file or fail on purpose and never open a print dialog.
class PrintService {
 public:
  enum class Outcome { kPrinted, kCancelled, kPrinterError };

  virtual ~PrintService() = default;
  // Prints printout after the print dialog on data; after kPrinted, data holds the settings
  // the printer used.
  virtual Outcome Print(wxWindow* parent, wxPrintout& printout, wxPrintDialogData& data) = 0;
  // The page-setup dialog on data, which then holds the dialog's settings.
  virtual void PageSetup(wxWindow* parent, wxPageSetupDialogData& data) = 0;
};

// The service in use: the toolkit's dialogs and printer unless SetPrintService replaced them.
PrintService& ThePrintService();
// Null restores the toolkit's.
void SetPrintService(std::unique_ptr<PrintService> service);
