#pragma once

// A fixture with one scratch file per test: bytes written through a BinaryFile are read back
// as they landed on disk, and hand-written bytes are opened for reading.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "db/binary_file.h"

class ScratchFileTest : public ::testing::Test {
 protected:
  using Bytes = std::vector<uint8_t>;

  void SetUp() override {
    path_ = (std::filesystem::temp_directory_path() /
             ("korvane_scratch_" + std::to_string(::getpid()) + "_" +
              ::testing::UnitTest::GetInstance()->current_test_info()->test_suite_name() + "_" +
              ::testing::UnitTest::GetInstance()->current_test_info()->name()))
                .string();
  }
  void TearDown() override { std::filesystem::remove(path_); }

  Bytes Written(const std::function<void(BinaryFile&)>& write) {
    BinaryFile f;
    EXPECT_TRUE(f.Open(path_, true, false));
    write(f);
    f.Close();
    std::ifstream in(path_, std::ios::binary);
    return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  }
  // Opens a file holding bytes for reading.
  void OpenBytes(BinaryFile& f, const Bytes& bytes) {
    std::ofstream out(path_, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    out.close();
    ASSERT_TRUE(f.Open(path_, false, false));
  }

  std::string path_;
};
