#include "app/read_file_dialog.h"

#include <wx/button.h>
#include <wx/radiobox.h>
#include <wx/sizer.h>

ReadFileDialog::ReadFileDialog(wxWindow* parent)
    : wxDialog(parent, wxID_ANY, "Select Input Type", wxDefaultPosition, wxSize(250, 170), wxDEFAULT_DIALOG_STYLE,
               "dialog") {
  const wxString choices[] = {"GDS", "OASIS"};
  inputType_ = new wxRadioBox(this, wxID_ANY, "Input Type", wxDefaultPosition, wxDefaultSize, 2, choices, 1);
  // GTK's controls are larger than fixed positions allow for: sizers keep the order and labels.
  auto* buttons = new wxBoxSizer(wxHORIZONTAL);
  buttons->Add(new wxButton(this, wxID_OK, "Ok"), 0, wxALL, 5);
  buttons->Add(new wxButton(this, wxID_CANCEL, "Cancel"), 0, wxALL, 5);
  auto* top = new wxBoxSizer(wxVERTICAL);
  top->Add(inputType_, 0, wxALL | wxALIGN_CENTER_HORIZONTAL, 10);
  top->Add(buttons, 0, wxALIGN_CENTER_HORIZONTAL | wxBOTTOM, 5);
  SetSizerAndFit(top);
}

int ReadFileDialog::Selection() const { return inputType_->GetSelection(); }
