// Drives every read operation of BinaryFile from the input: the first byte picks plain, gzip
// (the rest compressed) or raw bytes read as gzip (corrupt streams); then each byte of the
// file names the next operation, which reads its operand from the bytes that follow.

#include <cstdint>
#include <cstdio>
#include <string>

#include "db/binary_file.h"
#include "db/error.h"
#include "tests/fuzz/fuzz_scratch.h"

namespace {

void RunOperations(BinaryFile& f) {
  uint8_t op;
  for (int steps = 0; steps < 10000 && f.ReadByte(op); ++steps) {
    try {
      // clang-format off
      switch (op % 13) {
        case 0: { uint16_t v; f.Read2(v); break; }
        case 1: { uint32_t v; f.Read4(v); break; }
        case 2: { double v; f.Read8(v); break; }
        case 3: { uint16_t v; f.ReadBE16(v); break; }
        case 4: { uint32_t v; f.ReadBE32(v); break; }
        case 5: { uint8_t dst[300]; f.Read(dst, op); break; }
        case 6: f.ReadUnsignedChained(); break;
        case 7: f.ReadSignedChained(); break;
        case 8: f.Seek(f.Tell() / 2); break;
        case 9: f.FractionRead(); break;
        case 10: f.HasMore(); break;
        case 11: { uint8_t v; f.ReadByte(v); break; }
        case 12: f.Seek(int64_t(op) * 37); break;
      }
      // clang-format on
    } catch (const Error&) {
      // Malformed chained integers end in Error; reading goes on with the next operation.
    }
  }
  f.SeekEnd();
  f.Tell();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  uint8_t mode = data[0] % 3;
  fuzzscratch::ScratchDir dir("binary_file");
  std::string path = dir.File("input");
  if (!fuzzscratch::WriteFile(path, data + 1, size - 1, mode == 1)) return 0;
  BinaryFile f;
  if (f.Open(path, false, mode != 0)) RunOperations(f);
  f.Close();
  return 0;
}
