// korvane-bench extract LIBDIR KIND X1 Y1 X2 Y2 OUT: opens the library and extracts from its
// first root cell the window (database units) as KIND: gds-hier, gds-flat, oas-hier, oas-flat
// or text. "-" in place of X1 (and of the other corners) takes the cell's whole box. Times the
// opening and the extraction together, as a tool that reads the layout file would be timed.
#include <sys/stat.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "bench/korvane_bench/command.h"
#include "canvas/jobs/extraction.h"
#include "canvas/jobs/library_jobs.h"
#include "canvas/view/opened_library.h"
#include "db/error.h"
#include "db/library.h"

namespace {

struct Kind {
  int type;
  bool flat;
};

const std::map<std::string, Kind> kKinds = {
    {"gds-hier", {kExtractGds, false}},  {"gds-flat", {kExtractGds, true}}, {"oas-hier", {kExtractOasis, false}},
    {"oas-flat", {kExtractOasis, true}}, {"text", {kExtractText, true}},
};

int32_t Coordinate(const std::string& text) {
  char* end = nullptr;
  const long long v = std::strtoll(text.c_str(), &end, 10);
  if (text.empty() || *end || v < INT32_MIN || v > INT32_MAX) throw Error(kTagBench, "Bad coordinate " + text);
  return int32_t(v);
}

int RunExtract(const std::vector<std::string>& args) {
  const bool whole = args.size() >= 3 && args[2] == "-";
  if (!(args.size() == 7 || (whole && args.size() == 4)) || !kKinds.count(args[1])) {
    std::fprintf(stderr,
                 "usage: korvane-bench extract LIBDIR gds-hier|gds-flat|oas-hier|oas-flat|text X1 Y1 X2 Y2 OUT\n");
    return 2;
  }
  const Kind kind = kKinds.at(args[1]);
  const std::string& out = args.back();
  const auto start = std::chrono::steady_clock::now();
  Library library(args[0], false);
  library.Open();
  const int32_t top = FinishLibraryOpen(library).topCellId;
  if (top < 0) throw Error(kTagBench, "Library has no root cell");
  const Box& box = library.GetCell(top)->box;
  const Box window =
      whole ? box : Box(Coordinate(args[2]), Coordinate(args[3]), Coordinate(args[4]), Coordinate(args[5]));
  std::printf("top %s box %d %d %d %d\n", library.GetCell(top)->Name(), box.x1, box.y1, box.x2, box.y2);
  int64_t cells = kind.type == kExtractText ? 0 : 1;
  if (kind.flat) {
    ExtractFlat(library, uint32_t(top), window, kind.type, {}, out);
  } else {
    cells = ExtractHierarchical(library, uint32_t(top), window, kind.type, {}, out);
  }
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  struct stat info;
  const long long bytes = stat(out.c_str(), &info) == 0 ? (long long)info.st_size : 0;
  std::printf("extract seconds=%.3f bytes=%lld cells=%lld\n", seconds, bytes, (long long)cells);
  return 0;
}

const BenchCommandRegistrar registrar({"extract", "LIBDIR KIND X1 Y1 X2 Y2 OUT", RunExtract});

}  // namespace
