#include "db/shape_table.h"

#include <algorithm>
#include <unordered_map>
#include <utility>

#include "db/binary_file.h"
#include "db/numeric.h"
#include "db/shape_group.h"

namespace {

constexpr uint32_t kSignBias = 0x80000000u;

}  // namespace

namespace {
// Enough for the layers of the largest cells; more would only hold memory.
constexpr size_t kMaxSpareBuffers = 64;
constexpr size_t kMaxSpareEntries = size_t(1) << 21;
size_t gSpareEntries = 0;
}  // namespace

ShapeTable::~ShapeTable() {
  DeleteOwned();
  ReturnBuffers();
}

std::vector<ShapeTable::Buffers>& ShapeTable::SpareBuffers() {
  static std::vector<Buffers> spare;
  return spare;
}

void ShapeTable::TakeSpareBuffers() {
  std::vector<Buffers>& spare = SpareBuffers();
  if (spare.empty()) return;
  gSpareEntries -= spare.back().entries.capacity();
  entries_ = std::move(spare.back().entries);
  groupEnds_ = std::move(spare.back().groupEnds);
  spare.pop_back();
}

void ShapeTable::ReturnBuffers() {
  std::vector<Buffers>& spare = SpareBuffers();
  size_t capacity = entries_.capacity();
  if (capacity == 0 || spare.size() >= kMaxSpareBuffers || gSpareEntries + capacity > kMaxSpareEntries) return;
  gSpareEntries += capacity;
  entries_.clear();
  groupEnds_.clear();
  spare.push_back({std::move(entries_), std::move(groupEnds_)});
}

void ShapeTable::ReleaseSpareMemory() {
  std::vector<Buffers>().swap(SpareBuffers());
  gSpareEntries = 0;
  ReleaseSortScratch();
}

ShapeTable::ShapeTable(ShapeTable&& other) noexcept
    : entries_(std::move(other.entries_)),
      groupEnds_(std::move(other.groupEnds_)),
      owned_(std::move(other.owned_)),
      groupCount_(std::exchange(other.groupCount_, 0)),
      duplicates_(std::exchange(other.duplicates_, 0)) {}

ShapeTable& ShapeTable::operator=(ShapeTable&& other) noexcept {
  if (this != &other) {
    DeleteOwned();
    ReturnBuffers();
    entries_ = std::move(other.entries_);
    groupEnds_ = std::move(other.groupEnds_);
    owned_ = std::move(other.owned_);
    groupCount_ = std::exchange(other.groupCount_, 0);
    duplicates_ = std::exchange(other.duplicates_, 0);
  }
  return *this;
}

void ShapeTable::DeleteOwned() {
  for (const DBPolygon* record : owned_) delete record;
  owned_.clear();
}

ShapeTable::Entry ShapeTable::KeyOf(uint32_t header, uint32_t valueCount, const int32_t* words, uint32_t wordCount) {
  uint64_t first = 0;
  for (uint32_t i = 0; i < 2; ++i) {
    uint32_t word = i < wordCount ? uint32_t(words[i]) ^ kSignBias : 0;
    first = (first << 32) | word;
  }
  return {(uint64_t(header) << 32) | valueCount, first, nullptr, 0, 0};
}

ShapeTable::Entry ShapeTable::MakeEntry(const DBPolygon& record) {
  uint32_t words = record.CodeWordCount() + record.ValueCount();
  Entry entry = KeyOf(record.Header(), record.ValueCount(), record.Values() - record.CodeWordCount(), words);
  if (!KeyHoldsRecord(entry.kindAndCount)) entry.record = &record;
  return entry;
}

bool ShapeTable::KeyHoldsRecord(uint64_t kindAndCount) {
  return DBPolygon::CodeWordsFor(uint32_t(kindAndCount >> 32)) + uint32_t(kindAndCount) <= 2;
}

size_t ShapeTable::Add(DBPolygonPtr record, int32_t x, int32_t y) {
  if (entries_.capacity() == 0) TakeSpareBuffers();
  Entry entry = MakeEntry(*record);
  if (entry.record) owned_.push_back(record.release());
  entry.x = x;
  entry.y = y;
  entries_.push_back(entry);
  return entries_.size() - 1;
}

size_t ShapeTable::AddRectangle(int32_t dx, int32_t dy, int32_t x, int32_t y) {
  if (entries_.capacity() == 0) TakeSpareBuffers();
  const int32_t values[2] = {dx, dy};
  bool square = dx == dy;
  Entry entry = KeyOf(square ? kSquareHeader : kRectangleHeader, square ? 1 : 2, values, square ? 1 : 2);
  entry.x = x;
  entry.y = y;
  entries_.push_back(entry);
  return entries_.size() - 1;
}

void ShapeTable::AddAgain(size_t entry, int32_t x, int32_t y) {
  Entry copy = entries_[entry];
  copy.x = x;
  copy.y = y;
  entries_.push_back(copy);
}

void ShapeTable::AddList(const ShapeGroupList& list) {
  size_t positions = entries_.size();
  for (const ShapeGroup* group = list.Head(); group; group = group->next) positions += group->positionCount;
  entries_.reserve(positions);
  for (const ShapeGroup* group = list.Head(); group; group = group->next) {
    if (group->positionCount == 0) continue;
    Entry entry = MakeEntry(*group->record);
    for (const ShapePosition* p = group->firstPosition; p; p = p->next) {
      entry.x = p->x;
      entry.y = p->y;
      entries_.push_back(entry);
    }
  }
}

void ShapeTable::AddTable(const ShapeTable& other) {
  entries_.insert(entries_.end(), other.entries_.begin(), other.entries_.end());
}

void ShapeTable::Clear() {
  DeleteOwned();
  entries_.clear();
  groupEnds_.clear();
  groupCount_ = 0;
  duplicates_ = 0;
}

DBPolygonPtr ShapeTable::RecordOf(const Entry& e) {
  int32_t values[2] = {int32_t(uint32_t(e.firstWords >> 32) ^ kSignBias), int32_t(uint32_t(e.firstWords) ^ kSignBias)};
  return DBPolygon::FromValues(uint32_t(e.kindAndCount >> 32), values, uint32_t(e.kindAndCount));
}

void ShapeTable::MoveTo(ShapeGroupList& list) {
  std::unordered_map<const DBPolygon*, ShapeGroup*> groupOf;
  for (const Entry& e : entries_) {
    if (!e.record) {
      list.Append(RecordOf(e))->AppendPosition(e.x, e.y);
      continue;
    }
    ShapeGroup*& group = groupOf[e.record];
    if (!group) group = list.Append(DBPolygonPtr(const_cast<DBPolygon*>(e.record)));
    group->AppendPosition(e.x, e.y);
  }
  owned_.clear();
  Clear();
}

bool ShapeTable::SameRecord(const Entry& a, const Entry& b) {
  if (a.kindAndCount != b.kindAndCount || a.firstWords != b.firstWords) return false;
  return a.record == b.record || DBPolygon::Compare(*a.record, *b.record) == 0;
}

bool ShapeTable::SortsBefore::operator()(const Entry& a, const Entry& b) const {
  if (a.kindAndCount != b.kindAndCount) return a.kindAndCount < b.kindAndCount;
  if (a.firstWords != b.firstWords) return a.firstWords < b.firstWords;
  if (a.record != b.record) {
    int order = DBPolygon::Compare(*a.record, *b.record);
    if (order != 0) return order < 0;
  }
  if (a.x != b.x) return a.x < b.x;
  return a.y < b.y;
}

void ShapeTable::Merge() {
  SortEntries();
  groupEnds_.clear();
  duplicates_ = 0;
  size_t kept = 0;
  for (size_t i = 0; i < entries_.size(); ++i) {
    const Entry& e = entries_[i];
    if (kept > 0) {
      const Entry& last = entries_[kept - 1];
      if (!SameRecord(last, e)) {
        groupEnds_.push_back(uint32_t(kept));
      } else if (last.x == e.x && last.y == e.y) {
        ++duplicates_;
        continue;
      }
    }
    if (kept != i) entries_[kept] = e;
    ++kept;
  }
  if (kept > 0) groupEnds_.push_back(uint32_t(kept));
  entries_.resize(kept);
  groupCount_ = uint32_t(groupEnds_.size());
}

uint8_t* ShapeTable::PutKeyRecord(uint8_t* out, const Entry& e) {
  const uint32_t header = uint32_t(e.kindAndCount >> 32);
  for (int i = 0; i < 4; ++i) *out++ = uint8_t(header >> (8 * i));
  uint32_t valueCount = uint32_t(e.kindAndCount);
  if (valueCount > 0) out = BinaryFile::PutSignedChained(out, int32_t(uint32_t(e.firstWords >> 32) ^ kSignBias));
  if (valueCount > 1) out = BinaryFile::PutSignedChained(out, int32_t(uint32_t(e.firstWords) ^ kSignBias));
  return out;
}

// Records the key holds and the position deltas go straight into the file's write buffer, a
// span of bytes at a time.
void ShapeTable::Write(BinaryFile& file) const {
  constexpr size_t kChained = BinaryFile::kMaxChainedBytes;
  constexpr size_t kPositionsPerSpan = 1024;
  file.WriteUnsignedChained(groupCount_);
  size_t i = 0;
  for (const uint32_t end : groupEnds_) {
    const Entry& head = entries_[i];
    if (head.record) head.record->Write(file);
    uint8_t* out = file.BeginSpan(4 + 3 * kChained);
    if (!head.record) out = PutKeyRecord(out, head);
    file.EndSpan(BinaryFile::PutUnsignedChained(out, uint32_t(end - i)));
    int32_t x = 0, y = 0;
    while (i < end) {
      const size_t stop = std::min(size_t(end), i + kPositionsPerSpan);
      out = file.BeginSpan((stop - i) * 2 * kChained);
      for (; i < stop; ++i) {
        const Entry& e = entries_[i];
        out = BinaryFile::PutSignedChained(out, WrapToInt32(int64_t(e.x) - x));
        out = BinaryFile::PutSignedChained(out, WrapToInt32(int64_t(e.y) - y));
        x = e.x;
        y = e.y;
      }
      file.EndSpan(out);
    }
  }
}
