#pragma once

#include <cstdint>
#include <vector>

class BinaryFile;
class DBPolygon;
class ShapeGroupList;

// The shape groups of one layer as a cell data file stores them: one group per distinct record,
// in record order (DBPolygon::Compare), each with its positions sorted by x, then y, and
// without duplicates. Groups of equal records are merged and groups without positions left out.
//
// The list itself is neither relinked nor changed. A layer an import has just built holds its
// groups in the order they were made, which is the order of their memory; sorting a flat table
// of positions instead of the groups keeps every walk over the groups in memory order, and
// releasing the list afterwards hands the pools their blocks back in order for the next cell.
class MergedShapeLayer {
 public:
  // Reads list; the list must outlive this object and stay unchanged.
  explicit MergedShapeLayer(const ShapeGroupList& list);

  uint32_t GroupCount() const { return groupCount_; }
  // Positions equal to another of the same record, which are not written.
  uint64_t DuplicatesDropped() const { return duplicates_; }

  // The group count, then the groups, as ShapeGroupList::Write writes a sorted, merged list.
  void Write(BinaryFile& file) const;

 private:
  // One position of one group, with the leading words of its record's order copied out, so
  // that most comparisons touch neither the group nor the record; the bias of the words maps
  // signed values onto the unsigned order.
  struct Entry {
    uint64_t kindAndCount;
    uint64_t firstWords;
    const DBPolygon* record;
    int32_t x;
    int32_t y;
  };

  static Entry MakeEntry(const DBPolygon& record);
  // Whether firstWords holds every word of the record beyond its header and value count.
  static bool KeyHoldsRecord(const Entry& e);
  static bool SameRecord(const Entry& a, const Entry& b);
  static bool SortsBefore(const Entry& a, const Entry& b);
  // Writes the record of e from the entry alone when the key holds it.
  static void WriteRecord(BinaryFile& file, const Entry& e);

  std::vector<Entry> entries_;
  // Per entry: 1 when it starts a new group, 0 when it continues one, 2 when it repeats the
  // position before it and is not written.
  std::vector<uint8_t> role_;
  uint32_t groupCount_ = 0;
  uint64_t duplicates_ = 0;
};
