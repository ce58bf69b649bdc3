// korvane-bench draw LIBDIR WIDTH HEIGHT OUT.bmp [ZOOM_IN_STEPS] (under xvfb-run): opens a
// library as the application does and times the drawing passes of a WIDTH x HEIGHT canvas: the
// first full view with the default settings (saved as OUT.bmp), the same view in full detail,
// and a 40 um x 40 um view at the middle of the cell (saved as OUT-middle.bmp), cold (on a
// freshly opened library, cells loaded on demand) and warm. With ZOOM_IN_STEPS, the view that
// many Zoom-in-4X steps from the full view is timed too (saved as OUT-in.bmp, reported on a
// line of its own before the last).
#include <wx/frame.h>
#include <wx/image.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "bench/korvane_bench/command.h"
#include "bench/korvane_bench/toolkit_session.h"
#include "canvas/my_canvas.h"
#include "db/error.h"
#include "db/library.h"

namespace {

std::unique_ptr<BenchView> OpenView(wxFrame& frame, const std::string& libDir, int width, int height) {
  auto view = std::make_unique<BenchView>(frame, width, height);
  view->Open(libDir);
  return view;
}

void ZoomToMiddle(BenchView& bench) {
  ViewSession& session = bench.session;
  const Box& box = session.TopCell()->box;
  double x = (double(box.x1) + double(box.x2)) / 2 * session.Settings().umPerUnit;
  double y = (double(box.y1) + double(box.y2)) / 2 * session.Settings().umPerUnit;
  int cw = 0;
  int ch = 0;
  bench.canvas->GetClientSize(&cw, &ch);
  session.View().CentreView(0, 0, cw, ch);
  session.ZoomToBox(x, y, 20.0);
}

// OUT.bmp with a suffix before the extension.
std::string ImageName(const std::string& out, const std::string& suffix) {
  size_t dot = out.rfind('.');
  if (dot == std::string::npos || out.find('/', dot) != std::string::npos) return out + suffix;
  return out.substr(0, dot) + suffix + out.substr(dot);
}

// The top left WIDTH x HEIGHT of the canvas's back buffer, or all of a smaller one.
void SaveView(MyCanvas& canvas, int width, int height, const std::string& path) {
  const wxBitmap& buffer = *canvas.BackBuffer();
  wxRect shown(0, 0, std::min(width, buffer.GetWidth()), std::min(height, buffer.GetHeight()));
  buffer.GetSubBitmap(shown).ConvertToImage().SaveFile(path, wxBITMAP_TYPE_BMP);
}

long long LoadedCells(const Library& lib) {
  long long loaded = 0;
  for (const auto& cell : lib.cells) loaded += cell && cell->loaded && cell->IsStored();
  return loaded;
}

int RunDraw(const std::vector<std::string>& args) {
  if (args.size() != 4 && args.size() != 5) {
    std::fprintf(stderr, "usage: korvane-bench draw LIBDIR WIDTH HEIGHT OUT.bmp [ZOOM_IN_STEPS]\n");
    return 2;
  }
  const std::string& libDir = args[0];
  int width = std::atoi(args[1].c_str());
  int height = std::atoi(args[2].c_str());
  if (width <= 0 || height <= 0) throw Error(kTagBench, "WIDTH and HEIGHT must be positive");
  int zoomInSteps = args.size() == 5 ? std::atoi(args[4].c_str()) : 0;
  if (zoomInSteps < 0) throw Error(kTagBench, "ZOOM_IN_STEPS must not be negative");
  ToolkitSession toolkit("draw", width, height);
  wxFrame* frame = &toolkit.Frame();

  auto start = BenchClock::now();
  std::unique_ptr<BenchView> full = OpenView(*frame, libDir, width, height);
  double openSeconds = SecondsSince(start);
  double firstDraw = PaintCanvas(*full->canvas);
  SaveView(*full->canvas, width, height, args[3]);
  DisplaySettings settings = full->session.Settings();
  settings.cellSizeLimit = 0;
  settings.depth = int32_t(full->session.GetLibrary()->depth) + 1;
  full->session.ApplySettings(settings);
  double fullDetail = PaintCanvas(*full->canvas);
  full.reset();

  std::unique_ptr<BenchView> zoomed = OpenView(*frame, libDir, width, height);
  ZoomToMiddle(*zoomed);
  double zoomCold = PaintCanvas(*zoomed->canvas);
  SaveView(*zoomed->canvas, width, height, ImageName(args[3], "-middle"));
  zoomed->canvas->RedrawView();
  double zoomWarm = PaintCanvas(*zoomed->canvas);
  long long cells = LoadedCells(*zoomed->session.GetLibrary());
  zoomed.reset();

  if (zoomInSteps > 0) {
    std::unique_ptr<BenchView> closer = OpenView(*frame, libDir, width, height);
    PaintCanvas(*closer->canvas);
    for (int i = 0; i < zoomInSteps; ++i) closer->session.Zoomin4X();
    double zoomInSeconds = PaintCanvas(*closer->canvas);
    SaveView(*closer->canvas, width, height, ImageName(args[3], "-in"));
    std::printf("draw zoom_in_steps=%d zoom_in_seconds=%.4f\n", zoomInSteps, zoomInSeconds);
  }
  std::printf(
      "draw open_seconds=%.3f first_draw_seconds=%.3f full_detail_seconds=%.3f zoom_cold_seconds=%.4f "
      "zoom_warm_seconds=%.4f cells_loaded=%lld peak_rss_kb=%ld\n",
      openSeconds, firstDraw, fullDetail, zoomCold, zoomWarm, cells, PeakRssKb());
  return 0;
}

BenchCommandRegistrar registrar({"draw", "LIBDIR WIDTH HEIGHT OUT.bmp [ZOOM_IN_STEPS]", RunDraw});

}  // namespace
