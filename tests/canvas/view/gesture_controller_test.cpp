#include "canvas/view/gesture_controller.h"

#include <gtest/gtest.h>

#include <memory>

#include <algorithm>
#include <vector>

#include "canvas/view/document.h"
#include "canvas/view/ruler_label.h"
#include "canvas/view/view_session.h"
#include "db/library.h"
#include "tests/canvas/view/recording_session_host.h"
#include "tests/canvas/view/scripted_canvas_prompts.h"
#include "tests/db/library_test_util.h"

namespace {

const LayerKey kMetal = MakeLayerKey(1, 0);
const LayerKey kVia = MakeLayerKey(2, 0);

// One database unit per pixel over a 1000 x 1000 window: pixel (x, y) is unit (x, 1000 - y).
class GestureControllerTest : public ::testing::Test {
 protected:
  GestureControllerTest() {
    library_.layerMap[kMetal].key = kMetal;
    library_.layerMap[kVia].key = kVia;
    session_.SetHost(&host_);
    session_.ShareDocument(std::make_shared<Document>(shared_));
    DisplaySettings settings = session_.Settings();
    settings.snapGrid = 1;
    session_.ApplySettings(settings);
    FitView();
  }

  // Shows cell id in the window of one unit per pixel.
  void Show(uint32_t id) {
    session_.SetTopCell(int32_t(id));
    FitView();
  }
  void FitView() {
    view_.viewBox = ViewBox{0, 0, 1000, 1000};
    view_.scale = 1.0;
    view_.windowW = view_.windowH = 1000;
    host_.redraws = 0;
    host_.refreshed.clear();
  }

  void Send(MouseKind kind, int32_t x, int32_t y, bool control = false, bool shift = false, bool alt = false) {
    MouseEvent e;
    e.kind = kind;
    e.x = x;
    e.y = y;
    e.leftIsDown = kind == MouseKind::kLeftDown || (kind == MouseKind::kMotion && leftHeld_);
    e.rightIsDown = kind == MouseKind::kRightDown || (kind == MouseKind::kMotion && rightHeld_);
    e.control = control;
    e.shift = shift;
    e.alt = alt;
    if (kind == MouseKind::kLeftDown) leftHeld_ = true;
    if (kind == MouseKind::kLeftUp) leftHeld_ = false;
    if (kind == MouseKind::kRightDown) rightHeld_ = true;
    if (kind == MouseKind::kRightUp) rightHeld_ = false;
    session_.HandleMouse(e);
  }
  void LeftDrag(int32_t x1, int32_t y1, int32_t x2, int32_t y2, bool control = false) {
    Send(MouseKind::kLeftDown, x1, y1, control);
    Send(MouseKind::kMotion, x2, y2, control);
    Send(MouseKind::kLeftUp, x2, y2, control);
  }
  void SelectSquare() { edit_.selectionRing.AddRectangle(Box(100, 100, 200, 200)); }
  // The selection's ring from its lowest-left vertex.
  std::vector<Point> Ring() const { return ringtest::RingFrom(FindLowestLeftVertex(edit_.selectionRing.Head())); }
  bool RingHas(const Point& p) const {
    std::vector<Point> ring = Ring();
    return std::find(ring.begin(), ring.end(), p) != ring.end();
  }

  ScriptedCanvasPrompts prompts_;
  RecordingSessionHost host_{prompts_};
  std::shared_ptr<Library> shared_ = std::make_shared<Library>("", false);
  Library& library_ = *shared_;
  ViewSession session_;
  ViewMapping& view_ = session_.View();
  EditState& edit_ = session_.Edit();
  const GestureController& gestures_ = session_.Gestures();
  const Box& zoomed_ = session_.LastZoomedArea();
  bool leftHeld_ = false;
  bool rightHeld_ = false;
};

TEST(GestureController, AngleConstraintKeepsToTheNearestOfTheEightDirections) {
  const Point r(0, 0);
  EXPECT_EQ(ConstrainAngle({10, 4}, r, 2), Point(10, 0));
  EXPECT_EQ(ConstrainAngle({10, 6}, r, 2), Point(10, 10));
  EXPECT_EQ(ConstrainAngle({10, -6}, r, 2), Point(10, -10));
  EXPECT_EQ(ConstrainAngle({4, 10}, r, 2), Point(0, 10));
  EXPECT_EQ(ConstrainAngle({7, 9}, r, 0), Point(7, 0));
  EXPECT_EQ(ConstrainAngle({7, 9}, r, 1), Point(0, 9));
  EXPECT_EQ(ConstrainAngle({7, 9}, r, 3), Point(7, 9));
  EXPECT_EQ(ConstrainAngle({INT32_MAX, INT32_MAX}, {-10, 10}, 2).y, INT32_MAX);
  EXPECT_EQ(SnapCoordinate(-7, 5), -5);
  EXPECT_EQ(SnapCoordinate(-8, 5), -10);
  EXPECT_EQ(SnapCoordinate(13, 1), 13);
}

TEST(GestureController, RulerLabelsAreWholeNanometresTruncated) {
  EXPECT_EQ(RulerLabel({0, 0, 1000, 0}, 1.0), "1000");
  EXPECT_EQ(RulerLabel({0, 0, 1000, 0}, 0.1), "100");
  EXPECT_EQ(RulerLabel({0, 0, 1, 1}, 1.0), "1");
  // The squares leave 32 bits behind.
  EXPECT_EQ(RulerLabel({INT32_MIN, 0, INT32_MAX, 0}, 1.0), "4294967295");
  EXPECT_TRUE(RulerShown({0, 0, 10, 10}, Box(0, 0, 10, 10)));
  EXPECT_FALSE(RulerShown({0, 0, 11, 10}, Box(0, 0, 10, 10)));
}

TEST(GestureController, DragZoomFillsTheClientUpToTheCap) {
  double magnification = 1.0;
  auto request = DragZoomScroll(magnification, 100, 100, 200, 100, 1000, 1000);
  ASSERT_TRUE(request);
  EXPECT_DOUBLE_EQ(magnification, 5.0);
  EXPECT_EQ(*request, (ScrollRequest{250, 250, 25, 12}));
  magnification = 1e5;
  ASSERT_TRUE(DragZoomScroll(magnification, 0, 0, 10, 10, 1000, 1000));
  EXPECT_DOUBLE_EQ(magnification * 1000, kMaxVirtualPixels);
  EXPECT_FALSE(DragZoomScroll(magnification, 0, 0, 10, 10, 1000, 1000));
}

// A press starts a gesture: the last gesture's report gives way to the new one's, or to
// "Ready"; motion and releases report only the position.
TEST_F(GestureControllerTest, EachPressReplacesTheLastGesturesReport) {
  SelectSquare();
  for (int32_t x : {150, 160}) {
    Send(MouseKind::kLeftDown, x, 850, false, true);
    Send(MouseKind::kLeftUp, x, 850, false, true);
    EXPECT_EQ(host_.status[1], "Moving selected polygon");
  }
  // The selection went (Insert, Cancel) and the user draws.
  edit_.ClearSelection();
  host_.layerRow = 0;
  Send(MouseKind::kLeftDown, 100, 900, true, false, true);
  EXPECT_TRUE(edit_.drawingPolygon);
  EXPECT_EQ(host_.status[1], "Ready");
  host_.status[1] = "Under cell leaf";
  Send(MouseKind::kMotion, 20, 20);
  Send(MouseKind::kLeftUp, 20, 20);
  EXPECT_EQ(host_.status[1], "Under cell leaf");
}

TEST_F(GestureControllerTest, LeftDragOfFivePixelsMakesARulerFourDoNot) {
  LeftDrag(100, 100, 104, 100);
  EXPECT_TRUE(edit_.rulers.empty());
  EXPECT_FALSE(gestures_.Transients().rubberLine);
  LeftDrag(100, 100, 105, 100);
  ASSERT_EQ(edit_.rulers.size(), 1u);
  EXPECT_EQ(edit_.rulers[0].x2, 105);
  // A vertex picked with control moves only on a drag of 5 pixels.
  SelectSquare();
  LeftDrag(100, 900, 103, 897, true);
  EXPECT_EQ(edit_.pickKind, PickKind::kVertex);
  EXPECT_TRUE(RingHas({100, 100}));
  LeftDrag(100, 900, 103, 896, true);
  EXPECT_EQ(edit_.pickKind, PickKind::kNone);
  EXPECT_FALSE(RingHas({100, 100}));
  EXPECT_TRUE(RingHas({103, 104}));
  EXPECT_EQ(host_.status[1], "Move point to (0.1030, 0.1040) um");
}

TEST_F(GestureControllerTest, RulerShorterThanTheGridIsDropped) {
  DisplaySettings settings = session_.Settings();
  settings.snapGrid = 10;
  session_.ApplySettings(settings);
  LeftDrag(100, 100, 104, 103);  // snaps back onto the anchor
  EXPECT_TRUE(edit_.rulers.empty());
  LeftDrag(100, 100, 106, 100);
  ASSERT_EQ(edit_.rulers.size(), 1u);
  EXPECT_EQ(RulerLength(edit_.rulers[0]), 10.0);
  edit_.RemoveRulers();
  EXPECT_TRUE(edit_.rulers.empty());
  EXPECT_TRUE(edit_.RecoverRulers());
  EXPECT_EQ(edit_.rulers.size(), 1u);
  EXPECT_FALSE(edit_.RecoverRulers());
}

TEST_F(GestureControllerTest, ControlPressPrefersAVertexToAnEdge) {
  SelectSquare();
  Send(MouseKind::kLeftDown, 101, 901, true);
  EXPECT_EQ(edit_.pickKind, PickKind::kVertex);
  EXPECT_EQ(host_.status[1], "Point at (0.1000, 0.1000) um");
  Send(MouseKind::kLeftUp, 101, 901, true);
  Send(MouseKind::kLeftDown, 150, 902, true);
  EXPECT_EQ(edit_.pickKind, PickKind::kEdge);
  EXPECT_EQ(host_.status[1], "Edge (0.1000, 0.1000) - (0.2000, 0.1000) um");
}

TEST_F(GestureControllerTest, SplitAtAnEndChangesNothingElsewhereAddsTwoCoincidentVertices) {
  SelectSquare();
  Send(MouseKind::kLeftDown, 100, 900, true, false, true);
  EXPECT_EQ(edit_.selectionRing.VertexCount(), 4u);
  Send(MouseKind::kLeftUp, 100, 900);
  Send(MouseKind::kLeftDown, 150, 901, true, false, true);
  EXPECT_EQ(Ring(), (std::vector<Point>{{100, 100}, {150, 100}, {150, 100}, {200, 100}, {200, 200}, {100, 200}}));
  EXPECT_EQ(host_.status[1], "Split edge at (0.1500, 0.1000) um");
  EXPECT_TRUE(edit_.SelectionClosed());
}

TEST_F(GestureControllerTest, MovingAnEdgeBesideAParallelNeighbourKeepsTheRing) {
  ringtest::AddRing(edit_.selectionRing, {{0, 0}, {100, 100}, {200, 200}, {200, 0}});
  // The edge (100,100)-(200,200) continues its predecessor: that end cannot be intersected.
  LeftDrag(150, 850, 170, 870, true);
  EXPECT_EQ(Ring(), (std::vector<Point>{{0, 0}, {100, 100}, {200, 160}, {200, 0}}));
  for (const RingVertex* v = edit_.selectionRing.Head(); v; v = v->next) ASSERT_EQ(v->ringNext->ringPrev, v);
  // An axis-parallel edge moves as a whole.
  edit_.ClearSelection();
  SelectSquare();
  LeftDrag(200, 850, 230, 850, true);
  EXPECT_EQ(Ring(), (std::vector<Point>{{100, 100}, {230, 100}, {230, 200}, {100, 200}}));
  EXPECT_EQ(host_.status[1], "Move edge to (0.2300, 0.1000) - (0.2300, 0.2000) um");
}

TEST_F(GestureControllerTest, DrawingConstrainsClosesAndSurvivesADoubleClick) {
  Send(MouseKind::kLeftDown, 100, 900, true, false, true);
  EXPECT_EQ(host_.status[1], "Layer must be selected, cancel polygon insertion");
  EXPECT_FALSE(edit_.drawingPolygon);
  host_.layerRow = 1;
  Send(MouseKind::kLeftDown, 100, 900, true, false, true);
  ASSERT_TRUE(edit_.drawingPolygon);
  EXPECT_EQ(edit_.editLayer, kVia);
  Send(MouseKind::kLeftDown, 200, 896);  // (100, 4) from the tail: horizontal
  Send(MouseKind::kLeftDown, 260, 844);  // (60, 56): diagonal
  Send(MouseKind::kLeftDown, 0, 0, true, false, true);
  EXPECT_FALSE(edit_.drawingPolygon);
  EXPECT_EQ(Ring(), (std::vector<Point>{{100, 100}, {200, 100}, {260, 160}}));
  EXPECT_TRUE(edit_.SelectionClosed());

  edit_.ClearSelection();
  Send(MouseKind::kLeftDown, 100, 900, true, false, true);
  Send(MouseKind::kLeftDown, 200, 900);
  Send(MouseKind::kMotion, 250, 900);
  EXPECT_TRUE(gestures_.Transients().rubberLine);
  // A double click arrives as down, up, double click, up: it ends the drawing for good.
  Send(MouseKind::kLeftDown, 300, 900);
  Send(MouseKind::kLeftUp, 300, 900);
  Send(MouseKind::kLeftDClick, 300, 900);
  Send(MouseKind::kLeftUp, 300, 900);
  EXPECT_FALSE(edit_.drawingPolygon);
  EXPECT_FALSE(edit_.HasSelection());
  EXPECT_FALSE(gestures_.Transients().rubberLine);
  Send(MouseKind::kLeftDown, 400, 900);
  EXPECT_FALSE(edit_.HasSelection());

  // A command that ends a drawing leaves a rubber line, which the next motion takes away.
  Send(MouseKind::kLeftUp, 400, 900);
  Send(MouseKind::kLeftDown, 100, 900, true, false, true);
  Send(MouseKind::kLeftUp, 100, 900);
  Send(MouseKind::kMotion, 250, 900);
  edit_.Cancel();
  Send(MouseKind::kMotion, 260, 900);
  EXPECT_FALSE(gestures_.Transients().rubberLine);
  EXPECT_EQ(host_.refreshed.back(), (PixelRect{98, 898, 155, 5}));
}

TEST_F(GestureControllerTest, ZoomBoxRecordsTheAreaEvenWhenTheScaleStays) {
  Send(MouseKind::kRightDown, 0, 0);
  EXPECT_EQ(host_.cursor, CursorKind::kMagnifier);
  Send(MouseKind::kMotion, 1000, 1000);
  EXPECT_TRUE(gestures_.Transients().rubberBox);
  Send(MouseKind::kRightUp, 1000, 1000);
  EXPECT_EQ(host_.cursor, CursorKind::kArrow);
  EXPECT_EQ(zoomed_, Box(0, 0, 1000, 1000));
  EXPECT_TRUE(host_.scrolls.empty());
  EXPECT_EQ(host_.redraws, 1);
  Send(MouseKind::kRightDown, 100, 100);
  Send(MouseKind::kRightUp, 300, 200);
  EXPECT_EQ(zoomed_, Box(100, 800, 300, 900));
  ASSERT_EQ(host_.scrolls.size(), 1u);
  EXPECT_EQ(host_.scrolls[0], (ScrollRequest{250, 250, 25, 12}));
  EXPECT_DOUBLE_EQ(view_.magnification, 5.0);
}

TEST_F(GestureControllerTest, BoxInsertionNeedsALayerRow) {
  Send(MouseKind::kRightDown, 100, 900, false, true);
  Send(MouseKind::kRightUp, 200, 800, false, true);
  EXPECT_EQ(host_.status[1], "Layer must be selected, cancel box insertion");
  EXPECT_FALSE(edit_.HasSelection());
  EXPECT_TRUE(host_.scrolls.empty());
  EXPECT_EQ(zoomed_, Box());
  host_.layerRow = 0;
  Send(MouseKind::kRightDown, 100, 900, false, true);
  Send(MouseKind::kRightUp, 200, 800, false, true);
  EXPECT_EQ(edit_.editLayer, kMetal);
  EXPECT_EQ(edit_.selectionRing.GetBoundingBox(), Box(100, 100, 200, 200));
}

TEST_F(GestureControllerTest, MotionReadsOutAndRefreshesOnlyTheRubberBox) {
  Send(MouseKind::kMotion, 100, 900);
  EXPECT_EQ(host_.status[0], "(0.1000, 0.1000) um");
  EXPECT_TRUE(host_.refreshed.empty());
  Send(MouseKind::kRightDown, 100, 100);
  Send(MouseKind::kMotion, 150, 130);
  Send(MouseKind::kMotion, 120, 160);
  ASSERT_FALSE(host_.refreshed.empty());
  EXPECT_EQ(host_.refreshed.back(), (PixelRect{98, 98, 55, 65}));
  EXPECT_EQ(host_.redraws, 0);
}

TEST_F(GestureControllerTest, PicksWalkOnUntilAnEditAndOfferTheirPath) {
  uint32_t top = library_.CreateCell("top");
  uint32_t leaf = library_.CreateCell("leaf");
  libtest::AddShape(*library_.cells[leaf], kMetal, {{0, 0}, {100, 0}, {100, 100}, {0, 100}}, {{0, 0}}, true);
  libtest::AddShape(*library_.cells[leaf], kMetal, {{0, 0}, {50, 0}, {50, 50}, {0, 50}}, {{25, 25}}, true);
  libtest::Place(library_, top, libtest::Single(leaf, 100, 100));
  Show(top);
  Send(MouseKind::kLeftDClick, 150, 850);
  ASSERT_TRUE(edit_.HasSelection());
  EXPECT_EQ(host_.status[1], "Under cell leaf");
  const Box first = edit_.selectionRing.GetBoundingBox();
  Send(MouseKind::kRightDClick, 150, 850);
  ASSERT_TRUE(edit_.HasSelection());
  EXPECT_NE(edit_.selectionRing.GetBoundingBox(), first);
  // A control click offers the path of the pick.
  prompts_.items.push_back(0);
  Send(MouseKind::kRightDown, 150, 850, true);
  Send(MouseKind::kRightUp, 150, 850, true);
  ASSERT_TRUE(edit_.selectedInstance);
  EXPECT_EQ(edit_.selectedInstance.holder, library_.cells[top].get());
  Send(MouseKind::kRightDClick, 150, 850);
  EXPECT_FALSE(edit_.HasSelection());

  // After an edit of the library the old walk is dropped: the next pick finds nothing to go on.
  Send(MouseKind::kLeftDClick, 150, 850);
  library_.MoveEditGeneration();
  Send(MouseKind::kRightDClick, 150, 850);
  EXPECT_TRUE(edit_.HasSelection());
  EXPECT_FALSE(edit_.HasPickPath());
}

TEST_F(GestureControllerTest, TextsArePickedWithinThreePixelsInTheirTurn) {
  // The default full view of a 100 um design, about 100 units per pixel: "A" lies on a
  // rectangle of a layer that the walk visits first, "B" beside it.
  uint32_t top = library_.CreateCell("top");
  libtest::AddShape(*library_.cells[top], kMetal, {{0, 0}, {60000, 0}, {60000, 100000}, {0, 100000}}, {{0, 0}}, true);
  library_.cells[top]->AddText(kVia, library_.AddString("A"), 50000, 50000, true);
  library_.cells[top]->AddText(kVia, library_.AddString("B"), 80000, 50000, true);
  Show(top);
  view_.SetViewBox(0, 0, 100000, 100000);
  view_.CentreView(0, 0, 1000, 1000);
  const int32_t ax = view_.ToDeviceX(50000), bx = view_.ToDeviceX(80000), y = view_.ToDeviceY(50000);
  Send(MouseKind::kLeftDClick, bx + 2, y - 2);
  EXPECT_EQ(host_.status[1], "Text under cell top");
  EXPECT_EQ(edit_.selectionRing.GetBoundingBox(), Box(80000, 49999, 80001, 50000));
  Send(MouseKind::kLeftDClick, bx + 5, y);
  EXPECT_FALSE(edit_.HasSelection());
  // On the rectangle the shape comes first, the text next.
  Send(MouseKind::kLeftDClick, ax - 2, y);
  EXPECT_EQ(host_.status[1], "Under cell top");
  Send(MouseKind::kRightDClick, ax - 2, y);
  EXPECT_EQ(host_.status[1], "Text under cell top");
  EXPECT_EQ(edit_.selectionRing.GetBoundingBox(), Box(50000, 49999, 50001, 50000));
}

TEST_F(GestureControllerTest, MiddleDragZoomsOutOnlyWhenZoomedAndDragged) {
  Send(MouseKind::kMiddleDown, 0, 0);
  Send(MouseKind::kMiddleUp, 50, 50);
  EXPECT_TRUE(host_.scrolls.empty());
  view_.magnification = 4.0;
  Send(MouseKind::kMiddleDown, 0, 0);
  EXPECT_EQ(host_.cursor, CursorKind::kZoomOut);
  Send(MouseKind::kMiddleUp, 1, 50);
  EXPECT_TRUE(host_.scrolls.empty());
  Send(MouseKind::kMiddleDown, 0, 0);
  Send(MouseKind::kMiddleUp, 2, 2);
  EXPECT_EQ(host_.scrolls.size(), 1u);
  EXPECT_EQ(host_.cursor, CursorKind::kArrow);
}

}  // namespace
