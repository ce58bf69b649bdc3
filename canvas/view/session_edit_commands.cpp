// The edit commands of a view: each runs its command on the selection and the shown cell, then
// shows the outcome.
#include "canvas/view/document.h"
#include "canvas/view/path_circle_text.h"
#include "canvas/view/polygon_commands.h"
#include "canvas/view/view_session.h"
#include "db/library.h"

void ViewSession::ShowEditOutcome(const EditOutcome& outcome, uint64_t generationBefore) {
  // The command's text replaces what the last gesture or command reported; "Ready" when it has
  // none.
  if (outcome.errorLine.empty()) {
    ChildStatus(1, EditStatusText(outcome));
  } else {
    ReportFailure(outcome.errorLine, FailureShown::kCommandStatus);
  }
  // A command that changed the library has moved its edit generation: every view follows.
  if (EditGeneration() != generationBefore) {
    document_->Edited(kContentsChanged);
  } else if (outcome.redraw) {
    RedrawView();
  }
}

void ViewSession::RunEdit(EditOutcome (*command)(ViewSession&)) {
  const uint64_t before = EditGeneration();
  ShowEditOutcome(command(*this), before);
}

void ViewSession::Cancel() {
  EditOutcome outcome = CancelSelection(edit_);
  if (settings_.highlightedCell >= 0) {
    settings_.highlightedCell = -1;
    outcome.redraw = true;
  }
  ShowEditOutcome(outcome, EditGeneration());
}

void ViewSession::InsertPolygon() {
  if (topCell_) RunEdit(::InsertPolygon);
}

void ViewSession::DeletePolygon() {
  if (topCell_) RunEdit(::DeletePolygon);
}

void ViewSession::PastePolygon() { ShowEditOutcome(::PastePolygon(edit_), EditGeneration()); }

void ViewSession::SizingPolygon() {
  if (document_) RunEdit(::SizingPolygon);
}

void ViewSession::FlipXPolygon() { ShowEditOutcome(::FlipXPolygon(edit_), EditGeneration()); }

void ViewSession::FlipYPolygon() { ShowEditOutcome(::FlipYPolygon(edit_), EditGeneration()); }

void ViewSession::Rotate90Polygon() { ShowEditOutcome(::Rotate90Polygon(edit_), EditGeneration()); }

void ViewSession::SnapPolygon() { ShowEditOutcome(::SnapPolygon(edit_, settings_.snapGrid), EditGeneration()); }

void ViewSession::MergePolygons() {
  if (!topCell_) return;
  BusyCursor busy(host_);
  RunEdit(::MergePolygons);
}

void ViewSession::SubtractPolygons() {
  if (topCell_) RunEdit(::SubtractPolygons);
}

void ViewSession::CreatePath() {
  if (document_) edit_.FollowGeneration(document_->GetLibrary());
  const EditOutcome outcome = ::CreatePath(*this);
  if (outcome.redraw) settings_.highlightedCell = -1;
  ShowEditOutcome(outcome, EditGeneration());
}

void ViewSession::CreateCircle() {
  if (document_) edit_.FollowGeneration(document_->GetLibrary());
  const EditOutcome outcome = ::CreateCircle(*this);
  if (outcome.redraw) settings_.highlightedCell = -1;
  ShowEditOutcome(outcome, EditGeneration());
}

void ViewSession::InsertText() {
  if (topCell_) RunEdit(::InsertText);
}

void ViewSession::ReplaceText() {
  if (document_) RunEdit(::ReplaceText);
}
