#include "formats/formatted_error.h"

#include <cstdarg>
#include <cstdio>
#include <string>

Error FormattedError(const char* tag, const char* format, ...) {
  va_list args;
  va_start(args, format);
  va_list again;
  va_copy(again, args);
  int length = std::vsnprintf(nullptr, 0, format, args);
  va_end(args);
  std::string message(length > 0 ? size_t(length) : 0, '\0');
  if (length > 0) std::vsnprintf(message.data(), message.size() + 1, format, again);
  va_end(again);
  return Error(tag, message);
}
