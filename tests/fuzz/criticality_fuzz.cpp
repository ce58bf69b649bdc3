// Reads arbitrary bytes as a criticality file. Every record kept is five numbers of the text,
// so there are at most (size + 1) / 10 of them; the scale only ever widens its starting values;
// every record has a colour; the boxes found in a window are those a scan finds.
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "canvas/view/criticality.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
  CriticalityData map;
  ReadCriticality(in, map);
  if (map.criticalityBoxes.size() * 10 > size + 1) std::abort();
  if (!(map.criticalityMin <= 1.0f) || !(map.criticalityMax >= 0.0f) || !map.criticalityShown) std::abort();
  // The first record's box as a window: the grid finds what a scan finds.
  if (!map.criticalityBoxes.empty()) {
    const Box window = CriticalityBoxBounds(map.criticalityBoxes.front());
    std::vector<uint32_t> scanned;
    for (uint32_t i = 0; i < map.criticalityBoxes.size(); ++i) {
      if (CriticalityBoxBounds(map.criticalityBoxes[i]).OverlapsStrict(window)) scanned.push_back(i);
    }
    if (CriticalityBoxesIn(map, window) != scanned) std::abort();
  }
  for (const CriticalityBox& box : map.criticalityBoxes) {
    if (!(box.value >= map.criticalityMin && box.value <= map.criticalityMax)) std::abort();
    const Rgb colour = CriticalityColour(box.value, map);
    if (colour.blue != 0 || (colour.red != 255 && colour.green != 255)) std::abort();
  }
  return 0;
}
