#include "db/increment_number.h"

void IncrementNumber(std::string& s, size_t start) {
  if (start > s.size()) start = s.size();
  for (size_t i = s.size(); i > start; --i) {
    char& c = s[i - 1];
    if (c != '9') {
      ++c;
      return;
    }
    c = '0';
  }
  s.insert(start, "1");
}
