#pragma once

#include <wx/arrstr.h>
#include <wx/colour.h>
#include <wx/string.h>

#include <cstdint>
#include <memory>
#include <string>

#include "app/core/extract_choice.h"
#include "canvas/view/canvas_prompts.h"

class wxWindow;

// Every modal question the shell and its canvases ask goes through this interface, so that
// tests can answer with scripted replies instead of real dialogs. An empty string or -1 means
// Cancel. The canvas's questions (CanvasPrompts) are answered by the same object.
class Prompts : public CanvasPrompts {
 public:
  virtual ~Prompts() = default;
  virtual wxString ChooseDirectory(wxWindow* parent, const wxString& message, const wxString& start) = 0;
  virtual wxString ChooseFileToOpen(wxWindow* parent, const wxString& title, const wxString& wildcard) = 0;
  virtual wxString GetText(const wxString& message, const wxString& caption, const wxString& defaultValue) = 0;
  // The answer of a message box: wxOK, wxYES, wxNO or wxCANCEL.
  virtual int MessageBox(wxWindow* parent, const wxString& text, const wxString& caption, long style) = 0;
  // The input-type dialog: 0 GDSII, 1 OASIS, -1 Cancel.
  virtual int ChooseInputType(wxWindow* parent) = 0;
  // The index of the chosen item, or -1.
  virtual int ChooseItem(wxWindow* parent, const wxString& message, const wxString& caption,
                         const wxArrayString& items) = 0;
  // The style dialog with the image of fill code current selected: the fill code chosen (0
  // when none is selected), or -1 for Cancel.
  virtual int ChooseStyle(wxWindow* parent, int current) = 0;
  // True with the chosen colour in colour; false leaves it unchanged.
  virtual bool ChooseColour(wxWindow* parent, wxColour& colour) = 0;
  // The extraction dialog: true for Ok, with its values in request.
  virtual bool AskExtraction(wxWindow* parent, ExtractRequest& request) = 0;
  // The angle/grid dialog preset with angleType and snapGrid: true for Ok, with the angle type
  // chosen and the grid field as typed in gridText; nmPerUnit names the unit in the dialog.
  virtual bool AskAngleGrid(wxWindow* parent, double nmPerUnit, int& angleType, int32_t snapGrid,
                            std::string& gridText) = 0;
};

// The real dialogs.
std::unique_ptr<Prompts> MakeDialogPrompts();
// The prompts in use: the real dialogs unless SetPrompts replaced them.
Prompts& ThePrompts();
// Null restores the real dialogs.
void SetPrompts(std::unique_ptr<Prompts> prompts);
