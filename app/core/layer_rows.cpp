#include "app/core/layer_rows.h"

#include <iterator>
#include <sstream>

#include "canvas/view/number_input.h"

namespace {

constexpr int32_t kMaxNewLayer = 511;
constexpr int32_t kMaxNewDatatype = 255;

constexpr uint32_t kFillCodeStyles[] = {kBrushSolid,           kBrushTransparent,    kBrushBDiagonalHatch,
                                        kBrushCrossDiagHatch,  kBrushFDiagonalHatch, kBrushCrossHatch,
                                        kBrushHorizontalHatch, kBrushVerticalHatch,  kBrushStipple};

// The layer info of row, or null when the row is outside the table.
LayerInfo* RowLayer(std::map<LayerKey, LayerInfo>& layers, int row) {
  if (row < 0 || row >= int(layers.size())) return nullptr;
  return &std::next(layers.begin(), row)->second;
}

bool IsCriticalityRow(const std::map<LayerKey, LayerInfo>& layers, int row) { return row == int(layers.size()); }

}  // namespace

uint32_t FillCodeToBrushStyle(int code) { return code >= 1 && code <= 8 ? kFillCodeStyles[code] : kBrushSolid; }

int BrushStyleToFillCode(uint32_t style) {
  for (int code = 1; code <= 8; ++code) {
    if (kFillCodeStyles[code] == style) return code;
  }
  return 0;
}

std::string PatternText(uint32_t style) {
  switch (style) {
    case kBrushTransparent: return "  ";
    case kBrushStipple: return "..";
    case kBrushBDiagonalHatch: return "//";
    case kBrushCrossDiagHatch: return "XX";
    case kBrushFDiagonalHatch: return "\\\\";
    case kBrushCrossHatch: return "++";
    case kBrushHorizontalHatch: return "--";
    case kBrushVerticalHatch: return "||";
    default: return "SS";
  }
}

std::vector<LayerRow> BuildRows(const std::map<LayerKey, LayerInfo>& layers) {
  std::vector<LayerRow> rows;
  rows.reserve(layers.size());
  for (const auto& [key, info] : layers) {
    LayerRow row{key, "", "", PatternText(info.brushStyle), info.Rgb(), info.IsHidden()};
    const uint32_t layer = key >> 8, datatype = key & 0xFF;
    if (layer > 511) {
      row.first = "Polygon";
      row.second = std::to_string(datatype);
    } else if (info.layerName.empty()) {
      row.first = std::to_string(layer);
      row.second = std::to_string(datatype);
    } else {
      row.first = info.layerName;
      row.second = info.datatypeName;
    }
    rows.push_back(std::move(row));
  }
  return rows;
}

LayerRow CriticalityRow(uint32_t brushStyle, bool shown) {
  return LayerRow{0, "Criticality", "", PatternText(brushStyle), 0x0000FFu, !shown};
}

bool LayerFilterNeeded(const std::map<LayerKey, LayerInfo>& layers) {
  for (const auto& entry : layers) {
    if (!entry.second.IsHidden()) return false;
  }
  return true;
}

void ShowExactly(std::map<LayerKey, LayerInfo>& layers, const std::vector<int>& selectedRows, bool* criticalityShown) {
  for (auto& entry : layers) entry.second.SetHidden(true);
  if (criticalityShown) *criticalityShown = false;
  for (int row : selectedRows) {
    if (LayerInfo* layer = RowLayer(layers, row)) layer->SetHidden(false);
    if (criticalityShown && IsCriticalityRow(layers, row)) *criticalityShown = true;
  }
}

void ToggleOne(std::map<LayerKey, LayerInfo>& layers, int row, bool* criticalityShown) {
  if (LayerInfo* layer = RowLayer(layers, row)) layer->SetHidden(!layer->IsHidden());
  if (criticalityShown && IsCriticalityRow(layers, row)) *criticalityShown = !*criticalityShown;
}

void ToggleGroup(std::map<LayerKey, LayerInfo>& layers, const std::vector<int>& selectedRows, bool* criticalityShown) {
  std::optional<bool> hidden;
  for (int row : selectedRows) {
    if (criticalityShown && IsCriticalityRow(layers, row)) {
      *criticalityShown = !*criticalityShown;
      return;
    }
    LayerInfo* layer = RowLayer(layers, row);
    if (!layer) continue;
    if (!hidden) hidden = !layer->IsHidden();
    layer->SetHidden(*hidden);
  }
}

std::optional<LayerKey> ParseNewLayer(const std::string& text, std::string& refusal) {
  refusal.clear();
  std::istringstream words(text);
  std::string layerWord, datatypeWord = "0";
  words >> layerWord >> datatypeWord;
  if (layerWord.empty()) return std::nullopt;
  const std::optional<int32_t> layer = ParseInt32(layerWord);
  if (!layer || *layer < 0 || *layer > kMaxNewLayer) {
    refusal = "Layer must be a whole number from 0 to 511, not \"" + layerWord + "\"";
    return std::nullopt;
  }
  const std::optional<int32_t> datatype = ParseInt32(datatypeWord);
  if (!datatype || *datatype < 0 || *datatype > kMaxNewDatatype) {
    refusal = "Datatype must be a whole number from 0 to 255, not \"" + datatypeWord + "\"";
    return std::nullopt;
  }
  return MakeLayerKey(uint32_t(*layer), uint32_t(*datatype));
}

bool AddLayer(std::map<LayerKey, LayerInfo>& layers, LayerKey key) {
  if (layers.count(key)) return false;
  LayerInfo info;
  info.key = key;
  layers.emplace(key, info);
  return true;
}
