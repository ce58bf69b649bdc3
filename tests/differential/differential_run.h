#pragma once

// Runs the cases of the differential test through the polygon edit commands' geometry, checks
// each result with the oracle and writes cases and results for the peer comparison.

#include <array>
#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "tests/differential/polygon_cases.h"

namespace differential {

struct CaseOutcome {
  EditCase edit;
  std::vector<Ring> result;
  // The "ERROR: TAG: message" line of an Error the operation threw; empty for none.
  std::string error;
  // The oracle's objection (or the error); empty when the result passed.
  std::string failure;
};

// Runs the case as the Sizing, Merge or Subtract command runs its rings, then the oracle.
CaseOutcome RunCase(const EditCase& edit);

// One case a record of lines, integers separated by blanks:
//   case SEED OP KIND AMOUNT X1 Y1 X2 Y2
//   oracle ok | oracle fail MESSAGE
//   input RINGS, then per ring: N X1 Y1 ... XN YN
//   result RINGS, then the rings likewise
void WriteCase(std::ostream& out, const CaseOutcome& outcome);

// Cases and oracle failures per operation.
struct OracleTally {
  std::array<uint64_t, 3> cases{}, failures{};
  // Some of the failing cases (at least the kKeptFailures with the fewest input vertices),
  // fewest first once sorted.
  static constexpr size_t kKeptFailures = 20;
  std::vector<CaseOutcome> failed;
  void Add(const CaseOutcome& outcome);
  void SortFailures();
  std::string Table() const;
};

size_t VertexCount(const std::vector<Ring>& rings);

}  // namespace differential
