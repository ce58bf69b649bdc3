#include "canvas/view/unreadable_cells.h"

#include <utility>

#include "db/cell.h"
#include "db/error.h"
#include "db/library.h"
#include "db/log.h"

bool UnreadableCells::Load(Library& library, Cell& cell, uint32_t id) {
  if (cell.loaded) return true;
  if (id < unreadable_.size() && unreadable_[id]) return false;
  try {
    library.LoadCell(cell, false);
    return true;
  } catch (const Error& e) {
    if (unreadable_.size() <= id) unreadable_.resize(size_t(id) + 1, 0);
    unreadable_[id] = 1;
    std::string line = ErrorLine(e);
    LogMessage("%s", line.c_str());
    reports_.push_back(std::move(line));
    return false;
  }
}

std::vector<std::string> UnreadableCells::TakeNewReports() { return std::exchange(reports_, {}); }

void UnreadableCells::Clear() {
  unreadable_.clear();
  reports_.clear();
}
