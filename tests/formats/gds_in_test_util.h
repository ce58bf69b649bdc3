#pragma once

// Helpers for the GDSII reader tests: an import of bytes built in the test into a fresh
// library, its log, and a canonical dump of the library read back from disk (cells by name,
// per layer the sorted vertex lists, texts, placements by the placed cell's name).

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "db/cell.h"
#include "db/error.h"
#include "db/library.h"
#include "db/poly/ring_set.h"
#include "formats/gds_in.h"
#include "tests/db/library_test_util.h"
#include "tests/formats/gds_builder.h"

namespace gdstest {

// The result of one import: the log, and the Error message when it failed ("" when not).
struct Import {
  std::string log;
  std::string error;
};

// Imports bytes (written gzip-compressed when gzip) into a new library in dir/lib.
inline Import RunImport(const libtest::TempDir& dir, const GdsBuilder::Bytes& bytes, bool gzip = false,
                        const GdsInSettings& settings = GdsInSettings()) {
  std::string file = dir.File(gzip ? "in.gds.gz" : "in.gds");
  std::string libDir = dir.File("lib");
  std::filesystem::remove_all(libDir);
  std::filesystem::create_directories(libDir);
  GdsBuilder().Raw(bytes).WriteTo(file, gzip);
  Import result;
  testing::internal::CaptureStdout();
  try {
    GdsIn in(file.c_str(), gzip, settings);
    Library lib(libDir, false);
    in.ReadLibrary(lib);
  } catch (const Error& e) {
    result.error = e.Message();
    EXPECT_STREQ(e.Tag(), "GDSIN") << e.Message();
  }
  result.log = testing::internal::GetCapturedStdout();
  return result;
}

inline int CountOf(const std::string& text, const std::string& part) {
  int n = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
  return n;
}

// The placements of a loaded cell.
inline std::vector<const SRef*> Placements(Cell& cell) {
  std::vector<const SRef*> out;
  if (LayerRecord* record = cell.HasReferences()) {
    for (SpatialNode* e = record->index.FirstLeaf(); e; e = record->index.NextLeaf(e)) {
      out.push_back(static_cast<const SRef*>(e->payload));
    }
  }
  return out;
}

inline std::string RingText(const RingVertex* start) {
  std::ostringstream out;
  const RingVertex* v = start;
  do {
    out << " " << v->x << "," << v->y;
    v = v->ringNext;
  } while (v != start);
  return out.str();
}

// Every cell of the library in dir/lib, by name, loaded from disk.
inline std::string DumpLibrary(const std::string& libDir) {
  Library lib(libDir, false);
  lib.Open();
  std::map<std::string, std::string> cells;
  for (auto& slot : lib.cells) {
    if (!slot) continue;
    Cell& cell = *slot;
    lib.LoadCell(cell, true);
    std::vector<std::string> lines;
    for (const auto& layer : cell.shapes) {
      RingSet rings;
      layer.second.ToRings(rings);
      for (RingVertex* v = rings.Head(); v; v = v->next) v->flags = 0;
      for (RingVertex* v = rings.Head(); v; v = v->next) {
        if (v->flags) continue;
        const RingVertex* w = v;
        do {
          const_cast<RingVertex*>(w)->flags = 1;
          w = w->ringNext;
        } while (w != v);
        lines.push_back("shape " + std::to_string(layer.first >> 8) + "/" + std::to_string(layer.first & 0xff) + ":" +
                        RingText(v));
      }
    }
    for (ListNode* node = cell.texts.Head(); node; node = node->next) {
      const TextItem* t = static_cast<const TextItem*>(node->item);
      lines.push_back("text " + std::to_string(t->key >> 8) + "/" + std::to_string(t->key & 0xff) + " " +
                      std::to_string(t->x) + "," + std::to_string(t->y) + " '" + lib.TextString(t->textId) + "'");
    }
    for (const SRef* ref : Placements(cell)) {
      std::string line = libtest::Describe(*ref);
      line.replace(4, line.find(' ', 4) - 4, lib.cells[ref->CellId()]->Name());
      lines.push_back(line);
    }
    std::sort(lines.begin(), lines.end());
    std::string text;
    for (const std::string& line : lines) text += "  " + line + "\n";
    cells[cell.Name()] = text;
  }
  std::string out;
  for (const auto& cell : cells) out += "cell " + cell.first + "\n" + cell.second;
  return out;
}

// A small library of every element kind: boundaries, a path, texts, a node, a box, a property,
// single, magnified and arrayed placements.
inline GdsBuilder SampleLibrary() {
  GdsBuilder b;
  b.LibraryHeader();
  b.BeginStructure("LEAF");
  b.Boundary(1, 0, {{0, 0}, {100, 0}, {100, 50}, {0, 50}, {0, 0}});
  b.Boundary(2, 3, {{0, 0}, {60, 0}, {0, 60}, {0, 0}});
  b.Path(3, 0, 10, 2, {{0, 0}, {200, 0}, {200, 100}});
  b.Text(4, 1, {5, 5}, "pin");
  b.Record(gds::kNode, gds::kNoData).Int16(gds::kLayer, {5}).Int16(gds::kNodeType, {0});
  b.Xy({{1, 1}, {2, 2}}).Record(gds::kEndEl, gds::kNoData);
  b.Record(gds::kBox, gds::kNoData).Int16(gds::kLayer, {6}).Int16(gds::kBoxType, {0});
  b.Xy({{0, 0}, {9, 0}, {9, 9}, {0, 9}, {0, 0}});
  b.Int16(gds::kPropAttr, {1}).String(gds::kPropValue, "prop").Record(gds::kEndEl, gds::kNoData);
  b.EndStructure();
  b.BeginStructure("TOP");
  b.Sref("LEAF", {1000, 0});
  b.Sref("LEAF", {3000, 0}, GdsPlacement{true, 2, 90});
  b.Aref("LEAF", 3, 2, {0, 5000}, {900, 5000}, {0, 5600});
  b.Boundary(1, 0, {{-10, -10}, {10, -10}, {10, 10}, {-10, 10}, {-10, -10}});
  b.EndStructure();
  b.EndLibrary();
  return b;
}

}  // namespace gdstest
