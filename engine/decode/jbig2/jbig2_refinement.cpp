#include "engine/decode/jbig2/jbig2_refinement.h"

namespace {

constexpr int kRefinementCost = 8;

// The context that codes whether a row is typical, per template.
constexpr uint32_t kTypicalContext[2] = {0x0100, 0x0080};

inline uint32_t context0(const JBIG2Bitmap& b, const JBIG2Bitmap& r, int32_t x, int32_t y,
                         int32_t rx, int32_t ry, const int8_t at[4]) {
  return static_cast<uint32_t>(b.pixel(x - 1, y)) | b.pixel(x + 1, y - 1) << 1 |
         b.pixel(x, y - 1) << 2 | b.pixel(x + at[0], y + at[1]) << 3 |
         r.pixel(rx + 1, ry + 1) << 4 | r.pixel(rx, ry + 1) << 5 | r.pixel(rx - 1, ry + 1) << 6 |
         r.pixel(rx + 1, ry) << 7 | r.pixel(rx, ry) << 8 | r.pixel(rx - 1, ry) << 9 |
         r.pixel(rx + 1, ry - 1) << 10 | r.pixel(rx, ry - 1) << 11 |
         r.pixel(rx + at[2], ry + at[3]) << 12;
}

inline uint32_t context1(const JBIG2Bitmap& b, const JBIG2Bitmap& r, int32_t x, int32_t y,
                         int32_t rx, int32_t ry) {
  return static_cast<uint32_t>(b.pixel(x - 1, y)) | b.pixel(x + 1, y - 1) << 1 |
         b.pixel(x, y - 1) << 2 | b.pixel(x - 1, y - 1) << 3 | r.pixel(rx + 1, ry + 1) << 4 |
         r.pixel(rx, ry + 1) << 5 | r.pixel(rx + 1, ry) << 6 | r.pixel(rx, ry) << 7 |
         r.pixel(rx - 1, ry) << 8 | r.pixel(rx, ry - 1) << 9;
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
    for (int32_t x = 0; x < p.width; ++x) {
      const int32_t rx = x - p.dx;
      if (ltp) {
        const int v = typicalValue(ref, rx, ry);
        if (v >= 0) {
          bitmap->setPixel(x, y, v);
          continue;
        }
      }
      const uint32_t cx = t == 0 ? context0(*bitmap, ref, x, y, rx, ry, p.at)
                                 : context1(*bitmap, ref, x, y, rx, ry);
      if (decoder.decode(contexts[cx])) bitmap->setPixel(x, y, 1);
    }
  }
  return bitmap;
}
