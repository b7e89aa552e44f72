#include "engine/decode/jbig2/jbig2_bitmap.h"

#include <algorithm>
#include <cstring>

std::unique_ptr<JBIG2Bitmap> JBIG2Bitmap::create(int64_t width, int64_t height,
                                                 Jbig2Budget& budget) {
  if (width < 0 || height < 0 || width > kMaxJbig2BitmapSide || height > kMaxJbig2BitmapSide)
    return nullptr;
  if (width * height > kMaxJbig2BitmapPixels) return nullptr;
  // Even an empty bitmap costs a little, so that runs of empty symbols stay bounded too.
  if (!budget.take(width * height + 64)) return nullptr;
  auto bitmap = std::make_unique<JBIG2Bitmap>();
  bitmap->width_ = static_cast<int32_t>(width);
  bitmap->height_ = static_cast<int32_t>(height);
  bitmap->stride_ = static_cast<int32_t>((width + 7) / 8);
  bitmap->data_.assign(bitmap->byteCount() + kPadding, 0);
  return bitmap;
}

void JBIG2Bitmap::fill(int value) {
  if (!value) {
    std::memset(bits(), 0, byteCount());
    return;
  }
  for (int32_t y = 0; y < height_; ++y) {
    uint8_t* r = row(y);
    std::memset(r, 0xFF, stride_);
    if (width_ & 7) r[stride_ - 1] = static_cast<uint8_t>(0xFF << (8 - (width_ & 7)));
  }
}

std::vector<uint8_t> JBIG2Bitmap::takeBytes() {
  data_.resize(byteCount());
  std::vector<uint8_t> out;
  out.swap(data_);
  width_ = height_ = stride_ = 0;
  data_.assign(kPadding, 0);
  return out;
}

void JBIG2Bitmap::invert() {
  uint8_t* p = bits();
  for (std::size_t i = 0, n = byteCount(); i < n; ++i) p[i] = static_cast<uint8_t>(~p[i]);
  if (width_ & 7) {
    const uint8_t keep = static_cast<uint8_t>(0xFF << (8 - (width_ & 7)));
    for (int32_t y = 0; y < height_; ++y) row(y)[stride_ - 1] &= keep;
  }
}

bool JBIG2Bitmap::growHeight(int64_t newHeight, int value, Jbig2Budget& budget) {
  if (newHeight <= height_) return true;
  if (newHeight > kMaxJbig2BitmapSide || newHeight * width_ > kMaxJbig2BitmapPixels) return false;
  if (!budget.take((newHeight - height_) * width_)) return false;
  const int32_t oldHeight = height_;
  const std::size_t oldBytes = byteCount();
  const std::size_t newBytes =
      static_cast<std::size_t>(stride_) * static_cast<std::size_t>(newHeight);
  data_.resize(newBytes + kPadding, 0);
  std::memset(data_.data() + oldBytes, 0, kPadding);
  height_ = static_cast<int32_t>(newHeight);
  if (value) {
    for (int32_t y = oldHeight; y < height_; ++y) {
      uint8_t* r = row(y);
      std::memset(r, 0xFF, stride_);
      if (width_ & 7) r[stride_ - 1] = static_cast<uint8_t>(0xFF << (8 - (width_ & 7)));
    }
  }
  return true;
}

std::unique_ptr<JBIG2Bitmap> JBIG2Bitmap::crop(int32_t x, int32_t y, int32_t width, int32_t height,
                                               Jbig2Budget& budget) const {
  auto out = create(width, height, budget);
  if (!out) return nullptr;
  out->compose(*this, -static_cast<int64_t>(x), -static_cast<int64_t>(y), Jbig2Combination::Replace,
               budget);
  return out;
}

namespace {

template <Jbig2Combination Op>
inline uint8_t combine(uint8_t d, uint8_t s) {
  if constexpr (Op == Jbig2Combination::Or) return d | s;
  if constexpr (Op == Jbig2Combination::And) return d & s;
  if constexpr (Op == Jbig2Combination::Xor) return d ^ s;
  if constexpr (Op == Jbig2Combination::Xnor) return static_cast<uint8_t>(~(d ^ s));
  return s;
}

// One row: destination bytes first..last take the source row shifted so that source bit 0 lands
// on destination bit x. Only the first and last source bytes can lie outside the source row.
template <Jbig2Combination Op>
inline uint64_t combine64(uint64_t d, uint64_t s) {
  if constexpr (Op == Jbig2Combination::Or) return d | s;
  if constexpr (Op == Jbig2Combination::And) return d & s;
  if constexpr (Op == Jbig2Combination::Xor) return d ^ s;
  if constexpr (Op == Jbig2Combination::Xnor) return ~(d ^ s);
  return s;
}

template <Jbig2Combination Op>
void composeRow(uint8_t* dst, const uint8_t* src, int32_t srcStride, int64_t x, int64_t first,
                int64_t last, uint8_t firstMask, uint8_t lastMask, uint64_t rowMask,
                bool wordsSafe) {
  const int64_t startBit = first * 8 - x;  // source bit under the first destination bit
  const int64_t sb0 = startBit >> 3;
  const int shift = static_cast<int>(startBit & 7);
  auto at = [&](int64_t i) -> uint32_t { return i >= 0 && i < srcStride ? src[i] : 0; };
  const int64_t n = last - first + 1;
  if (n <= 7 && wordsSafe) {
    // Narrow rows (most symbols) in one 64-bit step. The words may take in bytes beyond the
    // row (the padding or a neighbouring row): those bits fall outside the mask.
    uint64_t s, d;
    (void)srcStride;
    std::memcpy(&s, src + sb0, 8);
    std::memcpy(&d, dst + first, 8);
    s = __builtin_bswap64(s) << shift;
    if (shift) {
      uint8_t next;
      std::memcpy(&next, src + sb0 + 8, 1);
      s |= static_cast<uint64_t>(next) >> (8 - shift);
    }
    d = __builtin_bswap64(d);
    const uint64_t mask = rowMask;
    const uint64_t r = (d & ~mask) | (combine64<Op>(d, s) & mask);
    const uint64_t out = __builtin_bswap64(r);
    std::memcpy(dst + first, &out, 8);
    return;
  }
  uint32_t hi = at(sb0);
  for (int64_t k = 0; k < n; ++k) {
    const int64_t i = sb0 + k + 1;
    const uint32_t lo = (k + 1 < n - 1 && i >= 0 && i < srcStride) ? src[i] : at(i);
    const uint8_t sbyte = static_cast<uint8_t>(((hi << 8 | lo) << shift) >> 8);
    hi = lo;
    uint8_t& d = dst[first + k];
    uint8_t mask = 0xFF;
    if (k == 0) mask &= firstMask;
    if (k == n - 1) mask &= lastMask;
    const uint8_t r = combine<Op>(d, sbyte);
    d = mask == 0xFF ? r : static_cast<uint8_t>((d & ~mask) | (r & mask));
  }
}

template <Jbig2Combination Op>
void composeRows(JBIG2Bitmap& dst, const JBIG2Bitmap& src, int64_t x, int64_t y, int64_t x0,
                 int64_t x1, int64_t y0, int64_t y1) {
  const int64_t first = x0 >> 3, last = (x1 - 1) >> 3;
  const uint8_t firstMask = static_cast<uint8_t>(0xFF >> (x0 & 7));
  const uint8_t lastMask = static_cast<uint8_t>(0xFF << (7 - ((x1 - 1) & 7)));
  // The narrow path's mask over the destination bytes, the first in the top byte.
  uint64_t rowMask = 0;
  const int64_t n = last - first + 1;
  for (int64_t k = 0; k < n && k < 8; ++k) {
    uint8_t m = 0xFF;
    if (k == 0) m &= firstMask;
    if (k == n - 1) m &= lastMask;
    rowMask |= static_cast<uint64_t>(m) << (56 - 8 * k);
  }
  // A word load starting one byte before the source row is safe except on its first row.
  const bool startsBefore = ((first * 8 - x) >> 3) < 0;
  for (int64_t dy = y0; dy < y1; ++dy)
    composeRow<Op>(dst.row(static_cast<int32_t>(dy)), src.row(static_cast<int32_t>(dy - y)),
                   src.stride(), x, first, last, firstMask, lastMask, rowMask,
                   !(startsBefore && dy == y));
}

}  // namespace

void JBIG2Bitmap::compose(const JBIG2Bitmap& source, int64_t x, int64_t y, Jbig2Combination op,
                          Jbig2Budget& budget) {
  const int64_t x0 = std::max<int64_t>(x, 0), x1 = std::min<int64_t>(x + source.width_, width_);
  const int64_t y0 = std::max<int64_t>(y, 0), y1 = std::min<int64_t>(y + source.height_, height_);
  if (x0 >= x1 || y0 >= y1) return;
  if (!budget.take((x1 - x0) * (y1 - y0) / 8 + 1)) return;
  switch (op) {
    case Jbig2Combination::Or:
      composeRows<Jbig2Combination::Or>(*this, source, x, y, x0, x1, y0, y1);
      break;
    case Jbig2Combination::And:
      composeRows<Jbig2Combination::And>(*this, source, x, y, x0, x1, y0, y1);
      break;
    case Jbig2Combination::Xor:
      composeRows<Jbig2Combination::Xor>(*this, source, x, y, x0, x1, y0, y1);
      break;
    case Jbig2Combination::Xnor:
      composeRows<Jbig2Combination::Xnor>(*this, source, x, y, x0, x1, y0, y1);
      break;
    default:
      composeRows<Jbig2Combination::Replace>(*this, source, x, y, x0, x1, y0, y1);
      break;
  }
}
