#include "formats/detail_warning.h"

#include <cstdarg>
#include <cstdio>

#include "db/log.h"

void DetailWarning(int32_t& counter, int32_t limit, const char* format, ...) {
  if (counter <= limit) {
    char line[1024];
    va_list args;
    va_start(args, format);
    std::vsnprintf(line, sizeof line, format, args);
    va_end(args);
    LogMessage("%s", line);
    if (counter == limit) LogMessage("Same warning will not be shown any more\n");
  }
  if (counter < INT32_MAX) ++counter;
}
