#pragma once

#include <wx/gdicmn.h>

class wxDialog;
class wxFlexGridSizer;
class wxSizer;
class wxString;
class wxWindow;

// What the shell's dialogs share: the window they stand on, their Ok and Cancel buttons and
// the sizing and placing that keeps every control whole at the toolkit's font.

// parent when there is one, otherwise the main frame: a dialog asked for without a window
// (the canvas's questions) is still centred on the application.
wxWindow* DialogParent(wxWindow* parent);

// "Ok" and "Cancel" side by side with the ids given.
wxSizer* OkCancelButtons(wxDialog* dialog, int okId, int cancelId);

// A label and its control in the next two cells of a grid.
void AddLabelled(wxFlexGridSizer* grid, wxDialog* dialog, const wxString& label, wxWindow* control);

// Gives the dialog its sizer, sizes it to what its controls need but never below minimum, and
// centres it on its parent.
void LayOutDialog(wxDialog* dialog, wxSizer* sizer, const wxSize& minimum);
