// korvane-differential FIRST LAST [CASES_FILE [MAX_VERTICES]]: runs the cases of the seeds FIRST
// to LAST through Sizing, Merge and Subtract, checks every result with the oracle, prints the
// oracle's table and its smallest failures, and writes the cases for the peer comparison
// (tests/differential/peer_compare.py) when a file is named.
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <string>

#include "tests/differential/differential_run.h"

using namespace differential;

int main(int argc, char** argv) {
  if (argc < 3 || argc > 5) {
    std::fprintf(stderr, "usage: %s FIRST_SEED LAST_SEED [CASES_FILE [MAX_VERTICES]]\n", argv[0]);
    return 2;
  }
  const uint64_t first = std::strtoull(argv[1], nullptr, 10), last = std::strtoull(argv[2], nullptr, 10);
  const uint32_t maxVertices = argc == 5 ? uint32_t(std::strtoul(argv[4], nullptr, 10)) : 10000;
  std::ofstream cases;
  if (argc >= 4) {
    cases.open(argv[3]);
    if (!cases) {
      std::fprintf(stderr, "cannot write %s\n", argv[3]);
      return 1;
    }
  }
  OracleTally tally;
  for (uint64_t seed = first; seed <= last; ++seed) {
    for (const EditCase& edit : CasesOfSeed(seed, maxVertices)) {
      const CaseOutcome outcome = RunCase(edit);
      tally.Add(outcome);
      if (cases.is_open()) WriteCase(cases, outcome);
    }
  }
  if (cases.is_open()) {
    cases.close();
    if (!cases) {
      std::fprintf(stderr, "cannot write %s\n", argv[3]);
      return 1;
    }
  }
  tally.SortFailures();
  std::cout << tally.Table();
  for (size_t i = 0; i < tally.failed.size() && i < 10; ++i) {
    const CaseOutcome& f = tally.failed[i];
    std::cout << "  seed " << f.edit.seed << ' ' << OpName(f.edit.op) << ' ' << KindName(f.edit.kind) << " amount "
              << f.edit.amount << ", " << VertexCount(f.edit.input) << " vertices: " << f.failure << '\n';
  }
  return 0;
}
