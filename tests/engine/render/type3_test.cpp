// Type 3 glyphs: procedures run in glyph space through the interpreter.

#include <gtest/gtest.h>

#include "tests/engine/render/page_fixture.h"

using testing_pdf::PdfBuilder;
using testing_render::drawContent;

namespace {

constexpr uint32_t kWhite = 0xFFFFFFFF;

std::string zeros(int n) {
  std::string out;
  for (int i = 0; i < n; ++i) out += "0 ";
  return out;
}

PdfBuilder type3Font(const std::string& extraProcs = "") {
  PdfBuilder b;
  b.set(5, "<< /Font << /T3 6 0 R >> >>");
  b.set(
      6,
      "<< /Type /Font /Subtype /Type3 /FontBBox [0 0 1000 1000] /FontMatrix [0.001 0 0 0.001 0 0] "
      "/CharProcs << /sq 7 0 R /red 8 0 R /deep 9 0 R " +
          extraProcs +
          " >> "
          "/Encoding << /Type /Encoding /Differences [65 /sq /red /none /deep] >> "
          "/FirstChar 65 /LastChar 68 /Widths [1000 1000 500 1000] /Resources 5 0 R >>");
  b.setStream(7, "", "1000 0 0 0 1000 1000 d1 0 0 1000 1000 re f");
  b.setStream(8, "", "1000 0 0 0 1000 1000 d1 1 0 0 rg 0 0 1000 1000 re f");
  // A procedure that shows its own font again.
  b.setStream(9, "", "1000 0 d0 BT /T3 1 Tf (D) Tj ET 0 0 500 500 re f");
  return b;
}

TEST(Type3Glyphs, ProceduresDrawInGlyphSpace) {
  // A 1000-unit square at size 12 is a 12-unit square.
  auto page =
      drawContent("BT /T3 12 Tf 10 10 Td (A) Tj ET", 200, 100, "/Resources 5 0 R", type3Font());
  EXPECT_EQ(page.at(11, 88), 0xFF000000u);
  EXPECT_EQ(page.at(21, 80), 0xFF000000u);
  EXPECT_EQ(page.at(23, 88), kWhite);
  EXPECT_EQ(page.at(11, 76), kWhite);
  // A d1 procedure is a shape: the colour it sets is ignored and it takes the text colour.
  auto shape = drawContent("0 0 1 rg BT /T3 12 Tf 10 10 Td (B) Tj ET", 200, 100, "/Resources 5 0 R",
                           type3Font());
  EXPECT_EQ(shape.at(15, 85), 0xFF0000FFu);
  // A code whose name has no procedure draws nothing but advances by its width (500 × 0.001 ×
  // 12 = 6), so the next glyph starts 6 units later.
  auto gap =
      drawContent("BT /T3 12 Tf 10 10 Td (CA) Tj ET", 200, 100, "/Resources 5 0 R", type3Font());
  EXPECT_EQ(gap.at(13, 85), kWhite);
  EXPECT_EQ(gap.at(19, 85), 0xFF000000u);
  // Glyphs that show themselves stop at a depth limit.
  auto deep = drawContent("BT /T3 12 Tf 10 10 Td (D) Tj ET 1 0 0 rg 150 0 10 10 re f", 200, 100,
                          "/Resources 5 0 R", type3Font());
  EXPECT_EQ(deep.at(155, 95), 0xFFFF0000u);
}

TEST(Type3Glyphs, ColouredGlyphsSpacesAndGlyphsOfOtherType3Fonts) {
  PdfBuilder b = type3Font("/own 10 0 R /space 11 0 R /inner 12 0 R");
  // E: a d0 procedure with its own colour; F: a procedure showing a glyph of another Type 3
  // font (U, in the font's own resources); code 32 is named "space" but has no character name
  // the glyph list knows as a space.
  b.set(6,
        "<< /Type /Font /Subtype /Type3 /FontBBox [0 0 1000 1000] /FontMatrix [0.001 0 0 0.001 0 "
        "0] /CharProcs << /sq 7 0 R /own 10 0 R /gap 11 0 R /inner 12 0 R >> "
        "/Encoding << /Type /Encoding /Differences [32 /gap 65 /sq 69 /own /inner] >> "
        "/FirstChar 32 /LastChar 70 /Widths [500 " +
            zeros(32) + "1000 0 0 0 1000 1000] /Resources 5 0 R >>");
  b.set(5, "<< /Font << /T3 6 0 R /U 13 0 R >> >>");
  b.setStream(10, "", "1000 0 d0 1 0 0 rg 0 0 1000 1000 re f");
  b.setStream(11, "", "500 0 d0");
  b.setStream(12, "", "1000 0 d0 BT /U 1000 Tf 0 0 Td (A) Tj ET");
  b.set(13,
        "<< /Type /Font /Subtype /Type3 /FontBBox [0 0 1000 1000] /FontMatrix [0.001 0 0 0.001 0 "
        "0] /CharProcs << /half 14 0 R >> /Encoding << /Differences [65 /half] >> "
        "/FirstChar 65 /LastChar 65 /Widths [1000] >>");
  b.setStream(14, "", "1000 0 0 0 1000 500 d1 0 0 1000 500 re f");
  auto page = drawContent("0 0 1 rg BT /T3 12 Tf 10 Tw 10 10 Td (E A F) Tj ET", 200, 100,
                          "/Resources 5 0 R", b);
  // E keeps its red.
  EXPECT_EQ(page.at(15, 85), 0xFFFF0000u);
  // The space advances by 6 and by the word spacing: A starts at 10 + 12 + 6 + 10.
  EXPECT_EQ(page.at(36, 85), kWhite);
  EXPECT_EQ(page.at(39, 85), 0xFF0000FFu);
  // F draws the lower half of a square of U in the text colour, after the second space.
  EXPECT_EQ(page.at(72, 88), 0xFF0000FFu);
  EXPECT_EQ(page.at(72, 80), kWhite);

  // U only in the page's resources: the font's own resources lack it, the showing page has it.
  b.set(5, "<< /Font << /T3 6 0 R >> >>");
  b.set(15, "<< /Font << /T3 6 0 R /U 13 0 R >> >>");
  auto fromPage =
      drawContent("0 0 1 rg BT /T3 12 Tf 10 10 Td (F) Tj ET", 200, 100, "/Resources 15 0 R", b);
  EXPECT_EQ(fromPage.at(16, 88), 0xFF0000FFu);
  EXPECT_EQ(fromPage.at(16, 80), kWhite);
}

}  // namespace
