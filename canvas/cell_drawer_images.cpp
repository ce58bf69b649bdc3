// The part of CellDrawer that draws through cell images: building a cell's image, stamping it
// through placements, the image path of the hierarchy and the accelerated drawing of a whole
// hierarchy.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "canvas/cell_drawer.h"
#include "canvas/view/cell_images.h"
#include "db/error.h"
#include "db/error_tags.h"
#include "db/library.h"

namespace {

const RasterColour kEmpty{0, 0, 0};

bool IsEmptyPixel(const uint8_t* p) { return p[0] == 0 && p[1] == 0 && p[2] == 0; }

// Every non-black pixel of from (a raster of the same window) over the same pixel of to.
void OverlayNonBlack(PixelRaster& from, PixelRaster& to) {
  const uint8_t* p = from.Pixels();
  uint8_t* q = to.Pixels();
  size_t bytes = size_t(from.Width()) * size_t(from.Height()) * 3;
  for (size_t i = 0; i < bytes; i += 3) {
    if (!IsEmptyPixel(p + i)) std::memcpy(q + i, p + i, 3);
  }
}

}  // namespace

bool CellDrawer::UsesImage(uint32_t cellId, const Cell& cell, const Box& window) const {
  return settings_.images && !imagesOff_ && cellId < settings_.images->Count() && !settings_.fineView &&
         !settings_.coarseView && !settings_.layerFilter && settings_.cellSizeLimit < kImageCellSizeLimit &&
         int32_t(cellId) != settings_.topCellId && window.Contains(cell.box) && imageNesting_ < kMaxImageNesting;
}

int64_t CellDrawer::DrawThroughImage(uint32_t cellId, const Trans& placement, int32_t level) {
  CellImage& record = (*settings_.images)[cellId];
  if (record.inProgress) {
    // The cell places itself through the cells being imaged: its image is not there yet.
    DrawCellOutline(*library_.GetCell(cellId), placement);
    return 1;
  }
  if (!record.imaged) {
    Cell* cell = ReadyCell(cellId);
    if (!cell) return 0;
    record.inProgress = true;
    if (!BuildCellImage(cellId, *cell) && cell->HasReferences()) {
      PixelRaster& image = *record.raster;
      PixelRaster placements(image.Left(), image.Top(), image.Width(), image.Height(), kEmpty);
      int64_t drawnInside = 0;
      {
        CellDrawer inside(*this, placements);
        drawnInside = inside.WalkHierarchy(CellVisit{cellId, cell->box, Trans(), level}, false);
      }
      if (drawnInside > 0) OverlayNonBlack(placements, image);
    }
    record.inProgress = false;
    record.imaged = true;
  }
  if (!record.raster) return 0;
  return StampCellImage(cellId, placement, nullptr) != 0 ? 1 : 0;
}

bool CellDrawer::BuildCellImage(uint32_t cellId, Cell& cell) {
  CellImage& record = (*settings_.images)[cellId];
  int32_t left = 0;
  int32_t top = 0;
  int32_t right = 0;
  int32_t bottom = 0;
  bool placed = DeviceBox(cell.box, left, top, right, bottom);
  int64_t w = int64_t(right) - left + 1;
  int64_t h = int64_t(bottom) - top + 1;
  // A box beyond the 32-bit pixel range is too large as well.
  if (!placed || w > int64_t(view_.windowW) + kImageMargin || h > int64_t(view_.windowH) + kImageMargin) {
    throw Error(kTagDb, "Skipping too much magnification, run Accurate Draw");
  }
  record.raster.emplace(left, top, int32_t(w), int32_t(h), kEmpty);
  imageWork_ += w * h;
  if (w == 1 && h == 1) {
    record.singlePixel = SinglePixelColour(*record.raster, cell);
    return record.singlePixel;
  }
  CellDrawer image(*this, *record.raster);
  image.DrawCellGeometry(cell, cell.box, Trans());
  return false;
}

bool CellDrawer::SinglePixelColour(PixelRaster& image, const Cell& cell) const {
  // Drawn in full, the layers go down in key order onto this one pixel: the last one shows.
  for (auto layer = cell.shapes.rbegin(); layer != cell.shapes.rend(); ++layer) {
    if (layer->second.Count() == 0 || IsHidden(layer->first)) continue;
    image.SetPen(LayerPenColour(LayerColour(layer->first)));
    image.DrawPoint(image.Left(), image.Top());
    return true;
  }
  return false;
}

int CellDrawer::StampCellImage(uint32_t cellId, const Trans& placement, PixelRaster* parent) {
  PixelRaster& image = *(*settings_.images)[cellId].raster;
  PixelRaster& target = parent ? *parent : raster_;
  const int32_t w = image.Width();
  const int32_t h = image.Height();
  // Every orientation maps x and y each to one axis and magnifies each on its own, so a
  // pixel's device position follows from its column and its row separately: odd codes send
  // columns to device rows.
  const bool swaps = (placement.orientation & 1) != 0;
  stampColumns_.resize(size_t(w));
  stampRows_.resize(size_t(h));
  imageWork_ += int64_t(w) * h;
  const int32_t firstX = view_.ScreenToDBX(image.Left());
  const int32_t firstY = view_.ScreenToDBY(image.Top());
  for (int32_t i = 0; i < w; ++i) {
    int32_t x = view_.ScreenToDBX(double(image.Left()) + i);
    int32_t y = firstY;
    placement.ApplyToPoint(x, y);
    stampColumns_[size_t(i)] = swaps ? view_.ToDeviceY(y) : view_.ToDeviceX(x);
  }
  for (int32_t j = 0; j < h; ++j) {
    int32_t x = firstX;
    int32_t y = view_.ScreenToDBY(double(image.Top()) + j);
    placement.ApplyToPoint(x, y);
    stampRows_[size_t(j)] = swaps ? view_.ToDeviceX(x) : view_.ToDeviceY(y);
  }
  bool stamped = false;
  RasterColour pen;
  const uint8_t* p = image.Pixels();
  for (int32_t j = 0; j < h; ++j) {
    for (int32_t i = 0; i < w; ++i, p += 3) {
      if (IsEmptyPixel(p)) continue;
      RasterColour colour{p[0], p[1], p[2]};
      if (!stamped || !(colour == pen)) {
        target.SetPen(colour);
        pen = colour;
      }
      stamped = true;
      int32_t column = stampColumns_[size_t(i)];
      int32_t row = stampRows_[size_t(j)];
      // The raster drops a point outside it, testing its column and its row each on its own.
      if (swaps) {
        target.DrawPoint(row, column);
      } else {
        target.DrawPoint(column, row);
      }
    }
  }
  if (!stamped) return 0;
  return parent && parent->Width() == 1 && parent->Height() == 1 ? -1 : 1;
}

bool CellDrawer::NextImagePlacement(ImageFrame& frame, uint32_t& placedId, Trans& placement) {
  const LayerRecord* references = frame.cell->HasReferences();
  if (!references) return false;
  const SpatialIndex& index = references->index;
  for (;;) {
    if (frame.array) {
      int32_t column = 0;
      int32_t row = 0;
      if (frame.elements.Next(column, row)) {
        frame.array->ElementTrans(column, row, placement);
        placedId = frame.array->CellId();
        return true;
      }
      frame.array = nullptr;
    }
    frame.entry = frame.entry ? index.NextLeaf(frame.entry) : index.FirstLeaf();
    if (!frame.entry) return false;
    const SRef& ref = *static_cast<const SRef*>(frame.entry->payload);
    const Cell* placed = library_.GetCell(ref.CellId());
    if (!placed || placed->box.IsEmpty() || ref.CellId() >= settings_.images->Count()) continue;
    if (!ref.IsArray()) {
      placedId = ref.CellId();
      placement = ref;
      return true;
    }
    // The elements a view of the whole cell would visit: those the pixels call for.
    const ARef& array = static_cast<const ARef&>(ref);
    const Box& box = frame.cell->box;
    double pixelsPerUnit = view_.PixelsPerUnit();
    double windowPixels = double(std::max(box.Width(), box.Height())) * pixelsPerUnit;
    ElementRange all{0, array.columns, 0, array.rows};
    frame.elements = ArraySamples(array, placed->box, all, pixelsPerUnit, windowPixels);
    frame.array = &array;
  }
}

void CellDrawer::DrawCellAccelerated(uint32_t cellId) {
  CellImages& images = *settings_.images;
  Cell* shown = cellId < images.Count() ? ReadyCell(cellId) : nullptr;
  if (!shown) return;
  DrawCellGeometry(*shown, shown->box, Trans());
  // A walk on a stack of its own, so that a deep hierarchy never recurses: a placed cell not
  // imaged yet is built in a frame above the placement that waits for it.
  std::vector<ImageFrame> stack;
  ImageFrame top;
  top.cellId = cellId;
  top.cell = shown;
  stack.push_back(top);
  images[cellId].inProgress = true;
  while (!stack.empty()) {
    if (imageWork_ > workLimit_) {
      DrawAccurateInstead(cellId);
      return;
    }
    ImageFrame& frame = stack.back();
    uint32_t placedId = 0;
    Trans placement;
    if (frame.pending) {
      frame.pending = false;
      placedId = frame.pendingId;
      placement = frame.pendingPlacement;
    } else if (!NextImagePlacement(frame, placedId, placement)) {
      CellImage& done = images[frame.cellId];
      done.imaged = true;
      done.inProgress = false;
      stack.pop_back();
      continue;
    } else {
      CellImage& placed = images[placedId];
      if (placed.inProgress) continue;
      if (!placed.imaged) {
        Cell* cell = ReadyCell(placedId);
        if (!cell) continue;
        if (!BuildCellImage(placedId, *cell) && cell->HasReferences()) {
          placed.inProgress = true;
          frame.pending = true;
          frame.pendingId = placedId;
          frame.pendingPlacement = placement;
          ImageFrame child;
          child.cellId = placedId;
          child.cell = cell;
          child.image = &*placed.raster;
          stack.push_back(child);
          continue;
        }
        placed.imaged = true;
      }
    }
    if (!images[placedId].raster) continue;
    if (StampCellImage(placedId, placement, frame.image) < 0) {
      // Its one pixel is coloured: nothing more can show in it.
      CellImage& full = images[frame.cellId];
      full.imaged = true;
      full.singlePixel = true;
      full.inProgress = false;
      stack.pop_back();
    }
  }
}

void CellDrawer::DrawAccurateInstead(uint32_t cellId) {
  settings_.images->EndPass();
  imagesOff_ = true;
  const wxColour& background = settings_.background;
  RasterColour clear{background.Red(), background.Green(), background.Blue()};
  raster_.SetPen(clear);
  RasterFill fill;
  fill.kind = RasterFill::Kind::kSolid;
  fill.colour = clear;
  raster_.SetFill(fill);
  raster_.DrawRectangle(raster_.Left(), raster_.Top(), raster_.Width(), raster_.Height());
  workAtStart_ = raster_.Work();
  // Every level: no path without a cycle is longer than the library has cells.
  int32_t everyLevel = int32_t(std::min<size_t>(library_.cells.size(), INT32_MAX - 1)) + 1;
  DrawCellHierarchy(cellId, view_.VisibleWindow(), Trans(), everyLevel);
}
