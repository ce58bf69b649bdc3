#pragma once

#include <wx/dialog.h>

#include "app/core/extract_choice.h"

class wxCheckBox;
class wxCommandEvent;
class wxRadioBox;
class wxTextCtrl;

// Collects an extraction: the output type, the file name (typed or chosen with Browse) and the
// options. Constructing it shows nothing; the caller runs ShowModal and reads Request.
class ExtractDialog : public wxDialog {
 public:
  // The id of the Browse button.
  static constexpr int kBrowseId = 130;

  explicit ExtractDialog(wxWindow* parent);
  ExtractRequest Request() const;
  // Asks for the file to save to with the selected type's wildcard; a name chosen without an
  // extension gets the type's, and the full path goes into the file name field.
  void OnBrowse(wxCommandEvent& event);

 private:
  wxRadioBox* outputType_;
  wxTextCtrl* fileName_;
  wxCheckBox* layersVisible_;
  wxCheckBox* areaLastZoomed_;
  wxCheckBox* flatten_;
};
