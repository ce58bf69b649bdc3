#include "canvas/jobs/drc_driver.h"

#include <cmath>
#include <cstdio>
#include <filesystem>

#include "db/numeric.h"

namespace {

bool IsTclSpecial(char c) {
  // clang-format off
  switch (c) {
    case ' ': case '\t': case '\n': case '\r': case '\v': case '\f':
    case '"': case '$': case '[': case ']': case '{': case '}': case '\\': case ';':
      return true;
    default:
      return false;
  }
}
// clang-format on

bool NeedsQuoting(const std::string& value) {
  if (value.empty() || value[0] == '#') return true;
  for (char c : value) {
    if (IsTclSpecial(c)) return true;
  }
  return false;
}

// Braces keep a value literal when its braces nest properly and it holds no backslash (which
// would escape a brace) and no line break (the driver is four lines).
bool CanBrace(const std::string& value) {
  int depth = 0;
  for (char c : value) {
    if (c == '\\' || c == '\n' || c == '\r') return false;
    if (c == '{') ++depth;
    if (c == '}' && --depth < 0) return false;
  }
  return depth == 0;
}

std::string BackslashEscaped(const std::string& value) {
  std::string out;
  for (size_t i = 0; i < value.size(); ++i) {
    const char c = value[i];
    switch (c) {
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      case '\v': out += "\\v"; break;
      case '\f': out += "\\f"; break;
      default:
        if (IsTclSpecial(c) || (i == 0 && c == '#')) out += '\\';
        out += c;
    }
  }
  return out;
}

long long Nanometres(int32_t v, double nmPerUnit) {
  return static_cast<long long>(std::floor(double(v) * nmPerUnit + 0.5));
}

}  // namespace

std::string TclWord(const std::string& value) {
  if (!NeedsQuoting(value)) return value;
  if (CanBrace(value)) return "{" + value + "}";
  return BackslashEscaped(value);
}

std::string DrcDriverText(const std::string& libPath, const std::string& cell, const Box& area, double nmPerUnit,
                          const std::string& rulePath) {
  char coordinates[96];
  std::snprintf(coordinates, sizeof coordinates, "%lld %lld %lld %lld", Nanometres(area.x1, nmPerUnit),
                Nanometres(area.y1, nmPerUnit), Nanometres(area.x2, nmPerUnit), Nanometres(area.y2, nmPerUnit));
  // clang-format off
  return "LogFile korvane_drc.log\n"
         "Library " + TclWord(libPath) + "\n"
         "Areas { { " + TclWord(cell) + " " + coordinates + " } }\n"
         "source " + TclWord(rulePath) + "\n";
  // clang-format on
}

Box AreaChoice(double magnification, const Box& lastZoomedArea, const Box& cellBox) {
  const bool magnified = magnification > 1.0 && !IsUnitMagnification(magnification);
  return magnified && !lastZoomedArea.IsEmpty() ? lastZoomedArea : cellBox;
}

std::string AbsolutePathFrom(const std::string& directory, const std::string& path) {
  std::filesystem::path absolute = std::filesystem::path(directory) / path;
  std::string text = absolute.lexically_normal().string();
  while (text.size() > 1 && text.back() == '/') text.pop_back();
  return text;
}
