// The commands of a view that write its library out: extraction and export over the shown cell
// and the window the options choose, and the area design-rule check, with the status, cursor
// and log around the headless jobs.
#include <filesystem>

#include "canvas/jobs/area_drc.h"
#include "canvas/jobs/drc_driver.h"
#include "canvas/jobs/extraction.h"
#include "canvas/jobs/process_runner.h"
#include "canvas/view/canvas_prompts.h"
#include "canvas/view/view_session.h"
#include "db/cell.h"
#include "db/error.h"
#include "db/library.h"
#include "db/log.h"

void ViewSession::RunExportJob(const std::string& logLine, const std::string& status, bool stampEnd,
                               const std::function<void()>& job) {
  LogMessage("\n%s%s\n", LogTimeStamp().c_str(), logLine.c_str());
  MainStatus(status);
  BusyCursor busy(host_);
  try {
    job();
  } catch (const Error& e) {
    ReportFailure(ErrorLine(e), FailureShown::kMainStatus);
    return;
  }
  if (stampEnd) LogMessage("%s\n", LogTimeStamp().c_str());
  MainStatus("Ready");
}

void ViewSession::ExtractHierarchical(const std::string& path, int type, bool visibleLayers, bool areaLastZoomed) {
  if (!topCell_) return;
  Library& library = *GetLibrary();
  RunExportJob("Extracting Hierarchically to " + path, "Extracting Hierarchically, wait...", true, [&] {
    ::ExtractHierarchical(library, uint32_t(topCellId_),
                          ExtractionWindow(areaLastZoomed, lastZoomedArea_, topCell_->box), type,
                          ExtractionLayers(library, visibleLayers), path);
  });
}

void ViewSession::ExtractFlat(const std::string& path, int type, bool visibleLayers, bool areaLastZoomed) {
  if (!topCell_) return;
  Library& library = *GetLibrary();
  RunExportJob("Extracting by flattening to " + path, "Extracting by flattening, wait...", true, [&] {
    ::ExtractFlat(library, uint32_t(topCellId_), ExtractionWindow(areaLastZoomed, lastZoomedArea_, topCell_->box), type,
                  ExtractionLayers(library, visibleLayers), path);
  });
}

void ViewSession::WriteGDS(const std::string& path, bool visibleLayers) {
  if (!document_) return;
  Library& library = *GetLibrary();
  RunExportJob("Writing GDS " + path, "Writing GDS, wait...", false,
               [&] { ::WriteGDS(library, ExtractionLayers(library, visibleLayers), path); });
}

void ViewSession::WriteOASIS(const std::string& path, bool visibleLayers) {
  if (!document_) return;
  Library& library = *GetLibrary();
  RunExportJob("Writing OASIS " + path, "Writing OASIS, wait...", false,
               [&] { ::WriteOASIS(library, ExtractionLayers(library, visibleLayers), path); });
}

void ViewSession::RunAreaDRC() {
  const std::string rules =
      Prompts().AskFileToOpen("Open a script file", "Script Files(*.tcl)|*.tcl|All files(*.*)|*.*");
  if (rules.empty() || !topCell_) return;
  const std::string cwd = std::filesystem::current_path().string();
  const Box area = AreaChoice(view_.magnification, lastZoomedArea_, topCell_->box);
  const std::string driver = DrcDriverText(AbsolutePathFrom(cwd, GetLibrary()->directory), topCell_->Name(), area,
                                           settings_.nmPerUnit, AbsolutePathFrom(cwd, rules));
  SystemProcessRunner systemRunner;
  ProcessRunner& runner = processRunner_ ? *processRunner_ : systemRunner;
  std::string failure;
  {
    BusyCursor busy(host_);
    failure = RunAreaDrcJob(AbsolutePathFrom(cwd, kDrcDriverName), driver, DrcEngine(), runner);
  }
  if (!failure.empty()) ReportFailure(failure + "\n", FailureShown::kMainStatus);
}
