#include "app/read_file_dialog.h"

#include <wx/radiobox.h>
#include <wx/sizer.h>

#include "app/dialog_layout.h"

ReadFileDialog::ReadFileDialog(wxWindow* parent)
    : wxDialog(DialogParent(parent), wxID_ANY, "Select Input Type", wxDefaultPosition, wxSize(250, 170),
               wxDEFAULT_DIALOG_STYLE, "dialog") {
  const wxString choices[] = {"GDS", "OASIS"};
  inputType_ = new wxRadioBox(this, wxID_ANY, "Input Type", wxDefaultPosition, wxDefaultSize, 2, choices, 1);
  auto* top = new wxBoxSizer(wxVERTICAL);
  top->Add(inputType_, 0, wxALL | wxALIGN_CENTER_HORIZONTAL, 10);
  top->Add(OkCancelButtons(this, wxID_OK, wxID_CANCEL), 0, wxALIGN_CENTER_HORIZONTAL | wxBOTTOM, 5);
  LayOutDialog(this, top, wxSize(250, 170));
}

int ReadFileDialog::Selection() const { return inputType_->GetSelection(); }
