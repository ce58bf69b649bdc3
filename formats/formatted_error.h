#pragma once

#include "db/error.h"

// An Error whose message is formatted printf-style, for the readers' messages that name a
// record, a length or a count.
Error FormattedError(const char* tag, const char* format, ...) __attribute__((format(printf, 2, 3)));
