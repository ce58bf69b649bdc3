#pragma once

#include <vector>

#include "app/core/child_commands.h"
#include "app/core/command_ids.h"

class ViewSession;

// The shell's command vocabulary as data: every menu item's id, label, help text, kind and
// handler, and the layouts of the child windows' menus and of the main frame's own first menu
// bar. The menu builders turn these into toolkit menus, and a child window binds every handler;
// nothing here knows the toolkit.

// kNone: the commands that have a handler but no menu item.
enum class MenuId { kFile, kSave, kView, kEdit, kDrc, kHelp, kNone };
enum class CommandKind { kNormal, kCheck, kSubMenu };

// Who carries a command out: the child window's view session, for a command that takes nothing
// from the window; the child window itself (ChildCommands), for one that needs its panes, its
// menus, the main frame or a dialog of the shell; or the main frame, to which a child window
// passes its file commands. A sub-menu entry has none.
using SessionCommand = void (ViewSession::*)();
struct CommandHandler {
  SessionCommand session = nullptr;
  ChildCommand child = nullptr;
  bool frame = false;

  bool Exists() const { return session || child || frame; }
};

struct Command {
  int id;
  MenuId menu;
  const char* label;  // File and Help labels carry their fixed shortcut after a tab
  const char* help;
  CommandKind kind;
  CommandHandler handler;
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

// The commands of a child window without a menu item (window commands and Delete Cell).
const std::vector<Command>& UnlistedCommands();

// The child window's menu bar: File, View, Edit, DRC and Help, in order.
const std::vector<MenuLayout>& ChildMenuBar();
// The entries of the "Save" sub-menu.
const MenuLayout& SaveSubMenu();

// The main frame's own menu bar while no child is open; its help texts differ from the
// child's on purpose ("New Library" here, "Open new library" there).
const std::vector<Command>& FrameFileMenu();
const Command& FrameAboutCommand();
