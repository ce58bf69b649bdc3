#include "app/my_tree_ctrl.h"

#include <vector>

#include "app/core/command_ids.h"
#include "app/core/tree_model.h"
#include "app/my_child.h"
#include "canvas/view/view_session.h"
#include "db/error.h"
#include "db/library.h"
#include "db/log.h"

MyTreeCtrl::MyTreeCtrl(MyChild* child, const wxPoint& pos, const wxSize& size)
    : wxTreeCtrl(child, kCmdCellTree, pos, size, wxTR_HAS_BUTTONS | wxTR_LINES_AT_ROOT, wxDefaultValidator, "treeCtrl"),
      child_(child) {
  Bind(wxEVT_TREE_ITEM_EXPANDING, &MyTreeCtrl::OnItemExpanding, this, kCmdCellTree);
  Bind(wxEVT_TREE_ITEM_COLLAPSING, &MyTreeCtrl::OnItemCollapsing, this, kCmdCellTree);
  Bind(wxEVT_TREE_ITEM_ACTIVATED, &MyTreeCtrl::OnItemActivated, this, kCmdCellTree);
  Bind(wxEVT_RIGHT_DCLICK, &MyTreeCtrl::OnRightDClick, this);
}

void MyTreeCtrl::ShowRoot(const std::string& name, bool expandable) {
  DeleteAllItems();
  const wxTreeItemId root = AddRoot(wxString::FromUTF8(name));
  SetItemHasChildren(root, expandable);
}

int32_t MyTreeCtrl::CellIdOf(const wxTreeItemId& item) const {
  const Library* shown = child_->Session().GetLibrary();
  if (!item.IsOk() || !shown) return -1;
  const Library& library = *shown;
  const int32_t id = library.FindIndex(std::string(GetItemText(item).utf8_str()));
  return library.GetCell(id) ? id : -1;
}

void MyTreeCtrl::RemoveStaleItemsLater() {
  CallAfter([this] {
    if (GetRootItem().IsOk()) RemoveStaleItems(GetRootItem());
  });
}

void MyTreeCtrl::RemoveStaleItems(const wxTreeItemId& item) {
  if (CellIdOf(item) < 0) {
    Delete(item);
    return;
  }
  std::vector<wxTreeItemId> children;
  wxTreeItemIdValue cookie;
  for (wxTreeItemId c = GetFirstChild(item, cookie); c.IsOk(); c = GetNextChild(item, cookie)) children.push_back(c);
  for (const wxTreeItemId& c : children) RemoveStaleItems(c);
}

void MyTreeCtrl::OnItemExpanding(wxTreeEvent& event) {
  const wxTreeItemId item = event.GetItem();
  if (GetChildrenCount(item, false) > 0) return;
  const int32_t id = CellIdOf(item);
  if (id < 0) {
    event.Veto();
    RemoveStaleItemsLater();
    return;
  }
  std::vector<TreeChild> children;
  try {
    children = ChildCells(*child_->Session().GetLibrary(), id);
  } catch (const Error& error) {
    const std::string line = ErrorLine(error);
    LogMessage("%s", line.c_str());
    child_->SetMainStatus(line.substr(0, line.size() - 1));
  }
  if (children.empty()) {
    SetItemHasChildren(item, false);
    event.Veto();
    return;
  }
  for (const TreeChild& c : children) {
    const wxTreeItemId added = AppendItem(item, wxString::FromUTF8(c.name));
    SetItemHasChildren(added, c.expandable);
  }
}

void MyTreeCtrl::OnItemCollapsing(wxTreeEvent&) {}

void MyTreeCtrl::OnItemActivated(wxTreeEvent& event) {
  const int32_t id = CellIdOf(event.GetItem());
  if (id < 0) {
    RemoveStaleItemsLater();
    return;
  }
  const Library& library = *child_->Session().GetLibrary();
  if (id == child_->Session().TopCellId() || (!library.roots.empty() && uint32_t(id) == library.roots.front())) return;
  child_->OpenCellWindow(library.GetCell(id)->Name());
}

void MyTreeCtrl::OnRightDClick(wxMouseEvent& event) {
  ViewSession& session = child_->Session();
  if (!session.GetLibrary()) return;
  int where = 0;
  const wxTreeItemId item = HitTest(event.GetPosition(), where);
  const int32_t hit = CellIdOf(item);
  if (item.IsOk() && hit < 0) RemoveStaleItemsLater();
  DisplaySettings settings = session.Settings();
  const RightDClickOutcome outcome = RightDClickResult(hit, session.TopCellId(), settings.highlightedCell);
  if (!outcome.redraw) return;
  settings.highlightedCell = outcome.highlightedCell;
  session.ApplySettings(settings);
  session.RedrawView();
}
