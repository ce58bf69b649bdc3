#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>

#include "db/error.h"
#include "db/increment_number.h"
#include "db/log.h"

namespace {

// Captures what one call writes to standard output while the given stream is the log stream.
template <typename F>
std::string CaptureLog(std::ostream* stream, F&& write) {
  SetLogStream(stream);
  testing::internal::CaptureStdout();
  write();
  std::string out = testing::internal::GetCapturedStdout();
  SetLogStream(nullptr);
  return out;
}

TEST(Error, NullMessageAndTagGiveDefaults) {
  Error e(nullptr, nullptr, 0);
  EXPECT_EQ(e.Message(), "Not Specified");
  EXPECT_FALSE(e.HasTag());
  EXPECT_STREQ(e.Tag(), "");
}

TEST(Error, IsAStandardExceptionWhoseWhatGivesTagAndMessage) {
  try {
    throw Error(kTagGdsIn, "Library Header missing");
  } catch (const std::exception& e) {
    EXPECT_STREQ(e.what(), "GDSIN: Library Header missing");
  }
  EXPECT_STREQ(Error(nullptr, "x").what(), ": x");
}

TEST(LogError, PrintsTagThenMessageAndAnEmptyMissingTag) {
  std::string out = CaptureLog(nullptr, [] {
    LogError(Error(kTagLibOut, "Cannot write file %s"));
    LogError(Error(nullptr, nullptr));
  });
  EXPECT_EQ(out, "ERROR: LIBOUT: Cannot write file %s\nERROR: : Not Specified\n");
}

TEST(LogMessage, WritesTheSameTextToTheLogFileAndStdoutAtOnce) {
  const std::string path = testing::TempDir() + "log_message_test.log";
  std::ofstream log(path);
  std::string out = CaptureLog(&log, [] { LogMessage("%d%% read\n", 12); });
  EXPECT_EQ(out, "12% read\n");
  std::string alone = CaptureLog(nullptr, [] { LogMessage("no stream\n"); });
  EXPECT_EQ(alone, "no stream\n");
  std::ifstream in(path);  // the log file is still open: the line must already be on disk
  std::string onDisk((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_EQ(onDisk, "12% read\n");
  std::remove(path.c_str());
}

TEST(LogMessage, CutsTextBeyond1023Characters) {
  for (size_t length : {1022u, 1023u, 1024u, 5000u}) {
    std::string text(length - 1, 'x');
    text += '\n';
    std::ostringstream log;
    std::string out = CaptureLog(&log, [&] { LogMessage("%s", text.c_str()); });
    EXPECT_EQ(out, text.substr(0, 1023)) << length;
    EXPECT_EQ(log.str(), out);
  }
}

TEST(IncrementNumber, IncrementsTheTrailingNumberInPlace) {
  struct Case {
    const char* in;
    size_t start;
    const char* out;
  } const cases[] = {
      {"ich9", 3, "ich10"}, {"x19", 1, "x20"}, {"a", 1, "a1"},        {"abc99", 3, "abc100"},
      {"a", 5, "a1"},       {"", 0, "1"},      {"cell0", 4, "cell1"}, {"v999x", 1, "v999y"},
  };
  for (const Case& c : cases) {
    std::string s = c.in;
    IncrementNumber(s, c.start);
    EXPECT_EQ(s, c.out) << c.in << " from " << c.start;
  }
}

}  // namespace
