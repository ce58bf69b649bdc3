// The child window's commands on cells: the tree panel, opening cells in further windows, the
// cell and instance commands of the canvas, Recalculate and Save DB.
#include <wx/filefn.h>
#include <wx/menu.h>

#include "app/core/cell_window_title.h"
#include "app/core/command_ids.h"
#include "app/core/tree_model.h"
#include "app/my_child.h"
#include "app/my_frame.h"
#include "app/my_tree_ctrl.h"
#include "app/prompts.h"
#include "canvas/view/library_save.h"
#include "canvas/my_canvas.h"
#include "db/error.h"
#include "db/library.h"

void MyChild::BindCellCommands() {
  Bind(wxEVT_MENU, &MyChild::OnShowTreePanel, this, kCmdShowTreePanel);
  Bind(wxEVT_MENU, &MyChild::OnOpenCell, this, kCmdOpenCell);
  Bind(wxEVT_MENU, &MyChild::OnOpenRootCell, this, kCmdOpenRootCell);
  Bind(wxEVT_MENU, &MyChild::OnCreateCell, this, kCmdCreateCell);
  Bind(wxEVT_MENU, &MyChild::OnSaveDb, this, kCmdSave);
  for (int id : {kCmdInstanceInfo, kCmdIncrementCell, kCmdInsertInst, kCmdDeleteInst, kCmdReplaceInst, kCmdModifyInst,
                 kCmdRecalculateCells, kCmdDeleteCell}) {
    Bind(wxEVT_MENU, &MyChild::OnCellCommand, this, id);
  }
}

void MyChild::UpdateTree() {
  if (!tree || !canvas) return;
  const Cell* shown = canvas->TopCell();
  if (shown) {
    tree->ShowRoot(shown->Name(), HasExpandButton(*shown));
  } else {
    tree->DeleteAllItems();
  }
  tree->Hide();
  treeWidth = 0;
}

void MyChild::OpenCellWindow(const std::string& name) {
  if (!canvas || !canvas->GetLibrary()) return;
  const int32_t id = canvas->GetLibrary()->FindIndex(name);
  if (!canvas->GetLibrary()->GetCell(id)) return;
  const std::string title = std::string(GetTitle().utf8_str());
  const std::string cellTitle = CellWindowTitle(title, wxDirExists(GetTitle()), name);
  frame_->CreateCellChild(wxString::FromUTF8(cellTitle), canvas->GetLibrary(), id);
}

void MyChild::OnShowTreePanel(wxCommandEvent&) {
  if (!tree) return;
  const bool show = !tree->IsShown();
  tree->Show(show);
  treeWidth = show ? 200 : 0;
  // A key binding reaches here without the menu: the check mark follows the panel.
  if (wxMenuBar* bar = GetMenuBar()) bar->Check(kCmdShowTreePanel, show);
  LayoutChildPanes();
  Redraw();
}

void MyChild::OnOpenCell(wxCommandEvent&) {
  if (!canvas || !canvas->GetLibrary()) return;
  const std::string name = canvas->OpenCell("Open Cell");
  if (name.empty()) return;
  const Library& library = *canvas->GetLibrary();
  if (!library.roots.empty() && library.FindIndex(name) == int32_t(library.roots.front())) {
    SetChildStatus(1, "Open the frist root cell from Open Root");
    return;
  }
  OpenCellWindow(name);
}

void MyChild::OnOpenRootCell(wxCommandEvent&) {
  if (!canvas || !canvas->GetLibrary()) return;
  const Library& library = *canvas->GetLibrary();
  wxArrayString names;
  for (uint32_t id : library.roots) {
    if (const Cell* root = library.GetCell(id)) names.Add(wxString::FromUTF8(root->Name()));
  }
  if (names.empty()) return;
  const int item = ThePrompts().ChooseItem(
      this, wxString::Format("Select root cell to open (total %d root cells)", int(names.size())), "Open Root Cell",
      names);
  if (item < 0 || size_t(item) >= names.size()) return;
  OpenCellWindow(std::string(names[size_t(item)].utf8_str()));
}

void MyChild::OnCreateCell(wxCommandEvent&) {
  if (!canvas) return;
  std::string name;
  try {
    name = canvas->CreateCell();
  } catch (const Error& error) {
    frame_->ReportError(error.Tag(), error.Message());
  }
  if (!name.empty()) OpenCellWindow(name);
}

void MyChild::OnCellCommand(wxCommandEvent& event) {
  if (!canvas) return;
  try {
    switch (event.GetId()) {
      case kCmdInstanceInfo: canvas->InstanceInfo(); break;
      case kCmdIncrementCell: canvas->IncrementCell(); break;
      case kCmdInsertInst: canvas->InsertInst(); break;
      case kCmdDeleteInst: canvas->DeleteInst(); break;
      case kCmdReplaceInst: canvas->ReplaceInst(); break;
      case kCmdModifyInst: canvas->ModifyInst(); break;
      case kCmdRecalculateCells: canvas->RecalculateCells(); break;
      default: canvas->DeleteCell(); break;
    }
  } catch (const Error& error) {
    frame_->ReportError(error.Tag(), error.Message());
  }
}

void MyChild::OnSaveDb(wxCommandEvent&) {
  if (!canvas || !canvas->GetLibrary()) return;
  try {
    canvas->RecalculateCells();
    SetChildStatus(0, "Saving library, wait...");
    wxBusyCursor busy;
    SaveLibraryChanges(*canvas->GetLibrary());
    SetChildStatus(0, "Ready");
  } catch (const Error& error) {
    frame_->ReportError(error.Tag(), error.Message());
  }
}
