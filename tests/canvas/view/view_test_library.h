#pragma once

// The layout of the view command tests: TOP holds a 1/0 box and a 7/0 text and places LEAF
// twice (once turned by 90 degrees); LEAF holds one 7/0 box of 100 x 50; the second root OTHER
// holds the only 9/0 box.
#include <memory>
#include <string>

#include "canvas/jobs/library_jobs.h"
#include "canvas/view/opened_library.h"
#include "db/library.h"
#include "tests/db/library_test_util.h"
#include "tests/formats/gds_builder.h"

namespace viewtest {

constexpr LayerKey kLeafLayer = 7 << 8;

inline void WriteViewGds(const std::string& path) {
  GdsPlacement turned;
  turned.angle = 90;
  GdsBuilder()
      .LibraryHeader()
      .BeginStructure("LEAF")
      .Boundary(7, 0, {{0, 0}, {100, 0}, {100, 50}, {0, 50}, {0, 0}})
      .EndStructure()
      .BeginStructure("TOP")
      .Boundary(1, 0, {{0, 0}, {4000, 0}, {4000, 3000}, {0, 3000}, {0, 0}})
      .Text(7, 0, {300, 300}, "label")
      .Sref("LEAF", {1000, 500})
      .Sref("LEAF", {2000, 1000}, turned)
      .EndStructure()
      .BeginStructure("OTHER")
      .Boundary(9, 0, {{0, 0}, {10, 0}, {10, 10}, {0, 10}, {0, 0}})
      .EndStructure()
      .EndLibrary()
      .WriteTo(path);
}

// The layout imported into dir and opened afresh: its cells are on disk and unloaded.
inline std::unique_ptr<Library> OpenViewLibrary(const libtest::TempDir& dir) {
  WriteViewGds(dir.File("view.gds"));
  {
    Library imported(dir.File("view.db"), false);
    ImportLayout(LayoutFormat::kGds, dir.File("view.gds"), imported);
  }
  auto library = std::make_unique<Library>(dir.File("view.db"), false);
  library->Open();
  FinishLibraryOpen(*library);
  return library;
}

}  // namespace viewtest
