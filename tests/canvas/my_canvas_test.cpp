#include "canvas/my_canvas.h"

#include <gtest/gtest.h>
#include <wx/app.h>
#include <wx/dcmemory.h>
#include <wx/frame.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <memory>

#include "canvas/view/canvas_host.h"
#include "canvas/view/document.h"
#include "canvas/view/view_session.h"
#include "tests/canvas/canvas_test_util.h"
#include "tests/canvas/view/scripted_canvas_prompts.h"
#include "tests/formats/gds_builder.h"
#include "tests/formats/oasis_builder.h"

namespace {

struct RecordingSink : CanvasHost {
  void SetChildStatus(int, const std::string& text) override { child.push_back(text); }
  void SetMainStatus(const std::string& text) override { main.push_back(text); }
  int FirstSelectedLayerRow() const override { return -1; }
  void SetBusy(bool busy) override { busyDepth += busy ? 1 : -1; }
  CanvasPrompts& Prompts() override { return prompts; }
  void RefreshLayerList() override {}
  std::vector<std::string> child;
  std::vector<std::string> main;
  int busyDepth = 0;
  ScriptedCanvasPrompts prompts;
};

bool StartsWith(const std::string& text, const std::string& prefix) { return text.rfind(prefix, 0) == 0; }

class MyCanvasTest : public ::testing::Test {
 protected:
  MyCanvasTest() {
    frame_ = new wxFrame(nullptr, wxID_ANY, "canvas", wxDefaultPosition, wxSize(420, 340));
    canvas_ = new MyCanvas(frame_, session_, wxDefaultPosition, wxSize(400, 300));
    canvas_->SetHost(&sink_);
  }
  ~MyCanvasTest() override {
    frame_->Destroy();
    wxTheApp->ProcessIdle();
  }

  // One paint through OnDraw, onto a bitmap the size of the client.
  wxImage Paint() {
    int cw = 0;
    int ch = 0;
    canvas_->GetClientSize(&cw, &ch);
    wxBitmap target(cw, ch, 24);
    {
      wxMemoryDC dc(target);
      dc.SetBackground(*wxBLACK_BRUSH);
      dc.Clear();
      canvas_->DoPrepareDC(dc);
      canvas_->OnDraw(dc);
    }
    return target.ConvertToImage();
  }

  // A library of the sample cells saved in dir_/name; gives its directory.
  std::string SaveSampleLibrary(const std::string& name) {
    std::string path = dir_.File(name);
    std::filesystem::create_directories(path);
    Library lib(path, false);
    libtest::BuildSampleLibrary(lib);
    lib.Save();
    return path;
  }

  libtest::TempDir dir_;
  RecordingSink sink_;
  wxFrame* frame_;
  ViewSession session_;
  MyCanvas* canvas_;
};

TEST_F(MyCanvasTest, CorruptLibraryFailsToOpenWithTheErrorStatus) {
  std::string good = SaveSampleLibrary("good.db");
  // The cell shown before goes with the library it belongs to.
  ASSERT_TRUE(session_.LoadLibrary(good));
  Paint();
  libtest::Bytes info = libtest::ReadBytes(good + "/info");
  ASSERT_GT(info.size(), 16u);
  for (size_t length : {size_t(0), size_t(3), info.size() / 2, info.size() - 1}) {
    std::string path = dir_.File("cut" + std::to_string(length));
    std::filesystem::create_directories(path);
    libtest::WriteBytes(path + "/info", libtest::Bytes(info.begin(), info.begin() + std::ptrdiff_t(length)));
    EXPECT_FALSE(session_.LoadLibrary(path)) << length;
    ASSERT_FALSE(sink_.main.empty());
    EXPECT_TRUE(StartsWith(sink_.main.back(), "ERROR: LIBIN: ")) << sink_.main.back();
    EXPECT_EQ(session_.TopCell(), nullptr);
    EXPECT_EQ(canvastest::CountNonBlack(Paint()), 0);
  }
  EXPECT_FALSE(session_.LoadLibrary(dir_.File("missing")));
  EXPECT_TRUE(StartsWith(sink_.main.back(), "ERROR: ")) << sink_.main.back();
}

TEST_F(MyCanvasTest, OpenedLibraryShowsItsFirstRootAtFullDepth) {
  ASSERT_TRUE(session_.LoadLibrary(SaveSampleLibrary("sample.db")));
  EXPECT_EQ(sink_.main.front(), "Loading Library, wait...");
  EXPECT_EQ(sink_.main.back(), "Ready");
  ASSERT_NE(session_.TopCell(), nullptr);
  EXPECT_STREQ(session_.TopCell()->Name(), "top");
  EXPECT_EQ(session_.Settings().depth, int32_t(session_.GetLibrary()->depth) + 1);
  EXPECT_EQ(session_.GetLibrary()->layerMap.at(MakeLayerKey(3, 0)).colour, DefaultLayerColour(3, 0));
  EXPECT_EQ(session_.Settings().snapGrid, 5);
}

TEST_F(MyCanvasTest, LibraryWithoutRootsShowsNothing) {
  std::string path = dir_.File("empty.db");
  std::filesystem::create_directories(path);
  Library empty(path, false);
  empty.flags |= kLibInfoDirty | kLibNamesDirty;
  empty.Save();
  ASSERT_TRUE(session_.LoadLibrary(path)) << sink_.main.back();
  EXPECT_EQ(sink_.main.back(), "Empty library");
  EXPECT_EQ(session_.TopCell(), nullptr);
  EXPECT_EQ(canvastest::CountNonBlack(Paint()), 0);
  EXPECT_EQ(canvas_->SceneDrawCount(), 0);
}

TEST_F(MyCanvasTest, GdsFileConvertsAndDraws) {
  GdsBuilder gds;
  gds.LibraryHeader();
  gds.BeginStructure("leaf").Boundary(1, 0, {{0, 0}, {1000, 0}, {1000, 1000}, {0, 1000}, {0, 0}}).EndStructure();
  gds.BeginStructure("top").Sref("leaf", {0, 0}).Aref("leaf", 3, 2, {2000, 0}, {8000, 0}, {2000, 4000});
  gds.EndStructure().EndLibrary();
  std::string plain = dir_.File("chip.gds");
  gds.WriteTo(plain);
  ASSERT_TRUE(session_.ConvertGDS(plain, dir_.File("chip.db"))) << sink_.main.back();
  EXPECT_EQ(sink_.main.back(), "Ready");
  ASSERT_NE(session_.TopCell(), nullptr);
  EXPECT_STREQ(session_.TopCell()->Name(), "top");
  wxImage image = Paint();
  const wxColour layerPen(0, 32, 8);  // layer 1, datatype 0
  EXPECT_GT(canvastest::CountColour(image, layerPen), 100);
  EXPECT_EQ(sink_.child.back(), "Ready");

  // The library written by the conversion opens on its own.
  std::string compressed = dir_.File("chip.gds.gz");
  gds.WriteTo(compressed, true);
  ASSERT_TRUE(session_.ConvertGDS(compressed, dir_.File("chip.gds.db"))) << sink_.main.back();
  // Only a lower-case ".gz" means gzip: the same bytes as ".GZ" are read as GDSII and refused.
  std::string upper = dir_.File("chip.GZ");
  std::filesystem::copy_file(compressed, upper);
  EXPECT_FALSE(session_.ConvertGDS(upper, dir_.File("upper.db")));
  EXPECT_TRUE(StartsWith(sink_.main.back(), "ERROR: GDSIN: ")) << sink_.main.back();
}

// Cell "leaf" with a 1000 x 1000 box on layer 1/0, placed twice by cell "top"; 1 nm units.
OasisBuilder::Bytes SampleOasis() {
  OasisBuilder b;
  for (char c : std::string("%SEMI-OASIS\r\n")) b.Raw({uint8_t(c)});
  b.Unsigned(1).String("1.0").Real(0, 1000).Unsigned(0);
  for (int i = 0; i < 12; ++i) b.Unsigned(0);
  b.Unsigned(14).String("leaf");
  b.Unsigned(20).Raw({0x7B}).Unsigned(1).Unsigned(0).Unsigned(1000).Unsigned(1000).Signed(0).Signed(0);
  b.Unsigned(14).String("top");
  b.Unsigned(17).Raw({0xB0}).String("leaf").Signed(0).Signed(0);
  b.Unsigned(17).Raw({0xB0}).String("leaf").Signed(3000).Signed(2000);
  b.Unsigned(2).String("").Unsigned(0);
  return b.bytes();
}

TEST_F(MyCanvasTest, OasisFileConvertsAndDraws) {
  const OasisBuilder::Bytes bytes = SampleOasis();
  // OASIS is never read as gzip, whatever the name says.
  for (const char* name : {"chip.oas", "chip.oas.gz"}) {
    std::string path = dir_.File(name);
    libtest::WriteBytes(path, bytes);
    ASSERT_TRUE(session_.ConvertOASIS(path, dir_.File(std::string(name) + ".db"))) << sink_.main.back();
    EXPECT_EQ(sink_.main.back(), "Ready");
    ASSERT_NE(session_.TopCell(), nullptr);
    EXPECT_STREQ(session_.TopCell()->Name(), "top");
    EXPECT_EQ(session_.Settings().depth, 2);
    EXPECT_EQ(session_.Settings().snapGrid, 5);
    const wxColour layerPen(0, 32, 8);  // layer 1, datatype 0
    EXPECT_GT(canvastest::CountColour(Paint(), layerPen), 100) << name;
  }
  // The library written by the conversion opens on its own.
  ASSERT_TRUE(session_.LoadLibrary(dir_.File("chip.oas.db"))) << sink_.main.back();
  EXPECT_STREQ(session_.TopCell()->Name(), "top");
}

TEST_F(MyCanvasTest, BrokenOasisFileFailsWithTheReadersError) {
  const OasisBuilder::Bytes bytes = SampleOasis();
  std::vector<std::pair<std::string, OasisBuilder::Bytes>> files;
  for (size_t length = 0; length < bytes.size(); ++length) {
    files.emplace_back("cut" + std::to_string(length),
                       OasisBuilder::Bytes(bytes.begin(), bytes.begin() + std::ptrdiff_t(length)));
  }
  OasisBuilder::Bytes magic = bytes;
  magic[1] = 'X';
  files.emplace_back("magic", magic);
  files.emplace_back("missing", OasisBuilder::Bytes());
  const std::string shown = SaveSampleLibrary("shown.db");
  for (const auto& file : files) {
    std::string path = dir_.File(file.first + ".oas");
    if (file.first != "missing") libtest::WriteBytes(path, file.second);
    // The cell shown before goes with the library it belonged to.
    ASSERT_TRUE(session_.LoadLibrary(shown));
    EXPECT_FALSE(session_.ConvertOASIS(path, dir_.File(file.first + ".db"))) << file.first;
    ASSERT_FALSE(sink_.main.empty());
    EXPECT_TRUE(StartsWith(sink_.main.back(), "ERROR: OASISIN: ")) << file.first << ": " << sink_.main.back();
    // The directory the import created is gone again.
    EXPECT_FALSE(std::filesystem::exists(dir_.File(file.first + ".db"))) << file.first;
    EXPECT_EQ(session_.TopCell(), nullptr);
    EXPECT_EQ(canvastest::CountNonBlack(Paint()), 0);
  }
}

TEST_F(MyCanvasTest, ImportIntoADirectoryHoldingALibraryIsRefused) {
  libtest::WriteBytes(dir_.File("chip.oas"), SampleOasis());
  const std::string library = dir_.File("chip.db");
  ASSERT_TRUE(session_.ConvertOASIS(dir_.File("chip.oas"), library)) << sink_.main.back();
  std::map<std::string, uintmax_t> before;
  for (const auto& entry : std::filesystem::directory_iterator(library)) {
    before[entry.path().filename().string()] = entry.file_size();
  }
  const size_t statuses = sink_.main.size();
  EXPECT_FALSE(session_.ConvertOASIS(dir_.File("chip.oas"), library));
  EXPECT_EQ(sink_.prompts.asked,
            std::vector<std::string>{"Directory " + library + " already holds a library, use Load"});
  EXPECT_EQ(sink_.prompts.captions, std::vector<std::string>{"Wrong Usage"});
  EXPECT_EQ(sink_.main.size(), statuses);
  // The library and the cell it shows stay as they were.
  std::map<std::string, uintmax_t> after;
  for (const auto& entry : std::filesystem::directory_iterator(library)) {
    after[entry.path().filename().string()] = entry.file_size();
  }
  EXPECT_EQ(after, before);
  EXPECT_STREQ(session_.TopCell()->Name(), "top");
}

TEST_F(MyCanvasTest, UnreadableCellIsReportedOnceAndTheRestIsDrawn) {
  GdsBuilder gds;
  gds.LibraryHeader();
  gds.BeginStructure("leaf").Boundary(1, 0, {{0, 0}, {1000, 0}, {1000, 1000}, {0, 1000}, {0, 0}}).EndStructure();
  gds.BeginStructure("top").Boundary(2, 0, {{0, 2000}, {3000, 2000}, {3000, 3000}, {0, 3000}, {0, 2000}});
  gds.Sref("leaf", {0, 0}).EndStructure().EndLibrary();
  gds.WriteTo(dir_.File("chip.gds"));
  ASSERT_TRUE(session_.ConvertGDS(dir_.File("chip.gds"), dir_.File("chip.db")));
  ASSERT_TRUE(session_.LoadLibrary(dir_.File("chip.db")));
  // The placed cell's data file cannot be read.
  Library& library = *session_.GetLibrary();
  Cell& leaf = *library.cells[uint32_t(library.FindIndex("leaf"))];
  ASSERT_FALSE(leaf.loaded);
  leaf.fileId = 7;
  DisplaySettings settings = session_.Settings();
  settings.cellSizeLimit = 0;
  session_.ApplySettings(settings);
  auto reports = [this] {
    return std::count_if(sink_.main.begin(), sink_.main.end(),
                         [](const std::string& s) { return StartsWith(s, "ERROR: LIBIN: "); });
  };
  const wxImage first = Paint();
  const auto reported = reports();
  EXPECT_GE(reported, 1);
  EXPECT_GT(canvastest::CountNonBlack(first), 0);
  for (int pass = 0; pass < 3; ++pass) {
    canvas_->RedrawView();
    const wxImage again = Paint();
    EXPECT_TRUE(
        std::equal(first.GetData(), first.GetData() + first.GetWidth() * first.GetHeight() * 3, again.GetData()));
  }
  EXPECT_EQ(canvas_->SceneDrawCount(), 4);
  EXPECT_EQ(reports(), reported);
  EXPECT_EQ(sink_.child.back(), "Ready");
}

TEST_F(MyCanvasTest, RepaintCopiesTheBufferUntilTheViewChanges) {
  ASSERT_TRUE(session_.LoadLibrary(SaveSampleLibrary("sample.db")));
  DisplaySettings settings = session_.Settings();
  settings.cellSizeLimit = 0;
  session_.ApplySettings(settings);
  wxImage first = Paint();
  EXPECT_EQ(canvas_->SceneDrawCount(), 1);
  EXPECT_GT(canvastest::CountNonBlack(first), 0);
  wxImage again = Paint();
  EXPECT_EQ(canvas_->SceneDrawCount(), 1);
  EXPECT_TRUE(std::equal(first.GetData(), first.GetData() + first.GetWidth() * first.GetHeight() * 3, again.GetData()));
  canvas_->RedrawView();
  Paint();
  EXPECT_EQ(canvas_->SceneDrawCount(), 2);

  // Growth redraws into a larger buffer; shrinking keeps it and copies.
  canvas_->SetSize(600, 450);
  Paint();
  EXPECT_EQ(canvas_->SceneDrawCount(), 3);
  int grownW = canvas_->BackBuffer()->GetWidth();
  canvas_->SetSize(300, 200);
  Paint();
  EXPECT_EQ(canvas_->SceneDrawCount(), 3);
  EXPECT_EQ(canvas_->BackBuffer()->GetWidth(), grownW);
}

TEST_F(MyCanvasTest, ZoomInScrollsAndRedraws) {
  ASSERT_TRUE(session_.LoadLibrary(SaveSampleLibrary("sample.db")));
  Paint();
  int cw = 0;
  int ch = 0;
  canvas_->GetClientSize(&cw, &ch);
  session_.Zoomin4X();
  EXPECT_EQ(session_.View().magnification, 4.0);
  int sx = 0;
  int sy = 0;
  canvas_->GetViewStart(&sx, &sy);
  EXPECT_EQ(sx, 4 * 3 * cw / 8 / kScrollUnit);
  EXPECT_EQ(sy, 4 * 3 * ch / 8 / kScrollUnit);
  Paint();
  EXPECT_EQ(canvas_->SceneDrawCount(), 2);
  // Zooming out at the top-left corner leaves the origin where it was, and still redraws.
  session_.Zoomout4X();
  session_.Zoomout4X();
  EXPECT_EQ(session_.View().magnification, 1.0);
  Paint();
  EXPECT_EQ(canvas_->SceneDrawCount(), 3);
  DisplaySettings settings = session_.Settings();
  settings.cellSizeLimit = 3;
  session_.ApplySettings(settings);
  session_.Zoomout();
  EXPECT_EQ(session_.Settings().cellSizeLimit, session_.Settings().userCellSizeLimit);
}

TEST_F(MyCanvasTest, EmptyCellAsksForItsBoxAndStoresItOrdered) {
  auto lib = std::make_shared<Library>(dir_.Path(), false);
  uint32_t id = lib->CreateCell("empty");
  session_.ShareDocument(std::make_shared<Document>(lib));
  sink_.prompts.texts = {"5 5 0 0"};
  session_.SetTopCell(int32_t(id));
  EXPECT_EQ(lib->cells[id]->box, Box(0, 0, 5000, 5000));
  ASSERT_EQ(sink_.prompts.asked.size(), 1u);
  EXPECT_EQ(sink_.prompts.asked[0].rfind("This is empty cell\n", 0), 0u);
  EXPECT_GT(session_.View().viewBox.w, 0);
  // A cell with a box is not asked about.
  session_.SetTopCell(int32_t(id));
  EXPECT_EQ(sink_.prompts.asked.size(), 1u);
}

}  // namespace
