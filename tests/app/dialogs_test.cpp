#include <gtest/gtest.h>
#include <wx/listctrl.h>
#include <wx/radiobox.h>

#include "app/my_frame.h"
#include "app/read_file_dialog.h"
#include "app/style_dialog.h"
#include "tests/app/app_environment.h"

namespace {

template <typename T>
T* FindChild(wxWindow* parent) {
  for (wxWindow* child : parent->GetChildren()) {
    if (auto* found = dynamic_cast<T*>(child)) return found;
  }
  return nullptr;
}

TEST(ReadFileDialog, OffersGdsSelectedAndOasis) {
  ReadFileDialog dialog(app_test::Frame());
  EXPECT_EQ(dialog.GetTitle(), "Select Input Type");
  EXPECT_EQ(dialog.Selection(), 0);
  auto* choices = FindChild<wxRadioBox>(&dialog);
  ASSERT_NE(choices, nullptr);
  EXPECT_EQ(choices->GetString(1), "OASIS");
  EXPECT_TRUE(choices->IsItemEnabled(1));
}

TEST(StyleDialog, ShowsNinePatternsWithTheCurrentOneSelected) {
  for (int current : {0, 5, 8}) {
    StyleDialog dialog(app_test::Frame(), current);
    EXPECT_EQ(dialog.Selection(), current);
    auto* list = FindChild<wxListCtrl>(&dialog);
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->GetItemCount(), 9);
    EXPECT_EQ(list->GetImageList(wxIMAGE_LIST_NORMAL)->GetImageCount(), 9);
  }
  StyleDialog none(app_test::Frame(), 12);
  EXPECT_EQ(none.Selection(), -1);
}

}  // namespace
