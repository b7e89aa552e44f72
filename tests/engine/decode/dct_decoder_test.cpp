#include "engine/decode/dct_decoder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>

namespace {

constexpr std::size_t kCap = std::size_t{64} << 20;

std::filesystem::path dataDir() {
  const char* dir = std::getenv("BREVIA_TEST_DATA");
  return dir ? std::filesystem::path(dir) : std::filesystem::path(BREVIA_SOURCE_DIR) / "tests/data";
}

std::vector<uint8_t> readBytes(const std::filesystem::path& path) {
  std::ifstream f(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(f), {}};
}

std::vector<uint8_t> jpegFile(const std::string& name) {
  return readBytes(dataDir() / "jpeg" / name);
}

// Samples of a binary PGM/PPM as written by the reference decoder.
std::vector<uint8_t> pnmSamples(const std::string& name) {
  const std::vector<uint8_t> bytes = jpegFile(name);
  std::istringstream header(
      std::string(bytes.begin(), bytes.begin() + std::min<std::size_t>(bytes.size(), 64)));
  std::string magic;
  int w = 0, h = 0, maxval = 0;
  header >> magic >> w >> h >> maxval;
  const std::size_t samples = static_cast<std::size_t>(w) * h * (magic == "P6" ? 3 : 1);
  return {bytes.end() - static_cast<std::ptrdiff_t>(samples), bytes.end()};
}

int maxDifference(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
  int worst = a.size() == b.size() ? 0 : 256;
  for (std::size_t i = 0; i < std::min(a.size(), b.size()); ++i)
    worst = std::max(worst, std::abs(a[i] - b[i]));
  return worst;
}

std::vector<uint8_t> decode(const std::vector<uint8_t>& jpeg, DctImageInfo* info = nullptr) {
  std::vector<uint8_t> out;
  const int32_t n = decodeDct(jpeg, out, kCap, info);
  EXPECT_EQ(static_cast<std::size_t>(n), out.size());
  return out;
}

// Offset of the first marker segment with this code before the entropy-coded data, or npos.
std::size_t findSegment(const std::vector<uint8_t>& d, uint8_t code) {
  std::size_t p = 2;
  while (p + 4 <= d.size() && d[p] == 0xFF) {
    if (d[p + 1] == code) return p;
    if (d[p + 1] == 0xDA) break;
    p += 2 + static_cast<std::size_t>((d[p + 2] << 8) | d[p + 3]);
  }
  return std::string::npos;
}

void removeSegment(std::vector<uint8_t>& d, uint8_t code) {
  const std::size_t p = findSegment(d, code);
  ASSERT_NE(p, std::string::npos);
  d.erase(d.begin() + static_cast<std::ptrdiff_t>(p),
          d.begin() + static_cast<std::ptrdiff_t>(p + 2 + ((d[p + 2] << 8) | d[p + 3])));
}

void insertJfif(std::vector<uint8_t>& d) {
  const uint8_t app0[] = {0xFF, 0xE0, 0, 16, 'J', 'F', 'I', 'F', 0, 1, 1, 0, 0, 1, 0, 1, 0, 0};
  d.insert(d.begin() + 2, std::begin(app0), std::end(app0));
}

uint8_t clampSample(double v) { return static_cast<uint8_t>(std::clamp(v + 0.5, 0.0, 255.0)); }

// RGB from one YCbCr sample triple by the JFIF equations.
void yccToRgb(const uint8_t* s, uint8_t* rgb) {
  const double y = s[0], cb = s[1] - 128.0, cr = s[2] - 128.0;
  rgb[0] = clampSample(y + 1.402 * cr);
  rgb[1] = clampSample(y - 0.34414 * cb - 0.71414 * cr);
  rgb[2] = clampSample(y + 1.772 * cb);
}

struct Reference {
  const char* jpeg;
  const char* samples;
  int width, height, components;
  bool progressive;
};

TEST(DctDecoder, MatchesReferenceDecoder) {
  const Reference cases[] = {
      {"baseline_420.jpg", "baseline_420.ppm", 64, 48, 3, false},
      {"baseline_422.jpg", "baseline_422.ppm", 64, 48, 3, false},
      {"baseline_444.jpg", "baseline_444.ppm", 64, 48, 3, false},
      {"baseline_mixed.jpg", "baseline_mixed.ppm", 64, 48, 3, false},
      {"odd_420.jpg", "odd_420.ppm", 61, 45, 3, false},
      {"multiscan_420.jpg", "multiscan_420.ppm", 64, 48, 3, false},
      {"restart_420.jpg", "restart_420.ppm", 64, 48, 3, false},
      {"progressive_420.jpg", "progressive_420.ppm", 64, 48, 3, true},
      {"progressive_444_odd.jpg", "progressive_444_odd.ppm", 61, 45, 3, true},
      {"restart_progressive.jpg", "restart_progressive.ppm", 64, 48, 3, true},
      {"grey.jpg", "grey.pgm", 64, 48, 1, false},
      {"grey_progressive_odd.jpg", "grey_progressive_odd.pgm", 61, 45, 1, true},
      {"rgb_ids.jpg", "rgb_ids.ppm", 64, 48, 3, false},
  };
  for (const Reference& c : cases) {
    SCOPED_TRACE(c.jpeg);
    DctImageInfo info;
    const std::vector<uint8_t> out = decode(jpegFile(c.jpeg), &info);
    EXPECT_EQ(info.width, c.width);
    EXPECT_EQ(info.height, c.height);
    EXPECT_EQ(info.components, c.components);
    EXPECT_EQ(info.progressive, c.progressive);
    EXPECT_LE(maxDifference(out, pnmSamples(c.samples)), 2);
  }
}

TEST(DctDecoder, YcckIsConvertedToCmykAndTransformZeroPassesThrough) {
  std::vector<uint8_t> jpeg = jpegFile("cmyk_ycck.jpg");
  DctImageInfo info;
  const std::vector<uint8_t> cmyk = decode(jpeg, &info);
  EXPECT_TRUE(info.adobe);
  EXPECT_EQ(info.colourTransform, 2);
  EXPECT_LE(maxDifference(cmyk, jpegFile("cmyk_ycck.cmyk")), 2);

  const std::size_t adobe = findSegment(jpeg, 0xEE);
  ASSERT_NE(adobe, std::string::npos);
  jpeg[adobe + 4 + 11] = 0;  // the transform byte
  const std::vector<uint8_t> raw = decode(jpeg, &info);
  EXPECT_EQ(info.colourTransform, 0);
  ASSERT_EQ(raw.size(), cmyk.size());
  int worst = 0;
  for (std::size_t i = 0; i < raw.size(); i += 4) {
    uint8_t rgb[3];
    yccToRgb(&raw[i], rgb);
    for (int k = 0; k < 3; ++k) worst = std::max(worst, std::abs(255 - rgb[k] - cmyk[i + k]));
    worst = std::max(worst, std::abs(raw[i + 3] - cmyk[i + 3]));
  }
  EXPECT_LE(worst, 1);
}

TEST(DctDecoder, RgbComponentIdsWithoutJfifAreNotConverted) {
  std::vector<uint8_t> jpeg = jpegFile("rgb_ids.jpg");
  removeSegment(jpeg, 0xEE);
  DctImageInfo info;
  const std::vector<uint8_t> plain = decode(jpeg, &info);
  EXPECT_FALSE(info.adobe);
  EXPECT_EQ(info.colourTransform, 0);
  EXPECT_LE(maxDifference(plain, pnmSamples("rgb_ids.ppm")), 2);

  insertJfif(jpeg);
  const std::vector<uint8_t> converted = decode(jpeg, &info);
  EXPECT_TRUE(info.jfif);
  EXPECT_EQ(info.colourTransform, 1);
  ASSERT_EQ(converted.size(), plain.size());
  int worst = 0;
  for (std::size_t i = 0; i < plain.size(); i += 3) {
    uint8_t rgb[3];
    yccToRgb(&plain[i], rgb);
    for (int k = 0; k < 3; ++k) worst = std::max(worst, std::abs(rgb[k] - converted[i + k]));
  }
  EXPECT_LE(worst, 1);
}

TEST(DctDecoder, SubsampledChromaIsReplicated) {
  // Renaming the components R, G, B without JFIF exposes the raw Y, Cb and Cr planes.
  std::vector<uint8_t> jpeg = jpegFile("baseline_420.jpg");
  removeSegment(jpeg, 0xE0);
  const std::size_t sof = findSegment(jpeg, 0xC0);
  ASSERT_NE(sof, std::string::npos);
  const std::size_t sos = findSegment(jpeg, 0xDA);
  ASSERT_NE(sos, std::string::npos);
  for (int i = 0; i < 3; ++i)
    jpeg[sof + 10 + 3 * i] = jpeg[sos + 5 + 2 * i] = static_cast<uint8_t>("RGB"[i]);
  const std::vector<uint8_t> out = decode(jpeg);
  ASSERT_EQ(out.size(), 64u * 48 * 3);
  bool lumaVaries = false;
  for (int y = 0; y < 48; y += 2) {
    for (int x = 0; x < 64; x += 2) {
      const uint8_t* p = &out[(y * 64 + x) * 3];
      for (const int offset : {3, 64 * 3, 65 * 3}) {
        EXPECT_EQ(p[offset + 1], p[1]);
        EXPECT_EQ(p[offset + 2], p[2]);
        lumaVaries = lumaVaries || p[offset] != p[0];
      }
    }
  }
  EXPECT_TRUE(lumaVaries);
}

TEST(DctDecoder, WrongRestartMarkerStopsDecoding) {
  const std::vector<uint8_t> good = jpegFile("restart_420.jpg");
  const std::vector<uint8_t> full = decode(good);
  std::vector<uint8_t> jpeg = good;
  // The interval is one MCU row (16 lines); break the second marker, D1h.
  std::size_t second = 0;
  for (std::size_t i = findSegment(jpeg, 0xDA); i + 1 < jpeg.size(); ++i)
    if (jpeg[i] == 0xFF && jpeg[i + 1] == 0xD1) second = i + 1;
  ASSERT_NE(second, 0u);
  jpeg[second] = 0xD5;
  const std::vector<uint8_t> stopped = decode(jpeg);
  ASSERT_EQ(stopped.size(), 32u * 64 * 3);
  EXPECT_TRUE(std::equal(stopped.begin(), stopped.end(), full.begin()));

  // Progressive images are all or nothing.
  jpeg = jpegFile("restart_progressive.jpg");
  for (std::size_t i = findSegment(jpeg, 0xDA); i + 1 < jpeg.size(); ++i) {
    if (jpeg[i] == 0xFF && jpeg[i + 1] == 0xD3) {
      jpeg[i + 1] = 0xD0;
      break;
    }
  }
  EXPECT_TRUE(decode(jpeg).empty());
}

TEST(DctDecoder, UnsupportedFramesAndBadInputGiveNothing) {
  for (const uint8_t sof : {uint8_t{0xC1}, uint8_t{0xC3}, uint8_t{0xC9}}) {
    std::vector<uint8_t> jpeg = jpegFile("baseline_420.jpg");
    jpeg[findSegment(jpeg, 0xC0) + 1] = sof;
    std::vector<uint8_t> out{1, 2, 3};
    EXPECT_EQ(decodeDct(jpeg, out, kCap), 0);
    EXPECT_TRUE(out.empty());
  }
  std::vector<uint8_t> out;
  EXPECT_EQ(decodeDct({}, out, kCap), 0);
  const std::vector<uint8_t> junk(300, 0xFF);
  EXPECT_EQ(decodeDct(junk, out, kCap), 0);
  // A frame larger than the caller allows is refused.
  EXPECT_EQ(decodeDct(jpegFile("baseline_420.jpg"), out, 64 * 48 * 3 - 1), 0);
  EXPECT_EQ(decodeDct(jpegFile("baseline_420.jpg"), out, 64 * 48 * 3), 64 * 48 * 3);
}

TEST(DctDecoder, TruncatedInputDecodesWhatItCan) {
  for (const char* name : {"baseline_420.jpg", "restart_420.jpg", "progressive_420.jpg", "grey.jpg",
                           "restart_progressive.jpg", "cmyk_ycck.jpg", "multiscan_420.jpg"}) {
    SCOPED_TRACE(name);
    const std::vector<uint8_t> jpeg = jpegFile(name);
    const std::size_t full = decode(jpeg).size();
    for (std::size_t cut = 0; cut < jpeg.size(); cut += 23) {
      const std::vector<uint8_t> part(jpeg.begin(),
                                      jpeg.begin() + static_cast<std::ptrdiff_t>(cut));
      EXPECT_LE(decode(part).size(), full);
    }
  }
  // The top still matches; blocks after the end of the data are left mid-grey.
  const std::vector<uint8_t> jpeg = jpegFile("baseline_420.jpg");
  const std::vector<uint8_t> half = decode({jpeg.begin(), jpeg.end() - 300});
  const std::vector<uint8_t> reference = pnmSamples("baseline_420.ppm");
  ASSERT_EQ(half.size(), reference.size());
  EXPECT_LE(maxDifference({half.begin(), half.begin() + 16 * 64 * 3},
                          {reference.begin(), reference.begin() + 16 * 64 * 3}),
            2);
  EXPECT_TRUE(
      std::all_of(half.end() - 16 * 64 * 3, half.end(), [](uint8_t v) { return v == 128; }));
}

TEST(DctDecoder, FuzzFindingsDoNotCrash) {
  const std::filesystem::path dir = dataDir() / "fuzz" / "dct_fuzz";
  if (!std::filesystem::is_directory(dir)) GTEST_SKIP() << "no fuzz findings";
  for (const auto& entry : std::filesystem::directory_iterator(dir)) {
    std::vector<uint8_t> out;
    const int32_t n = decodeDct(readBytes(entry.path()), out, kCap);
    EXPECT_GE(n, 0);
    EXPECT_EQ(static_cast<std::size_t>(n), out.size());
  }
}

}  // namespace

namespace {

// The full decode averaged over scale x scale boxes (clipped at the right and bottom edges).
std::vector<uint8_t> boxAverage(const std::vector<uint8_t>& full, int w, int h, int n, int scale) {
  const int ow = (w + scale - 1) / scale, oh = (h + scale - 1) / scale;
  std::vector<uint8_t> out(static_cast<std::size_t>(ow) * oh * n);
  for (int y = 0; y < oh; ++y)
    for (int x = 0; x < ow; ++x)
      for (int c = 0; c < n; ++c) {
        int sum = 0, count = 0;
        for (int yy = y * scale; yy < std::min(h, (y + 1) * scale); ++yy)
          for (int xx = x * scale; xx < std::min(w, (x + 1) * scale); ++xx, ++count)
            sum += full[(static_cast<std::size_t>(yy) * w + xx) * n + c];
        out[(static_cast<std::size_t>(y) * ow + x) * n + c] =
            static_cast<uint8_t>((sum + count / 2) / count);
      }
  return out;
}

// What a decode at reduced size keeps exactly: luma for colour (the chroma of subsampled files
// stays at half the output's resolution), the black channel of CMYK, every sample of grey.
std::vector<double> keptSignal(const std::vector<uint8_t>& samples, int n) {
  std::vector<double> out;
  for (std::size_t i = 0; i + n <= samples.size(); i += n) {
    if (n == 3)
      out.push_back(0.299 * samples[i] + 0.587 * samples[i + 1] + 0.114 * samples[i + 2]);
    else
      out.push_back(samples[i + n - 1]);
  }
  return out;
}

double meanDifference(const std::vector<double>& a, const std::vector<double>& b) {
  if (a.size() != b.size() || a.empty()) return 256;
  double sum = 0;
  for (std::size_t i = 0; i < a.size(); ++i) sum += std::fabs(a[i] - b[i]);
  return sum / static_cast<double>(a.size());
}

}  // namespace

TEST(DctDecoder, ScaledDecodesAreCloseToTheAveragedFullDecode) {
  // Every sampling layout and a progressive file; sizes that are not multiples of the scale.
  for (const char* name :
       {"baseline_420.jpg", "baseline_422.jpg", "baseline_444.jpg", "baseline_mixed.jpg",
        "odd_420.jpg", "grey.jpg", "multiscan_420.jpg", "progressive_444_odd.jpg",
        "grey_progressive_odd.jpg", "restart_420.jpg", "cmyk_ycck.jpg"}) {
    SCOPED_TRACE(name);
    const std::vector<uint8_t> jpeg = jpegFile(name);
    DctImageInfo full;
    const std::vector<uint8_t> reference = decode(jpeg, &full);
    ASSERT_FALSE(reference.empty());
    for (int scale : {2, 4, 8}) {
      SCOPED_TRACE(scale);
      std::vector<uint8_t> out;
      DctImageInfo info;
      const int32_t n = decodeDct(jpeg, out, kCap, &info, scale);
      EXPECT_EQ(info.width, full.width);
      EXPECT_EQ(info.outputWidth, (full.width + scale - 1) / scale);
      EXPECT_EQ(info.outputHeight, (full.height + scale - 1) / scale);
      ASSERT_EQ(static_cast<std::size_t>(n),
                static_cast<std::size_t>(info.outputWidth) * info.outputHeight * full.components);
      const std::vector<uint8_t> averaged =
          boxAverage(reference, full.width, full.height, full.components, scale);
      const int c = full.components;
      EXPECT_LT(meanDifference(keptSignal(out, c), keptSignal(averaged, c)), 1.5);
      // Without subsampling every sample is close.
      if (std::string(name).find("444") != std::string::npos || c == 1) {
        EXPECT_LE(maxDifference(out, averaged), 8);
      }
    }
  }
}

TEST(DctDecoder, ScaleOneOrUnknownScalesDecodeAtFullSize) {
  const std::vector<uint8_t> jpeg = jpegFile("baseline_420.jpg");
  const std::vector<uint8_t> reference = decode(jpeg);
  for (int scale : {1, 0, 3, 16, -2}) {
    std::vector<uint8_t> out;
    decodeDct(jpeg, out, kCap, nullptr, scale);
    EXPECT_EQ(out, reference) << scale;
  }
  // The output cap applies to the scaled output: a quarter of the full size fits at scale 2.
  std::vector<uint8_t> out;
  EXPECT_EQ(decodeDct(jpeg, out, 32 * 24 * 3, nullptr, 2), 32 * 24 * 3);
  EXPECT_EQ(decodeDct(jpeg, out, 32 * 24 * 3 - 1, nullptr, 2), 0);
}
