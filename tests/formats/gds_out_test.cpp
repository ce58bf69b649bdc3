#include "formats/gds_out.h"
#include "formats/oasis_out.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <map>
#include <optional>
#include <random>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "db/error.h"
#include "db/library.h"
#include "db/poly/ring_set.h"
#include "db/trans.h"
#include "formats/gds_in.h"
#include "tests/db/disk_replay.h"
#include "tests/db/library_test_util.h"
#include "tests/db/poly/ring_test_util.h"
#include "tests/formats/gds_builder.h"
#include "tests/formats/gds_in_test_util.h"
#include "tests/formats/klayout_xor.h"

namespace {

using Bytes = std::vector<uint8_t>;

// 2023-11-14 22:13:20 UTC.
constexpr std::time_t kStamp = 1700000000;

class GdsOutTest : public ::testing::Test {
 protected:
  // The date stamps are local time: pinned to UTC for the tests, restored after.
  void SetUp() override {
    const char* tz = std::getenv("TZ");
    savedTz_ = tz ? std::optional<std::string>(tz) : std::nullopt;
    setenv("TZ", "UTC", 1);
    tzset();
  }
  void TearDown() override {
    if (savedTz_) {
      setenv("TZ", savedTz_->c_str(), 1);
    } else {
      unsetenv("TZ");
    }
    tzset();
  }
  // Runs body on a fresh writer and gives the bytes it left in the file.
  template <typename Body>
  Bytes Write(Body body) {
    std::string path = dir_.File("out.gds");
    {
      GdsOut out(path, false, kStamp);
      body(out);
      out.Close();
    }
    return libtest::ReadBytes(path);
  }
  libtest::TempDir dir_;
  std::optional<std::string> savedTz_;
};

// One record of a stream: type and payload.
struct Record {
  int type;
  Bytes data;
};

std::vector<Record> Records(const Bytes& bytes) {
  std::vector<Record> out;
  for (size_t i = 0; i + 4 <= bytes.size();) {
    size_t length = size_t(bytes[i]) << 8 | bytes[i + 1];
    EXPECT_GE(length, 4u);
    if (length < 4 || i + length > bytes.size()) break;
    out.push_back({bytes[i + 2], Bytes(bytes.begin() + long(i) + 4, bytes.begin() + long(i + length))});
    i += length;
  }
  return out;
}

std::string AsString(const Bytes& data) {
  std::string s(data.begin(), data.end());
  while (!s.empty() && s.back() == 0) s.pop_back();
  return s;
}

std::vector<Point> XyPoints(const Bytes& data) {
  std::vector<Point> points;
  for (size_t i = 0; i + 8 <= data.size(); i += 8) {
    auto be32 = [&](size_t k) {
      return int32_t(uint32_t(data[k]) << 24 | uint32_t(data[k + 1]) << 16 | uint32_t(data[k + 2]) << 8 | data[k + 3]);
    };
    points.emplace_back(be32(i), be32(i + 4));
  }
  return points;
}

TEST_F(GdsOutTest, WritesLibraryHeaderBytes) {
  Bytes got = Write([](GdsOut& out) { out.WriteLibraryStart(600, "TOP", 1.0, 1.0 / 1024); });
  Bytes want = {0x00, 0x06, 0x00, 0x02, 0x02, 0x58,  // HEADER 600
                0x00, 0x1c, 0x01, 0x02, 0x07, 0xe7, 0x00, 0x0b, 0x00, 0x0e, 0x00, 0x16, 0x00, 0x0d,
                0x00, 0x14, 0x07, 0xe7, 0x00, 0x0b, 0x00, 0x0e, 0x00, 0x16, 0x00, 0x0d, 0x00, 0x14,  // BGNLIB
                0x00, 0x08, 0x02, 0x06, 'T',  'O',  'P',  0x00,                                      // LIBNAME, padded
                0x00, 0x14, 0x03, 0x05, 0x41, 0x10, 0,    0,    0,    0,    0,    0,                 // UNITS 1.0
                0x3e, 0x40, 0,    0,    0,    0,    0,    0};                                        // 2^-10
  EXPECT_EQ(got, want);
  Bytes even = Write([](GdsOut& out) { out.WriteStringRecord(gds::kLibName, "TOP1"); });
  EXPECT_EQ(even, (Bytes{0x00, 0x08, 0x02, 0x06, 'T', 'O', 'P', '1'}));
}

TEST_F(GdsOutTest, WritesBoundaryClosingItsRing) {
  const Point triangle[3] = {Point(0, 0), Point(-2, 0), Point(0, 258)};
  Bytes got = Write([&](GdsOut& out) { out.WriteBoundaryElement(7, 1, triangle, 3); });
  Bytes want = {0x00, 0x04, 0x08, 0x00, 0x00, 0x06, 0x0d, 0x02, 0x00, 0x07, 0x00, 0x06, 0x0e, 0x02,
                0x00, 0x01, 0x00, 0x24, 0x10, 0x03, 0,    0,    0,    0,    0,    0,    0,    0,
                0xff, 0xff, 0xff, 0xfe, 0,    0,    0,    0,    0,    0,    0,    0,    0,    0,
                0x01, 0x02, 0,    0,    0,    0,    0,    0,    0,    0,    0x00, 0x04, 0x11, 0x00};
  EXPECT_EQ(got, want);
}

TEST_F(GdsOutTest, WritesStransMagAndAngleOnlyWhenNeeded) {
  struct Case {
    uint8_t code;
    float magnification;
    Bytes transform;
  };
  const Bytes strans = {0x00, 0x06, 0x1a, 0x01, 0x80, 0x00};
  const Bytes plain = {0x00, 0x06, 0x1a, 0x01, 0x00, 0x00};
  const Bytes mag2 = {0x00, 0x0c, 0x1b, 0x05, 0x41, 0x20, 0, 0, 0, 0, 0, 0};
  const Bytes angle270 = {0x00, 0x0c, 0x1c, 0x05, 0x43, 0x10, 0xe0, 0, 0, 0, 0, 0};
  const Bytes angle90 = {0x00, 0x0c, 0x1c, 0x05, 0x42, 0x5a, 0, 0, 0, 0, 0, 0};
  auto join = [](std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const Bytes& p : parts) all.insert(all.end(), p.begin(), p.end());
    return all;
  };
  const Case cases[] = {
      {0, 1.0f, {}},
      {6, 1.0f, strans},
      {5, 2.0f, join({strans, mag2, angle270})},
      {1, 1.0f, join({plain, angle90})},
      {0, 2.0f, join({plain, mag2})},
  };
  for (const Case& c : cases) {
    Bytes got = Write([&](GdsOut& out) { out.WriteStrans(Trans(0, 0, c.magnification, c.code)); });
    EXPECT_EQ(got, c.transform) << "code " << int(c.code) << " mag " << c.magnification;
  }
}

TEST_F(GdsOutTest, WritesArefCornersAlongYForOddCodes) {
  ARef ref;
  ref.orientation = 1;
  ref.columns = 3;
  ref.rows = 2;
  ref.columnPitch = 10;
  ref.rowPitch = 20;
  std::vector<Record> records = Records(Write([&](GdsOut& out) { out.WriteARef(ref, "A"); }));
  ASSERT_EQ(records.size(), 7u);
  EXPECT_EQ(records[0].type, gds::kAref);
  EXPECT_EQ(records[1].data, (Bytes{'A', 0}));
  EXPECT_EQ(records[4].data, (Bytes{0, 3, 0, 2}));
  EXPECT_EQ(XyPoints(records[5].data), (std::vector<Point>{Point(0, 0), Point(0, 60), Point(20, 0)}));
  EXPECT_EQ(records[6].type, gds::kEndEl);
}

TEST_F(GdsOutTest, WritesTextAsSixRecords) {
  GdsOutText text;
  text.x = 5;
  text.y = -1;
  text.layer = 63;
  text.texttype = 2;
  text.text = "VDD";
  Bytes got = Write([&](GdsOut& out) { out.WriteText(text); });
  Bytes want = {0x00, 0x04, 0x0c, 0x00, 0x00, 0x06, 0x0d, 0x02, 0x00, 0x3f, 0x00, 0x06, 0x16, 0x02,
                0x00, 0x02, 0x00, 0x0c, 0x10, 0x03, 0,    0,    0,    5,    0xff, 0xff, 0xff, 0xff,
                0x00, 0x08, 0x19, 0x06, 'V',  'D',  'D',  0x00, 0x00, 0x04, 0x11, 0x00};
  EXPECT_EQ(got, want);
}

TEST_F(GdsOutTest, RefusesWhatARecordCannotCarry) {
  auto expectError = [&](auto body) {
    try {
      Write(body);
      ADD_FAILURE() << "no Error";
    } catch (const Error& e) {
      EXPECT_STREQ(e.Tag(), "GDSOUT") << e.Message();
    }
  };
  expectError([](GdsOut& out) { out.WriteStringRecord(gds::kString, std::string(65531, 'x')); });
  expectError([](GdsOut& out) { out.WriteXyHeader(8192); });
  expectError([](GdsOut& out) { out.WriteRealRecord(gds::kMag, std::numeric_limits<double>::infinity()); });
  expectError([](GdsOut& out) { out.WriteRealRecord(gds::kMag, std::nan("")); });
  expectError([](GdsOut& out) { out.WriteRealRecord(gds::kMag, 1e76); });
  expectError([](GdsOut& out) { out.WritePoint(int64_t(INT32_MAX) + 1, 0); });
  expectError([](GdsOut& out) {
    ARef ref;
    ref.columns = 2;
    ref.rows = 1;
    ref.columnPitch = INT32_MAX;
    out.WriteARef(ref, "A");
  });
  // The longest strings still fit: 65530 bytes make a record of 65534.
  Bytes longest = Write([](GdsOut& out) { out.WriteStringRecord(gds::kString, std::string(65530, 'x')); });
  EXPECT_EQ(longest[0], 0xff);
  EXPECT_EQ(longest[1], 0xfe);
}

TEST(GdsOut, FailedWriteIsAnError) {
  try {
    GdsOut out("/dev/full", false, kStamp);
    out.WriteLibraryStart(600, "LIB", 1e-3, 1e-9);
    out.WriteLibraryEnd();
    FAIL() << "write to a full device reported success";
  } catch (const Error& e) {
    EXPECT_STREQ(e.Tag(), "GDSOUT");
  }
  EXPECT_THROW(GdsOut("/nonexistent/dir/out.gds", false), Error);
}

// A comb: a base of baseHeight and teeth of toothWidth every pitch up to height, at the origin;
// 4 × teeth + 1 vertices.
struct CombShape {
  int teeth;
  int pitch = 20;
  int toothWidth = 10;
  int baseHeight = 30;
  int height = 100;
};

ringtest::Ring Comb(const CombShape& c) {
  ringtest::Ring ring = {Point(0, 0), Point(c.teeth * c.pitch, 0)};
  for (int t = c.teeth - 1; t >= 0; --t) {
    ring.emplace_back(t * c.pitch + c.toothWidth, c.baseHeight);
    ring.emplace_back(t * c.pitch + c.toothWidth, c.height);
    ring.emplace_back(t * c.pitch, c.height);
    ring.emplace_back(t * c.pitch, c.baseHeight);
  }
  ring.pop_back();
  return ring;
}

ringtest::Ring Comb(int teeth) { return Comb(CombShape{teeth}); }

// Even-odd test of the point (px + 0.5, py + 0.5), which lies on no integer edge.
bool InsideRing(const ringtest::Ring& ring, int64_t px, int64_t py) {
  bool inside = false;
  for (size_t i = 0, j = ring.size() - 1; i < ring.size(); j = i++) {
    int64_t yi = 2 * int64_t(ring[i].y), yj = 2 * int64_t(ring[j].y), y = 2 * py + 1;
    if ((yi > y) == (yj > y)) continue;
    // x of the edge at y, compared with 2·px + 1 without division.
    int64_t xi = 2 * int64_t(ring[i].x), xj = 2 * int64_t(ring[j].x), x = 2 * px + 1;
    int64_t lhs = (x - xi) * (yj - yi), rhs = (xj - xi) * (y - yi);
    if ((yj > yi) ? lhs < rhs : lhs > rhs) inside = !inside;
  }
  return inside;
}

TEST_F(GdsOutTest, ChopperPiecesAreSmallAndCoverTheShapeExactly) {
  // Just over the limit; several strips; a long bar whose short end is serrated with 1100
  // teeth, which no strip across the long side can thin out (the chopper must cut the other way).
  ringtest::Ring bar = {Point(0, 0), Point(50000, 0), Point(50000, 4400)};
  for (int y = 4400; y > 0; y -= 4) {
    bar.insert(bar.end(), {Point(0, y), Point(0, y - 2), Point(2, y - 2), Point(2, y - 4)});
  }
  bar.pop_back();
  const std::pair<CombShape, ringtest::Ring> shapes[] = {
      {{1024}, Comb(1024)}, {{2500}, Comb(2500)}, {{1, 50000, 0, 0, 4400}, bar}};
  for (const auto& [shape, comb] : shapes) {
    RingSet rings;
    ringtest::AddRing(rings, comb);
    rings.SetRingCount(1);
    std::string path = dir_.File("chop.gds");
    GdsOut out(path, false, kStamp);
    out.ChopRings(rings, uint32_t(comb.size()));
    out.Close();
    std::vector<ringtest::Ring> pieces = ringtest::ExtractRings(rings);
    ASSERT_FALSE(pieces.empty());
    for (const ringtest::Ring& piece : pieces) EXPECT_LE(piece.size(), 4096u);
    std::mt19937 random{uint32_t(shape.teeth)};
    std::uniform_int_distribution<int> xs(-5, shape.teeth * shape.pitch + 5), ys(-5, shape.height + 5);
    for (int k = 0; k < 4000; ++k) {
      // Every other sample near x = 0, where the bar's teeth are.
      int px = k % 2 ? xs(random) : int(random() % 16) - 5, py = ys(random);
      int covered = 0;
      for (const ringtest::Ring& piece : pieces) covered += InsideRing(piece, px, py) ? 1 : 0;
      ASSERT_EQ(covered, InsideRing(comb, px, py) ? 1 : 0) << "at " << px << "," << py;
    }
  }
}

TEST_F(GdsOutTest, ChoppedBoundaryRecordsStayUnderTheLimit) {
  ringtest::Ring comb = Comb(2000);
  RingSet rings;
  ringtest::AddRing(rings, comb);
  rings.SetRingCount(1);
  std::vector<Record> records = Records(Write([&](GdsOut& out) { out.WriteBoundary(rings, 1, 0); }));
  size_t boundaries = 0;
  for (const Record& r : records) {
    if (r.type == gds::kBoundary) ++boundaries;
    if (r.type == gds::kXy) {
      EXPECT_LE(r.data.size() / 8, 4097u);
    }
  }
  EXPECT_GE(boundaries, 2u);
}

// Names of the structures defined and of those referenced, from a written stream.
void ExpectNoDanglingReference(const std::vector<Record>& records) {
  std::set<std::string> defined, referenced;
  for (const Record& r : records) {
    if (r.type == gds::kStrName) defined.insert(AsString(r.data));
    if (r.type == gds::kSname) referenced.insert(AsString(r.data));
  }
  for (const std::string& name : referenced) EXPECT_TRUE(defined.count(name)) << "SNAME " << name;
}

TEST_F(GdsOutTest, WindowTrimsArraysToTheHitElements) {
  Library lib(dir_.Path(), false);
  uint32_t leaf = lib.CreateCell("leaf");
  uint32_t top = lib.CreateCell("top");
  uint32_t hollow = lib.CreateCell("hollow");
  libtest::AddShape(*lib.cells[leaf], MakeLayerKey(1, 0), {{0, 0}, {10, 0}, {10, 10}, {0, 10}}, {{0, 0}}, true);
  lib.cells[leaf]->flags |= kCellModified;
  libtest::Place(lib, top, libtest::Array(leaf, 0, 0, 4, 1, 100, 0));
  libtest::Place(lib, top, libtest::Array(leaf, 0, 1000, 4, 1, 100, 0));
  libtest::Place(lib, top, libtest::Single(hollow, 5, 5));
  // Window: elements 1 and 2 of the first array, element 3 of the second.
  std::vector<Record> records = Records(Write([&](GdsOut& out) {
    out.WriteLibraryHeader(lib);
    out.WriteCellWindow(*lib.cells[top], Box(105, -5, 205, 5), {}, nullptr, nullptr);
    out.WriteCellWindow(*lib.cells[top], Box(305, 995, 400, 1005), {}, nullptr, nullptr);
    out.WriteCellFromLibrary(*lib.cells[leaf]);
    out.WriteEmptyRecord(gds::kEndLib);
  }));
  std::vector<std::pair<int, std::vector<Point>>> placements;
  int kind = 0;
  for (const Record& r : records) {
    if (r.type == gds::kSref || r.type == gds::kAref) kind = r.type;
    if (r.type == gds::kColRow) {
      EXPECT_EQ(r.data, (Bytes{0, 2, 0, 1}));
    }
    if (r.type == gds::kXy && kind) placements.emplace_back(kind, XyPoints(r.data));
    if (r.type == gds::kEndEl) kind = 0;
  }
  ASSERT_EQ(placements.size(), 2u);
  EXPECT_EQ(placements[0].first, gds::kAref);
  EXPECT_EQ(placements[0].second, (std::vector<Point>{Point(100, 0), Point(300, 0), Point(100, 0)}));
  EXPECT_EQ(placements[1].first, gds::kSref);
  EXPECT_EQ(placements[1].second, (std::vector<Point>{Point(300, 1000)}));
  ExpectNoDanglingReference(records);
}

TEST_F(GdsOutTest, WholeLibraryNamesOnlyWrittenStructures) {
  Library lib(dir_.File("lib"), false);
  std::filesystem::create_directories(lib.directory);
  libtest::BuildSampleLibrary(lib);
  uint32_t hollow = lib.CreateCell("hollow");
  libtest::Place(lib, lib.FindIndex("top"), libtest::Single(hollow, 0, 0));
  lib.Save();
  // Unloaded cells are streamed from their cell data.
  for (auto& cell : lib.cells) {
    cell->Clear();
    cell->loaded = false;
  }
  std::vector<Record> records = Records(Write([&](GdsOut& out) { out.WriteLibrary(lib); }));
  std::multiset<std::string> structures;
  size_t srefs = 0, arefs = 0, texts = 0;
  for (const Record& r : records) {
    if (r.type == gds::kStrName) structures.insert(AsString(r.data));
    srefs += r.type == gds::kSref;
    arefs += r.type == gds::kAref;
    texts += r.type == gds::kText;
  }
  EXPECT_EQ(structures, (std::multiset<std::string>{"label", "leaf", "mid", "top"}));
  EXPECT_EQ(srefs, 8u + 1 + 1 + 2);
  EXPECT_EQ(arefs, 1u + 8);
  EXPECT_EQ(texts, 4u);
  EXPECT_EQ(records.back().type, gds::kEndLib);
  ExpectNoDanglingReference(records);
}

TEST_F(GdsOutTest, CutCellDataIsAnErrorNotAStructure) {
  Library lib(dir_.File("lib"), false);
  std::filesystem::create_directories(lib.directory);
  libtest::BuildSampleLibrary(lib);
  lib.Save();
  for (auto& cell : lib.cells) {
    cell->Clear();
    cell->loaded = false;
  }
  std::string data = lib.directory + "/db1";
  std::filesystem::resize_file(data, std::filesystem::file_size(data) / 3);
  try {
    Write([&](GdsOut& out) { out.WriteLibrary(lib); });
    FAIL() << "cut cell data was written as a library";
  } catch (const Error& e) {
    EXPECT_STREQ(e.Tag(), "LIBIN") << e.Message();
  }
}

// A dump line "shape K: x,y x,y ..." with its vertex cycle started at the least vertex: the
// reader stores rings from their lowest-left vertex, cells built in code need not.
std::string RotateShapeLine(const std::string& line) {
  size_t colon = line.find(':');
  if (line.rfind("  shape ", 0) != 0 || colon == std::string::npos) return line;
  std::vector<std::pair<long, long>> vertices;
  std::istringstream in(line.substr(colon + 1));
  std::string token;
  while (in >> token) vertices.emplace_back(std::stol(token), std::stol(token.substr(token.find(',') + 1)));
  std::rotate(vertices.begin(), std::min_element(vertices.begin(), vertices.end()), vertices.end());
  std::string out = line.substr(0, colon + 1);
  for (const auto& v : vertices) out += " " + std::to_string(v.first) + "," + std::to_string(v.second);
  return out;
}

// Every non-void cell of lib, loaded, in name order; placements name their cell, since a
// re-import numbers the cells in the order it meets them.
std::string DumpByName(Library& lib) {
  std::map<std::string, std::string> cells;
  for (auto& cell : lib.cells) {
    if (!cell || cell->IsVoid()) continue;
    lib.LoadCell(*cell, true);
    cells[cell->Name()] = libtest::DumpCell(lib, *cell);
  }
  std::string out;
  const std::regex ref("ref ([0-9]+) ");
  for (const auto& entry : cells) {
    std::string dump = entry.second;
    std::smatch m;
    std::string named;
    while (std::regex_search(dump, m, ref)) {
      named += m.prefix().str() + "ref " + lib.GetCell(std::stoll(m[1].str()))->Name() + " ";
      dump = m.suffix().str();
    }
    std::istringstream lines(named + dump);
    std::vector<std::string> sorted;
    for (std::string line; std::getline(lines, line);) sorted.push_back(RotateShapeLine(line));
    std::sort(sorted.begin() + 1, sorted.end());
    for (const std::string& line : sorted) out += line + "\n";
  }
  return out;
}

TEST_F(GdsOutTest, LibraryRoundTripsThroughTheReader) {
  Library lib(dir_.File("first"), false);
  std::filesystem::create_directories(lib.directory);
  libtest::BuildSampleLibrary(lib);
  // Coordinates near the 32-bit limits, and a text-only cell.
  uint32_t far = lib.CreateCell("far");
  libtest::AddShape(*lib.cells[far], MakeLayerKey(5, 0), {{0, 0}, {1000, 0}, {1000, 7}, {0, 7}},
                    {{INT32_MAX - 1000, INT32_MIN}, {INT32_MIN, INT32_MAX - 7}}, true);
  lib.cells[far]->flags |= kCellModified;
  libtest::Place(lib, lib.FindIndex("top"), libtest::Array(far, 0, 0, 2, 2, -40, -50, 3));
  lib.Save();
  std::string gds = dir_.File("first.gds");
  {
    GdsOut out(gds, false, kStamp);
    out.WriteLibrary(lib);
  }
  Library second(dir_.File("second"), false);
  std::filesystem::create_directories(second.directory);
  GdsIn in(gds.c_str(), false);
  in.ReadLibrary(second);
  EXPECT_EQ(DumpByName(second), DumpByName(lib));
  // The reader stores each ring from its own start vertex, so from the second generation on
  // every export is byte-identical, LIBNAME included.
  std::string again = dir_.File("second.gds");
  {
    GdsOut out(again, false, kStamp);
    out.WriteLibrary(second);
  }
  Library third(dir_.File("third"), false);
  std::filesystem::create_directories(third.directory);
  GdsIn(again.c_str(), false).ReadLibrary(third);
  EXPECT_EQ(third.name, "sample");
  std::string last = dir_.File("third.gds");
  {
    GdsOut out(last, false, kStamp);
    out.WriteLibrary(third);
  }
  EXPECT_EQ(libtest::ReadBytes(last), libtest::ReadBytes(again));
}

// Builds the xor test's source stream; farShape adds a triangle at the low end of the 32-bit
// range, as wide as a shape of the library may be.
std::string WriteXorSource(const std::string& path, bool farShape) {
  GdsBuilder b;
  b.LibraryHeader("XLIB");
  b.BeginStructure("CHILD").Boundary(1, 0, {{0, 0}, {100, 0}, {100, 40}, {0, 40}, {0, 0}});
  b.Boundary(2, 3, {{0, 0}, {50, 50}, {0, 90}, {-30, 20}, {0, 0}}).Path(3, 0, 10, 0, {{0, 0}, {0, 200}, {80, 200}});
  b.Text(4, 0, {5, 5}, "pin");
  // 8001 vertices: the import keeps the polygon whole, the GDSII export must chop it.
  ringtest::Ring comb = Comb(2000);
  comb.push_back(comb.front());
  b.Boundary(9, 0, comb).EndStructure();
  b.BeginStructure("TOP");
  // Placements are spelled out here: STRANS is a bit array (data type 1).
  auto transform = [&](bool reflect, double magnification, double angle) {
    b.Record(gds::kStrans, gds::kBitArray, {uint8_t(reflect ? 0x80 : 0), 0});
    if (magnification != 1) b.Real8(gds::kMag, {magnification});
    if (angle != 0) b.Real8(gds::kAngle, {angle});
  };
  for (int code = 0; code < 8; ++code) {
    int32_t x = 1000 * code;
    b.Record(gds::kSref, gds::kNoData).String(gds::kSname, "CHILD");
    transform(code >= 4, 1, 90.0 * (code % 4));
    b.Xy({{x, 0}}).Record(gds::kEndEl, gds::kNoData);
    b.Record(gds::kAref, gds::kNoData).String(gds::kSname, "CHILD");
    transform(code >= 4, 1, 90.0 * (code % 4));
    b.Int16(gds::kColRow, {3, 2}).Xy({{x, 5000}, {x + 3 * 200, 5000}, {x, 5000 + 2 * 300}});
    b.Record(gds::kEndEl, gds::kNoData);
  }
  b.Record(gds::kSref, gds::kNoData).String(gds::kSname, "CHILD");
  transform(false, 2, 0);
  b.Xy({{-5000, -5000}}).Record(gds::kEndEl, gds::kNoData);
  if (farShape) {
    b.Boundary(7, 1, {{-2147483000, -2147483000}, {0, -2147483000}, {0, -2147482000}, {-2147483000, -2147483000}});
  }
  b.EndStructure().EndLibrary();
  b.WriteTo(path);
  return path;
}

// An independent reader: KLayout's strmxor finds no geometric difference between a stream
// built byte by byte and our GDSII and OASIS exports of its import. Skipped where KLayout is
// not installed.
TEST_F(GdsOutTest, ExportMatchesItsSourceUnderKlayoutXor) {
  const std::string strmxor = klayout::StrmXor();
  if (strmxor.empty()) GTEST_SKIP() << "KLayout is not installed";
  for (bool farShape : {true, false}) {
    std::string tag = farShape ? "far" : "near";
    std::string source = WriteXorSource(dir_.File(tag + ".gds"), farShape);
    Library lib(dir_.File(tag + "_imported"), false);
    std::filesystem::create_directories(lib.directory);
    GdsIn(source.c_str(), false).ReadLibrary(lib);
    // The GDSII export takes the far shape; the OASIS export the rest.
    std::string exported = dir_.File(tag + (farShape ? "_exported.gds" : "_exported.oas"));
    if (farShape) {
      GdsOut out(exported, false, kStamp);
      out.WriteLibrary(lib);
    } else {
      OasisOut out;
      out.OpenForWrite(exported, lib);
      out.WriteLibrary();
    }
    klayout::ExpectNoXorDifference(strmxor, source, exported);
  }
}

// Whether a whole-library export of the library in dir succeeds (a fresh library each time,
// so every cell is streamed from its section).
bool Exports(const std::string& dir, const std::string& out, bool oasis) {
  try {
    Library lib(dir, false);
    lib.Open();
    if (oasis) {
      OasisOut writer;
      writer.OpenForWrite(out, lib);
      writer.WriteLibrary();
    } else {
      GdsOut writer(out, false, kStamp);
      writer.WriteLibrary(lib);
    }
  } catch (const Error&) {
    return false;
  }
  return true;
}

bool LoadsEveryCell(const std::string& dir) {
  try {
    Library lib(dir, false);
    lib.Open();
    for (auto& cell : lib.cells) lib.LoadCell(*cell, true);
  } catch (const Error&) {
    return false;
  }
  return true;
}

// Loading and both exports read sections through one reader: what loading refuses, no export
// writes, and a failed export leaves neither a file nor its temporary under the target's name.
TEST_F(GdsOutTest, ExportsRefuseTheCorruptSectionsThatLoadingRefuses) {
  std::string source = dir_.File("source");
  {
    std::filesystem::create_directories(source);
    Library lib(source, false);
    libtest::BuildSampleLibrary(lib);
    lib.Save();
  }
  std::string dir = dir_.File("corrupt");
  std::filesystem::create_directories(dir);
  for (const char* file : {"info", "names", "texts"}) {
    std::filesystem::copy_file(source + "/" + file, dir + "/" + file);
  }
  Bytes data = libtest::ReadBytes(source + "/db1");
  int refused = 0;
  for (size_t at = 0; at < data.size(); ++at) {
    for (uint8_t value : {0x00, 0x7f, 0x80, 0xff}) {
      Bytes changed = data;
      changed[at] = value;
      libtest::WriteBytes(dir + "/db1", changed);
      bool loads = LoadsEveryCell(dir);
      for (bool oasis : {false, true}) {
        std::string out = dir_.File(oasis ? "out.oas" : "out.gds");
        std::filesystem::remove(out);
        bool exported = Exports(dir, out, oasis);
        if (!loads) {
          EXPECT_FALSE(exported) << (oasis ? "OASIS" : "GDSII") << " byte " << at << " = " << int(value);
        }
        EXPECT_EQ(std::filesystem::exists(out), exported) << at;
        EXPECT_FALSE(std::filesystem::exists(out + ".tmp")) << at;
      }
      refused += !loads;
    }
  }
  EXPECT_GT(refused, 0);
}

// The import of a file whose one structure is empty holds one empty cell, of which a GDSII file
// can carry nothing: that export is refused and leaves no file.
TEST_F(GdsOutTest, LibraryOfEmptyCellsOnlyIsRefusedAndLeavesNoFile) {
  ASSERT_EQ(
      gdstest::RunImport(dir_, GdsBuilder().LibraryHeader().BeginStructure("E").EndStructure().EndLibrary().bytes())
          .error,
      "");
  Library lib(dir_.File("lib"), false);
  lib.Open();
  ASSERT_EQ(lib.CellCount(), 1);
  const std::string out = dir_.File("empty.gds");
  try {
    GdsOut(out, false, kStamp).WriteLibrary(lib);
    ADD_FAILURE() << "exported";
  } catch (const Error& e) {
    EXPECT_EQ(std::string(e.what()), "GDSOUT: No cell has contents: nothing to export");
  }
  EXPECT_FALSE(std::filesystem::exists(out));
  EXPECT_FALSE(std::filesystem::exists(out + ".tmp"));
}

// An export that fails keeps the file that was there; one that succeeds replaces it.
TEST_F(GdsOutTest, FailedExportKeepsThePreviousFile) {
  std::string dir = dir_.File("lib");
  std::filesystem::create_directories(dir);
  {
    Library lib(dir, false);
    libtest::BuildSampleLibrary(lib);
    lib.Save();
  }
  for (bool oasis : {false, true}) {
    std::string out = dir_.File(oasis ? "kept.oas" : "kept.gds");
    libtest::WriteBytes(out, {1, 2, 3});
    Bytes data = libtest::ReadBytes(dir + "/db1");
    libtest::WriteBytes(dir + "/db1", Bytes(data.begin(), data.begin() + data.size() / 2));
    EXPECT_FALSE(Exports(dir, out, oasis));
    EXPECT_EQ(libtest::ReadBytes(out), Bytes({1, 2, 3}));
    EXPECT_FALSE(std::filesystem::exists(out + ".tmp"));
    libtest::WriteBytes(dir + "/db1", data);
    EXPECT_TRUE(Exports(dir, out, oasis));
    EXPECT_GT(libtest::ReadBytes(out).size(), 3u);
    EXPECT_FALSE(std::filesystem::exists(out + ".tmp"));
  }
}

// A kill or a power cut at any step of an export leaves the file that was there or the whole
// new one, never a part of it.
TEST_F(GdsOutTest, EveryStepOfAnExportLeavesTheOldFileOrTheNewOne) {
  const std::string dir = dir_.File("lib"), exports = dir_.File("exports");
  std::filesystem::create_directories(dir);
  std::filesystem::create_directories(exports);
  libtest::SaveSampleLibrary(dir);
  const std::string target = exports + "/chip.gds";
  const Bytes old = {1, 2, 3};
  libtest::WriteBytes(target, old);
  libtest::DiskReplay replay(exports);
  replay.Record([&] { EXPECT_TRUE(Exports(dir, target, false)); });
  const Bytes fresh = libtest::ReadBytes(target);
  ASSERT_GT(fresh.size(), old.size());
  replay.ForEachCut([&](const libtest::TempDir& after, const std::string& what) {
    const Bytes found = libtest::ReadBytes(after.File("chip.gds"));
    EXPECT_TRUE(found == old || found == fresh) << what << ": " << found.size() << " bytes";
  });
}

}  // namespace
