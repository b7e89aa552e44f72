#include "engine/document/text_string.h"

#include <gtest/gtest.h>

TEST(TextString, ByteOrderMarksAndEncodings) {
  // UTF-16BE with a pair for U+1F600; UTF-16LE; UTF-8 with its mark.
  EXPECT_EQ(decodeTextString(std::string("\xFE\xFF\x00\x41\xD8\x3D\xDE\x00", 8)), u"A\U0001F600");
  EXPECT_EQ(decodeTextString(std::string("\xFF\xFE\x41\x00\x42\x00", 6)), u"AB");
  EXPECT_EQ(decodeTextString("\xEF\xBB\xBF"
                             "caf\xC3\xA9 \xF0\x9F\x98\x80"),
            u"café \U0001F600");
  // PDFDocEncoding: its own codes where it differs from Latin-1.
  EXPECT_EQ(decodeTextString("\x80\x84\x92\xA0\xE9\x18"), u"\u2022\u2014\u2122\u20AC\u00E9\u02D8");
  EXPECT_EQ(decodeTextString(""), u"");
  EXPECT_EQ(textStringToUtf8(std::string("\xFE\xFF\x00\xE9", 4)), "\xC3\xA9");
}

TEST(TextString, MalformedInputLosesNoMoreThanItMust) {
  // An odd trailing byte and lone surrogates are dropped; a pair split by the end is dropped too.
  EXPECT_EQ(decodeTextString(std::string("\xFE\xFF\x00\x41\x00", 5)), u"A");
  EXPECT_EQ(decodeTextString(std::string("\xFE\xFF\xDC\x00\x00\x42\xD8\x3D", 8)), u"B");
  // Malformed UTF-8: a stray continuation byte, an overlong form, a cut sequence.
  EXPECT_EQ(decodeTextString("\xEF\xBB\xBF"
                             "a\x80"
                             "b\xC0\xAF"
                             "c\xE2\x82"),
            u"a\uFFFDb\uFFFD\uFFFDc\uFFFD\uFFFD");
  // Undefined PDFDocEncoding codes keep their byte value.
  EXPECT_EQ(decodeTextString("\x7F\x9F"), u"\u007F\u009F");
  EXPECT_EQ(utf16ToUtf8(u"x\xD800y"), "xy");
}
