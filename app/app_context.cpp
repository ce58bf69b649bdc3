#include "app/app_context.h"

#include <wx/cmndata.h>

#include "db/log.h"

AppContext::AppContext() = default;
AppContext::~AppContext() = default;

bool AppContext::OpenLog(const std::string& path) {
  auto stream = std::make_unique<std::ofstream>(path, std::ios::out | std::ios::trunc);
  if (!stream->is_open() || !*stream) return false;
  logStream = std::move(stream);
  SetLogStream(logStream.get());
  return true;
}

void AppContext::CloseLog() {
  if (!logStream) return;
  SetLogStream(nullptr);
  logStream->close();
}

void AppContext::CreatePrintSettings() {
  printData = std::make_unique<wxPrintData>();
  printData->SetPaperId(wxPAPER_LETTER);
  pageSetupData = std::make_unique<wxPageSetupDialogData>();
}

void AppContext::ReleasePrintSettings() {
  printData.reset();
  pageSetupData.reset();
}
