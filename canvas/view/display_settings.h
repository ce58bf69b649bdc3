#pragma once

#include <cstdint>
#include <string>

// A colour of the view, free of toolkit types.
struct Rgb {
  uint8_t red = 0;
  uint8_t green = 0;
  uint8_t blue = 0;
  bool operator==(const Rgb& o) const { return red == o.red && green == o.green && blue == o.blue; }
  bool operator!=(const Rgb& o) const { return !(*this == o); }
};

// The settings of one view that the shell reads and changes, and that configuration files
// save and load. The shell changes them as a whole through ViewSession::ApplySettings.
struct DisplaySettings {
  int32_t depth = 200;
  // The effective limit (pixels) below which a placed cell is drawn as its outline, and the
  // user's limit that the full view restores.
  int32_t cellSizeLimit = 150;
  int32_t userCellSizeLimit = 150;
  uint8_t layerFilter = 0;
  uint8_t accurateDraw = 0;
  uint8_t orderedDraw = 0;
  uint8_t showGrids = 0;
  uint8_t showNames = 0;
  uint8_t showTexts = 1;
  uint8_t showOutlines = 0;
  // Views at most this many nanometres wide or high are fine (coarse) views.
  int32_t fineViewLimit = 50000;
  int32_t coarseViewLimit = 500000;
  // Cell id highlighted by the cell tree; -1 none.
  int32_t highlightedCell = -1;
  Rgb outlineColour{0, 0, 8};
  // The frame's colours: the background of the scene and the pen of highlighted instances.
  Rgb backgroundColour{0, 0, 0};
  Rgb instanceHighlightColour{255, 255, 0};
  // The pen of the selected geometry, drawn over the scene.
  Rgb geometryHighlightColour{255, 255, 255};
  // How drawn edges are constrained: 0 horizontal, 1 vertical, 2 45 degrees, 3 arbitrary.
  int32_t angleType = 2;
  // Whether ConvertGDS writes compressed cell data files.
  bool gzipLibrary = false;
  // Nanometres and micrometres per database unit, and the snapping grid in database units.
  double nmPerUnit = 1.0;
  double umPerUnit = 0.001;
  int32_t snapGrid = 5;
  // The criticality and layer-map files that a configuration file named (Save Config writes
  // them back); empty when none.
  std::string criticalityPath;
  std::string layerMapPath;
};

// True when the scene drawn with a and with b is the same: they differ at most in what only the
// overlays and the gestures read (showGrids, snapGrid, the geometry highlight, the angle type).
inline bool SameScene(const DisplaySettings& a, const DisplaySettings& b) {
  DisplaySettings c = b;
  c.showGrids = a.showGrids;
  c.snapGrid = a.snapGrid;
  c.geometryHighlightColour = a.geometryHighlightColour;
  c.angleType = a.angleType;
  return a.depth == c.depth && a.cellSizeLimit == c.cellSizeLimit && a.userCellSizeLimit == c.userCellSizeLimit &&
         a.layerFilter == c.layerFilter && a.accurateDraw == c.accurateDraw && a.orderedDraw == c.orderedDraw &&
         a.showNames == c.showNames && a.showTexts == c.showTexts && a.showOutlines == c.showOutlines &&
         a.fineViewLimit == c.fineViewLimit && a.coarseViewLimit == c.coarseViewLimit &&
         a.highlightedCell == c.highlightedCell && a.outlineColour == c.outlineColour &&
         a.backgroundColour == c.backgroundColour && a.instanceHighlightColour == c.instanceHighlightColour &&
         a.gzipLibrary == c.gzipLibrary && a.nmPerUnit == c.nmPerUnit && a.umPerUnit == c.umPerUnit &&
         a.snapGrid == c.snapGrid;
}
