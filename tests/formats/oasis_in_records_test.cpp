#include <gtest/gtest.h>

#include "tests/formats/oasis_in_test_util.h"

using oasistest::Begin;
using oasistest::End;
using oasistest::ReadError;
using oasistest::ReadFile;

namespace {

// RECTANGLE with layer 1, datatype 0, width w, height h at (x, y).
OasisBuilder& Rectangle(OasisBuilder& b, uint64_t w, uint64_t h, int64_t x = 0, int64_t y = 0) {
  return b.Unsigned(20).Raw({0x7B}).Unsigned(1).Unsigned(0).Unsigned(w).Unsigned(h).Signed(x).Signed(y);
}

// PLACEMENT of reference number n at (x, y).
OasisBuilder& Place(OasisBuilder& b, uint64_t n, int64_t x, int64_t y) {
  return b.Unsigned(17).Raw({0xF0}).Unsigned(n).Signed(x).Signed(y);
}

std::string Names(const Library& lib) {
  std::string out;
  for (const auto& cell : lib.cells) out += std::string(cell ? cell->Name() : "-") + " ";
  return out;
}

}  // namespace

TEST(OasisInRecords, ImplicitCellNamesNumberCellsInOrder) {
  OasisBuilder b = Begin();
  b.Unsigned(3).String("A").Unsigned(3).String("B").Unsigned(3).String("C");
  b.Unsigned(13).Unsigned(1);
  Rectangle(b, 10, 20);
  End(b);
  ReadFile file(b.bytes());
  EXPECT_EQ(Names(*file.lib), "A B C ");
  EXPECT_EQ(file.Shapes("B").size(), 1u);
  EXPECT_DOUBLE_EQ(file.lib->dbUnit, 1e-9);
}

TEST(OasisInRecords, ForwardReferencesAsStrictWritersPutThem) {
  // Cells and placements by number first, the CELLNAME table after them.
  OasisBuilder b = Begin();
  b.Unsigned(13).Unsigned(0);
  Place(b, 1, 100, 200);
  b.Unsigned(13).Unsigned(1);
  Rectangle(b, 10, 10);
  b.Unsigned(5).String("hello");
  b.Unsigned(4).String("TOP").Unsigned(0).Unsigned(4).String("SUB").Unsigned(1);
  End(b);
  ReadFile file(b.bytes());
  EXPECT_EQ(Names(*file.lib), "TOP SUB ");
  auto refs = file.Placements("TOP");
  ASSERT_EQ(refs.size(), 1u);
  EXPECT_EQ(refs[0]->CellId(), 1u);
  EXPECT_EQ(Point(refs[0]->x, refs[0]->y), Point(100, 200));
  ASSERT_EQ(file.lib->roots.size(), 1u);
  EXPECT_EQ(file.lib->roots[0], 0u);
  EXPECT_EQ(file.CellNamed("TOP").box, Box(100, 200, 110, 210));
}

TEST(OasisInRecords, CellNamesWithControlCharactersAreReplacedUniquely) {
  // "A\tB" takes "A_B" and gives it up to the file's own "A_B"; "A\nB" by name then takes the
  // next free number; the cell by the name "A\tB" is the CELLNAME's.
  OasisBuilder b = Begin();
  b.Unsigned(3).String("A\tB").Unsigned(3).String("A_B");
  b.Unsigned(14).String("A\nB");
  b.Unsigned(14).String("A\tB");
  Rectangle(b, 10, 20);
  End(b);
  testing::internal::CaptureStdout();
  ReadFile file(b.bytes());
  const std::string log = testing::internal::GetCapturedStdout();
  EXPECT_EQ(Names(*file.lib), "A_B_1 A_B A_B_2 ");
  EXPECT_EQ(file.Shapes("A_B_1").size(), 1u);
  EXPECT_NE(log.find("Warning: cell A_B renamed A_B_1, the file names another cell so\n"), std::string::npos) << log;
  EXPECT_NE(log.find("  2 cell names with control characters replaced\n"), std::string::npos) << log;
}

TEST(OasisInRecords, TextStringNumbersKeepTheirStrings) {
  // An inline string first must not shift the implicit numbers; a forward number is filled
  // when its TEXTSTRING comes; a number never defined shows as "#n".
  OasisBuilder b = Begin();
  b.Unsigned(14).String("TOP");
  b.Unsigned(19).Raw({0x5B}).String("inline").Unsigned(1).Unsigned(2).Signed(0).Signed(0);
  b.Unsigned(19).Raw({0x78}).Unsigned(1).Signed(5).Signed(0);
  b.Unsigned(19).Raw({0x78}).Unsigned(7).Signed(9).Signed(0);
  b.Unsigned(5).String("zero").Unsigned(5).String("one");
  End(b);
  ReadFile file(b.bytes());
  std::string dump = libtest::DumpCell(*file.lib, file.CellNamed("TOP"));
  EXPECT_NE(dump.find("text 258 0,0 'inline'"), std::string::npos) << dump;
  EXPECT_NE(dump.find("text 258 5,0 'one'"), std::string::npos) << dump;
  EXPECT_NE(dump.find("text 258 9,0 '#7'"), std::string::npos) << dump;
}

TEST(OasisInRecords, UnnamedCellGetsAGeneratedName) {
  OasisBuilder b = Begin();
  b.Unsigned(13).Unsigned(0);
  Place(b, 1, 0, 0);
  b.Unsigned(3).String("TOP");
  End(b);
  ReadFile file(b.bytes());
  EXPECT_STREQ(file.lib->cells[1]->Name(), "CELL_1");
}

TEST(OasisInRecords, RedefinedCellKeepsTheLastDefinition) {
  OasisBuilder b = Begin();
  b.Unsigned(14).String("A");
  Rectangle(b, 10, 10);
  b.Unsigned(14).String("A");
  Rectangle(b, 30, 40, 5, 5);
  End(b);
  ReadFile file(b.bytes());
  auto shapes = file.Shapes("A");
  ASSERT_EQ(shapes.size(), 1u);
  EXPECT_EQ(shapes[0], (std::vector<Point>{{5, 5}, {5, 45}, {35, 5}, {35, 45}}));
  EXPECT_EQ(file.reader.statistics().redefinedCells, 1);
}

TEST(OasisInRecords, AcceptsNamesPropertiesAndLayerNames) {
  OasisBuilder b = Begin(10000);
  b.Unsigned(7).String("prop").Unsigned(10).String("value").Unsigned(7);
  b.Unsigned(11).String("metal").Unsigned(4).Unsigned(1).Unsigned(5).Unsigned(0);
  b.Unsigned(14).String("A");
  b.Unsigned(28).Raw({0x16}).Unsigned(0).Unsigned(8).Unsigned(42);
  b.Unsigned(32).Unsigned(1).String("x");
  Rectangle(b, 10, 10);
  b.Unsigned(30).Unsigned(1).String("x");
  End(b);
  ReadFile file(b.bytes());
  EXPECT_DOUBLE_EQ(file.lib->dbUnit, 1e-10);
  EXPECT_EQ(file.Shapes("A").size(), 1u);
}

TEST(OasisInRecords, FileWithoutCellsIsRead) {
  OasisBuilder b = Begin();
  End(b);
  ReadFile file(b.bytes());
  EXPECT_EQ(file.lib->CellCount(), 0);
}

TEST(OasisInRecords, FatalMessages) {
  struct Case {
    const char* name;
    std::function<void(OasisBuilder&)> body;
    const char* message;
  };
  const Case cases[] = {
      {"unknown record", [](OasisBuilder& b) { b.Unsigned(40); }, "Unknown Record ID"},
      {"cblock", [](OasisBuilder& b) { b.Unsigned(34).Unsigned(0).Unsigned(1).Unsigned(1); },
       "CBlock not supported yet"},
      {"cblock in cell",
       [](OasisBuilder& b) { b.Unsigned(14).String("A").Unsigned(34).Unsigned(0).Unsigned(1).Unsigned(1); },
       "CBlock not supported yet"},
      {"mixed cellnames", [](OasisBuilder& b) { b.Unsigned(3).String("A").Unsigned(4).String("B").Unsigned(1); },
       "Mixed implicit and explicit CELLNAME records"},
      {"mixed textstrings", [](OasisBuilder& b) { b.Unsigned(6).String("A").Unsigned(0).Unsigned(5).String("B"); },
       "Mixed implicit and explicit TEXTSTRING records"},
      {"duplicate textstring",
       [](OasisBuilder& b) { b.Unsigned(6).String("A").Unsigned(3).Unsigned(6).String("B").Unsigned(3); },
       "Duplicate TEXTSTRING 3"},
      {"duplicate cellname", [](OasisBuilder& b) { b.Unsigned(3).String("A").Unsigned(3).String("A"); },
       "Duplicate CELLNAME A"},
      {"duplicate cellname with control characters",
       [](OasisBuilder& b) { b.Unsigned(3).String("A\rB").Unsigned(3).String("A\rB"); }, "Duplicate CELLNAME A_B"},
      {"reference out of range", [](OasisBuilder& b) { b.Unsigned(13).Unsigned(16 * 1025); },
       "Reference number 16400 out of range"},
      {"reference clash", [](OasisBuilder& b) { b.Unsigned(14).String("A").Unsigned(13).Unsigned(0); },
       "Reference number 0 clashes with cell A"},
      {"placement cycle",
       [](OasisBuilder& b) {
         b.Unsigned(14)
             .String("A")
             .Unsigned(20)
             .Raw({0x7B})
             .Unsigned(1)
             .Unsigned(0)
             .Unsigned(1)
             .Unsigned(1)
             .Signed(0)
             .Signed(0);
         b.Unsigned(17).Raw({0x80}).String("B").Unsigned(14).String("B").Unsigned(17).Raw({0x80}).String("A");
       },
       "Recursive cell reference involving A"},
      {"layername", [](OasisBuilder& b) { b.Unsigned(11).String("m").Unsigned(5); }, "Error in LayerName"},
      {"repetition 12",
       [](OasisBuilder& b) {
         b.Unsigned(14)
             .String("A")
             .Unsigned(20)
             .Raw({0x7F})
             .Unsigned(1)
             .Unsigned(0)
             .Unsigned(1)
             .Unsigned(1)
             .Signed(0)
             .Signed(0)
             .Unsigned(12);
       },
       "Unknown Repetition "},
      {"undefined layer",
       [](OasisBuilder& b) {
         b.Unsigned(14).String("A").Unsigned(20).Raw({0x78}).Unsigned(1).Unsigned(1).Signed(0).Signed(0);
       },
       "Modal variable layer undefined"},
      {"undefined placement cell", [](OasisBuilder& b) { b.Unsigned(14).String("A").Unsigned(17).Raw({0x00}); },
       "Modal variable placement-cell undefined"},
      {"path point list after polygon",
       [](OasisBuilder& b) {
         b.Unsigned(14).String("A").Unsigned(21).Raw({0x23}).Unsigned(1).Unsigned(0).ManhattanList(0, {10, 10});
         b.Unsigned(22).Raw({0x40}).Unsigned(5);
       },
       "Modal variable path-point-list undefined"},
      {"circle radius",
       [](OasisBuilder& b) { b.Unsigned(14).String("A").Unsigned(27).Raw({0x03}).Unsigned(1).Unsigned(0); },
       "Circle radius not provided"},
      {"path points",
       [](OasisBuilder& b) {
         b.Unsigned(14).String("A").Unsigned(22).Raw({0xE3}).Unsigned(1).Unsigned(0).Unsigned(5).Unsigned(5).GDeltaList(
             4, {});
       },
       "Too few points in Path."},
      {"ctrapezoid type",
       [](OasisBuilder& b) {
         b.Unsigned(14).String("A").Unsigned(26).Raw({0x83}).Unsigned(1).Unsigned(0).Unsigned(26);
       },
       "Invalid ctrapezoid type"},
  };
  for (const Case& c : cases) {
    OasisBuilder b = Begin();
    c.body(b);
    End(b);
    EXPECT_EQ(ReadError(b.bytes()), c.message) << c.name;
  }
}

TEST(OasisInRecords, MagicStartAndUnitAreChecked) {
  OasisBuilder noReturn;
  for (char c : std::string("%SEMI-OASIS\n")) noReturn.Raw({uint8_t(c)});
  EXPECT_EQ(ReadError(noReturn.bytes()), "Invalid Magic");
  // A gzip stream of a whole file, as ".oas.gz" holds it, is refused by name.
  OasisBuilder gzipped;
  gzipped.Raw({0x1f, 0x8b, 0x08, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x03, 0x01, 0x02, 0x03, 0x04});
  EXPECT_EQ(ReadError(gzipped.bytes()), "Invalid Magic: gzip-compressed file, unzip it first");
  OasisBuilder gzipHeaderOnly;
  gzipHeaderOnly.Raw({0x1f, 0x8b});
  EXPECT_EQ(ReadError(gzipHeaderOnly.bytes()), "Invalid Magic: gzip-compressed file, unzip it first");
  OasisBuilder noStart;
  for (char c : std::string("%SEMI-OASIS\r\n")) noStart.Raw({uint8_t(c)});
  noStart.Unsigned(2);
  EXPECT_EQ(ReadError(noStart.bytes()), "Invalid Start");
  OasisBuilder realType;
  for (char c : std::string("%SEMI-OASIS\r\n")) realType.Raw({uint8_t(c)});
  realType.Unsigned(1).String("1.0").Unsigned(8);
  EXPECT_EQ(ReadError(realType.bytes()), "Unkown Real Format");
  OasisBuilder zeroUnit;
  for (char c : std::string("%SEMI-OASIS\r\n")) zeroUnit.Raw({uint8_t(c)});
  zeroUnit.Unsigned(1).String("1.0").Real(2, 0);
  EXPECT_EQ(ReadError(zeroUnit.bytes()), "Invalid unit");
}
