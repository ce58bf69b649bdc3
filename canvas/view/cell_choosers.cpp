#include "canvas/view/cell_choosers.h"

#include <cstdio>

#include "canvas/view/canvas_prompts.h"
#include "db/library.h"

bool MatchesCellPattern(const std::string& pattern, const std::string& name) {
  // Greedy matching with one back-track point: the last '*' seen and where its run ends.
  size_t p = 0, n = 0;
  size_t star = std::string::npos, starName = 0;
  while (n < name.size()) {
    if (p < pattern.size() && (pattern[p] == '?' || (pattern[p] != '*' && pattern[p] == name[n]))) {
      ++p;
      ++n;
    } else if (p < pattern.size() && pattern[p] == '*') {
      star = p++;
      starName = n;
    } else if (star != std::string::npos) {
      p = star + 1;
      n = ++starName;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

std::vector<std::string> MatchingCellNames(const Library& library, const std::string& pattern) {
  std::vector<std::string> names;
  for (const auto& entry : library.nameMap) {
    if (MatchesCellPattern(pattern, entry.first)) names.push_back(entry.first);
  }
  return names;
}

namespace {

std::string Formatted(const char* format, size_t count) {
  char text[160];
  std::snprintf(text, sizeof text, format, int(count));
  return text;
}

}  // namespace

std::optional<CellList> ChooseCell(const Library& library, CanvasPrompts& prompts) {
  const size_t count = library.nameMap.size();
  CellList list;
  if (count <= kCellBlockSize) {
    for (const auto& entry : library.nameMap) list.names.push_back(entry.first);
    list.message = Formatted("Select cell (total %d cells)", count);
    return list;
  }
  std::vector<std::string> starts;
  size_t position = 0;
  for (const auto& entry : library.nameMap) {
    if (position++ % kCellBlockSize == 0) starts.push_back(entry.first);
  }
  const int block = prompts.AskChoice(
      Formatted("Select range (starting cell, alphanumeric order) to open sublist (total %d cells)", count),
      "Open Cell", starts);
  if (block < 0 || size_t(block) >= starts.size()) return std::nullopt;
  auto entry = library.nameMap.find(starts[size_t(block)]);
  for (size_t i = 0; i < kCellBlockSize && entry != library.nameMap.end(); ++i, ++entry) {
    list.names.push_back(entry->first);
  }
  list.message = "Select cell in this range";
  return list;
}

std::string OpenCell(const Library& library, CanvasPrompts& prompts, const std::string& title) {
  CellList list;
  for (;;) {
    const std::string pattern = prompts.AskText("Enter name pattern to search using '*' and '?'", "Search Cell", "*");
    if (pattern.empty()) return "";
    if (pattern == "*") {
      std::optional<CellList> chosen = ChooseCell(library, prompts);
      if (!chosen) return "";
      list = std::move(*chosen);
      break;
    }
    list.names = MatchingCellNames(library, pattern);
    if (!list.names.empty()) {
      list.message = Formatted("Select cell from %d cells", list.names.size());
      break;
    }
  }
  const int item = prompts.AskChoice(list.message, title, list.names);
  if (item < 0 || size_t(item) >= list.names.size()) return "";
  return list.names[size_t(item)];
}
