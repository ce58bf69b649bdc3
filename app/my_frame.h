#pragma once

#include <wx/colour.h>
#include <wx/mdi.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class AppContext;
class Document;
class MyChild;
class ViewSession;
class wxDropFilesEvent;

// The view colours that the main frame holds for every canvas, in the order the Change Color
// command lists them.
enum class ViewColourItem { kBackground, kInstanceHighlight, kGeometryHighlight };

// The main window: holds the child windows, the toolbar and what they share (key bindings, the
// view colours and the list of open documents); opens libraries and imports layout files, each
// into a new child window.
class MyFrame : public wxMDIParentFrame {
 public:
  MyFrame(AppContext& context, const wxString& title, const wxPoint& pos, const wxSize& size);

  AppContext& Context() const { return context_; }

  void InitKeyBindings();
  void InitToolBar(wxToolBar* toolBar);

  // Roads that open a child window; each returns the child, or null when the road failed and
  // nothing of the window remains. Loading a library that a window shows already opens a
  // further window on the same library, never a second copy of it.
  MyChild* CreateLibraryChild(const wxString& directory, bool isNew);
  MyChild* CreateGDSChild(const wxString& file, const wxString& directory);
  MyChild* CreateOASISChild(const wxString& file, const wxString& directory);
  // A further window on document, which another window shows already, showing cell id; it
  // shares the library with that window.
  MyChild* CreateCellChild(const wxString& title, std::shared_ptr<Document> document, int32_t id);
  void CreateChildMenuBar(MyChild* child);

  // The toolbar tools that act on the active child window.
  void EnableChildTools(bool enable);
  // Opens each path as a dropped file: directories as libraries, files as layouts.
  void OpenDroppedFiles(const wxArrayString& paths);
  // The open document of the library in directory, or null.
  std::shared_ptr<Document> OpenLibraryIn(const std::string& directory) const;
  // The documents that windows show, oldest first.
  std::vector<std::shared_ptr<Document>> OpenDocuments() const;
  // Logs a failed command as "ERROR: tag: message" and keeps it in the status bar until the
  // next command starts (StartCommand).
  void ReportError(const std::string& tag, const std::string& message);
  // A menu command, tool or key binding starts: an error line in the status bar gives way to
  // "Ready".
  void StartCommand();

  // Completes the switch to a new child's menu bar in the same idle pass (see the source).
  void OnInternalIdle() override;
  // Every command of the frame's own menus and tools starts with StartCommand.
  bool TryBefore(wxEvent& event) override;

  // The key binding of every command id (the View and Edit commands have one each).
  const std::vector<uint16_t>& KeyBindings() const { return keyBindings; }
  void SetKeyBinding(int id, uint16_t binding) { keyBindings.at(id) = binding; }

  // The view colours. A colour set reaches every view at once (ApplyViewColours).
  const wxColour& ViewColour(ViewColourItem item) const;
  void SetViewColour(ViewColourItem item, const wxColour& colour);
  // The one way the frame's three colours reach a view: window creation, Change Color and
  // configuration files all go through it.
  void ApplyViewColours(ViewSession& session) const;

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
  // that exists already. Empty when the user cancelled or named a directory that holds a
  // library (refused with a message).
  wxString ChooseImportDirectory(const wxString& file);
  // Refuses, with a message, a new library or an import in a directory that holds a library.
  bool RefusesLibraryDirectory(const wxString& directory);
  // Asks about the open libraries with unsaved changes; false when the user keeps them.
  bool ConfirmUnsavedLibraries();
  // The start and the end of the roads that open a library in a new window (child_roads.cpp).
  MyChild* BeginChild(const wxString& title);
  void EndChild(MyChild* child);
  // A child titled with the file that converts it into directory, as OASIS or as GDSII; null,
  // with the window gone, when the conversion failed.
  MyChild* ConvertedChild(const wxString& file, const wxString& directory, bool oasis);

  AppContext& context_;
  // The documents shown, held weakly: the last window on a library frees it.
  std::vector<std::weak_ptr<Document>> documents_;
  std::vector<uint16_t> keyBindings;
  wxColour backgroundColour{200, 200, 200};
  wxColour instanceHighlightColour{255, 255, 0};
  wxColour geometryHighlightColour{255, 255, 255};
};
