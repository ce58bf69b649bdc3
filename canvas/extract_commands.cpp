// The canvas's extraction and export commands: the status, cursor and log around the headless
// jobs, over the shown cell and the window the options choose.
#include "canvas/canvas_host.h"
#include "canvas/jobs/extraction.h"
#include "canvas/my_canvas.h"
#include "db/cell.h"
#include "db/error.h"
#include "db/library.h"
#include "db/log.h"

void MyCanvas::RunExportJob(const std::string& logLine, const std::string& status, bool stampEnd,
                            const std::function<void()>& job) {
  LogMessage("\n%s%s\n", LogTimeStamp().c_str(), logLine.c_str());
  MainStatus(status);
  BusyCursor busy(host_);
  try {
    job();
  } catch (const Error& e) {
    ReportFailure(ErrorLine(e));
    return;
  }
  if (stampEnd) LogMessage("%s\n", LogTimeStamp().c_str());
  MainStatus("Ready");
}

void MyCanvas::ExtractHierarchical(const std::string& path, int type, bool visibleLayers, bool areaLastZoomed) {
  if (!library_ || !topCell) return;
  RunExportJob("Extracting Hierarchically to " + path, "Extracting Hierarchically, wait...", true, [&] {
    ::ExtractHierarchical(*library_, uint32_t(topCellId), ExtractionWindow(areaLastZoomed, lastZoomedArea, topCell->box),
                          type, ExtractionLayers(*library_, visibleLayers), path);
  });
}

void MyCanvas::ExtractFlat(const std::string& path, int type, bool visibleLayers, bool areaLastZoomed) {
  if (!library_ || !topCell) return;
  RunExportJob("Extracting by flattening to " + path, "Extracting by flattening, wait...", true, [&] {
    ::ExtractFlat(*library_, uint32_t(topCellId), ExtractionWindow(areaLastZoomed, lastZoomedArea, topCell->box), type,
                  ExtractionLayers(*library_, visibleLayers), path);
  });
}

void MyCanvas::WriteGDS(const std::string& path, bool visibleLayers) {
  if (!library_) return;
  RunExportJob("Writing GDS " + path, "Writing GDS, wait...", false,
               [&] { ::WriteGDS(*library_, ExtractionLayers(*library_, visibleLayers), path); });
}

void MyCanvas::WriteOASIS(const std::string& path, bool visibleLayers) {
  if (!library_) return;
  RunExportJob("Writing OASIS " + path, "Writing OASIS, wait...", false,
               [&] { ::WriteOASIS(*library_, ExtractionLayers(*library_, visibleLayers), path); });
}
