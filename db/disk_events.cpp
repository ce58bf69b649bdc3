#include "db/disk_events.h"

#include <utility>

namespace {
DiskEventRecorder gRecorder;
// 0 is off, otherwise the number of operations still to pass.
int64_t gFaultCountdown = 0;
bool gFaultFired = false;
}  // namespace

void RecordDiskEvents(DiskEventRecorder recorder) { gRecorder = std::move(recorder); }

bool DiskEventsRecorded() { return bool(gRecorder); }

void NoteDiskEvent(const DiskEvent& event) {
  if (gRecorder) gRecorder(event);
}

void FailDiskOperationAt(int64_t k) {
  gFaultCountdown = k > 0 ? k : 0;
  gFaultFired = false;
}

bool InjectedDiskFault() {
  if (gFaultCountdown == 0 || --gFaultCountdown > 0) return false;
  gFaultFired = true;
  return true;
}

bool InjectedDiskFaultFired() { return gFaultFired; }
