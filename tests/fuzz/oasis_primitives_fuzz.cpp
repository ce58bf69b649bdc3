// Drives every primitive decoder of the OASIS reader from the input: each byte names the next
// decoder, which reads its operand from the bytes that follow. A malformed operand ends in Error
// and decoding goes on with the next byte.

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "db/error.h"
#include "formats/oasis_file.h"
#include "tests/fuzz/fuzz_scratch.h"

namespace {

constexpr uint64_t kExpansionCap = 1 << 16;

void Decode(OasisFile& f) {
  std::string text;
  std::vector<OasisDelta> points;
  std::vector<OasisDelta> positions;
  OasisRepetition modal;
  OasisPropertyValue value;
  uint8_t op;
  for (int steps = 0; steps < 10000 && f.ReadByte(op); ++steps) {
    try {
      switch (op % 14) {
        case 0: f.ReadUnsigned(); break;
        case 1: f.ReadSigned(); break;
        case 2: f.ReadUnsigned32(); break;
        case 3: f.ReadSigned32(); break;
        case 4: f.ReadReal(); break;
        case 5: f.ReadFiniteReal("magnification"); break;
        case 6: f.ReadString(text); break;
        case 7: f.Read2Delta(); break;
        case 8: f.Read3Delta(); break;
        case 9: f.ReadGDelta(); break;
        case 10: f.ReadPointList(points, true); break;
        case 11: f.ReadPointList(points, false); break;
        case 12:
          f.ReadRepetition(modal);
          modal.Expand(positions, kExpansionCap);
          break;
        case 13: f.ReadPropertyValue(value); break;
      }
    } catch (const Error&) {
      // Refused operand: go on with the next operation.
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzzscratch::ScratchDir dir("oasis_primitives");
  std::string path = dir.File("input");
  if (!fuzzscratch::WriteFile(path, data, size, false)) return 0;
  OasisFile f;
  f.OpenForRead(path);
  Decode(f);
  return 0;
}
