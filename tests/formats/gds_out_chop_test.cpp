// The GDSII writer's polygon chopper against an oracle: large rings, many of them crossing
// themselves, are written, read back through the GDSII reader and united; the union must cover
// exactly what a reader fills for the ring under the non-zero rule. And KLayout's strmxor,
// where it is installed, must find no difference between a source stream and our export of
// its import.
#include "formats/gds_out.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "db/cell.h"
#include "db/library.h"
#include "db/poly/ring_set.h"
#include "formats/gds_in.h"
#include "formats/oasis_in.h"
#include "tests/db/library_test_util.h"
#include "tests/db/poly/ring_test_util.h"
#include "tests/formats/gds_builder.h"
#include "tests/formats/klayout_xor.h"
#include "tests/formats/oasis_in_test_util.h"

namespace {

using ringtest::Ring;

constexpr LayerKey kLayer = 1 * 256;

// A band 100 high along x with `teeth` teeth on top, each with random height; octilinear teeth
// get a 45-degree peak. Holes in the band are entered from its bottom edge by a keyhole, as
// boolean tools write them; each hole runs clockwise (a true hole) or, when `sameWoundHoles`
// allows, at random counter-clockwise too, which the non-zero rule fills.
Ring Comb(std::mt19937& random, int teeth, bool octilinear, int holes, bool sameWoundHoles) {
  const int pitch = 10;
  const int width = teeth * pitch;
  Ring ring = {Point(0, 0)};
  std::uniform_int_distribution<int> holeWidth(2, 6);
  const int holePitch = holes > 0 ? width / holes : 0;
  for (int j = 0; j < holes; ++j) {
    int x = j * holePitch + 2, w = holeWidth(random);
    ring.insert(ring.end(), {Point(x, 0), Point(x, 20)});
    if (sameWoundHoles && random() % 2) {
      ring.insert(ring.end(), {Point(x + w, 20), Point(x + w, 80), Point(x, 80)});
    } else {
      ring.insert(ring.end(), {Point(x, 80), Point(x + w, 80), Point(x + w, 20)});
    }
    ring.insert(ring.end(), {Point(x, 20), Point(x, 0)});
  }
  ring.insert(ring.end(), {Point(width, 0), Point(width, 100)});
  std::uniform_int_distribution<int> height(2, 60);
  for (int i = teeth - 1; i >= 0; --i) {
    int x = i * pitch, top = 100 + height(random);
    ring.insert(ring.end(), {Point(x + 8, 100), Point(x + 8, top)});
    if (octilinear) ring.push_back(Point(x + 5, top + 3));
    ring.insert(ring.end(), {Point(x + 2, top), Point(x + 2, 100)});
  }
  ring.push_back(Point(0, 100));
  return ring;
}

// Two lobes of opposite winding, (0, 0) (w, h) (w, 0) (0, h), with a comb of `teeth` notches
// down the left edge.
Ring BowTie(int w, int h, int teeth) {
  Ring ring = {Point(0, 0), Point(w, h), Point(w, 0), Point(0, h)};
  for (int i = 0; i < teeth; ++i) {
    int y = h - 4 * i;
    ring.insert(ring.end(), {Point(0, y - 1), Point(-5, y - 1), Point(-5, y - 3), Point(0, y - 3)});
  }
  return ring;
}

// A band whose two sides swap at every step, so that it falls into diamonds of alternating
// winding; exact 45-degree flanks, or with jitter general angles and crossings off the grid.
Ring TwistedBand(std::mt19937& random, int steps, bool general) {
  std::uniform_int_distribution<int> jitter(-7, 7);
  Ring upper, lower;
  for (int i = 0; i <= steps; ++i) {
    int x = i * 40, y = i % 2 ? 20 : -20;
    upper.push_back(Point(x + (general ? jitter(random) : 0), y + (general ? jitter(random) : 0)));
    lower.push_back(Point(x + (general ? jitter(random) : 0), -y + (general ? jitter(random) : 0)));
  }
  Ring ring = lower;
  ring.insert(ring.end(), upper.rbegin(), upper.rend());
  return ring;
}

// A ring that winds `loops` times round the origin with a growing radius and then returns
// across all its loops: general angles, winding up to `loops`.
Ring Spiral(std::mt19937& random, int points, int loops) {
  std::uniform_real_distribution<double> noise(-30, 30);
  Ring ring;
  for (int i = 0; i < points; ++i) {
    double t = 2 * M_PI * loops * i / points, r = 20000 + 8000.0 * i / points + noise(random);
    ring.push_back(Point(int32_t(std::lround(r * std::cos(t))), int32_t(std::lround(r * std::sin(t)))));
  }
  return ring;
}

// Winding number of ring around the point (px + 1/2, py + 1/2), which lies on no grid line.
int Winding(const Ring& ring, int64_t px, int64_t py) {
  int winding = 0;
  int64_t x = 2 * px + 1, y = 2 * py + 1;
  for (size_t i = 0, j = ring.size() - 1; i < ring.size(); j = i++) {
    int64_t xi = 2 * int64_t(ring[j].x), yi = 2 * int64_t(ring[j].y);
    int64_t xj = 2 * int64_t(ring[i].x), yj = 2 * int64_t(ring[i].y);
    if ((yi > y) == (yj > y)) continue;
    __int128 side = __int128(xj - xi) * (y - yi) - __int128(x - xi) * (yj - yi);
    if (yj > yi && side > 0) ++winding;
    if (yj < yi && side < 0) --winding;
  }
  return winding;
}

__int128 TwiceArea(const RingSet& rings) {
  __int128 sum = 0;
  for (const RingVertex* v = rings.Head(); v; v = v->next) {
    sum += __int128(v->x) * v->ringNext->y - __int128(v->ringNext->x) * v->y;
  }
  return sum;
}

// a − b, both outlines of regions, by the polygon engine.
std::vector<Ring> Difference(const RingSet& a, const RingSet& b) {
  RingSet both, out;
  for (const Ring& r : ringtest::ExtractRings(a)) ringtest::AddRing(both, r);
  RingSet flagged;
  for (const Ring& r : ringtest::ExtractRings(b)) ringtest::AddRing(flagged, r);
  flagged.SetVertexFlags(kVertexOperandB);
  both.Append(flagged);
  both.Boolean(&out, kBooleanSubtract, false);
  return ringtest::ExtractRings(out);
}

double Perimeter(const Ring& ring) {
  double sum = 0;
  for (size_t i = 0; i < ring.size(); ++i) {
    const Point& a = ring[i];
    const Point& b = ring[(i + 1) % ring.size()];
    sum += std::hypot(double(b.x) - a.x, double(b.y) - a.y);
  }
  return sum;
}

class GdsOutChopTest : public ::testing::Test {
 protected:
  // Writes ring as one boundary and reads back every boundary the file holds.
  std::vector<Ring> WriteAndReadBack(const Ring& ring) {
    std::string path = dir_.File("chop.gds");
    {
      RingSet rings;
      ringtest::AddRing(rings, ring);
      GdsOut out(path, false, 1700000000);
      out.WriteLibraryStart(600, "LIB", 1e-3, 1e-9);
      out.WriteStructureHeader("TOP");
      testing::internal::CaptureStdout();
      out.WriteBoundary(rings, 1, 0);
      testing::internal::GetCapturedStdout();
      out.WriteStructureEnd();
      out.WriteLibraryEnd();
    }
    std::string libDir = dir_.File("lib" + std::to_string(serial_++));
    std::filesystem::create_directories(libDir);
    testing::internal::CaptureStdout();
    {
      Library lib(libDir, false);
      GdsIn(path.c_str(), false).ReadLibrary(lib);
    }
    testing::internal::GetCapturedStdout();
    Library lib(libDir, false);
    lib.Open();
    Cell& cell = *lib.cells[uint32_t(lib.FindIndex("TOP"))];
    lib.LoadCell(cell, false);
    RingSet pieces;
    cell.GetShapeGroups(kLayer).ToRings(pieces);
    std::vector<Ring> out = ringtest::ExtractRings(pieces);
    cell.Clear();
    return out;
  }

  libtest::TempDir dir_;
  int serial_ = 0;
};

TEST_F(GdsOutChopTest, PiecesCoverExactlyTheNonZeroRegionOfLargeRings) {
  std::mt19937 random(22);
  struct Case {
    const char* name;
    Ring ring;
    bool exact;  // every cut lands on the grid: the union must be the region itself
  };
  std::vector<Case> cases;
  cases.push_back({"manhattan comb", Comb(random, 1024, false, 0, false), true});
  cases.push_back({"octilinear comb with keyholed holes", Comb(random, 3000, true, 400, true), true});
  cases.push_back({"bow tie", BowTie(4000, 5000, 1250), false});
  cases.push_back({"octilinear bow tie", BowTie(6000, 6000, 1100), true});
  cases.push_back({"octilinear twisted band", TwistedBand(random, 2500, false), true});
  cases.push_back({"general twisted band", TwistedBand(random, 2200, true), false});
  cases.push_back({"general spiral", Spiral(random, 6000, 3), false});
  cases.push_back({"large manhattan comb with keyholed holes", Comb(random, 10000, false, 500, true), true});
  for (size_t k = 0; k < cases.size(); ++k) {
    Case& c = cases[k];
    SCOPED_TRACE(c.name);
    // Every other case runs clockwise: the chopper must not depend on the ring's direction.
    if (k % 2) std::reverse(c.ring.begin(), c.ring.end());
    ASSERT_GT(c.ring.size(), 4096u);
    std::vector<Ring> pieces = WriteAndReadBack(c.ring);
    ASSERT_FALSE(pieces.empty());
    RingSet pieceSet, input, written, region;
    __int128 pieceAreas = 0;
    for (const Ring& piece : pieces) {
      EXPECT_LE(piece.size(), 4096u);
      ringtest::AddRing(pieceSet, piece);
      __int128 twice = ringtest::TwiceSignedArea(piece);
      pieceAreas += twice < 0 ? -twice : twice;
    }
    // The pieces run counter-clockwise: their union is their merge.
    pieceSet.Boolean(&written, kBooleanMerge, false);
    ringtest::AddRing(input, c.ring);
    input.FilledRegion(region);
    std::vector<Ring> lost = Difference(region, written), added = Difference(written, region);
    if (c.exact) {
      EXPECT_TRUE(lost.empty()) << lost.size() << " rings lost";
      EXPECT_TRUE(added.empty()) << added.size() << " rings added";
      // The pieces do not overlap.
      EXPECT_TRUE(pieceAreas == TwiceArea(region));
    } else {
      // Cuts across general edges round to the grid: what differs are slivers under one unit wide.
      for (const std::vector<Ring>* diff : {&lost, &added}) {
        for (const Ring& r : *diff) {
          double area = double(ringtest::TwiceSignedArea(r)) / 2;
          EXPECT_LE(std::abs(area), Perimeter(r) / 2) << "area " << area;
        }
      }
    }
    if (!c.exact) continue;
    // Independently of the engine: a point is covered by some piece where the ring winds.
    Box box;
    for (const Point& p : c.ring) box.Extend(p.x, p.y);
    std::uniform_int_distribution<int64_t> xs(box.x1 - 2, box.x2 + 1), ys(box.y1 - 2, box.y2 + 1);
    std::vector<Box> pieceBoxes;
    for (const Ring& piece : pieces) {
      pieceBoxes.emplace_back();
      for (const Point& p : piece) pieceBoxes.back().Extend(p.x, p.y);
    }
    int mismatches = 0;
    for (int sample = 0; sample < 200; ++sample) {
      int64_t px = xs(random), py = ys(random);
      bool covered = false;
      for (size_t i = 0; i < pieces.size() && !covered; ++i) {
        const Box& b = pieceBoxes[i];
        if (px >= b.x1 && px < b.x2 && py >= b.y1 && py < b.y2) covered = Winding(pieces[i], px, py) != 0;
      }
      if (covered != (Winding(c.ring, px, py) != 0)) ++mismatches;
    }
    EXPECT_EQ(mismatches, 0);
  }
}

TEST_F(GdsOutChopTest, RingsUnderTheLimitAreWrittenAsTheyAre) {
  // 4 + 4 × 1023 = 4096 vertices, crossing itself: one boundary, point for point.
  Ring bowTie = BowTie(4000, 5000, 1023);
  ASSERT_EQ(bowTie.size(), 4096u);
  std::vector<Ring> back = WriteAndReadBack(bowTie);
  ASSERT_EQ(back.size(), 1u);
  Ring got = back[0];
  auto start = std::find(got.begin(), got.end(), bowTie[0]);
  ASSERT_NE(start, got.end());
  std::rotate(got.begin(), start, got.end());
  EXPECT_EQ(got, bowTie);
}

// Exports the library in libDir as GDSII to path.
void ExportGds(const std::string& libDir, const std::string& path) {
  Library lib(libDir, false);
  lib.Open();
  GdsOut out(path, false, 1700000000);
  out.WriteLibrary(lib);
}

TEST_F(GdsOutChopTest, KlayoutFindsNoDifferenceAfterChopping) {
  const std::string strmxor = klayout::StrmXor();
  if (strmxor.empty()) GTEST_SKIP() << "KLayout's strmxor is not installed; the comparison is skipped";
  testing::internal::CaptureStdout();
  // The bow tie as a GDSII stream built byte by byte.
  Ring bowTie = BowTie(4000, 5000, 1250);
  Ring closed = bowTie;
  closed.push_back(bowTie[0]);
  std::string bowTieGds = dir_.File("bowtie.gds");
  GdsBuilder()
      .LibraryHeader()
      .BeginStructure("TOP")
      .Boundary(1, 0, closed)
      .EndStructure()
      .EndLibrary()
      .WriteTo(bowTieGds, false);
  std::string bowTieLib = dir_.File("bowtie_lib");
  std::filesystem::create_directories(bowTieLib);
  {
    Library lib(bowTieLib, false);
    GdsIn(bowTieGds.c_str(), false).ReadLibrary(lib);
  }
  ExportGds(bowTieLib, dir_.File("bowtie_out.gds"));
  // A 50,000-vertex comb with keyholed holes does not fit one GDSII XY record: an OASIS source.
  std::mt19937 random(50000);
  Ring comb = Comb(random, 12300, false, 400, true);
  OasisBuilder b = oasistest::Begin();
  b.Unsigned(14).String("TOP");
  b.Unsigned(21).Raw({0x3b}).Unsigned(1).Unsigned(0).Unsigned(4).Unsigned(comb.size() - 1);
  for (size_t i = 1; i < comb.size(); ++i) b.GDelta(comb[i].x - comb[i - 1].x, comb[i].y - comb[i - 1].y);
  b.Signed(comb[0].x).Signed(comb[0].y);
  oasistest::EndPadded(b);
  std::string combOas = dir_.File("comb.oas");
  b.WriteTo(combOas);
  std::string combLib = dir_.File("comb_lib");
  std::filesystem::create_directories(combLib);
  {
    Library lib(combLib, false);
    OasisIn().ReadLibrary(combOas, lib);
  }
  ExportGds(combLib, dir_.File("comb_out.gds"));
  testing::internal::GetCapturedStdout();
  ASSERT_GT(comb.size(), 50000u);
  klayout::ExpectNoXorDifference(strmxor, bowTieGds, dir_.File("bowtie_out.gds"));
  klayout::ExpectNoXorDifference(strmxor, combOas, dir_.File("comb_out.gds"));
}

}  // namespace
