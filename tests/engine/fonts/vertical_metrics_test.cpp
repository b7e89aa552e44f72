// Fonts written top to bottom: the writing mode from the Encoding CMap, and the vertical metrics
// of W2 and DW2, including broken arrays.

#include <gtest/gtest.h>

#include <string>

#include <ft2build.h>
#include FT_FREETYPE_H

#include "engine/fonts/font_loader.h"
#include "engine/fonts/glyph_lookup.h"
#include "tests/engine/fonts/font_test_support.h"

using font_testing::FontDocument;
using font_testing::openFonts;
using testing_pdf::PdfBuilder;

namespace {

// A Type0 font (object n) with the given Encoding over a CID font (object n + 1) with extra.
void addType0(PdfBuilder& b, int n, const std::string& encoding, const std::string& extra) {
  b.set(n, "<< /Subtype /Type0 /BaseFont /X /Encoding " + encoding + " /DescendantFonts [" +
               std::to_string(n + 1) + " 0 R] >>");
  b.set(n + 1, "<< /Subtype /CIDFontType2 /BaseFont /X " + extra + " >>");
}

void expectMetric(const S_FixedPosSize_Font& f, uint16_t cid, double w0, double advance, double vx,
                  double vy) {
  SCOPED_TRACE(cid);
  const VerticalMetrics::Metric m = f.verticalMetrics.of(cid, w0);
  EXPECT_DOUBLE_EQ(m.advance, advance);
  EXPECT_DOUBLE_EQ(m.vx, vx);
  EXPECT_DOUBLE_EQ(m.vy, vy);
}

TEST(VerticalFonts, WritingModeComesFromTheEncodingCMap) {
  PdfBuilder b;
  addType0(b, 5, "/Identity-V", "");
  addType0(b, 7, "/Identity-H", "");
  // In the CMap's text, in its stream's dictionary, and through a CMap it uses.
  const std::string codespace = "1 begincodespacerange <0000> <FFFF> endcodespacerange ";
  addType0(b, 9, "20 0 R", "");
  b.setStream(20, "", "begincmap /WMode 1 def " + codespace + "endcmap");
  addType0(b, 11, "21 0 R", "");
  b.setStream(21, "/WMode 1", "begincmap " + codespace + "endcmap");
  addType0(b, 13, "22 0 R", "");
  b.setStream(22, "", "begincmap /Identity-V usecmap endcmap");
  // Its own WMode overrides the used CMap's; the dictionary's overrides the text's.
  addType0(b, 15, "23 0 R", "");
  b.setStream(23, "", "begincmap /Identity-V usecmap /WMode 0 def endcmap");
  addType0(b, 17, "24 0 R", "");
  b.setStream(24, "/WMode 0", "begincmap /WMode 1 def " + codespace + "endcmap");
  // A WMode without a number does not swallow what follows it.
  addType0(b, 25, "27 0 R", "");
  b.setStream(
      27, "",
      "begincmap " + codespace + "/WMode begincidrange <0000> <00FF> 5 endcidrange endcmap");
  FontDocument d = openFonts(b);
  EXPECT_TRUE(d.load(5)->vertical);
  EXPECT_FALSE(d.load(7)->vertical);
  EXPECT_TRUE(d.load(9)->vertical);
  EXPECT_TRUE(d.load(11)->vertical);
  EXPECT_TRUE(d.load(13)->vertical);
  EXPECT_FALSE(d.load(15)->vertical);
  EXPECT_FALSE(d.load(17)->vertical);
  S_FixedPosSize_Font* unnumbered = d.load(25);
  EXPECT_FALSE(unnumbered->vertical);
  ASSERT_NE(unnumbered->encodingCMap, nullptr);
  uint16_t cid = 0;
  const uint8_t code[2] = {0, 1};
  EXPECT_TRUE(unnumbered->encodingCMap->toCID(code, 2, 0, cid));
  EXPECT_EQ(cid, 6);
}

TEST(VerticalFonts, PredefinedVerticalCMapsFromTheSystemFolders) {
  CMaps::EncodingCMap cmap;
  if (!cmap.loadByName("UniJIS-UCS2-V")) GTEST_SKIP() << "no UniJIS-UCS2-V installed";
  EXPECT_EQ(cmap.writingMode(), 1);
  CMaps::EncodingCMap horizontal;
  ASSERT_TRUE(horizontal.loadByName("UniJIS-UCS2-H"));
  EXPECT_EQ(horizontal.writingMode(), 0);
  // The vertical CMap's own entries take the column forms: U+3001 (ideographic comma).
  uint16_t v = 0, h = 0;
  const uint8_t comma[2] = {0x30, 0x01};
  ASSERT_TRUE(cmap.toCID(comma, 2, 0, v));
  ASSERT_TRUE(horizontal.toCID(comma, 2, 0, h));
  EXPECT_NE(v, h);
}

TEST(VerticalFonts, W2AndDW2GiveTheMetrics) {
  PdfBuilder b;
  addType0(b, 5, "/Identity-V",
           "/DW 1000 /W2 [10 [-500 250 800 -600 300 700] 20 30 -900 450 850 50 9 0 R] "
           "/DW2 [900 -950]");
  b.set(9, "[-400 10 0 R 870]");
  b.set(10, "150");
  // Without DW2: vy 880 and advance -1000; vx is half the width.
  addType0(b, 11, "/Identity-V", "");
  FontDocument d = openFonts(b);
  const S_FixedPosSize_Font& f = *d.load(5);
  EXPECT_TRUE(f.verticalMetrics.hasEntries());
  expectMetric(f, 10, 1000, -500, 250, 800);
  expectMetric(f, 11, 1000, -600, 300, 700);
  expectMetric(f, 12, 600, -950, 300, 900);  // past the array: DW2, half of its width
  expectMetric(f, 20, 1000, -900, 450, 850);
  expectMetric(f, 30, 1000, -900, 450, 850);
  expectMetric(f, 31, 1000, -950, 500, 900);
  // An array and a value given by reference.
  expectMetric(f, 50, 1000, -400, 150, 870);
  const S_FixedPosSize_Font& plain = *d.load(11);
  EXPECT_FALSE(plain.verticalMetrics.hasEntries());
  expectMetric(plain, 7, 500, -1000, 250, 880);
}

TEST(VerticalFonts, BrokenW2ArraysKeepWhatTheyGiveAndStayBounded) {
  PdfBuilder b;
  // An incomplete triple, a range the wrong way round, a name for a value, a CID below zero.
  addType0(b, 5, "/Identity-V",
           "/W2 [1 [-500 250 800 -600 300] 5 3 -1 1 1 6 6 /N 0 0 -1 [-300 20 30] 7 [1 2 3]]");
  // A range over every CID, many times over, ends in bounded time; a list that ends early.
  std::string huge = "/W2 [";
  for (int i = 0; i < 2000; ++i) huge += "0 4294967295 -1 1 1 ";
  addType0(b, 7, "/Identity-V", huge + "9 9 -2 1]");
  // A DW2 that is too short, or not numbers, leaves the defaults.
  addType0(b, 9, "/Identity-V", "/DW2 [900] /W2 [1 /Bad 2 [-1 1 1]]");
  addType0(b, 11, "/Identity-V", "/DW2 [/A /B] /W2 5");
  FontDocument d = openFonts(b);
  const S_FixedPosSize_Font& f = *d.load(5);
  expectMetric(f, 1, 1000, -500, 250, 800);
  expectMetric(f, 2, 1000, -1000, 500, 880);
  expectMetric(f, 3, 1000, -1000, 500, 880);
  expectMetric(f, 5, 1000, -1000, 500, 880);
  expectMetric(f, 6, 1000, -1000, 500, 880);
  expectMetric(f, 65535, 1000, -300, 20, 30);  // CIDs wrap at 65536, as in W
  expectMetric(f, 7, 1000, 1, 2, 3);
  const S_FixedPosSize_Font& g = *d.load(7);
  expectMetric(g, 12345, 1000, -1, 1, 1);
  expectMetric(g, 9, 1000, -1, 1, 1);
  // What follows a value that is neither an array nor a number cannot be read.
  const S_FixedPosSize_Font& h = *d.load(9);
  expectMetric(h, 2, 800, -1000, 400, 880);
  expectMetric(*d.load(11), 3, 1000, -1000, 500, 880);
}

TEST(VerticalFonts, InstalledFacesTakeTheVerticalFormsOfPunctuation) {
  // The Identity CMap's CIDs read as their Unicode values; the face is the installed one for
  // Chinese.
  PdfBuilder b;
  const std::string chinese = "/FontDescriptor << /FontName /X /Flags 4 /Lang /zh-CN >>";
  addType0(b, 5, "/Identity-V", chinese);
  addType0(b, 7, "/Identity-H", chinese);
  FontDocument d = openFonts(b);
  S_FixedPosSize_Font& down = *d.load(5);
  S_FixedPosSize_Font& across = *d.load(7);
  ASSERT_TRUE(down.vertical);
  if (!down.face) GTEST_SKIP() << "no installed face";
  FT_Face face = down.face->get();
  const FT_UInt form = FT_Get_Char_Index(face, 0xFE41);
  const FT_UInt bracket = FT_Get_Char_Index(face, 0x300C);
  if (form == 0 || bracket == 0) GTEST_SKIP() << "the installed face has no vertical forms";
  // The corner bracket turns in a column.
  EXPECT_EQ(glyphForCid(down, 0x300C), form);
  EXPECT_EQ(glyphForCid(across, 0x300C), bracket);
  // Characters without a vertical form keep their glyph.
  EXPECT_EQ(glyphForCid(down, 0x4E2D), glyphForCid(across, 0x4E2D));
}

}  // namespace
