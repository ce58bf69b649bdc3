#pragma once

#include <cstdint>

// The detail-limit rule of the readers' warnings: while counter is at most limit the message is
// logged, and when it equals limit "Same warning will not be shown any more\n" follows; the
// counter then goes up by one (it stops at INT32_MAX). So limit + 1 detailed lines come before
// the closing line.
void DetailWarning(int32_t& counter, int32_t limit, const char* format, ...) __attribute__((format(printf, 3, 4)));
