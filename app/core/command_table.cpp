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
      {kCmdChangeDepth, V, "Change &Depth", "Change hierarhcical display depth", N},
      {kCmdChangeCellSize, V, "Change Cell &Size", "Change cell display size", N},
      {kCmdShowTreePanel, V, "Show &Tree Panel", "Show hierarchy tree panel", C},
      {kCmdOpenCell, V, "Open &Cell", "Open Cell", N},
      {kCmdOpenRootCell, V, "Open Root Cell", "Open Root Cell", N},
      {kCmdShowDbUnit, V, "Show DB &Unit", "Show DB Unit", N},
      {kCmdInstanceInfo, V, "Instance Info", "Show selected instance info", N},
      {kCmdInspectLayer, V, "&Inspect Layer", "Inspect small geometry layer", N},
      {kCmdInspectNext, V, "Inspect &Next", "Inspect next small geometry", N},
      {kCmdGoTo, V, "&Go to", "Zoom into sepcific location", N},
      {kCmdShowOutlines, V, "Show &Outlines", "Show outlines only", C},
      {kCmdShowGrids, V, "Show &Grids", "Show grid points", C},
      {kCmdShowNames, V, "Show &Names", "Show cell names", C},
      {kCmdShowTexts, V, "Show Texts", "Show texts", C},
      {kCmdAngleGrid, V, "&Angle/Grid", "Set angle/grid preferences", N},
      {kCmdRemoveRulers, V, "&Remove Rulers", "", N},
      {kCmdRecoverRulers, V, "&Recover Rulers", "", N},
      {kCmdChangeColor, V, "Change Color", "Change the colour of background/highlights", N},
      {kCmdZoomOut, V, "Zoom out", "Zoom out for complete view, Zoom in with mouse right button drag", N},
      {kCmdZoomOut4X, V, "&Zoom out 4X", "Zoom out by 4X, Zoom in with mouse right button drag", N},
      {kCmdZoomIn4X, V, "&Zoom in 4X", "Zoom in by 4X, Zoom in with mouse right button drag", N},
      {kCmdRedraw, V, "&Redraw", "", N},
      {kCmdOrderedDraw, V, "Ordered Draw", "Ordered layer drawing", C},
      {kCmdAccurateDraw, V, "&Accurate Draw", "Accurate drawing", C},
      {kCmdOptimizeDb, V, "&Optimize DB", "Restructure DB", N},
      {kCmdClearMemory, V, "Clear Memory", "Clear memory and reread DB", N},
      {kCmdChangeTitle, V, "Change &Title", "Change title for print", N},
      {kCmdCancel, E, "Cancel", "Cancel selection/modification", N},
      {kCmdInsertPolygon, E, "&Insert Polygon", "Update polygon", N},
      {kCmdDeletePolygon, E, "&Delete Polygon", "Delete polygon", N},
      {kCmdPastePolygon, E, "&Paste Polygon", "Paste selected polygon", N},
      {kCmdSizingPolygon, E, "&Sizing Polygon", "Sizing selected polygon", N},
      {kCmdFlipXPolygon, E, "Flip&X Polygon", "Flip polygon by X axis", N},
      {kCmdFlipYPolygon, E, "Flip&Y Polygon", "Flip polygon by Y axis", N},
      {kCmdRotate90Polygon, E, "&Rotate 90 Polygon", "Rotate polygon by 90 degree", N},
      {kCmdSnapPolygon, E, "Snap Polygon", "Snap polygon to specified grid", N},
      {kCmdMergePolygons, E, "&Merge Polygons", "Merge top geometries of selected layer", N},
      {kCmdSubtractPolygons, E, "Subtract Polygons", "Subtract rectangle from top geometries of selected layer", N},
      {kCmdCreatePath, E, "Create Path", "Create Path from drawn lines", N},
      {kCmdCreateCircleArc, E, "Create Circle/Arc", "Create Circle/Arc/Ring/Arc Ring from drawn line", N},
      {kCmdInsertText, E, "Insert Text", "Insert new Text", N},
      {kCmdReplaceText, E, "Replace Text", "Replace selected Text", N},
      {kCmdCreateCell, E, "Create Cell", "Create Cell", N},
      {kCmdIncrementCell, E, "Increment Cell", "Increment Cell Size", N},
      {kCmdInsertInst, E, "Insert Inst", "Insert Cell Instance", N},
      {kCmdDeleteInst, E, "Delete Inst", "Delete selected Cell Instance", N},
      {kCmdReplaceInst, E, "Replace Inst", "Replace selected Cell Instance", N},
      {kCmdModifyInst, E, "Modify Inst", "Modify selected Cell Instance", N},
      {kCmdRecalculateCells, E, "Recalculate Cells", "Recalculate cell bounding boxes", N},
      {kCmdChangeDbUnit, E, "Change DB &Unit", "Change DB Unit", N},
      {kCmdExit, F, "Exit\tF10", "Quit the program", N},
      {kCmdNewLibrary, F, "New\tShift-F3", "Open new library", N},
      {kCmdWorkingDir, F, "Working Dir\tF2", "Set working directory", N},
      {kCmdLoadLibrary, F, "Load\tF3", "Load another library", N},
      {kCmdGdsIn, F, "GDSIn\tF4", "Load another GDS", N},
      {kCmdOasisIn, F, "OASISIn\tShift-F4", "Load another OASIS", N},
      {kCmdPolyIn, F, "PolyIn\tCtrl-F4", "Load text polygons", N},
      {kCmdRemovePolys, F, "Remove Polys\tShift-F5", "Remove all text polygons", N},
      {kCmdCriticalityIn, F, "CriticalityIn\tAlt-F4", "Load Criticality file", N},
      {kCmdRemoveCriticality, F, "Remove Criticality", "Remove Criticality", N},
      {kCmdReadLayerMap, F, "Read Layer Map\tF5", "Read Layer Map", N},
      {kCmdLoadConfig, F, "Load Config\tF6", "Load Config", N},
      {kCmdSaveConfig, F, "Save Config\tShift-F6", "Save Config", N},
      {kCmdSave, F, "Save", "Save DB or image", CommandKind::kSubMenu},
      {kCmdSave, S, "Save DB\tShift-F7", "Save all DB changes", N},
      {kCmdExtract, S, "Extract\tF7", "Extract to GDS/OASIS/Text file", N},
      {kCmdSaveJpeg, S, "JPEG\tF8", "Save image to JPEG file", N},
      {kCmdSaveBmp, S, "BMP\tShift-F8", "Save image to BMP file", N},
      {kCmdPrint, F, "Print\tF12", "Print image", N},
      {kCmdPageSetup, F, "Page Setup\tF11", "Page setup", N},
      {kCmdClose, F, "Close\tF9", "Close child window", N},
      {kCmdAbout, MenuId::kHelp, "About\tF1", "", N},
      {kCmdRunAreaDrc, MenuId::kDrc, "Run Area DRC", "Run DRC on last zoomed area", N},
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
      {F,
       "&File",
       {kCmdWorkingDir, kCmdNewLibrary, kCmdLoadLibrary, kCmdGdsIn, kCmdOasisIn, kCmdPolyIn, kCmdCriticalityIn, X,
        kCmdRemovePolys, kCmdRemoveCriticality, kCmdReadLayerMap, kCmdLoadConfig, kCmdSaveConfig, kCmdSave,
        kCmdClose, X,
        kCmdPageSetup, kCmdPrint, X,
        kCmdExit}},
      {V,
       "&View",
       {kCmdChangeDepth, kCmdChangeCellSize, kCmdShowTreePanel, kCmdOpenCell, kCmdOpenRootCell, kCmdShowDbUnit, X,
        kCmdInstanceInfo, kCmdInspectLayer, kCmdInspectNext, kCmdGoTo, kCmdShowOutlines, kCmdShowGrids, kCmdShowNames,
        kCmdShowTexts, X,
        kCmdAngleGrid, kCmdRemoveRulers, kCmdRecoverRulers, X,
        kCmdChangeColor, kCmdZoomOut, kCmdZoomOut4X, kCmdZoomIn4X, X,
        kCmdRedraw, kCmdOrderedDraw, kCmdAccurateDraw, kCmdOptimizeDb, kCmdClearMemory, X,
        kCmdChangeTitle}},
      {E,
       "&Edit",
       {kCmdCancel, kCmdInsertPolygon, kCmdDeletePolygon, kCmdPastePolygon, kCmdSizingPolygon, kCmdFlipXPolygon,
        kCmdFlipYPolygon, kCmdRotate90Polygon, kCmdSnapPolygon, kCmdMergePolygons, kCmdSubtractPolygons, X,
        kCmdCreateCell, kCmdIncrementCell, kCmdInsertInst, kCmdModifyInst, kCmdReplaceInst, kCmdDeleteInst, X,
        kCmdCreatePath, kCmdCreateCircleArc, kCmdInsertText, kCmdReplaceText, X,
        kCmdRecalculateCells, kCmdChangeDbUnit}},
      {MenuId::kDrc, "&DRC", {kCmdRunAreaDrc}},
      {MenuId::kHelp, "&Help", {kCmdAbout}},
  };
  return menus;
}

const MenuLayout& SaveSubMenu() {
  static const MenuLayout save = {S, "Save", {kCmdSave, kCmdExtract, kCmdSaveJpeg, kCmdSaveBmp}};
  return save;
}

const std::vector<Command>& FrameFileMenu() {
  static const std::vector<Command> menu = {
      {kCmdWorkingDir, F, "Working Dir\tF2", "Set working directory", N},
      {kCmdNewLibrary, F, "New\tShift-F3", "New Library", N},
      {kCmdLoadLibrary, F, "Load\tF3", "Load Library", N},
      {kCmdGdsIn, F, "GDSIn\tF4", "Load GDS", N},
      {kCmdOasisIn, F, "OASISIn\tShift-F4", "Load OASIS", N},
      {kCmdExit, F, "Exit\tF10", "Quit the program", N},
  };
  return menu;
}

const Command& FrameAboutCommand() {
  static const Command about = {kCmdAbout, MenuId::kHelp, "About\tF1", "", N};
  return about;
}
