#include "engine/decode/ccitt_decoder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
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

// A bi-level picture, 1 bits black, rows padded to whole bytes.
struct Bitmap {
  int width = 0, height = 0;
  std::vector<uint8_t> bits;
  std::size_t rowBytes() const { return (static_cast<std::size_t>(width) + 7) / 8; }
  bool black(int x, int y) const { return bits[y * rowBytes() + x / 8] & (0x80 >> (x % 8)); }
};

Bitmap readPbm(const std::string& name) {
  const std::vector<uint8_t> bytes = readBytes(dataDir() / "ccitt" / name);
  std::istringstream header(std::string(bytes.begin(), bytes.begin() + std::min<std::size_t>(bytes.size(), 32)));
  std::string magic;
  Bitmap b;
  header >> magic >> b.width >> b.height;
  const std::size_t size = b.rowBytes() * b.height;
  b.bits.assign(bytes.end() - static_cast<std::ptrdiff_t>(size), bytes.end());
  return b;
}

// Counts the pixels that differ (pad bits ignored); a size mismatch counts everything.
int differences(const Bitmap& a, const Bitmap& b) {
  if (a.width != b.width || a.height != b.height) return a.width * a.height + 1;
  int n = 0;
  for (int y = 0; y < a.height; ++y)
    for (int x = 0; x < a.width; ++x) n += a.black(x, y) != b.black(x, y);
  return n;
}

// The few fields of a little-endian TIFF that say how its fax strips are coded.
struct FaxTiff {
  std::vector<uint8_t> file;
  int width = 0, height = 0, compression = 0, rowsPerStrip = 0;
  uint32_t t4Options = 0;
  std::vector<uint32_t> offsets, counts;

  std::span<const uint8_t> strip(std::size_t n) const { return {file.data() + offsets[n], counts[n]}; }
  int stripRows(std::size_t n) const { return std::min<int>(rowsPerStrip, height - static_cast<int>(n) * rowsPerStrip); }

  // The decoding parameters a PDF writer gives such a strip.
  CcittParams params(std::size_t n) const {
    CcittParams p;
    p.columns = width;
    p.rows = stripRows(n);
    p.endOfBlock = false;
    p.blackIs1 = true;
    if (compression == 2) {  // run lengths without end-of-line codes, rows byte-aligned
      p.encodedByteAlign = true;
    } else if (compression == 3) {
      p.k = (t4Options & 1) ? 1 : 0;
      p.endOfLine = true;
    } else {
      p.k = -1;
    }
    return p;
  }
};

FaxTiff readTiff(const std::string& name) {
  FaxTiff t;
  t.file = readBytes(dataDir() / "ccitt" / name);
  const auto& f = t.file;
  auto u16 = [&](std::size_t p) { return uint32_t(f[p]) | uint32_t(f[p + 1]) << 8; };
  auto u32 = [&](std::size_t p) { return u16(p) | u16(p + 2) << 16; };
  const std::size_t ifd = u32(4);
  for (uint32_t e = 0, count = u16(ifd); e < count; ++e) {
    const std::size_t entry = ifd + 2 + 12 * e;
    const uint32_t tag = u16(entry), type = u16(entry + 2), number = u32(entry + 4);
    const std::size_t size = (type == 3 ? 2 : 4) * number;
    const std::size_t at = size <= 4 ? entry + 8 : u32(entry + 8);
    std::vector<uint32_t> values;
    for (uint32_t i = 0; i < number; ++i) values.push_back(type == 3 ? u16(at + 2 * i) : u32(at + 4 * i));
    if (values.empty()) continue;
    switch (tag) {
      case 256: t.width = static_cast<int>(values[0]); break;
      case 257: t.height = static_cast<int>(values[0]); break;
      case 259: t.compression = static_cast<int>(values[0]); break;
      case 273: t.offsets = values; break;
      case 278: t.rowsPerStrip = static_cast<int>(values[0]); break;
      case 279: t.counts = values; break;
      case 292: t.t4Options = values[0]; break;
    }
  }
  if (t.rowsPerStrip == 0) t.rowsPerStrip = t.height;
  return t;
}

// Decodes every strip of a sample as its own stream, one after another.
Bitmap decodeTiff(const FaxTiff& t, void (*adjust)(CcittParams&) = nullptr) {
  Bitmap b{t.width, 0, {}};
  for (std::size_t n = 0; n < t.offsets.size(); ++n) {
    CcittParams p = t.params(n);
    if (adjust) adjust(p);
    std::vector<uint8_t> out;
    decodeCcitt(t.strip(n), out, kCap, p);
    b.bits.insert(b.bits.end(), out.begin(), out.end());
  }
  b.height = static_cast<int>(b.bits.size() / b.rowBytes());
  return b;
}

const char* const kSamples[] = {"ccitt3", "ccitt3_1d_fill", "ccitt3_2d", "ccitt3_2d_fill",
                                "ccitt3_no_tags", "ccitt4", "ccitt_rle"};

TEST(CcittSamples, EveryStripDecodesToWhatLibtiffGives) {
  for (const char* name : kSamples) {
    SCOPED_TRACE(name);
    const FaxTiff t = readTiff(std::string(name) + ".tiff");
    ASSERT_FALSE(t.offsets.empty());
    EXPECT_EQ(differences(decodeTiff(t), readPbm(std::string(name) + ".pbm")), 0);
  }
}

TEST(CcittSamples, MmrBitmapsMatchAndReportTheirLength) {
  const FaxTiff t = readTiff("ccitt4.tiff");
  const Bitmap expected = readPbm("ccitt4.pbm");
  Bitmap b{t.width, t.height, std::vector<uint8_t>(expected.bits.size())};
  for (std::size_t n = 0; n < t.offsets.size(); ++n) {
    const std::span<const uint8_t> strip = t.strip(n);
    const int32_t used = decodeMmrBitmap(strip.data(), strip.size(), t.width, t.stripRows(n),
                                         b.bits.data() + n * t.rowsPerStrip * b.rowBytes(), b.rowBytes());
    EXPECT_EQ(used, static_cast<int32_t>(strip.size())) << "strip " << n;
  }
  EXPECT_EQ(differences(b, expected), 0);
}

}  // namespace
