// Reads arbitrary bytes as a layer map over a fixed layer table. The table keeps its keys, and
// every name is a non-empty word of valid UTF-8 (bytes that are not are taken as Latin-1).
#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>

#include "app/core/layer_map.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::map<LayerKey, LayerInfo> layers;
  for (LayerKey key : {MakeLayerKey(0, 0), MakeLayerKey(1, 0), MakeLayerKey(16, 0), MakeLayerKey(511, 255),
                       MakeLayerKey(65535, 255)}) {
    layers[key].key = key;
  }
  std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
  const int named = ReadLayerMap(in, layers);
  if (layers.size() != 5 || named < 0) std::abort();
  for (const auto& [key, info] : layers) {
    if (info.key != key || info.layerName.empty() != info.datatypeName.empty()) std::abort();
    for (const std::string* name : {&info.layerName, &info.datatypeName}) {
      if (Utf8OrLatin1(*name) != *name) std::abort();
      for (char c : *name) {
        if (std::isspace(static_cast<unsigned char>(c))) std::abort();
      }
    }
  }
  return 0;
}
