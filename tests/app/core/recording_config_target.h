#pragma once

// A configuration target that records what a file does into a snapshot of its own, over the
// layer table that the test gives it; paths name existing files only when listed in existing.
#include <set>
#include <string>
#include <vector>

#include "app/core/config_file.h"

class RecordingConfigTarget : public ConfigTarget {
 public:
  struct Binding {
    int id;
    uint16_t binding;
    std::string label;
    bool operator==(const Binding& o) const { return id == o.id && binding == o.binding && label == o.label; }
  };

  void ReadCriticality(const std::string& path) override {
    snapshot.criticalityPath = path;
    calls.push_back("criticality " + path);
  }
  void ReadLayerMap(const std::string& path) override {
    snapshot.layerMapPath = path;
    calls.push_back("layermap " + path);
  }
  bool FileExists(const std::string& path) override { return existing.count(path) != 0; }
  void SetDepth(int32_t depth) override { snapshot.depth = depth; }
  void SetCellSize(int32_t size) override { snapshot.cellSize = size; }
  void ShowDisplay(ConfigDisplay display) override {
    (display == ConfigDisplay::kGrids   ? snapshot.showGrids
     : display == ConfigDisplay::kNames ? snapshot.showNames
     : display == ConfigDisplay::kTexts ? snapshot.showTexts
                                        : snapshot.showOutlines) = true;
  }
  void SetFrameColour(FrameColour which, const ConfigColour& colour) override {
    (which == FrameColour::kBackground          ? snapshot.background
     : which == FrameColour::kInstanceHighlight ? snapshot.instanceHighlight
                                                : snapshot.geometryHighlight) = colour;
  }
  std::map<LayerKey, LayerInfo>& Layers() override { return snapshot.layers; }
  void BindKey(int id, uint16_t binding, const std::string& label) override {
    bindings.push_back({id, binding, label});
  }
  void AddLayer(LayerKey key, uint32_t colour = 0, uint32_t style = 0) {
    LayerInfo& info = snapshot.layers[key];
    info.key = key;
    info.colour = colour;
    info.brushStyle = style;
  }

  ConfigSnapshot snapshot;
  std::set<std::string> existing;
  std::vector<std::string> calls;
  std::vector<Binding> bindings;
};
