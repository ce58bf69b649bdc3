#pragma once

#include <wx/mdi.h>

#include <string>

#include "canvas/canvas_host.h"

class CSCtrl;
class LayerCtrl;
class MyCanvas;
class MyFrame;
class MyTreeCtrl;
class wxKeyEvent;
class wxStatusBar;

// One open view of a library: the canvas between the cell tree (left, hidden while 0 wide) and
// the layer panel (right), above a two-field status bar. GTK's MDI child frames have no status
// bar of their own, so the child carries one inside its client area.
class MyChild : public wxMDIChildFrame, public CanvasHost {
 public:
  MyChild(MyFrame* parent, const wxString& title);
  ~MyChild() override;

  // True for the commands this window carries out; the others stay disabled in its menus.
  static bool IsWired(int id);

  // Lays the panes out for the current client size and stores it as the last accepted size.
  void LayoutChildPanes();
  void Redraw();
  // Rebuilds the style and layer lists from the library's layer table, with the criticality row
  // after the layers while the canvas holds a criticality map.
  void UpdateLayerList();
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

  void SetChildStatus(int field, const std::string& text) override;
  void SetMainStatus(const std::string& text) override;
  int FirstSelectedLayerRow() const override;
  void SetBusy(bool busy) override;
  CanvasPrompts& Prompts() override;
  // Counts the window among the open child windows, once its menu bar is built.
  void CountAsOpen();

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
  // Every command of the window's menus and key bindings starts with the frame's StartCommand.
  bool TryBefore(wxEvent& event) override;
  void OnSize(wxSizeEvent& event);
  void OnClose(wxCloseEvent& event);
  void OnRedraw(wxCommandEvent& event);
  void OnToggle(wxCommandEvent& event);
  void OnZoom(wxCommandEvent& event);
  void OnChangeColor(wxCommandEvent& event);
  void OnCloseCommand(wxCommandEvent& event);
  // JPEG and BMP export of the drawn view, printing, page setup, the printout's title and the
  // area design-rule check.
  void OnSaveImage(wxCommandEvent& event);
  void OnPrint(wxCommandEvent& event);
  void OnPageSetup(wxCommandEvent& event);
  void OnChangeTitle(wxCommandEvent& event);
  void OnRunAreaDrc(wxCommandEvent& event);
  // Tiles the library's large cells and redraws every window on it.
  void OnOptimizeDb(wxCommandEvent& event);
  // The tree panel, opening cells, the cell and instance commands, Recalculate and Save DB
  // (child_cell_commands.cpp); every Error is shown and the command ends.
  void BindCellCommands();
  void OnShowTreePanel(wxCommandEvent& event);
  void OnOpenCell(wxCommandEvent& event);
  void OnOpenRootCell(wxCommandEvent& event);
  void OnCreateCell(wxCommandEvent& event);
  void OnCellCommand(wxCommandEvent& event);
  void OnSaveDb(wxCommandEvent& event);
  // The edit commands, forwarded to the canvas; Change DB Unit applies the unit typed to the
  // library and to every canvas that shows it.
  void OnEditCommand(wxCommandEvent& event);
  void OnChangeDbUnit(wxCommandEvent& event);
  // The view commands with logic of their own (child_view_commands.cpp).
  void BindViewCommands();
  void OnChangeDepth(wxCommandEvent& event);
  void OnChangeCellSize(wxCommandEvent& event);
  void OnShowDbUnit(wxCommandEvent& event);
  void OnInspect(wxCommandEvent& event);
  void OnGoTo(wxCommandEvent& event);
  void OnRulers(wxCommandEvent& event);
  void OnDrawMode(wxCommandEvent& event);
  void OnClearMemory(wxCommandEvent& event);
  // Minimise, move to the corner, shrink the client area: the window commands without menu items.
  void OnWindowCommand(wxCommandEvent& event);
  // Sets the canvas's angle type and snapping grid from the angle/grid dialog.
  void OnAngleGrid(wxCommandEvent& event);
  // Runs the extraction the dialog asks for: a missing extension is added and a missing
  // directory made first.
  void OnExtract(wxCommandEvent& event);
  // Carries out the key bindings wherever the keyboard focus is inside this window, before the
  // focused control sees the key: the layer list would take letters for its type-ahead search,
  // the canvas would scroll with the arrows, GTK would give Alt+D to the "&DRC" menu title, and
  // GTK menus refuse Tab and the unmodified arrows as shortcuts.
  void OnCharHook(wxKeyEvent& event);
  // Text polygons, criticality maps, layer maps and configuration files
  // (child_overlay_commands.cpp).
  void BindOverlayCommands();
  void OnPolyIn(wxCommandEvent& event);
  void OnRemovePolys(wxCommandEvent& event);
  void OnCriticalityIn(wxCommandEvent& event);
  void OnRemoveCriticality(wxCommandEvent& event);
  void OnReadLayerMap(wxCommandEvent& event);
  void OnLoadConfig(wxCommandEvent& event);
  void OnSaveConfig(wxCommandEvent& event);
  // Asks before the last window of a library with unsaved changes goes; true to close.
  bool ConfirmCloseLibrary();

  MyFrame* frame_;
  wxStatusBar* statusBar_ = nullptr;
  // Set once the window counts as open (its menu bar is built); only then does closing it
  // lower the count of open child windows.
  bool counted_ = false;
};
