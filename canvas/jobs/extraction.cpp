// The extraction and export jobs over a library and the writers of GDSII, OASIS and text
// polygons. The writers stage their output under a temporary name; the text polygon file,
// written layer by layer through appends, is staged here.
#include "canvas/jobs/extraction.h"

#include <fstream>
#include <map>
#include <vector>

#include "db/cell_contents.h"
#include "db/db_polygon.h"
#include "db/error.h"
#include "db/library.h"
#include "db/log.h"
#include "db/poly/ring_set.h"
#include "db/shape_group.h"
#include "db/staged_output.h"
#include "formats/gds_out.h"
#include "formats/oasis_out.h"
#include "formats/text_polygons.h"

namespace {

constexpr uint8_t kRecordCellName = 4;
constexpr uint8_t kRecordTextString = 6;
constexpr uint8_t kRecordCell = 13;
constexpr uint8_t kRecordCellByName = 14;

Cell& ExtractedCell(Library& library, uint32_t cellId) {
  Cell* cell = library.GetCell(cellId);
  if (!cell) throw Error(kTagDb, "Cell id invalid");
  return *cell;
}

bool IsMarked(const Library& library, uint32_t id) {
  const Cell* cell = library.GetCell(id);
  return cell && (cell->flags & kCellVisited);
}

// Marks the cells that window reaches below cellId, each with the union of its windows, after
// forgetting the marks and windows of every earlier walk (the drawing pass marks cells too).
void MarkReachedCells(Library& library, uint32_t cellId, const Box& window) {
  library.ClearVisitedBits();
  for (HierarchyRecord& record : library.records) record.window = Box();
  library.WalkHierarchy(cellId, window);
}

int64_t WriteHierarchicalGds(Library& library, const std::set<LayerKey>& layers, const std::string& path) {
  GdsOut out(path, IsGzipName(path));
  out.WriteLibraryHeader(library);
  int64_t written = 0;
  for (int64_t id = 0; id < library.CellCount(); ++id) {
    if (!IsMarked(library, uint32_t(id))) continue;
    Cell& cell = *library.GetCell(id);
    // A cell loaded earlier without indexes has none for the window query.
    EnsureShapeIndexes(cell);
    out.WriteCellWindow(cell, library.records[size_t(id)].window, layers, nullptr, IsMarked);
    ++written;
  }
  out.WriteLibraryEnd();
  return written;
}

int64_t WriteHierarchicalOasis(Library& library, const std::set<LayerKey>& layers, const std::string& path) {
  OasisOut out;
  out.OpenForWrite(path, library);
  out.WriteStart();
  out.referenceNumbers.assign(library.cells.size(), -1);
  std::vector<uint32_t> written;
  for (int64_t id = 0; id < library.CellCount(); ++id) {
    if (!IsMarked(library, uint32_t(id)) || library.GetCell(id)->box.IsEmpty()) continue;
    out.referenceNumbers[size_t(id)] = int32_t(written.size());
    out.WriteUnsigned(kRecordCellName);
    out.WriteString(library.GetCell(id)->Name());
    out.WriteUnsigned(written.size());
    written.push_back(uint32_t(id));
  }
  for (size_t i = 0; i < library.strings.size(); ++i) {
    out.WriteUnsigned(kRecordTextString);
    out.WriteString(library.strings[i]);
    out.WriteUnsigned(i);
  }
  for (uint32_t id : written) {
    out.WriteUnsigned(kRecordCell);
    out.WriteUnsigned(uint64_t(out.referenceNumbers[id]));
    out.WriteCellWindow(*library.GetCell(id), library.records[id].window, layers, nullptr);
  }
  out.WriteEnd();
  return int64_t(written.size());
}

void LogLayer(LayerKey key, const RingSet& rings) {
  LogMessage("  (%d %d): %d polygons\n", int(key >> 8), int(key & 0xff), int(rings.RingCount()));
}

void WriteFlatText(std::map<LayerKey, RingSet>& result, const std::string& path) {
  StagedOutput staged;
  const std::string& temp = staged.Begin(path);
  // Made before any layer is written, so that a window without polygons gives an empty file.
  std::ofstream create(temp, std::ios::out | std::ios::trunc);
  if (!create) {
    LogMessage("Error: Output file %s could not be opened !\n", path.c_str());
    throw Error(kTagPolyOut, "Cannot open file " + path + "!");
  }
  create.close();
  for (auto& [key, rings] : result) {
    LogLayer(key, rings);
    rings.NormalizeOrientation();
    WriteTextPolygons(rings, temp, true);
  }
  staged.Commit(kTagPolyOut);
}

// Each ring as one shape record at one position, written and released at once.
void WriteRingsAsShapes(OasisOut& out, RingSet& rings, LayerKey key) {
  rings.ClearVertexFlags(kVertexVisited);
  for (RingVertex* start = rings.Head(); start; start = NextUnflagged(start)) {
    const uint32_t n = MarkRingVisited(start);
    if (n < 3) continue;
    const RingVertex* origin = nullptr;
    ShapeGroupList one;
    ShapeGroup* group = one.Append(DBPolygon::Compress(rings, origin, start));
    group->AppendPosition(origin->x, origin->y);
    out.WriteShapeGroup(*group, key >> 8, key & 0xff, true);
  }
  rings.ClearVertexFlags(kVertexVisited);
}

}  // namespace

std::set<LayerKey> ExtractionLayers(const Library& library, bool visibleOnly) {
  std::set<LayerKey> layers;
  if (!visibleOnly) return layers;
  for (const auto& [key, info] : library.layerMap) {
    if (!info.IsHidden()) layers.insert(key);
  }
  return layers;
}

Box ExtractionWindow(bool areaLastZoomed, const Box& lastZoomedArea, const Box& cellBox) {
  if (areaLastZoomed && lastZoomedArea.x2 > lastZoomedArea.x1 && lastZoomedArea.y2 > lastZoomedArea.y1) {
    return lastZoomedArea;
  }
  return cellBox;
}

bool IsGzipName(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  const size_t dot = name.find_last_of('.');
  // A leading dot starts a hidden name, not an extension.
  return dot != std::string::npos && dot > 0 && name.compare(dot + 1, std::string::npos, "gz") == 0;
}

int64_t ExtractHierarchical(Library& library, uint32_t cellId, const Box& window, int type,
                            const std::set<LayerKey>& layers, const std::string& path) {
  ExtractedCell(library, cellId);
  MarkReachedCells(library, cellId, window);
  if (type == kExtractGds) return WriteHierarchicalGds(library, layers, path);
  return WriteHierarchicalOasis(library, layers, path);
}

int64_t ExtractFlat(Library& library, uint32_t cellId, const Box& window, int type, const std::set<LayerKey>& layers,
                    const std::string& path) {
  Cell& cell = ExtractedCell(library, cellId);
  std::map<LayerKey, RingSet> result;
  if (type == kExtractText) {
    library.WalkHierarchyExtract(cellId, window, Trans(), layers, result);
    WriteFlatText(result, path);
    return int64_t(result.size());
  }
  if (type == kExtractGds) {
    // Opened before the walk, so that an output that cannot be made fails at once.
    GdsOut out(path, IsGzipName(path));
    library.WalkHierarchyExtract(cellId, window, Trans(), layers, result);
    out.WriteLibraryHeader(library);
    out.WriteStructureHeader(cell);
    for (auto& [key, rings] : result) {
      LogLayer(key, rings);
      out.WriteBoundary(rings, uint16_t(key >> 8), uint16_t(key & 0xff));
    }
    out.WriteStructureEnd();
    out.WriteLibraryEnd();
    return int64_t(result.size());
  }
  OasisOut out;
  out.OpenForWrite(path, library);
  library.WalkHierarchyExtract(cellId, window, Trans(), layers, result);
  out.WriteStart();
  out.WriteUnsigned(kRecordCellByName);
  out.WriteString(cell.Name());
  for (auto& [key, rings] : result) {
    LogLayer(key, rings);
    rings.RemoveCollinearVertices(0);
    rings.NormalizeOrientation();
    WriteRingsAsShapes(out, rings, key);
  }
  out.WriteEnd();
  return int64_t(result.size());
}

void WriteGDS(Library& library, const std::set<LayerKey>& layers, const std::string& path) {
  GdsOut out(path, IsGzipName(path));
  if (!layers.empty()) out.layerFilter = &layers;
  out.WriteLibrary(library);
}

void WriteOASIS(Library& library, const std::set<LayerKey>& layers, const std::string& path) {
  OasisOut out;
  out.OpenForWrite(path, library);
  if (!layers.empty()) out.layerFilter = layers;
  out.WriteLibrary();
}
