// korvane-bench overlay-gen N POLYFILE CRITFILE writes N rectangles as a text polygon file and
// N criticality records over the same grid: a square of 10 um pitch from the origin, 5 um
// boxes, values in [0, 1).
//
// korvane-bench overlay LIBDIR POLYFILE CRITFILE (under xvfb-run) opens a library as the
// application does and times PolyIn of POLYFILE as an overlay with the full view redrawn,
// CriticalityIn of CRITFILE, and what the two overlays add to a 40 um x 40 um view at the middle
// of the shown cell (each view drawn warm, the best of several passes). The library is only
// read.
#include <wx/frame.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/korvane_bench/command.h"
#include "bench/korvane_bench/toolkit_session.h"
#include "canvas/my_canvas.h"
#include "db/error.h"
#include "db/library.h"

namespace {

constexpr int32_t kPitch = 10000;
constexpr int32_t kSide = 5000;
constexpr int kViewPasses = 7;

// The best time of several full passes over the current view, in milliseconds.
double BestViewMs(MyCanvas& canvas) {
  double best = 1e30;
  for (int i = 0; i < kViewPasses; ++i) {
    canvas.RedrawView();
    const auto start = BenchClock::now();
    PaintCanvas(canvas);
    best = std::min(best, SecondsSince(start) * 1000.0);
  }
  return best;
}

std::FILE* OpenOutput(const std::string& path) {
  std::FILE* file = std::fopen(path.c_str(), "w");
  if (!file) throw Error(kTagBench, "Cannot write " + path);
  return file;
}

void CloseOutput(std::FILE* file, const std::string& path) {
  if (std::ferror(file) != 0 || std::fclose(file) != 0) throw Error(kTagBench, "Cannot write " + path);
}

int RunOverlayGen(const std::vector<std::string>& args) {
  if (args.size() != 3) {
    std::fprintf(stderr, "usage: korvane-bench overlay-gen N POLYFILE CRITFILE\n");
    return 2;
  }
  const long long n = std::atoll(args[0].c_str());
  if (n <= 0) throw Error(kTagBench, "N must be positive");
  const long long columns = std::max(1LL, static_cast<long long>(std::ceil(std::sqrt(double(n)))));
  std::FILE* poly = OpenOutput(args[1]);
  std::FILE* crit = OpenOutput(args[2]);
  uint32_t seed = 12345;
  for (long long i = 0; i < n; ++i) {
    const int32_t x = int32_t(i % columns) * kPitch, y = int32_t(i / columns) * kPitch;
    std::fprintf(poly, "0\n%d\t%d\n%d\t%d\n", x, y, x + kSide, y + kSide);
    seed = seed * 1664525u + 1013904223u;
    std::fprintf(crit, "%d %d %d %d %.4f\n", x, y, x + kSide, y + kSide, double(seed >> 8) / double(1 << 24));
  }
  CloseOutput(poly, args[1]);
  CloseOutput(crit, args[2]);
  std::printf("overlay-gen records=%lld side_um=%.1f\n", n, double(columns) * kPitch / 1000.0);
  return 0;
}

int RunOverlay(const std::vector<std::string>& args) {
  if (args.size() != 3) {
    std::fprintf(stderr, "usage: korvane-bench overlay LIBDIR POLYFILE CRITFILE\n");
    return 2;
  }
  const int width = 1200, height = 900;
  ToolkitSession toolkit("overlay", width, height);
  BenchView bench(toolkit.Frame(), width, height);
  bench.Open(args[0]);
  ViewSession& session = bench.session;
  MyCanvas* canvas = bench.canvas;
  PaintCanvas(*canvas);

  // Without a window to ask, the layer choice is answered with Cancel: the rings become the
  // overlay.
  auto start = BenchClock::now();
  if (!session.ReadTextPolygons(args[1])) throw Error(kTagBench, "Cannot read " + args[1]);
  const double polyRead = SecondsSince(start);
  canvas->RedrawView();
  PaintCanvas(*canvas);
  const double polyIn = SecondsSince(start);
  start = BenchClock::now();
  if (!session.ReadCriticality(args[2])) throw Error(kTagBench, "Cannot read " + args[2]);
  const double critIn = SecondsSince(start);
  canvas->RedrawView();
  start = BenchClock::now();
  PaintCanvas(*canvas);
  const double fullWithBoth = SecondsSince(start);

  const Box box = session.TopCell()->box;
  const double umPerUnit = session.Settings().umPerUnit;
  session.View().CentreView(0, 0, width, height);
  const double middleX = (double(box.x1) + double(box.x2)) / 2 * umPerUnit;
  const double middleY = (double(box.y1) + double(box.y2)) / 2 * umPerUnit;
  session.ZoomToBox(middleX, middleY, 20.0);
  PaintCanvas(*canvas);
  const Box window = session.View().VisibleWindow();
  const size_t boxesInView = CriticalityBoxesIn(session.Overlays().criticality, window).size();
  const double withOverlays = BestViewMs(*canvas);
  const auto& overlayShapes = session.Overlays().cell.shapes;
  const int64_t rings = overlayShapes.empty() ? 0 : overlayShapes.begin()->second.Count();
  session.RemoveTextPolygons();
  session.RemoveCriticality();
  const double without = BestViewMs(*canvas);
  std::printf(
      "overlay cell_box=%d,%d,%d,%d rings=%lld boxes_in_view=%zu polyin_read_seconds=%.3f "
      "full_view_with_both_seconds=%.3f "
      "view_ms_with=%.2f view_ms_without=%.2f peak_rss_kb=%ld\n",
      box.x1, box.y1, box.x2, box.y2, static_cast<long long>(rings), boxesInView, polyRead, fullWithBoth, withOverlays,
      without, PeakRssKb());
  std::printf("overlay polyin_seconds=%.3f critin_seconds=%.3f view_extra_ms=%.2f\n", polyIn, critIn,
              withOverlays - without);
  return 0;
}

BenchCommandRegistrar overlayGen({"overlay-gen", "N POLYFILE CRITFILE", RunOverlayGen});
BenchCommandRegistrar overlay({"overlay", "LIBDIR POLYFILE CRITFILE", RunOverlay});

}  // namespace
