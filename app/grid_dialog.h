#pragma once

#include <wx/dialog.h>

#include <cstdint>
#include <string>

class wxRadioBox;
class wxTextCtrl;

// Sets the drawing angle mode and the snapping grid. Constructing it shows nothing; the caller
// runs ShowModal and reads the values, and checks the grid text (ParseGrid).
class GridDialog : public wxDialog {
 public:
  // angleType 0 Horizontal, 1 Vertical, 2 45 Degree, 3 Arbitrary; the grid in database units;
  // nmPerUnit names the unit in the label.
  GridDialog(wxWindow* parent, int angleType, int32_t snapGrid, double nmPerUnit);
  int AngleType() const;
  std::string GridText() const;

 private:
  wxRadioBox* angleType_;
  wxTextCtrl* grid_;
};
