#pragma once

#include <wx/mdi.h>

#include <memory>
#include <string>

#include "app/core/child_commands.h"
#include "canvas/view/canvas_host.h"

class CSCtrl;
class LayerCtrl;
class MyCanvas;
class MyFrame;
class MyTreeCtrl;
class ViewSession;
struct CommandHandler;
class wxKeyEvent;
class wxStatusBar;

// One open view of a library: the canvas between the cell tree (left, hidden while 0 wide) and
// the layer panel (right), above a two-field status bar. GTK's MDI child frames have no status
// bar of their own, so the child carries one inside its client area. It owns the view session
// behind its canvas and routes every command of the command table to its handler: the
// session's, its own (ChildCommands) or, by letting it pass, the main frame's.
class MyChild : public wxMDIChildFrame, public CanvasHost, public ChildCommands {
 public:
  MyChild(MyFrame* parent, const wxString& title);
  ~MyChild() override;

  ViewSession& Session() const { return *session_; }

  // Lays the panes out for the current client size and stores it as the last accepted size.
  void LayoutChildPanes();
  void Redraw();
  // Rebuilds the style and layer lists from the library's layer table, with the criticality row
  // after the layers while the view holds a criticality map.
  void RefreshLayerList() override;
  // The tree's one root item, the shown cell, and the tree hidden (child_cell_commands.cpp).
  void UpdateTree();
  // Opens the named cell of this window's library in a further window on the same library.
  void OpenCellWindow(const std::string& name);
  // Names the layers of the shown library from the layer-map file path; "LayerMap file can not
  // be open" when it cannot be read. Neither stores the path nor refills the lists.
  void ReadLayerMap(const std::string& path);
  // Reads the configuration file path into this window, its library's layer styles and the main
  // frame (colours, key bindings), then refills the lists and redraws as the file calls for.
  void LoadConfig(const std::string& path);
  // Counts the window among the open child windows, once its menu bar is built.
  void CountAsOpen();

  void SetChildStatus(int field, const std::string& text) override;
  void SetMainStatus(const std::string& text) override;
  int FirstSelectedLayerRow() const override;
  void SetBusy(bool busy) override;
  CanvasPrompts& Prompts() override;

  // The commands the window carries out itself (child_*_commands.cpp).
  void OnShowTreePanel(int id) override;
  void OnOpenCell(int id) override;
  void OnOpenRootCell(int id) override;
  void OnCreateCell(int id) override;
  void OnToggle(int id) override;
  void OnAngleGrid(int id) override;
  void OnChangeColor(int id) override;
  void OnRedraw(int id) override;
  void OnChangeTitle(int id) override;
  void OnReadLayerMap(int id) override;
  void OnLoadConfig(int id) override;
  void OnSaveConfig(int id) override;
  void OnExtract(int id) override;
  void OnSaveImage(int id) override;
  void OnPrint(int id) override;
  void OnPageSetup(int id) override;
  void OnCloseCommand(int id) override;
  void OnWindowCommand(int id) override;

  MyCanvas* canvas = nullptr;
  int lastWidth = 0;
  int lastHeight = 0;
  int layerPanelWidth = 136;
  int treeWidth = 0;
  int styleListWidth = 25;
  wxWindow* layerPanel = nullptr;
  CSCtrl* styleList = nullptr;
  LayerCtrl* layerList = nullptr;
  MyTreeCtrl* tree = nullptr;

 private:
  void InitLayerPanel(int height);
  // Binds every command of the command table that has a handler here or in the session.
  void BindCommands();
  // Runs a command's handler; an Error it throws is reported by the main frame.
  void RunCommand(const CommandHandler& handler, int id);
  // Every command of the window's menus and key bindings starts with the frame's StartCommand.
  bool TryBefore(wxEvent& event) override;
  void OnSize(wxSizeEvent& event);
  void OnClose(wxCloseEvent& event);
  // Carries out the key bindings wherever the keyboard focus is inside this window, before the
  // focused control sees the key: the layer list would take letters for its type-ahead search,
  // the canvas would scroll with the arrows, GTK would give Alt+D to the "&DRC" menu title, and
  // GTK menus refuse Tab and the unmodified arrows as shortcuts.
  void OnCharHook(wxKeyEvent& event);
  // Asks before the last window of a library with unsaved changes goes; true to close.
  bool ConfirmCloseLibrary();

  MyFrame* frame_;
  std::unique_ptr<ViewSession> session_;
  wxStatusBar* statusBar_ = nullptr;
  // Set once the window counts as open (its menu bar is built); only then does closing it
  // lower the count of open child windows.
  bool counted_ = false;
};
