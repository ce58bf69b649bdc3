#include "app/core/keybind.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/core/command_ids.h"

namespace {

// The shortcut each default binding shows after the tab, for ids 0 to 50 ("" = none, no tab).
const std::vector<std::string> kDefaultSuffixes = {
    "Ctrl-D",    "Ctrl-S",    "Ctrl-T",  "Ctrl-C",  "Alt-C",  "",         "Ctrl-I",   "Alt-I",      "Alt-N",
    "Alt-G",     "Ctrl-O",    "Ctrl-G",  "Ctrl-N",  "Alt-T",  "Ctrl-A",   "Ctrl-R",   "Alt-R",      "Ctrl-B",
    "HOME",      "Alt-Z",     "Ctrl-Z",  "Shift-R", "Alt-D",  "Alt-A",    "Alt-O",    "Ctrl-SPACE", "",
    "ESC",       "INS",       "DEL",     "P",       "S",      "X",        "Y",        "R",          ".",
    "",          "",          "Alt-INS", "Alt-END", "Alt-UP", "Alt-DOWN", "Ctrl-INS", "Ctrl-UP",    "Shift-INS",
    "Shift-DEL", "Shift-END", "Shift-M", "",        "",       "",
};

TEST(KeyBindings, DefaultsShowTheDocumentedShortcuts) {
  ASSERT_EQ(kDefaultSuffixes.size(), 51u);
  const std::vector<uint16_t> bindings = DefaultKeyBindings();
  ASSERT_EQ(bindings.size(), 100u);
  for (int id = kFirstBoundCommand; id <= kLastBoundCommand; ++id) {
    const std::string expected = kDefaultSuffixes[id].empty() ? "Item" : "Item\t" + kDefaultSuffixes[id];
    EXPECT_EQ(MakeAcceleratorLabel("Item", bindings[id]), expected) << "command " << id;
  }
  for (int id = kLastBoundCommand + 1; id < kKeyBindingCount; ++id) EXPECT_EQ(bindings[id], 0) << "command " << id;
}

TEST(KeyBindings, LettersAreStoredAsUpperCaseCodes) {
  const std::vector<uint16_t> bindings = DefaultKeyBindings();
  EXPECT_EQ(bindings[kCmdChangeDepth], 1 | ('D' << 8));
  EXPECT_EQ(bindings[kCmdSnapPolygon], '.' << 8);
  EXPECT_EQ(bindings[kCmdClearMemory], 1 | (32 << 8));
}

TEST(KeyBindings, ParseKeyModifierIsWholeWordAndCaseSensitive) {
  const struct {
    const char* word;
    int modifier;
  } cases[] = {{"Shift", 3}, {"Ctrl", 1}, {"Alt", 2}, {"ctrl", 0}, {"Control", 0}, {"", 0}, {"Ctrl ", 0}, {"Shif", 0}};
  for (const auto& c : cases) EXPECT_EQ(ParseKeyModifier(c.word), c.modifier) << '"' << c.word << '"';
}

TEST(KeyBindings, ParseKeyNameTakesOneCharacterOrAName) {
  const struct {
    const char* word;
    int code;
  } cases[] = {{"a", 97},   {"5", 53},    {".", 46},     {"Home", 0},  {"", 0},       {"HOME", 1},   {"TAB", 9},
               {"ESC", 27}, {"DEL", 127}, {"SPACE", 32}, {"PGDN", 11}, {"ENTER", 13}, {"ESCAPE", 0}, {"\xE9", 0xE9}};
  for (const auto& c : cases) EXPECT_EQ(ParseKeyName(c.word), c.code) << '"' << c.word << '"';
}

TEST(KeyBindings, LabelOfUnusualBindings) {
  EXPECT_EQ(MakeAcceleratorLabel("X", MakeKeyBinding(1, ParseKeyName("a"))), "X\tCtrl-a");
  EXPECT_EQ(MakeAcceleratorLabel("X", MakeKeyBinding(0, 127)), "X\tDEL");
  EXPECT_EQ(MakeAcceleratorLabel("X", MakeKeyBinding(4, 65)), "X\tA");
  EXPECT_EQ(MakeAcceleratorLabel("X", MakeKeyBinding(2, 0)), "X");
  // Codes 8 and 12 have no name and are shown as the control character itself.
  EXPECT_EQ(MakeAcceleratorLabel("X", MakeKeyBinding(0, 8)), "X\t\b");
}

TEST(KeyBindings, HighKeyCodesGiveValidUtf8) {
  EXPECT_EQ(MakeAcceleratorLabel("X", MakeKeyBinding(1, 0xE9)), "X\tCtrl-\xC3\xA9");
  EXPECT_EQ(MakeAcceleratorLabel("X", MakeKeyBinding(0, 0xFF)), "X\t\xC3\xBF");
  EXPECT_EQ(MakeAcceleratorLabel("X", MakeKeyBinding(0, 0x80)), "X\t\xC2\x80");
}

TEST(KeyBindings, FindBoundCommandLooksUpTheViewAndEditCommands) {
  std::vector<uint16_t> bindings = DefaultKeyBindings();
  EXPECT_EQ(FindBoundCommand(bindings, MakeKeyBinding(0, kKeyHome)), kCmdZoomOut);
  EXPECT_EQ(FindBoundCommand(bindings, MakeKeyBinding(1, 'D')), kCmdChangeDepth);
  EXPECT_EQ(FindBoundCommand(bindings, MakeKeyBinding(2, kKeyUp)), kCmdInsertText);
  EXPECT_EQ(FindBoundCommand(bindings, MakeKeyBinding(3, kKeyHome)), -1);
  EXPECT_EQ(FindBoundCommand(bindings, MakeKeyBinding(0, kKeyTab)), -1);
  // Commands without a shortcut have binding 0 (and a modifier alone is no key): never matched.
  EXPECT_EQ(FindBoundCommand(bindings, 0), -1);
  bindings[kCmdShowDbUnit] = MakeKeyBinding(1, 0);
  EXPECT_EQ(FindBoundCommand(bindings, MakeKeyBinding(1, 0)), -1);
  // The unassigned slot has no command, and slots above the last View or Edit command are none.
  bindings[kCmdUnassigned] = MakeKeyBinding(0, kKeyTab);
  bindings[kLastBoundCommand + 10] = MakeKeyBinding(0, kKeyTab);
  EXPECT_EQ(FindBoundCommand(bindings, MakeKeyBinding(0, kKeyTab)), -1);
  bindings[kCmdRecalculateCells] = MakeKeyBinding(0, kKeyTab);
  bindings[kCmdChangeTitle] = MakeKeyBinding(0, kKeyTab);
  EXPECT_EQ(FindBoundCommand(bindings, MakeKeyBinding(0, kKeyTab)), kCmdChangeTitle);
  EXPECT_EQ(FindBoundCommand({}, MakeKeyBinding(0, kKeyHome)), -1);
  // A pressed letter finds its binding in either case; other characters only as bound.
  bindings[kCmdShowNames] = MakeKeyBinding(2, 'q');
  bindings[kCmdSnapPolygon] = MakeKeyBinding(0, ',');
  EXPECT_EQ(FindCommandForKey(bindings, 2, 'Q'), kCmdShowNames);
  EXPECT_EQ(FindCommandForKey(bindings, 3, 'M'), kCmdModifyInst);
  EXPECT_EQ(FindCommandForKey(bindings, 0, ','), kCmdSnapPolygon);
  EXPECT_EQ(FindCommandForKey(bindings, 0, '.'), -1);
  EXPECT_EQ(FindCommandForKey(bindings, 2, 'M'), -1);
}

}  // namespace
