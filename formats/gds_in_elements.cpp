// Elements of the GDSII reader: boundaries and paths become shapes, SREF and AREF placements,
// TEXT texts; NODE and BOX are counted only. Properties are read and dropped.
#include <cmath>
#include <cstdlib>

#include "db/cell.h"
#include "db/error.h"
#include "db/layout_limits.h"
#include "db/library.h"
#include "db/log.h"
#include "db/numeric.h"
#include "formats/formatted_error.h"
#include "formats/gds_in.h"
#include "formats/gds_records.h"

namespace {

constexpr const char* kTag = kTagGdsIn;
constexpr uint32_t kMaxLayer = 0x3FFF;
constexpr uint32_t kMaxDataType = 255;

// Orientation codes by snapped angle / 90, without and with reflection about the x axis.
constexpr uint8_t kCodes[2][4] = {{0, 1, 2, 3}, {6, 7, 4, 5}};

int32_t CheckedPitch(int64_t span, int64_t count) {
  int64_t pitch = span / count;
  if (pitch >= INT32_MIN && pitch <= INT32_MAX) return int32_t(pitch);
  // A single column or row never steps: its pitch does not matter.
  if (count == 1) return 0;
  throw Error(kTag, "Array Reference exceeds the coordinate range");
}

// Five points that go round a plain rectangle (Cell::IsPlainRectangle), from any corner in
// either direction, back to the first; gives the rectangle.
bool IsClosedPlainRectangle(const std::vector<Point>& p, Box& rectangle) {
  if (p.size() != 5 || p[4] != p[0]) return false;
  bool horizontalFirst = p[0].y == p[1].y && p[1].x == p[2].x && p[2].y == p[3].y && p[3].x == p[0].x;
  bool verticalFirst = p[0].x == p[1].x && p[1].y == p[2].y && p[2].x == p[3].x && p[3].y == p[0].y;
  rectangle = Box::SpanPoints(p[0], p[2]);
  return (horizontalFirst || verticalFirst) && Cell::IsPlainRectangle(rectangle);
}

void CheckExtent(int32_t origin, int64_t count, int32_t pitch) {
  int64_t end = int64_t(origin) + (count - 1) * int64_t(pitch);
  if (end < INT32_MIN || end > INT32_MAX) throw Error(kTag, "Array Reference exceeds the coordinate range");
}

}  // namespace

bool GdsIn::ReadElement() {
  if (!(ReadBoundary() || ReadPath() || ReadSRef() || ReadARef() || ReadText() || ReadNode() || ReadBox())) {
    return false;
  }
  ReadProperties();
  if (!ExpectRecord(gds::kEndEl)) {
    if (!AtEndOfFile()) throw Error(kTag, "Element End missing");
    LogMessage("Warning: Element End missing at the end of file\n");
  }
  return true;
}

void GdsIn::ReadElementHead() {
  uint16_t flags;
  ReadElFlags(flags);
  if (ExpectRecord(gds::kPlex)) SkipRecordData();
}

void GdsIn::ReadProperties() {
  uint16_t attribute;
  while (ReadPropAttr(attribute)) {
    if (!ExpectRecord(gds::kPropValue)) throw Error(kTag, "Property value missing");
    if (DataLength() > 0) ReadString();
    ++statistics_.properties;
  }
}

bool GdsIn::ReadInt32Field(int8_t type, int32_t& value, const char* eofMessage) {
  if (!ExpectRecord(type)) return false;
  TakeData(4);
  uint32_t word;
  if (!ReadBE32(word)) throw Error(kTag, eofMessage);
  value = int32_t(word);
  return true;
}

int32_t GdsIn::PointCount() {
  int32_t length = DataLength();
  if (length % 8 != 0) throw FormattedError(kTag, "XY record has length %d, not a multiple of 8", length + 4);
  if (length == 0) throw Error(kTag, "XY record has no point");
  return length / 8;
}

bool GdsIn::ReadXyPoints() {
  if (!ExpectRecord(gds::kXy)) return false;
  int32_t n = PointCount();
  points_.resize(size_t(n));
  ReadPoints(points_.data(), n);
  return true;
}

bool GdsIn::ReadPointList(bool closeCheck, Point& first) {
  if (!ReadXyPoints()) return false;
  RingFromPoints(closeCheck, first);
  return true;
}

void GdsIn::RingFromPoints(bool closeCheck, Point& first) {
  size_t n = points_.size();
  first = points_[0];
  ring_.Clear();
  ring_.AddRing(points_.data(), uint32_t(n == 1 ? 1 : n - 1));
  if (n == 1) {
    DetailWarning(warnings_.points, "Warning: illegal single point\n");
    ++warnings_.problemPolygons;
    return;
  }
  const Point& p = points_[n - 1];
  if (closeCheck && p != first) {
    LogMessage("ERROR: Last point does not match with first point at (%lld, %lld)nm on cell %s\n", Nm(p.x), Nm(p.y),
               CurrentCell().Name());
    throw Error(kTag, "Last point does not match with first point in Boundary data");
  }
}

bool GdsIn::LayerSupported(uint32_t layer, uint32_t dataType, const Point& at) {
  if (layer <= kMaxLayer && dataType <= kMaxDataType) return true;
  DetailWarning(warnings_.unsupportedLayers, "Warning: layer (%u %u) out of range at (%lld, %lld)nm & cell %s, skip\n",
                layer, dataType, Nm(at.x), Nm(at.y), CurrentCell().Name());
  ring_.Clear();
  return false;
}

void GdsIn::SkipOutOfRange(uint16_t layer, uint16_t dataType, const Point& first) {
  DetailWarning(
      warnings_.shapesOutOfRange,
      "Warning: shape beyond the 32-bit coordinate range at (%lld, %lld)nm on layer (%u %u) & cell %s, skip\n",
      Nm(first.x), Nm(first.y), unsigned(layer), unsigned(dataType), CurrentCell().Name());
  ring_.Clear();
}

void GdsIn::StoreRing(uint16_t layer, uint16_t dataType, const Point& first, int32_t& counter) {
  if (ring_.VertexCount() >= 3) ring_.RemoveCollinearVertices(0);
  if (ring_.VertexCount() < 3) {
    DetailWarning(warnings_.points, "Warning: point/line polygon at (%lld, %lld)nm on layer (%u %u) & cell %s, skip\n",
                  Nm(first.x), Nm(first.y), unsigned(layer), unsigned(dataType), CurrentCell().Name());
    ++warnings_.problemPolygons;
    ring_.Clear();
    return;
  }
  if (!ShapeExtentFits(ring_.GetBoundingBox())) {
    SkipOutOfRange(layer, dataType, first);
    return;
  }
  warnings_.bufferedVertices += ring_.VertexCount();
  Cell::ImportedShape shape;
  Box ringBox;
  uint32_t kind = CurrentCell().AddImportedPolygon(ring_, MakeLayerKey(layer, dataType), shape, ringBox);
  ring_.Clear();
  CountStoredShape(kind, layer, dataType, first, counter);
}

void GdsIn::StoreRectangle(uint16_t layer, uint16_t dataType, const Box& rectangle, const Point& first,
                           int32_t& counter) {
  warnings_.bufferedVertices += 4;
  Cell::ImportedShape shape;
  Box ringBox;
  CurrentCell().AddImportedRectangle(rectangle, MakeLayerKey(layer, dataType), shape, ringBox);
  CountStoredShape(kPolygonManhattan, layer, dataType, first, counter);
}

void GdsIn::CountStoredShape(uint32_t kind, uint16_t layer, uint16_t dataType, const Point& first, int32_t& counter) {
  if (kind == 2) {
    ++statistics_.arbitraryAngles;
    DetailWarning(warnings_.arbitraryAngles, "  Arbitrary angle at (%lld, %lld)nm on layer (%u %u) & cell %s\n",
                  Nm(first.x), Nm(first.y), unsigned(layer), unsigned(dataType), CurrentCell().Name());
  } else if (kind == 1) {
    ++statistics_.angles45;
  }
  ++counter;
  if (warnings_.bufferedVertices >= settings_.storeThreshold) {
    StoreGeometry();
    warnings_.bufferedVertices = 0;
  }
}

bool GdsIn::ReadBoundary() {
  if (!ExpectRecord(gds::kBoundary)) return false;
  uint16_t layer, dataType;
  if (!ReadCompactBoundary(layer, dataType)) {
    ReadElementHead();
    if (!ReadLayer(layer)) throw Error(kTag, "Boundary data Layer missing");
    if (!ReadDataType(dataType)) throw Error(kTag, "Boundary data Type missing");
    if (!ReadXyPoints()) throw Error(kTag, "Boundary location missing");
  }
  // Most boundaries are rectangles: they have no vertex to simplify away and need no ring.
  Box rectangle;
  bool plain = IsClosedPlainRectangle(points_, rectangle);
  Point first = points_[0];
  if (!plain) RingFromPoints(true, first);
  if (!LayerSupported(layer, dataType, first)) return true;
  if (plain) {
    StoreRectangle(layer, dataType, rectangle, first, statistics_.boundaries);
  } else {
    StoreRing(layer, dataType, first, statistics_.boundaries);
  }
  return true;
}

bool GdsIn::ReadPath() {
  if (!ExpectRecord(gds::kPath)) return false;
  ReadElementHead();
  uint16_t layer, dataType, pathType = 0;
  if (!ReadLayer(layer)) throw Error(kTag, "Path Layer missing");
  if (!ReadDataType(dataType)) throw Error(kTag, "Path Datatype missing");
  ReadField16(gds::kPathType, pathType, "Path type defined but end of file");
  path_.width = 0;
  path_.beginExtension = path_.endExtension = 0;
  ReadWidth(path_.width);
  ReadInt32Field(gds::kBgnExtn, path_.beginExtension, "Path Begin Extension defined but end of file");
  ReadInt32Field(gds::kEndExtn, path_.endExtension, "Path End Extension defined but end of file");
  if (!ExpectRecord(gds::kXy)) throw Error(kTag, "Too few points in Path.");
  int32_t n = PointCount();
  if (n < 2) throw Error(kTag, "Too few points in Path.");
  path_.points.resize(size_t(n));
  ReadPoints(path_.points.data(), n);
  const Point first = path_.points.front();
  if (!LayerSupported(layer, dataType, first)) return true;
  if (pathType == 1) {
    DetailWarning(warnings_.roundPathEnds,
                  "Warning: Round tip path type found at (%lld, %lld)nm on layer (%u %u) & cell %s\n"
                  "  It is not supported and will be redefined to square tip\n",
                  Nm(first.x), Nm(first.y), unsigned(layer), unsigned(dataType), CurrentCell().Name());
  }
  // Type 4 carries its own end extensions, as type 3 does.
  path_.pathType = int16_t(pathType == 4 ? 3 : pathType);
  ring_.Clear();
  if (!PathOutlineFits(path_)) {
    SkipOutOfRange(layer, dataType, first);
    return true;
  }
  // Most paths are straight wires along an axis: their outline is a rectangle.
  Box rectangle;
  if (PathRectangle(path_, rectangle) && Cell::IsPlainRectangle(rectangle)) {
    StoreRectangle(layer, dataType, rectangle, first, statistics_.paths);
    return true;
  }
  if (PathToPolygon(path_, ring_)) ring_.SetRingCount(1);
  StoreRing(layer, dataType, first, statistics_.paths);
  return true;
}

void GdsIn::ReadTransformation(Trans& trans, bool placement) {
  trans = Trans();
  uint16_t strans = 0;
  ReadField16(gds::kStrans, strans, "Transformation defined but end of file");
  if (ExpectRecord(gds::kMag)) {
    double m = ReadReal("Magnification defined but end of file");
    if (!IsStorableMagnification(m)) throw Error(kTag, "Invalid magnification");
    trans.magnification = float(m);
  }
  int snapped = 0;
  if (ExpectRecord(gds::kAngle)) {
    double angle = ReadReal("Angle defined but end of file");
    if (!std::isfinite(angle)) throw Error(kTag, "Invalid angle");
    // Reduced before rounding, so that no huge value is converted to an integer.
    int degrees = int(std::floor(std::fmod(angle, 360.0) + 0.5));
    degrees = ((degrees % 360) + 360) % 360;
    if (placement && degrees % 90 > 1) warnings_.rememberedAngle = degrees;
    snapped = degrees <= 45 || degrees >= 316 ? 0 : degrees <= 135 ? 1 : degrees <= 215 ? 2 : 3;
  }
  trans.orientation = kCodes[(strans & 0x8000) ? 1 : 0][snapped];
}

std::string GdsIn::ReadPlacementHead(const char* nameMissing, Trans& trans) {
  ReadElementHead();
  if (!ExpectRecord(gds::kSname)) throw Error(kTag, nameMissing);
  std::string name = ReadName();
  ReadTransformation(trans, true);
  return name;
}

void GdsIn::AppendPlacement(ARef& ref, const std::string& placed, const char* kind) {
  const uint32_t placedId = CellForName(placed);
  const char* placedName = library_->cells[placedId]->Name();
  if (!IsUnitMagnification(ref.magnification)) {
    ++statistics_.magnifications;
    DetailWarning(warnings_.magnifications, "  %s magnification=%f at (%lld, %lld)nm on cell %s under cell %s\n", kind,
                  double(ref.magnification), Nm(ref.x), Nm(ref.y), placedName, CurrentCell().Name());
  }
  ref.cellWord |= placedId;
  if (warnings_.rememberedAngle != 0) {
    DetailWarning(warnings_.placementAngles,
                  "Warning: Arbitrary angle %d changed to manhattan angle\n  cell %s under cell %s at (%lld, %lld)nm\n",
                  warnings_.rememberedAngle, placedName, CurrentCell().Name(), Nm(ref.x), Nm(ref.y));
    warnings_.rememberedAngle = 0;
  }
  CurrentRecord().placements.push_back(ref);
}

bool GdsIn::ReadSRef() {
  if (!ExpectRecord(gds::kSref)) return false;
  ARef ref;
  std::string placed = ReadPlacementHead("Structure Reference cell name missing", ref);
  if (!ExpectRecord(gds::kXy)) throw Error(kTag, "Structure Reference location missing");
  PointCount();
  ReadPoint(ref);
  AppendPlacement(ref, placed, "Sref");
  ++statistics_.singleReferences;
  return true;
}

bool GdsIn::ReadARef() {
  if (!ExpectRecord(gds::kAref)) return false;
  ARef ref;
  std::string placed = ReadPlacementHead("Array Reference defined but cell name missing", ref);
  const char* eof = "Array Reference defined but end of file";
  if (!ExpectRecord(gds::kColRow)) throw Error(kTag, eof);
  TakeData(4);
  uint16_t c, r;
  if (!ReadBE16(c) || !ReadBE16(r)) throw Error(kTag, eof);
  int columns = int16_t(c), rows = int16_t(r);
  if (columns < 1 || rows < 1) throw FormattedError(kTag, "Array Reference has invalid COLROW %d %d", columns, rows);
  if (!ExpectRecord(gds::kXy)) throw Error(kTag, eof);
  Point p0, p1, p2;
  ReadPoint(p0);
  ReadPoint(p1);
  ReadPoint(p2);
  SetLattice(ref, columns, rows, p0, p1, p2);
  AppendPlacement(ref, placed, "Aref");
  if (columns == 1 && rows == 1) {
    ++statistics_.singleReferences;
  } else {
    CurrentRecord().placements.back().cellWord |= kArrayBit;
    ++statistics_.arrayReferences;
  }
  return true;
}

void GdsIn::SetLattice(ARef& ref, int columns, int rows, const Point& p0, const Point& p1, const Point& p2) {
  const char* diagonal = "Array Reference has unsupported arbitrary angle displacement";
  int64_t d1x = int64_t(p1.x) - p0.x, d1y = int64_t(p1.y) - p0.y;
  int64_t d2x = int64_t(p2.x) - p0.x, d2y = int64_t(p2.y) - p0.y;
  if ((d1x != 0 && d1y != 0) || (d2x != 0 && d2y != 0)) throw Error(kTag, diagonal);
  // The lattice vectors do not depend on the transform. A vector of a count of 1 spans nothing.
  bool c1 = columns > 1, r1 = rows > 1;
  bool columnsAlongX = (!c1 || d1y == 0) && (!r1 || d2x == 0);
  bool columnsAlongY = (!c1 || d1x == 0) && (!r1 || d2y == 0);
  if (!columnsAlongX && !columnsAlongY) throw Error(kTag, diagonal);
  bool odd = (ref.orientation & 1) != 0;
  // Where both fit (a degenerate lattice), the layout that the code expects is taken.
  bool alongX = columnsAlongX && (!odd || !columnsAlongY);
  int64_t xSpan = alongX ? d1x : d2x, ySpan = alongX ? d2y : d1y;
  int64_t xCount = alongX ? columns : rows, yCount = alongX ? rows : columns;
  if (xSpan % xCount != 0 || ySpan % yCount != 0) {
    DetailWarning(warnings_.arrayPitches,
                  "Warning: Array Reference span is not a multiple of its count at (%lld, %lld)nm & cell %s\n",
                  Nm(p0.x), Nm(p0.y), CurrentCell().Name());
  }
  ref.x = p0.x;
  ref.y = p0.y;
  // ARef steps x by the column pitch and y by the row pitch; for odd codes the rows run along
  // x. Swapping the counts keeps exactly the file's set of elements.
  ref.columnPitch = CheckedPitch(xSpan, xCount);
  ref.rowPitch = CheckedPitch(ySpan, yCount);
  CheckExtent(ref.x, xCount, ref.columnPitch);
  CheckExtent(ref.y, yCount, ref.rowPitch);
  ref.columns = int16_t(odd ? yCount : xCount);
  ref.rows = int16_t(odd ? xCount : yCount);
}

bool GdsIn::ReadText() {
  if (!ExpectRecord(gds::kText)) return false;
  ReadElementHead();
  uint16_t layer, textType, dropped;
  if (!ReadLayer(layer)) throw Error(kTag, "Text Layer is missing");
  if (!ReadTextType(textType)) throw Error(kTag, "Text Type is missing");
  ReadPresentation(dropped);
  ReadField16(gds::kPathType, dropped, "Text path type defined but end of file");
  int32_t width;
  ReadWidth(width);
  Trans trans;
  ReadTransformation(trans, false);
  if (!ExpectRecord(gds::kXy)) throw Error(kTag, "Text location missing");
  PointCount();
  Point at;
  ReadPoint(at);
  if (!ExpectRecord(gds::kString)) throw Error(kTag, "Text string missing");
  std::string text = ReadString();
  if (text.empty()) text = "0";
  if (!LayerSupported(layer, textType, at)) return true;
  CurrentCell().AddText(MakeLayerKey(layer, textType), library_->AddString(text), at.x, at.y, false);
  ++statistics_.texts;
  return true;
}

bool GdsIn::ReadNode() {
  if (!ExpectRecord(gds::kNode)) return false;
  ReadElementHead();
  uint16_t layer, nodeType;
  Point first;
  if (!ReadLayer(layer)) throw Error(kTag, "Node data Layer missing");
  if (!ReadNodeType(nodeType)) throw Error(kTag, "Node data Type missing");
  if (!ReadPointList(false, first)) throw Error(kTag, "Node location missing");
  ring_.Clear();
  ++statistics_.nodes;
  return true;
}

bool GdsIn::ReadBox() {
  if (!ExpectRecord(gds::kBox)) return false;
  ReadElementHead();
  uint16_t layer, boxType;
  Point first;
  if (!ReadLayer(layer)) throw Error(kTag, "Box Layer missing");
  if (!ReadBoxType(boxType)) throw Error(kTag, "Box Type missing");
  if (!ReadPointList(true, first)) throw Error(kTag, "Box location missing");
  ring_.Clear();
  ++statistics_.boxes;
  return true;
}
