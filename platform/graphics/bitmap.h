#pragma once
// Bitmap: 32-bit premultiplied ARGB pixels (a cairo image surface: one uint32 0xAARRGGBB per
// pixel in native byte order, the layout of QImage::Format_ARGB32_Premultiplied). It is both
// the target a Graphics draws on and the source of drawImage.

#include <cstdint>
#include <string>

#include "platform/graphics/graphics_types.h"

struct _cairo_surface;

namespace brevia::gfx {

class Bitmap : public StatusHolder {
 public:
  // Larger bitmaps are refused: a huge page at a huge zoom must degrade, not exhaust memory.
  static constexpr int kMaxSide = 32767;
  static constexpr int64_t kMaxPixels = 64LL * 1024 * 1024;

  // A transparent bitmap. A size that is not positive gives InvalidParameter, one over the
  // limits ValueOverflow, a failed allocation OutOfMemory; the bitmap is then not valid.
  Bitmap(int width, int height);
  // Copies width × height pixels from rows of stride bytes; Argb32 pixels are premultiplied on
  // the way in.
  Bitmap(int width, int height, int stride, PixelFormat format, const uint8_t* pixels);
  // Draws on, or reads from, caller memory (premultiplied, stride a multiple of 4 and at least
  // width × 4). The memory must outlive the bitmap.
  static Bitmap wrap(uint8_t* pixels, int width, int height, int stride);

  Bitmap(Bitmap&& other) noexcept;
  Bitmap& operator=(Bitmap&& other) noexcept;
  Bitmap(const Bitmap&) = delete;
  Bitmap& operator=(const Bitmap&) = delete;
  ~Bitmap();

  bool isValid() const { return surface_ != nullptr; }
  int width() const { return width_; }
  int height() const { return height_; }
  int stride() const;
  uint8_t* data();
  const uint8_t* data() const;
  // Call after writing into data() directly.
  void markDirty();

  // Places the bitmap in device space: its top-left pixel is device pixel (x, y). A Graphics on
  // it then draws in device coordinates, and drawLayer puts it back where it belongs. Layers of
  // a page are bitmaps covering only part of it.
  void setOrigin(int x, int y);
  int originX() const { return originX_; }
  int originY() const { return originY_; }

  // Premultiplied pixel; 0 outside the bitmap.
  uint32_t pixel(int x, int y) const;
  // True when every pixel has full alpha (an invalid bitmap counts as opaque).
  bool isOpaque() const;
  // Straight (unpremultiplied) colour of a pixel; 0 outside the bitmap.
  Argb colourAt(int x, int y) const;
  // Fills every pixel, ignoring any clip.
  void fill(Argb colour);
  // Mirrors the rows (top becomes bottom).
  Status flipVertical();
  Status writePng(const std::string& path) const;

 private:
  friend class Graphics;
  friend class TextureBrush;
  Bitmap() = default;
  void release();
  _cairo_surface* surface() const { return surface_; }

  _cairo_surface* surface_ = nullptr;
  int width_ = 0;
  int height_ = 0;
  int originX_ = 0;
  int originY_ = 0;
};

}  // namespace brevia::gfx
