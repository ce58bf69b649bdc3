// korvane-bench edit LIBDIR (under xvfb-run): times the edit commands on a copy of the library
// (the original is never written): Merge Polygons over the whole of the largest layer of the
// cell with the most shapes, against the polygon engine's merge of the same rings alone;
// Insert Polygon into that cell followed by the redraw of a 40 um view at its middle, warm;
// and Sizing a selected polygon of 10,000 vertices by 50 nm.
#include <wx/frame.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/korvane_bench/command.h"
#include "bench/korvane_bench/library_copy.h"
#include "bench/korvane_bench/toolkit_session.h"
#include "canvas/my_canvas.h"
#include "canvas/view/canvas_prompts.h"
#include "canvas/view/polygon_commands.h"
#include "db/error.h"
#include "db/library.h"
#include "db/poly/ring_set.h"

namespace {

// Answers every text question with one answer.
class FixedAnswer : public UnansweredPrompts {
 public:
  explicit FixedAnswer(std::string answer) : answer_(std::move(answer)) {}
  std::string AskText(const std::string&, const std::string&, const std::string&) override { return answer_; }

 private:
  std::string answer_;
};

// The shell of the bench's canvas: the layer row the list shows selected (none unless set), and
// every text question answered with "50".
class BenchShell : public CanvasHost {
 public:
  void SetChildStatus(int, const std::string&) override {}
  void SetMainStatus(const std::string&) override {}
  int FirstSelectedLayerRow() const override { return layerRow; }
  void SetBusy(bool) override {}
  CanvasPrompts& Prompts() override { return fifty; }
  void RefreshLayerList() override {}

  int layerRow = -1;
  FixedAnswer fifty{"50"};
};

// The loaded cell with the most shapes, and its largest layer.
struct BusiestCell {
  uint32_t id = 0;
  LayerKey layer = 0;
  uint64_t shapes = 0;
  uint64_t layerShapes = 0;
};

uint64_t Positions(const ShapeGroupList& list) {
  uint64_t n = 0;
  for (const ShapeGroup* g = list.Head(); g; g = g->next) n += g->positionCount;
  return n;
}

BusiestCell FindBusiestCell(Library& lib) {
  BusiestCell best;
  for (uint32_t id = 0; id < lib.cells.size(); ++id) {
    Cell& cell = *lib.cells[id];
    lib.LoadCell(cell, false);
    uint64_t total = 0;
    LayerKey layer = 0;
    uint64_t layerShapes = 0;
    for (const auto& entry : cell.shapes) {
      const uint64_t n = Positions(entry.second);
      total += n;
      if (n > layerShapes) {
        layerShapes = n;
        layer = entry.first;
      }
    }
    if (total > best.shapes) best = BusiestCell{id, layer, total, layerShapes};
    cell.Clear();
  }
  if (best.shapes == 0) throw Error(kTagBench, "The library holds no shapes");
  return best;
}

int RowOf(const Library& lib, LayerKey key) {
  int row = 0;
  for (const auto& entry : lib.layerMap) {
    if (entry.first == key) return row;
    ++row;
  }
  throw Error(kTagBench, "Layer missing from the layer table");
}

// A staircase of vertexCount vertices (a multiple of 4): steps of 20 x 20 up and to the right,
// closed back along the bottom and the left.
void AddStaircase(RingSet& rings, int32_t x0, int32_t y0, uint32_t vertexCount) {
  std::vector<Point> points;
  const uint32_t steps = (vertexCount - 2) / 2;
  int32_t x = x0;
  int32_t y = y0;
  points.emplace_back(x, y);
  for (uint32_t i = 0; i < steps; ++i) {
    y += 20;
    points.emplace_back(x, y);
    x += 20;
    points.emplace_back(x, y);
  }
  points.emplace_back(x, y0);
  rings.AddRing(points.data(), uint32_t(points.size()));
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

int RunEdit(const std::vector<std::string>& args) {
  if (args.size() != 1) {
    std::fprintf(stderr, "usage: korvane-bench edit LIBDIR\n");
    return 2;
  }
  LibraryCopy copy(args[0]);
  ToolkitSession toolkit("edit", 800, 600);
  BenchView bench(toolkit.Frame(), 800, 600);
  bench.Open(copy.Path());
  ViewSession& session = bench.session;
  MyCanvas* canvas = bench.canvas;
  Library& lib = *session.GetLibrary();
  const BusiestCell busiest = FindBusiestCell(lib);
  session.SetTopCell(int32_t(busiest.id));
  Cell& cell = *session.TopCell();
  lib.LoadCell(cell, true);
  std::printf("edit cell=%s shapes=%llu merge_layer=%u/%u merge_shapes=%llu\n", cell.Name(),
              (unsigned long long)busiest.shapes, busiest.layer >> 8, busiest.layer & 0xff,
              (unsigned long long)busiest.layerShapes);

  // The engine alone: the layer's rings, oriented, merged and cleaned.
  double engineSeconds = 0;
  {
    RingSet rings;
    cell.shapes.at(busiest.layer).ToRings(rings);
    const auto start = BenchClock::now();
    rings.NormalizeOrientation();
    RingSet merged;
    rings.Boolean(&merged, kBooleanMerge, false);
    merged.Boolean(nullptr, kBooleanCutHoles, false);
    engineSeconds = SecondsSince(start);
  }
  BenchShell shell;
  canvas->SetHost(&shell);
  shell.layerRow = RowOf(lib, busiest.layer);
  auto start = BenchClock::now();
  const EditOutcome merged = MergePolygons(session);
  shell.layerRow = -1;
  const double mergeSeconds = SecondsSince(start);
  if (!merged.errorLine.empty()) throw Error(kTagBench, merged.errorLine);

  // Insert, then the redraw of the 40 um view, after a first redraw that loads what it shows.
  const Box& box = cell.box;
  const double cx = (double(box.x1) + double(box.x2)) / 2;
  const double cy = (double(box.y1) + double(box.y2)) / 2;
  int cw = 0;
  int ch = 0;
  canvas->GetClientSize(&cw, &ch);
  session.View().CentreView(0, 0, cw, ch);
  session.ZoomToBox(cx * session.Settings().umPerUnit, cy * session.Settings().umPerUnit, 20.0);
  PaintCanvas(*canvas);
  for (int i = 0; i < 3; ++i) {
    canvas->RedrawView();
    auto t0 = BenchClock::now();
    PaintCanvas(*canvas);
    std::printf("redraw_only_ms=%.2f\n", SecondsSince(t0) * 1000);
  }
  std::vector<double> insertMs;
  std::vector<double> insertRedrawMs;
  std::vector<double> redrawMs;
  for (int i = 0; i < 7; ++i) {
    const int32_t x = int32_t(cx) + 100 * i;
    session.Edit().Cancel();
    session.Edit().selectionRing.AddRectangle(Box(x, int32_t(cy), x + 50, int32_t(cy) + 70));
    session.Edit().editLayer = lib.layerMap.begin()->first;
    start = BenchClock::now();
    session.InsertPolygon();
    insertMs.push_back(SecondsSince(start) * 1000);
    PaintCanvas(*canvas);
    insertRedrawMs.push_back(SecondsSince(start) * 1000);
    // The same view drawn again with no edit: what the redraw costs by itself.
    canvas->RedrawView();
    start = BenchClock::now();
    PaintCanvas(*canvas);
    redrawMs.push_back(SecondsSince(start) * 1000);
  }

  // Sizing a selected polygon of 10,000 vertices.
  std::vector<double> sizingMs;
  for (int i = 0; i < 5; ++i) {
    session.Edit().Cancel();
    AddStaircase(session.Edit().selectionRing, 0, 0, 10000);
    start = BenchClock::now();
    const EditOutcome sized = SizingPolygon(session);
    sizingMs.push_back(SecondsSince(start) * 1000);
    if (!sized.errorLine.empty()) throw Error(kTagBench, sized.errorLine);
  }
  session.Edit().Cancel();
  canvas->SetHost(nullptr);
  std::printf("edit insert_ms=%.2f redraw_ms=%.1f\n", Median(insertMs), Median(redrawMs));
  std::printf("edit merge_seconds=%.3f engine_merge_seconds=%.3f insert_redraw_ms=%.1f sizing_ms=%.1f\n", mergeSeconds,
              engineSeconds, Median(insertRedrawMs), Median(sizingMs));
  return 0;
}

BenchCommandRegistrar registrar({"edit", "LIBDIR", RunEdit});

}  // namespace
