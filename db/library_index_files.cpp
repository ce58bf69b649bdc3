// The index files of a library directory: "info" (binary, or "info.gz"), "names", "texts" and
// "parents" (text, one entry per line).
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "db/error.h"
#include "db/library.h"
#include "db/log.h"
#include "db/numeric.h"

namespace {

constexpr size_t kEntryBytes = 30;

// Size of a plain file, or -1 when unknown (a compressed stream, or no such file).
int64_t PlainFileSize(const std::string& path, bool compressed) {
  struct stat info;
  if (compressed || stat(path.c_str(), &info) != 0) return -1;
  return int64_t(info.st_size);
}

// Whether count items of itemBytes each can still follow in a file of fileSize bytes; always
// true when the size is unknown (the reads then fail at the end of the stream).
bool CanHold(BinaryFile& file, int64_t fileSize, uint64_t count, uint64_t itemBytes) {
  if (fileSize < 0) return true;
  int64_t remaining = fileSize - file.Tell();
  return remaining >= 0 && count <= uint64_t(remaining) / itemBytes;
}

// Room to reserve for count items: never more than the file can hold, so that a corrupt count
// cannot ask for gigabytes.
size_t ReserveFor(uint64_t count, int64_t fileSize, uint64_t itemBytes) {
  uint64_t limit = fileSize < 0 ? 4096 : uint64_t(fileSize) / itemBytes;
  return size_t(count < limit ? count : limit);
}

// A u32 count, then that many u32 words.
std::vector<uint32_t> ReadWordList(BinaryFile& file, int64_t fileSize, const char* message) {
  uint32_t count;
  if (!file.Read4(count) || !CanHold(file, fileSize, count, 4)) throw Error(kTagLibIn, message);
  std::vector<uint32_t> words;
  words.reserve(ReserveFor(count, fileSize, 4));
  for (uint32_t i = 0; i < count; ++i) {
    uint32_t word;
    if (!file.Read4(word)) throw Error(kTagLibIn, message);
    words.push_back(word);
  }
  return words;
}

int32_t Int32At(const uint8_t* p) {
  return int32_t(uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24);
}

void PutInt32(uint8_t* p, int32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = uint8_t(uint32_t(v) >> (8 * i));
}

// Lines of a text file of any length, ending in LF or CR LF.
class LineReader {
 public:
  explicit LineReader(BinaryFile& file) : file_(file) {}

  // False at the end of the file, when not even an empty line is left.
  bool Next(std::string& line) {
    line.clear();
    uint8_t c;
    bool any = false;
    while (file_.ReadByte(c)) {
      any = true;
      if (c == '\n') break;
      line.push_back(char(c));
    }
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return any;
  }

 private:
  BinaryFile& file_;
};

// A text string on its line of "texts": a line break inside it would shift every later line, so
// LF and CR are written as DLE (0x10) followed by "n" or "r", and DLE itself as two DLEs.
// Strings without these bytes are written as they are.
constexpr char kTextEscape = '\x10';

std::string EscapeText(const std::string& text) {
  std::string line;
  line.reserve(text.size());
  for (char c : text) {
    if (c == '\n' || c == '\r' || c == kTextEscape) {
      line += kTextEscape;
      line += c == '\n' ? 'n' : c == '\r' ? 'r' : kTextEscape;
    } else {
      line += c;
    }
  }
  return line;
}

// The inverse of EscapeText; a DLE before any other byte, or at the end, stays as it is.
std::string UnescapeText(const std::string& line) {
  std::string text;
  text.reserve(line.size());
  for (size_t i = 0; i < line.size(); ++i) {
    const char next = i + 1 < line.size() ? line[i + 1] : '\0';
    if (line[i] != kTextEscape || (next != 'n' && next != 'r' && next != kTextEscape)) {
      text += line[i];
      continue;
    }
    text += next == 'n' ? '\n' : next == 'r' ? '\r' : kTextEscape;
    ++i;
  }
  return text;
}

// One line; a line break inside a name would shift every later line, so it becomes a blank.
void WriteLine(BinaryFile& file, const std::string& text) {
  if (text.find_first_of("\r\n") == std::string::npos) {
    file.WriteBytes(text.data(), text.size());
  } else {
    LogMessage("Warning: line break in name replaced by a blank: %s\n", text.c_str());
    std::string line = text;
    for (char& c : line) {
      if (c == '\r' || c == '\n') c = ' ';
    }
    file.WriteBytes(line.data(), line.size());
  }
  file.WriteByte('\n');
}

void OpenForWrite(BinaryFile& file, const std::string& path, bool compressed, const char* message) {
  if (!file.Open(path, true, compressed)) throw Error(kTagLibOut, message);
}

}  // namespace

bool Library::DirectoryHoldsLibrary(const std::string& directory) {
  // A library whose first commit was cut short is one too: opening it finishes the commit.
  struct stat status;
  for (const char* file : {"info", "info.gz", kCommitFile}) {
    if (stat((directory + "/" + file).c_str(), &status) == 0) return true;
  }
  return false;
}

void Library::Open() {
  LockDirectory();
  FinishPendingCommit();
  ReadInfo();
  ReadNames();
  ReadTexts();
}

void Library::ReadInfo() {
  BinaryFile file(kTagLibIn);
  bool opened = file.Open(IndexPath(gzip ? "info.gz" : "info"), false, gzip);
  if (!opened && !gzip) {
    gzip = true;
    opened = file.Open(IndexPath("info.gz"), false, true);
  }
  if (!opened) throw Error(kTagLibIn, "Cannot open file info");
  int64_t fileSize = PlainFileSize(file.Name(), gzip);

  double unit;
  if (!file.Read2(version) || !file.Read8(unit) || !file.Read2(currentFileId) || !file.Read4(depth)) {
    throw Error(kTagLibIn, "Insufficient info");
  }
  // A unit that is not a positive number would make every conversion to nanometres undefined.
  if (!(unit > 0) || !std::isfinite(unit) || !std::isfinite(1e-9 / unit)) throw Error(kTagLibIn, "Insufficient info");
  dbUnit = unit;
  unitsPerNm = NiceValue(1e-9 / unit);

  std::vector<uint32_t> rootIds = ReadWordList(file, fileSize, "Insufficient root info");
  for (uint32_t key : ReadWordList(file, fileSize, "Insufficient layer info")) layerMap[key].key = key;

  uint32_t count;
  if (!file.Read4(count) || count > uint32_t(INT32_MAX)) throw Error(kTagLibIn, "Insufficient cell info");
  LogMessage("DB unit=%e meter, ncell=%d\n", dbUnit, int(count));
  for (uint32_t id : rootIds) {
    if (id >= count) throw Error(kTagLibIn, "Insufficient root info");
  }
  roots = std::move(rootIds);
  cells.reserve(std::max<size_t>(ReserveFor(count, fileSize, kEntryBytes), 10000));
  ReadCellEntries(file, count);
  file.Close();
  flags |= kLibOnDisk;
}

void Library::ReadCellEntries(BinaryFile& file, uint32_t count) {
  // Cells are made only once every entry the count claims has been read: a compressed index
  // may claim far more entries than it holds, and an empty entry costs nothing until then.
  struct StoredEntry {
    uint32_t id;
    Box box;
    uint16_t fileId;
    int32_t geometryPosition;
    int32_t referencePosition;
    int32_t endPosition;
  };
  std::vector<StoredEntry> stored;
  for (uint32_t id = 0; id < count; ++id) {
    uint8_t entry[kEntryBytes];
    if (file.Read(entry, kEntryBytes) != kEntryBytes) {
      LogMessage("Stop at %d-th cell\n", int(id) + 1);
      throw Error(kTagLibIn, "Insufficient cell info");
    }
    uint16_t fileId = uint16_t(entry[16] | entry[17] << 8);
    // An entry without a data file is an empty cell, whatever its other bytes.
    if (fileId == 0) continue;
    StoredEntry e{id,
                  Box(Int32At(entry), Int32At(entry + 4), Int32At(entry + 8), Int32At(entry + 12)),
                  fileId,
                  Int32At(entry + 18),
                  Int32At(entry + 22),
                  Int32At(entry + 26)};
    bool ordered = e.geometryPosition >= 0 && e.geometryPosition <= e.endPosition &&
                   (e.referencePosition == -1 ||
                    (e.geometryPosition <= e.referencePosition && e.referencePosition <= e.endPosition));
    if (!ordered) throw Error(kTagLibIn, "Cell file position invalid");
    stored.push_back(e);
  }
  cells.reserve(count);
  auto next = stored.begin();
  for (uint32_t id = 0; id < count; ++id) {
    auto cell = std::make_unique<Cell>();
    if (next != stored.end() && next->id == id) {
      cell->box = next->box;
      cell->fileId = next->fileId;
      cell->geometryPosition = next->geometryPosition;
      cell->referencePosition = next->referencePosition;
      cell->endPosition = next->endPosition;
      if (cell->referencePosition == -1) cell->flags |= kCellNoPlacements;
      ++next;
    }
    cells.push_back(std::move(cell));
  }
}

void Library::ReadNames() {
  BinaryFile file(kTagLibIn);
  if (!file.Open(IndexPath("names"), false, false)) throw Error(kTagLibIn, "Cannot open file names");
  LineReader lines(file);
  if (!lines.Next(name)) throw Error(kTagLibIn, "Insufficient names");
  std::string line;
  for (size_t id = 0; id < cells.size(); ++id) {
    if (!lines.Next(line)) throw Error(kTagLibIn, "Insufficient cell names");
    if (!cells[id]) continue;
    // An existing name keeps its first id (the "empty" placeholders share one entry).
    auto entry = nameMap.emplace(std::move(line), uint32_t(id)).first;
    cells[id]->name = &entry->first;
  }
}

void Library::ReadTexts() {
  BinaryFile file(kTagLibIn);
  // A library without texts has no "texts" file.
  if (!file.Open(IndexPath("texts"), false, false)) return;
  int64_t fileSize = PlainFileSize(file.Name(), false);
  LineReader lines(file);
  std::string line;
  if (!lines.Next(line)) throw Error(kTagLibIn, "Insufficient texts");
  char* end = nullptr;
  errno = 0;
  unsigned long long count = std::strtoull(line.c_str(), &end, 10);
  bool number = !line.empty() && line[0] >= '0' && line[0] <= '9' && *end == '\0' && errno == 0;
  // Every string takes at least its line break, but the last one may lack it.
  if (!number || (fileSize >= 0 && count > uint64_t(fileSize))) throw Error(kTagLibIn, "Insufficient texts");
  strings.reserve(size_t(count));
  for (unsigned long long i = 0; i < count; ++i) {
    if (!lines.Next(line)) throw Error(kTagLibIn, "Insufficient texts");
    std::string text = UnescapeText(line);
    textMap.emplace(text, uint32_t(strings.size()));
    strings.push_back(std::move(text));
  }
}

void Library::WriteInfo(const std::string& path) {
  BinaryFile file(kTagLibOut);
  OpenForWrite(file, path, gzip, "Cannot open file info");
  file.Write2(version);
  file.Write8(dbUnit);
  file.Write2(currentFileId);
  file.Write4(depth);
  if (roots.empty() && !cells.empty()) roots.push_back(0);
  file.Write4(uint32_t(roots.size()));
  for (uint32_t id : roots) file.Write4(id);
  // Only layers up to 511 are listed, as the layer-map readers expect.
  std::vector<uint32_t> keys;
  for (const auto& layer : layerMap) {
    if (int16_t(uint16_t(layer.first >> 8)) > 511) break;
    keys.push_back(layer.first);
  }
  file.Write4(uint32_t(keys.size()));
  for (uint32_t key : keys) file.Write4(key);
  file.Write4(uint32_t(cells.size()));
  int empties = 0;
  for (const auto& cell : cells) {
    uint8_t entry[kEntryBytes] = {};
    if (!cell || cell->IsVoid() || !cell->IsStored()) {
      ++empties;
      if (cell && cell->IsVoid()) cell->box = Box();
    } else {
      const Box& b = cell->box;
      PutInt32(entry, b.x1);
      PutInt32(entry + 4, b.y1);
      PutInt32(entry + 8, b.x2);
      PutInt32(entry + 12, b.y2);
      entry[16] = uint8_t(cell->fileId);
      entry[17] = uint8_t(cell->fileId >> 8);
      PutInt32(entry + 18, cell->geometryPosition);
      PutInt32(entry + 22, cell->referencePosition);
      PutInt32(entry + 26, cell->endPosition);
    }
    if (cell && cell->referencePosition == -1) cell->flags |= kCellNoPlacements;
    file.WriteBytes(entry, kEntryBytes);
  }
  if (empties > 0) LogMessage("Warning: %d empty cells exist\n", empties);
  file.Close();
}

void Library::WriteNames(const std::string& path) {
  BinaryFile file(kTagLibOut);
  OpenForWrite(file, path, false, "Cannot open file names");
  WriteLine(file, name);
  for (const auto& cell : cells) WriteLine(file, cell ? cell->Name() : "empty");
  file.Close();
}

void Library::WriteTexts(const std::string& path) {
  BinaryFile file(kTagLibOut);
  OpenForWrite(file, path, false, "Cannot open file texts");
  WriteLine(file, std::to_string(strings.size()));
  for (const std::string& text : strings) WriteLine(file, EscapeText(text));
  file.Close();
}

void Library::WriteParents(const std::string& path) {
  BinaryFile file(kTagLibOut);
  OpenForWrite(file, path, false, "Cannot open file parents");
  for (size_t id = 0; id < cells.size(); ++id) {
    const Cell* cell = cells[id].get();
    const auto& parents = records[id].parents;
    if (!cell || cell->IsVoid() || parents.empty()) continue;
    WriteLine(file, std::string(cell->Name()) + " " + std::to_string(parents.size()));
    for (const auto& parent : parents) {
      const Cell* placing = GetCell(parent.first);
      WriteLine(file, std::string("  ") + (placing ? placing->Name() : "empty"));
    }
  }
  file.Close();
}
