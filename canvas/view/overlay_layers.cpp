#include "canvas/view/overlay_layers.h"

#include <cstdio>

#include "canvas/view/canvas_prompts.h"
#include "canvas/view/edit_state.h"
#include "db/poly/ring_set.h"
#include "formats/text_polygons.h"

namespace {

constexpr LayerKey kFirstOverlayKey = 512 * 256 + 1;
constexpr LayerKey kLargestKey = 0xFFFFFF;

bool IsPlacementKey(LayerKey key) { return (key >> 8) == kPlacementLayer; }

bool IsFree(const std::map<LayerKey, LayerInfo>& layers, LayerKey key) {
  return key <= kLargestKey && !IsPlacementKey(key) && layers.count(key) == 0;
}

// The first free key from key on; 0 when there is none up to the largest key.
LayerKey FirstFreeFrom(const std::map<LayerKey, LayerInfo>& layers, LayerKey key) {
  for (; key <= kLargestKey; ++key) {
    if (IsPlacementKey(key)) key = (kPlacementLayer + 1) << 8;
    if (IsFree(layers, key)) return key;
  }
  return 0;
}

void SaveIntoLayer(RingSet& rings, LayerKey key, Library& library, Cell& shown) {
  if (!shown.loaded) library.LoadCell(shown, true);
  rings.NormalizeOrientation();
  const Box before = shown.box;
  shown.AddRingSet(rings, key, true);
  library.NoteCellEdited(shown, before);
}

void AddOverlay(RingSet& rings, Library& library, OverlayData& overlay) {
  const LayerKey key = OverlayLayerKey(library.layerMap);
  overlay.cell.AddRingSet(rings, key, true);
  LayerInfo info;
  info.key = key;
  library.layerMap.emplace(key, info);
  overlay.addedKeys.push_back(key);
}

}  // namespace

bool OverlayData::HasPolygons() const {
  for (const auto& layer : cell.shapes) {
    if (layer.second.Count() > 0) return true;
  }
  return false;
}

LayerKey OverlayLayerKey(const std::map<LayerKey, LayerInfo>& layers) {
  if (layers.empty()) return kFirstOverlayKey;
  const LayerKey largest = layers.rbegin()->first;
  const uint32_t layer = (largest >> 8) & 0xFFFF;
  LayerKey key = kFirstOverlayKey;
  if (static_cast<int16_t>(layer) >= 512) key = MakeLayerKey(layer, ((largest & 0xFF) + 1) & 0xFF);
  if (IsFree(layers, key)) return key;
  if (LayerKey above = FirstFreeFrom(layers, largest + 1)) return above;
  return FirstFreeFrom(layers, kFirstOverlayKey);
}

std::vector<std::string> LayerChoiceItems(const std::map<LayerKey, LayerInfo>& layers) {
  std::vector<std::string> items;
  items.reserve(layers.size());
  for (const auto& [key, info] : layers) {
    if (!info.layerName.empty()) {
      items.push_back(info.layerName + "  " + info.datatypeName);
      continue;
    }
    char text[16];
    std::snprintf(text, sizeof text, "%03u %03u", (key >> 8) & 0xFF, key & 0xFF);
    items.push_back(text);
  }
  return items;
}

bool LoadTextPolygons(const std::string& path, Library& library, Cell* shown, OverlayData& overlay,
                      CanvasPrompts& prompts) {
  RingSet rings;
  if (!ReadTextPolygons(rings, path, false)) {
    prompts.ShowMessage("The file reading failed", "Help");
    return false;
  }
  rings.RemoveCollinearVertices(0);
  if (rings.IsEmpty()) return true;
  int chosen = -1;
  if (shown && !library.layerMap.empty()) {
    chosen = prompts.AskChoice("Select layer to save into or 'Cancel' to read as pure poly", "Save into",
                               LayerChoiceItems(library.layerMap));
  }
  if (chosen >= 0 && chosen < int(library.layerMap.size())) {
    SaveIntoLayer(rings, std::next(library.layerMap.begin(), chosen)->first, library, *shown);
  } else {
    AddOverlay(rings, library, overlay);
  }
  return true;
}

bool RemoveTextPolygons(Library& library, OverlayData& overlay) {
  if (!overlay.HasPolygons() && overlay.addedKeys.empty()) return false;
  overlay.cell.Clear();
  overlay.cell.box = Box();
  for (LayerKey key : overlay.addedKeys) library.layerMap.erase(key);
  overlay.addedKeys.clear();
  return true;
}
