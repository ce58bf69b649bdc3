// Reads arbitrary bytes as a configuration file into a recording target over a fixed layer
// table, then checks that what it read is a fixed point of the writer: writing it, reading that
// back into a fresh target and writing again gives the same text. The table keeps its keys.
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>

#include "app/core/config_file.h"

namespace {

class SnapshotTarget : public ConfigTarget {
 public:
  SnapshotTarget() {
    for (LayerKey key : {MakeLayerKey(1, 0), MakeLayerKey(5, 2), MakeLayerKey(65535, 255)}) {
      snapshot.layers[key].key = key;
    }
  }
  void ReadCriticality(const std::string& path) override { snapshot.criticalityPath = path; }
  void ReadLayerMap(const std::string& path) override { snapshot.layerMapPath = path; }
  bool FileExists(const std::string& path) override { return path.size() % 2 == 0; }
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
  void BindKey(int id, uint16_t, const std::string& label) override {
    if (id < 0 || id > 50 || label.empty()) std::abort();
  }

  ConfigSnapshot snapshot;
};

std::string ReadAndWrite(const std::string& text) {
  std::istringstream in(text);
  SnapshotTarget target;
  ConfigReader(in, target, [](const std::string&) {});
  if (target.snapshot.layers.size() != 3) std::abort();
  return ConfigWriter(target.snapshot);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string written = ReadAndWrite(std::string(reinterpret_cast<const char*>(data), size));
  if (ReadAndWrite(written) != written) std::abort();
  return 0;
}
