// Text written top to bottom: glyphs placed by W2 and DW2 and advancing down the column, TJ
// numbers and spacing along it, and columns read from right to left.

#include <gtest/gtest.h>

#include <cstdio>

#include "engine/fonts/glyph_lookup.h"
#include "tests/engine/fonts/font_test_support.h"
#include "tests/engine/layout/glyph_text.h"

using font_testing::showContent;
using font_testing::ShownPage;
using testing_pdf::PdfBuilder;

namespace {

constexpr float kNear = 0.01f;

class VerticalText : public ::testing::Test {
 protected:
  void SetUp() override {
    sans = font_testing::systemFont("Arial");
    if (sans.empty()) GTEST_SKIP() << "no installed Arial substitute";
    // The glyphs of A and B, found through a simple font of the same program.
    PdfBuilder b;
    font_testing::addTrueType(b, 5, sans);
    ShownPage simple = showContent("BT /F1 10 Tf 10 50 Td (AB) Tj ET", "/F1 5 0 R", b);
    S_FixedPosSize_Font* f1 = simple.font("F1");
    ASSERT_NE(f1, nullptr);
    glyphA = glyphForCode(*f1, 'A');
    glyphB = glyphForCode(*f1, 'B');
    ASSERT_NE(glyphA, 0u);
    ASSERT_NE(glyphB, 0u);
    a = hex(glyphA);
    bb = hex(glyphB);
  }

  static std::string hex(uint32_t glyph) {
    char text[8];
    std::snprintf(text, sizeof text, "%04X", glyph);
    return text;
  }

  // F2 (object 11): the program as a CID font whose CIDs are its glyphs, in the given encoding,
  // with ToUnicode giving A and B; B has the W2 entry [-500 250 800].
  PdfBuilder fonts(const std::string& encoding = "/Identity-V",
                   const std::string& unicodeOfB = "0042") const {
    PdfBuilder p;
    p.set(11, "<< /Type /Font /Subtype /Type0 /BaseFont /LiberationSans /Encoding " + encoding +
                  " /DescendantFonts [12 0 R] /ToUnicode 14 0 R >>");
    p.set(12, "<< /Type /Font /Subtype /CIDFontType2 /BaseFont /LiberationSans /DW 1000 /W2 [" +
                  std::to_string(glyphB) + " [-500 250 800]] /FontDescriptor 13 0 R >>");
    p.set(13, "<< /Type /FontDescriptor /FontName /LiberationSans /Flags 4 /FontFile2 7 0 R >>");
    p.setStream(7, "", sans);
    p.setStream(14, "",
                "begincmap 1 begincodespacerange <0000> <FFFF> endcodespacerange 2 beginbfchar <" +
                    a + "> <0041> <" + bb + "> <" + unicodeOfB + "> endbfchar endcmap");
    return p;
  }

  ShownPage show(const std::string& content) const {
    return showContent(content, "/F2 11 0 R", fonts());
  }

  std::string sans;
  uint32_t glyphA = 0, glyphB = 0;
  std::string a, bb;
};

TEST_F(VerticalText, GlyphsAdvanceDownTheColumn) {
  ShownPage shown = show("BT /F2 10 Tf 1 0 0 1 100 90 Tm <" + a + bb + a + "> Tj ET");
  ASSERT_EQ(shown.glyphs.size(), 3u);
  EXPECT_EQ(shown.text(), u"ABA");
  // Along the column: from the top of each glyph (page y, downwards) by its vertical advance,
  // DW2's 1000 or B's 500; across it the records keep a quarter em left of the column's line.
  const float tops[] = {10, 20, 25};
  const float advances[] = {10, 5, 10};
  for (int i = 0; i < 3; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(shown.glyphs[i].orientation, 270);
    EXPECT_NEAR(shown.glyphs[i].x, 97.5, kNear);
    EXPECT_NEAR(shown.glyphs[i].y, tops[i], kNear);
    EXPECT_NEAR(shown.glyphs[i].width, advances[i], kNear);
    EXPECT_NEAR(shown.glyphs[i].height, 10, kNear);
  }
}

TEST_F(VerticalText, NumbersAndSpacingMoveAlongTheColumn) {
  // A positive number moves further down; character spacing up (a negative one spreads).
  ShownPage tj = show("BT /F2 10 Tf 1 0 0 1 100 90 Tm [<" + a + "> 200 <" + a + ">] TJ ET");
  ASSERT_EQ(tj.glyphs.size(), 2u);
  EXPECT_NEAR(tj.glyphs[1].y, 10 + 10 + 2, kNear);
  EXPECT_NEAR(tj.glyphs[1].x, 97.5, kNear);
  ShownPage leading = show("BT /F2 10 Tf 1 0 0 1 100 90 Tm [500 <" + a + ">] TJ ET");
  ASSERT_EQ(leading.glyphs.size(), 1u);
  EXPECT_NEAR(leading.glyphs[0].y, 15, kNear);
  ShownPage after = show("BT /F2 10 Tf 1 0 0 1 100 90 Tm [<" + a + "> () -300 <" + a + ">] TJ ET");
  ASSERT_EQ(after.glyphs.size(), 2u);
  EXPECT_NEAR(after.glyphs[1].y, 10 + 10 - 3, kNear);
  ShownPage spaced = show("BT /F2 10 Tf 2 Tc 1 0 0 1 100 90 Tm <" + a + a + "> Tj ET");
  ASSERT_EQ(spaced.glyphs.size(), 2u);
  EXPECT_NEAR(spaced.glyphs[1].y, 10 + 10 - 2, kNear);
  // Horizontal scaling narrows the glyphs but not the advance down the column.
  ShownPage scaled = show("BT /F2 10 Tf 50 Tz 1 0 0 1 100 90 Tm <" + a + a + "> Tj ET");
  ASSERT_EQ(scaled.glyphs.size(), 2u);
  EXPECT_NEAR(scaled.glyphs[1].y, 20, kNear);
  // Text after the string goes on from where the column stopped.
  ShownPage next =
      show("BT /F2 10 Tf 1 0 0 1 100 90 Tm <" + a + "> Tj <" + bb + "> Tj <" + a + "> Tj ET");
  ASSERT_EQ(next.glyphs.size(), 3u);
  EXPECT_NEAR(next.glyphs[2].y, 25, kNear);
}

TEST_F(VerticalText, GlyphsAreDrawnFromTheOriginMinusThePositionVector) {
  // DW2's vector for A (width 1000 at 30): (15, 26.4) from the vertical origin (100, 90); B's
  // own (7.5, 24). Drawn by an Identity-H twin at those origins, the pixels are the same.
  const std::string vertical = "BT /F2 30 Tf 1 0 0 1 100 90 Tm <" + a + bb + "> Tj ET";
  const std::string horizontal =
      "BT /F2 30 Tf 1 0 0 1 85 63.6 Tm <" + a + "> Tj 1 0 0 1 92.5 36 Tm <" + bb + "> Tj ET";
  ShownPage down = show(vertical);
  ShownPage across = showContent(horizontal, "/F2 11 0 R", fonts("/Identity-H"));
  EXPECT_GT(down.ink(0, 0, 200, 100), 300);
  int differing = 0;
  for (int y = 0; y < 100; ++y)
    for (int x = 0; x < 200; ++x) differing += down.page.at(x, y) != across.page.at(x, y);
  EXPECT_EQ(differing, 0);
  // Nothing above the column's top: the em box hangs from the vertical origin.
  EXPECT_EQ(down.ink(0, 0, 200, 9), 0);
}

TEST_F(VerticalText, ColumnsAreReadTopToBottomFromTheRight) {
  // The left column is drawn first; the right one is read first.
  ShownPage shown = show("BT /F2 10 Tf 1 0 0 1 120 90 Tm <" + bb + a + a +
                         "> Tj 1 0 0 1 140 90 Tm <" + a + bb + bb + "> Tj ET");
  PageTextLayout layout;
  layout.build(shown.glyphs);
  EXPECT_EQ(text_export::pageText(layout), "ABB\nBAA\n");
  const TextRun* first = layout.firstRun();
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first->orientation, 270);
  // Positions run down the page.
  ASSERT_EQ(first->positions.size(), 3u);
  EXPECT_NEAR(first->positions[0], 10, kNear);
  EXPECT_NEAR(first->positions[1], 20, kNear);
  EXPECT_NEAR(first->positions[2], 25, kNear);
}

TEST_F(VerticalText, VerticalFormsOfPunctuationAreReadAsTheirCharacters) {
  // B reads as U+FE12, the vertical form of the ideographic full stop.
  const std::string content = "BT /F2 10 Tf 1 0 0 1 100 90 Tm <" + a + bb + "> Tj ET";
  ShownPage down = showContent(content, "/F2 11 0 R", fonts("/Identity-V", "FE12"));
  EXPECT_EQ(down.text(), u"A\u3002");
  // Written across, the text stays as the font gives it.
  ShownPage across = showContent(content, "/F2 11 0 R", fonts("/Identity-H", "FE12"));
  EXPECT_EQ(across.text(), u"A\uFE12");
}

}  // namespace
