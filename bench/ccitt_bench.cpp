// Decodes a Group 4 (T.6) fax strip repeatedly and prints pages and megapixels per second.
// Usage: ccitt_bench [-n repeats] [-o out.raw] WIDTH HEIGHT strip.g4
// With -o it decodes once and writes the rows (1 bits black) to out.raw, so that a shell loop
// can time it next to another tool doing the same work per process.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "engine/decode/ccitt_decoder.h"

namespace {

constexpr std::size_t kBenchOutputCap = std::size_t{1} << 30;

std::vector<uint8_t> readFile(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(f), {}};
}

CcittParams pageParams(int width, int height) {
  CcittParams p;
  p.k = -1;
  p.columns = width;
  p.rows = height;
  p.blackIs1 = true;
  return p;
}

}  // namespace

int main(int argc, char** argv) {
  int repeats = 50;
  std::string outPath;
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "-n") == 0 && i + 1 < argc)
      repeats = std::atoi(argv[++i]);
    else if (std::strcmp(argv[i], "-o") == 0 && i + 1 < argc)
      outPath = argv[++i];
    else
      args.emplace_back(argv[i]);
  }
  if (args.size() != 3) {
    std::fprintf(stderr, "usage: ccitt_bench [-n repeats] [-o out.raw] WIDTH HEIGHT strip.g4\n");
    return 2;
  }
  const int width = std::atoi(args[0].c_str()), height = std::atoi(args[1].c_str());
  const std::vector<uint8_t> data = readFile(args[2]);
  const CcittParams params = pageParams(width, height);
  std::vector<uint8_t> out;
  if (!outPath.empty()) {
    decodeCcitt(data, out, kBenchOutputCap, params);
    // Pad bits as other tools write them (zero; the inversion by BlackIs1 sets them).
    const std::size_t rowBytes = (static_cast<std::size_t>(width) + 7) / 8;
    const uint8_t keep =
        static_cast<uint8_t>(0xFF << (rowBytes * 8 - static_cast<std::size_t>(width)));
    for (std::size_t at = rowBytes - 1; at < out.size(); at += rowBytes) out[at] &= keep;
    std::FILE* f = std::fopen(outPath.c_str(), "wb");
    if (!f) return 1;
    std::fwrite(out.data(), 1, out.size(), f);
    std::fclose(f);
    return 0;
  }
  const int32_t n = decodeCcitt(data, out, kBenchOutputCap, params);
  const std::size_t rowBytes = (static_cast<std::size_t>(width) + 7) / 8;
  if (n <= 0 || static_cast<std::size_t>(n) != rowBytes * height) {
    std::printf("%s: decoded %d bytes, expected %zu\n", args[2].c_str(), n, rowBytes * height);
    return 1;
  }
  double best = 1e30, total = 0;
  // Processor time as well as wall time: on a shared machine it is the steadier figure.
  const std::clock_t cpuStart = std::clock();
  for (int i = 0; i < repeats; ++i) {
    const auto start = std::chrono::steady_clock::now();
    decodeCcitt(data, out, kBenchOutputCap, params);
    const double s =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    best = std::min(best, s);
    total += s;
  }
  const double cpu = static_cast<double>(std::clock() - cpuStart) / CLOCKS_PER_SEC;
  const double mp = static_cast<double>(width) * height / 1e6;
  std::printf(
      "%s: %dx%d, %zu coded bytes, %d runs, mean %.3f ms (best %.3f ms), cpu %.3f ms/page, %.0f "
      "MP/s\n",
      args[2].c_str(), width, height, data.size(), repeats, 1e3 * total / repeats, 1e3 * best,
      1e3 * cpu / repeats, mp * repeats / cpu);
  return 0;
}
