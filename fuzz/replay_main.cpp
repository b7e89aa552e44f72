// Runs a fuzz target's entry point over files, so that every target is built by the normal build
// and the inputs it ever failed on are replayed by the tests (under the sanitizers in their
// build). Arguments are files or folders; a folder gives every regular file inside it, in name
// order. The empty input always runs first, so a target without kept inputs still runs once.

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);
extern "C" __attribute__((weak)) int LLVMFuzzerInitialize(int* argc, char*** argv);

namespace fs = std::filesystem;

int main(int argc, char** argv) {
  if (LLVMFuzzerInitialize) LLVMFuzzerInitialize(&argc, &argv);
  std::vector<fs::path> inputs;
  for (int i = 1; i < argc; ++i) {
    std::error_code ec;
    const fs::path path(argv[i]);
    if (fs::is_directory(path, ec)) {
      std::vector<fs::path> found;
      for (const auto& entry : fs::directory_iterator(path, ec))
        if (entry.is_regular_file()) found.push_back(entry.path());
      std::sort(found.begin(), found.end());
      inputs.insert(inputs.end(), found.begin(), found.end());
    } else if (fs::is_regular_file(path, ec)) {
      inputs.push_back(path);
    } else {
      std::fprintf(stderr, "%s: no such input\n", argv[i]);
      return 2;
    }
  }
  // Like the fuzzer, an empty input still comes with a valid pointer.
  static const uint8_t kNothing[1] = {0};
  LLVMFuzzerTestOneInput(kNothing, 0);
  for (const fs::path& input : inputs) {
    std::ifstream file(input, std::ios::binary);
    const std::vector<char> bytes((std::istreambuf_iterator<char>(file)),
                                  std::istreambuf_iterator<char>());
    const uint8_t* data = reinterpret_cast<const uint8_t*>(bytes.data());
    LLVMFuzzerTestOneInput(bytes.empty() ? kNothing : data, bytes.size());
  }
  std::printf("%zu inputs replayed\n", inputs.size() + 1);
  return 0;
}
