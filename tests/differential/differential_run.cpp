#include "tests/differential/differential_run.h"

#include <algorithm>
#include <sstream>

#include "canvas/view/polygon_commands.h"
#include "db/error.h"
#include "db/poly/ring_set.h"
#include "tests/db/poly/ring_test_util.h"
#include "tests/differential/edit_oracle.h"

namespace differential {

namespace {

RingSet ToRingSet(const std::vector<Ring>& rings) {
  RingSet set;
  for (const Ring& ring : rings) set.AddRing(ring.data(), uint32_t(ring.size()));
  return set;
}

void WriteRings(std::ostream& out, const char* label, const std::vector<Ring>& rings) {
  out << label << ' ' << rings.size() << '\n';
  for (const Ring& ring : rings) {
    out << ring.size();
    for (const Point& p : ring) out << ' ' << p.x << ' ' << p.y;
    out << '\n';
  }
}

}  // namespace

CaseOutcome RunCase(const EditCase& edit) {
  CaseOutcome outcome;
  outcome.edit = edit;
  try {
    RingSet rings = ToRingSet(edit.input);
    switch (edit.op) {
      case EditOp::kSize: outcome.result = ringtest::ExtractRings(SizedOutline(rings, edit.amount)); break;
      case EditOp::kMerge: outcome.result = ringtest::ExtractRings(MergeRings(rings)); break;
      case EditOp::kSubtract: outcome.result = ringtest::ExtractRings(SubtractRectangle(rings, edit.area)); break;
    }
  } catch (const Error& error) {
    outcome.error = ErrorLine(error);
    outcome.error.pop_back();
    outcome.failure = outcome.error;
    return outcome;
  }
  outcome.failure = OracleFailure(edit, outcome.result);
  return outcome;
}

void WriteCase(std::ostream& out, const CaseOutcome& outcome) {
  const EditCase& edit = outcome.edit;
  const Box& r = edit.area;
  const bool hasArea = edit.op == EditOp::kSubtract;
  out << "case " << edit.seed << ' ' << OpName(edit.op) << ' ' << KindName(edit.kind) << ' ' << edit.amount << ' '
      << (hasArea ? r.x1 : 0) << ' ' << (hasArea ? r.y1 : 0) << ' ' << (hasArea ? r.x2 : 0) << ' '
      << (hasArea ? r.y2 : 0) << '\n';
  if (outcome.failure.empty()) {
    out << "oracle ok\n";
  } else {
    out << "oracle fail " << outcome.failure << '\n';
  }
  WriteRings(out, "input", edit.input);
  WriteRings(out, "result", outcome.result);
}

size_t VertexCount(const std::vector<Ring>& rings) {
  size_t n = 0;
  for (const Ring& ring : rings) n += ring.size();
  return n;
}

void OracleTally::Add(const CaseOutcome& outcome) {
  const size_t op = size_t(outcome.edit.op);
  ++cases[op];
  if (outcome.failure.empty()) return;
  ++failures[op];
  failed.push_back(outcome);
  if (failed.size() >= 2 * kKeptFailures) {
    SortFailures();
    failed.resize(kKeptFailures);
  }
}

void OracleTally::SortFailures() {
  std::stable_sort(failed.begin(), failed.end(), [](const CaseOutcome& a, const CaseOutcome& b) {
    return VertexCount(a.edit.input) < VertexCount(b.edit.input);
  });
}

std::string OracleTally::Table() const {
  std::ostringstream out;
  out << "oracle     cases    failed\n";
  for (EditOp op : {EditOp::kSize, EditOp::kMerge, EditOp::kSubtract}) {
    out.width(8);
    out << std::left << OpName(op) << std::right;
    out.width(8);
    out << cases[size_t(op)];
    out.width(10);
    out << failures[size_t(op)] << '\n';
  }
  return out.str();
}

}  // namespace differential
