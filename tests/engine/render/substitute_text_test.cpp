// Text of fonts whose program is missing or does not say what its codes are: installed faces
// standing in for CID fonts whose CIDs are another program's glyph indices, and the text an
// embedded program's own charmap gives codes without ToUnicode.

#include <gtest/gtest.h>

#include "engine/fonts/glyph_lookup.h"
#include "tests/engine/fonts/font_test_support.h"

using font_testing::showContent;
using font_testing::ShownPage;
using testing_pdf::PdfBuilder;

namespace {

constexpr const char* kToUnicodeHead =
    "/CIDInit /ProcSet findresource begin 12 dict begin begincmap "
    "1 begincodespacerange <0000> <FFFF> endcodespacerange ";

// A Type0 font (object n, descendant n + 1) over Identity-H with an Identity collection.
void addCidFont(PdfBuilder& b, int n, const std::string& baseFont, const std::string& descendant,
                const std::string& type0Extra = "") {
  b.set(n, "<< /Type /Font /Subtype /Type0 /BaseFont /" + baseFont +
               " /Encoding /Identity-H /DescendantFonts [" + std::to_string(n + 1) + " 0 R] " +
               type0Extra + " >>");
  b.set(n + 1, "<< /Type /Font /Subtype /CIDFontType2 /BaseFont /" + baseFont +
                   " /CIDSystemInfo << /Registry (Adobe) /Ordering (Identity) /Supplement 0 >> " +
                   descendant + " >>");
}

int differingPixels(const ShownPage& a, const ShownPage& b) {
  int n = 0;
  for (int y = 0; y < 100; ++y)
    for (int x = 0; x < 200; ++x) n += a.page.at(x, y) != b.page.at(x, y);
  return n;
}

TEST(SubstituteText, AnInstalledFaceDrawsTheCharactersToUnicodeGivesCidsOfAnotherProgram) {
  if (font_testing::systemFont("Arial").empty()) GTEST_SKIP() << "no installed Arial substitute";
  const std::string widths = "/W [500 [667 722] 72 [556]] /DW 1000 /FontDescriptor 7 0 R";
  const std::string descriptor = "<< /Type /FontDescriptor /FontName /ArialMT /Flags 32 >>";
  // F1: CIDs 500, 501 and 72 are glyph indices of the producer's Arial; ToUnicode says A, B, e.
  PdfBuilder b;
  addCidFont(b, 5, "ArialMT", widths, "/ToUnicode 8 0 R");
  b.set(7, descriptor);
  b.setStream(8, "",
              std::string(kToUnicodeHead) +
                  "3 beginbfchar <01F4> <0041> <01F5> <0042> <0048> <0065> endbfchar "
                  "endcmap end end");
  ShownPage mapped = showContent("BT /F1 30 Tf 10 30 Td <01F401F50048> Tj ET", "/F1 5 0 R", b);
  EXPECT_EQ(mapped.text(), u"ABe");
  ASSERT_EQ(mapped.glyphs.size(), 3u);
  // Widths still come from W.
  EXPECT_NEAR(mapped.glyphs[1].x, 10 + 20.01, 0.01);
  EXPECT_NEAR(mapped.glyphs[2].x, 10 + 20.01 + 21.66, 0.01);

  // The same characters drawn by their own values: the same page.
  PdfBuilder own;
  addCidFont(own, 5, "ArialMT", "/W [65 [667 722] 101 [556]] /DW 1000 /FontDescriptor 7 0 R");
  own.set(7, descriptor);
  ShownPage plain = showContent("BT /F1 30 Tf 10 30 Td <004100420065> Tj ET", "/F1 5 0 R", own);
  EXPECT_EQ(plain.text(), u"ABe");
  EXPECT_GT(mapped.ink(0, 0, 200, 100), 300);
  EXPECT_EQ(differingPixels(mapped, plain), 0);

  // A code ToUnicode leaves out keeps the collection's reading of its CID.
  S_FixedPosSize_Font* font = mapped.font("F1");
  ASSERT_NE(font, nullptr);
  const uint8_t unmapped[2] = {0x00, 0x41};
  EXPECT_EQ(glyphForCid(*font, 0x41, unmapped, 2), glyphForCid(*plain.font("F1"), 0x41));
}

TEST(SubstituteText, CodesWithoutToUnicodeReadTheEmbeddedProgramsCharmap) {
  const std::string sans = font_testing::systemFont("Arial");
  if (sans.empty()) GTEST_SKIP() << "no installed Arial substitute";
  PdfBuilder b;
  b.setStream(9, "", sans);
  // CIDs are the program's glyph indices: H 43, i 76, space 3.
  addCidFont(b, 5, "ABCDEF+LiberationSans", "/DW 500 /FontDescriptor 7 0 R");
  b.set(7,
        "<< /Type /FontDescriptor /FontName /ABCDEF+LiberationSans /Flags 4 /FontFile2 9 0 R >>");
  ShownPage shown = showContent("BT /F1 20 Tf 10 30 Td <002B004C0003002B> Tj ET", "/F1 5 0 R", b);
  EXPECT_EQ(shown.text(), u"Hi H");
  EXPECT_GT(shown.ink(0, 0, 200, 100), 100);
  // Word spacing follows the character found.
  ShownPage spaced = showContent("BT /F1 20 Tf 7 Tw 10 30 Td <002B0003002B> Tj ET", "/F1 5 0 R", b);
  ASSERT_EQ(spaced.glyphs.size(), 3u);
  EXPECT_NEAR(spaced.glyphs[2].x, 10 + 10 + 10 + 7, 0.01);
}

}  // namespace
