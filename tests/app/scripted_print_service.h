#pragma once

// Prints without the toolkit's dialogs: answers every print with a scripted outcome, or prints
// to a PostScript file through the toolkit's PostScript printer, and records the calls.
#include <wx/cmndata.h>
#include <wx/generic/printps.h>
#include <wx/print.h>

#include <string>

#include "app/print_service.h"

class ScriptedPrintService : public PrintService {
 public:
  // The outcome of a print when no file is named: Cancelled by default.
  Outcome outcome = Outcome::kCancelled;
  // When not empty, prints go to this PostScript file and report kPrinted.
  std::string postScriptFile;
  // Copies given to the settings after a successful print, to see them come back.
  int copiesPrinted = 1;
  int prints = 0;
  int pageSetups = 0;

  Outcome Print(wxWindow* parent, wxPrintout& printout, wxPrintDialogData& data) override {
    ++prints;
    if (postScriptFile.empty()) {
      if (outcome == Outcome::kPrinted) data.GetPrintData().SetNoCopies(copiesPrinted);
      return outcome;
    }
    data.GetPrintData().SetFilename(wxString::FromUTF8(postScriptFile));
    data.GetPrintData().SetPrintMode(wxPRINT_MODE_FILE);
    // Without the dialog nobody picks the pages: all of them.
    data.SetFromPage(1);
    data.SetToPage(1);
    wxPostScriptPrinter printer(&data);
    if (!printer.Print(parent, &printout, false)) return Outcome::kPrinterError;
    data = printer.GetPrintDialogData();
    data.GetPrintData().SetNoCopies(copiesPrinted);
    return Outcome::kPrinted;
  }
  void PageSetup(wxWindow*, wxPageSetupDialogData& data) override {
    ++pageSetups;
    data.GetPrintData().SetOrientation(wxLANDSCAPE);
  }
};
