#include "engine/decode/jbig2/jbig2_bitmap.h"

#include <algorithm>
#include <cstring>

std::unique_ptr<JBIG2Bitmap> JBIG2Bitmap::create(int64_t width, int64_t height, Jbig2Budget& budget) {
  if (width < 0 || height < 0 || width > kMaxJbig2BitmapSide || height > kMaxJbig2BitmapSide)
    return nullptr;
  if (width * height > kMaxJbig2BitmapPixels) return nullptr;
  // Even an empty bitmap costs a little, so that runs of empty symbols stay bounded too.
  if (!budget.take(width * height + 64)) return nullptr;
  auto bitmap = std::make_unique<JBIG2Bitmap>();
  bitmap->width_ = static_cast<int32_t>(width);
  bitmap->height_ = static_cast<int32_t>(height);
  bitmap->stride_ = static_cast<int32_t>((width + 7) / 8);
  bitmap->data_.assign(static_cast<std::size_t>(bitmap->stride_) * bitmap->height_, 0);
  return bitmap;
}

void JBIG2Bitmap::fill(int value) {
  if (!value) {
    std::fill(data_.begin(), data_.end(), 0);
    return;
  }
  for (int32_t y = 0; y < height_; ++y) {
    uint8_t* r = row(y);
    std::memset(r, 0xFF, stride_);
    if (width_ & 7) r[stride_ - 1] = static_cast<uint8_t>(0xFF << (8 - (width_ & 7)));
  }
}

bool JBIG2Bitmap::growHeight(int64_t newHeight, int value, Jbig2Budget& budget) {
  if (newHeight <= height_) return true;
  if (newHeight > kMaxJbig2BitmapSide || newHeight * width_ > kMaxJbig2BitmapPixels) return false;
  if (!budget.take((newHeight - height_) * width_)) return false;
  const int32_t oldHeight = height_;
  height_ = static_cast<int32_t>(newHeight);
  data_.resize(static_cast<std::size_t>(stride_) * height_, 0);
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

// Eight source bits starting at bit position pos of a row (bits outside the row read 0).
inline uint8_t sourceByte(const uint8_t* row, int32_t stride, int64_t pos) {
  const int64_t byteIndex = pos >> 3;  // floor for negative positions
  const int shift = static_cast<int>(pos & 7);
  const uint32_t hi = byteIndex >= 0 && byteIndex < stride ? row[byteIndex] : 0;
  const uint32_t lo = byteIndex + 1 >= 0 && byteIndex + 1 < stride ? row[byteIndex + 1] : 0;
  return static_cast<uint8_t>(((hi << 8 | lo) << shift) >> 8);
}

}  // namespace

void JBIG2Bitmap::compose(const JBIG2Bitmap& source, int64_t x, int64_t y, Jbig2Combination op,
                          Jbig2Budget& budget) {
  const int64_t x0 = std::max<int64_t>(x, 0), x1 = std::min<int64_t>(x + source.width_, width_);
  const int64_t y0 = std::max<int64_t>(y, 0), y1 = std::min<int64_t>(y + source.height_, height_);
  if (x0 >= x1 || y0 >= y1) return;
  if (!budget.take((x1 - x0) * (y1 - y0) / 8 + 1)) return;
  const int64_t firstByte = x0 >> 3, lastByte = (x1 - 1) >> 3;
  for (int64_t dy = y0; dy < y1; ++dy) {
    uint8_t* dst = row(static_cast<int32_t>(dy));
    const uint8_t* src = source.row(static_cast<int32_t>(dy - y));
    for (int64_t b = firstByte; b <= lastByte; ++b) {
      uint8_t mask = 0xFF;
      if (b == firstByte) mask &= static_cast<uint8_t>(0xFF >> (x0 & 7));
      if (b == lastByte) mask &= static_cast<uint8_t>(0xFF << (7 - ((x1 - 1) & 7)));
      const uint8_t s = sourceByte(src, source.stride_, b * 8 - x);
      const uint8_t d = dst[b];
      uint8_t r;
      switch (op) {
        case Jbig2Combination::Or: r = d | s; break;
        case Jbig2Combination::And: r = d & s; break;
        case Jbig2Combination::Xor: r = d ^ s; break;
        case Jbig2Combination::Xnor: r = static_cast<uint8_t>(~(d ^ s)); break;
        default: r = s; break;
      }
      dst[b] = static_cast<uint8_t>((d & ~mask) | (r & mask));
    }
  }
}
