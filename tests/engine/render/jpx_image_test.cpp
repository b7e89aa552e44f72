// JPEG 2000 image XObjects through the image path: size, channels and colour from the JPX data.

#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

#include "tests/engine/render/page_fixture.h"

namespace {

using testing_pdf::PdfBuilder;
using testing_render::drawContent;

// Each image pixel covers this many device pixels: magnified this much, images are drawn
// without smoothing, so pixel centres show the converted samples themselves.
constexpr int kZoom = 7;

std::filesystem::path dataDir() {
  const char* dir = std::getenv("BREVIA_TEST_DATA");
  return (dir ? std::filesystem::path(dir)
              : std::filesystem::path(BREVIA_SOURCE_DIR) / "tests/data") /
         "jpx";
}

std::string readText(const std::filesystem::path& path) {
  std::ifstream f(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(f), {}};
}

// The reference decoder's samples of a sample file (see tests/data/jpx/references.txt), as
// 8-bit interleaved samples of its first `channels` planes.
std::string referenceSamples(const std::string& name, int channels, int& width, int& height) {
  std::istringstream lines(readText(dataDir() / "references.txt"));
  for (std::string line; std::getline(lines, line);) {
    std::istringstream s(line);
    std::string file, depths, digest;
    s >> file >> width >> height >> depths >> digest;
    if (file != name) continue;
    const int depth = std::stoi(depths);
    int planes = 1 + int(std::count(depths.begin(), depths.end(), ','));
    const std::size_t pixels = std::size_t(width) * height;
    std::string packed = readText(dataDir() / "refs" / (digest + ".z"));
    std::string raw(pixels * 2 * planes, '\0');
    uLongf length = uLongf(raw.size());
    uncompress(reinterpret_cast<Bytef*>(raw.data()), &length,
               reinterpret_cast<const Bytef*>(packed.data()), uLong(packed.size()));
    std::string out(pixels * channels, '\0');
    const int maxCode = (1 << depth) - 1;
    for (int c = 0; c < channels; ++c)
      for (std::size_t i = 0; i < pixels; ++i) {
        const std::size_t at = 2 * (c * pixels + i);
        const int v = uint8_t(raw[at]) | uint8_t(raw[at + 1]) << 8;
        out[i * channels + c] = char((v * 255 + maxCode / 2) / maxCode);
      }
    return out;
  }
  return {};
}

// Draws an image of width × height pixels at kZoom device pixels per pixel; the dictionary
// states dictSize × dictSize instead when dictSize is given.
testing_render::DrawnPage drawImage(int width, int height, const std::string& entries,
                                    const std::string& data, int dictSize = 0) {
  PdfBuilder b;
  b.set(5, "<< /XObject << /Im 6 0 R >> >>");
  b.setStream(6,
              "/Type /XObject /Subtype /Image /Width " +
                  std::to_string(dictSize ? dictSize : width) + " /Height " +
                  std::to_string(dictSize ? dictSize : height) + " " + entries,
              data);
  const int w = width * kZoom, h = height * kZoom;
  return drawContent("q " + std::to_string(w) + " 0 0 " + std::to_string(h) + " 0 0 cm /Im Do Q", w,
                     h, "/Resources 5 0 R", b);
}

// Mean difference per channel between the centres of the image pixels of two pages.
double meanDifference(const testing_render::DrawnPage& a, const testing_render::DrawnPage& b,
                      int width, int height) {
  double total = 0;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const uint32_t p = a.at(x * kZoom + kZoom / 2, y * kZoom + kZoom / 2);
      const uint32_t q = b.at(x * kZoom + kZoom / 2, y * kZoom + kZoom / 2);
      for (int s = 0; s < 24; s += 8) total += std::abs(int(p >> s & 0xFF) - int(q >> s & 0xFF));
    }
  return total / (3.0 * width * height);
}

TEST(JpxImage, PagesMatchTheSameSamplesAsPlainImages) {
  struct Case {
    const char* file;
    int channels;
    const char* space;
  };
  const Case cases[] = {
      {"kakadu-lossless-rgb-u8-prog1-layers1-res6-mct.jp2", 3, "/DeviceRGB"},
      {"kakadu-lossless-gray-u8-prog1-layers1-res6.jp2", 1, "/DeviceGray"},
      {"kakadu-lossless-gray-u8-prog1-layers1-res6-icc.jp2", 1, "/DeviceGray"},
      {"buggie-gray.jpf", 1, "/DeviceGray"},
      {"kakadu-lossless-cmyk-u8-prog1-layers1-res6.jp2", 4, "/DeviceCMYK"},
      {"kakadu-lossless-cmyka-u8-prog1-layers1-res6.jp2", 4, "/DeviceCMYK"},
      {"cmyk-small.jpf", 4, "/DeviceCMYK"},
      {"kakadu-lossless-lab-alpha-u8-prog1-layers1-res6.jp2", 3,
       "[/Lab << /WhitePoint [0.9642 1 0.8249] /Range [-128 127 -128 127] >>]"},
      {"kakadu-lossless-rgba-u16-prog1-layers1-res6.jp2", 3, "/DeviceRGB"},
      {"openjpeg-lossless-rgba-u4.jp2", 3, "/DeviceRGB"},
      {"openjpeg-lossless-bgra-u8.jp2", 3, "/DeviceRGB"},
      {"indexed-small.jp2", 3, "/DeviceRGB"},
      {"subsampled-components.j2k", 3, "/DeviceRGB"},
      {"openjpeg-lossy-quantization-scalar-derived.jp2", 3, "/DeviceRGB"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    int width = 0, height = 0;
    const std::string samples = referenceSamples(c.file, c.channels, width, height);
    ASSERT_FALSE(samples.empty());
    // The dictionary's Width and Height are wrong on purpose: the JPX data's own size counts.
    auto jpx = drawImage(width, height, "/Filter /JPXDecode", readText(dataDir() / c.file), 5);
    auto plain = drawImage(width, height, std::string("/BitsPerComponent 8 /ColorSpace ") + c.space,
                           samples);
    EXPECT_LE(meanDifference(jpx, plain, width, height), 2.0);
  }
}

TEST(JpxImage, DictionaryEntriesBesideTheData) {
  const std::string rgba = readText(dataDir() / "openjpeg-lossless-rgba-u8-TLM.jp2");
  int width = 0, height = 0;
  const std::string samples =
      referenceSamples("openjpeg-lossless-rgba-u8-TLM.jp2", 4, width, height);
  ASSERT_FALSE(samples.empty());
  // The most transparent pixel with a dark red channel.
  int tx = -1, ty = -1, best = 256;
  for (int i = 0; i < width * height; ++i)
    if (uint8_t(samples[4 * i + 3]) < best && uint8_t(samples[4 * i]) < 160)
      best = uint8_t(samples[4 * i + 3]), tx = i % width, ty = i / width;
  ASSERT_LT(best, 128);
  const int px = tx * kZoom + kZoom / 2, py = ty * kZoom + kZoom / 2;
  const int red = uint8_t(samples[4 * (ty * width + tx)]);
  auto opaque = drawImage(width, height, "/Filter /JPXDecode", rgba);
  // Without SMaskInData the opacity channel is ignored.
  EXPECT_NEAR(int(opaque.at(px, py) >> 16 & 0xFF), red, 1);
  // With it, the channel is the image's soft mask: over the white page the colour blends.
  auto masked = drawImage(width, height, "/Filter /JPXDecode /SMaskInData 1", rgba);
  EXPECT_NEAR(int(masked.at(px, py) >> 16 & 0xFF), (red * best + 255 * (255 - best)) / 255, 2);

  // Over a blue fill the mask lets the blue through (white paper would only lighten).
  PdfBuilder b;
  b.set(5, "<< /XObject << /Im 6 0 R >> >>");
  b.setStream(6,
              "/Type /XObject /Subtype /Image /Width 1 /Height 1 /Filter /JPXDecode /SMaskInData 1",
              rgba);
  const std::string w = std::to_string(width * kZoom), h = std::to_string(height * kZoom);
  auto overBlue =
      drawContent("0 0 1 rg 0 0 " + w + " " + h + " re f q " + w + " 0 0 " + h + " 0 0 cm /Im Do Q",
                  width * kZoom, height * kZoom, "/Resources 5 0 R", b);
  EXPECT_NEAR(int(overBlue.at(px, py) >> 16 & 0xFF), red * best / 255, 2);

  // The dictionary's ColorSpace wins: a CMYK file read as grey shows its first channel.
  const std::string cmyk = readText(dataDir() / "kakadu-lossless-cmyk-u8-prog1-layers1-res6.jp2");
  const std::string cyan =
      referenceSamples("kakadu-lossless-cmyk-u8-prog1-layers1-res6.jp2", 1, width, height);
  auto grey = drawImage(width, height, "/Filter /JPXDecode /ColorSpace /DeviceGray", cmyk);
  auto plainGrey = drawImage(width, height, "/BitsPerComponent 8 /ColorSpace /DeviceGray", cyan);
  EXPECT_LE(meanDifference(grey, plainGrey, width, height), 1.0);
  // Decode applies to the decoded samples.
  auto inverted =
      drawImage(width, height, "/Filter /JPXDecode /ColorSpace /DeviceGray /Decode [1 0]", cmyk);
  auto plainInverted =
      drawImage(width, height, "/BitsPerComponent 8 /ColorSpace /DeviceGray /Decode [1 0]", cyan);
  EXPECT_LE(meanDifference(inverted, plainInverted, width, height), 1.0);
  // A ColorSpace with more components than the image has: nothing is drawn.
  auto none = drawImage(width, height, "/Filter /JPXDecode /ColorSpace /DeviceRGB",
                        readText(dataDir() / "kakadu-lossless-gray-u8-prog1-layers1-res6.jp2"));
  EXPECT_EQ(none.at(px, py), 0xFFFFFFFFu);
  // Filters before JPXDecode run first.
  auto flated =
      drawImage(width, height, "/Filter [/FlateDecode /JPXDecode] /ColorSpace /DeviceGray",
                testing_pdf::deflate(cmyk));
  EXPECT_LE(meanDifference(flated, plainGrey, width, height), 1.0);
}

}  // namespace
