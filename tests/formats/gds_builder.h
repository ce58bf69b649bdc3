#pragma once

// Builds GDSII streams byte by byte for the reader tests: records with 16-bit, 32-bit, real and
// string payloads, and whole elements. Reals are encoded here on their own, independently of
// the code under test.
#include <zlib.h>

#include <cmath>
#include <cstdint>
#include <fstream>
#include <initializer_list>
#include <string>
#include <vector>

#include "db/box.h"
#include "formats/gds_records.h"

// Optional STRANS, MAG and ANGLE of a placement; nothing is written for the defaults.
struct GdsPlacement {
  bool reflect = false;
  double magnification = 1;
  double angle = 0;
};

class GdsBuilder {
 public:
  using Bytes = std::vector<uint8_t>;

  // A record with the payload as given; the length field counts the 4 header bytes.
  GdsBuilder& Record(int8_t type, uint8_t dataType, const Bytes& payload = {}) {
    Put16(uint32_t(payload.size() + 4));
    bytes_.push_back(uint8_t(type));
    bytes_.push_back(dataType);
    return Raw(payload);
  }
  GdsBuilder& Raw(const Bytes& b) {
    bytes_.insert(bytes_.end(), b.begin(), b.end());
    return *this;
  }
  GdsBuilder& Int16(int8_t type, std::initializer_list<int> values) {
    Bytes p;
    for (int v : values) p.insert(p.end(), {uint8_t(v >> 8), uint8_t(v)});
    return Record(type, gds::kInt16, p);
  }
  GdsBuilder& Int32(int8_t type, std::initializer_list<int32_t> values) {
    Bytes p;
    for (int32_t v : values) AppendBE32(p, v);
    return Record(type, gds::kInt32, p);
  }
  GdsBuilder& Real8(int8_t type, std::initializer_list<double> values) {
    Bytes p;
    for (double v : values) {
      Bytes r = RealBytes(v);
      p.insert(p.end(), r.begin(), r.end());
    }
    return Record(type, gds::kReal8, p);
  }
  // Padded with a NUL to an even length unless pad is false.
  GdsBuilder& String(int8_t type, const std::string& s, bool pad = true) {
    Bytes p(s.begin(), s.end());
    if (pad && p.size() % 2) p.push_back(0);
    return Record(type, gds::kAscii, p);
  }
  GdsBuilder& Xy(const std::vector<Point>& points) {
    Bytes p;
    for (const Point& pt : points) {
      AppendBE32(p, pt.x);
      AppendBE32(p, pt.y);
    }
    return Record(gds::kXy, gds::kInt32, p);
  }

  GdsBuilder& LibraryHeader(const std::string& name = "LIB", double userUnit = 1e-3, double dbu = 1e-9) {
    Int16(gds::kHeader, {600}).Int16(gds::kBgnLib, {2024, 1, 2, 3, 4, 5, 2024, 1, 2, 3, 4, 5});
    return String(gds::kLibName, name).Real8(gds::kUnits, {userUnit, dbu});
  }
  GdsBuilder& BeginStructure(const std::string& name) {
    return Int16(gds::kBgnStr, {2024, 1, 2, 3, 4, 5, 2024, 1, 2, 3, 4, 5}).String(gds::kStrName, name);
  }
  GdsBuilder& EndStructure() { return Record(gds::kEndStr, gds::kNoData); }
  GdsBuilder& EndLibrary() { return Record(gds::kEndLib, gds::kNoData); }

  GdsBuilder& Boundary(int layer, int dataType, const std::vector<Point>& points) {
    Record(gds::kBoundary, gds::kNoData).Int16(gds::kLayer, {layer}).Int16(gds::kDataType, {dataType});
    return Xy(points).Record(gds::kEndEl, gds::kNoData);
  }
  GdsBuilder& Path(int layer, int dataType, int32_t width, int pathType, const std::vector<Point>& points) {
    Record(gds::kPath, gds::kNoData).Int16(gds::kLayer, {layer}).Int16(gds::kDataType, {dataType});
    Int16(gds::kPathType, {pathType}).Int32(gds::kWidth, {width});
    return Xy(points).Record(gds::kEndEl, gds::kNoData);
  }
  GdsBuilder& Text(int layer, int textType, Point at, const std::string& text) {
    Record(gds::kText, gds::kNoData).Int16(gds::kLayer, {layer}).Int16(gds::kTextType, {textType});
    return Xy({at}).String(gds::kString, text).Record(gds::kEndEl, gds::kNoData);
  }
  GdsBuilder& Sref(const std::string& cell, Point at, const GdsPlacement& t = GdsPlacement()) {
    Record(gds::kSref, gds::kNoData).String(gds::kSname, cell);
    return Transform(t).Xy({at}).Record(gds::kEndEl, gds::kNoData);
  }
  // p1 = p0 + columns × column step, p2 = p0 + rows × row step.
  GdsBuilder& Aref(const std::string& cell, int columns, int rows, Point p0, Point p1, Point p2,
                   const GdsPlacement& t = GdsPlacement()) {
    Record(gds::kAref, gds::kNoData).String(gds::kSname, cell);
    Transform(t).Int16(gds::kColRow, {columns, rows});
    return Xy({p0, p1, p2}).Record(gds::kEndEl, gds::kNoData);
  }

  // Exact for the magnitudes that tests use (normal doubles well inside the GDSII range).
  static Bytes RealBytes(double v) {
    Bytes out(8, 0);
    if (v == 0) return out;
    double m = std::fabs(v);
    int e = 64;
    for (; m >= 1; m /= 16) ++e;
    for (; m < 1.0 / 16; m *= 16) --e;
    uint64_t fraction = uint64_t(std::ldexp(m, 56));
    out[0] = uint8_t(e | (v < 0 ? 0x80 : 0));
    for (int i = 7; i >= 1; --i, fraction >>= 8) out[i] = uint8_t(fraction);
    return out;
  }

  const Bytes& bytes() const { return bytes_; }
  void WriteTo(const std::string& path, bool gzip = false) const {
    if (gzip) {
      gzFile gz = gzopen(path.c_str(), "wb");
      gzwrite(gz, bytes_.data(), unsigned(bytes_.size()));
      gzclose(gz);
      return;
    }
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes_.data()), std::streamsize(bytes_.size()));
  }

 private:
  void Put16(uint32_t v) { bytes_.insert(bytes_.end(), {uint8_t(v >> 8), uint8_t(v)}); }
  static void AppendBE32(Bytes& p, int32_t v) {
    uint32_t u = uint32_t(v);
    p.insert(p.end(), {uint8_t(u >> 24), uint8_t(u >> 16), uint8_t(u >> 8), uint8_t(u)});
  }
  GdsBuilder& Transform(const GdsPlacement& t) {
    if (!t.reflect && t.magnification == 1 && t.angle == 0) return *this;
    uint16_t bits = t.reflect ? 0x8000 : 0;
    Record(gds::kStrans, gds::kBitArray, {uint8_t(bits >> 8), uint8_t(bits)});
    if (t.magnification != 1) Real8(gds::kMag, {t.magnification});
    if (t.angle != 0) Real8(gds::kAngle, {t.angle});
    return *this;
  }

  Bytes bytes_;
};
