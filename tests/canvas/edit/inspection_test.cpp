#include "canvas/edit/inspection.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <tuple>

#include "canvas/edit/edit_state.h"
#include "db/error.h"
#include "tests/canvas/edit/view_test_library.h"

namespace {

using BoxTuple = std::tuple<int32_t, int32_t, int32_t, int32_t>;
BoxTuple Corners(const Box& b) { return {b.x1, b.y1, b.x2, b.y2}; }

TEST(InspectZoom, CentreAndHalfWidthInMicrometres) {
  // A point rounds to a size of 0 and gets the half width 1.
  InspectView v = InspectZoom(Box(5000, 7000, 5000, 7000), 0.001, 40000, 30000);
  EXPECT_EQ(std::make_tuple(v.x, v.y, v.hw, v.zoom), std::make_tuple(5, 7, 1, true));
  // 1.5 um rounds away from zero to 2; the centre is truncated towards zero after halving.
  v = InspectZoom(Box(-1001, -4, 499, 0), 0.001, 40000, 30000);
  EXPECT_EQ(std::make_tuple(v.x, v.y, v.hw), std::make_tuple(0, 0, 4));
  v = InspectZoom(Box(-3001, -5001, -1001, -5000), 0.001, 40000, 30000);
  EXPECT_EQ(std::make_tuple(v.x, v.y, v.hw), std::make_tuple(-2, -5, 4));
  // Corners whose sum passes the 32-bit range.
  v = InspectZoom(Box(2147483000, 2147482000, 2147483600, 2147483600), 0.001, 40000000, 30000000);
  EXPECT_EQ(std::make_tuple(v.x, v.y), std::make_tuple(2147483, 2147482));
}

TEST(InspectZoom, ZoomsOnlyIntoAViewLargerThanTheSquare) {
  // hw = 2 um: a view whose smaller side is 2 um or less shows the full view instead.
  EXPECT_TRUE(InspectZoom(Box(0, 0, 1000, 400), 0.001, 4000, 2001).zoom);
  EXPECT_FALSE(InspectZoom(Box(0, 0, 1000, 400), 0.001, 4000, 2000).zoom);
  EXPECT_FALSE(InspectZoom(Box(0, 0, 1000, 400), 0.001, 1500, 40000).zoom);
}

TEST(InspectLayerLines, NamedOverlayAndPlainLayersInKeyOrder) {
  std::map<LayerKey, LayerInfo> layers;
  layers[MakeLayerKey(1, 0)] = LayerInfo{};
  layers[MakeLayerKey(5, 2)].layerName = "METAL";
  layers[MakeLayerKey(5, 2)].datatypeName = "DRAW";
  layers[MakeLayerKey(512, 1)] = LayerInfo{};
  layers[MakeLayerKey(600, 3)] = LayerInfo{};
  layers[MakeLayerKey(600, 4)] = LayerInfo{};
  const std::vector<std::string> expected = {"001 000", "METAL  DRAW", "Poly 001", "600 003", "Poly 004"};
  EXPECT_EQ(InspectLayerLines(layers, {MakeLayerKey(512, 1), MakeLayerKey(600, 4)}), expected);
}

// Every box an inspection of key gives, from Start to the end of the search.
std::set<BoxTuple> InspectAll(Inspection& inspection, EditState& edit, Library& library, LayerKey key,
                              const Cell* overlay = nullptr) {
  std::set<BoxTuple> boxes;
  const uint32_t top = uint32_t(library.FindIndex("TOP"));
  for (std::optional<Box> b = inspection.Start(edit, library, top, overlay, key); b;
       b = inspection.Next(edit, library, overlay)) {
    EXPECT_TRUE(boxes.insert(Corners(*b)).second) << "a shape came twice";
    EXPECT_TRUE(edit.inspectionActive);
  }
  EXPECT_FALSE(edit.inspectionActive);
  return boxes;
}

TEST(Inspection, VisitsEveryPlacedShapeInTheShownCellAndPassesTexts) {
  libtest::TempDir dir;
  auto library = viewtest::OpenViewLibrary(dir);
  EditState edit;
  Inspection inspection;
  const std::set<BoxTuple> expected = {{1000, 500, 1100, 550}, {1950, 1000, 2000, 1100}};
  EXPECT_EQ(InspectAll(inspection, edit, *library, viewtest::kLeafLayer), expected);
  EXPECT_EQ(edit.visibleLayers, std::set<LayerKey>{viewtest::kLeafLayer});
  EXPECT_EQ(InspectAll(inspection, edit, *library, viewtest::kBoxLayer), (std::set<BoxTuple>{{0, 0, 4000, 3000}}));
  // The 9/0 shapes lie under another root only.
  EXPECT_TRUE(InspectAll(inspection, edit, *library, viewtest::kOtherLayer).empty());
  EXPECT_FALSE(edit.HasPickPath());
}

TEST(Inspection, NextNeedsAWalkThatNoEditHasEnded) {
  libtest::TempDir dir;
  auto library = viewtest::OpenViewLibrary(dir);
  EditState edit;
  Inspection inspection;
  EXPECT_FALSE(inspection.Next(edit, *library, nullptr).has_value());

  const uint32_t top = uint32_t(library->FindIndex("TOP"));
  ASSERT_TRUE(inspection.Start(edit, *library, top, nullptr, viewtest::kLeafLayer).has_value());
  BumpEditGeneration(*library);
  EXPECT_FALSE(inspection.Next(edit, *library, nullptr).has_value());
  EXPECT_FALSE(edit.inspectionActive);
  EXPECT_FALSE(edit.HasPickPath());
}

TEST(Inspection, AStepOfTheWalkDropsTheSelectionOfTheOldPath) {
  libtest::TempDir dir;
  auto library = viewtest::OpenViewLibrary(dir);
  EditState edit;
  Inspection inspection;
  const uint32_t top = uint32_t(library->FindIndex("TOP"));
  edit.selectionRing.AddRectangle(Box(0, 0, 5, 5));
  edit.drawingPolygon = true;
  ASSERT_TRUE(inspection.Start(edit, *library, top, nullptr, viewtest::kLeafLayer).has_value());
  EXPECT_FALSE(edit.HasSelection());
  EXPECT_FALSE(edit.drawingPolygon);
  edit.selectionRing.AddRectangle(Box(0, 0, 5, 5));
  ASSERT_TRUE(inspection.Next(edit, *library, nullptr).has_value());
  EXPECT_FALSE(edit.HasSelection());
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
  Inspection inspection;
  // The shown cell's box ends at (4000, 3000): the ring beyond it gives nothing.
  const std::set<BoxTuple> expected = {{10, 20, 30, 40}, {3900, 2900, 4000, 3000}};
  EXPECT_EQ(InspectAll(inspection, edit, *library, overlayKey, &overlay), expected);
  EXPECT_FALSE(edit.HasPickPath());

  // A pick walk made after an overlay inspection is what Next continues.
  const uint32_t top = uint32_t(library->FindIndex("TOP"));
  ASSERT_TRUE(inspection.Start(edit, *library, top, &overlay, overlayKey).has_value());
  edit.pickWalk.Init(Box(999, 499, 1001, 501), *library, {viewtest::kLeafLayer}, top);
  Trans found;
  LayerKey key = 0;
  ASSERT_NE(edit.pickWalk.EnterCell(found, key), nullptr);
  EXPECT_FALSE(inspection.Next(edit, *library, &overlay).has_value());
}

TEST(Inspection, UnreadableCellEndsTheInspectionWithItsError) {
  libtest::TempDir dir;
  auto library = viewtest::OpenViewLibrary(dir);
  for (const auto& entry : std::filesystem::directory_iterator(dir.File("view.db"))) {
    if (entry.path().filename().string().rfind("db", 0) == 0) std::filesystem::resize_file(entry.path(), 6);
  }
  EditState edit;
  Inspection inspection;
  const uint32_t top = uint32_t(library->FindIndex("TOP"));
  EXPECT_THROW(inspection.Start(edit, *library, top, nullptr, viewtest::kLeafLayer), Error);
  EXPECT_FALSE(edit.inspectionActive);
  EXPECT_FALSE(edit.HasPickPath());
  EXPECT_FALSE(inspection.Next(edit, *library, nullptr).has_value());
}

}  // namespace
