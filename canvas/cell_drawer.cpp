#include "canvas/cell_drawer.h"

#include <wx/bitmap.h>
#include <wx/brush.h>
#include <wx/dc.h>
#include <wx/graphics.h>
#include <wx/image.h>

#include <algorithm>
#include <cmath>

#include "canvas/fill_tiles.h"
#include "canvas/text_stamps.h"
#include "canvas/view/cell_images.h"
#include "canvas/view/unreadable_cells.h"
#include "db/cell_contents.h"
#include "db/db_polygon.h"
#include "db/hierarchy_walk.h"
#include "db/library.h"
#include "db/numeric.h"
#include "db/poly/ring_set.h"

namespace {

// Texts are drawn only in cells at least this many pixels wide and high.
constexpr int64_t kTextCellWidth = 201;
constexpr int64_t kTextCellHeight = 101;
// Boxes of placements get their names when wider than this many pixels.
constexpr int64_t kLabelWidth = 59;

RasterColour ToRaster(const wxColour& colour) { return RasterColour{colour.Red(), colour.Green(), colour.Blue()}; }

// The pixels the drawer paints: the view's window, or the whole DC when the view has none.
PixelRaster WindowRaster(const ViewMapping& view, const wxDC& dc, const wxColour& background) {
  if (view.windowW > 0 && view.windowH > 0) {
    return PixelRaster(view.windowX, view.windowY, view.windowW, view.windowH, ToRaster(background));
  }
  wxSize size = dc.GetSize();
  return PixelRaster(dc.DeviceToLogicalX(0), dc.DeviceToLogicalY(0), size.x, size.y, ToRaster(background));
}

bool IsIdentity(const Trans& t) {
  return t.x == 0 && t.y == 0 && t.orientation == 0 && IsUnitMagnification(t.magnification);
}

bool FitsInt32(double v) { return v >= double(INT32_MIN) && v <= double(INT32_MAX); }

// Trans::ApplyToPoint, with the common plain offset done inline.
inline void Place(const Trans& placement, Point& p) {
  if (placement.orientation == 0 && placement.magnification == 1.0f) {
    p = Point(WrapToInt32(int64_t(p.x) + placement.x), WrapToInt32(int64_t(p.y) + placement.y));
    return;
  }
  placement.ApplyToPoint(p);
}

// v + by saturated at the 32-bit range; callers keep |by| under 8e18, so the sum cannot overflow.
int32_t Shifted(int32_t v, int64_t by) { return int32_t(std::clamp<int64_t>(int64_t(v) + by, INT32_MIN, INT32_MAX)); }

// The corners of box moved to (x, y), when mapping them through the placement stays clear of
// the 32-bit wrap: then, every step of the mapping being monotonic in each axis, the mapped
// corners span the mapped vertices of any shape inside the box.
bool CornersWithoutWrap(int32_t x, int32_t y, const Box& box, const Trans& placement, bool moves, Point& low,
                        Point& high) {
  constexpr double kReach = 1073741824.0;  // 2^30
  double x1 = double(x) + box.x1;
  double y1 = double(y) + box.y1;
  double x2 = double(x) + box.x2;
  double y2 = double(y) + box.y2;
  double reach = std::max(std::max(std::fabs(x1), std::fabs(x2)), std::max(std::fabs(y1), std::fabs(y2)));
  if (moves) {
    reach *= placement.IsMagnified() ? std::fabs(double(placement.magnification)) : 1.0;
    if (!(std::fabs(double(placement.x)) < kReach && std::fabs(double(placement.y)) < kReach)) return false;
  }
  if (!(reach < kReach)) return false;
  low = Point(int32_t(x1), int32_t(y1));
  high = Point(int32_t(x2), int32_t(y2));
  return true;
}

// Removes the hidden bit of every layer but one for the life of the object; restores all bits.
class SoloLayer {
 public:
  explicit SoloLayer(std::map<LayerKey, LayerInfo>& layers) : layers_(layers) {
    for (const auto& layer : layers_) saved_.push_back(layer.second.colour & kLayerHidden);
  }
  ~SoloLayer() {
    size_t i = 0;
    for (auto& layer : layers_) layer.second.colour = (layer.second.colour & ~kLayerHidden) | saved_[i++];
  }
  SoloLayer(const SoloLayer&) = delete;
  SoloLayer& operator=(const SoloLayer&) = delete;

  bool WasHidden(size_t i) const { return saved_[i] != 0; }
  void Show(LayerKey key) {
    for (auto& layer : layers_) {
      layer.second.colour = (layer.second.colour & ~kLayerHidden) | (layer.first == key ? 0 : kLayerHidden);
    }
  }

 private:
  std::map<LayerKey, LayerInfo>& layers_;
  std::vector<uint32_t> saved_;
};

}  // namespace

// Blue at least 8 keeps every layer colour away from black, which cell images take as empty.
RasterColour CellDrawer::LayerPenColour(uint32_t word) {
  const ColourBytes bytes = BytesOfColourWord(word);
  return RasterColour{bytes.red, bytes.green, std::max<uint8_t>(bytes.blue, 8)};
}

CellDrawer::CellDrawer(Library& library, wxDC& dc, const ViewMapping& view, const DrawSettings& settings,
                       FillTiles& tiles, TextStamps& stamps)
    : library_(library),
      dc_(&dc),
      view_(view),
      settings_(settings),
      tiles_(tiles),
      ownRaster_(WindowRaster(view, dc, settings.background)),
      raster_(*ownRaster_),
      stamps_(stamps),
      textColour_(ToRaster(dc.GetTextForeground())),
      points_(1024),
      ownPath_(library.cells.size(), 0),
      onPath_(&ownPath_) {
  stamps_.UseFont(dc.GetFont());
  sizeTest_.layerFilter = settings.layerFilter;
  sizeTest_.fineView = settings.fineView;
  sizeTest_.cellSizeLimit = settings.cellSizeLimit;
  sizeTest_.pixelsPerUnit = view.PixelsPerUnit();
  workAtStart_ = raster_.Work();
  workLimit_ = kWorkPerPixel * int64_t(raster_.Width()) * raster_.Height();
}

CellDrawer::CellDrawer(Library& library, PixelRaster& target, const ViewMapping& view, const DrawSettings& settings,
                       FillTiles& tiles, TextStamps& stamps)
    : library_(library),
      dc_(nullptr),
      view_(view),
      settings_(settings),
      tiles_(tiles),
      raster_(target),
      stamps_(stamps),
      textColour_(ToRaster(settings.outlineColour)),
      points_(1024),
      ownPath_(library.cells.size(), 0),
      onPath_(&ownPath_) {
  sizeTest_.layerFilter = settings.layerFilter;
  sizeTest_.fineView = settings.fineView;
  sizeTest_.cellSizeLimit = settings.cellSizeLimit;
  sizeTest_.pixelsPerUnit = view.PixelsPerUnit();
  workAtStart_ = raster_.Work();
  workLimit_ = kWorkPerPixel * int64_t(raster_.Width()) * raster_.Height();
}

CellDrawer::CellDrawer(CellDrawer& outer, PixelRaster& image)
    : library_(outer.library_),
      dc_(nullptr),
      view_(outer.view_),
      settings_(outer.settings_),
      tiles_(outer.tiles_),
      sizeTest_(outer.sizeTest_),
      raster_(image),
      stamps_(outer.stamps_),
      textColour_(ToRaster(outer.settings_.outlineColour)),
      points_(1024),
      onPath_(outer.onPath_),
      imageNesting_(outer.imageNesting_ + 1) {
  workAtStart_ = raster_.Work();
  workLimit_ = kWorkPerPixel * int64_t(raster_.Width()) * raster_.Height();
}

CellDrawer::~CellDrawer() {
  if (!dc_ || raster_.Width() == 0 || raster_.Height() == 0) return;
  wxImage image(raster_.Width(), raster_.Height(), raster_.Pixels(), true);
  // Straight to the graphics context where there is one: going through a wxBitmap converts the
  // pixels twice more. A picture scaled up (a printout) goes through the DC, which scales it
  // without smoothing, so that a line of one pixel stays a line of one colour.
  double scaleX = 1.0;
  double scaleY = 1.0;
  dc_->GetUserScale(&scaleX, &scaleY);
  wxGraphicsContext* gc = dc_->GetGraphicsContext();
  if (gc && scaleX == 1.0 && scaleY == 1.0) {
    gc->DrawBitmap(gc->CreateBitmapFromImage(image), raster_.Left(), raster_.Top(), raster_.Width(), raster_.Height());
    return;
  }
  dc_->DrawBitmap(wxBitmap(image, 24), raster_.Left(), raster_.Top(), false);
}

void CellDrawer::DrawBox(PixelRaster& raster, int32_t x, int32_t y, int32_t w, int32_t h) {
  int32_t right = Shifted(x, w);
  int32_t bottom = Shifted(y, h);
  if (w == 0) {
    if (h < 2) {
      raster.DrawPoint(x, y);
    } else {
      raster.DrawLine(x, y, x, bottom);
    }
  } else if (h == 0) {
    raster.DrawLine(x, y, right, y);
  } else if (w == 1) {
    if (h == 1) {
      raster.DrawPoint(x, y);
    } else {
      raster.DrawLine(x, y, x, bottom);
      raster.DrawLine(x, y, right, bottom);
    }
  } else if (h == 1) {
    raster.DrawLine(x, y, right, y);
    raster.DrawLine(x, y, right, bottom);
  } else {
    raster.DrawRectangle(x, y, w, h);
  }
}

int64_t CellDrawer::DrawCellHierarchy(uint32_t cellId, const Box& window, const Trans& placement, int32_t level) {
  return WalkHierarchy(CellVisit{cellId, window, placement, level}, true);
}

int64_t CellDrawer::WalkHierarchy(const CellVisit& visit, bool geometry) {
  std::vector<PlacementFrame> stack;
  int64_t drawn = EnterCell(visit, stack, geometry);
  CellVisit next;
  while (!stack.empty()) {
    if (NextVisit(stack.back(), next, drawn)) {
      drawn += EnterCell(next, stack);
    } else {
      (*onPath_)[stack.back().visit.cellId] = 0;
      stack.pop_back();
    }
  }
  return drawn;
}

Cell* CellDrawer::ReadyCell(uint32_t id) {
  Cell* cell = library_.GetCell(id);
  if (!cell) return nullptr;
  // The whole-cell path needs no index; a window query builds the indexes when it first needs them.
  if (settings_.unreadableCells) {
    if (!settings_.unreadableCells->Load(library_, *cell, id)) return nullptr;
  } else if (!cell->loaded) {
    library_.LoadCell(*cell, false);
  }
  return cell;
}

int64_t CellDrawer::EnterCell(const CellVisit& visit, std::vector<PlacementFrame>& stack, bool geometry) {
  Cell* cell = ReadyCell(visit.cellId);
  if (!cell) return 0;
  if (onPath_->size() <= visit.cellId) onPath_->resize(size_t(visit.cellId) + 1, 0);
  (*onPath_)[visit.cellId] = 1;
  int64_t drawn = geometry ? DrawCellGeometry(*cell, visit.window, visit.placement) : 0;
  if (!cell->HasReferences()) {
    (*onPath_)[visit.cellId] = 0;
    return drawn;
  }
  if (settings_.showTexts) textColour_ = ToRaster(settings_.outlineColour);
  if (visit.level < 2) SelectOutlinePen();
  PlacementFrame frame;
  frame.visit = visit;
  frame.cell = cell;
  stack.push_back(frame);
  return drawn;
}

bool CellDrawer::NextVisit(PlacementFrame& frame, CellVisit& next, int64_t& drawn) {
  const SpatialIndex& index = frame.cell->HasReferences()->index;
  const Box& window = frame.visit.window;
  for (;;) {
    if (frame.array && NextArrayElement(frame, next, drawn)) return true;
    frame.entry = frame.entry ? index.QueryNext(frame.entry, window) : index.QueryFirst(window);
    if (!frame.entry) return false;
    const SRef& ref = *static_cast<const SRef*>(frame.entry->payload);
    uint32_t id = ref.CellId();
    Cell* placed = library_.GetCell(id);
    if (!placed || placed->box.IsEmpty()) continue;
    if (ref.IsArray()) {
      const ARef& array = static_cast<const ARef&>(ref);
      if (int32_t(array.columns) * array.rows > 1 || frame.visit.level < 2) {
        StartArray(frame, array, *placed, drawn);
        continue;
      }
    }
    if (VisitPlaced(frame, id, *placed, ref, next, drawn)) return true;
  }
}

bool CellDrawer::OverBudget() const {
  return raster_.Work() - workAtStart_ + elementsVisited_ * kElementWork + arraysOpened_ * kArrayWork > workLimit_;
}

void CellDrawer::DrawArrayBox(const PlacementFrame& frame, const ARef& array, const Cell& placed, bool tooSmall) {
  const Trans& placement = frame.visit.placement;
  bool highlighted = int32_t(array.CellId()) == settings_.highlightedCell;
  Box box;
  array.GetBox(box, placed.box);
  placement.ApplyToBox(box);
  Trans whole = array;
  whole.Compose(placement);
  std::string label =
      std::string(placed.Name()) + " (" + std::to_string(array.columns) + "x" + std::to_string(array.rows) + ")";
  DrawPlacementBox(box, whole.orientation, tooSmall && highlighted, label);
}

void CellDrawer::StartArray(PlacementFrame& frame, const ARef& array, Cell& placed, int64_t& drawn) {
  const Trans& placement = frame.visit.placement;
  int32_t level = frame.visit.level;
  Box box;
  array.GetBox(box, placed.box);
  placement.ApplyToBox(box);
  bool tooSmall = IsTooSmall(sizeTest_, level, box) || OverBudget();
  ArraySamples elements;
  if (!tooSmall) {
    ++arraysOpened_;
    double magnification = placement.IsMagnified() ? std::fabs(double(placement.magnification)) : 1.0;
    double pixelsPerUnit = view_.PixelsPerUnit() * magnification;
    const Box& window = frame.visit.window;
    double windowPixels = double(std::max(window.Width(), window.Height())) * pixelsPerUnit;
    elements =
        ArraySamples(array, placed.box, ElementsInWindow(array, placed.box, window), pixelsPerUnit, windowPixels);
  }
  if (level < 2 || tooSmall || elements.FarEndLeftOut()) {
    DrawArrayBox(frame, array, placed, tooSmall);
    ++drawn;
  }
  if (tooSmall) return;
  frame.array = &array;
  frame.placed = &placed;
  frame.elements = elements;
}

bool CellDrawer::NextArrayElement(PlacementFrame& frame, CellVisit& next, int64_t& drawn) {
  const ARef& array = *frame.array;
  uint32_t id = array.CellId();
  bool highlighted = int32_t(id) == settings_.highlightedCell;
  int32_t column = 0;
  int32_t row = 0;
  while (frame.elements.Next(column, row)) {
    if (OverBudget()) {
      DrawArrayBox(frame, array, *frame.placed, true);
      ++drawn;
      break;
    }
    ++elementsVisited_;
    Trans element;
    array.ElementTrans(column, row, element);
    Trans composed = element;
    composed.Compose(frame.visit.placement);
    if (frame.visit.level < 2 || highlighted) {
      Box elementBox = frame.placed->box;
      composed.ApplyToBox(elementBox);
      DrawPlacementBox(elementBox, composed.orientation, highlighted, std::string());
      ++drawn;
    } else if (VisitElement(frame, id, *frame.placed, element, composed, next, drawn)) {
      return true;
    }
  }
  frame.array = nullptr;
  return false;
}

bool CellDrawer::VisitPlaced(const PlacementFrame& frame, uint32_t placedId, Cell& placed, const Trans& elementTrans,
                             CellVisit& next, int64_t& drawn) {
  Trans composed = elementTrans;
  composed.Compose(frame.visit.placement);
  if (frame.visit.level < 2 || int32_t(placedId) == settings_.highlightedCell) {
    Box box = placed.box;
    composed.ApplyToBox(box);
    DrawPlacementBox(box, composed.orientation, int32_t(placedId) == settings_.highlightedCell, placed.Name());
    ++drawn;
    return false;
  }
  return VisitElement(frame, placedId, placed, elementTrans, composed, next, drawn);
}

bool CellDrawer::VisitElement(const PlacementFrame& frame, uint32_t placedId, Cell& placed, const Trans& elementTrans,
                              const Trans& composed, CellVisit& next, int64_t& drawn) {
  Box box = placed.box;
  composed.ApplyToBox(box);
  // A cell already on the path places itself: drawing it again would never end.
  if (IsTooSmall(sizeTest_, frame.visit.level, box) || (placedId < onPath_->size() && (*onPath_)[placedId])) {
    DrawCellOutline(placed, composed);
    ++drawn;
    return false;
  }
  next = CellVisit{placedId, ChildWindow(frame.visit.window, elementTrans), composed, frame.visit.level - 1};
  if (!UsesImage(placedId, placed, next.window)) return true;
  drawn += DrawThroughImage(placedId, composed, next.level);
  return false;
}

bool CellDrawer::DeviceBox(const Box& box, int32_t& left, int32_t& top, int32_t& right, int32_t& bottom) const {
  double l = std::floor(view_.DeviceX(box.x1) + 0.5);
  double r = std::floor(view_.DeviceX(box.x2) + 0.5);
  double t = std::floor(view_.DeviceY(box.y2) + 0.5);
  double b = std::floor(view_.DeviceY(box.y1) + 0.5);
  if (!FitsInt32(l) || !FitsInt32(r) || !FitsInt32(t) || !FitsInt32(b)) return false;
  left = int32_t(l);
  right = int32_t(r);
  top = int32_t(t);
  bottom = int32_t(b);
  return true;
}

void CellDrawer::SelectOutlinePen() {
  raster_.SetPen(ToRaster(settings_.outlineColour));
  raster_.SetFill(RasterFill());
}

void CellDrawer::DrawPlacementBox(const Box& box, int orientation, bool highlighted, const std::string& label) {
  int32_t left, top, right, bottom;
  if (!DeviceBox(box, left, top, right, bottom)) return;
  if (highlighted) {
    raster_.SetPen(ToRaster(settings_.highlightColour));
    raster_.SetFill(RasterFill());
    DrawBox(raster_, left, top, right - left, bottom - top);
  }
  SelectOutlinePen();
  if (!highlighted) DrawBox(raster_, left, top, right - left, bottom - top);
  if (!settings_.showNames || label.empty() || int64_t(right) - left <= kLabelWidth) return;
  TickLine tick = OrientationTick(left, right, bottom, top, orientation);
  raster_.DrawLine(tick.x1, tick.y1, tick.x2, tick.y2);
  StampText(label, left, top);
}

void CellDrawer::DrawCellOutline(const Cell& cell, const Trans& placement) {
  Box box = cell.box;
  placement.ApplyToBox(box);
  int32_t left, top, right, bottom;
  if (!DeviceBox(box, left, top, right, bottom)) return;
  SelectOutlinePen();
  DrawBox(raster_, left, top, right - left, bottom - top);
  if (!settings_.showNames || int64_t(right) - left < kLabelWidth + 1) return;
  TickLine tick = OrientationTick(left, right, bottom, top, placement.orientation);
  raster_.DrawLine(tick.x1, tick.y1, tick.x2, tick.y2);
  StampText(cell.Name(), left, top);
}

uint32_t CellDrawer::LayerColour(LayerKey key) const {
  auto found = library_.layerMap.find(key);
  if (found != library_.layerMap.end()) return found->second.colour;
  return DefaultLayerColour(key >> 8, key & 0xff);
}

bool CellDrawer::IsHidden(LayerKey key) const { return (LayerColour(key) & kLayerHidden) != 0; }

bool CellDrawer::SetLayerStyle(LayerKey key) {
  auto found = library_.layerMap.find(key);
  uint32_t word = LayerColour(key);
  if (word & kLayerHidden) return false;
  RasterColour colour = LayerPenColour(word);
  raster_.SetPen(colour);
  RasterFill fill;
  uint32_t style = found != library_.layerMap.end() ? found->second.brushStyle : 0;
  if (settings_.showOutlines || style == wxBRUSHSTYLE_TRANSPARENT) {
    fill.kind = RasterFill::Kind::kNone;
  } else if (style == 0 || style == wxBRUSHSTYLE_SOLID) {
    fill.kind = RasterFill::Kind::kSolid;
    fill.colour = colour;
  } else {
    // Patterns are drawn in the pen colour, the blue floor included.
    fill.kind = RasterFill::Kind::kTile;
    fill.tile = tiles_.Get(style, uint32_t(colour.red) | uint32_t(colour.green) << 8 | uint32_t(colour.blue) << 16);
    if (style == wxBRUSHSTYLE_STIPPLE) textColour_ = colour;
  }
  raster_.SetFill(fill);
  return true;
}

int64_t CellDrawer::DrawCellGeometry(Cell& cell, const Box& window, const Trans& placement) {
  bool moves = !IsIdentity(placement);
  Box viewBox = cell.box;
  if (moves) placement.ApplyToBox(viewBox);
  int32_t left, top, right, bottom;
  bool texts = settings_.showTexts && cell.texts.Count() > 0 && DeviceBox(viewBox, left, top, right, bottom) &&
               int64_t(right) - left >= kTextCellWidth && int64_t(bottom) - top >= kTextCellHeight;
  if (!window.Contains(cell.box)) return DrawQueriedShapes(cell, window, placement, moves, texts);
  int64_t drawn = 0;
  for (const auto& layer : cell.shapes) {
    if (layer.second.Count() == 0 || !SetLayerStyle(layer.first)) continue;
    DrawShapeList(layer.second, placement, moves, drawn);
  }
  if (texts) DrawCellTexts(cell, placement, moves);
  return drawn;
}

// Each group is decoded once, at its first position; every further position moves the device
// points by the change of the accumulated, truncated pixel delta.
void CellDrawer::DrawShapeList(const ShapeGroupList& list, const Trans& placement, bool moves, int64_t& drawn) {
  double pixels = view_.PixelsPerUnit();
  for (const ShapeGroup* group = list.Head(); group; group = group->next) {
    const ShapePosition* first = group->firstPosition;
    if (!first) continue;
    Box device;
    size_t n = ShapeToDevice(*group->record, first->x, first->y, placement, moves, device);
    DrawShape(n, device);
    ++drawn;
    if (!first->next) continue;
    Point previous(first->x, first->y);
    if (moves) Place(placement, previous);
    double sumX = 0;
    double sumY = 0;
    int64_t shiftedX = 0;
    int64_t shiftedY = 0;
    for (const ShapePosition* p = first->next; p; p = p->next) {
      Point at(p->x, p->y);
      if (moves) Place(placement, at);
      sumX += double(int64_t(at.x) - previous.x) * pixels;
      sumY -= double(int64_t(at.y) - previous.y) * pixels;
      previous = at;
      // The cast truncates towards zero.
      int64_t wholeX = int64_t(std::clamp(sumX, -4e18, 4e18));
      int64_t wholeY = int64_t(std::clamp(sumY, -4e18, 4e18));
      int64_t dx = wholeX - shiftedX;
      int64_t dy = wholeY - shiftedY;
      shiftedX = wholeX;
      shiftedY = wholeY;
      if (dx != 0 || dy != 0) {
        for (size_t i = 0; i < n; ++i) points_[i] = Point(Shifted(points_[i].x, dx), Shifted(points_[i].y, dy));
        device = Box(Shifted(device.x1, dx), Shifted(device.y1, dy), Shifted(device.x2, dx), Shifted(device.y2, dy));
      }
      DrawShape(n, device);
      ++drawn;
    }
  }
}

void CellDrawer::DrawCellTexts(const Cell& cell, const Trans& placement, bool moves) {
  bool visible = false;
  bool first = true;
  LayerKey current = 0;
  for (ListNode* node = cell.texts.Head(); node; node = node->next) {
    const TextItem& text = *static_cast<const TextItem*>(node->item);
    if (first || text.key != current) {
      first = false;
      current = text.key;
      visible = SetLayerStyle(text.key);
      if (visible) textColour_ = LayerPenColour(LayerColour(text.key));
    }
    if (visible) DrawText(text, placement, moves);
  }
}

int64_t CellDrawer::DrawQueriedShapes(Cell& cell, const Box& window, const Trans& placement, bool moves, bool texts) {
  EnsureShapeIndexes(cell);
  int64_t drawn = 0;
  Box previous;
  for (auto& layer : cell.layers) {
    if (layer.first >= kPlacementKey) break;
    if (layer.second.Count() == 0 || !SetLayerStyle(layer.first)) continue;
    if (texts) textColour_ = LayerPenColour(LayerColour(layer.first));
    const SpatialIndex& index = layer.second.index;
    for (SpatialNode* e = index.QueryFirst(window); e; e = index.QueryNext(e, window)) {
      if (e->box.x1 == e->box.x2 && e->box.y1 == e->box.y2) {
        if (texts) DrawText(*static_cast<const TextItem*>(e->payload), placement, moves);
        continue;
      }
      const ShapePosition* p = static_cast<const ShapePosition*>(e->payload);
      Box device;
      if (window.Contains(e->box)) {
        DrawQueriedShape(ShapeToDevice(*p->group->record, p->x, p->y, placement, moves, device), device, previous);
        ++drawn;
        continue;
      }
      RingSet rings;
      p->group->record->ToRing(rings, Point(p->x, p->y));
      rings.ClipToBox(window, false);
      rings.ClearVertexFlags(kVertexVisited);
      for (RingVertex* v = rings.Head(); v; v = v->next) {
        if (v->flags & kVertexVisited) continue;
        DrawQueriedShape(RingToDevice(v, placement, moves, device), device, previous);
        ++drawn;
      }
    }
  }
  return drawn;
}

void CellDrawer::DrawText(const TextItem& text, const Trans& placement, bool moves) {
  Point corners[4] = {Point(text.x, text.y), Point(text.x, text.y), Point(text.x, text.y), Point(text.x, text.y)};
  corners[1].x = WrapToInt32(int64_t(text.x) + 1);
  corners[2].x = corners[1].x;
  corners[2].y = WrapToInt32(int64_t(text.y) + 1);
  corners[3].y = corners[2].y;
  Box device;
  for (size_t i = 0; i < 4; ++i) {
    if (moves) Place(placement, corners[i]);
    StorePoint(i, corners[i], device);
  }
  DrawShape(4, device);
  StampText(library_.TextString(text.textId), points_[0].x, points_[0].y);
}

void CellDrawer::StampText(const std::string& text, int32_t x, int32_t y) {
  const StampWindow shown{raster_.Left(), raster_.Top(), raster_.Width(), raster_.Height()};
  stamps_.Draw(text, x, y, shown, [this](const TextStamp& stamp, int32_t at, int32_t top) {
    raster_.BlendStamp(Shifted(at, stamp.dx), Shifted(top, stamp.dy), stamp.width, stamp.height, stamp.coverage.data(),
                       textColour_);
  });
}

void CellDrawer::StorePoint(size_t i, const Point& p, Box& device) {
  if (points_.size() <= i) points_.resize(std::max(points_.size() * 2, i + 1));
  int32_t x = view_.ToDeviceX(p.x);
  int32_t y = view_.ToDeviceY(p.y);
  points_[i] = Point(x, y);
  device.Extend(x, y);
}

size_t CellDrawer::ShapeToDevice(const DBPolygon& record, int32_t x, int32_t y, const Trans& placement, bool moves,
                                 Box& device) {
  Box local;
  record.GetBox(local);
  Point low;
  Point high;
  if (CornersWithoutWrap(x, y, local, placement, moves, low, high)) {
    if (moves) {
      Place(placement, low);
      Place(placement, high);
    }
    device = Box();
    device.Extend(view_.ToDeviceX(low.x), view_.ToDeviceY(low.y));
    device.Extend(view_.ToDeviceX(high.x), view_.ToDeviceY(high.y));
    if (ClassifyShape(device.x1, device.y1, device.x2, device.y2) != ShapeForm::kPolygon) return 0;
  }
  return DecodeToDevice(record, x, y, placement, moves, device);
}

size_t CellDrawer::DecodeToDevice(const DBPolygon& record, int32_t x, int32_t y, const Trans& placement, bool moves,
                                  Box& device) {
  device = Box();
  uint32_t n = record.VertexCount();
  int32_t vx = 0;
  int32_t vy = 0;
  uint32_t valueIndex = 0;
  for (uint32_t i = 0; i < n; ++i) {
    if (i > 0) record.NextVertex(i, valueIndex, vx, vy);
    Point p(WrapToInt32(int64_t(x) + vx), WrapToInt32(int64_t(y) + vy));
    if (moves) Place(placement, p);
    StorePoint(i, p, device);
  }
  return n;
}

size_t CellDrawer::RingToDevice(const RingVertex* start, const Trans& placement, bool moves, Box& device) {
  device = Box();
  size_t n = 0;
  const RingVertex* v = start;
  do {
    const_cast<RingVertex*>(v)->flags |= kVertexVisited;
    Point p(v->x, v->y);
    if (moves) Place(placement, p);
    StorePoint(n++, p, device);
    v = v->ringNext;
  } while (v && v != start);
  return n;
}

void CellDrawer::DrawShape(size_t n, const Box& device) {
  switch (ClassifyShape(device.x1, device.y1, device.x2, device.y2)) {
    case ShapeForm::kPoint: raster_.DrawPoint(device.x1, device.y1); break;
    case ShapeForm::kLine: raster_.DrawLine(device.x1, device.y1, device.x2, device.y2); break;
    case ShapeForm::kTwoVerticalLines:
      raster_.DrawLine(device.x1, device.y1, device.x1, device.y2);
      raster_.DrawLine(device.x2, device.y1, device.x2, device.y2);
      break;
    case ShapeForm::kTwoHorizontalLines:
      raster_.DrawLine(device.x1, device.y1, device.x2, device.y1);
      raster_.DrawLine(device.x1, device.y2, device.x2, device.y2);
      break;
    case ShapeForm::kPolygon: raster_.DrawPolygon(points_.data(), n); break;
  }
}

void CellDrawer::DrawQueriedShape(size_t n, const Box& device, Box& previous) {
  ShapeForm form = ClassifyShape(device.x1, device.y1, device.x2, device.y2);
  bool thin = form == ShapeForm::kPoint || form == ShapeForm::kLine;
  if (thin && device == previous) return;
  previous = device;
  DrawShape(n, device);
}

void CellDrawer::DrawOrdered(uint32_t cellId, const Box& window, int32_t depth, bool accelerated) {
  SoloLayer solo(library_.layerMap);
  std::vector<LayerKey> keys;
  for (const auto& layer : library_.layerMap) keys.push_back(layer.first);
  for (size_t i = 0; i < keys.size(); ++i) {
    if (solo.WasHidden(i)) continue;
    solo.Show(keys[i]);
    // Images show the layers visible when they were made: each layer makes its own.
    CellImages::Pass pass(settings_.images);
    if (accelerated) {
      DrawCellAccelerated(cellId);
    } else {
      DrawCellHierarchy(cellId, window, Trans(), depth);
    }
  }
}
