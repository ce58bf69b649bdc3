// The child window's edit commands: forwarders to the canvas, and Change DB Unit.
#include "app/core/command_ids.h"
#include "app/core/db_unit.h"
#include "app/my_child.h"
#include "canvas/view/canvas_prompts.h"
#include "canvas/my_canvas.h"
#include "db/library.h"

void MyChild::OnEditCommand(wxCommandEvent& event) {
  if (!canvas || !canvas->GetLibrary()) return;
  switch (event.GetId()) {
    case kCmdCancel: canvas->Cancel(); break;
    case kCmdInsertPolygon: canvas->InsertPolygon(); break;
    case kCmdDeletePolygon: canvas->DeletePolygon(); break;
    case kCmdPastePolygon: canvas->PastePolygon(); break;
    case kCmdSizingPolygon: canvas->SizingPolygon(); break;
    case kCmdFlipXPolygon: canvas->FlipXPolygon(); break;
    case kCmdFlipYPolygon: canvas->FlipYPolygon(); break;
    case kCmdRotate90Polygon: canvas->Rotate90Polygon(); break;
    case kCmdSnapPolygon: canvas->SnapPolygon(); break;
    case kCmdMergePolygons: canvas->MergePolygons(); break;
    case kCmdSubtractPolygons: canvas->SubtractPolygons(); break;
    case kCmdCreatePath: canvas->CreatePath(); break;
    case kCmdCreateCircleArc: canvas->CreateCircle(); break;
    case kCmdInsertText: canvas->InsertText(); break;
    case kCmdReplaceText: canvas->ReplaceText(); break;
    default: break;
  }
}

void MyChild::OnChangeDbUnit(wxCommandEvent&) {
  if (!canvas || !canvas->GetLibrary()) return;
  const std::optional<double> nmPerUnit =
      ParseDbUnit(Prompts().AskText("Enter new DB Unit by nm", "Change DB Unit", ""));
  if (!nmPerUnit) return;
  Library& library = *canvas->GetLibrary();
  ApplyDbUnit(library, *nmPerUnit);
  // Every window on the library draws and snaps in the new unit.
  for (MyCanvas* shown : MyCanvas::CanvasesShowing(&library)) shown->GridStep();
}
