#pragma once

#include <wx/dialog.h>

class wxRadioBox;

// Asks whether the layout file to read is GDSII or OASIS.
class ReadFileDialog : public wxDialog {
 public:
  explicit ReadFileDialog(wxWindow* parent);
  // 0 GDS, 1 OASIS.
  int Selection() const;

 private:
  wxRadioBox* inputType_;
};
