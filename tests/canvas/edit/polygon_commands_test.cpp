#include "canvas/edit/polygon_commands.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <tuple>
#include <vector>

#include "db/cell_contents.h"
#include "db/db_polygon.h"
#include "db/log.h"
#include "tests/canvas/edit/edit_test_library.h"

namespace {

using edittest::EditLibrary;
using edittest::kMetal;
using edittest::kVia;
using ringtest::Ring;

bool BoxLess(const Box& a, const Box& b) {
  return std::tie(a.x1, a.y1, a.x2, a.y2) < std::tie(b.x1, b.y1, b.x2, b.y2);
}

// The box of every shape of key in the cell, sorted.
std::vector<Box> ShapeBoxes(const Cell& cell, LayerKey key) {
  std::vector<Box> boxes;
  auto list = cell.shapes.find(key);
  if (list == cell.shapes.end()) return boxes;
  for (ShapeGroup* g = list->second.Head(); g; g = g->next) {
    for (ShapePosition* p = g->firstPosition; p; p = p->next) {
      RingSet ring;
      g->record->ToRing(ring, Point(p->x, p->y));
      boxes.push_back(ring.GetBoundingBox());
    }
  }
  std::sort(boxes.begin(), boxes.end(), BoxLess);
  return boxes;
}

// The boxes the cell's index of key finds in a window, sorted: what a zoomed view draws.
std::vector<Box> IndexedBoxes(const Cell& cell, LayerKey key, const Box& window = Box(-100000, -100000, 100000, 100000)) {
  std::vector<Box> boxes;
  auto layer = cell.layers.find(key);
  if (layer == cell.layers.end()) return boxes;
  const SpatialIndex& index = layer->second.index;
  for (SpatialNode* e = index.QueryFirst(window); e; e = index.QueryNext(e, window)) boxes.push_back(e->box);
  std::sort(boxes.begin(), boxes.end(), BoxLess);
  return boxes;
}

Ring Rect(int32_t x1, int32_t y1, int32_t x2, int32_t y2) { return {{x1, y1}, {x2, y1}, {x2, y2}, {x1, y2}}; }

TEST(InsertPolygon, NewSelectionGoesIntoTheShownCellGrowsItsBoxAndSetsTheBits) {
  EditLibrary t;
  const uint64_t generation = t.lib.editGeneration;
  t.Select(Rect(300, 300, 340, 320));
  EditTarget target = t.Target();
  EXPECT_TRUE(InsertPolygon(target).redraw);
  EXPECT_EQ(ShapeBoxes(t.Top(), kMetal), (std::vector<Box>{Box(200, 200, 210, 210), Box(300, 300, 340, 320)}));
  EXPECT_EQ(IndexedBoxes(t.Top(), kMetal, Box(290, 290, 350, 330)), (std::vector<Box>{Box(300, 300, 340, 320)}));
  EXPECT_EQ(t.Top().box, Box(0, 0, 340, 320));
  EXPECT_EQ(t.Top().flags & kCellModified, kCellModified);
  EXPECT_EQ(t.Leaf().flags & kCellModified, 0);
  EXPECT_EQ(t.lib.flags, kLibCellsChanged | kLibInfoDirty | kLibHierarchyDirty);
  EXPECT_GT(t.lib.editGeneration, generation);
  EXPECT_FALSE(t.edit.HasSelection());

  // Inside the box: no growth bits. A selected layer row moves the polygon to that layer.
  t.ClearFlags();
  t.Select(Rect(50, 50, 60, 60));
  EditTarget viaRow = t.Target(1);
  InsertPolygon(viaRow);
  EXPECT_EQ(t.lib.flags, kLibCellsChanged);
  EXPECT_EQ(ShapeBoxes(t.Top(), kVia), (std::vector<Box>{Box(50, 50, 60, 60)}));

  t.lib.Save();
  EXPECT_EQ(t.Reopened(), t.Dump());
}

TEST(InsertPolygon, PickedShapeIsReplacedInItsOwnCellOnce) {
  EditLibrary t;
  // The leaf's square at (0, 0), reached through the placement at (100, 0).
  ASSERT_TRUE(t.Pick(Point(105, 5)));
  t.edit.selectionRing.Translate(0, 50);
  EditTarget target = t.Target();
  InsertPolygon(target);
  // Both placements show the moved square; the record's other position stays.
  EXPECT_EQ(ShapeBoxes(t.Leaf(), kMetal), (std::vector<Box>{Box(0, 50, 10, 60), Box(20, 0, 30, 10)}));
  EXPECT_EQ(IndexedBoxes(t.Leaf(), kMetal), (std::vector<Box>{Box(0, 50, 10, 60), Box(20, 0, 30, 10)}));
  EXPECT_EQ(ShapeBoxes(t.Top(), kMetal), (std::vector<Box>{Box(200, 200, 210, 210)}));
  EXPECT_EQ(t.Leaf().flags & kCellModified, kCellModified);
  EXPECT_EQ(t.Top().flags & kCellModified, 0);
  EXPECT_EQ(t.lib.flags, kLibCellsChanged | kLibInfoDirty | kLibHierarchyDirty);
  EXPECT_FALSE(t.edit.HasPickPath());
  t.lib.Save();
  EXPECT_EQ(t.Reopened(), t.Dump());
}

TEST(InsertPolygon, StoresEveryRingOfTheSelection) {
  EditLibrary t;
  t.Select(Rect(40, 40, 50, 50));
  ringtest::AddRing(t.edit.selectionRing, Rect(60, 40, 70, 50));
  EditTarget target = t.Target();
  InsertPolygon(target);
  EXPECT_EQ(ShapeBoxes(t.Top(), kMetal),
            (std::vector<Box>{Box(40, 40, 50, 50), Box(60, 40, 70, 50), Box(200, 200, 210, 210)}));
  EXPECT_EQ(IndexedBoxes(t.Top(), kMetal).size(), 3u);
}

TEST(InsertPolygon, ARingTooLargeForARecordIsRefusedAndThePickedShapeStays) {
  EditLibrary t;
  const std::string before = t.Dump();
  ASSERT_TRUE(t.Pick(Point(125, 5)));
  // A staircase of kMaxPolygonVertices + 2 vertices in place of the picked square.
  t.edit.selectionRing.Clear();
  Ring stairs{{0, 0}};
  for (int32_t i = 0; i < int32_t(kMaxPolygonVertices / 2); ++i) {
    stairs.emplace_back(2 * i, 2 * i + 2);
    stairs.emplace_back(2 * i + 2, 2 * i + 2);
  }
  stairs.emplace_back(stairs.back().x, 0);
  ringtest::AddRing(t.edit.selectionRing, stairs);
  EditTarget target = t.Target();
  EXPECT_EQ(InsertPolygon(target).errorLine, "ERROR: DB: Number of points exceeded limit\n");
  // The selection stays as shown, for the user to reshape.
  EXPECT_TRUE(t.edit.HasPickPath());
  EXPECT_EQ(t.edit.selectionRing.GetBoundingBox().x1, 0);
  EXPECT_EQ(t.Dump(), before);
  EXPECT_EQ(t.lib.flags, 0u);
}

TEST(InsertPolygon, PickedTextMovesToTheSelectionsTopLeftCorner) {
  EditLibrary t;
  ASSERT_TRUE(t.Pick(Point(115, 5)));
  t.edit.selectionRing.Translate(-5, 3);
  EditTarget target = t.Target();
  InsertPolygon(target);
  const TextItem* text = static_cast<const TextItem*>(t.Leaf().texts.Head()->item);
  EXPECT_EQ(Point(text->x, text->y), Point(10, 8));
  EXPECT_EQ(text->key, kVia);
  EXPECT_EQ(IndexedBoxes(t.Leaf(), kVia), (std::vector<Box>{Box(10, 8, 10, 8)}));
  EXPECT_EQ(t.Leaf().flags & kCellModified, kCellModified);
}

TEST(PastePolygon, ThenInsertAddsACopyAndKeepsTheSource) {
  EditLibrary t;
  ASSERT_TRUE(t.Pick(Point(205, 205)));
  PastePolygon(t.edit);
  EXPECT_FALSE(t.edit.HasPickPath());
  EditTarget target = t.Target();
  InsertPolygon(target);
  EXPECT_EQ(ShapeBoxes(t.Top(), kMetal), (std::vector<Box>{Box(200, 200, 210, 210), Box(300, 100, 310, 110)}));
  // A pasted text selection becomes a 1 x 1 polygon.
  ASSERT_TRUE(t.Pick(Point(115, 5)));
  PastePolygon(t.edit);
  InsertPolygon(target);
  EXPECT_EQ(ShapeBoxes(t.Top(), kVia), (std::vector<Box>{Box(215, -96, 216, -95)}));
  EXPECT_EQ(t.Leaf().texts.Count(), 1);
}

TEST(DeletePolygon, RemovesThePickedShapeOrTextOnly) {
  EditLibrary t;
  ASSERT_TRUE(t.Pick(Point(25, 5)));
  EditTarget target = t.Target();
  EXPECT_TRUE(DeletePolygon(target).redraw);
  EXPECT_EQ(ShapeBoxes(t.Leaf(), kMetal), (std::vector<Box>{Box(0, 0, 10, 10)}));
  EXPECT_EQ(IndexedBoxes(t.Leaf(), kMetal), (std::vector<Box>{Box(0, 0, 10, 10)}));
  EXPECT_EQ(t.lib.flags, kLibCellsChanged | kLibHierarchyDirty);
  ASSERT_TRUE(t.Pick(Point(15, 5)));
  DeletePolygon(target);
  EXPECT_EQ(t.Leaf().texts.Count(), 0);
  EXPECT_TRUE(IndexedBoxes(t.Leaf(), kVia).empty());
  t.lib.Save();
  EXPECT_EQ(t.Reopened(), t.Dump());

  // After Paste the path is gone: nothing to delete.
  ASSERT_TRUE(t.Pick(Point(205, 205)));
  PastePolygon(t.edit);
  t.ClearFlags();
  EXPECT_FALSE(DeletePolygon(target).redraw);
  EXPECT_EQ(t.lib.flags, 0u);
  EXPECT_EQ(ShapeBoxes(t.Top(), kMetal).size(), 1u);
}

TEST(EditCommands, RefuseAPolylineStillBeingDrawn) {
  EditLibrary t;
  const std::string before = t.Dump();
  ScriptedCanvasPrompts prompts;
  prompts.texts = {"5"};
  auto drawOpen = [&t] {
    t.edit.Cancel();
    RingVertex* first = nullptr;
    RingVertex* last = nullptr;
    for (const Point& p : {Point(0, 0), Point(50, 0), Point(50, 50), Point(0, 50)}) {
      AppendRingVertex(t.edit.selectionRing, p, first, last);
    }
    t.edit.drawingPolygon = true;
  };
  EditTarget target = t.Target();
  drawOpen();
  EXPECT_EQ(InsertPolygon(target).status, kNotConnectedStatus);
  EXPECT_EQ(SizingPolygon(t.edit, t.lib, prompts).status, kNotConnectedStatus);
  EXPECT_EQ(SubtractPolygons(target).status, kNotConnectedStatus);
  EXPECT_TRUE(prompts.asked.empty());
  EXPECT_EQ(t.edit.selectionRing.VertexCount(), 4u);
  EXPECT_EQ(t.Dump(), before);
  EXPECT_EQ(t.lib.flags, 0u);

  // Closed right after it started: the clean-up leaves nothing, so nothing is stored.
  t.Select({{0, 0}, {5, 5}});
  const EditOutcome degenerate = InsertPolygon(target);
  EXPECT_EQ(degenerate.status, kNotConnectedStatus);
  EXPECT_FALSE(t.edit.HasSelection());
  EXPECT_EQ(t.Dump(), before);
  EXPECT_EQ(t.lib.flags, 0u);
}

TEST(EditCommands, RefusalsChangeNothing) {
  EditLibrary t;
  const std::string before = t.Dump();
  EditTarget noRow = t.Target();
  EXPECT_EQ(MergePolygons(noRow, Box()).status, "Layer must be selected, cancel polygon merge");
  EditTarget viaRow = t.Target(1);
  EXPECT_EQ(MergePolygons(viaRow, Box()).status, "Selected layer does not exist in top cell");
  EditTarget pastTable = t.Target(2);
  EXPECT_EQ(MergePolygons(pastTable, Box()).status, "Layer must be selected, cancel polygon merge");
  t.Select({{0, 0}, {40, 0}, {40, 40}, {20, 60}});
  EXPECT_EQ(SubtractPolygons(noRow).status, "Subtracting rectangle must be drawn , cancel");
  t.Select(Rect(0, 0, 40, 40), kVia);
  EXPECT_EQ(SubtractPolygons(noRow).status, "Selected layer does not exist in top cell");
  ASSERT_TRUE(t.Pick(Point(205, 205)));
  EXPECT_EQ(SubtractPolygons(noRow).status, "Subtracting rectangle must be drawn , cancel");
  EXPECT_EQ(t.Dump(), before);
  EXPECT_EQ(t.lib.flags, 0u);
}

TEST(SizingPolygon, ParsesTheFirstTokenInNanometres) {
  EXPECT_EQ(ParseSizingAmount("abc", 1.0), 0);
  EXPECT_EQ(ParseSizingAmount("-3", 1.0), -3);
  EXPECT_EQ(ParseSizingAmount("-3", 4.0), -12);
  EXPECT_EQ(ParseSizingAmount(" 12abc 7", 1.0), 12);
  EXPECT_EQ(ParseSizingAmount("3", 0.5), 2);
  EXPECT_EQ(ParseSizingAmount("-3", 0.5), -2);
  EXPECT_EQ(ParseSizingAmount("  ", 1.0), std::nullopt);
  EXPECT_EQ(ParseSizingAmount("", 1.0), std::nullopt);
}

TEST(SizingPolygon, GrowsTheSelectionAndLeavesTheLibrary) {
  EditLibrary t;
  t.lib.unitsPerNm = 2.0;
  ScriptedCanvasPrompts prompts;
  prompts.texts = {"5", "  "};
  t.Select(Rect(0, 0, 100, 40));
  EXPECT_TRUE(SizingPolygon(t.edit, t.lib, prompts).redraw);
  EXPECT_EQ(prompts.asked, (std::vector<std::string>{"Input sizing amount in nm"}));
  EXPECT_EQ(t.edit.selectionRing.GetBoundingBox(), Box(-10, -10, 110, 50));
  EXPECT_EQ(t.edit.selectionRing.VertexCount(), 4u);
  // Blanks only: nothing happens.
  EXPECT_FALSE(SizingPolygon(t.edit, t.lib, prompts).redraw);
  EXPECT_EQ(t.edit.selectionRing.GetBoundingBox(), Box(-10, -10, 110, 50));
  EXPECT_EQ(t.lib.flags, 0u);
}

TEST(TransformPolygon, FlipsKeepTheCentreRuleAndRotateAboutTheFirstVertex) {
  EditLibrary t;
  t.Select(Rect(-3, 10, 0, 15));
  FlipXPolygon(t.edit);
  // c = 2 * floor(-3 / 2) = -4: the odd-width selection moves by one unit.
  EXPECT_EQ(t.edit.selectionRing.GetBoundingBox(), Box(-4, 10, -1, 15));
  FlipYPolygon(t.edit);
  // c = 2 * floor(25 / 2) = 24.
  EXPECT_EQ(t.edit.selectionRing.GetBoundingBox(), Box(-4, 9, -1, 14));
  // The ring's first vertex in the set is (10, 15), the point added last.
  t.Select({{10, 10}, {30, 10}, {30, 15}, {10, 15}});
  Rotate90Polygon(t.edit);
  EXPECT_EQ(ringtest::RingFrom(t.edit.selectionRing.Head()), (Ring{{10, 15}, {15, 15}, {15, 35}, {10, 35}}));
}

TEST(SnapPolygon, RoundsToTheGridAndIgnoresGridsBelowTwo) {
  EditLibrary t;
  t.Select({{3, 4}, {17, 4}, {17, 26}});
  EXPECT_FALSE(SnapPolygon(t.edit, 0).redraw);
  EXPECT_FALSE(SnapPolygon(t.edit, 1).redraw);
  EXPECT_EQ(ringtest::RingFrom(t.edit.selectionRing.Head()), (Ring{{17, 26}, {3, 4}, {17, 4}}));
  EXPECT_TRUE(SnapPolygon(t.edit, 10).redraw);
  EXPECT_EQ(ringtest::RingFrom(t.edit.selectionRing.Head()), (Ring{{20, 30}, {0, 0}, {20, 0}}));
}

// A shown cell of its own: three metal rectangles, two of them overlapping, and a metal text.
struct MergeLibrary : EditLibrary {
  MergeLibrary() {
    libtest::AddShape(Top(), kMetal, Rect(0, 0, 100, 50), {{0, 300}}, true);
    libtest::AddShape(Top(), kMetal, Rect(0, 0, 50, 100), {{50, 300}}, true);
    libtest::AddShape(Top(), kMetal, Rect(0, 0, 10, 10), {{500, 300}}, true);
    Top().AddText(kMetal, lib.AddString("net"), 520, 320, true);
    Top().flags |= kCellModified;
    lib.flags |= kLibCellsChanged | kLibTextsDirty;
    lib.Save();
    ClearFlags();
  }
};

TEST(MergePolygons, WholeLayerBecomesOnePolygonPerIslandAndTextsStayIndexed) {
  MergeLibrary t;
  EditTarget target = t.Target(0);
  EXPECT_TRUE(MergePolygons(target, Box()).redraw);
  EXPECT_EQ(ShapeBoxes(t.Top(), kMetal),
            (std::vector<Box>{Box(0, 300, 100, 400), Box(200, 200, 210, 210), Box(500, 300, 510, 310)}));
  EXPECT_EQ(IndexedBoxes(t.Top(), kMetal),
            (std::vector<Box>{Box(0, 300, 100, 400), Box(200, 200, 210, 210), Box(500, 300, 510, 310),
                              Box(520, 320, 520, 320)}));
  EXPECT_EQ(t.Top().flags & kCellModified, kCellModified);
  EXPECT_EQ(t.lib.flags & kLibCellsChanged, kLibCellsChanged);
  t.lib.Save();
  EXPECT_EQ(t.Reopened(), t.Dump());
}

TEST(MergePolygons, AnAreaMergesOnlyTheShapesMeetingIt) {
  MergeLibrary t;
  libtest::AddShape(t.Top(), kMetal, Rect(0, 0, 10, 10), {{505, 305}}, true);
  EditTarget target = t.Target(0);
  MergePolygons(target, Box(-10, 290, 120, 410));
  EXPECT_EQ(ShapeBoxes(t.Top(), kMetal),
            (std::vector<Box>{Box(0, 300, 100, 400), Box(200, 200, 210, 210), Box(500, 300, 510, 310),
                              Box(505, 305, 515, 315)}));
  EXPECT_EQ(IndexedBoxes(t.Top(), kMetal).size(), 5u);
  t.lib.Save();
  EXPECT_EQ(t.Reopened(), t.Dump());
}

TEST(MergePolygons, AFailingBooleanLeavesTheLayerAsItWasAndReportsTheError) {
  EditLibrary t;
  // Edges along the ends of the coordinate range whose crossings never settle.
  const Ring crossings = {{-2147483647, -2147483647 - 1}, {-2147483647 - 1, 2147483646}, {-2147483646, -2147483647 - 1},
                          {-2147483647 - 1, 2147483646}, {-2147483647, 2147483647},      {-2147483647 - 1, 2147483647}};
  RingSet ring;
  ringtest::AddRing(ring, crossings);
  t.Top().AddPolygonEdit(ring, kVia);
  libtest::AddShape(t.Top(), kVia, Rect(0, 0, 10, 10), {{50, 50}, {55, 55}}, true);
  t.ClearFlags();
  const std::string before = t.Dump();
  const uint64_t generation = t.lib.editGeneration;
  std::ostringstream log;
  SetLogStream(&log);
  EditTarget viaRow = t.Target(1);
  const EditOutcome outcome = MergePolygons(viaRow, Box());
  SetLogStream(nullptr);
  EXPECT_EQ(outcome.errorLine, "ERROR: DRC: Wrong segment ordering\n");
  EXPECT_FALSE(outcome.redraw);
  EXPECT_EQ(t.Dump(), before);
  EXPECT_EQ(t.Top().layers.at(kVia).Count(), 3);
  EXPECT_EQ(t.lib.flags, 0u);
  EXPECT_EQ(t.lib.editGeneration, generation);
}

TEST(SubtractPolygons, CutsTheRectangleFromTheShapesItMeets) {
  MergeLibrary t;
  t.Select(Rect(-10, 340, 200, 500));
  EditTarget target = t.Target();
  EXPECT_TRUE(SubtractPolygons(target).redraw);
  EXPECT_FALSE(t.edit.HasSelection());
  EXPECT_EQ(ShapeBoxes(t.Top(), kMetal),
            (std::vector<Box>{Box(0, 300, 100, 340), Box(200, 200, 210, 210), Box(500, 300, 510, 310)}));
  EXPECT_EQ(IndexedBoxes(t.Top(), kMetal).size(), 4u);
  EXPECT_EQ(t.lib.flags, kLibCellsChanged | kLibHierarchyDirty);
  t.lib.Save();
  EXPECT_EQ(t.Reopened(), t.Dump());
}

TEST(SubtractPolygons, ARectangleOverTheWholeCellEmptiesTheLayerButKeepsItsTexts) {
  MergeLibrary t;
  t.Select(Rect(-1, -1, 1000, 1000));
  EditTarget target = t.Target();
  SubtractPolygons(target);
  EXPECT_TRUE(ShapeBoxes(t.Top(), kMetal).empty());
  EXPECT_EQ(IndexedBoxes(t.Top(), kMetal), (std::vector<Box>{Box(520, 320, 520, 320)}));
  EXPECT_EQ(ShapeBoxes(t.Leaf(), kMetal).size(), 2u);
  t.lib.Save();
  EXPECT_EQ(t.Reopened(), t.Dump());
}

TEST(CancelSelection, DropsTheSelectionAndRedrawsOnlyWhenThereWasOne) {
  EditLibrary t;
  ASSERT_TRUE(t.Pick(Point(205, 205)));
  EditOutcome outcome = CancelSelection(t.edit);
  EXPECT_EQ(outcome.status, "Ready");
  EXPECT_TRUE(outcome.redraw);
  EXPECT_FALSE(t.edit.HasPickPath());
  EXPECT_FALSE(CancelSelection(t.edit).redraw);
}

}  // namespace
