#include "canvas/view/overlay_layers.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "db/library.h"
#include "db/log.h"
#include "tests/canvas/view/scripted_canvas_prompts.h"
#include "tests/db/library_test_util.h"

namespace {

using libtest::TempDir;

std::map<LayerKey, LayerInfo> Layers(const std::vector<LayerKey>& keys) {
  std::map<LayerKey, LayerInfo> layers;
  for (LayerKey key : keys) layers[key].key = key;
  return layers;
}

TEST(OverlayLayerKey, FollowsTheLargestKeyAndNeverTakesAnExistingOne) {
  EXPECT_EQ(OverlayLayerKey({}), MakeLayerKey(512, 1));
  EXPECT_EQ(OverlayLayerKey(Layers({MakeLayerKey(1, 0), MakeLayerKey(10, 0)})), MakeLayerKey(512, 1));
  EXPECT_EQ(OverlayLayerKey(Layers({MakeLayerKey(600, 3)})), MakeLayerKey(600, 4));
  // The datatype wraps to 600/0, which exists: the next key above the largest.
  EXPECT_EQ(OverlayLayerKey(Layers({MakeLayerKey(600, 0), MakeLayerKey(600, 255)})), MakeLayerKey(601, 0));
  // A layer of 0x8000 or more reads as negative and gives 512/1, here a real layer.
  EXPECT_EQ(OverlayLayerKey(Layers({MakeLayerKey(512, 1), MakeLayerKey(0x8000, 7)})), MakeLayerKey(0x8000, 8));
  EXPECT_EQ(OverlayLayerKey(Layers({MakeLayerKey(512, 1), MakeLayerKey(0x8000, 255), MakeLayerKey(0x8000, 0)})),
            MakeLayerKey(0x8001, 0));
  // Nothing above the largest possible key: the first free key from 512/1 on.
  EXPECT_EQ(OverlayLayerKey(Layers({MakeLayerKey(512, 1), MakeLayerKey(0xFFFF, 255), MakeLayerKey(0xFFFF, 0)})),
            MakeLayerKey(512, 2));
  // The placement layer is skipped.
  EXPECT_EQ(OverlayLayerKey(Layers({MakeLayerKey(0x3FFF, 255), MakeLayerKey(0x3FFF, 0)})), MakeLayerKey(0x4001, 0));
}

TEST(OverlayLayers, ChoiceItemsShowNamesOrLowLayerBits) {
  auto layers = Layers({MakeLayerKey(1, 0), MakeLayerKey(300, 7), MakeLayerKey(16, 2)});
  layers[MakeLayerKey(16, 2)].layerName = "M1";
  layers[MakeLayerKey(16, 2)].datatypeName = "pin";
  EXPECT_EQ(LayerChoiceItems(layers), (std::vector<std::string>{"001 000", "M1  pin", "044 007"}));
}

class TextPolygonOverlay : public ::testing::Test {
 protected:
  void SetUp() override {
    SetLogStream(&log_);
    std::filesystem::create_directories(dir_.File("lib"));
    top_ = library_.CreateCell("TOP");
    Cell& cell = *library_.GetCell(top_);
    cell.loaded = true;
    cell.flags |= kCellModified;
    libtest::AddShape(cell, MakeLayerKey(1, 0), {{0, 0}, {1000, 0}, {1000, 1000}, {0, 1000}}, {{0, 0}}, true);
    library_.roots.push_back(top_);
    library_.flags |= kLibInfoDirty | kLibNamesDirty | kLibCellsChanged;
    for (LayerKey key : {MakeLayerKey(1, 0), MakeLayerKey(10, 0)}) library_.layerMap[key].key = key;
    library_.layerMap[MakeLayerKey(1, 0)].colour = 0x123456;
  }
  void TearDown() override { SetLogStream(nullptr); }

  // Two rectangles, one with a collinear vertex, the second reaching beyond the cell.
  std::string WritePolygons() const {
    const std::string path = dir_.File("shapes.poly");
    std::ofstream(path) << "5\n0\t0\n50\t0\n100\t0\n100\t100\n0\t100\n0\n500 500\n2000 1500\n";
    return path;
  }
  Cell& Top() { return *library_.GetCell(top_); }

  TempDir dir_;
  std::ostringstream log_;
  Library library_{dir_.File("lib"), false};
  uint32_t top_ = 0;
  ScriptedCanvasPrompts prompts_;
  OverlayData overlay_;
};

TEST_F(TextPolygonOverlay, CancelMakesTheOverlayUnderANewKeyAndRemovingItTwiceChangesNothing) {
  const std::map<LayerKey, LayerInfo> before = library_.layerMap;
  const uint32_t flagsBefore = library_.flags;
  ASSERT_TRUE(LoadTextPolygons(WritePolygons(), library_, &Top(), overlay_, prompts_));
  EXPECT_EQ(prompts_.asked, (std::vector<std::string>{"Select layer to save into or 'Cancel' to read as pure poly"}));
  ASSERT_TRUE(overlay_.HasPolygons());
  const LayerKey key = MakeLayerKey(512, 1);
  ASSERT_EQ(overlay_.cell.shapes.count(key), 1u);
  EXPECT_EQ(overlay_.cell.shapes.at(key).Count(), 2);
  EXPECT_EQ(overlay_.cell.box, Box(0, 0, 2000, 1500));
  ASSERT_EQ(library_.layerMap.count(key), 1u);
  EXPECT_EQ(library_.layerMap.at(key).colour, 0u);
  EXPECT_EQ(library_.flags, flagsBefore);
  EXPECT_EQ(Top().shapes.size(), 1u);

  // A second overlay takes the key after the first.
  ASSERT_TRUE(LoadTextPolygons(WritePolygons(), library_, &Top(), overlay_, prompts_));
  EXPECT_EQ(overlay_.addedKeys, (std::vector<LayerKey>{key, MakeLayerKey(512, 2)}));

  // A real layer added after the overlay stays when the overlay goes.
  library_.layerMap[MakeLayerKey(600, 0)].key = MakeLayerKey(600, 0);
  EXPECT_TRUE(RemoveTextPolygons(library_, overlay_));
  EXPECT_FALSE(overlay_.HasPolygons());
  EXPECT_TRUE(overlay_.cell.box.IsEmpty());
  std::map<LayerKey, LayerInfo> expected = before;
  expected[MakeLayerKey(600, 0)].key = MakeLayerKey(600, 0);
  EXPECT_EQ(library_.layerMap.size(), expected.size());
  for (const auto& entry : expected) EXPECT_EQ(library_.layerMap.count(entry.first), 1u) << entry.first;
  EXPECT_FALSE(RemoveTextPolygons(library_, overlay_));
  EXPECT_EQ(library_.layerMap.size(), expected.size());
}

TEST_F(TextPolygonOverlay, SavedIntoALayerTheRingsSurviveSaveAndReopen) {
  prompts_.items.push_back(1);  // 10/0
  const uint64_t generation = library_.editGeneration;
  ASSERT_TRUE(LoadTextPolygons(WritePolygons(), library_, &Top(), overlay_, prompts_));
  EXPECT_FALSE(overlay_.HasPolygons());
  EXPECT_EQ(library_.layerMap.size(), 2u);
  EXPECT_EQ(Top().box, Box(0, 0, 2000, 1500));
  EXPECT_TRUE(library_.flags & kLibHierarchyDirty);
  EXPECT_TRUE(library_.flags & kLibCellsChanged);
  EXPECT_TRUE(Top().flags & kCellModified);
  EXPECT_NE(library_.editGeneration, generation);
  ASSERT_EQ(Top().layers.count(MakeLayerKey(10, 0)), 1u);
  EXPECT_EQ(Top().layers.at(MakeLayerKey(10, 0)).Count(), 2);
  const std::string dumped = libtest::DumpCell(library_, Top());
  EXPECT_NE(dumped.find("shape 2560: 0,0 100,0 100,100 0,100"), std::string::npos) << dumped;

  library_.Save();
  Library reopened(dir_.File("lib"), false);
  reopened.Open();
  Cell* cell = reopened.GetCell(reopened.FindIndex("TOP"));
  ASSERT_NE(cell, nullptr);
  reopened.LoadCell(*cell, true);
  EXPECT_EQ(libtest::DumpCell(reopened, *cell), dumped);
  EXPECT_EQ(reopened.layerMap.count(MakeLayerKey(10, 0)), 1u);
}

TEST_F(TextPolygonOverlay, UnreadableFileIsShownAndChangesNothing) {
  EXPECT_FALSE(LoadTextPolygons(dir_.File("missing.poly"), library_, &Top(), overlay_, prompts_));
  EXPECT_EQ(prompts_.asked, (std::vector<std::string>{"The file reading failed"}));
  EXPECT_EQ(prompts_.captions, (std::vector<std::string>{"Help"}));
  EXPECT_EQ(library_.layerMap.size(), 2u);
  // A file without rings asks nothing and adds nothing.
  const std::string empty = dir_.File("empty.poly");
  std::ofstream(empty) << "";
  EXPECT_TRUE(LoadTextPolygons(empty, library_, &Top(), overlay_, prompts_));
  EXPECT_EQ(prompts_.asked.size(), 1u);
  EXPECT_TRUE(overlay_.addedKeys.empty());
  EXPECT_FALSE(RemoveTextPolygons(library_, overlay_));
}

TEST_F(TextPolygonOverlay, EveryPrefixOfAFileReadsAsAnOverlayThatRemovesCleanly) {
  const std::string file = "5\n0\t0\n50\t0\n100\t0\n100\t100\n0\t100\n0\n500 500\n2000 1500\n";
  const std::map<LayerKey, LayerInfo> before = library_.layerMap;
  for (size_t n = 0; n <= file.size(); ++n) {
    const std::string path = dir_.File("prefix.poly");
    std::ofstream(path, std::ios::trunc) << file.substr(0, n);
    ASSERT_TRUE(LoadTextPolygons(path, library_, &Top(), overlay_, prompts_)) << n;
    EXPECT_LE(overlay_.addedKeys.size(), 1u) << n;
    const bool read = !overlay_.addedKeys.empty();
    EXPECT_EQ(RemoveTextPolygons(library_, overlay_), read) << n;
    EXPECT_EQ(library_.layerMap.size(), before.size()) << n;
  }
}

}  // namespace
