#include <gtest/gtest.h>
#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/radiobox.h>
#include <wx/stattext.h>
#include <wx/statusbr.h>
#include <wx/textctrl.h>
#include <wx/toolbar.h>

#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "app/core/command_ids.h"
#include "app/extract_dialog.h"
#include "app/grid_dialog.h"
#include "app/my_child.h"
#include "app/my_frame.h"
#include "canvas/jobs/library_jobs.h"
#include "canvas/my_canvas.h"
#include "db/library.h"
#include "tests/app/app_environment.h"
#include "tests/app/window_fixture.h"

namespace {

template <typename T>
std::vector<T*> ChildrenOf(wxWindow* parent) {
  std::vector<T*> found;
  for (wxWindow* child : parent->GetChildren()) {
    if (auto* typed = dynamic_cast<T*>(child)) found.push_back(typed);
  }
  return found;
}

class ExtractCommandsTest : public app_test::AppWindowTest {
 protected:
  // The cells of the GDSII file at path, read back into a library of its own.
  std::set<std::string> CellsOf(const std::string& path) {
    Library read(dir_ + "/read" + std::to_string(reads_++) + ".db", false);
    ImportLayout(LayoutFormat::kGds, path, read);
    std::set<std::string> names;
    for (const auto& entry : read.nameMap) names.insert(entry.first);
    return names;
  }
  int reads_ = 0;
};

TEST_F(ExtractCommandsTest, ExtractDialogAnswersWriteAFileThatReadsBack) {
  MyChild* child = Import("chip.gds");
  ASSERT_TRUE(child);
  EXPECT_TRUE(child->GetMenuBar()->IsEnabled(kCmdExtract));
  EXPECT_TRUE(app_test::Frame()->GetToolBar()->GetToolEnabled(kCmdExtract));

  ExtractRequest gds;
  gds.type = 1;
  gds.fileName = dir_ + "/made/small";
  prompts_->extractions.push_back(gds);
  SendCommand(child, kCmdExtract);
  EXPECT_EQ(CellsOf(dir_ + "/made/small.gds"), std::set<std::string>{"TOP"});
  EXPECT_EQ(app_test::Frame()->GetStatusBar()->GetStatusText(0), "Ready");

  ExtractRequest text;
  text.type = 2;
  text.fileName = dir_ + "/dir/new/out";
  prompts_->extractions.push_back(text);
  SendCommand(child, kCmdExtract);
  EXPECT_GT(std::filesystem::file_size(dir_ + "/dir/new/out.poly"), 0u);

  // An empty name, and Cancel, do nothing.
  prompts_->extractions.push_back(ExtractRequest());
  SendCommand(child, kCmdExtract);
  SendCommand(child, kCmdExtract);
  EXPECT_FALSE(std::filesystem::exists(dir_ + "/.oas"));

  // A file in the way of the directory: the error is shown, and no file made.
  std::ofstream(dir_ + "/plain") << "x";
  gds.fileName = dir_ + "/plain/out";
  prompts_->extractions.push_back(gds);
  SendCommand(child, kCmdExtract);
  EXPECT_EQ(app_test::Frame()->GetStatusBar()->GetStatusText(0).Left(14), "ERROR: GDSOUT:");
  app_test::Frame()->SetStatusText("Ready", 0);
}

TEST_F(ExtractCommandsTest, ExtractDialogKeepsItsControlsAndBrowseAddsTheExtension) {
  ExtractDialog dialog(app_test::Frame());
  EXPECT_EQ(dialog.GetTitle(), "Extract Library");
  std::vector<wxRadioBox*> types = ChildrenOf<wxRadioBox>(&dialog);
  ASSERT_EQ(types.size(), 1u);
  EXPECT_EQ(types[0]->GetLabel(), "Output Type");
  ASSERT_EQ(types[0]->GetCount(), 3u);
  EXPECT_EQ(types[0]->GetString(2), "TEXT");
  std::vector<std::string> boxes;
  for (wxCheckBox* box : ChildrenOf<wxCheckBox>(&dialog)) boxes.push_back(std::string(box->GetLabel().utf8_str()));
  EXPECT_EQ(boxes, (std::vector<std::string>{"Layers visible", "Area last zoomed", "Flatten"}));
  ASSERT_TRUE(dialog.FindWindow(ExtractDialog::kBrowseId));
  EXPECT_EQ(dialog.FindWindow(ExtractDialog::kBrowseId)->GetLabel(), "Browse");

  types[0]->SetSelection(2);
  prompts_->files.push_back("/chosen/name");
  wxCommandEvent browse(wxEVT_BUTTON, ExtractDialog::kBrowseId);
  dialog.GetEventHandler()->ProcessEvent(browse);
  EXPECT_EQ(prompts_->asked.back(), "Save to file");
  const ExtractRequest request = dialog.Request();
  EXPECT_EQ(request.type, 2);
  EXPECT_EQ(request.fileName, "/chosen/name.poly");
}

TEST_F(ExtractCommandsTest, AngleGridStoresTheAngleEvenWhenTheGridIsRefused) {
  GridDialog dialog(app_test::Frame(), 1, 7, 0.25);
  EXPECT_EQ(dialog.GetTitle(), "Set Angle/Grid");
  EXPECT_EQ(dialog.AngleType(), 1);
  EXPECT_EQ(dialog.GridText(), "7");
  std::vector<wxStaticText*> labels = ChildrenOf<wxStaticText>(&dialog);
  ASSERT_FALSE(labels.empty());
  EXPECT_EQ(labels[0]->GetLabel(), "Snapping grid unit (DB Unit=0.25nm):");

  MyChild* child = Import("chip.gds");
  ASSERT_TRUE(child);
  EXPECT_TRUE(child->GetMenuBar()->IsEnabled(kCmdAngleGrid));
  const int32_t grid = child->Session().Settings().snapGrid;
  for (const char* refused : {"0", "abc", "99999999999"}) {
    prompts_->angleGrids.push_back({3, refused});
    prompts_->asked.clear();
    SendCommand(child, kCmdAngleGrid);
    EXPECT_EQ(child->Session().Settings().angleType, 3) << refused;
    EXPECT_EQ(child->Session().Settings().snapGrid, grid) << refused;
    EXPECT_EQ(prompts_->asked, std::vector<std::string>{"Input must be positive integer"}) << refused;
  }
  prompts_->angleGrids.push_back({0, "25"});
  SendCommand(child, kCmdAngleGrid);
  EXPECT_EQ(child->Session().Settings().angleType, 0);
  EXPECT_EQ(child->Session().Settings().snapGrid, 25);
  // Cancel changes nothing; the dialog is offered the current grid.
  SendCommand(child, kCmdAngleGrid);
  EXPECT_EQ(prompts_->offeredGrids.back(), 25);
  EXPECT_EQ(child->Session().Settings().angleType, 0);
}

}  // namespace
