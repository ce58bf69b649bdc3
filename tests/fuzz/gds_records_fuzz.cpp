// Drives the record layer of the GDSII reader over the input: the first byte picks plain or
// gzip, the rest is the stream. Each record is claimed and read with a reader picked from its
// type and the step count, so that records also meet readers of the wrong size. Reading stops
// at the first Error, as the reader does.

#include <cstdint>
#include <cstdio>
#include <string>

#include "db/error.h"
#include "formats/gds_in.h"
#include "formats/gds_records.h"
#include "tests/fuzz/fuzz_scratch.h"

namespace {

void ReadRecords(GdsIn& in) {
  uint16_t word;
  int32_t width;
  Point p;
  for (int steps = 0; steps < 100000; ++steps) {
    if (in.ExpectRecord(gds::kTapeNum)) {
      in.SkipRecordData();
      continue;
    }
    if (in.AtEndOfFile()) return;
    int8_t type = in.RecordType();
    int choice = (uint8_t(type) + steps) % 8;
    if (choice == 0) {
      in.ReadLayer(word);
      continue;
    }
    if (choice == 1) {
      in.ReadWidth(width);
      continue;
    }
    if (choice == 2) {
      in.SkipRecordData();
      continue;
    }
    in.ExpectRecord(type);
    if (choice == 3) in.ReadString();
    if (choice == 4) in.ReadDates();
    if (choice == 5) {
      for (int i = in.DataLength() / 8; i > 0; --i) in.ReadPoint(p);
    }
    if (choice == 6) in.ReadReal("Real defined but end of file");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  bool gzip = data[0] & 1;
  fuzzscratch::ScratchDir dir("gds_records");
  std::string path = dir.File("input");
  if (!fuzzscratch::WriteFile(path, data + 1, size - 1, gzip)) return 0;
  try {
    GdsIn in(path.c_str(), gzip);
    ReadRecords(in);
  } catch (const Error&) {
    // Malformed streams end in Error.
  }
  return 0;
}
