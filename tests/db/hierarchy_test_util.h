#pragma once

// Random hierarchies for the walk tests, and brute-force flattening to check the walks by:
// every shape of every instance, through every element of every array, with no culling.

#include <algorithm>
#include <map>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "db/cell_contents.h"
#include "db/library.h"
#include "db/poly/ring_set.h"
#include "tests/db/library_test_util.h"
#include "tests/db/poly/ring_test_util.h"

namespace hiertest {

using ringtest::Ring;

const LayerKey kLayers[] = {MakeLayerKey(1, 0), MakeLayerKey(2, 3), MakeLayerKey(600, 0)};

// A ring of one of the record kinds, coordinates in units of 8.
inline Ring RandomShape(std::mt19937& rng) {
  auto u = [&rng](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng) * 8; };
  int w = u(1, 12), h = u(1, 12);
  switch (std::uniform_int_distribution<int>(0, 4)(rng)) {
    case 0: return {{0, 0}, {w, 0}, {w, h}, {0, h}};
    case 1: return {{0, 0}, {w, 0}, {w, w}, {0, w}};
    case 2: return {{0, 0}, {2 * w, 0}, {2 * w, h}, {w, h}, {w, 2 * h}, {0, 2 * h}};
    case 3: return {{w, 0}, {2 * w, w}, {w, 2 * w}, {0, w}};
    default: return {{0, 0}, {w, u(1, 3)}, {u(-3, 3), h}};
  }
}

// Cells 0 to count - 1; cell 0 is the top and each cell places only cells of larger ids, so
// boxes are complete when placed. Offsets, pitches and vertices are multiples of 8, so that
// magnifications of 0.5 and 2 stay exact over the three levels of placements.
inline void BuildRandomLibrary(Library& lib, std::mt19937& rng, bool magnify, uint32_t count = 5) {
  auto u = [&rng](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
  for (uint32_t i = 0; i < count; ++i) lib.CreateCell("c" + std::to_string(i));
  for (uint32_t i = count; i-- > 0;) {
    Cell& cell = *lib.cells[i];
    for (int k = u(0, 3); k > 0; --k) {
      std::vector<Point> positions;
      for (int p = u(1, 3); p > 0; --p) positions.emplace_back(u(-40, 40) * 8, u(-40, 40) * 8);
      libtest::AddShape(cell, kLayers[u(0, 2)], RandomShape(rng), positions, true);
    }
    if (u(0, 3) == 0) cell.AddText(kLayers[u(0, 2)], lib.AddString("t"), u(-40, 40) * 8, u(-40, 40) * 8, true);
    if (i + 1 == count) continue;
    for (int k = u(0, 3); k > 0; --k) {
      uint32_t child = uint32_t(u(int(i) + 1, int(count) - 1));
      uint8_t code = uint8_t(u(0, 7));
      float mag = magnify ? std::vector<float>{1.0f, 1.0f, 2.0f, 0.5f}[size_t(u(0, 3))] : 1.0f;
      int32_t x = u(-100, 100) * 8, y = u(-100, 100) * 8;
      if (u(0, 1)) {
        libtest::Place(lib, i, libtest::Single(child, x, y, code, mag));
      } else {
        libtest::Place(
            lib, i,
            libtest::Array(child, x, y, int16_t(u(1, 4)), int16_t(u(1, 3)), u(-30, 30) * 8, u(-30, 30) * 8, code, mag));
      }
    }
  }
}

// A ring made counter-clockwise and started at its lowest-left vertex, with its layer.
inline std::string Canonical(LayerKey key, Ring ring) {
  if (ringtest::TwiceSignedArea(ring) < 0) std::reverse(ring.begin(), ring.end());
  auto lowest = std::min_element(ring.begin(), ring.end(),
                                 [](const Point& a, const Point& b) { return a.x < b.x || (a.x == b.x && a.y < b.y); });
  std::rotate(ring.begin(), lowest, ring.end());
  std::ostringstream out;
  out << key << ":";
  for (const Point& p : ring) out << " " << p.x << "," << p.y;
  return out.str();
}

inline std::vector<std::string> Canonical(const std::map<LayerKey, RingSet>& rings) {
  std::vector<std::string> out;
  for (const auto& layer : rings) {
    for (const Ring& ring : ringtest::ExtractRings(layer.second)) out.push_back(Canonical(layer.first, ring));
  }
  std::sort(out.begin(), out.end());
  return out;
}

// Calls visit(cell, trans) for every instance of every cell below id (id included), through
// every element of every array; placements of missing cells or cells with an empty box are
// passed over, as the walks do.
template <typename Visit>
void ForEachInstance(const Library& lib, uint32_t id, const Trans& trans, Visit visit) {
  const Cell& cell = *lib.cells[id];
  visit(id, cell, trans);
  const LayerRecord* placements = cell.HasReferences();
  if (!placements) return;
  for (SpatialNode* e = placements->index.FirstLeaf(); e; e = placements->index.NextLeaf(e)) {
    const SRef& ref = *static_cast<const SRef*>(e->payload);
    const Cell* child = lib.GetCell(ref.CellId());
    if (!child || child->box.IsEmpty()) continue;
    std::vector<Trans> elements;
    if (ref.IsArray()) {
      const ARef& array = static_cast<const ARef&>(ref);
      for (int32_t c = 0; c < array.columns; ++c) {
        for (int32_t r = 0; r < array.rows; ++r) {
          elements.emplace_back();
          array.ElementTrans(c, r, elements.back());
        }
      }
    } else {
      elements.push_back(ref);
    }
    for (Trans element : elements) {
      element.Compose(trans);
      ForEachInstance(lib, ref.CellId(), element, visit);
    }
  }
}

// What the flattening walk must give: every shape through its instance's transform, kept whole
// when inside clip, else cut to it, dropped unless it overlaps clip strictly.
inline std::vector<std::string> FlattenBruteForce(const Library& lib, uint32_t top, const Box& clip,
                                                  const std::set<LayerKey>& layers) {
  std::vector<std::string> out;
  ForEachInstance(lib, top, Trans(), [&](uint32_t, const Cell& cell, const Trans& trans) {
    for (const auto& layer : cell.shapes) {
      if (!AdmitsLayer(layers, layer.first)) continue;
      for (ShapeGroup* g = layer.second.Head(); g; g = g->next) {
        for (ShapePosition* p = g->firstPosition; p; p = p->next) {
          RingSet ring;
          g->record->ToRing(ring, Point(p->x, p->y));
          trans.ApplyToPoints(ring);
          Box box = ring.GetBoundingBox();
          if (!box.OverlapsStrict(clip)) continue;
          if (!clip.Contains(box)) {
            ring.NormalizeOrientation();
            ring.ClipToBox(clip, true);
          }
          for (const Ring& r : ringtest::ExtractRings(ring)) out.push_back(Canonical(layer.first, r));
        }
      }
    }
  });
  std::sort(out.begin(), out.end());
  return out;
}

inline Box RandomWindow(std::mt19937& rng, int reach) {
  std::uniform_int_distribution<int> d(-reach, reach);
  int x1 = d(rng), y1 = d(rng), x2 = d(rng), y2 = d(rng);
  return Box(std::min(x1, x2), std::min(y1, y2), std::max(x1, x2), std::max(y1, y2));
}

// Saves every cell of a library built in code and its index files.
inline void SaveAll(Library& lib) {
  lib.flags |= kLibCellsChanged | kLibNamesDirty | kLibTextsDirty;
  for (auto& cell : lib.cells) cell->flags |= kCellModified;
  lib.Save();
}

// The cells that have an instance whose box, in the top cell's coordinates, overlaps window
// strictly: the cells a walk of window must load, and the only ones.
inline std::set<uint32_t> CellsReached(const Library& lib, const Box& window) {
  std::set<uint32_t> reached{0};
  ForEachInstance(lib, 0, Trans(), [&](uint32_t id, const Cell& cell, const Trans& trans) {
    Box box = cell.box;
    trans.ApplyToBox(box);
    if (box.OverlapsStrict(window)) reached.insert(id);
  });
  return reached;
}

inline std::set<uint32_t> CellsLoaded(const Library& lib) {
  std::set<uint32_t> loaded;
  for (uint32_t id = 0; id < lib.cells.size(); ++id) {
    if (lib.cells[id]->loaded) loaded.insert(id);
  }
  return loaded;
}

}  // namespace hiertest
