// Decoding time of JPEG 2000 files: the best of several runs, optionally writing the image
// as PPM/PGM (as a command-line decoder would) so that comparisons include the same output.
// Usage: jpx_bench [-n repeats] [-t threads] [-o out.ppm] FILE...
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "engine/decode/jpx/jpx_decoder.h"

namespace {

void writePnm(const JpxImage& image, const char* path) {
  FILE* f = std::fopen(path, "wb");
  if (!f) return;
  const std::size_t channels = image.colourPlanes.size() >= 3 ? 3 : 1;
  std::fprintf(f, "P%c\n%d %d\n255\n", channels == 3 ? '6' : '5', image.width, image.height);
  const std::size_t pixels = std::size_t(image.width) * image.height;
  std::vector<uint8_t> row(std::size_t(image.width) * channels);
  for (std::size_t y = 0; y < std::size_t(image.height); ++y) {
    for (std::size_t c = 0; c < channels; ++c) {
      const JpxPlane& p = image.planes[image.colourPlanes[c]];
      const int shift = p.depth > 8 ? p.depth - 8 : 0;
      const uint16_t* s = p.samples.data() + y * image.width;
      for (int x = 0; x < image.width; ++x) row[x * channels + c] = uint8_t(s[x] >> shift);
    }
    std::fwrite(row.data(), 1, row.size(), f);
  }
  (void)pixels;
  std::fclose(f);
}

}  // namespace

int main(int argc, char** argv) {
  int repeats = 3, threads = 1;
  const char* output = nullptr;
  std::vector<std::string> files;
  for (int i = 1; i < argc; ++i) {
    if (!std::strcmp(argv[i], "-n") && i + 1 < argc)
      repeats = std::atoi(argv[++i]);
    else if (!std::strcmp(argv[i], "-t") && i + 1 < argc)
      threads = std::atoi(argv[++i]);
    else if (!std::strcmp(argv[i], "-o") && i + 1 < argc)
      output = argv[++i];
    else
      files.push_back(argv[i]);
  }
  for (const std::string& name : files) {
    std::ifstream in(name, std::ios::binary);
    const std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(in), {}};
    double best = 1e30;
    JpxImage image;
    for (int r = 0; r < repeats; ++r) {
      const auto start = std::chrono::steady_clock::now();
      if (!decodeJpxImage(bytes, image, threads)) {
        std::fprintf(stderr, "%s: cannot decode\n", name.c_str());
        return 1;
      }
      if (output) writePnm(image, output);
      best = std::min(
          best, std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                    .count());
    }
    std::printf("%s: %dx%d, %zu channels, %d thread(s): best %.1f ms\n", name.c_str(), image.width,
                image.height, image.planes.size(), threads, best);
  }
  return 0;
}
