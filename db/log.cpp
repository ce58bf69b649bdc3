#include "db/log.h"

#include <cstdarg>
#include <cstdio>

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
