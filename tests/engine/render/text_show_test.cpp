// Text showing: the advance arithmetic of TJ, word spacing, horizontal scaling, invisible text,
// learnt widths, Type0 fonts and the records collected for search and copy.

#include <gtest/gtest.h>

#include "engine/fonts/glyph_lookup.h"
#include "engine/render/text_shower.h"
#include "tests/engine/fonts/font_test_support.h"

using font_testing::showContent;
using font_testing::ShownPage;
using testing_pdf::PdfBuilder;

namespace {

constexpr float kNear = 0.01f;

class TextShow : public ::testing::Test {
 protected:
  void SetUp() override {
    sans = font_testing::systemFont("Arial");
    if (sans.empty()) GTEST_SKIP() << "no installed Arial substitute";
  }

  // F1: the sans face with A, B at 667 and space at 278.
  PdfBuilder withWidths() const {
    PdfBuilder b;
    font_testing::addTrueType(
        b, 5, sans, "/FirstChar 32 /LastChar 66 /Widths [278 " + repeat("0 ", 32) + "667 667]");
    return b;
  }
  static std::string repeat(const std::string& s, int n) {
    std::string out;
    for (int i = 0; i < n; ++i) out += s;
    return out;
  }

  std::string sans;
};

TEST_F(TextShow, TJNumbersMoveAlongTheBaseline) {
  // After A the position moves by (wA - (-250)/1000) × Tfs.
  ShownPage a =
      showContent("BT /F1 10 Tf 10 50 Td [(A) -250 (B)] TJ ET", "/F1 5 0 R", withWidths());
  ASSERT_EQ(a.glyphs.size(), 2u);
  EXPECT_NEAR(a.glyphs[0].x, 10, kNear);
  EXPECT_NEAR(a.glyphs[1].x, 10 + (0.667 + 0.25) * 10, kNear);
  EXPECT_NEAR(a.glyphs[0].y, 50, kNear);  // 100 - 50, from the top
  EXPECT_EQ(a.text(), u"AB");

  // A leading number moves before the first glyph.
  ShownPage b = showContent("BT /F1 10 Tf 10 50 Td [-500 (A)] TJ ET", "/F1 5 0 R", withWidths());
  ASSERT_EQ(b.glyphs.size(), 1u);
  EXPECT_NEAR(b.glyphs[0].x, 15, kNear);

  // A number after an empty string moves back.
  ShownPage c = showContent("BT /F1 10 Tf 10 50 Td [() 300 (A)] TJ ET", "/F1 5 0 R", withWidths());
  ASSERT_EQ(c.glyphs.size(), 1u);
  EXPECT_NEAR(c.glyphs[0].x, 7, kNear);

  // Character spacing and horizontal scaling.
  ShownPage d =
      showContent("BT /F1 10 Tf 1 Tc 50 Tz 10 50 Td (AB) Tj ET", "/F1 5 0 R", withWidths());
  ASSERT_EQ(d.glyphs.size(), 2u);
  EXPECT_NEAR(d.glyphs[1].x, 10 + (6.67 + 1) * 0.5, kNear);
  EXPECT_NEAR(d.glyphs[0].width, 6.67 * 0.5, kNear);
}

TEST_F(TextShow, WordSpacingFollowsTheUnicodeValue) {
  PdfBuilder b = withWidths();
  // F2: code 32 is named "A", so it is no space.
  font_testing::addTrueType(
      b, 8, sans, "/FirstChar 32 /LastChar 32 /Widths [500] /Encoding << /Differences [32 /A] >>");
  // F3: two-byte codes; <0003> is a space through ToUnicode.
  b.set(11,
        "<< /Type /Font /Subtype /Type0 /BaseFont /LiberationSans /Encoding /Identity-H "
        "/DescendantFonts [12 0 R] /ToUnicode 14 0 R >>");
  b.set(12,
        "<< /Type /Font /Subtype /CIDFontType2 /BaseFont /LiberationSans /DW 500 "
        "/CIDSystemInfo << /Registry (Adobe) /Ordering (Identity) /Supplement 0 >> "
        "/FontDescriptor 13 0 R >>");
  b.set(13, "<< /Type /FontDescriptor /FontName /LiberationSans /Flags 32 /FontFile2 7 0 R >>");
  b.setStream(14, "",
              "/CIDInit /ProcSet findresource begin 12 dict begin begincmap "
              "1 begincodespacerange <0000> <FFFF> endcodespacerange "
              "2 beginbfchar <0003> <0020> <0024> <0041> endbfchar endcmap end end");
  ShownPage shown = showContent(
      "BT 5 Tw /F1 10 Tf 1 0 0 1 10 80 Tm ( A) Tj /F2 10 Tf 1 0 0 1 10 50 Tm ( A) Tj "
      "/F3 10 Tf 1 0 0 1 10 20 Tm <00030024> Tj ET",
      "/F1 5 0 R /F2 8 0 R /F3 11 0 R", b);
  ASSERT_EQ(shown.glyphs.size(), 6u);
  EXPECT_EQ(shown.text(), u" AAA A");
  // A one-byte space gets Tw; code 32 named "A" does not; a two-byte code mapping to U+0020 does.
  EXPECT_NEAR(shown.glyphs[1].x, 10 + 2.78 + 5, kNear);
  EXPECT_NEAR(shown.glyphs[3].x, 10 + 5, kNear);
  EXPECT_NEAR(shown.glyphs[5].x, 10 + 5 + 5, kNear);
}

TEST_F(TextShow, HorizontalScalingNarrowsGlyphsButNotTheirHeight) {
  ShownPage full = showContent("BT /F1 40 Tf 10 30 Td (B) Tj ET", "/F1 5 0 R", withWidths());
  ShownPage half = showContent("BT /F1 40 Tf 50 Tz 10 30 Td (B) Tj ET", "/F1 5 0 R", withWidths());
  auto extent = [](const ShownPage& p, bool horizontal) {
    int lo = 1000, hi = -1;
    for (int y = 0; y < 100; ++y)
      for (int x = 0; x < 200; ++x)
        if (p.page.at(x, y) != 0xFFFFFFFFu) {
          int v = horizontal ? x : y;
          lo = std::min(lo, v);
          hi = std::max(hi, v);
        }
    return hi - lo + 1;
  };
  EXPECT_NEAR(extent(half, true), extent(full, true) / 2.0, 2);
  EXPECT_EQ(extent(half, false), extent(full, false));
}

TEST_F(TextShow, EndTextRestoresTheMatricesOfBeginText) {
  ShownPage shown =
      showContent("BT /F1 10 Tf 20 50 Td BT 30 30 Td ET (A) Tj ET", "/F1 5 0 R", withWidths());
  ASSERT_EQ(shown.glyphs.size(), 1u);
  EXPECT_NEAR(shown.glyphs[0].x, 20, kNear);
  EXPECT_NEAR(shown.glyphs[0].y, 50, kNear);
}

TEST_F(TextShow, GlyphsAreDrawnInTheFillColourAtTheirPosition) {
  ShownPage shown =
      showContent("1 0 0 rg BT /F1 40 Tf 10 30 Td (A) Tj ET", "/F1 5 0 R", withWidths());
  // A cap height of about 29 pixels above the baseline at y = 70, between x = 10 and 37.
  EXPECT_GT(shown.ink(10, 40, 38, 71), 150);
  EXPECT_EQ(shown.ink(40, 0, 200, 100), 0);
  EXPECT_EQ(shown.ink(0, 0, 200, 38), 0);
  bool red = false;
  for (int y = 40; y < 71; ++y)
    for (int x = 10; x < 38; ++x) red = red || shown.page.at(x, y) == 0xFFFF0000u;
  EXPECT_TRUE(red);
}

TEST_F(TextShow, InvisibleTextIsCollectedButNotDrawnAndLearnsWidths) {
  PdfBuilder b;
  font_testing::addTrueType(b, 5, sans);
  ShownPage shown = showContent("BT /F1 40 Tf 3 Tr 10 30 Td (AB) Tj ET", "/F1 5 0 R", b);
  EXPECT_EQ(shown.text(), u"AB");
  ASSERT_EQ(shown.glyphs.size(), 2u);
  EXPECT_NEAR(shown.glyphs[1].x, 10 + 26.68, 0.01);
  EXPECT_EQ(shown.ink(0, 0, 200, 100), 0);
  S_FixedPosSize_Font* font = shown.font("F1");
  ASSERT_NE(font, nullptr);
  EXPECT_NEAR(font->width('A'), 667, 0.5);
}

TEST_F(TextShow, AFontWithoutWidthsAdvancesByTheFaceAdvance) {
  PdfBuilder b;
  font_testing::addTrueType(b, 5, sans);
  ShownPage shown = showContent("BT /F1 10 Tf 10 50 Td (AB A) Tj ET", "/F1 5 0 R", b);
  ASSERT_EQ(shown.glyphs.size(), 4u);
  EXPECT_NEAR(shown.glyphs[1].x, 10 + 6.67, 0.01);
  EXPECT_NEAR(shown.glyphs[2].x, 10 + 2 * 6.67, 0.01);
  EXPECT_NEAR(shown.glyphs[3].x, 10 + 2 * 6.67 + 2.78, 0.01);
  // Glyphs off the bitmap are not drawn, but their widths are still learnt.
  ShownPage off = showContent("BT /F1 10 Tf -500 50 Td (AB) Tj ET", "/F1 5 0 R", b);
  ASSERT_NE(off.font("F1"), nullptr);
  EXPECT_NEAR(off.font("F1")->width('B'), 667, 0.5);
}

TEST_F(TextShow, Type0IdentityWithCidToGidMapDrawsTheMappedGlyphs) {
  // The glyphs of A and B in the sans face, found through a simple font drawing the same text.
  PdfBuilder b = withWidths();
  ShownPage simple = showContent("BT /F1 30 Tf 10 30 Td (AB) Tj ET", "/F1 5 0 R", b);
  S_FixedPosSize_Font* f1 = simple.font("F1");
  ASSERT_NE(f1, nullptr);
  const uint32_t glyphA = glyphForCode(*f1, 'A'), glyphB = glyphForCode(*f1, 'B');
  ASSERT_NE(glyphA, 0u);

  // CIDs 65 and 66 draw A and B; the map ends there.
  std::string map(2 * 67, '\0');
  map[130] = char(glyphA >> 8), map[131] = char(glyphA & 0xFF);
  map[132] = char(glyphB >> 8), map[133] = char(glyphB & 0xFF);
  b.set(11,
        "<< /Type /Font /Subtype /Type0 /BaseFont /LiberationSans /Encoding /Identity-H "
        "/DescendantFonts [12 0 R] >>");
  b.set(12,
        "<< /Type /Font /Subtype /CIDFontType2 /BaseFont /LiberationSans /W [65 [667 667]] "
        "/CIDToGIDMap 14 0 R /FontDescriptor 13 0 R "
        "/CIDSystemInfo << /Registry (Adobe) /Ordering (Identity) /Supplement 0 >> >>");
  b.set(13, "<< /Type /FontDescriptor /FontName /LiberationSans /Flags 4 /FontFile2 7 0 R >>");
  b.setStream(14, "", map);
  ShownPage cid = showContent("BT /F2 30 Tf 10 30 Td <00410042> Tj ET", "/F2 11 0 R", b);
  ASSERT_EQ(cid.glyphs.size(), 2u);
  EXPECT_NEAR(cid.glyphs[1].x, 10 + 20.01, kNear);
  // Without ToUnicode the Identity collection's UCS-2 map gives the CIDs' own values.
  EXPECT_EQ(cid.text(), u"AB");
  int differing = 0;
  for (int y = 0; y < 100; ++y)
    for (int x = 0; x < 200; ++x) differing += cid.page.at(x, y) != simple.page.at(x, y);
  EXPECT_EQ(differing, 0);
  EXPECT_GT(cid.ink(0, 0, 200, 100), 300);

  // CIDs past the end of the map have no glyph, but still advance.
  ShownPage beyond = showContent("BT /F2 30 Tf 10 30 Td <7FFF0041> Tj ET", "/F2 11 0 R", b);
  ASSERT_EQ(beyond.glyphs.size(), 2u);
  EXPECT_NEAR(beyond.glyphs[1].x, 40, kNear);
  EXPECT_EQ(beyond.ink(0, 0, 39, 100), 0);
  EXPECT_GT(beyond.ink(40, 0, 80, 100), 100);
}

TEST_F(TextShow, SurrogatePairsFromToUnicodeAreCollectedAsTwoUnits) {
  PdfBuilder b = withWidths();
  b.set(11,
        "<< /Type /Font /Subtype /Type0 /BaseFont /LiberationSans /Encoding /Identity-H "
        "/DescendantFonts [12 0 R] /ToUnicode 14 0 R >>");
  b.set(12,
        "<< /Type /Font /Subtype /CIDFontType2 /BaseFont /LiberationSans /DW 1000 "
        "/FontDescriptor 13 0 R >>");
  b.set(13, "<< /Type /FontDescriptor /FontName /LiberationSans /Flags 4 /FontFile2 7 0 R >>");
  b.setStream(14, "",
              "begincmap 1 begincodespacerange <0000> <FFFF> endcodespacerange "
              "3 beginbfchar <0001> <D835DC00> <0002> <D800> <0003> <0042> endbfchar endcmap");
  ShownPage shown = showContent("BT /F2 10 Tf 10 50 Td <000100020003> Tj ET", "/F2 11 0 R", b);
  ASSERT_EQ(shown.glyphs.size(), 3u);
  EXPECT_EQ(shown.text(), u"\U0001D400B");
  // The pair shares its code's advance: each unit takes half.
  EXPECT_NEAR(shown.glyphs[0].width, 5, kNear);
  EXPECT_NEAR(shown.glyphs[1].x, 15, kNear);
  // The lone surrogate gives no text but its code still advances.
  EXPECT_NEAR(shown.glyphs[2].x, 30, kNear);
}

TEST_F(TextShow, OnlyTextInsideTheClipIsCollected) {
  ShownPage shown = showContent("0 0 50 100 re W n BT /F1 10 Tf 10 50 Td (A) Tj 100 0 Td (B) Tj ET",
                                "/F1 5 0 R", withWidths());
  EXPECT_EQ(shown.text(), u"A");
  EXPECT_EQ(shown.ink(60, 0, 200, 100), 0);
}

TEST_F(TextShow, RecordsOnOneBaselineAreOrderedByPosition) {
  ShownPage shown = showContent(
      "BT /F1 10 Tf 40 50 Td (B) Tj ET BT /F1 10 Tf 10 50 Td (A) Tj ET BT /F1 10 Tf 5 20 Td (A) Tj "
      "ET",
      "/F1 5 0 R", withWidths());
  EXPECT_EQ(shown.text(), u"ABA");
}

TEST_F(TextShow, Type3FontsAdvanceByWidthsTimesFontMatrix) {
  PdfBuilder b;
  b.set(
      5,
      "<< /Type /Font /Subtype /Type3 /FontBBox [0 0 1000 1000] /FontMatrix [0.002 0 0 0.002 0 0] "
      "/CharProcs << /A 6 0 R >> /Encoding << /Differences [65 /A /B] >> "
      "/FirstChar 65 /LastChar 66 /Widths [250 500] >>");
  b.setStream(6, "", "250 0 d0 0 0 250 250 re f");
  ShownPage shown = showContent("BT /F1 10 Tf 10 50 Td (ABA) Tj ET", "/F1 5 0 R", b);
  ASSERT_EQ(shown.glyphs.size(), 3u);
  EXPECT_EQ(shown.text(), u"ABA");
  EXPECT_NEAR(shown.glyphs[1].x, 15, kNear);
  EXPECT_NEAR(shown.glyphs[2].x, 25, kNear);
}

TEST_F(TextShow, RotatedTextRunsAlongItsBaseline) {
  // Upwards from (100, 20): the second glyph sits 6.67 page units higher.
  ShownPage shown =
      showContent("BT /F1 10 Tf 0 1 -1 0 100 20 Tm (AB) Tj ET", "/F1 5 0 R", withWidths());
  ASSERT_EQ(shown.glyphs.size(), 2u);
  EXPECT_EQ(shown.glyphs[0].orientation, 90);
  EXPECT_NEAR(shown.glyphs[0].x, 100, kNear);
  EXPECT_NEAR(shown.glyphs[0].y, 80, kNear);
  EXPECT_NEAR(shown.glyphs[1].x, 100, kNear);
  EXPECT_NEAR(shown.glyphs[1].y, 80 - 6.67, kNear);
  EXPECT_GT(shown.ink(88, 60, 101, 81), 30);

  const TextMatrix upright{1, 0, 0, -1, 0, 0};  // Tm × CTM of ordinary text, y downwards
  EXPECT_EQ(TextShower::orientationOf(upright, false).degrees, 0);
  const TextMatrix down{0, 1, 1, 0, 0, 0};
  EXPECT_EQ(TextShower::orientationOf(down, false).degrees, 270);
  EXPECT_FALSE(TextShower::orientationOf(down, false).rotated);
  const TextMatrix slanted{1, -0.02, 0, -1, 0, 0};
  EXPECT_EQ(TextShower::orientationOf(slanted, false).degrees, 0);
}

TEST_F(TextShow, ActualTextReplacesTheShownText) {
  ShownPage shown =
      showContent("/Span << /ActualText <FEFF0078> >> BDC BT /F1 10 Tf 10 50 Td (AB) Tj ET EMC",
                  "/F1 5 0 R", withWidths());
  EXPECT_EQ(shown.text(), u"x");
}

}  // namespace
