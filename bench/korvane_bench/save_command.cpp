// korvane-bench save LIBDIR: on copies of the library (the original is never written), times
// Recalculate Cells on the whole library with its peak memory, the first expansion of the top
// cell's tree item, and Save DB after one placement and one polygon went into one block cell
// (the median of several such rounds), with the bytes a save adds to the directory.
#include <algorithm>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "app/core/tree_model.h"
#include "bench/korvane_bench/command.h"
#include "bench/korvane_bench/library_copy.h"
#include "canvas/view/canvas_prompts.h"
#include "canvas/view/cell_recalculation.h"
#include "canvas/view/document.h"
#include "canvas/view/instance_commands.h"
#include "canvas/view/library_save.h"
#include "canvas/view/session_host.h"
#include "canvas/view/view_session.h"
#include "db/error.h"
#include "db/library.h"
#include "db/poly/ring_set.h"

namespace {

constexpr const char* kBlock = "BLOCK_0000";
constexpr const char* kLeaf = "LEAF_0001";
constexpr int kRounds = 9;

// Resets the peak resident set size, so that VmHWM tells the peak of what follows.
void ResetPeakRss() {
  std::ofstream clear("/proc/self/clear_refs");
  clear << "5";
}

// The answers of the Insert Inst command: the leaf by name, placed at the block's centre.
class InsertAnswers : public UnansweredPrompts {
 public:
  explicit InsertAnswers(Point at) : at_(at) {}
  std::string AskText(const std::string&, const std::string&, const std::string&) override { return kLeaf; }
  int AskChoice(const std::string&, const std::string&, const std::vector<std::string>&) override { return 0; }
  bool InstanceDialog(const std::string&, InstanceParameters& values) override {
    values.placement.x = at_.x;
    values.placement.y = at_.y;
    return true;
  }

 private:
  Point at_;
};

// The window of a view session without a window: texts go unseen, questions to the answers.
class AnsweringHost : public SessionHost {
 public:
  explicit AnsweringHost(CanvasPrompts& answers) : answers_(answers) {}
  void SetChildStatus(int, const std::string&) override {}
  void SetMainStatus(const std::string&) override {}
  int FirstSelectedLayerRow() const override { return -1; }
  void SetBusy(bool) override {}
  CanvasPrompts& Prompts() override { return answers_; }
  void RefreshLayerList() override {}
  void RedrawView() override {}
  void RefreshOverlays(const PixelRect&) override {}
  PixelRect ClientArea() const override { return PixelRect{}; }
  void ApplyScroll(const ScrollRequest&) override {}
  void ShowCursor(CursorKind) override {}

 private:
  CanvasPrompts& answers_;
};

int32_t NeedCell(const Library& lib, const char* name) {
  const int32_t id = lib.FindIndex(name);
  if (id < 0) throw Error(kTagBench, std::string("No cell ") + name);
  return id;
}

int RunSave(const std::vector<std::string>& args) {
  if (args.size() != 1) {
    std::fprintf(stderr, "usage: korvane-bench save LIBDIR\n");
    return 2;
  }
  LibraryCopy copy(args[0]);

  double recalcSeconds = 0;
  long recalcPeakKb = 0;
  {
    Library lib(copy.Path(), false);
    lib.Open();
    lib.NoteHierarchyChanged();
    ResetPeakRss();
    const auto start = BenchClock::now();
    RecalculateCells(lib);
    recalcSeconds = SecondsSince(start);
    recalcPeakKb = PeakRssKb();
  }

  double treeMs = 0;
  size_t treeChildren = 0;
  {
    Library lib(copy.Path(), false);
    lib.Open();
    if (lib.roots.empty()) throw Error(kTagBench, "No root cell");
    const auto start = BenchClock::now();
    treeChildren = ChildCells(lib, int32_t(lib.roots.front())).size();
    treeMs = SecondsSince(start) * 1000;
  }

  auto shared = std::make_shared<Library>(copy.Path(), false);
  Library& lib = *shared;
  lib.Open();
  ViewSession session;
  session.ShareDocument(std::make_shared<Document>(shared));
  const int32_t block = NeedCell(lib, kBlock);
  NeedCell(lib, kLeaf);
  Cell& cell = *lib.cells[size_t(block)];
  lib.LoadCell(cell, true);
  const Box box = cell.box;
  const Point centre(int32_t((int64_t(box.x1) + box.x2) / 2), int32_t((int64_t(box.y1) + box.y2) / 2));
  // A save takes about a millisecond: the median of several editing rounds keeps the figure
  // clear of the noise of single writes.
  std::vector<double> saves;
  uintmax_t appended = 0;
  for (int round = 0; round < kRounds; ++round) {
    const Point at(centre.x + 100 * round, centre.y);
    InsertAnswers answers(at);
    AnsweringHost host(answers);
    session.SetHost(&host);
    session.SetTopCell(block);
    if (!InsertInst(session)) throw Error(kTagBench, "Insert Inst refused");
    session.SetHost(nullptr);
    RingSet rings;
    rings.AddRectangle(Box(at.x, at.y, at.x + 1000, at.y + 500));
    const Box boxBefore = cell.box;
    cell.AddPolygonEdit(rings, MakeLayerKey(1, 0));
    lib.NoteCellEdited(cell, boxBefore);
    const uintmax_t before = copy.Bytes();
    const auto start = BenchClock::now();
    SaveLibraryChanges(lib);
    saves.push_back(SecondsSince(start));
    appended += copy.Bytes() - before;
  }
  std::sort(saves.begin(), saves.end());
  const double saveSeconds = saves[saves.size() / 2];
  appended /= kRounds;

  std::printf("tree_children=%zu recalc_cells=%lld\n", treeChildren, static_cast<long long>(lib.cells.size()));
  std::printf("save seconds=%.6f bytes_appended=%llu recalc_seconds=%.3f recalc_peak_rss_kb=%ld tree_expand_ms=%.2f\n",
              saveSeconds, static_cast<unsigned long long>(appended), recalcSeconds, recalcPeakKb, treeMs);
  return 0;
}

BenchCommandRegistrar registrar({"save", "LIBDIR", RunSave});

}  // namespace
