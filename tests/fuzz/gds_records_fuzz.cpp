// Drives the record layer of the GDSII reader over the input: the first byte picks plain or
// gzip, the rest is the stream. Each record is claimed and read with a reader picked from its
// type and the step count, so that records also meet readers of the wrong size. Reading stops
// at the first Error, as the reader does.
#include <unistd.h>
#include <zlib.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "db/error.h"
#include "formats/gds_in.h"
#include "formats/gds_records.h"

namespace {

bool WriteInput(const std::string& path, const uint8_t* data, size_t size, bool compress) {
  if (compress) {
    gzFile gz = gzopen(path.c_str(), "wb");
    if (!gz) return false;
    bool ok = size == 0 || gzwrite(gz, data, unsigned(size)) == int(size);
    return gzclose(gz) == Z_OK && ok;
  }
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  bool ok = size == 0 || std::fwrite(data, 1, size, f) == size;
  return std::fclose(f) == 0 && ok;
}

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
  std::string path = "/tmp/korvane_fuzz_gds_records_" + std::to_string(::getpid());
  if (WriteInput(path, data + 1, size - 1, gzip)) {
    try {
      GdsIn in(path.c_str(), gzip);
      ReadRecords(in);
    } catch (const Error&) {
      // Malformed streams end in Error.
    }
  }
  std::remove(path.c_str());
  return 0;
}
