#pragma once

#include <wx/print.h>

class MyChild;
class MyFrame;

// The one-page printout of the main frame's active child window: the whole view of its canvas
// fitted inside the page's margin with its aspect kept, and the window's title at the top left.
class MyPrintout : public wxPrintout {
 public:
  explicit MyPrintout(MyFrame* frame, const wxString& title = "My printout");

  bool OnBeginDocument(int startPage, int endPage) override;
  bool HasPage(int page) override;
  // False, printing nothing, without a device context or an active child window with a canvas.
  bool OnPrintPage(int page) override;
  void GetPageInfo(int* minPage, int* maxPage, int* selPageFrom, int* selPageTo) override;

 private:
  MyFrame* frame_;
  // The window printed by the last page, null before.
  MyChild* child_ = nullptr;
};
