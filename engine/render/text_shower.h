#pragma once
// TextShower: one string-showing operation (TJ, and through it Tj, ' and "): the advance of
// every code, its glyph drawn in the text colour when there is a painter, and its Unicode text
// handed to the page's text collector when there is one.

#include <cstddef>
#include <cstdint>
#include <string>

#include "engine/document/pdf_object.h"
#include "engine/render/pdf_draw.h"

struct S_FixedPosSize_Font;
class GlyphPainter;

class TextShower {
 public:
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
  // Where a glyph written top to bottom goes: its advance (glyph space, negative downwards) and
  // the device point its text line is recorded from.
  struct VerticalPlace {
    double advance = 0;
    double lineX = 0;
    double lineY = 0;
  };

  // Moves the text matrix by tx along the baseline.
  void advance(double tx);
  // Moves the text matrix by ty up the text space (down the column when negative).
  void advanceVertically(double ty);
  // Applies a TJ number along the writing direction.
  void adjust(const ShowContext& context, double number);
  // Moves the glyph matrix of a code of a vertical font to where its glyph is drawn from.
  VerticalPlace placeVertically(const ShowContext& context, uint32_t key, bool cidFound,
                                const uint8_t* code, int length);
  // advance: text-space length along the writing direction (width and word spacing).
  void collect(const ShowContext& context, const std::u16string& text, bool fromActualText,
               double originX, double originY, double advance, int32_t orientation);

  C_PDF_Draw& draw_;
};

// Draws a code of a Type 3 font by running its glyph procedure in glyph space (the glyph matrix,
// then the font's FontMatrix); nothing is collected as text inside it. Codes without a procedure
// draw nothing; their width still advances the text and their own text is still collected.
void drawType3Glyph(C_PDF_Draw& draw, S_FixedPosSize_Font& font, uint8_t code);
