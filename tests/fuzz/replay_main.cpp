// Replays every file of a fuzz corpus folder through LLVMFuzzerTestOneInput, so that the
// normal sanitizer build checks all checked-in inputs without libFuzzer.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s CORPUS_DIR\n", argv[0]);
    return 2;
  }
  std::error_code ec;
  std::filesystem::directory_iterator it(argv[1], ec);
  if (ec) {
    std::fprintf(stderr, "cannot read corpus %s\n", argv[1]);
    return 1;
  }
  int replayed = 0;
  for (const auto& entry : it) {
    if (!entry.is_regular_file()) continue;
    std::ifstream in(entry.path(), std::ios::binary);
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
    ++replayed;
  }
  if (replayed == 0) {
    std::fprintf(stderr, "corpus %s is empty\n", argv[1]);
    return 1;
  }
  std::printf("replayed %d inputs from %s\n", replayed, argv[1]);
  return 0;
}
