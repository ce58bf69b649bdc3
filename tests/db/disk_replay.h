#pragma once

// A model of one directory on a disk that a kill or a power cut may strike. It starts from the
// files of a real directory, records the disk events of a run (disk_events.h), and rebuilds the
// directory that a kill or a power cut after any number of those events would leave behind.
#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "db/disk_events.h"
#include "tests/db/library_test_util.h"

namespace libtest {

class DiskReplay {
 public:
  // Takes the files of directory as they are now.
  explicit DiskReplay(const std::string& directory) : directory_(directory) {
    for (const auto& entry : std::filesystem::directory_iterator(directory)) {
      if (entry.is_regular_file()) initial_[entry.path().filename().string()] = ReadBytes(entry.path().string());
    }
  }
  ~DiskReplay() { RecordDiskEvents(nullptr); }
  DiskReplay(const DiskReplay&) = delete;
  DiskReplay& operator=(const DiskReplay&) = delete;

  template <typename F>
  void Record(F run) {
    RecordDiskEvents([this](const DiskEvent& event) { events_.push_back(event); });
    run();
    RecordDiskEvents(nullptr);
  }

  // Calls check(directory, what) with the directory left by each number of the recorded events
  // (none to all) followed by each cut: a kill, which keeps everything handed to the system, and
  // power cuts that lose what was not synced: the writes, the writes but their first halves, or
  // the writes and the names made since the directory was last synced.
  template <typename F>
  void ForEachCut(F check) const {
    static const char* const kCuts[] = {"kill", "power cut, unsynced writes lost",
                                        "power cut, unsynced writes cut short",
                                        "power cut, unsynced writes and names lost"};
    for (size_t n = 0; n <= events_.size(); ++n) {
      for (int cut = 0; cut < 4; ++cut) {
        TempDir after;
        Materialize(n, cut, after.Path());
        check(after, "after " + std::to_string(n) + " of " + std::to_string(events_.size()) + " steps, " + kCuts[cut]);
      }
    }
  }

 private:
  // A write not yet synced; a truncation empties the file.
  struct Pending {
    bool truncate = false;
    int64_t offset = 0;
    Bytes bytes;
  };
  struct File {
    Bytes synced;
    std::vector<Pending> pending;
  };
  // The files, and the directory's names of them as the process sees them and as last synced.
  struct State {
    std::vector<File> files;
    std::map<std::string, size_t> names, syncedNames;
  };

  static void Put(Bytes& bytes, const Pending& write, size_t count) {
    if (write.truncate) {
      bytes.clear();
      return;
    }
    if (bytes.size() < size_t(write.offset) + count) bytes.resize(size_t(write.offset) + count, 0);
    std::copy_n(write.bytes.begin(), count, bytes.begin() + write.offset);
  }

  void Materialize(size_t n, int cut, const std::string& out) const {
    State state;
    for (const auto& [name, bytes] : initial_) {
      state.names[name] = state.files.size();
      state.files.push_back({bytes, {}});
    }
    state.syncedNames = state.names;
    for (size_t i = 0; i < n; ++i) Apply(state, events_[i]);
    for (const auto& [name, index] : cut == 3 ? state.syncedNames : state.names) {
      Bytes bytes = state.files[index].synced;
      for (const Pending& write : state.files[index].pending) {
        if (cut == 0) Put(bytes, write, write.bytes.size());
        if (cut == 2) Put(bytes, write, write.bytes.size() / 2);
      }
      WriteBytes(out + "/" + name, bytes);
    }
  }

  void Apply(State& state, const DiskEvent& event) const {
    if (event.kind == DiskEvent::Kind::kSyncDirectory) {
      if (event.path == directory_) state.syncedNames = state.names;
      return;
    }
    // Events of files elsewhere are not this directory's.
    const std::string prefix = directory_ + "/";
    if (event.path.compare(0, prefix.size(), prefix) != 0) return;
    const std::string name = event.path.substr(prefix.size());
    auto found = state.names.find(name);
    if (event.kind == DiskEvent::Kind::kOpen) {
      if (found == state.names.end()) {
        found = state.names.emplace(name, state.files.size()).first;
        state.files.emplace_back();
      }
      if (!event.append) state.files[found->second].pending.push_back({true, 0, {}});
      return;
    }
    if (found == state.names.end()) return;
    File& file = state.files[found->second];
    switch (event.kind) {
      case DiskEvent::Kind::kWrite: file.pending.push_back({false, event.offset, event.bytes}); break;
      case DiskEvent::Kind::kSync:
        for (const Pending& write : file.pending) Put(file.synced, write, write.bytes.size());
        file.pending.clear();
        break;
      case DiskEvent::Kind::kRename:
        state.names[event.target.substr(prefix.size())] = found->second;
        state.names.erase(name);
        break;
      default:  // kRemove
        state.names.erase(name);
        break;
    }
  }

  std::string directory_;
  std::vector<DiskEvent> events_;
  std::map<std::string, Bytes> initial_;
};

}  // namespace libtest
