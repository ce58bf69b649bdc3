#include "db/staged_output.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "db/disk_events.h"
#include "db/error.h"
#include "tests/db/library_test_util.h"

namespace {

using libtest::TempDir;

// The written file is on the disk before the rename names it, and the rename lasts once the
// directory is synced after it.
TEST(StagedOutput, CommitSyncsTheFileThenRenamesThenSyncsTheDirectory) {
  TempDir dir;
  const std::string target = dir.File("view.cfg");
  std::vector<DiskEvent> events;
  RecordDiskEvents([&](const DiskEvent& event) { events.push_back(event); });
  StagedOutput output;
  libtest::WriteBytes(output.Begin(target), {7});
  output.Commit("TEST");
  RecordDiskEvents(nullptr);
  ASSERT_EQ(events.size(), 3u);
  EXPECT_TRUE(events[0].kind == DiskEvent::Kind::kSync && events[0].path == target + ".tmp");
  EXPECT_TRUE(events[1].kind == DiskEvent::Kind::kRename && events[1].target == target);
  EXPECT_TRUE(events[2].kind == DiskEvent::Kind::kSyncDirectory && events[2].path == dir.Path());
  EXPECT_EQ(libtest::ReadBytes(target), libtest::Bytes({7}));
}

// A sync that fails is a failed write: the old file stays and the temporary one goes.
TEST(StagedOutput, FailedSyncIsAWriteErrorAndKeepsTheOldFile) {
  TempDir dir;
  const std::string target = dir.File("view.cfg");
  libtest::WriteBytes(target, {1});
  StagedOutput output;
  libtest::WriteBytes(output.Begin(target), {2});
  FailDiskOperationAt(1);
  try {
    output.Commit("TEST");
    ADD_FAILURE() << "a failed sync reported success";
  } catch (const Error& e) {
    EXPECT_STREQ(e.Tag(), "TEST");
    EXPECT_EQ(e.Message(), "Cannot write file " + target + ".tmp");
  }
  FailDiskOperationAt(0);
  EXPECT_EQ(libtest::ReadBytes(target), libtest::Bytes({1}));
  EXPECT_FALSE(std::filesystem::exists(target + ".tmp"));
}

}  // namespace
