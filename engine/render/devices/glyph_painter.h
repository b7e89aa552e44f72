#pragma once
// GlyphPainter: draws the glyphs of one show operation through FreeType coverage bitmaps, painted
// as masks in the text colour, and keeps them in the font's glyph cache. Glyphs too large for a
// bitmap are filled as outlines.

#include <array>
#include <cstdint>

#include "engine/fonts/fixed_pos_size_font.h"

class Device;
namespace brevia::gfx {
class GraphicsPath;
}  // namespace brevia::gfx

class GlyphPainter {
 public:
  // Glyphs whose em spans more device pixels than this are filled as outlines.
  static constexpr double kMaxBitmapPixels = 1024;
  // Glyphs larger still cover any page many times over and are not drawn.
  static constexpr double kMaxOutlinePixels = 1 << 20;
  // Character sizes below one pixel are rendered at one pixel and scaled down.
  static constexpr double kMinCharPixels = 1;
  // Horizontal positions per pixel of upright glyphs.
  static constexpr int kSubpixelSteps = 4;
  // Glyphs reach at most this many ems from their origin (flourishes, wide bounding boxes).
  static constexpr double kGlyphReachEms = 4;
  // Glyph bitmaps larger than this are not rendered.
  static constexpr int64_t kMaxBitmapBytes = 16 * 1024 * 1024;

  // transform: device pixels per em of glyph space (a b c d, y downwards, row vectors);
  // pixelSize: the character size the face is set to; colour: ARGB of the text. device: where
  // the glyphs are painted; null when nothing is painted (outlines can still be taken).
  GlyphPainter(Device* device, S_FixedPosSize_Font& font, const std::array<double, 4>& transform,
               double pixelSize, uint32_t colour);

  // Draws the cached glyph of key (the code of a simple font, the CID of a Type0 font) with its
  // origin at device (originX, originY); false when it is not cached or lies off the target.
  bool drawCached(uint32_t key, double originX, double originY);
  // Renders glyph (an index in the face), caches it under key and draws it.
  void drawGlyph(uint32_t key, uint32_t glyph, double originX, double originY);

  // Adds the outline of glyph (origin at device (originX, originY)) to path, mapped from ems by
  // emToPath (a b c d e f, row vectors), for text that is stroked, clipped or filled with a
  // pattern; false when there is no outline, or it cannot touch the target unless beyondTarget
  // (a clip is the same whatever part of the page is drawn, and also without a target).
  bool appendOutline(uint32_t glyph, double originX, double originY,
                     const std::array<double, 6>& emToPath, brevia::gfx::GraphicsPath& path,
                     bool beyondTarget);

  // When the font gives no width for key, takes the glyph's advance from the face.
  static void learnWidth(S_FixedPosSize_Font& font, uint32_t key, uint32_t glyph);

  bool canDraw() const { return ready_; }
  // Outlines can be taken (with or without a target).
  bool outlinesUsable() const { return outlinesUsable_; }

 private:
  // False when a glyph at this origin cannot touch the target bitmap.
  bool mayTouchTarget(double originX, double originY) const;
  // The pixel the bitmap's origin lands on and the subpixel step of the rest.
  void place(double originX, double originY, int& x, int& y, int& step) const;
  bool renderInto(uint32_t glyph, int subpixelStep, GlyphCacheSlot& slot);
  void paint(const GlyphCacheSlot& slot, int x, int y);
  void fillOutline(uint32_t glyph, double originX, double originY);

  Device* device_;
  S_FixedPosSize_Font& font_;
  std::array<double, 4> transform_;
  uint32_t colour_;
  bool ready_ = false;
  bool outlinesUsable_ = false;
  bool outline_ = false;
  bool upright_ = false;
  // How far from its origin a glyph may reach, in device pixels.
  double reach_ = 0;
  // FreeType's transform (16.16) from the set character size to device pixels, y upwards.
  long matrix_[4] = {0, 0, 0, 0};
};
