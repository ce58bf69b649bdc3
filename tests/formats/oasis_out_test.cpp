#include "formats/oasis_out.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <map>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "db/binary_file.h"
#include "db/cell.h"
#include "db/db_polygon.h"
#include "db/disk_events.h"
#include "db/error.h"
#include "db/library.h"
#include "db/log.h"
#include "db/trans.h"
#include "formats/gds_in.h"
#include "formats/oasis_ctrapezoid.h"
#include "formats/oasis_in.h"
#include "tests/db/library_test_util.h"
#include "tests/formats/gds_in_test_util.h"

namespace {

using Bytes = std::vector<uint8_t>;

Bytes Concat(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

// A fresh library in a scratch directory, and the bytes that a writer puts into a file.
class Scratch {
 public:
  Scratch() {
    std::filesystem::create_directories(dir.File("lib"));
    lib = std::make_unique<Library>(dir.File("lib"), false);
  }

  Bytes Write(const std::function<void(OasisOut&)>& write) {
    std::string path = dir.File("out.oas");
    OasisOut out;
    out.OpenForWrite(path, *lib);
    out.referenceNumbers = {0, 1};
    write(out);
    out.Close();
    return libtest::ReadBytes(path);
  }

  libtest::TempDir dir;
  std::unique_ptr<Library> lib;
};

// A shape group stored as the library stores an imported ring (counter-clockwise from its
// lowest-left vertex), with further positions at the given offsets from the first.
const ShapeGroup* Stored(Cell& cell, LayerKey key, const ringtest::Ring& ring, const std::vector<Point>& more = {}) {
  RingSet set;
  ringtest::AddRing(set, ring);
  ShapeGroup* group;
  Box box;
  uint32_t count;
  cell.AddPolygon(set, key, group, box, count);
  Point origin(group->firstPosition->x, group->firstPosition->y);
  for (const Point& p : more) group->AppendPosition(origin.x + p.x, origin.y + p.y);
  return group;
}

TEST(OasisOut, EncodesPrimitivesAsTheStandardDoes) {
  Scratch s;
  EXPECT_EQ(s.Write([](OasisOut& o) { o.WriteReal(-3); }), Bytes({0x01, 0x03}));
  EXPECT_EQ(s.Write([](OasisOut& o) { o.WriteReal(-0.25); }), Bytes({0x03, 0x04}));
  EXPECT_EQ(s.Write([](OasisOut& o) { o.WriteReal(0.5); }), Bytes({0x02, 0x02}));
  EXPECT_EQ(s.Write([](OasisOut& o) { o.WriteReal(1.5); }), Bytes({0x07, 0, 0, 0, 0, 0, 0, 0xF8, 0x3F}));
  // Beyond the unsigned writer's range: the IEEE form, never a truncated integer.
  EXPECT_EQ(s.Write([](OasisOut& o) { o.WriteReal(1e30); }).front(), 0x07);
  // A tiny magnification is not rounded to 0: it comes back as itself.
  EXPECT_EQ(s.Write([](OasisOut& o) { o.WriteReal(2.5e-29); }),
            Bytes({0x07, 0x19, 0x60, 0x50, 0xbe, 0xf6, 0xb0, 0xff, 0x39}));
  EXPECT_EQ(s.Write([](OasisOut& o) { o.WriteReal(0); }), Bytes({0x00, 0x00}));
  EXPECT_EQ(s.Write([](OasisOut& o) { o.WriteGDelta(3, 4); }), Bytes({0x0D, 0x08}));
  EXPECT_EQ(s.Write([](OasisOut& o) { o.WriteGDelta(-5, 0); }), Bytes({0x54}));
  EXPECT_EQ(s.Write([](OasisOut& o) { o.Write3Delta(0, -7); }), Bytes({0x3B}));
  // 64-bit magnitudes: a step of 2^31 east, and a signed value beyond 32 bits.
  EXPECT_EQ(s.Write([](OasisOut& o) { o.WriteGDelta(int64_t(1) << 31, 0); }),
            Bytes({0x80, 0x80, 0x80, 0x80, 0x80, 0x01}));
  EXPECT_EQ(s.Write([](OasisOut& o) { o.WriteSigned(-(int64_t(1) << 32)); }), Bytes({0x81, 0x80, 0x80, 0x80, 0x20}));
}

TEST(OasisOut, WritesStartWithUnitAndEndOf256Bytes) {
  Scratch s;
  Bytes magic = {'%', 'S', 'E', 'M', 'I', '-', 'O', 'A', 'S', 'I', 'S', '\r', '\n'};
  EXPECT_EQ(s.Write([](OasisOut& o) { o.WriteStart(); }),
            Concat({magic, {0x01, 0x03, 0x31, 0x2E, 0x30, 0x00, 0xE8, 0x07, 0x01}}));
  s.lib->dbUnit = 1e-10;
  EXPECT_EQ(s.Write([](OasisOut& o) { o.WriteStart(); }),
            Concat({magic, {0x01, 0x03, 0x31, 0x2E, 0x30, 0x00, 0x90, 0x4E, 0x01}}));
  Bytes end = s.Write([](OasisOut& o) { o.WriteEnd(); });
  Bytes expected = Concat({{0x02}, Bytes(12, 0x00), {0xF0, 0x01}, Bytes(240, ' '), {0x00}});
  EXPECT_EQ(expected.size(), 256u);
  EXPECT_EQ(end, expected);
}

struct ShapeCase {
  const char* what;
  ringtest::Ring ring;
  Bytes bytes;
};

TEST(OasisOut, ChoosesTheRecordForEachShape) {
  const ShapeCase cases[] = {
      {"rectangle", {{0, 0}, {30, 0}, {30, 5}, {0, 5}}, {0x14, 0x63, 0x01, 0x00, 0x1E, 0x05}},
      {"square", {{0, 0}, {10, 0}, {10, 10}, {0, 10}}, {0x14, 0xC3, 0x01, 0x00, 0x0A}},
      {"ctrapezoid triangle 16", {{0, 0}, {10, 0}, {0, 10}}, {0x1A, 0xC3, 0x01, 0x00, 0x10, 0x0A}},
      {"ctrapezoid triangle 21 placed at y - h", {{0, 10}, {10, 0}, {20, 10}}, {0x1A, 0xA3, 0x01, 0x00, 0x15, 0x0A}},
      {"ctrapezoid 0", {{0, 0}, {30, 0}, {20, 10}, {0, 10}}, {0x1A, 0xE3, 0x01, 0x00, 0x00, 0x1E, 0x0A}},
      {"trapezoid 24", {{0, 0}, {100, 0}, {100, 50}, {20, 50}}, {0x18, 0x63, 0x01, 0x00, 0x64, 0x32, 0x28}},
      {"vertical trapezoid 23", {{0, 0}, {10, 5}, {10, 25}, {0, 30}}, {0x17, 0xE3, 0x01, 0x00, 0x0A, 0x1E, 0x0B, 0x0A}},
      {"manhattan polygon",
       {{0, 0}, {20, 0}, {20, 10}, {10, 10}, {10, 20}, {0, 20}},
       {0x15, 0x23, 0x01, 0x00, 0x00, 0x04, 0x28, 0x14, 0x15, 0x14}},
      {"octagon",
       {{10, 0}, {20, 0}, {30, 10}, {30, 20}, {20, 30}, {10, 30}, {0, 20}, {0, 10}},
       {0x15, 0x2B, 0x01, 0x00, 0x03, 0x07, 0x57, 0x50, 0x54, 0x51, 0x55, 0x52, 0x56, 0x14}},
      {"general polygon", {{0, 0}, {17, 3}, {5, 11}}, {0x15, 0x23, 0x01, 0x00, 0x04, 0x02, 0x45, 0x06, 0x33, 0x10}},
  };
  for (const ShapeCase& c : cases) {
    Scratch s;
    Cell cell;
    const ShapeGroup* group = Stored(cell, MakeLayerKey(1, 0), c.ring);
    EXPECT_EQ(s.Write([&](OasisOut& o) { o.WriteShapeGroup(*group, 1, 0, false); }), c.bytes) << c.what;
  }
}

TEST(OasisOut, NormalisesRectanglesWithNegativeSides) {
  // A rectangle record of width -30 (as older data may hold) placed at (100, 0) covers 70..100.
  Scratch s;
  {
    BinaryFile file;
    ASSERT_TRUE(file.Open(s.dir.File("record"), true, false));
    file.Write4(uint32_t(4));
    file.WriteSignedChained(-30);
    file.WriteSignedChained(5);
    file.Close();
  }
  BinaryFile file;
  ASSERT_TRUE(file.Open(s.dir.File("record"), false, false));
  Cell cell;
  ShapeGroup* group = cell.GetShapeGroups(MakeLayerKey(1, 0)).Append(DBPolygon::Read(file));
  group->AppendPosition(100, 0);
  EXPECT_EQ(s.Write([&](OasisOut& o) { o.WriteShapeGroup(*group, 1, 0, false); }),
            Bytes({0x14, 0x73, 0x01, 0x00, 0x1E, 0x05, 0x8C, 0x01}));
}

TEST(OasisOut, WritesCrossedQuadrilateralsAsPolygons) {
  // Two horizontal edges, but crossed: a trapezoid or ctrapezoid would give another shape.
  for (const ringtest::Ring& ring :
       {ringtest::Ring{{0, 0}, {10, 0}, {2, 10}, {12, 10}}, ringtest::Ring{{0, 0}, {10, 0}, {0, 10}, {10, 10}}}) {
    Scratch s;
    Cell cell;
    RingSet set;
    ringtest::AddRing(set, ring);
    const RingVertex* origin = nullptr;
    ShapeGroup* group = cell.GetShapeGroups(MakeLayerKey(1, 0)).Append(DBPolygon::Compress(set, origin));
    group->AppendPosition(origin->x, origin->y);
    EXPECT_EQ(s.Write([&](OasisOut& o) { o.WriteShapeGroup(*group, 1, 0, false); }).front(), 0x15);
  }
}

TEST(OasisOut, LeavesOutFieldsThatRepeatTheModalValues) {
  Scratch s;
  s.lib->AddString("pin");
  Cell cell;
  const ShapeGroup* square = Stored(cell, MakeLayerKey(1, 0), {{0, 0}, {10, 0}, {10, 10}, {0, 10}});
  const ShapeGroup* moved = Stored(cell, MakeLayerKey(1, 0), {{20, 0}, {30, 0}, {30, 10}, {20, 10}});
  const ShapeGroup* tall = Stored(cell, MakeLayerKey(1, 0), {{20, 0}, {30, 0}, {30, 20}, {20, 20}});
  Bytes bytes = s.Write([&](OasisOut& o) {
    o.WriteShapeGroup(*square, 1, 0, false);
    o.WriteShapeGroup(*moved, 1, 0, false);
    o.WriteShapeGroup(*tall, 1, 0, false);
    o.WriteShapeGroup(*tall, 2, 0, false);
    o.WriteText(4, 2, 5, 5, 0);
    o.WriteText(4, 2, 5, 9, 0);
  });
  EXPECT_EQ(bytes, Bytes({0x14, 0xC3, 0x01, 0x00, 0x0A, 0x14, 0x90, 0x28, 0x14, 0x20, 0x14, 0x14, 0x01,
                          0x02, 0x13, 0x7B, 0x00, 0x04, 0x02, 0x0A, 0x0A, 0x13, 0x68, 0x00, 0x12}));
}

TEST(OasisOut, WritesGroupPositionsAsOneRepetition) {
  Scratch s;
  Cell cell;
  const ShapeGroup* group = Stored(cell, MakeLayerKey(1, 0), {{0, 0}, {10, 0}, {10, 10}, {0, 10}}, {{10, 0}, {10, 5}});
  EXPECT_EQ(s.Write([&](OasisOut& o) { o.WriteShapeGroup(*group, 1, 0, false); }),
            Bytes({0x14, 0xC7, 0x01, 0x00, 0x0A, 0x0A, 0x01, 0xA0, 0x01, 0x52}));
  EXPECT_EQ(s.Write([&](OasisOut& o) { o.WriteShapeGroup(*group, 1, 0, true); }),
            Bytes({0x14, 0xC3, 0x01, 0x00, 0x0A}));
}

TEST(OasisOut, TextWithUnknownStringIsAnError) {
  Scratch s;
  s.lib->AddString("pin");
  try {
    s.Write([](OasisOut& o) { o.WriteText(1, 0, 0, 0, 1); });
    FAIL() << "no error";
  } catch (const Error& e) {
    EXPECT_STREQ(e.Tag(), "LIBIN");
  }
}

struct PlacementCase {
  const char* what;
  SRef* ref;
  Bytes bytes;
};

TEST(OasisOut, EncodesPlacementsAndArrayRepetitions) {
  using libtest::Array;
  using libtest::Single;
  const PlacementCase cases[] = {
      {"code 7", Single(0, 0, 0, 7), {0x11, 0xC3, 0x00}},
      {"magnified, code 6", Single(0, 0, 0, 6, 2.0f), {0x12, 0xC5, 0x00, 0x00, 0x02}},
      {"magnified, code 1, moved", Single(1, 5, -3, 1, 0.5f), {0x12, 0xF6, 0x01, 0x02, 0x02, 0x00, 0x5A, 0x0A, 0x07}},
      {"matrix, code 1",
       Array(0, 0, 0, 3, 2, 150, 170, 1),
       {0x11, 0xCA, 0x00, 0x01, 0x00, 0x01, 0x96, 0x01, 0xAA, 0x01}},
      {"column", Array(0, 0, 0, 1, 5, 0, 7), {0x11, 0xC8, 0x00, 0x03, 0x03, 0x07}},
      {"row, negative row pitch unused", Array(0, 0, 0, 4, 1, 10, -7), {0x11, 0xC8, 0x00, 0x02, 0x02, 0x0A}},
      {"negative column pitch",
       Array(0, 0, 0, 3, 2, -150, 170),
       {0x11, 0xC8, 0x00, 0x08, 0x01, 0x00, 0xE4, 0x12, 0xA2, 0x15}},
      {"negative row of one", Array(0, 0, 0, 4, 1, -10, 0), {0x11, 0xC8, 0x00, 0x09, 0x02, 0xA4, 0x01}},
      {"negative, code 3",
       Array(0, 0, 0, 2, 3, -20, 30, 3),
       {0x11, 0xCE, 0x00, 0x08, 0x01, 0x00, 0xC4, 0x02, 0xE2, 0x03}},
  };
  for (const PlacementCase& c : cases) {
    Scratch s;
    std::unique_ptr<SRef> owned(c.ref);
    Bytes bytes = s.Write([&](OasisOut& o) {
      if (c.ref->IsArray()) {
        o.WriteArrayPlacement(static_cast<const ARef&>(*c.ref));
      } else {
        o.WritePlacement(*c.ref);
      }
    });
    EXPECT_EQ(bytes, c.bytes) << c.what;
  }
}

TEST(OasisOut, TrimsArraysToTheWindow) {
  Scratch s;
  Library& lib = *s.lib;
  uint32_t leaf = lib.CreateCell("leaf");
  uint32_t top = lib.CreateCell("top");
  lib.cells[leaf]->AddBox(Box(0, 0, 10, 10), MakeLayerKey(1, 0));
  lib.cells[leaf]->flags |= kCellModified;
  libtest::Place(lib, top, libtest::Array(leaf, 0, 0, 10, 1, 100, 0));
  Cell& cell = *lib.cells[top];
  EXPECT_EQ(s.Write([&](OasisOut& o) { o.WriteCellWindow(cell, Box(300, -5, 520, 15), {}, nullptr); }),
            Bytes({0x11, 0xE8, 0x00, 0xD8, 0x04, 0x02, 0x01, 0x64}));
  EXPECT_EQ(s.Write([&](OasisOut& o) { o.WriteCellWindow(cell, Box(405, -5, 415, 15), {}, nullptr); }),
            Bytes({0x11, 0xE0, 0x00, 0xA0, 0x06}));
  // A placement of a cell that is not written is left out.
  EXPECT_EQ(s.Write([&](OasisOut& o) {
    o.referenceNumbers = {-1, 0};
    o.WriteCellWindow(cell, Box(405, -5, 415, 15), {}, nullptr);
  }),
            Bytes());
  // A shape that the window reaches is written whole; one beyond it not at all.
  Cell& shapes = *lib.cells[lib.CreateCell("shapes")];
  shapes.AddBox(Box(510, 0, 530, 10), MakeLayerKey(1, 0));
  shapes.AddBox(Box(2000, 0, 2010, 10), MakeLayerKey(1, 0));
  EXPECT_EQ(s.Write([&](OasisOut& o) { o.WriteCellWindow(shapes, Box(300, -5, 520, 15), {}, nullptr); }),
            Bytes({0x14, 0x73, 0x01, 0x00, 0x14, 0x0A, 0xFC, 0x07}));
}

// The sample library and, in a further cell, every record kind, arrays with negative pitches
// in odd and even codes, and coordinates down to low and up to INT32_MAX; saved so that the
// writer streams from the cell data files.
void BuildRoundTripLibrary(const std::string& dir, int32_t low = INT32_MIN) {
  std::filesystem::create_directories(dir);
  Library lib(dir, false);
  libtest::BuildSampleLibrary(lib);
  uint32_t shapes = lib.CreateCell("shapes");
  lib.CreateCell("void");
  Cell& cell = *lib.cells[shapes];
  LayerKey key = MakeLayerKey(7, 1);
  const ringtest::Ring rings[] = {
      {{0, 0}, {10, 0}, {0, 10}},
      {{0, 0}, {10, 0}, {10, 10}},
      {{0, 0}, {20, 0}, {10, 10}},
      {{0, 0}, {10, 10}, {0, 10}},
      {{0, 0}, {10, 10}, {0, 20}},
      {{0, 10}, {10, 0}, {20, 10}},
      {{0, 10}, {10, 0}, {10, 10}},
      {{0, 10}, {10, 0}, {10, 20}},
      {{0, 0}, {30, 0}, {20, 10}, {0, 10}},
      {{0, 0}, {30, 0}, {30, 10}, {10, 10}},
      {{0, 0}, {30, 0}, {20, 10}, {10, 10}},
      {{0, 10}, {10, 0}, {20, 0}, {30, 10}},
      {{0, 0}, {10, 0}, {10, 30}, {0, 20}},
      {{0, 10}, {10, 0}, {10, 30}, {0, 30}},
      {{0, 0}, {100, 0}, {100, 50}, {20, 50}},
      {{0, 0}, {10, 5}, {10, 25}, {0, 30}},
      {{0, 0}, {17, 3}, {5, 11}},
  };
  int32_t x = 0;
  for (const ringtest::Ring& ring : rings) {
    ringtest::Ring moved;
    for (const Point& p : ring) moved.emplace_back(p.x + x, p.y);
    Stored(cell, key, moved, {{0, 1000}, {-7, 2000}});
    x += 200;
  }
  Stored(cell, key, {{INT32_MAX - 10, low}, {INT32_MAX, low}, {INT32_MAX, low + 5}});
  Stored(cell, key,
         {{INT32_MAX - 100, INT32_MAX - 100},
          {INT32_MAX, INT32_MAX - 100},
          {INT32_MAX, INT32_MAX},
          {INT32_MAX - 100, INT32_MAX}});
  Stored(
      cell, key,
      {{low, low}, {low + 50, low}, {low + 50, low + 20}, {low + 20, low + 20}, {low + 20, low + 70}, {low, low + 70}});
  libtest::IndexShapes(cell);
  cell.flags |= kCellModified;
  uint32_t top = uint32_t(lib.FindIndex("top"));
  for (uint8_t code = 0; code < 8; ++code) {
    libtest::Place(lib, top, libtest::Array(shapes, 5000, 1000 * code, 3, 2, -400, -3000, code));
    // Only the pitch along the elements is set: OASIS keeps no pitch that no element uses.
    bool odd = code & 1;
    libtest::Place(lib, top, libtest::Array(shapes, -5000, 1000 * code, 4, 1, odd ? 0 : -400, odd ? -300 : 0, code));
  }
  lib.Save();
}

// dump with the vertices of every shape listed from the lowest-left one: the import stores
// each ring from there, the sample library not always.
std::string SameStarts(const std::string& dump) {
  std::istringstream in(dump);
  std::string line, out;
  while (std::getline(in, line)) {
    size_t colon = line.find(':');
    if (line.rfind("  shape", 0) == 0 && colon != std::string::npos) {
      std::istringstream points(line.substr(colon + 1));
      std::vector<std::pair<long long, long long>> ring;
      long long x, y;
      char comma;
      while (points >> x >> comma >> y) ring.emplace_back(x, y);
      std::rotate(ring.begin(), std::min_element(ring.begin(), ring.end()), ring.end());
      line = line.substr(0, colon + 1);
      for (const auto& p : ring) line += " " + std::to_string(p.first) + "," + std::to_string(p.second);
    }
    out += line + "\n";
  }
  return out;
}

// The source dump less the cell "void", which holds nothing and is not written.
std::string WithoutVoidCell(std::string dump) {
  size_t at = dump.find("cell void\n");
  if (at != std::string::npos) dump.erase(at, std::strlen("cell void\n"));
  return dump;
}

// Opens the library in dir/src and writes it (top "": whole) to dir/out.oas.
void ExportLibrary(const libtest::TempDir& dir, const std::string& top = "") {
  Library lib(dir.File("src"), false);
  lib.Open();
  OasisOut out;
  out.OpenForWrite(dir.File("out.oas"), lib);
  if (top.empty()) {
    out.WriteLibrary();
  } else {
    out.WriteCellTree(uint32_t(lib.FindIndex(top)));
  }
}

std::string ImportOasis(const std::string& file, const std::string& libDir) {
  std::filesystem::create_directories(libDir);
  {
    Library lib(libDir, false);
    OasisIn().ReadLibrary(file, lib);
  }
  return gdstest::DumpLibrary(libDir);
}

TEST(OasisOut, LibraryRoundTripGivesTheSameLibrary) {
  libtest::TempDir dir;
  BuildRoundTripLibrary(dir.File("src"));
  testing::internal::CaptureStdout();
  ExportLibrary(dir);
  std::string copy = ImportOasis(dir.File("out.oas"), dir.File("copy"));
  testing::internal::GetCapturedStdout();
  EXPECT_EQ(copy.find("cell void"), std::string::npos);
  EXPECT_EQ(SameStarts(copy), SameStarts(WithoutVoidCell(gdstest::DumpLibrary(dir.File("src")))));
}

TEST(OasisOut, CellTreeHoldsOnlyTheCellsBelow) {
  libtest::TempDir dir;
  BuildRoundTripLibrary(dir.File("src"));
  testing::internal::CaptureStdout();
  ExportLibrary(dir, "mid");
  std::string copy = ImportOasis(dir.File("out.oas"), dir.File("copy"));
  testing::internal::GetCapturedStdout();
  EXPECT_NE(copy.find("cell mid\n"), std::string::npos);
  EXPECT_NE(copy.find("cell label\n"), std::string::npos);
  EXPECT_EQ(copy.find("cell top\n"), std::string::npos);
  EXPECT_EQ(copy.find("cell shapes\n"), std::string::npos);
}

TEST(OasisOut, FailedWriteIsAnError) {
  libtest::TempDir dir;
  BuildRoundTripLibrary(dir.File("src"));
  Library lib(dir.File("src"), false);
  lib.Open();
  OasisOut out;
  out.OpenForWrite(dir.File("out.oas"), lib);
  FailDiskOperationAt(1);
  try {
    out.WriteLibrary();
    FailDiskOperationAt(0);
    FAIL() << "no error";
  } catch (const Error& e) {
    FailDiskOperationAt(0);
    EXPECT_STREQ(e.Tag(), "OASISOUT");
  }
}

// The library's dump with every array placement expanded into its elements, so that two
// encodings of the same array compare equal.
std::string ExpandedDump(const std::string& libDir) {
  std::string dump = gdstest::DumpLibrary(libDir);
  std::string out;
  for (size_t at = 0; at < dump.size();) {
    size_t end = dump.find('\n', at);
    std::string line = dump.substr(at, end - at);
    if (line.rfind("  ref", 0) != 0) out += line + "\n";
    at = end + 1;
  }
  Library lib(libDir, false);
  lib.Open();
  std::map<std::string, std::vector<std::string>> elements;
  for (auto& slot : lib.cells) {
    if (!slot) continue;
    lib.LoadCell(*slot, true);
    for (const SRef* ref : gdstest::Placements(*slot)) {
      const ARef* array = ref->IsArray() ? static_cast<const ARef*>(ref) : nullptr;
      for (int32_t c = 0; c < (array ? array->columns : 1); ++c) {
        for (int32_t r = 0; r < (array ? array->rows : 1); ++r) {
          Trans t = *ref;
          if (array) array->ElementTrans(c, r, t);
          elements[slot->Name()].push_back(std::string(lib.cells[ref->CellId()]->Name()) + " " + std::to_string(t.x) +
                                           "," + std::to_string(t.y) + " " + std::to_string(t.orientation) + " " +
                                           std::to_string(t.magnification));
        }
      }
    }
  }
  for (auto& cell : elements) {
    std::sort(cell.second.begin(), cell.second.end());
    for (const std::string& e : cell.second) out += "element in " + cell.first + ": " + e + "\n";
  }
  return out;
}

TEST(OasisOut, KLayoutReadsTheSameLayout) {
  const char* folder = "/usr/lib/klayout";
  std::string converter = std::string(folder) + "/strm2gds";
  if (!std::filesystem::exists(converter)) GTEST_SKIP() << "KLayout's strm2gds is not installed";
  libtest::TempDir dir;
  // KLayout's reader refuses the signed-integer of -2^31 (its magnitude field overflows 32
  // bits), though OASIS integers are unbounded: stay one unit above.
  BuildRoundTripLibrary(dir.File("src"), INT32_MIN + 1);
  testing::internal::CaptureStdout();
  ExportLibrary(dir);
  testing::internal::GetCapturedStdout();
  std::string command = "LD_LIBRARY_PATH=" + std::string(folder) + " " + converter + " " + dir.File("out.oas") + " " +
                        dir.File("out.gds") + " > " + dir.File("klayout.log") + " 2>&1";
  if (std::system(command.c_str()) != 0) {
    Bytes log = libtest::ReadBytes(dir.File("klayout.log"));
    FAIL() << "strm2gds failed: " << std::string(log.begin(), log.end());
  }
  std::filesystem::create_directories(dir.File("copy"));
  testing::internal::CaptureStdout();
  {
    GdsIn in(dir.File("out.gds").c_str(), false);
    Library lib(dir.File("copy"), false);
    in.ReadLibrary(lib);
  }
  testing::internal::GetCapturedStdout();
  EXPECT_EQ(SameStarts(ExpandedDump(dir.File("copy"))), SameStarts(WithoutVoidCell(ExpandedDump(dir.File("src")))));
}

}  // namespace

namespace {

TEST(OasisOut, WritesEveryCTrapezoidTypeOfTheReaderAsCTrapezoid) {
  std::mt19937 random(7);
  for (int type = 0; type < 24; ++type) {
    for (int trial = 0; trial < 20; ++trial) {
      // Sizes that leave every corner distinct: the long side more than twice the short one.
      int64_t small = 1 + int64_t(random() % 1000), large = 2 * small + 1 + int64_t(random() % 1000);
      bool vertical = type >= 8 && type < 16;
      OasisDelta corners[4];
      int n = CTrapezoidCorners(uint64_t(type), vertical ? small : large, vertical ? large : small, corners);
      ringtest::Ring ring;
      for (int i = 0; i < n; ++i) ring.emplace_back(int32_t(corners[i].x) - 500, int32_t(corners[i].y) + 300);
      Scratch s;
      Cell cell;
      const ShapeGroup* group = Stored(cell, MakeLayerKey(1, 0), ring);
      Bytes bytes = s.Write([&](OasisOut& o) { o.WriteShapeGroup(*group, 1, 0, false); });
      ASSERT_GE(bytes.size(), 5u);
      EXPECT_EQ(bytes[0], 0x1A) << "type " << type;
      EXPECT_EQ(bytes[4], type) << "type " << type << " w,h " << small << "," << large;
    }
  }
}

}  // namespace
