#include "app/my_printout.h"

#include <wx/font.h>

#include "app/core/print_layout.h"
#include "app/my_child.h"
#include "app/my_frame.h"
#include "canvas/my_canvas.h"

namespace {

// The title's top left corner on the page, in page pixels.
constexpr int32_t kTitleTop = 50;

}  // namespace

MyPrintout::MyPrintout(MyFrame* frame, const wxString& title) : wxPrintout(title), frame_(frame) {}

bool MyPrintout::OnBeginDocument(int startPage, int endPage) { return wxPrintout::OnBeginDocument(startPage, endPage); }

bool MyPrintout::HasPage(int page) { return page == 1; }

void MyPrintout::GetPageInfo(int* minPage, int* maxPage, int* selPageFrom, int* selPageTo) {
  *minPage = 1;
  *maxPage = 1;
  *selPageFrom = 1;
  *selPageTo = 1;
}

bool MyPrintout::OnPrintPage(int) {
  wxDC* dc = GetDC();
  if (!dc || !frame_) return false;
  child_ = dynamic_cast<MyChild*>(frame_->GetActiveChild());
  if (!child_ || !child_->canvas) return false;
  MyCanvas& canvas = *child_->canvas;
  const wxSize view = canvas.GetClientSize();
  int pw = 0;
  int ph = 0;
  GetPageSizePixels(&pw, &ph);
  // A printer's context may come without a font, and the scene's texts and the title need one.
  if (!dc->GetFont().IsOk()) dc->SetFont(wxFontInfo(12).Family(wxFONTFAMILY_SWISS));
  // The view starts a line below the title.
  const PrintLayout layout = ComputePrintLayout(pw, ph, view.x, view.y, kTitleTop + 2 * dc->GetCharHeight());
  // A page without pixels gets the title only.
  if (layout.scale > 0) {
    dc->SetDeviceOrigin(layout.left, layout.top);
    dc->SetUserScale(layout.userScale, layout.userScale);
    canvas.PrintView(*dc, layout.drawFactor);
    dc->SetDeviceOrigin(0, 0);
    dc->SetUserScale(1.0, 1.0);
  }
  dc->DrawText(child_->GetTitle(), kTitleTop, kTitleTop);
  return true;
}
