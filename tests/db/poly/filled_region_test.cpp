#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "db/poly/ring_set.h"
#include "tests/db/poly/boolean_test_support.h"

namespace {

using boolean_test::Area;
using boolean_test::ExtractRings;
using boolean_test::Ring;

Ring Square(int x1, int y1, int side) { return {{x1, y1}, {x1 + side, y1}, {x1 + side, y1 + side}, {x1, y1 + side}}; }

std::vector<Ring> Filled(const std::vector<Ring>& rings) {
  RingSet set, out;
  for (const Ring& r : rings) boolean_test::AddRing(set, r);
  set.FilledRegion(out);
  std::vector<Ring> result = ExtractRings(out);
  EXPECT_EQ(out.RingCount(), int32_t(result.size()));
  EXPECT_EQ(set.RingCount(), int32_t(rings.size())) << "the input is kept";
  return result;
}

TEST(RingSetFilledRegion, FillsEveryRingUnderTheNonZeroRule) {
  // A bow tie: the lobes wind +1 and -1; both are filled.
  Ring bowTie = {{0, 0}, {40, 40}, {40, 0}, {0, 40}};
  EXPECT_EQ(Area(Filled({bowTie})), 800.0);
  // A ring that winds twice round the square (10, 10)-(20, 20) covers it once.
  Ring twice = {{0, 0}, {30, 0}, {30, 30}, {10, 30}, {10, 10}, {20, 10}, {20, 20}, {0, 20}};
  EXPECT_EQ(Area(Filled({twice})), 800.0);
  // A clockwise ring alone is filled; inside another ring it is a shape of its own, not a hole.
  Ring clockwise = Square(0, 0, 10);
  std::reverse(clockwise.begin(), clockwise.end());
  EXPECT_EQ(Area(Filled({clockwise})), 100.0);
  Ring inner = Square(5, 5, 10);
  std::reverse(inner.begin(), inner.end());
  std::vector<Ring> nested = Filled({Square(0, 0, 30), inner});
  EXPECT_EQ(nested.size(), 1u);
  EXPECT_EQ(Area(nested), 900.0);
  // Overlapping rings of opposite direction are united, not cancelled.
  EXPECT_EQ(Area(Filled({Square(0, 0, 10), clockwise})), 100.0);
  EXPECT_TRUE(Filled({}).empty());
}

}  // namespace
