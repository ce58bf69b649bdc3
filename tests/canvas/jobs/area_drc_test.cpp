#include "canvas/jobs/area_drc.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <fstream>
#include <optional>

#include "canvas/jobs/process_runner.h"
#include "tests/canvas/jobs/recording_runner.h"
#include "tests/db/library_test_util.h"

namespace {

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// Sets an environment variable for the test's lifetime; nothing unsets it.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const char* value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    if (value) {
      setenv(name, value, 1);
    } else {
      unsetenv(name);
    }
  }
  ~ScopedEnv() {
    if (old_) {
      setenv(name_, old_->c_str(), 1);
    } else {
      unsetenv(name_);
    }
  }

 private:
  const char* name_;
  std::optional<std::string> old_;
};

// A stand-in engine first on PATH: it writes its arguments, one per line after their count,
// next to itself, and exits with $STANDIN_STATUS.
class StandInEngine {
 public:
  explicit StandInEngine(const libtest::TempDir& dir)
      : bin_(dir.File("bin dir")),
        path_(std::string(std::getenv("PATH") ? std::getenv("PATH") : "")),
        pathEnv_("PATH", (bin_ + ":" + path_).c_str()) {
    std::filesystem::create_directories(bin_);
    const std::string script = bin_ + "/pellago";
    std::ofstream(script) << "#!/bin/sh\n"
                             "out=\"$(dirname \"$0\")/argv\"\n"
                             "echo $# > \"$out\"\n"
                             "for a in \"$@\"; do printf '%s\\n' \"$a\" >> \"$out\"; done\n"
                             "exit \"${STANDIN_STATUS:-0}\"\n";
    chmod(script.c_str(), 0755);
  }
  std::string Recorded() const { return ReadFile(bin_ + "/argv"); }

 private:
  std::string bin_;
  std::string path_;
  ScopedEnv pathEnv_;
};

TEST(AreaDrc, WritesTheDriverAndRunsTheEngineOnIt) {
  libtest::TempDir dir;
  const std::string driver = dir.File("korvane_drc.tcl");
  RecordingRunner runner;
  EXPECT_EQ(RunAreaDrcJob(driver, "first\n", "pellago", runner), "");
  EXPECT_EQ(RunAreaDrcJob(driver, "second\n", "pellago", runner), "");
  EXPECT_EQ(ReadFile(driver), "second\n");
  EXPECT_EQ(runner.calls, (std::vector<std::string>{"pellago " + driver, "pellago " + driver}));
  runner.result = {false, 0};
  EXPECT_EQ(RunAreaDrcJob(driver, "x\n", "pellago", runner), "DRC engine pellago could not be started");
}

TEST(AreaDrc, ReportsAnUnwritableDriverWithoutRunning) {
  libtest::TempDir dir;
  const std::string driver = dir.File("missing/korvane_drc.tcl");
  RecordingRunner runner;
  EXPECT_EQ(RunAreaDrcJob(driver, "x\n", "pellago", runner), "Error: Output file " + driver + " could not be opened !");
  EXPECT_TRUE(runner.calls.empty());
}

TEST(AreaDrc, EngineNameComesFromTheEnvironment) {
  {
    ScopedEnv unset("KORVANE_DRC_ENGINE", nullptr);
    EXPECT_EQ(DrcEngine(), "pellago");
  }
  ScopedEnv set("KORVANE_DRC_ENGINE", "/opt/rules/engine");
  EXPECT_EQ(DrcEngine(), "/opt/rules/engine");
}

TEST(ProcessRunner, ShellQuotingKeepsOneLiteralWord) {
  EXPECT_EQ(ShellQuoted("/a b/$x;y'z"), "'/a b/$x;y'\\''z'");
  EXPECT_EQ(ShellQuoted(""), "''");
}

// The whole road with a stand-in engine, directly and through the interpreter, from a working
// directory whose path holds a blank, a "$", a ";", a quote and a command substitution: the
// engine gets exactly one argument, the driver's path, and runs nothing else.
TEST(ProcessRunner, StandInEngineGetsTheDriverPathAsItsOneArgument) {
  libtest::TempDir dir;
  StandInEngine engine(dir);
  const std::string work = dir.File("work dir $HOME;touch pwned 'q' $(touch pwned)");
  std::filesystem::create_directories(work);
  const std::string driver = work + "/korvane_drc.tcl";
  for (const char* comspec : {static_cast<const char*>(nullptr), "/bin/sh"}) {
    SCOPED_TRACE(comspec ? comspec : "direct");
    ScopedEnv interpreter("COMSPEC", comspec);
    SystemProcessRunner runner;
    EXPECT_EQ(RunAreaDrcJob(driver, "LogFile korvane_drc.log\n", "pellago", runner), "");
    EXPECT_EQ(engine.Recorded(), "1\n" + driver + "\n");
    EXPECT_FALSE(std::filesystem::exists("pwned"));
    EXPECT_FALSE(std::filesystem::exists(work + "/pwned"));

    ScopedEnv failing("STANDIN_STATUS", "3");
    EXPECT_EQ(RunAreaDrcJob(driver, "x\n", "pellago", runner), "DRC engine pellago exited with status 3");
    EXPECT_EQ(RunAreaDrcJob(driver, "x\n", "korvane-no-such-engine", runner),
              "DRC engine korvane-no-such-engine could not be started");
  }
}

}  // namespace
