// Fonts giving memory back between pages: ToUnicode CMaps read when text needs them, faces and
// programs released under the budget and made again with the same glyphs and text.

#include <gtest/gtest.h>

#include <ft2build.h>
#include FT_FREETYPE_H

#include "tests/engine/render/page_fixture.h"
#include "engine/fonts/font_face.h"
#include "engine/fonts/glyph_lookup.h"
#include "engine/fonts/unicode_mapping.h"
#include "engine/render/pdf_creator.h"
#include "engine/render/render_context.h"
#include "tests/engine/fonts/font_test_support.h"

namespace {

using font_testing::FontDocument;
using font_testing::openFonts;
using testing_pdf::PdfBuilder;

std::u16string textOf(const S_FixedPosSize_Font& font, uint8_t code) {
  std::u16string text;
  unicodeOfCode(font, &code, 1, text);
  return text;
}

const char* kToUnicode =
    "/CIDInit /ProcSet findresource begin 12 dict begin begincmap "
    "1 begincodespacerange <00> <FF> endcodespacerange "
    "1 beginbfchar <41> <005A> endbfchar endcmap";

TEST(CodeNameTable, NamesStayInPlaceAsOthersAreAddedAndEmptyIsNone) {
  CodeNameTable names;
  names.set(7, "");
  EXPECT_TRUE(names[7].empty());
  names.set(65, "A");
  const char* a = names[65].c_str();
  for (int code = 0; code < CodeNameTable::kCodes; ++code)
    if (code != 65) names.set(static_cast<uint8_t>(code), "glyph" + std::to_string(code));
  EXPECT_EQ(names[65].c_str(), a);
  EXPECT_EQ(names[65], "A");
  EXPECT_EQ(names[255], "glyph255");
  // A later name for a code replaces the earlier one; an empty one leaves it without a name.
  names.set(255, "last");
  EXPECT_EQ(names[255], "last");
  names.set(0, "");
  EXPECT_TRUE(names[0].empty());
  S_FixedPosSize_Font font;
  font.differences = std::move(names);
  EXPECT_EQ(font.glyphName(0), nullptr);
  EXPECT_STREQ(font.glyphName(65), "A");
}

TEST(FontRelease, ToUnicodeIsReadWhenTextAsksAndAgainAfterRelease) {
  PdfBuilder b;
  b.set(5, "<< /Subtype /Type1 /BaseFont /Helvetica /ToUnicode 6 0 R >>");
  b.setStream(6, "", kToUnicode);
  // A ToUnicode value that is no stream reads as none, now and after release.
  b.set(7, "<< /Subtype /Type1 /BaseFont /Helvetica /ToUnicode 8 0 R >>");
  b.set(8, "<< /Not /AStream >>");
  FontDocument d = openFonts(b);
  S_FixedPosSize_Font& f = *d.load(5);
  EXPECT_EQ(f.toUnicode, nullptr);
  EXPECT_EQ(textOf(f, 'A'), u"Z");
  ASSERT_NE(f.toUnicode, nullptr);
  EXPECT_GT(f.releasableBytes(), 0u);
  f.releaseRebuildable();
  EXPECT_EQ(f.toUnicode, nullptr);
  EXPECT_EQ(textOf(f, 'A'), u"Z");
  S_FixedPosSize_Font& none = *d.load(7);
  EXPECT_EQ(none.toUnicodeMap(), nullptr);
  none.releaseRebuildable();
  EXPECT_EQ(none.toUnicodeMap(), nullptr);
  EXPECT_EQ(textOf(none, 'A'), u"A");
}

TEST(FontRelease, FacesAndProgramsAreMadeAgainWithTheirCharmap) {
  const std::string sans = font_testing::systemFont("Arial");
  if (sans.empty()) GTEST_SKIP() << "no installed Arial substitute";
  PdfBuilder b;
  font_testing::addTrueType(b, 5, sans, "/Encoding /WinAnsiEncoding");
  // Without a program: the installed face, whose file stays shared.
  b.set(9, "<< /Subtype /TrueType /BaseFont /Arial /Encoding /WinAnsiEncoding >>");
  FontDocument d = openFonts(b);
  for (int object : {5, 9}) {
    SCOPED_TRACE(object);
    S_FixedPosSize_Font& f = *d.load(object);
    ASSERT_TRUE(f.hasFace());
    FT_Face before = f.face->get();
    const int charmap = before->charmap ? FT_Get_Charmap_Index(before->charmap) : -1;
    const long glyphs = before->num_glyphs;
    const uint32_t a = glyphForCode(f, 'A');
    if (object == 5) {
      // The face alone holds the program.
      EXPECT_EQ(f.descriptor->program, nullptr);
    }
    f.releaseRebuildable();
    EXPECT_TRUE(f.face->released());
    EXPECT_EQ(f.releasableBytes(), 0u);
    FT_Face after = f.face->get();
    ASSERT_NE(after, nullptr);
    EXPECT_FALSE(f.face->released());
    EXPECT_EQ(after->charmap ? FT_Get_Charmap_Index(after->charmap) : -1, charmap);
    EXPECT_EQ(after->num_glyphs, glyphs);
    // The glyph looked up anew from the new face.
    EXPECT_EQ(FT_Get_Char_Index(after, 'A'), a);
  }
}

TEST(FontRelease, AFaceThatCannotBeMadeAgainIsNullNotRetried) {
  const std::string sans = font_testing::systemFont("Arial");
  if (sans.empty()) GTEST_SKIP() << "no installed Arial substitute";
  FontLibrary library;
  int32_t error = 0;
  auto bytes = std::make_shared<const std::vector<uint8_t>>(sans.begin(), sans.end());
  std::shared_ptr<FontFace> face = FontFace::create(library.get(), bytes, 0, error);
  ASSERT_NE(face, nullptr);
  bytes.reset();
  int reads = 0;
  // A program that reads back shorter than it was is not handed to FreeType.
  face->setProgramSource([&reads] {
    ++reads;
    return std::make_shared<const std::vector<uint8_t>>(10, 0);
  });
  face->release();
  EXPECT_EQ(face->get(), nullptr);
  EXPECT_EQ(face->get(), nullptr);
  EXPECT_EQ(reads, 1);
  // Glyph lookups of a font left without its face find nothing rather than crash.
  S_FixedPosSize_Font font;
  font.kind = FontKind::TrueType;
  font.face = face;
  EXPECT_EQ(glyphForCode(font, 'A'), 0u);
}

TEST(FontRelease, OnlyFontsOfOlderPagesAreReleasedAndOnlyBeyondTheBudget) {
  PdfBuilder b;
  b.set(5, "<< /Subtype /Type1 /BaseFont /Helvetica /ToUnicode 6 0 R >>");
  b.setStream(6, "", kToUnicode);
  b.set(7, "<< /Subtype /Type1 /BaseFont /Helvetica /ToUnicode 6 0 R >>");
  FontDocument d = openFonts(b);
  S_FixedPosSize_Font& old = *d.load(5);
  S_FixedPosSize_Font& recent = *d.load(7);
  ASSERT_FALSE(textOf(old, 'A').empty());
  ASSERT_FALSE(textOf(recent, 'A').empty());
  d.cache->beginPage(0);
  d.cache->touch(recent);
  // Both were shown within the last two pages.
  EXPECT_NE(old.toUnicode, nullptr);
  d.cache->beginPage(0);
  EXPECT_EQ(old.toUnicode, nullptr);
  EXPECT_NE(recent.toUnicode, nullptr);
  // Under the budget nothing goes.
  d.cache->beginPage();
  d.cache->beginPage();
  EXPECT_NE(recent.toUnicode, nullptr);
  EXPECT_EQ(textOf(old, 'A'), u"Z");
}

TEST(FontRelease, APageDrawnAgainAfterTheRelease) {
  const std::string sans = font_testing::systemFont("Arial");
  if (sans.empty()) GTEST_SKIP() << "no installed Arial substitute";
  PdfBuilder b;
  font_testing::addTrueType(b, 5, sans, "/Encoding /WinAnsiEncoding");
  font_testing::ShownPage shown =
      font_testing::showContent("BT /F1 30 Tf 10 40 Td (Abg) Tj ET", "/F1 5 0 R", b);
  const testing_render::DrawnPage& page = shown.page;
  ASSERT_GT(shown.ink(0, 0, 200, 100), 0);
  S_FixedPosSize_Font* font = shown.font("F1");
  ASSERT_NE(font, nullptr);
  C_PDF_Global_Resource_Font& fonts = page.creator->context().fonts();
  fonts.beginPage(0);
  fonts.beginPage(0);
  ASSERT_TRUE(font->face->released());
  brevia::gfx::Bitmap again(page.bitmap.width(), page.bitmap.height());
  page.draw->render(testing_render::requestAt72(1, again, again.width(), again.height()));
  int differing = 0;
  for (int y = 0; y < again.height(); ++y)
    for (int x = 0; x < again.width(); ++x) differing += again.colourAt(x, y) != page.at(x, y);
  EXPECT_EQ(differing, 0);
}

}  // namespace
