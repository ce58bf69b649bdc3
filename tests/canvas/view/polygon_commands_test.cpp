#include "canvas/view/polygon_commands.h"

#include <gtest/gtest.h>

#include <vector>

#include "db/db_polygon.h"
#include "tests/canvas/view/edit_test_library.h"

namespace {

using edittest::EditLibrary;
using edittest::IndexedBoxes;
using edittest::kMetal;
using edittest::kVia;
using edittest::Rect;
using edittest::ShapeBoxes;
using Boxes = std::vector<Box>;

TEST(InsertPolygon, NewSelectionGoesIntoTheShownCellGrowsItsBoxAndSetsTheBits) {
  EditLibrary t;
  const uint64_t generation = t.lib.editGeneration;
  t.Select(Rect(300, 300, 340, 320));
  ringtest::AddRing(t.edit.selectionRing, Rect(360, 300, 370, 310));
  EXPECT_TRUE(InsertPolygon(t.Target()).redraw);
  // Every ring is stored and indexed.
  EXPECT_EQ(IndexedBoxes(t.Top(), kMetal), (Boxes{{200, 200, 210, 210}, {300, 300, 340, 320}, {360, 300, 370, 310}}));
  EXPECT_EQ(t.Top().box, Box(0, 0, 370, 320));
  EXPECT_EQ(t.Top().flags & kCellModified, kCellModified);
  EXPECT_EQ(t.lib.flags, kLibCellsChanged | kLibInfoDirty | kLibHierarchyDirty);
  EXPECT_GT(t.lib.editGeneration, generation);
  EXPECT_FALSE(t.edit.HasSelection());
  // Inside the box no growth bits; a selected layer row moves the polygon to that layer.
  t.ClearFlags();
  t.Select(Rect(50, 50, 60, 60));
  InsertPolygon(t.Target(1));
  EXPECT_EQ(t.lib.flags, kLibCellsChanged);
  EXPECT_EQ(ShapeBoxes(t.Top(), kVia), (Boxes{{50, 50, 60, 60}}));
  t.lib.Save();
  EXPECT_EQ(t.Reopened(), t.Dump());
}

TEST(InsertPolygon, PickedShapeIsReplacedInItsOwnCellOnce) {
  EditLibrary t;
  // The leaf's square at (0, 0), reached through the placement at (100, 0).
  ASSERT_TRUE(t.Pick(Point(105, 5)));
  t.edit.selectionRing.Translate(0, 50);
  InsertPolygon(t.Target());
  // Both placements show the moved square; the record's other position stays.
  EXPECT_EQ(IndexedBoxes(t.Leaf(), kMetal), (Boxes{{0, 50, 10, 60}, {20, 0, 30, 10}}));
  EXPECT_EQ(ShapeBoxes(t.Top(), kMetal), (Boxes{{200, 200, 210, 210}}));
  EXPECT_EQ(t.Leaf().flags & kCellModified, kCellModified);
  EXPECT_EQ(t.Top().flags & kCellModified, 0);
  EXPECT_EQ(t.lib.flags, kLibCellsChanged | kLibInfoDirty | kLibHierarchyDirty);
  // A picked text moves to the top-left corner of its rectangle, in its own cell.
  ASSERT_TRUE(t.Pick(Point(115, 5)));
  t.edit.selectionRing.Translate(-5, 3);
  InsertPolygon(t.Target());
  EXPECT_EQ(IndexedBoxes(t.Leaf(), kVia), (Boxes{{10, 8, 10, 8}}));
  t.lib.Save();
  EXPECT_EQ(t.Reopened(), t.Dump());
}

TEST(InsertPolygon, ARingTooLargeForARecordIsRefusedAndThePickedShapeStays) {
  EditLibrary t;
  const std::string before = t.Dump();
  ASSERT_TRUE(t.Pick(Point(125, 5)));
  // A staircase of kMaxPolygonVertices + 1 vertices in place of the picked square.
  t.edit.selectionRing.Clear();
  ringtest::Ring stairs{{0, 0}};
  for (int32_t i = 0; i < int32_t(kMaxPolygonVertices / 2); ++i) {
    stairs.emplace_back(2 * i, 2 * i + 2);
    stairs.emplace_back(2 * i + 2, 2 * i + 2);
  }
  stairs.emplace_back(stairs.back().x, 0);
  ringtest::AddRing(t.edit.selectionRing, stairs);
  EXPECT_EQ(InsertPolygon(t.Target()).errorLine, "ERROR: DB: Number of points exceeded limit\n");
  // The selection stays as shown, not mapped into the leaf.
  EXPECT_EQ(t.edit.selectionRing.GetBoundingBox().x1, 0);
  EXPECT_EQ(t.Dump(), before);
  EXPECT_EQ(t.lib.flags, 0u);
}

TEST(PasteAndDelete, PasteKeepsTheSourceAndDeleteRemovesOnlyThePick) {
  EditLibrary t;
  ASSERT_TRUE(t.Pick(Point(205, 205)));
  PastePolygon(t.edit);
  EXPECT_FALSE(DeletePolygon(t.Target()).redraw);
  InsertPolygon(t.Target());
  EXPECT_EQ(ShapeBoxes(t.Top(), kMetal), (Boxes{{200, 200, 210, 210}, {300, 100, 310, 110}}));
  // A pasted text selection becomes a 1 x 1 polygon.
  ASSERT_TRUE(t.Pick(Point(115, 5)));
  PastePolygon(t.edit);
  InsertPolygon(t.Target());
  EXPECT_EQ(ShapeBoxes(t.Top(), kVia), (Boxes{{215, -96, 216, -95}}));
  t.lib.Save();
  t.ClearFlags();
  ASSERT_TRUE(t.Pick(Point(25, 5)));
  EXPECT_TRUE(DeletePolygon(t.Target()).redraw);
  EXPECT_EQ(IndexedBoxes(t.Leaf(), kMetal), (Boxes{{0, 0, 10, 10}}));
  EXPECT_EQ(t.lib.flags, kLibCellsChanged | kLibHierarchyDirty);
  ASSERT_TRUE(t.Pick(Point(15, 5)));
  DeletePolygon(t.Target());
  EXPECT_EQ(t.Leaf().texts.Count(), 0);
  EXPECT_TRUE(IndexedBoxes(t.Leaf(), kVia).empty());
  t.lib.Save();
  EXPECT_EQ(t.Reopened(), t.Dump());
}

TEST(EditCommands, RefusalsChangeNothing) {
  EditLibrary t;
  const std::string before = t.Dump();
  ScriptedCanvasPrompts prompts;
  // A polyline still being drawn: its ends lack ring links.
  for (const Point& p : {Point(0, 0), Point(50, 0), Point(50, 50)}) t.edit.selectionRing.PushBack(p);
  EXPECT_EQ(InsertPolygon(t.Target()).status, kNotConnectedStatus);
  EXPECT_EQ(SizingPolygon(t.Target(prompts)).status, kNotConnectedStatus);
  EXPECT_EQ(SubtractPolygons(t.Target()).status, kNotConnectedStatus);
  EXPECT_TRUE(prompts.asked.empty());
  // Closed right after it started: the clean-up leaves nothing, so nothing is stored.
  t.Select({{0, 0}, {5, 5}});
  EXPECT_EQ(InsertPolygon(t.Target()).status, kNotConnectedStatus);
  EXPECT_FALSE(t.edit.HasSelection());

  EXPECT_EQ(MergePolygons(t.Target()).status, "Layer must be selected, cancel polygon merge");
  EXPECT_EQ(MergePolygons(t.Target(2)).status, "Layer must be selected, cancel polygon merge");
  EXPECT_EQ(MergePolygons(t.Target(1)).status, "Selected layer does not exist in top cell");
  t.Select({{0, 0}, {40, 0}, {40, 40}, {20, 60}});
  EXPECT_EQ(SubtractPolygons(t.Target()).status, "Subtracting rectangle must be drawn , cancel");
  t.Select(Rect(0, 0, 40, 40), kVia);
  EXPECT_EQ(SubtractPolygons(t.Target()).status, "Selected layer does not exist in top cell");
  EXPECT_EQ(t.Dump(), before);
  EXPECT_EQ(t.lib.flags, 0u);
}

TEST(ReshapeSelection, SizingFlipsRotateAndSnap) {
  EXPECT_EQ(ParseSizingAmount("abc", 1.0), 0);
  EXPECT_EQ(ParseSizingAmount("-3", 4.0), -12);
  EXPECT_EQ(ParseSizingAmount(" 12abc 7", 1.0), 12);
  EXPECT_EQ(ParseSizingAmount("-3", 0.5), -2);
  EXPECT_EQ(ParseSizingAmount("  ", 1.0), std::nullopt);

  EditLibrary t;
  t.lib.unitsPerNm = 2.0;
  ScriptedCanvasPrompts prompts;
  prompts.texts = {"5", "  "};
  t.Select(Rect(0, 0, 100, 40));
  EXPECT_TRUE(SizingPolygon(t.Target(prompts)).redraw);
  EXPECT_FALSE(SizingPolygon(t.Target(prompts)).redraw);
  EXPECT_EQ(t.edit.selectionRing.GetBoundingBox(), Box(-10, -10, 110, 50));
  EXPECT_EQ(t.edit.selectionRing.VertexCount(), 4u);

  t.Select(Rect(-3, 10, 0, 15));
  // c = 2 * floor(-3 / 2) = -4: the odd-width selection moves by one unit.
  FlipXPolygon(t.edit);
  EXPECT_EQ(t.edit.selectionRing.GetBoundingBox(), Box(-4, 10, -1, 15));
  FlipYPolygon(t.edit);
  EXPECT_EQ(t.edit.selectionRing.GetBoundingBox(), Box(-4, 9, -1, 14));
  // About the set's first vertex, (10, 15), the point added last.
  t.Select({{10, 10}, {30, 10}, {30, 15}, {10, 15}});
  Rotate90Polygon(t.edit);
  EXPECT_EQ(ringtest::RingFrom(t.edit.selectionRing.Head()), (ringtest::Ring{{10, 15}, {15, 15}, {15, 35}, {10, 35}}));
  t.Select({{3, 4}, {17, 4}, {17, 26}});
  EXPECT_FALSE(SnapPolygon(t.edit, 1).redraw);
  EXPECT_TRUE(SnapPolygon(t.edit, 10).redraw);
  EXPECT_EQ(ringtest::RingFrom(t.edit.selectionRing.Head()), (ringtest::Ring{{20, 30}, {0, 0}, {20, 0}}));
  EXPECT_EQ(t.lib.flags, 0u);
}

// The shown cell gets two overlapping metal rectangles, a square apart and a metal text.
struct MergeLibrary : EditLibrary {
  MergeLibrary() {
    libtest::AddShape(Top(), kMetal, Rect(0, 0, 100, 50), {{0, 300}}, true);
    libtest::AddShape(Top(), kMetal, Rect(0, 0, 50, 100), {{50, 300}}, true);
    libtest::AddShape(Top(), kMetal, Rect(0, 0, 10, 10), {{500, 300}, {505, 305}}, true);
    Top().AddText(kMetal, lib.AddString("net"), 520, 320, true);
    Top().flags |= kCellModified;
    lib.flags |= kLibCellsChanged | kLibTextsDirty;
    lib.Save();
    ClearFlags();
  }
};

TEST(MergePolygons, WholeLayerOrTheShapesMeetingTheAreaAndTextsStayIndexed) {
  MergeLibrary area;
  area.session.SetLastZoomedArea(Box(-10, 290, 120, 410));
  EXPECT_TRUE(MergePolygons(area.Target(0)).redraw);
  EXPECT_EQ(ShapeBoxes(area.Top(), kMetal),
            (Boxes{{0, 300, 100, 400}, {200, 200, 210, 210}, {500, 300, 510, 310}, {505, 305, 515, 315}}));
  EXPECT_EQ(area.lib.flags & kLibCellsChanged, kLibCellsChanged);
  area.lib.Save();
  EXPECT_EQ(area.Reopened(), area.Dump());

  MergeLibrary whole;
  MergePolygons(whole.Target(0));
  EXPECT_EQ(IndexedBoxes(whole.Top(), kMetal),
            (Boxes{{0, 300, 100, 400}, {200, 200, 210, 210}, {500, 300, 515, 315}, {520, 320, 520, 320}}));
  whole.lib.Save();
  EXPECT_EQ(whole.Reopened(), whole.Dump());
}

TEST(MergePolygons, KeepsEveryLobeOfAShapeThatCrossesItself) {
  EditLibrary t;
  RingSet bowtie;
  ringtest::AddRing(bowtie, {{0, 0}, {100, 100}, {100, 0}, {0, 100}});
  t.Top().AddPolygonEdit(bowtie, kVia);
  EXPECT_TRUE(MergePolygons(t.Target(1)).redraw);
  // The lobe wound clockwise stays; the two touch at the crossing and stay apart.
  EXPECT_EQ(ShapeBoxes(t.Top(), kVia), (Boxes{{0, 0, 50, 100}, {50, 0, 100, 100}}));
}

TEST(MergePolygons, EdgesAlongTheEndsOfTheCoordinateRangeMerge) {
  EditLibrary t;
  // Edges along the ends of the coordinate range whose rounded crossings once climbed without
  // end, so that the merge failed; the pieces near a rounded crossing now settle into it.
  const ringtest::Ring crossings = {{-2147483647, -2147483647 - 1}, {-2147483647 - 1, 2147483646},
                                    {-2147483646, -2147483647 - 1}, {-2147483647 - 1, 2147483646},
                                    {-2147483647, 2147483647},      {-2147483647 - 1, 2147483647}};
  RingSet ring;
  ringtest::AddRing(ring, crossings);
  t.Top().AddPolygonEdit(ring, kVia);
  libtest::AddShape(t.Top(), kVia, Rect(0, 0, 10, 10), {{50, 50}, {55, 55}}, true);
  t.ClearFlags();
  const EditOutcome outcome = MergePolygons(t.Target(1));
  EXPECT_EQ(outcome.errorLine, "");
  EXPECT_TRUE(outcome.redraw);
  EXPECT_EQ(ShapeBoxes(t.Top(), kVia),
            (Boxes{{-2147483647 - 1, 2147483646, -2147483647, 2147483647}, {50, 50, 65, 65}}));
}

TEST(SubtractPolygons, CutsWhatTheRectangleMeetsOrEmptiesTheLayerKeepingItsTexts) {
  MergeLibrary part;
  part.Select(Rect(-10, 340, 200, 500));
  EXPECT_TRUE(SubtractPolygons(part.Target()).redraw);
  EXPECT_FALSE(part.edit.HasSelection());
  EXPECT_EQ(ShapeBoxes(part.Top(), kMetal),
            (Boxes{{0, 300, 100, 340}, {200, 200, 210, 210}, {500, 300, 510, 310}, {505, 305, 515, 315}}));
  EXPECT_EQ(part.lib.flags, kLibCellsChanged | kLibHierarchyDirty);
  part.lib.Save();
  EXPECT_EQ(part.Reopened(), part.Dump());

  MergeLibrary whole;
  whole.Select(Rect(-1, -1, 1000, 1000));
  SubtractPolygons(whole.Target());
  EXPECT_EQ(IndexedBoxes(whole.Top(), kMetal), (Boxes{{520, 320, 520, 320}}));
  EXPECT_EQ(ShapeBoxes(whole.Leaf(), kMetal).size(), 2u);
  whole.lib.Save();
  EXPECT_EQ(whole.Reopened(), whole.Dump());
}

}  // namespace
