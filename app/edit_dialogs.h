#pragma once

#include <wx/dialog.h>

#include "canvas/view/canvas_prompts.h"

class wxRadioBox;
class wxTextCtrl;

// The small modal dialogs of Create Path, Create Circle/Arc and Insert Text, centred on their
// parent (the main frame when given none), with "Ok" (id kEditDialogOk) and "Cancel" (id
// kEditDialogCancel) ending ShowModal with their ids. SetValues fills the controls;
// GetValues checks them (the rules are ParsePathValues, ParseCircleValues and ParseTextValues),
// shows the "Wrong Input" box through the prompts and gives false, or stores the values and
// gives true.
constexpr int kEditDialogOk = 5100;
constexpr int kEditDialogCancel = 5101;

class PathDialog : public wxDialog {
 public:
  explicit PathDialog(wxWindow* parent);
  // The type selected and the half width shown in nanometres of values.unitNm.
  void SetValues(const PathParameters& values);
  bool GetValues(PathParameters& values);

  wxRadioBox* pathType;
  wxTextCtrl* halfWidth;
};

class CircleDialog : public wxDialog {
 public:
  explicit CircleDialog(wxWindow* parent);
  bool GetValues(CircleParameters& values);

  wxTextCtrl* pointCount;
  wxTextCtrl* innerRadius;
  wxTextCtrl* startIndex;
  wxTextCtrl* endIndex;
};

class TextDialog : public wxDialog {
 public:
  explicit TextDialog(wxWindow* parent);
  bool GetValues(TextParameters& values);

  wxTextCtrl* text;
  wxTextCtrl* locX;
  wxTextCtrl* locY;
};
