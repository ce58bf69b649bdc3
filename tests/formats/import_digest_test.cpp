// The libraries that imports write must not change by a byte unless the readers are changed on
// purpose: each input below is imported and the library directory it leaves is reduced to one
// digest, compared with the digest recorded from the readers as they were. The inputs are the
// seed files of the reader fuzz targets and two generated layouts that press on the shape
// grouping: many rectangles of few sizes given from every corner in both directions, repeated
// positions, long records alike in their first values, octagons, general polygons, paths,
// texts, placements and repetitions.
//
// When a reader's output changes on purpose, the failure message gives the new digest.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <map>
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

// FNV-1a over the library's files (the index files and the cell data files "db<n>") in name
// order: name, size, bytes. Anything else in the directory (a lock file) is not the library's
// content.
std::string DirectoryDigest(const std::string& dir) {
  std::map<std::string, libtest::Bytes> files;
  for (const auto& entry : fs::directory_iterator(dir)) {
    std::string name = entry.path().filename().string();
    bool index = name == "info" || name == "names" || name == "texts" || name == "parents";
    if (index || name.rfind("db", 0) == 0) files[name] = libtest::ReadBytes(entry.path().string());
  }
  uint64_t hash = 0xcbf29ce484222325ull;
  auto mix = [&hash](uint8_t byte) { hash = (hash ^ byte) * 0x100000001b3ull; };
  for (const auto& [name, bytes] : files) {
    for (char c : name) mix(uint8_t(c));
    for (int i = 0; i < 8; ++i) mix(uint8_t(uint64_t(bytes.size()) >> (8 * i)));
    for (uint8_t b : bytes) mix(b);
  }
  char text[17];
  std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(hash));
  return text;
}

// The digest of the library that reading path leaves, or "Error: " and the message.
template <typename ReadInto>
std::string ImportDigest(const libtest::TempDir& dir, ReadInto read) {
  std::string libDir = dir.File("lib");
  fs::remove_all(libDir);
  fs::create_directories(libDir);
  testing::internal::CaptureStdout();
  std::string result;
  try {
    Library lib(libDir, false);
    read(lib);
    result = DirectoryDigest(libDir);
  } catch (const Error& e) {
    result = std::string("Error: ") + e.Message();
  }
  testing::internal::GetCapturedStdout();
  return result;
}

std::string GdsDigest(const libtest::TempDir& dir, const std::string& path, bool gzip,
                      const GdsInSettings& settings = GdsInSettings()) {
  return ImportDigest(dir, [&](Library& lib) {
    GdsIn in(path.c_str(), gzip, settings);
    in.ReadLibrary(lib);
  });
}

std::string OasisDigest(const libtest::TempDir& dir, const std::string& path, const OasisInSettings& settings) {
  return ImportDigest(dir, [&](Library& lib) { OasisIn(settings).ReadLibrary(path, lib); });
}

// A seed file of a reader fuzz target.
libtest::Bytes Seed(const std::string& target, const std::string& name) {
  return libtest::ReadBytes(std::string(KORVANE_TEST_DATA) + "/fuzz/corpus/" + target + "/" + name);
}

// A fixed sequence of numbers, the same on every machine.
class Random {
 public:
  explicit Random(uint64_t seed) : state_(seed) {}
  int32_t Below(int32_t n) {
    uint64_t z = (state_ += 0x9e3779b97f4a7c15ull);
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ull;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebull;
    return int32_t((z ^ (z >> 31)) % uint64_t(n));
  }

 private:
  uint64_t state_;
};

// The closed point list of ring turned to start at vertex `start`, reversed when `reverse`.
std::vector<Point> Closed(std::vector<Point> ring, int start, bool reverse) {
  if (reverse) std::reverse(ring.begin(), ring.end());
  std::rotate(ring.begin(), ring.begin() + start % int(ring.size()), ring.end());
  ring.push_back(ring.front());
  return ring;
}

std::vector<Point> Moved(const std::vector<Point>& ring, int32_t x, int32_t y) {
  std::vector<Point> out;
  for (const Point& p : ring) out.emplace_back(p.x + x, p.y + y);
  return out;
}

// One boundary of a kind picked at random, at (x, y).
std::vector<Point> BusyShape(Random& r, int32_t x, int32_t y) {
  int32_t a = 10 * (1 + r.Below(3));
  switch (r.Below(8)) {
    case 0:
      return Moved({{0, 0}, {3 * a, 0}, {3 * a, a}, {6 * a, a}, {6 * a, 2 * a}, {0, 2 * a}}, x, y);
    case 1: {
      // Staircases alike in their first values, apart only further on.
      int32_t top = 2 * a + 10 * r.Below(3);
      return Moved({{0, 0}, {a, 0}, {a, a}, {2 * a, a}, {2 * a, top}, {0, top}}, x, y);
    }
    case 2:
      return Moved({{a, 0}, {2 * a, 0}, {3 * a, a}, {3 * a, 2 * a}, {2 * a, 3 * a}, {a, 3 * a}, {0, 2 * a}, {0, a}}, x,
                   y);
    case 3:
      return Moved({{0, 0}, {30 + a, 0}, {7, 50}}, x, y);
    case 4:
      return Moved({{0, 0}, {40, 3}, {80, 0}, {77, 40}, {80, 80}, {40, 77}, {0, 80}}, x, y);
    case 5:
      // A rectangle with a vertex in the middle of a side.
      return Moved({{0, 0}, {a, 0}, {2 * a, 0}, {2 * a, a}, {0, a}}, x, y);
    default: {
      int32_t w = 50 * (1 + r.Below(8)), h = 50 * (1 + r.Below(8));
      return Moved({{0, 0}, {w, 0}, {w, h}, {0, h}}, x, y);
    }
  }
}

GdsBuilder BusyGds() {
  Random r(29);
  GdsBuilder b;
  b.LibraryHeader();
  b.BeginStructure("LEAF");
  b.Boundary(1, 0, {{0, 0}, {100, 0}, {100, 100}, {0, 100}, {0, 0}});
  b.Text(2, 0, {50, 50}, "leaf");
  b.EndStructure();
  b.BeginStructure("BUSY");
  std::vector<Point> last = {{0, 0}, {10, 0}, {10, 10}, {0, 10}, {0, 0}};
  for (int i = 0; i < 6000; ++i) {
    int layer = 1 + r.Below(3), dataType = r.Below(2);
    int32_t x = 10 * r.Below(3000) - 15000, y = 10 * r.Below(3000) - 15000;
    int pick = r.Below(12);
    if (pick == 0) {
      b.Boundary(layer, dataType, last);
    } else if (pick == 1) {
      int32_t length = 100 * (1 + r.Below(5));
      std::vector<Point> line = {{x, y}, {x + length, y}};
      if (r.Below(2)) line.push_back({x + length, y + length});
      b.Path(layer, dataType, 20 * (1 + r.Below(3)), r.Below(3) == 0 ? 0 : 2, line);
    } else if (pick == 2) {
      b.Text(layer, dataType, {x, y}, "t" + std::to_string(r.Below(50)));
    } else {
      std::vector<Point> ring = BusyShape(r, x, y);
      last = Closed(ring, r.Below(int32_t(ring.size())), r.Below(2) == 1);
      b.Boundary(layer, dataType, last);
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

// Every element record of the reader with random fields, some with repetitions, in a cell
// placed by a second one.
OasisBuilder BusyOasis() {
  Random r(2029);
  OasisBuilder b = oasistest::Begin();
  b.Unsigned(13).Unsigned(0);
  for (int i = 0; i < 3000; ++i) {
    uint64_t layer = 1 + uint64_t(r.Below(3)), dataType = uint64_t(r.Below(2));
    int64_t x = 10 * r.Below(3000) - 15000, y = 10 * r.Below(3000) - 15000;
    uint64_t w = 50 * (1 + uint64_t(r.Below(6))), h = 50 * (1 + uint64_t(r.Below(6)));
    bool repeated = r.Below(4) == 0;
    uint8_t rBit = repeated ? 0x04 : 0;
    switch (r.Below(8)) {
      case 0:
        b.Unsigned(21).Raw({uint8_t(0x3B | rBit)}).Unsigned(layer).Unsigned(dataType);
        b.ManhattanList(0, {int64_t(w), int64_t(h), -int64_t(w) / 2, int64_t(h)}).Signed(x).Signed(y);
        break;
      case 1:
        b.Unsigned(21).Raw({uint8_t(0x3B | rBit)}).Unsigned(layer).Unsigned(dataType);
        b.GDeltaList(4, {{int64_t(w), 0}, {30, 30}, {0, int64_t(h)}, {-30, 30}}).Signed(x).Signed(y);
        break;
      case 2:
        b.Unsigned(22).Raw({uint8_t(0xFB | rBit)}).Unsigned(layer).Unsigned(dataType).Unsigned(w / 10);
        b.Unsigned(r.Below(2) ? 10 : 5).GDeltaList(4, {{int64_t(h), 0}, {0, int64_t(w)}}).Signed(x).Signed(y);
        break;
      case 3:
        b.Unsigned(23).Raw({uint8_t(0x7B | rBit)}).Unsigned(layer).Unsigned(dataType).Unsigned(w).Unsigned(h);
        b.Signed(r.Below(40) - 20).Signed(r.Below(40) - 20).Signed(x).Signed(y);
        break;
      case 4:
        b.Unsigned(26).Raw({uint8_t(0xFB | rBit)}).Unsigned(layer).Unsigned(dataType).Unsigned(uint64_t(r.Below(26)));
        b.Unsigned(w).Unsigned(h).Signed(x).Signed(y);
        break;
      case 5:
        b.Unsigned(27).Raw({uint8_t(0x3B | rBit)}).Unsigned(layer).Unsigned(dataType).Unsigned(w / 2);
        b.Signed(x).Signed(y);
        break;
      default:
        b.Unsigned(20).Raw({uint8_t(0x7B | rBit)}).Unsigned(layer).Unsigned(dataType).Unsigned(w).Unsigned(h);
        b.Signed(x).Signed(y);
        break;
    }
    if (repeated) {
      if (r.Below(2)) {
        b.Repetition(1, {uint64_t(r.Below(3)), uint64_t(r.Below(3)), 10 * (1 + uint64_t(r.Below(30))), 500});
      } else {
        b.Repetition(4, {2, 700, 10 * uint64_t(r.Below(3)), 1500});
      }
    }
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
  // Checks every recorded digest against the import's, all at once; digest(name) imports one.
  template <typename Import>
  void ExpectRecorded(const std::map<std::string, std::string>& recorded, Import digest) {
    for (const auto& [name, expected] : recorded) {
      std::string actual = digest(name);
      EXPECT_EQ(actual, expected) << "{\"" << name << "\", \"" << actual << "\"},";
    }
  }

  libtest::TempDir dir_;
};

// The seeds of the library target, read as the target reads them (gds_library_seed.h).
TEST_F(ImportDigest, GdsSeedsWriteTheRecordedLibraries) {
  const std::map<std::string, std::string> recorded = {{"boundary", "641c7bd7d895a261"},
                                                       {"boundary_split", "641c7bd7d895a261"},
                                                       {"path", "687b16273d6aef02"},
                                                       {"references", "944145433fd49b42"},
                                                       {"references_gzip", "944145433fd49b42"},
                                                       {"sample", "f5093a1c4d40197f"},
                                                       {"sample_small_thresholds", "f5093a1c4d40197f"},
                                                       {"slow-long-path-split-1", "Error: Element End missing"},
                                                       {"slow-long-path-split-2", "Error: Element End missing"},
                                                       {"text_node_box", "d975ef5fa3dec455"},
                                                       {"text_node_box_gzip", "d975ef5fa3dec455"}};
  ExpectRecorded(recorded, [this](const std::string& name) {
    libtest::Bytes bytes = Seed("gds_library", name);
    if (bytes.empty()) return std::string("no seed");
    const gdsseed::Flags flags = gdsseed::FlagsOf(bytes[0]);
    std::string path = dir_.File(flags.gzip ? "in.gds.gz" : "in.gds");
    GdsBuilder().Raw(libtest::Bytes(bytes.begin() + 1, bytes.end())).WriteTo(path, flags.gzip);
    return GdsDigest(dir_, path, flags.gzip, flags.settings);
  });
}

TEST_F(ImportDigest, OasisSeedsWriteTheRecordedLibraries) {
  const std::string tooLarge =
      "Error: Repetition too large (199007449 positions): the repetitions of a file expand to at most 65536";
  const std::map<std::string, std::string> recorded = {
      {"names_implicit", "8b35e08d61f9513f"}, {"placement18", "1cb5a0a9adad17cc"},
      {"rect-repetition-199M", tooLarge},     {"rect-repetition-199M-3cells", tooLarge},
      {"shapes", "Error: Unknown Record ID"}, {"strict_forward", "1214ac44af05d0ec"}};
  OasisInSettings settings;
  settings.maxRepeatedPositions = 1 << 16;
  ExpectRecorded(recorded, [&](const std::string& name) {
    std::string path = dir_.File("in.oas");
    libtest::WriteBytes(path, Seed("oasis_reader", name));
    return OasisDigest(dir_, path, settings);
  });
}

TEST_F(ImportDigest, GeneratedLayoutsWriteTheRecordedLibraries) {
  std::string gds = dir_.File("busy.gds");
  BusyGds().WriteTo(gds);
  std::string oasis = dir_.File("busy.oas");
  BusyOasis().WriteTo(oasis);
  GdsInSettings small;
  small.storeThreshold = 5000;
  small.tileSize = 8000;
  const std::map<std::string, std::string> recorded = {
      {"busy.gds", "1c399db116399c0d"}, {"busy.gds split", "5e1c891d199009fc"}, {"busy.oas", "85c3feef639fea9a"}};
  ExpectRecorded(recorded, [&](const std::string& name) {
    if (name == "busy.oas") return OasisDigest(dir_, oasis, OasisInSettings());
    return GdsDigest(dir_, gds, false, name == "busy.gds split" ? small : GdsInSettings());
  });
}

}  // namespace
