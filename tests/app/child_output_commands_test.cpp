#include <gtest/gtest.h>
#include <wx/dcmemory.h>
#include <wx/image.h>
#include <wx/menu.h>
#include <wx/statusbr.h>
#include <wx/toolbar.h>

#include <cstdlib>
#include <fstream>
#include <memory>

#include "app/app_context.h"
#include "app/core/command_ids.h"
#include "app/my_child.h"
#include "app/my_frame.h"
#include "app/my_printout.h"
#include "canvas/jobs/process_runner.h"
#include "canvas/my_canvas.h"
#include "tests/app/app_environment.h"
#include "tests/app/scripted_print_service.h"
#include "tests/app/window_fixture.h"
#include "tests/canvas/jobs/recording_runner.h"

namespace {

class ChildOutputTest : public app_test::AppWindowTest {
 protected:
  void SetUp() override {
    AppWindowTest::SetUp();
    auto service = std::make_unique<ScriptedPrintService>();
    print_ = service.get();
    SetPrintService(std::move(service));
  }
  void TearDown() override {
    SetPrintService(std::make_unique<ScriptedPrintService>());
    AppWindowTest::TearDown();
  }

  static void Draw(MyChild* child) {
    child->canvas->RedrawView();
    child->canvas->Refresh();
    child->canvas->Update();
    app_test::Pump();
  }
  // The page that MyPrintout prints for the active child, on a white memory DC.
  static wxImage PrintToMemory(int width, int height) {
    wxBitmap page(width, height, 24);
    wxMemoryDC dc(page);
    dc.SetBackground(*wxWHITE_BRUSH);
    dc.Clear();
    MyPrintout printout(app_test::Frame());
    printout.SetDC(&dc);
    printout.SetPageSizePixels(width, height);
    EXPECT_TRUE(printout.OnPrintPage(1));
    dc.SelectObject(wxNullBitmap);
    return page.ConvertToImage();
  }

  ScriptedPrintService* print_ = nullptr;
};

bool Near(const wxImage& image, int x, int y, int r, int g, int b, int tolerance) {
  return std::abs(image.GetRed(x, y) - r) <= tolerance && std::abs(image.GetGreen(x, y) - g) <= tolerance &&
         std::abs(image.GetBlue(x, y) - b) <= tolerance;
}

TEST_F(ChildOutputTest, CommandsAreEnabledWithThePrintTool) {
  MyChild* child = Import("chip.gds");
  ASSERT_NE(child, nullptr);
  for (int id : {kCmdChangeTitle, kCmdSaveJpeg, kCmdSaveBmp, kCmdPrint, kCmdPageSetup, kCmdRunAreaDrc}) {
    EXPECT_TRUE(child->GetMenuBar()->IsEnabled(id)) << id;
  }
  EXPECT_TRUE(app_test::Frame()->GetToolBar()->GetToolEnabled(kCmdPrint));
}

TEST_F(ChildOutputTest, ExportsTheDrawnViewAsJpegAndBmp) {
  MyChild* child = Import("chip.gds");
  ASSERT_NE(child, nullptr);
  Draw(child);
  const wxSize client = child->canvas->GetClientSize();
  prompts_->files = {dir_ + "/shot", dir_ + "/view.bmp"};
  SendCommand(child, kCmdSaveJpeg);
  SendCommand(child, kCmdSaveBmp);
  EXPECT_TRUE(Asked("Save an image to JPEG file"));
  EXPECT_TRUE(Asked("Save an image to BMP file"));
  wxImage jpeg;
  ASSERT_TRUE(jpeg.LoadFile(wxString::FromUTF8(dir_ + "/shot.jpg"), wxBITMAP_TYPE_JPEG));
  wxImage bmp;
  ASSERT_TRUE(bmp.LoadFile(wxString::FromUTF8(dir_ + "/view.bmp"), wxBITMAP_TYPE_BMP));
  for (const wxImage* image : {&jpeg, &bmp}) {
    EXPECT_EQ(image->GetWidth(), client.x);
    EXPECT_EQ(image->GetHeight(), client.y);
  }
  // The full view fits the box to the width, so the top left corner is background.
  EXPECT_TRUE(Near(jpeg, 1, 1, 200, 200, 200, 6));
  EXPECT_TRUE(Near(bmp, 1, 1, 200, 200, 200, 0));
  const int cx = client.x / 2, cy = client.y / 2;
  EXPECT_FALSE(Near(bmp, cx, cy, 200, 200, 200, 0));
}

TEST_F(ChildOutputTest, ExportBeforeAnyDrawSavesNothing) {
  auto* child = new MyChild(app_test::Frame(), "empty");
  ASSERT_EQ(child->canvas->DrawnImage().IsOk(), false);
  prompts_->files = {dir_ + "/early.jpg"};
  SendCommand(child, kCmdSaveJpeg);
  SendCommand(child, kCmdSaveBmp);
  auto* status = dynamic_cast<wxStatusBar*>(wxWindow::FindWindowByName("status_line", child));
  ASSERT_NE(status, nullptr);
  EXPECT_EQ(status->GetStatusText(1), "Nothing drawn yet");
  EXPECT_TRUE(prompts_->asked.empty());
  EXPECT_FALSE(wxFileExists(wxString::FromUTF8(dir_ + "/early.jpg")));
}

TEST_F(ChildOutputTest, PrintoutDrawsTheViewAndTheTitleNearTheTopLeft) {
  MyChild* child = Import("chip.gds");
  ASSERT_NE(child, nullptr);
  Draw(child);
  child->SetTitle("");
  const wxImage untitled = PrintToMemory(1000, 800);
  child->SetTitle("Chip A");
  const wxImage titled = PrintToMemory(1000, 800);
  // The view is drawn inside the margin on its grey background.
  int grey = 0;
  for (int y = 0; y < 800; y += 4) {
    for (int x = 0; x < 1000; x += 4) grey += Near(untitled, x, y, 200, 200, 200, 0) ? 1 : 0;
  }
  EXPECT_GT(grey, 100);
  EXPECT_TRUE(Near(untitled, 10, 10, 255, 255, 255, 0));
  // The view starts below the title's line.
  for (int y = 50; y < 62; ++y) EXPECT_FALSE(Near(titled, 500, y, 200, 200, 200, 0)) << y;
  // The title changes pixels only right of and below (50, 50), and close to it.
  int changed = 0;
  for (int y = 0; y < 800; ++y) {
    for (int x = 0; x < 1000; ++x) {
      if (Near(untitled, x, y, titled.GetRed(x, y), titled.GetGreen(x, y), titled.GetBlue(x, y), 0)) continue;
      ++changed;
      EXPECT_TRUE(x >= 50 && x < 200 && y >= 50 && y < 90) << x << "," << y;
      if (changed > 20 && ::testing::Test::HasFailure()) return;
    }
  }
  EXPECT_GT(changed, 20);
}

TEST_F(ChildOutputTest, PrintoutWithoutWindowOrDeviceContextPrintsNothing) {
  wxBitmap page(200, 200, 24);
  wxMemoryDC dc(page);
  MyPrintout lost(app_test::Frame());
  lost.SetDC(&dc);
  lost.SetPageSizePixels(200, 200);
  // No child window is open.
  EXPECT_FALSE(lost.OnPrintPage(1));
  MyPrintout noDc(app_test::Frame());
  EXPECT_FALSE(noDc.OnPrintPage(1));
  EXPECT_TRUE(noDc.HasPage(1));
  EXPECT_FALSE(noDc.HasPage(2));
  int pages[4] = {0, 0, 0, 0};
  noDc.GetPageInfo(&pages[0], &pages[1], &pages[2], &pages[3]);
  EXPECT_EQ(std::vector<int>(pages, pages + 4), (std::vector<int>{1, 1, 1, 1}));
}

TEST_F(ChildOutputTest, PrinterErrorIsShownAndKeepsTheSettings) {
  MyChild* child = Import("chip.gds");
  ASSERT_NE(child, nullptr);
  prompts_->asked.clear();
  print_->copiesPrinted = 4;
  print_->outcome = PrintService::Outcome::kPrinterError;
  SendCommand(child, kCmdPrint);
  EXPECT_EQ(prompts_->asked,
            std::vector<std::string>{"Problem in printing.\nPerhaps your current printer is not set correctly?"});
  EXPECT_EQ(app_test::Context().PrintData().GetNoCopies(), 1);
  prompts_->asked.clear();
  print_->outcome = PrintService::Outcome::kCancelled;
  SendCommand(child, kCmdPrint);
  EXPECT_TRUE(prompts_->asked.empty());
  EXPECT_EQ(app_test::Context().PrintData().GetNoCopies(), 1);
  print_->outcome = PrintService::Outcome::kPrinted;
  SendCommand(child, kCmdPrint);
  EXPECT_EQ(app_test::Context().PrintData().GetNoCopies(), 4);
  EXPECT_EQ(print_->prints, 3);
  app_test::Context().PrintData().SetNoCopies(1);

  SendCommand(child, kCmdPageSetup);
  EXPECT_EQ(print_->pageSetups, 1);
  EXPECT_EQ(app_test::Context().PrintData().GetOrientation(), wxLANDSCAPE);
  app_test::Context().PrintData().SetOrientation(wxPORTRAIT);
}

// The next header number of a PPM, past blanks and "#" comment lines.
int PpmNumber(std::istream& in) {
  in >> std::ws;
  while (in.peek() == '#') {
    std::string comment;
    std::getline(in, comment);
    in >> std::ws;
  }
  int value = 0;
  in >> value;
  return value;
}

// Reads a binary PPM as Ghostscript writes it.
wxImage ReadPpm(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::string magic;
  in >> magic;
  const int width = PpmNumber(in), height = PpmNumber(in), maximum = PpmNumber(in);
  in.get();
  if (magic != "P6" || width <= 0 || height <= 0 || maximum != 255) return wxImage();
  wxImage image(width, height);
  in.read(reinterpret_cast<char*>(image.GetData()), std::streamsize(width) * height * 3);
  return in ? image : wxImage();
}

// The page holds the whole view of the corner layout with its aspect (screenRatio, width over
// height): the four marks at the corners of the layout all print, as far apart as on the screen,
// and each of the four sides of the one-pixel outline of the small placed cell keeps some pixels.
void ExpectWholeViewWithOutlines(const wxImage& page, const wxColour& mark, double screenRatio) {
  int left = page.GetWidth(), right = -1, top = page.GetHeight(), bottom = -1;
  for (int y = 0; y < page.GetHeight(); ++y) {
    for (int x = 0; x < page.GetWidth(); ++x) {
      if (!Near(page, x, y, mark.Red(), mark.Green(), mark.Blue(), 3)) continue;
      left = std::min(left, x), right = std::max(right, x), top = std::min(top, y), bottom = std::max(bottom, y);
    }
  }
  ASSERT_GT(right - left, 40);
  for (const int x : {left + 1, right - 1}) {
    for (const int y : {top + 1, bottom - 1}) EXPECT_TRUE(Near(page, x, y, mark.Red(), mark.Green(), mark.Blue(), 3));
  }
  EXPECT_NEAR(double(right - left) / double(bottom - top), screenRatio, 0.03);
  const int cx = left + (right - left) * 1950 / 4000, cy = top + (bottom - top) * (3000 - 1450) / 3000;
  for (const wxPoint& step : {wxPoint(1, 0), wxPoint(-1, 0), wxPoint(0, 1), wxPoint(0, -1)}) {
    int d = 0;
    while (d < (right - left) / 8 && !Near(page, cx + d * step.x, cy + d * step.y, 0, 0, 8, 3)) ++d;
    EXPECT_LT(d, (right - left) / 8) << step.x << "," << step.y;
  }
}

// On pages with fewer and with more pixels than the window, on a memory page as on a printed
// PostScript file rendered by Ghostscript (whose context reports no font: the text must not
// stop the printout).
TEST_F(ChildOutputTest, PrintoutHoldsTheWholeViewWithItsOutlines) {
  const std::string gds = dir_ + "/corners.gds";
  GdsBuilder builder;
  builder.LibraryHeader().BeginStructure("LEAF").Boundary(1, 0, {{0, 0}, {300, 0}, {300, 300}, {0, 300}, {0, 0}});
  builder.EndStructure().BeginStructure("TOP").Sref("LEAF", {1800, 1300}).Text(5, 0, {1500, 2000}, "VDD");
  for (const Point& corner : {Point(0, 0), Point(3800, 0), Point(0, 2800), Point(3800, 2800)}) {
    const int32_t x = corner.x, y = corner.y;
    builder.Boundary(5, 2, {{x, y}, {x + 200, y}, {x + 200, y + 200}, {x, y + 200}, {x, y}});
  }
  builder.EndStructure().EndLibrary().WriteTo(gds);
  prompts_->files.push_back(gds);
  wxCommandEvent import(wxEVT_MENU, kCmdGdsIn);
  app_test::Frame()->GetEventHandler()->ProcessEvent(import);
  app_test::Pump();
  auto* child = static_cast<MyChild*>(app_test::Frame()->GetActiveChild());
  ASSERT_NE(child, nullptr);
  // At depth 1 the placed cell is its outline.
  DisplaySettings settings = child->Session().Settings();
  settings.depth = 1;
  child->Session().ApplySettings(settings);
  Draw(child);
  const ViewMapping& view = child->Session().View();
  const double ratio =
      double(view.ToDeviceX(4000) - view.ToDeviceX(0)) / double(view.ToDeviceY(0) - view.ToDeviceY(3000));
  const uint32_t word = child->Session().GetLibrary()->layerMap.at(MakeLayerKey(5, 2)).colour;
  const wxColour mark(word & 0xFF, (word >> 8) & 0xFF, std::max<uint32_t>((word >> 16) & 0xFF, 8));
  for (const wxSize& size : {wxSize(600, 800), wxSize(3000, 2400)}) {
    SCOPED_TRACE(size.x);
    ExpectWholeViewWithOutlines(PrintToMemory(size.x, size.y), mark, ratio);
  }

  if (std::system("command -v gs >/dev/null 2>&1") != 0) GTEST_SKIP() << "Ghostscript is not installed";
  prompts_->asked.clear();
  print_->postScriptFile = dir_ + "/view.ps";
  SendCommand(child, kCmdPrint);
  ASSERT_TRUE(prompts_->asked.empty());
  // The PostScript page has 720 pixels per inch, about five to a window pixel here: rendered at
  // 200 dpi every window pixel still covers one rendered pixel.
  const std::string ppm = dir_ + "/view.ppm";
  ASSERT_EQ(std::system(("gs -q -dSAFER -dBATCH -dNOPAUSE -sDEVICE=ppmraw -r200 -sOutputFile='" + ppm + "' '" +
                         print_->postScriptFile + "'")
                            .c_str()),
            0);
  const wxImage page = ReadPpm(ppm);
  ASSERT_TRUE(page.IsOk());
  ExpectWholeViewWithOutlines(page, mark, ratio);
}

TEST_F(ChildOutputTest, ChangeTitleOffersTheLastTitleInAnotherWindow) {
  MyChild* first = Import("a.gds");
  MyChild* second = Import("b.gds");
  ASSERT_NE(first, nullptr);
  ASSERT_NE(second, nullptr);
  const wxString secondTitle = second->GetTitle();
  app_test::Context().SetLastTitle("");
  prompts_->texts = {"Chip A"};
  SendCommand(first, kCmdChangeTitle);
  EXPECT_EQ(first->GetTitle(), "Chip A");
  SendCommand(second, kCmdChangeTitle);
  ASSERT_EQ(prompts_->textDefaults.size(), 2u);
  EXPECT_EQ(prompts_->textDefaults[0], std::string(dir_ + "/a.gds"));
  EXPECT_EQ(prompts_->textDefaults[1], "Chip A");
  // Cancel changes nothing.
  EXPECT_EQ(second->GetTitle(), secondTitle);
  EXPECT_EQ(app_test::Context().LastTitle(), "Chip A");
}

TEST_F(ChildOutputTest, AreaDrcWritesTheDriverAndReportsAFailingEngine) {
  MyChild* child = Import("chip.gds");
  ASSERT_NE(child, nullptr);
  RecordingRunner runner;
  child->Session().SetProcessRunner(&runner);
  prompts_->files = {dir_ + "/rules.tcl"};
  SendCommand(child, kCmdRunAreaDrc);
  ASSERT_EQ(runner.calls.size(), 1u);
  EXPECT_EQ(runner.calls[0], "pellago " + dir_ + "/korvane_drc.tcl");
  std::ifstream driver(dir_ + "/korvane_drc.tcl", std::ios::binary);
  const std::string text((std::istreambuf_iterator<char>(driver)), std::istreambuf_iterator<char>());
  EXPECT_EQ(text, "LogFile korvane_drc.log\nLibrary " + dir_ + "/chip.db\nAreas { { TOP 0 0 4000 3000 } }\nsource " +
                      dir_ + "/rules.tcl\n");

  // Magnified, the last zoomed area is checked; the engine fails.
  child->Session().View().magnification = 4.0;
  child->Session().SetLastZoomedArea(Box(1000, 500, 2000, 1500));
  runner.result = {true, 2};
  prompts_->files = {dir_ + "/rules.tcl"};
  SendCommand(child, kCmdRunAreaDrc);
  std::ifstream again(dir_ + "/korvane_drc.tcl", std::ios::binary);
  const std::string second((std::istreambuf_iterator<char>(again)), std::istreambuf_iterator<char>());
  EXPECT_NE(second.find("Areas { { TOP 1000 500 2000 1500 } }\n"), std::string::npos) << second;
  EXPECT_EQ(app_test::Frame()->GetStatusBar()->GetStatusText(0), "DRC engine pellago exited with status 2");
  app_test::Frame()->SetStatusText("Ready", 0);

  // Cancelling the rule script dialog runs nothing.
  SendCommand(child, kCmdRunAreaDrc);
  EXPECT_EQ(runner.calls.size(), 2u);
  child->Session().SetProcessRunner(nullptr);
}

}  // namespace
