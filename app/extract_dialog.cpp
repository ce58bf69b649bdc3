#include "app/extract_dialog.h"

#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/radiobox.h>
#include <wx/sizer.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include "app/dialog_layout.h"
#include "app/prompts.h"

namespace {

const char* BrowseWildcard(int type) {
  switch (type) {
    case 0: return "OASIS Files(*.oas)|*.oas|All files(*.*)|*.*";
    case 2: return "Poly Files(*.poly)|*.poly|All files(*.*)|*.*";
    default: return "GDS Files(*.gds)|*.gds|GDS gzip(*.gds.gz)|*.gds.gz|All files(*.*)|*.*";
  }
}

}  // namespace

ExtractDialog::ExtractDialog(wxWindow* parent)
    : wxDialog(DialogParent(parent), wxID_ANY, "Extract Library", wxDefaultPosition, wxSize(380, 250),
               wxDEFAULT_DIALOG_STYLE, "dialog") {
  const wxString types[] = {"OASIS", "GDS", "TEXT"};
  outputType_ = new wxRadioBox(this, wxID_ANY, "Output Type", wxDefaultPosition, wxDefaultSize, 3, types, 1);
  fileName_ = new wxTextCtrl(this, wxID_ANY, "", wxDefaultPosition, wxSize(220, -1));
  layersVisible_ = new wxCheckBox(this, wxID_ANY, "Layers visible");
  areaLastZoomed_ = new wxCheckBox(this, wxID_ANY, "Area last zoomed");
  flatten_ = new wxCheckBox(this, wxID_ANY, "Flatten");
  Bind(wxEVT_BUTTON, &ExtractDialog::OnBrowse, this, kBrowseId);

  auto* file = new wxBoxSizer(wxHORIZONTAL);
  file->Add(new wxStaticText(this, wxID_ANY, "File Name"), 0, wxALIGN_CENTER_VERTICAL | wxRIGHT, 5);
  file->Add(fileName_, 1, wxALIGN_CENTER_VERTICAL | wxRIGHT, 5);
  file->Add(new wxButton(this, kBrowseId, "Browse"), 0, wxALIGN_CENTER_VERTICAL);
  auto* options = new wxBoxSizer(wxVERTICAL);
  for (wxCheckBox* box : {layersVisible_, areaLastZoomed_, flatten_}) options->Add(box, 0, wxBOTTOM, 3);
  auto* upper = new wxBoxSizer(wxHORIZONTAL);
  upper->Add(outputType_, 0, wxRIGHT, 15);
  upper->Add(options, 0, wxALIGN_CENTER_VERTICAL);
  auto* top = new wxBoxSizer(wxVERTICAL);
  top->Add(upper, 0, wxALL, 10);
  top->Add(file, 0, wxEXPAND | wxLEFT | wxRIGHT, 10);
  top->Add(OkCancelButtons(this, wxID_OK, wxID_CANCEL), 0, wxALIGN_CENTER_HORIZONTAL | wxALL, 5);
  LayOutDialog(this, top, wxSize(380, 250));
}

ExtractRequest ExtractDialog::Request() const {
  ExtractRequest request;
  request.type = outputType_->GetSelection();
  request.fileName = std::string(fileName_->GetValue().utf8_str());
  request.layersVisible = layersVisible_->GetValue();
  request.areaLastZoomed = areaLastZoomed_->GetValue();
  request.flatten = flatten_->GetValue();
  return request;
}

void ExtractDialog::OnBrowse(wxCommandEvent&) {
  const int type = outputType_->GetSelection();
  const std::string chosen = ThePrompts().AskFileToSave("Save to file", BrowseWildcard(type), "");
  if (chosen.empty()) return;
  fileName_->SetValue(wxString::FromUTF8(CompleteExtractPath(chosen, type)));
}
