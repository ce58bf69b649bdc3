// Large cells of the GDSII reader: once a cell has buffered the store threshold's vertices,
// its geometry so far moves into generated sub-cells ("<name>_ich<n>"), one when it is small,
// else a grid of tiles, so that memory holds a bounded amount of one cell at a time.
#include <algorithm>
#include <cmath>
#include <map>
#include <set>
#include <vector>

#include "db/cell.h"
#include "db/library.h"
#include "db/numeric.h"
#include "formats/gds_in.h"

namespace {

// Tiles per side at most, so that a huge extent on a fine grid cannot make billions of windows.
constexpr int64_t kMaxTilesPerSide = 4096;

int64_t CeilDiv(int64_t a, int64_t b) { return (a + b - 1) / b; }

// The side rounded up to a multiple of grid (none when grid is 0).
int64_t RoundUpToGrid(int64_t side, int64_t grid) { return grid > 0 ? CeilDiv(side, grid) * grid : side; }

}  // namespace

uint32_t GdsIn::OpenSubCell() {
  ++warnings_.subCells;
  uint32_t id = NewCell(library_->MakeCellName(CurrentCell().Name(), "ich", warnings_.subCells), true);
  generated_[id] = true;
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
  int64_t width = int64_t(box.x2) - box.x1, height = int64_t(box.y2) - box.y1;
  while (CeilDiv(width, tileSide) > kMaxTilesPerSide || CeilDiv(height, tileSide) > kMaxTilesPerSide) tileSide *= 2;
  int64_t nx = std::max<int64_t>(1, CeilDiv(width, tileSide)), ny = std::max<int64_t>(1, CeilDiv(height, tileSide));
  int64_t grid = int64_t(100 * unitsPerNm_);
  int64_t tw = std::max<int64_t>(1, RoundUpToGrid(CeilDiv(width, nx), grid));
  int64_t th = std::max<int64_t>(1, RoundUpToGrid(CeilDiv(height, ny), grid));
  // Each text goes to the one tile that holds its point.
  std::map<std::pair<int64_t, int64_t>, std::vector<const TextItem*>> textsByTile;
  for (ListNode* node = cell.texts.Head(); node; node = node->next) {
    const TextItem* text = static_cast<const TextItem*>(node->item);
    int64_t col = std::min(nx - 1, (int64_t(text->x) - box.x1) / tw);
    int64_t row = std::min(ny - 1, (int64_t(text->y) - box.y1) / th);
    textsByTile[{col, row}].push_back(text);
  }
  // Tiling cuts the shapes out of lists through their spatial index.
  cell.MoveImportedShapesToLists();
  cell.RebuildSpatialIndex();
  for (int64_t col = 0; col < nx; ++col) {
    for (int64_t row = 0; row < ny; ++row) {
      int64_t x = box.x1 + col * tw, y = box.y1 + row * th;
      Box window(SaturateToInt32(double(x)), SaturateToInt32(double(y)), SaturateToInt32(double(x + tw)),
                 SaturateToInt32(double(y + th)));
      std::map<LayerKey, RingSet> rings;
      library_->MergeLayerMaps(cell, window, rings, {}, 1, false);
      auto texts = textsByTile.find({col, row});
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
  }
  cell.Clear();
  cell.box = Box();
}
