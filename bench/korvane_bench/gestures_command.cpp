// korvane-bench gestures LIBDIR WIDTH HEIGHT (under xvfb-run): opens a library as the
// application does and times, on a WIDTH x HEIGHT canvas, the full view drawn with cell
// images against the same view with Accurate Draw, once with the default settings and once in
// full detail (cell-size limit 0, every level), the pictures compared pixel by pixel; then a
// browsing script from the full view: six zoom-box steps into the middle of the shown cell,
// a Go to and a full view, each step's time on its own line. The last line gives the full
// detail figures (the default settings draw no cell through an image) and the gesture figures.
#include <wx/dcmemory.h>
#include <wx/frame.h>
#include <wx/image.h>

#include <algorithm>
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

// Warm passes are timed this many times and the fastest is kept: the machine is shared.
constexpr int kWarmRuns = 3;

double FastestRedraw(BenchView& bench) {
  double best = 0;
  for (int i = 0; i < kWarmRuns; ++i) {
    bench.canvas->RedrawView();
    double seconds = PaintCanvas(*bench.canvas);
    best = i == 0 ? seconds : std::min(best, seconds);
  }
  return best;
}

// Percentage of pixels that differ between two pictures of one size.
double DifferPercent(const wxImage& a, const wxImage& b) {
  int64_t pixels = int64_t(a.GetWidth()) * a.GetHeight();
  if (pixels == 0 || a.GetWidth() != b.GetWidth() || a.GetHeight() != b.GetHeight()) return 100.0;
  const unsigned char* p = a.GetData();
  const unsigned char* q = b.GetData();
  int64_t differ = 0;
  for (int64_t i = 0; i < pixels; ++i, p += 3, q += 3) differ += p[0] != q[0] || p[1] != q[1] || p[2] != q[2];
  return 100.0 * double(differ) / double(pixels);
}

// Percentage of the pixels of a drawn in a colour that b has nowhere within one pixel: what
// moved further than an image's rounding of its placement moves it.
double UnmatchedPercent(const wxImage& a, const wxImage& b) {
  const int w = a.GetWidth();
  const int h = a.GetHeight();
  if (w == 0 || h == 0 || w != b.GetWidth() || h != b.GetHeight()) return 100.0;
  const unsigned char* p = a.GetData();
  const unsigned char* q = b.GetData();
  int64_t unmatched = 0;
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      const unsigned char* c = p + (int64_t(y) * w + x) * 3;
      if ((c[0] | c[1] | c[2]) == 0) continue;
      bool found = false;
      for (int v = std::max(y - 1, 0); v <= std::min(y + 1, h - 1) && !found; ++v) {
        for (int u = std::max(x - 1, 0); u <= std::min(x + 1, w - 1) && !found; ++u) {
          const unsigned char* d = q + (int64_t(v) * w + u) * 3;
          found = c[0] == d[0] && c[1] == d[1] && c[2] == d[2];
        }
      }
      unmatched += !found;
    }
  }
  return 100.0 * double(unmatched) / (double(w) * h);
}

struct ImageFigures {
  double imagesSeconds = 0;
  double accurateSeconds = 0;
  double differPercent = 0;
  double unmatchedPercent = 0;
  double shiftedPercent = 0;
};

// The current view warm with Accurate Draw, then with images; Accurate Draw is left off.
ImageFigures CompareWithAccurate(BenchView& bench) {
  DisplaySettings settings = bench.session.Settings();
  ImageFigures figures;
  // Accurate first: the first passes after a change of settings also warm what both share.
  settings.accurateDraw = 1;
  bench.session.ApplySettings(settings);
  figures.accurateSeconds = FastestRedraw(bench);
  wxImage accurate = bench.canvas->DrawnImage().ConvertToImage();
  // The same view a third of a pixel to the left and down: how much two accurate renderings
  // that differ only in where the pixel edges fall disagree.
  const ViewBox box = bench.session.View().viewBox;
  double unitsPerPixel = 1.0 / std::max(bench.session.View().PixelsPerUnit(), 1e-12);
  bench.session.View().viewBox.x = int32_t(box.x + unitsPerPixel / 3);
  bench.session.View().viewBox.y = int32_t(box.y + unitsPerPixel / 3);
  bench.canvas->RedrawView();
  PaintCanvas(*bench.canvas);
  figures.shiftedPercent = DifferPercent(bench.canvas->DrawnImage().ConvertToImage(), accurate);
  bench.session.View().viewBox = box;
  settings.accurateDraw = 0;
  bench.session.ApplySettings(settings);
  figures.imagesSeconds = FastestRedraw(bench);
  wxImage withImages = bench.canvas->DrawnImage().ConvertToImage();
  figures.differPercent = DifferPercent(withImages, accurate);
  figures.unmatchedPercent = UnmatchedPercent(withImages, accurate);
  return figures;
}

// The browsing script from the full view, a line per step.
void Browse(BenchView& bench) {
  const Box& box = bench.session.TopCell()->box;
  double um = bench.session.Settings().umPerUnit;
  double x = (double(box.x1) + double(box.x2)) / 2 * um;
  double y = (double(box.y1) + double(box.y2)) / 2 * um;
  double halfWidth = double(std::max(box.Width(), box.Height())) / 2 * um;
  bench.session.Zoomout();
  PaintCanvas(*bench.canvas);
  for (int step = 1; step <= 6; ++step) {
    // Each zoom box is a quarter of the side of the one before, around the same point.
    halfWidth /= 4;
    bench.session.ZoomToBox(x, y, halfWidth);
    std::printf("gestures step=%d action=zoom_box half_width_um=%.3f seconds=%.4f\n", step, halfWidth,
                PaintCanvas(*bench.canvas));
  }
  // Go to: a 4 um square at the point typed.
  bench.session.ZoomToBox(x, y, 2);
  std::printf("gestures step=7 action=go_to seconds=%.4f\n", PaintCanvas(*bench.canvas));
  bench.session.Zoomout();
  std::printf("gestures step=8 action=full_view seconds=%.4f\n", PaintCanvas(*bench.canvas));
}

struct GestureFigures {
  double pickFullMs = -1;
  double pickZoomMs = -1;
  double rubberStepMs = -1;
  long long rubberPasses = -1;
};

// The centres of the count 16 x 16 pixel tiles of the canvas's last drawn scene that hold the
// most pixels that are not black: where the most is drawn. In scrolled pixels, as the gestures
// take them.
std::vector<wxPoint> DensestSpots(BenchView& bench, size_t count) {
  const wxImage scene = bench.canvas->DrawnImage().ConvertToImage();
  constexpr int kTile = 16;
  const int columns = std::max(scene.GetWidth() / kTile, 1);
  const int rows = std::max(scene.GetHeight() / kTile, 1);
  std::vector<int> counts(size_t(columns) * rows, 0);
  const unsigned char* p = scene.GetData();
  for (int y = 0; y < scene.GetHeight(); ++y) {
    for (int x = 0; x < scene.GetWidth(); ++x, p += 3) {
      if ((p[0] | p[1] | p[2]) == 0) continue;
      ++counts[size_t(std::min(y / kTile, rows - 1)) * columns + std::min(x / kTile, columns - 1)];
    }
  }
  std::vector<size_t> order(counts.size());
  for (size_t i = 0; i < order.size(); ++i) order[i] = i;
  count = std::min(count, order.size());
  std::partial_sort(order.begin(), order.begin() + std::ptrdiff_t(count), order.end(),
                    [&counts](size_t a, size_t b) { return counts[a] > counts[b]; });
  std::vector<wxPoint> spots;
  for (size_t i = 0; i < count; ++i) {
    wxPoint tile(int(order[i] % columns) * kTile + kTile / 2, int(order[i] / columns) * kTile + kTile / 2);
    spots.push_back(bench.canvas->CalcUnscrolledPosition(tile));
  }
  return spots;
}

MouseEvent GestureAt(MouseKind kind, const wxPoint& at) {
  MouseEvent event;
  event.kind = kind;
  event.x = at.x;
  event.y = at.y;
  event.rightIsDown = kind == MouseKind::kRightDown || kind == MouseKind::kMotion;
  return event;
}

// A double-click pick at a point, warm: the first pick loads what it reaches, the fastest of
// the timed ones counts.
double PickMilliseconds(BenchView& bench, const wxPoint& at) {
  bench.session.HandleMouse(GestureAt(MouseKind::kLeftDClick, at));
  double best = -1;
  for (int i = 0; i < kWarmRuns; ++i) {
    auto start = BenchClock::now();
    bench.session.HandleMouse(GestureAt(MouseKind::kLeftDClick, at));
    double ms = SecondsSince(start) * 1000;
    best = best < 0 ? ms : std::min(best, ms);
  }
  std::printf("gestures pick at=%d,%d selected=%s ms=%.3f\n", at.x, at.y,
              bench.session.Edit().HasSelection() ? "yes" : "no", best);
  bench.session.ClearSelection();
  return best;
}

// The slowest warm pick among the densest spots of the current view.
double DensestPickMilliseconds(BenchView& bench) {
  double slowest = 0;
  for (const wxPoint& at : DensestSpots(bench, 8)) slowest = std::max(slowest, PickMilliseconds(bench, at));
  return slowest;
}

// The figures of the mouse gestures on the canvas's full view: the slowest double-click pick
// among its densest spots and among those of a 40 um view around the densest, the mean time of
// one motion step of a rubber box over the whole view (the gesture and the paint that follows
// it), and the drawing passes that the steps caused.
GestureFigures MeasureGestures(BenchView& bench) {
  GestureFigures figures;
  bench.session.Zoomout();
  PaintCanvas(*bench.canvas);
  figures.pickFullMs = DensestPickMilliseconds(bench);
  const wxPoint full = DensestSpots(bench, 1).front();
  const double um = bench.session.Settings().umPerUnit;
  bench.session.ZoomToBox(bench.session.View().ScreenToDBX(full.x) * um, bench.session.View().ScreenToDBY(full.y) * um,
                          20);
  PaintCanvas(*bench.canvas);
  figures.pickZoomMs = DensestPickMilliseconds(bench);

  bench.session.Zoomout();
  PaintCanvas(*bench.canvas);
  int cw = 0;
  int ch = 0;
  bench.canvas->GetClientSize(&cw, &ch);
  wxBitmap target(cw, ch, 24);
  wxMemoryDC dc(target);
  bench.canvas->DoPrepareDC(dc);
  const int64_t passes = bench.canvas->SceneDrawCount();
  const wxPoint corner(10, 10);
  bench.session.HandleMouse(GestureAt(MouseKind::kRightDown, corner));
  constexpr int kSteps = 50;
  auto start = BenchClock::now();
  for (int i = 0; i < kSteps; ++i) {
    bench.session.HandleMouse(GestureAt(MouseKind::kMotion, wxPoint(cw - 10 - 3 * i, ch - 10 - 2 * i)));
    bench.canvas->OnDraw(dc);
  }
  figures.rubberStepMs = SecondsSince(start) * 1000 / kSteps;
  figures.rubberPasses = bench.canvas->SceneDrawCount() - passes;
  // Released where it was pressed: a click, which neither zooms nor inserts.
  MouseEvent release = GestureAt(MouseKind::kRightUp, corner);
  release.rightIsDown = false;
  bench.session.HandleMouse(release);
  return figures;
}

// A figure in milliseconds, or -1 for one not measured.
std::string Milliseconds(double ms) {
  if (ms < 0) return "-1";
  char text[32];
  std::snprintf(text, sizeof text, "%.3f", ms);
  return text;
}

int RunGestures(const std::vector<std::string>& args) {
  if (args.size() != 3) {
    std::fprintf(stderr, "usage: korvane-bench gestures LIBDIR WIDTH HEIGHT\n");
    return 2;
  }
  const std::string& libDir = args[0];
  int width = std::atoi(args[1].c_str());
  int height = std::atoi(args[2].c_str());
  if (width <= 0 || height <= 0) throw Error(kTagBench, "WIDTH and HEIGHT must be positive");
  ToolkitSession toolkit("gestures", width, height);
  BenchView bench(toolkit.Frame(), width, height);
  bench.Open(libDir);
  std::printf("gestures cold_first_view_seconds=%.3f\n", PaintCanvas(*bench.canvas));

  ImageFigures defaults = CompareWithAccurate(bench);
  std::printf(
      "gestures default_settings images_seconds=%.4f accurate_seconds=%.4f differ_percent=%.3f "
      "accurate_shifted_differ_percent=%.3f\n",
      defaults.imagesSeconds, defaults.accurateSeconds, defaults.differPercent, defaults.shiftedPercent);
  DisplaySettings userSettings = bench.session.Settings();
  DisplaySettings fullDetail = userSettings;
  fullDetail.cellSizeLimit = 0;
  fullDetail.depth = int32_t(bench.session.GetLibrary()->depth) + 1;
  bench.session.ApplySettings(fullDetail);
  ImageFigures detail = CompareWithAccurate(bench);
  std::printf(
      "gestures full_detail images_seconds=%.4f accurate_seconds=%.4f differ_percent=%.3f unmatched_percent=%.3f "
      "accurate_shifted_differ_percent=%.3f ratio=%.3f\n",
      detail.imagesSeconds, detail.accurateSeconds, detail.differPercent, detail.unmatchedPercent,
      detail.shiftedPercent, detail.imagesSeconds / std::max(detail.accurateSeconds, 1e-9));
  bench.session.ApplySettings(userSettings);

  Browse(bench);
  GestureFigures gestures = MeasureGestures(bench);
  std::printf(
      "gestures images_seconds=%.4f accurate_seconds=%.4f differ_percent=%.3f pick_full_ms=%s pick_zoom_ms=%s "
      "rubber_step_ms=%s rubber_passes=%lld\n",
      detail.imagesSeconds, detail.accurateSeconds, detail.differPercent, Milliseconds(gestures.pickFullMs).c_str(),
      Milliseconds(gestures.pickZoomMs).c_str(), Milliseconds(gestures.rubberStepMs).c_str(), gestures.rubberPasses);
  return 0;
}

BenchCommandRegistrar registrar({"gestures", "LIBDIR WIDTH HEIGHT", RunGestures});

}  // namespace
