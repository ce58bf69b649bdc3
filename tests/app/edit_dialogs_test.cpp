#include "app/edit_dialogs.h"

#include <gtest/gtest.h>
#include <wx/button.h>
#include <wx/radiobox.h>
#include <wx/textctrl.h>

#include "app/my_frame.h"
#include "app/prompts.h"
#include "tests/app/app_environment.h"
#include "tests/app/scripted_prompts.h"

namespace {

class EditDialogsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    prompts_ = &app_test::Prompts();
    *prompts_ = ScriptedPrompts();
  }
  // Every control of the dialog lies inside its client area.
  static void ExpectControlsInside(wxDialog& dialog) {
    const wxSize client = dialog.GetClientSize();
    for (wxWindow* child : dialog.GetChildren()) {
      const wxRect r = child->GetRect();
      EXPECT_LE(r.GetRight(), client.x) << child->GetLabel();
      EXPECT_LE(r.GetBottom(), client.y) << child->GetLabel();
    }
  }
  ScriptedPrompts* prompts_ = nullptr;
};

TEST_F(EditDialogsTest, PathDialogShowsTheKeptValuesAndChecksTheHalfWidth) {
  PathDialog dialog(app_test::Frame());
  EXPECT_EQ(dialog.GetTitle(), "Create Path");
  EXPECT_EQ(dialog.GetWindowStyleFlag() & (wxCAPTION | wxSYSTEM_MENU | wxCLOSE_BOX),
            long(wxCAPTION | wxSYSTEM_MENU | wxCLOSE_BOX));
  ASSERT_NE(dialog.FindWindow(kEditDialogOk), nullptr);
  EXPECT_EQ(dialog.FindWindow(kEditDialogOk)->GetLabel(), "Ok");
  EXPECT_EQ(dialog.FindWindow(kEditDialogCancel)->GetLabel(), "Cancel");
  ExpectControlsInside(dialog);
  EXPECT_EQ(dialog.pathType->GetString(1), "Flush");

  PathParameters values{25, 1, 2.0};
  dialog.SetValues(values);
  EXPECT_EQ(dialog.halfWidth->GetValue(), "50");
  EXPECT_EQ(dialog.pathType->GetSelection(), 1);
  dialog.halfWidth->SetValue("12.5");
  EXPECT_FALSE(dialog.GetValues(values));
  EXPECT_EQ(prompts_->asked, (std::vector<std::string>{"Half width must be integer"}));
  EXPECT_EQ(prompts_->captions, (std::vector<std::string>{"Wrong Input"}));
  dialog.halfWidth->SetValue("30");
  dialog.pathType->SetSelection(0);
  ASSERT_TRUE(dialog.GetValues(values));
  EXPECT_EQ(values.halfWidth, 15);
  EXPECT_EQ(values.pathType, 0);
}

TEST_F(EditDialogsTest, CircleDialogStartsEmptyAndNeedsThePointCount) {
  CircleDialog dialog(app_test::Frame());
  EXPECT_EQ(dialog.GetTitle(), "Create Circle/Arc/Ring/ArcRing");
  ExpectControlsInside(dialog);
  EXPECT_EQ(dialog.pointCount->GetValue(), "");
  CircleParameters values;
  EXPECT_FALSE(dialog.GetValues(values));
  EXPECT_EQ(prompts_->asked, (std::vector<std::string>{"No of points must be integer"}));
  dialog.pointCount->SetValue("64");
  dialog.innerRadius->SetValue("40");
  dialog.endIndex->SetValue("16");
  ASSERT_TRUE(dialog.GetValues(values));
  EXPECT_EQ(values.pointCount, 64);
  EXPECT_EQ(values.innerRadius, 40);
  EXPECT_EQ(values.startIndex, 0);
  EXPECT_EQ(values.endIndex, 16);
}

TEST_F(EditDialogsTest, TextDialogNeedsATextAndWholeNumberLocations) {
  TextDialog dialog(app_test::Frame());
  EXPECT_EQ(dialog.GetTitle(), "Create Text");
  ExpectControlsInside(dialog);
  TextParameters values;
  dialog.locX->SetValue("1");
  dialog.locY->SetValue("2");
  EXPECT_FALSE(dialog.GetValues(values));
  EXPECT_TRUE(prompts_->asked.empty());
  dialog.text->SetValue("VDD");
  dialog.locX->SetValue("12.5");
  EXPECT_FALSE(dialog.GetValues(values));
  EXPECT_EQ(prompts_->asked, (std::vector<std::string>{"Input must be integer"}));
  dialog.locX->SetValue("-7");
  ASSERT_TRUE(dialog.GetValues(values));
  EXPECT_EQ(values.textValue, "VDD");
  EXPECT_EQ(values.locX, -7);
  EXPECT_EQ(values.locY, 2);
}

}  // namespace
