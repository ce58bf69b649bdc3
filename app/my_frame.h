#pragma once

#include <wx/colour.h>
#include <wx/mdi.h>

#include <cstdint>
#include <string>
#include <vector>

class MyCanvas;
class MyChild;
class wxDropFilesEvent;

// The main window: holds the child windows, the toolbar and what they share (key bindings and
// the view colours); opens libraries and imports layout files, each into a new child window.
class MyFrame : public wxMDIParentFrame {
 public:
  MyFrame(const wxString& title, const wxPoint& pos, const wxSize& size);

  void InitKeyBindings();
  void InitToolBar(wxToolBar* toolBar);

  // Roads that open a child window; each returns the child, or null when the road failed and
  // nothing of the window remains.
  MyChild* CreateLibraryChild(const wxString& directory, bool isNew);
  MyChild* CreateGDSChild(const wxString& file, const wxString& directory);
  MyChild* CreateOASISChild(const wxString& file, const wxString& directory);
  void CreateChildMenuBar(MyChild* child, MyCanvas* canvas);

  // The toolbar tools that act on the active child window.
  void EnableChildTools(bool enable);
  // Opens each path as a dropped file: directories as libraries, files as layouts.
  void OpenDroppedFiles(const wxArrayString& paths);
  // Logs a failed command as "ERROR: tag: message" and keeps it in the status bar.
  void ReportError(const std::string& tag, const std::string& message);

  // Completes the switch to a new child's menu bar in the same idle pass (see the source).
  void OnInternalIdle() override;

  std::vector<uint16_t> keyBindings;
  wxColour backgroundColour{200, 200, 200};
  wxColour instanceHighlightColour{255, 255, 0};
  wxColour geometryHighlightColour{255, 255, 255};

 private:
  void OnWorkingDir(wxCommandEvent& event);
  void OnNewLibrary(wxCommandEvent& event);
  void OnLoadLibrary(wxCommandEvent& event);
  void OnSelectInputType(wxCommandEvent& event);
  void OnLoadGDS(wxCommandEvent& event);
  void OnLoadOASIS(wxCommandEvent& event);
  void OnQuit(wxCommandEvent& event);
  void OnAbout(wxCommandEvent& event);
  void OnForward(wxCommandEvent& event);
  void OnDropFiles(wxDropFilesEvent& event);
  void OnSize(wxSizeEvent& event);
  void OnCloseWindow(wxCloseEvent& event);

  void OpenLibrary(const wxString& path, bool isNew);
  // Asks for a layout file with the dialog's title and wildcard, then imports it into its
  // library directory on the OASIS or the GDSII road.
  void ImportLayoutFile(const wxString& title, const wxString& wildcard, bool oasis);
  // The library directory for an imported file: the automatic one, or the user's answer when
  // that exists already; created when missing. Empty when the user cancelled.
  wxString ChooseImportDirectory(const wxString& file);
  // Asks about the open libraries with unsaved changes; false when the user keeps them.
  bool ConfirmUnsavedLibraries();
};
