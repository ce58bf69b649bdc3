#include <algorithm>
#include <cmath>

#include "db/cell.h"
#include "db/error.h"
#include "db/layout_limits.h"
#include "db/library.h"
#include "db/numeric.h"
#include "db/poly/circle_table.h"
#include "db/poly/path_outline.h"
#include "db/shape_group.h"
#include "formats/detail_warning.h"
#include "formats/formatted_error.h"
#include "formats/oasis_ctrapezoid.h"
#include "formats/oasis_in.h"

namespace {

constexpr const char* kTag = kTagOasisIn;
constexpr int64_t kMaxArrayCount = 32767;

bool InInt32(int64_t v) { return v >= INT32_MIN && v <= INT32_MAX; }

// Adds n to a total of the report (never negative), which stops at INT32_MAX.
void AddToTotal(int32_t& total, uint64_t n) { total = int32_t(std::min<uint64_t>(uint64_t(total) + n, INT32_MAX)); }

int32_t Checked(int64_t v) {
  if (!InInt32(v)) throw Error(kTag, "Integer out of range");
  return int32_t(v);
}

const char* const kKindNames[] = {"box", "polygon", "path", "trapezoid", "ctrapezoid", "circle"};

}  // namespace

int32_t OasisIn::Nm(int64_t v) const {
  double nm = std::floor(double(v) / library_->unitsPerNm + 0.5);
  return SaturateToInt32(nm);
}

// Only repetitions are counted: an element without one is a record of the file, so the
// memory it takes grows with the file's size.
void OasisIn::ClaimRepeatedPositions(uint64_t count, uint64_t positions) {
  uint64_t left = settings_.maxRepeatedPositions - repeatedPositions_;
  if (count > left) {
    throw FormattedError(
        kTag, "Repetition too large (%llu positions): the repetitions of a file expand to at most %llu",
        static_cast<unsigned long long>(positions), static_cast<unsigned long long>(settings_.maxRepeatedPositions));
  }
  repeatedPositions_ += count;
}

const std::vector<OasisDelta>& OasisIn::RepetitionOffsets(bool repeated) {
  if (!repeated) {
    offsets_.assign(1, OasisDelta());
    return offsets_;
  }
  uint64_t count = modal_.repetition.Count();
  ClaimRepeatedPositions(count, count);
  modal_.repetition.Expand(offsets_, count);
  return offsets_;
}

void OasisIn::AddPlacement(const Trans& trans, uint32_t cellId) {
  ARef ref;
  static_cast<Trans&>(ref) = trans;
  ref.cellWord = cellId;
  library_->importRecords[size_t(recordIndex_)].placements.push_back(ref);
  ++statistics_.singleReferences;
}

// A lattice whose two steps run along the axes becomes arrays: the x step gives the column
// pitch and its count the columns, the y step the row pitch and its count the rows; odd codes
// exchange the counts, as their arrays run the other way. Counts beyond 32767 are split into
// several arrays.
bool OasisIn::AddPlacementArray(const Trans& trans, uint32_t cellId) {
  const OasisRepetition& r = modal_.repetition;
  if (r.IsList() || r.type == 0) return false;
  int64_t columns, rows, columnPitch, rowPitch;
  if (r.stepX.y == 0 && r.stepY.x == 0) {
    columns = int64_t(r.countX), columnPitch = r.stepX.x, rows = int64_t(r.countY), rowPitch = r.stepY.y;
  } else if (r.stepX.x == 0 && r.stepY.y == 0) {
    columns = int64_t(r.countY), columnPitch = r.stepY.x, rows = int64_t(r.countX), rowPitch = r.stepX.y;
  } else {
    return false;
  }
  if (!InInt32(columnPitch) || !InInt32(rowPitch)) throw Error(kTag, "Array pitch out of range");
  // Each array made counts against the file's allowance, as a position would.
  ClaimRepeatedPositions(uint64_t((columns + kMaxArrayCount - 1) / kMaxArrayCount) *
                             uint64_t((rows + kMaxArrayCount - 1) / kMaxArrayCount),
                         r.Count());
  for (int64_t c0 = 0; c0 < columns; c0 += kMaxArrayCount) {
    for (int64_t r0 = 0; r0 < rows; r0 += kMaxArrayCount) {
      ARef ref;
      static_cast<Trans&>(ref) = trans;
      ref.x = Checked(int64_t(trans.x) + c0 * columnPitch);
      ref.y = Checked(int64_t(trans.y) + r0 * rowPitch);
      int64_t cols = std::min(kMaxArrayCount, columns - c0), rws = std::min(kMaxArrayCount, rows - r0);
      if (trans.orientation & 1) std::swap(cols, rws);
      ref.columns = int16_t(cols);
      ref.rows = int16_t(rws);
      ref.columnPitch = int32_t(columnPitch);
      ref.rowPitch = int32_t(rowPitch);
      if (cols == 1 && rws == 1) {
        ref.cellWord = cellId;
        ++statistics_.singleReferences;
      } else {
        ref.cellWord = cellId | kArrayBit;
        ++statistics_.arrayReferences;
      }
      library_->importRecords[size_t(recordIndex_)].placements.push_back(ref);
    }
  }
  return true;
}

void OasisIn::BuildPlacement(const Trans& trans, uint32_t cellId, bool repeated) {
  if (!repeated) {
    AddPlacement(trans, cellId);
    return;
  }
  if (AddPlacementArray(trans, cellId)) return;
  for (const OasisDelta& d : RepetitionOffsets(true)) {
    Trans at = trans;
    at.x = Checked(trans.x + d.x);
    at.y = Checked(trans.y + d.y);
    AddPlacement(at, cellId);
  }
}

void OasisIn::BuildText(bool repeated) {
  uint32_t index = uint32_t(Modal(modal_.textString, "text-string"));
  int64_t layer = Modal(modal_.textLayer, "textlayer");
  int64_t type = Modal(modal_.textType, "texttype");
  const std::vector<OasisDelta>& offsets = RepetitionOffsets(repeated);
  LayerKey key = 0;
  if (!ShapeLayerKey(layer, type, modal_.textX, modal_.textY, key)) return;
  for (const OasisDelta& d : offsets) {
    cell_->AddText(key, index, Checked(modal_.textX + d.x), Checked(modal_.textY + d.y), false);
  }
  AddToTotal(statistics_.texts, offsets.size());
}

bool OasisIn::WarnLayerOutOfRange(int64_t layer, int64_t datatype, int64_t x, int64_t y) {
  DetailWarning(warnings_.layers, settings_.detailLimit,
                "Warning: layer (%lld %lld) out of range at (%d, %d)nm & cell %s, skip\n",
                static_cast<long long>(layer), static_cast<long long>(datatype), Nm(x), Nm(y), CellLabel().c_str());
  return false;
}

std::string OasisIn::CellLabel() const { return cell_->name ? cell_->Name() : "#" + std::to_string(cellId_); }

void OasisIn::ShapeWarning(ShapeKind kind, bool arbitrary, int32_t x, int32_t y, LayerKey key) {
  const std::string where = CellLabel();
  if (arbitrary) {
    DetailWarning(warnings_.arbitraryAngles, settings_.detailLimit,
                  "  Arbitrary angle%s%s at (%d, %d)nm on layer (%u %u) & cell %s\n", kind == kPolygon ? "" : " ",
                  kind == kPolygon ? "" : kKindNames[kind], Nm(x), Nm(y), key >> 8, key & 0xff, where.c_str());
  } else {
    DetailWarning(warnings_.points, settings_.detailLimit,
                  "Warning: point/line %s at (%d, %d)nm on layer (%u %u) & cell %s, skip\n", kKindNames[kind], Nm(x),
                  Nm(y), key >> 8, key & 0xff, where.c_str());
  }
}

void OasisIn::OutOfRangeWarning(ShapeKind kind, int32_t x, int32_t y, LayerKey key) {
  DetailWarning(warnings_.shapesOutOfRange, settings_.detailLimit,
                "Warning: %s beyond the 32-bit coordinate range at (%d, %d)nm on layer (%u %u) & cell %s, skip\n",
                kKindNames[kind], Nm(x), Nm(y), key >> 8, key & 0xff, CellLabel().c_str());
}

bool OasisIn::ModalRectangle(Box& rectangle) const {
  int64_t gx = modal_.geometryX, gy = modal_.geometryY;
  int64_t w = Modal(modal_.width, "geometry-w"), h = Modal(modal_.height, "geometry-h");
  if (w == 0 || h == 0) return false;
  rectangle = Box(Checked(gx), Checked(gy), Checked(gx + w), Checked(gy + h));
  return true;
}

OasisIn::RingBuilt OasisIn::BuildRing(ShapeKind kind) {
  ring_.Clear();
  const RingBuilt built = kind == kPath ? BuildPathRing() : (BuildShapeRing(kind) ? kRingBuilt : kRingDegenerate);
  if (built == kRingBuilt && !ShapeExtentFits(ring_.GetBoundingBox())) return kRingOutOfRange;
  return built;
}

bool OasisIn::BuildShapeRing(ShapeKind kind) {
  switch (kind) {
    case kRectangle: {
      Box rectangle;
      if (!ModalRectangle(rectangle)) return false;
      ring_.AddRectangle(rectangle);
      return true;
    }
    case kPolygon:
      if (!modal_.polygonPointsDefined) Modal(-1, "polygon-point-list");
      return modal_.polygonPoints.size() >= 3 &&
             BuildRingFrom(modal_.polygonPoints.data(), modal_.polygonPoints.size());
    case kPath: break;
    case kTrapezoid: {
      OasisDelta corners[4];
      return TrapezoidCorners(corners) && BuildRingFrom(corners, 4);
    }
    case kCTrapezoid: {
      OasisDelta corners[4];
      int64_t type = Modal(modal_.ctrapezoidType, "ctrapezoid-type");
      int64_t w = CTrapezoidNeedsWidth(uint64_t(type)) ? Modal(modal_.width, "geometry-w") : 0;
      int64_t h = CTrapezoidNeedsHeight(uint64_t(type)) ? Modal(modal_.height, "geometry-h") : 0;
      return BuildRingFrom(corners, size_t(CTrapezoidCorners(uint64_t(type), w, h, corners)));
    }
    case kCircle: return BuildCircleRing();
  }
  return false;
}

bool OasisIn::BuildRingFrom(const OasisDelta* points, size_t count) {
  int64_t gx = modal_.geometryX, gy = modal_.geometryY;
  RingVertex* first = nullptr;
  RingVertex* last = nullptr;
  for (size_t i = 0; i < count; ++i) {
    AppendRingVertex(ring_, Point(Checked(gx + points[i].x), Checked(gy + points[i].y)), first, last);
  }
  Link(last, first);
  ring_.SetRingCount(1);
  ring_.RemoveCollinearVertices(0);
  return !ring_.IsEmpty();
}

// The corners from the width, the height and the deltas a and b; false when the sides cross.
bool OasisIn::TrapezoidCorners(OasisDelta corners[4]) const {
  int64_t w = Modal(modal_.width, "geometry-w"), h = Modal(modal_.height, "geometry-h");
  int64_t a = modal_.trapezoidA, b = modal_.trapezoidB;
  int64_t zero = 0;
  if (modal_.trapezoidVertical) {
    corners[0] = {0, std::max(a, zero)};
    corners[1] = {w, std::max(-a, zero)};
    corners[2] = {w, h - std::max(b, zero)};
    corners[3] = {0, h + std::min(b, zero)};
    return corners[3].y >= corners[0].y && corners[2].y >= corners[1].y;
  }
  corners[0] = {std::max(-a, zero), 0};
  corners[1] = {w - std::max(b, zero), 0};
  corners[2] = {w + std::min(b, zero), h};
  corners[3] = {std::max(a, zero), h};
  return corners[1].x >= corners[0].x && corners[2].x >= corners[3].x;
}

void OasisIn::ModalPath() {
  if (!modal_.pathPointsDefined) Modal(-1, "path-point-list");
  if (modal_.pathPoints.size() < 2) throw Error(kTag, "Too few points in Path.");
  int64_t gx = modal_.geometryX, gy = modal_.geometryY;
  path_.points.clear();
  for (const OasisDelta& p : modal_.pathPoints) path_.points.emplace_back(Checked(gx + p.x), Checked(gy + p.y));
  int64_t halfWidth = Modal(modal_.halfWidth, "path-halfwidth");
  path_.width = Checked(2 * halfWidth);
  int32_t start = int32_t(Modal(modal_.startExtensionType, "path-start-extension"));
  int32_t end = int32_t(Modal(modal_.endExtensionType, "path-end-extension"));
  path_.beginExtension = path_.endExtension = 0;
  if (start == end && start != 3) {
    path_.pathType = int16_t(start);
  } else {
    path_.pathType = 3;
    path_.beginExtension = Checked(start == 0 ? 0 : (start == 2 ? halfWidth : modal_.startExtension));
    path_.endExtension = Checked(end == 0 ? 0 : (end == 2 ? halfWidth : modal_.endExtension));
  }
}

OasisIn::RingBuilt OasisIn::BuildPathRing() {
  ModalPath();
  if (!PathOutlineFits(path_)) return kRingOutOfRange;
  if (!PathToPolygon(path_, ring_)) return kRingDegenerate;
  ring_.SetRingCount(1);
  ring_.RemoveCollinearVertices(0);
  return ring_.IsEmpty() ? kRingDegenerate : kRingBuilt;
}

// A circle of radius 0 is a point: false, so that it is warned about and skipped.
bool OasisIn::BuildCircleRing() {
  if (modal_.radius < 0) throw Error(kTag, "Circle radius not provided");
  if (modal_.radius == 0) return false;
  int64_t gx = modal_.geometryX, gy = modal_.geometryY, r = modal_.radius;
  CircleTable table;
  table.cx = Checked(gx);
  table.cy = Checked(gy);
  table.radius = Checked(r);
  table.count = 32;
  if (!InInt32(gx - r) || !InInt32(gx + r) || !InInt32(gy - r) || !InInt32(gy + r)) {
    throw Error(kTag, "Integer out of range");
  }
  PolygonizeArc(table);
  AppendArcVertices(ring_, table, 0, 0);
  ring_.SetRingCount(1);
  return true;
}

bool OasisIn::RectangleOf(ShapeKind kind, Box& rectangle) {
  if (kind == kRectangle) return ModalRectangle(rectangle) && Cell::IsPlainRectangle(rectangle);
  if (kind != kPath) return false;
  ModalPath();
  return PathOutlineFits(path_) && PathRectangle(path_, rectangle) && Cell::IsPlainRectangle(rectangle);
}

bool OasisIn::StoreShape(ShapeKind kind, LayerKey key, Cell::ImportedShape& shape, Box& ringBox) {
  Box rectangle;
  if (RectangleOf(kind, rectangle)) {
    cell_->AddImportedRectangle(rectangle, key, shape, ringBox);
    return true;
  }
  const RingBuilt built = BuildRing(kind);
  if (built != kRingBuilt) {
    // Point lists start at (0, 0): every shape's first vertex is the geometry position.
    const int32_t x = int32_t(modal_.geometryX), y = int32_t(modal_.geometryY);
    if (built == kRingDegenerate) ShapeWarning(kind, false, x, y, key);
    if (built == kRingOutOfRange) OutOfRangeWarning(kind, x, y, key);
    return false;
  }
  uint32_t recordKind = cell_->AddImportedPolygon(ring_, key, shape, ringBox);
  if (recordKind == 1) ++statistics_.angles45;
  if (recordKind == 2) {
    ++statistics_.arbitraryAngles;
    ShapeWarning(kind, true, shape.origin.x, shape.origin.y, key);
  }
  return true;
}

void OasisIn::BuildShape(ShapeKind kind, bool repeated) {
  int64_t layer = Modal(modal_.layer, "layer");
  int64_t datatype = Modal(modal_.datatype, "datatype");
  // A shape without a repetition, most of a file's, has its one position and no offsets.
  const std::vector<OasisDelta>* offsets = repeated ? &RepetitionOffsets(true) : nullptr;
  LayerKey key = 0;
  if (!ShapeLayerKey(layer, datatype, modal_.geometryX, modal_.geometryY, key)) return;
  Cell::ImportedShape shape;
  Box ringBox;
  if (!StoreShape(kind, key, shape, ringBox)) return;
  size_t positions = 1;
  if (offsets) {
    // The shape is compressed once; every further position repeats its record.
    positions = offsets->size();
    int32_t x0 = shape.origin.x, y0 = shape.origin.y;
    for (size_t i = 1; i < positions; ++i) {
      const OasisDelta& d = (*offsets)[i];
      shape.table->AddAgain(shape.entry, Checked(x0 + d.x), Checked(y0 + d.y));
      cell_->box.Extend(Checked(ringBox.x1 + d.x), Checked(ringBox.y1 + d.y));
      cell_->box.Extend(Checked(ringBox.x2 + d.x), Checked(ringBox.y2 + d.y));
    }
  }
  int32_t& counter = kind == kRectangle ? statistics_.boxes
                     : kind == kPolygon ? statistics_.polygons
                     : kind == kPath    ? statistics_.paths
                     : kind == kCircle  ? statistics_.circles
                                        : statistics_.trapezoids;
  AddToTotal(counter, positions);
  statistics_.shapes += int64_t(positions);
}
