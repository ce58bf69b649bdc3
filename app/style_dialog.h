#pragma once

#include <wx/dialog.h>

class wxListCtrl;

// Picks one of the nine fill patterns; the images are in fill-code order.
class StyleDialog : public wxDialog {
 public:
  // The image of fill code current starts selected.
  StyleDialog(wxWindow* parent, int current);
  // The first selected image, or -1 for none.
  int Selection() const;

 private:
  wxListCtrl* patterns_;
};
