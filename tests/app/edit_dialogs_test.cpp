#include "app/edit_dialogs.h"

#include <gtest/gtest.h>
#include <wx/radiobox.h>
#include <wx/textctrl.h>

#include "app/my_frame.h"
#include "tests/app/app_environment.h"
#include "tests/app/scripted_prompts.h"

namespace {

// Every control lies inside the dialog's client area.
void ExpectControlsInside(wxDialog& dialog) {
  for (wxWindow* child : dialog.GetChildren()) {
    EXPECT_LE(child->GetRect().GetRight(), dialog.GetClientSize().x) << child->GetLabel();
    EXPECT_LE(child->GetRect().GetBottom(), dialog.GetClientSize().y) << child->GetLabel();
  }
}

TEST(EditDialogs, ShowTheirValuesAndRefuseBadFieldsWithWrongInput) {
  ScriptedPrompts& prompts = app_test::Prompts();
  prompts = ScriptedPrompts();
  PathDialog path(app_test::Frame());
  CircleDialog circle(app_test::Frame());
  TextDialog text(app_test::Frame());
  for (wxDialog* dialog :
       {static_cast<wxDialog*>(&path), static_cast<wxDialog*>(&circle), static_cast<wxDialog*>(&text)}) {
    ExpectControlsInside(*dialog);
    EXPECT_EQ(dialog->FindWindow(kEditDialogOk)->GetLabel(), "Ok");
  }
  PathParameters pathValues{25, 1, 2.0};
  path.SetValues(pathValues);
  EXPECT_EQ(path.halfWidth->GetValue(), "50");
  path.halfWidth->SetValue("12.5");
  EXPECT_FALSE(path.GetValues(pathValues));
  path.halfWidth->SetValue("30");
  path.pathType->SetSelection(0);
  ASSERT_TRUE(path.GetValues(pathValues));
  EXPECT_EQ(pathValues.halfWidth, 15);
  EXPECT_EQ(pathValues.pathType, 0);

  CircleParameters circleValues;
  EXPECT_FALSE(circle.GetValues(circleValues));
  circle.pointCount->SetValue("64");
  circle.endIndex->SetValue("16");
  ASSERT_TRUE(circle.GetValues(circleValues));
  EXPECT_EQ(circleValues.pointCount, 64);
  EXPECT_EQ(circleValues.endIndex, 16);

  TextParameters textValues;
  text.locX->SetValue("1");
  text.locY->SetValue("2");
  EXPECT_FALSE(text.GetValues(textValues));
  text.text->SetValue("VDD");
  ASSERT_TRUE(text.GetValues(textValues));
  EXPECT_EQ(textValues.locY, 2);
  EXPECT_EQ(prompts.asked, (std::vector<std::string>{"Half width must be integer", "No of points must be integer"}));
  EXPECT_EQ(prompts.captions, (std::vector<std::string>{"Wrong Input", "Wrong Input"}));
}

}  // namespace
