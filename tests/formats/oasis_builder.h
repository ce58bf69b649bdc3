#pragma once

// Builds OASIS byte sequences for the reader tests: unsigned and signed integers, reals, strings,
// deltas, point lists and repetitions, encoded here on their own as the standard defines them.
#include <cstdint>
#include <cstring>
#include <fstream>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

class OasisBuilder {
 public:
  using Bytes = std::vector<uint8_t>;

  OasisBuilder& Raw(std::initializer_list<uint8_t> b) {
    bytes_.insert(bytes_.end(), b);
    return *this;
  }
  OasisBuilder& Unsigned(uint64_t v) {
    for (; v > 127; v >>= 7) bytes_.push_back(uint8_t((v & 0x7f) | 0x80));
    bytes_.push_back(uint8_t(v));
    return *this;
  }
  OasisBuilder& Signed(int64_t v) {
    uint64_t m = v < 0 ? 0 - uint64_t(v) : uint64_t(v);
    uint8_t first = uint8_t(((m & 0x3f) << 1) | (v < 0 ? 1 : 0));
    m >>= 6;
    bytes_.push_back(uint8_t(first | (m ? 0x80 : 0)));
    return m ? Unsigned(m) : *this;
  }
  // Real types 0 to 5: the type, then one or two unsigned values.
  OasisBuilder& Real(uint64_t type, uint64_t a, uint64_t b = 0) {
    Unsigned(type).Unsigned(a);
    return type >= 4 ? Unsigned(b) : *this;
  }
  OasisBuilder& Float32(float f) {
    uint32_t bits;
    std::memcpy(&bits, &f, 4);
    Unsigned(6);
    for (int i = 0; i < 4; ++i) bytes_.push_back(uint8_t(bits >> (8 * i)));
    return *this;
  }
  OasisBuilder& Float64(double d) {
    uint64_t bits;
    std::memcpy(&bits, &d, 8);
    Unsigned(7);
    for (int i = 0; i < 8; ++i) bytes_.push_back(uint8_t(bits >> (8 * i)));
    return *this;
  }
  OasisBuilder& String(const std::string& s) {
    Unsigned(s.size());
    bytes_.insert(bytes_.end(), s.begin(), s.end());
    return *this;
  }
  // Directions: 0 east, 1 north, 2 west, 3 south, then 4 NE, 5 NW, 6 SW, 7 SE.
  OasisBuilder& Delta2(int direction, uint64_t magnitude) { return Unsigned((magnitude << 2) | direction); }
  OasisBuilder& Delta3(int direction, uint64_t magnitude) { return Unsigned((magnitude << 3) | direction); }
  // The one-word form for the eight directions, else the two-word form.
  OasisBuilder& GDelta(int64_t x, int64_t y) {
    uint64_t ax = x < 0 ? 0 - uint64_t(x) : uint64_t(x);
    uint64_t ay = y < 0 ? 0 - uint64_t(y) : uint64_t(y);
    int direction = -1;
    if (y == 0)
      direction = x >= 0 ? 0 : 2;
    else if (x == 0)
      direction = y > 0 ? 1 : 3;
    else if (ax == ay)
      direction = x > 0 ? (y > 0 ? 4 : 7) : (y > 0 ? 5 : 6);
    if (direction >= 0) return Unsigned(((ax ? ax : ay) << 4) | uint64_t(direction << 1));
    return Unsigned((ax << 2) | (x < 0 ? 2 : 0) | 1).Unsigned((ay << 1) | (y < 0 ? 1 : 0));
  }
  // Point list of type 0 or 1: the 1-deltas as given.
  OasisBuilder& ManhattanList(int type, std::initializer_list<int64_t> deltas) {
    Unsigned(type).Unsigned(deltas.size());
    for (int64_t d : deltas) Signed(d);
    return *this;
  }
  // Point list of type 4 or 5: g-deltas.
  OasisBuilder& GDeltaList(int type, std::initializer_list<std::pair<int64_t, int64_t>> deltas) {
    Unsigned(type).Unsigned(deltas.size());
    for (const auto& d : deltas) GDelta(d.first, d.second);
    return *this;
  }
  // Repetition types 1 to 7: the type, then its unsigned fields in the standard's order
  // (dimensions as count − 2, grids, spaces).
  OasisBuilder& Repetition(uint64_t type, std::initializer_list<uint64_t> fields) {
    Unsigned(type);
    for (uint64_t f : fields) Unsigned(f);
    return *this;
  }

  const Bytes& bytes() const { return bytes_; }
  void WriteTo(const std::string& path) const {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes_.data()), std::streamsize(bytes_.size()));
  }

 private:
  Bytes bytes_;
};
