#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "db/error.h"
#include "formats/gds_in.h"
#include "formats/gds_records.h"
#include "tests/formats/gds_builder.h"

namespace {

using Bytes = GdsBuilder::Bytes;
using Drive = std::function<void(GdsIn&)>;

class GdsInRecordsTest : public ::testing::Test {
 protected:
  std::string Write(const Bytes& bytes, bool gzip = false) {
    GdsBuilder().Raw(bytes).WriteTo(path_, gzip);
    return path_;
  }
  void TearDown() override { std::remove(path_.c_str()); }

  // Runs drive on a reader of bytes and returns what it logged.
  std::string Logged(const Bytes& bytes, const Drive& drive) {
    GdsIn in(Write(bytes).c_str(), false);
    testing::internal::CaptureStdout();
    drive(in);
    return testing::internal::GetCapturedStdout();
  }

  std::string path_ = testing::TempDir() + "gds_in_records_" + std::to_string(::getpid()) + ".gds";
};

// Claims whatever record comes next and reads its data with the reader that its type calls
// for. Returns normally only when the stream ends at a record boundary.
void ReadEveryRecord(GdsIn& in) {
  uint16_t word;
  Point p;
  for (;;) {
    if (in.ExpectRecord(gds::kTapeNum)) FAIL() << "no TAPENUM in the stream";
    if (in.AtEndOfFile()) return;
    int8_t type = in.RecordType();
    if (type == gds::kLayer) {
      in.ReadLayer(word);
      continue;
    }
    ASSERT_TRUE(in.ExpectRecord(type));
    if (type == gds::kHeader || type == gds::kDataType) {
      in.SkipRecordData();
    } else if (type == gds::kBgnLib || type == gds::kBgnStr) {
      in.ReadDates();
    } else if (type == gds::kUnits) {
      in.ReadReal("User unit defined but end of file");
      in.ReadReal("DB unit defined but end of file");
    } else if (type == gds::kXy) {
      for (int i = in.DataLength() / 8; i > 0; --i) in.ReadPoint(p);
    } else if (type == gds::kLibName || type == gds::kStrName || type == gds::kString) {
      in.ReadString();
    }
  }
}

TEST_F(GdsInRecordsTest, ThrowsTheFieldMessageOnEveryMalformedRecord) {
  using Field16 = bool (GdsIn::*)(uint16_t&);
  auto field16 = [](Field16 reader) {
    return Drive([reader](GdsIn& in) {
      uint16_t v;
      (in.*reader)(v);
    });
  };
  auto claimThen = [](int8_t type, const Drive& then) {
    return Drive([type, then](GdsIn& in) {
      ASSERT_TRUE(in.ExpectRecord(type));
      then(in);
    });
  };
  Point p;
  struct Case {
    Bytes bytes;
    Drive drive;
    std::string message;
  };
  const std::vector<Case> cases = {
      {{0x00}, field16(&GdsIn::ReadHeader), "Record size defined but end of file"},
      {{0x00, 0x06}, field16(&GdsIn::ReadHeader), "Record type defined but end of file"},
      {{0x00, 0x06, 0x00}, field16(&GdsIn::ReadHeader), "Datatype defined but end of file"},
      {{0x00, 0x02, 0x0d, 0x02}, field16(&GdsIn::ReadLayer), "Invalid record length 2"},
      {{0x00, 0x00, 0x0d, 0x02, 0x00, 0x01}, field16(&GdsIn::ReadLayer), "Invalid record length 0"},
      {{0x00, 0x06, 0x00, 0x02, 0x02}, field16(&GdsIn::ReadHeader), "Header defined but end of file"},
      {{0x00, 0x06, 0x0d, 0x02}, field16(&GdsIn::ReadLayer), "Layer defined but end of file"},
      {{0x00, 0x06, 0x0e, 0x02, 0x01}, field16(&GdsIn::ReadDataType), "Data type defined but end of file"},
      {{0x00, 0x06, 0x16, 0x02}, field16(&GdsIn::ReadTextType), "Text type defined but end of file"},
      {{0x00, 0x06, 0x2e, 0x02}, field16(&GdsIn::ReadBoxType), "Box type defined but end of file"},
      {{0x00, 0x06, 0x2a, 0x02}, field16(&GdsIn::ReadNodeType), "Node type defined but end of file"},
      {{0x00, 0x06, 0x17, 0x01}, field16(&GdsIn::ReadPresentation), "Presentation defined but end of file"},
      {{0x00, 0x06, 0x26, 0x01}, field16(&GdsIn::ReadElFlags), "Element Flag defined but end of file"},
      {{0x00, 0x06, 0x2b, 0x02}, field16(&GdsIn::ReadPropAttr), "Property attribute defined but end of file"},
      {{0x00, 0x08, 0x0f, 0x03, 0x00, 0x00, 0x01},
       [](GdsIn& in) {
         int32_t w;
         in.ReadWidth(w);
       },
       "Path width defined but end of file"},
      {{0x00, 0x04, 0x0d, 0x02}, field16(&GdsIn::ReadLayer), "Record 13 has length 4, expected 6"},
      {{0x00, 0x06, 0x0f, 0x03, 0x00, 0x01},
       [](GdsIn& in) {
         int32_t w;
         in.ReadWidth(w);
       },
       "Record 15 has length 6, expected 8"},
      {{0x00, 0x1c, 0x01, 0x02, 0x07, 0xe8},
       claimThen(gds::kBgnLib, [](GdsIn& in) { in.ReadDates(); }),
       "Date defined but end of file"},
      {{0x00, 0x10, 0x01, 0x02, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
       claimThen(gds::kBgnLib, [](GdsIn& in) { in.ReadDates(); }),
       "Record 1 has length 16, expected 28"},
      {{0x00, 0x04, 0xfa, 0x03},
       claimThen(int8_t(0xfa), [&p](GdsIn& in) { in.ReadPoint(p); }),
       "Record 250 has length 4, expected 12"},
      {{0x00, 0x0c, 0x10, 0x03, 0, 0, 0, 1, 0, 0},
       claimThen(gds::kXy, [&p](GdsIn& in) { in.ReadPoint(p); }),
       "Point location defined but end of file"},
      {{0x00, 0x10, 0x10, 0x03, 0, 0, 0, 1, 0, 0, 0, 2, 0, 0, 0, 3},
       claimThen(gds::kXy,
                 [&p](GdsIn& in) {
                   in.ReadPoint(p);
                   in.ReadPoint(p);
                 }),
       "Record 16 has length 16, expected 20"},
      {{0x00, 0x08, 0x06, 0x06, 'T', 'O'},
       claimThen(gds::kStrName, [](GdsIn& in) { in.ReadString(); }),
       "String defined but end of file"},
      {{0x00, 0x0c, 0x1b, 0x05, 0x41, 0x10},
       claimThen(gds::kMag, [](GdsIn& in) { in.ReadReal("Mag cut"); }),
       "Mag cut"},
      {{0x00, 0x08, 0x1b, 0x05, 0x41, 0x10, 0, 0},
       claimThen(gds::kMag, [](GdsIn& in) { in.ReadReal("Mag cut"); }),
       "Record 27 has length 8, expected 12"},
      {{0x00, 0x08, 0x2f, 0x03, 0x00},
       claimThen(gds::kPlex, [](GdsIn& in) { in.SkipRecordData(); }),
       "Untreated data defined but end of file"},
      // An unknown record cut short while it is skipped.
      {{0x00, 0x0a, 0x39, 0x02, 0x00, 0x01}, field16(&GdsIn::ReadLayer), "Untreated data defined but end of file"},
  };
  for (const Case& c : cases) {
    GdsIn in(Write(c.bytes).c_str(), false);
    try {
      c.drive(in);
      ADD_FAILURE() << "no error, expected " << c.message;
    } catch (const Error& e) {
      EXPECT_EQ(e.Message(), c.message);
      EXPECT_STREQ(e.Tag(), "GDSIN") << c.message;
    }
  }
}

TEST_F(GdsInRecordsTest, RefusesAFileThatCannotBeOpened) {
  try {
    GdsIn in("/nonexistent/dir/chip.gds", false);
    FAIL();
  } catch (const Error& e) {
    EXPECT_EQ(e.Message(), "Cannot open file /nonexistent/dir/chip.gds!");
    EXPECT_STREQ(e.Tag(), "GDSIN");
  }
}

TEST_F(GdsInRecordsTest, ProbesLeaveTheRecordPendingUntilClaimed) {
  Bytes bytes = GdsBuilder().Int16(gds::kDataType, {7}).Int16(gds::kLayer, {0xfffe}).Int32(gds::kWidth, {-40}).bytes();
  GdsIn in(Write(bytes).c_str(), false);
  uint16_t v = 0;
  int32_t width = 0;
  EXPECT_FALSE(in.ReadLayer(v));
  EXPECT_FALSE(in.ExpectRecord(gds::kBoundary));
  EXPECT_EQ(in.RecordType(), gds::kDataType);
  ASSERT_TRUE(in.ReadDataType(v));
  EXPECT_EQ(v, 7);
  ASSERT_TRUE(in.ReadLayer(v));
  EXPECT_EQ(v, 0xfffe);  // unsigned: a layer above 32767 is not a negative number
  ASSERT_TRUE(in.ReadWidth(width));
  EXPECT_EQ(width, -40);
  EXPECT_FALSE(in.AtEndOfFile());
  EXPECT_FALSE(in.ExpectRecord(gds::kEndLib));
  EXPECT_TRUE(in.AtEndOfFile());
  EXPECT_FALSE(in.ExpectRecord(gds::kEndLib));
}

TEST_F(GdsInRecordsTest, TheEndOfTheFileAtABoundaryOrInZeroPaddingIsNoRecord) {
  for (size_t padding : {size_t(0), size_t(2), size_t(2044)}) {
    Bytes bytes = GdsBuilder().EndStructure().Raw(Bytes(padding, 0)).bytes();
    GdsIn in(Write(bytes).c_str(), false);
    EXPECT_TRUE(in.ExpectRecord(gds::kEndStr)) << padding;
    EXPECT_FALSE(in.ExpectRecord(gds::kEndLib)) << padding;
    EXPECT_TRUE(in.AtEndOfFile()) << padding;
  }
  GdsIn empty(Write({}).c_str(), false);
  EXPECT_FALSE(empty.ExpectRecord(gds::kHeader));
  EXPECT_TRUE(empty.AtEndOfFile());
}

TEST_F(GdsInRecordsTest, EveryCutInsideARecordThrowsAndEveryCutBetweenRecordsEndsCleanly) {
  GdsBuilder b;
  std::vector<size_t> boundaries = {0};
  auto mark = [&] { boundaries.push_back(b.bytes().size()); };
  b.Int16(gds::kHeader, {600}), mark();
  b.Int16(gds::kBgnLib, {2024, 1, 2, 3, 4, 5, 2024, 1, 2, 3, 4, 5}), mark();
  b.String(gds::kLibName, "LIB"), mark();
  b.Real8(gds::kUnits, {1e-3, 1e-9}), mark();
  b.Int16(gds::kBgnStr, {2024, 1, 2, 3, 4, 5, 2024, 1, 2, 3, 4, 5}), mark();
  b.String(gds::kStrName, "TOP"), mark();
  b.Record(gds::kBoundary, gds::kNoData), mark();
  b.Int16(gds::kLayer, {1}), mark();
  b.Int16(gds::kDataType, {0}), mark();
  b.Xy({{0, 0}, {10, 0}, {10, 10}, {0, 0}}), mark();
  b.Record(gds::kEndEl, gds::kNoData), mark();
  b.Record(gds::kEndStr, gds::kNoData), mark();
  b.Record(gds::kEndLib, gds::kNoData), mark();
  const Bytes& full = b.bytes();
  for (size_t cut = 0; cut <= full.size(); ++cut) {
    bool atBoundary = std::find(boundaries.begin(), boundaries.end(), cut) != boundaries.end();
    GdsIn in(Write(Bytes(full.begin(), full.begin() + cut)).c_str(), false);
    try {
      ReadEveryRecord(in);
      EXPECT_TRUE(atBoundary) << "cut at " << cut << " read without an error";
    } catch (const Error& e) {
      EXPECT_FALSE(atBoundary) << "cut at " << cut << ": " << e.Message();
      EXPECT_STREQ(e.Tag(), "GDSIN");
    }
  }
}

TEST_F(GdsInRecordsTest, ReadsStringsOfAnyLengthUpToTheirFirstNul) {
  std::string longName(20000, 'x');
  Bytes bytes = GdsBuilder()
                    .String(gds::kStrName, "TOP")
                    .String(gds::kString, longName)
                    .Record(gds::kString, gds::kAscii, {'A', 0, 'B', 0})
                    .Record(gds::kString, gds::kAscii)
                    .bytes();
  std::string log = Logged(bytes, [&](GdsIn& in) {
    ASSERT_TRUE(in.ExpectRecord(gds::kStrName));
    EXPECT_EQ(in.ReadString(), "TOP");  // "TOP" plus its padding NUL
    ASSERT_TRUE(in.ExpectRecord(gds::kString));
    EXPECT_EQ(in.ReadString(), longName);
    ASSERT_TRUE(in.ExpectRecord(gds::kString));
    EXPECT_EQ(in.ReadString(), "A");
    ASSERT_TRUE(in.ExpectRecord(gds::kString));
    EXPECT_EQ(in.ReadString(), "");
    EXPECT_FALSE(in.ExpectRecord(gds::kString));
  });
  EXPECT_EQ(log, "");
}

TEST_F(GdsInRecordsTest, OddStringWarningsStopAfterTheDetailLimit) {
  GdsBuilder b;
  for (int i = 0; i < 30; ++i) b.String(gds::kString, "abc", false);
  std::string log = Logged(b.bytes(), [](GdsIn& in) {
    for (int i = 0; i < 30; ++i) {
      ASSERT_TRUE(in.ExpectRecord(gds::kString));
      EXPECT_EQ(in.ReadString(), "abc");
    }
  });
  std::string expected;
  for (int i = 0; i < 21; ++i) expected += "Warning: GDS String is odd length, it must be even length\n";
  expected += "Same warning will not be shown any more\n";
  EXPECT_EQ(log, expected);
}

TEST_F(GdsInRecordsTest, SkipsUnknownRecordTypesUnderTheDetailLimit) {
  GdsBuilder b;
  b.Int16(gds::kLibDirSize, {3}).Record(127, 0, {1, 2, 3, 4}).Int16(gds::kLayer, {5});
  std::string log = Logged(b.bytes(), [](GdsIn& in) {
    uint16_t layer = 0;
    ASSERT_TRUE(in.ReadLayer(layer));
    EXPECT_EQ(layer, 5);
  });
  EXPECT_EQ(log, "Warning: Unknown Record Type 57, skipping !\nWarning: Unknown Record Type 127, skipping !\n");

  GdsBuilder many;
  for (int i = 0; i < 25; ++i) many.Record(gds::kLibSecur, 0, {0, 0});
  many.Record(gds::kEndLib, gds::kNoData);
  log = Logged(many.bytes(), [](GdsIn& in) { EXPECT_TRUE(in.ExpectRecord(gds::kEndLib)); });
  std::string expected;
  for (int i = 0; i < 21; ++i) expected += "Warning: Unknown Record Type 59, skipping !\n";
  EXPECT_EQ(log, expected + "Same warning will not be shown any more\n");
}

TEST_F(GdsInRecordsTest, TypesFrom128UpStayPendingInsteadOfBeingSkipped) {
  Bytes bytes = GdsBuilder().Record(int8_t(0x80), 0, {1, 2}).Record(gds::kEndLib, gds::kNoData).bytes();
  std::string log = Logged(bytes, [](GdsIn& in) {
    EXPECT_FALSE(in.ExpectRecord(gds::kEndLib));
    EXPECT_EQ(in.RecordType(), -128);
    EXPECT_FALSE(in.AtEndOfFile());
    in.SkipRecordData();
    EXPECT_TRUE(in.ExpectRecord(gds::kEndLib));
  });
  EXPECT_EQ(log, "");
}

TEST_F(GdsInRecordsTest, ReadsTheFieldOfALongRecordAndSkipsTheRestWithAWarning) {
  Bytes bytes = GdsBuilder()
                    .Int16(gds::kLayer, {9, 0x7777})
                    .Record(gds::kEndEl, gds::kNoData, {0xaa, 0xbb})
                    .Int16(gds::kDataType, {4})
                    .bytes();
  std::string log = Logged(bytes, [](GdsIn& in) {
    uint16_t v = 0;
    ASSERT_TRUE(in.ReadLayer(v));
    EXPECT_EQ(v, 9);
    EXPECT_TRUE(in.ExpectRecord(gds::kEndEl));
    ASSERT_TRUE(in.ReadDataType(v));
    EXPECT_EQ(v, 4);
  });
  EXPECT_EQ(log,
            "Warning: Record 13 has length 8, expected 6, extra data skipped\n"
            "Warning: Record 17 has length 6, expected 4, extra data skipped\n");
}

TEST_F(GdsInRecordsTest, ReadsDatesPointsAndRealsFromPlainAndGzipFiles) {
  Bytes bytes = GdsBuilder()
                    .Int16(gds::kBgnStr, {2024, 1, 2, 3, 4, 5, 2024, 1, 2, 3, 4, 5})
                    .Xy({{-5, 7}, {INT32_MIN, INT32_MAX}})
                    .Real8(gds::kUnits, {1e-3, 1e-9})
                    .bytes();
  for (bool gzip : {false, true}) {
    GdsIn in(Write(bytes, gzip).c_str(), gzip);
    ASSERT_TRUE(in.ExpectRecord(gds::kBgnStr));
    in.ReadDates();
    ASSERT_TRUE(in.ExpectRecord(gds::kXy));
    EXPECT_EQ(in.DataLength(), 16);
    Point a, b;
    in.ReadPoint(a);
    in.ReadPoint(b);
    EXPECT_EQ(a, Point(-5, 7));
    EXPECT_EQ(b, Point(INT32_MIN, INT32_MAX));
    ASSERT_TRUE(in.ExpectRecord(gds::kUnits));
    EXPECT_EQ(in.ReadReal("User unit defined but end of file"), 1e-3);
    EXPECT_EQ(in.ReadReal("DB unit defined but end of file"), 1e-9);
    EXPECT_FALSE(in.ExpectRecord(gds::kEndLib));
    EXPECT_TRUE(in.AtEndOfFile());
  }
}

}  // namespace
