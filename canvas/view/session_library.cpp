// The commands that give a view its library and the cell it shows.
#include <memory>
#include <string>

#include "canvas/view/canvas_prompts.h"
#include "canvas/view/document.h"
#include "canvas/view/opened_library.h"
#include "canvas/view/view_session.h"
#include "db/error.h"
#include "db/library.h"
#include "db/log.h"

namespace {

std::shared_ptr<Document> NewDocument(const std::string& directory, bool gzip) {
  return std::make_shared<Document>(std::make_shared<Library>(directory, gzip));
}

}  // namespace

bool ViewSession::ShowOpenedLibrary() {
  const OpenedLibrary opened = FinishLibraryOpen(*GetLibrary());
  GridStep();
  SetTopCell(opened.topCellId);
  settings_.depth = opened.depth;
  return opened.topCellId >= 0;
}

bool ViewSession::LoadLibrary(const std::string& directory) {
  MainStatus("Loading Library, wait...");
  BusyCursor busy(host_);
  bool hasRoot = false;
  try {
    AttachDocument(NewDocument(directory, false));
    GetLibrary()->Open();
    hasRoot = ShowOpenedLibrary();
  } catch (const Error& e) {
    ReportFailure(ErrorLine(e), FailureShown::kMainStatus);
    if (std::string(e.Tag()) == kTagLibLock) Prompts().ShowMessage(e.Message(), "Wrong Usage");
    return false;
  }
  MainStatus(hasRoot ? "Ready" : "Empty library");
  return true;
}

bool ViewSession::ConvertLayout(LayoutFormat format, const std::string& path, const std::string& directory,
                                bool compressed) {
  if (Library::DirectoryHoldsLibrary(directory)) {
    Prompts().ShowMessage(HoldsLibraryRefusal(directory), "Wrong Usage");
    return false;
  }
  const char* name = format == LayoutFormat::kGds ? "GDS" : "OASIS";
  LogMessage("\n%sConverting %s %s into Library %s\n", LogTimeStamp().c_str(), name, path.c_str(), directory.c_str());
  MainStatus(std::string("Converting ") + name + " to Library, wait...");
  BusyCursor busy(host_);
  bool hasRoot = false;
  try {
    AttachDocument(NewDocument(directory, compressed));
    ImportLayout(format, path, *GetLibrary());
    hasRoot = ShowOpenedLibrary();
  } catch (const Error& e) {
    ReportFailure(ErrorLine(e), FailureShown::kMainStatus);
    return false;
  }
  MainStatus(hasRoot ? "Ready" : "Empty library");
  return true;
}

bool ViewSession::ConvertGDS(const std::string& gdsPath, const std::string& directory) {
  return ConvertLayout(LayoutFormat::kGds, gdsPath, directory, settings_.gzipLibrary);
}

bool ViewSession::ConvertOASIS(const std::string& oasisPath, const std::string& directory) {
  // OASIS files are read plain whatever their name, into an uncompressed library.
  return ConvertLayout(LayoutFormat::kOasis, oasisPath, directory, false);
}

void ViewSession::StartNewLibrary(const std::string& directory, const std::string& topCellName) {
  ShareDocument(NewDocument(directory, false));
  Library& library = *GetLibrary();
  const uint32_t id = library.CreateEditedCell(topCellName);
  library.roots.push_back(id);
  SetTopCell(int32_t(id));
  DisplaySettings settings = settings_;
  settings.depth = int32_t(library.depth) + 1;
  ApplySettings(settings);
}
