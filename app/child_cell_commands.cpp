// The child window's commands on cells that open windows or show its tree panel: the tree panel,
// opening cells in further windows and Create Cell.
#include <wx/filefn.h>
#include <wx/menu.h>

#include "app/core/cell_window_title.h"
#include "app/core/command_ids.h"
#include "app/core/tree_model.h"
#include "app/my_child.h"
#include "app/my_frame.h"
#include "app/my_tree_ctrl.h"
#include "app/prompts.h"
#include "canvas/view/view_session.h"
#include "db/library.h"

void MyChild::UpdateTree() {
  if (!tree) return;
  const Cell* shown = Session().TopCell();
  if (shown) {
    tree->ShowRoot(shown->Name(), HasExpandButton(*shown));
  } else {
    tree->DeleteAllItems();
  }
  tree->Hide();
  treeWidth = 0;
}

void MyChild::OpenCellWindow(const std::string& name) {
  const Library* library = Session().GetLibrary();
  if (!library) return;
  const int32_t id = library->FindIndex(name);
  if (!library->GetCell(id)) return;
  const std::string title = std::string(GetTitle().utf8_str());
  const std::string cellTitle = CellWindowTitle(title, wxDirExists(GetTitle()), name);
  frame_->CreateCellChild(wxString::FromUTF8(cellTitle), Session().SharedDocument(), id);
}

void MyChild::OnShowTreePanel(int) {
  if (!tree) return;
  const bool show = !tree->IsShown();
  tree->Show(show);
  treeWidth = show ? 200 : 0;
  // A key binding reaches here without the menu: the check mark follows the panel.
  if (wxMenuBar* bar = GetMenuBar()) bar->Check(kCmdShowTreePanel, show);
  LayoutChildPanes();
  Redraw();
}

void MyChild::OnOpenCell(int) {
  if (!Session().GetLibrary()) return;
  const std::string name = Session().OpenCell("Open Cell");
  if (name.empty()) return;
  const Library& library = *Session().GetLibrary();
  if (!library.roots.empty() && library.FindIndex(name) == int32_t(library.roots.front())) {
    SetChildStatus(1, "Open the frist root cell from Open Root");
    return;
  }
  OpenCellWindow(name);
}

void MyChild::OnOpenRootCell(int) {
  if (!Session().GetLibrary()) return;
  const Library& library = *Session().GetLibrary();
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

void MyChild::OnCreateCell(int) {
  const std::string name = Session().CreateCell();
  if (!name.empty()) OpenCellWindow(name);
}
