#include "app/style_dialog.h"

#include <wx/image.h>
#include <wx/imaglist.h>
#include <wx/listctrl.h>
#include <wx/sizer.h>

#include "app/dialog_layout.h"

namespace {

constexpr int kPatternSize = 32;
constexpr int kPatternCount = 9;

// Whether pixel (x, y) of the image of fill code is black.
bool PatternPixel(int code, int x, int y) {
  const int last = kPatternSize - 1;
  const bool rising = (x + y) % 4 == 0;
  const bool falling = (x - y + kPatternSize) % 4 == 0;
  switch (code) {
    case 0: return true;
    case 1: return x == 0 || y == 0 || x == last || y == last;
    case 2: return rising;
    case 3: return rising || falling;
    case 4: return falling;
    case 5: return x % 4 == 0 || y % 4 == 0;
    case 6: return y % 4 == 0;
    case 7: return x % 4 == 0;
    default: return x % 4 == 0 && y % 4 == 0;
  }
}

wxBitmap PatternImage(int code) {
  wxImage image(kPatternSize, kPatternSize);
  for (int y = 0; y < kPatternSize; ++y) {
    for (int x = 0; x < kPatternSize; ++x) {
      const unsigned char v = PatternPixel(code, x, y) ? 0 : 255;
      image.SetRGB(x, y, v, v, v);
    }
  }
  return wxBitmap(image);
}

}  // namespace

StyleDialog::StyleDialog(wxWindow* parent, int current)
    : wxDialog(DialogParent(parent), wxID_ANY, "Select Layer Style", wxDefaultPosition, wxSize(400, 320),
               wxDEFAULT_DIALOG_STYLE, "dialog") {
  patterns_ = new wxListCtrl(this, wxID_ANY, wxDefaultPosition, wxSize(380, 220), wxLC_ICON);
  auto* images = new wxImageList(kPatternSize, kPatternSize, false, kPatternCount);
  for (int code = 0; code < kPatternCount; ++code) images->Add(PatternImage(code));
  patterns_->AssignImageList(images, wxIMAGE_LIST_NORMAL);
  for (int code = 0; code < kPatternCount; ++code) patterns_->InsertItem(code, "", code);
  if (current >= 0 && current < kPatternCount) {
    patterns_->SetItemState(current, wxLIST_STATE_SELECTED, wxLIST_STATE_SELECTED);
  }
  auto* top = new wxBoxSizer(wxVERTICAL);
  top->Add(patterns_, 1, wxEXPAND | wxALL, 10);
  top->Add(OkCancelButtons(this, wxID_OK, wxID_CANCEL), 0, wxALIGN_CENTER_HORIZONTAL | wxBOTTOM, 5);
  LayOutDialog(this, top, wxSize(400, 320));
}

int StyleDialog::Selection() const {
  return static_cast<int>(patterns_->GetNextItem(-1, wxLIST_NEXT_ALL, wxLIST_STATE_SELECTED));
}
