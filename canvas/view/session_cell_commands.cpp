// The cell and instance commands of a view and the library-wide ones it starts: the work is the
// headless commands' and the document's; every view on the library follows what they changed.
#include "canvas/view/canvas_prompts.h"
#include "canvas/view/cell_choosers.h"
#include "canvas/view/db_unit.h"
#include "canvas/view/document.h"
#include "canvas/view/instance_commands.h"
#include "canvas/view/view_session.h"
#include "db/error.h"
#include "db/library.h"
#include "db/log.h"

std::string ViewSession::CreateCell() { return document_ ? RunFollowed(::CreateCell) : ""; }

void ViewSession::DeleteCell() {
  if (document_) RunFollowed(::DeleteCell);
}

void ViewSession::IncrementCell() {
  if (!topCell_) return;
  ::IncrementCell(*GetLibrary(), *topCell_);
  SetTopCell(topCellId_);
  document_->Edited(kBoxChanged);
}

void ViewSession::InsertInst() {
  if (topCell_) RunFollowed(::InsertInst);
}

void ViewSession::DeleteInst() {
  if (document_) RunFollowed(::DeleteInst);
}

void ViewSession::ReplaceInst() {
  if (document_) RunFollowed(::ReplaceInst);
}

void ViewSession::ModifyInst() {
  if (document_) RunFollowed(::ModifyInst);
}

void ViewSession::InstanceInfo() {
  if (document_) ::InstanceInfo(*this);
}

std::string ViewSession::OpenCell(const std::string& title) {
  return document_ ? ::OpenCell(document_->GetLibrary(), Prompts(), title) : "";
}

void ViewSession::RecalculateCells() {
  if (!document_ || !GetLibrary()->HierarchyDue()) return;
  ChildStatus(0, "Recalculating, wait...");
  {
    BusyCursor busy(host_);
    document_->Recalculate();
  }
  // The shown cell's box may have changed: the view fits it anew. Every other view on the
  // library keeps its view and draws the new boxes.
  SetTopCell(topCellId_);
  ChildStatus(0, "Ready");
}

void ViewSession::SaveDb() {
  if (!document_) return;
  RecalculateCells();
  ChildStatus(0, "Saving library, wait...");
  BusyCursor busy(host_);
  document_->Save();
  ChildStatus(0, "Ready");
}

void ViewSession::OptimizeDb() {
  if (!document_) return;
  MainStatus("Optimization started...");
  LogMessage("\n%sOptimize DB\n", LogTimeStamp().c_str());
  {
    BusyCursor busy(host_);
    try {
      MainStatus(document_->Optimize().status);
    } catch (const Error& error) {
      ReportFailure(ErrorLine(error), FailureShown::kMainStatus);
    }
  }
  LogMessage("%s\n", LogTimeStamp().c_str());
}

void ViewSession::ChangeDbUnit() {
  if (!document_) return;
  const std::optional<double> nmPerUnit =
      ParseDbUnit(Prompts().AskText("Enter new DB Unit by nm", "Change DB Unit", ""));
  if (!nmPerUnit) return;
  ApplyDbUnit(document_->GetLibrary(), *nmPerUnit);
  // Every view on the library draws and snaps in the new unit.
  document_->Edited(kUnitsChanged);
}
