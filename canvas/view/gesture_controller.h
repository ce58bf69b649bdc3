#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "canvas/view/display_settings.h"
#include "canvas/view/edit_state.h"
#include "canvas/view/session_host.h"
#include "canvas/view/view_state.h"
#include "db/box.h"

class Library;
class ViewSession;

// The mouse gestures of a view, free of the toolkit: the canvas turns each toolkit mouse event
// into a MouseEvent and hands it to its session; the controller edits the session's selection,
// rulers and view state, and asks the session for status texts, zooms, refreshes and cursors.
// There is no tool mode: the modifiers held and the gesture state decide what a gesture does.
//
// What a gesture shows while it runs (the rubber line or box, the edges of a polygon being
// drawn) is state of the controller that an overlay paints. Each change refreshes only the
// union of the pixels it covered before and after, so no gesture starts a drawing pass.

enum class MouseKind {
  kLeftDown,
  kLeftUp,
  kLeftDClick,
  kMiddleDown,
  kMiddleUp,
  kRightDown,
  kRightUp,
  kRightDClick,
  kMotion,
};

// A press or double click: the event that starts a gesture.
inline bool IsPress(MouseKind kind) {
  return kind == MouseKind::kLeftDown || kind == MouseKind::kMiddleDown || kind == MouseKind::kRightDown ||
         kind == MouseKind::kLeftDClick || kind == MouseKind::kRightDClick;
}

// One mouse event: its position in scrolled window pixels, the buttons held and the modifiers.
struct MouseEvent {
  MouseKind kind = MouseKind::kMotion;
  int32_t x = 0;
  int32_t y = 0;
  bool leftIsDown = false;
  bool middleIsDown = false;
  bool rightIsDown = false;
  bool control = false;
  bool shift = false;
  bool alt = false;

  bool AnyModifier() const { return control || shift || alt; }
};

// The state of a gesture in progress, in window pixels and database units.
struct GestureState {
  // Last left, right or middle press; after snapping the window image of the snapped point.
  int32_t pressX = 0, pressY = 0;
  // Last motion or release, snapped where snapping applies.
  int32_t cursorX = 0, cursorY = 0;
  // Unsnapped point of the last left or right press: hit tests and the drag threshold use it.
  int32_t rawPressX = 0, rawPressY = 0;
  // Start of rubber lines, rulers and new polygon edges.
  Point anchor;
  bool leftButtonDown = false;
};

// What a gesture paints while it runs. The rubber line runs from the anchor to the cursor, the
// rubber box spans the press point and the cursor (both window pixels).
struct GestureTransients {
  bool rubberLine = false;
  int32_t lineX1 = 0, lineY1 = 0, lineX2 = 0, lineY2 = 0;
  bool rubberBox = false;
  int32_t boxX1 = 0, boxY1 = 0, boxX2 = 0, boxY2 = 0;
};

// The point p constrained against the reference r by the angle type: 0 horizontal, 1
// vertical, 2 horizontal, vertical or diagonal (whichever is nearest: a move more than twice as
// long on one axis as on the other keeps to that axis), 3 (or any other) unchanged.
Point ConstrainAngle(const Point& p, const Point& r, int32_t angleType);

// v rounded to the nearest multiple of grid (halves upwards, in double precision) when grid
// exceeds 1 and v is not a multiple already.
int32_t SnapCoordinate(int32_t v, int32_t grid);

// The scroll of a zoom to the dragged box (left, top, width, height; scrolled pixels) in a
// cw x ch client, with magnification updated. The factor makes the box fill the client and is
// capped so that the larger client side times the magnification stays within
// kMaxVirtualPixels. Nothing (magnification unchanged) when the factor is 1 within the
// single-precision epsilon: the view then only repaints.
std::optional<ScrollRequest> DragZoomScroll(double& magnification, int32_t left, int32_t top, int32_t width,
                                            int32_t height, int32_t cw, int32_t ch);

class GestureController {
 public:
  // The session whose gestures these are; it must outlive the controller.
  explicit GestureController(ViewSession& session) : session_(session) {}

  // One event on the session's view. Without a library shown only the view gestures work.
  void Handle(const MouseEvent& event);

  // Drops what the gestures paint (the selection was dropped elsewhere) and refreshes where it
  // was.
  void ClearTransients();
  // The mouse was taken away mid-gesture: the press is forgotten, the transients go and the
  // arrow comes back; the selection stays.
  void Abandon();

  const GestureState& State() const { return state_; }
  const GestureTransients& Transients() const { return transients_; }
  // The pixels that the selection, the selected instance and the transients cover now, with a
  // margin for the pen; empty when none shows.
  PixelRect PaintedArea() const;

 private:
  void LeftDown(const MouseEvent& e, Library* library);
  void LeftUp(const MouseEvent& e);
  void LeftDClick(const MouseEvent& e, Library* library, int32_t topCellId);
  void RightDClick(Library* library);
  void RightDown(const MouseEvent& e);
  void RightUp(const MouseEvent& e, Library* library);
  void MiddleDown(const MouseEvent& e);
  void MiddleUp(const MouseEvent& e);
  void Motion(const MouseEvent& e);

  // The database point of a window position, snapped when snap is set.
  Point ToDB(int32_t x, int32_t y, bool snap) const;
  int32_t ScreenX(const Point& p) const { return View().ToDeviceX(p.x); }
  int32_t ScreenY(const Point& p) const { return View().ToDeviceY(p.y); }
  // A point in micrometres for status texts: "(%.4f, %.4f)".
  std::string Micrometres(const Point& p) const;
  void Status(const std::string& text);
  // The session's view mapping, settings and edit state.
  ViewMapping& View() const;
  const DisplaySettings& Settings() const;
  EditState& Edit() const;

  void StartDrawing(Library* library);
  void SplitEdge();
  void AddVertex();
  void PickVertexOrEdge();
  void MovePickedVertex(const Point& q);
  void MovePickedEdge(const Point& q);
  void MakeRuler(const Point& q);
  void InsertBox(const Point& q, Library* library);
  void ZoomToDrag(int32_t left, int32_t top, int32_t width, int32_t height);
  // The layer key of the first selected layer row, with its colour word; false for none.
  bool SelectedLayer(Library* library, LayerKey& key, uint32_t& colour) const;
  // The first vertex, or edge (its first vertex), of the selection within 3 pixels of the raw
  // press point.
  RingVertex* VertexHit() const;
  RingVertex* EdgeHit() const;
  // Runs a pick step and reports it; start begins a new walk at the raw press point.
  void Pick(Library* library, int32_t topCellId, const Point* start);
  // Refreshes the union of before and what is painted now.
  void RefreshSince(const PixelRect& before);
  PixelRect TransientArea() const;
  PixelRect SelectionArea() const;
  PixelRect RulerArea(const Ruler& ruler) const;

  ViewSession& session_;
  GestureState state_;
  GestureTransients transients_;
};
