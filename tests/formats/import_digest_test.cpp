// The libraries that imports write must not change by a byte unless the readers are changed on
// purpose: each input is imported and the library it leaves is reduced to a digest, compared
// with the one recorded from the readers as they were. The inputs are the seeds of the reader
// fuzz targets and two generated layouts that press on the shape grouping: many shapes of few
// sizes, rectangles from every corner in both directions, repeated positions, long records alike
// in their first values, straight and bent paths, texts, placements and repetitions. When a
// reader's output changes on purpose, the failure message gives the new digest.
#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "db/error.h"
#include "db/library.h"
#include "formats/gds_in.h"
#include "formats/oasis_in.h"
#include "tests/db/library_test_util.h"
#include "tests/formats/gds_builder.h"
#include "tests/formats/oasis_in_test_util.h"
#include "tests/fuzz/gds_library_seed.h"

namespace {

namespace fs = std::filesystem;

// CRC-32 of the library's own files (index files, cell data files "db<n>"; not a lock file) in
// name order, names included.
std::string LibraryDigest(const std::string& dir) {
  std::map<std::string, libtest::Bytes> files;
  for (const auto& entry : fs::directory_iterator(dir)) {
    std::string name = entry.path().filename().string();
    bool index = name == "info" || name == "names" || name == "texts" || name == "parents";
    if (index || name.rfind("db", 0) == 0) files[name] = libtest::ReadBytes(entry.path().string());
  }
  uLong crc = crc32(0, nullptr, 0);
  for (const auto& [name, bytes] : files) {
    crc = crc32(crc, reinterpret_cast<const Bytef*>(name.data()), uInt(name.size()));
    // A null buffer would restart the sum: empty files add nothing.
    if (!bytes.empty()) crc = crc32(crc, bytes.data(), uInt(bytes.size()));
  }
  char text[9];
  std::snprintf(text, sizeof text, "%08lx", crc);
  return text;
}

// The digest of the library that read(library) fills, or "Error: " and the message.
template <typename Read>
std::string ImportDigest(const libtest::TempDir& dir, Read read) {
  std::string libDir = dir.File("lib");
  fs::remove_all(libDir);
  fs::create_directories(libDir);
  testing::internal::CaptureStdout();
  std::string result;
  try {
    Library lib(libDir, false);
    read(lib);
    result = LibraryDigest(libDir);
  } catch (const Error& e) {
    result = std::string("Error: ") + e.Message();
  }
  testing::internal::GetCapturedStdout();
  return result;
}

std::string GdsDigest(const libtest::TempDir& dir, const std::string& path, const gdsseed::Flags& flags) {
  return ImportDigest(dir, [&](Library& lib) { GdsIn(path.c_str(), flags.gzip, flags.settings).ReadLibrary(lib); });
}

std::string OasisDigest(const libtest::TempDir& dir, const std::string& path, const OasisInSettings& settings) {
  return ImportDigest(dir, [&](Library& lib) { OasisIn(settings).ReadLibrary(path, lib); });
}

libtest::Bytes Seed(const std::string& target, const std::string& name) {
  return libtest::ReadBytes(std::string(KORVANE_TEST_DATA) + "/fuzz/corpus/" + target + "/" + name);
}

// Random numbers are drawn one per statement: the order in which the arguments of a call are
// evaluated is the compiler's.

// One closed boundary of a kind picked at random at (x, y), from a random vertex, either way.
std::vector<Point> BusyBoundary(std::mt19937& rng, int32_t x, int32_t y) {
  int32_t a = 10 * int32_t(1 + rng() % 3), w = 50 * int32_t(1 + rng() % 8), h = 50 * int32_t(1 + rng() % 8);
  int32_t top = 2 * a + 10 * int32_t(rng() % 3);
  const std::vector<std::vector<Point>> kinds = {
      {{0, 0}, {w, 0}, {w, h}, {0, h}},
      {{0, 0}, {w, 0}, {w, h}, {0, h}},
      // Staircases alike in their first values, apart only further on.
      {{0, 0}, {a, 0}, {a, a}, {2 * a, a}, {2 * a, top}, {0, top}},
      {{a, 0}, {2 * a, 0}, {3 * a, a}, {3 * a, 2 * a}, {2 * a, 3 * a}, {a, 3 * a}, {0, 2 * a}, {0, a}},
      {{0, 0}, {30 + a, 0}, {7, 50}},
      {{0, 0}, {40, 3}, {80, 0}, {77, 40}, {80, 80}, {40, 77}, {0, 80}},
      {{0, 0}, {a, 0}, {2 * a, 0}, {2 * a, a}, {0, a}},  // a vertex in the middle of a side
  };
  std::vector<Point> ring = kinds[rng() % kinds.size()];
  for (Point& p : ring) p = Point(p.x + x, p.y + y);
  if (rng() % 2) std::reverse(ring.begin(), ring.end());
  std::rotate(ring.begin(), ring.begin() + rng() % ring.size(), ring.end());
  ring.push_back(ring.front());
  return ring;
}

GdsBuilder BusyGds() {
  std::mt19937 rng(29);
  GdsBuilder b;
  b.LibraryHeader();
  b.BeginStructure("LEAF");
  b.Boundary(1, 0, {{0, 0}, {100, 0}, {100, 100}, {0, 100}, {0, 0}});
  b.EndStructure();
  b.BeginStructure("BUSY");
  std::vector<Point> last = {{0, 0}, {10, 0}, {10, 10}, {0, 10}, {0, 0}};
  for (int i = 0; i < 6000; ++i) {
    int layer = 1 + int(rng() % 3), dataType = int(rng() % 2);
    int32_t x = 10 * int32_t(rng() % 3000) - 15000, y = 10 * int32_t(rng() % 3000) - 15000;
    int32_t length = 100 * int32_t(1 + rng() % 5), width = 20 * int32_t(1 + rng() % 3);
    int pathType = rng() % 3 ? 2 : 0;
    Point end = rng() % 2 ? Point(x + length, y) : Point(x, y + length);
    switch (rng() % 8) {
      case 0:
        b.Boundary(layer, dataType, last);  // the same shape at the same place again
        break;
      case 1: b.Path(layer, dataType, width, pathType, {{x, y}, end}); break;
      case 2: b.Path(layer, dataType, width, pathType, {{x, y}, {x + length, y}, {x + length, y + length}}); break;
      case 3: b.Text(layer, dataType, {x, y}, "t" + std::to_string(length)); break;
      default: b.Boundary(layer, dataType, last = BusyBoundary(rng, x, y));
    }
  }
  for (int i = 0; i < 40; ++i) b.Sref("LEAF", {1000 * (i % 7), 500 * (i % 5)});
  b.Aref("LEAF", 3, 2, {0, 5000}, {900, 5000}, {0, 5600});
  b.EndStructure();
  b.BeginStructure("TOP");
  b.Sref("BUSY", {0, 0});
  b.Sref("BUSY", {100000, 0}, GdsPlacement{true, 1, 90});
  b.EndStructure();
  b.EndLibrary();
  return b;
}

// Rectangles (squares among them), polygons, straight and bent paths and texts with random
// fields, some with repetitions, in a cell placed by a second one.
OasisBuilder BusyOasis() {
  std::mt19937 rng(2029);
  OasisBuilder b = oasistest::Begin();
  b.Unsigned(13).Unsigned(0);
  for (int i = 0; i < 3000; ++i) {
    uint64_t layer = 1 + rng() % 3, dataType = rng() % 2, w = 50 * (1 + rng() % 6), h = 50 * (1 + rng() % 6);
    int64_t x = 10 * int64_t(rng() % 3000) - 15000, y = 10 * int64_t(rng() % 3000) - 15000, length = int64_t(h);
    uint64_t extensions = rng() % 2 ? 10 : 5;
    std::pair<int64_t, int64_t> step =
        rng() % 2 ? std::pair<int64_t, int64_t>(length, 0) : std::pair(int64_t(0), length);
    uint64_t repetition = rng() % 8, columns = rng() % 3, rows = rng() % 3, pitch = 10 * (1 + rng() % 30);
    uint8_t r = repetition < 2 ? 0x04 : 0;
    switch (rng() % 6) {
      case 0:
        b.Unsigned(21).Raw({uint8_t(0x3B | r)}).Unsigned(layer).Unsigned(dataType);
        b.ManhattanList(0, {int64_t(w), int64_t(h), -int64_t(w) / 2, int64_t(h)});
        break;
      case 1:
        b.Unsigned(22).Raw({uint8_t(0xFB | r)}).Unsigned(layer).Unsigned(dataType).Unsigned(w / 10).Unsigned(10);
        b.GDeltaList(4, {{length, 0}, {0, length}});
        break;
      case 2:
        b.Unsigned(22).Raw({uint8_t(0xFB | r)}).Unsigned(layer).Unsigned(dataType).Unsigned(w / 10);
        b.Unsigned(extensions).GDeltaList(4, {step});
        break;
      case 3: b.Unsigned(20).Raw({uint8_t(0xDB | r)}).Unsigned(layer).Unsigned(dataType).Unsigned(w); break;
      default: b.Unsigned(20).Raw({uint8_t(0x7B | r)}).Unsigned(layer).Unsigned(dataType).Unsigned(w).Unsigned(h);
    }
    b.Signed(x).Signed(y);
    if (repetition == 0) b.Repetition(1, {columns, rows, pitch, 500});
    if (repetition == 1) b.Repetition(4, {2, 700, 10 * columns, 1500});
    if (i % 100 == 0) {
      b.Unsigned(19).Raw({0x5B}).String("n" + std::to_string(i % 7)).Unsigned(layer).Unsigned(0).Signed(x).Signed(y);
    }
  }
  b.Unsigned(13).Unsigned(1);
  b.Unsigned(17).Raw({0xF0}).Unsigned(0).Signed(0).Signed(0);
  b.Unsigned(17).Raw({0xF9}).Unsigned(0).Signed(90000).Signed(0).Repetition(1, {1, 0, 60000, 60000});
  b.Unsigned(3).String("BUSY").Unsigned(3).String("TOP");
  return oasistest::End(b);
}

class ImportDigest : public testing::Test {
 protected:
  // Checks every recorded digest, all at once; digest(name) imports the input of that name.
  template <typename Digest>
  void ExpectRecorded(const std::map<std::string, std::string>& recorded, Digest digest) {
    for (const auto& [name, expected] : recorded) {
      std::string actual = digest(name);
      EXPECT_EQ(actual, expected) << "{\"" << name << "\", \"" << actual << "\"},";
    }
  }

  libtest::TempDir dir_;
};

// The seeds of the library target, read as the target reads them (gds_library_seed.h).
TEST_F(ImportDigest, GdsSeedsWriteTheRecordedLibraries) {
  const std::map<std::string, std::string> recorded = {{"boundary", "14f62baf"},
                                                       {"boundary_split", "14f62baf"},
                                                       {"path", "07bdec93"},
                                                       {"references", "24bec167"},
                                                       {"references_gzip", "24bec167"},
                                                       {"sample", "b4630a4b"},
                                                       {"sample_small_thresholds", "b4630a4b"},
                                                       {"slow-long-path-split-1", "Error: Element End missing"},
                                                       {"slow-long-path-split-2", "Error: Element End missing"},
                                                       {"text_node_box", "742b2b4d"},
                                                       {"text_node_box_gzip", "742b2b4d"}};
  ExpectRecorded(recorded, [this](const std::string& name) {
    libtest::Bytes bytes = Seed("gds_library", name);
    if (bytes.empty()) return std::string("no seed");
    gdsseed::Flags flags = gdsseed::FlagsOf(bytes[0]);
    std::string path = dir_.File(flags.gzip ? "in.gds.gz" : "in.gds");
    GdsBuilder().Raw(libtest::Bytes(bytes.begin() + 1, bytes.end())).WriteTo(path, flags.gzip);
    return GdsDigest(dir_, path, flags);
  });
}

TEST_F(ImportDigest, OasisSeedsWriteTheRecordedLibraries) {
  const std::string kTooLarge =
      "Error: Repetition too large (199007449 positions): the repetitions of a file expand to at most 65536";
  OasisInSettings settings;
  settings.maxRepeatedPositions = 1 << 16;
  const std::map<std::string, std::string> recorded = {
      {"names_implicit", "db4fb789"},         {"placement18", "12d9e546"},
      {"rect-repetition-199M", kTooLarge},    {"rect-repetition-199M-3cells", kTooLarge},
      {"shapes", "Error: Unknown Record ID"}, {"strict_forward", "8f056769"}};
  ExpectRecorded(recorded, [&](const std::string& name) {
    std::string path = dir_.File("in.oas");
    libtest::WriteBytes(path, Seed("oasis_reader", name));
    return OasisDigest(dir_, path, settings);
  });
}

TEST_F(ImportDigest, GeneratedLayoutsWriteTheRecordedLibraries) {
  std::string gds = dir_.File("busy.gds"), oasis = dir_.File("busy.oas");
  BusyGds().WriteTo(gds);
  BusyOasis().WriteTo(oasis);
  gdsseed::Flags split{false, GdsInSettings()};
  split.settings.storeThreshold = 5000;
  split.settings.tileSize = 8000;
  const std::map<std::string, std::string> recorded = {
      {"busy.gds", "0add0954"}, {"busy.gds split", "c1d70d6c"}, {"busy.oas", "ab997344"}};
  ExpectRecorded(recorded, [&](const std::string& name) {
    if (name == "busy.oas") return OasisDigest(dir_, oasis, OasisInSettings());
    return GdsDigest(dir_, gds, name == "busy.gds split" ? split : gdsseed::Flags{false, GdsInSettings()});
  });
}

}  // namespace
