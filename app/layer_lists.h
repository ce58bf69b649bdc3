#pragma once

#include <wx/listctrl.h>

#include <vector>

class MyChild;

// The two lists of a child window's layer panel, row i showing the i-th layer in key order:
// the style list (colour and fill pattern) and the layer list (numbers or names). Each reaches
// its child window as the parent of its parent, the panel.

class CSCtrl : public wxListCtrl {
 public:
  CSCtrl(wxWindow* panel, const wxPoint& pos, const wxSize& size);

 private:
  MyChild* Child() const;
  void OnColumnClick(wxListEvent& event);
  void OnColumnRightClick(wxListEvent& event);
  void OnActivated(wxListEvent& event);
  void OnRightClick(wxListEvent& event);
};

class LayerCtrl : public wxListCtrl {
 public:
  LayerCtrl(wxWindow* panel, const wxPoint& pos, const wxSize& size);

 private:
  MyChild* Child() const;
  std::vector<int> SelectedRows() const;
  void OnColumnClick(wxListEvent& event);
  void OnColumnRightClick(wxListEvent& event);
  void OnActivated(wxListEvent& event);
  void OnRightClick(wxListEvent& event);
};
