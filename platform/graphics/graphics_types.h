#pragma once
// Value types and codes of the drawing layer. The numbering of every code follows the flat
// drawing API the engine's drawing code was written against, so values read from page content
// (line caps, joins, fill modes) map one to one.

#include <cstdint>

namespace brevia::gfx {

enum class Status : int {
  Ok = 0,
  GenericError = 1,
  InvalidParameter = 2,
  OutOfMemory = 3,
  ObjectBusy = 4,
  InsufficientBuffer = 5,
  NotImplemented = 6,
  WrongState = 8,
  ValueOverflow = 11,
};

const char* statusName(Status status);

enum class FillMode : int { Alternate = 0, Winding = 1 };
enum class MatrixOrder : int { Prepend = 0, Append = 1 };
enum class CombineMode : int {
  Replace = 0,
  Intersect = 1,
  Union = 2,
  Xor = 3,
  Exclude = 4,
  Complement = 5,
};
enum class SmoothingMode : int {
  Default = 0,
  HighSpeed = 1,
  HighQuality = 2,
  None = 3,
  AntiAlias = 4,
  AntiAlias8x4 = 5,
  AntiAlias8x8 = 6,
};
enum class InterpolationMode : int {
  Default = 0,
  LowQuality = 1,
  HighQuality = 2,
  Bilinear = 3,
  Bicubic = 4,
  NearestNeighbor = 5,
  HighQualityBilinear = 6,
  HighQualityBicubic = 7,
};
enum class CompositingMode : int { SourceOver = 0, SourceCopy = 1 };
// How painted colours combine with what is below them (source over, then the separable and
// the non-separable blend modes).
enum class BlendMode : int {
  Normal = 0,
  Multiply,
  Screen,
  Overlay,
  Darken,
  Lighten,
  ColorDodge,
  ColorBurn,
  HardLight,
  SoftLight,
  Difference,
  Exclusion,
  Hue,
  Saturation,
  Color,
  Luminosity
};
enum class LineCap : int { Flat = 0, Square = 1, Round = 2, Triangle = 3 };
enum class LineJoin : int { Miter = 0, Bevel = 1, Round = 2, MiterClipped = 3 };
// Clamp is accepted for gradients too and pads with the end colours.
enum class WrapMode : int { Tile = 0, TileFlipX = 1, TileFlipY = 2, TileFlipXY = 3, Clamp = 4 };
// 32 bits per pixel, straight or premultiplied alpha.
enum class PixelFormat : int { Argb32 = 0x26200A, PArgb32 = 0xE200B };

// Point-type bytes of a path: the low three bits give the kind, 0x80 closes the figure.
constexpr uint8_t kPointStart = 0;
constexpr uint8_t kPointLine = 1;
constexpr uint8_t kPointBezier = 3;
constexpr uint8_t kPointTypeMask = 0x07;
constexpr uint8_t kPointCloseFlag = 0x80;

struct PointF {
  float x = 0;
  float y = 0;
  friend bool operator==(const PointF&, const PointF&) = default;
};

struct RectF {
  float x = 0;
  float y = 0;
  float width = 0;
  float height = 0;
  float right() const { return x + width; }
  float bottom() const { return y + height; }
  bool isEmpty() const { return !(width > 0 && height > 0); }
  friend bool operator==(const RectF&, const RectF&) = default;
};

struct RectI {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
  int right() const { return x + width; }
  int bottom() const { return y + height; }
  bool isEmpty() const { return width <= 0 || height <= 0; }
  friend bool operator==(const RectI&, const RectI&) = default;
};

// Colours are 32-bit 0xAARRGGBB with straight (not premultiplied) alpha.
using Argb = uint32_t;

constexpr Argb makeArgb(uint8_t a, uint8_t r, uint8_t g, uint8_t b) {
  return (Argb(a) << 24) | (Argb(r) << 16) | (Argb(g) << 8) | Argb(b);
}
constexpr uint8_t alphaOf(Argb c) { return uint8_t(c >> 24); }
constexpr uint8_t redOf(Argb c) { return uint8_t(c >> 16); }
constexpr uint8_t greenOf(Argb c) { return uint8_t(c >> 8); }
constexpr uint8_t blueOf(Argb c) { return uint8_t(c); }

// The extent that an infinite region reports, as the original API does.
constexpr RectF kInfiniteRect{-4194304.0f, -4194304.0f, 8388608.0f, 8388608.0f};

// Keeps the last failure of an object. A failing call stores its status and the object stays
// usable; a later successful call does not clear it, clearStatus() does.
class StatusHolder {
 public:
  Status lastStatus() const { return lastStatus_; }
  void clearStatus() { lastStatus_ = Status::Ok; }

 protected:
  Status keep(Status status) const {
    if (status != Status::Ok) lastStatus_ = status;
    return status;
  }

 private:
  mutable Status lastStatus_ = Status::Ok;
};

}  // namespace brevia::gfx
