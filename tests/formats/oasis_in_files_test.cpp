#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <map>

#include "tests/formats/gds_builder.h"
#include "tests/formats/oasis_in_test_util.h"

using oasistest::Begin;
using oasistest::End;
using oasistest::ReadError;
using oasistest::ReadFile;

namespace {

// A file with every kind of record the reader handles, names given after their use.
OasisBuilder RichFile() {
  OasisBuilder b = Begin();
  b.Unsigned(13).Unsigned(1);
  b.Unsigned(20).Raw({0x7F}).Unsigned(1).Unsigned(0).Unsigned(10).Unsigned(20).Signed(5).Signed(5);
  b.Repetition(1, {1, 0, 100, 50});
  b.Unsigned(16);
  b.Unsigned(21).Raw({0x3B}).Unsigned(1).Unsigned(0).ManhattanList(0, {30, 10, -10, 10}).Signed(3).Signed(4);
  b.Unsigned(22).Raw({0xFB}).Unsigned(2).Unsigned(0).Unsigned(5).Unsigned(10).GDeltaList(4, {{100, 0}, {0, 50}});
  b.Signed(0).Signed(100);
  b.Unsigned(15);
  b.Unsigned(23).Raw({0x7B}).Unsigned(1).Unsigned(0).Unsigned(100).Unsigned(50).Signed(-20).Signed(30);
  b.Signed(0).Signed(0);
  b.Unsigned(26).Raw({0xE3}).Unsigned(1).Unsigned(0).Unsigned(7).Unsigned(100).Unsigned(30);
  b.Unsigned(27).Raw({0x3B}).Unsigned(3).Unsigned(0).Unsigned(50).Signed(500).Signed(500);
  b.Unsigned(19).Raw({0x7F}).Unsigned(0).Unsigned(2).Unsigned(3).Signed(0).Signed(0).Repetition(3, {0, 9});
  b.Unsigned(28).Raw({0x16}).Unsigned(0).Unsigned(8).Unsigned(42);
  b.Unsigned(13).Unsigned(0);
  b.Unsigned(17).Raw({0xF8}).Unsigned(1).Signed(0).Signed(0).Unsigned(8).Unsigned(1).Unsigned(0);
  b.GDelta(-10, 0).GDelta(0, 7);
  b.Unsigned(18).Raw({0xB6}).String("X").Float64(2.0).Float64(90).Signed(1).Signed(2);
  b.Unsigned(14).String("X");
  b.Unsigned(20).Raw({0xDB}).Unsigned(4).Unsigned(0).Unsigned(8).Signed(0).Signed(0);
  b.Unsigned(5).String("label");
  b.Unsigned(3).String("TOP").Unsigned(3).String("SUB");
  return End(b);
}

// SREF (columns 0) or AREF of SUB with STRANS written as a bit array, and ANGLE.
void Place(GdsBuilder& g, bool reflect, double angle, int columns, int rows, const std::vector<Point>& xy) {
  g.Record(columns ? gds::kAref : gds::kSref, gds::kNoData).String(gds::kSname, "SUB");
  g.Record(gds::kStrans, 1, {uint8_t(reflect ? 0x80 : 0), 0}).Real8(gds::kAngle, {angle});
  if (columns) g.Int16(gds::kColRow, {columns, rows});
  g.Xy(xy).Record(gds::kEndEl, gds::kNoData);
}

std::string Text(const libtest::Bytes& bytes) { return std::string(bytes.begin(), bytes.end()); }

std::string Strm2Oas() {
  const char* path = "/usr/lib/klayout/strm2oas";
  return std::filesystem::exists(path) ? path : "";
}

// Per cell: shape positions, texts, and instances with arrays expanded.
std::map<std::string, std::string> Counts(ReadFile& file) {
  std::map<std::string, std::string> out;
  for (const auto& slot : file.lib->cells) {
    if (!slot) continue;
    std::string name = slot->Name();
    Cell& cell = file.CellNamed(name);
    int64_t instances = 0;
    for (const SRef* ref : file.Placements(name)) {
      const ARef* a = ref->IsArray() ? static_cast<const ARef*>(ref) : nullptr;
      instances += a ? int64_t(a->columns) * a->rows : 1;
    }
    out[name] = std::to_string(file.Shapes(name).size()) + " shapes " + std::to_string(cell.texts.Count()) + " texts " +
                std::to_string(instances) + " instances";
  }
  return out;
}

// The boundaries of a GDSII file per layer, each as its sorted vertex list without the
// closing vertex.
std::map<int, std::vector<std::vector<Point>>> GdsBoundaries(const libtest::Bytes& b) {
  std::map<int, std::vector<std::vector<Point>>> out;
  int layer = -1;
  bool boundary = false;
  auto be16 = [&](size_t i) { return int((b[i] << 8) | b[i + 1]); };
  auto be32 = [&](size_t i) {
    return int32_t(uint32_t(b[i]) << 24 | uint32_t(b[i + 1]) << 16 | uint32_t(b[i + 2]) << 8 | b[i + 3]);
  };
  for (size_t i = 0; i + 4 <= b.size();) {
    size_t length = size_t(be16(i));
    if (length < 4 || i + length > b.size()) break;
    int type = b[i + 2];
    if (type == gds::kBoundary) boundary = true;
    if (type == gds::kLayer) layer = be16(i + 4);
    if (type == gds::kEndEl) boundary = false;
    if (type == gds::kXy && boundary) {
      std::vector<Point> ring;
      for (size_t p = i + 4; p + 8 <= i + length; p += 8) ring.emplace_back(be32(p), be32(p + 4));
      ring.pop_back();
      std::sort(ring.begin(), ring.end(),
                [](const Point& a, const Point& c) { return a.x < c.x || (a.x == c.x && a.y < c.y); });
      out[layer].push_back(ring);
    }
    i += length;
  }
  return out;
}

}  // namespace

TEST(OasisInFiles, CTrapezoidsMatchKLayout) {
  std::string tool = Strm2Oas();
  if (tool.empty()) GTEST_SKIP() << "strm2gds not installed";
  tool.replace(tool.size() - 3, 3, "gds");
  OasisBuilder b = Begin();
  b.Unsigned(14).String("A");
  for (uint64_t type = 0; type < 26; ++type) {
    uint64_t w = type < 8 || type == 24 ? 100 : (type < 16 ? 30 : 40), h = type < 8 || type == 24 ? 30 : 100;
    if (type == 20 || type == 21) h = 10, w = 77;
    if ((type >= 16 && type <= 19) || type == 22 || type == 23 || type == 25) h = 77;
    if (type == 22 || type == 23) w = 10;
    b.Unsigned(26).Raw({0xFB}).Unsigned(type + 1).Unsigned(0).Unsigned(type).Unsigned(w).Unsigned(h);
    b.Signed(int64_t(type) * 1000).Signed(0);
  }
  oasistest::EndPadded(b);
  libtest::TempDir dir;
  b.WriteTo(dir.File("in.oas"));
  std::string command = "LD_LIBRARY_PATH=/usr/lib/klayout " + tool + " " + dir.File("in.oas") + " " +
                        dir.File("out.gds") + " > " + dir.File("log") + " 2>&1";
  ASSERT_EQ(std::system(command.c_str()), 0) << Text(libtest::ReadBytes(dir.File("log")));
  auto theirs = GdsBoundaries(libtest::ReadBytes(dir.File("out.gds")));
  ReadFile file(b.bytes());
  Cell& cell = file.CellNamed("A");
  for (uint64_t type = 0; type < 26; ++type) {
    std::vector<std::vector<Point>> ours;
    for (ShapeGroup* g = cell.GetShapeGroups(MakeLayerKey(uint32_t(type + 1), 0)).Head(); g; g = g->next) {
      RingSet rings;
      g->record->ToRing(rings, Point(g->firstPosition->x, g->firstPosition->y));
      std::vector<Point> ring = ringtest::RingFrom(rings.Head());
      std::sort(ring.begin(), ring.end(),
                [](const Point& a, const Point& c) { return a.x < c.x || (a.x == c.x && a.y < c.y); });
      ours.push_back(ring);
    }
    EXPECT_EQ(ours, theirs[int(type + 1)]) << "type " << type;
  }
}

TEST(OasisInFiles, RichFileReads) {
  ReadFile file(RichFile().bytes());
  auto counts = Counts(file);
  EXPECT_EQ(counts["SUB"], "11 shapes 2 texts 0 instances");
  EXPECT_EQ(counts["TOP"], "0 shapes 0 texts 7 instances");
  EXPECT_EQ(counts["X"], "1 shapes 0 texts 0 instances");
}

TEST(OasisInFiles, EveryTruncatedPrefixIsRefused) {
  const OasisBuilder::Bytes full = RichFile().bytes();
  for (size_t length = 0; length < full.size(); ++length) {
    OasisBuilder::Bytes prefix(full.begin(), full.begin() + std::ptrdiff_t(length));
    EXPECT_NE(ReadError(prefix), "") << "prefix of " << length << " bytes";
  }
}

TEST(OasisInFiles, CrossReadsFilesWrittenByKLayout) {
  std::string tool = Strm2Oas();
  if (tool.empty()) GTEST_SKIP() << "strm2oas not installed";
  GdsBuilder g;
  g.LibraryHeader();
  g.BeginStructure("SUB");
  for (int i = 0; i < 5; ++i)
    g.Boundary(1, 0, {{i * 100, 0}, {i * 100 + 50, 0}, {i * 100 + 50, 30}, {i * 100, 30}, {i * 100, 0}});
  g.Boundary(2, 3, {{0, 0}, {40, 40}, {0, 80}, {0, 0}});
  g.Boundary(2, 3, {{0, 0}, {40, 10}, {0, 50}, {0, 0}});
  g.Path(3, 0, 10, 0, {{0, 0}, {200, 0}, {200, 200}});
  g.Text(5, 1, {10, 10}, "pin");
  g.EndStructure();
  g.BeginStructure("TOP");
  g.Sref("SUB", {0, 0});
  Place(g, true, 90, 0, 0, {{0, 1000}});
  g.Aref("SUB", 4, 3, {5000, 0}, {5000 + 4 * 700, 0}, {5000, 3 * 400});
  Place(g, false, 270, 2, 5, {{-5000, 0}, {-5000 - 2 * 700, 0}, {-5000, -5 * 400}});
  Place(g, true, 90, 3, 2, {{9000, 0}, {9000, 3 * 300}, {9000 - 2 * 500, 0}});
  for (int i = 0; i < 6; ++i) g.Sref("SUB", {i * 900, -3000});
  g.Boundary(7, 0, {{0, 0}, {10, 0}, {10, 10}, {0, 10}, {0, 0}});
  g.EndStructure();
  g.EndLibrary();
  libtest::TempDir dir;
  g.WriteTo(dir.File("in.gds"));
  const std::map<std::string, std::string> expected = {{"SUB", "8 shapes 1 texts 0 instances"},
                                                       {"TOP", "1 shapes 0 texts 36 instances"}};
  for (const char* strict : {"true", "false"}) {
    for (const char* level : {"0", "10"}) {
      std::string out = dir.File(std::string("out_") + strict + level + ".oas");
      std::string command = "LD_LIBRARY_PATH=/usr/lib/klayout " + tool + " --cblocks=false --strict-mode=" + strict +
                            " -ok " + level + " " + dir.File("in.gds") + " " + out + " > " + dir.File("log") + " 2>&1";
      ASSERT_EQ(std::system(command.c_str()), 0) << command << "\n" << Text(libtest::ReadBytes(dir.File("log")));
      try {
        ReadFile file(libtest::ReadBytes(out));
        EXPECT_EQ(Counts(file), expected) << "strict " << strict << " level " << level;
      } catch (const Error& e) {
        ADD_FAILURE() << e.Tag() << ": " << e.Message() << " strict " << strict << " level " << level;
      }
    }
  }
}
