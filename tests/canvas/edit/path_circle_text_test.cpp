#include "canvas/edit/path_circle_text.h"

#include <gtest/gtest.h>

#include <vector>

#include "db/poly/circle_table.h"
#include "tests/canvas/edit/edit_test_library.h"

namespace {

using edittest::EditLibrary;
using edittest::kVia;
using edittest::ScriptedEditPrompts;

// An open polyline as the drawing gesture leaves it: vertices linked in order, the first
// without a predecessor and the last without a successor.
void DrawPolyline(EditState& edit, const std::vector<Point>& points) {
  edit.Cancel();
  RingVertex* previous = nullptr;
  for (const Point& p : points) {
    RingVertex* v = edit.selectionRing.PushBack(p);
    Link(previous, v);
    previous = v;
  }
  edit.drawingPolygon = true;
}

TEST(DialogValues, PathHalfWidthMustBeAWholeNumberOfNanometres) {
  struct Case {
    const char* field;
    double unitNm;
    bool ok;
    int32_t halfWidth;
  };
  const Case cases[] = {
      {"25", 1.0, true, 25},     {"25", 0.25, true, 100}, {"25", 2.0, true, 12}, {"-7", 2.0, true, -3},
      {"0", 1.0, true, 0},       {"", 1.0, false, 0},     {"2.5", 1.0, false, 0}, {"12abc", 1.0, false, 0},
      {"5000000000", 1.0, false, 0},
  };
  for (const Case& c : cases) {
    PathParameters values;
    values.unitNm = c.unitNm;
    values.halfWidth = 99;
    std::string message;
    EXPECT_EQ(ParsePathValues(c.field, 1, values, message), c.ok) << c.field;
    EXPECT_EQ(values.halfWidth, c.ok ? c.halfWidth : 99) << c.field;
    EXPECT_EQ(message, c.ok ? "" : "Half width must be integer") << c.field;
    if (c.ok) {
      EXPECT_EQ(values.pathType, 1);
    }
  }
}

TEST(DialogValues, CircleFieldsAreCheckedInTheirOrder) {
  struct Case {
    CircleFields fields;
    const char* message;
  };
  const Case cases[] = {
      {{"x", "y", "z", "w"}, "Radius must be integer"},
      {{"", "5", "z", "w"}, "No of points must be integer"},
      {{"262144", "", "", ""}, "No of points must be integer"},
      {{"16", "", "1.5", "w"}, "Start index must be integer"},
      {{"16", "", "", "w"}, "End index must be integer"},
  };
  for (const Case& c : cases) {
    CircleParameters values;
    std::string message;
    EXPECT_FALSE(ParseCircleValues(c.fields, values, message));
    EXPECT_EQ(message, c.message);
    EXPECT_EQ(values.pointCount, 0);
  }
  // Empty inner radius, start and end keep their values; the radius is in nanometres.
  CircleParameters values;
  values.unitNm = 0.5;
  values.innerRadius = 7;
  values.startIndex = 2;
  values.endIndex = 3;
  std::string message;
  ASSERT_TRUE(ParseCircleValues({"262143", "", "", ""}, values, message));
  EXPECT_EQ(values.pointCount, 262143);
  EXPECT_EQ(values.innerRadius, 7);
  EXPECT_EQ(values.startIndex, 2);
  EXPECT_EQ(values.endIndex, 3);
  ASSERT_TRUE(ParseCircleValues({"-4", "10", "0", "4"}, values, message));
  EXPECT_EQ(values.innerRadius, 20);
  EXPECT_EQ(values.pointCount, -4);
}

TEST(DialogValues, TextNeedsAStringAndWholeNumberLocations) {
  TextParameters values;
  values.unitNm = 2.0;
  std::string message = "stale";
  EXPECT_FALSE(ParseTextValues({"", "1", "2"}, values, message));
  EXPECT_EQ(message, "");
  EXPECT_FALSE(ParseTextValues({"VDD", "12.5", "2"}, values, message));
  EXPECT_EQ(message, "Input must be integer");
  EXPECT_FALSE(ParseTextValues({"VDD", "1", ""}, values, message));
  EXPECT_EQ(message, "Input must be integer");
  EXPECT_EQ(values.textValue, "");
  ASSERT_TRUE(ParseTextValues({"VDD", "-9", "40"}, values, message));
  EXPECT_EQ(values.textValue, "VDD");
  EXPECT_EQ(values.locX, -4);
  EXPECT_EQ(values.locY, 20);
}

TEST(DialogValues, NanometreFieldRoundsHalfUp) {
  EXPECT_EQ(NanometreField(25, 1.0), "25");
  EXPECT_EQ(NanometreField(5, 0.5), "3");
  EXPECT_EQ(NanometreField(-5, 0.5), "-2");
}

TEST(CreatePath, OutlinesTheDrawnLinesWithTheDialogsWidth) {
  EditLibrary t;
  ScriptedEditPrompts prompts;
  PathMemory memory;
  // The repeated and the collinear interior points go.
  DrawPolyline(t.edit, {{0, 0}, {50, 0}, {50, 0}, {100, 0}, {100, 100}});
  const PathShape path = PathFromPolyline(t.edit.selectionRing, 0, 25);
  EXPECT_EQ(path.points, (std::vector<Point>{{0, 0}, {100, 0}, {100, 100}}));
  EXPECT_EQ(path.pathType, 2);
  EXPECT_EQ(path.width, 50);
  EXPECT_EQ(PathFromPolyline(t.edit.selectionRing, 1, 25).pathType, 0);

  t.edit.editLayer = kVia;
  prompts.path = PathParameters{25, 0, 1.0};
  EXPECT_TRUE(CreatePath(t.edit, memory, 1.0, prompts).redraw);
  EXPECT_TRUE(t.edit.SelectionClosed());
  EXPECT_FALSE(t.edit.drawingPolygon);
  EXPECT_EQ(t.edit.editLayer, kVia);
  // Extend: the ends reach half the width beyond the end points.
  EXPECT_EQ(t.edit.selectionRing.GetBoundingBox(), Box(-25, -25, 125, 125));
  EXPECT_EQ(memory.halfWidth, 25);

  // The second command offers the kept values; the dialog shows them in nanometres.
  DrawPolyline(t.edit, {{0, 0}, {10, 0}});
  prompts.path.reset();
  EXPECT_FALSE(CreatePath(t.edit, memory, 2.0, prompts).redraw);
  EXPECT_EQ(prompts.pathOffered.halfWidth, 25);
  EXPECT_EQ(prompts.pathOffered.unitNm, 2.0);
  EXPECT_EQ(t.edit.selectionRing.VertexCount(), 2u);
}

TEST(CreatePath, RefusesAClosedRingAPickAndASinglePoint) {
  EditLibrary t;
  ScriptedEditPrompts prompts;
  prompts.path = PathParameters{25, 0, 1.0};
  PathMemory memory;
  t.Select({{0, 0}, {10, 0}, {10, 10}});
  EXPECT_FALSE(CreatePath(t.edit, memory, 1.0, prompts).redraw);
  DrawPolyline(t.edit, {{0, 0}});
  CreatePath(t.edit, memory, 1.0, prompts);
  ASSERT_TRUE(t.Pick(Point(205, 205)));
  CreatePath(t.edit, memory, 1.0, prompts);
  EXPECT_EQ(prompts.asked, std::vector<std::string>(3, "Path lines must be drawn first"));
  EXPECT_EQ(prompts.captions, std::vector<std::string>(3, "Wrong Usage"));
  EXPECT_EQ(memory.halfWidth, 0);
}

TEST(CreateCircle, BuildsCirclesArcsAndRingsFromTheRadiusLine) {
  EditLibrary t;
  ScriptedEditPrompts prompts;
  DrawPolyline(t.edit, {{100, 100}, {100, 200}});
  prompts.circle = CircleParameters{16, 0, 0, 0, 1.0};
  EXPECT_TRUE(CreateCircle(t.edit, 1.0, prompts).redraw);
  EXPECT_EQ(t.edit.selectionRing.VertexCount(), 16u);
  EXPECT_EQ(t.edit.selectionRing.GetBoundingBox(), Box(0, 0, 200, 200));
  EXPECT_TRUE(t.edit.SelectionClosed());

  // An inner radius makes a ring between the two circles.
  DrawPolyline(t.edit, {{0, 0}, {30, 40}});
  prompts.circle = CircleParameters{12, 0, 0, 20, 1.0};
  CreateCircle(t.edit, 1.0, prompts);
  EXPECT_EQ(t.edit.selectionRing.GetBoundingBox(), Box(-50, -50, 50, 50));
  EXPECT_GE(t.edit.selectionRing.VertexCount(), 24u);
  EXPECT_TRUE(prompts.asked.empty());
}

TEST(CreateCircle, RefusesOtherSelectionsAndIndexesOutsideTheTable) {
  EditLibrary t;
  ScriptedEditPrompts prompts;
  DrawPolyline(t.edit, {{0, 0}, {10, 0}, {20, 0}});
  prompts.circle = CircleParameters{16, 0, 0, 0, 1.0};
  CreateCircle(t.edit, 1.0, prompts);
  EXPECT_EQ(prompts.asked, (std::vector<std::string>{"Circle radius line must be drawn first"}));
  EXPECT_EQ(prompts.captions, (std::vector<std::string>{"Wrong Usage"}));
  struct Case {
    int32_t start;
    int32_t end;
    const char* message;
  };
  // 16 points: start 0 to 15 only; a negative end is refused, a large one wraps.
  const Case cases[] = {{16, 0, "Start index must be integer"},
                        {-1, 0, "Start index must be integer"},
                        {0, -1, "End index must be integer"},
                        {15, 40, nullptr}};
  for (const Case& c : cases) {
    prompts.asked.clear();
    DrawPolyline(t.edit, {{0, 0}, {0, 100}});
    prompts.circle = CircleParameters{16, c.start, c.end, 0, 1.0};
    const EditOutcome outcome = CreateCircle(t.edit, 1.0, prompts);
    if (c.message) {
      EXPECT_EQ(prompts.asked, (std::vector<std::string>{c.message}));
      EXPECT_EQ(t.edit.selectionRing.VertexCount(), 2u);
    } else {
      EXPECT_TRUE(outcome.redraw);
      EXPECT_TRUE(prompts.asked.empty());
      EXPECT_TRUE(t.edit.SelectionClosed());
    }
  }
}

TEST(InsertText, AddsAnIndexedTextThatIsSaved) {
  EditLibrary t;
  ScriptedEditPrompts prompts;
  EditTarget noRow = t.Target();
  EXPECT_EQ(InsertText(noRow, 1.0, prompts).status, "Layer must be selected, cancel text insertion");
  EditTarget viaRow = t.Target(1);
  prompts.text = TextParameters{500, 600, "pin", 1.0};
  EXPECT_TRUE(InsertText(viaRow, 1.0, prompts).redraw);
  // "pin" is in the table already; the cell's box grew to take the text.
  EXPECT_EQ(t.lib.flags, kLibCellsChanged | kLibInfoDirty | kLibHierarchyDirty);
  EXPECT_EQ(t.Top().flags & kCellModified, kCellModified);
  EXPECT_EQ(t.Top().box, Box(0, 0, 500, 600));
  auto via = t.Top().layers.find(kVia);
  ASSERT_NE(via, t.Top().layers.end());
  EXPECT_NE(via->second.index.QueryFirst(Box(499, 599, 501, 601)), nullptr);

  t.ClearFlags();
  prompts.text = TextParameters{1, 2, "new label", 1.0};
  InsertText(viaRow, 1.0, prompts);
  EXPECT_EQ(t.lib.flags, kLibCellsChanged | kLibTextsDirty);
  t.ClearFlags();
  InsertText(viaRow, 1.0, prompts);
  EXPECT_EQ(t.lib.flags, kLibCellsChanged);
  EXPECT_EQ(t.lib.strings.size(), 2u);
  EXPECT_EQ(t.Top().texts.Count(), 3);
  t.lib.flags |= kLibTextsDirty;
  t.lib.Save();
  EXPECT_EQ(t.Reopened(), t.Dump());
}

TEST(ReplaceText, GivesThePickedTextANewString) {
  EditLibrary t;
  ScriptedEditPrompts prompts;
  t.Select({{0, 0}, {10, 0}, {10, 10}});
  ReplaceText(t.edit, t.lib, prompts);
  EXPECT_EQ(prompts.asked, (std::vector<std::string>{"Text must be selected first"}));
  ASSERT_TRUE(t.Pick(Point(205, 205)));
  ReplaceText(t.edit, t.lib, prompts);
  EXPECT_EQ(prompts.asked.size(), 2u);

  ASSERT_TRUE(t.Pick(Point(115, 5)));
  prompts.asked.clear();
  prompts.texts = {""};
  EXPECT_FALSE(ReplaceText(t.edit, t.lib, prompts).redraw);
  EXPECT_EQ(prompts.asked, (std::vector<std::string>{"Enter New Text"}));
  EXPECT_EQ(t.lib.flags, 0u);
  prompts.texts = {"VSS"};
  EXPECT_TRUE(ReplaceText(t.edit, t.lib, prompts).redraw);
  const TextItem* text = static_cast<const TextItem*>(t.Leaf().texts.Head()->item);
  EXPECT_EQ(t.lib.TextString(text->textId), "VSS");
  EXPECT_EQ(Point(text->x, text->y), Point(15, 5));
  EXPECT_EQ(t.lib.flags, kLibCellsChanged | kLibTextsDirty);
  EXPECT_EQ(t.Leaf().flags & kCellModified, kCellModified);
  EXPECT_FALSE(t.edit.HasSelection());
  t.lib.Save();
  EXPECT_EQ(t.Reopened(), t.Dump());
}

}  // namespace
