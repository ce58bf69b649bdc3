#pragma once

// Reads OASIS files built in code into scratch libraries.
#include <memory>
#include <string>
#include <vector>

#include "db/error.h"
#include "db/library.h"
#include "formats/oasis_in.h"
#include "tests/db/library_test_util.h"
#include "tests/formats/oasis_builder.h"

namespace oasistest {

// Magic, then START: version "1.0", the unit (grid steps per micron) and the table offsets.
inline OasisBuilder Begin(uint64_t unit = 1000) {
  OasisBuilder b;
  for (char c : std::string("%SEMI-OASIS\r\n")) b.Raw({uint8_t(c)});
  b.Unsigned(1).String("1.0").Real(0, unit).Unsigned(0);
  for (int i = 0; i < 12; ++i) b.Unsigned(0);
  return b;
}

// END: padding string and validation scheme 0.
inline OasisBuilder& End(OasisBuilder& b) { return b.Unsigned(2).String("").Unsigned(0); }

// END padded to the 256 bytes of the standard, as strict readers want it.
inline OasisBuilder& EndPadded(OasisBuilder& b) { return b.Unsigned(2).String(std::string(252, '\0')).Unsigned(0); }

// A fresh library in a scratch directory, read from the bytes.
class ReadFile {
 public:
  explicit ReadFile(const OasisBuilder::Bytes& bytes, const OasisInSettings& settings = OasisInSettings())
      : reader(settings) {
    std::string path = dir.File("in.oas");
    libtest::WriteBytes(path, bytes);
    std::filesystem::create_directories(dir.File("lib"));
    lib = std::make_unique<Library>(dir.File("lib"), false);
    reader.ReadLibrary(path, *lib);
  }

  Cell& CellNamed(const std::string& name) {
    int32_t id = lib->FindIndex(name);
    if (id < 0) throw Error("TEST", "no cell " + name);
    Cell& cell = *lib->cells[uint32_t(id)];
    lib->LoadCell(cell, true);
    return cell;
  }

  // The placements of a cell, loaded.
  std::vector<const SRef*> Placements(const std::string& name) {
    std::vector<const SRef*> out;
    Cell& cell = CellNamed(name);
    if (LayerRecord* r = cell.HasReferences()) {
      for (SpatialNode* e = r->index.FirstLeaf(); e; e = r->index.NextLeaf(e)) {
        out.push_back(static_cast<const SRef*>(e->payload));
      }
    }
    return out;
  }

  // Every shape of a cell as its sorted vertex list.
  std::vector<std::vector<Point>> Shapes(const std::string& name) {
    std::vector<std::vector<Point>> out;
    Cell& cell = CellNamed(name);
    for (const auto& layer : cell.shapes) {
      for (ShapeGroup* g = layer.second.Head(); g; g = g->next) {
        for (ShapePosition* p = g->firstPosition; p; p = p->next) {
          RingSet rings;
          g->record->ToRing(rings, Point(p->x, p->y));
          std::vector<Point> ring = ringtest::RingFrom(rings.Head());
          std::sort(ring.begin(), ring.end(),
                    [](const Point& a, const Point& b) { return a.x < b.x || (a.x == b.x && a.y < b.y); });
          out.push_back(ring);
        }
      }
    }
    return out;
  }

  libtest::TempDir dir;
  OasisIn reader;
  std::unique_ptr<Library> lib;
};

// The message of the Error that reading the bytes throws, or "" when none.
inline std::string ReadError(const OasisBuilder::Bytes& bytes) {
  try {
    ReadFile file(bytes);
  } catch (const Error& e) {
    return e.Message();
  }
  return "";
}

}  // namespace oasistest
