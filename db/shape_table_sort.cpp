// The sort of a shape table's entries into SortsBefore order, the order in which a cell data
// file lists its shape groups and their positions.
//
// A most-significant-digit radix sort on the key bytes: 8 of kindAndCount, 8 of firstWords,
// then 8 of the position (x, then y, biased), which decide only between entries whose key
// holds the whole record; entries with records of their own are ordered by SortsBefore from
// the position bytes on. Each step takes the first byte in which the run differs and splits
// the run on it and the byte after it (16 bits), with as many buckets as the values in the run
// span, so that a layer of shapes of a few thousand sizes is split by size in one step. Where a
// comparison sort pays a mispredicted branch at every level, this moves each entry about once
// per step. Identical shapes end up next to each other as the comparison sort puts them.
#include <algorithm>
#include <cstring>
#include <vector>

#include "db/shape_table.h"

namespace {

constexpr uint32_t kSignBias = 0x80000000u;
constexpr int kRecordKeyBytes = 16;
constexpr int kKeyBytes = 24;
// Runs this short are finished by insertion sort.
constexpr size_t kInsertionSortRun = 24;
// Runs longer than the scratch limit are split in place rather than through the scratch
// buffer, so that the buffer never takes more than 32 MiB; a buffer grown beyond
// kKeptScratchEntries is given back after the sort.
constexpr size_t kMaxScratchEntries = size_t(1) << 20;
constexpr size_t kKeptScratchEntries = size_t(1) << 16;
size_t gScratchLimit = kMaxScratchEntries;

template <typename E>
uint64_t KeyWord(const E& e, int word) {
  if (word == 0) return e.kindAndCount;
  if (word == 1) return e.firstWords;
  return (uint64_t(uint32_t(e.x) ^ kSignBias) << 32) | (uint32_t(e.y) ^ kSignBias);
}

// The first key byte from `byte` on in which the entries of the run differ; kKeyBytes when
// they agree in all.
template <typename E>
int FirstVaryingByte(const E* begin, const E* end, int byte) {
  for (int word = byte / 8; word < kKeyBytes / 8; ++word) {
    uint64_t first = KeyWord(*begin, word);
    uint64_t differ = 0;
    for (const E* e = begin + 1; e != end; ++e) differ |= KeyWord(*e, word) ^ first;
    // Bytes of this word before `byte` are already equal within the run.
    if (word == byte / 8) differ &= ~uint64_t(0) >> (8 * (byte % 8));
    if (differ != 0) return word * 8 + __builtin_clzll(differ) / 8;
  }
  return kKeyBytes;
}

// The digit that splits a run: `bytes` key bytes from a first byte, read from KeyWord(word) by
// shift and mask, less `low`, the smallest value in the run, which gives buckets 0 to
// `buckets` - 1.
struct Digit {
  int word;
  int shift;
  uint32_t mask;
  uint32_t low;
  uint32_t buckets;
  int bytes;

  template <typename E>
  uint32_t Of(const E& e) const {
    return (uint32_t(KeyWord(e, word) >> shift) & mask) - low;
  }
};

// Two bytes when they lie in one word and their values span few enough buckets for the run,
// else one.
template <typename E>
Digit DigitAt(const E* begin, const E* end, int byte) {
  for (int bytes = byte % 8 == 7 ? 1 : 2;; bytes = 1) {
    Digit d{byte / 8, 64 - 8 * (byte % 8 + bytes), (uint32_t(1) << (8 * bytes)) - 1, 0, 0, bytes};
    uint32_t low = d.mask, high = 0;
    for (const E* e = begin; e != end; ++e) {
      uint32_t v = d.Of(*e);
      low = std::min(low, v);
      high = std::max(high, v);
    }
    d.low = low;
    d.buckets = high - low + 1;
    if (bytes == 1 || d.buckets <= 4 * size_t(end - begin) + 256) return d;
  }
}

template <typename E, typename Less>
void InsertionSort(E* begin, E* end, Less less) {
  for (E* i = begin + 1; i < end; ++i) {
    E moving = *i;
    E* j = i;
    for (; j != begin && less(moving, *(j - 1)); --j) *j = *(j - 1);
    *j = moving;
  }
}

template <typename E, typename Less>
class RadixSorter {
 public:
  void Sort(E* begin, E* end) {
    Sort(begin, end, 0, 0);
    if (scratch_.capacity() > kKeptScratchEntries) std::vector<E>().swap(scratch_);
  }
  void Release() {
    std::vector<E>().swap(scratch_);
    for (std::vector<uint32_t>& bounds : bounds_) std::vector<uint32_t>().swap(bounds);
    std::vector<uint32_t>().swap(next_);
  }

 private:
  // Sorts [begin, end), whose entries agree in the key bytes before `byte`; depth, the number of
  // steps above this one, picks the bucket bounds of this step.
  void Sort(E* begin, E* end, int byte, size_t depth) {
    if (size_t(end - begin) <= kInsertionSortRun) {
      InsertionSort(begin, end, Less());
      return;
    }
    byte = FirstVaryingByte(begin, end, byte);
    // Records of their own may differ where the key bytes agree.
    if (byte >= kRecordKeyBytes && begin->record) {
      std::sort(begin, end, Less());
      return;
    }
    if (byte == kKeyBytes) return;
    Digit digit = DigitAt(begin, end, byte);
    std::vector<uint32_t>& bounds = bounds_[depth];
    bounds.assign(digit.buckets + 1, 0);
    for (const E* e = begin; e != end; ++e) ++bounds[digit.Of(*e) + 1];
    for (uint32_t b = 1; b <= digit.buckets; ++b) bounds[b] += bounds[b - 1];
    Distribute(begin, end, digit, bounds);
    for (uint32_t b = 0; b < digit.buckets; ++b) {
      if (bounds[b + 1] - bounds[b] > 1) Sort(begin + bounds[b], begin + bounds[b + 1], byte + digit.bytes, depth + 1);
    }
  }

  // Moves every entry into its bucket; bucket b takes [bounds[b], bounds[b + 1]).
  void Distribute(E* begin, E* end, const Digit& digit, const std::vector<uint32_t>& bounds) {
    size_t n = size_t(end - begin);
    std::vector<uint32_t>& next = next_;
    next.assign(bounds.begin(), bounds.end() - 1);
    if (n > gScratchLimit) {
      // In place: each entry out of place is swapped straight into the next free slot of its
      // bucket.
      for (uint32_t b = 0; b < digit.buckets; ++b) {
        while (next[b] != bounds[b + 1]) {
          uint32_t d = digit.Of(begin[next[b]]);
          if (d == b) {
            ++next[b];
          } else {
            std::swap(begin[next[b]], begin[next[d]++]);
          }
        }
      }
      return;
    }
    // Through the scratch buffer: one read and one write of each entry, none waiting on another.
    if (scratch_.size() < n) scratch_.resize(n);
    for (const E* e = begin; e != end; ++e) scratch_[next[digit.Of(*e)]++] = *e;
    std::memcpy(static_cast<void*>(begin), scratch_.data(), n * sizeof(E));
  }

  std::vector<E> scratch_;
  // Per depth of the recursion (each step takes at least one key byte), the bucket bounds of
  // its step; and the free slot of each bucket while a step distributes.
  std::vector<std::vector<uint32_t>> bounds_ = std::vector<std::vector<uint32_t>>(kKeyBytes);
  std::vector<uint32_t> next_;
};

}  // namespace

void ShapeTable::LimitSortScratch(size_t entries) { gScratchLimit = entries ? entries : kMaxScratchEntries; }

namespace {
// Kept between tables: an import sorts a table per layer of every cell.
template <typename E, typename Less>
RadixSorter<E, Less>& Sorter() {
  static RadixSorter<E, Less> sorter;
  return sorter;
}
}  // namespace

void ShapeTable::SortEntries() {
  if (!entries_.empty()) Sorter<Entry, SortsBefore>().Sort(entries_.data(), entries_.data() + entries_.size());
}

void ShapeTable::ReleaseSortScratch() { Sorter<Entry, SortsBefore>().Release(); }
