#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "db/error.h"
#include "db/log.h"
#include "formats/formatted_error.h"
#include "formats/gds_in.h"
#include "formats/gds_real.h"
#include "formats/gds_records.h"

namespace {
constexpr const char* kTag = kTagGdsIn;
constexpr int32_t kHeaderBytes = 4;

int32_t BigEndian16(const uint8_t* in) { return (in[0] << 8) | in[1]; }

int32_t BigEndian32(const uint8_t* in) {
  return int32_t((uint32_t(in[0]) << 24) | (uint32_t(in[1]) << 16) | (uint32_t(in[2]) << 8) | in[3]);
}

void DecodePoints(const uint8_t* in, int32_t n, Point* points) {
  for (int32_t i = 0; i < n; ++i, in += 8) points[i] = Point(BigEndian32(in), BigEndian32(in + 4));
}
}  // namespace

GdsIn::GdsIn(const char* path, bool gzip, const GdsInSettings& settings)
    : BinaryFile(kTag, kStreamBufferSize), settings_(settings) {
  if (!Open(path, false, gzip)) throw FormattedError(kTag, "Cannot open file %s!", path);
}

void GdsIn::DetailWarning(int32_t& counter, const char* format, ...) {
  if (counter <= settings_.detailLimit) {
    char text[1024];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    LogMessage("%s", text);
    if (counter == settings_.detailLimit) LogMessage("Same warning will not be shown any more\n");
  }
  if (counter < INT32_MAX) ++counter;
}

bool GdsIn::ReadNextHeader() {
  if (atEnd_) return false;
  if (dataLeft_ > 0) {
    DetailWarning(warnings_.longRecords, "Warning: Record %d has length %d, expected %d, extra data skipped\n",
                  uint8_t(recordType_), dataLength_ + kHeaderBytes, dataLength_ - dataLeft_ + kHeaderBytes);
    SkipRecordData();
  }
  for (;;) {
    if (!ReadHeaderFields()) return false;
    // Types of 128 and more read as negative: like the known types they stay pending.
    if (recordType_ < gds::kFirstUnknownType) {
      pending_ = true;
      return true;
    }
    DetailWarning(warnings_.unknownRecords, "Warning: Unknown Record Type %d, skipping !\n", recordType_);
    SkipRecordData();
  }
}

bool GdsIn::ReadHeaderFields() {
  // A whole header with a valid length: taken in one piece. Anything else, the end of the file
  // included, goes byte by byte below, which knows every message.
  if (const uint8_t* header = Contiguous(kHeaderBytes)) {
    int32_t length = BigEndian16(header);
    if (length >= kHeaderBytes) {
      recordType_ = static_cast<int8_t>(header[2]);
      dataType_ = header[3];
      dataLength_ = dataLeft_ = length - kHeaderBytes;
      Advance(kHeaderBytes);
      return true;
    }
  }
  uint8_t sizeBytes[2];
  size_t got = Read(sizeBytes, 2);
  if (got == 0) {
    atEnd_ = true;
    return false;
  }
  if (got < 2) throw Error(kTag, "Record size defined but end of file");
  int32_t length = (sizeBytes[0] << 8) | sizeBytes[1];
  if (length == 0) {
    if (!OnlyZerosFollow()) throw Error(kTag, "Invalid record length 0");
    atEnd_ = true;
    return false;
  }
  uint8_t type;
  if (!ReadByte(type)) throw Error(kTag, "Record type defined but end of file");
  if (!ReadByte(dataType_)) throw Error(kTag, "Datatype defined but end of file");
  // A length below the header's own 4 bytes would make the data length wrap.
  if (length < kHeaderBytes) throw FormattedError(kTag, "Invalid record length %d", length);
  recordType_ = static_cast<int8_t>(type);
  dataLength_ = dataLeft_ = length - kHeaderBytes;
  return true;
}

bool GdsIn::OnlyZerosFollow() {
  uint8_t chunk[512];
  for (size_t got; (got = Read(chunk, sizeof chunk)) > 0;) {
    for (size_t i = 0; i < got; ++i) {
      if (chunk[i] != 0) return false;
    }
  }
  return true;
}

void GdsIn::TakeData(int32_t size) {
  if (dataLeft_ < size) {
    // The type as the byte of the file: types of 128 and more are not shown negative.
    throw FormattedError(kTag, "Record %d has length %d, expected %d", uint8_t(recordType_), dataLength_ + kHeaderBytes,
                         dataLength_ - dataLeft_ + size + kHeaderBytes);
  }
  dataLeft_ -= size;
}

const uint8_t* GdsIn::TakeContiguous(int32_t size) {
  // A record shorter than the request takes the field-by-field path, which names the field.
  if (dataLeft_ < size) return nullptr;
  const uint8_t* data = Contiguous(size_t(size));
  if (!data) return nullptr;
  TakeData(size);
  Advance(size_t(size));
  return data;
}

void GdsIn::ReadPoints(Point* points, int32_t n) {
  const uint8_t* data = TakeContiguous(8 * n);
  if (!data) {
    for (int32_t i = 0; i < n; ++i) ReadPoint(points[i]);
    return;
  }
  DecodePoints(data, n, points);
}

bool GdsIn::ReadCompactBoundary(uint16_t& layer, uint16_t& dataType) {
  // LAYER and DATATYPE of 6 bytes each, then the XY header.
  constexpr int32_t kFieldBytes = 12 + kHeaderBytes;
  if (pending_ || atEnd_ || dataLeft_ != 0) return false;
  const uint8_t* in = Contiguous(kFieldBytes);
  if (!in || BigEndian16(in) != 6 || in[2] != gds::kLayer || BigEndian16(in + 6) != 6 || in[8] != gds::kDataType ||
      in[14] != gds::kXy) {
    return false;
  }
  int32_t xyBytes = BigEndian16(in + 12) - kHeaderBytes;
  // A single point or a malformed length takes the field readers, which warn or throw.
  if (xyBytes < 16 || xyBytes % 8 != 0) return false;
  in = Contiguous(size_t(kFieldBytes + xyBytes));
  if (!in) return false;
  layer = uint16_t(BigEndian16(in + 4));
  dataType = uint16_t(BigEndian16(in + 10));
  points_.resize(size_t(xyBytes / 8));
  DecodePoints(in + kFieldBytes, xyBytes / 8, points_.data());
  // The record state the field readers leave behind: the XY record claimed and read whole.
  recordType_ = gds::kXy;
  dataType_ = in[15];
  dataLength_ = xyBytes;
  dataLeft_ = 0;
  Advance(size_t(kFieldBytes + xyBytes));
  // The ENDEL that follows is taken as the next probe would take it: pending, without data.
  in = Contiguous(kHeaderBytes);
  if (in && BigEndian16(in) == kHeaderBytes && in[2] == gds::kEndEl) {
    recordType_ = gds::kEndEl;
    dataType_ = in[3];
    dataLength_ = 0;
    pending_ = true;
    Advance(kHeaderBytes);
  }
  return true;
}

void GdsIn::SkipBytes(int32_t count) {
  uint8_t chunk[512];
  while (count > 0) {
    size_t take = count < int32_t(sizeof chunk) ? size_t(count) : sizeof chunk;
    if (Read(chunk, take) != take) throw Error(kTag, "Untreated data defined but end of file");
    count -= int32_t(take);
  }
}

void GdsIn::SkipRecordData() {
  int32_t count = dataLeft_;
  pending_ = false;
  dataLength_ = dataLeft_ = 0;
  SkipBytes(count);
}

const std::string& GdsIn::ReadString() {
  int32_t length = dataLeft_;
  string_.resize(size_t(length));
  dataLeft_ = 0;
  if (Read(string_.data(), size_t(length)) != size_t(length)) throw Error(kTag, "String defined but end of file");
  if (dataLength_ & 1) {
    DetailWarning(warnings_.oddStrings, "Warning: GDS String is odd length, it must be even length\n");
  }
  string_.resize(std::strlen(string_.c_str()));
  return string_;
}

void GdsIn::ReadDates() {
  TakeData(24);
  for (int i = 0; i < 12; ++i) {
    uint16_t word;
    if (!ReadBE16(word)) throw Error(kTag, "Date defined but end of file");
  }
}

void GdsIn::ReadPoint(Point& p) {
  TakeData(8);
  uint32_t x, y;
  if (!ReadBE32(x) || !ReadBE32(y)) throw Error(kTag, "Point location defined but end of file");
  p.x = static_cast<int32_t>(x);
  p.y = static_cast<int32_t>(y);
}

double GdsIn::ReadReal(const char* eofMessage) {
  TakeData(8);
  uint8_t bytes[8];
  if (Read(bytes, 8) != 8) throw Error(kTag, eofMessage);
  return FromGdsReal(bytes);
}

bool GdsIn::ReadField16(int8_t type, uint16_t& value, const char* eofMessage) {
  if (!ExpectRecord(type)) return false;
  TakeData(2);
  if (!ReadBE16(value)) throw Error(kTag, eofMessage);
  return true;
}

bool GdsIn::ReadHeader(uint16_t& version) {
  return ReadField16(gds::kHeader, version, "Header defined but end of file");
}

bool GdsIn::ReadLayer(uint16_t& layer) { return ReadField16(gds::kLayer, layer, "Layer defined but end of file"); }

bool GdsIn::ReadDataType(uint16_t& dataType) {
  return ReadField16(gds::kDataType, dataType, "Data type defined but end of file");
}

bool GdsIn::ReadTextType(uint16_t& textType) {
  return ReadField16(gds::kTextType, textType, "Text type defined but end of file");
}

bool GdsIn::ReadWidth(int32_t& width) {
  if (!ExpectRecord(gds::kWidth)) return false;
  TakeData(4);
  uint32_t value;
  if (!ReadBE32(value)) throw Error(kTag, "Path width defined but end of file");
  width = static_cast<int32_t>(value);
  return true;
}

bool GdsIn::ReadBoxType(uint16_t& boxType) {
  return ReadField16(gds::kBoxType, boxType, "Box type defined but end of file");
}

bool GdsIn::ReadNodeType(uint16_t& nodeType) {
  return ReadField16(gds::kNodeType, nodeType, "Node type defined but end of file");
}

bool GdsIn::ReadPresentation(uint16_t& presentation) {
  return ReadField16(gds::kPresentation, presentation, "Presentation defined but end of file");
}

bool GdsIn::ReadElFlags(uint16_t& flags) {
  return ReadField16(gds::kElFlags, flags, "Element Flag defined but end of file");
}

bool GdsIn::ReadPropAttr(uint16_t& attribute) {
  return ReadField16(gds::kPropAttr, attribute, "Property attribute defined but end of file");
}
