#include "canvas/view/gesture_controller.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <unordered_set>

#include "canvas/view/pick.h"
#include "canvas/view/ruler_label.h"
#include "canvas/view/view_session.h"
#include "db/error.h"
#include "db/library.h"
#include "db/log.h"
#include "db/numeric.h"
#include "db/poly/path_outline.h"
#include "db/poly/ring_geometry.h"
#include "db/segment.h"

namespace {

// A vertex, an edge or a text is hit within 3 pixels (squared: 9).
constexpr double kHitPixels = 3.0;
constexpr double kHitSquared = kHitPixels * kHitPixels;
// A left drag shorter than 5 pixels is a click (squared: 25).
constexpr int64_t kDragSquared = 25;
// A right or middle drag narrower or lower than 2 pixels is a click.
constexpr int32_t kClickPixels = 2;
// Room around a drawn line for the pen; and the label of a ruler, drawn right of and below its
// second end.
constexpr int32_t kPenMargin = 2;
constexpr int32_t kLabelCharWidth = 9;
constexpr int32_t kLabelHeight = 20;

int32_t ClampPixel(int64_t v) { return int32_t(std::clamp<int64_t>(v, INT32_MIN / 2, INT32_MAX / 2)); }

// The pixels of the box spanned by two points, widened by margin.
PixelRect SpanRect(int64_t x1, int64_t y1, int64_t x2, int64_t y2, int32_t margin) {
  PixelRect r;
  r.x = ClampPixel(std::min(x1, x2) - margin);
  r.y = ClampPixel(std::min(y1, y2) - margin);
  r.width = ClampPixel(std::max(x1, x2) + margin + 1 - r.x);
  r.height = ClampPixel(std::max(y1, y2) + margin + 1 - r.y);
  return r;
}

// Calls visit on every vertex of rings, ring by ring in ring order, each ring from its first
// vertex in set order; stops at the first vertex for which visit returns true and gives it.
template <typename Visit>
RingVertex* FindInRings(const RingSet& rings, Visit visit) {
  std::unordered_set<const RingVertex*> seen;
  for (RingVertex* start = rings.Head(); start; start = start->next) {
    if (seen.count(start)) continue;
    RingVertex* v = start;
    do {
      seen.insert(v);
      if (visit(v)) return v;
      v = v->ringNext;
    } while (v && v != start);
  }
  return nullptr;
}

// True when the window, in database units, has no width or no height (or no view is fitted).
bool ShowsNoArea(const ViewMapping& view) {
  return !(view.scale > 0) || view.ScreenToDBX(view.windowX) == view.ScreenToDBX(double(view.windowX) + view.windowW) ||
         view.ScreenToDBY(view.windowY) == view.ScreenToDBY(double(view.windowY) + view.windowH);
}

}  // namespace

Point ConstrainAngle(const Point& p, const Point& r, int32_t angleType) {
  Point out = p;
  switch (angleType) {
    case 0: out.y = r.y; break;
    case 1: out.x = r.x; break;
    case 2: {
      int64_t dx = std::llabs(int64_t(r.x) - p.x);
      int64_t dy = std::llabs(int64_t(r.y) - p.y);
      if (dx >= dy && dx > 2 * dy) {
        out.y = r.y;
      } else if (dx < dy && dy > 2 * dx) {
        out.x = r.x;
      } else {
        out.y = SaturateToInt32(r.y < p.y ? double(r.y) + double(dx) : double(r.y) - double(dx));
      }
      break;
    }
    default: break;
  }
  return out;
}

int32_t SnapCoordinate(int32_t v, int32_t grid) {
  if (grid <= 1 || v % grid == 0) return v;
  return SaturateToInt32(std::floor(double(v) / grid + 0.5) * grid);
}

std::optional<ScrollRequest> DragZoomScroll(double& magnification, int32_t left, int32_t top, int32_t width,
                                            int32_t height, int32_t cw, int32_t ch) {
  if (width <= 0 || height <= 0 || cw <= 0 || ch <= 0) return std::nullopt;
  double f = std::min(double(cw) / width, double(ch) / height);
  double m = std::max(cw, ch);
  if (magnification * f * m > kMaxVirtualPixels) f = kMaxVirtualPixels / (m * magnification);
  if (std::fabs(f - 1.0) <= kUnitEpsilon) return std::nullopt;
  magnification *= f;
  ScrollRequest request;
  request.unitsX = SaturateToInt32(std::trunc(cw * magnification / kScrollUnit));
  request.unitsY = SaturateToInt32(std::trunc(ch * magnification / kScrollUnit));
  request.posX = SaturateToInt32(std::trunc((left * f - (cw - width * f) / 2) / kScrollUnit));
  request.posY = SaturateToInt32(std::trunc((top * f - (ch - height * f) / 2) / kScrollUnit));
  return request;
}

ViewMapping& GestureController::View() const { return session_.View(); }
const DisplaySettings& GestureController::Settings() const { return session_.Settings(); }
EditState& GestureController::Edit() const { return session_.Edit(); }
void GestureController::Status(const std::string& text) { session_.ChildStatus(1, text); }

void GestureController::Handle(const MouseEvent& event) {
  Library* library = session_.GetLibrary();
  const int32_t topCellId = session_.TopCell() ? session_.TopCellId() : -1;
  // Every press starts a gesture: the report of the last one gives way, to the new gesture's
  // own text or to "Ready" when it has none.
  if (IsPress(event.kind)) Status("Ready");
  switch (event.kind) {
    case MouseKind::kLeftDown: LeftDown(event, library); break;
    case MouseKind::kLeftUp: LeftUp(event); break;
    case MouseKind::kLeftDClick: LeftDClick(event, library, topCellId); break;
    case MouseKind::kMiddleDown: MiddleDown(event); break;
    case MouseKind::kMiddleUp: MiddleUp(event); break;
    case MouseKind::kRightDown: RightDown(event); break;
    case MouseKind::kRightUp: RightUp(event, library); break;
    case MouseKind::kRightDClick: RightDClick(library); break;
    case MouseKind::kMotion: Motion(event); break;
  }
}

Point GestureController::ToDB(int32_t x, int32_t y, bool snap) const {
  Point p(View().ScreenToDBX(x), View().ScreenToDBY(y));
  if (snap) {
    p.x = SnapCoordinate(p.x, Settings().snapGrid);
    p.y = SnapCoordinate(p.y, Settings().snapGrid);
  }
  return p;
}

std::string GestureController::Micrometres(const Point& p) const {
  char text[96];
  std::snprintf(text, sizeof text, "(%.4f, %.4f)", p.x * Settings().umPerUnit, p.y * Settings().umPerUnit);
  return text;
}

void GestureController::LeftDown(const MouseEvent& e, Library* library) {
  const PixelRect before = PaintedArea();
  state_.leftButtonDown = true;
  state_.rawPressX = e.x;
  state_.rawPressY = e.y;
  state_.anchor = ToDB(e.x, e.y, true);
  state_.pressX = Settings().snapGrid > 1 ? ScreenX(state_.anchor) : e.x;
  state_.pressY = Settings().snapGrid > 1 ? ScreenY(state_.anchor) : e.y;
  transients_.rubberLine = false;
  if (e.shift && Edit().HasSelection()) {
    Status("Moving selected polygon");
    if (Edit().movingSelection) {
      Edit().selectionRing.Translate(SaturateToInt32(double(state_.anchor.x) - Edit().moveAnchor.x),
                                     SaturateToInt32(double(state_.anchor.y) - Edit().moveAnchor.y));
    }
    Edit().moveAnchor = state_.anchor;
    Edit().movingSelection = true;
  } else if (e.control && e.alt) {
    if (Edit().drawingPolygon) {
      Link(Edit().selectionRing.Tail(), Edit().selectionRing.Head());
      Edit().selectionRing.SetRingCount(1);
      Edit().drawingPolygon = false;
    } else if (!Edit().HasSelection()) {
      StartDrawing(library);
    } else {
      SplitEdge();
    }
  } else if (Edit().drawingPolygon) {
    AddVertex();
  } else if (e.control && Edit().HasSelection()) {
    PickVertexOrEdge();
  }
  RefreshSince(before);
}

bool GestureController::SelectedLayer(Library* library, LayerKey& key, uint32_t& colour) const {
  int row = session_.SelectedLayerRow();
  if (!library || row < 0 || size_t(row) >= library->layerMap.size()) return false;
  auto layer = std::next(library->layerMap.begin(), row);
  key = layer->first;
  colour = layer->second.colour;
  return true;
}

void GestureController::StartDrawing(Library* library) {
  LayerKey key = 0;
  uint32_t colour = 0;
  if (!SelectedLayer(library, key, colour)) {
    Status("Layer must be selected, cancel polygon insertion");
    return;
  }
  Edit().editLayer = key;
  Edit().editColour = colour;
  Edit().ClearSelection();
  // A drawing is a new selection: it goes into the shown cell, not where an earlier pick was.
  Edit().pickWalk.Reset();
  Edit().inspectionActive = false;
  Edit().selectionRing.PushBack(state_.anchor);
  Edit().drawingPolygon = true;
}

void GestureController::AddVertex() {
  RingVertex* tail = Edit().selectionRing.Tail();
  state_.anchor = ConstrainAngle(state_.anchor, Point(tail->x, tail->y), Settings().angleType);
  RingVertex* added = Edit().selectionRing.PushBack(state_.anchor);
  Link(tail, added);
}

void GestureController::SplitEdge() {
  RingVertex* v = EdgeHit();
  if (!v) return;
  RingVertex* n = v->ringNext;
  Point at = Segment(v->x, v->y, n->x, n->y).Project(state_.anchor.x, state_.anchor.y);
  if (at == Point(v->x, v->y) || at == Point(n->x, n->y)) return;
  RingVertex* first = Edit().selectionRing.InsertAfter(v, at);
  RingVertex* second = Edit().selectionRing.InsertAfter(first, at);
  Link(v, first);
  Link(first, second);
  Link(second, n);
  Status("Split edge at " + Micrometres(at) + " um");
}

void GestureController::PickVertexOrEdge() {
  Edit().pickKind = PickKind::kNone;
  Edit().pickedVertex = nullptr;
  if (RingVertex* v = VertexHit()) {
    Edit().pickKind = PickKind::kVertex;
    Edit().pickedVertex = v;
    state_.anchor = Point(v->x, v->y);
    Status("Point at " + Micrometres(state_.anchor) + " um");
  } else if (RingVertex* e = EdgeHit()) {
    Edit().pickKind = PickKind::kEdge;
    Edit().pickedVertex = e;
    Status("Edge " + Micrometres(Point(e->x, e->y)) + " - " + Micrometres(Point(e->ringNext->x, e->ringNext->y)) +
           " um");
  }
}

RingVertex* GestureController::VertexHit() const {
  const double px = state_.rawPressX;
  const double py = state_.rawPressY;
  return FindInRings(Edit().selectionRing, [&](const RingVertex* v) {
    double dx = View().DeviceX(v->x) - px;
    double dy = View().DeviceY(v->y) - py;
    return dx * dx + dy * dy <= kHitSquared;
  });
}

RingVertex* GestureController::EdgeHit() const {
  return FindInRings(Edit().selectionRing, [&](const RingVertex* v) {
    const RingVertex* n = v->ringNext;
    if (!n) return false;
    Segment edge(View().ToDeviceX(v->x), View().ToDeviceY(v->y), View().ToDeviceX(n->x), View().ToDeviceY(n->y));
    return SquaredDistanceToSegment(edge, state_.rawPressX, state_.rawPressY) <= kHitSquared;
  });
}

void GestureController::LeftUp(const MouseEvent& e) {
  if (!state_.leftButtonDown) return;
  state_.leftButtonDown = false;
  const PixelRect before = PaintedArea();
  state_.cursorX = e.x;
  state_.cursorY = e.y;
  int64_t dx = int64_t(e.x) - state_.rawPressX;
  int64_t dy = int64_t(e.y) - state_.rawPressY;
  if (!Edit().drawingPolygon) transients_.rubberLine = false;
  if (dx * dx + dy * dy >= kDragSquared) {
    Point q = ToDB(e.x, e.y, true);
    if (Settings().snapGrid > 1) {
      state_.cursorX = ScreenX(q);
      state_.cursorY = ScreenY(q);
    }
    if (Edit().drawingPolygon) {
      // The drawing goes on; a release adds nothing.
    } else if (e.control && Edit().pickKind == PickKind::kVertex) {
      MovePickedVertex(q);
    } else if (e.control && Edit().pickKind == PickKind::kEdge) {
      MovePickedEdge(q);
    } else {
      MakeRuler(q);
    }
  }
  RefreshSince(before);
}

void GestureController::MovePickedVertex(const Point& q) {
  RingVertex* v = Edit().pickedVertex;
  if (!v) return;
  v->x = q.x;
  v->y = q.y;
  Status("Move point to " + Micrometres(q) + " um");
  Edit().pickKind = PickKind::kNone;
  Edit().pickedVertex = nullptr;
}

void GestureController::MovePickedEdge(const Point& q) {
  RingVertex* v = Edit().pickedVertex;
  RingVertex* n = v ? v->ringNext : nullptr;
  if (!n || !v->ringPrev || !n->ringNext) return;
  if (v->x == n->x) {
    v->x = n->x = q.x;
  } else if (v->y == n->y) {
    v->y = n->y = q.y;
  } else {
    Segment edge(v->x, v->y, n->x, n->y);
    int32_t d = SaturateToInt32(std::trunc(std::sqrt(SquaredDistanceToSegment(edge, q.x, q.y))));
    if (edge.Side(q.x, q.y) < 0) d = -d;
    Segment moved = OffsetSegment(edge, d);
    // Both ends are found before either moves: in a triangle the edge after n ends at v.
    Point newV(v->x, v->y);
    Point newN(n->x, n->y);
    // A neighbour parallel to the edge has no intersection with it: that end stays.
    moved.IntersectRounded(Segment(v->ringPrev->x, v->ringPrev->y, v->x, v->y), newV.x, newV.y);
    moved.IntersectRounded(Segment(n->x, n->y, n->ringNext->x, n->ringNext->y), newN.x, newN.y);
    v->x = RoundToMultiple(newV.x, Settings().snapGrid);
    v->y = RoundToMultiple(newV.y, Settings().snapGrid);
    n->x = RoundToMultiple(newN.x, Settings().snapGrid);
    n->y = RoundToMultiple(newN.y, Settings().snapGrid);
  }
  Status("Move edge to " + Micrometres(Point(v->x, v->y)) + " - " + Micrometres(Point(n->x, n->y)) + " um");
  Edit().pickKind = PickKind::kNone;
  Edit().pickedVertex = nullptr;
}

void GestureController::MakeRuler(const Point& q) {
  Point end = ConstrainAngle(q, state_.anchor, Settings().angleType);
  Ruler ruler{state_.anchor.x, state_.anchor.y, end.x, end.y};
  if (RulerLength(ruler) < Settings().snapGrid) return;
  Edit().rulers.push_back(ruler);
  session_.RefreshPixels(RulerArea(ruler));
}

void GestureController::LeftDClick(const MouseEvent& e, Library* library, int32_t topCellId) {
  const PixelRect before = PaintedArea();
  Edit().ClearSelection();
  transients_ = GestureTransients{};
  if (library && topCellId >= 0) {
    Point p = ToDB(e.x, e.y, false);
    Pick(library, topCellId, &p);
  }
  RefreshSince(before);
}

void GestureController::RightDClick(Library* library) {
  if (!library) return;
  Edit().FollowGeneration(*library);
  if (!Edit().HasPickPath()) return;
  const PixelRect before = PaintedArea();
  Edit().ClearSelection();
  Pick(library, -1, nullptr);
  RefreshSince(before);
}

void GestureController::Pick(Library* library, int32_t topCellId, const Point* start) {
  std::optional<PickHit> hit;
  try {
    // The hit tolerance in database units at the current zoom.
    const double perUnit = View().PixelsPerUnit();
    const int32_t textReach = perUnit > 0 ? SaturateToInt32(std::ceil(kHitPixels / perUnit)) : 1;
    hit = start ? StartPick(Edit(), *library, uint32_t(topCellId), *start, textReach) : ContinuePick(Edit(), *library);
  } catch (const Error& error) {
    std::string line = ErrorLine(error);
    LogMessage("%s", line.c_str());
    Status(line.substr(0, line.size() - 1));
    Edit().ClearSelection();
    return;
  }
  if (hit) Status((hit->text ? "Text under cell " : "Under cell ") + hit->cellName);
}

void GestureController::RightDown(const MouseEvent& e) {
  const PixelRect before = TransientArea();
  state_.pressX = state_.rawPressX = e.x;
  state_.pressY = state_.rawPressY = e.y;
  transients_.rubberBox = false;
  if (!e.AnyModifier()) {
    session_.ShowCursor(CursorKind::kMagnifier);
  } else {
    state_.anchor = ToDB(e.x, e.y, true);
    if (Settings().snapGrid > 1) {
      state_.pressX = ScreenX(state_.anchor);
      state_.pressY = ScreenY(state_.anchor);
    }
  }
  if (!before.IsEmpty()) session_.RefreshPixels(before);
}

void GestureController::RightUp(const MouseEvent& e, Library* library) {
  const PixelRect before = PaintedArea();
  // The arrow comes back on every way out, the early one included.
  session_.ShowCursor(CursorKind::kArrow);
  transients_.rubberBox = false;
  if (ShowsNoArea(View())) {
    session_.RedrawView();
    return;
  }
  state_.cursorX = e.x;
  state_.cursorY = e.y;
  Point q = ToDB(e.x, e.y, e.AnyModifier());
  if (e.AnyModifier() && Settings().snapGrid > 1) {
    state_.cursorX = ScreenX(q);
    state_.cursorY = ScreenY(q);
  }
  int32_t left = std::min(state_.pressX, state_.cursorX);
  int32_t top = std::min(state_.pressY, state_.cursorY);
  int64_t width = int64_t(std::max(state_.pressX, state_.cursorX)) - left;
  int64_t height = int64_t(std::max(state_.pressY, state_.cursorY)) - top;
  if (width < kClickPixels || height < kClickPixels) {
    if (e.control && library) {
      Edit().FollowGeneration(*library);
      if (Edit().HasPickPath()) Edit().selectedInstance = session_.ShowHierarchyPath();
    }
  } else if (e.shift) {
    InsertBox(q, library);
  } else {
    ZoomToDrag(left, top, ClampPixel(width), ClampPixel(height));
  }
  RefreshSince(before);
}

void GestureController::InsertBox(const Point& q, Library* library) {
  LayerKey key = 0;
  uint32_t colour = 0;
  if (!SelectedLayer(library, key, colour)) {
    Status("Layer must be selected, cancel box insertion");
    return;
  }
  Edit().ClearSelection();
  // A rectangle is a new selection, like a drawing.
  Edit().pickWalk.Reset();
  Edit().inspectionActive = false;
  Edit().editLayer = key;
  Edit().editColour = colour;
  Edit().selectionRing.AddRectangle(Box::SpanPoints(state_.anchor, q));
}

void GestureController::ZoomToDrag(int32_t left, int32_t top, int32_t width, int32_t height) {
  const ViewMapping& view = View();
  session_.SetLastZoomedArea(Box(view.ScreenToDBX(left), view.ScreenToDBY(double(top) + height),
                                 view.ScreenToDBX(double(left) + width), view.ScreenToDBY(top)));
  if (auto request = DragZoomScroll(View().magnification, left, top, width, height, View().windowW, View().windowH)) {
    session_.ApplyScroll(*request);
  } else {
    session_.RedrawView();
  }
}

void GestureController::MiddleDown(const MouseEvent& e) {
  session_.ShowCursor(CursorKind::kZoomOut);
  state_.pressX = e.x;
  state_.pressY = e.y;
}

void GestureController::MiddleUp(const MouseEvent& e) {
  session_.ShowCursor(CursorKind::kArrow);
  state_.cursorX = e.x;
  state_.cursorY = e.y;
  if (View().magnification != 1.0 && std::llabs(int64_t(e.x) - state_.pressX) >= kClickPixels &&
      std::llabs(int64_t(e.y) - state_.pressY) >= kClickPixels) {
    session_.Zoomout4X();
  }
}

void GestureController::Motion(const MouseEvent& e) {
  state_.cursorX = e.x;
  state_.cursorY = e.y;
  session_.ChildStatus(0, Micrometres(ToDB(e.x, e.y, false)) + " um");
  const bool drawing = Edit().drawingPolygon;
  const bool follows = e.leftIsDown || drawing;
  Point p = ToDB(e.x, e.y, follows || e.AnyModifier());
  if ((follows || e.AnyModifier()) && Settings().snapGrid > 1) {
    state_.cursorX = ScreenX(p);
    state_.cursorY = ScreenY(p);
  }
  if (follows) {
    p = ConstrainAngle(p, state_.anchor, Settings().angleType);
    state_.cursorX = ScreenX(p);
    state_.cursorY = ScreenY(p);
  }
  const PixelRect before = TransientArea();
  if (follows && Edit().pickKind == PickKind::kNone) {
    transients_.rubberLine = true;
    transients_.lineX1 = ScreenX(state_.anchor);
    transients_.lineY1 = ScreenY(state_.anchor);
    transients_.lineX2 = state_.cursorX;
    transients_.lineY2 = state_.cursorY;
  } else if (e.rightIsDown) {
    transients_.rubberBox = true;
    transients_.boxX1 = state_.pressX;
    transients_.boxY1 = state_.pressY;
    transients_.boxX2 = state_.cursorX;
    transients_.boxY2 = state_.cursorY;
  } else {
    // A command may have ended the gesture (Cancel while drawing): what it showed goes.
    transients_ = GestureTransients{};
  }
  PixelRect area = before.Union(TransientArea());
  if (!area.IsEmpty()) session_.RefreshPixels(area);
}

void GestureController::ClearTransients() {
  const PixelRect before = TransientArea();
  transients_ = GestureTransients{};
  if (!before.IsEmpty()) session_.RefreshPixels(before);
}

void GestureController::Abandon() {
  state_.leftButtonDown = false;
  ClearTransients();
  session_.ShowCursor(CursorKind::kArrow);
}

void GestureController::RefreshSince(const PixelRect& before) {
  PixelRect area = before.Union(PaintedArea());
  if (!area.IsEmpty()) session_.RefreshPixels(area);
}

PixelRect GestureController::TransientArea() const {
  PixelRect area;
  const GestureTransients& t = transients_;
  if (t.rubberLine) area = area.Union(SpanRect(t.lineX1, t.lineY1, t.lineX2, t.lineY2, kPenMargin));
  if (t.rubberBox) area = area.Union(SpanRect(t.boxX1, t.boxY1, t.boxX2, t.boxY2, kPenMargin));
  return area;
}

PixelRect GestureController::SelectionArea() const {
  PixelRect area;
  if (Edit().HasSelection()) {
    Box box = Edit().selectionRing.GetBoundingBox();
    area = SpanRect(View().ToDeviceX(box.x1), View().ToDeviceY(box.y2), View().ToDeviceX(box.x2),
                    View().ToDeviceY(box.y1), kPenMargin);
  }
  // The selected instance's box is that of a placed cell, which the view knows nothing of: the
  // whole window covers it.
  if (Edit().selectedInstance)
    area = area.Union(PixelRect{View().windowX, View().windowY, View().windowW, View().windowH});
  return area;
}

PixelRect GestureController::PaintedArea() const { return TransientArea().Union(SelectionArea()); }

PixelRect GestureController::RulerArea(const Ruler& ruler) const {
  int32_t x1 = View().ToDeviceX(ruler.x1);
  int32_t y1 = View().ToDeviceY(ruler.y1);
  int32_t x2 = View().ToDeviceX(ruler.x2);
  int32_t y2 = View().ToDeviceY(ruler.y2);
  int32_t labelWidth = int32_t(RulerLabel(ruler, Settings().nmPerUnit).size()) * kLabelCharWidth;
  return SpanRect(x1, y1, x2, y2, kPenMargin).Union(PixelRect{x2, y2, labelWidth + kPenMargin, kLabelHeight});
}
