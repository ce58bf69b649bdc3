#include "app/instance_dialog.h"

#include <wx/checkbox.h>
#include <wx/radiobox.h>
#include <wx/sizer.h>
#include <wx/textctrl.h>

#include "app/dialog_layout.h"
#include "app/prompts.h"
#include "canvas/view/instance_commands.h"

namespace {

constexpr long kInstanceDialogStyle = 0x20001800;

std::string FieldText(const wxTextCtrl* field) { return std::string(field->GetValue().utf8_str()); }

}  // namespace

InstanceDialog::InstanceDialog(wxWindow* parent, const std::string& title)
    : wxDialog(DialogParent(parent), wxID_ANY, wxString::FromUTF8(title), wxDefaultPosition, wxSize(400, 270),
               kInstanceDialogStyle) {
  const wxString types[] = {"Single", "Array"};
  type_ = new wxRadioBox(this, wxID_ANY, "Instance Type", wxDefaultPosition, wxDefaultSize, 2, types);
  flipX_ = new wxCheckBox(this, wxID_ANY, "Flip X Axis");
  const wxString angles[] = {"0", "90", "180", "270"};
  rotate_ = new wxRadioBox(this, wxID_ANY, "Rotate", wxDefaultPosition, wxDefaultSize, 4, angles);
  auto* orientation = new wxBoxSizer(wxHORIZONTAL);
  orientation->Add(flipX_, 0, wxALIGN_CENTER_VERTICAL | wxRIGHT, 15);
  orientation->Add(rotate_, 0, wxALIGN_CENTER_VERTICAL);

  auto* fields = new wxFlexGridSizer(4, 5, 10);
  const wxSize field(80, -1);
  const struct {
    wxTextCtrl** control;
    const char* label;
    const char* text;
  } rows[] = {{&locX_, "Loc X", ""},    {&locY_, "Loc Y", ""},    {&columns_, "Column", ""}, {&rows_, "Row", ""},
              {&spaceX_, "SpaceX", ""}, {&spaceY_, "SpaceY", ""}, {&scale_, "Scale", "1.0"}};
  for (const auto& row : rows) {
    *row.control = new wxTextCtrl(this, wxID_ANY, row.text, wxDefaultPosition, field);
    AddLabelled(fields, this, row.label, *row.control);
  }

  auto* top = new wxBoxSizer(wxVERTICAL);
  top->Add(type_, 0, wxALIGN_CENTER_HORIZONTAL | wxALL, 10);
  top->Add(orientation, 0, wxALIGN_CENTER_HORIZONTAL | wxLEFT | wxRIGHT, 10);
  top->Add(fields, 0, wxALIGN_CENTER_HORIZONTAL | wxALL, 10);
  top->Add(OkCancelButtons(this, wxID_OK, wxID_CANCEL), 0, wxALIGN_CENTER_HORIZONTAL | wxBOTTOM, 5);
  LayOutDialog(this, top, wxSize(400, 270));
}

void InstanceDialog::SetValues(const InstanceParameters& values) {
  const InstanceFields fields = InstanceFieldsOf(values.placement, values.unitNm);
  rotate_->SetSelection(fields.rotation);
  flipX_->SetValue(fields.flipX);
  locX_->SetValue(wxString::FromUTF8(fields.locX));
  locY_->SetValue(wxString::FromUTF8(fields.locY));
  scale_->SetValue(wxString::FromUTF8(fields.scale));
  if (!fields.array) return;
  type_->SetSelection(1);
  columns_->SetValue(wxString::FromUTF8(fields.columns));
  rows_->SetValue(wxString::FromUTF8(fields.rows));
  spaceX_->SetValue(wxString::FromUTF8(fields.spaceX));
  spaceY_->SetValue(wxString::FromUTF8(fields.spaceY));
}

bool InstanceDialog::GetValues(InstanceParameters& values) {
  InstanceFields fields;
  fields.array = type_->GetSelection() == 1;
  fields.flipX = flipX_->GetValue();
  fields.rotation = rotate_->GetSelection();
  fields.locX = FieldText(locX_);
  fields.locY = FieldText(locY_);
  fields.columns = FieldText(columns_);
  fields.rows = FieldText(rows_);
  fields.spaceX = FieldText(spaceX_);
  fields.spaceY = FieldText(spaceY_);
  fields.scale = FieldText(scale_);
  const std::string message = ReadInstanceFields(fields, values.unitNm, values.placement);
  if (message.empty()) return true;
  ThePrompts().ShowMessage(message, "Wrong Input");
  return false;
}
