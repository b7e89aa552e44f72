// Type 3 glyphs: procedures run in glyph space through the interpreter.

#include <gtest/gtest.h>

#include "tests/engine/render/page_fixture.h"

using testing_pdf::PdfBuilder;
using testing_render::drawContent;

namespace {

constexpr uint32_t kWhite = 0xFFFFFFFF;

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
  // Colour set inside the procedure after d1 takes effect.
  auto red =
      drawContent("BT /T3 12 Tf 10 10 Td (B) Tj ET", 200, 100, "/Resources 5 0 R", type3Font());
  EXPECT_EQ(red.at(15, 85), 0xFFFF0000u);
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

}  // namespace
