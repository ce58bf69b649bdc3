#include "app/prompts.h"

#include <wx/choicdlg.h>
#include <wx/colordlg.h>
#include <wx/dirdlg.h>
#include <wx/filedlg.h>
#include <wx/msgdlg.h>
#include <wx/textdlg.h>

#include "app/read_file_dialog.h"
#include "app/style_dialog.h"

namespace {

class DialogPrompts : public Prompts {
 public:
  wxString ChooseDirectory(wxWindow* parent, const wxString& message, const wxString& start) override {
    wxDirDialog dialog(parent, message, start, wxDD_DEFAULT_STYLE | wxDD_NEW_DIR_BUTTON);
    return dialog.ShowModal() == wxID_OK ? dialog.GetPath() : wxString();
  }
  wxString ChooseFileToOpen(wxWindow* parent, const wxString& title, const wxString& wildcard) override {
    wxFileDialog dialog(parent, title, "", "", wildcard, wxFD_OPEN | wxFD_FILE_MUST_EXIST);
    return dialog.ShowModal() == wxID_OK ? dialog.GetPath() : wxString();
  }
  wxString GetText(const wxString& message, const wxString& caption, const wxString& defaultValue) override {
    return wxGetTextFromUser(message, caption, defaultValue, nullptr);
  }
  int MessageBox(wxWindow* parent, const wxString& text, const wxString& caption, long style) override {
    return wxMessageBox(text, caption, style, parent);
  }
  int ChooseInputType(wxWindow* parent) override {
    ReadFileDialog dialog(parent);
    return dialog.ShowModal() == wxID_OK ? dialog.Selection() : -1;
  }
  int ChooseItem(wxWindow* parent, const wxString& message, const wxString& caption,
                 const wxArrayString& items) override {
    wxSingleChoiceDialog dialog(parent, message, caption, items);
    return dialog.ShowModal() == wxID_OK ? dialog.GetSelection() : -1;
  }
  int ChooseStyle(wxWindow* parent, int current) override {
    StyleDialog dialog(parent, current);
    if (dialog.ShowModal() != wxID_OK) return -1;
    return dialog.Selection() < 0 ? 0 : dialog.Selection();
  }
  bool ChooseColour(wxWindow* parent, wxColour& colour) override {
    const wxColour chosen = wxGetColourFromUser(parent, colour);
    if (!chosen.IsOk()) return false;
    colour = chosen;
    return true;
  }
};

std::unique_ptr<Prompts>& Current() {
  static std::unique_ptr<Prompts> prompts = std::make_unique<DialogPrompts>();
  return prompts;
}

}  // namespace

Prompts& ThePrompts() { return *Current(); }

void SetPrompts(std::unique_ptr<Prompts> prompts) {
  Current() = prompts ? std::move(prompts) : std::make_unique<DialogPrompts>();
}
