#include "app/core/command_table.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

#include "app/core/keybind.h"

namespace {

std::vector<const MenuLayout*> AllLayouts() {
  std::vector<const MenuLayout*> layouts;
  for (const MenuLayout& m : ChildMenuBar()) layouts.push_back(&m);
  layouts.push_back(&SaveSubMenu());
  return layouts;
}

TEST(CommandTable, EveryMenuEntryExistsInItsMenu) {
  for (const MenuLayout* layout : AllLayouts()) {
    for (int id : layout->ids) {
      if (id == kSeparator) continue;
      EXPECT_NE(FindCommand(layout->menu, id), nullptr) << layout->title << " " << id;
    }
  }
  for (const Command& c : FrameFileMenu()) EXPECT_NE(FindCommand(MenuId::kFile, c.id), nullptr) << c.id;
}

TEST(CommandTable, EveryCommandAppearsInExactlyOneMenuAndOnlySaveRepeats) {
  std::map<int, int> placed;
  for (const MenuLayout* layout : AllLayouts()) {
    for (int id : layout->ids) {
      if (id != kSeparator) ++placed[id];
    }
  }
  std::map<int, int> inTable;
  for (const Command& c : CommandTable()) ++inTable[c.id];
  EXPECT_EQ(placed, inTable);
  for (const auto& [id, count] : inTable) EXPECT_EQ(count, id == kCmdSave ? 2 : 1) << id;
  EXPECT_EQ(FindCommand(MenuId::kFile, kCmdSave)->kind, CommandKind::kSubMenu);
}

TEST(CommandTable, EveryEntryNamesOneHandlerAndTheFrameHasTheFileCommands) {
  const std::set<int> frameCommands = {kCmdExit,  kCmdNewLibrary, kCmdWorkingDir, kCmdLoadLibrary,
                                       kCmdGdsIn, kCmdOasisIn,    kCmdAbout};
  std::vector<Command> all = CommandTable();
  all.insert(all.end(), UnlistedCommands().begin(), UnlistedCommands().end());
  for (const Command& c : all) {
    const CommandHandler& h = c.handler;
    const int kinds = (h.session != nullptr) + (h.child != nullptr) + int(h.frame);
    EXPECT_EQ(kinds, c.kind == CommandKind::kSubMenu ? 0 : 1) << c.id;
    EXPECT_EQ(h.frame, frameCommands.count(c.id) != 0) << c.id;
  }
  std::set<int> unlisted;
  for (const Command& c : UnlistedCommands()) unlisted.insert(c.id);
  EXPECT_EQ(unlisted, (std::set<int>{kCmdIconize, kCmdMoveToCorner, kCmdShrinkClient, kCmdDeleteCell}));
}

TEST(CommandTable, ViewAndEditIdsAreTheBoundCommandsWithoutTheUnassignedOne) {
  std::set<int> ids;
  for (const MenuLayout& m : ChildMenuBar()) {
    if (m.menu != MenuId::kView && m.menu != MenuId::kEdit) continue;
    for (int id : m.ids) {
      if (id != kSeparator) ids.insert(id);
    }
  }
  std::set<int> expected;
  for (int id = kFirstBoundCommand; id <= kLastBoundCommand; ++id) {
    if (id != kCmdUnassigned) expected.insert(id);
  }
  EXPECT_EQ(ids, expected);
}

TEST(CommandTable, ChildMenuBarTitlesAndCheckItems) {
  std::vector<std::string> titles;
  for (const MenuLayout& m : ChildMenuBar()) titles.push_back(m.title);
  EXPECT_EQ(titles, (std::vector<std::string>{"&File", "&View", "&Edit", "&DRC", "&Help"}));
  std::set<int> checks;
  for (const Command& c : CommandTable()) {
    if (c.kind == CommandKind::kCheck) checks.insert(c.id);
  }
  EXPECT_EQ(checks, (std::set<int>{kCmdShowTreePanel, kCmdShowOutlines, kCmdShowGrids, kCmdShowNames, kCmdShowTexts,
                                   kCmdOrderedDraw, kCmdAccurateDraw}));
}

TEST(CommandTable, LabelsWithDefaultBindings) {
  const std::vector<uint16_t> bindings = DefaultKeyBindings();
  auto label = [&bindings](MenuId menu, int id) {
    return MakeAcceleratorLabel(FindCommand(menu, id)->label, bindings[id]);
  };
  EXPECT_EQ(label(MenuId::kView, kCmdChangeDepth), "Change &Depth\tCtrl-D");
  EXPECT_EQ(label(MenuId::kEdit, kCmdSubtractPolygons), "Subtract Polygons");
  EXPECT_EQ(label(MenuId::kView, kCmdClearMemory), "Clear Memory\tCtrl-SPACE");
}

// The names of the ids against the labels the user sees, across every menu.
TEST(CommandTable, NamedIdsCarryTheirCommandsLabels) {
  const struct {
    MenuId menu;
    int id;
    const char* label;
  } named[] = {
      {MenuId::kView, kCmdChangeDepth, "Change &Depth"},
      {MenuId::kView, kCmdShowGrids, "Show &Grids"},
      {MenuId::kView, kCmdZoomOut, "Zoom out"},
      {MenuId::kView, kCmdZoomOut4X, "&Zoom out 4X"},
      {MenuId::kView, kCmdZoomIn4X, "&Zoom in 4X"},
      {MenuId::kView, kCmdChangeTitle, "Change &Title"},
      {MenuId::kEdit, kCmdCancel, "Cancel"},
      {MenuId::kEdit, kCmdModifyInst, "Modify Inst"},
      {MenuId::kEdit, kCmdRecalculateCells, "Recalculate Cells"},
      {MenuId::kEdit, kCmdChangeDbUnit, "Change DB &Unit"},
      {MenuId::kFile, kCmdExit, "Exit\tF10"},
      {MenuId::kFile, kCmdPolyIn, "PolyIn\tCtrl-F4"},
      {MenuId::kFile, kCmdSaveConfig, "Save Config\tShift-F6"},
      {MenuId::kFile, kCmdPageSetup, "Page Setup\tF11"},
      {MenuId::kFile, kCmdClose, "Close\tF9"},
      {MenuId::kSave, kCmdSave, "Save DB\tShift-F7"},
      {MenuId::kSave, kCmdSaveBmp, "BMP\tShift-F8"},
      {MenuId::kDrc, kCmdRunAreaDrc, "Run Area DRC"},
      {MenuId::kHelp, kCmdAbout, "About\tF1"},
  };
  for (const auto& n : named) {
    const Command* command = FindCommand(n.menu, n.id);
    ASSERT_NE(command, nullptr) << n.label;
    EXPECT_STREQ(command->label, n.label);
  }
}

TEST(CommandTable, FrameMenuHasSixFileItemsInOrder) {
  std::vector<int> ids;
  for (const Command& c : FrameFileMenu()) ids.push_back(c.id);
  EXPECT_EQ(ids, (std::vector<int>{kCmdWorkingDir, kCmdNewLibrary, kCmdLoadLibrary, kCmdGdsIn, kCmdOasisIn, kCmdExit}));
  EXPECT_STREQ(FrameFileMenu()[1].help, "New Library");
  EXPECT_STREQ(FindCommand(MenuId::kFile, kCmdNewLibrary)->help, "Open new library");
}

}  // namespace
