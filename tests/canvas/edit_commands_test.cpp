#include <gtest/gtest.h>
#include <wx/app.h>
#include <wx/frame.h>

#include <memory>

#include "canvas/my_canvas.h"
#include "canvas/view/canvas_host.h"
#include "canvas/view/document.h"
#include "canvas/view/view_session.h"
#include "tests/canvas/canvas_paint.h"
#include "tests/canvas/canvas_test_util.h"
#include "tests/canvas/view/edit_test_library.h"

namespace {

const LayerKey kMetal = MakeLayerKey(1, 0);

struct EditHost : CanvasHost {
  void SetChildStatus(int field, const std::string& text) override { child[field & 1] = text; }
  void SetMainStatus(const std::string&) override {}
  int FirstSelectedLayerRow() const override { return layerRow; }
  void SetBusy(bool) override {}
  CanvasPrompts& Prompts() override { return prompts; }
  void RefreshLayerList() override {}
  std::string child[2];
  int layerRow = 0;
  edittest::ScriptedEditPrompts prompts;
};

// A shown canvas on a library of one green square (0, 0)-(1000, 1000); the edit commands run
// on what the mouse gestures select, through the window's own event handling.
class EditCommandsWindowTest : public ::testing::Test {
 protected:
  EditCommandsWindowTest() {
    frame_ = new wxFrame(nullptr, wxID_ANY, "edits", wxDefaultPosition, wxSize(420, 340));
    canvas_ = new MyCanvas(frame_, session_, wxDefaultPosition, wxSize(400, 300));
    canvas_->SetHost(&host_);
    library_ = std::make_shared<Library>("", false);
    top_ = library_->CreateCell("top");
    libtest::AddShape(Top(), kMetal, {{0, 0}, {1000, 0}, {1000, 1000}, {0, 1000}}, {{0, 0}}, true);
    Top().box = Box(0, 0, 4000, 3000);
    canvastest::SetLayer(*library_, kMetal, canvastest::kGreenWord);
    library_->roots = {top_};
    session_.ShareDocument(std::make_shared<Document>(library_));
    session_.SetTopCell(int32_t(top_));
    frame_->Show();
    Paint();
  }
  ~EditCommandsWindowTest() override {
    frame_->Destroy();
    wxTheApp->ProcessIdle();
  }

  Cell& Top() { return *library_->cells[top_]; }

  wxImage Paint() { return canvastest::PaintCanvas(*canvas_); }

  // A left click (press and release) at the image of DB point (x, y).
  void Click(int32_t x, int32_t y, bool controlAlt) {
    const wxPoint at(session_.View().ToDeviceX(x), session_.View().ToDeviceY(y));
    for (wxEventType type : {wxEVT_LEFT_DOWN, wxEVT_LEFT_UP}) {
      wxMouseEvent event(type);
      event.SetPosition(at);
      event.SetLeftDown(type == wxEVT_LEFT_DOWN);
      event.SetControlDown(controlAlt);
      event.SetAltDown(controlAlt);
      event.SetEventObject(canvas_);
      canvas_->ProcessWindowEvent(event);
    }
  }
  // The second press of a double click and its release.
  void DoubleClick(int32_t x, int32_t y) {
    for (wxEventType type : {wxEVT_LEFT_DCLICK, wxEVT_LEFT_UP}) {
      wxMouseEvent event(type);
      event.SetPosition(wxPoint(session_.View().ToDeviceX(x), session_.View().ToDeviceY(y)));
      event.SetLeftDown(type == wxEVT_LEFT_DCLICK);
      event.SetEventObject(canvas_);
      canvas_->ProcessWindowEvent(event);
    }
  }

  EditHost host_;
  wxFrame* frame_;
  ViewSession session_;
  MyCanvas* canvas_;
  std::shared_ptr<Library> library_;
  uint32_t top_ = 0;
};

TEST_F(EditCommandsWindowTest, DrawnPolygonIsInsertedDrawnThenPickedFlippedAndInsertedAgain) {
  const int64_t greenBefore = canvastest::CountColour(Paint(), canvastest::kGreenPen);
  Click(2000, 1000, true);
  Click(3000, 1000, false);
  Click(3000, 2000, false);
  Click(2000, 2000, false);
  Click(2000, 2000, true);
  ASSERT_TRUE(session_.Edit().SelectionClosed());
  session_.InsertPolygon();
  EXPECT_FALSE(session_.Edit().HasSelection());
  EXPECT_EQ(edittest::ShapeBoxes(Top(), kMetal), (std::vector<Box>{{0, 0, 1000, 1000}, {2000, 1000, 3000, 2000}}));
  EXPECT_EQ(Top().flags & kCellModified, kCellModified);
  EXPECT_EQ(library_->flags & kLibCellsChanged, kLibCellsChanged);
  const int64_t greenAfter = canvastest::CountColour(Paint(), canvastest::kGreenPen);
  EXPECT_GT(greenAfter, greenBefore);

  DoubleClick(2500, 1500);
  ASSERT_TRUE(session_.Edit().HasPickPath());
  EXPECT_EQ(session_.Edit().selectionRing.GetBoundingBox(), Box(2000, 1000, 3000, 2000));
  session_.Rotate90Polygon();
  session_.FlipXPolygon();
  session_.InsertPolygon();
  // Rotated about its first vertex (2000, 1000) to (1000, 1000)-(2000, 2000), which the flip
  // about x = 1500 maps onto itself.
  EXPECT_EQ(edittest::ShapeBoxes(Top(), kMetal), (std::vector<Box>{{0, 0, 1000, 1000}, {1000, 1000, 2000, 2000}}));
  EXPECT_GT(canvastest::CountColour(Paint(), canvastest::kGreenPen), greenBefore);
}

TEST_F(EditCommandsWindowTest, InsertedTextIsDrawnInAZoomedView) {
  host_.prompts.text = TextParameters{2500, 2500, "VDD", 1.0};
  session_.InsertText();
  ASSERT_EQ(Top().texts.Count(), 1);
  session_.ZoomToBox(2.5, 2.5, 0.5);
  const wxImage zoomed = Paint();
  // Nothing but the text lies in this view: anything drawn is the text.
  EXPECT_GT(canvastest::CountNonBlack(zoomed), 0);
  host_.layerRow = -1;
  session_.InsertText();
  EXPECT_EQ(host_.child[1], "Layer must be selected, cancel text insertion");
  EXPECT_EQ(Top().texts.Count(), 1);
}

}  // namespace
