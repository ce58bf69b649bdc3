#include "canvas/view/inspection.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <tuple>

#include "canvas/view/edit_state.h"
#include "db/error.h"
#include "tests/canvas/view/view_test_library.h"

namespace {

using BoxTuple = std::tuple<int32_t, int32_t, int32_t, int32_t>;

TEST(InspectZoom, CentreInSixtyFourBitsAndHalfWidth) {
  InspectView v = InspectZoom(Box(5000, 7000, 5000, 7000), 0.001, 4000, 2001);
  EXPECT_EQ(std::make_tuple(v.x, v.y, v.hw, v.zoom), std::make_tuple(5, 7, 1, true));
  // 1.5 um rounds away from zero; a view of 2 um is not larger than hw = 4 um.
  v = InspectZoom(Box(-3001, -5001, -1501, -5000), 0.001, 4000, 4000);
  EXPECT_EQ(std::make_tuple(v.x, v.y, v.hw, v.zoom), std::make_tuple(-2, -5, 4, false));
  v = InspectZoom(Box(2147483000, 2147482000, 2147483600, 2147483600), 0.001, 1, 1);
  EXPECT_EQ(std::make_tuple(v.x, v.y), std::make_tuple(2147483, 2147482));
}

// Every box an inspection of key gives, from Start to the end of the search.
std::set<BoxTuple> InspectAll(EditState& edit, Library& library, LayerKey key, const Cell* overlay = nullptr) {
  Inspection inspection;
  std::set<BoxTuple> boxes;
  for (std::optional<Box> b = inspection.Start(edit, library, uint32_t(library.FindIndex("TOP")), overlay, key); b;
       b = inspection.Next(edit, library, overlay)) {
    EXPECT_TRUE(boxes.emplace(b->x1, b->y1, b->x2, b->y2).second) << "a shape came twice";
  }
  EXPECT_FALSE(edit.inspectionActive);
  return boxes;
}

TEST(Inspection, VisitsThePlacedShapesOfTheLayerUnderTheShownCellOnly) {
  libtest::TempDir dir;
  auto library = viewtest::OpenViewLibrary(dir);
  EditState edit;
  edit.selectionRing.AddRectangle(Box(0, 0, 5, 5));
  // The text on 7/0 is passed over; the turned placement is mapped into TOP.
  const std::set<BoxTuple> leaves = {{1000, 500, 1100, 550}, {1950, 1000, 2000, 1100}};
  EXPECT_EQ(InspectAll(edit, *library, viewtest::kLeafLayer), leaves);
  EXPECT_FALSE(edit.HasSelection());
  EXPECT_TRUE(InspectAll(edit, *library, 9 << 8).empty()) << "9/0 lies under another root";

  Inspection inspection;
  EXPECT_FALSE(inspection.Next(edit, *library, nullptr).has_value());
  ASSERT_TRUE(inspection.Start(edit, *library, uint32_t(library->FindIndex("TOP")), nullptr, viewtest::kLeafLayer));
  library->MoveEditGeneration();
  EXPECT_FALSE(inspection.Next(edit, *library, nullptr).has_value()) << "an edit ends the walk";
}

TEST(Inspection, OverlayLayerIsSearchedInTheOverlayCellClippedToTheShownCell) {
  libtest::TempDir dir;
  auto library = viewtest::OpenViewLibrary(dir);
  const LayerKey overlayKey = MakeLayerKey(512, 1);
  Cell overlay;
  for (const Box& b : {Box(10, 20, 30, 40), Box(3900, 2900, 9000, 9000), Box(5000, 5000, 6000, 6000)}) {
    RingSet rings;
    rings.AddRectangle(b);
    overlay.AddRingSet(rings, overlayKey, true);
  }
  EditState edit;
  const std::set<BoxTuple> expected = {{10, 20, 30, 40}, {3900, 2900, 4000, 3000}};
  EXPECT_EQ(InspectAll(edit, *library, overlayKey, &overlay), expected);
  std::map<LayerKey, LayerInfo> layers{{MakeLayerKey(1, 0), {}}, {overlayKey, {}}, {MakeLayerKey(600, 3), {}}};
  layers[MakeLayerKey(5, 2)].layerName = "METAL";
  layers[MakeLayerKey(5, 2)].datatypeName = "DRAW";
  const std::vector<std::string> lines = {"001 000", "METAL  DRAW", "Poly 001", "600 003"};
  EXPECT_EQ(InspectLayerLines(layers, {overlayKey}), lines);
}

TEST(Inspection, UnreadableCellEndsTheInspectionWithItsError) {
  libtest::TempDir dir;
  auto library = viewtest::OpenViewLibrary(dir);
  for (const auto& entry : std::filesystem::directory_iterator(dir.File("view.db"))) {
    if (entry.path().filename().string().rfind("db", 0) == 0) std::filesystem::resize_file(entry.path(), 6);
  }
  EditState edit;
  Inspection inspection;
  EXPECT_THROW(inspection.Start(edit, *library, uint32_t(library->FindIndex("TOP")), nullptr, viewtest::kLeafLayer),
               Error);
  EXPECT_FALSE(edit.inspectionActive || edit.HasPickPath());
  EXPECT_FALSE(inspection.Next(edit, *library, nullptr).has_value());
}

}  // namespace
