#include <gtest/gtest.h>
#include <wx/image.h>
#include <wx/menu.h>

#include <fstream>
#include <iterator>

#include "app/core/command_ids.h"
#include "app/core/keybind.h"
#include "app/layer_lists.h"
#include "app/my_child.h"
#include "app/my_frame.h"
#include "canvas/my_canvas.h"
#include "db/library.h"
#include "tests/app/app_environment.h"
#include "tests/app/window_fixture.h"

namespace {

class ChildOverlayTest : public app_test::AppWindowTest {
 protected:
  void TearDown() override {
    AppWindowTest::TearDown();
    // The frame outlives the test: its bindings go back to their defaults.
    app_test::Frame()->InitKeyBindings();
  }

  static wxImage Drawn(MyChild* child) {
    child->canvas->RedrawView();
    child->canvas->Update();
    app_test::Pump();
    return child->canvas->BackBuffer()->ConvertToImage();
  }
  // The pixel of database point (x, y) in the full view.
  static std::string PixelAt(const wxImage& image, const ViewSession& session, int32_t x, int32_t y) {
    const int px = session.View().ToDeviceX(x), py = session.View().ToDeviceY(y);
    return Colour(image.GetRed(px, py), image.GetGreen(px, py), image.GetBlue(px, py));
  }
  static std::string Colour(int r, int g, int b) {
    return std::to_string(r) + "," + std::to_string(g) + "," + std::to_string(b);
  }
  std::string WriteFile(const std::string& name, const std::string& text) const {
    const std::string path = dir_ + "/" + name;
    std::ofstream(path, std::ios::binary) << text;
    return path;
  }
};

TEST_F(ChildOverlayTest, LoadConfigSetsChecksLabelsAndTheBackgroundOfEveryWindow) {
  MyChild* child = Import("chip.gds");
  ASSERT_NE(child, nullptr);
  prompts_->files.push_back(WriteFile("view.cfg",
                                      "ShowGrid\r\nShowName\r\nDepth 3\r\nBackground 10 20 30\r\nLayer 5 2 0\r\n"
                                      "Bindkey\r\n# relabel\r\nChangeColor Alt K\r\nEnd\r\n"));
  SendCommand(child, kCmdLoadConfig);
  wxMenuBar* bar = child->GetMenuBar();
  EXPECT_TRUE(bar->IsChecked(kCmdShowGrids));
  EXPECT_TRUE(bar->IsChecked(kCmdShowNames));
  EXPECT_FALSE(bar->IsChecked(kCmdShowOutlines));
  EXPECT_EQ(child->Session().Settings().depth, 3);
  EXPECT_EQ(child->Session().Settings().showNames, 1);
  EXPECT_TRUE(child->Session().GetLibrary()->layerMap.at(MakeLayerKey(5, 2)).colour & 0x80000000u);
  wxMenuItem* item = bar->FindItem(kCmdChangeColor);
  ASSERT_NE(item, nullptr);
  EXPECT_EQ(item->GetItemLabel(), "ChangeColor\tAlt-K");
  std::unique_ptr<wxAcceleratorEntry> accel(item->GetAccel());
  ASSERT_NE(accel, nullptr);
  EXPECT_EQ(accel->GetFlags(), wxACCEL_ALT);
  EXPECT_EQ(accel->GetKeyCode(), 'K');
  EXPECT_EQ(app_test::Frame()->KeyBindings()[kCmdChangeColor], MakeKeyBinding(2, 'K'));

  MyChild* second = Import("second.gds");
  ASSERT_NE(second, nullptr);
  ASSERT_NE(second, child);
  const wxImage image = Drawn(second);
  EXPECT_EQ(wxColour(image.GetRed(0, 0), image.GetGreen(0, 0), image.GetBlue(0, 0)), wxColour(10, 20, 30));
  EXPECT_EQ(child->Session().Settings().backgroundColour, (Rgb{10, 20, 30}));
}

TEST_F(ChildOverlayTest, SaveConfigAddsTheExtensionAndWritesTheLayers) {
  MyChild* child = Import("chip.gds");
  ASSERT_NE(child, nullptr);
  prompts_->files.push_back(dir_ + "/saved");
  SendCommand(child, kCmdSaveConfig);
  std::ifstream in(dir_ + "/saved.cfg");
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_EQ(text.rfind("Depth ", 0), 0u) << text;
  EXPECT_NE(text.find("\nLayer 1 0 1 "), std::string::npos) << text;
  EXPECT_NE(text.find("\nLayer 5 2 1 "), std::string::npos) << text;
  EXPECT_EQ(text.find("Background"), std::string::npos) << text;
}

TEST_F(ChildOverlayTest, PolyInDrawsTheOverlayInItsLayerColourAndRemovePolysTakesItAway) {
  MyChild* child = Import("chip.gds");
  ASSERT_NE(child, nullptr);
  const std::string before = PixelAt(Drawn(child), child->Session(), 3500, 500);
  prompts_->files.push_back(WriteFile("marks.poly", "0\n3000 200\n3900 800\n"));
  SendCommand(child, kCmdPolyIn);  // the layer choice is answered with Cancel: an overlay
  ASSERT_EQ(child->layerList->GetItemCount(), 3);
  EXPECT_EQ(child->layerList->GetItemText(2, 0), "Polygon");
  EXPECT_EQ(child->layerList->GetItemText(2, 1), "1");
  // Black, with the blue floor that keeps every layer colour apart from the black of no layer.
  EXPECT_EQ(PixelAt(Drawn(child), child->Session(), 3500, 500), Colour(0, 0, 8));
  child->Session().GetLibrary()->layerMap.at(MakeLayerKey(512, 1)).colour = 0x0020FF00;
  EXPECT_EQ(PixelAt(Drawn(child), child->Session(), 3500, 500), Colour(0, 255, 32));

  SendCommand(child, kCmdRemovePolys);
  EXPECT_EQ(child->layerList->GetItemCount(), 2);
  EXPECT_EQ(PixelAt(Drawn(child), child->Session(), 3500, 500), before);
  EXPECT_EQ(child->Session().GetLibrary()->layerMap.count(MakeLayerKey(512, 1)), 0u);
}

TEST_F(ChildOverlayTest, CriticalityIsDrawnListedToggledAndRemoved) {
  MyChild* child = Import("chip.gds");
  ASSERT_NE(child, nullptr);
  const std::string before = PixelAt(Drawn(child), child->Session(), 200, 1500);
  prompts_->files.push_back(WriteFile("hot.txt", "200 200 3800 2800 5\n"));
  SendCommand(child, kCmdCriticalityIn);
  ASSERT_EQ(child->layerList->GetItemCount(), 3);
  EXPECT_EQ(child->layerList->GetItemText(2, 0), "Criticality");
  EXPECT_EQ(child->styleList->GetItemText(2, 0), "//");
  // The box's left edge is drawn with the pen of the top of the scale: red.
  EXPECT_EQ(PixelAt(Drawn(child), child->Session(), 200, 1500), Colour(255, 0, 0));

  wxListEvent activate(wxEVT_LIST_ITEM_ACTIVATED, child->layerList->GetId());
  activate.m_itemIndex = 2;
  child->layerList->GetEventHandler()->ProcessEvent(activate);
  EXPECT_FALSE(child->Session().Overlays().criticality.criticalityShown);
  EXPECT_EQ(PixelAt(Drawn(child), child->Session(), 200, 1500), before);

  SendCommand(child, kCmdRemoveCriticality);
  EXPECT_EQ(child->layerList->GetItemCount(), 2);
  EXPECT_TRUE(child->Session().Overlays().criticality.criticalityBoxes.empty());

  // A file that cannot be opened is shown and keeps what was loaded.
  prompts_->files.push_back(dir_ + "/missing.txt");
  SendCommand(child, kCmdCriticalityIn);
  EXPECT_TRUE(Asked("The file can not be open"));
}

TEST_F(ChildOverlayTest, ReadLayerMapNamesTheRows) {
  MyChild* child = Import("chip.gds");
  ASSERT_NE(child, nullptr);
  prompts_->files.push_back(WriteFile("process.map", "# names\nM\xE9tal drawing 5 2\nNone x 9 9\n"));
  SendCommand(child, kCmdReadLayerMap);
  EXPECT_EQ(child->layerList->GetItemText(1, 0), wxString::FromUTF8("M\xC3\xA9tal"));
  EXPECT_EQ(child->layerList->GetItemText(1, 1), "drawing");
  prompts_->files.push_back(dir_ + "/missing.map");
  SendCommand(child, kCmdReadLayerMap);
  EXPECT_TRUE(Asked("LayerMap file can not be open"));
}

}  // namespace
