#include <gtest/gtest.h>

#include <set>
#include <utility>

#include "tests/formats/oasis_in_test_util.h"

using oasistest::Begin;
using oasistest::End;
using oasistest::ReadFile;

namespace {

using Points = std::vector<Point>;
using PositionSet = std::set<std::pair<int64_t, int64_t>>;

Points Sorted(Points p) {
  std::sort(p.begin(), p.end(), [](const Point& a, const Point& b) { return a.x < b.x || (a.x == b.x && a.y < b.y); });
  return p;
}

// One cell "A" holding what body writes.
ReadFile ReadCell(const std::function<void(OasisBuilder&)>& body) {
  OasisBuilder b = Begin();
  b.Unsigned(3).String("A").Unsigned(3).String("B");
  // B needs a shape: placements of an empty cell are dropped.
  b.Unsigned(13).Unsigned(1);
  b.Unsigned(20).Raw({0x7B}).Unsigned(9).Unsigned(0).Unsigned(1).Unsigned(1).Signed(0).Signed(0);
  b.Unsigned(13).Unsigned(0);
  body(b);
  End(b);
  return ReadFile(b.bytes());
}

// Every position that the placements of A give B, arrays expanded.
PositionSet PlacedPositions(ReadFile& file, size_t* records = nullptr) {
  PositionSet out;
  auto refs = file.Placements("A");
  if (records) *records = refs.size();
  for (const SRef* ref : refs) {
    if (!ref->IsArray()) {
      out.insert({ref->x, ref->y});
      continue;
    }
    const ARef& a = *static_cast<const ARef*>(ref);
    for (int32_t c = 0; c < a.columns; ++c) {
      for (int32_t r = 0; r < a.rows; ++r) {
        Trans t;
        a.ElementTrans(c, r, t);
        out.insert({t.x, t.y});
      }
    }
  }
  return out;
}

}  // namespace

TEST(OasisInElements, TrapezoidsInBothOrientations) {
  struct Case {
    uint64_t id;
    bool vertical;
    int64_t w, h, a, b;
    Points expected;
  };
  const Case cases[] = {
      {24, false, 100, 50, 20, 0, {{0, 0}, {100, 0}, {100, 50}, {20, 50}}},
      {23, false, 100, 50, -20, 30, {{20, 0}, {70, 0}, {100, 50}, {0, 50}}},
      {25, false, 100, 50, 0, -30, {{0, 0}, {100, 0}, {70, 50}, {0, 50}}},
      {24, true, 50, 100, 20, 0, {{0, 20}, {50, 0}, {50, 100}, {0, 100}}},
      {23, true, 50, 100, -20, 30, {{0, 0}, {50, 20}, {50, 70}, {0, 100}}},
      {25, true, 50, 100, 0, -30, {{0, 0}, {50, 0}, {50, 100}, {0, 70}}},
  };
  for (const Case& c : cases) {
    ReadFile file = ReadCell([&](OasisBuilder& b) {
      b.Unsigned(c.id).Raw({uint8_t(c.vertical ? 0xFB : 0x7B)}).Unsigned(1).Unsigned(0).Unsigned(c.w).Unsigned(c.h);
      if (c.id != 25) b.Signed(c.a);
      if (c.id != 24) b.Signed(c.b);
      b.Signed(1000).Signed(2000);
    });
    auto shapes = file.Shapes("A");
    ASSERT_EQ(shapes.size(), 1u);
    Points expected;
    for (const Point& p : c.expected) expected.emplace_back(p.x + 1000, p.y + 2000);
    EXPECT_EQ(shapes[0], Sorted(expected)) << c.id << (c.vertical ? " vertical" : " horizontal");
  }
}

TEST(OasisInElements, CTrapezoidsFromTheirSizes) {
  struct Case {
    uint64_t type;
    uint8_t sizes;  // W 0x40, H 0x20
    int64_t w, h;
    Points expected;
  };
  const Case cases[] = {
      {0, 0x60, 100, 30, {{0, 0}, {100, 0}, {70, 30}, {0, 30}}},
      {7, 0x60, 100, 30, {{30, 0}, {100, 0}, {70, 30}, {0, 30}}},
      {13, 0x60, 30, 100, {{0, 30}, {30, 0}, {30, 100}, {0, 70}}},
      {16, 0x40, 40, 0, {{0, 0}, {40, 0}, {0, 40}}},
      {20, 0x20, 0, 10, {{0, 0}, {20, 0}, {10, 10}}},
      {22, 0x40, 10, 0, {{0, 0}, {10, 10}, {0, 20}}},
      {24, 0x60, 100, 30, {{0, 0}, {100, 0}, {100, 30}, {0, 30}}},
      {25, 0x40, 40, 0, {{0, 0}, {40, 0}, {40, 40}, {0, 40}}},
  };
  for (const Case& c : cases) {
    ReadFile file = ReadCell([&](OasisBuilder& b) {
      b.Unsigned(26).Raw({uint8_t(0x80 | c.sizes | 0x03)}).Unsigned(1).Unsigned(0).Unsigned(c.type);
      if (c.sizes & 0x40) b.Unsigned(c.w);
      if (c.sizes & 0x20) b.Unsigned(c.h);
    });
    auto shapes = file.Shapes("A");
    ASSERT_EQ(shapes.size(), 1u) << c.type;
    EXPECT_EQ(shapes[0], Sorted(c.expected)) << c.type;
  }
}

// A CTRAPEZOID that derives one size from the other leaves that size modal: a RECTANGLE after
// it that takes both sizes from the modal variables gets the derived one, not the stale size
// of the rectangle before.
TEST(OasisInElements, CTrapezoidLeavesItsDerivedSizeModal) {
  struct Case {
    uint64_t type;
    uint8_t sizes;  // W 0x40, H 0x20
    int64_t given, w, h;
  };
  const Case cases[] = {
      {16, 0x40, 40, 40, 40},    {17, 0x40, 40, 40, 40}, {18, 0x40, 40, 40, 40}, {19, 0x40, 40, 40, 40},
      {20, 0x20, 100, 200, 100}, {21, 0x20, 30, 60, 30}, {22, 0x40, 10, 10, 20}, {23, 0x40, 10, 10, 20},
      {25, 0x40, 40, 40, 40},    {24, 0x40, 40, 40, 50},
  };
  for (const Case& c : cases) {
    ReadFile file = ReadCell([&](OasisBuilder& b) {
      b.Unsigned(20).Raw({0x7B}).Unsigned(1).Unsigned(0).Unsigned(300).Unsigned(50).Signed(0).Signed(-1000);
      b.Unsigned(26).Raw({uint8_t(0x80 | c.sizes | 0x18)}).Unsigned(c.type).Unsigned(c.given).Signed(0).Signed(0);
      b.Unsigned(20).Raw({0x18}).Signed(0).Signed(1000);
    });
    bool found = false;
    for (const Points& shape : file.Shapes("A")) {
      if (shape.front().y != 1000) continue;
      found = true;
      EXPECT_EQ(
          shape,
          Sorted({{0, 1000}, {int32_t(c.w), 1000}, {int32_t(c.w), int32_t(1000 + c.h)}, {0, int32_t(1000 + c.h)}}))
          << c.type;
    }
    EXPECT_TRUE(found) << c.type;
  }
}

// A circle of radius 0 is a point: skipped with a warning, like any shape that collapses.
TEST(OasisInElements, ZeroRadiusCircleIsSkippedWithAWarning) {
  testing::internal::CaptureStdout();
  ReadFile file = ReadCell([](OasisBuilder& b) {
    b.Unsigned(27).Raw({0x3B}).Unsigned(3).Unsigned(0).Unsigned(0).Signed(500).Signed(500);
    // The modal radius 0 again, in a repetition of three.
    b.Unsigned(27).Raw({0x1C}).Signed(700).Signed(500).Repetition(2, {1, 10});
    b.Unsigned(27).Raw({0x20}).Unsigned(40);
  });
  std::string log = testing::internal::GetCapturedStdout();
  EXPECT_NE(log.find("Warning: point/line circle at (500, 500)nm on layer (3 0) & cell A, skip\n"), std::string::npos);
  EXPECT_NE(log.find("Warning: point/line circle at (700, 500)nm on layer (3 0) & cell A, skip\n"), std::string::npos);
  auto shapes = file.Shapes("A");
  ASSERT_EQ(shapes.size(), 1u) << "only the circle of radius 40";
  EXPECT_EQ(shapes[0].size(), 32u);
  EXPECT_EQ(file.reader.statistics().circles, 1);
}

TEST(OasisInElements, PlacementOrientationsAndMagnification) {
  // PLACEMENT 17: AA and F.
  const uint8_t codes17[2][4] = {{0, 1, 2, 3}, {6, 7, 4, 5}};
  for (int flip = 0; flip < 2; ++flip) {
    for (int aa = 0; aa < 4; ++aa) {
      ReadFile file = ReadCell([&](OasisBuilder& b) {
        b.Unsigned(17).Raw({uint8_t(0xF0 | (aa << 1) | flip)}).Unsigned(1).Signed(-5).Signed(7);
      });
      auto refs = file.Placements("A");
      ASSERT_EQ(refs.size(), 1u);
      EXPECT_EQ(refs[0]->orientation, codes17[flip][aa]);
      EXPECT_EQ(Point(refs[0]->x, refs[0]->y), Point(-5, 7));
    }
  }
  // PLACEMENT 18: real angles snap; the magnification is kept unless it is 1.
  struct Case {
    double angle;
    bool flip;
    double magnification;
    uint8_t code;
    float kept;
  } cases[] = {{90, false, 2.5, 1, 2.5f}, {30, false, 1.0, 0, 1.0f},      {180, true, 0.5, 4, 0.5f},
               {-90, false, 1, 3, 1.0f},  {270, true, 1 + 1e-9, 5, 1.0f}, {134.4, false, 3, 1, 3.0f},
               {-45.6, true, 1, 5, 1.0f}};
  for (const Case& c : cases) {
    ReadFile file = ReadCell([&](OasisBuilder& b) {
      b.Unsigned(18).Raw({uint8_t(0xF6 | (c.flip ? 1 : 0))}).Unsigned(1);
      b.Float64(c.magnification).Float64(c.angle).Signed(0).Signed(0);
    });
    auto refs = file.Placements("A");
    ASSERT_EQ(refs.size(), 1u);
    EXPECT_EQ(refs[0]->orientation, c.code) << c.angle;
    EXPECT_EQ(refs[0]->magnification, c.kept) << c.angle;
  }
}

TEST(OasisInElements, AxisParallelRepetitionsBecomeArraysInEveryOrientation) {
  struct Rep {
    int type;
    uint64_t n, m;
    std::pair<int64_t, int64_t> d1, d2;
  };
  const Rep reps[] = {
      {8, 3, 2, {-10, 0}, {0, -7}}, {8, 4, 3, {0, 5}, {-4, 0}}, {9, 4, 1, {0, -6}, {}},
      {9, 5, 1, {-6, 0}, {}},       {1, 3, 2, {10, 0}, {0, 7}},
  };
  for (const Rep& rep : reps) {
    for (int code = 0; code < 8; ++code) {
      int flip = code >= 4 ? 1 : 0;
      int aa = flip ? (code + 2) % 4 : code;
      ReadFile file = ReadCell([&](OasisBuilder& b) {
        b.Unsigned(17).Raw({uint8_t(0xF8 | (aa << 1) | flip)}).Unsigned(1).Signed(100).Signed(200);
        b.Unsigned(rep.type);
        if (rep.type == 1) {
          b.Unsigned(rep.n - 2).Unsigned(rep.m - 2).Unsigned(uint64_t(rep.d1.first)).Unsigned(uint64_t(rep.d2.second));
        } else if (rep.type == 8) {
          b.Unsigned(rep.n - 2)
              .Unsigned(rep.m - 2)
              .GDelta(rep.d1.first, rep.d1.second)
              .GDelta(rep.d2.first, rep.d2.second);
        } else {
          b.Unsigned(rep.n - 2).GDelta(rep.d1.first, rep.d1.second);
        }
      });
      PositionSet expected;
      for (uint64_t i = 0; i < rep.n; ++i) {
        for (uint64_t j = 0; j < rep.m; ++j) {
          expected.insert({100 + int64_t(i) * rep.d1.first + int64_t(j) * rep.d2.first,
                           200 + int64_t(i) * rep.d1.second + int64_t(j) * rep.d2.second});
        }
      }
      size_t records = 0;
      EXPECT_EQ(PlacedPositions(file, &records), expected) << rep.type << " code " << code;
      ASSERT_EQ(records, 1u);
      EXPECT_TRUE(file.Placements("A")[0]->IsArray());
      EXPECT_EQ(file.Placements("A")[0]->orientation, code);
    }
  }
}

TEST(OasisInElements, LargeArraysSplitAndOtherRepetitionsExpand) {
  ReadFile row = ReadCell([](OasisBuilder& b) {
    b.Unsigned(17).Raw({0xFA}).Unsigned(1).Signed(0).Signed(0).Repetition(2, {40000 - 2, 3});
  });
  size_t records = 0;
  PositionSet positions = PlacedPositions(row, &records);
  EXPECT_EQ(records, 2u);
  ASSERT_EQ(positions.size(), 40000u);
  EXPECT_EQ(*positions.rbegin(), std::make_pair(int64_t(39999 * 3), int64_t(0)));

  // A diagonal row is no array: one placement per position.
  ReadFile diagonal = ReadCell([](OasisBuilder& b) {
    b.Unsigned(17).Raw({0xF8}).Unsigned(1).Signed(0).Signed(0).Unsigned(9).Unsigned(1).GDelta(5, 5);
  });
  EXPECT_EQ(PlacedPositions(diagonal, &records), (PositionSet{{0, 0}, {5, 5}, {10, 10}}));
  EXPECT_EQ(records, 3u);
}

TEST(OasisInElements, ShapeRepetitionsStoreEveryPosition) {
  ReadFile file = ReadCell([](OasisBuilder& b) {
    // A 10 x 20 rectangle in a 3 x 2 matrix of pitch 100, 50.
    b.Unsigned(20).Raw({0x7F}).Unsigned(1).Unsigned(0).Unsigned(10).Unsigned(20).Signed(5).Signed(5);
    b.Repetition(1, {1, 0, 100, 50});
    // The same repetition reused by a text.
    b.Unsigned(19).Raw({0x5F}).String("t").Unsigned(2).Unsigned(3).Signed(0).Signed(0).Unsigned(0);
  });
  auto shapes = file.Shapes("A");
  EXPECT_EQ(shapes.size(), 6u);
  Cell& a = file.CellNamed("A");
  EXPECT_EQ(a.box, Box(0, 0, 215, 75));
  EXPECT_EQ(a.texts.Count(), 6u);
  EXPECT_EQ(file.reader.statistics().shapes, 7) << "six here and one in B";
}

// A rectangle in cell name with a countX x countY matrix repetition.
void RepeatedRectangleCell(OasisBuilder& b, const std::string& name, uint64_t countX, uint64_t countY) {
  b.Unsigned(14).String(name);
  b.Unsigned(20).Raw({0x7F}).Unsigned(1).Unsigned(0).Unsigned(1).Unsigned(1).Signed(0).Signed(0);
  b.Repetition(1, {countX - 2, countY - 2, 2, 2});
}

std::string ReadErrorWith(const OasisBuilder& b, const OasisInSettings& settings) {
  try {
    ReadFile file(b.bytes(), settings);
  } catch (const Error& e) {
    return e.Message();
  }
  return "";
}

TEST(OasisInElements, RepetitionsShareOneAllowanceAcrossTheFile) {
  OasisInSettings settings;
  settings.maxRepeatedPositions = 99999;
  OasisBuilder one = Begin();
  RepeatedRectangleCell(one, "A", 1000, 100);
  End(one);
  EXPECT_EQ(ReadErrorWith(one, settings),
            "Repetition too large (100000 positions): the repetitions of a file expand to at most 99999");

  // Three cells of 40,000 each: the third passes the file's allowance, though each cell is
  // within it.
  OasisBuilder three = Begin();
  for (const char* name : {"A", "B", "C"}) RepeatedRectangleCell(three, name, 200, 200);
  End(three);
  EXPECT_EQ(ReadErrorWith(three, settings),
            "Repetition too large (40000 positions): the repetitions of a file expand to at most 99999");

  // Expanded placements and placement arrays draw on it too; plain elements never do.
  OasisBuilder mixed = Begin();
  mixed.Unsigned(14).String("B");
  mixed.Unsigned(20).Raw({0x7B}).Unsigned(1).Unsigned(0).Unsigned(1).Unsigned(1).Signed(0).Signed(0);
  mixed.Unsigned(14).String("A");
  mixed.Unsigned(20).Raw({0x7B}).Unsigned(1).Unsigned(0).Unsigned(1).Unsigned(1).Signed(0).Signed(0);
  for (int i = 1; i < 5; ++i) mixed.Unsigned(20).Raw({0x18}).Signed(10 * i).Signed(0);
  mixed.Unsigned(17).Raw({0xB8}).String("B").Signed(0).Signed(0).Unsigned(9).Unsigned(1).GDelta(5, 5);
  mixed.Unsigned(17).Raw({0x08}).Repetition(2, {0, 100});
  End(mixed);
  settings.maxRepeatedPositions = 4;
  EXPECT_EQ(ReadErrorWith(mixed, settings), "") << "three placements and one array";
  settings.maxRepeatedPositions = 3;
  EXPECT_EQ(ReadErrorWith(mixed, settings),
            "Repetition too large (2 positions): the repetitions of a file expand to at most 3");
}

// The default allowance refuses a repetition of 199 million positions, alone or in each of
// three cells, before its positions are allocated.
TEST(OasisInElements, DefaultAllowanceRefusesHugeRepetitionsAtOnce) {
  for (int cells : {1, 3}) {
    OasisBuilder b = Begin();
    for (int i = 0; i < cells; ++i) RepeatedRectangleCell(b, "C" + std::to_string(i), 14107, 14107);
    End(b);
    EXPECT_EQ(ReadErrorWith(b, OasisInSettings()),
              "Repetition too large (199007449 positions): the repetitions of a file expand to at most 20000000");
  }
}

TEST(OasisInElements, PolygonsPathsAndCircles) {
  ReadFile file = ReadCell([](OasisBuilder& b) {
    // Type 0 list: the closing vertex is implied.
    b.Unsigned(21).Raw({0x3B}).Unsigned(1).Unsigned(0).ManhattanList(0, {30, 10, -10, 10}).Signed(0).Signed(0);
    // Half-width ends on both sides.
    b.Unsigned(22).Raw({0xFB}).Unsigned(2).Unsigned(0).Unsigned(5).Unsigned(10).GDeltaList(4, {{100, 0}});
    b.Signed(0).Signed(100);
    b.Unsigned(27).Raw({0x3B}).Unsigned(3).Unsigned(0).Unsigned(50).Signed(500).Signed(500);
  });
  auto shapes = file.Shapes("A");
  ASSERT_EQ(shapes.size(), 3u);
  std::sort(shapes.begin(), shapes.end(), [](const Points& a, const Points& b) { return a.size() < b.size(); });
  EXPECT_EQ(shapes[0], (Points{{-5, 95}, {-5, 105}, {105, 95}, {105, 105}}));
  EXPECT_EQ(shapes[1], (Points{{0, 0}, {0, 20}, {20, 10}, {20, 20}, {30, 0}, {30, 10}}));
  EXPECT_EQ(shapes[2].size(), 32u);
}

TEST(OasisInElements, ShapesTheLibraryCannotHoldAreSkippedWithAWarning) {
  testing::internal::CaptureStdout();
  ReadFile file = ReadCell([](OasisBuilder& b) {
    // A box wider than 2^31 - 1 (wide_box_gds.py), a path whose outline leaves the range, and a
    // box that fits.
    b.Unsigned(20).Raw({0x7B}).Unsigned(1).Unsigned(0).Unsigned(2148717567).Unsigned(106).Signed(-1234567).Signed(-7);
    b.Unsigned(22).Raw({0xFB}).Unsigned(2).Unsigned(0).Unsigned(100).Unsigned(10).GDeltaList(4, {{100, 0}});
    b.Signed(2147483500).Signed(0);
    b.Unsigned(20).Raw({0x7B}).Unsigned(1).Unsigned(0).Unsigned(10).Unsigned(10).Signed(0).Signed(0);
  });
  const std::string log = testing::internal::GetCapturedStdout();
  EXPECT_EQ(file.Shapes("A"), (std::vector<Points>{{{0, 0}, {0, 10}, {10, 0}, {10, 10}}}));
  for (const char* warning :
       {"Warning: box beyond the 32-bit coordinate range at (-1234567, -7)nm on layer (1 0) & cell A, skip\n",
        "Warning: path beyond the 32-bit coordinate range at (2147483500, 0)nm on layer (2 0) & cell A, skip\n",
        "  2 shapes beyond the coordinate range skipped\n"}) {
    EXPECT_NE(log.find(warning), std::string::npos) << warning << log;
  }
}
