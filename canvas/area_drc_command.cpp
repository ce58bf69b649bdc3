// The canvas's area design-rule check: the questions and status around the headless run.
#include <wx/filefn.h>

#include "canvas/canvas_host.h"
#include "canvas/jobs/area_drc.h"
#include "canvas/view/canvas_prompts.h"
#include "canvas/jobs/drc_driver.h"
#include "canvas/jobs/process_runner.h"
#include "canvas/my_canvas.h"
#include "db/cell.h"
#include "db/library.h"
#include "db/log.h"

void MyCanvas::RunAreaDRC() {
  const std::string rules =
      Prompts().AskFileToOpen("Open a script file", "Script Files(*.tcl)|*.tcl|All files(*.*)|*.*");
  if (rules.empty() || !library_ || !topCell) return;
  const std::string cwd(wxGetCwd().utf8_str());
  const Box area = AreaChoice(view.magnification, lastZoomedArea, topCell->box);
  const std::string driver = DrcDriverText(AbsolutePathFrom(cwd, library_->directory), topCell->Name(), area,
                                           settings_.nmPerUnit, AbsolutePathFrom(cwd, rules));
  SystemProcessRunner systemRunner;
  ProcessRunner& runner = processRunner_ ? *processRunner_ : systemRunner;
  std::string failure;
  {
    BusyCursor busy(host_);
    failure = RunAreaDrcJob(AbsolutePathFrom(cwd, kDrcDriverName), driver, DrcEngine(), runner);
  }
  if (failure.empty()) return;
  LogMessage("%s\n", failure.c_str());
  MainStatus(failure);
}
