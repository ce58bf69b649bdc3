// Replays every file of a fuzz corpus folder through LLVMFuzzerTestOneInput, so that the
// normal sanitizer build checks all checked-in inputs without libFuzzer. With a time limit in
// seconds, every input that takes longer is named and the replay fails, so that an input whose
// work is unbounded cannot come back unnoticed.
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

int main(int argc, char** argv) {
  if (argc != 2 && argc != 3) {
    std::fprintf(stderr, "usage: %s CORPUS_DIR [SECONDS_PER_INPUT]\n", argv[0]);
    return 2;
  }
  double limit = argc == 3 ? std::atof(argv[2]) : 0;
  std::error_code ec;
  std::filesystem::directory_iterator it(argv[1], ec);
  if (ec) {
    std::fprintf(stderr, "cannot read corpus %s\n", argv[1]);
    return 1;
  }
  int replayed = 0, slow = 0;
  for (const auto& entry : it) {
    if (!entry.is_regular_file()) continue;
    std::ifstream in(entry.path(), std::ios::binary);
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    auto start = std::chrono::steady_clock::now();
    LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (limit > 0 && seconds > limit) {
      std::fprintf(stderr, "input %s took %.2f s, over the limit of %.2f s\n", entry.path().string().c_str(), seconds,
                   limit);
      ++slow;
    }
    ++replayed;
  }
  if (replayed == 0) {
    std::fprintf(stderr, "corpus %s is empty\n", argv[1]);
    return 1;
  }
  std::printf("replayed %d inputs from %s\n", replayed, argv[1]);
  if (slow > 0) {
    std::fprintf(stderr, "%d inputs over the time limit\n", slow);
    return 1;
  }
  return 0;
}
