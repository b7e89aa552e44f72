// Decodes JPEG files repeatedly and prints megapixels per second.
// Usage: dct_bench [-n repeats] [-s scale] [file.jpg ...]; without files it uses the small test
// images.
#include <chrono>
#include <ctime>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "engine/decode/dct_decoder.h"

namespace {

constexpr std::size_t kBenchOutputCap = std::size_t{1} << 30;

std::vector<uint8_t> readFile(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(f), {}};
}

void bench(const std::string& path, int repeats, int scale) {
  const std::vector<uint8_t> jpeg = readFile(path);
  if (jpeg.empty()) {
    std::printf("%s: cannot read\n", path.c_str());
    return;
  }
  std::vector<uint8_t> out;
  DctImageInfo info;
  if (decodeDct(jpeg, out, kBenchOutputCap, &info) <= 0) {
    std::printf("%s: not decoded\n", path.c_str());
    return;
  }
  double best = 1e30, total = 0;
  // Processor time as well as wall time: on a shared machine it is the steadier figure.
  const std::clock_t cpuStart = std::clock();
  for (int i = 0; i < repeats; ++i) {
    const auto start = std::chrono::steady_clock::now();
    decodeDct(jpeg, out, kBenchOutputCap, nullptr, scale);
    const double s =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    best = std::min(best, s);
    total += s;
  }
  const double cpu = static_cast<double>(std::clock() - cpuStart) / CLOCKS_PER_SEC;
  const double mp = static_cast<double>(info.width) * info.height / 1e6;
  std::printf(
      "%s: %dx%dx%d %s, 1/%d, %d runs, mean %.2f ms, %.1f MP/s (best %.1f MP/s), cpu %.1f MP/s\n",
      path.c_str(), info.width, info.height, info.components,
      info.progressive ? "progressive" : "baseline", scale, repeats, 1e3 * total / repeats,
      mp * repeats / total, mp / best, mp * repeats / cpu);
}

}  // namespace

int main(int argc, char** argv) {
  int repeats = 0;
  int scale = 1;
  std::vector<std::string> files;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "-n") == 0 && i + 1 < argc)
      repeats = std::atoi(argv[++i]);
    else if (std::strcmp(argv[i], "-s") == 0 && i + 1 < argc)
      scale = std::atoi(argv[++i]);
    else
      files.emplace_back(argv[i]);
  }
  if (files.empty()) {
    const std::string dir = std::string(BREVIA_SOURCE_DIR) + "/tests/data/jpeg/";
    files = {dir + "baseline_420.jpg", dir + "progressive_420.jpg"};
    if (repeats <= 0) repeats = 2000;
  }
  if (repeats <= 0) repeats = 10;
  for (const std::string& f : files) bench(f, repeats, scale);
  return 0;
}
