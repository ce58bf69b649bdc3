#pragma once

#include <wx/dialog.h>

#include <string>

#include "canvas/view/canvas_prompts.h"

class wxCheckBox;
class wxRadioBox;
class wxTextCtrl;

// The modal dialog that edits one placement: type, flip, rotation, location, array counts and
// pitches, scale, with "Ok" (wxID_OK) and "Cancel" (wxID_CANCEL), centred on its parent (the
// main frame when given none). The mapping between the fields and the placement is
// InstanceFieldsOf / ReadInstanceFields.
class InstanceDialog : public wxDialog {
 public:
  InstanceDialog(wxWindow* parent, const std::string& title);
  // Fills the controls from the placement of values, lengths in nanometres.
  void SetValues(const InstanceParameters& values);
  // Checks the controls and writes the placement of values; false after a "Wrong Input" message
  // through the prompts,
  // with values unchanged.
  bool GetValues(InstanceParameters& values);

 private:
  wxRadioBox* type_;
  wxCheckBox* flipX_;
  wxRadioBox* rotate_;
  wxTextCtrl* locX_;
  wxTextCtrl* locY_;
  wxTextCtrl* columns_;
  wxTextCtrl* rows_;
  wxTextCtrl* spaceX_;
  wxTextCtrl* spaceY_;
  wxTextCtrl* scale_;
};
