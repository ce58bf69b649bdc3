#include "app/core/command_table.h"

#include "canvas/view/view_session.h"

namespace {

constexpr CommandKind N = CommandKind::kNormal;
constexpr CommandKind C = CommandKind::kCheck;
constexpr MenuId V = MenuId::kView;
constexpr MenuId E = MenuId::kEdit;
constexpr MenuId F = MenuId::kFile;
constexpr MenuId S = MenuId::kSave;

constexpr CommandHandler Session(SessionCommand command) { return CommandHandler{command, nullptr, false}; }
constexpr CommandHandler Child(ChildCommand command) { return CommandHandler{nullptr, command, false}; }
constexpr CommandHandler kFrame{nullptr, nullptr, true};

}  // namespace

const std::vector<Command>& CommandTable() {
  static const std::vector<Command> table = {
      {kCmdChangeDepth, V, "Change &Depth", "Change hierarhcical display depth", N, Session(&ViewSession::ChangeDepth)},
      {kCmdChangeCellSize, V, "Change Cell &Size", "Change cell display size", N,
       Session(&ViewSession::ChangeCellSize)},
      {kCmdShowTreePanel, V, "Show &Tree Panel", "Show hierarchy tree panel", C,
       Child(&ChildCommands::OnShowTreePanel)},
      {kCmdOpenCell, V, "Open &Cell", "Open Cell", N, Child(&ChildCommands::OnOpenCell)},
      {kCmdOpenRootCell, V, "Open Root Cell", "Open Root Cell", N, Child(&ChildCommands::OnOpenRootCell)},
      {kCmdShowDbUnit, V, "Show DB &Unit", "Show DB Unit", N, Session(&ViewSession::ShowDbUnit)},
      {kCmdInstanceInfo, V, "Instance Info", "Show selected instance info", N, Session(&ViewSession::InstanceInfo)},
      {kCmdInspectLayer, V, "&Inspect Layer", "Inspect small geometry layer", N, Session(&ViewSession::InspectLayer)},
      {kCmdInspectNext, V, "Inspect &Next", "Inspect next small geometry", N, Session(&ViewSession::InspectNext)},
      {kCmdGoTo, V, "&Go to", "Zoom into sepcific location", N, Session(&ViewSession::GoTo)},
      {kCmdShowOutlines, V, "Show &Outlines", "Show outlines only", C, Child(&ChildCommands::OnToggle)},
      {kCmdShowGrids, V, "Show &Grids", "Show grid points", C, Child(&ChildCommands::OnToggle)},
      {kCmdShowNames, V, "Show &Names", "Show cell names", C, Child(&ChildCommands::OnToggle)},
      {kCmdShowTexts, V, "Show Texts", "Show texts", C, Child(&ChildCommands::OnToggle)},
      {kCmdAngleGrid, V, "&Angle/Grid", "Set angle/grid preferences", N, Child(&ChildCommands::OnAngleGrid)},
      {kCmdRemoveRulers, V, "&Remove Rulers", "", N, Session(&ViewSession::RemoveRulers)},
      {kCmdRecoverRulers, V, "&Recover Rulers", "", N, Session(&ViewSession::RecoverRulers)},
      {kCmdChangeColor, V, "Change Color", "Change the colour of background/highlights", N,
       Child(&ChildCommands::OnChangeColor)},
      {kCmdZoomOut, V, "Zoom out", "Zoom out for complete view, Zoom in with mouse right button drag", N,
       Session(&ViewSession::Zoomout)},
      {kCmdZoomOut4X, V, "&Zoom out 4X", "Zoom out by 4X, Zoom in with mouse right button drag", N,
       Session(&ViewSession::Zoomout4X)},
      {kCmdZoomIn4X, V, "&Zoom in 4X", "Zoom in by 4X, Zoom in with mouse right button drag", N,
       Session(&ViewSession::Zoomin4X)},
      {kCmdRedraw, V, "&Redraw", "", N, Child(&ChildCommands::OnRedraw)},
      {kCmdOrderedDraw, V, "Ordered Draw", "Ordered layer drawing", C, Child(&ChildCommands::OnToggle)},
      {kCmdAccurateDraw, V, "&Accurate Draw", "Accurate drawing", C, Child(&ChildCommands::OnToggle)},
      {kCmdOptimizeDb, V, "&Optimize DB", "Restructure DB", N, Session(&ViewSession::OptimizeDb)},
      {kCmdClearMemory, V, "Clear Memory", "Clear memory and reread DB", N, Session(&ViewSession::ClearMemory)},
      {kCmdChangeTitle, V, "Change &Title", "Change title for print", N, Child(&ChildCommands::OnChangeTitle)},
      {kCmdCancel, E, "Cancel", "Cancel selection/modification", N, Session(&ViewSession::Cancel)},
      {kCmdInsertPolygon, E, "&Insert Polygon", "Update polygon", N, Session(&ViewSession::InsertPolygon)},
      {kCmdDeletePolygon, E, "&Delete Polygon", "Delete polygon", N, Session(&ViewSession::DeletePolygon)},
      {kCmdPastePolygon, E, "&Paste Polygon", "Paste selected polygon", N, Session(&ViewSession::PastePolygon)},
      {kCmdSizingPolygon, E, "&Sizing Polygon", "Sizing selected polygon", N, Session(&ViewSession::SizingPolygon)},
      {kCmdFlipXPolygon, E, "Flip&X Polygon", "Flip polygon by X axis", N, Session(&ViewSession::FlipXPolygon)},
      {kCmdFlipYPolygon, E, "Flip&Y Polygon", "Flip polygon by Y axis", N, Session(&ViewSession::FlipYPolygon)},
      {kCmdRotate90Polygon, E, "&Rotate 90 Polygon", "Rotate polygon by 90 degree", N,
       Session(&ViewSession::Rotate90Polygon)},
      {kCmdSnapPolygon, E, "Snap Polygon", "Snap polygon to specified grid", N, Session(&ViewSession::SnapPolygon)},
      {kCmdMergePolygons, E, "&Merge Polygons", "Merge top geometries of selected layer", N,
       Session(&ViewSession::MergePolygons)},
      {kCmdSubtractPolygons, E, "Subtract Polygons", "Subtract rectangle from top geometries of selected layer", N,
       Session(&ViewSession::SubtractPolygons)},
      {kCmdCreatePath, E, "Create Path", "Create Path from drawn lines", N, Session(&ViewSession::CreatePath)},
      {kCmdCreateCircleArc, E, "Create Circle/Arc", "Create Circle/Arc/Ring/Arc Ring from drawn line", N,
       Session(&ViewSession::CreateCircle)},
      {kCmdInsertText, E, "Insert Text", "Insert new Text", N, Session(&ViewSession::InsertText)},
      {kCmdReplaceText, E, "Replace Text", "Replace selected Text", N, Session(&ViewSession::ReplaceText)},
      {kCmdCreateCell, E, "Create Cell", "Create Cell", N, Child(&ChildCommands::OnCreateCell)},
      {kCmdIncrementCell, E, "Increment Cell", "Increment Cell Size", N, Session(&ViewSession::IncrementCell)},
      {kCmdInsertInst, E, "Insert Inst", "Insert Cell Instance", N, Session(&ViewSession::InsertInst)},
      {kCmdDeleteInst, E, "Delete Inst", "Delete selected Cell Instance", N, Session(&ViewSession::DeleteInst)},
      {kCmdReplaceInst, E, "Replace Inst", "Replace selected Cell Instance", N, Session(&ViewSession::ReplaceInst)},
      {kCmdModifyInst, E, "Modify Inst", "Modify selected Cell Instance", N, Session(&ViewSession::ModifyInst)},
      {kCmdRecalculateCells, E, "Recalculate Cells", "Recalculate cell bounding boxes", N,
       Session(&ViewSession::RecalculateCells)},
      {kCmdChangeDbUnit, E, "Change DB &Unit", "Change DB Unit", N, Session(&ViewSession::ChangeDbUnit)},
      {kCmdExit, F, "Exit\tF10", "Quit the program", N, kFrame},
      {kCmdNewLibrary, F, "New\tShift-F3", "Open new library", N, kFrame},
      {kCmdWorkingDir, F, "Working Dir\tF2", "Set working directory", N, kFrame},
      {kCmdLoadLibrary, F, "Load\tF3", "Load another library", N, kFrame},
      {kCmdGdsIn, F, "GDSIn\tF4", "Load another GDS", N, kFrame},
      {kCmdOasisIn, F, "OASISIn\tShift-F4", "Load another OASIS", N, kFrame},
      {kCmdPolyIn, F, "PolyIn\tCtrl-F4", "Load text polygons", N, Session(&ViewSession::PolyIn)},
      {kCmdRemovePolys, F, "Remove Polys\tShift-F5", "Remove all text polygons", N,
       Session(&ViewSession::RemoveTextPolygons)},
      {kCmdCriticalityIn, F, "CriticalityIn\tAlt-F4", "Load Criticality file", N, Session(&ViewSession::CriticalityIn)},
      {kCmdRemoveCriticality, F, "Remove Criticality", "Remove Criticality", N,
       Session(&ViewSession::RemoveCriticality)},
      {kCmdReadLayerMap, F, "Read Layer Map\tF5", "Read Layer Map", N, Child(&ChildCommands::OnReadLayerMap)},
      {kCmdLoadConfig, F, "Load Config\tF6", "Load Config", N, Child(&ChildCommands::OnLoadConfig)},
      {kCmdSaveConfig, F, "Save Config\tShift-F6", "Save Config", N, Child(&ChildCommands::OnSaveConfig)},
      {kCmdSave, F, "Save", "Save DB or image", CommandKind::kSubMenu, CommandHandler{}},
      {kCmdSave, S, "Save DB\tShift-F7", "Save all DB changes", N, Session(&ViewSession::SaveDb)},
      {kCmdExtract, S, "Extract\tF7", "Extract to GDS/OASIS/Text file", N, Child(&ChildCommands::OnExtract)},
      {kCmdSaveJpeg, S, "JPEG\tF8", "Save image to JPEG file", N, Child(&ChildCommands::OnSaveImage)},
      {kCmdSaveBmp, S, "BMP\tShift-F8", "Save image to BMP file", N, Child(&ChildCommands::OnSaveImage)},
      {kCmdPrint, F, "Print\tF12", "Print image", N, Child(&ChildCommands::OnPrint)},
      {kCmdPageSetup, F, "Page Setup\tF11", "Page setup", N, Child(&ChildCommands::OnPageSetup)},
      {kCmdClose, F, "Close\tF9", "Close child window", N, Child(&ChildCommands::OnCloseCommand)},
      {kCmdAbout, MenuId::kHelp, "About\tF1", "", N, kFrame},
      {kCmdRunAreaDrc, MenuId::kDrc, "Run Area DRC", "Run DRC on last zoomed area", N,
       Session(&ViewSession::RunAreaDRC)},
  };
  return table;
}

const std::vector<Command>& UnlistedCommands() {
  static const std::vector<Command> commands = {
      {kCmdIconize, MenuId::kNone, "", "", N, Child(&ChildCommands::OnWindowCommand)},
      {kCmdMoveToCorner, MenuId::kNone, "", "", N, Child(&ChildCommands::OnWindowCommand)},
      {kCmdShrinkClient, MenuId::kNone, "", "", N, Child(&ChildCommands::OnWindowCommand)},
      {kCmdDeleteCell, MenuId::kNone, "", "", N, Session(&ViewSession::DeleteCell)},
  };
  return commands;
}

const Command* FindCommand(MenuId menu, int id) {
  for (const Command& c : CommandTable()) {
    if (c.menu == menu && c.id == id) return &c;
  }
  return nullptr;
}

const std::vector<MenuLayout>& ChildMenuBar() {
  constexpr int X = kSeparator;
  // clang-format off
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
  // clang-format on
}

const MenuLayout& SaveSubMenu() {
  static const MenuLayout save = {S, "Save", {kCmdSave, kCmdExtract, kCmdSaveJpeg, kCmdSaveBmp}};
  return save;
}

const std::vector<Command>& FrameFileMenu() {
  static const std::vector<Command> menu = {
      {kCmdWorkingDir, F, "Working Dir\tF2", "Set working directory", N, kFrame},
      {kCmdNewLibrary, F, "New\tShift-F3", "New Library", N, kFrame},
      {kCmdLoadLibrary, F, "Load\tF3", "Load Library", N, kFrame},
      {kCmdGdsIn, F, "GDSIn\tF4", "Load GDS", N, kFrame},
      {kCmdOasisIn, F, "OASISIn\tShift-F4", "Load OASIS", N, kFrame},
      {kCmdExit, F, "Exit\tF10", "Quit the program", N, kFrame},
  };
  return menu;
}

const Command& FrameAboutCommand() {
  static const Command about = {kCmdAbout, MenuId::kHelp, "About\tF1", "", N, kFrame};
  return about;
}
