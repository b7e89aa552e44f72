// The simple stream filters and the predictors, on raw bytes.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/decode/ascii85_decoder.h"
#include "engine/decode/ascii_hex_decoder.h"
#include "engine/decode/flate_decoder.h"
#include "engine/decode/lzw_decoder.h"
#include "engine/decode/predictor.h"
#include "engine/decode/run_length_decoder.h"

namespace {

std::span<const uint8_t> bytes(const std::string& s) {
  return {reinterpret_cast<const uint8_t*>(s.data()), s.size()};
}
std::string text(const std::vector<uint8_t>& v) { return std::string(v.begin(), v.end()); }

// Packs codes of the given widths most significant bit first.
std::string packCodes(const std::vector<std::pair<int, int>>& codes) {
  std::string out;
  uint32_t bits = 0;
  int count = 0;
  for (auto [code, width] : codes) {
    bits = (bits << width) | code;
    count += width;
    while (count >= 8) {
      out.push_back(static_cast<char>((bits >> (count - 8)) & 0xFF));
      count -= 8;
    }
  }
  if (count > 0) out.push_back(static_cast<char>((bits << (8 - count)) & 0xFF));
  return out;
}

TEST(Filters, Lzw) {
  std::vector<uint8_t> out;
  // The published example: 45 45 45 45 45 65 45 45 45 66.
  std::string data =
      packCodes({{256, 9}, {45, 9}, {258, 9}, {258, 9}, {65, 9}, {259, 9}, {66, 9}, {257, 9}});
  EXPECT_EQ(decodeLzw(bytes(data), out, 1000), 10);
  EXPECT_EQ(text(out), std::string("\x2D\x2D\x2D\x2D\x2D\x41\x2D\x2D\x2D\x42"));
  // Without code 257 the data ends with the input; a code beyond the next free one ends it.
  EXPECT_EQ(decodeLzw(bytes(packCodes({{65, 9}, {66, 9}})), out, 1000), 2);
  EXPECT_EQ(decodeLzw(bytes(packCodes({{65, 9}, {300, 9}, {66, 9}})), out, 1000), 1);
  // The output stops at the cap.
  EXPECT_EQ(decodeLzw(bytes(data), out, 4), 3);

  // A long run exercises every code width and the table reset.
  std::vector<std::pair<int, int>> codes = {{256, 9}, {'a', 9}};
  int next = 258, width = 9;
  for (int i = 0; i < 5000; ++i) {
    if (next == 4097) break;
    codes.push_back({next == 258 ? 258 : next - 1, width});
    ++next;
    if (next >= 2047)
      width = 12;
    else if (next >= 1023)
      width = 11;
    else if (next >= 511)
      width = 10;
  }
  EXPECT_GT(decodeLzw(bytes(packCodes(codes)), out, 1 << 26), 1000);
}

TEST(Filters, Ascii85AndHex) {
  std::vector<uint8_t> out;
  decodeAscii85(bytes("9jqo^BlbD-BleB1DJ+*+F(f,q~>"), out, 100);
  EXPECT_EQ(text(out), "Man is distinguished");
  decodeAscii85(bytes("z\n!!~>"), out, 100);
  EXPECT_EQ(out.size(), 5u);
  decodeAscii85(bytes("<~87cURD]i,\"Ebo80~>"), out, 100);
  EXPECT_EQ(text(out), "Hello World!");
  decodeAscii85(bytes("87cURD]i,\"Ebo8"), out, 100);  // no "~": ends with the input
  EXPECT_EQ(text(out), "Hello World");
  decodeAsciiHex(bytes("4 1\n4a x 4"), out, 100);
  EXPECT_EQ(text(out), "AJ@");
}

TEST(Filters, RunLength) {
  std::vector<uint8_t> out;
  decodeRunLength(bytes(std::string("\x02"
                                    "abc"
                                    "\xFD"
                                    "z",
                                    6) +
                        "\x80"
                        "tail"),
                  out, 100);
  EXPECT_EQ(text(out), "abczzzz");
  decodeRunLength(bytes(std::string("\x05"
                                    "ab",
                                    3)),
                  out, 100);  // truncated literal run
  EXPECT_EQ(text(out), "ab");
  decodeRunLength(bytes(std::string("\x81"
                                    "q",
                                    2)),
                  out, 10);  // a run longer than the cap
  EXPECT_EQ(out.size(), 10u);
}

TEST(Filters, Flate) {
  std::vector<uint8_t> out;
  EXPECT_EQ(decodeFlate(bytes("garbage"), out, 100), -1);
  EXPECT_TRUE(out.empty());
}

TEST(Filters, Predictors) {
  // TIFF: each byte adds the one Colors before it, per row.
  std::vector<uint8_t> tiff = {1, 1, 1, 1, 10, 1, 1, 1, 7};
  applyPredictor(tiff, PredictorParams{2, 2, 8, 2});
  EXPECT_EQ(tiff, (std::vector<uint8_t>{1, 1, 2, 2, 10, 1, 11, 2, 7}));

  // PNG Average and Paeth over two-byte pixels, then a short last row.
  std::vector<uint8_t> png = {3, 10, 20, 2, 2, 4, 1, 1, 1, 1, 2, 3};
  applyPredictor(png, PredictorParams{13, 2, 8, 2});
  EXPECT_EQ(png, (std::vector<uint8_t>{10, 20, 7, 12, 11, 21, 8, 13, 14}));
  // A tag above 4 ends the data under Predictor 15 and counts as Predictor - 10 otherwise.
  std::vector<uint8_t> odd = {9, 5, 5, 0, 1, 1};
  applyPredictor(odd, PredictorParams{15, 1, 8, 2});
  EXPECT_TRUE(odd.empty());
  std::vector<uint8_t> odd11 = {9, 5, 5, 0, 1, 1};
  applyPredictor(odd11, PredictorParams{11, 1, 8, 2});
  EXPECT_EQ(odd11, (std::vector<uint8_t>{5, 10, 1, 1}));
  // Unusable parameters leave the data alone.
  std::vector<uint8_t> same = {1, 2, 3};
  applyPredictor(same, PredictorParams{12, 1, 3, 2});
  applyPredictor(same, PredictorParams{12, 0, 8, 2});
  EXPECT_EQ(same, (std::vector<uint8_t>{1, 2, 3}));
}

}  // namespace
