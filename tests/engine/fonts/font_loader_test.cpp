// Loading font dictionaries: the cache, kinds, encodings with Differences, widths of simple and
// CID fonts, faces from programs and installed fonts, and the messages of broken fonts.

#include <gtest/gtest.h>

#include <ft2build.h>
#include FT_FREETYPE_H

#include <cstring>

#include "engine/fonts/font_loader.h"
#include "engine/fonts/glyph_lookup.h"
#include "engine/fonts/unicode_mapping.h"
#include "tests/engine/fonts/font_fuzz_harness.h"
#include "tests/engine/fonts/font_test_support.h"
#include "tests/platform/fonts/fake_font_source.h"

using font_testing::FontDocument;
using font_testing::openFonts;
using testing_pdf::PdfBuilder;

namespace {

std::string nameOf(const S_FixedPosSize_Font& font, int code) {
  const char* name = font.glyphName(static_cast<uint8_t>(code));
  return name ? name : "";
}

TEST(FontLoader, ReferencesAreCachedAndInlineDictionariesAreNot) {
  PdfBuilder b;
  b.set(5, "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>");
  FontDocument d = openFonts(b);
  S_FixedPosSize_Font* first = d.load(5);
  EXPECT_EQ(d.load(5), first);
  EXPECT_EQ(first->objectNumber, 5);
  PdfObject inline_(PdfObjectKind::Dictionary);
  inline_.add("Subtype", PdfObject(PdfObjectKind::Name, "Type1"));
  S_FixedPosSize_Font* a = d.cache->load("G", inline_);
  S_FixedPosSize_Font* b2 = d.cache->load("G", inline_);
  EXPECT_NE(a, b2);
  EXPECT_EQ(a->objectNumber, -1);
}

TEST(FontLoader, SubtypesGiveKinds) {
  PdfBuilder b;
  b.set(5, "<< /Subtype /OpenType /BaseFont /Helvetica >>");
  b.set(6, "<< /Subtype /MMType1 /BaseFont /Helvetica >>");
  b.set(7, "<< /Type /Font >>");
  b.set(8, "<< /Subtype /CIDFontType0 >>");
  FontDocument d = openFonts(b);
  EXPECT_EQ(d.load(5)->kind, FontKind::TrueType);
  EXPECT_EQ(d.load(6)->kind, FontKind::Type1);
  S_FixedPosSize_Font* none = d.load(7);
  EXPECT_EQ(none->kind, FontKind::None);
  EXPECT_EQ(none->faceName, "Times New Roman");
  EXPECT_EQ(d.load(8)->kind, FontKind::CIDFontType0);
  // A reference to nothing still gives a font.
  S_FixedPosSize_Font* missing = d.load(40);
  ASSERT_NE(missing, nullptr);
  EXPECT_EQ(missing->kind, FontKind::None);
}

TEST(FontLoader, EncodingsAndDifferences) {
  PdfBuilder b;
  // Differences past code 255 are dropped.
  b.set(5,
        "<< /Subtype /Type1 /BaseFont /Helvetica /Encoding << /BaseEncoding /WinAnsiEncoding "
        "/Differences [250 /a /b /c /d /e /f /g 32 /A 33 /B /C] >> >>");
  // No Encoding and no descriptor: StandardEncoding.
  b.set(6, "<< /Subtype /Type1 /BaseFont /Helvetica >>");
  // A TrueType font with an Encoding fills unnamed codes from StandardEncoding.
  b.set(7,
        "<< /Subtype /TrueType /BaseFont /Arial /Encoding << /Differences [65 /Z] >> "
        "/FontDescriptor 8 0 R >>");
  b.set(8, "<< /Type /FontDescriptor /Flags 4 >>");
  b.set(9, "<< /Subtype /Type1 /BaseFont /Helvetica /Encoding /MacRomanEncoding >>");
  FontDocument d = openFonts(b);
  S_FixedPosSize_Font* win = d.load(5);
  EXPECT_EQ(win->baseEncoding, BaseEncodingId::WinAnsi);
  EXPECT_EQ(nameOf(*win, 250), "a");
  EXPECT_EQ(nameOf(*win, 255), "f");
  EXPECT_EQ(nameOf(*win, 32), "A");
  EXPECT_EQ(nameOf(*win, 33), "B");
  EXPECT_EQ(nameOf(*win, 34), "C");
  EXPECT_EQ(nameOf(*win, 150), "endash");
  // Codes WinAnsiEncoding leaves unnamed are bullets.
  EXPECT_EQ(nameOf(*win, 129), "bullet");
  EXPECT_EQ(nameOf(*win, 141), "bullet");
  EXPECT_EQ(nameOf(*win, 31), "");

  S_FixedPosSize_Font* standard = d.load(6);
  EXPECT_EQ(standard->baseEncoding, BaseEncodingId::Standard);
  EXPECT_EQ(nameOf(*standard, 39), "quoteright");
  EXPECT_EQ(nameOf(*standard, 150), "");

  S_FixedPosSize_Font* trueType = d.load(7);
  EXPECT_EQ(trueType->baseEncoding, BaseEncodingId::None);
  EXPECT_EQ(nameOf(*trueType, 65), "Z");
  EXPECT_EQ(nameOf(*trueType, 66), "B");
  EXPECT_EQ(nameOf(*trueType, 0xA1), "exclamdown");

  EXPECT_EQ(nameOf(*d.load(9), 0x80), "Adieresis");
}

TEST(FontLoader, SimpleWidths) {
  PdfBuilder b;
  // Widths longer than the codes are cut at 255; an indirect width counts as its number.
  b.set(5, "<< /Subtype /Type1 /BaseFont /Helvetica /FirstChar 254 /Widths [100 6 0 R 300 400] >>");
  b.set(6, "222");
  b.set(7, "<< /Subtype /Type1 /BaseFont /Helvetica /FirstChar -1 /Widths [1 2 (x)] >>");
  FontDocument d = openFonts(b);
  S_FixedPosSize_Font* f = d.load(5);
  EXPECT_EQ(f->width(254), 100);
  EXPECT_EQ(f->width(255), 222);
  EXPECT_EQ(f->width(253), S_FixedPosSize_Font::kNoWidth);
  S_FixedPosSize_Font* g = d.load(7);
  EXPECT_EQ(g->width(0), 2);
  EXPECT_EQ(g->width(1), 1000);
}

TEST(FontLoader, CidWidthArrays) {
  PdfBuilder b;
  b.set(5, "<< /Subtype /Type0 /BaseFont /X /Encoding /Identity-H /DescendantFonts [6 0 R] >>");
  b.set(
      6,
      "<< /Subtype /CIDFontType2 /BaseFont /X /W [1 [500 600] 10 20 333 65535 [7 8] 30 7 0 R] >>");
  b.set(7, "[44]");
  b.set(8, "<< /Subtype /Type0 /BaseFont /X /Encoding /Identity-H /DescendantFonts [9 0 R] >>");
  b.set(9, "<< /Subtype /CIDFontType2 /BaseFont /X /DW 750 /W [5 6 400.9] >>");
  FontDocument d = openFonts(b);
  S_FixedPosSize_Font* f = d.load(5);
  EXPECT_EQ(f->width(1), 500);
  EXPECT_EQ(f->width(2), 600);
  EXPECT_EQ(f->width(10), 333);
  EXPECT_EQ(f->width(20), 333);
  EXPECT_EQ(f->width(21), S_FixedPosSize_Font::kNoWidth);
  // Indices wrap at 65536; an array may be given by reference.
  EXPECT_EQ(f->width(65535), 7);
  EXPECT_EQ(f->width(0), 8);
  EXPECT_EQ(f->width(30), 44);
  S_FixedPosSize_Font* g = d.load(8);
  EXPECT_EQ(g->width(5), 400);
  EXPECT_EQ(g->width(7), 750);
}

// The paged CID width table reads like one array of 65,536: widths set at the edges of pages
// leave their neighbours at the fill, a new fill forgets them, and nothing reads past the end.
TEST(FontLoader, CidWidthTablePagesReadLikeOneArray) {
  CidWidthTable t;
  EXPECT_TRUE(t.empty());
  EXPECT_EQ(t.at(0, -1), -1);
  t.set(3, 9);  // not filled: ignored
  EXPECT_EQ(t.at(3, -1), -1);
  t.fill(750);
  EXPECT_FALSE(t.empty());
  for (uint32_t cid : {0u, 255u, 256u, 65535u}) t.set(cid, cid + 1);
  t.set(65536, 5);
  EXPECT_EQ(t.at(0, -1), 1);
  EXPECT_EQ(t.at(1, -1), 750);
  EXPECT_EQ(t.at(254, -1), 750);
  EXPECT_EQ(t.at(255, -1), 256);
  EXPECT_EQ(t.at(256, -1), 257);
  EXPECT_EQ(t.at(257, -1), 750);
  EXPECT_EQ(t.at(65534, -1), 750);
  EXPECT_EQ(t.at(65535, -1), 65536);
  EXPECT_EQ(t.at(65536, -1), -1);
  t.fill(-1);
  EXPECT_EQ(t.at(255, 0), -1);
  EXPECT_EQ(t.at(40000, 0), -1);
}

TEST(FontLoader, ABadWidthEntryKeepsTheWidthsReadSoFar) {
  font_testing::Messages messages;
  PdfBuilder b;
  b.set(5, "<< /Subtype /Type0 /BaseFont /X /Encoding /Identity-H /DescendantFonts [6 0 R] >>");
  b.set(6, "<< /Subtype /CIDFontType2 /BaseFont /X /W [1 [500] 2 /Bad 3 [700]] >>");
  b.set(7, "<< /Subtype /Type0 /BaseFont /X /Encoding /Identity-H /DescendantFonts [8 0 R] >>");
  // A range over every CID, many times over, ends in bounded time.
  std::string huge = "/W [";
  for (int i = 0; i < 2000; ++i) huge += "0 4294967295 1 ";
  b.set(8, "<< /Subtype /CIDFontType2 /BaseFont /X " + huge + "] >>");
  FontDocument d = openFonts(b);
  S_FixedPosSize_Font* f = d.load(5);
  EXPECT_EQ(f->width(1), 500);
  EXPECT_EQ(f->width(3), S_FixedPosSize_Font::kNoWidth);
  EXPECT_EQ(messages.count("#20"), 1);
  EXPECT_EQ(d.load(7)->width(0), 1);
}

TEST(FontLoader, EmbeddedProgramsAndTheirFallback) {
  const std::string sans = font_testing::systemFont("Arial");
  if (sans.empty()) GTEST_SKIP() << "no installed Arial substitute";
  PdfBuilder b;
  font_testing::addTrueType(b, 5, sans, "/Encoding /WinAnsiEncoding");
  // A program FreeType refuses: the installed face its name chooses stands in, as for a font
  // without a program.
  font_testing::addTrueType(b, 8, std::string(5000, 'x'));
  // A one-byte program is no program.
  font_testing::addTrueType(b, 11, "x");
  FontDocument d = openFonts(b);
  S_FixedPosSize_Font* good = d.load(5);
  ASSERT_TRUE(good->hasFace());
  EXPECT_TRUE(good->embedded());
  EXPECT_TRUE(good->nonsymbolic);
  EXPECT_NE(glyphForCode(*good, 'A'), 0u);
  EXPECT_NE(glyphForCode(*good, 'A'), glyphForCode(*good, 'B'));
  S_FixedPosSize_Font* garbage = d.load(8);
  EXPECT_FALSE(garbage->embedded());
  EXPECT_TRUE(garbage->brokenProgram);
  EXPECT_TRUE(garbage->hasFace());
  EXPECT_EQ(glyphForCode(*garbage, 'A'), glyphForCode(*good, 'A'));
  S_FixedPosSize_Font* tiny = d.load(11);
  EXPECT_FALSE(tiny->embedded());
  EXPECT_TRUE(tiny->hasFace());
}

TEST(FontLoader, WithoutFreeTypeFontsLoadWithoutFaces) {
  PdfBuilder b;
  b.set(5,
        "<< /Subtype /TrueType /BaseFont /Arial /FirstChar 65 /Widths [600] /Encoding "
        "/WinAnsiEncoding >>");
  FontDocument d = openFonts(b);
  FontLibrary failed(false);
  FontLoader loader(*d.document->resolver(), failed, C_PDF_FontEnum::instance());
  PdfObject reference(PdfObjectKind::Reference);
  reference.objectNumber = 5;
  reference.generation = 0;
  std::unique_ptr<S_FixedPosSize_Font> font = loader.load(reference);
  EXPECT_FALSE(font->hasFace());
  EXPECT_EQ(font->width('A'), 600);
  EXPECT_EQ(nameOf(*font, 'A'), "A");
  EXPECT_EQ(glyphForCode(*font, 'A'), 0u);
}

TEST(FontLoader, ZapfDingbatsUsesTheSubstituteFace) {
  PdfBuilder b;
  b.set(5, "<< /Subtype /Type1 /BaseFont /ZapfDingbats >>");
  FontDocument d = openFonts(b);
  S_FixedPosSize_Font* f = d.load(5);
  EXPECT_EQ(f->baseEncoding, BaseEncodingId::ZapfDingbatsBuiltIn);
  EXPECT_TRUE(f->symbolic);
  EXPECT_EQ(nameOf(*f, 0x21), "a1");
  if (!f->hasFace()) GTEST_SKIP() << "no Dingbats face installed";
  EXPECT_NE(glyphForCode(*f, 0x21), 0u);
  std::u16string text;
  EXPECT_TRUE(unicodeOfCode(*f, reinterpret_cast<const uint8_t*>("\x21"), 1, text));
  EXPECT_EQ(text, u"\u2701");
}

TEST(FontLoader, Type0CollectionsChooseTheirUcs2CMap) {
  PdfBuilder b;
  b.set(5, "<< /Subtype /Type0 /BaseFont /X /Encoding /Identity-H /DescendantFonts [6 0 R] >>");
  b.set(6,
        "<< /Subtype /CIDFontType0 /BaseFont /X "
        "/CIDSystemInfo << /Registry (Adobe) /Ordering (Japan1) /Supplement 4 >> >>");
  b.set(7, "<< /Subtype /Type0 /BaseFont /X /Encoding /Identity-H /DescendantFonts [8 0 R] >>");
  b.set(8, "<< /Subtype /CIDFontType0 /BaseFont /X /FontDescriptor 9 0 R >>");
  b.set(9, "<< /Type /FontDescriptor /Lang /ja >>");
  b.set(10, "<< /Subtype /Type0 /BaseFont /X /Encoding /Identity-H /DescendantFonts [11 0 R] >>");
  b.set(11,
        "<< /Subtype /CIDFontType2 /BaseFont /X "
        "/CIDSystemInfo << /Registry (Adobe) /Ordering (Identity) /Supplement 0 >> >>");
  font_testing::Messages quiet;
  FontDocument d = openFonts(b);
  EXPECT_NE(d.load(10)->ucs2CMap, nullptr);
  S_FixedPosSize_Font* japanese = d.load(5);
  if (!japanese->ucs2CMap) GTEST_SKIP() << "no Adobe-Japan1-UCS2 installed";
  // CID 843 is the hiragana A of Adobe-Japan1.
  std::u16string text;
  EXPECT_TRUE(unicodeOfCode(*japanese, reinterpret_cast<const uint8_t*>("\x03\x4B"), 2, text));
  EXPECT_EQ(text, u"\u3042");
  EXPECT_NE(d.load(7)->ucs2CMap, nullptr);
}

TEST(FontLoader, EmbeddedProgramsOfEveryKindGiveGlyphs) {
  const char* root = std::getenv("BREVIA_TEST_DATA");
  if (!root) GTEST_SKIP() << "BREVIA_TEST_DATA not set";
  struct Case {
    const char* file;
    FontKind kind;
    FontKind descendant;
  };
  const Case cases[] = {{"type1_font.pdfobj", FontKind::Type1, FontKind::None},
                        {"type1c_font.pdfobj", FontKind::Type1, FontKind::None},
                        {"truetype_font.pdfobj", FontKind::TrueType, FontKind::None},
                        {"cid_type0c_font.pdfobj", FontKind::Type0, FontKind::CIDFontType0},
                        {"cid_truetype_font.pdfobj", FontKind::Type0, FontKind::CIDFontType2}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    const std::string bytes = testing_pdf::readFile(std::string(root) + "/fonts/samples/" + c.file);
    ASSERT_FALSE(bytes.empty());
    font_fuzz::LoadedFont loaded =
        font_fuzz::loadFontText(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    S_FixedPosSize_Font& font = *loaded.font;
    EXPECT_EQ(font.kind, c.kind);
    ASSERT_TRUE(font.hasFace());
    int glyphs = 0;
    if (font.kind == FontKind::Type0) {
      ASSERT_NE(font.descendant, nullptr);
      EXPECT_EQ(font.descendant->kind, c.descendant);
      EXPECT_TRUE(font.descendant->embedded());
      for (uint16_t cid = 1; cid <= 5; ++cid) glyphs += glyphForCid(font, cid) != 0;
      EXPECT_EQ(glyphs, 5);
    } else {
      EXPECT_TRUE(font.embedded());
      // The codes a subset was made for are those with a width.
      int named = 0;
      for (int code = 0; code < 256; ++code) {
        const char* name = font.glyphName(static_cast<uint8_t>(code));
        if (!name || std::strcmp(name, ".notdef") == 0 || !(font.width(code) > 0)) continue;
        ++named;
        glyphs += glyphForCode(font, static_cast<uint8_t>(code)) != 0;
      }
      EXPECT_GT(named, 5);
      EXPECT_EQ(glyphs, named);
    }
  }
}

// Fonts drawn with their own program (or with Type 3 procedures) need no installed face: the
// installed faces are listed only when a name outside the fixed table must be matched.
struct LoaderOverFakeFonts {
  explicit LoaderOverFakeFonts(std::vector<brevia::platform::InstalledFace> faces)
      : fonts(std::move(faces)), loader(*document.document->resolver(), library, *fonts.fonts) {}
  std::unique_ptr<S_FixedPosSize_Font> load(int objectNumber) {
    PdfObject reference(PdfObjectKind::Reference);
    reference.objectNumber = objectNumber;
    reference.generation = 0;
    return loader.load(reference);
  }
  static testing_pdf::PdfBuilder objects(const std::string& program) {
    PdfBuilder b;
    // Embedded, symbolic, no Encoding: the base encoding follows the face name.
    b.set(5, "<< /Subtype /TrueType /BaseFont /Dings /FontDescriptor 6 0 R >>");
    b.set(6, "<< /Type /FontDescriptor /FontName /Dings /Flags 4 /FontFile2 7 0 R >>");
    b.setStream(7, "", program);
    b.set(8, "<< /Subtype /Type3 /BaseFont /Garamond /FontMatrix [1 0 0 1 0 0] >>");
    b.set(9, "<< /Subtype /TrueType /BaseFont /ABCDEF+Symbol /FontDescriptor 10 0 R >>");
    b.set(10, "<< /Type /FontDescriptor /Flags 4 /FontFile2 7 0 R >>");
    b.set(11, "<< /Subtype /Type1 /BaseFont /Garamond >>");
    b.set(12,
          "<< /Subtype /TrueType /BaseFont /LiberationSans /Encoding /WinAnsiEncoding "
          "/FontDescriptor 13 0 R >>");
    b.set(13, "<< /Type /FontDescriptor /Flags 32 /FontFile2 7 0 R >>");
    return b;
  }
  FontDocument document = openFonts(objects(font_testing::systemFont("Arial")));
  fonts_testing::FakeFonts fonts;
  FontLibrary library{true};
  FontLoader loader;
};

TEST(FontLoader, OwnProgramsAndFixedNamesListNoInstalledFaces) {
  if (font_testing::systemFont("Arial").empty()) GTEST_SKIP() << "no installed Arial substitute";
  LoaderOverFakeFonts l({fonts_testing::Face("Garamond", "Garamond")});
  std::unique_ptr<S_FixedPosSize_Font> sans = l.load(12);
  EXPECT_TRUE(sans->hasFace());
  EXPECT_EQ(sans->baseEncoding, BaseEncodingId::WinAnsi);
  std::unique_ptr<S_FixedPosSize_Font> type3 = l.load(8);
  EXPECT_EQ(type3->kind, FontKind::Type3);
  // A name of the fixed table is decided at once, program or not.
  std::unique_ptr<S_FixedPosSize_Font> symbol = l.load(9);
  EXPECT_EQ(symbol->faceName, "Symbol");
  EXPECT_FALSE(symbol->faceNamePending);
  EXPECT_EQ(l.fonts.source->listings, 0);
  // A font without a program still takes its installed face.
  std::unique_ptr<S_FixedPosSize_Font> garamond = l.load(11);
  EXPECT_EQ(garamond->faceName, "Garamond");
  EXPECT_EQ(l.fonts.source->listings, 1);
}

TEST(FontLoader, APendingFaceNameIsMatchedWhenTheEncodingDependsOnIt) {
  if (font_testing::systemFont("Arial").empty()) GTEST_SKIP() << "no installed Arial substitute";
  // The installed face a symbolic program's name matches picks the Wingdings base encoding.
  LoaderOverFakeFonts wing({fonts_testing::Face("Dings Wingdings", "Dings Wingdings")});
  std::unique_ptr<S_FixedPosSize_Font> f = wing.load(5);
  EXPECT_TRUE(f->embedded());
  EXPECT_FALSE(f->faceNamePending);
  EXPECT_EQ(f->faceName, "Dings Wingdings");
  EXPECT_EQ(f->baseEncoding, BaseEncodingId::Wingdings);
  // Without such a face the same font has no base encoding.
  LoaderOverFakeFonts plain({fonts_testing::Face("Garamond", "Garamond")});
  EXPECT_EQ(plain.load(5)->baseEncoding, BaseEncodingId::None);
}

}  // namespace

namespace {

TEST(FontLoader, SubstitutesTakeTheStyleOfTheNameAndTheDescriptor) {
  if (font_testing::systemFont("Arial").empty()) GTEST_SKIP() << "no installed Arial substitute";
  PdfBuilder b;
  const char* descriptor = " /FontDescriptor << /Type /FontDescriptor /Flags 32 ";
  b.set(5, std::string("<< /Type /Font /Subtype /TrueType /BaseFont /Arial-ItalicMT") + descriptor +
               "/ItalicAngle 0 >> >>");
  b.set(6, std::string("<< /Type /Font /Subtype /TrueType /BaseFont /MyFont") + descriptor +
               "/ItalicAngle -12 /FontWeight 700 >> >>");
  b.set(7, std::string("<< /Type /Font /Subtype /TrueType /BaseFont /Arial,Bold") + descriptor +
               ">> >>");
  FontDocument d = openFonts(b);
  auto style = [](const S_FixedPosSize_Font* f) {
    if (!f->face) return -1L;
    return f->face->get()->style_flags & (FT_STYLE_FLAG_ITALIC | FT_STYLE_FLAG_BOLD);
  };
  S_FixedPosSize_Font* italic = d.load(5);
  EXPECT_EQ(italic->faceName, "Arial Italic");
  EXPECT_EQ(style(italic), FT_STYLE_FLAG_ITALIC);
  S_FixedPosSize_Font* both = d.load(6);
  EXPECT_EQ(both->faceName, "Arial Bold Italic");
  EXPECT_EQ(style(both), FT_STYLE_FLAG_ITALIC | FT_STYLE_FLAG_BOLD);
  EXPECT_EQ(style(d.load(7)), FT_STYLE_FLAG_BOLD);
}

}  // namespace
