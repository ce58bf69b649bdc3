#include "canvas/jobs/area_drc.h"

#include <cstdlib>
#include <fstream>

#include "canvas/jobs/process_runner.h"

std::string DrcEngine() {
  const char* engine = std::getenv("KORVANE_DRC_ENGINE");
  return engine && *engine ? engine : "pellago";
}

std::string RunAreaDrcJob(const std::string& driverPath, const std::string& driverText, const std::string& engine,
                          ProcessRunner& runner) {
  {
    std::ofstream driver(driverPath, std::ios::binary | std::ios::trunc);
    if (!driver) return "Error: Output file " + driverPath + " could not be opened !";
    driver << driverText;
    driver.close();
    if (!driver) return "Error: Output file " + driverPath + " could not be written !";
  }
  const ProcessResult result = runner.Run(engine, driverPath);
  if (!result.started) return "DRC engine " + engine + " could not be started";
  if (result.exitStatus != 0) {
    return "DRC engine " + engine + " exited with status " + std::to_string(result.exitStatus);
  }
  return "";
}
