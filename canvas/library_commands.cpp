// The commands that give a canvas its library and the cell it shows.
#include <memory>
#include <string>

#include "canvas/canvas_host.h"
#include "canvas/view/canvas_prompts.h"
#include "canvas/view/cell_box.h"
#include "canvas/jobs/library_jobs.h"
#include "canvas/view/opened_library.h"
#include "canvas/my_canvas.h"
#include "db/error.h"
#include "db/library.h"
#include "db/log.h"

void MyCanvas::AttachLibrary(std::shared_ptr<Library> library) {
  // The shown cell belongs to the library let go, which may be freed now.
  topCell = nullptr;
  topCellId = -1;
  viewChanged = true;
  unreadableCells_.Clear();
  library_ = std::move(library);
}

void MyCanvas::ShareLibrary(std::shared_ptr<Library> library) {
  AttachLibrary(std::move(library));
  GridStep();
}

void MyCanvas::SetTopCell(int32_t id) {
  Cell* cell = library_ ? library_->GetCell(id) : nullptr;
  topCell = cell;
  topCellId = cell ? id : -1;
  viewChanged = true;
  if (!cell) return;
  EnsureCellBox(*cell, settings_.nmPerUnit, Prompts());
  view.SetViewBox(cell->box.x1, cell->box.y1, cell->box.x2, cell->box.y2);
}

bool MyCanvas::ShowOpenedLibrary() {
  const OpenedLibrary opened = FinishLibraryOpen(*library_);
  GridStep();
  SetTopCell(opened.topCellId);
  settings_.depth = opened.depth;
  return opened.topCellId >= 0;
}

void MyCanvas::ReportFailure(const std::string& errorLine) {
  MainStatus(errorLine);
  LogMessage("%s", errorLine.c_str());
}

bool MyCanvas::LoadLibrary(const std::string& directory) {
  MainStatus("Loading Library, wait...");
  BusyCursor busy(host_);
  bool hasRoot = false;
  try {
    AttachLibrary(std::make_shared<Library>(directory, false));
    library_->Open();
    hasRoot = ShowOpenedLibrary();
  } catch (const Error& e) {
    ReportFailure(ErrorLine(e));
    if (std::string(e.Tag()) == kTagLibLock) Prompts().ShowMessage(e.Message(), "Wrong Usage");
    return false;
  }
  MainStatus(hasRoot ? "Ready" : "Empty library");
  return true;
}

bool MyCanvas::ConvertLayout(LayoutFormat format, const std::string& path, const std::string& directory,
                             bool compressed) {
  if (Library::DirectoryHoldsLibrary(directory)) {
    // Importing into it would write over a library that another window may show.
    Prompts().ShowMessage("Directory " + directory + " already holds a library, use Load", "Wrong Usage");
    return false;
  }
  const char* name = format == LayoutFormat::kGds ? "GDS" : "OASIS";
  LogMessage("\n%sConverting %s %s into Library %s\n", LogTimeStamp().c_str(), name, path.c_str(), directory.c_str());
  MainStatus(std::string("Converting ") + name + " to Library, wait...");
  BusyCursor busy(host_);
  bool hasRoot = false;
  try {
    AttachLibrary(std::make_shared<Library>(directory, compressed));
    ImportLayout(format, path, *library_);
    hasRoot = ShowOpenedLibrary();
  } catch (const Error& e) {
    ReportFailure(ErrorLine(e));
    return false;
  }
  MainStatus(hasRoot ? "Ready" : "Empty library");
  return true;
}

bool MyCanvas::ConvertGDS(const std::string& gdsPath, const std::string& directory) {
  return ConvertLayout(LayoutFormat::kGds, gdsPath, directory, settings_.gzipLibrary);
}

bool MyCanvas::ConvertOASIS(const std::string& oasisPath, const std::string& directory) {
  // OASIS files are read plain whatever their name, into an uncompressed library.
  return ConvertLayout(LayoutFormat::kOasis, oasisPath, directory, false);
}
