#include "engine/decode/jpx/jpx_decoder.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>

namespace {

std::filesystem::path dataDir() {
  const char* dir = std::getenv("BREVIA_TEST_DATA");
  return (dir ? std::filesystem::path(dir)
              : std::filesystem::path(BREVIA_SOURCE_DIR) / "tests/data") /
         "jpx";
}

std::vector<uint8_t> readBytes(const std::filesystem::path& path) {
  std::ifstream f(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(f), {}};
}

std::vector<uint8_t> inflateAll(const std::vector<uint8_t>& in, std::size_t expected) {
  std::vector<uint8_t> out(expected);
  uLongf length = uLongf(expected);
  if (uncompress(out.data(), &length, in.data(), uLong(in.size())) != Z_OK) return {};
  out.resize(length);
  return out;
}

struct Reference {
  std::string name;
  int width = 0, height = 0;
  std::vector<int> depths;
  std::string digest;
};

std::vector<Reference> references() {
  std::ifstream in(dataDir() / "references.txt");
  std::vector<Reference> out;
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream s(line);
    Reference r;
    std::string depths;
    s >> r.name >> r.width >> r.height >> depths >> r.digest;
    std::istringstream d(depths);
    for (std::string v; std::getline(d, v, ',');) r.depths.push_back(std::stoi(v));
    out.push_back(r);
  }
  return out;
}

// The planes in the order a viewer shows them: colour channels, opacity, then the rest.
std::vector<const JpxPlane*> shownPlanes(const JpxImage& image) {
  std::vector<int> order = image.colourPlanes;
  if (image.alphaPlane >= 0) order.push_back(image.alphaPlane);
  for (int i = 0; i < int(image.planes.size()); ++i)
    if (std::find(order.begin(), order.end(), i) == order.end()) order.push_back(i);
  std::vector<const JpxPlane*> out;
  for (int i : order) out.push_back(&image.planes[i]);
  return out;
}

// The bare code stream inside a JP2 file.
std::vector<uint8_t> codeStreamOf(const std::vector<uint8_t>& file) {
  std::size_t pos = 0;
  while (pos + 8 <= file.size()) {
    uint64_t length =
        uint64_t(file[pos]) << 24 | file[pos + 1] << 16 | file[pos + 2] << 8 | file[pos + 3];
    if (length == 0) length = file.size() - pos;
    if (std::equal(file.begin() + pos + 4, file.begin() + pos + 8, "jp2c"))
      return {file.begin() + pos + 8,
              file.begin() + pos + std::min<uint64_t>(length, file.size() - pos)};
    if (length < 8) break;
    pos += length;
  }
  return {};
}

TEST(JpxDecoder, EverySampleMatchesTheReferenceDecoder) {
  const std::vector<Reference> refs = references();
  ASSERT_GE(refs.size(), 40u);
  for (const Reference& r : refs) {
    SCOPED_TRACE(r.name);
    JpxImage image;
    ASSERT_TRUE(decodeJpxImage(readBytes(dataDir() / r.name), image));
    EXPECT_TRUE(image.complete);
    ASSERT_EQ(image.width, r.width);
    ASSERT_EQ(image.height, r.height);
    ASSERT_EQ(image.planes.size(), r.depths.size());
    const std::size_t pixels = std::size_t(r.width) * r.height;
    const std::vector<uint8_t> ref =
        inflateAll(readBytes(dataDir() / "refs" / (r.digest + ".z")), pixels * 2 * r.depths.size());
    ASSERT_EQ(ref.size(), pixels * 2 * r.depths.size());
    const std::vector<const JpxPlane*> planes = shownPlanes(image);
    for (std::size_t c = 0; c < planes.size(); ++c) {
      EXPECT_EQ(planes[c]->depth, r.depths[c]);
      const double toGrey = 255.0 / ((1 << r.depths[c]) - 1);
      double total = 0;
      for (std::size_t i = 0; i < pixels; ++i) {
        const std::size_t at = 2 * (c * pixels + i);
        total += std::abs(int(planes[c]->samples[i]) - (ref[at] | ref[at + 1] << 8));
      }
      EXPECT_LE(total / pixels * toGrey, 2.0) << "plane " << c;
    }
  }
}

TEST(JpxDecoder, BareCodeStreamAndJp2FileGiveTheSameBytes) {
  for (const Reference& r : references()) {
    if (r.name.ends_with(".j2k") || r.name.starts_with("indexed"))
      continue;  // palette files differ
    SCOPED_TRACE(r.name);
    const std::vector<uint8_t> file = readBytes(dataDir() / r.name);
    const std::vector<uint8_t> bare = codeStreamOf(file);
    ASSERT_FALSE(bare.empty());
    std::vector<uint8_t> a, b;
    ASSERT_GT(decodeJpx(file, a, std::size_t{1} << 26), 0);
    ASSERT_GT(decodeJpx(bare, b, std::size_t{1} << 26), 0);
    EXPECT_TRUE(a == b);
  }
}

TEST(JpxDecoder, OutputPacksEachSampleInItsChannelsDepth) {
  // Eight bits: three bytes per RGB pixel, pixel-interleaved.
  std::vector<uint8_t> out;
  JpxImage image;
  const std::vector<uint8_t> rgb =
      readBytes(dataDir() / "kakadu-lossless-rgb-u8-prog1-layers1-res6-mct.jp2");
  ASSERT_EQ(decodeJpx(rgb, out, std::size_t{1} << 26), 3 * 119 * 101);
  ASSERT_TRUE(decodeJpxImage(rgb, image));
  EXPECT_EQ(out[3 * 120 + 1], image.planes[1].samples[120]);
  // Four bits: two samples per byte, high nibble first.
  const std::vector<uint8_t> u4 = readBytes(dataDir() / "openjpeg-lossless-rgba-u4.jp2");
  ASSERT_EQ(decodeJpx(u4, out, std::size_t{1} << 26), 4 * 119 * 101 / 2);
  ASSERT_TRUE(decodeJpxImage(u4, image));
  EXPECT_EQ(out[0] >> 4, image.planes[0].samples[0]);
  EXPECT_EQ(out[0] & 15, image.planes[1].samples[0]);
  // Sixteen bits: big-endian pairs.
  const std::vector<uint8_t> u16 =
      readBytes(dataDir() / "kakadu-lossless-rgba-u16-prog1-layers1-res6.jp2");
  ASSERT_EQ(decodeJpx(u16, out, std::size_t{1} << 26), 8 * 119 * 101);
  ASSERT_TRUE(decodeJpxImage(u16, image));
  EXPECT_EQ(out[2] << 8 | out[3], image.planes[1].samples[0]);
  // Eleven bits run on across byte boundaries: the first 16 bits hold sample 0 and 5 of sample 1.
  const std::vector<uint8_t> s11 = readBytes(dataDir() / "signed-12bit.j2k");
  ASSERT_EQ(decodeJpx(s11, out, std::size_t{1} << 26), (119 * 101 * 11 + 7) / 8);
  ASSERT_TRUE(decodeJpxImage(s11, image));
  EXPECT_EQ((out[0] << 8 | out[1]) >> 5, image.planes[0].samples[0]);
  // The output stops at the caller's limit.
  EXPECT_EQ(decodeJpx(rgb, out, 5000), 5000);
}

TEST(JpxDecoder, ColourAndChannelsFromTheFileBoxes) {
  JpxImage image;
  ASSERT_TRUE(decodeJpxImage(readBytes(dataDir() / "openjpeg-lossless-bgra-u8.jp2"), image));
  EXPECT_EQ(image.colour, JpxColour::Rgb);
  EXPECT_EQ(image.colourPlanes, (std::vector<int>{2, 1, 0}));  // the channel definitions reorder
  EXPECT_EQ(image.alphaPlane, 3);
  ASSERT_TRUE(decodeJpxImage(
      readBytes(dataDir() / "kakadu-lossless-cmyka-u8-prog1-layers1-res6.jp2"), image));
  EXPECT_EQ(image.colour, JpxColour::Cmyk);
  EXPECT_EQ(image.alphaPlane, 4);
  ASSERT_TRUE(decodeJpxImage(
      readBytes(dataDir() / "kakadu-lossless-lab-alpha-u8-prog1-layers1-res6.jp2"), image));
  EXPECT_EQ(image.colour, JpxColour::Lab);
  EXPECT_EQ(image.labRange[1], 255);
  EXPECT_EQ(image.labOffset[1], 128);
  ASSERT_TRUE(decodeJpxImage(
      readBytes(dataDir() / "kakadu-lossless-gray-u8-prog1-layers1-res6-icc.jp2"), image));
  EXPECT_EQ(image.colour, JpxColour::Icc);
  EXPECT_FALSE(image.icc.empty());
  // A palette turns one index plane into three colour planes.
  ASSERT_TRUE(decodeJpxImage(readBytes(dataDir() / "indexed-small.jp2"), image));
  EXPECT_EQ(image.planes.size(), 3u);
  EXPECT_EQ(image.colourPlanes.size(), 3u);
  // A bare code stream says nothing about colour: three channels are taken as RGB.
  ASSERT_TRUE(decodeJpxImage(readBytes(dataDir() / "precincts-rpcl-poc.j2k"), image));
  EXPECT_EQ(image.colour, JpxColour::Rgb);
  EXPECT_FALSE(image.fromFile);
}

TEST(JpxDecoder, ThreadsGiveTheSameSamples) {
  for (const char* name :
       {"odd-offset-irreversible-tiles.j2k", "kakadu-lossless-rgba-u16-prog1-layers1-res6.jp2"}) {
    const std::vector<uint8_t> file = readBytes(dataDir() / name);
    JpxImage one, two;
    ASSERT_TRUE(decodeJpxImage(file, one, 1));
    ASSERT_TRUE(decodeJpxImage(file, two, 2));
    for (std::size_t c = 0; c < one.planes.size(); ++c)
      EXPECT_TRUE(one.planes[c].samples == two.planes[c].samples);
  }
}

// A code stream header of one 8-bit grey component; the caller patches it.
std::vector<uint8_t> header(uint32_t width, uint32_t height, uint16_t components = 1) {
  std::vector<uint8_t> d = {0xFF, 0x4F, 0xFF, 0x51};
  auto u16 = [&](uint32_t v) {
    d.push_back(uint8_t(v >> 8));
    d.push_back(uint8_t(v));
  };
  auto u32 = [&](uint32_t v) {
    u16(v >> 16);
    u16(v & 0xFFFF);
  };
  u16(38 + 3 * components);
  u16(0);
  u32(width), u32(height), u32(0), u32(0), u32(width), u32(height), u32(0), u32(0);
  u16(components);
  for (int c = 0; c < components; ++c) d.insert(d.end(), {7, 1, 1});
  // COD: LRCP, one layer, 5 levels, 64 × 64 blocks, 5/3; QCD without quantisation.
  d.insert(d.end(), {0xFF, 0x52, 0, 12, 0, 0, 0, 1, 0, 5, 4, 4, 0, 1});
  d.insert(d.end(), {0xFF, 0x5C, 0, 3 + 16, 0x40});
  for (int b = 0; b < 16; ++b) d.push_back(0x48);
  return d;
}

TEST(JpxDecoder, CraftedHeadersAreRefusedOrGiveABlankImage) {
  std::vector<uint8_t> out;
  // Sizes beyond the limits.
  EXPECT_EQ(decodeJpx(header(1u << 20, 1u << 20), out, 1 << 20), -1);
  EXPECT_EQ(decodeJpx(header(40000, 40000, 200), out, 1 << 20), -1);
  EXPECT_EQ(decodeJpx(header(0, 10), out, 1 << 20), -1);
  // No tile part at all: nothing to decode.
  EXPECT_EQ(decodeJpx(header(16, 16), out, 1 << 20), -1);
  // A tile part without packet data: a blank (mid-grey) image of the right size.
  std::vector<uint8_t> d = header(16, 16);
  d.insert(d.end(), {0xFF, 0x90, 0, 10, 0, 0, 0, 0, 0, 14, 0, 1, 0xFF, 0x93, 0xFF, 0xD9});
  JpxImage image;
  ASSERT_TRUE(decodeJpxImage(d, image));
  ASSERT_EQ(image.planes.size(), 1u);
  EXPECT_EQ(image.planes[0].samples[37], 128);
  // Tile index beyond the tile count ends the stream there.
  d = header(16, 16);
  d.insert(d.end(), {0xFF, 0x90, 0, 10, 0, 9, 0, 0, 0, 0, 0, 1, 0xFF, 0x93});
  EXPECT_TRUE(decodeJpxImage(d, image));
  EXPECT_FALSE(image.complete);
  // More than 32 decomposition levels.
  d = header(16, 16);
  d[4 + 2 + 38 + 3 + 9] = 40;
  EXPECT_EQ(decodeJpx(d, out, 1 << 20), -1);
}

TEST(JpxDecoder, DamagedDataNeverBreaksTheDecoder) {
  // Every truncation and a sweep of flipped bytes decode to something or nothing, within bounds.
  for (const char* name : {"openjpeg-lossless-rgba-u8-prog2-tile4x2-cblk4x16-tp3-layers3-res2.jp2",
                           "all-styles-sop-eph-layers.j2k", "odd-offset-irreversible-tiles.j2k"}) {
    const std::vector<uint8_t> file = readBytes(dataDir() / name);
    std::vector<uint8_t> out;
    for (std::size_t n = 0; n < file.size(); n += 1 + file.size() / 97) {
      const std::vector<uint8_t> cut(file.begin(), file.begin() + n);
      EXPECT_LE(decodeJpx(cut, out, 1 << 22), 1 << 22);
    }
    for (std::size_t i = 0; i < file.size(); i += 1 + file.size() / 61) {
      std::vector<uint8_t> bad = file;
      bad[i] ^= 0x5A;
      EXPECT_LE(decodeJpx(bad, out, 1 << 22), 1 << 22);
    }
  }
}

}  // namespace
