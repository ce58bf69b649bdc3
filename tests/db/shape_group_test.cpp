#include "db/shape_group.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <random>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "db/binary_file.h"
#include "db/error.h"
#include "db/poly/ring_set.h"
#include "db/shape_table.h"
#include "tests/db/scratch_file_test.h"

namespace {

using Bytes = std::vector<uint8_t>;
using Points = std::vector<Point>;
using Position = std::pair<int32_t, int32_t>;

DBPolygonPtr Compressed(const Points& points) {
  RingSet ring;
  RingVertex* first = nullptr;
  RingVertex* last = nullptr;
  for (const Point& p : points) {
    RingVertex* v = ring.PushBack(p);
    if (!first) first = v;
    Link(last, v);
    last = v;
  }
  Link(last, first);
  const RingVertex* origin = nullptr;
  return DBPolygon::Compress(ring, origin);
}

// Distinct shapes of every kind.
std::vector<Points> Templates() {
  return {{{0, 0}, {10, 0}, {10, 10}, {0, 10}},
          {{0, 0}, {10, 0}, {10, 5}, {0, 5}},
          {{0, 0}, {20, 0}, {20, 10}, {10, 10}, {10, 20}, {0, 20}},
          {{10, 0}, {20, 0}, {30, 10}, {30, 20}, {20, 30}, {10, 30}, {0, 20}, {0, 10}},
          {{0, 0}, {1000, 577}, {0, 577}},
          {{0, 0}, {7, 1}, {9, 4}, {5, 9}, {-2, 6}, {-3, 2}}};
}

// Checks the links and counts of the list and of every group; returns the positions per group.
std::vector<std::vector<Position>> Walk(const ShapeGroupList& list) {
  std::vector<std::vector<Position>> groups;
  const ShapeGroup* prev = nullptr;
  for (const ShapeGroup* g = list.Head(); g; prev = g, g = g->next) {
    EXPECT_EQ(g->prev, prev);
    groups.emplace_back();
    const ShapePosition* before = nullptr;
    for (const ShapePosition* p = g->firstPosition; p; before = p, p = p->next) {
      EXPECT_EQ(p->prev, before);
      EXPECT_EQ(p->group, g);
      groups.back().emplace_back(p->x, p->y);
    }
    EXPECT_EQ(g->lastPosition, before);
    EXPECT_EQ(g->positionCount, groups.back().size());
  }
  EXPECT_EQ(list.Tail(), prev);
  EXPECT_EQ(list.Count(), groups.size());
  return groups;
}

class ShapeGroupTest : public ScratchFileTest {};

TEST_F(ShapeGroupTest, GroupAndLayerWriteHandWrittenBytesAndReadBack) {
  ShapeGroupList list;
  ShapeGroup* group = list.Append(Compressed(Templates()[0]));
  group->AppendPosition(5, 5);
  group->AppendPosition(15, 5);
  const Bytes groupBytes{0x03, 0, 0, 0, 0x14, 0x02, 0x0a, 0x0a, 0x14, 0x00};
  EXPECT_EQ(Written([&](BinaryFile& f) { group->Write(f); }), groupBytes);
  Bytes layerBytes{0x01};
  layerBytes.insert(layerBytes.end(), groupBytes.begin(), groupBytes.end());
  EXPECT_EQ(Written([&](BinaryFile& f) { list.Write(f); }), layerBytes);

  ShapeGroupList back;
  BinaryFile f;
  OpenBytes(f, layerBytes);
  back.Read(f);
  EXPECT_EQ(Walk(back), (std::vector<std::vector<Position>>{{{5, 5}, {15, 5}}}));
  EXPECT_EQ(DBPolygon::Compare(*back.Head()->record, *group->record), 0);
}

TEST_F(ShapeGroupTest, SortAndMergeAndFindMatchAMapOfShapesToPositionSets) {
  std::vector<Points> templates = Templates();
  const int32_t coordinates[] = {INT32_MIN, -100, -1, 0, 3, 100, INT32_MAX};
  std::mt19937 rng(99);
  for (int round = 0; round < 20; ++round) {
    ShapeGroupList list;
    std::map<size_t, std::set<Position>> expected;
    size_t total = 0;
    for (int g = 0, groups = 1 + int(rng() % 60); g < groups; ++g) {
      size_t shape = rng() % templates.size();
      ShapeGroup* group = list.Append(Compressed(templates[shape]));
      for (int p = 0, count = 1 + int(rng() % 4); p < count; ++p) {
        Position at(coordinates[rng() % 7], coordinates[rng() % 7]);
        group->AppendPosition(at.first, at.second);
        expected[shape].insert(at);
        ++total;
      }
    }
    list.Sort();
    uint64_t removed = list.SortAndMerge();
    std::vector<std::vector<Position>> groups = Walk(list);
    ASSERT_EQ(groups.size(), expected.size());
    size_t kept = 0;
    for (const ShapeGroup* g = list.Head(); g; g = g->next) {
      if (g->next) {
        EXPECT_LT(DBPolygon::Compare(*g->record, *g->next->record), 0);
      }
      size_t shape = 0;
      while (DBPolygon::Compare(*Compressed(templates[shape]), *g->record) != 0) ++shape;
      const std::set<Position>& positions = expected[shape];
      EXPECT_EQ(groups[kept], std::vector<Position>(positions.begin(), positions.end()));
      EXPECT_EQ(list.Find(*g->record), g);
      ++kept;
    }
    for (size_t shape = 0; shape < templates.size(); ++shape) {
      if (!expected.count(shape)) {
        EXPECT_EQ(list.Find(*Compressed(templates[shape])), nullptr) << "shape " << shape;
      }
    }
    size_t unique = 0;
    for (const auto& entry : expected) unique += entry.second.size();
    EXPECT_EQ(removed, total - unique) << "round " << round;

    ShapeGroupList back;
    BinaryFile f;
    OpenBytes(f, Written([&](BinaryFile& out) { list.Write(out); }));
    back.Read(f);
    EXPECT_EQ(Walk(back), groups);
    for (const ShapeGroup *a = list.Head(), *b = back.Head(); a && b; a = a->next, b = b->next) {
      EXPECT_EQ(DBPolygon::Compare(*a->record, *b->record), 0);
    }
  }
}

TEST_F(ShapeGroupTest, SortOrdersLikeAStableSortByRecordCompare) {
  // Small coordinate ranges give many equal records and many records that differ only in a
  // late value; negative values check the signed order of the words.
  std::mt19937 rng(7);
  auto coordinate = [&](int range) { return int32_t(rng() % (2 * range + 1)) - range; };
  for (int round = 0; round < 30; ++round) {
    ShapeGroupList list;
    std::vector<const DBPolygon*> records;
    for (int i = 0, count = 1 + int(rng() % 200); i < count; ++i) {
      Points shape;
      switch (rng() % 3) {
        case 0: {
          int32_t w = 1 + int32_t(rng() % 3), h = 1 + int32_t(rng() % 3);
          shape = {{0, 0}, {w, 0}, {w, h}, {0, h}};
          break;
        }
        case 1: shape = {{0, 0}, {coordinate(3), coordinate(3)}, {coordinate(3), coordinate(3)}}; break;
        default: shape = {{0, 0}, {coordinate(2), 1}, {2, coordinate(2)}, {3, 3}, {coordinate(2), 4}};
      }
      ShapeGroup* group = list.Append(Compressed(shape));
      group->AppendPosition(i, 0);
      records.push_back(group->record);
    }
    std::vector<int32_t> expected(records.size());
    for (size_t i = 0; i < expected.size(); ++i) expected[i] = int32_t(i);
    std::stable_sort(expected.begin(), expected.end(),
                     [&](int32_t a, int32_t b) { return DBPolygon::Compare(*records[a], *records[b]) < 0; });
    list.Sort();
    std::vector<int32_t> order;
    for (const std::vector<Position>& group : Walk(list)) order.push_back(group.at(0).first);
    EXPECT_EQ(order, expected) << "round " << round;
  }
}

TEST_F(ShapeGroupTest, ToRingsGivesOneRingPerPositionInListOrder) {
  std::vector<Points> templates = Templates();
  ShapeGroupList list;
  std::vector<Points> expected;
  for (size_t i = 0; i < templates.size(); ++i) {
    ShapeGroup* group = list.Append(Compressed(templates[i]));
    for (int32_t k = 0; k < 2; ++k) {
      Point at(int32_t(i) * 1000 + k, -k * 7);
      group->AppendPosition(at.x, at.y);
      Points ring;
      const Point& origin = templates[i][0];
      for (const Point& p : templates[i]) ring.emplace_back(p.x - origin.x + at.x, p.y - origin.y + at.y);
      expected.push_back(ring);
    }
  }
  RingSet out;
  list.ToRings(out);
  EXPECT_EQ(out.RingCount(), int32_t(expected.size()));
  // Rings follow one another in chain order, each from its origin: no template starts with a
  // vertical edge, so every origin is the template's first vertex.
  const RingVertex* v = out.Head();
  for (const Points& ring : expected) {
    Points got;
    const RingVertex* start = v;
    do {
      got.emplace_back(v->x, v->y);
      v = v->ringNext;
    } while (v != start);
    EXPECT_EQ(got, ring);
    for (size_t i = 0; i < ring.size(); ++i) v = v->next;
  }
  EXPECT_EQ(v, nullptr);
}

TEST_F(ShapeGroupTest, MalformedGroupsAndLayersGiveErrorsAndReleaseEverything) {
  ShapeGroupList source;
  for (const Points& shape : Templates()) {
    ShapeGroup* group = source.Append(Compressed(shape));
    group->AppendPosition(-3, 4);
    group->AppendPosition(70000, -2);
  }
  Bytes valid = Written([&](BinaryFile& f) { source.Write(f); });
  struct Case {
    Bytes bytes;
    const char* message;  // null: any Error
  };
  std::vector<Case> cases{{{0x01, 0x03, 0, 0, 0, 0x14, 0x00}, "Wrong format"},
                          {{0x01, 0x03, 0, 0, 0, 0x14, 0x80, 0x80, 0x80, 0x80, 0x08, 0, 0}, "Wrong format"},
                          {{0x80, 0x80, 0x80, 0x80, 0x08, 0x03, 0, 0, 0, 0x14}, "Wrong layer format"},
                          {{0x05, 0x03, 0, 0, 0, 0x14, 0xff, 0xff, 0x03, 0x0a, 0x0a}, nullptr}};
  for (size_t size = 0; size < valid.size(); ++size) {
    cases.push_back({Bytes(valid.begin(), valid.begin() + size), nullptr});  // every prefix
  }
  int64_t groupPlateau = -1, positionPlateau = -1;
  for (int round = 0; round < 3; ++round) {
    for (const Case& c : cases) {
      ShapeGroupList list;
      BinaryFile f;
      OpenBytes(f, c.bytes);
      try {
        list.Read(f);
        ADD_FAILURE() << c.bytes.size() << " bytes accepted";
      } catch (const Error& e) {
        if (c.message) {
          EXPECT_EQ(e.Message(), c.message);
          EXPECT_STREQ(e.Tag(), "LIBIN");
        }
      }
      Walk(list);
    }
    int64_t groups = ShapeGroupPool::Pool().Allocator().LastIndex();
    int64_t positions = PositionPool::Pool().Allocator().LastIndex();
    if (round > 0) {
      EXPECT_EQ(groups, groupPlateau);
      EXPECT_EQ(positions, positionPlateau);
    }
    groupPlateau = groups;
    positionPlateau = positions;
  }
}

}  // namespace

TEST_F(ShapeGroupTest, TableOfAListWritesWhatSortingMergingAndWritingTheListWrites) {
  std::vector<Points> templates = Templates();
  const int32_t coordinates[] = {INT32_MIN, -100, -1, 0, 3, 100, INT32_MAX};
  std::mt19937 rng(7);
  for (int round = 0; round < 30; ++round) {
    // Every other round the sort splits its runs in place, as it does those of huge tables;
    // now and then the memory kept between tables is given back, as at the end of an import.
    ShapeTable::LimitSortScratch(round % 2 ? 8 : 0);
    if (round % 5 == 0) ShapeTable::ReleaseSpareMemory();
    ShapeGroupList made;
    ShapeGroupList sorted;
    for (int g = 0, groups = int(rng() % 80); g < groups; ++g) {
      size_t shape = rng() % templates.size();
      ShapeGroup* a = made.Append(Compressed(templates[shape]));
      ShapeGroup* b = sorted.Append(Compressed(templates[shape]));
      // Now and then a group without positions, which is never written.
      for (int p = 0, count = int(rng() % 4); p < count; ++p) {
        Position at(coordinates[rng() % 7], coordinates[rng() % 7]);
        a->AppendPosition(at.first, at.second);
        b->AppendPosition(at.first, at.second);
      }
    }
    std::vector<std::vector<Position>> before = Walk(made);
    ShapeTable merged;
    merged.AddList(made);
    merged.Merge();
    Bytes mergedBytes = Written([&](BinaryFile& f) { merged.Write(f); });
    EXPECT_EQ(Walk(made), before) << "the list itself is left as it was made";

    sorted.Sort();
    uint64_t removed = sorted.SortAndMerge();
    Bytes sortedBytes = Written([&](BinaryFile& f) {
      uint32_t groups = 0;
      for (const ShapeGroup* g = sorted.Head(); g; g = g->next) groups += g->positionCount > 0;
      f.WriteUnsignedChained(groups);
      for (const ShapeGroup* g = sorted.Head(); g; g = g->next) {
        if (g->positionCount > 0) g->Write(f);
      }
    });
    EXPECT_EQ(mergedBytes, sortedBytes) << "round " << round;
    EXPECT_EQ(merged.DuplicatesDropped(), removed) << "round " << round;
  }
  ShapeTable::LimitSortScratch(0);
}

TEST_F(ShapeGroupTest, ImportTableWritesAndMovesToListsLikeTheGroupsItStandsFor) {
  std::vector<Points> templates = Templates();
  std::mt19937 rng(11);
  for (int round = 0; round < 20; ++round) {
    ShapeTable table;
    ShapeGroupList groups;
    for (int s = 0, shapes = int(rng() % 50); s < shapes; ++s) {
      size_t shape = rng() % templates.size();
      int32_t x = int32_t(rng() % 5) - 2, y = int32_t(rng() % 5) - 2;
      size_t entry = table.Add(Compressed(templates[shape]), x, y);
      ShapeGroup* group = groups.Append(Compressed(templates[shape]));
      group->AppendPosition(x, y);
      // Repetitions of the same record, as an array or repetition gives them.
      for (int r = 0, repeats = int(rng() % 3); r < repeats; ++r) {
        table.AddAgain(entry, x + 100 * (r + 1), y);
        group->AppendPosition(x + 100 * (r + 1), y);
      }
    }
    groups.Sort();
    uint64_t removed = groups.SortAndMerge();
    Bytes expected = Written([&](BinaryFile& f) { groups.Write(f); });
    table.Merge();
    EXPECT_EQ(Written([&](BinaryFile& f) { table.Write(f); }), expected) << "round " << round;
    EXPECT_EQ(table.DuplicatesDropped(), removed);

    // Moved into a list, the same shapes write the same bytes once sorted and merged.
    ShapeGroupList moved;
    table.MoveTo(moved);
    EXPECT_TRUE(table.IsEmpty());
    moved.Sort();
    moved.SortAndMerge();
    EXPECT_EQ(Written([&](BinaryFile& f) { moved.Write(f); }), expected) << "round " << round;
  }
}

TEST_F(ShapeGroupTest, ImportTableOrdersLongRecordsAlikeInTheirLeadingValuesLikeTheList) {
  // Staircases whose first two values agree and whose later ones differ, at one position: the
  // table's key cannot tell them apart, only their records can.
  std::mt19937 rng(5);
  ShapeTable table;
  ShapeGroupList groups;
  for (int s = 0; s < 300; ++s) {
    int32_t step = 10 * int32_t(1 + rng() % 20), top = 30 + 10 * int32_t(rng() % 20);
    Points stairs = {{0, 0}, {10, 0}, {10, 20}, {step, 20}, {step, top}, {0, top}};
    table.Add(Compressed(stairs), 7, 7);
    groups.Append(Compressed(stairs))->AppendPosition(7, 7);
  }
  groups.Sort();
  groups.SortAndMerge();
  table.Merge();
  EXPECT_EQ(Written([&](BinaryFile& f) { table.Write(f); }), Written([&](BinaryFile& f) { groups.Write(f); }));
}
