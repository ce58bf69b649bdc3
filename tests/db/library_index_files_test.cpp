#include <gtest/gtest.h>
#include <zlib.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <limits>
#include <sstream>
#include <string>
#include <vector>

#include "db/error.h"
#include "db/library.h"
#include "db/log.h"
#include "tests/db/library_test_util.h"

namespace {

using libtest::Bytes;
using libtest::TempDir;

void Append(Bytes& out, std::initializer_list<uint8_t> bytes) { out.insert(out.end(), bytes); }

void AppendU32(Bytes& out, uint32_t v) {
  Append(out, {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)});
}

// A hand-built "info": version, unit, current file, depth, roots, layers, then cell entries.
struct InfoBytes {
  Bytes bytes;
  explicit InfoBytes(double unit = 1e-9, uint32_t rootCount = 1, uint32_t rootId = 0) {
    Append(bytes, {0x00, 0x00});
    uint64_t bits;
    std::memcpy(&bits, &unit, 8);
    for (int i = 0; i < 8; ++i) bytes.push_back(uint8_t(bits >> (8 * i)));
    Append(bytes, {0x01, 0x00});
    AppendU32(bytes, 0);
    AppendU32(bytes, rootCount);
    if (rootCount == 1) AppendU32(bytes, rootId);
    AppendU32(bytes, 0);
  }
  // count entries, each a point box at (id, id) in file 1, geometry 0..10 without placements.
  InfoBytes& Cells(uint32_t count) {
    AppendU32(bytes, count);
    for (uint32_t id = 0; id < count; ++id) {
      for (int i = 0; i < 4; ++i) AppendU32(bytes, id);
      Append(bytes, {0x01, 0x00});
      AppendU32(bytes, 0);
      AppendU32(bytes, 0xffffffffu);
      AppendU32(bytes, 10);
    }
    return *this;
  }
};

// Runs f with the log captured; gives what was logged.
template <typename F>
std::string Logged(F f) {
  std::ostringstream log;
  SetLogStream(&log);
  try {
    f();
  } catch (...) {
    SetLogStream(nullptr);
    throw;
  }
  SetLogStream(nullptr);
  return log.str();
}

std::string ErrorOf(const std::function<void()>& f) {
  try {
    f();
  } catch (const Error& e) {
    return std::string(e.Tag()) + ": " + e.Message();
  }
  return "no error";
}

TEST(LibraryIndexFiles, WritesHandWrittenInfoNamesAndTexts) {
  TempDir dir;
  Library lib(dir.Path(), false);
  libtest::BuildGoldenLibrary(lib);
  std::string log = Logged([&] { lib.Save(); });
  EXPECT_NE(log.find("Warning: 5 empty cells exist\n"), std::string::npos) << log;
  Bytes expected = {0x00, 0x00,                                      // version
                    0x95, 0xd6, 0x26, 0xe8, 0x0b, 0x2e, 0x11, 0x3e,  // 1e-9
                    0x01, 0x00,                                      // current data file
                    0x00, 0x00, 0x00, 0x00,                          // depth
                    0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,  // no roots given: [0]
                    0x02, 0x00, 0x00, 0x00,                          // layers 5 and 7, not 600
                    0x00, 0x05, 0x00, 0x00, 0x00, 0x07, 0x00, 0x00,  //
                    0x08, 0x00, 0x00, 0x00};                         // 8 cell ids
  // Cell 0: box (95, 7)-(145, 27), file 1, geometry 0, placements 0, end 10.
  Append(expected, {0x5f, 0, 0, 0, 0x07, 0, 0, 0, 0x91, 0, 0, 0, 0x1b, 0, 0, 0, 0x01, 0x00});
  Append(expected, {0x00, 0, 0, 0, 0x00, 0, 0, 0, 0x0a, 0, 0, 0});
  // Cell 1: the point (-10, -14), file 1, geometry 10, placements 10, end 20.
  Append(expected, {0xf6, 0xff, 0xff, 0xff, 0xf2, 0xff, 0xff, 0xff, 0xf6, 0xff, 0xff, 0xff, 0xf2, 0xff, 0xff, 0xff});
  Append(expected, {0x01, 0x00, 0x0a, 0, 0, 0, 0x0a, 0, 0, 0, 0x14, 0, 0, 0});
  expected.insert(expected.end(), 5 * 30, 0x00);
  // Cell 7: the point (-5, 7), file 1, geometry 20, no placements, end 27.
  Append(expected, {0xfb, 0xff, 0xff, 0xff, 0x07, 0, 0, 0, 0xfb, 0xff, 0xff, 0xff, 0x07, 0, 0, 0});
  Append(expected, {0x01, 0x00, 0x14, 0, 0, 0, 0xff, 0xff, 0xff, 0xff, 0x1b, 0, 0, 0});
  EXPECT_EQ(libtest::ReadBytes(dir.File("info")), expected);
  std::string names = "\nc0\nc1\nc2\nc3\nc4\nc5\nc6\nc7\n";
  EXPECT_EQ(libtest::ReadBytes(dir.File("names")), Bytes(names.begin(), names.end()));
  std::string texts = "5\ns0\ns1\ns2\ns3\ns4\n";
  EXPECT_EQ(libtest::ReadBytes(dir.File("texts")), Bytes(texts.begin(), texts.end()));
  EXPECT_FALSE(std::filesystem::exists(dir.File("parents")));
  for (const char* temp : {"info.tmp", "names.tmp", "texts.tmp"}) EXPECT_FALSE(std::filesystem::exists(dir.File(temp)));
  EXPECT_EQ(lib.flags & (kLibOnDisk | kLibNamesWritten), kLibOnDisk | kLibNamesWritten);
}

TEST(LibraryIndexFiles, ParentsListEachPlacedCellWithItsParentsInIdOrder) {
  TempDir dir;
  Library lib(dir.Path(), false);
  libtest::BuildGoldenLibrary(lib);
  lib.WriteChangedCells();
  lib.records.resize(lib.cells.size());
  lib.records[7].parents = {{1, 1}, {0, 2}};
  lib.records[3].parents = {{0, 1}};  // a void cell is left out
  lib.WriteIndexFiles(kLibParentsDirty);
  std::string parents = "c7 2\n  c0\n  c1\n";
  EXPECT_EQ(libtest::ReadBytes(dir.File("parents")), Bytes(parents.begin(), parents.end()));
}

TEST(LibraryIndexFiles, DatabaseUnitGivesUnitsPerNanometre) {
  struct Case {
    double unit;
    double perNm;
  };
  for (const Case& c : std::vector<Case>{{1e-9, 1.0}, {1e-10, 10.0}, {3e-9, 1e-9 / 3e-9}, {1e-6, 0.001}}) {
    TempDir dir;
    libtest::WriteBytes(dir.File("info"), InfoBytes(c.unit).Cells(1).bytes);
    Library lib(dir.Path(), false);
    lib.ReadInfo();
    EXPECT_EQ(lib.unitsPerNm, c.perNm) << c.unit;
  }
  for (double bad : {0.0, -1e-9, std::nan(""), std::numeric_limits<double>::infinity(), 1e-320}) {
    TempDir dir;
    libtest::WriteBytes(dir.File("info"), InfoBytes(bad).Cells(1).bytes);
    Library lib(dir.Path(), false);
    EXPECT_EQ(ErrorOf([&] { lib.ReadInfo(); }), "LIBIN: Insufficient info") << bad;
  }
}

TEST(LibraryIndexFiles, CorruptCountsIdsAndPositionsAreRefused) {
  struct Case {
    const char* what;
    Bytes bytes;
    const char* error;
  };
  Bytes hugeCells = InfoBytes().bytes;
  AppendU32(hugeCells, 0x7fffffff);
  Bytes tooManyCells = InfoBytes().bytes;
  AppendU32(tooManyCells, 0x80000000u);
  Bytes disordered = InfoBytes().Cells(1).bytes;
  disordered[disordered.size() - 4] = 0xff;  // end position far below the geometry position
  disordered[disordered.size() - 1] = 0x80;
  Bytes referenceBeyondEnd = InfoBytes().Cells(1).bytes;
  std::fill(referenceBeyondEnd.end() - 8, referenceBeyondEnd.end() - 4, 0x7f);
  std::vector<Case> cases = {
      {"root id beyond the cells", InfoBytes(1e-9, 1, 2).Cells(2).bytes, "LIBIN: Insufficient root info"},
      {"root count beyond the file", InfoBytes(1e-9, 0xffffffffu).bytes, "LIBIN: Insufficient root info"},
      {"cell count beyond the file", hugeCells, "LIBIN: Insufficient cell info"},
      {"cell count beyond 31 bits", tooManyCells, "LIBIN: Insufficient cell info"},
      {"end before geometry", disordered, "LIBIN: Cell file position invalid"},
      {"placements beyond the end", referenceBeyondEnd, "LIBIN: Cell file position invalid"},
      {"nothing at all", {}, "LIBIN: Insufficient info"},
  };
  for (const Case& c : cases) {
    TempDir dir;
    libtest::WriteBytes(dir.File("info"), c.bytes);
    Library lib(dir.Path(), false);
    EXPECT_EQ(ErrorOf([&] { Logged([&] { lib.ReadInfo(); }); }), c.error) << c.what;
  }
  TempDir empty;
  Library lib(empty.Path(), false);
  EXPECT_EQ(ErrorOf([&] { lib.ReadInfo(); }), "LIBIN: Cannot open file info");
}

// Every prefix of a valid "info" is refused; the whole file reads back what was written.
TEST(LibraryIndexFiles, EveryPrefixOfInfoIsRefused) {
  TempDir source;
  {
    Library lib(source.Path(), false);
    libtest::BuildSampleLibrary(lib);
    lib.Save();
  }
  Bytes info = libtest::ReadBytes(source.File("info"));
  TempDir dir;
  for (size_t length = 0; length < info.size(); ++length) {
    libtest::WriteBytes(dir.File("info"), Bytes(info.begin(), info.begin() + long(length)));
    Library lib(dir.Path(), false);
    EXPECT_THROW(Logged([&] { lib.ReadInfo(); }), Error) << length;
  }
  libtest::WriteBytes(dir.File("info"), info);
  Library lib(dir.Path(), false);
  Logged([&] { lib.ReadInfo(); });
  EXPECT_EQ(lib.cells.size(), 4u);
  EXPECT_EQ(lib.layerMap.size(), 4u);
}

TEST(LibraryIndexFiles, TextFilesOfAnyLineLengthAndEitherLineEndRead) {
  TempDir dir;
  std::string longName(5000, 'n');
  std::string longText(70000, 't');
  {
    Library lib(dir.Path(), false);
    uint32_t id = lib.CreateCell(longName);
    lib.CreateCell("second");
    lib.cells[id]->AddText(MakeLayerKey(1, 0), lib.AddString(longText), 0, 0, false);
    lib.cells[id]->AddText(MakeLayerKey(1, 0), lib.AddString("after"), 0, 9, false);
    lib.cells[id]->flags |= kCellModified;
    lib.flags |= kLibCellsChanged | kLibNamesDirty | kLibTextsDirty;
    lib.Save();
  }
  Library lib(dir.Path(), false);
  lib.Open();
  EXPECT_EQ(lib.cells[0]->Name(), longName);
  EXPECT_STREQ(lib.cells[1]->Name(), "second");
  EXPECT_EQ(lib.strings, (std::vector<std::string>{longText, "after"}));

  TempDir crlf;
  libtest::WriteBytes(crlf.File("info"), InfoBytes().Cells(2).bytes);
  std::string names = "lib\r\nfirst\r\nsecond\r\n";
  std::string texts = "2\r\nx y\r\n\r\n";
  libtest::WriteBytes(crlf.File("names"), Bytes(names.begin(), names.end()));
  libtest::WriteBytes(crlf.File("texts"), Bytes(texts.begin(), texts.end()));
  Library windows(crlf.Path(), false);
  Logged([&] { windows.Open(); });
  EXPECT_EQ(windows.name, "lib");
  EXPECT_EQ(windows.FindIndex("second"), 1);
  EXPECT_EQ(windows.strings, (std::vector<std::string>{"x y", ""}));
}

TEST(LibraryIndexFiles, TextsKeepLineBreaksThroughTheirFileAndNamesStayInStep) {
  TempDir dir;
  std::string log;
  const std::vector<std::string> texts = {"a\r\nb", "c", "d\x10n", "end\r", std::string("\x10", 1)};
  {
    Library lib(dir.Path(), false);
    uint32_t id = lib.CreateCell("two\nlines");
    lib.CreateCell("next");
    for (size_t i = 0; i < texts.size(); ++i) {
      lib.cells[id]->AddText(MakeLayerKey(1, 0), lib.AddString(texts[i]), 0, int32_t(i), false);
    }
    lib.cells[id]->flags |= kCellModified;
    lib.flags |= kLibCellsChanged | kLibNamesDirty | kLibTextsDirty;
    log = Logged([&] { lib.Save(); });
  }
  EXPECT_NE(log.find("Warning: line break in name replaced by a blank: two\nlines\n"), std::string::npos);
  // Line breaks and DLE are escaped by DLE; plain strings stay as they are.
  const std::string file = "5\na\x10r\x10nb\nc\nd\x10\x10n\nend\x10r\n\x10\x10\n";
  EXPECT_EQ(libtest::ReadBytes(dir.File("texts")), Bytes(file.begin(), file.end()));
  Library lib(dir.Path(), false);
  Logged([&] { lib.Open(); });
  EXPECT_EQ(lib.FindIndex("two lines"), 0);
  EXPECT_EQ(lib.FindIndex("next"), 1);
  EXPECT_EQ(lib.strings, texts);
  // A DLE before any other byte, as an older library may hold it, reads as it stands.
  libtest::WriteBytes(dir.File("texts"), Bytes{'1', '\n', 'x', 0x10, 'y', '\n'});
  Library older(dir.Path(), false);
  Logged([&] { older.Open(); });
  EXPECT_EQ(older.strings, (std::vector<std::string>{"x\x10y"}));
}

TEST(LibraryIndexFiles, ShortOrMalformedTextFilesAreRefused) {
  struct Case {
    std::string names;
    std::string texts;
    const char* error;
  };
  std::vector<Case> cases = {
      {"", "", "LIBIN: Insufficient names"},
      {"lib\nonly\n", "", "LIBIN: Insufficient cell names"},
      {"lib\na\nb\n", "2\none\n", "LIBIN: Insufficient texts"},
      {"lib\na\nb\n", "", "LIBIN: Insufficient texts"},
      {"lib\na\nb\n", "-1\n", "LIBIN: Insufficient texts"},
      {"lib\na\nb\n", "two\nx\ny\n", "LIBIN: Insufficient texts"},
      {"lib\na\nb\n", "4000000000\nx\n", "LIBIN: Insufficient texts"},
  };
  for (const Case& c : cases) {
    TempDir dir;
    libtest::WriteBytes(dir.File("info"), InfoBytes().Cells(2).bytes);
    libtest::WriteBytes(dir.File("names"), Bytes(c.names.begin(), c.names.end()));
    libtest::WriteBytes(dir.File("texts"), Bytes(c.texts.begin(), c.texts.end()));
    Library lib(dir.Path(), false);
    EXPECT_EQ(ErrorOf([&] { Logged([&] { lib.Open(); }); }), c.error) << c.names << "|" << c.texts;
  }
  // Without "texts" the library has no strings, and texts show as empty.
  TempDir dir;
  libtest::WriteBytes(dir.File("info"), InfoBytes().Cells(2).bytes);
  std::string names = "lib\na\nb";
  libtest::WriteBytes(dir.File("names"), Bytes(names.begin(), names.end()));
  Library lib(dir.Path(), false);
  Logged([&] { lib.Open(); });
  EXPECT_TRUE(lib.strings.empty());
  EXPECT_EQ(lib.FindIndex("b"), 1);
}

TEST(LibraryIndexFiles, DirectoryHoldsALibraryWhenInfoOrCompressedInfoExists) {
  libtest::TempDir dir;
  EXPECT_FALSE(Library::DirectoryHoldsLibrary(dir.Path()));
  std::ofstream(dir.File("info.gz")).put('x');
  EXPECT_TRUE(Library::DirectoryHoldsLibrary(dir.Path()));
  std::filesystem::remove(dir.File("info.gz"));
  std::ofstream(dir.File("info")).put('x');
  EXPECT_TRUE(Library::DirectoryHoldsLibrary(dir.Path()));
  EXPECT_FALSE(Library::DirectoryHoldsLibrary(dir.File("missing")));
}

}  // namespace

// A compressed index gives no size to check a count against: 1 MB of zero entries claiming
// 2^31 - 1 cells is refused at the end of the stream before any cell is made for it.
TEST(LibraryIndexFiles, CompressedInfoShorterThanItsCountIsRefusedWithoutMakingCells) {
  TempDir dir;
  Bytes info = InfoBytes().bytes;
  AppendU32(info, 0x7fffffff);
  info.resize(info.size() + 1000000, 0);
  gzFile gz = gzopen(dir.File("info.gz").c_str(), "wb");
  ASSERT_TRUE(gz);
  ASSERT_EQ(gzwrite(gz, info.data(), unsigned(info.size())), int(info.size()));
  ASSERT_EQ(gzclose(gz), Z_OK);
  Library lib(dir.Path(), true);
  std::string log;
  EXPECT_EQ(ErrorOf([&] { log = Logged([&] { lib.ReadInfo(); }); }), "LIBIN: Insufficient cell info");
  EXPECT_TRUE(lib.cells.empty());
  // A compressed index that holds its entries reads them all.
  Bytes whole = InfoBytes().Cells(3).bytes;
  gz = gzopen(dir.File("info.gz").c_str(), "wb");
  ASSERT_EQ(gzwrite(gz, whole.data(), unsigned(whole.size())), int(whole.size()));
  ASSERT_EQ(gzclose(gz), Z_OK);
  Library read(dir.Path(), true);
  Logged([&] { read.ReadInfo(); });
  ASSERT_EQ(read.cells.size(), 3u);
  EXPECT_EQ(read.cells[2]->box.x1, 2);
  EXPECT_EQ(read.cells[2]->endPosition, 10);
}
