// Reads arbitrary bytes as a configuration file into a recording target over a fixed layer
// table, then checks that what it read is a fixed point of the writer: writing it, reading that
// back into a fresh target and writing again gives the same text. The table keeps its keys.
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>

#include "app/core/config_file.h"
#include "tests/app/core/recording_config_target.h"

namespace {

std::string ReadAndWrite(const std::string& text) {
  std::istringstream in(text);
  RecordingConfigTarget target;
  for (LayerKey key : {MakeLayerKey(1, 0), MakeLayerKey(5, 2), MakeLayerKey(65535, 255)}) target.AddLayer(key);
  ConfigReader(in, target, [](const std::string&) {});
  if (target.snapshot.layers.size() != 3) std::abort();
  for (const RecordingConfigTarget::Binding& b : target.bindings) {
    if (b.id < 0 || b.id > 50 || b.label.empty()) std::abort();
  }
  return ConfigWriter(target.snapshot);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string written = ReadAndWrite(std::string(reinterpret_cast<const char*>(data), size));
  if (ReadAndWrite(written) != written) std::abort();
  return 0;
}
