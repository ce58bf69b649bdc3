#pragma once

#include <vector>

// The shell's command vocabulary as data: every menu item's id, label, help text and kind, and
// the layouts of the child windows' menus and of the main frame's own first menu bar. The
// menu builders turn these into toolkit menus; nothing here knows the toolkit.

// Command ids shared by menus, toolbar, key bindings and configuration files. Ids 0 to 50 are
// the View and Edit commands and index the key bindings; 48 has no command.
enum CommandId : int {
  kCmdRedraw = 21,
  kCmdExit = 100,
  kCmdNewLibrary = 101,
  kCmdWorkingDir = 102,
  kCmdLoadLibrary = 103,
  kCmdSelectInputType = 104,
  kCmdGdsIn = 105,
  kCmdOasisIn = 106,
  kCmdSave = 114,
  kCmdExtract = 115,
  kCmdPrint = 118,
  kCmdClose = 123,
  kCmdAbout = 124,
  kCmdStyleList = 126,
  kCmdLayerList = 127,
};

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
