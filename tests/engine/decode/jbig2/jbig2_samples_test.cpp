// The third-party sample files: every bitmap-*.jbig2 codes the same picture, each with a
// different set of coding features.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "engine/decode/jbig2/jbig2_decoder.h"
#include "tests/engine/decode/jbig2/jbig2_sample.h"

namespace {

using namespace jbig2_test;

constexpr std::size_t kOutputCap = std::size_t{64} << 20;

// Decodes a sample into a picture with 1 = black (the decoder gives 0 = black).
Picture decodeSample(const std::string& name, uint32_t page = 1) {
  const EmbeddedImage e = embed(readFile(dataPath(name)), page);
  Picture p;
  if (!e.ok) return p;
  std::vector<uint8_t> out;
  Jbig2ImageInfo info;
  if (decodeJbig2(e.data, e.globals, out, kOutputCap, &info) < 0) return p;
  p.width = info.width;
  p.height = info.height;
  p.rows.resize(out.size());
  const int tail = p.width % 8;
  const std::size_t stride = (p.width + 7) / 8;
  for (std::size_t i = 0; i < out.size(); ++i) {
    p.rows[i] = static_cast<uint8_t>(~out[i]);
    if (tail && i % stride == stride - 1) p.rows[i] &= static_cast<uint8_t>(0xFF << (8 - tail));
  }
  return p;
}

std::vector<std::string> bitmapSamples() {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(dataPath(""))) {
    const std::string name = entry.path().filename().string();
    if (name.rfind("bitmap", 0) == 0 && entry.path().extension() == ".jbig2") names.push_back(name);
  }
  std::sort(names.begin(), names.end());
  return names;
}

class Jbig2BitmapSample : public testing::TestWithParam<std::string> {};

TEST_P(Jbig2BitmapSample, DecodesToTheReferencePicture) {
  const Picture expected = readBmp(readFile(dataPath("bitmap.bmp")));
  ASSERT_EQ(expected.width, 399);
  ASSERT_EQ(expected.height, 400);
  const Picture got = decodeSample(GetParam());
  ASSERT_EQ(got.width, expected.width);
  ASSERT_EQ(got.height, expected.height);
  std::size_t wrong = 0;
  for (int y = 0; y < got.height; ++y)
    for (int x = 0; x < got.width; ++x) wrong += got.black(x, y) != expected.black(x, y);
  EXPECT_EQ(wrong, 0u);
}

INSTANTIATE_TEST_SUITE_P(Samples, Jbig2BitmapSample, testing::ValuesIn(bitmapSamples()),
                         [](const testing::TestParamInfo<std::string>& info) {
                           std::string n = info.param.substr(0, info.param.size() - 6);
                           for (char& c : n)
                             if (!isalnum(static_cast<unsigned char>(c))) c = '_';
                           return n;
                         });

TEST(Jbig2Samples, AnnexHFirstPage) {
  // The reference was made with a peer decoder and checked by eye.
  const Picture expected = readPbm(readFile(dataPath("annex-h-page1.pbm")));
  ASSERT_EQ(expected.width, 64);
  ASSERT_EQ(expected.height, 56);
  const Picture got = decodeSample("annex-h.jbig2");
  ASSERT_EQ(got.width, 64);
  ASSERT_EQ(got.height, 56);
  EXPECT_EQ(got.rows, expected.rows);
}

}  // namespace
