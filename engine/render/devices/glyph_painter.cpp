#include "engine/render/devices/glyph_painter.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H

#include <algorithm>
#include <cmath>

#include "engine/render/devices/device.h"
#include "platform/graphics/solid_brush.h"

namespace gfx = brevia::gfx;

namespace {

// Device positions beyond this many pixels are off any bitmap we draw.
constexpr double kMaxDevicePosition = 1 << 28;
// FreeType's fixed-point units.
constexpr double kFixed16 = 65536.0;
constexpr int kFixed6 = 64;

double largestStretch(const std::array<double, 4>& t) {
  const double a = t[0], b = t[1], c = t[2], d = t[3];
  const double p = a * a + b * b + c * c + d * d;
  const double diff = a * a + b * b - c * c - d * d;
  const double cross = a * c + b * d;
  const double q = std::sqrt(diff * diff + 4 * cross * cross);
  return std::sqrt((p + q) / 2);
}

// Adds a FreeType outline in font units to a path, mapped by t (ems to the path's space).
struct OutlineSink {
  gfx::GraphicsPath& path;
  double scale;
  std::array<double, 6> t;
  gfx::PointF current{0, 0};
  bool open = false;

  gfx::PointF map(const FT_Vector* v) const {
    const double u = double(v->x) * scale, w = double(v->y) * scale;
    return {float(t[4] + u * t[0] + w * t[2]), float(t[5] + u * t[1] + w * t[3])};
  }
};

int moveTo(const FT_Vector* to, void* user) {
  auto* s = static_cast<OutlineSink*>(user);
  if (s->open) s->path.closeFigure();
  s->path.startFigure();
  s->current = s->map(to);
  s->open = true;
  return 0;
}

int lineTo(const FT_Vector* to, void* user) {
  auto* s = static_cast<OutlineSink*>(user);
  gfx::PointF p = s->map(to);
  s->path.addLine(s->current, p);
  s->current = p;
  return 0;
}

int conicTo(const FT_Vector* control, const FT_Vector* to, void* user) {
  auto* s = static_cast<OutlineSink*>(user);
  const gfx::PointF c = s->map(control), p = s->map(to), q = s->current;
  // The quadratic as a cubic: control points two thirds of the way to the quadratic's control.
  const gfx::PointF c1{q.x + 2.0f / 3 * (c.x - q.x), q.y + 2.0f / 3 * (c.y - q.y)};
  const gfx::PointF c2{p.x + 2.0f / 3 * (c.x - p.x), p.y + 2.0f / 3 * (c.y - p.y)};
  s->path.addBezier(q, c1, c2, p);
  s->current = p;
  return 0;
}

int cubicTo(const FT_Vector* c1, const FT_Vector* c2, const FT_Vector* to, void* user) {
  auto* s = static_cast<OutlineSink*>(user);
  const gfx::PointF p = s->map(to);
  s->path.addBezier(s->current, s->map(c1), s->map(c2), p);
  s->current = p;
  return 0;
}

// Loads glyph unscaled and adds its outline to path through emToPath; false when it has none.
bool addOutline(FT_Face face, uint32_t glyph, const std::array<double, 6>& emToPath,
                gfx::GraphicsPath& path, bool* evenOdd = nullptr) {
  if (!face || face->units_per_EM == 0) return false;
  FT_Set_Transform(face, nullptr, nullptr);
  if (FT_Load_Glyph(face, glyph, FT_LOAD_NO_SCALE | FT_LOAD_NO_BITMAP) != 0) return false;
  if (face->glyph->format != FT_GLYPH_FORMAT_OUTLINE) return false;
  FT_Outline& outline = face->glyph->outline;
  if (evenOdd) *evenOdd = (outline.flags & FT_OUTLINE_EVEN_ODD_FILL) != 0;
  OutlineSink sink{path, 1.0 / face->units_per_EM, emToPath};
  FT_Outline_Funcs funcs{moveTo, lineTo, conicTo, cubicTo, 0, 0};
  if (FT_Outline_Decompose(&outline, &funcs, &sink) != 0) return false;
  if (sink.open) path.closeFigure();
  return true;
}

}  // namespace

GlyphPainter::GlyphPainter(Device* device, S_FixedPosSize_Font& font,
                           const std::array<double, 4>& transform, double pixelSize,
                           uint32_t colour)
    : device_(device), font_(font), transform_(transform), colour_(colour) {
  if (!font_.face) return;
  for (double v : transform_)
    if (!std::isfinite(v)) return;
  const double det = transform_[0] * transform_[3] - transform_[1] * transform_[2];
  if (!(std::fabs(det) > 1e-12)) return;
  const double stretch = largestStretch(transform_);
  if (stretch > kMaxOutlinePixels) return;
  // Outlines need no target: text clips are gathered also while text is only scanned.
  outlinesUsable_ = true;
  if (!device_) return;
  reach_ = stretch * kGlyphReachEms + 2;
  if (stretch > kMaxBitmapPixels) {
    outline_ = true;
    ready_ = true;
    return;
  }
  double size = std::isfinite(pixelSize) ? pixelSize : stretch;
  size = std::clamp(size, kMinCharPixels, kMaxBitmapPixels);
  FT_Face face = font_.face->get();
  if (!face) return;
  FaceSizeRecord& record = font_.faceSize;
  if (record.pixelSize != size || record.transform != transform_) {
    font_.clearGlyphCache();
    record.pixelSize = 0;
    const auto size26 = static_cast<FT_F26Dot6>(size * kFixed6);
    if (FT_Set_Char_Size(face, size26, size26, 72, 72) != 0) return;
    record.pixelSize = size;
    record.transform = transform_;
    record.colour = colour;
  }
  matrix_[0] = std::lround(transform_[0] / size * kFixed16);
  matrix_[1] = std::lround(transform_[2] / size * kFixed16);
  matrix_[2] = std::lround(-transform_[1] / size * kFixed16);
  matrix_[3] = std::lround(-transform_[3] / size * kFixed16);
  upright_ = transform_[1] == 0 && transform_[2] == 0;
  ready_ = true;
}

bool GlyphPainter::mayTouchTarget(double originX, double originY) const {
  const gfx::RectF target = device_->targetBounds();
  // Layers are bitmaps placed somewhere on the page.
  const double x = originX - target.x, y = originY - target.y;
  return x > -reach_ && y > -reach_ && x < target.width + reach_ && y < target.height + reach_;
}

void GlyphPainter::place(double originX, double originY, int& x, int& y, int& step) const {
  step = 0;
  if (upright_) {
    double whole = std::floor(originX);
    step = static_cast<int>((originX - whole) * kSubpixelSteps + 0.5);
    if (step >= kSubpixelSteps) {
      whole += 1;
      step = 0;
    }
    x = static_cast<int>(whole);
  } else {
    x = static_cast<int>(std::lround(originX));
  }
  y = static_cast<int>(std::lround(originY));
}

bool GlyphPainter::drawCached(uint32_t key, double originX, double originY) {
  if (!ready_ || outline_) return false;
  // Off the target nothing is drawn; drawGlyph then skips it after its width is learnt.
  if (!(std::fabs(originX) < kMaxDevicePosition && std::fabs(originY) < kMaxDevicePosition))
    return false;
  if (!mayTouchTarget(originX, originY)) return false;
  int x, y, step;
  place(originX, originY, x, y, step);
  auto it = font_.glyphCacheIndex.find(key * kSubpixelSteps + uint32_t(step));
  if (it == font_.glyphCacheIndex.end()) return false;
  paint(font_.glyphCache[static_cast<std::size_t>(it->second)], x, y);
  return true;
}

void GlyphPainter::drawGlyph(uint32_t key, uint32_t glyph, double originX, double originY) {
  if (!ready_ || glyph == 0) return;
  if (!(std::fabs(originX) < kMaxDevicePosition && std::fabs(originY) < kMaxDevicePosition)) return;
  if (!mayTouchTarget(originX, originY)) return;
  if (outline_) {
    fillOutline(glyph, originX, originY);
    return;
  }
  int x, y, step;
  place(originX, originY, x, y, step);
  const uint32_t cacheKey = key * kSubpixelSteps + uint32_t(step);
  const std::size_t used = font_.glyphCacheIndex.size();
  if (used < static_cast<std::size_t>(S_FixedPosSize_Font::kGlyphCacheSlots)) {
    if (used >= font_.glyphCache.size()) font_.glyphCache.resize(used + 1);
    GlyphCacheSlot& slot = font_.glyphCache[used];
    renderInto(glyph, step, slot);
    slot.key = cacheKey;
    font_.glyphCacheIndex.emplace(cacheKey, static_cast<int32_t>(used));
    paint(slot, x, y);
  } else {
    // Every slot is taken: draw this one once.
    GlyphCacheSlot slot;
    renderInto(glyph, step, slot);
    paint(slot, x, y);
  }
}

bool GlyphPainter::renderInto(uint32_t glyph, int subpixelStep, GlyphCacheSlot& slot) {
  slot.used = true;
  slot.left = slot.top = slot.width = slot.rows = 0;
  slot.coverage.clear();
  FT_Face face = font_.face->get();
  if (!face) return false;
  FT_Matrix matrix{matrix_[0], matrix_[1], matrix_[2], matrix_[3]};
  FT_Vector delta{subpixelStep * kFixed6 / kSubpixelSteps, 0};
  FT_Set_Transform(face, &matrix, &delta);
  FT_Error error = FT_Load_Glyph(face, glyph, FT_LOAD_NO_HINTING | FT_LOAD_NO_BITMAP);
  if (error == 0) error = FT_Render_Glyph(face->glyph, FT_RENDER_MODE_NORMAL);
  FT_Set_Transform(face, nullptr, nullptr);
  if (error != 0) return false;
  const FT_Bitmap& bitmap = face->glyph->bitmap;
  const bool grey = bitmap.pixel_mode == FT_PIXEL_MODE_GRAY;
  const bool mono = bitmap.pixel_mode == FT_PIXEL_MODE_MONO;
  if ((!grey && !mono) || !bitmap.buffer || bitmap.width == 0 || bitmap.rows == 0) return false;
  const int64_t bytes = int64_t(bitmap.width) * bitmap.rows;
  if (bytes > kMaxBitmapBytes) return false;
  const int width = static_cast<int>(bitmap.width), rows = static_cast<int>(bitmap.rows);
  const int pitch = bitmap.pitch;
  slot.coverage.resize(static_cast<std::size_t>(bytes));
  for (int r = 0; r < rows; ++r) {
    const unsigned char* source =
        pitch >= 0 ? bitmap.buffer + std::ptrdiff_t(r) * pitch
                   : bitmap.buffer + std::ptrdiff_t(rows - 1 - r) * -std::ptrdiff_t(pitch);
    uint8_t* target = slot.coverage.data() + std::ptrdiff_t(r) * width;
    if (grey) {
      std::copy(source, source + width, target);
    } else {
      for (int c = 0; c < width; ++c) target[c] = (source[c >> 3] & (0x80 >> (c & 7))) ? 255 : 0;
    }
  }
  slot.left = face->glyph->bitmap_left;
  slot.top = face->glyph->bitmap_top;
  slot.width = width;
  slot.rows = rows;
  return true;
}

void GlyphPainter::paint(const GlyphCacheSlot& slot, int x, int y) {
  if (slot.width <= 0 || slot.rows <= 0 || slot.coverage.empty()) return;
  gfx::CoverageMask mask{slot.coverage.data(), slot.width, slot.rows, slot.width};
  device_->drawGlyphMask(mask, x + slot.left, y - slot.top, colour_);
}

void GlyphPainter::fillOutline(uint32_t glyph, double originX, double originY) {
  gfx::GraphicsPath path;
  bool evenOdd = false;
  const std::array<double, 6> emToDevice{transform_[0], transform_[1], transform_[2],
                                         transform_[3], originX,       originY};
  if (!addOutline(font_.face->get(), glyph, emToDevice, path, &evenOdd)) return;
  if (path.isEmpty()) return;
  path.setFillMode(evenOdd ? gfx::FillMode::Alternate : gfx::FillMode::Winding);
  const gfx::Matrix saved = device_->transform();
  device_->setTransform(gfx::Matrix());
  device_->fillPath(gfx::SolidBrush(colour_), path);
  device_->setTransform(saved);
}

bool GlyphPainter::appendOutline(uint32_t glyph, double originX, double originY,
                                 const std::array<double, 6>& emToPath, gfx::GraphicsPath& path,
                                 bool beyondTarget) {
  if (!outlinesUsable_ || glyph == 0) return false;
  if (!(std::fabs(originX) < kMaxDevicePosition && std::fabs(originY) < kMaxDevicePosition))
    return false;
  if (!beyondTarget && !(ready_ && mayTouchTarget(originX, originY))) return false;
  return addOutline(font_.face->get(), glyph, emToPath, path);
}

void GlyphPainter::learnWidth(S_FixedPosSize_Font& font, uint32_t key, uint32_t glyph) {
  if (!font.face || glyph == 0 || font.width(key) != S_FixedPosSize_Font::kNoWidth) return;
  FT_Face face = font.face->get();
  if (!face || face->units_per_EM == 0) return;
  FT_Set_Transform(face, nullptr, nullptr);
  if (FT_Load_Glyph(face, glyph, FT_LOAD_NO_SCALE) != 0) return;
  font.setWidth(key, double(face->glyph->metrics.horiAdvance) / (face->units_per_EM * 0.001));
}
