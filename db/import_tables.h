#pragma once

#include <cstdint>
#include <unordered_map>

#include "db/shape_table.h"

// The import tables of a cell being imported, one per layer key (Cell::importShapes). Readers
// add the shapes of one layer after another more often than not: the table used last is found
// without a lookup. Hashed, as every shape looks its layer up; whoever writes the tables orders
// the keys.
class ImportTables {
 public:
  using Map = std::unordered_map<uint32_t, ShapeTable>;

  ImportTables() = default;
  ImportTables(const ImportTables&) = delete;
  ImportTables& operator=(const ImportTables&) = delete;

  // The table of key, made empty when there is none.
  ShapeTable& operator[](uint32_t key) {
    if (!last_ || lastKey_ != key) {
      last_ = &tables_[key];
      lastKey_ = key;
    }
    return *last_;
  }
  ShapeTable& at(uint32_t key) { return tables_.at(key); }
  Map::iterator find(uint32_t key) { return tables_.find(key); }
  Map::iterator begin() { return tables_.begin(); }
  Map::iterator end() { return tables_.end(); }
  Map::const_iterator begin() const { return tables_.begin(); }
  Map::const_iterator end() const { return tables_.end(); }

  void clear() {
    tables_.clear();
    last_ = nullptr;
  }
  void swap(ImportTables& other) {
    tables_.swap(other.tables_);
    last_ = other.last_ = nullptr;
  }

 private:
  Map tables_;
  uint32_t lastKey_ = 0;
  ShapeTable* last_ = nullptr;
};
