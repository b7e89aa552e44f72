// The Unicode text of shown codes and the glyph-name tables behind it.

#include <gtest/gtest.h>

#include "engine/fonts/name_code_table.h"
#include "engine/fonts/unicode_mapping.h"
#include "tests/engine/fonts/font_test_support.h"

using font_testing::FontDocument;
using font_testing::openFonts;
using testing_pdf::PdfBuilder;

namespace {

std::u16string textOf(const S_FixedPosSize_Font& font, std::initializer_list<uint8_t> code) {
  std::vector<uint8_t> bytes(code);
  std::u16string text;
  unicodeOfCode(font, bytes.data(), static_cast<int>(bytes.size()), text);
  return text;
}

TEST(NameCodeTable, LooksUpBothWays) {
  const NameCodeTable& agl = nameCodeTable(NameCodeTableId::GlyphToUnicode);
  uint16_t code = 0;
  EXPECT_TRUE(agl.codeOf("A", code));
  EXPECT_EQ(code, 0x41);
  EXPECT_TRUE(agl.codeOf("zukatakana", code));
  EXPECT_EQ(code, 0x30BA);
  EXPECT_FALSE(agl.codeOf("notaglyphname", code));
  EXPECT_FALSE(agl.codeOf("", code));
  EXPECT_GT(agl.size(), 4000u);

  const NameCodeTable& win = nameCodeTable(NameCodeTableId::WinAnsi);
  // A name with two codes gives the first; a code gives its first name.
  EXPECT_TRUE(win.codeOf("space", code));
  EXPECT_EQ(code, 32);
  EXPECT_STREQ(win.nameOf(160), "space");
  EXPECT_STREQ(win.nameOf(0x80), "Euro");
  EXPECT_EQ(win.nameOf(0x81), nullptr);
  EXPECT_STREQ(nameCodeTable(NameCodeTableId::MacOsRoman).nameOf(219), "Euro");
  EXPECT_STREQ(nameCodeTable(NameCodeTableId::MacRoman).nameOf(219), "currency");
  EXPECT_TRUE(nameCodeTable(NameCodeTableId::SymbolToPrivateUse).codeOf("alpha", code));
  EXPECT_EQ(code, 0xF061);
  EXPECT_TRUE(nameCodeTable(NameCodeTableId::ControlNames).codeOf("VT", code));
  EXPECT_EQ(code, 11);

  EXPECT_TRUE(algorithmicNameCode("uni20AC", code));
  EXPECT_EQ(code, 0x20AC);
  EXPECT_TRUE(algorithmicNameCode("u1F600", code) == false);
  EXPECT_FALSE(algorithmicNameCode("uniD800", code));
  EXPECT_FALSE(algorithmicNameCode("uni20ac", code));
}

TEST(UnicodeMapping, ControlsAreRemovedOrReplaced) {
  std::u16string units = u"a\u0009b\u007F\u0081c\u009D";
  std::u16string replaced = units;
  normaliseControls(units, false);
  EXPECT_EQ(units, u"abc");
  normaliseControls(replaced, true);
  EXPECT_EQ(replaced, u"a\u00A4b\u00A4\u00A4c\u00A4");
}

TEST(UnicodeMapping, SimpleFontsReadGlyphNames) {
  PdfBuilder b;
  b.set(5,
        "<< /Subtype /Type1 /BaseFont /Helvetica /Encoding << /BaseEncoding /WinAnsiEncoding "
        "/Differences [1 /uni20AC /a.sc /C0065 /.notdef /ffi /parenleftbig /nosuchname /f_f_i] >> "
        ">>");
  b.set(6, "<< /Subtype /Type1 /BaseFont /Symbol >>");
  b.set(7, "<< /Subtype /Type1 /BaseFont /MathematicalPi-One >>");
  FontDocument d = openFonts(b);
  const S_FixedPosSize_Font& f = *d.load(5);
  EXPECT_EQ(textOf(f, {1}), u"\u20AC");
  EXPECT_EQ(textOf(f, {2}), u"a");
  EXPECT_EQ(textOf(f, {3}), u"A");
  EXPECT_EQ(textOf(f, {4}), u"");
  EXPECT_EQ(textOf(f, {5}), u"\uFB03");
  EXPECT_EQ(textOf(f, {6}), u"(");
  // An unknown name, and a code without a name, give the code itself (controls are dropped).
  EXPECT_EQ(textOf(f, {7}), u"");
  EXPECT_EQ(textOf(f, {8}), u"\uFB03");
  EXPECT_EQ(textOf(f, {0x93}), u"\u201C");
  EXPECT_EQ(textOf(f, {0x81}), u"\u2022");

  // The standard Symbol font reads its own encoding: code 'a' is alpha, as drawn, not a letter
  // of the Standard encoding or a private-use placeholder.
  const S_FixedPosSize_Font& symbol = *d.load(6);
  ASSERT_EQ(symbol.faceName, "Symbol");
  EXPECT_EQ(textOf(symbol, {'a'}), u"\u03B1");
  EXPECT_EQ(textOf(symbol, {'1'}), u"1");
  EXPECT_EQ(textOf(*d.load(7), {2}), u"\u00F7");
}

TEST(UnicodeMapping, ToUnicodeComesFirstAndEmptyResultsFallThrough) {
  PdfBuilder b;
  b.set(5, "<< /Subtype /Type1 /BaseFont /Helvetica /ToUnicode 6 0 R >>");
  b.setStream(6, "",
              "/CIDInit /ProcSet findresource begin 12 dict begin begincmap "
              "/CIDSystemInfo << /Registry (Adobe) /Ordering (UCS) /Supplement 0 >> def "
              "1 begincodespacerange <00> <FF> endcodespacerange "
              "3 beginbfchar <41> <005A> <42> <000A> <43> <D83DDE00> endbfchar endcmap");
  b.set(7, "<< /Subtype /Type0 /BaseFont /X /Encoding /Identity-H /DescendantFonts [8 0 R] >>");
  b.set(8,
        "<< /Subtype /CIDFontType2 /BaseFont /X "
        "/CIDSystemInfo << /Registry (Adobe) /Ordering (Identity) /Supplement 0 >> >>");
  b.set(9, "<< /Subtype /Type0 /BaseFont /X /Encoding /Identity-H /DescendantFonts [10 0 R] >>");
  b.set(10, "<< /Subtype /CIDFontType2 /BaseFont /X >>");
  FontDocument d = openFonts(b);
  const S_FixedPosSize_Font& f = *d.load(5);
  ASSERT_NE(f.toUnicodeMap(), nullptr);
  EXPECT_EQ(textOf(f, {'A'}), u"Z");
  // A line feed is removed; the glyph name decides then.
  EXPECT_EQ(textOf(f, {'B'}), u"B");
  EXPECT_EQ(textOf(f, {'C'}), u"\U0001F600");
  // Identity CIDs through the built-in UCS-2 map, or as they are without one.
  EXPECT_EQ(textOf(*d.load(7), {0x4E, 0x2D}), u"\u4E2D");
  EXPECT_EQ(textOf(*d.load(9), {0x00, 0x41}), u"A");
  // A CID in the surrogate range is no text.
  EXPECT_EQ(textOf(*d.load(9), {0xD8, 0x00}), u"");
}

}  // namespace
