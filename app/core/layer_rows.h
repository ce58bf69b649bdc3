#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "db/library.h"

// The rows of a child window's layer and style lists, and the operations of those lists on the
// library's layer table. Row i is the i-th layer in key order.

// Brush style numbers of the toolkit, as stored in LayerInfo::brushStyle.
enum BrushStyleNumber : uint32_t {
  kBrushSolid = 100,
  kBrushTransparent = 106,
  kBrushStipple = 110,
  kBrushBDiagonalHatch = 111,
  kBrushCrossDiagHatch = 112,
  kBrushFDiagonalHatch = 113,
  kBrushCrossHatch = 114,
  kBrushHorizontalHatch = 115,
  kBrushVerticalHatch = 116,
};

// Fill codes 0 to 8 (the style dialog's images) and brush styles. A code outside 1..8 is
// solid; a style outside the table is code 0.
uint32_t FillCodeToBrushStyle(int code);
int BrushStyleToFillCode(uint32_t style);
// The two-character text of a style-list row; "SS" for solid and unknown styles.
std::string PatternText(uint32_t style);

struct LayerRow {
  LayerKey key;
  std::string first;   // layer number or name; "Polygon" above layer 511
  std::string second;  // datatype number or name
  std::string pattern;
  uint32_t rgb;  // 0x00BBGGRR
  bool hidden;
};

std::vector<LayerRow> BuildRows(const std::map<LayerKey, LayerInfo>& layers);
// The row after the layers while a criticality map is loaded: "Criticality", always red, in the
// map's brush style, hidden while the map is not shown.
LayerRow CriticalityRow(uint32_t brushStyle, bool shown);
// True while no layer is visible: the canvas then draws nothing but outlines.
bool LayerFilterNeeded(const std::map<LayerKey, LayerInfo>& layers);

// The row operations below also act on the criticality row (row layers.size()) when
// criticalityShown is given: it stands for whether the map is shown.
// Shows the layers of the selected rows and hides all others (all of them with no selection).
void ShowExactly(std::map<LayerKey, LayerInfo>& layers, const std::vector<int>& selectedRows,
                 bool* criticalityShown = nullptr);
// Flips the visibility of one row.
void ToggleOne(std::map<LayerKey, LayerInfo>& layers, int row, bool* criticalityShown = nullptr);
// The first selected layer row flips; every further selected layer row takes its new state. The
// criticality row, wherever it comes, flips the map's visibility and ends the walk.
void ToggleGroup(std::map<LayerKey, LayerInfo>& layers, const std::vector<int>& selectedRows,
                 bool* criticalityShown = nullptr);

// "layer datatype" of the create-layer prompt: two whole numbers (the datatype 0 when missing,
// further words ignored), the layer 0 to 511 and the datatype 0 to 255. Keys of layers from 512
// on are the placement index and overlays, and "info" lists no such layer. Anything else gives
// nothing, with refusal the sentence that says what was wrong; an answer of blanks only gives
// nothing with an empty refusal.
std::optional<LayerKey> ParseNewLayer(const std::string& text, std::string& refusal);
// Inserts a black, visible, style-0 layer; false when the key exists already.
bool AddLayer(std::map<LayerKey, LayerInfo>& layers, LayerKey key);
