#pragma once

// The first byte of an input of the GDSII library fuzz target, and of its seeds: bit 0 picks
// gzip, bit 1 small large-cell thresholds, so that the sub-cell paths are reached by small
// inputs. The rest of the input is the stream.
#include <cstdint>

#include "formats/gds_in.h"

namespace gdsseed {

struct Flags {
  bool gzip;
  GdsInSettings settings;
};

inline Flags FlagsOf(uint8_t first) {
  Flags flags{(first & 1) != 0, GdsInSettings()};
  if (first & 2) {
    flags.settings.storeThreshold = 16;
    flags.settings.tileSize = 500;
    flags.settings.dataFileRollOver = 200;
  }
  return flags;
}

}  // namespace gdsseed
