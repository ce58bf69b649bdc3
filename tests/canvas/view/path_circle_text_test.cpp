#include "canvas/view/path_circle_text.h"

#include <gtest/gtest.h>

#include <vector>

#include "tests/canvas/view/edit_test_library.h"

namespace {

using edittest::EditLibrary;
using edittest::kVia;
using edittest::ScriptedEditPrompts;
using Messages = std::vector<std::string>;

// An open polyline as the drawing gesture leaves it: the first vertex without a predecessor,
// the last without a successor.
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

TEST(DialogValues, EachFieldIsAWholeNumberCheckedInTheDialogsOrder) {
  struct PathCase {
    const char* field;
    double unitNm;
    int32_t halfWidth;  // -1: refused
  };
  for (const PathCase& c : {PathCase{"25", 0.25, 100}, PathCase{"-7", 2.0, -3}, PathCase{"", 1.0, -1},
                            PathCase{"2.5", 1.0, -1}, PathCase{"5000000000", 1.0, -1}}) {
    PathParameters values{99, 0, c.unitNm};
    std::string message;
    EXPECT_EQ(ParsePathValues(c.field, 1, values, message), c.halfWidth != -1) << c.field;
    EXPECT_EQ(values.halfWidth, c.halfWidth == -1 ? 99 : c.halfWidth) << c.field;
    EXPECT_EQ(message, c.halfWidth == -1 ? "Half width must be integer" : "") << c.field;
  }
  const std::pair<CircleFields, const char*> circleCases[] = {
      {{"x", "y", "z", "w"}, "Radius must be integer"},         {{"", "5", "z", "w"}, "No of points must be integer"},
      {{"262144", "", "", ""}, "No of points must be integer"}, {{"16", "", "1.5", "w"}, "Start index must be integer"},
      {{"16", "", "", "w"}, "End index must be integer"},
  };
  for (const auto& [fields, expected] : circleCases) {
    CircleParameters values;
    std::string message;
    EXPECT_FALSE(ParseCircleValues(fields, values, message));
    EXPECT_EQ(message, expected);
    EXPECT_EQ(values.pointCount, 0);
  }
  // Empty inner radius, start and end keep their values; the radius is read in nanometres.
  CircleParameters circle{0, 2, 3, 7, 0.5};
  std::string message;
  ASSERT_TRUE(ParseCircleValues({"262143", "", "", ""}, circle, message));
  EXPECT_EQ(circle.pointCount, 262143);
  EXPECT_EQ(circle.startIndex + circle.endIndex + circle.innerRadius, 12);
  ASSERT_TRUE(ParseCircleValues({"-4", "10", "0", "4"}, circle, message));
  EXPECT_EQ(circle.innerRadius, 20);

  TextParameters text;
  text.unitNm = 2.0;
  EXPECT_FALSE(ParseTextValues({"", "1", "2"}, text, message));
  EXPECT_EQ(message, "");
  EXPECT_FALSE(ParseTextValues({"VDD", "12.5", "2"}, text, message));
  EXPECT_EQ(message, "Input must be integer");
  ASSERT_TRUE(ParseTextValues({"VDD", "-9", "40"}, text, message));
  EXPECT_EQ(std::make_pair(text.locX, text.locY), std::make_pair(-4, 20));
  EXPECT_EQ(NanometreField(-5, 0.5), "-2");
}

TEST(CreatePath, OutlinesAnOpenPolylineWithTheDialogsWidthAndKeepsIt) {
  EditLibrary t;
  ScriptedEditPrompts prompts;
  const PathMemory& memory = t.session.Paths();
  // The repeated and the collinear interior points go.
  DrawPolyline(t.edit, {{0, 0}, {50, 0}, {50, 0}, {100, 0}, {100, 100}});
  const PathShape path = PathFromPolyline(t.edit.selectionRing, 0, 25);
  EXPECT_EQ(path.points, (std::vector<Point>{{0, 0}, {100, 0}, {100, 100}}));
  EXPECT_EQ(std::make_pair(path.pathType, path.width), std::make_pair(int16_t(2), 50));
  EXPECT_EQ(PathFromPolyline(t.edit.selectionRing, 1, 25).pathType, 0);
  t.edit.editLayer = kVia;
  prompts.path = PathParameters{25, 0, 1.0};
  EXPECT_TRUE(CreatePath(t.Target(prompts)).redraw);
  EXPECT_TRUE(t.edit.SelectionClosed());
  EXPECT_EQ(t.edit.editLayer, kVia);
  EXPECT_EQ(t.edit.selectionRing.GetBoundingBox(), Box(-25, -25, 125, 125));

  // The next command offers the kept half width; Cancel leaves the lines.
  DrawPolyline(t.edit, {{0, 0}, {10, 0}});
  prompts.path.reset();
  EXPECT_FALSE(CreatePath(t.Target(prompts)).redraw);
  EXPECT_EQ(prompts.pathOffered.halfWidth, 25);
  EXPECT_EQ(t.edit.selectionRing.VertexCount(), 2u);
  // Refused: a closed ring, a single point, a pick.
  t.Select({{0, 0}, {10, 0}, {10, 10}});
  CreatePath(t.Target(prompts));
  DrawPolyline(t.edit, {{0, 0}});
  CreatePath(t.Target(prompts));
  ASSERT_TRUE(t.Pick(Point(205, 205)));
  CreatePath(t.Target(prompts));
  EXPECT_EQ(prompts.asked, Messages(3, "Path lines must be drawn first"));
  EXPECT_EQ(prompts.captions, Messages(3, "Wrong Usage"));

  // Refused, keeping the lines and the kept width: a full width beyond 32 bits, and an outline
  // that would leave the range.
  const std::pair<std::vector<Point>, int32_t> beyond[] = {{{{0, 0}, {10, 0}}, 2147483647},
                                                           {{{2147483000, 0}, {2147483500, 0}}, 100}};
  for (const auto& [points, halfWidth] : beyond) {
    DrawPolyline(t.edit, points);
    prompts.path = PathParameters{halfWidth, 0, 1.0};
    EXPECT_FALSE(CreatePath(t.Target(prompts)).redraw);
    EXPECT_EQ(prompts.asked.back(), "Path outline would leave the 32-bit coordinate range");
    EXPECT_EQ(prompts.captions.back(), "Wrong Input");
    EXPECT_EQ(t.edit.selectionRing.VertexCount(), 2u);
    EXPECT_EQ(memory.halfWidth, 25);
  }
}

TEST(CreateCircle, BuildsCirclesArcsAndRingsAndRefusesIndexesOutsideTheTable) {
  EditLibrary t;
  ScriptedEditPrompts prompts;
  DrawPolyline(t.edit, {{100, 100}, {100, 200}});
  prompts.circle = CircleParameters{16, 0, 0, 0, 1.0};
  EXPECT_TRUE(CreateCircle(t.Target(prompts)).redraw);
  EXPECT_EQ(t.edit.selectionRing.VertexCount(), 16u);
  EXPECT_EQ(t.edit.selectionRing.GetBoundingBox(), Box(0, 0, 200, 200));
  EXPECT_TRUE(t.edit.SelectionClosed());
  DrawPolyline(t.edit, {{0, 0}, {30, 40}});
  prompts.circle = CircleParameters{12, 0, 0, 20, 1.0};
  CreateCircle(t.Target(prompts));
  EXPECT_EQ(t.edit.selectionRing.GetBoundingBox(), Box(-50, -50, 50, 50));
  EXPECT_GE(t.edit.selectionRing.VertexCount(), 24u);
  EXPECT_TRUE(prompts.asked.empty());

  DrawPolyline(t.edit, {{0, 0}, {10, 0}, {20, 0}});
  CreateCircle(t.Target(prompts));
  // 16 points: a start of 0 to 15 only, no negative end; a large end wraps.
  struct Case {
    int32_t start;
    int32_t end;
  };
  for (const Case& c : {Case{16, 0}, Case{-1, 0}, Case{0, -1}, Case{15, 40}}) {
    DrawPolyline(t.edit, {{0, 0}, {0, 100}});
    prompts.circle = CircleParameters{16, c.start, c.end, 0, 1.0};
    CreateCircle(t.Target(prompts));
  }
  EXPECT_TRUE(t.edit.SelectionClosed());
  EXPECT_EQ(prompts.asked, (Messages{"Circle radius line must be drawn first", "Start index must be integer",
                                     "Start index must be integer", "End index must be integer"}));
}

TEST(TextCommands, InsertedTextsAreIndexedAndSavedAndReplacedTextsKeepTheirPlace) {
  EditLibrary t;
  ScriptedEditPrompts prompts;
  EXPECT_EQ(InsertText(t.Target(prompts)).status, "Layer must be selected, cancel text insertion");
  prompts.text = TextParameters{500, 600, "pin", 1.0};
  EXPECT_TRUE(InsertText(t.Target(prompts, 1)).redraw);
  // "pin" is in the table already; the cell's box grew to take the text.
  EXPECT_EQ(t.lib.flags, kLibCellsChanged | kLibInfoDirty | kLibHierarchyDirty);
  EXPECT_EQ(t.Top().flags & kCellModified, kCellModified);
  EXPECT_EQ(t.Top().box, Box(0, 0, 500, 600));
  EXPECT_NE(t.Top().layers.at(kVia).index.QueryFirst(Box(499, 599, 501, 601)), nullptr);
  // A new string is entered once.
  t.ClearFlags();
  prompts.text = TextParameters{1, 2, "new label", 1.0};
  InsertText(t.Target(prompts, 1));
  EXPECT_EQ(t.lib.flags, kLibCellsChanged | kLibTextsDirty);
  t.ClearFlags();
  InsertText(t.Target(prompts, 1));
  EXPECT_EQ(t.lib.flags, kLibCellsChanged);
  EXPECT_EQ(t.lib.strings.size(), 2u);

  t.Select({{0, 0}, {10, 0}, {10, 10}});
  ReplaceText(t.Target(prompts));
  ASSERT_TRUE(t.Pick(Point(115, 5)));
  prompts.texts = {"", "VSS"};
  EXPECT_FALSE(ReplaceText(t.Target(prompts)).redraw);
  EXPECT_TRUE(ReplaceText(t.Target(prompts)).redraw);
  EXPECT_EQ(prompts.asked, (Messages{"Text must be selected first", "Enter New Text", "Enter New Text"}));
  const TextItem* text = static_cast<const TextItem*>(t.Leaf().texts.Head()->item);
  EXPECT_EQ(t.lib.TextString(text->textId), "VSS");
  EXPECT_EQ(Point(text->x, text->y), Point(15, 5));
  EXPECT_EQ(t.Leaf().flags & kCellModified, kCellModified);
  EXPECT_FALSE(t.edit.HasSelection());
  t.lib.flags |= kLibTextsDirty;
  t.lib.Save();
  EXPECT_EQ(t.Reopened(), t.Dump());
}

}  // namespace
