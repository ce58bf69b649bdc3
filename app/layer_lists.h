#pragma once

#include <wx/listctrl.h>

#include <vector>

class MyChild;

// The two lists of a child window's layer panel, row i showing the i-th layer in key order:
// the style list (colour and fill pattern) and the layer list (numbers or names). Each is given
// the child window whose layers it shows; its parent is the child's layer panel.

class CSCtrl : public wxListCtrl {
 public:
  CSCtrl(MyChild* child, wxWindow* panel, const wxPoint& pos, const wxSize& size);

 private:
  MyChild* Child() const { return child_; }
  void OnColumnClick(wxListEvent& event);
  void OnColumnRightClick(wxListEvent& event);
  void OnActivated(wxListEvent& event);
  void OnRightClick(wxListEvent& event);

  MyChild* child_;
};

class LayerCtrl : public wxListCtrl {
 public:
  LayerCtrl(MyChild* child, wxWindow* panel, const wxPoint& pos, const wxSize& size);
  // The width the list needs to show both column headers whole.
  int HeadersWidth() const;

 private:
  MyChild* Child() const { return child_; }
  std::vector<int> SelectedRows() const;
  void OnColumnClick(wxListEvent& event);
  void OnColumnRightClick(wxListEvent& event);
  void OnActivated(wxListEvent& event);
  void OnRightClick(wxListEvent& event);

  MyChild* child_;
};
