#pragma once

// A small GDSII layout for the tests of importing and opening: "TOP" holds a 1/0 box and places
// "LEAF", which holds a 5/2 box.
#include <string>

#include "tests/db/library_test_util.h"
#include "tests/formats/gds_builder.h"

namespace jobstest {

// Writes the layout to dir/chip.gds and gives its path.
inline std::string WriteChip(const libtest::TempDir& dir) {
  const std::string path = dir.File("chip.gds");
  GdsBuilder()
      .LibraryHeader()
      .BeginStructure("LEAF")
      .Boundary(5, 2, {{0, 0}, {10, 0}, {10, 10}, {0, 10}, {0, 0}})
      .EndStructure()
      .BeginStructure("TOP")
      .Boundary(1, 0, {{0, 0}, {400, 0}, {400, 300}, {0, 300}, {0, 0}})
      .Sref("LEAF", {50, 50})
      .EndStructure()
      .EndLibrary()
      .WriteTo(path);
  return path;
}

}  // namespace jobstest
