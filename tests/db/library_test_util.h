#pragma once

// Helpers for tests of libraries: a scratch directory, cells built in code, and a canonical
// dump of a library's contents that two libraries can be compared by.

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "db/cell.h"
#include "db/db_polygon.h"
#include "db/library.h"
#include "db/poly/ring_set.h"
#include "db/trans.h"
#include "tests/db/poly/ring_test_util.h"

namespace libtest {

using Bytes = std::vector<uint8_t>;

// A fresh directory under the system's temp directory, removed with its contents at the end.
class TempDir {
 public:
  TempDir() {
    static std::atomic<int> serial{0};
    path_ = std::filesystem::temp_directory_path() /
            ("korvane_lib_" + std::to_string(::getpid()) + "_" + std::to_string(serial++));
    std::filesystem::remove_all(path_);
    std::filesystem::create_directories(path_);
  }
  ~TempDir() { std::filesystem::remove_all(path_); }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  std::string Path() const { return path_.string(); }
  std::string File(const std::string& name) const { return (path_ / name).string(); }

 private:
  std::filesystem::path path_;
};

inline Bytes ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

inline void WriteBytes(const std::string& path, const Bytes& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

// One shape group on key: the ring (given relative to (0, 0)) placed at every position. The
// cell's box grows to cover each copy; with index, each copy is entered in the layer's index as
// an edit of a loaded cell would.
inline void AddShape(Cell& cell, LayerKey key, const ringtest::Ring& ring, const std::vector<Point>& positions,
                     bool index = false) {
  RingSet set;
  ringtest::AddRing(set, ring);
  const RingVertex* origin = nullptr;
  DBPolygonPtr record = DBPolygon::Compress(set, origin);
  Box shape;
  record->GetBox(shape);
  ShapeGroup* group = cell.GetShapeGroups(key).Append(std::move(record));
  for (const Point& p : positions) {
    ShapePosition* position = group->AppendPosition(p.x + origin->x, p.y + origin->y);
    Box placed(shape.x1 + position->x, shape.y1 + position->y, shape.x2 + position->x, shape.y2 + position->y);
    cell.box.ExtendBox(placed);
    if (index) cell.GetLayer(key, cell.box).index.Insert(placed, position);
  }
}

inline SRef* Single(uint32_t id, int32_t x, int32_t y, uint8_t code = 0, float magnification = 1.0f) {
  SRef* ref = new SRef();
  ref->cellWord = id;
  ref->x = x;
  ref->y = y;
  ref->orientation = code;
  ref->magnification = magnification;
  return ref;
}

inline ARef* Array(uint32_t id, int32_t x, int32_t y, int16_t columns, int16_t rows, int32_t columnPitch,
                   int32_t rowPitch, uint8_t code = 0, float magnification = 1.0f) {
  ARef* ref = new ARef();
  ref->cellWord = id | kArrayBit;
  ref->x = x;
  ref->y = y;
  ref->orientation = code;
  ref->magnification = magnification;
  ref->columns = columns;
  ref->rows = rows;
  ref->columnPitch = columnPitch;
  ref->rowPitch = rowPitch;
  return ref;
}

// Places ref in parent and grows the parent's box by the placed box.
inline void Place(Library& lib, uint32_t parent, SRef* ref) {
  Cell& cell = *lib.cells[parent];
  const Box& childBox = lib.cells[ref->CellId()]->box;
  Box placed;
  ref->GetBox(placed, childBox);
  cell.AddPlacement(ref, childBox);
  if (placed.x1 <= placed.x2) {
    cell.box.Extend(placed.x1, placed.y1);
    cell.box.Extend(placed.x2, placed.y2);
  }
}

inline std::string Describe(const SRef& ref) {
  std::ostringstream out;
  out << "ref " << ref.CellId() << " at " << ref.x << "," << ref.y << " code " << int(ref.orientation) << " mag "
      << ref.magnification;
  if (ref.IsArray()) {
    const ARef& a = static_cast<const ARef&>(ref);
    out << " array " << a.columns << "x" << a.rows << " pitch " << a.columnPitch << "," << a.rowPitch;
  }
  return out.str();
}

// Everything a cell holds, in an order that does not depend on how it was built or stored:
// name, box, every shape decoded at each position, texts with their strings, placements, and
// how many entries each non-empty layer index holds.
inline std::string DumpCell(const Library& lib, const Cell& cell) {
  std::vector<std::string> lines;
  for (const auto& layer : cell.shapes) {
    for (ShapeGroup* g = layer.second.Head(); g; g = g->next) {
      for (ShapePosition* p = g->firstPosition; p; p = p->next) {
        RingSet rings;
        g->record->ToRing(rings, Point(p->x, p->y));
        std::ostringstream out;
        out << "shape " << layer.first << ":";
        for (const Point& v : ringtest::RingFrom(rings.Head())) out << " " << v.x << "," << v.y;
        lines.push_back(out.str());
      }
    }
  }
  for (ListNode* node = cell.texts.Head(); node; node = node->next) {
    const TextItem* t = static_cast<const TextItem*>(node->item);
    lines.push_back("text " + std::to_string(t->key) + " " + std::to_string(t->x) + "," + std::to_string(t->y) + " '" +
                    lib.TextString(t->textId) + "'");
  }
  for (const auto& layer : cell.layers) {
    // An index without entries is no content: a placement section of dropped placements
    // leaves one behind.
    if (layer.second.Count() == 0) continue;
    lines.push_back("index " + std::to_string(layer.first) + " count " + std::to_string(layer.second.Count()));
    if (layer.first != kPlacementKey) continue;
    for (SpatialNode* e = layer.second.index.FirstLeaf(); e; e = layer.second.index.NextLeaf(e)) {
      lines.push_back(Describe(*static_cast<const SRef*>(e->payload)));
    }
  }
  std::sort(lines.begin(), lines.end());
  std::ostringstream out;
  const Box& b = cell.box;
  out << "cell '" << cell.Name() << "' box " << b.x1 << "," << b.y1 << "," << b.x2 << "," << b.y2 << "\n";
  for (const std::string& line : lines) out << "  " << line << "\n";
  return out.str();
}

// Loads every cell (indexed) and dumps them in id order.
inline std::string DumpLibrary(Library& lib) {
  std::string out;
  for (auto& cell : lib.cells) {
    if (!cell) continue;
    lib.LoadCell(*cell, true);
    out += DumpCell(lib, *cell);
  }
  return out;
}

// Indexes every layer of a cell built in code, as loading does.
inline void IndexShapes(Cell& cell) {
  for (auto& layer : cell.shapes) {
    LayerRecord& record = cell.GetLayer(layer.first, cell.box);
    for (ShapeGroup* g = layer.second.Head(); g; g = g->next) {
      Box shape;
      g->record->GetBox(shape);
      for (ShapePosition* p = g->firstPosition; p; p = p->next) {
        record.index.Insert(Box(shape.x1 + p->x, shape.y1 + p->y, shape.x2 + p->x, shape.y2 + p->y), p);
      }
    }
  }
  for (ListNode* node = cell.texts.Head(); node; node = node->next) {
    TextItem* t = static_cast<TextItem*>(node->item);
    cell.GetLayer(t->key, cell.box).index.Insert(Box(t->x, t->y, t->x, t->y), t);
  }
}

// A library with every kind of content: shape groups of every record kind with several
// positions, a cell of texts only (a line box), and placements single, magnified and arrayed
// in all eight orientations, over three levels. Every cell is flagged modified.
inline void BuildSampleLibrary(Library& lib) {
  lib.name = "sample";
  uint32_t leaf = lib.CreateCell("leaf");
  uint32_t label = lib.CreateCell("label");
  uint32_t mid = lib.CreateCell("mid");
  uint32_t top = lib.CreateCell("top");
  Cell& leafCell = *lib.cells[leaf];
  AddShape(leafCell, MakeLayerKey(1, 0), {{0, 0}, {10, 0}, {10, 10}, {0, 10}}, {{0, 0}, {20, 0}, {40, 5}});
  AddShape(leafCell, MakeLayerKey(1, 0), {{0, 0}, {30, 0}, {30, 5}, {0, 5}}, {{-5, -7}});
  AddShape(leafCell, MakeLayerKey(2, 5), {{0, 0}, {20, 0}, {20, 10}, {10, 10}, {10, 20}, {0, 20}}, {{100, 100}});
  AddShape(leafCell, MakeLayerKey(3, 0), {{10, 0}, {20, 0}, {30, 10}, {30, 20}, {20, 30}, {10, 30}, {0, 20}, {0, 10}},
           {{-50, 0}, {-50, 40}});
  AddShape(leafCell, MakeLayerKey(600, 1), {{0, 0}, {17, 3}, {5, 11}}, {{7, 7}});
  leafCell.AddText(MakeLayerKey(4, 2), lib.AddString("pin A"), 5, 5, false);
  Cell& labelCell = *lib.cells[label];
  labelCell.AddText(MakeLayerKey(10, 2), lib.AddString("VDD"), 0, 0, false);
  labelCell.AddText(MakeLayerKey(10, 2), lib.AddString("GND"), 0, 40, false);
  Cell& midCell = *lib.cells[mid];
  AddShape(midCell, MakeLayerKey(1, 0), {{0, 0}, {8, 0}, {8, 8}, {0, 8}}, {{1000, 1000}});
  for (uint8_t code = 0; code < 8; ++code) Place(lib, mid, Single(leaf, 200 * code, -300, code));
  Place(lib, mid, Single(leaf, 5000, 5000, 6, 2.0f));
  Place(lib, mid, Single(label, -77, 33));
  Place(lib, mid, Array(leaf, 0, 2000, 3, 2, 150, 170, 1));
  Cell& topCell = *lib.cells[top];
  for (uint8_t code = 0; code < 8; ++code) {
    Place(lib, top, Array(mid, -100000 * code, 7, 2, 3, 9000, 11000, code, 0.5f));
  }
  Place(lib, top, Single(mid, 123456, -654321, 5));
  Place(lib, top, Single(label, 1, 1, 3, 3.0f));
  topCell.AddText(MakeLayerKey(63, 255), lib.AddString("top level"), -20, 10, false);
  for (uint32_t id : {leaf, label, mid, top}) {
    IndexShapes(*lib.cells[id]);
    lib.cells[id]->flags |= kCellModified;
  }
  lib.roots = {top};
  lib.depth = 2;
  for (LayerKey key : {MakeLayerKey(1, 0), MakeLayerKey(2, 5), MakeLayerKey(3, 0), MakeLayerKey(4, 2)}) {
    lib.layerMap[key].key = key;
  }
  lib.flags |= kLibCellsChanged | kLibInfoDirty | kLibNamesDirty | kLibTextsDirty;
}

// The sample library, saved into directory.
inline void SaveSampleLibrary(const std::string& directory) {
  Library lib(directory, false);
  BuildSampleLibrary(lib);
  lib.Save();
}

// Cell 0 places cell 7 twice, cell 1 places it magnified; cell 7 holds one text; cells 2 to 6
// are ids without contents.
inline void BuildGoldenLibrary(Library& lib) {
  for (int i = 0; i < 8; ++i) lib.CreateCell("c" + std::to_string(i));
  for (int i = 0; i < 5; ++i) lib.AddString("s" + std::to_string(i));
  lib.cells[7]->AddText(MakeLayerKey(3, 2), 4, -5, 7, true);
  Place(lib, 0, Single(7, 100, 0));
  Place(lib, 0, Single(7, 150, 20));
  Place(lib, 1, Single(7, 0, 0, 6, 2.0f));
  for (int id : {0, 1, 7}) lib.cells[size_t(id)]->flags |= kCellModified;
  for (uint32_t layer : {5u, 600u, 7u}) lib.layerMap[MakeLayerKey(layer, 0)].key = MakeLayerKey(layer, 0);
  lib.flags |= kLibCellsChanged | kLibNamesDirty | kLibTextsDirty;
}

}  // namespace libtest
