#include "app/core/command_table.h"

namespace {

constexpr CommandKind N = CommandKind::kNormal;
constexpr CommandKind C = CommandKind::kCheck;
constexpr MenuId V = MenuId::kView;
constexpr MenuId E = MenuId::kEdit;
constexpr MenuId F = MenuId::kFile;
constexpr MenuId S = MenuId::kSave;

}  // namespace

const std::vector<Command>& CommandTable() {
  static const std::vector<Command> table = {
      {0, V, "Change &Depth", "Change hierarhcical display depth", N},
      {1, V, "Change Cell &Size", "Change cell display size", N},
      {2, V, "Show &Tree Panel", "Show hierarchy tree panel", C},
      {3, V, "Open &Cell", "Open Cell", N},
      {4, V, "Open Root Cell", "Open Root Cell", N},
      {5, V, "Show DB &Unit", "Show DB Unit", N},
      {6, V, "Instance Info", "Show selected instance info", N},
      {7, V, "&Inspect Layer", "Inspect small geometry layer", N},
      {8, V, "Inspect &Next", "Inspect next small geometry", N},
      {9, V, "&Go to", "Zoom into sepcific location", N},
      {10, V, "Show &Outlines", "Show outlines only", C},
      {11, V, "Show &Grids", "Show grid points", C},
      {12, V, "Show &Names", "Show cell names", C},
      {13, V, "Show Texts", "Show texts", C},
      {14, V, "&Angle/Grid", "Set angle/grid preferences", N},
      {15, V, "&Remove Rulers", "", N},
      {16, V, "&Recover Rulers", "", N},
      {17, V, "Change Color", "Change the colour of background/highlights", N},
      {18, V, "Zoom out", "Zoom out for complete view, Zoom in with mouse right button drag", N},
      {19, V, "&Zoom out 4X", "Zoom out by 4X, Zoom in with mouse right button drag", N},
      {20, V, "&Zoom in 4X", "Zoom in by 4X, Zoom in with mouse right button drag", N},
      {21, V, "&Redraw", "", N},
      {22, V, "Ordered Draw", "Ordered layer drawing", C},
      {23, V, "&Accurate Draw", "Accurate drawing", C},
      {24, V, "&Optimize DB", "Restructure DB", N},
      {25, V, "Clear Memory", "Clear memory and reread DB", N},
      {26, V, "Change &Title", "Change title for print", N},
      {27, E, "Cancel", "Cancel selection/modification", N},
      {28, E, "&Insert Polygon", "Update polygon", N},
      {29, E, "&Delete Polygon", "Delete polygon", N},
      {30, E, "&Paste Polygon", "Paste selected polygon", N},
      {31, E, "&Sizing Polygon", "Sizing selected polygon", N},
      {32, E, "Flip&X Polygon", "Flip polygon by X axis", N},
      {33, E, "Flip&Y Polygon", "Flip polygon by Y axis", N},
      {34, E, "&Rotate 90 Polygon", "Rotate polygon by 90 degree", N},
      {35, E, "Snap Polygon", "Snap polygon to specified grid", N},
      {36, E, "&Merge Polygons", "Merge top geometries of selected layer", N},
      {37, E, "Subtract Polygons", "Subtract rectangle from top geometries of selected layer", N},
      {38, E, "Create Path", "Create Path from drawn lines", N},
      {39, E, "Create Circle/Arc", "Create Circle/Arc/Ring/Arc Ring from drawn line", N},
      {40, E, "Insert Text", "Insert new Text", N},
      {41, E, "Replace Text", "Replace selected Text", N},
      {42, E, "Create Cell", "Create Cell", N},
      {43, E, "Increment Cell", "Increment Cell Size", N},
      {44, E, "Insert Inst", "Insert Cell Instance", N},
      {45, E, "Delete Inst", "Delete selected Cell Instance", N},
      {46, E, "Replace Inst", "Replace selected Cell Instance", N},
      {47, E, "Modify Inst", "Modify selected Cell Instance", N},
      {49, E, "Recalculate Cells", "Recalculate cell bounding boxes", N},
      {50, E, "Change DB &Unit", "Change DB Unit", N},
      {100, F, "Exit\tF10", "Quit the program", N},
      {101, F, "New\tShift-F3", "Open new library", N},
      {102, F, "Working Dir\tF2", "Set working directory", N},
      {103, F, "Load\tF3", "Load another library", N},
      {105, F, "GDSIn\tF4", "Load another GDS", N},
      {106, F, "OASISIn\tShift-F4", "Load another OASIS", N},
      {107, F, "PolyIn\tCtrl-F4", "Load text polygons", N},
      {108, F, "Remove Polys\tShift-F5", "Remove all text polygons", N},
      {109, F, "CriticalityIn\tAlt-F4", "Load Criticality file", N},
      {110, F, "Remove Criticality", "Remove Criticality", N},
      {111, F, "Read Layer Map\tF5", "Read Layer Map", N},
      {112, F, "Load Config\tF6", "Load Config", N},
      {113, F, "Save Config\tShift-F6", "Save Config", N},
      {114, F, "Save", "Save DB or image", CommandKind::kSubMenu},
      {114, S, "Save DB\tShift-F7", "Save all DB changes", N},
      {115, S, "Extract\tF7", "Extract to GDS/OASIS/Text file", N},
      {116, S, "JPEG\tF8", "Save image to JPEG file", N},
      {117, S, "BMP\tShift-F8", "Save image to BMP file", N},
      {118, F, "Print\tF12", "Print image", N},
      {119, F, "Page Setup\tF11", "Page setup", N},
      {123, F, "Close\tF9", "Close child window", N},
      {124, MenuId::kHelp, "About\tF1", "", N},
      {129, MenuId::kDrc, "Run Area DRC", "Run DRC on last zoomed area", N},
  };
  return table;
}

const Command* FindCommand(MenuId menu, int id) {
  for (const Command& c : CommandTable()) {
    if (c.menu == menu && c.id == id) return &c;
  }
  return nullptr;
}

const std::vector<MenuLayout>& ChildMenuBar() {
  constexpr int X = kSeparator;
  static const std::vector<MenuLayout> menus = {
      {F, "&File", {102, 101, 103, 105, 106, 107, 109, X, 108, 110, 111, 112, 113, 114, 123, X, 119, 118, X, 100}},
      {V, "&View", {0, 1, 2, 3, 4, 5, X, 6, 7, 8, 9, 10, 11, 12, 13, X, 14, 15, 16, X, 17, 18, 19, 20, X,
                    21, 22, 23, 24, 25, X, 26}},
      {E, "&Edit", {27, 28, 29, 30, 31, 32, 33, 34, 35, 36, 37, X, 42, 43, 44, 47, 46, 45, X, 38, 39, 40, 41, X,
                    49, 50}},
      {MenuId::kDrc, "&DRC", {129}},
      {MenuId::kHelp, "&Help", {124}},
  };
  return menus;
}

const MenuLayout& SaveSubMenu() {
  static const MenuLayout save = {S, "Save", {114, 115, 116, 117}};
  return save;
}

const std::vector<Command>& FrameFileMenu() {
  static const std::vector<Command> menu = {
      {102, F, "Working Dir\tF2", "Set working directory", N},
      {101, F, "New\tShift-F3", "New Library", N},
      {103, F, "Load\tF3", "Load Library", N},
      {105, F, "GDSIn\tF4", "Load GDS", N},
      {106, F, "OASISIn\tShift-F4", "Load OASIS", N},
      {100, F, "Exit\tF10", "Quit the program", N},
  };
  return menu;
}

const Command& FrameAboutCommand() {
  static const Command about = {124, MenuId::kHelp, "About\tF1", "", N};
  return about;
}
