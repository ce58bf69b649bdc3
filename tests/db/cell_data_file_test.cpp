#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "db/error.h"
#include "db/library.h"
#include "db/trans.h"
#include "tests/db/library_test_util.h"

namespace {

using libtest::Array;
using libtest::Bytes;
using libtest::Place;
using libtest::Single;
using libtest::TempDir;

std::string Reopened(const std::string& dir) {
  Library lib(dir, false);
  lib.Open();
  return libtest::DumpLibrary(lib);
}

// Gives a loaded library's placement of `placed` in cell `parent` a new offset, as an edit would.
void MoveFirstPlacement(Library& lib, uint32_t parent) {
  Cell& cell = *lib.cells[parent];
  LayerRecord& refs = cell.layers.at(kPlacementKey);
  SpatialNode* entry = refs.index.FirstLeaf();
  SRef* ref = static_cast<SRef*>(entry->payload);
  refs.index.Remove(entry);
  ref->x += 13;
  ref->y -= 17;
  cell.AddPlacement(ref, lib.cells[ref->CellId()]->box);
  cell.flags |= kCellModified;
}

TEST(CellDataFile, GroupsWithoutPositionsAreLeftOutAndTheCellReadsBack) {
  TempDir dir;
  std::string built;
  {
    Library lib(dir.Path(), false);
    Cell& cell = *lib.cells[lib.CreateCell("a")];
    libtest::AddShape(cell, MakeLayerKey(1, 0), {{0, 0}, {5, 0}, {5, 5}, {0, 5}}, {{0, 0}}, true);
    libtest::AddShape(cell, MakeLayerKey(1, 0), {{0, 0}, {6, 0}, {6, 5}, {0, 5}}, {}, true);
    libtest::AddShape(cell, MakeLayerKey(2, 0), {{0, 0}, {7, 0}, {7, 5}, {0, 5}}, {}, true);
    cell.flags |= kCellModified;
    lib.flags |= kLibCellsChanged | kLibNamesDirty;
    built = libtest::DumpLibrary(lib);
    lib.Save();
  }
  EXPECT_EQ(Reopened(dir.Path()), built);
}

TEST(CellDataFile, PlacementsReadAloneAreNotReadTwice) {
  TempDir dir;
  {
    Library lib(dir.Path(), false);
    libtest::BuildSampleLibrary(lib);
    lib.Save();
  }
  std::string full = Reopened(dir.Path());
  Library lib(dir.Path(), false);
  lib.Open();
  Cell& mid = *lib.cells[2];
  lib.LoadCellReferences(mid);
  lib.LoadCellReferences(mid);
  EXPECT_EQ(mid.layers.at(kPlacementKey).Count(), 11);
  EXPECT_TRUE(mid.shapes.empty());
  EXPECT_FALSE(mid.loaded);
  EXPECT_EQ(libtest::DumpLibrary(lib), full);
  lib.LoadCellReferences(mid);
  EXPECT_EQ(mid.layers.at(kPlacementKey).Count(), 11);
}

TEST(CellDataFile, TextsOutlastALostStringTable) {
  TempDir dir;
  {
    Library lib(dir.Path(), false);
    libtest::BuildSampleLibrary(lib);
    lib.Save();
  }
  std::filesystem::remove(dir.File("texts"));
  Library lib(dir.Path(), false);
  lib.Open();
  Cell& label = *lib.cells[1];
  lib.LoadCell(label, true);
  EXPECT_EQ(label.texts.Count(), 2);
  EXPECT_EQ(libtest::DumpCell(lib, label),
            "cell 'label' box 0,0,0,40\n  index 2562 count 2\n  text 2562 0,0 ''\n  text 2562 0,40 ''\n");
}

class CellDataFileRoundTrip : public ::testing::TestWithParam<bool> {};

TEST_P(CellDataFileRoundTrip, SavedLibraryReopensCellByCell) {
  TempDir dir;
  std::string built;
  {
    Library lib(dir.Path(), GetParam());
    libtest::BuildSampleLibrary(lib);
    built = libtest::DumpLibrary(lib);
    lib.Save();
    EXPECT_EQ(lib.flags & (kLibCellsChanged | kLibInfoDirty | kLibNamesDirty | kLibTextsDirty), 0u);
    for (auto& cell : lib.cells) EXPECT_FALSE(cell->flags & kCellModified);
  }
  EXPECT_EQ(std::filesystem::exists(dir.File("info.gz")), GetParam());
  EXPECT_EQ(std::filesystem::exists(dir.File("db1.gz")), GetParam());
  Library lib(dir.Path(), false);
  lib.Open();
  EXPECT_EQ(lib.gzip, GetParam());
  EXPECT_EQ(lib.name, "sample");
  EXPECT_EQ(lib.roots, std::vector<uint32_t>{3});
  EXPECT_EQ(lib.depth, 2u);
  EXPECT_EQ(libtest::DumpLibrary(lib), built);
}

TEST_P(CellDataFileRoundTrip, EditsSavedTwiceAcrossSessionsKeepEveryCell) {
  TempDir dir;
  {
    Library lib(dir.Path(), GetParam());
    libtest::BuildSampleLibrary(lib);
    lib.Save();
  }
  std::string edited;
  {
    Library lib(dir.Path(), false);
    lib.Open();
    libtest::DumpLibrary(lib);
    uint32_t leaf = uint32_t(lib.FindIndex("leaf")), mid = uint32_t(lib.FindIndex("mid"));
    libtest::AddShape(*lib.cells[leaf], MakeLayerKey(1, 0), {{0, 0}, {4, 0}, {4, 4}, {0, 4}}, {{1, 1}}, true);
    lib.cells[leaf]->flags |= kCellModified;
    lib.flags |= kLibCellsChanged;
    lib.Save();
    MoveFirstPlacement(lib, mid);
    uint32_t extra = lib.CreateCell("extra");
    lib.cells[extra]->AddText(MakeLayerKey(9, 9), lib.AddString("new"), 3, 4, true);
    lib.cells[extra]->flags |= kCellModified;
    Place(lib, mid, Single(extra, 10, 10, 2));
    lib.flags |= kLibCellsChanged | kLibNamesDirty | kLibTextsDirty;
    lib.Save();
    edited = libtest::DumpLibrary(lib);
  }
  EXPECT_EQ(Reopened(dir.Path()), edited);
  // A third session edits again on top of files that two earlier sessions wrote.
  {
    Library lib(dir.Path(), false);
    lib.Open();
    libtest::DumpLibrary(lib);
    MoveFirstPlacement(lib, uint32_t(lib.FindIndex("top")));
    lib.flags |= kLibCellsChanged;
    lib.Save();
    edited = libtest::DumpLibrary(lib);
  }
  EXPECT_EQ(Reopened(dir.Path()), edited);
}

TEST_P(CellDataFileRoundTrip, RollOverStartsNewFilesAndNeverTruncatesOne) {
  TempDir dir;
  // A stray file under the next id must survive: it could hold sections of an older "info".
  std::string stray = dir.File(GetParam() ? "db2.gz" : "db2");
  libtest::WriteBytes(stray, {1, 2, 3});
  std::string built;
  {
    Library lib(dir.Path(), GetParam());
    lib.rollOverBytes = 60;
    libtest::BuildSampleLibrary(lib);
    built = libtest::DumpLibrary(lib);
    lib.Save();
    EXPECT_GE(lib.currentFileId, 3);
    for (auto& cell : lib.cells) EXPECT_NE(cell->fileId, 2);
  }
  EXPECT_EQ(libtest::ReadBytes(stray), (Bytes{1, 2, 3}));
  EXPECT_TRUE(std::filesystem::exists(dir.File(GetParam() ? "db3.gz" : "db3")));
  EXPECT_EQ(Reopened(dir.Path()), built);
}

INSTANTIATE_TEST_SUITE_P(PlainAndGzip, CellDataFileRoundTrip, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool>& info) { return info.param ? "Gzip" : "Plain"; });

TEST(CellDataFile, SectionsMatchHandWrittenBytes) {
  TempDir dir;
  Library lib(dir.Path(), false);
  libtest::BuildGoldenLibrary(lib);
  // The placement index decides the record order; both orders are written out by hand.
  const SpatialIndex& refs = lib.cells[0]->layers.at(kPlacementKey).index;
  bool nearFirst = static_cast<const SRef*>(refs.FirstLeaf()->payload)->x == 100;
  Bytes cell0 = nearFirst ? Bytes{0x00, 0x40, 0x00, 0x07, 0xc8, 0x01, 0x00, 0x20, 0x64, 0x28}
                          : Bytes{0x00, 0x40, 0x00, 0x07, 0xac, 0x02, 0x28, 0x20, 0x65, 0x29};
  Bytes cell1 = {0x00, 0x40, 0x0e, 0x07, 0x00, 0x00, 0x00, 0x40, 0x00, 0x00};
  Bytes cell7 = {0x03, 0x00, 0x02, 0x00, 0x0b, 0x0e, 0x04};
  lib.Save();
  Bytes expected = cell0;
  expected.insert(expected.end(), cell1.begin(), cell1.end());
  expected.insert(expected.end(), cell7.begin(), cell7.end());
  EXPECT_EQ(libtest::ReadBytes(dir.File("db1")), expected);
  EXPECT_EQ(lib.cells[0]->referencePosition, 0);
  EXPECT_EQ(lib.cells[7]->geometryPosition, 20);
  EXPECT_EQ(lib.cells[7]->referencePosition, -1);
  EXPECT_EQ(lib.cells[7]->endPosition, 27);
}

TEST(CellDataFile, PlacementOfVoidCellIsDroppedAndNextOffsetStaysRight) {
  TempDir dir;
  {
    Library lib(dir.Path(), false);
    uint32_t parent = lib.CreateCell("parent");
    uint32_t hollow = lib.CreateCell("hollow");
    uint32_t child = lib.CreateCell("child");
    libtest::AddShape(*lib.cells[child], MakeLayerKey(1, 0), {{0, 0}, {5, 0}, {5, 5}, {0, 5}}, {{0, 0}});
    Place(lib, parent, Single(hollow, 100, 0));
    Place(lib, parent, Single(child, 150, 20));
    Place(lib, parent, Single(hollow, -400, 9));
    for (uint32_t id : {parent, child}) lib.cells[id]->flags |= kCellModified;
    lib.flags |= kLibCellsChanged | kLibNamesDirty;
    lib.Save();
  }
  Library lib(dir.Path(), false);
  lib.Open();
  Cell& parent = *lib.cells[0];
  lib.LoadCell(parent, true);
  const SpatialIndex& refs = parent.layers.at(kPlacementKey).index;
  ASSERT_EQ(refs.Count(), 1);
  EXPECT_EQ(libtest::Describe(*static_cast<const SRef*>(refs.FirstLeaf()->payload)), "ref 2 at 150,20 code 0 mag 1");
}

TEST(CellDataFile, CellWithOnlyPlacementsStartsWithThePlacementMarker) {
  TempDir dir;
  Library lib(dir.Path(), false);
  libtest::BuildSampleLibrary(lib);
  lib.Save();
  const Cell& top = *lib.cells[3];
  const Cell& label = *lib.cells[1];
  Bytes data = libtest::ReadBytes(dir.File("db1"));
  // "top" has a text, so its placements follow; "label" has texts only.
  EXPECT_GT(top.referencePosition, top.geometryPosition);
  EXPECT_EQ(data[size_t(top.referencePosition)], 0x00);
  EXPECT_EQ(data[size_t(top.referencePosition) + 1], 0x40);
  EXPECT_EQ(label.referencePosition, -1);
  EXPECT_TRUE(label.flags & kCellNoPlacements);

  TempDir other;
  Library only(other.Path(), false);
  only.CreateCell("a");
  only.CreateCell("b");
  only.cells[1]->AddText(MakeLayerKey(1, 1), 0, 0, 0, false);
  Place(only, 0, Single(1, 3, 4));
  only.cells[0]->flags |= kCellModified;
  only.cells[1]->flags |= kCellModified;
  only.WriteChangedCells();
  EXPECT_EQ(only.cells[0]->geometryPosition, only.cells[0]->referencePosition);
  EXPECT_EQ(libtest::ReadBytes(other.File("db1"))[0], 0x00);
  EXPECT_EQ(libtest::ReadBytes(other.File("db1"))[1], 0x40);
}

TEST(CellDataFile, WriterRefusesWhatTheReaderCouldNotTellApart) {
  struct Case {
    const char* what;
    std::function<void(Library&, uint32_t, uint32_t)> build;
    const char* message;
  };
  std::vector<Case> cases = {
      {"shape on the placement layer",
       [](Library& lib, uint32_t a, uint32_t) {
         libtest::AddShape(*lib.cells[a], MakeLayerKey(kPlacementLayer, 3), {{0, 0}, {5, 0}, {5, 5}, {0, 5}}, {{0, 0}});
       },
       "Wrong layer format"},
      {"text on the placement layer",
       [](Library& lib, uint32_t a, uint32_t) { lib.cells[a]->AddText(kPlacementKey, 0, 1, 1, false); },
       "Wrong layer format"},
      {"array without columns",
       [](Library& lib, uint32_t a, uint32_t b) { Place(lib, a, Array(b, 0, 0, 0, 2, 10, 10)); }, "Wrong format"},
      {"magnification NaN",
       [](Library& lib, uint32_t a, uint32_t b) {
         Place(lib, a, Single(b, 0, 0, 0, std::numeric_limits<float>::quiet_NaN()));
       },
       "Wrong format"},
      {"placement of an unknown id",
       [](Library& lib, uint32_t a, uint32_t) {
         lib.cells[a]->AddPlacement(Single(9, 0, 0), Box(0, 0, 1, 1));
         lib.cells[a]->box = Box(0, 0, 1, 1);
       },
       "Cell id invalid"},
  };
  for (const Case& c : cases) {
    TempDir dir;
    Library lib(dir.Path(), false);
    uint32_t a = lib.CreateCell("a");
    uint32_t b = lib.CreateCell("b");
    lib.cells[b]->AddText(MakeLayerKey(1, 0), 0, 0, 0, false);
    c.build(lib, a, b);
    lib.cells[a]->flags |= kCellModified;
    lib.flags |= kLibCellsChanged;
    try {
      lib.WriteChangedCells();
      ADD_FAILURE() << c.what << " written";
    } catch (const Error& e) {
      EXPECT_EQ(e.Message(), c.message) << c.what;
      EXPECT_STREQ(e.Tag(), "LIBOUT") << c.what;
    }
    // A failed write leaves the cell as it was: modified, without a section.
    EXPECT_TRUE(lib.cells[a]->flags & kCellModified) << c.what;
    EXPECT_EQ(lib.cells[a]->fileId, 0) << c.what;
    EXPECT_TRUE(lib.flags & kLibCellsChanged) << c.what;
  }
}

// Loads cell `id` of the library in dir after changing it with edit; gives "" or the error's tag.
template <typename F>
std::string LoadTag(const std::string& dir, uint32_t id, F edit) {
  Library lib(dir, false);
  lib.Open();
  Cell& cell = *lib.cells[id];
  edit(cell);
  try {
    lib.LoadCell(cell, true);
    lib.LoadCellReferences(cell);
  } catch (const Error& e) {
    EXPECT_TRUE(cell.layers.empty() && cell.shapes.empty() && cell.texts.Count() == 0);
    return e.Tag();
  }
  return "";
}

// Sections cut short, in the file or by their end position, and sections with a byte changed:
// each gives a LIBIN Error or a cell, never a crash or a hang.
TEST(CellDataFile, CorruptOrTruncatedSectionsGiveErrorOrACell) {
  TempDir source;
  {
    Library lib(source.Path(), false);
    libtest::BuildSampleLibrary(lib);
    lib.Save();
  }
  Bytes data = libtest::ReadBytes(source.File("db1"));
  TempDir dir;
  for (const char* file : {"info", "names", "texts"}) {
    std::filesystem::copy_file(source.File(file), dir.File(file));
  }
  Library original(source.Path(), false);
  original.Open();
  for (uint32_t id = 0; id < 4; ++id) {
    const Cell& cell = *original.cells[id];
    for (int32_t end = cell.geometryPosition; end < cell.endPosition; ++end) {
      libtest::WriteBytes(dir.File("db1"), Bytes(data.begin(), data.begin() + end));
      EXPECT_EQ(LoadTag(dir.Path(), id, [](Cell&) {}), "LIBIN") << id << " cut at " << end;
      libtest::WriteBytes(dir.File("db1"), data);
      std::string tag = LoadTag(dir.Path(), id, [end](Cell& c) {
        c.endPosition = end;
        if (c.referencePosition > end) c.referencePosition = end;
      });
      EXPECT_TRUE(tag == "" || tag == "LIBIN") << id << " ended at " << end;
    }
    for (int32_t at = cell.geometryPosition; at < cell.endPosition; ++at) {
      for (uint8_t value : {0x00, 0x40, 0x7f, 0x80, 0xff}) {
        Bytes changed = data;
        changed[size_t(at)] = value;
        libtest::WriteBytes(dir.File("db1"), changed);
        std::string tag = LoadTag(dir.Path(), id, [](Cell&) {});
        EXPECT_TRUE(tag == "" || tag == "LIBIN") << id << " byte " << at << " = " << int(value);
      }
    }
  }
}

TEST(CellDataFile, MissingOrCorruptCompressedDataFileGivesError) {
  TempDir dir;
  {
    Library lib(dir.Path(), true);
    libtest::BuildSampleLibrary(lib);
    lib.Save();
  }
  Bytes data = libtest::ReadBytes(dir.File("db1.gz"));
  libtest::WriteBytes(dir.File("db1.gz"), Bytes(data.begin(), data.begin() + long(data.size() / 2)));
  EXPECT_EQ(LoadTag(dir.Path(), 3, [](Cell&) {}), "LIBIN");
  std::filesystem::remove(dir.File("db1.gz"));
  EXPECT_EQ(LoadTag(dir.Path(), 3, [](Cell&) {}), "LIBIN");
}

}  // namespace

// Shapes the writer would merge or drop on the next save are refused when loaded: a repeated
// or descending position, a record repeated in a layer, a layer written twice.
TEST(CellDataFile, SectionsThatASaveWouldChangeAreRefused) {
  const Bytes rect = {0x04, 0x00, 0x00, 0x00, 0x14, 0x14};
  auto block = [&](std::vector<Bytes> groups) {
    Bytes out = {0x01, 0x00, 0x00, uint8_t(groups.size())};
    for (const Bytes& g : groups) {
      out.insert(out.end(), rect.begin(), rect.end());
      out.insert(out.end(), g.begin(), g.end());
    }
    return out;
  };
  auto join = [](Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
  };
  struct Case {
    const char* what;
    Bytes section;
    bool loads;
  };
  const Case cases[] = {
      {"two positions in order", block({{0x02, 0x00, 0x00, 0x14, 0x00}}), true},
      {"a repeated position", block({{0x02, 0x00, 0x00, 0x00, 0x00}}), false},
      {"a descending position", block({{0x02, 0x14, 0x00, 0x15, 0x00}}), false},
      {"a repeated record", block({{0x01, 0x00, 0x00}, {0x01, 0x14, 0x00}}), false},
      {"a layer written twice", join(block({{0x01, 0x00, 0x00}}), block({{0x01, 0x14, 0x00}})), false},
  };
  for (const Case& c : cases) {
    TempDir dir;
    {
      Library lib(dir.Path(), false);
      uint32_t id = lib.CreateCell("a");
      libtest::AddShape(*lib.cells[id], MakeLayerKey(1, 0), {{0, 0}, {30, 0}, {30, 10}, {0, 10}}, {{0, 0}});
      lib.cells[id]->flags |= kCellModified;
      lib.flags |= kLibCellsChanged | kLibNamesDirty;
      lib.Save();
    }
    libtest::WriteBytes(dir.File("db1"), c.section);
    Library lib(dir.Path(), false);
    lib.Open();
    Cell& cell = *lib.cells[0];
    cell.endPosition = int32_t(c.section.size());
    try {
      lib.LoadCell(cell, true);
      EXPECT_TRUE(c.loads) << c.what;
      std::string loaded = libtest::DumpCell(lib, cell);
      cell.flags |= kCellModified;
      lib.WriteChangedCells();
      cell.Clear();
      lib.LoadCell(cell, true);
      EXPECT_EQ(libtest::DumpCell(lib, cell), loaded) << c.what;
    } catch (const Error& e) {
      EXPECT_FALSE(c.loads) << c.what << ": " << e.what();
      EXPECT_EQ(e.Message(), "Wrong format") << c.what;
      EXPECT_STREQ(e.Tag(), "LIBIN") << c.what;
    }
  }
}

// The placement marker must stand at the reference position of the index: loading reads
// placements from the marker, an export from that position, and both must read the same.
TEST(CellDataFile, PlacementMarkerAwayFromTheReferencePositionIsRefused) {
  TempDir dir;
  {
    Library lib(dir.Path(), false);
    libtest::BuildGoldenLibrary(lib);
    lib.Save();
  }
  auto loadError = [&](int32_t referencePosition, bool placementsAlone) {
    Library lib(dir.Path(), false);
    lib.Open();
    Cell& cell = *lib.cells[0];
    cell.referencePosition = referencePosition;
    try {
      if (placementsAlone) lib.LoadCellReferences(cell);
      lib.LoadCell(cell, true);
    } catch (const Error& e) {
      return e.Message();
    }
    return std::string("loaded");
  };
  EXPECT_EQ(loadError(0, false), "loaded");
  EXPECT_EQ(loadError(0, true), "loaded");
  EXPECT_EQ(loadError(-1, false), "Wrong format");
  EXPECT_EQ(loadError(2, true), "Wrong format");
}
