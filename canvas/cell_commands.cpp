// The cell and instance commands of the canvas: the work is the headless commands'; here they
// get the canvas's library, shown cell, questions and selection, and the views follow.
#include "canvas/view/canvas_prompts.h"
#include "canvas/view/cell_choosers.h"
#include "canvas/view/cell_recalculation.h"
#include "canvas/view/instance_commands.h"
#include "canvas/my_canvas.h"
#include "db/library.h"

namespace {

// Every canvas on library draws anew: placements and boxes that any of them shows changed.
void RedrawLibrary(const Library& library) {
  for (MyCanvas* canvas : MyCanvas::CanvasesShowing(&library)) canvas->RefreshView();
}

}  // namespace

std::string MyCanvas::CreateCell() {
  if (!library_) return "";
  return ::CreateCell(*library_, Prompts());
}

void MyCanvas::DeleteCell() {
  if (!library_) return;
  std::vector<int32_t> shown;
  for (MyCanvas* canvas : CanvasesShowing(library_.get())) shown.push_back(canvas->TopCellId());
  if (::DeleteCell(*library_, Prompts(), shown)) RedrawLibrary(*library_);
}

void MyCanvas::IncrementCell() {
  if (!library_ || !topCell) return;
  ::IncrementCell(*library_, *topCell);
  SetTopCell(topCellId);
  RefreshView();
}

void MyCanvas::InsertInst() {
  if (!library_ || !topCell) return;
  CellCommandScope scope{*library_, Prompts(), edit, topCellId, settings_.nmPerUnit};
  if (::InsertInst(scope)) RedrawLibrary(*library_);
}

void MyCanvas::DeleteInst() {
  if (!library_) return;
  CellCommandScope scope{*library_, Prompts(), edit, topCellId, settings_.nmPerUnit};
  if (::DeleteInst(scope)) RedrawLibrary(*library_);
}

void MyCanvas::ReplaceInst() {
  if (!library_) return;
  CellCommandScope scope{*library_, Prompts(), edit, topCellId, settings_.nmPerUnit};
  if (::ReplaceInst(scope)) RedrawLibrary(*library_);
}

void MyCanvas::ModifyInst() {
  if (!library_) return;
  CellCommandScope scope{*library_, Prompts(), edit, topCellId, settings_.nmPerUnit};
  if (::ModifyInst(scope)) RedrawLibrary(*library_);
}

void MyCanvas::InstanceInfo() {
  if (!library_) return;
  CellCommandScope scope{*library_, Prompts(), edit, topCellId, settings_.nmPerUnit};
  ::InstanceInfo(scope);
}

std::string MyCanvas::OpenCell(const std::string& title) {
  if (!library_) return "";
  return ::OpenCell(*library_, Prompts(), title);
}

void MyCanvas::RecalculateCells() {
  if (!library_ || !library_->HierarchyDue()) return;
  ChildStatus("Recalculating, wait...");
  {
    BusyCursor busy(host_);
    ::RecalculateCells(*library_);
  }
  // The shown cell's box may have changed: the view fits it anew. Every other canvas on the
  // library keeps its view and draws the new boxes.
  SetTopCell(topCellId);
  RedrawLibrary(*library_);
  ChildStatus("Ready");
}
