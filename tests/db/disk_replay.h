#pragma once

// A model of one directory on a disk that a kill or a power cut may strike. It starts from the
// files of a real directory, takes the disk events that a run recorded (disk_events.h), and
// builds the directory that the process being killed, or the power failing, after any number
// of those events would leave behind.
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
  enum class Cut {
    // The process dies: everything it handed to the system stays.
    kKill,
    // The power fails: writes not yet synced are lost; names created, renamed or removed stay.
    kUnsyncedDataLost,
    // The power fails: writes not yet synced reach the disk only in their first half.
    kUnsyncedDataCutShort,
    // The power fails: unsynced writes are lost and the directory is as it was last synced.
    kUnsyncedAllLost,
  };
  static constexpr Cut kCuts[] = {Cut::kKill, Cut::kUnsyncedDataLost, Cut::kUnsyncedDataCutShort,
                                  Cut::kUnsyncedAllLost};

  static const char* Name(Cut cut) {
    switch (cut) {
      case Cut::kKill: return "kill";
      case Cut::kUnsyncedDataLost: return "power cut, unsynced data lost";
      case Cut::kUnsyncedDataCutShort: return "power cut, unsynced data cut short";
      case Cut::kUnsyncedAllLost: return "power cut, unsynced data and names lost";
    }
    return "";
  }

  // Takes the files of directory as they are now.
  explicit DiskReplay(const std::string& directory) : directory_(directory) {
    for (const auto& entry : std::filesystem::directory_iterator(directory)) {
      if (!entry.is_regular_file()) continue;
      initial_[entry.path().filename().string()] = ReadBytes(entry.path().string());
    }
  }
  ~DiskReplay() { RecordDiskEvents(nullptr); }
  DiskReplay(const DiskReplay&) = delete;
  DiskReplay& operator=(const DiskReplay&) = delete;

  // Records the disk events of f.
  template <typename F>
  void Record(F f) {
    RecordDiskEvents([this](const DiskEvent& event) { events_.push_back(event); });
    f();
    RecordDiskEvents(nullptr);
  }

  size_t Steps() const { return events_.size(); }

  // Fills out (an empty directory) with what the first n events and the cut leave.
  void Materialize(size_t n, Cut cut, const std::string& out) const {
    State state(initial_);
    for (size_t i = 0; i < n; ++i) Apply(state, events_[i]);
    const auto& names = cut == Cut::kUnsyncedAllLost ? state.syncedNames : state.names;
    for (const auto& [name, inode] : names) {
      const File& file = state.files[inode];
      Bytes bytes = file.synced;
      for (const Pending& write : file.pending) {
        if (cut == Cut::kKill) Put(bytes, write, write.bytes.size());
        if (cut == Cut::kUnsyncedDataCutShort) Put(bytes, write, write.bytes.size() / 2);
      }
      WriteBytes(out + "/" + name, bytes);
    }
  }

 private:
  // A write not yet synced; a truncation is one that empties the file first.
  struct Pending {
    bool truncate = false;
    int64_t offset = 0;
    Bytes bytes;
  };
  struct File {
    Bytes synced;
    std::vector<Pending> pending;
  };
  struct State {
    explicit State(const std::map<std::string, Bytes>& initial) {
      for (const auto& [name, bytes] : initial) {
        names[name] = files.size();
        files.push_back({bytes, {}});
      }
      syncedNames = names;
    }
    std::vector<File> files;
    // Names of the directory to their files, as the process sees them and as last synced.
    std::map<std::string, size_t> names;
    std::map<std::string, size_t> syncedNames;
  };

  static void Put(Bytes& bytes, const Pending& write, size_t count) {
    if (write.truncate) {
      bytes.clear();
      return;
    }
    const size_t end = size_t(write.offset) + count;
    if (bytes.size() < end) bytes.resize(end, 0);
    std::copy(write.bytes.begin(), write.bytes.begin() + std::ptrdiff_t(count), bytes.begin() + write.offset);
  }

  // The name of path in the directory, or "" for a path elsewhere.
  std::string NameOf(const std::string& path) const {
    const std::string prefix = directory_ + "/";
    return path.compare(0, prefix.size(), prefix) == 0 ? path.substr(prefix.size()) : std::string();
  }

  void Apply(State& state, const DiskEvent& event) const {
    const std::string name = NameOf(event.path);
    if (event.kind == DiskEvent::Kind::kSyncDirectory) {
      if (event.path == directory_) state.syncedNames = state.names;
      return;
    }
    auto found = state.names.find(name);
    if (name.empty() || (found == state.names.end() && event.kind != DiskEvent::Kind::kOpen)) return;
    switch (event.kind) {
      case DiskEvent::Kind::kOpen:
        if (found == state.names.end()) {
          found = state.names.emplace(name, state.files.size()).first;
          state.files.emplace_back();
        }
        if (!event.append) state.files[found->second].pending.push_back({true, 0, {}});
        break;
      case DiskEvent::Kind::kWrite:
        state.files[found->second].pending.push_back({false, event.offset, event.bytes});
        break;
      case DiskEvent::Kind::kSync: {
        File& file = state.files[found->second];
        for (const Pending& write : file.pending) Put(file.synced, write, write.bytes.size());
        file.pending.clear();
        break;
      }
      case DiskEvent::Kind::kRename:
        state.names[NameOf(event.target)] = found->second;
        state.names.erase(name);
        break;
      case DiskEvent::Kind::kRemove:
        state.names.erase(name);
        break;
      case DiskEvent::Kind::kSyncDirectory:
        break;
    }
  }

  std::string directory_;
  std::vector<DiskEvent> events_;
  std::map<std::string, Bytes> initial_;
};

}  // namespace libtest
