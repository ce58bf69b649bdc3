#include "db/binary_file.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <vector>

#include "db/error.h"

namespace {

using Bytes = std::vector<uint8_t>;

class BinaryFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::filesystem::temp_directory_path() /
           ("korvane_bf_" + std::to_string(::getpid()) + "_" +
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

TEST_F(BinaryFileTest, ChainedIntegersWriteHandWrittenBytes) {
  struct Case {
    uint32_t value;
    Bytes bytes;
  };
  for (const Case& c : std::vector<Case>{{0, {0x00}},
                                         {127, {0x7f}},
                                         {128, {0x80, 0x01}},
                                         {300, {0xac, 0x02}},
                                         {0xffffffffu, {0xff, 0xff, 0xff, 0xff, 0x0f}}}) {
    EXPECT_EQ(Written([&](BinaryFile& f) { f.WriteUnsignedChained(c.value); }), c.bytes) << c.value;
  }
  struct SignedCase {
    int32_t value;
    Bytes bytes;
  };
  for (const SignedCase& c : std::vector<SignedCase>{{0, {0x00}},
                                                     {-1, {0x03}},
                                                     {1, {0x02}},
                                                     {63, {0x7e}},
                                                     {64, {0x80, 0x01}},
                                                     {-64, {0x81, 0x01}},
                                                     {INT32_MIN, {0x81, 0x80, 0x80, 0x80, 0x10}}}) {
    EXPECT_EQ(Written([&](BinaryFile& f) { f.WriteSignedChained(c.value); }), c.bytes) << c.value;
  }
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
  EXPECT_EQ(bytes, (Bytes{0x34, 0x12, 0xfe, 0xff, 0xff, 0xff, 0, 0, 0, 0, 0, 0, 0xf0, 0x3f,
                          0x12, 0x34, 1, 2, 3, 4, 'a', 'b'}));

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

}  // namespace
