#include "engine/render/text_shower.h"

#include <algorithm>
#include <cmath>
#include <new>
#include <numbers>
#include <optional>

#include "engine/fonts/fixed_pos_size_font.h"
#include "engine/fonts/global_resource_font.h"
#include "engine/fonts/glyph_lookup.h"
#include "engine/fonts/unicode_mapping.h"
#include "engine/fonts/vertical_forms.h"
#include "engine/render/devices/glyph_painter.h"
#include "engine/render/pdf_creator.h"
#include "engine/render/render_context.h"
#include "platform/graphics/graphics.h"
#include "platform/graphics/graphics_path.h"

namespace gfx = brevia::gfx;

namespace {

constexpr int32_t kInvisible = 3;
// Render modes that fill, stroke and add the glyphs to the clip (modes beyond 7 fill).
bool modeFills(int32_t mode) { return mode != 1 && mode != 3 && mode != 5 && mode != 7; }
bool modeStrokes(int32_t mode) { return mode == 1 || mode == 2 || mode == 5 || mode == 6; }
bool modeClips(int32_t mode) { return mode >= 4 && mode <= 7; }
// Orientations this close (in degrees) to a right angle count as that angle when snapping.
constexpr int kSnapDegrees = 3;
constexpr char16_t kSpace = 0x0020;
constexpr char16_t kNoBreakSpace = 0x00A0;

int32_t snapped(int32_t degrees, bool snapRightAngles) {
  if (std::abs(degrees) <= kSnapDegrees) return 0;
  if (snapRightAngles) {
    for (int32_t angle : {270, 90, 180})
      if (std::abs(degrees - angle) <= kSnapDegrees) return angle;
  }
  return degrees;
}

}  // namespace

struct TextShower::ShowContext {
  S_FixedPosSize_Font* font = nullptr;
  double fontSize = 0;
  double scaling = 1;
  double charSpacing = 0;
  double wordSpacing = 0;
  double rise = 0;
  int32_t renderMode = 0;
  TextMatrix ctm;
  // sqrt(|det(Tm × CTM)|): device pixels per text-space unit.
  double scale = 1;
  Orientation orientation;
  // A Type0 font written top to bottom.
  bool vertical = false;
  uint32_t colour = 0xFF000000;
  gfx::RectF clip = gfx::kInfiniteRect;
  std::optional<GlyphPainter> painter;
  // Where glyphs are filled (null while text is only scanned), and how.
  Device* device = nullptr;
  GlyphFill fill;
  // Glyphs filled as bitmaps in the text colour; the others that show are drawn as outlines.
  bool fillBitmaps = false;
  bool fillOutlines = false;
  bool strokeOutlines = false;
  bool clipOutlines = false;
  bool outlines() const { return fillOutlines || strokeOutlines || clipOutlines; }
  // Ems to user space of the current glyph, without its origin.
  std::array<double, 4> emToUser{1, 0, 0, 1};
  // The outlines of the operation's glyphs in user space, painted when it ends.
  brevia::gfx::GraphicsPath outline{brevia::gfx::FillMode::Winding};
};

TextShower::Orientation TextShower::orientationOf(const TextMatrix& m, bool snapRightAngles) {
  // Upright text, the common case: both angles below are zero then (of either sign), which
  // comes to 0 degrees, not rotated, without the arctangents.
  if (m.b == 0 && m.c == 0 && m.a > 0 && m.d < 0) return Orientation{};
  const double toDegrees = 180.0 / std::numbers::pi;
  const double a1 = std::atan2(-m.b, m.a) * toDegrees;
  const double a2 = std::atan2(-m.c, -m.d) * toDegrees;
  Orientation o;
  if (std::fabs(a1 - a2) < 3) {
    double average = (a1 + a2) / 2;
    if (average < -2) average += 360;
    o.degrees = snapped(static_cast<int32_t>(average + 0.5), snapRightAngles);
    o.rotated = o.degrees > 0;
  } else if (std::fabs(a1) < 1 && std::fabs(a2) < 30) {
    o.degrees = 0;
  } else if (std::fabs(a1 - a2) <= 90) {
    o.rotated = true;
    double average = (a1 + a2) / 2;
    if (average < 0) average += 360;
    o.degrees = static_cast<int32_t>(average + 0.5);
  } else {
    o.degrees = snapped(static_cast<int32_t>(a1), snapRightAngles);
  }
  if (!snapRightAngles) o.rotated = false;
  return o;
}

void TextShower::advance(double tx) {
  if (!std::isfinite(tx)) return;
  draw_.text().matrix = TextMatrix{1, 0, 0, 1, tx, 0}.times(draw_.text().matrix);
}

void TextShower::advanceVertically(double ty) {
  if (!std::isfinite(ty)) return;
  draw_.text().matrix = TextMatrix{1, 0, 0, 1, 0, ty}.times(draw_.text().matrix);
}

void TextShower::adjust(const ShowContext& c, double number) {
  // A TJ number moves along the writing direction; horizontal scaling only applies across.
  if (c.vertical) {
    advanceVertically(-number / 1000 * c.fontSize);
  } else {
    advance(-number / 1000 * c.fontSize * c.scaling);
  }
}

void TextShower::show(const PdfObject& array) {
  GraphicsState& state = draw_.state();
  S_FixedPosSize_Font* font = state.font;
  if (!font || !array.isArray()) return;
  draw_.creator().context().fonts().touch(*font);
  Device* graphics = draw_.painter();

  ShowContext c;
  c.font = font;
  c.fontSize = state.fontSize;
  c.scaling = state.horizontalScaling;
  c.charSpacing = state.charSpacing;
  c.wordSpacing = state.wordSpacing;
  c.rise = state.rise;
  c.renderMode = state.renderMode;
  const gfx::Matrix& ctm = state.ctm;
  c.ctm = TextMatrix{ctm.m11(), ctm.m12(), ctm.m21(), ctm.m22(), ctm.dx(), ctm.dy()};
  const TextMatrix& tm = draw_.text().matrix;
  TextMatrix m = tm.times(c.ctm);
  c.scale = std::sqrt(std::fabs(m.a * m.d - m.c * m.b));
  if (c.fontSize < 0) m.d = -m.d;
  c.orientation = orientationOf(m, kSnapRightAngles);
  c.vertical = font->kind == FontKind::Type0 && font->vertical;
  const double pixelSize = std::fabs(c.fontSize) * std::max(c.scaling, 1.0) * c.scale;
  c.colour = state.fillArgb;

  if (draw_.flags().restrictedText) {
    bool controlFirst = false;
    for (const PdfObject& e : array.elements) {
      if (e.isString()) {
        controlFirst = e.text.size() == 1 && static_cast<uint8_t>(e.text[0]) < 32;
        break;
      }
    }
    if (!c.orientation.rotated && !(c.orientation.degrees > 0 && controlFirst)) return;
  }
  c.clip = draw_.space().deviceClipBounds();

  if (font->kind != FontKind::Type3) {
    // Device pixels per em of glyph space: diag(Tfs·Th, Tfs) × Tm × CTM, without translations.
    const double sx = c.fontSize * c.scaling, sy = c.fontSize;
    const TextMatrix glyph{sx * tm.a, sx * tm.b, sy * tm.c, sy * tm.d, 0, 0};
    const TextMatrix device = glyph.times(c.ctm);
    c.painter.emplace(graphics, *font,
                      std::array<double, 4>{device.a, device.b, device.c, device.d}, pixelSize,
                      c.colour);
    c.device = graphics;
    c.fill.font = font;
    c.fill.transform = {device.a, device.b, device.c, device.d};
    c.fill.pixelSize = pixelSize;
    c.fill.colour = c.colour;
    const int32_t mode = c.renderMode;
    const bool patternFill = draw_.fillsWithPattern();
    c.fillBitmaps = modeFills(mode) && !patternFill;
    c.fillOutlines = graphics && modeFills(mode) && patternFill;
    c.strokeOutlines = graphics && modeStrokes(mode);
    // Also while text is only scanned, so that the text kept under the clip is the same.
    c.clipOutlines = modeClips(mode);
    c.emToUser = {glyph.a, glyph.b, glyph.c, glyph.d};
    if (c.clipOutlines && c.painter->outlinesUsable()) draw_.beginTextClip();
  }

  const std::vector<PdfObject>& e = array.elements;
  std::size_t i = 0;
  double leading = 0;
  while (i < e.size() && e[i].isNumber()) leading += e[i++].realValue();
  adjust(c, leading);
  while (i < e.size()) {
    if (!e[i].isString()) {
      if (e[i].isNumber()) adjust(c, e[i].realValue());
      ++i;
      continue;
    }
    std::size_t next = i + 1;
    double adjustment = 0;
    while (next < e.size() && e[next].isNumber()) adjustment += e[next++].realValue();
    if (!showString(c, e[i].text, adjustment)) {
      for (std::size_t k = i + 1; k < next; ++k) adjust(c, e[k].realValue());
    }
    i = next;
  }
  if (!c.outline.isEmpty()) {
    if (c.fillOutlines || c.strokeOutlines)
      draw_.paintTextOutlines(c.outline, c.fillOutlines, c.strokeOutlines);
    if (c.clipOutlines) draw_.addTextClip(c.outline);
  }
}

bool TextShower::showString(ShowContext& c, const std::string& text, double adjustment) {
  S_FixedPosSize_Font& font = *c.font;
  const auto* bytes = reinterpret_cast<const uint8_t*>(text.data());
  const auto size = static_cast<int32_t>(std::min<std::size_t>(text.size(), INT32_MAX));
  bool consumed = false;
  int32_t position = 0;
  while (position < size) {
    int length = 1;
    if (font.kind == FontKind::None) {
      ++position;
      continue;
    }
    if (font.kind == FontKind::Type0) {
      length =
          font.encodingCMap ? font.encodingCMap->codeLength(bytes + position, size - position) : 0;
      if (length <= 0 || length > size - position) {
        ++position;
        continue;
      }
    }
    const uint8_t* code = bytes + position;
    const bool last = position + length == size;

    uint32_t key = code[0];
    bool cidFound = true;
    if (font.kind == FontKind::Type0) {
      uint16_t cid = 0;
      cidFound = font.encodingCMap && font.encodingCMap->toCID(code, length, length, cid);
      key = cidFound ? cid : cidOfCode(font, code, length);
    }

    // Trm' = [Tfs·Th 0; 0 Tfs; 0 Ts] × Tm.
    const TextMatrix& tm = draw_.text().matrix;
    const TextMatrix glyphSpace{c.fontSize * c.scaling, 0, 0, c.fontSize, 0, c.rise};
    draw_.text().glyph = glyphSpace.times(tm);
    std::optional<VerticalPlace> place;
    if (c.vertical) place = placeVertically(c, key, cidFound, code, length);
    const TextMatrix& trm = draw_.text().glyph;
    const double originX = trm.e * c.ctm.a + trm.f * c.ctm.c + c.ctm.e;
    const double originY = trm.e * c.ctm.b + trm.f * c.ctm.d + c.ctm.f;
    try {
      if (font.kind == FontKind::Type3) {
        if (c.renderMode != kInvisible) drawType3Glyph(draw_, font, code[0]);
      } else if (c.painter) {
        {
          const uint32_t glyph = font.kind == FontKind::Type0
                                     ? glyphForCid(font, static_cast<uint16_t>(key), code, length)
                                     : glyphForCode(font, code[0]);
          GlyphPainter::learnWidth(font, key, glyph);
          if (c.fillBitmaps && c.device) {
            c.fill.key = key;
            c.fill.glyph = glyph;
            c.fill.originX = originX;
            c.fill.originY = originY;
            c.device->fillGlyph(c.fill);
          }
          if (c.outlines()) {
            const std::array<double, 6> emToUser{c.emToUser[0], c.emToUser[1], c.emToUser[2],
                                                 c.emToUser[3], trm.e,         trm.f};
            c.painter->appendOutline(glyph, originX, originY, emToUser, c.outline, c.clipOutlines);
          }
        }
      }
    } catch (const std::bad_alloc&) {
      // The glyph is skipped; its advance and text still count.
    }

    double width = cidFound ? font.width(key) : 0;
    if (width == S_FixedPosSize_Font::kNoWidth) width = 1000;
    const double w0 = font.kind == FontKind::Type3 && font.type3 ? width * font.type3->fontMatrix[0]
                                                                 : width / 1000;
    std::u16string unicode;
    unicodeOfCode(font, code, length, unicode);
    // A column's punctuation may come as its vertical form; search and copy read the ordinary
    // character.
    if (c.vertical)
      for (char16_t& unit : unicode) unit = vertical_forms::ordinaryFormOf(unit);
    bool fromActualText = false;
    if (draw_.text().actualTextActive) {
      fromActualText = !unicode.empty() || !draw_.text().actualText.empty();
      std::u16string& actual = draw_.text().actualText;
      if (!unicode.empty()) {
        const std::size_t take = std::min(unicode.size(), actual.size());
        unicode.assign(actual, 0, take);
        actual.erase(0, take);
      } else if (!actual.empty()) {
        unicode.assign(1, actual.front());
        actual.erase(0, 1);
      }
    }
    // Code 32 of a Type 3 font is its space whatever its glyph is named.
    const bool space =
        (unicode.size() == 1 && (unicode[0] == kSpace || unicode[0] == kNoBreakSpace)) ||
        (font.kind == FontKind::Type3 && length == 1 && code[0] == ' ');
    const double wordSpacing = space ? c.wordSpacing : 0;
    const double adj = last ? adjustment : 0;
    consumed = consumed || last;
    if (place) {
      // Top to bottom: ty = (w1 − adj/1000) × Tfs + Tc + Tw, w1 negative downwards.
      const double w1 = place->advance / 1000;
      const double ty = (w1 - adj / 1000) * c.fontSize + c.charSpacing + wordSpacing;
      if (!unicode.empty())
        collect(c, unicode, fromActualText, place->lineX, place->lineY,
                -(w1 * c.fontSize + wordSpacing), (c.orientation.degrees + 270) % 360);
      advanceVertically(ty);
      position += length;
      continue;
    }
    const double tx = ((w0 - adj / 1000) * c.fontSize + c.charSpacing + wordSpacing) * c.scaling;
    if (!unicode.empty())
      collect(c, unicode, fromActualText, originX, originY,
              (w0 * c.fontSize + wordSpacing) * c.scaling, c.orientation.degrees);
    advance(tx);
    position += length;
  }
  return consumed;
}

TextShower::VerticalPlace TextShower::placeVertically(const ShowContext& c, uint32_t key,
                                                      bool cidFound, const uint8_t* code,
                                                      int length) {
  S_FixedPosSize_Font& font = *c.font;
  // Half the horizontal width places a glyph W2 leaves out: its width must be known first.
  if (cidFound && font.width(key) == S_FixedPosSize_Font::kNoWidth)
    GlyphPainter::learnWidth(font, key,
                             glyphForCid(font, static_cast<uint16_t>(key), code, length));
  double w0 = cidFound ? font.width(key) : 0;
  if (w0 == S_FixedPosSize_Font::kNoWidth) w0 = 1000;
  const VerticalMetrics::Metric metric = font.verticalMetrics.of(static_cast<uint16_t>(key), w0);

  // The glyph's text line runs down through its vertical origin; the records of the line keep
  // their baseline a quarter em left of it, so that their boxes straddle the column.
  const TextMatrix& upright = draw_.text().glyph;
  constexpr double kLineOffsetEm = 0.25;
  const double x = upright.e - kLineOffsetEm * upright.a;
  const double y = upright.f - kLineOffsetEm * upright.b;
  VerticalPlace place;
  place.advance = metric.advance;
  place.lineX = x * c.ctm.a + y * c.ctm.c + c.ctm.e;
  place.lineY = x * c.ctm.b + y * c.ctm.d + c.ctm.f;
  // Drawn from the vertical origin minus the position vector.
  draw_.text().glyph =
      TextMatrix{1, 0, 0, 1, -metric.vx / 1000, -metric.vy / 1000}.times(draw_.text().glyph);
  return place;
}

void TextShower::collect(const ShowContext& c, const std::u16string& text, bool fromActualText,
                         double originX, double originY, double advance, int32_t orientation) {
  Device* device = draw_.textDevice();
  if (!device) return;
  TextShow show;
  show.renderMode = c.renderMode;
  show.rotated = c.orientation.rotated;
  show.inGlyphProcedure = draw_.text().type3Depth > 0;
  ShownGlyph& shown = show.glyph;
  shown.text = text;
  shown.actualText = fromActualText;
  shown.originX = originX;
  shown.originY = originY;
  shown.advance = advance * c.scale;
  shown.height = c.font->kind == FontKind::Type3 ? c.scaling * shown.advance
                                                 : c.fontSize * c.scaling * c.scale;
  shown.orientation = orientation;
  shown.clipLeft = c.clip.x;
  shown.clipTop = c.clip.y;
  shown.clipRight = c.clip.right();
  shown.clipBottom = c.clip.bottom();
  shown.sequence = draw_.operatorSequence();
  shown.colour = c.colour;
  shown.font = c.font;
  device->showText(show);
}
