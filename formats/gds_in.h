#pragma once

#include <cstdint>
#include <string>

#include "db/binary_file.h"
#include "db/box.h"
#include "db/poly/ring_set.h"

class Library;

// Limits fixed at construction; tests pass small values to exercise the large-cell paths.
struct GdsInSettings {
  // Detailed reports of one kind: this many plus one are printed, then a closing line.
  int32_t detailLimit = 20;
  // Buffered vertices of one cell beyond which its geometry moves to sub-cells.
  int64_t storeThreshold = 50'000'000;
  // Side of the tiles of a split cell, in nanometres.
  int32_t tileSize = 200'000;
  // Size of a cell data file after which the next numbered one is started.
  int64_t dataFileRollOver = 1'000'000'000;
};

// The GDSII stream reader. This part is its record layer: it frames records, probes for the
// record type a caller expects and reads the typed fields of the claimed record, checking every
// length against the bytes it reads. Every failure throws Error tagged "GDSIN".
//
// Framing: a record is claimed by ExpectRecord; its data is then read by the field readers,
// each of which refuses a record shorter than its field ("Record %d has length %d, expected %d").
// Data that a record carries beyond what was read is skipped, with a detail-limited warning,
// before the next header is read, so that the stream stays in step. The end of the file at a
// record boundary, or a tail of zero bytes (tape padding), is "no record"; the end of the file
// inside a header or a field throws that field's "... defined but end of file" message.
class GdsIn : public BinaryFile {
 public:
  // Opens the file (gzip true for a ".gz" path); Error "Cannot open file %s!" on failure.
  GdsIn(const char* path, bool gzip, const GdsInSettings& settings = GdsInSettings());

  // Claims the next record when its type is `type` and returns true. Otherwise returns false and
  // the record stays pending for the next probe; at the end of the file there is no record and
  // every probe returns false. Types 57 to 127 are skipped on the way with the warning
  // "Warning: Unknown Record Type %d, skipping !\n" under the detail limit.
  bool ExpectRecord(int8_t type);
  // True once the end of the file has been met at a record boundary.
  bool AtEndOfFile() const { return atEnd_; }
  // The type of the last record read: the pending one when a probe returned false.
  int8_t RecordType() const { return recordType_; }
  // Data bytes of the last record read (its length field less the 4 header bytes).
  int32_t DataLength() const { return dataLength_; }

  // The claimed record's data as a string, cut at its first NUL byte (the padding of an odd
  // name). An odd data length warns under the detail limit. The reference stays valid until
  // the next call.
  const std::string& ReadString();
  // Drops the data of the claimed or pending record; nothing is then pending.
  void SkipRecordData();
  // The 12 date words of BGNLIB and BGNSTR; they are not kept.
  void ReadDates();
  // One XY pair: x, then y.
  void ReadPoint(Point& p);
  // One 8-byte real; eofMessage is thrown when the file ends inside it.
  double ReadReal(const char* eofMessage);

  // The fixed-size fields: each claims the next record when it has the field's type and reads
  // its big-endian value, or returns false and leaves the record pending.
  bool ReadHeader(uint16_t& version);
  bool ReadLayer(uint16_t& layer);
  bool ReadDataType(uint16_t& dataType);
  bool ReadTextType(uint16_t& textType);
  bool ReadWidth(int32_t& width);
  bool ReadBoxType(uint16_t& boxType);
  bool ReadNodeType(uint16_t& nodeType);
  bool ReadPresentation(uint16_t& presentation);
  bool ReadElFlags(uint16_t& flags);
  bool ReadPropAttr(uint16_t& attribute);

 private:
  // The twelve totals of the import report.
  struct Statistics {
    int32_t boundaries = 0;
    int32_t paths = 0;
    int32_t arbitraryAngles = 0;
    int32_t singleReferences = 0;
    int32_t arrayReferences = 0;
    int32_t duplicateReferences = 0;
    int32_t magnifications = 0;
    int32_t angles45 = 0;
    int32_t texts = 0;
    int32_t nodes = 0;
    int32_t boxes = 0;
    int32_t properties = 0;
  };

  // One counter per kind of detailed warning, each under the detail-limit rule.
  struct Warnings {
    int32_t rememberedAngle = 0;  // an arbitrary placement angle seen, 0 = none
    int32_t arbitraryAngles = 0;
    int32_t problemPolygons = 0;  // in the current cell
    int32_t points = 0;
    int32_t oddStrings = 0;
    int32_t unknownRecords = 0;
    int32_t longRecords = 0;
    int32_t magnifications = 0;
    int32_t roundPathEnds = 0;
    int32_t unsupportedLayers = 0;
    int32_t redefinedCells = 0;
    int64_t bufferedVertices = 0;  // of the current cell
    int32_t subCells = 0;          // generated for the current cell
  };

  // Reads the next header into the record state, skipping unknown records; false at the end
  // of the file.
  bool ReadNextHeader();
  // Reads one header; false when the file ends before it or only zero bytes follow.
  bool ReadHeaderFields();
  bool OnlyZerosFollow();
  // Counts size bytes of the claimed record as read; throws when the record is shorter.
  void TakeData(int32_t size);
  void SkipBytes(int32_t count);
  bool ReadField16(int8_t type, uint16_t& value, const char* eofMessage);
  // The detail-limit rule: while the counter is at most the limit the message is logged; when
  // it equals the limit "Same warning will not be shown any more\n" follows; the counter then
  // goes up by one (it stops at INT32_MAX).
  void DetailWarning(int32_t& counter, const char* format, ...) __attribute__((format(printf, 3, 4)));

  GdsInSettings settings_;

  // Record state. dataLeft is the part of the current record's data not read yet.
  bool pending_ = false;
  bool atEnd_ = false;
  int32_t dataLength_ = 0;
  int32_t dataLeft_ = 0;
  int8_t recordType_ = 0;
  uint8_t dataType_ = 0;
  std::string string_;

  // Set by the library flow; the record layer does not use it.
  [[maybe_unused]] Library* library_ = nullptr;
  RingSet ring_;
  Statistics statistics_;
  Warnings warnings_;
};
