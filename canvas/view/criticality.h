#pragma once

#include <cstdint>
#include <istream>
#include <vector>

#include "canvas/view/display_settings.h"
#include "db/box.h"

// A criticality map laid over a view: boxes of the shown cell with a real value each, coloured
// on a scale from green (low) through yellow to red (high).
//
// The file is text of whitespace-separated numbers, five per record: x1 y1 x2 y2 (signed
// 32-bit integers in database units of the shown cell) and the value (a real number). There is
// no header, count or comment.

struct CriticalityBox {
  int32_t x1 = 0;
  int32_t y1 = 0;
  int32_t x2 = 0;
  int32_t y2 = 0;
  float value = 0.0f;
};

// Where the boxes lie, so that a view finds its boxes without visiting all of them: a grid over
// the boxes' extent, each box listed in the cell of its lower-left corner, and the boxes larger
// than a cell in a list of their own. Built by ReadCriticality.
struct CriticalityGrid {
  Box extent;
  int64_t cellWidth = 1;
  int64_t cellHeight = 1;
  int32_t columns = 0;
  int32_t rows = 0;
  // Cell c lists box indices cellStart[c] .. cellStart[c + 1] - 1 of cellBoxes.
  std::vector<uint32_t> cellStart;
  std::vector<uint32_t> cellBoxes;
  std::vector<uint32_t> largeBoxes;
};

// The wxBDIAGONAL_HATCH brush style that every load starts with.
constexpr uint32_t kCriticalityDefaultBrush = 111;

struct CriticalityData {
  std::vector<CriticalityBox> criticalityBoxes;
  // The scale: the minimum starts at 1 and the maximum at 0 and are only ever widened by the
  // values read, so a file of values 2..10 has the scale 1..10. criticalityMid is half the range
  // (not its middle) and criticalityStep the value per colour level above it.
  float criticalityMin = 1.0f;
  float criticalityMax = 0.0f;
  float criticalityMid = 0.5f;
  float criticalityStep = 0.0f;
  // True while the boxes are drawn (the layer list can hide them).
  bool criticalityShown = false;
  uint32_t criticalityBrushStyle = kCriticalityDefaultBrush;
  CriticalityGrid grid;
};

// Back to no records, the starting scale, hidden, the default brush.
void ResetCriticality(CriticalityData& data);

// Resets data, then appends the records of in in file order and sets the scale from them; data
// is shown afterwards. Reading ends at the first record that is not five readable numbers (a
// number beyond its range, text, the end of the file): only complete records are kept.
void ReadCriticality(std::istream& in, CriticalityData& data);

// The box of a record with its corners in order.
Box CriticalityBoxBounds(const CriticalityBox& record);

// The indices of the boxes of data that share an interior with window, in file order.
std::vector<uint32_t> CriticalityBoxesIn(const CriticalityData& data, const Box& window);

// The colour of a value: at or above criticalityMid red 255 and green falling to the top of the
// scale, below it green 255 and red rising from its bottom; blue 0. Levels are rounded to the
// nearest whole number and held to 0..255; a level that is not a number (a scale without
// width) is 0.
Rgb CriticalityColour(float value, const CriticalityData& data);
