#include "app/my_printout.h"

#include <wx/font.h>

#include "app/core/print_layout.h"
#include "app/my_child.h"
#include "app/my_frame.h"
#include "canvas/my_canvas.h"

namespace {

// Sets the canvas's printing flag for the life of the object.
class PrintingScope {
 public:
  explicit PrintingScope(MyCanvas& canvas) : canvas_(canvas) { canvas_.printing = true; }
  ~PrintingScope() { canvas_.printing = false; }
  PrintingScope(const PrintingScope&) = delete;
  PrintingScope& operator=(const PrintingScope&) = delete;

 private:
  MyCanvas& canvas_;
};

}  // namespace

MyPrintout::MyPrintout(MyFrame* frame, const wxString& title) : wxPrintout(title), frame_(frame) {}

bool MyPrintout::OnBeginDocument(int startPage, int endPage) {
  return wxPrintout::OnBeginDocument(startPage, endPage);
}

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
  int x0 = 0;
  int y0 = 0;
  canvas.CalcUnscrolledPosition(0, 0, &x0, &y0);
  const wxSize frameSize = child_->GetSize();
  int pw = 0;
  int ph = 0;
  GetPageSizePixels(&pw, &ph);
  const PrintLayout layout =
      ComputePrintLayout(pw, ph, frameSize.x, frameSize.y, x0, y0, canvas.view.magnification);
  // A printer's context may come without a font, and the scene's texts and the title need one.
  if (!dc->GetFont().IsOk()) dc->SetFont(wxFontInfo(12).Family(wxFONTFAMILY_SWISS));
  // A page without pixels gets the title only.
  if (layout.scale > 0) {
    dc->SetDeviceOrigin(layout.originX, layout.originY);
    dc->SetClippingRegion(layout.clipX, layout.clipY, layout.clipWidth, layout.clipHeight);
    dc->SetUserScale(layout.scale, layout.scale);
    {
      PrintingScope printing(canvas);
      canvas.OnDraw(*dc);
    }
    dc->DestroyClippingRegion();
    dc->SetDeviceOrigin(0, 0);
    dc->SetUserScale(1.0, 1.0);
  }
  dc->DrawText(child_->GetTitle(), 50, 50);
  return true;
}
