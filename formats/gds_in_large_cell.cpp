// Large cells of the GDSII reader: once a cell has buffered the store threshold's vertices,
// its geometry so far moves into generated sub-cells ("<name>_ich<n>"), one when it is small,
// else a grid of tiles, so that memory holds a bounded amount of one cell at a time. The grid
// grows coarser where few shapes span a huge extent, so that the work follows the shapes.
#include <algorithm>
#include <cmath>
#include <map>
#include <utility>
#include <vector>

#include "db/cell.h"
#include "db/library.h"
#include "db/tile_grid.h"
#include "formats/gds_in.h"

uint32_t GdsIn::OpenSubCell() {
  ++warnings_.subCells;
  uint32_t id = NewCell(library_->MakeCellName(CurrentCell().Name(), "ich", warnings_.subCells), true);
  names_->MarkGenerated(id, "ich");
  return id;
}

void GdsIn::PlaceSubCell(uint32_t subId) {
  Library& lib = *library_;
  Cell& sub = *lib.cells[subId];
  WriteCell(sub, lib.importRecords[size_t(lib.importIndex[subId])]);
  ARef ref;
  ref.cellWord = subId;
  CurrentRecord().placements.push_back(ref);
}

void GdsIn::StoreGeometry() {
  Cell& cell = CurrentCell();
  const Box box = cell.box;
  if (box.x1 > box.x2 || box.y1 > box.y2) return;
  int64_t tileSide = std::max<int64_t>(1, std::llround(double(settings_.tileSize) * unitsPerNm_));
  if (int64_t(box.x2) - box.x1 > tileSide || int64_t(box.y2) - box.y1 > tileSide) {
    SplitCellGeometry(tileSide);
    return;
  }
  uint32_t subId = OpenSubCell();
  Cell& sub = *library_->cells[subId];
  sub.shapes.swap(cell.shapes);
  sub.importShapes.swap(cell.importShapes);
  for (ListNode* node = cell.texts.Head(); node; node = node->next) sub.texts.Append(node->item);
  cell.texts.Clear();
  sub.box = box;
  cell.box = Box();
  PlaceSubCell(subId);
}

void GdsIn::SplitCellGeometry(int64_t tileSide) {
  Cell& cell = CurrentCell();
  const Box box = cell.box;
  // Tiling cuts the shapes out of lists through their spatial index.
  cell.MoveImportedShapesToLists();
  cell.RebuildSpatialIndex();
  // Texts are indexed as points, so that each marks the one tile that holds it.
  std::vector<Box> contents;
  for (const auto& layer : cell.layers) {
    if (layer.first == kPlacementKey) continue;
    const SpatialIndex& index = layer.second.index;
    for (SpatialNode* e = index.FirstLeaf(); e; e = index.NextLeaf(e)) contents.push_back(e->box);
  }
  const TileGrid grid = FitTileGrid(box, tileSide, int64_t(100 * unitsPerNm_), contents);
  std::map<std::pair<int64_t, int64_t>, std::vector<const TextItem*>> textsByTile;
  for (ListNode* node = cell.texts.Head(); node; node = node->next) {
    const TextItem* text = static_cast<const TextItem*>(node->item);
    int64_t col = std::min(grid.columns - 1, (int64_t(text->x) - box.x1) / grid.tileWidth);
    int64_t row = std::min(grid.rows - 1, (int64_t(text->y) - box.y1) / grid.tileHeight);
    textsByTile[{col, row}].push_back(text);
  }
  // Columns outer, rows inner, from the lower-left tile; tiles that no shape reaches are never
  // visited.
  for (const auto& tile : CoveredTiles(grid, contents)) {
    std::map<LayerKey, RingSet> rings;
    library_->MergeLayerMaps(cell, grid.TileBox(tile.first, tile.second), rings, {}, 1, false);
    auto texts = textsByTile.find(tile);
    bool anyRing = std::any_of(rings.begin(), rings.end(), [](const auto& r) { return !r.second.IsEmpty(); });
    if (!anyRing && texts == textsByTile.end()) continue;
    uint32_t subId = OpenSubCell();
    Cell& sub = *library_->cells[subId];
    for (auto& layer : rings) {
      if (!layer.second.IsEmpty()) sub.AddRingSet(layer.second, layer.first, false);
    }
    if (texts != textsByTile.end()) {
      for (const TextItem* text : texts->second) sub.AddText(text->key, text->textId, text->x, text->y, false);
    }
    sub.flags &= uint16_t(~kCellModified);
    PlaceSubCell(subId);
  }
  cell.Clear();
  cell.box = Box();
}
