#pragma once

#include <cstdint>
#include <vector>

#include "db/db_polygon.h"

class BinaryFile;
class ShapeGroupList;

// A flat table of shape positions, each with its record, as a cell data file stores one layer:
// one group per distinct record, in record order (DBPolygon::Compare), each with its positions
// sorted by x, then y, and without duplicates.
//
// Two uses. A cell being imported collects its shapes here as they are read: appending to a
// table walks memory in order, where a linked list of groups and positions per layer would
// scatter every later walk. And a layer's shape list is written through a table made from it,
// so that the list is never relinked: its groups stay in the order they were made.
//
// A record whose header, value count and first two words say everything (rectangles, squares)
// lives in the table's sort key alone; longer records are owned by the table (Add) or by the
// list they came from (AddList).
class ShapeTable {
 public:
  ShapeTable() = default;
  ~ShapeTable();
  ShapeTable(const ShapeTable&) = delete;
  ShapeTable& operator=(const ShapeTable&) = delete;
  ShapeTable(ShapeTable&& other) noexcept;
  ShapeTable& operator=(ShapeTable&& other) noexcept;

  // Adds record at (x, y); returns its entry, which AddAgain repeats at other positions.
  size_t Add(DBPolygonPtr record, int32_t x, int32_t y);
  // Adds at (x, y) the record that a rectangle with sides dx and dy (nonzero) compresses to: a
  // square when they are equal. Needs no record.
  size_t AddRectangle(int32_t dx, int32_t dy, int32_t x, int32_t y);
  void AddAgain(size_t entry, int32_t x, int32_t y);
  // Adds every position of every group of list; list must outlive the table's use.
  void AddList(const ShapeGroupList& list);
  // Adds every entry of other, whose records must outlive the table's use.
  void AddTable(const ShapeTable& other);
  // Empties the table, keeping its memory.
  void Clear();
  bool IsEmpty() const { return entries_.empty(); }

  // Moves every entry into list as one group per record it added (records the table owns go
  // to the list), in the order they were added. The table is left empty.
  void MoveTo(ShapeGroupList& list);

  // Sorts the entries, drops the positions that repeat one of the same record and finds the
  // groups; needed before GroupCount and Write.
  void Merge();
  uint32_t GroupCount() const { return groupCount_; }
  // Test hook: the sort splits runs of more than `entries` entries in place, as it does the
  // runs of the largest tables; 0 restores the default.
  static void LimitSortScratch(size_t entries);
  // Gives back the memory kept for the next tables (the buffers of tables that went away and
  // the sort's scratch buffers), as an import does once it has written its last table.
  static void ReleaseSpareMemory();
  // Positions equal to another of the same record, which are not written.
  uint64_t DuplicatesDropped() const { return duplicates_; }
  // The group count, then the groups, as ShapeGroupList::Write writes a sorted, merged list.
  void Write(BinaryFile& file) const;

 private:
  // One position with the leading words of its record's order copied out, so that most
  // comparisons touch no record; the bias of the words maps signed values onto the unsigned
  // order. record is null when the key holds the whole record.
  struct Entry {
    uint64_t kindAndCount;
    uint64_t firstWords;
    const DBPolygon* record;
    int32_t x;
    int32_t y;
  };
  struct SortsBefore {
    bool operator()(const Entry& a, const Entry& b) const;
  };

  // Buffers of tables that went away, for the next tables: an import makes and drops a table
  // per layer of every cell, and a buffer that has grown once need not grow again.
  struct Buffers {
    std::vector<Entry> entries;
    std::vector<uint32_t> groupEnds;
  };
  static std::vector<Buffers>& SpareBuffers();
  void TakeSpareBuffers();
  void ReturnBuffers();

  // Sorts the entries by SortsBefore (shape_table_sort.cpp).
  void SortEntries();
  static void ReleaseSortScratch();

  // The entry of a record at (0, 0), from its header, value count and its words (code words,
  // then values); the record is the caller's to set.
  static Entry KeyOf(uint32_t header, uint32_t valueCount, const int32_t* words, uint32_t wordCount);
  static Entry MakeEntry(const DBPolygon& record);
  static bool KeyHoldsRecord(uint64_t kindAndCount);
  static bool SameRecord(const Entry& a, const Entry& b);
  // The record of e, made anew from the key when the table keeps none.
  static DBPolygonPtr RecordOf(const Entry& e);
  // The bytes of a record the key holds (header, then its values) stored at out; returns the end.
  static uint8_t* PutKeyRecord(uint8_t* out, const Entry& e);
  void DeleteOwned();

  std::vector<Entry> entries_;
  // After Merge: the end of each group in entries_, in order.
  std::vector<uint32_t> groupEnds_;
  std::vector<const DBPolygon*> owned_;
  uint32_t groupCount_ = 0;
  uint64_t duplicates_ = 0;
};
