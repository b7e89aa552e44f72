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

// The program with one table's tag changed, so that FreeType no longer finds that table.
std::string withoutTable(std::string program, const std::string& tag) {
  const std::size_t tables =
      program.size() > 6 ? (uint8_t(program[4]) << 8 | uint8_t(program[5])) : 0;
  for (std::size_t i = 0; i < tables && 12 + 16 * i + 4 <= program.size(); ++i)
    if (program.compare(12 + 16 * i, 4, tag) == 0) program.replace(12 + 16 * i, 4, "zzzz");
  return program;
}

// A simple TrueType font (object n, descriptor n + 1) with WinAnsi widths of H, i and space, and
// its program as object n + 2 when given.
void addSimple(PdfBuilder& b, int n, const std::string& baseFont, const std::string& program,
               int flags = 32) {
  std::string widths = "/FirstChar 32 /LastChar 105 /Widths [278";
  for (int code = 33; code <= 105; ++code)
    widths += code == 'H' ? " 722" : code == 'i' ? " 222" : " 0";
  b.set(n, "<< /Type /Font /Subtype /TrueType /BaseFont /" + baseFont + " " + widths +
               "] /Encoding /WinAnsiEncoding /FontDescriptor " + std::to_string(n + 1) + " 0 R >>");
  std::string descriptor =
      "<< /Type /FontDescriptor /FontName /" + baseFont + " /Flags " + std::to_string(flags);
  if (!program.empty()) {
    descriptor += " /FontFile2 " + std::to_string(n + 2) + " 0 R";
    b.setStream(n + 2, "", program);
  }
  b.set(n + 1, descriptor + " >>");
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

TEST(SubstituteText, SpacingAndScalingApplyToSubstitutedSimpleAndCidFonts) {
  if (font_testing::systemFont("Arial").empty()) GTEST_SKIP() << "no installed Arial substitute";
  PdfBuilder b;
  addSimple(b, 5, "ArialMT", "");
  addCidFont(b, 8, "ArialMT", "/W [43 [722] 3 [278]] /FontDescriptor 6 0 R", "/ToUnicode 10 0 R");
  b.setStream(10, "",
              std::string(kToUnicodeHead) +
                  "2 beginbfchar <002B> <0048> <0003> <0020> endbfchar endcmap end end");
  // H, space, H at size 10 with Tc 2, Tw 8 and Tz 120: each advance is (w × 10 + 2 [+ 8]) × 1.2.
  const std::string spacing = "2 Tc 8 Tw 120 Tz ";
  ShownPage shown = showContent("BT /F1 10 Tf " + spacing + "10 70 Td (H H) Tj ET BT /F2 10 Tf " +
                                    spacing + "10 30 Td <002B0003002B> Tj ET",
                                "/F1 5 0 R /F2 8 0 R", b);
  ASSERT_EQ(shown.glyphs.size(), 6u);
  EXPECT_EQ(shown.text(), u"H HH H");
  const double afterH = 10 + (7.22 + 2) * 1.2;
  for (int line : {0, 3}) {
    EXPECT_NEAR(shown.glyphs[line + 1].x, afterH, 0.01);
    EXPECT_NEAR(shown.glyphs[line + 2].x, afterH + (2.78 + 2 + 8) * 1.2, 0.01);
  }
  EXPECT_GT(shown.ink(0, 0, 200, 50), 50);
  EXPECT_GT(shown.ink(0, 50, 200, 100), 50);
}

TEST(SubstituteText, BrokenProgramsAreDrawnByTheInstalledFaceTheirNameChooses) {
  const std::string sans = font_testing::systemFont("Arial");
  if (sans.empty()) GTEST_SKIP() << "no installed Arial substitute";
  const std::string content = "BT /F1 30 Tf 10 30 Td (Hi H) Tj ET";
  PdfBuilder installed;
  addSimple(installed, 5, "ArialMT", "");
  ShownPage expected = showContent(content, "/F1 5 0 R", installed);
  ASSERT_GT(expected.ink(0, 0, 200, 100), 200);

  // A TrueType without its glyph data, and bytes FreeType refuses.
  for (const std::string& program : {withoutTable(sans, "glyf"), std::string(200, 'x')}) {
    PdfBuilder b;
    addSimple(b, 5, "ABCDEF+ArialMT", program);
    ShownPage shown = showContent(content, "/F1 5 0 R", b);
    EXPECT_EQ(shown.text(), u"Hi H");
    EXPECT_EQ(differingPixels(shown, expected), 0);
    ASSERT_NE(shown.font("F1"), nullptr);
    EXPECT_TRUE(shown.font("F1")->brokenProgram);
  }
  // The flags choose the family as for a font without a program.
  PdfBuilder serif;
  addSimple(serif, 5, "ABCDEF+Zzyzx-Book", std::string(200, 'x'), 34);
  ShownPage times = showContent(content, "/F1 5 0 R", serif);
  EXPECT_EQ(times.font("F1")->faceName, "Times New Roman");
  EXPECT_GT(times.ink(0, 0, 200, 100), 200);
}

TEST(SubstituteText, SubsetsFindGlyphsTheirCharmapLeavesOutByName) {
  const std::string sans = font_testing::systemFont("Arial");
  if (sans.empty()) GTEST_SKIP() << "no installed Arial substitute";
  const std::string content = "BT /F1 30 Tf 10 30 Td (Hi H) Tj ET";
  PdfBuilder whole;
  addSimple(whole, 5, "ABCDEF+ArialMT", sans);
  ShownPage expected = showContent(content, "/F1 5 0 R", whole);
  ASSERT_GT(expected.ink(0, 0, 200, 100), 200);
  // Without a charmap the glyphs are found by their names in the program.
  PdfBuilder subset;
  addSimple(subset, 5, "ABCDEF+ArialMT", withoutTable(sans, "cmap"));
  ShownPage shown = showContent(content, "/F1 5 0 R", subset);
  EXPECT_EQ(differingPixels(shown, expected), 0);
  EXPECT_EQ(shown.text(), u"Hi H");
}

}  // namespace
