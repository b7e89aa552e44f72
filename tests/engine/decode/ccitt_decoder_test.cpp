#include "engine/decode/ccitt_decoder.h"

#include <gtest/gtest.h>

#include "fuzz/ccitt_fuzz_input.h"

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
  std::istringstream header(
      std::string(bytes.begin(), bytes.begin() + std::min<std::size_t>(bytes.size(), 32)));
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

  std::span<const uint8_t> strip(std::size_t n) const {
    return {file.data() + offsets[n], counts[n]};
  }
  int stripRows(std::size_t n) const {
    return std::min<int>(rowsPerStrip, height - static_cast<int>(n) * rowsPerStrip);
  }

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
    for (uint32_t i = 0; i < number; ++i)
      values.push_back(type == 3 ? u16(at + 2 * i) : u32(at + 4 * i));
    if (values.empty()) continue;
    switch (tag) {
      case 256:
        t.width = static_cast<int>(values[0]);
        break;
      case 257:
        t.height = static_cast<int>(values[0]);
        break;
      case 259:
        t.compression = static_cast<int>(values[0]);
        break;
      case 273:
        t.offsets = values;
        break;
      case 278:
        t.rowsPerStrip = static_cast<int>(values[0]);
        break;
      case 279:
        t.counts = values;
        break;
      case 292:
        t.t4Options = values[0];
        break;
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

const char* const kSamples[] = {"ccitt3",         "ccitt3_1d_fill", "ccitt3_2d", "ccitt3_2d_fill",
                                "ccitt3_no_tags", "ccitt4",         "ccitt_rle"};

TEST(CcittSamples, EveryStripDecodesToWhatLibtiffGives) {
  for (const char* name : kSamples) {
    SCOPED_TRACE(name);
    const FaxTiff t = readTiff(std::string(name) + ".tiff");
    ASSERT_FALSE(t.offsets.empty());
    const Bitmap expected = readPbm(std::string(name) + ".pbm");
    EXPECT_EQ(differences(decodeTiff(t), expected), 0);
    // Fill bits make each end-of-line code end on a byte boundary; some writers say so with
    // EncodedByteAlign.
    if (t.compression == 3 && (t.t4Options & 4)) {
      EXPECT_EQ(
          differences(decodeTiff(t, [](CcittParams& p) { p.encodedByteAlign = true; }), expected),
          0);
    }
  }
}

TEST(CcittSamples, MmrBitmapsMatchAndReportTheirLength) {
  const FaxTiff t = readTiff("ccitt4.tiff");
  const Bitmap expected = readPbm("ccitt4.pbm");
  Bitmap b{t.width, t.height, std::vector<uint8_t>(expected.bits.size())};
  for (std::size_t n = 0; n < t.offsets.size(); ++n) {
    const std::span<const uint8_t> strip = t.strip(n);
    const int32_t used =
        decodeMmrBitmap(strip.data(), strip.size(), t.width, t.stripRows(n),
                        b.bits.data() + n * t.rowsPerStrip * b.rowBytes(), b.rowBytes());
    EXPECT_EQ(used, static_cast<int32_t>(strip.size())) << "strip " << n;
  }
  EXPECT_EQ(differences(b, expected), 0);
}

// Packs a text of 0 and 1 (spaces ignored) most significant bit first, zero-padded.
std::vector<uint8_t> bits(const std::string& text) {
  std::vector<uint8_t> out;
  int n = 0;
  for (char c : text) {
    if (c != '0' && c != '1') continue;
    if (n % 8 == 0) out.push_back(0);
    if (c == '1') out.back() |= static_cast<uint8_t>(0x80 >> (n % 8));
    ++n;
  }
  return out;
}

std::vector<uint8_t> fax(const std::vector<uint8_t>& data, const CcittParams& p,
                         std::size_t cap = kCap) {
  std::vector<uint8_t> out;
  const int32_t n = decodeCcitt(data, out, cap, p);
  EXPECT_EQ(static_cast<std::size_t>(n), out.size());
  return out;
}

CcittParams params(int32_t k, int32_t columns) {
  CcittParams p;
  p.k = k;
  p.columns = columns;
  return p;
}

using Bytes = std::vector<uint8_t>;

// Codes used below: white 2 = 0111, white 3 = 1000, white 8 = 10011, black 4 = 011,
// V0 = 1, VR1 = 011, VL1 = 010, horizontal = 001, pass = 0001, EOL = 000000000001.
const std::string kEol = "000000000001 ";

TEST(CcittRows, OutputBitsAndPadding) {
  // All-white rows coded as V0 give FFh, or 00h with BlackIs1.
  EXPECT_EQ(fax(bits("1111"), params(-1, 8)), Bytes(4, 0xFF));
  CcittParams inverted = params(-1, 8);
  inverted.blackIs1 = true;
  EXPECT_EQ(fax(bits("1111"), inverted), Bytes(4, 0x00));
  // Ten columns, white 3, black 4, white 3: pad bits are zero before the inversion.
  const std::vector<uint8_t> row = bits("1000 011 1000");
  EXPECT_EQ(fax(row, params(0, 10)), (Bytes{0xE1, 0xC0}));
  CcittParams tenBlack = params(0, 10);
  tenBlack.blackIs1 = true;
  EXPECT_EQ(fax(row, tenBlack), (Bytes{0x1E, 0x3F}));
}

TEST(CcittRows, TwoDimensionalModesFollowTheReferenceRow) {
  // Row 1 by horizontal mode: white 2, black 4, then white 2 by V0 against the white
  // reference row (b1 is the row's end). Row 2 by VR1, VL1, V0; row 3 by pass mode under the
  // black run, then V0 to the end.
  const std::string text =
      "001 0111 011 1 "
      "011 010 1 "
      "0001 1";
  EXPECT_EQ(fax(bits(text), params(-1, 8)), (Bytes{0xC3, 0xE7, 0xFF}));
}

TEST(CcittRows, RowsAndEndOfBlock) {
  CcittParams two = params(-1, 8);
  two.endOfBlock = false;
  two.rows = 2;
  EXPECT_EQ(fax(bits("11111"), two), Bytes(2, 0xFF));  // more data follows
  two.rows = 9;
  EXPECT_EQ(fax(bits("111"), two).size(), 3u);  // the zero padding of the byte is no row
  // The end-of-block code ends the data; what follows is not decoded. Data that ends right
  // after it keeps its last row.
  const std::string eofb = kEol + kEol;
  EXPECT_EQ(fax(bits("11 " + eofb + "1111"), params(-1, 8)), Bytes(2, 0xFF));
  EXPECT_EQ(fax(bits("1111111 " + eofb + "0000"), params(-1, 8)).size(), 7u);
  // Without EndOfBlock end-of-line codes are only skipped.
  CcittParams open = params(-1, 8);
  open.endOfBlock = false;
  EXPECT_EQ(fax(bits("11 " + eofb + "11"), open).size(), 4u);
  // One-dimensional data ends at six end-of-line codes.
  std::string rtc;
  for (int i = 0; i < 6; ++i) rtc += kEol;
  EXPECT_EQ(fax(bits(kEol + "10011 " + rtc + "10011"), params(0, 8)), Bytes(1, 0xFF));
}

TEST(CcittRows, MixedCodingReadsATagAfterEachEndOfLine) {
  // Tag 1: a one-dimensional row (white 2, black 4, white 2); tag 0: two-dimensional against
  // it (VR1 V0 V0); then the end of the block, each code with its tag.
  std::string text = kEol + "1 0111 011 0111 " + kEol + "0 011 1 1 ";
  for (int i = 0; i < 6; ++i) text += kEol + "1 ";
  text += "0111 011 0111";  // after the block: ignored
  EXPECT_EQ(fax(bits(text), params(2, 8)), (Bytes{0xC3, 0xE3}));
}

TEST(CcittRows, FillBitsAndByteAlignment) {
  // End-of-line codes with fill bits so that each ends on a byte boundary, as fax files with
  // fill bits write them. The first row ends 5 bits into a byte, so its end-of-line code
  // starts in that byte and aligning to the byte leaves only 7 of its zeros.
  const std::string row = "0111 011 0111 ";  // 11 bits
  const std::string text = "0000 " + kEol + row + "0 " + kEol + row;
  CcittParams p = params(0, 8);
  p.endOfLine = true;
  EXPECT_EQ(fax(bits(text), p), (Bytes{0xC3, 0xC3}));
  p.encodedByteAlign = true;
  EXPECT_EQ(fax(bits(text), p), (Bytes{0xC3, 0xC3}));

  // Rows that each start on a byte boundary, without end-of-line codes; two-dimensional and
  // one-dimensional. A wide white row starts with seven zeros, which is no end-of-line code.
  CcittParams g4 = params(-1, 8);
  g4.encodedByteAlign = true;
  EXPECT_EQ(fax(Bytes{0x80, 0x80, 0x80}, g4), Bytes(3, 0xFF));
  CcittParams wide = params(0, 2432);
  wide.encodedByteAlign = true;
  wide.endOfBlock = false;
  wide.rows = 2;
  // white 2432: make-up 000000011101, terminating 00110101.
  const std::vector<uint8_t> wideRow = bits("000000011101 00110101");
  std::vector<uint8_t> twoRows = wideRow;
  twoRows.insert(twoRows.end(), wideRow.begin(), wideRow.end());
  EXPECT_EQ(fax(twoRows, wide), Bytes(2 * 304, 0xFF));
}

TEST(CcittRows, BadCodesResynchroniseOnTheNextEndOfLine) {
  // Row 2 holds white 2 and then, where a black run should be, bits that match nothing;
  // decoding resumes after the next end-of-line code. The damaged row keeps what it decoded
  // and is white after it.
  const std::string good = "0111 011 0111 ";
  const std::string text = kEol + good + kEol + "0111 000000001 1111 0101 " + kEol + good;
  EXPECT_EQ(fax(bits(text), params(0, 8)), (Bytes{0xC3, 0xFF, 0xC3}));
  // Two-dimensional data has nothing to resynchronise on: decoding ends with the damaged row.
  EXPECT_EQ(fax(bits("1 1 0000001 1 1"), params(-1, 8)), Bytes(3, 0xFF));
  // An end-of-line code inside a row ends it early, also when it is the last code.
  EXPECT_EQ(fax(bits(kEol + "0111 " + kEol + good), params(0, 8)), (Bytes{0xFF, 0xC3}));
  EXPECT_EQ(fax(bits("000000 " + kEol + good + "0111 011 " + kEol), params(0, 8)),
            (Bytes{0xC3, 0xC3}));
}

TEST(CcittRows, LimitsOfTheOutput) {
  // A row the data ends in is dropped.
  EXPECT_EQ(fax(bits("0111 011"), params(0, 8)), Bytes{});
  // Never more than the cap, never a row of absurd width.
  EXPECT_EQ(fax(bits("11111111"), params(-1, 8), 3), Bytes(3, 0xFF));
  EXPECT_EQ(fax(bits("11111111"), params(-1, 8), 0), Bytes{});
  EXPECT_EQ(fax(bits("1"), params(-1, 0x7FFFFFFF)), Bytes{});
  EXPECT_EQ(fax(bits("1"), params(-1, -8)), Bytes{});
  EXPECT_EQ(fax(bits("1"), params(-1, kMaxCcittColumns)), Bytes(kMaxCcittColumns / 8, 0xFF));
  // Runs longer than the row are cut at its end.
  EXPECT_EQ(fax(bits("000000011111 000000011111 00110101"), params(0, 8)), Bytes(1, 0xFF));
}

TEST(CcittMmr, ConsumedLengthIsExactForConsecutiveBitmaps) {
  // Two 8 x 2 bitmaps one after the other, each ending with its end-of-block code (26 bits,
  // so 4 bytes), then one without it (2 bits, 1 byte).
  const std::string eofb = kEol + kEol;
  std::vector<uint8_t> data = bits("1 1 " + eofb);
  const std::vector<uint8_t> second = bits("001 0111 011 1 1 1" + eofb);
  data.insert(data.end(), second.begin(), second.end());
  data.push_back(0xC0);
  uint8_t out[2 * 2] = {};
  ASSERT_EQ(decodeMmrBitmap(data.data(), data.size(), 8, 2, out, 2), 4);
  EXPECT_EQ(out[0], 0);
  EXPECT_EQ(out[2], 0);
  ASSERT_EQ(decodeMmrBitmap(data.data() + 4, data.size() - 4, 8, 2, out, 2),
            static_cast<int32_t>(second.size()));
  EXPECT_EQ(out[0], 0x3C);  // 1 bits black
  EXPECT_EQ(out[2], 0x3C);
  EXPECT_EQ(out[1], 0);  // bytes past the width stay untouched
  const std::size_t third = 4 + second.size();
  EXPECT_EQ(decodeMmrBitmap(data.data() + third, data.size() - third, 8, 2, out, 2), 1);
}

TEST(CcittMmr, UnusableInput) {
  uint8_t out[16] = {};
  const std::vector<uint8_t> data = bits("1111");
  EXPECT_EQ(decodeMmrBitmap(data.data(), data.size(), 0, 2, out, 2), -1);
  EXPECT_EQ(decodeMmrBitmap(data.data(), data.size(), 8, 0, out, 2), -1);
  EXPECT_EQ(decodeMmrBitmap(data.data(), data.size(), 17, 2, out, 2), -1);  // rows too short
  EXPECT_EQ(decodeMmrBitmap(nullptr, 0, 8, 2, out, 2), -1);
  // Bad codes, and data that ends before the last row.
  const std::vector<uint8_t> bad = bits("1 0000001 1");
  EXPECT_EQ(decodeMmrBitmap(bad.data(), bad.size(), 8, 4, out, 2), -1);
  EXPECT_EQ(decodeMmrBitmap(data.data(), data.size(), 8, 16, out, 1), -1);
}

TEST(CcittFuzzFindings, StayWithinTheirBuffers) {
  const std::filesystem::path dir = dataDir() / "fuzz" / "ccitt_fuzz";
  ASSERT_TRUE(std::filesystem::is_directory(dir));
  for (const auto& entry : std::filesystem::directory_iterator(dir)) {
    SCOPED_TRACE(entry.path().filename().string());
    const std::vector<uint8_t> data = readBytes(entry.path());
    CcittFuzzInput in;
    if (!readCcittFuzzInput(data.data(), data.size(), in)) continue;
    std::vector<uint8_t> out;
    const int32_t n = decodeCcitt({in.coded, in.codedSize}, out, kCap, in.params);
    EXPECT_EQ(static_cast<std::size_t>(n), out.size());
    std::vector<uint8_t> bitmap(in.mmrRowBytes * static_cast<std::size_t>(in.mmrHeight));
    const int32_t used = decodeMmrBitmap(in.coded, in.codedSize, in.mmrWidth, in.mmrHeight,
                                         bitmap.data(), in.mmrRowBytes);
    EXPECT_GE(used, -1);
    EXPECT_LE(used, static_cast<int32_t>(in.codedSize));
  }
}

}  // namespace
