#include "canvas/jobs/drc_driver.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "tests/db/library_test_util.h"

namespace {

TEST(DrcDriver, FourLinesForACellAndArea) {
  EXPECT_EQ(DrcDriverText("/work/chip.db", "TOP", Box(0, 0, 5000, 3000), 1.0, "/rules/check.tcl"),
            "LogFile korvane_drc.log\n"
            "Library /work/chip.db\n"
            "Areas { { TOP 0 0 5000 3000 } }\n"
            "source /rules/check.tcl\n");
}

TEST(DrcDriver, AreaIsInNanometresRoundedHalfUp) {
  // At 0.1 nm per unit: -0.5 -> 0, 0.4 -> 0, 1.5 -> 2, 2.5 -> 3.
  const std::string text = DrcDriverText("/l", "C", Box(-5, 4, 15, 25), 0.1, "/r");
  EXPECT_NE(text.find("Areas { { C 0 0 2 3 } }\n"), std::string::npos) << text;
  // Beyond the 32-bit range at a coarse unit.
  const std::string coarse = DrcDriverText("/l", "C", Box(-2000000000, 0, 2000000000, 1), 10.0, "/r");
  EXPECT_NE(coarse.find("{ C -20000000000 0 20000000000 10 }"), std::string::npos) << coarse;
}

TEST(DrcDriver, AreaChoiceTakesTheZoomedAreaOnlyWhenMagnified) {
  const Box cell(0, 0, 100, 100);
  const Box zoomed(10, 10, 20, 20);
  EXPECT_EQ(AreaChoice(1.0, zoomed, cell), cell);
  EXPECT_EQ(AreaChoice(1.0 + 1e-8, zoomed, cell), cell);
  EXPECT_EQ(AreaChoice(4.0, zoomed, cell), zoomed);
  EXPECT_EQ(AreaChoice(4.0, Box(), cell), cell);
  EXPECT_EQ(AreaChoice(4.0, Box(10, 10, 10, 20), cell), cell);
}

// Plain values stay as they were; braces where they keep the value literal, else backslashes.
// That Tcl reads each form back is checked against Tcl itself below.
TEST(DrcDriver, PathsWithBlanksAndTclCharactersAreQuotedOnEveryLine) {
  EXPECT_EQ(TclWord("/a#b/x'y"), "/a#b/x'y");
  EXPECT_EQ(TclWord("a}b c"), "a\\}b\\ c");
  const std::string text = DrcDriverText("/my libs/chip$1.db", "A[0]", Box(0, 0, 1, 1), 1.0, "/rules dir/x;y.tcl");
  EXPECT_EQ(text,
            "LogFile korvane_drc.log\n"
            "Library {/my libs/chip$1.db}\n"
            "Areas { { {A[0]} 0 0 1 1 } }\n"
            "source {/rules dir/x;y.tcl}\n");
}

// Tcl itself reads each quoted word back as the value, both as a command word and as the
// cell's element of the "Areas" list.
TEST(DrcDriver, TclReadsEveryQuotedValueBack) {
  if (std::system("command -v tclsh >/dev/null 2>&1") != 0) GTEST_SKIP() << "tclsh is not installed";
  const std::vector<std::string> values = {"plain", "a b",       "$x",        "[exit 3]", "a;b",     "q\"uote",
                                           "{open", "close}",    "}{",        "a{b}c",    "back\\",  "\\{",
                                           "#hash", "tab\there", "new\nline", "",         "'single'"};
  libtest::TempDir dir;
  const std::string script = dir.File("check.tcl");
  const std::string out = dir.File("out");
  {
    std::ofstream tcl(script, std::ios::binary);
    tcl << "set f [open {" << out << "} w]\nfconfigure $f -translation binary\n";
    for (const std::string& v : values) {
      tcl << "puts -nonewline $f " << TclWord(v) << "\nputs -nonewline $f |\n";
      tcl << "set a { { " << TclWord(v) << " 0 0 1 1 } }\n";
      tcl << "puts -nonewline $f [lindex [lindex $a 0] 0]\nputs -nonewline $f |\n";
    }
    tcl << "close $f\n";
  }
  ASSERT_EQ(std::system(("tclsh '" + script + "'").c_str()), 0);
  std::string expected;
  for (const std::string& v : values) expected += v + "|" + v + "|";
  std::ifstream in(out, std::ios::binary);
  const std::string got((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_EQ(got, expected);
}

TEST(DrcDriver, AbsolutePathsAreNormal) {
  EXPECT_EQ(AbsolutePathFrom("/work/x", "chip.db"), "/work/x/chip.db");
  EXPECT_EQ(AbsolutePathFrom("/work/x", "../libs/./chip.db/"), "/work/libs/chip.db");
  EXPECT_EQ(AbsolutePathFrom("/work/x", "/abs/r.tcl"), "/abs/r.tcl");
}

}  // namespace
