#pragma once

#include <wx/treectrl.h>

#include <cstdint>
#include <string>

class MyChild;

// The cell hierarchy tree along a child window's left edge. Items are cell names and carry no
// data; an item's children (the distinct cells placed in it) are looked up when it is first
// expanded, loading its cell if needed. Activating an item opens its cell in a new window; a
// right double-click picks the cell whose placements the canvas highlights. An item whose
// cell has been deleted since does nothing and is removed.
class MyTreeCtrl : public wxTreeCtrl {
 public:
  MyTreeCtrl(MyChild* child, const wxPoint& pos, const wxSize& size);

  // One root item for the cell name, with an expand button when expandable.
  void ShowRoot(const std::string& name, bool expandable);

 private:
  void OnItemExpanding(wxTreeEvent& event);
  void OnItemCollapsing(wxTreeEvent& event);
  void OnItemActivated(wxTreeEvent& event);
  void OnRightDClick(wxMouseEvent& event);
  // The id of the item's cell in the shown library, -1 when the library has no such cell.
  int32_t CellIdOf(const wxTreeItemId& item) const;
  // Removes, after the current event, every item whose cell is gone.
  void RemoveStaleItemsLater();
  void RemoveStaleItems(const wxTreeItemId& item);

  MyChild* child_;
};
