#include "db/shape_group.h"

#include <algorithm>
#include <cstdint>
#include <utility>
#include <vector>

#include "db/binary_file.h"
#include "db/error.h"
#include "db/node_list.h"
#include "db/numeric.h"
#include "db/poly/ring_set.h"

namespace PositionPool {

RecordPool<ShapePosition>& Pool() {
  static RecordPool<ShapePosition> pool(50000, true);
  return pool;
}

ShapePosition* Alloc() { return Pool().Alloc(); }
void Free(ShapePosition* position) { Pool().Free(position); }

void ReleaseList(ShapeGroup& group) {
  Pool().ReleaseChain(group.firstPosition, group.lastPosition, group.positionCount);
  group.firstPosition = group.lastPosition = nullptr;
  group.positionCount = 0;
}

void Reset() { Pool().Reset(); }

}  // namespace PositionPool

namespace ShapeGroupPool {

RecordPool<ShapeGroup>& Pool() {
  static RecordPool<ShapeGroup> pool(50000, true);
  return pool;
}

ShapeGroup* Alloc(DBPolygonPtr record) {
  ShapeGroup* group = Pool().Alloc();
  *group = ShapeGroup{nullptr, nullptr, record.release(), nullptr, nullptr, 0};
  return group;
}

void Free(ShapeGroup* group) {
  PositionPool::ReleaseList(*group);
  delete group->record;
  Pool().Free(group);
}

void ReleaseList(ShapeGroupList& list) {
  if (!list.head_) return;
  for (ShapeGroup* group = list.head_; group; group = group->next) {
    // Sorted groups lie scattered in memory: fetch what the next one touches meanwhile.
    if (ShapeGroup* following = group->next) {
      __builtin_prefetch(following->record, 1);
      __builtin_prefetch(following->lastPosition, 1);
    }
    PositionPool::ReleaseList(*group);
    delete group->record;
  }
  Pool().ReleaseChain(list.head_, list.tail_, list.count_);
  list.head_ = list.tail_ = nullptr;
  list.count_ = 0;
}

void Reset() { Pool().Reset(); }

}  // namespace ShapeGroupPool

int ComparePositions(const ShapePosition* a, const ShapePosition* b) {
  if (a->x != b->x) return a->x < b->x ? -1 : 1;
  if (a->y != b->y) return a->y < b->y ? -1 : 1;
  return 0;
}

int CompareShapeGroups(const ShapeGroup* a, const ShapeGroup* b) { return DBPolygon::Compare(*a->record, *b->record); }

ShapePosition* ShapeGroup::AppendPosition(int32_t x, int32_t y) {
  ShapePosition* position = PositionPool::Alloc();
  *position = ShapePosition{nullptr, lastPosition, this, x, y};
  if (lastPosition) {
    lastPosition->next = position;
  } else {
    firstPosition = position;
  }
  lastPosition = position;
  ++positionCount;
  return position;
}

void ShapeGroup::RemovePosition(ShapePosition* position) {
  if (position->prev) {
    position->prev->next = position->next;
  } else {
    firstPosition = position->next;
  }
  if (position->next) {
    position->next->prev = position->prev;
  } else {
    lastPosition = position->prev;
  }
  --positionCount;
  PositionPool::Free(position);
}

void ShapeGroup::TakePositions(ShapeGroup& other) {
  if (!other.firstPosition) return;
  for (ShapePosition* p = other.firstPosition; p; p = p->next) p->group = this;
  other.firstPosition->prev = lastPosition;
  if (lastPosition) {
    lastPosition->next = other.firstPosition;
  } else {
    firstPosition = other.firstPosition;
  }
  lastPosition = other.lastPosition;
  positionCount += other.positionCount;
  other.firstPosition = other.lastPosition = nullptr;
  other.positionCount = 0;
}

uint32_t ShapeGroup::SortPositions() {
  firstPosition = SortNodeList(firstPosition, lastPosition, ComparePositions);
  uint32_t removed = 0;
  for (ShapePosition* p = firstPosition; p && p->next;) {
    ShapePosition* following = p->next;
    if (ComparePositions(p, following) != 0) {
      p = following;
      continue;
    }
    p->next = following->next;
    if (following->next) {
      following->next->prev = p;
    } else {
      lastPosition = p;
    }
    PositionPool::Free(following);
    ++removed;
  }
  positionCount -= removed;
  return removed;
}

void ShapeGroup::Write(BinaryFile& file) const {
  record->Write(file);
  file.WriteUnsignedChained(positionCount);
  int32_t x = 0, y = 0;
  for (const ShapePosition* p = firstPosition; p; p = p->next) {
    file.WriteSignedChained(WrapToInt32(int64_t(p->x) - x));
    file.WriteSignedChained(WrapToInt32(int64_t(p->y) - y));
    x = p->x;
    y = p->y;
  }
}

ShapeGroupList::ShapeGroupList(ShapeGroupList&& other) noexcept
    : head_(std::exchange(other.head_, nullptr)),
      tail_(std::exchange(other.tail_, nullptr)),
      count_(std::exchange(other.count_, 0)) {}

ShapeGroupList& ShapeGroupList::operator=(ShapeGroupList&& other) noexcept {
  if (this != &other) {
    ShapeGroupPool::ReleaseList(*this);
    head_ = std::exchange(other.head_, nullptr);
    tail_ = std::exchange(other.tail_, nullptr);
    count_ = std::exchange(other.count_, 0);
  }
  return *this;
}

ShapeGroup* ShapeGroupList::Append(DBPolygonPtr record) {
  ShapeGroup* group = ShapeGroupPool::Alloc(std::move(record));
  group->prev = tail_;
  if (tail_) {
    tail_->next = group;
  } else {
    head_ = group;
  }
  tail_ = group;
  ++count_;
  return group;
}

void ShapeGroupList::Remove(ShapeGroup* group) {
  Unlink(group);
  ShapeGroupPool::Free(group);
}

void ShapeGroupList::Unlink(ShapeGroup* group) {
  if (group->prev) {
    group->prev->next = group->next;
  } else {
    head_ = group->next;
  }
  if (group->next) {
    group->next->prev = group->prev;
  } else {
    tail_ = group->prev;
  }
  --count_;
}

namespace {

// A group with the leading words of its order (DBPolygon::Compare) copied out of its record,
// so that most comparisons touch neither the group nor the record. Values are signed: the
// bias maps them onto the unsigned order.
struct SortEntry {
  uint64_t kindAndCount;
  uint64_t firstWords;
  ShapeGroup* group;
};

SortEntry MakeSortEntry(ShapeGroup* group) {
  const DBPolygon& record = *group->record;
  uint32_t words = record.CodeWordCount() + record.ValueCount();
  const int32_t* data = record.Values() - record.CodeWordCount();
  uint64_t first = 0;
  for (uint32_t i = 0; i < 2; ++i) {
    uint32_t word = i < words ? uint32_t(data[i]) ^ 0x80000000u : 0;
    first = (first << 32) | word;
  }
  return {(uint64_t(record.Header()) << 32) | record.ValueCount(), first, group};
}

bool SortsBefore(const SortEntry& a, const SortEntry& b) {
  if (a.kindAndCount != b.kindAndCount) return a.kindAndCount < b.kindAndCount;
  if (a.firstWords != b.firstWords) return a.firstWords < b.firstWords;
  return CompareShapeGroups(a.group, b.group) < 0;
}

}  // namespace

void ShapeGroupList::Sort() {
  if (count_ < 2) return;
  std::vector<SortEntry> entries;
  entries.reserve(count_);
  for (ShapeGroup* group = head_; group; group = group->next) {
    if (group->next) __builtin_prefetch(group->next->record);
    entries.push_back(MakeSortEntry(group));
  }
  std::stable_sort(entries.begin(), entries.end(), SortsBefore);
  // Relinking visits the groups in their new order, all over memory: fetch a few ahead.
  constexpr size_t kLookAhead = 8;
  ShapeGroup* previous = nullptr;
  for (size_t i = 0; i < entries.size(); ++i) {
    if (i + kLookAhead < entries.size()) __builtin_prefetch(entries[i + kLookAhead].group, 1);
    const SortEntry& entry = entries[i];
    entry.group->prev = previous;
    if (previous) {
      previous->next = entry.group;
    } else {
      head_ = entry.group;
    }
    previous = entry.group;
  }
  previous->next = nullptr;
  tail_ = previous;
}

uint64_t ShapeGroupList::SortAndMerge() {
  for (ShapeGroup* group = head_; group && group->next;) {
    ShapeGroup* following = group->next;
    if (CompareShapeGroups(group, following) != 0) {
      group = following;
      continue;
    }
    group->TakePositions(*following);
    Unlink(following);
    ShapeGroupPool::Free(following);
  }
  uint64_t removed = 0;
  for (ShapeGroup* group = head_; group; group = group->next) {
    if (group->positionCount > 1) removed += group->SortPositions();
  }
  return removed;
}

ShapeGroup* ShapeGroupList::Find(const DBPolygon& record) const {
  for (ShapeGroup* group = head_; group; group = group->next) {
    int order = DBPolygon::Compare(*group->record, record);
    if (order == 0) return group;
    if (order > 0) break;
  }
  return nullptr;
}

void ShapeGroupList::ToRings(RingSet& out) const {
  for (const ShapeGroup* group = head_; group; group = group->next) {
    for (const ShapePosition* p = group->firstPosition; p; p = p->next) group->record->ToRing(out, Point(p->x, p->y));
  }
}

void ShapeGroupList::Write(BinaryFile& file) const {
  file.WriteUnsignedChained(count_);
  for (const ShapeGroup* group = head_; group; group = group->next) group->Write(file);
}

ShapeGroup* ShapeGroupList::ReadGroup(BinaryFile& file) {
  DBPolygonPtr record = DBPolygon::Read(file);
  uint32_t count = file.ReadUnsignedChained();
  if (count == 0 || count > uint32_t(INT32_MAX)) throw Error(kTagLibIn, "Wrong format");
  ShapeGroup* group = Append(std::move(record));
  int32_t x = 0, y = 0;
  for (uint32_t i = 0; i < count; ++i) {
    x = WrapToInt32(int64_t(x) + file.ReadSignedChained());
    y = WrapToInt32(int64_t(y) + file.ReadSignedChained());
    group->AppendPosition(x, y);
  }
  return group;
}

void ShapeGroupList::Read(BinaryFile& file) {
  uint32_t count = file.ReadUnsignedChained();
  if (count > uint32_t(INT32_MAX)) throw Error(kTagLibIn, "Wrong layer format");
  for (uint32_t i = 0; i < count; ++i) ReadGroup(file);
}
