// Reads shape records, shape groups or layers from arbitrary bytes: the first byte picks which,
// the rest is the file. Every record read is decoded, boxed and compressed again. A box that
// misses a decoded vertex, or a decoded ring that its own compression does not give back
// vertex for vertex, aborts.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "db/binary_file.h"
#include "db/db_polygon.h"
#include "db/error.h"
#include "db/poly/ring_set.h"
#include "db/shape_group.h"
#include "tests/fuzz/fuzz_scratch.h"

namespace {

// Rings decoded by ToRings at most, so that many positions of a long record stay cheap.
constexpr uint64_t kMaxDecodedVertices = 1000000;

void Check(bool condition) {
  if (!condition) std::abort();
}

// Whether b's ring, from b, visits the points of a's ring, from a (vertex counts are equal).
bool SameCycle(const RingVertex* a, const RingVertex* b) {
  const RingVertex* startA = a;
  do {
    if (a->x != b->x || a->y != b->y) return false;
    a = a->ringNext;
    b = b->ringNext;
  } while (a != startA);
  return true;
}

void CheckRecord(const DBPolygon& record) {
  RingSet ring;
  record.ToRing(ring);
  Check(ring.VertexCount() == record.VertexCount());
  Box box;
  record.GetBox(box);
  for (const RingVertex* v = ring.Head(); v; v = v->next) Check(box.Contains(v->x, v->y));
  const RingVertex* origin = nullptr;
  DBPolygonPtr again = DBPolygon::Compress(ring, origin);
  RingSet decoded;
  again->ToRing(decoded, Point(origin->x, origin->y));
  Check(decoded.VertexCount() == ring.VertexCount() && SameCycle(decoded.Head(), origin));
}

void ReadAll(BinaryFile& f, int mode, ShapeGroupList& list) {
  try {
    for (int steps = 0; steps < 1000 && f.HasMore(); ++steps) {
      if (mode == 0) {
        CheckRecord(*DBPolygon::Read(f));
      } else if (mode == 1) {
        list.ReadGroup(f);
      } else {
        list.Read(f);
      }
    }
  } catch (const Error&) {
    // Malformed input ends reading; what was read before is still checked.
  }
}

void CheckGroups(ShapeGroupList& list) {
  for (const ShapeGroup* g = list.Head(); g; g = g->next) CheckRecord(*g->record);
  list.Sort();
  list.SortAndMerge();
  uint64_t vertices = 0;
  for (const ShapeGroup* g = list.Head(); g; g = g->next) {
    Check(list.Find(*g->record) == g);
    vertices += uint64_t(g->positionCount) * g->record->VertexCount();
  }
  if (vertices > kMaxDecodedVertices) return;
  RingSet rings;
  list.ToRings(rings);
  Check(rings.VertexCount() == vertices);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  int mode = data[0] % 3;
  fuzzscratch::ScratchDir dir("shape_record");
  std::string path = dir.File("input");
  if (!fuzzscratch::WriteFile(path, data + 1, size - 1, false)) return 0;
  ShapeGroupList list;
  BinaryFile f;
  if (f.Open(path, false, false)) ReadAll(f, mode, list);
  f.Close();
  CheckGroups(list);
  return 0;
}
