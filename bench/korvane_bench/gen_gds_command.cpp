// korvane-bench gen-gds OUT.gds SCALE: a deterministic synthetic hierarchical layout of about
// 30 MB per unit of SCALE. 320 leaf cells (rectangles, 45-degree octagons, general 12-vertex
// polygons, paths, a text); 20 blocks per unit, each with 700 single placements in all eight
// orientations, 50 arrays and 1500 rectangles; one flat routing cell of 400,000 shapes per unit;
// a top cell placing every block and routing cell, routing cell 0 over its centre. SCALE adds
// blocks and routing cells, never bigger cells.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/korvane_bench/command.h"
#include "db/trans.h"
#include "formats/gds_out.h"

namespace {

constexpr int kLeafCount = 320;
constexpr int32_t kLeafSize = 8000;
constexpr int kBlocksPerUnit = 20;
constexpr int kBlockSrefs = 700;
constexpr int kBlockArefs = 50;
constexpr int kBlockRects = 1500;
constexpr int32_t kBlockPitch = 500000;
constexpr int kRouteShapes = 400000;
constexpr int32_t kRouteSize = 2000000;
// Fixed date stamps keep the output byte-identical from run to run.
constexpr std::time_t kStampTime = 1700000000;

// splitmix64: a small, fixed generator so that every run writes the same bytes.
class Random {
 public:
  explicit Random(uint64_t seed) : state_(seed) {}
  uint64_t Next() {
    uint64_t z = (state_ += 0x9e3779b97f4a7c15ull);
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ull;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebull;
    return z ^ (z >> 31);
  }
  int32_t Below(int32_t n) { return int32_t(Next() % uint64_t(n)); }

 private:
  uint64_t state_;
};

struct Counts {
  int64_t cells = 0;
  int64_t elements = 0;
  int64_t placements = 0;
};

class Generator {
 public:
  Generator(GdsOut& out, int scale) : out_(out), scale_(scale), random_(0x4b6f7276616e65ull) {}

  void Run() {
    out_.WriteLibraryStart(600, "GENGDS", 0.001, 1e-9);
    for (int i = 0; i < kLeafCount; ++i) Leaf(i);
    for (int i = 0; i < kBlocksPerUnit * scale_; ++i) Block(i);
    for (int i = 0; i < scale_; ++i) Route(i);
    Top();
    out_.WriteLibraryEnd();
  }
  const Counts& Totals() const { return counts_; }

 private:
  static std::string Name(const char* prefix, int i) {
    char name[32];
    std::snprintf(name, sizeof name, "%s_%04d", prefix, i);
    return name;
  }
  // One of the 16 layer/datatype pairs: layers 1 to 8, datatypes 0 and 1.
  void PickLayer(uint16_t& layer, uint16_t& datatype) {
    int pair = random_.Below(16);
    layer = uint16_t(1 + pair / 2);
    datatype = uint16_t(pair % 2);
  }
  void Begin(const std::string& name) {
    out_.WriteStructureHeader(name);
    ++counts_.cells;
  }
  void Rect(int32_t x, int32_t y, int32_t w, int32_t h) {
    uint16_t layer, datatype;
    PickLayer(layer, datatype);
    const Point corners[4] = {Point(x, y), Point(x + w, y), Point(x + w, y + h), Point(x, y + h)};
    out_.WriteBoundaryElement(layer, datatype, corners, 4);
    ++counts_.elements;
  }
  void Polygon(const std::vector<Point>& ring) {
    uint16_t layer, datatype;
    PickLayer(layer, datatype);
    out_.WriteBoundaryElement(layer, datatype, ring.data(), ring.size());
    ++counts_.elements;
  }
  void Octagon(int32_t x, int32_t y, int32_t a) {
    Polygon({Point(x + a, y), Point(x + 2 * a, y), Point(x + 3 * a, y + a), Point(x + 3 * a, y + 2 * a),
             Point(x + 2 * a, y + 3 * a), Point(x + a, y + 3 * a), Point(x, y + 2 * a), Point(x, y + a)});
  }
  // A star of 12 vertices at general angles.
  void Star(int32_t cx, int32_t cy, int32_t r) {
    std::vector<Point> ring;
    for (int k = 0; k < 12; ++k) {
      double angle = k * 3.14159265358979 / 6 + 0.1;
      double radius = (k % 2) ? r : r / 2;
      ring.emplace_back(cx + int32_t(std::lround(radius * std::cos(angle))),
                        cy + int32_t(std::lround(radius * std::sin(angle))));
    }
    Polygon(ring);
  }
  // A Manhattan zigzag wire of 12 vertices.
  void Zigzag(int32_t x, int32_t y) {
    Polygon({Point(x, y), Point(x + 3000, y), Point(x + 3000, y + 1000), Point(x + 6000, y + 1000),
             Point(x + 6000, y + 2000), Point(x + 9000, y + 2000), Point(x + 9000, y + 2400), Point(x + 5600, y + 2400),
             Point(x + 5600, y + 1400), Point(x + 2600, y + 1400), Point(x + 2600, y + 400), Point(x, y + 400)});
  }
  void Path(int32_t x, int32_t y, int32_t length, bool vertical) {
    uint16_t layer, datatype;
    PickLayer(layer, datatype);
    out_.WriteEmptyRecord(gds::kPath);
    out_.WriteInt16Record(gds::kLayer, gds::kInt16, layer);
    out_.WriteInt16Record(gds::kDataType, gds::kInt16, datatype);
    out_.WriteInt32Record(gds::kWidth, 100);
    out_.WriteXyHeader(2);
    out_.WritePoint(x, y);
    out_.WritePoint(vertical ? x : x + length, vertical ? y + length : y);
    out_.WriteEmptyRecord(gds::kEndEl);
    ++counts_.elements;
  }
  void Text(int32_t x, int32_t y, int i) {
    GdsOutText text;
    text.x = x;
    text.y = y;
    PickLayer(text.layer, text.texttype);
    text.text = Name("NET", i);
    out_.WriteText(text);
    ++counts_.elements;
  }

  void Leaf(int i) {
    Begin(Name("LEAF", i));
    for (int k = 0; k < 30; ++k) {
      Rect(random_.Below(kLeafSize - 1000), random_.Below(kLeafSize - 1000), 100 + random_.Below(900),
           100 + random_.Below(900));
    }
    for (int k = 0; k < 3; ++k) Octagon(random_.Below(kLeafSize - 900), random_.Below(kLeafSize - 900), 300);
    for (int k = 0; k < 2; ++k) {
      Star(1000 + random_.Below(kLeafSize - 2000), 1000 + random_.Below(kLeafSize - 2000), 900);
    }
    Path(random_.Below(kLeafSize / 2), random_.Below(kLeafSize), kLeafSize / 2, false);
    Path(random_.Below(kLeafSize), random_.Below(kLeafSize / 2), kLeafSize / 2, true);
    Text(kLeafSize / 2, kLeafSize / 2, i);
    out_.WriteStructureEnd();
  }

  void Block(int i) {
    Begin(Name("BLOCK", i));
    for (int k = 0; k < kBlockSrefs; ++k) {
      SRef ref;
      ref.x = (k % 40) * 10000 + 1000;
      ref.y = (k / 40) * 10000 + 1000;
      ref.orientation = uint8_t(k % 8);
      out_.WriteSRef(ref, Name("LEAF", random_.Below(kLeafCount)));
      ++counts_.elements;
      ++counts_.placements;
    }
    for (int k = 0; k < kBlockArefs; ++k) {
      ARef ref;
      ref.x = (k % 5) * 80000;
      ref.y = 180000 + (k / 5) * 20000;
      ref.orientation = uint8_t(k % 8);
      ref.columns = int16_t(2 + random_.Below(7));
      ref.rows = 2;
      ref.columnPitch = 10000;
      ref.rowPitch = 10000;
      out_.WriteARef(ref, Name("LEAF", random_.Below(kLeafCount)));
      ++counts_.elements;
      ++counts_.placements;
    }
    for (int k = 0; k < kBlockRects; ++k) {
      Rect(random_.Below(400000), random_.Below(400000), 200 + random_.Below(2000), 200 + random_.Below(2000));
    }
    out_.WriteStructureEnd();
  }

  // Wires on a track grid: mostly rectangles, with paths, zigzags and net labels among them.
  void Route(int i) {
    Begin(Name("ROUTE", i));
    for (int k = 0; k < kRouteShapes; ++k) {
      int32_t x = random_.Below(kRouteSize - 20000);
      int32_t y = random_.Below(kRouteSize - 20000);
      int kind = k % 200;
      if (kind < 8) {
        Path(x, y, 2000 + random_.Below(16000), (k & 1) != 0);
      } else if (kind < 11) {
        Zigzag(x, y);
      } else if (kind == 11) {
        Text(x, y, k);
      } else if (k & 1) {
        Rect(x, y, 2000 + random_.Below(16000), 100);
      } else {
        Rect(x, y, 100, 2000 + random_.Below(16000));
      }
    }
    out_.WriteStructureEnd();
  }

  void Top() {
    Begin("TOP");
    int blocks = kBlocksPerUnit * scale_;
    int columns = int(std::ceil(std::sqrt(double(blocks))));
    int rows = (blocks + columns - 1) / columns;
    for (int k = 0; k < blocks; ++k) {
      SRef ref;
      ref.x = (k % columns) * kBlockPitch;
      ref.y = (k / columns) * kBlockPitch;
      out_.WriteSRef(ref, Name("BLOCK", k));
      ++counts_.elements;
      ++counts_.placements;
    }
    int32_t centreX = columns * kBlockPitch / 2;
    int32_t centreY = rows * kBlockPitch / 2;
    int routeColumns = int(std::ceil(std::sqrt(double(scale_))));
    for (int k = 0; k < scale_; ++k) {
      SRef ref;
      if (k == 0) {
        ref.x = centreX - kRouteSize / 2;
        ref.y = centreY - kRouteSize / 2;
      } else {
        ref.x = (k % routeColumns) * kRouteSize;
        ref.y = (k / routeColumns) * kRouteSize;
      }
      out_.WriteSRef(ref, Name("ROUTE", k));
      ++counts_.elements;
      ++counts_.placements;
    }
    out_.WriteStructureEnd();
  }

  GdsOut& out_;
  int scale_;
  Random random_;
  Counts counts_;
};

int RunGenGds(const std::vector<std::string>& args) {
  if (args.size() != 2) {
    std::fprintf(stderr, "usage: korvane-bench gen-gds OUT.gds SCALE\n");
    return 2;
  }
  int scale = std::atoi(args[1].c_str());
  if (scale < 1 || scale > 1000) {
    std::fprintf(stderr, "gen-gds: SCALE must be 1 to 1000\n");
    return 2;
  }
  GdsOut out(args[0], false, kStampTime);
  Generator generator(out, scale);
  generator.Run();
  const Counts& counts = generator.Totals();
  std::FILE* file = std::fopen(args[0].c_str(), "rb");
  long long bytes = 0;
  if (file) {
    fseeko(file, 0, SEEK_END);
    bytes = (long long)ftello(file);
    std::fclose(file);
  }
  std::printf("gen-gds bytes=%lld cells=%lld elements=%lld placements=%lld\n", bytes, (long long)counts.cells,
              (long long)counts.elements, (long long)counts.placements);
  return 0;
}

const BenchCommandRegistrar registrar({"gen-gds", "OUT.gds SCALE", RunGenGds});

}  // namespace
