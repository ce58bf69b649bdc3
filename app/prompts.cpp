#include "app/prompts.h"

#include <wx/choicdlg.h>
#include <wx/colordlg.h>
#include <wx/dirdlg.h>
#include <wx/filedlg.h>
#include <wx/msgdlg.h>
#include <wx/numdlg.h>
#include <wx/textdlg.h>

#include "app/dialog_layout.h"
#include "app/edit_dialogs.h"
#include "app/extract_dialog.h"
#include "app/grid_dialog.h"
#include "app/instance_dialog.h"
#include "app/read_file_dialog.h"
#include "app/style_dialog.h"

namespace {

wxString FromUtf8(const std::string& text) { return wxString::FromUTF8(text.c_str()); }
std::string ToUtf8(const wxString& text) { return std::string(text.utf8_str()); }

class DialogPrompts : public Prompts {
 public:
  std::string AskText(const std::string& message, const std::string& caption,
                      const std::string& defaultValue) override {
    return ToUtf8(GetText(FromUtf8(message), FromUtf8(caption), FromUtf8(defaultValue)));
  }
  std::optional<long> AskNumber(const std::string& message, const std::string& caption, long value, long minimum,
                                long maximum) override {
    const long answer =
        wxGetNumberFromUser(FromUtf8(message), "", FromUtf8(caption), value, minimum, maximum, DialogParent(nullptr));
    if (answer == -1 && !(minimum <= -1 && -1 <= maximum)) return std::nullopt;
    return answer;
  }
  int AskChoice(const std::string& message, const std::string& caption,
                const std::vector<std::string>& items) override {
    wxArrayString choices;
    for (const std::string& item : items) choices.Add(FromUtf8(item));
    return ChooseItem(nullptr, FromUtf8(message), FromUtf8(caption), choices);
  }
  void ShowMessage(const std::string& text, const std::string& caption) override {
    MessageBox(nullptr, FromUtf8(text), FromUtf8(caption), wxOK | wxCENTRE);
  }
  bool Confirm(const std::string& text, const std::string& caption) override {
    return MessageBox(nullptr, FromUtf8(text), FromUtf8(caption), wxYES_NO | wxICON_QUESTION) == wxYES;
  }
  std::string AskFileToOpen(const std::string& title, const std::string& wildcard) override {
    return ToUtf8(ChooseFileToOpen(nullptr, FromUtf8(title), FromUtf8(wildcard)));
  }
  std::string AskFileToSave(const std::string& title, const std::string& wildcard,
                            const std::string& defaultName) override {
    wxFileDialog dialog(DialogParent(nullptr), FromUtf8(title), "", FromUtf8(defaultName), FromUtf8(wildcard),
                        wxFD_SAVE | wxFD_OVERWRITE_PROMPT);
    return dialog.ShowModal() == wxID_OK ? ToUtf8(dialog.GetPath()) : std::string();
  }

  wxString ChooseDirectory(wxWindow* parent, const wxString& message, const wxString& start) override {
    wxDirDialog dialog(DialogParent(parent), message, start, wxDD_DEFAULT_STYLE | wxDD_NEW_DIR_BUTTON);
    return dialog.ShowModal() == wxID_OK ? dialog.GetPath() : wxString();
  }
  wxString ChooseFileToOpen(wxWindow* parent, const wxString& title, const wxString& wildcard) override {
    wxFileDialog dialog(DialogParent(parent), title, "", "", wildcard, wxFD_OPEN | wxFD_FILE_MUST_EXIST);
    return dialog.ShowModal() == wxID_OK ? dialog.GetPath() : wxString();
  }
  wxString GetText(const wxString& message, const wxString& caption, const wxString& defaultValue) override {
    return wxGetTextFromUser(message, caption, defaultValue, DialogParent(nullptr));
  }
  int MessageBox(wxWindow* parent, const wxString& text, const wxString& caption, long style) override {
    return wxMessageBox(text, caption, style, DialogParent(parent));
  }
  int ChooseInputType(wxWindow* parent) override {
    ReadFileDialog dialog(parent);
    return dialog.ShowModal() == wxID_OK ? dialog.Selection() : -1;
  }
  int ChooseItem(wxWindow* parent, const wxString& message, const wxString& caption,
                 const wxArrayString& items) override {
    wxSingleChoiceDialog dialog(DialogParent(parent), message, caption, items);
    return dialog.ShowModal() == wxID_OK ? dialog.GetSelection() : -1;
  }
  int ChooseStyle(wxWindow* parent, int current) override {
    StyleDialog dialog(parent, current);
    if (dialog.ShowModal() != wxID_OK) return -1;
    return dialog.Selection() < 0 ? 0 : dialog.Selection();
  }
  bool AskExtraction(wxWindow* parent, ExtractRequest& request) override {
    ExtractDialog dialog(parent);
    if (dialog.ShowModal() != wxID_OK) return false;
    request = dialog.Request();
    return true;
  }
  bool AskAngleGrid(wxWindow* parent, double nmPerUnit, int& angleType, int32_t snapGrid,
                    std::string& gridText) override {
    GridDialog dialog(parent, angleType, snapGrid, nmPerUnit);
    if (dialog.ShowModal() != wxID_OK) return false;
    angleType = dialog.AngleType();
    gridText = dialog.GridText();
    return true;
  }
  bool PathDialog(PathParameters& values) override {
    ::PathDialog dialog(nullptr);
    if (values.halfWidth > 0) dialog.SetValues(values);
    return dialog.ShowModal() == kEditDialogOk && dialog.GetValues(values);
  }
  bool CircleDialog(CircleParameters& values) override {
    ::CircleDialog dialog(nullptr);
    return dialog.ShowModal() == kEditDialogOk && dialog.GetValues(values);
  }
  bool TextDialog(TextParameters& values) override {
    ::TextDialog dialog(nullptr);
    return dialog.ShowModal() == kEditDialogOk && dialog.GetValues(values);
  }
  bool InstanceDialog(const std::string& title, InstanceParameters& values) override {
    ::InstanceDialog dialog(nullptr, title);
    if (values.showValues) dialog.SetValues(values);
    return dialog.ShowModal() == wxID_OK && dialog.GetValues(values);
  }
  bool ChooseColour(wxWindow* parent, wxColour& colour) override {
    const wxColour chosen = wxGetColourFromUser(DialogParent(parent), colour);
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

std::unique_ptr<Prompts> MakeDialogPrompts() { return std::make_unique<DialogPrompts>(); }

Prompts& ThePrompts() { return *Current(); }

void SetPrompts(std::unique_ptr<Prompts> prompts) { Current() = prompts ? std::move(prompts) : MakeDialogPrompts(); }
