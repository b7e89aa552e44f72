#pragma once
// TextShower: one string-showing operation (TJ, and through it Tj, ' and "): the advance of
// every code, its glyph drawn in the text colour, and the collection of its Unicode text for
// search and copy.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "engine/document/pdf_object.h"
#include "engine/layout/collected_glyph.h"
#include "engine/render/pdf_draw.h"

struct S_FixedPosSize_Font;
class GlyphPainter;

class TextShower {
 public:
  // Records a page collects at most; later text of the page is drawn but not collected.
  static constexpr std::size_t kMaxCollectedGlyphs = 4'000'000;
  static constexpr double kPi = 3.14159265359;
  // Snapping orientations near right angles to the right angle (off in ordinary viewing).
  static constexpr bool kSnapRightAngles = false;

  struct Orientation {
    int32_t degrees = 0;
    bool rotated = false;
  };

  explicit TextShower(C_PDF_Draw& draw) : draw_(draw) {}

  // Shows a TJ array: strings and numeric adjustments.
  void show(const PdfObject& array);

  // The orientation of text under M = Tm × CTM (device space, y downwards).
  static Orientation orientationOf(const TextMatrix& m, bool snapRightAngles);

 private:
  struct ShowContext;

  // Shows one string; true when the numbers after it were applied to its last code.
  bool showString(ShowContext& context, const std::string& bytes, double adjustment);
  // Moves the text matrix by tx along the baseline.
  void advance(double tx);
  void collect(const ShowContext& context, const std::u16string& text, double originX,
               double originY, double w0, double wordSpacing);

  C_PDF_Draw& draw_;
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

// Draws a code of a Type 3 font by running its glyph procedure in glyph space (the glyph matrix,
// then the font's FontMatrix); nothing is collected as text inside it. Codes without a procedure
// draw nothing; their width still advances the text and their own text is still collected.
void drawType3Glyph(C_PDF_Draw& draw, S_FixedPosSize_Font& font, uint8_t code);
