#include "platform/graphics/bitmap.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "platform/graphics/cairo_util.h"

namespace brevia::gfx {

namespace {

Status checkSize(int width, int height) {
  if (width <= 0 || height <= 0) return Status::InvalidParameter;
  if (width > Bitmap::kMaxSide || height > Bitmap::kMaxSide ||
      int64_t(width) * height > Bitmap::kMaxPixels)
    return Status::ValueOverflow;
  return Status::Ok;
}

}  // namespace

Bitmap::Bitmap(int width, int height) {
  Status status = checkSize(width, height);
  if (status != Status::Ok) {
    keep(status);
    return;
  }
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
  if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
    keep(detail::fromCairo(cairo_surface_status(surface)));
    cairo_surface_destroy(surface);
    return;
  }
  surface_ = surface;
  width_ = width;
  height_ = height;
}

Bitmap::Bitmap(int width, int height, int stride, PixelFormat format, const uint8_t* pixels)
    : Bitmap(width, height) {
  if (!surface_) return;
  if (!pixels || stride < width * 4 ||
      (format != PixelFormat::Argb32 && format != PixelFormat::PArgb32)) {
    keep(Status::InvalidParameter);
    return;
  }
  uint8_t* out = cairo_image_surface_get_data(surface_);
  int outStride = cairo_image_surface_get_stride(surface_);
  for (int y = 0; y < height; ++y) {
    const uint8_t* row = pixels + size_t(y) * size_t(stride);
    uint32_t* target = reinterpret_cast<uint32_t*>(out + size_t(y) * size_t(outStride));
    if (format == PixelFormat::PArgb32) {
      std::memcpy(target, row, size_t(width) * 4);
      continue;
    }
    for (int x = 0; x < width; ++x) {
      uint32_t v;
      std::memcpy(&v, row + size_t(x) * 4, 4);
      target[x] = detail::premultiply(v);
    }
  }
  cairo_surface_mark_dirty(surface_);
}

Bitmap Bitmap::wrap(uint8_t* pixels, int width, int height, int stride) {
  Bitmap bitmap;
  Status status = checkSize(width, height);
  if (status == Status::Ok && (!pixels || stride < width * 4 || stride % 4 != 0))
    status = Status::InvalidParameter;
  if (status != Status::Ok) {
    bitmap.keep(status);
    return bitmap;
  }
  cairo_surface_t* surface =
      cairo_image_surface_create_for_data(pixels, CAIRO_FORMAT_ARGB32, width, height, stride);
  if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
    bitmap.keep(detail::fromCairo(cairo_surface_status(surface)));
    cairo_surface_destroy(surface);
    return bitmap;
  }
  bitmap.surface_ = surface;
  bitmap.width_ = width;
  bitmap.height_ = height;
  return bitmap;
}

Bitmap::Bitmap(Bitmap&& other) noexcept
    : StatusHolder(other),
      surface_(std::exchange(other.surface_, nullptr)),
      width_(std::exchange(other.width_, 0)),
      height_(std::exchange(other.height_, 0)),
      originX_(std::exchange(other.originX_, 0)),
      originY_(std::exchange(other.originY_, 0)) {}

Bitmap& Bitmap::operator=(Bitmap&& other) noexcept {
  if (this != &other) {
    release();
    StatusHolder::operator=(other);
    surface_ = std::exchange(other.surface_, nullptr);
    width_ = std::exchange(other.width_, 0);
    height_ = std::exchange(other.height_, 0);
    originX_ = std::exchange(other.originX_, 0);
    originY_ = std::exchange(other.originY_, 0);
  }
  return *this;
}

void Bitmap::setOrigin(int x, int y) {
  if (!surface_) return;
  originX_ = x;
  originY_ = y;
  cairo_surface_set_device_offset(surface_, -x, -y);
}

Bitmap::~Bitmap() { release(); }

void Bitmap::release() {
  if (surface_) cairo_surface_destroy(surface_);
  surface_ = nullptr;
}

int Bitmap::stride() const { return surface_ ? cairo_image_surface_get_stride(surface_) : 0; }

uint8_t* Bitmap::data() {
  if (!surface_) return nullptr;
  cairo_surface_flush(surface_);
  return cairo_image_surface_get_data(surface_);
}

const uint8_t* Bitmap::data() const {
  if (!surface_) return nullptr;
  cairo_surface_flush(surface_);
  return cairo_image_surface_get_data(surface_);
}

void Bitmap::markDirty() {
  if (surface_) cairo_surface_mark_dirty(surface_);
}

bool Bitmap::isOpaque() const {
  if (!surface_) return true;
  const int rowPixels = stride() / 4;
  const uint32_t* pixels = reinterpret_cast<const uint32_t*>(data());
  for (int y = 0; y < height_; ++y) {
    const uint32_t* row = pixels + int64_t{y} * rowPixels;
    // A whole row at a time, without a branch per pixel, so that the loop runs in vectors.
    uint32_t all = 0xFFFFFFFFu;
    for (int x = 0; x < width_; ++x) all &= row[x];
    if ((all >> 24) != 0xFF) return false;
  }
  return true;
}

uint32_t Bitmap::pixel(int x, int y) const {
  if (!surface_ || x < 0 || y < 0 || x >= width_ || y >= height_) return 0;
  const uint8_t* row = data() + size_t(y) * size_t(stride());
  uint32_t v;
  std::memcpy(&v, row + size_t(x) * 4, 4);
  return v;
}

Argb Bitmap::colourAt(int x, int y) const {
  uint32_t p = pixel(x, y);
  uint32_t a = p >> 24;
  if (a == 0) return 0;
  auto un = [a](uint32_t c) { return std::min<uint32_t>(255, (c * 255 + a / 2) / a); };
  return (a << 24) | (un((p >> 16) & 0xFF) << 16) | (un((p >> 8) & 0xFF) << 8) | un(p & 0xFF);
}

void Bitmap::fill(Argb colour) {
  if (!surface_) return;
  uint32_t value = detail::premultiply(colour);
  uint8_t* base = data();
  int rowStride = stride();
  for (int y = 0; y < height_; ++y) {
    uint32_t* row = reinterpret_cast<uint32_t*>(base + size_t(y) * size_t(rowStride));
    std::fill(row, row + width_, value);
  }
  cairo_surface_mark_dirty(surface_);
}

Status Bitmap::flipVertical() {
  if (!surface_) return keep(Status::WrongState);
  uint8_t* base = data();
  size_t rowStride = size_t(stride());
  size_t bytes = size_t(width_) * 4;
  for (int top = 0, bottom = height_ - 1; top < bottom; ++top, --bottom) {
    uint8_t* a = base + size_t(top) * rowStride;
    uint8_t* b = base + size_t(bottom) * rowStride;
    std::swap_ranges(a, a + bytes, b);
  }
  cairo_surface_mark_dirty(surface_);
  return Status::Ok;
}

Status Bitmap::writePng(const std::string& path) const {
  if (!surface_) return keep(Status::WrongState);
  cairo_status_t status = cairo_surface_write_to_png(surface_, path.c_str());
  if (status == CAIRO_STATUS_SUCCESS) return Status::Ok;
  return keep(status == CAIRO_STATUS_NO_MEMORY ? Status::OutOfMemory : Status::GenericError);
}

}  // namespace brevia::gfx
