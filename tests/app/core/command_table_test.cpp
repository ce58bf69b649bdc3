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

TEST(CommandTable, EveryCommandAppearsInExactlyOneMenuAndOnly114Repeats) {
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

TEST(CommandTable, ViewAndEditIdsAreZeroToFiftyWithout48) {
  std::set<int> ids;
  for (const MenuLayout& m : ChildMenuBar()) {
    if (m.menu != MenuId::kView && m.menu != MenuId::kEdit) continue;
    for (int id : m.ids) {
      if (id != kSeparator) ids.insert(id);
    }
  }
  std::set<int> expected;
  for (int id = 0; id <= 50; ++id) {
    if (id != 48) expected.insert(id);
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
  EXPECT_EQ(checks, (std::set<int>{2, 10, 11, 12, 13, 22, 23}));
}

TEST(CommandTable, LabelsWithDefaultBindings) {
  const std::vector<uint16_t> bindings = DefaultKeyBindings();
  EXPECT_EQ(MakeAcceleratorLabel(FindCommand(MenuId::kView, 0)->label, bindings[0]), "Change &Depth\tCtrl-D");
  EXPECT_EQ(MakeAcceleratorLabel(FindCommand(MenuId::kEdit, 37)->label, bindings[37]), "Subtract Polygons");
  EXPECT_EQ(MakeAcceleratorLabel(FindCommand(MenuId::kView, 25)->label, bindings[25]), "Clear Memory\tCtrl-SPACE");
}

TEST(CommandTable, FrameMenuHasSixFileItemsInOrder) {
  std::vector<int> ids;
  for (const Command& c : FrameFileMenu()) ids.push_back(c.id);
  EXPECT_EQ(ids, (std::vector<int>{102, 101, 103, 105, 106, 100}));
  EXPECT_STREQ(FrameFileMenu()[1].help, "New Library");
  EXPECT_STREQ(FindCommand(MenuId::kFile, 101)->help, "Open new library");
}

}  // namespace
