#pragma once
// Bi-level bitmaps and the stored segments of a JBIG2 image.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

// No single bitmap (page, region, collective symbol bitmap) holds more pixels than this:
// 2^28 pixels are 32 MiB, more than a 1200 dpi A4 scan needs.
inline constexpr int64_t kMaxJbig2BitmapPixels = int64_t{1} << 28;
// Neither side of any bitmap is longer than this.
inline constexpr int32_t kMaxJbig2BitmapSide = 1 << 20;

// How much work one image may do. Every bitmap that is allocated or drawn into is charged by
// its area, so a small crafted file cannot keep the decoder busy for long.
struct Jbig2Budget {
  int64_t pixelsLeft = int64_t{1} << 30;
  bool take(int64_t pixels) {
    if (pixels < 0 || pixels > pixelsLeft) {
      pixelsLeft = 0;
      return false;
    }
    pixelsLeft -= pixels;
    return true;
  }
  bool exhausted() const { return pixelsLeft <= 0; }
};

enum class Jbig2Combination { Or = 0, And = 1, Xor = 2, Xnor = 3, Replace = 4 };

enum class JBIG2SegmentKind { Bitmap, SymbolDict, PatternDict, CodeTable };

class JBIG2Segment {
 public:
  explicit JBIG2Segment(uint32_t number) : number_(number) {}
  virtual ~JBIG2Segment() = default;
  virtual JBIG2SegmentKind kind() const = 0;
  uint32_t number() const { return number_; }
  void setNumber(uint32_t number) { number_ = number; }

 private:
  uint32_t number_;
};

// Packed rows, most significant bit first, 1 = black, followed by kPadding spare bytes. Bits
// past the width in each row's last
// byte are always 0, which the context loops and the composition rely on.
class JBIG2Bitmap : public JBIG2Segment {
 public:
  JBIG2Bitmap() : JBIG2Segment(0) {}
  JBIG2SegmentKind kind() const override { return JBIG2SegmentKind::Bitmap; }

  // An all-zero bitmap, or nullptr when the size is out of bounds or over the budget.
  static std::unique_ptr<JBIG2Bitmap> create(int64_t width, int64_t height, Jbig2Budget& budget);

  int32_t width() const { return width_; }
  int32_t height() const { return height_; }
  int32_t stride() const { return stride_; }
  uint8_t* row(int32_t y) { return bits() + static_cast<std::size_t>(y) * stride_; }
  const uint8_t* row(int32_t y) const { return bytes() + static_cast<std::size_t>(y) * stride_; }
  const uint8_t* bytes() const { return data_.data(); }
  // Hands over the rows (the bitmap is empty afterwards).
  std::vector<uint8_t> takeBytes();

  // Readable bytes after the last row, so that composition may load whole 64-bit words there.
  static constexpr std::size_t kPadding = 8;
  std::size_t byteCount() const { return static_cast<std::size_t>(stride_) * height_; }

  int pixel(int64_t x, int64_t y) const {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return 0;
    return (row(static_cast<int32_t>(y))[x >> 3] >> (7 - (x & 7))) & 1;
  }
  void setPixel(int32_t x, int32_t y, int value) {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
    uint8_t& b = row(y)[x >> 3];
    const uint8_t bit = static_cast<uint8_t>(0x80 >> (x & 7));
    b = value ? (b | bit) : (b & ~bit);
  }
  void fill(int value);
  // Flips every pixel (the padding bits stay 0).
  void invert();
  // Makes the bitmap taller, new rows filled with value; false when over the limits.
  bool growHeight(int64_t newHeight, int value, Jbig2Budget& budget);
  // A copy of the part at (x, y) of the given size; outside pixels are 0.
  std::unique_ptr<JBIG2Bitmap> crop(int32_t x, int32_t y, int32_t width, int32_t height,
                                    Jbig2Budget& budget) const;
  // Combines source into this bitmap with its top-left corner at (x, y), clipped.
  void compose(const JBIG2Bitmap& source, int64_t x, int64_t y, Jbig2Combination op,
               Jbig2Budget& budget);

 private:
  int32_t width_ = 0, height_ = 0, stride_ = 0;
  std::vector<uint8_t> data_;
  uint8_t* bits() { return data_.data(); }
};
