// Tiling of large cells: the shapes of a cell that covers a large area move into a grid of
// generated tile cells, written to the cell data files, and the cell keeps its placements, its
// texts and one placement per tile, so that a view loads only the tiles it touches.
#include <algorithm>
#include <cmath>
#include <map>
#include <utility>
#include <vector>

#include "db/cell_contents.h"
#include "db/library.h"
#include "db/poly/ring_set.h"
#include "db/tile_grid.h"
#include "db/trans.h"

namespace {

// The boxes of the cell's shapes, from their indexes; texts (point entries) are left out.
std::vector<Box> ShapeBoxes(const Cell& cell) {
  std::vector<Box> boxes;
  for (const auto& layer : cell.layers) {
    if (layer.first == kPlacementKey) continue;
    const SpatialIndex& index = layer.second.index;
    for (SpatialNode* e = index.FirstLeaf(); e; e = index.NextLeaf(e)) {
      if (e->box.x1 != e->box.x2 || e->box.y1 != e->box.y2) boxes.push_back(e->box);
    }
  }
  return boxes;
}

bool HasGeometryOnDisk(const Cell& cell) {
  if (!cell.IsStored()) return false;
  int32_t geometryEnd = cell.referencePosition >= 0 ? cell.referencePosition : cell.endPosition;
  return geometryEnd > cell.geometryPosition;
}

// Writes the cell's section anew. On failure the cell refers to its old section again and stays
// modified, so that a later save writes it.
void RewriteCell(Library& lib, Cell& cell) {
  const uint16_t fileId = cell.fileId;
  const int32_t geometry = cell.geometryPosition, references = cell.referencePosition, end = cell.endPosition;
  const uint16_t flags = cell.flags;
  try {
    lib.OpenCellFileForWrite(cell);
    lib.WriteCellGeometry(cell);
    lib.WriteCellReferences(cell);
    lib.CloseCellFile();
  } catch (...) {
    try {
      lib.CloseCellFile();
    } catch (...) {
      // The first failure is the one reported.
    }
    cell.fileId = fileId;
    cell.geometryPosition = geometry;
    cell.referencePosition = references;
    cell.endPosition = end;
    cell.flags = flags | kCellModified;
    lib.flags |= kLibCellsChanged;
    throw;
  }
  cell.flags &= uint16_t(~kCellModified);
}

}  // namespace

int64_t Library::TileLargeCells(int64_t size) {
  if (size < 1) return 0;
  int64_t total = 0;
  // By index and only over the cells there were: tiling appends the tiles it makes.
  const size_t count = cells.size();
  for (size_t id = 0; id < count; ++id) {
    Cell* cell = cells[id].get();
    if (!cell || cell->box.x1 > cell->box.x2 || cell->box.y1 > cell->box.y2 || !HasGeometryOnDisk(*cell)) continue;
    if (cell->box.Width() <= size && cell->box.Height() <= size) continue;
    const bool loadedHere = !cell->loaded;
    // Placements come with the shapes, so that the rewrite keeps them.
    if (loadedHere) LoadCell(*cell, false);
    int64_t made = TileLargeCell(uint32_t(id), size, true);
    if (made > 0) {
      total += made;
      // A failed rewrite leaves the cell loaded: its new contents exist nowhere else.
      RewriteCell(*this, *cell);
    }
    if (loadedHere) cell->Clear();
  }
  if (total > 0) flags |= kLibInfoDirty | kLibNamesDirty;
  return total;
}

int64_t Library::TileLargeCell(uint32_t id, int64_t size, bool write) {
  Cell* cell = cells[id].get();
  if (size < 1) return 0;
  // A cell loaded without indexes has shape lists but no shape layer records.
  EnsureShapeIndexes(*cell);
  const std::vector<Box> boxes = ShapeBoxes(*cell);
  Box bounds;
  for (const Box& b : boxes) GrowBox(bounds, b);
  const int64_t margin = int64_t(1000.0 * unitsPerNm);
  if (boxes.empty() || (bounds.Width() <= size + margin && bounds.Height() <= size + margin)) return 0;
  const TileGrid grid = FitTileGrid(bounds, size, int64_t(unitsPerNm * 100.0), boxes);
  if (grid.columns * grid.rows == 1) return 0;
  std::vector<std::pair<int64_t, int64_t>> tiles = CoveredTiles(grid, boxes);
  // Rows outer from the bottom, columns inner from the left.
  std::sort(tiles.begin(), tiles.end(), [](const auto& a, const auto& b) {
    return std::make_pair(a.second, a.first) < std::make_pair(b.second, b.first);
  });
  SpatialIndex& placements = cell->GetLayer(kPlacementKey, cell->box).index;
  std::vector<uint32_t> made;
  std::vector<SpatialNode*> placed;
  try {
    for (const auto& tile : tiles) {
      std::map<LayerKey, RingSet> rings;
      MergeLayerMaps(*cell, grid.TileBox(tile.first, tile.second), rings, {}, 1, false);
      if (rings.empty()) continue;
      if (made.empty()) {
        // From the first tile on, the index files and the hierarchy must follow, whatever fails:
        // the next save recalculates the hierarchy and with it "parents".
        flags |= kLibInfoDirty | kLibNamesDirty | kLibHierarchyDirty;
        if (write) CloseCellFile();
      }
      uint32_t tileId = CreateCell(MakeCellName(cell->Name(), "ich", int(made.size())));
      made.push_back(tileId);
      Cell& tileCell = *cells[tileId];
      tileCell.flags |= kCellNoPlacements;
      for (auto& layer : rings) tileCell.AddRingSet(layer.second, layer.first, !write);
      // Records of every cell take the tile as the cell's child until that recalculation.
      if (records.size() == tileId) {
        records.emplace_back();
        records.back().parents[id] = 1;
        records.back().level = records[id].level + 1;
        records[id].children.insert(tileId);
      }
      if (write) {
        OpenCellFileForWrite(tileCell);
        WriteCellGeometry(tileCell);
        WriteCellReferences(tileCell);
        tileCell.flags &= uint16_t(~kCellModified);
        tileCell.Clear();
      }
      SRef* ref = new SRef();
      ref->cellWord = tileId;
      placed.push_back(placements.Insert(tileCell.box, ref));
    }
  } catch (...) {
    // The cell keeps its shapes; the tiles made so far become void cells that nothing places
    // and that no index file lists.
    for (SpatialNode* entry : placed) {
      delete static_cast<SRef*>(entry->payload);
      placements.Remove(entry);
    }
    for (uint32_t tileId : made) {
      Cell& tileCell = *cells[tileId];
      tileCell.Clear();
      tileCell.box = Box();
      tileCell.flags = 0;
      tileCell.fileId = 0;
      tileCell.geometryPosition = tileCell.referencePosition = tileCell.endPosition = -1;
      if (records.size() > tileId) {
        records[id].children.erase(tileId);
        records[tileId] = HierarchyRecord();
      }
    }
    throw;
  }
  if (made.empty()) return 0;
  cell->ReleaseContents();
  cell->flags |= kCellModified;
  return int64_t(made.size());
}
