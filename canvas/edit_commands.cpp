// The canvas's edit commands: each runs its headless command on the selection and the shown
// cell, then shows the outcome.
#include "canvas/canvas_host.h"
#include "canvas/view/canvas_prompts.h"
#include "canvas/view/path_circle_text.h"
#include "canvas/view/polygon_commands.h"
#include "canvas/my_canvas.h"
#include "db/library.h"
#include "db/log.h"

EditTarget MyCanvas::CurrentEditTarget() {
  edit.FollowGeneration(*library_);
  return EditTarget{*library_, *topCell, edit, host_ ? host_->FirstSelectedLayerRow() : -1};
}

void MyCanvas::ShowEditOutcome(const EditOutcome& outcome) {
  if (!outcome.errorLine.empty()) LogMessage("%s", outcome.errorLine.c_str());
  // The command's text replaces what the last gesture or command reported; "Ready" when it has
  // none.
  if (host_) host_->SetChildStatus(1, EditStatusText(outcome));
  if (outcome.redraw) RefreshView();
}

void MyCanvas::Cancel() {
  EditOutcome outcome = CancelSelection(edit);
  if (settings_.highlightedCell >= 0) {
    settings_.highlightedCell = -1;
    outcome.redraw = true;
  }
  ShowEditOutcome(outcome);
}

void MyCanvas::InsertPolygon() {
  if (!topCell) return;
  EditTarget target = CurrentEditTarget();
  ShowEditOutcome(::InsertPolygon(target));
}

void MyCanvas::DeletePolygon() {
  if (!topCell) return;
  EditTarget target = CurrentEditTarget();
  ShowEditOutcome(::DeletePolygon(target));
}

void MyCanvas::PastePolygon() { ShowEditOutcome(::PastePolygon(edit)); }

void MyCanvas::SizingPolygon() {
  if (!library_) return;
  ShowEditOutcome(::SizingPolygon(edit, *library_, Prompts()));
}

void MyCanvas::FlipXPolygon() { ShowEditOutcome(::FlipXPolygon(edit)); }

void MyCanvas::FlipYPolygon() { ShowEditOutcome(::FlipYPolygon(edit)); }

void MyCanvas::Rotate90Polygon() { ShowEditOutcome(::Rotate90Polygon(edit)); }

void MyCanvas::SnapPolygon() { ShowEditOutcome(::SnapPolygon(edit, settings_.snapGrid)); }

void MyCanvas::MergePolygons() {
  if (!topCell) return;
  EditTarget target = CurrentEditTarget();
  BusyCursor busy(host_);
  ShowEditOutcome(::MergePolygons(target, lastZoomedArea));
}

void MyCanvas::SubtractPolygons() {
  if (!topCell) return;
  EditTarget target = CurrentEditTarget();
  ShowEditOutcome(::SubtractPolygons(target));
}

void MyCanvas::CreatePath() {
  if (library_) edit.FollowGeneration(*library_);
  const EditOutcome outcome = ::CreatePath(edit, pathMemory_, settings_.nmPerUnit, Prompts());
  if (outcome.redraw) settings_.highlightedCell = -1;
  ShowEditOutcome(outcome);
}

void MyCanvas::CreateCircle() {
  if (library_) edit.FollowGeneration(*library_);
  const EditOutcome outcome = ::CreateCircle(edit, settings_.nmPerUnit, Prompts());
  if (outcome.redraw) settings_.highlightedCell = -1;
  ShowEditOutcome(outcome);
}

void MyCanvas::InsertText() {
  if (!topCell) return;
  EditTarget target = CurrentEditTarget();
  ShowEditOutcome(::InsertText(target, settings_.nmPerUnit, Prompts()));
}

void MyCanvas::ReplaceText() {
  if (!library_) return;
  ShowEditOutcome(::ReplaceText(edit, *library_, Prompts()));
}
