#include "app/core/child_logic.h"

#include <gtest/gtest.h>

#include <cstdio>

#include "db/library.h"

namespace {

TEST(ChildLogic, AutoLibraryDirDropsOnlyTheLastExtension) {
  const struct {
    const char* file;
    const char* dir;
  } cases[] = {
      {"/in/chip.gds", "/work/chip.db"}, {"/in/chip.gds.gz", "/work/chip.gds.db"}, {"/in/chip", "/work/chip.db"},
      {"chip.GDS", "/work/chip.db"},     {"/in.d/chip", "/work/chip.db"},          {"/in/.hidden", "/work/.hidden.db"},
  };
  for (const auto& c : cases) EXPECT_EQ(AutoLibraryDir(c.file, "/work"), c.dir) << c.file;
}

TEST(ChildLogic, RouteDropByTypeAndExactExtension) {
  EXPECT_EQ(RouteDrop("/d/x.oas", false), DropRoute::kOasis);
  EXPECT_EQ(RouteDrop("/d/x.OAS", false), DropRoute::kGds);
  EXPECT_EQ(RouteDrop("/d/x.oas.gz", false), DropRoute::kGds);
  EXPECT_EQ(RouteDrop("/d/x.gds", false), DropRoute::kGds);
  EXPECT_EQ(RouteDrop("/d.oas/x", false), DropRoute::kGds);
  EXPECT_EQ(RouteDrop("/d/lib.oas", true), DropRoute::kLibrary);
}

TEST(ChildLogic, ConfirmOnlyAboveThreeWindowsWhenVetoable) {
  EXPECT_FALSE(ConfirmNeeded(3, true));
  EXPECT_TRUE(ConfirmNeeded(4, true));
  EXPECT_FALSE(ConfirmNeeded(4, false));
  EXPECT_FALSE(ConfirmNeeded(0, true));
}

TEST(ChildLogic, RelayoutOnlyBeyondTwentyPixels) {
  EXPECT_FALSE(NeedsRelayout(800, 600, 815, 600));
  EXPECT_FALSE(NeedsRelayout(800, 600, 820, 580));
  EXPECT_TRUE(NeedsRelayout(800, 600, 821, 600));
  EXPECT_TRUE(NeedsRelayout(800, 600, 800, 579));
}

TEST(ChildLogic, PanesFillTheClientAndStayPositive) {
  const PaneLayout l = LayoutPanes(1000, 700, 200, 136, 24);
  EXPECT_EQ(l.canvas.x, 200);
  EXPECT_EQ(l.canvas.width, 1000 - 200 - 136);
  EXPECT_EQ(l.canvas.height, 676);
  EXPECT_EQ(l.panel.x + l.panel.width, 1000);
  EXPECT_EQ(l.status.y, 676);
  const PaneLayout tiny = LayoutPanes(100, 10, 200, 136, 24);
  EXPECT_EQ(tiny.canvas.width, 1);
  EXPECT_EQ(tiny.canvas.height, 1);
}

}  // namespace
