#include "app/edit_dialogs.h"

#include <wx/button.h>
#include <wx/radiobox.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include <string>

#include "app/prompts.h"
#include "canvas/edit/path_circle_text.h"

namespace {

constexpr long kEditDialogStyle = wxCAPTION | wxSYSTEM_MENU | wxCLOSE_BOX;

std::string FieldText(const wxTextCtrl* field) { return std::string(field->GetValue().utf8_str()); }

// Ok and Cancel end the dialog with their own ids.
void AddButtons(wxDialog* dialog, const wxPoint& ok, const wxPoint& cancel) {
  new wxButton(dialog, kEditDialogOk, "Ok", ok);
  new wxButton(dialog, kEditDialogCancel, "Cancel", cancel);
  dialog->Bind(wxEVT_BUTTON, [dialog](wxCommandEvent&) { dialog->EndModal(kEditDialogOk); }, kEditDialogOk);
  dialog->Bind(wxEVT_BUTTON, [dialog](wxCommandEvent&) { dialog->EndModal(kEditDialogCancel); }, kEditDialogCancel);
}

// The fixed positions leave GTK's larger controls too little room: the dialog grows to hold
// them, never below its own size.
void FitAround(wxDialog* dialog, const wxSize& size) {
  wxSize needed = size;
  for (wxWindow* child : dialog->GetChildren()) {
    const wxRect r = child->GetRect();
    needed.IncTo(wxSize(r.GetRight() + 20, r.GetBottom() + 50));
  }
  dialog->SetSize(needed);
}

bool Checked(bool ok, const std::string& message) {
  if (!ok && !message.empty()) ThePrompts().ShowMessage(message, "Wrong Input");
  return ok;
}

}  // namespace

PathDialog::PathDialog(wxWindow* parent)
    : wxDialog(parent, -1, "Create Path", wxDefaultPosition, wxSize(250, 200), kEditDialogStyle, "dialog") {
  const wxString types[] = {"Extend", "Flush"};
  pathType = new wxRadioBox(this, wxID_ANY, "Path Type", wxPoint(60, 20), wxDefaultSize, 2, types);
  new wxStaticText(this, wxID_ANY, "Half width (nm)", wxPoint(50, 80));
  halfWidth = new wxTextCtrl(this, wxID_ANY, "", wxPoint(150, 80), wxSize(60, 20));
  AddButtons(this, wxPoint(40, 120), wxPoint(130, 120));
  FitAround(this, wxSize(250, 200));
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
    : wxDialog(parent, -1, "Create Circle/Arc/Ring/ArcRing", wxDefaultPosition, wxSize(400, 170), kEditDialogStyle,
               "dialog") {
  const wxSize field(50, -1);
  new wxStaticText(this, wxID_ANY, "No of Points", wxPoint(50, 20));
  pointCount = new wxTextCtrl(this, wxID_ANY, "", wxPoint(130, 20), field);
  new wxStaticText(this, wxID_ANY, "Inner Radius(nm)", wxPoint(190, 20));
  innerRadius = new wxTextCtrl(this, wxID_ANY, "", wxPoint(300, 20), field);
  new wxStaticText(this, wxID_ANY, "Start Index", wxPoint(60, 60));
  startIndex = new wxTextCtrl(this, wxID_ANY, "", wxPoint(130, 60), field);
  new wxStaticText(this, wxID_ANY, "End Index", wxPoint(200, 60));
  endIndex = new wxTextCtrl(this, wxID_ANY, "", wxPoint(270, 60), field);
  AddButtons(this, wxPoint(100, 100), wxPoint(200, 100));
  FitAround(this, wxSize(400, 170));
}

bool CircleDialog::GetValues(CircleParameters& values) {
  const CircleFields fields{FieldText(pointCount), FieldText(innerRadius), FieldText(startIndex), FieldText(endIndex)};
  std::string message;
  return Checked(ParseCircleValues(fields, values, message), message);
}

TextDialog::TextDialog(wxWindow* parent)
    : wxDialog(parent, -1, "Create Text", wxDefaultPosition, wxSize(400, 200), kEditDialogStyle, "dialog") {
  new wxStaticText(this, wxID_ANY, "Text", wxPoint(80, 25));
  text = new wxTextCtrl(this, wxID_ANY, "", wxPoint(130, 25), wxSize(200, -1));
  new wxStaticText(this, wxID_ANY, "Loc X", wxPoint(80, 70));
  locX = new wxTextCtrl(this, wxID_ANY, "", wxPoint(130, 70), wxSize(60, -1));
  new wxStaticText(this, wxID_ANY, "Loc Y", wxPoint(200, 70));
  locY = new wxTextCtrl(this, wxID_ANY, "", wxPoint(250, 70), wxSize(60, -1));
  AddButtons(this, wxPoint(100, 120), wxPoint(200, 120));
  FitAround(this, wxSize(400, 200));
}

bool TextDialog::GetValues(TextParameters& values) {
  const TextFields fields{FieldText(text), FieldText(locX), FieldText(locY)};
  std::string message;
  return Checked(ParseTextValues(fields, values, message), message);
}
