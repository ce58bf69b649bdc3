#pragma once

#include <vector>

#include "app/core/command_ids.h"

// The shell's command vocabulary as data: every menu item's id, label, help text and kind, and
// the layouts of the child windows' menus and of the main frame's own first menu bar. The
// menu builders turn these into toolkit menus; nothing here knows the toolkit.

enum class MenuId { kFile, kSave, kView, kEdit, kDrc, kHelp };
enum class CommandKind { kNormal, kCheck, kSubMenu };

struct Command {
  int id;
  MenuId menu;
  const char* label;  // File and Help labels carry their fixed shortcut after a tab
  const char* help;
  CommandKind kind;
};

// A menu's entries in order; kSeparator marks a separator. In the File menu, id 114 is the
// "Save" sub-menu, whose entries are the kSave layout.
constexpr int kSeparator = -1;
struct MenuLayout {
  MenuId menu;
  const char* title;
  std::vector<int> ids;
};

// Every menu command of a child window, in id order ("Save" and "Save DB" share 114).
const std::vector<Command>& CommandTable();

// The command with this id in this menu, or null.
const Command* FindCommand(MenuId menu, int id);

// The child window's menu bar: File, View, Edit, DRC and Help, in order.
const std::vector<MenuLayout>& ChildMenuBar();
// The entries of the "Save" sub-menu.
const MenuLayout& SaveSubMenu();

// The main frame's own menu bar while no child is open; its help texts differ from the
// child's on purpose ("New Library" here, "Open new library" there).
const std::vector<Command>& FrameFileMenu();
const Command& FrameAboutCommand();
