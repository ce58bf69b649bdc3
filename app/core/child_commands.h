#pragma once

// The commands that a child window carries out itself, because they need its panes, its menus,
// the main frame or a dialog of the shell; the command table names them and the child window
// implements them. Each gets the id of the command, so that one handler serves several alike.
class ChildCommands {
 public:
  virtual ~ChildCommands() = default;

  // The tree panel, opening cells in further windows and Create Cell, which opens its cell.
  virtual void OnShowTreePanel(int id) = 0;
  virtual void OnOpenCell(int id) = 0;
  virtual void OnOpenRootCell(int id) = 0;
  virtual void OnCreateCell(int id) = 0;
  // The display flags whose check mark follows them: the four Show commands and the two
  // drawing modes.
  virtual void OnToggle(int id) = 0;
  virtual void OnAngleGrid(int id) = 0;
  virtual void OnChangeColor(int id) = 0;
  virtual void OnRedraw(int id) = 0;
  virtual void OnChangeTitle(int id) = 0;
  // Layer maps and configuration files.
  virtual void OnReadLayerMap(int id) = 0;
  virtual void OnLoadConfig(int id) = 0;
  virtual void OnSaveConfig(int id) = 0;
  // Extraction, the JPEG and BMP images of the view, printing and its page setup.
  virtual void OnExtract(int id) = 0;
  virtual void OnSaveImage(int id) = 0;
  virtual void OnPrint(int id) = 0;
  virtual void OnPageSetup(int id) = 0;
  // Close, and the window commands without menu items: minimise, move to the corner, shrink.
  virtual void OnCloseCommand(int id) = 0;
  virtual void OnWindowCommand(int id) = 0;
};

using ChildCommand = void (ChildCommands::*)(int id);
