// What built appearances read from annotation dictionaries and how they write content.

#include "engine/forms/appearance_text.h"

#include <gtest/gtest.h>

#include <cmath>

#include "engine/forms/annotation_style.h"
#include "engine/forms/content_writer.h"

namespace {

PdfObject number(const char* text) { return PdfObject(PdfObjectKind::Number, text); }

PdfObject array(std::vector<PdfObject> elements) {
  PdfObject a(PdfObjectKind::Array);
  a.elements = std::move(elements);
  return a;
}

TEST(DefaultAppearance, FontSizeAndColourFromOperators) {
  DefaultAppearance da = parseDefaultAppearance("/Helv 0 Tf 0 g");
  EXPECT_EQ(da.font, "Helv");
  EXPECT_EQ(da.size, 0);
  EXPECT_EQ(da.colour, std::vector<double>{0});
  da = parseDefaultAppearance("0.5 0 1 rg /F1#20x 9.5 Tf");
  EXPECT_EQ(da.font, "F1#20x");
  EXPECT_DOUBLE_EQ(da.size, 9.5);
  EXPECT_EQ(da.colour, (std::vector<double>{0.5, 0, 1}));
  // Operators without their operands, strings and stray bytes are passed over.
  da = parseDefaultAppearance("Tf rg (x) ] 12 /F2 Tf 1 0 0 0 k");
  EXPECT_EQ(da.font, "");
  EXPECT_EQ(da.colour, (std::vector<double>{1, 0, 0, 0}));
}

TEST(AppearanceText, LinesBreakAtWordsNewlinesAndInsideLongWords) {
  const FontWidths helvetica;
  // "aaaa" is 4 x 556 = 2224 thousandths: 22.24 points at size 10.
  EXPECT_EQ(breakLines("aaaa aaaa", helvetica, 10, 30), (std::vector<std::string>{"aaaa", "aaaa"}));
  EXPECT_EQ(breakLines("a\r\nb\rc\n", helvetica, 10, 100),
            (std::vector<std::string>{"a", "b", "c", ""}));
  EXPECT_EQ(breakLines("aaaaaaaa", helvetica, 10, 12),
            (std::vector<std::string>{"aa", "aa", "aa", "aa"}));
  // A box narrower than one letter still makes progress.
  EXPECT_EQ(breakLines("aaa", helvetica, 10, 1).size(), 3u);
  EXPECT_LE(breakLines(std::string(5000, '\n'), helvetica, 10, 100).size(), kMaxTextLines);
  FontWidths own{65, {1000, 500}};
  EXPECT_DOUBLE_EQ(own.textWidth("AB a", 10), 10 + 5 + 2.78 + 5.56);
}

TEST(AppearanceText, WinAnsiKeepsLatinAndQuotesAndMarksTheRest) {
  EXPECT_EQ(toWinAnsi(u"caf\u00e9 \u201cx\u201d \u20ac \u4e2d"), "caf\xe9 \x93x\x94 \x80 ?");
}

TEST(ContentWriter, NumbersAndStringsAsTheParserReadsThem) {
  EXPECT_EQ(formatNumber(1.0), "1");
  EXPECT_EQ(formatNumber(-0.00001), "0");
  EXPECT_EQ(formatNumber(2.5e12), "10000000");
  EXPECT_EQ(formatNumber(0.123456), "0.1235");
  EXPECT_EQ(formatNumber(std::nan("")), "0");
  ContentWriter w;
  w.string("a(b)\\\n").name("A B/").colour({1, 2, -1}, false).colour({0, 0}, true);
  EXPECT_EQ(w.text(), "(a\\(b\\)\\\\\\012) /A#20B#2F 1 1 0 rg\n");
}

TEST(AnnotationStyle, BorderFromBsOrBorderWithDashesAndClamps) {
  AnnotationValues direct;
  PdfObject a(PdfObjectKind::Dictionary);
  a.add("Border", array({number("0"), number("0"), number("3"), array({number("2")})}));
  a.add("CA", number("1.5"));
  AnnotationStyle s = readAnnotationStyle(a, direct);
  EXPECT_EQ(s.borderWidth, 3);
  EXPECT_EQ(s.dashes, std::vector<double>{2});
  EXPECT_EQ(s.opacity, 1);
  // BS wins over Border; a dashed style without D dashes 3 on 3 off; zero dashes are none.
  PdfObject bs(PdfObjectKind::Dictionary);
  bs.add("W", number("1000"));
  bs.add("S", PdfObject(PdfObjectKind::Name, "D"));
  a.add("BS", bs);
  s = readAnnotationStyle(a, direct);
  EXPECT_EQ(s.borderWidth, AnnotationStyle::kMaxBorderWidth);
  EXPECT_EQ(s.dashes, std::vector<double>{3});
  PdfObject b(PdfObjectKind::Dictionary);
  b.add("Border", array({number("0"), number("0"), number("1"), array({number("0")})}));
  EXPECT_TRUE(readAnnotationStyle(b, direct).dashes.empty());
}

}  // namespace
