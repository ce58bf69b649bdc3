// The edit commands of a view: each runs its command on the selection and the shown cell, then
// shows the outcome.
#include "canvas/view/document.h"
#include "canvas/view/path_circle_text.h"
#include "canvas/view/polygon_commands.h"
#include "canvas/view/view_session.h"
#include "db/library.h"

void ViewSession::ShowEditOutcome(const EditOutcome& outcome) {
  // The command's text replaces what the last gesture or command reported; "Ready" when it has
  // none.
  if (outcome.errorLine.empty()) {
    ChildStatus(1, EditStatusText(outcome));
  } else {
    ReportFailure(outcome.errorLine, FailureShown::kCommandStatus);
  }
  if (outcome.redraw) RedrawView();
}

void ViewSession::Cancel() {
  EditOutcome outcome = CancelSelection(edit_);
  if (settings_.highlightedCell >= 0) {
    settings_.highlightedCell = -1;
    outcome.redraw = true;
  }
  ShowEditOutcome(outcome);
}

void ViewSession::InsertPolygon() {
  if (topCell_) ShowEditOutcome(RunFollowed(::InsertPolygon));
}

void ViewSession::DeletePolygon() {
  if (topCell_) ShowEditOutcome(RunFollowed(::DeletePolygon));
}

void ViewSession::PastePolygon() { ShowEditOutcome(::PastePolygon(edit_)); }

void ViewSession::SizingPolygon() {
  if (document_) ShowEditOutcome(::SizingPolygon(*this));
}

void ViewSession::FlipXPolygon() { ShowEditOutcome(::FlipXPolygon(edit_)); }

void ViewSession::FlipYPolygon() { ShowEditOutcome(::FlipYPolygon(edit_)); }

void ViewSession::Rotate90Polygon() { ShowEditOutcome(::Rotate90Polygon(edit_)); }

void ViewSession::SnapPolygon() { ShowEditOutcome(::SnapPolygon(edit_, settings_.snapGrid)); }

void ViewSession::MergePolygons() {
  if (!topCell_) return;
  BusyCursor busy(host_);
  ShowEditOutcome(RunFollowed(::MergePolygons));
}

void ViewSession::SubtractPolygons() {
  if (topCell_) ShowEditOutcome(RunFollowed(::SubtractPolygons));
}

void ViewSession::CreatePath() {
  if (document_) edit_.FollowGeneration(document_->GetLibrary());
  const EditOutcome outcome = ::CreatePath(*this);
  if (outcome.redraw) settings_.highlightedCell = -1;
  ShowEditOutcome(outcome);
}

void ViewSession::CreateCircle() {
  if (document_) edit_.FollowGeneration(document_->GetLibrary());
  const EditOutcome outcome = ::CreateCircle(*this);
  if (outcome.redraw) settings_.highlightedCell = -1;
  ShowEditOutcome(outcome);
}

void ViewSession::InsertText() {
  if (topCell_) ShowEditOutcome(RunFollowed(::InsertText));
}

void ViewSession::ReplaceText() {
  if (document_) ShowEditOutcome(RunFollowed(::ReplaceText));
}
