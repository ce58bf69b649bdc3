#include "app/grid_dialog.h"

#include <wx/button.h>
#include <wx/radiobox.h>
#include <wx/sizer.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

GridDialog::GridDialog(wxWindow* parent, int angleType, int32_t snapGrid, double nmPerUnit)
    : wxDialog(parent, wxID_ANY, "Set Angle/Grid", wxDefaultPosition, wxSize(380, 200), wxDEFAULT_DIALOG_STYLE,
               "dialog") {
  const wxString angles[] = {"Horizontal", "Vertical", "45 Degree", "Arbitrary"};
  angleType_ = new wxRadioBox(this, wxID_ANY, "Angle Type", wxDefaultPosition, wxDefaultSize, 4, angles, 2);
  if (angleType >= 0 && angleType < 4) angleType_->SetSelection(angleType);
  grid_ = new wxTextCtrl(this, wxID_ANY, wxString::Format("%d", int(snapGrid)));

  // GTK's controls are larger than fixed positions allow for: sizers keep the order and labels.
  auto* grid = new wxBoxSizer(wxHORIZONTAL);
  grid->Add(new wxStaticText(this, wxID_ANY, wxString::Format("Snapping grid unit (DB Unit=%.2fnm):", nmPerUnit)), 0,
            wxALIGN_CENTER_VERTICAL | wxRIGHT, 5);
  grid->Add(grid_, 1, wxALIGN_CENTER_VERTICAL);
  auto* buttons = new wxBoxSizer(wxHORIZONTAL);
  buttons->Add(new wxButton(this, wxID_OK, "Ok"), 0, wxALL, 5);
  buttons->Add(new wxButton(this, wxID_CANCEL, "Cancel"), 0, wxALL, 5);
  auto* top = new wxBoxSizer(wxVERTICAL);
  top->Add(angleType_, 0, wxALL | wxEXPAND, 10);
  top->Add(grid, 0, wxEXPAND | wxLEFT | wxRIGHT, 10);
  top->Add(buttons, 0, wxALIGN_CENTER_HORIZONTAL | wxALL, 5);
  SetSizer(top);
  // At least the dialog's own size; larger where GTK's controls need it.
  wxSize size = GetBestSize();
  size.IncTo(wxSize(380, 200));
  SetSize(size);
}

int GridDialog::AngleType() const { return angleType_->GetSelection(); }

std::string GridDialog::GridText() const { return std::string(grid_->GetValue().utf8_str()); }
