#include "db/library.h"

#include <sys/stat.h>

#include <utility>

#include "db/error_tags.h"
#include "db/increment_number.h"

Library::Library(std::string directoryPath, bool gzipFlag)
    : directory(std::move(directoryPath)), gzip(gzipFlag), dataFile_(kTagLibOut), reader_(*this) {
  cells.reserve(10000);
}

Library::~Library() {
  // A write sequence always ends by closing the file, so nothing unsaved can be left here.
  AbandonCellFile();
}

uint32_t Library::CreateCell(const std::string& cellName) {
  uint32_t id = uint32_t(cells.size());
  auto entry = nameMap.emplace(cellName, id).first;
  cells.push_back(std::make_unique<Cell>());
  cells.back()->name = &entry->first;
  cells.back()->loaded = true;
  return id;
}

std::string Library::MakeCellName(const std::string& base, const std::string& suffix, int number) const {
  std::string out = base;
  if (out.empty() || out.back() != '_') out += '_';
  out += suffix;
  size_t numberStart = out.size();
  out += std::to_string(number);
  while (nameMap.count(out)) IncrementNumber(out, numberStart);
  return out;
}

int32_t Library::FindIndex(const std::string& cellName) const {
  auto found = nameMap.find(cellName);
  return found == nameMap.end() ? -1 : int32_t(found->second);
}

void Library::ClearVisitedBits() {
  for (auto& cell : cells) {
    if (cell) cell->flags &= uint16_t(~kCellVisited);
  }
}

Cell* Library::GetCell(int64_t id) const {
  return id >= 0 && id < int64_t(cells.size()) ? cells[size_t(id)].get() : nullptr;
}

uint32_t Library::AddString(const std::string& text) {
  auto entry = textMap.emplace(text, uint32_t(strings.size()));
  if (entry.second) strings.push_back(text);
  return entry.first->second;
}

const std::string& Library::TextString(uint32_t textId) const {
  static const std::string kNone;
  return textId < strings.size() ? strings[textId] : kNone;
}

bool Library::IsInDirectory(const std::string& path) const {
  struct stat mine, other;
  return stat(directory.c_str(), &mine) == 0 && stat(path.c_str(), &other) == 0 && mine.st_dev == other.st_dev &&
         mine.st_ino == other.st_ino;
}

std::string Library::IndexPath(const char* file) const { return directory + "/" + file; }

std::string Library::DataPath(uint32_t id) const {
  return directory + "/db" + std::to_string(id) + (gzip ? ".gz" : "");
}
