#include "engine/decode/jbig2/jbig2_refinement.h"

namespace {

constexpr int kRefinementCost = 8;

// The context that codes whether a row is typical, per template.
constexpr uint32_t kTypicalContext[2] = {0x0100, 0x0080};

// Rows of one bitmap around a line, with pixels outside the bitmap reading 0.
struct Rows {
  const uint8_t* above = nullptr;
  const uint8_t* here = nullptr;
  const uint8_t* below = nullptr;
  int32_t width = 0;
  Rows(const JBIG2Bitmap& b, int64_t y) : width(b.width()) {
    auto row = [&](int64_t r) {
      return r >= 0 && r < b.height() ? b.row(static_cast<int32_t>(r)) : nullptr;
    };
    above = row(y - 1);
    here = row(y);
    below = row(y + 1);
  }
  static int at(const uint8_t* row, int32_t width, int64_t x) {
    if (!row || x < 0 || x >= width) return 0;
    return (row[x >> 3] >> (7 - (x & 7))) & 1;
  }
  uint32_t a(int64_t x) const { return static_cast<uint32_t>(at(above, width, x)); }
  uint32_t h(int64_t x) const { return static_cast<uint32_t>(at(here, width, x)); }
  uint32_t b(int64_t x) const { return static_cast<uint32_t>(at(below, width, x)); }
};

inline uint32_t context0(const JBIG2Bitmap& b, const Rows& d, const Rows& r, int32_t x, int32_t y,
                         int32_t rx, int32_t ry, const JBIG2Bitmap& ref, const int8_t at[4]) {
  return d.h(x - 1) | d.a(x + 1) << 1 | d.a(x) << 2 |
         static_cast<uint32_t>(b.pixel(int64_t{x} + at[0], int64_t{y} + at[1])) << 3 |
         r.b(rx + 1) << 4 | r.b(rx) << 5 | r.b(rx - 1) << 6 | r.h(rx + 1) << 7 | r.h(rx) << 8 |
         r.h(rx - 1) << 9 | r.a(rx + 1) << 10 | r.a(rx) << 11 |
         static_cast<uint32_t>(ref.pixel(int64_t{rx} + at[2], int64_t{ry} + at[3])) << 12;
}

inline uint32_t context1(const Rows& d, const Rows& r, int32_t x, int32_t rx) {
  return d.h(x - 1) | d.a(x + 1) << 1 | d.a(x) << 2 | d.a(x - 1) << 3 | r.b(rx + 1) << 4 |
         r.b(rx) << 5 | r.h(rx + 1) << 6 | r.h(rx) << 7 | r.h(rx - 1) << 8 | r.a(rx) << 9;
}

// The reference's 3x3 neighbourhood around (rx, ry) when it is all one value, else -1.
int typicalValue(const JBIG2Bitmap& r, int32_t rx, int32_t ry) {
  const int v = r.pixel(rx, ry);
  for (int dy = -1; dy <= 1; ++dy)
    for (int dx = -1; dx <= 1; ++dx)
      if (r.pixel(rx + dx, ry + dy) != v) return -1;
  return v;
}

}  // namespace

std::unique_ptr<JBIG2Bitmap> jbig2DecodeRefinement(const Jbig2RefinementParams& p,
                                                   Jbig2ArithDecoder& decoder,
                                                   std::vector<uint8_t>& contexts,
                                                   Jbig2Budget& budget) {
  if (!p.reference) return nullptr;
  auto bitmap = JBIG2Bitmap::create(p.width, p.height, budget);
  if (!bitmap) return nullptr;
  // Refinement reads pixel by pixel, several times slower than generic decoding.
  if (!budget.take(int64_t{kRefinementCost} * p.width * p.height)) return nullptr;
  if (contexts.size() < kJbig2RefinementContexts) contexts.assign(kJbig2RefinementContexts, 0);
  const JBIG2Bitmap& ref = *p.reference;
  const int t = p.templateId ? 1 : 0;
  int ltp = 0;
  for (int32_t y = 0; y < p.height; ++y) {
    if (p.tpgron) ltp ^= decoder.decode(contexts[kTypicalContext[t]]);
    const int32_t ry = y - p.dy;
    const Rows decoded(*bitmap, y), reference(ref, ry);
    for (int32_t x = 0; x < p.width; ++x) {
      const int32_t rx = x - p.dx;
      if (ltp) {
        const int v = typicalValue(ref, rx, ry);
        if (v >= 0) {
          bitmap->setPixel(x, y, v);
          continue;
        }
      }
      const uint32_t cx = t == 0 ? context0(*bitmap, decoded, reference, x, y, rx, ry, ref, p.at)
                                 : context1(decoded, reference, x, rx);
      if (decoder.decode(contexts[cx])) bitmap->setPixel(x, y, 1);
    }
  }
  return bitmap;
}
