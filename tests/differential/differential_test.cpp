#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "tests/differential/differential_run.h"
#include "tests/differential/edit_oracle.h"
#include "tests/differential/ring_checks.h"

namespace {

using namespace differential;

// A fixed seed set small enough for the sanitizer build: six cases per seed.
constexpr uint64_t kFirstSeed = 1;
constexpr uint64_t kLastSeed = 50;
constexpr uint32_t kMaxVertices = 1500;

const std::vector<CaseOutcome>& Outcomes() {
  static const std::vector<CaseOutcome> outcomes = [] {
    std::vector<CaseOutcome> all;
    for (uint64_t seed = kFirstSeed; seed <= kLastSeed; ++seed) {
      for (const EditCase& edit : CasesOfSeed(seed, kMaxVertices)) all.push_back(RunCase(edit));
    }
    return all;
  }();
  return outcomes;
}

void ExpectOracleKeptFor(EditOp op) {
  int failures = 0;
  for (const CaseOutcome& outcome : Outcomes()) {
    if (outcome.edit.op != op || outcome.failure.empty()) continue;
    if (++failures <= 5) {
      ADD_FAILURE() << "seed " << outcome.edit.seed << ' ' << KindName(outcome.edit.kind) << " amount "
                    << outcome.edit.amount << ": " << outcome.failure;
    }
  }
  EXPECT_EQ(failures, 0);
}

// The faults the peer comparison finds among the cases of ops ("size", "merge,subtract").
void ExpectPeerFindsNoFault(const std::string& ops) {
  if (std::system("command -v klayout >/dev/null 2>&1") != 0) {
    GTEST_SKIP() << "klayout is not on PATH: the comparison with the peer is skipped";
  }
  const std::string cases = testing::TempDir() + "differential_cases_" + ops + ".txt";
  const std::string report = cases + ".report";
  {
    std::ofstream out(cases);
    for (const CaseOutcome& outcome : Outcomes()) WriteCase(out, outcome);
    ASSERT_TRUE(out.good());
  }
  const std::string command = "klayout -b -r " KORVANE_TEST_DATA "/differential/peer_compare.py -rd cases=" + cases +
                              " -rd ops=" + ops + " >" + report + " 2>&1";
  ASSERT_EQ(std::system(command.c_str()), 0) << command;
  std::ifstream in(report);
  std::string line, tallied;
  int tallies = 0;
  while (std::getline(in, line)) {
    std::istringstream fields(line);
    std::string kind, op;
    uint64_t cases = 0, identical = 0, rounding = 0, rule = 0, fault = 0;
    fields >> kind;
    if (kind == "fault") ADD_FAILURE() << line;
    if (kind != "tally") continue;
    fields >> op >> cases >> identical >> rounding >> rule >> fault;
    tallies += ops.find(op) != std::string::npos && cases > 0;
    EXPECT_EQ(fault, 0u) << line;
  }
  EXPECT_GT(tallies, 0) << "no tally read from " << report;
  std::remove(cases.c_str());
  std::remove(report.c_str());
}

TEST(EditDifferential, MergeKeepsTheOracle) { ExpectOracleKeptFor(EditOp::kMerge); }
TEST(EditDifferential, SubtractKeepsTheOracle) { ExpectOracleKeptFor(EditOp::kSubtract); }
TEST(EditDifferential, SizingKeepsTheOracle) { ExpectOracleKeptFor(EditOp::kSize); }

TEST(EditDifferential, PeerFindsNoFaultInMergeAndSubtract) { ExpectPeerFindsNoFault("merge,subtract"); }
TEST(EditDifferential, PeerFindsNoFaultInSizing) { ExpectPeerFindsNoFault("size"); }

}  // namespace

// The oracle itself must catch what a broken operation would give.
struct EditOracleTest : testing::Test {
  static Ring Square(int32_t lo, int32_t hi) { return {{lo, lo}, {hi, lo}, {hi, hi}, {lo, hi}}; }
  static EditCase Sizing(int32_t amount) {
    EditCase edit;
    edit.input = {Square(0, 1000)};
    edit.amount = amount;
    return edit;
  }
};

TEST_F(EditOracleTest, PassesExactSizingAndCatchesOutlinesShortOrBeyondTheAmount) {
  EXPECT_EQ(OracleFailure(Sizing(100), {Square(-100, 1100)}), "");
  EXPECT_EQ(OracleFailure(Sizing(-100), {Square(100, 900)}), "");
  EXPECT_NE(OracleFailure(Sizing(100), {Square(-97, 1097)}), "");
  EXPECT_NE(OracleFailure(Sizing(100), {Square(-200, 1200)}), "");
  EXPECT_NE(OracleFailure(Sizing(-100), {Square(103, 897)}), "");
  // Shrunk past its width the square leaves nothing, and anything left is wrong.
  EXPECT_EQ(OracleFailure(Sizing(-600), {}), "");
  EXPECT_NE(OracleFailure(Sizing(-600), {Square(499, 501)}), "");
}

TEST_F(EditOracleTest, CatchesCrossingAndClockwiseRingsButAcceptsACutHole) {
  EXPECT_NE(OracleFailure(Sizing(100), {{{-100, -100}, {1100, 1100}, {1100, -100}, {-100, 1100}}}), "");
  Ring clockwise = Square(-100, 1100);
  std::reverse(clockwise.begin(), clockwise.end());
  EXPECT_NE(OracleFailure(Sizing(100), {clockwise}), "");
  // The square grown around a hole, the hole cut open to the outline above it by a double edge
  // that runs on along the hole's left side.
  EditCase framed = Sizing(10);
  framed.input = {{{0, 0}, {100, 0}, {100, 100}, {0, 100}, {0, 0}, {30, 30}, {30, 70}, {70, 70}, {70, 30}, {30, 30}}};
  const Ring cut{{-10, -10}, {110, -10}, {110, 110}, {20, 110}, {20, 80},
                 {80, 80},   {80, 20},   {20, 20},   {20, 110}, {-10, 110}};
  EXPECT_EQ(RingsProblem({cut}), "");
  EXPECT_EQ(OutlineEdges({cut}).size(), 9u);
}

TEST_F(EditOracleTest, MergeAndSubtractMustFollowTheirRule) {
  EditCase merge;
  merge.op = EditOp::kMerge;
  merge.input = {Square(0, 100), Square(50, 150)};
  const Ring united{{0, 0}, {100, 0}, {100, 50}, {150, 50}, {150, 150}, {50, 150}, {50, 100}, {0, 100}};
  EXPECT_EQ(OracleFailure(merge, {united}), "");
  EXPECT_NE(OracleFailure(merge, {Square(0, 100)}), "");
  EditCase subtract;
  subtract.op = EditOp::kSubtract;
  subtract.input = {Square(0, 100)};
  subtract.area = Box(50, -10, 110, 110);
  EXPECT_EQ(OracleFailure(subtract, {{{0, 0}, {50, 0}, {50, 100}, {0, 100}}}), "");
  EXPECT_NE(OracleFailure(subtract, {Square(0, 100)}), "");
}

TEST_F(EditOracleTest, LetsAShrinkTakeTheMitreAtARightAngledConcaveCornerButNoMore) {
  const std::vector<Ring> l = {{{0, 0}, {1000, 0}, {1000, 500}, {500, 500}, {500, 1000}, {0, 1000}}};
  EXPECT_TRUE(InShrunkCorner(l, 100, 410.5, 410.5));
  EXPECT_FALSE(InShrunkCorner(l, 100, 380.5, 380.5));
  EXPECT_FALSE(InShrunkCorner(l, 100, 90.5, 90.5));
}

TEST_F(EditOracleTest, LetsAShrinkTakeOnlyTheSquareAboutASharpConcaveCorner) {
  const std::vector<Ring> notch = {{{0, 0}, {1000, 0}, {1000, 1000}, {520, 1000}, {500, 200}, {480, 1000}, {0, 1000}}};
  EXPECT_TRUE(InShrunkCorner(notch, 100, 420.5, 120.5));
  EXPECT_FALSE(InShrunkCorner(notch, 100, 500.5, 90.5));
}

TEST_F(EditOracleTest, LetsAShrinkTakeTheSquareAboutTheHoleCornerThatAKeyholeSlitReaches) {
  // The slit runs from (0, 0) to the hole's sharp corner at (400, 400), which the ring passes
  // twice: the corner pairs the hole's last edge with its first.
  const std::vector<Ring> keyhole = {
      {{0, 0}, {1000, 0}, {1000, 1000}, {0, 1000}, {0, 0}, {400, 400}, {500, 600}, {600, 400}, {400, 400}}};
  EXPECT_TRUE(InShrunkCorner(keyhole, 100, 305.5, 460.5));
  EXPECT_FALSE(InShrunkCorner(keyhole, 100, 290.5, 480.5));
}
