// Imports the input as a GDSII stream and draws its first root cell into a small raster without
// a display, twice: both passes must give the same pixels. The first byte picks the view: bit 0
// full detail (no size limit), bit 1 outlines only, bit 2 the first placed cell highlighted,
// bits 3-4 a zoom of 4^n into the middle, bit 5 a depth of 2 instead of every level, bit 6 layer
// by layer, bit 7 a fine view. Names and texts stay off: their stamps need a display.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "canvas/cell_drawer.h"
#include "canvas/fill_tiles.h"
#include "canvas/text_stamps.h"
#include "canvas/view/cell_images.h"
#include "db/error.h"
#include "db/library.h"
#include "formats/gds_in.h"
#include "tests/fuzz/fuzz_scratch.h"

namespace {

constexpr int32_t kWidth = 160;
constexpr int32_t kHeight = 100;

struct View {
  ViewMapping mapping;
  DrawSettings settings;
  int32_t depth = 1;
  bool ordered = false;
};

View ViewFor(uint8_t flags, const Library& lib, uint32_t topId) {
  View view;
  const Box& box = lib.cells[topId]->box;
  view.mapping.SetViewBox(box.x1, box.y1, box.x2, box.y2);
  double magnification = double(1 << (2 * ((flags >> 3) & 3)));
  view.mapping.magnification = magnification;
  int32_t x0 = int32_t((kWidth * magnification - kWidth) / 2);
  int32_t y0 = int32_t((kHeight * magnification - kHeight) / 2);
  view.mapping.CentreView(x0, y0, kWidth, kHeight);
  view.settings.topCellId = int32_t(topId);
  view.settings.cellSizeLimit = (flags & 1) ? 0 : 150;
  view.settings.showOutlines = (flags & 2) != 0;
  view.settings.highlightedCell = (flags & 4) ? int32_t(lib.cells.size() > 1 ? 1 : 0) : -1;
  view.settings.showNames = false;
  view.settings.showTexts = false;
  view.settings.fineView = (flags & 128) != 0;
  view.depth = (flags & 32) ? 2 : int32_t(lib.depth) + 1;
  view.ordered = (flags & 64) != 0;
  return view;
}

PixelRaster Draw(Library& lib, const View& view, FillTiles& tiles, TextStamps& stamps) {
  const ViewMapping& m = view.mapping;
  PixelRaster raster(m.windowX, m.windowY, m.windowW, m.windowH, RasterColour());
  CellDrawer drawer(lib, raster, m, view.settings, tiles, stamps);
  uint32_t top = uint32_t(view.settings.topCellId);
  Box window = m.VisibleWindow();
  if (view.ordered) {
    drawer.DrawOrdered(top, window, view.depth);
  } else {
    drawer.DrawCellHierarchy(top, window, Trans(), view.depth);
  }
  return raster;
}

// The same view through cell images: the whole hierarchy when nothing is cut by size, else the
// walk with images below their size limit. Each pass starts from a table left clean by the last.
PixelRaster DrawWithImages(Library& lib, View view, CellImages& images, FillTiles& tiles, TextStamps& stamps) {
  const ViewMapping& m = view.mapping;
  PixelRaster raster(m.windowX, m.windowY, m.windowW, m.windowH, RasterColour());
  images.Follow(lib);
  view.settings.images = &images;
  if (view.settings.cellSizeLimit != 0) view.settings.cellSizeLimit = CellDrawer::kImageCellSizeLimit / 2;
  CellImages::Pass pass(&images);
  CellDrawer drawer(lib, raster, m, view.settings, tiles, stamps);
  uint32_t top = uint32_t(view.settings.topCellId);
  if (view.settings.cellSizeLimit == 0) {
    drawer.DrawCellAccelerated(top);
  } else {
    drawer.DrawCellHierarchy(top, m.VisibleWindow(), Trans(), view.depth);
  }
  return raster;
}

bool SamePixels(PixelRaster& a, PixelRaster& b) {
  size_t bytes = size_t(a.Width()) * size_t(a.Height()) * 3;
  return std::equal(a.Pixels(), a.Pixels() + bytes, b.Pixels());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  fuzzscratch::ScratchDir dir("draw_walk");
  std::string path = dir.File("in.gds");
  std::string libDir = dir.File("lib");
  std::filesystem::create_directories(libDir);
  if (!fuzzscratch::WriteFile(path, data + 1, size - 1, false)) return 0;
  try {
    Library lib(libDir, false);
    {
      GdsIn in(path.c_str(), false);
      in.ReadLibrary(lib);
    }
    if (lib.roots.empty()) return 0;
    for (auto& layer : lib.layerMap) layer.second.colour = DefaultLayerColour(layer.first >> 8, layer.first & 0xff);
    View view = ViewFor(data[0], lib, lib.roots.front());
    FillTiles tiles;
    TextStamps stamps;
    PixelRaster first = Draw(lib, view, tiles, stamps);
    PixelRaster second = Draw(lib, view, tiles, stamps);
    if (!SamePixels(first, second)) std::abort();
    CellImages images;
    PixelRaster imaged = DrawWithImages(lib, view, images, tiles, stamps);
    PixelRaster again = DrawWithImages(lib, view, images, tiles, stamps);
    if (!SamePixels(imaged, again)) std::abort();
  } catch (const Error&) {
    // Malformed streams and unreadable cells end in Error.
  }
  return 0;
}
