// Page text as copying gives it.

#include <gtest/gtest.h>

#include "engine/layout/unicode_text.h"
#include "tests/engine/layout/glyph_text.h"

TEST(TextExport, LinesRunsAndPages) {
  TextRun a, b, c;
  a.text = u"Contents";
  b.text = u"7";
  c.text = u"Next \U0001F600 line";  // a surrogate pair
  b.line = 0;
  c.line = 1;
  const std::vector<const TextRun*> page{&a, &b, &c};
  EXPECT_EQ(text_export::runsText(page, "\n"), "Contents 7\nNext \xF0\x9F\x98\x80 line");
  EXPECT_EQ(
      text_export::copyText({page, {}, {&c}}),
      "\xEF\xBB\xBF"
      "Contents 7\r\nNext \xF0\x9F\x98\x80 line\r\n\r\n\r\n\r\n\r\nNext \xF0\x9F\x98\x80 line");
  EXPECT_EQ(text_export::copyText({}), "\xEF\xBB\xBF");
  // Ligatures come out as their letters; other presentation forms stay.
  TextRun d;
  d.text = u"\uFB01le \uFB03x \uFB00 \uFB4F";
  EXPECT_EQ(text_export::runsText({&d}, "\n"), "file ffix ff \xEF\xAD\x8F");

  // Through the layout: the pair survives, a lone surrogate does not.
  std::vector<CollectedGlyph> glyphs;
  layout_test::place(glyphs, u"x\U0001F600y", 72, 100);
  CollectedGlyph lone = glyphs.back();
  lone.unit = 0xDC00;
  glyphs.insert(glyphs.end() - 1, lone);
  EXPECT_EQ(layout_test::pageText(glyphs), "x\xF0\x9F\x98\x80y\n");
}

TEST(TextExport, Utf8BothWays) {
  const std::u16string text = u"a\u00E9\u20AC\U0001F600";
  const std::string utf8 = unicode_text::toUtf8(text);
  EXPECT_EQ(utf8, "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80");
  bool valid = false;
  EXPECT_EQ(unicode_text::fromUtf8(utf8, &valid), text);
  EXPECT_TRUE(valid);
  // Truncated, overlong and surrogate encodings become U+FFFD.
  EXPECT_EQ(unicode_text::fromUtf8("a\xE2\x82", &valid), u"a\uFFFD");
  EXPECT_FALSE(valid);
  EXPECT_EQ(unicode_text::fromUtf8("\xC0\xAF\xED\xA0\x80"), u"\uFFFD\uFFFD");
}
