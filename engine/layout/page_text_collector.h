#pragma once
// PageTextCollector: the text side of drawing a page. The interpreter hands it one plain record
// per shown code; it places the code's units along the advance, keeps those inside the clip, and
// at the end of the page orders them along their baselines and builds the PageTextLayout that
// search, selection and copy read.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string_view>
#include <vector>

#include "engine/layout/collected_glyph.h"

class PageTextLayout;
struct S_FixedPosSize_Font;

// One shown code, in device pixels (y downwards) unless said otherwise.
struct ShownGlyph {
  // The Unicode text of the code, ActualText already put in its place; empty codes are not
  // handed over.
  std::u16string_view text;
  // True when text came from marked content's ActualText rather than from the font.
  bool actualText = false;
  // Origin on the baseline.
  double originX = 0;
  double originY = 0;
  // Advance along the baseline: the glyph's width and word spacing, without character spacing
  // and TJ adjustments.
  double advance = 0;
  // Height of the glyph box above the baseline.
  double height = 0;
  // Degrees anticlockwise; the units are laid out along this direction.
  int32_t orientation = 0;
  // Bounds of the clip when the code was shown.
  double clipLeft = 0, clipTop = 0, clipRight = 0, clipBottom = 0;
  // Sequence number of the showing operator within the drawing.
  int32_t sequence = 0;
  // Text colour (ARGB) and the font itself (only compared, never read).
  uint32_t colour = 0;
  const S_FixedPosSize_Font* font = nullptr;
};

class PageTextCollector {
 public:
  // Records a page collects at most; later text of the page is not collected.
  static constexpr std::size_t kMaxCollectedGlyphs = 4'000'000;
  // Records far beyond any page (in page units) say nothing of where text is.
  static constexpr double kMaxExtent = 1e9;

  // Room for this many records is kept from page to page; a larger page's is given back.
  static constexpr std::size_t kKeptCapacity = 1 << 16;

  // pixelsPerUnit: device pixels per page unit (points at zoom 1).
  explicit PageTextCollector(double pixelsPerUnit = 1);

  // Starts a page afresh (one collector serves page after page without allocating again).
  void begin(double pixelsPerUnit);

  void add(const ShownGlyph& glyph);
  // The records so far, in page units, in drawing order.
  const std::vector<CollectedGlyph>& glyphs() const { return glyphs_; }
  // Orders the records along their baselines and builds layout from them.
  void finish(PageTextLayout& layout);

 private:
  double pixelsPerUnit_;
  std::vector<CollectedGlyph> glyphs_;
};

// Reorders the page's records so that those on one baseline (within 1 page unit) run by their
// horizontal centre, as an insertion pass that looks back at most kMaxReorderDistance records.
inline constexpr std::size_t kMaxReorderDistance = 4096;
void orderAlongBaselines(std::vector<CollectedGlyph>& glyphs);

// Called with each page's records, ordered, just before they go to the page text layout (for
// tests and diagnostics; none by default).
using PageTextObserver = std::function<void(const std::vector<CollectedGlyph>&)>;
void setPageTextObserver(PageTextObserver observer);
const PageTextObserver& pageTextObserver();
