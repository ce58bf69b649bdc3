#include "formats/text_polygons.h"

#include <gtest/gtest.h>

#include <clocale>
#include <locale>
#include <string>
#include <vector>

#include "db/error.h"
#include "db/poly/ring_set.h"
#include "tests/db/library_test_util.h"
#include "tests/db/poly/ring_test_util.h"

namespace {

std::string ReadText(const std::string& path) {
  libtest::Bytes bytes = libtest::ReadBytes(path);
  return std::string(bytes.begin(), bytes.end());
}

void WriteText(const std::string& path, const std::string& text) {
  libtest::WriteBytes(path, libtest::Bytes(text.begin(), text.end()));
}

// One closed ring, its vertices appended to the chain in ring order.
void AddRing(RingSet& set, const ringtest::Ring& ring) {
  RingVertex* first = nullptr;
  RingVertex* last = nullptr;
  for (const Point& p : ring) {
    RingVertex* v = set.PushBack(p);
    if (!first) first = v;
    Link(last, v);
    last = v;
  }
  Link(last, first);
  set.SetRingCount(set.RingCount() + 1);
}

// Reads path into a fresh ring set; gives its rings and the log.
struct ReadResult {
  std::vector<ringtest::Ring> rings;
  int32_t ringCount = 0;
  std::string log;
};

ReadResult Read(const std::string& path, bool flag = false) {
  RingSet set;
  testing::internal::CaptureStdout();
  bool opened = ReadTextPolygons(set, path, flag);
  ReadResult result;
  result.log = testing::internal::GetCapturedStdout();
  EXPECT_TRUE(opened);
  result.rings = ringtest::ExtractRings(set);
  result.ringCount = set.RingCount();
  for (const RingVertex* v = set.Head(); v; v = v->next) EXPECT_EQ(v->flags, flag ? kVertexOperandB : 0);
  return result;
}

TEST(TextPolygons, WritesRingsOfThreeOrMoreVerticesOnce) {
  libtest::TempDir dir;
  RingSet set;
  AddRing(set, {{0, 0}, {10, 0}, {0, 10}});
  AddRing(set, {{5, 5}, {6, 6}});
  AddRing(set, {{-2147483647 - 1, -3}, {2147483647, -3}, {2147483647, 40}, {-2147483647 - 1, 40}});
  // A ring whose vertices interleave with another's in chain order is still written once.
  RingVertex* a = set.PushBack(Point(100, 100));
  RingVertex* b = set.PushBack(Point(200, 100));
  RingVertex* c = set.PushBack(Point(200, 200));
  Link(a, c);
  Link(c, b);
  Link(b, a);
  set.SetRingCount(set.RingCount() + 1);
  std::string path = dir.File("out.poly");
  TextPolygonCounts counts = WriteTextPolygons(set, path, false);
  EXPECT_EQ(counts.rings, 3);
  EXPECT_EQ(counts.vertices, 10);
  EXPECT_EQ(ReadText(path),
            "3\n0\t0\n10\t0\n0\t10\n"
            "4\n-2147483648\t-3\n2147483647\t-3\n2147483647\t40\n-2147483648\t40\n"
            "3\n100\t100\n200\t200\n200\t100\n");
  for (const RingVertex* v = set.Head(); v; v = v->next) EXPECT_EQ(v->flags, 0);
  ReadResult back = Read(path);
  ASSERT_EQ(back.rings.size(), 3u);
  EXPECT_EQ(back.rings[1],
            (ringtest::Ring{{-2147483647 - 1, -3}, {2147483647, -3}, {2147483647, 40}, {-2147483647 - 1, 40}}));
  EXPECT_NE(back.log.find("  3 polygons with 10 vertices read\n"), std::string::npos);
}

TEST(TextPolygons, AppendsAfterTheRingsAlreadyInTheFile) {
  libtest::TempDir dir;
  std::string path = dir.File("out.poly");
  RingSet first, second;
  AddRing(first, {{0, 0}, {10, 0}, {0, 10}});
  AddRing(second, {{1, 1}, {2, 1}, {2, 2}, {1, 2}});
  WriteTextPolygons(first, path, false);
  WriteTextPolygons(second, path, true);
  ReadResult back = Read(path, true);
  EXPECT_EQ(back.ringCount, 2);
  EXPECT_EQ(back.rings, (std::vector<ringtest::Ring>{{{0, 0}, {10, 0}, {0, 10}}, {{1, 1}, {2, 1}, {2, 2}, {1, 2}}}));
}

TEST(TextPolygons, ReadsRectanglesAnyWhitespaceAndCrLf) {
  libtest::TempDir dir;
  std::string path = dir.File("in.poly");
  WriteText(path, "0\r\n0 0\r\n5\t7\r\n3 1 1\n\n  4 1 9   2\r\n");
  ReadResult back = Read(path);
  EXPECT_EQ(back.rings, (std::vector<ringtest::Ring>{{{0, 0}, {5, 0}, {5, 7}, {0, 7}}, {{1, 1}, {4, 1}, {9, 2}}}));
  EXPECT_NE(back.log.find("  2 polygons with 7 vertices read\n"), std::string::npos);
  WriteText(path, "");
  back = Read(path);
  EXPECT_TRUE(back.rings.empty());
  EXPECT_NE(back.log.find("  0 polygons with 0 vertices read\n"), std::string::npos);
}

struct MalformedCase {
  const char* what;
  const char* text;
  size_t ringsKept;
  bool malformed;
};

TEST(TextPolygons, StopsAtMalformedInputKeepingWhatCameBefore) {
  const MalformedCase cases[] = {
      {"cut vertex list", "3\n0\t0\n1\t0\n0\t1\n3\n0\t0\n1\t0\n", 1, true},
      {"cut number pair", "3\n0\t0\n1\t0\n0", 0, true},
      {"text", "3\n0\t0\n1\t0\n0\t1\nrings\n", 1, true},
      {"huge count, then the end", "1000000000\n", 0, true},
      {"coordinate beyond 32 bits", "3\n0\t0\n4294967296\t0\n0\t1\n", 0, true},
      {"short rings are dropped", "-5\n1 1\n1\n2 2\n2\n3 3\n4 4\n3\n0 0\n1 0\n0 1\n", 1, false},
  };
  libtest::TempDir dir;
  std::string path = dir.File("in.poly");
  for (const MalformedCase& c : cases) {
    WriteText(path, c.text);
    ReadResult back = Read(path);
    EXPECT_EQ(back.rings.size(), c.ringsKept) << c.what;
    EXPECT_EQ(back.ringCount, int32_t(c.ringsKept)) << c.what;
    EXPECT_EQ(back.log.find("Malformed polygon file at ring") != std::string::npos, c.malformed) << c.what;
  }
}

TEST(TextPolygons, ReportsFilesThatCannotBeOpened) {
  libtest::TempDir dir;
  RingSet set;
  AddRing(set, {{0, 0}, {10, 0}, {0, 10}});
  testing::internal::CaptureStdout();
  EXPECT_FALSE(ReadTextPolygons(set, dir.File("missing.poly"), false));
  EXPECT_THROW(WriteTextPolygons(set, dir.File("no/such/dir.poly"), false), Error);
  std::string log = testing::internal::GetCapturedStdout();
  EXPECT_EQ(set.RingCount(), 1);
  EXPECT_NE(log.find("Error: Input file could not be opened !\n"), std::string::npos);
  EXPECT_NE(log.find("Error: Output file " + dir.File("no/such/dir.poly") + " could not be opened !\n"),
            std::string::npos);
}

TEST(TextPolygons, NumbersDoNotDependOnTheGlobalLocale) {
  libtest::TempDir dir;
  std::locale saved;
  try {
    std::locale::global(std::locale("de_DE.UTF-8"));
  } catch (const std::runtime_error&) {
    GTEST_SKIP() << "de_DE.UTF-8 is not installed";
  }
  RingSet set;
  AddRing(set, {{1234567, 0}, {2345678, 0}, {0, 1000}});
  std::string path = dir.File("out.poly");
  WriteTextPolygons(set, path, false);
  ReadResult back = Read(path);
  std::locale::global(saved);
  EXPECT_EQ(ReadText(path), "3\n1234567\t0\n2345678\t0\n0\t1000\n");
  ASSERT_EQ(back.rings.size(), 1u);
  EXPECT_EQ(back.rings[0], (ringtest::Ring{{1234567, 0}, {2345678, 0}, {0, 1000}}));
}

}  // namespace
