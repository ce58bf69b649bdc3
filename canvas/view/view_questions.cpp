#include "canvas/view/view_questions.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <sstream>

namespace {

// A whole word read as a number with its fraction dropped; nothing for anything else.
std::optional<int32_t> WholePart(const std::string& word) {
  const char* start = word.c_str();
  char* end = nullptr;
  const double value = std::strtod(start, &end);
  if (end == start || *end != '\0' || !std::isfinite(value)) return std::nullopt;
  const double whole = std::trunc(value);
  if (whole < -2147483648.0 || whole > 2147483647.0) return std::nullopt;
  return int32_t(whole);
}

}  // namespace

std::optional<GoToPoint> ParseGoTo(const std::string& answer) {
  std::istringstream words(answer);
  std::string first;
  std::string second;
  if (!(words >> first >> second)) return std::nullopt;
  const std::optional<int32_t> x = WholePart(first);
  const std::optional<int32_t> y = WholePart(second);
  if (!x || !y) return std::nullopt;
  return GoToPoint{*x, *y};
}

int32_t MaxDisplayDepth(uint32_t libraryDepth) {
  return libraryDepth >= uint32_t(INT32_MAX) ? INT32_MAX : int32_t(libraryDepth) + 1;
}

std::string DepthQuestion(int32_t maxDepth) {
  char text[64];
  std::snprintf(text, sizeof text, "Input hierarchcial display depth [0..%d]", maxDepth);
  return text;
}

std::optional<int32_t> ChangedNumber(std::optional<long> answer, int32_t current, int32_t maximum) {
  if (!answer || *answer < 0 || *answer > maximum || *answer == current) return std::nullopt;
  return int32_t(*answer);
}

std::string DbUnitText(double unitsPerNm) {
  // Room for the widest finite double.
  char text[400];
  std::snprintf(text, sizeof text, "DB Unit = %.2f nm", 1.0 / unitsPerNm);
  return text;
}
