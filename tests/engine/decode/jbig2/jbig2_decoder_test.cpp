// Hand-made segment streams: page geometry, stripes, limits, Huffman tables and damaged data.

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>

#include "engine/decode/jbig2/jbig2_decoder.h"
#include "engine/decode/jbig2/jbig2_huffman.h"
#include "tests/engine/decode/jbig2/jbig2_sample.h"

namespace {

using namespace jbig2_test;

constexpr std::size_t kCap = std::size_t{64} << 20;

void put32(std::vector<uint8_t>& b, uint32_t v) {
  for (int s = 24; s >= 0; s -= 8) b.push_back(static_cast<uint8_t>(v >> s));
}

// One segment with a short header: number, type, referred-to segments, page 1, data.
std::vector<uint8_t> segment(uint32_t number, int type, const std::vector<uint8_t>& data,
                             const std::vector<uint8_t>& referred = {}) {
  std::vector<uint8_t> b;
  put32(b, number);
  b.push_back(static_cast<uint8_t>(type));
  b.push_back(static_cast<uint8_t>(referred.size() << 5));
  b.insert(b.end(), referred.begin(), referred.end());
  b.push_back(1);
  put32(b, static_cast<uint32_t>(data.size()));
  b.insert(b.end(), data.begin(), data.end());
  return b;
}

std::vector<uint8_t> pageInfo(uint32_t width, uint32_t height, uint8_t flags = 0,
                              uint16_t striping = 0) {
  std::vector<uint8_t> d;
  put32(d, width);
  put32(d, height);
  put32(d, 0);
  put32(d, 0);
  d.push_back(flags);
  d.push_back(static_cast<uint8_t>(striping >> 8));
  d.push_back(static_cast<uint8_t>(striping));
  return d;
}

std::vector<uint8_t> endOfStripe(uint32_t row) {
  std::vector<uint8_t> d;
  put32(d, row);
  return d;
}

std::vector<uint8_t> join(std::initializer_list<std::vector<uint8_t>> parts) {
  std::vector<uint8_t> out;
  for (const auto& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

int32_t decode(const std::vector<uint8_t>& data, std::vector<uint8_t>& out,
               Jbig2ImageInfo* info = nullptr, const std::vector<uint8_t>& globals = {}) {
  return decodeJbig2(data, globals, out, kCap, info);
}

TEST(Jbig2Page, SizeAndDefaultPixel) {
  std::vector<uint8_t> out;
  Jbig2ImageInfo info;
  // 100 pixels make 13 bytes a row; white pages are all ones after the inversion.
  ASSERT_EQ(decode(segment(0, 48, pageInfo(100, 10)), out, &info), 130);
  EXPECT_EQ(info.width, 100);
  EXPECT_EQ(info.height, 10);
  EXPECT_EQ(std::count(out.begin(), out.end(), 0xFF), 130);
  // Default pixel 1 (flag bit 2) is a black page: zero bits.
  ASSERT_EQ(decode(segment(0, 48, pageInfo(16, 2, 0x04)), out), 4);
  EXPECT_EQ(out, std::vector<uint8_t>(4, 0x00));
  // No page information, no image.
  EXPECT_EQ(decode(segment(0, 50, endOfStripe(3)), out), -1);
  EXPECT_TRUE(out.empty());
}

TEST(Jbig2Page, StripesAndUnknownHeight) {
  std::vector<uint8_t> out;
  Jbig2ImageInfo info;
  // A known height ignores end-of-stripe segments.
  const auto known = join({segment(0, 48, pageInfo(8, 5, 0, 0x8002)),
                           segment(1, 50, endOfStripe(1)), segment(2, 50, endOfStripe(3))});
  ASSERT_EQ(decode(known, out, &info), 5);
  EXPECT_EQ(info.height, 5);
  // An unknown height grows with each end of stripe.
  const auto unknown = join({segment(0, 48, pageInfo(8, 0xFFFFFFFF, 0, 0x8002)),
                             segment(1, 50, endOfStripe(1)), segment(2, 50, endOfStripe(3))});
  ASSERT_EQ(decode(unknown, out, &info), 4);
  EXPECT_EQ(info.height, 4);
}

TEST(Jbig2Page, ImpossibleSizesGiveNoPage) {
  std::vector<uint8_t> out;
  EXPECT_EQ(decode(segment(0, 48, pageInfo(0x7FFFFFFF, 0x7FFFFFFF)), out), -1);
  EXPECT_EQ(decode(segment(0, 48, pageInfo(1 << 20, 1 << 20)), out), -1);
  EXPECT_EQ(decode(segment(0, 48, pageInfo(0xFFFFFE70, 0xFF000090)), out), -1);
  EXPECT_EQ(decode(segment(0, 48, pageInfo(0xFFFFFFF0, 0xFFFFFFFF)), out), -1);
  // A page within the limits but over the caller's output cap is cut to whole rows.
  ASSERT_EQ(decodeJbig2(segment(0, 48, pageInfo(80, 100)), {}, out, 95), 90);
}

TEST(Jbig2Page, OversizedRegionsLeaveThePageBlank) {
  std::vector<uint8_t> out;
  // A generic region of 2^20 x 2^20 pixels on a small page: refused before any allocation.
  std::vector<uint8_t> region;
  put32(region, 1 << 20);
  put32(region, 1 << 20);
  put32(region, 0);
  put32(region, 0);
  region.push_back(0);  // OR
  region.push_back(0);  // arithmetic, template 0
  for (int8_t a : {3, -1, -3, -1, 2, -2, -2, -2}) region.push_back(static_cast<uint8_t>(a));
  region.insert(region.end(), {0x12, 0x34, 0x56});
  ASSERT_EQ(decode(join({segment(0, 48, pageInfo(16, 4)), segment(1, 38, region)}), out), 8);
  EXPECT_EQ(out, std::vector<uint8_t>(8, 0xFF));
  // A symbol dictionary that claims four billion new symbols ends decoding at once.
  std::vector<uint8_t> dict = {0x00, 0x00, 3, 0xFF, 0xFD, 0xFF, 2, 0xFE, 0xFE, 0xFE};
  put32(dict, 1);
  put32(dict, 0xFFFFFFFF);
  ASSERT_EQ(decode(join({segment(0, 48, pageInfo(16, 4)), segment(1, 0, dict)}), out), 8);
}

TEST(Jbig2Page, GlobalsAreReadFirstAndEndOfStripeChangesNothing) {
  const EmbeddedImage e = embed(readFile(dataPath("annex-h.jbig2")));
  ASSERT_TRUE(e.ok);
  ASSERT_FALSE(e.globals.empty());
  std::vector<uint8_t> withGlobals, without;
  ASSERT_EQ(decode(e.data, withGlobals, nullptr, e.globals), 448);
  // Without the shared symbol dictionary the text cannot be drawn, but the page still comes.
  ASSERT_EQ(decode(e.data, without), 448);
  EXPECT_NE(withGlobals, without);

  // An end-of-stripe segment between the page information and the first region.
  std::vector<uint8_t> striped;
  std::size_t pos = 0;
  const std::size_t pageLength = 11 + 19;  // the page information segment comes first
  striped.insert(striped.end(), e.data.begin(), e.data.begin() + pageLength);
  const auto eos = segment(900, 50, endOfStripe(20));
  striped.insert(striped.end(), eos.begin(), eos.end());
  pos = pageLength;
  striped.insert(striped.end(), e.data.begin() + pos, e.data.end());
  std::vector<uint8_t> out;
  ASSERT_EQ(decode(striped, out, nullptr, e.globals), 448);
  EXPECT_EQ(out, withGlobals);
}

TEST(Jbig2Page, TruncatedAndDamagedSamplesNeverFail) {
  // Every prefix length class of a few feature-rich samples, and each byte flipped in turn
  // for one of them: whatever comes out stays within the page.
  for (const char* name : {"bitmap-symbol-symhuffrefine-textrefine.jbig2", "bitmap-halftone.jbig2",
                           "bitmap-refine-template1-tpgron.jbig2", "annex-h.jbig2",
                           "bitmap-symbol-texthuffrefinecustom.jbig2"}) {
    const EmbeddedImage e = embed(readFile(dataPath(name)));
    ASSERT_TRUE(e.ok) << name;
    for (std::size_t cut = 0; cut < e.data.size(); cut += 7) {
      std::vector<uint8_t> data(e.data.begin(), e.data.begin() + cut), out;
      const int32_t n = decode(data, out, nullptr, e.globals);
      EXPECT_TRUE(n == -1 || static_cast<std::size_t>(n) == out.size()) << name << " cut " << cut;
    }
  }
  const EmbeddedImage e = embed(readFile(dataPath("bitmap-symbol-textrefine.jbig2")));
  for (std::size_t i = 0; i < e.data.size(); ++i) {
    std::vector<uint8_t> data = e.data, out;
    data[i] ^= 0x5A;
    const int32_t n = decode(data, out);
    EXPECT_TRUE(n == -1 || static_cast<std::size_t>(n) == out.size()) << i;
  }
}

TEST(Jbig2Huffman, StandardTablesAreCompletePrefixCodes) {
  for (int t = 1; t <= 15; ++t) {
    const JBIG2CodeTable* table = jbig2StandardTable(t);
    ASSERT_NE(table, nullptr);
    double sum = 0;
    for (const auto& line : table->lines()) sum += std::ldexp(1.0, -line.prefixLength);
    EXPECT_DOUBLE_EQ(sum, 1.0) << "table B." << t;
  }
  EXPECT_EQ(jbig2StandardTable(0), nullptr);
  EXPECT_EQ(jbig2StandardTable(16), nullptr);
}

TEST(Jbig2Huffman, RangesLowerUpperAndOutOfBand) {
  using R = JBIG2CodeTable::Result;
  int32_t v = 0;
  // B.1: 10 + 8 bits is 16 + value; 111 + 32 bits is the upper range from 65808.
  {
    const uint8_t bits[] = {0x80, 0xF8, 0x00, 0x00, 0x00, 0x08};
    Jbig2BitReader r(bits, sizeof bits);
    ASSERT_EQ(jbig2StandardTable(1)->decode(r, v), R::Value);
    EXPECT_EQ(v, 16 + 3);
    ASSERT_EQ(jbig2StandardTable(1)->decode(r, v), R::Value);
    EXPECT_EQ(v, 65808 + 1);
  }
  // B.3: 11111111 + 32 bits counts down from -257; 111110 is out-of-band.
  {
    const uint8_t bits[] = {0xFF, 0x00, 0x00, 0x00, 0x05, 0b11111000};
    Jbig2BitReader r(bits, sizeof bits);
    ASSERT_EQ(jbig2StandardTable(3)->decode(r, v), R::Value);
    EXPECT_EQ(v, -257 - 5);
    EXPECT_EQ(jbig2StandardTable(3)->decode(r, v), R::OutOfBand);
  }
  // Past the end of the data a code does not match.
  {
    const uint8_t bits[] = {0xFF};
    Jbig2BitReader r(bits, sizeof bits);
    EXPECT_EQ(jbig2StandardTable(1)->decode(r, v), R::Fail);
  }
}

TEST(Jbig2Huffman, CustomTables) {
  // Lines of 2-bit prefix length and 2-bit range length from 0 to 8: [0,4) and [4,8), then the
  // lower, upper and out-of-band prefix lengths.
  // flags: OOB, HTPS 2 (field 1), HTRS 2 (field 1); low 0, high 8.
  std::vector<uint8_t> seg = {0x01 | (1 << 1) | (1 << 4)};
  put32(seg, 0);
  put32(seg, 8);
  // lines (2,2) (2,2); lower 3, upper 3, OOB 2: 10 10 10 10 11 11 10 -> bits
  // 1010 1010 1111 10xx
  seg.insert(seg.end(), {0b10101010, 0b11111000});
  JBIG2CodeTable table;
  ASSERT_TRUE(table.parse(seg.data(), seg.size()));
  EXPECT_TRUE(table.hasOutOfBand());
  // Codes: the three 2-bit lines 00, 01, 10 (in order: [0,4), [4,8), OOB) and 110, 111.
  const uint8_t bits[] = {0b01110000, 0b00000000, 0b00000000, 0b00000000, 0b00010000};
  Jbig2BitReader r(bits, sizeof bits);
  int32_t v = 0;
  ASSERT_EQ(table.decode(r, v), JBIG2CodeTable::Result::Value);  // 01 11 -> 4 + 3
  EXPECT_EQ(v, 7);
  // A range that does not close before the table limit is refused.
  std::vector<uint8_t> empty = {0x00};
  put32(empty, 5);
  put32(empty, 5);
  EXPECT_FALSE(table.parse(empty.data(), empty.size()));
  EXPECT_FALSE(table.parse(empty.data(), 4));
}

TEST(Jbig2Fuzz, RegressionInputsDecode) {
  const std::filesystem::path dir =
      std::filesystem::path(dataPath("")).parent_path().parent_path() / "fuzz" / "jbig2_fuzz";
  if (!std::filesystem::exists(dir)) GTEST_SKIP() << "no regression inputs";
  for (const auto& entry : std::filesystem::directory_iterator(dir)) {
    const std::vector<uint8_t> input = readFile(entry.path().string());
    // As the fuzz target splits them: the first byte says how much of the rest are globals.
    const std::size_t split =
        input.empty() ? 0 : std::min<std::size_t>(input.size() - 1, std::size_t{input[0]} * 4);
    std::span<const uint8_t> rest(input.data() + (input.empty() ? 0 : 1),
                                  input.empty() ? 0 : input.size() - 1);
    std::vector<uint8_t> out;
    const int32_t n = decodeJbig2(rest.subspan(split), rest.subspan(0, split), out, kCap);
    EXPECT_TRUE(n == -1 || static_cast<std::size_t>(n) == out.size()) << entry.path();
  }
}

}  // namespace
