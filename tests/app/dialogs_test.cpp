#include <gtest/gtest.h>
#include <wx/app.h>
#include <wx/dialog.h>
#include <wx/listctrl.h>
#include <wx/radiobox.h>
#include <wx/statbox.h>
#include <wx/textctrl.h>

#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/my_frame.h"
#include "app/prompts.h"
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

// A dialog stands centred on the main frame, and each of its controls has at least its best
// size (a text field, which scrolls, its height), lies inside the dialog and covers no other.
void ExpectCentredAndWhole(wxDialog& dialog) {
  const wxRect frame = app_test::Frame()->GetScreenRect();
  const wxPoint offCentre =
      dialog.GetScreenRect().GetPosition() + dialog.GetSize() / 2 - frame.GetPosition() - frame.GetSize() / 2;
  EXPECT_EQ(wxGetTopLevelParent(dialog.GetParent()), app_test::Frame());
  EXPECT_TRUE(std::abs(offCentre.x) <= 2 && std::abs(offCentre.y) <= 2) << offCentre.x << "," << offCentre.y;
  std::vector<wxWindow*> controls;
  for (wxWindow* child : dialog.GetChildren()) {
    if (child->IsShown() && !dynamic_cast<wxStaticBox*>(child)) controls.push_back(child);
  }
  for (size_t i = 0; i < controls.size(); ++i) {
    const wxRect r = controls[i]->GetRect();
    const wxSize best = controls[i]->GetBestSize();
    SCOPED_TRACE(controls[i]->GetLabel());
    EXPECT_TRUE(r.height >= best.y && (r.width >= best.x || dynamic_cast<wxTextCtrl*>(controls[i])));
    EXPECT_TRUE(wxRect(dialog.GetClientSize()).Contains(r));
    for (size_t j = i + 1; j < controls.size(); ++j) EXPECT_FALSE(r.Intersects(controls[j]->GetRect()));
  }
}

// Every dialog the shell opens, through the prompts as the commands open it: each is looked at
// while it is shown, then cancelled.
TEST(Dialogs, OpenCentredOnTheMainFrameWithEveryControlWhole) {
  std::unique_ptr<Prompts> prompts = MakeDialogPrompts();
  PathParameters path;
  CircleParameters circle;
  TextParameters text;
  InstanceParameters instance;
  ExtractRequest extraction;
  int angle = 0;
  std::string grid;
  const std::vector<std::function<void()>> opens = {
      [&] { prompts->PathDialog(path); },
      [&] { prompts->CircleDialog(circle); },
      [&] { prompts->TextDialog(text); },
      [&] { prompts->InstanceDialog("Insert Instance", instance); },
      [&] { prompts->ChooseInputType(nullptr); },
      [&] { prompts->ChooseStyle(nullptr, 2); },
      [&] { prompts->AskExtraction(nullptr, extraction); },
      [&] { prompts->AskAngleGrid(nullptr, 1.0, angle, 5, grid); },
      [&] { prompts->AskText("Enter 2 numbers (x y) by um", "Go To", ""); },
      [&] { prompts->AskNumber("Input maximum cell box display pixel size [0..1000]", "Cell Size", 150, 0, 1000); },
      [&] {
        prompts->AskChoice("Select layer to inspect", "Inspect Layer", {"001 000", "005 002"});
      },
  };
  size_t seen = 0;
  for (const auto& open : opens) {
    wxTheApp->CallAfter([&seen] {
      for (wxWindow* window : wxTopLevelWindows) {
        auto* dialog = dynamic_cast<wxDialog*>(window);
        if (!dialog || !dialog->IsModal()) continue;
        SCOPED_TRACE(dialog->GetTitle());
        ++seen;
        ExpectCentredAndWhole(*dialog);
        dialog->EndModal(wxID_CANCEL);
        return;
      }
    });
    open();
  }
  EXPECT_EQ(seen, opens.size());
}

}  // namespace
