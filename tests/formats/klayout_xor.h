#pragma once

// KLayout's strmxor as an independent reader of our exports: where it is installed, it
// compares two layout files geometrically.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>

namespace klayout {

// The tool's path, or "" when KLayout is not installed.
inline std::string StrmXor() {
  const std::string tool = "/usr/lib/klayout/strmxor";
  return std::filesystem::exists(tool) ? tool : "";
}

// Runs strmxor on two layout files and expects it to find no difference.
inline void ExpectNoXorDifference(const std::string& strmxor, const std::string& a, const std::string& b) {
  std::string folder = std::filesystem::path(strmxor).parent_path().string();
  std::string command = "LD_LIBRARY_PATH=" + folder + " " + strmxor + " " + a + " " + b + " 2>&1";
  std::FILE* pipe = popen(command.c_str(), "r");
  ASSERT_TRUE(pipe);
  std::string output;
  char buffer[256];
  while (std::fgets(buffer, sizeof buffer, pipe)) output += buffer;
  EXPECT_EQ(pclose(pipe), 0) << b << "\n" << output;
  EXPECT_NE(output.find("No differences found"), std::string::npos) << b << "\n" << output;
}

}  // namespace klayout
