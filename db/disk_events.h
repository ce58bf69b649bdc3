#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// A test seam under every file the program writes through BinaryFile and the durable-file
// helpers: each operation that changes what the disk holds is reported to a recorder when one
// is installed, and a countdown can make the k-th of them fail as on a full disk. Tests replay
// the record to see what a kill or a power cut at any step would leave behind.
struct DiskEvent {
  enum class Kind {
    // A file opened for writing: created when missing, emptied unless appended to.
    kOpen,
    // Bytes at an offset of a plain file (gzip streams report their opening only).
    kWrite,
    // A file's data flushed to the disk.
    kSync,
    // path renamed to target, replacing it.
    kRename,
    kRemove,
    // A directory's entries (files created, renamed, removed in it) flushed to the disk.
    kSyncDirectory,
  };
  Kind kind = Kind::kWrite;
  std::string path;
  // kRename: the new name.
  std::string target;
  // kOpen: the file is appended to, not emptied.
  bool append = false;
  // kWrite: where the bytes go in the file, and the bytes.
  int64_t offset = 0;
  std::vector<uint8_t> bytes;
};

using DiskEventRecorder = std::function<void(const DiskEvent&)>;

// Installs recorder (an empty one stops recording).
void RecordDiskEvents(DiskEventRecorder recorder);
bool DiskEventsRecorded();
void NoteDiskEvent(const DiskEvent& event);

// The k-th write, close, sync or rename from this call on fails; k <= 0 turns the countdown
// off. InjectedDiskFault is asked by each such operation and tells whether it is the one to
// fail; InjectedDiskFaultFired whether the fault has struck since the countdown was set.
void FailDiskOperationAt(int64_t k);
bool InjectedDiskFault();
bool InjectedDiskFaultFired();
