#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <functional>
#include <limits>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "db/error.h"
#include "formats/oasis_file.h"
#include "tests/formats/oasis_builder.h"

namespace {

using Bytes = OasisBuilder::Bytes;
using Points = std::vector<OasisDelta>;
using Drive = std::function<void(OasisFile&)>;

class OasisPrimitivesTest : public ::testing::Test {
 protected:
  OasisFile& Open(const Bytes& bytes) {
    std::ofstream(path_, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    file_ = std::make_unique<OasisFile>();
    file_->OpenForRead(path_);
    return *file_;
  }
  // drive must throw Error(kTagOasisIn, message) on these bytes.
  void ExpectError(const Bytes& bytes, const Drive& drive, const std::string& message) {
    OasisFile& f = Open(bytes);
    try {
      drive(f);
      ADD_FAILURE() << "no error, expected " << message;
    } catch (const Error& e) {
      EXPECT_EQ(e.Message(), message);
      EXPECT_STREQ(e.Tag(), "OASISIN") << message;
    }
  }
  void TearDown() override { std::remove(path_.c_str()); }

  std::string path_ = testing::TempDir() + "oasis_primitives_" + std::to_string(::getpid()) + ".oas";
  std::unique_ptr<OasisFile> file_;
};

Points Sorted(Points p) {
  std::sort(p.begin(), p.end(),
            [](const OasisDelta& a, const OasisDelta& b) { return a.x != b.x ? a.x < b.x : a.y < b.y; });
  return p;
}

TEST_F(OasisPrimitivesTest, DecodesUnsignedIntegersUpTo64Bits) {
  const uint64_t kMax = std::numeric_limits<uint64_t>::max();
  const std::vector<std::pair<Bytes, uint64_t>> cases = {
      {{0x00}, 0},
      {{0x7f}, 127},
      {{0x80, 0x01}, 128},
      {{0xac, 0x02}, 300},
      {{0xff, 0xff, 0xff, 0xff, 0x0f}, 0xffffffffu},
      {{0x80, 0x80, 0x80, 0x80, 0x10}, uint64_t(1) << 32},  // the bits a 32-bit reader loses
      {{0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0x01}, kMax},
      {{0x80, 0x00}, 0},  // overlong but legal
      {{0x81, 0x80, 0x80, 0x00}, 1},
      {{0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x00}, 0},
  };
  // Alone in the file, and followed by more bytes as in a real file.
  for (size_t pad : {0, 16}) {
    for (const auto& [bytes, value] : cases) {
      Bytes padded = bytes;
      padded.resize(bytes.size() + pad, 0xff);
      OasisFile& f = Open(padded);
      EXPECT_EQ(f.ReadUnsigned(), value) << value;
      EXPECT_EQ(f.BytesLeft(), pad) << value;
    }
  }
  auto read = [](OasisFile& f) { f.ReadUnsigned(); };
  ExpectError({0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0x02}, read, "Integer out of range");
  ExpectError({0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x00}, read, "Integer out of range");
  ExpectError({0x80, 0x80}, read, "Unexpected end of file");
  ExpectError(
      {0x80, 0x80, 0x80, 0x80, 0x10}, [](OasisFile& f) { f.ReadUnsigned32(); }, "Integer out of range");
}

TEST_F(OasisPrimitivesTest, DecodesSignedIntegersUpTo64Bits) {
  const std::vector<std::pair<Bytes, int64_t>> cases = {
      {{0x00}, 0},
      {{0x01}, 0},  // negative zero
      {{0x02}, 1},
      {{0x03}, -1},
      {{0x7e}, 63},
      {{0x80, 0x01}, 64},
      {{0x81, 0x01}, -64},
      {{0xfe, 0xff, 0xff, 0xff, 0x7f}, 0x3ffffffff},  // 34 bits of magnitude
      {{0xfe, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0x01}, std::numeric_limits<int64_t>::max()},
      {{0x81, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x02}, std::numeric_limits<int64_t>::min()},
      {{0x82, 0x80, 0x00}, 1},
  };
  for (size_t pad : {0, 16}) {
    for (const auto& [bytes, value] : cases) {
      Bytes padded = bytes;
      padded.resize(bytes.size() + pad, 0xff);
      OasisFile& f = Open(padded);
      EXPECT_EQ(f.ReadSigned(), value) << value;
      EXPECT_EQ(f.BytesLeft(), pad) << value;
      // The 32-bit reader decodes short values itself: the same value, or the range error.
      if (value < INT32_MIN || value > INT32_MAX) {
        ExpectError(
            padded, [](OasisFile& g) { g.ReadSigned32(); }, "Integer out of range");
        continue;
      }
      OasisFile& g = Open(padded);
      EXPECT_EQ(g.ReadSigned32(), value) << value;
      EXPECT_EQ(g.BytesLeft(), pad) << value;
    }
  }
  auto read = [](OasisFile& f) { f.ReadSigned(); };
  ExpectError({0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x02}, read, "Integer out of range");
  ExpectError({0xfe, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0x04}, read, "Integer out of range");
  ExpectError({0x81, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x00}, read, "Integer out of range");
  ExpectError({0x81}, read, "Unexpected end of file");

  OasisFile& f = Open(OasisBuilder().Signed(INT32_MIN).Signed(INT32_MAX).bytes());
  EXPECT_EQ(f.ReadSigned32(), INT32_MIN);
  EXPECT_EQ(f.ReadSigned32(), INT32_MAX);
  ExpectError(
      OasisBuilder().Signed(int64_t(INT32_MAX) + 1).bytes(), [](OasisFile& g) { g.ReadSigned32(); },
      "Integer out of range");
}

// An OASIS integer decoded from bytes[at] one byte at a time: the value (a signed one in
// `value` as its two's complement) and its length, or the message the reader must throw.
struct Integer {
  uint64_t value = 0;
  size_t length = 0;
  std::string error;
};

Integer ReferenceInteger(const Bytes& bytes, size_t at, bool isSigned) {
  Integer r;
  uint64_t bits = 0;
  for (size_t i = 0;; ++i) {
    if (i == 10) return Integer{0, 0, "Integer out of range"};
    if (at + i >= bytes.size()) return Integer{0, 0, "Unexpected end of file"};
    uint64_t group = bytes[at + i] & 0x7f;
    // Bits of the value from this byte on: 7i (unsigned), or 7i - 1 after the sign bit.
    int shift = int(7 * i) - (isSigned && i > 0 ? 1 : 0);
    if (isSigned && i == 0) group >>= 1;
    if (i == 9 && (group >> (64 - shift)) != 0) return Integer{0, 0, "Integer out of range"};
    bits |= group << shift;
    if (!(bytes[at + i] & 0x80)) {
      r.length = i + 1;
      break;
    }
  }
  bool negative = isSigned && (bytes[at] & 1);
  if (isSigned && bits > uint64_t(std::numeric_limits<int64_t>::max()) + (negative ? 1 : 0)) {
    return Integer{0, 0, "Integer out of range"};
  }
  r.value = negative ? 0 - bits : bits;
  return r;
}

TEST_F(OasisPrimitivesTest, IntegersDecodeLikeAByteWiseReferenceAnywhereInTheFile) {
  // Random bytes, most with the continuation bit: integers of every length up to ten bytes,
  // overlong and out-of-range ones, some across the end of the read buffer.
  std::mt19937 random(11);
  Bytes bytes(600000);
  for (uint8_t& b : bytes) b = uint8_t(random() & 0xff) | (random() % 4 != 0 ? 0x80 : 0);
  OasisFile& f = Open(bytes);
  int values = 0, errors = 0;
  for (size_t at = 0; at < bytes.size();) {
    bool isSigned = random() & 1;
    Integer expected = ReferenceInteger(bytes, at, isSigned);
    try {
      uint64_t got = isSigned ? uint64_t(f.ReadSigned()) : f.ReadUnsigned();
      ASSERT_EQ(expected.error, "") << "no error at " << at;
      ASSERT_EQ(got, expected.value) << "at " << at;
      ASSERT_EQ(f.Tell(), int64_t(at + expected.length));
      at += expected.length;
      ++values;
    } catch (const Error& e) {
      ASSERT_EQ(e.Message(), expected.error) << "at " << at;
      ++at;
      ASSERT_TRUE(f.Seek(int64_t(at)));
      ++errors;
    }
  }
  EXPECT_GT(values, 50000);
  EXPECT_GT(errors, 1000);
}

TEST_F(OasisPrimitivesTest, DecodesAllEightRealTypes) {
  const std::vector<std::pair<Bytes, double>> cases = {
      {{0x00, 0xe8, 0x07}, 1000},  // the unit of a nanometre grid
      {{0x01, 0x03}, -3},
      {{0x02, 0x02}, 0.5},
      {{0x03, 0x04}, -0.25},
      {{0x04, 0x03, 0x04}, 0.75},
      {{0x05, 0x03, 0x08}, -0.375},
      {{0x06, 0x00, 0x00, 0xc0, 0x3f}, 1.5},
      {{0x06, 0xcd, 0xcc, 0xcc, 0x3d}, double(0.1f)},
      {{0x07, 0x9a, 0x99, 0x99, 0x99, 0x99, 0x99, 0xb9, 0x3f}, 0.1},
      {{0x07, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xf8, 0xc3}, -std::ldexp(1.5, 64)},
  };
  for (const auto& [bytes, value] : cases) {
    OasisFile& f = Open(bytes);
    EXPECT_EQ(f.ReadReal(), value) << value;
    EXPECT_EQ(f.BytesLeft(), 0u) << value;
  }
  OasisFile& f = Open({0x02, 0x00, 0x05, 0x00, 0x00});
  EXPECT_EQ(f.ReadReal(), std::numeric_limits<double>::infinity());
  EXPECT_TRUE(std::isnan(f.ReadReal()));
  ExpectError(
      {0x08, 0x00}, [](OasisFile& g) { g.ReadReal(); }, "Unkown Real Format");
  ExpectError(
      {0x03, 0x00}, [](OasisFile& g) { g.ReadFiniteReal("magnification"); }, "Invalid magnification");
  ExpectError(
      {0x07, 0, 0, 0, 0, 0, 0, 0xf8, 0x7f}, [](OasisFile& g) { g.ReadFiniteReal("unit"); }, "Invalid unit");
  ExpectError(
      {0x07, 0, 0, 0, 0, 0, 0, 0xf0}, [](OasisFile& g) { g.ReadReal(); }, "Unexpected end of file");
}

TEST_F(OasisPrimitivesTest, ReadsStringsAndRefusesLengthsBeyondTheFile) {
  OasisFile& f = Open({0x03, 'a', 'b', 'c', 0x00, 0x02, 0x00, 0xff});
  std::string s = "previous";
  f.ReadString(s);
  EXPECT_EQ(s, "abc");
  f.ReadString(s);
  EXPECT_EQ(s, "");
  f.ReadString(s);
  EXPECT_EQ(s, std::string("\0\xff", 2));
  auto read = [](OasisFile& g) {
    std::string t;
    g.ReadString(t);
  };
  ExpectError({0x04, 'a', 'b', 'c'}, read, "String too long");
  ExpectError({0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0x01}, read, "String too long");
}

TEST_F(OasisPrimitivesTest, DecodesDeltasInEveryDirection) {
  struct Case {
    Bytes bytes;
    int form;  // 2, 3 or 0 for g-delta
    OasisDelta value;
  };
  const std::vector<Case> cases = {
      {{0x14}, 2, {5, 0}},        {{0x15}, 2, {0, 5}},       {{0x16}, 2, {-5, 0}},  {{0x17}, 2, {0, -5}},
      {{0x18}, 3, {3, 0}},        {{0x19}, 3, {0, 3}},       {{0x1a}, 3, {-3, 0}},  {{0x1b}, 3, {0, -3}},
      {{0x1c}, 3, {3, 3}},        {{0x1d}, 3, {-3, 3}},      {{0x1e}, 3, {-3, -3}}, {{0x1f}, 3, {3, -3}},
      {{0x3b}, 3, {0, -7}},       {{0x0d, 0x08}, 0, {3, 4}}, {{0x54}, 0, {-5, 0}},  {{0x0f, 0x09}, 0, {-3, -4}},
      {{0x20}, 0, {2, 0}},        {{0x22}, 0, {0, 2}},       {{0x24}, 0, {-2, 0}},  {{0x26}, 0, {0, -2}},
      {{0x28}, 0, {2, 2}},        {{0x2a}, 0, {-2, 2}},      {{0x2c}, 0, {-2, -2}}, {{0x2e}, 0, {2, -2}},
      {{0xa0, 0x01}, 0, {10, 0}},
  };
  for (const Case& c : cases) {
    OasisFile& f = Open(c.bytes);
    OasisDelta d = c.form == 2 ? f.Read2Delta() : c.form == 3 ? f.Read3Delta() : f.ReadGDelta();
    EXPECT_EQ(d, c.value) << c.value.x << "," << c.value.y << " form " << c.form;
    EXPECT_EQ(f.BytesLeft(), 0u);
  }
  ExpectError(
      OasisBuilder().GDelta(int64_t(1) << 32, 3).bytes(), [](OasisFile& f) { f.ReadGDelta(); }, "Integer out of range");
  ExpectError(
      {0x0d}, [](OasisFile& f) { f.ReadGDelta(); }, "Unexpected end of file");
}

TEST_F(OasisPrimitivesTest, ReadsPointListsOfEveryTypeWithTheImpliedVertex) {
  struct Case {
    Bytes bytes;
    bool polygon;
    Points points;
  };
  const std::vector<Case> cases = {
      {OasisBuilder().ManhattanList(0, {10, 5}).bytes(), true, {{0, 0}, {10, 0}, {10, 5}, {0, 5}}},
      {OasisBuilder().ManhattanList(1, {5, 10}).bytes(), true, {{0, 0}, {0, 5}, {10, 5}, {10, 0}}},
      {OasisBuilder().ManhattanList(0, {20, 10, -10, 10}).bytes(),
       true,
       {{0, 0}, {20, 0}, {20, 10}, {10, 10}, {10, 20}, {0, 20}}},
      {OasisBuilder().ManhattanList(0, {10, 5, -4}).bytes(), false, {{0, 0}, {10, 0}, {10, 5}, {6, 5}}},
      {OasisBuilder().ManhattanList(1, {-3}).bytes(), false, {{0, 0}, {0, -3}}},
      {OasisBuilder().Unsigned(2).Unsigned(3).Delta2(0, 10).Delta2(1, 5).Delta2(2, 10).bytes(),
       true,
       {{0, 0}, {10, 0}, {10, 5}, {0, 5}}},
      {OasisBuilder().Unsigned(3).Unsigned(3).Delta3(4, 5).Delta3(5, 5).Delta3(3, 2).bytes(),
       true,
       {{0, 0}, {5, 5}, {0, 10}, {0, 8}}},
      {OasisBuilder().GDeltaList(4, {{3, 4}, {-5, 0}, {7, -9}}).bytes(), false, {{0, 0}, {3, 4}, {-2, 4}, {5, -5}}},
      {OasisBuilder().GDeltaList(5, {{1, 0}, {1, 0}, {0, 1}}).bytes(), true, {{0, 0}, {1, 0}, {3, 0}, {5, 1}}},
      {OasisBuilder().GDeltaList(4, {}).bytes(), true, {{0, 0}}},
  };
  Points points;
  for (size_t i = 0; i < cases.size(); ++i) {
    OasisFile& f = Open(cases[i].bytes);
    f.ReadPointList(points, cases[i].polygon);
    EXPECT_EQ(points, cases[i].points) << "case " << i;
    EXPECT_EQ(f.BytesLeft(), 0u) << "case " << i;
  }
  auto polygon = [](OasisFile& f) {
    Points p;
    f.ReadPointList(p, true);
  };
  ExpectError({0x06, 0x00}, polygon, "Unknown point list type");
  ExpectError({0x04, 0x05, 0x20, 0x20}, polygon, "Point list too long (5 points)");
  ExpectError(OasisBuilder().Unsigned(4).Unsigned(300000).bytes(), polygon, "Point list too long (300000 points)");
  // Each delta fits, their sum leaves the 32-bit span.
  ExpectError(OasisBuilder().GDeltaList(4, {{0xffffffffll, 0}, {1, 0}}).bytes(), polygon, "Integer out of range");
  ExpectError(OasisBuilder().GDeltaList(5, {{0x80000000ll, 0}, {0, 0}}).bytes(), polygon, "Integer out of range");
  ExpectError(OasisBuilder().ManhattanList(0, {-0x100000000ll}).bytes(), polygon, "Integer out of range");
}

TEST_F(OasisPrimitivesTest, ExpandsRepetitionsOfEveryTypeToTheirPositions) {
  struct Case {
    Bytes bytes;
    Points positions;
  };
  const std::vector<Case> cases = {
      {OasisBuilder().Repetition(1, {1, 0, 10, 20}).bytes(), {{0, 0}, {10, 0}, {20, 0}, {0, 20}, {10, 20}, {20, 20}}},
      {OasisBuilder().Repetition(2, {0, 7}).bytes(), {{0, 0}, {7, 0}}},
      {OasisBuilder().Repetition(3, {1, 5}).bytes(), {{0, 0}, {0, 5}, {0, 10}}},
      {OasisBuilder().Repetition(4, {1, 4, 6}).bytes(), {{0, 0}, {4, 0}, {10, 0}}},
      {OasisBuilder().Repetition(5, {0, 5, 3}).bytes(), {{0, 0}, {15, 0}}},
      {OasisBuilder().Repetition(6, {0, 9}).bytes(), {{0, 0}, {0, 9}}},
      {OasisBuilder().Repetition(7, {1, 2, 1, 2}).bytes(), {{0, 0}, {0, 2}, {0, 6}}},
      {OasisBuilder().Repetition(8, {0, 0}).GDelta(3, 4).GDelta(-5, 0).bytes(), {{0, 0}, {3, 4}, {-5, 0}, {-2, 4}}},
      {OasisBuilder().Repetition(9, {1}).GDelta(2, 2).bytes(), {{0, 0}, {2, 2}, {4, 4}}},
      {{0x0a, 0x01, 0xa0, 0x01, 0x52}, {{0, 0}, {10, 0}, {10, 5}}},
      {OasisBuilder().Repetition(11, {0, 10}).GDelta(1, -1).bytes(), {{0, 0}, {10, -10}}},
  };
  OasisRepetition modal;
  Points positions;
  for (const Case& c : cases) {
    OasisFile& f = Open(c.bytes);
    f.ReadRepetition(modal);
    EXPECT_EQ(f.BytesLeft(), 0u) << "type " << modal.type;
    EXPECT_EQ(modal.Count(), c.positions.size()) << "type " << modal.type;
    modal.Expand(positions, 1000);
    EXPECT_EQ(Sorted(positions), Sorted(c.positions)) << "type " << modal.type;
  }
  // Type 0 keeps the last repetition read.
  OasisFile& f = Open({0x00});
  f.ReadRepetition(modal);
  EXPECT_EQ(modal.type, 11u);
  EXPECT_EQ(modal.Count(), 2u);
}

TEST_F(OasisPrimitivesTest, RefusesRepetitionsThatAreUnknownUndefinedOrTooLarge) {
  auto read = [](OasisFile& f) {
    OasisRepetition r;
    f.ReadRepetition(r);
  };
  ExpectError({0x00}, read, "Modal variable repetition undefined");
  ExpectError({0x0c}, read, "Unknown Repetition ");
  ExpectError(OasisBuilder().Repetition(10, {1000}).GDelta(1, 0).bytes(), read,
              "Repetition too large (1002 positions)");
  ExpectError(OasisBuilder().Repetition(2, {0xfffffffe, 2}).bytes(), read, "Repetition offset out of range");
  ExpectError(OasisBuilder().Repetition(8, {0, 0}).GDelta(0x80000000ll, 0).GDelta(0x80000000ll, 0).bytes(), read,
              "Repetition offset out of range");
  ExpectError(OasisBuilder().Repetition(4, {1, 0x80000000ll, 0x80000000ll}).bytes(), read, "Integer out of range");
  ExpectError(OasisBuilder().Repetition(1, {0x100000000ll, 0, 1, 1}).bytes(), read, "Integer out of range");

  OasisRepetition big;
  OasisFile& f = Open(OasisBuilder().Repetition(1, {998, 998, 1, 1}).bytes());
  f.ReadRepetition(big);
  EXPECT_EQ(big.Count(), 1000000u);
  Points positions;
  try {
    big.Expand(positions, 999999);
    FAIL();
  } catch (const Error& e) {
    EXPECT_EQ(e.Message(), "Repetition too large (1000000 positions)");
  }
  big.Expand(positions, 1000000);
  EXPECT_EQ(positions.size(), 1000000u);
  EXPECT_EQ(positions.back(), (OasisDelta{999, 999}));
}

TEST_F(OasisPrimitivesTest, ReadsPropertyValuesOfEveryType) {
  OasisBuilder b;
  b.Real(0, 7).Real(5, 1, 4).Float64(2.5).Unsigned(8).Unsigned(1ull << 40).Unsigned(9).Signed(-(1ll << 40));
  b.Unsigned(10).String("name").Unsigned(12).String("").Unsigned(15).Unsigned(3);
  OasisFile& f = Open(b.bytes());
  OasisPropertyValue v;
  f.ReadPropertyValue(v);
  EXPECT_EQ(v.real, 7);
  f.ReadPropertyValue(v);
  EXPECT_EQ(v.real, -0.25);
  f.ReadPropertyValue(v);
  EXPECT_EQ(v.real, 2.5);
  f.ReadPropertyValue(v);
  EXPECT_EQ(v.unsignedValue, 1ull << 40);
  f.ReadPropertyValue(v);
  EXPECT_EQ(v.signedValue, -(1ll << 40));
  f.ReadPropertyValue(v);
  EXPECT_EQ(v.text, "name");
  f.ReadPropertyValue(v);
  EXPECT_EQ(v.type, 12u);
  EXPECT_EQ(v.text, "");
  f.ReadPropertyValue(v);
  EXPECT_EQ(v.type, 15u);
  EXPECT_EQ(v.unsignedValue, 3u);
  EXPECT_EQ(f.BytesLeft(), 0u);
  ExpectError(
      {0x10},
      [](OasisFile& g) {
        OasisPropertyValue p;
        g.ReadPropertyValue(p);
      },
      "Unknown property value type 16");
}

TEST_F(OasisPrimitivesTest, EveryTruncationOfASequenceOfPrimitivesThrows) {
  OasisBuilder b;
  b.Unsigned(1ull << 50).Signed(-123456789).Real(4, 3, 7).Float32(0.5f).Float64(-2.0).String("cell");
  b.Delta2(3, 9).Delta3(6, 4).GDelta(-300, 70000);
  b.ManhattanList(0, {10, 20, -5, 7}).GDeltaList(5, {{1, 2}, {-3, 4}});
  b.Repetition(1, {2, 3, 10, 20}).Repetition(11, {2, 5}).GDelta(1, 0).GDelta(0, -1).GDelta(4, 4);
  b.Unsigned(10).String("value");
  auto decodeAll = [](OasisFile& f) {
    std::string s;
    Points points;
    OasisRepetition r;
    OasisPropertyValue v;
    f.ReadUnsigned();
    f.ReadSigned();
    f.ReadReal();
    f.ReadReal();
    f.ReadReal();
    f.ReadString(s);
    f.Read2Delta();
    f.Read3Delta();
    f.ReadGDelta();
    f.ReadPointList(points, true);
    f.ReadPointList(points, false);
    f.ReadRepetition(r);
    f.ReadRepetition(r);
    f.ReadPropertyValue(v);
  };
  const Bytes& full = b.bytes();
  decodeAll(Open(full));
  EXPECT_EQ(file_->BytesLeft(), 0u);
  for (size_t cut = 0; cut < full.size(); ++cut) {
    OasisFile& f = Open(Bytes(full.begin(), full.begin() + cut));
    try {
      decodeAll(f);
      ADD_FAILURE() << "cut at " << cut << " decoded without an error";
    } catch (const Error& e) {
      EXPECT_STREQ(e.Tag(), "OASISIN") << cut;
    }
  }
}

}  // namespace
