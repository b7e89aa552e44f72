// Decodes a PDF-embedded JBIG2 image (globals and image streams) repeatedly and prints the time.
// Usage: jbig2_bench [-n repeats] [-o out.pbm] [-c expected.pbm] globals page
// With -n 1 -o it does what a command-line decoder does (one decode, PBM written), for timing
// next to one.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "engine/decode/jbig2/jbig2_decoder.h"

namespace {

constexpr std::size_t kBenchOutputCap = std::size_t{1} << 30;

std::vector<uint8_t> readFile(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(f), {}};
}

// The page's raster as a PBM holds it: 1 = black, so the decoder's 0 = black samples are
// inverted back, padding bits clear.
std::vector<uint8_t> toRaster(const std::vector<uint8_t>& samples, const Jbig2ImageInfo& info) {
  std::vector<uint8_t> out(samples.size());
  const std::size_t stride = (info.width + 7) / 8;
  const uint8_t tail = info.width % 8 ? static_cast<uint8_t>(0xFF << (8 - info.width % 8)) : 0xFF;
  for (std::size_t i = 0; i < samples.size(); ++i) {
    out[i] = static_cast<uint8_t>(~samples[i]);
    if (i % stride == stride - 1) out[i] &= tail;
  }
  return out;
}

// Writes the page as a PBM straight from the samples, a block at a time.
void writePbm(const std::string& path, const std::vector<uint8_t>& samples,
              const Jbig2ImageInfo& info) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return;
  // Few large writes, as a command-line decoder writing its page would do.
  std::vector<char> buffer(std::size_t{1} << 18);
  std::setvbuf(f, buffer.data(), _IOFBF, buffer.size());
  std::fprintf(f, "P4\n%d %d\n", info.width, info.height);
  const std::size_t stride = (info.width + 7) / 8;
  const uint8_t tail = info.width % 8 ? static_cast<uint8_t>(0xFF << (8 - info.width % 8)) : 0xFF;
  std::vector<uint8_t> row(stride);
  for (std::size_t y = 0; stride && y < samples.size() / stride; ++y) {
    for (std::size_t i = 0; i < stride; ++i)
      row[i] = static_cast<uint8_t>(~samples[y * stride + i]);
    row[stride - 1] &= tail;
    std::fwrite(row.data(), 1, stride, f);
  }
  std::fclose(f);
}

// The raster of a PBM (header skipped), for comparison.
std::vector<uint8_t> pbmRaster(const std::vector<uint8_t>& pbm) {
  std::size_t pos = 2;
  for (int fields = 0; fields < 2 && pos < pbm.size();) {
    while (pos < pbm.size() &&
           (pbm[pos] == ' ' || pbm[pos] == '\n' || pbm[pos] == '\r' || pbm[pos] == '\t'))
      ++pos;
    if (pos < pbm.size() && pbm[pos] == '#') {
      while (pos < pbm.size() && pbm[pos] != '\n') ++pos;
      continue;
    }
    while (pos < pbm.size() && pbm[pos] >= '0' && pbm[pos] <= '9') ++pos;
    ++fields;
  }
  return {pbm.begin() + std::min(pos + 1, pbm.size()), pbm.end()};
}

}  // namespace

int main(int argc, char** argv) {
  int repeats = 20;
  std::string outPath, checkPath;
  std::vector<std::string> files;
  for (int i = 1; i < argc; ++i) {
    if (!std::strcmp(argv[i], "-n") && i + 1 < argc)
      repeats = std::atoi(argv[++i]);
    else if (!std::strcmp(argv[i], "-o") && i + 1 < argc)
      outPath = argv[++i];
    else if (!std::strcmp(argv[i], "-c") && i + 1 < argc)
      checkPath = argv[++i];
    else
      files.push_back(argv[i]);
  }
  if (files.size() != 2 || repeats < 1) {
    std::fprintf(stderr,
                 "usage: jbig2_bench [-n repeats] [-o out.pbm] [-c expected.pbm] globals page\n");
    return 2;
  }
  const std::vector<uint8_t> globals = readFile(files[0]), page = readFile(files[1]);
  std::vector<uint8_t> out;
  Jbig2ImageInfo info;
  double best = 1e30, total = 0;
  const std::clock_t cpuStart = std::clock();
  for (int i = 0; i < repeats; ++i) {
    const auto start = std::chrono::steady_clock::now();
    if (decodeJbig2(page, globals, out, kBenchOutputCap, &info) < 0) {
      std::fprintf(stderr, "not decoded\n");
      return 1;
    }
    const double s =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    best = std::min(best, s);
    total += s;
  }
  const double cpu = static_cast<double>(std::clock() - cpuStart) / CLOCKS_PER_SEC;
  if (!outPath.empty()) writePbm(outPath, out, info);
  if (!checkPath.empty()) {
    const bool same = toRaster(out, info) == pbmRaster(readFile(checkPath));
    std::printf("%s: %s\n", checkPath.c_str(), same ? "identical" : "DIFFERENT");
    if (!same) return 1;
  }
  if (outPath.empty() || repeats > 1) {
    const double mp = static_cast<double>(info.width) * info.height / 1e6;
    std::printf("%dx%d page, %d runs: mean %.2f ms, best %.2f ms, %.0f MP/s, cpu %.2f ms a run\n",
                info.width, info.height, repeats, 1e3 * total / repeats, 1e3 * best,
                mp * repeats / total, 1e3 * cpu / repeats);
  }
  return 0;
}
