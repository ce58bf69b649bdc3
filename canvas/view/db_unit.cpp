#include "canvas/view/db_unit.h"

#include <cmath>
#include <cstdlib>

#include "db/layout_limits.h"
#include "db/library.h"
#include "db/numeric.h"

namespace {

double UnitsPerNm(double nmPerUnit) { return NiceValue(1.0 / nmPerUnit); }

}  // namespace

std::optional<double> ParseDbUnit(const std::string& answer) {
  const char* begin = answer.c_str();
  char* end = nullptr;
  const double value = std::strtod(begin, &end);
  if (end == begin) return std::nullopt;
  while (*end == ' ' || *end == '\t') ++end;
  if (*end != '\0' || !std::isfinite(value) || value <= 0) return std::nullopt;
  if (!IsStorableDbUnit(1e-9 / UnitsPerNm(value))) return std::nullopt;
  return value;
}

void ApplyDbUnit(Library& library, double nmPerUnit) {
  library.unitsPerNm = UnitsPerNm(nmPerUnit);
  library.dbUnit = 1e-9 / library.unitsPerNm;
  library.NoteInfoChanged();
}
