// Two windows on one library: what one window changes of the library-wide state, the other shows.
#include <wx/listctrl.h>

#include <fstream>

#include "tests/app/window_fixture.h"
#include "tests/canvas/canvas_paint.h"
#include "tests/canvas/canvas_test_util.h"

namespace {

class SharedLibraryTest : public app_test::AppWindowTest {
 protected:
  // The layout of WriteGds in one window, and a further window on the same library.
  void OpenTwoWindows() {
    first_ = Import("chip.gds");
    ASSERT_NE(first_, nullptr);
    const Library& library = *first_->Session().GetLibrary();
    second_ = app_test::Frame()->CreateCellChild("second", first_->Session().SharedDocument(),
                                                 int32_t(library.roots.front()));
    app_test::Pump();
    ASSERT_EQ(second_->Session().GetLibrary(), first_->Session().GetLibrary());
  }

  static void SendListEvent(LayerCtrl* list, wxEventType type, long row) {
    wxListEvent event(type, list->GetId());
    event.SetEventObject(list);
    event.m_itemIndex = row;
    list->GetEventHandler()->ProcessEvent(event);
    app_test::Pump();
  }

  static std::vector<std::string> Rows(MyChild* child) {
    std::vector<std::string> rows;
    for (int row = 0; row < child->layerList->GetItemCount(); ++row) {
      rows.push_back(std::string(
          (child->layerList->GetItemText(row, 0) + "/" + child->layerList->GetItemText(row, 1)).utf8_str()));
    }
    return rows;
  }

  MyChild* first_ = nullptr;
  MyChild* second_ = nullptr;
};

TEST_F(SharedLibraryTest, GeometryHighlightReachesEveryWindowAndTheWindowsOpenedLater) {
  OpenTwoWindows();
  second_->Session().Edit().selectionRing.AddRectangle(Box(500, 500, 3500, 2500));
  // Change Color in the first window: Geometry Highlight, answered with (10, 20, 30).
  prompts_->items = {2};
  SendCommand(first_, kCmdChangeColor);
  const wxColour chosen(10, 20, 30);
  EXPECT_GT(canvastest::CountColour(canvastest::PaintCanvas(*second_->canvas), chosen), 100);

  // A configuration file's HighGeo reaches a window opened after it was read.
  const std::string config = dir_ + "/highlight.cfg";
  std::ofstream(config, std::ios::binary) << "HighGeo 40 50 60\n";
  first_->LoadConfig(config);
  MyChild* later = Import("later.gds");
  ASSERT_NE(later, nullptr);
  EXPECT_EQ(later->Session().Settings().geometryHighlightColour, (Rgb{40, 50, 60}));
  EXPECT_EQ(second_->Session().Settings().geometryHighlightColour, (Rgb{40, 50, 60}));
}

TEST_F(SharedLibraryTest, LayersMadeOrHiddenInOneWindowAreListedRightInTheOther) {
  OpenTwoWindows();
  prompts_->texts = {"3 0"};
  wxListEvent create(wxEVT_LIST_COL_RIGHT_CLICK, first_->layerList->GetId());
  create.SetEventObject(first_->layerList);
  first_->layerList->GetEventHandler()->ProcessEvent(create);
  app_test::Pump();
  EXPECT_EQ(Rows(second_), (std::vector<std::string>{"1/0", "3/0", "5/2"}));

  // The row that reads 5/2 in the second window hides 5/2, and the first window lists it hidden.
  SendListEvent(second_->layerList, wxEVT_LIST_ITEM_ACTIVATED, 2);
  const std::map<LayerKey, LayerInfo>& layers = first_->Session().GetLibrary()->layerMap;
  EXPECT_TRUE(layers.at(MakeLayerKey(5, 2)).IsHidden());
  EXPECT_FALSE(layers.at(MakeLayerKey(3, 0)).IsHidden());
  const ColourBytes bytes = BytesOfColourWord(layers.at(MakeLayerKey(5, 2)).colour);
  const wxColour colour(bytes.red, bytes.green, bytes.blue);
  EXPECT_EQ(first_->styleList->GetItemTextColour(2), colour);
  EXPECT_NE(first_->styleList->GetItemBackgroundColour(2), colour);
}

TEST_F(SharedLibraryTest, ATextPolygonOverlaysRowGoesWithItsWindow) {
  OpenTwoWindows();
  const std::string path = dir_ + "/shapes.poly";
  std::ofstream(path) << "4\n0\t0\n100\t0\n100\t100\n0\t100\n0\n";
  // Cancel on "Save into": the polygons become the first window's overlay.
  prompts_->files = {path};
  SendCommand(first_, kCmdPolyIn);
  EXPECT_EQ(Rows(second_), (std::vector<std::string>{"1/0", "5/2", "Polygon/1"}));
  first_->Close(true);
  app_test::Pump();
  EXPECT_EQ(Rows(second_), (std::vector<std::string>{"1/0", "5/2"}));
  EXPECT_EQ(second_->Session().GetLibrary()->layerMap.size(), 2u);
}

}  // namespace
