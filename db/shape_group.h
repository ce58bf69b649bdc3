#pragma once

#include <cstdint>

#include "db/db_polygon.h"
#include "db/record_pool.h"

class BinaryFile;
class RingSet;
class ShapeGroupList;
struct ShapeGroup;

// One occurrence of a group's shape: where the record's origin lies.
struct ShapePosition {
  ShapePosition* next;
  ShapePosition* prev;
  ShapeGroup* group;
  int32_t x;
  int32_t y;
};

// One record and the positions at which it occurs. A pooled record: made by
// ShapeGroupPool::Alloc and released by ShapeGroupPool::Free, which also frees the positions
// and deletes the record.
struct ShapeGroup {
  ShapeGroup* next;
  ShapeGroup* prev;
  DBPolygon* record;  // owned
  ShapePosition* firstPosition;
  ShapePosition* lastPosition;
  uint32_t positionCount;

  ShapePosition* AppendPosition(int32_t x, int32_t y);
  // Unlinks position, which must be one of this group's, and frees it. A group left without
  // positions stays in its list: its owner removes it (ShapeGroupList::Remove).
  void RemovePosition(ShapePosition* position);
  // Moves every position of other to the end of this group's list; other keeps none.
  void TakePositions(ShapeGroup& other);
  // Sorts the positions by x, then y, and removes each one equal to the one before it.
  // Returns how many were removed.
  uint32_t SortPositions();
  // The record, the position count, then each position as a delta from the one before,
  // starting at (0, 0).
  void Write(BinaryFile& file) const;
};

namespace PositionPool {
RecordPool<ShapePosition>& Pool();
ShapePosition* Alloc();
void Free(ShapePosition* position);
// Frees every position of group in one splice; the group is left without positions.
void ReleaseList(ShapeGroup& group);
// Empties the pool: only at exit, when no group is alive.
void Reset();
}  // namespace PositionPool

namespace ShapeGroupPool {
RecordPool<ShapeGroup>& Pool();
// An unlinked group without positions that owns record.
ShapeGroup* Alloc(DBPolygonPtr record);
// Frees the group's positions, deletes its record and frees the group; unlinks nothing.
void Free(ShapeGroup* group);
// Frees every group of list as Free does; the list is left empty.
void ReleaseList(ShapeGroupList& list);
// Empties the pool: only at exit, when no group is alive.
void Reset();
}  // namespace ShapeGroupPool

// By x, then y.
int ComparePositions(const ShapePosition* a, const ShapePosition* b);
// By record (DBPolygon::Compare).
int CompareShapeGroups(const ShapeGroup* a, const ShapeGroup* b);

// The shape groups of one layer of a cell. The list owns its groups.
class ShapeGroupList {
 public:
  ShapeGroupList() = default;
  ~ShapeGroupList() { ShapeGroupPool::ReleaseList(*this); }
  ShapeGroupList(const ShapeGroupList&) = delete;
  ShapeGroupList& operator=(const ShapeGroupList&) = delete;
  ShapeGroupList(ShapeGroupList&& other) noexcept;
  ShapeGroupList& operator=(ShapeGroupList&& other) noexcept;

  ShapeGroup* Head() const { return head_; }
  ShapeGroup* Tail() const { return tail_; }
  uint32_t Count() const { return count_; }

  // A new group for record, without positions, at the end of the list.
  ShapeGroup* Append(DBPolygonPtr record);
  // Unlinks group, which must be in this list, and frees it with its record and positions.
  void Remove(ShapeGroup* group);
  // Orders the groups by CompareShapeGroups, stably.
  void Sort();
  // On a list ordered by CompareShapeGroups: merges each group into the one before it when
  // their records are equal, then sorts the positions of every group and removes duplicates.
  // Returns the number of positions removed.
  uint64_t SortAndMerge();
  // The group of an equal record in a list ordered by CompareShapeGroups, or null.
  ShapeGroup* Find(const DBPolygon& record) const;
  // Appends one ring per position of every group, in list order.
  void ToRings(RingSet& out) const;

  // UInt group count, then the groups.
  void Write(BinaryFile& file) const;
  // Reads one group as ShapeGroup::Write writes it and appends it. A position count of 0 or
  // above 2^31 - 1 throws Error(kTagLibIn, "Wrong format"). On a failed read the list keeps the
  // groups and positions read so far.
  ShapeGroup* ReadGroup(BinaryFile& file);
  // Reads a layer as Write writes it and appends its groups. A count above 2^31 - 1 throws
  // Error(kTagLibIn, "Wrong layer format").
  void Read(BinaryFile& file);

 private:
  friend void ShapeGroupPool::ReleaseList(ShapeGroupList& list);

  void Unlink(ShapeGroup* group);

  ShapeGroup* head_ = nullptr;
  ShapeGroup* tail_ = nullptr;
  uint32_t count_ = 0;
};
