// Reading and writing text polygon files through streams fixed to the classic locale: a
// process locale with digit grouping or a comma decimal would otherwise change the numbers.
#include "formats/text_polygons.h"

#include <fstream>
#include <locale>
#include <vector>

#include "db/error.h"
#include "db/log.h"
#include "db/poly/ring_set.h"

namespace {

void WriteRing(std::ofstream& out, const RingVertex* start, uint32_t n) {
  out << n << '\n';
  const RingVertex* v = start;
  do {
    out << v->x << '\t' << v->y << '\n';
    v = v->ringNext;
  } while (v != start);
}

// Appends points as one closed ring.
void AddRing(RingSet& rings, const std::vector<Point>& points, bool flag) {
  RingVertex* first = nullptr;
  RingVertex* last = nullptr;
  for (const Point& p : points) {
    RingVertex* v = rings.PushBack(p);
    if (flag) v->flags |= kVertexOperandB;
    if (!first) first = v;
    Link(last, v);
    last = v;
  }
  Link(last, first);
  rings.SetRingCount(rings.RingCount() + 1);
}

// The vertices of one ring after its header n; false when a number cannot be read.
bool ReadRingVertices(std::ifstream& in, int64_t n, std::vector<Point>& points) {
  points.clear();
  Point p;
  if (n == 0) {
    Point q;
    if (!(in >> p.x >> p.y >> q.x >> q.y)) return false;
    points = {p, Point(q.x, p.y), q, Point(p.x, q.y)};
    return true;
  }
  // Grows only with vertices actually read: a header with no data behind it costs nothing.
  for (int64_t i = 0; i < (n < 1 ? 1 : n); ++i) {
    if (!(in >> p.x >> p.y)) return false;
    points.push_back(p);
  }
  return true;
}

}  // namespace

TextPolygonCounts WriteTextPolygons(RingSet& rings, const std::string& name, bool append) {
  std::ofstream out(name, append ? std::ios::out | std::ios::app : std::ios::out | std::ios::trunc);
  if (!out) {
    LogMessage("Error: Output file %s could not be opened !\n", name.c_str());
    throw Error(kTagPolyOut, "Cannot open file " + name + "!");
  }
  out.imbue(std::locale::classic());
  TextPolygonCounts counts;
  for (RingVertex* v = rings.Head(); v; v = NextUnflagged(v)) {
    uint32_t n = MarkRingVisited(v);
    if (n < 3) continue;
    WriteRing(out, v, n);
    ++counts.rings;
    counts.vertices += n;
  }
  rings.ClearVertexFlags(kVertexVisited);
  out.close();
  if (out.fail()) throw Error(kTagPolyOut, "Cannot write file " + name);
  return counts;
}

bool ReadTextPolygons(RingSet& rings, const std::string& name, bool flag) {
  std::ifstream in(name);
  if (!in) {
    LogMessage("Error: Input file could not be opened !\n");
    return false;
  }
  in.imbue(std::locale::classic());
  LogMessage("Reading %s\n", name.c_str());
  int32_t ringsRead = 0, dropped = 0;
  int64_t verticesRead = 0;
  std::vector<Point> points;
  for (int32_t ring = 1;; ++ring) {
    int64_t n;
    if (!(in >> n)) {
      if (!in.eof()) LogMessage("Malformed polygon file at ring %d\n", ring);
      break;
    }
    if (!ReadRingVertices(in, n, points)) {
      LogMessage("Malformed polygon file at ring %d\n", ring);
      break;
    }
    if (points.size() < 3) {
      ++dropped;
      continue;
    }
    AddRing(rings, points, flag);
    ++ringsRead;
    verticesRead += int64_t(points.size());
  }
  if (dropped > 0) LogMessage("  %d rings of fewer than 3 vertices dropped\n", dropped);
  LogMessage("  %d polygons with %lld vertices read\n", ringsRead, static_cast<long long>(verticesRead));
  return true;
}
