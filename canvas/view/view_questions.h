#pragma once

#include <cstdint>
#include <optional>
#include <string>

// The answers of the view commands' questions, free of the toolkit: what Go to reads,
// which numbers the depth and cell-size questions accept, and the database unit's text.

// A point in whole micrometres.
struct GoToPoint {
  int32_t x = 0;
  int32_t y = 0;
  bool operator==(const GoToPoint& o) const { return x == o.x && y == o.y; }
};

// The first two blank-separated numbers of the answer, each with its fraction dropped
// ("12.7 -3" gives (12, -3)); further words are ignored. Nothing when there are fewer than two
// words, or when one of the two is not a finite number in the 32-bit range.
std::optional<GoToPoint> ParseGoTo(const std::string& answer);

// The largest depth the Change Depth question offers: the library's hierarchy depth plus one.
int32_t MaxDisplayDepth(uint32_t libraryDepth);
// The message of the Change Depth question for that largest depth.
std::string DepthQuestion(int32_t maxDepth);

// The value a number question changes a setting to: nothing for Cancel, for an answer outside
// [0, maximum] or for the current value.
std::optional<int32_t> ChangedNumber(std::optional<long> answer, int32_t current, int32_t maximum);

// The largest cell-size limit the Change Cell Size question accepts, in pixels.
constexpr int32_t kMaxCellSizeLimit = 1000;

// "DB Unit = %.2f nm" for a library with that many database units per nanometre.
std::string DbUnitText(double unitsPerNm);
