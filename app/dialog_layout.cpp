#include "app/dialog_layout.h"

#include <wx/app.h>
#include <wx/button.h>
#include <wx/dialog.h>
#include <wx/sizer.h>
#include <wx/stattext.h>

wxWindow* DialogParent(wxWindow* parent) { return parent ? parent : wxTheApp->GetTopWindow(); }

wxSizer* OkCancelButtons(wxDialog* dialog, int okId, int cancelId) {
  auto* buttons = new wxBoxSizer(wxHORIZONTAL);
  buttons->Add(new wxButton(dialog, okId, "Ok"), 0, wxALL, 5);
  buttons->Add(new wxButton(dialog, cancelId, "Cancel"), 0, wxALL, 5);
  return buttons;
}

void AddLabelled(wxFlexGridSizer* grid, wxDialog* dialog, const wxString& label, wxWindow* control) {
  grid->Add(new wxStaticText(dialog, wxID_ANY, label), 0, wxALIGN_CENTER_VERTICAL | wxALIGN_RIGHT);
  grid->Add(control, 0, wxALIGN_CENTER_VERTICAL | wxEXPAND);
}

void LayOutDialog(wxDialog* dialog, wxSizer* sizer, const wxSize& minimum) {
  dialog->SetSizer(sizer);
  wxSize size = dialog->GetBestSize();
  size.IncTo(minimum);
  dialog->SetSize(size);
  dialog->Layout();
  dialog->CentreOnParent();
}
