#include "app/edit_dialogs.h"

#include <wx/gbsizer.h>
#include <wx/radiobox.h>
#include <wx/sizer.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include <string>

#include "app/dialog_layout.h"
#include "app/prompts.h"
#include "canvas/view/path_circle_text.h"

namespace {

constexpr long kEditDialogStyle = wxCAPTION | wxSYSTEM_MENU | wxCLOSE_BOX;

std::string FieldText(const wxTextCtrl* field) { return std::string(field->GetValue().utf8_str()); }

// Ok and Cancel end the dialog with their own ids.
wxSizer* EditButtons(wxDialog* dialog) {
  wxSizer* buttons = OkCancelButtons(dialog, kEditDialogOk, kEditDialogCancel);
  dialog->Bind(
      wxEVT_BUTTON, [dialog](wxCommandEvent&) { dialog->EndModal(kEditDialogOk); }, kEditDialogOk);
  dialog->Bind(
      wxEVT_BUTTON, [dialog](wxCommandEvent&) { dialog->EndModal(kEditDialogCancel); }, kEditDialogCancel);
  return buttons;
}

// The fields over the buttons.
wxSizer* FieldsOverButtons(wxDialog* dialog, wxSizer* fields) {
  auto* top = new wxBoxSizer(wxVERTICAL);
  top->Add(fields, 0, wxALL | wxALIGN_CENTER_HORIZONTAL, 10);
  top->Add(EditButtons(dialog), 0, wxALIGN_CENTER_HORIZONTAL | wxBOTTOM, 5);
  return top;
}

bool Checked(bool ok, const std::string& message) {
  if (!ok && !message.empty()) ThePrompts().ShowMessage(message, "Wrong Input");
  return ok;
}

}  // namespace

PathDialog::PathDialog(wxWindow* parent)
    : wxDialog(DialogParent(parent), -1, "Create Path", wxDefaultPosition, wxSize(250, 200), kEditDialogStyle,
               "dialog") {
  const wxString types[] = {"Extend", "Flush"};
  pathType = new wxRadioBox(this, wxID_ANY, "Path Type", wxDefaultPosition, wxDefaultSize, 2, types);
  halfWidth = new wxTextCtrl(this, wxID_ANY, "", wxDefaultPosition, wxSize(80, -1));
  auto* width = new wxFlexGridSizer(2, 5, 5);
  AddLabelled(width, this, "Half width (nm)", halfWidth);
  auto* fields = new wxBoxSizer(wxVERTICAL);
  fields->Add(pathType, 0, wxALIGN_CENTER_HORIZONTAL | wxBOTTOM, 10);
  fields->Add(width, 0, wxALIGN_CENTER_HORIZONTAL);
  LayOutDialog(this, FieldsOverButtons(this, fields), wxSize(250, 200));
}

void PathDialog::SetValues(const PathParameters& values) {
  pathType->SetSelection(values.pathType == 1 ? 1 : 0);
  halfWidth->SetValue(NanometreField(values.halfWidth, values.unitNm));
}

bool PathDialog::GetValues(PathParameters& values) {
  std::string message;
  return Checked(ParsePathValues(FieldText(halfWidth), pathType->GetSelection(), values, message), message);
}

CircleDialog::CircleDialog(wxWindow* parent)
    : wxDialog(DialogParent(parent), -1, "Create Circle/Arc/Ring/ArcRing", wxDefaultPosition, wxSize(400, 170),
               kEditDialogStyle, "dialog") {
  const wxSize field(80, -1);
  pointCount = new wxTextCtrl(this, wxID_ANY, "", wxDefaultPosition, field);
  innerRadius = new wxTextCtrl(this, wxID_ANY, "", wxDefaultPosition, field);
  startIndex = new wxTextCtrl(this, wxID_ANY, "", wxDefaultPosition, field);
  endIndex = new wxTextCtrl(this, wxID_ANY, "", wxDefaultPosition, field);
  auto* fields = new wxFlexGridSizer(4, 5, 10);
  AddLabelled(fields, this, "No of Points", pointCount);
  AddLabelled(fields, this, "Inner Radius(nm)", innerRadius);
  AddLabelled(fields, this, "Start Index", startIndex);
  AddLabelled(fields, this, "End Index", endIndex);
  LayOutDialog(this, FieldsOverButtons(this, fields), wxSize(400, 170));
}

bool CircleDialog::GetValues(CircleParameters& values) {
  const CircleFields fields{FieldText(pointCount), FieldText(innerRadius), FieldText(startIndex), FieldText(endIndex)};
  std::string message;
  return Checked(ParseCircleValues(fields, values, message), message);
}

TextDialog::TextDialog(wxWindow* parent)
    : wxDialog(DialogParent(parent), -1, "Create Text", wxDefaultPosition, wxSize(400, 200), kEditDialogStyle,
               "dialog") {
  text = new wxTextCtrl(this, wxID_ANY, "", wxDefaultPosition, wxSize(200, -1));
  locX = new wxTextCtrl(this, wxID_ANY, "", wxDefaultPosition, wxSize(80, -1));
  locY = new wxTextCtrl(this, wxID_ANY, "", wxDefaultPosition, wxSize(80, -1));
  // The text field spans the width of both locations.
  auto* fields = new wxGridBagSizer(5, 10);
  const int label = wxALIGN_CENTER_VERTICAL | wxALIGN_RIGHT;
  fields->Add(new wxStaticText(this, wxID_ANY, "Text"), wxGBPosition(0, 0), wxDefaultSpan, label);
  fields->Add(text, wxGBPosition(0, 1), wxGBSpan(1, 3), wxEXPAND);
  fields->Add(new wxStaticText(this, wxID_ANY, "Loc X"), wxGBPosition(1, 0), wxDefaultSpan, label);
  fields->Add(locX, wxGBPosition(1, 1));
  fields->Add(new wxStaticText(this, wxID_ANY, "Loc Y"), wxGBPosition(1, 2), wxDefaultSpan, label);
  fields->Add(locY, wxGBPosition(1, 3));
  LayOutDialog(this, FieldsOverButtons(this, fields), wxSize(400, 200));
}

bool TextDialog::GetValues(TextParameters& values) {
  const TextFields fields{FieldText(text), FieldText(locX), FieldText(locY)};
  std::string message;
  return Checked(ParseTextValues(fields, values, message), message);
}
