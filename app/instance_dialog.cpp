#include "app/instance_dialog.h"

#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/radiobox.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include "app/prompts.h"
#include "canvas/edit/instance_commands.h"

namespace {

constexpr long kInstanceDialogStyle = 0x20001800;

wxTextCtrl* LabelledField(wxDialog* dialog, const char* label, const wxPoint& labelAt, const wxPoint& fieldAt,
                          const char* text = "") {
  new wxStaticText(dialog, wxID_ANY, label, labelAt);
  return new wxTextCtrl(dialog, wxID_ANY, text, fieldAt, wxSize(60, 20));
}

std::string FieldText(const wxTextCtrl* field) { return std::string(field->GetValue().utf8_str()); }

}  // namespace

InstanceDialog::InstanceDialog(wxWindow* parent, const std::string& title)
    : wxDialog(parent, wxID_ANY, wxString::FromUTF8(title), wxDefaultPosition, wxSize(400, 270),
               kInstanceDialogStyle) {
  const wxString types[] = {"Single", "Array"};
  type_ = new wxRadioBox(this, wxID_ANY, "Instance Type", wxPoint(130, 10), wxDefaultSize, 2, types);
  flipX_ = new wxCheckBox(this, wxID_ANY, "Flip X Axis", wxPoint(65, 75));
  const wxString angles[] = {"0", "90", "180", "270"};
  rotate_ = new wxRadioBox(this, wxID_ANY, "Rotate", wxPoint(155, 55), wxDefaultSize, 4, angles);
  locX_ = LabelledField(this, "Loc X", wxPoint(80, 110), wxPoint(130, 110));
  locY_ = LabelledField(this, "Loc Y", wxPoint(200, 110), wxPoint(250, 110));
  columns_ = LabelledField(this, "Column", wxPoint(80, 130), wxPoint(130, 130));
  rows_ = LabelledField(this, "Row", wxPoint(200, 130), wxPoint(250, 130));
  spaceX_ = LabelledField(this, "SpaceX", wxPoint(80, 150), wxPoint(130, 150));
  spaceY_ = LabelledField(this, "SpaceY", wxPoint(200, 150), wxPoint(250, 150));
  scale_ = LabelledField(this, "Scale", wxPoint(80, 170), wxPoint(130, 170), "1.0");
  new wxButton(this, wxID_OK, "Ok", wxPoint(100, 200));
  new wxButton(this, wxID_CANCEL, "Cancel", wxPoint(200, 200));
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
