#include "db/log.h"

#include <cstdarg>
#include <cstdio>
#include <ctime>

#include "db/error.h"

namespace {
std::ostream* gLogStream = nullptr;
char gLogBuffer[1024];
}  // namespace

void SetLogStream(std::ostream* stream) { gLogStream = stream; }

void LogMessage(const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::vsnprintf(gLogBuffer, sizeof gLogBuffer, format, args);
  va_end(args);
  if (gLogStream) {
    *gLogStream << gLogBuffer;
    gLogStream->flush();
  }
  std::fputs(gLogBuffer, stdout);
  std::fflush(stdout);
}

void LogError(const Error& error) { LogMessage("%s", ErrorLine(error).c_str()); }

std::string LogTimeStamp() {
  std::time_t now = std::time(nullptr);
  char text[64] = "";
  if (!ctime_r(&now, text)) return "\n";
  return text;
}
