#include "app/grid_dialog.h"

#include <wx/radiobox.h>
#include <wx/sizer.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include "app/dialog_layout.h"

GridDialog::GridDialog(wxWindow* parent, int angleType, int32_t snapGrid, double nmPerUnit)
    : wxDialog(DialogParent(parent), wxID_ANY, "Set Angle/Grid", wxDefaultPosition, wxSize(380, 200),
               wxDEFAULT_DIALOG_STYLE, "dialog") {
  const wxString angles[] = {"Horizontal", "Vertical", "45 Degree", "Arbitrary"};
  angleType_ = new wxRadioBox(this, wxID_ANY, "Angle Type", wxDefaultPosition, wxDefaultSize, 4, angles, 2);
  if (angleType >= 0 && angleType < 4) angleType_->SetSelection(angleType);
  grid_ = new wxTextCtrl(this, wxID_ANY, wxString::Format("%d", int(snapGrid)));

  auto* grid = new wxBoxSizer(wxHORIZONTAL);
  grid->Add(new wxStaticText(this, wxID_ANY, wxString::Format("Snapping grid unit (DB Unit=%.2fnm):", nmPerUnit)), 0,
            wxALIGN_CENTER_VERTICAL | wxRIGHT, 5);
  grid->Add(grid_, 1, wxALIGN_CENTER_VERTICAL);
  auto* top = new wxBoxSizer(wxVERTICAL);
  top->Add(angleType_, 0, wxALL | wxEXPAND, 10);
  top->Add(grid, 0, wxEXPAND | wxLEFT | wxRIGHT, 10);
  top->Add(OkCancelButtons(this, wxID_OK, wxID_CANCEL), 0, wxALIGN_CENTER_HORIZONTAL | wxALL, 5);
  LayOutDialog(this, top, wxSize(380, 200));
}

int GridDialog::AngleType() const { return angleType_->GetSelection(); }

std::string GridDialog::GridText() const { return std::string(grid_->GetValue().utf8_str()); }
