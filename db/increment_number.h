#pragma once

#include <string>

// Increments, in place, the decimal number that occupies s from position start to its end:
// "ich9" from 3 gives "ich10", "abc99" from 3 gives "abc100". An empty number (start at or
// beyond the end) becomes "1". Serves unique numbered names.
void IncrementNumber(std::string& s, size_t start);
