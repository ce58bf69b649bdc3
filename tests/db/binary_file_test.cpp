#include "db/binary_file.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <random>
#include <vector>

#include "db/error.h"

namespace {

using Bytes = std::vector<uint8_t>;

class BinaryFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::filesystem::temp_directory_path() / ("korvane_bf_" + std::to_string(::getpid()) + "_" +
                                                     ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }

  std::string Path(const char* name) const { return (dir_ / name).string(); }

  static Bytes Slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  }
  static void Spit(const std::string& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
  }

  // Writes with the given function into a plain file and returns its bytes.
  template <typename F>
  Bytes Written(F write) {
    std::string path = Path("out.bin");
    BinaryFile f;
    EXPECT_TRUE(f.Open(path, true, false));
    write(f);
    f.Close();
    return Slurp(path);
  }

  std::filesystem::path dir_;
};

struct UnsignedCase {
  uint32_t value;
  Bytes bytes;
};
const std::vector<UnsignedCase> kUnsignedCases = {{0, {0x00}},
                                                  {127, {0x7f}},
                                                  {128, {0x80, 0x01}},
                                                  {300, {0xac, 0x02}},
                                                  {0xffffffffu, {0xff, 0xff, 0xff, 0xff, 0x0f}}};
struct SignedCase {
  int32_t value;
  Bytes bytes;
};
const std::vector<SignedCase> kSignedCases = {{0, {0x00}},
                                              {-1, {0x03}},
                                              {1, {0x02}},
                                              {63, {0x7e}},
                                              {64, {0x80, 0x01}},
                                              {-64, {0x81, 0x01}},
                                              {INT32_MIN, {0x81, 0x80, 0x80, 0x80, 0x10}}};

TEST_F(BinaryFileTest, ChainedIntegersWriteHandWrittenBytes) {
  for (const UnsignedCase& c : kUnsignedCases) {
    EXPECT_EQ(Written([&](BinaryFile& f) { f.WriteUnsignedChained(c.value); }), c.bytes) << c.value;
  }
  for (const SignedCase& c : kSignedCases) {
    EXPECT_EQ(Written([&](BinaryFile& f) { f.WriteSignedChained(c.value); }), c.bytes) << c.value;
  }
}

// Integers are encoded in the write buffer where they fit and across its end where they do not.
TEST_F(BinaryFileTest, IntegersKeepTheirBytesWhereverTheBufferEnds) {
  Bytes expected = {1};
  Bytes bytes = Written([&](BinaryFile& f) {
    f.WriteByte(1);
    for (int round = 0; round < 40000; ++round) {
      const UnsignedCase& u = kUnsignedCases[round % kUnsignedCases.size()];
      const SignedCase& s = kSignedCases[round % kSignedCases.size()];
      f.WriteUnsignedChained(u.value);
      f.WriteSignedChained(s.value);
      f.Write4(uint32_t(0x01020304));
      expected.insert(expected.end(), u.bytes.begin(), u.bytes.end());
      expected.insert(expected.end(), s.bytes.begin(), s.bytes.end());
      expected.insert(expected.end(), {4, 3, 2, 1});
    }
  });
  ASSERT_GT(bytes.size(), 2u * BinaryFile::kWriteBufferSize);
  EXPECT_EQ(bytes, expected);
}

// Spans of chained integers give the bytes of one call per value, also where a span starts
// too close to the buffer's end and the pending bytes go out first.
TEST_F(BinaryFileTest, SpansWriteTheBytesOfSingleWritesAcrossTheBufferEnd) {
  Bytes expected;
  Bytes bytes = Written([&](BinaryFile& f) {
    for (int round = 0; round < 40000; ++round) {
      const UnsignedCase& u = kUnsignedCases[round % kUnsignedCases.size()];
      const SignedCase& s = kSignedCases[round % kSignedCases.size()];
      uint8_t* out = f.BeginSpan(2 * BinaryFile::kMaxChainedBytes);
      out = BinaryFile::PutUnsignedChained(out, u.value);
      f.EndSpan(BinaryFile::PutSignedChained(out, s.value));
      expected.insert(expected.end(), u.bytes.begin(), u.bytes.end());
      expected.insert(expected.end(), s.bytes.begin(), s.bytes.end());
    }
  });
  ASSERT_GT(bytes.size(), 2u * BinaryFile::kWriteBufferSize);
  EXPECT_EQ(bytes, expected);
  BinaryFile closed;
  EXPECT_THROW(closed.BeginSpan(1), Error);
}

TEST_F(BinaryFileTest, FixedWidthIntegersHaveTheirByteOrder) {
  Bytes bytes = Written([](BinaryFile& f) {
    f.Write2(uint16_t(0x1234));
    f.Write4(int32_t(-2));
    f.Write8(1.0);
    f.WriteBE16(0x1234);
    f.WriteBE32(0x01020304);
    f.WriteBytes("ab", 0);
  });
  EXPECT_EQ(bytes, (Bytes{0x34, 0x12, 0xfe, 0xff, 0xff, 0xff, 0, 0, 0, 0,   0,
                          0,    0xf0, 0x3f, 0x12, 0x34, 1,    2, 3, 4, 'a', 'b'}));

  Spit(Path("in.bin"), bytes);
  BinaryFile f;
  ASSERT_TRUE(f.Open(Path("in.bin"), false, false));
  uint16_t u16 = 0;
  int32_t i32 = 0;
  double d = 0;
  uint32_t be32 = 0;
  ASSERT_TRUE(f.Read2(u16));
  ASSERT_TRUE(f.Read4(i32));
  ASSERT_TRUE(f.Read8(d));
  EXPECT_EQ(u16, 0x1234);
  EXPECT_EQ(i32, -2);
  EXPECT_EQ(d, 1.0);
  ASSERT_TRUE(f.ReadBE16(u16));
  ASSERT_TRUE(f.ReadBE32(be32));
  EXPECT_EQ(u16, 0x1234);
  EXPECT_EQ(be32, 0x01020304u);
  char tail[4] = {};
  EXPECT_EQ(f.Read(tail, 4), 2u);
  EXPECT_FALSE(f.Read4(i32));
}

TEST_F(BinaryFileTest, ChainedIntegersRoundTripPlainAndGzip) {
  const std::vector<int32_t> signedValues = {0, 1, -1, 63, -63, 64, -64, 8191, 8192, INT32_MAX, INT32_MIN, -INT32_MAX};
  const std::vector<uint32_t> unsignedValues = {0, 1, 127, 128, 16383, 16384, 0x7fffffffu, 0xffffffffu};
  for (bool gzip : {false, true}) {
    std::string path = Path(gzip ? "round.gz" : "round.bin");
    {
      BinaryFile f;
      ASSERT_TRUE(f.Open(path, true, gzip));
      for (int32_t v : signedValues) f.WriteSignedChained(v);
      for (uint32_t v : unsignedValues) f.WriteUnsignedChained(v);
      f.Close();
    }
    BinaryFile f;
    ASSERT_TRUE(f.Open(path, false, gzip));
    for (int32_t v : signedValues) EXPECT_EQ(f.ReadSignedChained(), v) << "gzip " << gzip;
    for (uint32_t v : unsignedValues) EXPECT_EQ(f.ReadUnsignedChained(), v) << "gzip " << gzip;
    EXPECT_FALSE(f.HasMore());
  }
}

TEST_F(BinaryFileTest, MalformedOrTruncatedChainedIntegersThrow) {
  struct Case {
    Bytes bytes;
    bool isSigned;
  };
  for (const Case& c : std::vector<Case>{{{0x80, 0x80, 0x80, 0x80, 0x80, 0x01}, false},
                                         {{0x81, 0x80, 0x80, 0x80, 0x80, 0x00}, true},
                                         {{0x80, 0x80}, false},
                                         {{0x81}, true},
                                         {{}, false},
                                         {{}, true}}) {
    Spit(Path("bad.bin"), c.bytes);
    BinaryFile f;
    ASSERT_TRUE(f.Open(Path("bad.bin"), false, false));
    try {
      if (c.isSigned) {
        f.ReadSignedChained();
      } else {
        f.ReadUnsignedChained();
      }
      ADD_FAILURE() << "no error for " << c.bytes.size() << " bytes";
    } catch (const Error& e) {
      EXPECT_STREQ(e.Tag(), "BinaryIn");
    }
  }
}

TEST_F(BinaryFileTest, SeekInsideTheBufferRereadsWithoutTouchingTheStream) {
  Bytes original(10000);
  for (size_t i = 0; i < original.size(); ++i) original[i] = uint8_t(i * 7);
  std::string path = Path("seek.bin");
  Spit(path, original);

  BinaryFile f;
  ASSERT_TRUE(f.Open(path, false, false));
  uint8_t b = 0;
  for (int i = 0; i < 100; ++i) ASSERT_TRUE(f.ReadByte(b));
  EXPECT_EQ(f.Tell(), 100);

  // The buffer holds the first 4096 bytes: after the file changes on disk, a seek inside the
  // buffer still gives the old bytes, one beyond it the new ones.
  Spit(path, Bytes(10000, 0xee));
  ASSERT_TRUE(f.Seek(10));
  ASSERT_TRUE(f.ReadByte(b));
  EXPECT_EQ(b, original[10]);
  EXPECT_EQ(f.Tell(), 11);
  ASSERT_TRUE(f.Seek(5000));
  ASSERT_TRUE(f.ReadByte(b));
  EXPECT_EQ(b, 0xee);
  EXPECT_EQ(f.Tell(), 5001);
}

TEST_F(BinaryFileTest, GzipTellAndSeekCountUncompressedBytes) {
  std::string path = Path("seek.gz");
  {
    BinaryFile f;
    ASSERT_TRUE(f.Open(path, true, true));
    for (uint32_t i = 0; i < 20000; ++i) f.Write4(i);
    EXPECT_EQ(f.Tell(), 80000);
    f.Close();
  }
  BinaryFile f;
  ASSERT_TRUE(f.Open(path, false, true));
  uint32_t v = 0;
  ASSERT_TRUE(f.Seek(4 * 15000));
  ASSERT_TRUE(f.Read4(v));
  EXPECT_EQ(v, 15000u);
  ASSERT_TRUE(f.Seek(4 * 3));
  ASSERT_TRUE(f.Read4(v));
  EXPECT_EQ(v, 3u);
  EXPECT_EQ(f.Tell(), 16);
  ASSERT_TRUE(f.SeekEnd());
  EXPECT_EQ(f.Tell(), 80000);
  EXPECT_FALSE(f.HasMore());
}

TEST_F(BinaryFileTest, AppendBitAppendsAndItsAbsenceTruncates) {
  std::string path = Path("append.bin");
  Spit(path, {1, 2, 3});
  {
    BinaryFile f;
    ASSERT_TRUE(f.Open(path, true, false, BinaryFile::kAppend));
    ASSERT_TRUE(f.SeekEnd());
    EXPECT_EQ(f.Tell(), 3);
    f.WriteByte(4);
    EXPECT_EQ(f.Tell(), 4);
    f.Close();
  }
  EXPECT_EQ(Slurp(path), (Bytes{1, 2, 3, 4}));
  {
    BinaryFile f;
    ASSERT_TRUE(f.Open(path, true, false));
    f.WriteByte(9);
    f.Close();
  }
  EXPECT_EQ(Slurp(path), (Bytes{9}));

  // A gzip stream cannot be continued in place: appending is refused and the file is untouched.
  std::string gz = Path("append.gz");
  Spit(gz, {7, 7});
  BinaryFile f;
  EXPECT_FALSE(f.Open(gz, true, true, BinaryFile::kAppend));
  EXPECT_EQ(Slurp(gz), (Bytes{7, 7}));
}

TEST_F(BinaryFileTest, WriteFailureOnAFullDiskThrowsWithTheCallersTag) {
  BinaryFile f("LIBOUT");
  ASSERT_TRUE(f.Open("/dev/full", true, false));
  try {
    for (int i = 0; i < 100000; ++i) f.Write4(i);
    f.Close();
    FAIL() << "a write to a full disk reported success";
  } catch (const Error& e) {
    EXPECT_STREQ(e.Tag(), "LIBOUT");
    EXPECT_EQ(e.Message(), "Cannot write file /dev/full");
  }
  // Even a short write is caught, at the latest when the file is closed.
  BinaryFile small("GDSOUT");
  ASSERT_TRUE(small.Open("/dev/full", true, false));
  small.WriteByte(1);
  EXPECT_THROW(small.Close(), Error);
}

TEST_F(BinaryFileTest, OperationsOnAFileThatFailedToOpenFailCleanly) {
  BinaryFile f;
  EXPECT_FALSE(f.Open(Path("missing/none.bin"), false, false));
  uint8_t b;
  uint32_t v;
  EXPECT_FALSE(f.ReadByte(b));
  EXPECT_FALSE(f.Read4(v));
  EXPECT_FALSE(f.HasMore());
  EXPECT_EQ(f.Tell(), -1);
  EXPECT_FALSE(f.Seek(0));
  EXPECT_THROW(f.ReadUnsignedChained(), Error);
  EXPECT_NO_THROW(f.Close());
  EXPECT_FALSE(f.Open(Path("missing/none.bin"), true, false));
  EXPECT_THROW(f.WriteByte(1), Error);
}

TEST_F(BinaryFileTest, ProgressIsReportedEachTenthBelowTheEnd) {
  std::string path = Path("progress.bin");
  Spit(path, Bytes(1000, 0));
  BinaryFile f;
  ASSERT_TRUE(f.Open(path, false, false));
  testing::internal::CaptureStdout();
  for (int64_t at : {50, 120, 200, 250, 995}) {
    ASSERT_TRUE(f.Seek(at));
    f.ReportProgress();
  }
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "12% read\n25% read\n");
}

TEST_F(BinaryFileTest, ContiguousBytesCrossTheBufferEndWithoutMovingThePosition) {
  Bytes original(20000);
  for (size_t i = 0; i < original.size(); ++i) original[i] = uint8_t(i * 13 + i / 256);
  for (bool gzip : {false, true}) {
    std::string path = Path(gzip ? "run.gz" : "run.bin");
    {
      BinaryFile out;
      ASSERT_TRUE(out.Open(path, true, gzip));
      out.WriteBytes(original.data(), original.size());
      out.Close();
    }
    BinaryFile f("BinaryIn", 8192);
    ASSERT_TRUE(f.Open(path, false, gzip));
    Bytes head(8190);
    ASSERT_EQ(f.Read(head.data(), head.size()), head.size());
    // Two bytes are left in the buffer: the run joins them to the stream's next bytes.
    const uint8_t* run = f.Contiguous(100);
    ASSERT_NE(run, nullptr) << gzip;
    EXPECT_TRUE(std::equal(run, run + 100, original.begin() + 8190)) << gzip;
    EXPECT_EQ(f.Tell(), 8190);
    f.Advance(100);
    EXPECT_EQ(f.Tell(), 8290);
    uint32_t word = 0;
    ASSERT_TRUE(f.ReadBE32(word));
    EXPECT_EQ(word, (uint32_t(original[8290]) << 24) | (uint32_t(original[8291]) << 16) |
                        (uint32_t(original[8292]) << 8) | original[8293]);
    // More than the buffer holds is refused and takes nothing.
    EXPECT_EQ(f.Contiguous(8193), nullptr);
    uint8_t b = 0;
    ASSERT_TRUE(f.ReadByte(b));
    EXPECT_EQ(b, original[8294]);
    // Seeks inside the moved buffer and before it.
    ASSERT_TRUE(f.Seek(8191));
    ASSERT_TRUE(f.ReadByte(b));
    EXPECT_EQ(b, original[8191]);
    ASSERT_TRUE(f.Seek(100));
    ASSERT_TRUE(f.ReadByte(b));
    EXPECT_EQ(b, original[100]);
    // At the end: exactly what the file still holds.
    ASSERT_TRUE(f.Seek(19990));
    run = f.Contiguous(10);
    ASSERT_NE(run, nullptr);
    EXPECT_TRUE(std::equal(run, run + 10, original.begin() + 19990));
    EXPECT_EQ(f.Contiguous(11), nullptr);
    EXPECT_EQ(f.Tell(), 19990);
    Bytes tail(20);
    EXPECT_EQ(f.Read(tail.data(), tail.size()), 10u);
    EXPECT_TRUE(std::equal(tail.begin(), tail.begin() + 10, original.begin() + 19990));
    EXPECT_FALSE(f.HasMore());
  }
}

// A chained integer decoded from bytes[at] one byte at a time, as the cell data files define
// it: 7-bit groups, low first, at most five bytes (a signed value keeps its sign in bit 0 of the
// first byte). ok is false where the reader must throw.
struct Chained {
  bool ok = false;
  uint32_t bits = 0;
  size_t length = 0;
};

Chained ReferenceChained(const Bytes& bytes, size_t at, bool isSigned) {
  Chained c;
  for (size_t i = 0; i < 5; ++i) {
    if (at + i >= bytes.size()) return Chained();
    uint32_t group = bytes[at + i] & 0x7f;
    if (isSigned) {
      c.bits |= i == 0 ? (group >> 1) : group << (7 * i - 1);
    } else {
      c.bits |= group << (7 * i);
    }
    if (!(bytes[at + i] & 0x80)) {
      c.ok = true;
      c.length = i + 1;
      if (isSigned && (bytes[at] & 1)) c.bits = 0u - c.bits;
      return c;
    }
  }
  return Chained();
}

TEST_F(BinaryFileTest, ChainedIntegersDecodeLikeAByteWiseReferenceAnywhereInTheBuffer) {
  // Random bytes with many continuation bits: values of every length, malformed ones and
  // values that cross the end of the buffer.
  std::mt19937 random(7);
  Bytes bytes(30000);
  for (uint8_t& b : bytes) b = uint8_t(random() & 0xff) | (random() % 3 != 0 ? 0x80 : 0);
  Spit(Path("chained.bin"), bytes);
  BinaryFile f;
  ASSERT_TRUE(f.Open(Path("chained.bin"), false, false));
  int values = 0, errors = 0;
  for (size_t at = 0; at < bytes.size();) {
    bool isSigned = random() & 1;
    Chained expected = ReferenceChained(bytes, at, isSigned);
    try {
      uint32_t got = isSigned ? uint32_t(f.ReadSignedChained()) : f.ReadUnsignedChained();
      ASSERT_TRUE(expected.ok) << "no error at " << at;
      ASSERT_EQ(got, expected.bits) << "at " << at;
      ASSERT_EQ(f.Tell(), int64_t(at + expected.length));
      at += expected.length;
      ++values;
    } catch (const Error& e) {
      ASSERT_FALSE(expected.ok) << "error at " << at << ": " << e.Message();
      EXPECT_STREQ(e.Tag(), "BinaryIn");
      ++at;
      ASSERT_TRUE(f.Seek(int64_t(at)));
      ++errors;
    }
  }
  EXPECT_GT(values, 1000);
  EXPECT_GT(errors, 100);
}

}  // namespace
