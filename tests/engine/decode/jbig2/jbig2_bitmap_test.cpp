// The arithmetic decoder against the standard's test sequence, and bitmap composition against a
// pixel-by-pixel reference.

#include <gtest/gtest.h>

#include <random>

#include "engine/decode/jbig2/jbig2_arithmetic.h"
#include "engine/decode/jbig2/jbig2_bitmap.h"

namespace {

TEST(Jbig2Arithmetic, DecodesTheTestSequence) {
  // Thirty bytes that code 256 decisions in one context, including a 0xFF stuffing case.
  const uint8_t coded[] = {0x84, 0xC7, 0x3B, 0xFC, 0xE1, 0xA1, 0x43, 0x04, 0x02, 0x20,
                           0x00, 0x00, 0x41, 0x0D, 0xBB, 0x86, 0xF4, 0x31, 0x7F, 0xFF,
                           0x88, 0xFF, 0x37, 0x47, 0x1A, 0xDB, 0x6A, 0xDF, 0xFF, 0xAC};
  const uint8_t expected[] = {0x00, 0x02, 0x00, 0x51, 0x00, 0x00, 0x00, 0xC0, 0x03, 0x52, 0x87,
                              0x2A, 0xAA, 0xAA, 0xAA, 0xAA, 0x82, 0xC0, 0x20, 0x00, 0xFC, 0xD7,
                              0x9E, 0xF6, 0xBF, 0x7F, 0xED, 0x90, 0x4F, 0x46, 0xA3, 0xBF};
  Jbig2ArithDecoder decoder(coded, sizeof coded);
  uint8_t cx = 0;
  for (uint8_t want : expected) {
    int got = 0;
    for (int b = 0; b < 8; ++b) got = got << 1 | decoder.decode(cx);
    EXPECT_EQ(got, want);
  }
  // Past its data the decoder goes on with invented bytes instead of reading further.
  for (int i = 0; i < 1000; ++i) decoder.decode(cx);
  EXPECT_LE(decoder.position(), sizeof coded);
}

TEST(Jbig2Arithmetic, IntegersAndOutOfBand) {
  // An empty stream reads as all ones: the largest prefix, and the decoder never overruns.
  Jbig2ArithDecoder decoder(nullptr, 0);
  Jbig2IntDecoder ints;
  int32_t v = 0;
  for (int i = 0; i < 100; ++i) ints.decode(decoder, v);
  Jbig2IdDecoder ids(3);
  for (int i = 0; i < 100; ++i) EXPECT_LT(ids.decode(decoder), 8u);
}

int oneOp(int d, int s, Jbig2Combination op) {
  switch (op) {
    case Jbig2Combination::Or:
      return d | s;
    case Jbig2Combination::And:
      return d & s;
    case Jbig2Combination::Xor:
      return d ^ s;
    case Jbig2Combination::Xnor:
      return !(d ^ s);
    default:
      return s;
  }
}

TEST(Jbig2Bitmap, ComposeMatchesPixelByPixel) {
  std::mt19937 random(7);
  Jbig2Budget budget;
  for (int trial = 0; trial < 400; ++trial) {
    const int dw = 1 + random() % 90, dh = 1 + random() % 12;
    const int sw = 1 + random() % 80, sh = 1 + random() % 12;
    auto dst = JBIG2Bitmap::create(dw, dh, budget);
    auto src = JBIG2Bitmap::create(sw, sh, budget);
    for (int y = 0; y < dh; ++y)
      for (int x = 0; x < dw; ++x) dst->setPixel(x, y, random() & 1);
    for (int y = 0; y < sh; ++y)
      for (int x = 0; x < sw; ++x) src->setPixel(x, y, random() & 1);
    const int ox = static_cast<int>(random() % (dw + sw)) - sw,
              oy = static_cast<int>(random() % (dh + sh)) - sh;
    const auto op = static_cast<Jbig2Combination>(random() % 5);
    auto expected = JBIG2Bitmap::create(dw, dh, budget);
    for (int y = 0; y < dh; ++y)
      for (int x = 0; x < dw; ++x) {
        const bool inside = x >= ox && x < ox + sw && y >= oy && y < oy + sh;
        expected->setPixel(
            x, y,
            inside ? oneOp(dst->pixel(x, y), src->pixel(x - ox, y - oy), op) : dst->pixel(x, y));
      }
    dst->compose(*src, ox, oy, op, budget);
    for (int y = 0; y < dh; ++y)
      for (int x = 0; x < dw; ++x)
        ASSERT_EQ(dst->pixel(x, y), expected->pixel(x, y))
            << "trial " << trial << " at " << x << "," << y << " op " << static_cast<int>(op);
    // Padding bits past the width stay clear.
    if (dw % 8) {
      for (int y = 0; y < dh; ++y)
        EXPECT_EQ(dst->row(y)[dst->stride() - 1] & (0xFF >> (dw % 8)), 0);
    }
  }
}

TEST(Jbig2Bitmap, LimitsAndGrowth) {
  Jbig2Budget budget;
  EXPECT_EQ(JBIG2Bitmap::create(-1, 5, budget), nullptr);
  EXPECT_EQ(JBIG2Bitmap::create(kMaxJbig2BitmapSide + 1, 1, budget), nullptr);
  EXPECT_EQ(JBIG2Bitmap::create(1 << 16, 1 << 16, budget), nullptr);
  Jbig2Budget small;
  small.pixelsLeft = 1000;
  EXPECT_EQ(JBIG2Bitmap::create(100, 100, small), nullptr);
  EXPECT_TRUE(small.exhausted());

  auto b = JBIG2Bitmap::create(10, 2, budget);
  b->setPixel(9, 1, 1);
  ASSERT_TRUE(b->growHeight(5, 1, budget));
  EXPECT_EQ(b->height(), 5);
  EXPECT_EQ(b->pixel(9, 1), 1);
  EXPECT_EQ(b->pixel(0, 1), 0);
  EXPECT_EQ(b->pixel(3, 4), 1);
  EXPECT_EQ(b->row(4)[1], 0xC0);  // new rows filled, padding clear
  EXPECT_FALSE(b->growHeight(int64_t{kMaxJbig2BitmapSide} + 1, 0, budget));
}

}  // namespace
