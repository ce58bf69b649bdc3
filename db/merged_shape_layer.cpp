#include "db/merged_shape_layer.h"

#include <algorithm>

#include "db/binary_file.h"
#include "db/db_polygon.h"
#include "db/numeric.h"
#include "db/shape_group.h"

namespace {

constexpr uint32_t kSignBias = 0x80000000u;

enum Role : uint8_t { kContinuesGroup = 0, kStartsGroup = 1, kRepeatsPosition = 2 };

}  // namespace

MergedShapeLayer::Entry MergedShapeLayer::MakeEntry(const DBPolygon& record) {
  uint32_t words = record.CodeWordCount() + record.ValueCount();
  const int32_t* data = record.Values() - record.CodeWordCount();
  uint64_t first = 0;
  for (uint32_t i = 0; i < 2; ++i) {
    uint32_t word = i < words ? uint32_t(data[i]) ^ kSignBias : 0;
    first = (first << 32) | word;
  }
  return {(uint64_t(record.Header()) << 32) | record.ValueCount(), first, &record, 0, 0};
}

bool MergedShapeLayer::KeyHoldsRecord(const Entry& e) {
  uint32_t header = uint32_t(e.kindAndCount >> 32);
  uint32_t valueCount = uint32_t(e.kindAndCount);
  return DBPolygon::CodeWordsFor(header) + valueCount <= 2;
}

bool MergedShapeLayer::SameRecord(const Entry& a, const Entry& b) {
  if (a.kindAndCount != b.kindAndCount || a.firstWords != b.firstWords) return false;
  return a.record == b.record || KeyHoldsRecord(a) || DBPolygon::Compare(*a.record, *b.record) == 0;
}

bool MergedShapeLayer::SortsBefore(const Entry& a, const Entry& b) {
  if (a.kindAndCount != b.kindAndCount) return a.kindAndCount < b.kindAndCount;
  if (a.firstWords != b.firstWords) return a.firstWords < b.firstWords;
  if (a.record != b.record && !KeyHoldsRecord(a)) {
    int order = DBPolygon::Compare(*a.record, *b.record);
    if (order != 0) return order < 0;
  }
  if (a.x != b.x) return a.x < b.x;
  return a.y < b.y;
}

MergedShapeLayer::MergedShapeLayer(const ShapeGroupList& list) {
  for (const ShapeGroup* group = list.Head(); group; group = group->next) {
    if (group->positionCount == 0) continue;
    Entry entry = MakeEntry(*group->record);
    for (const ShapePosition* p = group->firstPosition; p; p = p->next) {
      entry.x = p->x;
      entry.y = p->y;
      entries_.push_back(entry);
    }
  }
  std::sort(entries_.begin(), entries_.end(), SortsBefore);
  role_.resize(entries_.size());
  for (size_t i = 0; i < entries_.size(); ++i) {
    const Entry& e = entries_[i];
    if (i == 0 || !SameRecord(entries_[i - 1], e)) {
      role_[i] = kStartsGroup;
      ++groupCount_;
    } else if (entries_[i - 1].x == e.x && entries_[i - 1].y == e.y) {
      role_[i] = kRepeatsPosition;
      ++duplicates_;
    } else {
      role_[i] = kContinuesGroup;
    }
  }
}

void MergedShapeLayer::WriteRecord(BinaryFile& file, const Entry& e) {
  if (!KeyHoldsRecord(e)) {
    e.record->Write(file);
    return;
  }
  file.Write4(uint32_t(e.kindAndCount >> 32));
  uint32_t valueCount = uint32_t(e.kindAndCount);
  if (valueCount > 0) file.WriteSignedChained(int32_t(uint32_t(e.firstWords >> 32) ^ kSignBias));
  if (valueCount > 1) file.WriteSignedChained(int32_t(uint32_t(e.firstWords) ^ kSignBias));
}

void MergedShapeLayer::Write(BinaryFile& file) const {
  file.WriteUnsignedChained(groupCount_);
  size_t i = 0;
  while (i < entries_.size()) {
    size_t end = i + 1;
    uint32_t positions = 1;
    for (; end < entries_.size() && role_[end] != kStartsGroup; ++end) positions += role_[end] == kContinuesGroup;
    WriteRecord(file, entries_[i]);
    file.WriteUnsignedChained(positions);
    int32_t x = 0, y = 0;
    for (; i < end; ++i) {
      if (role_[i] == kRepeatsPosition) continue;
      file.WriteSignedChained(WrapToInt32(int64_t(entries_[i].x) - x));
      file.WriteSignedChained(WrapToInt32(int64_t(entries_[i].y) - y));
      x = entries_[i].x;
      y = entries_[i].y;
    }
  }
}
