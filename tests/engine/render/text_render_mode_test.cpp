// Text render modes (stroking, clipping) and patterns as the colour of strokes and of text.

#include <gtest/gtest.h>

#include <utility>

#include "tests/engine/fonts/font_test_support.h"

using testing_pdf::PdfBuilder;

namespace {

constexpr uint32_t kWhite = 0xFFFFFFFF;
constexpr uint32_t kRed = 0xFFFF0000;

int red(uint32_t argb) { return int((argb >> 16) & 0xFF); }
int green(uint32_t argb) { return int((argb >> 8) & 0xFF); }
int blue(uint32_t argb) { return int(argb & 0xFF); }

// A 200 × 100 page with the sans face as F1, an opaque blue 1 × 1 image as Im, a red-to-blue
// axial pattern S (across x 0..200), a green/blue coloured tiling T and an uncoloured tiling U.
class TextRenderModes : public ::testing::Test {
 protected:
  void SetUp() override {
    sans = font_testing::systemFont("Arial");
    if (sans.empty()) GTEST_SKIP() << "no installed Arial substitute";
  }

  struct Page {
    testing_render::DrawnPage page;
    std::vector<CollectedGlyph> glyphs;

    uint32_t at(int x, int y) const { return page.at(x, y); }
    // Pixels of the rectangle for which test holds.
    template <typename Test>
    int count(int x0, int y0, int x1, int y1, Test test) const {
      int n = 0;
      for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x) n += test(page.at(x, y));
      return n;
    }
    int ink(int x0 = 0, int y0 = 0, int x1 = 200, int y1 = 100) const {
      return count(x0, y0, x1, y1, [](uint32_t c) { return c != kWhite; });
    }
    // The first and last inked columns of row y (-1 when the row is blank).
    std::pair<int, int> inkedSpan(int y) const {
      int first = -1, last = -1;
      for (int x = 0; x < 200; ++x)
        if (page.at(x, y) != kWhite) {
          if (first < 0) first = x;
          last = x;
        }
      return {first, last};
    }
  };

  Page draw(const std::string& content) const {
    PdfBuilder b;
    font_testing::addTrueType(b, 5, sans);
    b.setStream(8, "/Subtype /Image /Width 1 /Height 1 /ColorSpace /DeviceRGB /BitsPerComponent 8",
                std::string("\x00\x00\xFF", 3));
    b.set(9,
          "<< /Type /Pattern /PatternType 2 /Shading << /ShadingType 2 /ColorSpace /DeviceRGB "
          "/Coords [0 0 200 0] /Function << /FunctionType 2 /Domain [0 1] /C0 [1 0 0] /C1 [0 0 1] "
          "/N 1 >> /Extend [true true] >> >>");
    b.setStream(10,
                "/Type /Pattern /PatternType 1 /PaintType 1 /TilingType 1 /BBox [0 0 10 10] "
                "/XStep 10 /YStep 10 /Resources << >>",
                "0 1 0 rg 0 0 5 5 re f 0 0 1 rg 5 5 5 5 re f");
    b.setStream(11,
                "/Type /Pattern /PatternType 1 /PaintType 2 /TilingType 1 /BBox [0 0 10 10] "
                "/XStep 10 /YStep 10 /Resources << >>",
                "0 0 5 10 re f");
    Page page;
    setPageTextObserver([&](const std::vector<CollectedGlyph>& glyphs) { page.glyphs = glyphs; });
    page.page = testing_render::drawContent(
        content, 200, 100,
        "/Resources << /Font << /F1 5 0 R >> /XObject << /Im 8 0 R >> /Pattern << /S 9 0 R /T 10 "
        "0 R /U 11 0 R >> /ColorSpace << /UP [/Pattern /DeviceRGB] >> /ExtGState << /GF << /Font "
        "[5 0 R 80] >> /Bad << /Font [<< /Type /Font >> 80] >> >> >>",
        std::move(b));
    setPageTextObserver(nullptr);
    return page;
  }

  std::string sans;
};

bool isRed(uint32_t c) { return red(c) > 200 && green(c) < 60 && blue(c) < 60; }
bool isBlue(uint32_t c) { return blue(c) > 200 && red(c) < 60 && green(c) < 60; }
bool isGreen(uint32_t c) { return green(c) > 200 && red(c) < 60 && blue(c) < 60; }

TEST_F(TextRenderModes, StrokingModesOutlineTheGlyphsWithTheLineState) {
  const std::string text = " 4 w 1 0 0 RG 0 0 1 rg 10 20 Td (HH) Tj ET";
  const Page filled = draw("BT /F1 60 Tf 0 Tr" + text);
  const Page stroked = draw("BT /F1 60 Tf 1 Tr" + text);
  const Page both = draw("BT /F1 60 Tf 2 Tr" + text);
  // Stroke only: red outlines, no blue.
  EXPECT_GT(stroked.count(0, 0, 200, 100, isRed), 300);
  EXPECT_EQ(stroked.count(0, 0, 200, 100, isBlue), 0);
  EXPECT_EQ(filled.count(0, 0, 200, 100, isRed), 0);
  EXPECT_GT(filled.count(0, 0, 200, 100, isBlue), 600);
  // A thin outline leaves the middle of the first stem white (above the crossbar).
  int stemStart = filled.inkedSpan(45).first, stemEnd = stemStart;
  ASSERT_GE(stemStart, 0);
  while (stemEnd < 200 && filled.at(stemEnd, 45) != kWhite) ++stemEnd;
  ASSERT_GE(stemEnd - stemStart, 5);
  const Page thin = draw("BT /F1 60 Tf 1 Tr 0.5 w 10 20 Td (HH) Tj ET");
  EXPECT_EQ(thin.at((stemStart + stemEnd) / 2, 45), kWhite);
  EXPECT_NE(thin.at(stemStart, 45), kWhite);
  // Fill then stroke: the stroke is drawn over the fill and reaches beyond it.
  EXPECT_GT(both.count(0, 0, 200, 100, isBlue), 0);
  EXPECT_GT(both.count(0, 0, 200, 100, isRed), 300);
  EXPECT_GT(both.ink(), filled.ink());
  // Modes beyond 7 fill, as mode 0 does.
  EXPECT_EQ(draw("BT /F1 60 Tf 9 Tr" + text).ink(), filled.ink());
  EXPECT_EQ(draw("BT /F1 60 Tf -1 Tr" + text).ink(), filled.ink());
  // Stroked text is collected like filled text.
  EXPECT_EQ(stroked.glyphs.size(), 2u);
}

TEST_F(TextRenderModes, TheLineWidthScalesWithTheCtmNotWithTheTextMatrix) {
  // The same glyph size three ways: 6-pixel lines under a CTM of 2, 3-pixel lines under a text
  // matrix of 2, and 6-pixel lines at double the font size.
  const Page ctm = draw("2 0 0 2 0 0 cm BT /F1 30 Tf 1 Tr 3 w 5 10 Td (H) Tj ET");
  const Page tm = draw("BT /F1 30 Tf 1 Tr 3 w 2 0 0 2 10 20 Tm (H) Tj ET");
  const Page size = draw("BT /F1 60 Tf 1 Tr 6 w 10 20 Td (H) Tj ET");
  EXPECT_NEAR(ctm.ink(), size.ink(), size.ink() / 20);
  EXPECT_LT(tm.ink() * 3, ctm.ink() * 2);
  // Dashes and the line join apply to glyph outlines too.
  const Page dashed = draw("BT /F1 60 Tf 1 Tr 6 w [4 4] 0 d 10 20 Td (H) Tj ET");
  EXPECT_LT(dashed.ink() * 3, size.ink() * 2);
  EXPECT_GT(dashed.ink() * 3, size.ink());
}

TEST_F(TextRenderModes, ClippingModesClipToTheGlyphsFromETUntilQ) {
  const std::string fill = " 1 0 0 rg 0 0 200 100 re f";
  // Mode 7 paints nothing itself; what follows shows only inside the glyphs.
  const Page clip = draw("BT /F1 80 Tf 7 Tr 10 20 Td (HH) Tj ET" + fill);
  const Page plain = draw("BT /F1 80 Tf 0 Tr 10 20 Td (HH) Tj ET");
  EXPECT_EQ(draw("BT /F1 80 Tf 7 Tr 10 20 Td (HH) Tj ET").ink(), 0);
  EXPECT_NEAR(clip.ink(), plain.ink(), plain.ink() / 20);
  EXPECT_EQ(clip.count(0, 0, 200, 100, [](uint32_t c) { return blue(c) > red(c); }), 0);
  EXPECT_EQ(clip.at(190, 50), kWhite);
  // Q ends the clip.
  EXPECT_EQ(draw("q BT /F1 80 Tf 7 Tr 10 20 Td (HH) Tj ET Q" + fill).at(190, 50), kRed);
  // A text object that shows nothing in a clipping mode leaves the clip alone; one whose glyphs
  // have no outlines (spaces) clips everything away.
  EXPECT_EQ(draw("BT 7 Tr ET" + fill).at(190, 50), kRed);
  EXPECT_EQ(draw("7 Tr BT /F1 80 Tf 10 20 Td ET" + fill).at(190, 50), kRed);
  EXPECT_EQ(draw("BT /F1 80 Tf 7 Tr 10 20 Td (  ) Tj ET" + fill).ink(), 0);
  // Only glyphs shown in a clipping mode join the clip; the others are painted as usual.
  const Page mixed = draw("BT /F1 80 Tf 7 Tr 10 20 Td (H) Tj 0 Tr (H) Tj ET" + fill);
  const Page first = draw("BT /F1 80 Tf 7 Tr 10 20 Td (H) Tj ET" + fill);
  EXPECT_NEAR(mixed.count(0, 0, 200, 100, isRed), first.count(0, 0, 200, 100, isRed), 10);
  EXPECT_GT(mixed.count(100, 0, 200, 100, [](uint32_t c) { return c == 0xFF000000u; }), 200);
  // Modes 4 and 5 paint and clip: the fill after them covers exactly the glyphs.
  const Page fillClip = draw("BT /F1 80 Tf 4 Tr 0 0 1 rg 10 20 Td (HH) Tj ET" + fill);
  EXPECT_EQ(fillClip.count(0, 0, 200, 100, isBlue), 0);
  EXPECT_EQ(fillClip.at(190, 50), kWhite);
  const Page strokeClip = draw("BT /F1 80 Tf 5 Tr 8 w 0 0 1 RG 10 20 Td (HH) Tj ET" + fill);
  EXPECT_GT(strokeClip.count(0, 0, 200, 100, isBlue), 200);  // the outer half of the stroke
  EXPECT_EQ(strokeClip.at(190, 50), kWhite);
}

TEST_F(TextRenderModes, ClippedTextShapesImagesAndIsStillCollected) {
  // An image drawn under the glyph clip shows as words; the words are text of the page.
  const Page shaped = draw("BT /F1 80 Tf 7 Tr 10 20 Td (HH) Tj ET q 200 0 0 100 0 0 cm /Im Do Q");
  const Page plain = draw("BT /F1 80 Tf 10 20 Td (HH) Tj ET");
  EXPECT_NEAR(shaped.ink(), plain.ink(), plain.ink() / 20);
  EXPECT_GT(shaped.count(0, 0, 200, 100, isBlue), plain.ink() / 2);
  EXPECT_EQ(shaped.at(190, 50), kWhite);
  EXPECT_EQ(shaped.glyphs.size(), 2u);
  // Invisible text (the text layer over a scan) is collected but not drawn.
  const Page invisible =
      draw("BT /F1 80 Tf 3 Tr 10 20 Td (HH) Tj ET q 200 0 0 100 0 0 cm /Im Do Q");
  EXPECT_EQ(invisible.glyphs.size(), 2u);
  EXPECT_EQ(invisible.count(0, 0, 200, 100, isBlue),
            draw("q 200 0 0 100 0 0 cm /Im Do Q").count(0, 0, 200, 100, isBlue));
}

TEST_F(TextRenderModes, PatternsStrokePaths) {
  // An axial pattern: red at the left end of the line, blue at the right.
  const Page axial = draw("/Pattern CS /S SCN 12 w 10 50 m 190 50 l S");
  EXPECT_GT(red(axial.at(15, 50)), 200);
  EXPECT_GT(blue(axial.at(185, 50)), 200);
  EXPECT_EQ(axial.at(100, 30), kWhite);  // outside the line
  EXPECT_EQ(axial.at(100, 70), kWhite);
  // A coloured tiling: its green and blue squares inside the line only.
  const Page tiled = draw("/Pattern CS /T SCN 20 w 10 50 m 190 50 l S");
  EXPECT_GT(tiled.count(10, 42, 190, 58, isGreen), 200);
  EXPECT_GT(tiled.count(10, 42, 190, 58, isBlue), 200);
  EXPECT_EQ(tiled.ink(0, 0, 200, 38), 0);
  // An uncoloured tiling takes the colour given with its name.
  const Page uncoloured = draw("/UP CS 1 0 0 /U SCN 20 w 10 50 m 190 50 l S");
  EXPECT_GT(uncoloured.count(10, 42, 190, 58, isRed), 200);
  EXPECT_EQ(uncoloured.count(0, 0, 200, 100, isGreen), 0);
  // A solid stroke colour replaces the pattern; Q brings the earlier one back.
  EXPECT_EQ(draw("/Pattern CS /S SCN 1 0 0 RG 12 w 10 50 m 190 50 l S").at(185, 50), kRed);
  const Page restored =
      draw("/Pattern CS /S SCN q 0 1 0 RG Q 12 w 10 50 m 190 50 l S 0 0 1 RG 10 20 m 190 20 l S");
  EXPECT_GT(red(restored.at(15, 50)), 200);
  EXPECT_TRUE(isBlue(restored.at(15, 80)));
}

TEST_F(TextRenderModes, StrokeAndFillColoursStayApartAndQRestoresAFillPattern) {
  // A stroke colour set while a pattern fills: the stroke is red, the fill still the pattern.
  const Page both = draw("/Pattern cs /T scn 1 0 0 RG 1 0 0 SC 10 w 20 20 60 60 re B");
  EXPECT_TRUE(isRed(both.at(20, 50)));
  EXPECT_GT(both.count(30, 30, 70, 70, isGreen), 300);
  // Q returns the fill to the colour saved by q.
  const Page saved = draw("q /Pattern cs /T scn 0 0 100 100 re f Q 100 0 100 100 re f");
  EXPECT_GT(saved.count(0, 0, 100, 100, isGreen), 1000);
  EXPECT_EQ(saved.at(150, 50), 0xFF000000u);
}

TEST_F(TextRenderModes, PatternsFillAndStrokeText) {
  const Page plain = draw("BT /F1 80 Tf 10 20 Td (HH) Tj ET");
  // Filled with the axial pattern: reddish on the left glyph, bluer on the right, never black.
  const Page axial = draw("/Pattern cs /S scn BT /F1 80 Tf 10 20 Td (HH) Tj ET");
  EXPECT_NEAR(axial.ink(), plain.ink(), plain.ink() / 10);
  EXPECT_EQ(axial.count(0, 0, 200, 100, [](uint32_t c) { return c == 0xFF000000u; }), 0);
  const auto [first, last] = axial.inkedSpan(50);
  ASSERT_GE(first, 0);
  const uint32_t left = axial.at(first + 2, 50), right = axial.at(last - 2, 50);
  EXPECT_GT(red(left), blue(left));
  EXPECT_GT(blue(right), red(right));
  // Filled with a tiling.
  const Page tiled = draw("/Pattern cs /T scn BT /F1 80 Tf 10 20 Td (HH) Tj ET");
  EXPECT_GT(tiled.count(0, 0, 200, 100, isGreen), 100);
  EXPECT_EQ(tiled.at(190, 50), kWhite);
  // Stroked with the pattern in mode 1.
  const Page stroked = draw("/Pattern CS /S SCN 3 w BT /F1 80 Tf 1 Tr 10 20 Td (HH) Tj ET");
  EXPECT_GT(stroked.ink(), 200);
  EXPECT_EQ(stroked.count(0, 0, 200, 100, [](uint32_t c) { return c == 0xFF000000u; }), 0);
  EXPECT_EQ(stroked.glyphs.size(), 2u);
}

TEST_F(TextRenderModes, AnExtGStateFontSetsTheFontAsTfDoes) {
  const Page tf = draw("BT /F1 80 Tf 10 20 Td (HH) Tj ET");
  const Page gs = draw("BT /GF gs 10 20 Td (HH) Tj ET");
  EXPECT_GT(tf.ink(), 1000);
  EXPECT_EQ(gs.ink(), tf.ink());
  EXPECT_EQ(gs.glyphs.size(), 2u);
  // A font given inline (not a font object) changes nothing.
  EXPECT_EQ(draw("BT /F1 80 Tf /Bad gs 10 20 Td (HH) Tj ET").ink(), tf.ink());
}

}  // namespace
