// Field appearances built from values: what each kind writes, inherited entries, fonts.

#include "engine/forms/widget_appearance.h"

#include <gtest/gtest.h>

#include <string>

#include "engine/document/pdf_lexer.h"

namespace {

PdfObject parse(const std::string& text) {
  C_PDF_Mem_Buffer buffer(reinterpret_cast<const uint8_t*>(text.data()),
                          static_cast<int32_t>(text.size()));
  PdfLexer lexer(&buffer);
  PdfObject object;
  lexer.readObject(object, false, false);
  return object;
}

std::string content(const std::string& widget, const std::string& form = "<< >>") {
  const AnnotationValues values;
  auto built = buildWidgetAppearance(parse(widget), parse(form), values);
  return built ? built->content : "none";
}

int count(const std::string& text, const std::string& what) {
  int n = 0;
  for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

TEST(WidgetAppearance, TextFieldsCombPasswordAndMaxLen) {
  const std::string comb = content(
      "<< /FT /Tx /Ff 16777216 /MaxLen 4 /V (12345) /Rect [0 0 40 20] /DA (/Helv 10 Tf) >>");
  // Four cells of 10: each digit (5.56 wide) centred in its own.
  EXPECT_EQ(count(comb, "Tj"), 4);
  EXPECT_NE(comb.find("2.22 7.445 Td\n(1) Tj"), std::string::npos) << comb;
  EXPECT_NE(comb.find("32.22 7.445 Td\n(4) Tj"), std::string::npos) << comb;
  EXPECT_EQ(comb.find("(5)"), std::string::npos);
  const std::string password =
      content("<< /FT /Tx /Ff 8192 /V (secret) /Rect [0 0 100 20] /DA (/Helv 10 Tf) >>");
  EXPECT_NE(password.find("(******) Tj"), std::string::npos);
  EXPECT_NE(content("<< /FT /Tx /MaxLen 3 /V (abcdef) /Rect [0 0 100 20] >>").find("(abc) Tj"),
            std::string::npos);
  // Multi-line text breaks into lines from the top; centred with Q 1.
  const std::string multi = content(
      "<< /FT /Tx /Ff 4096 /Q 1 /V (aaaa aaaa) /Rect [0 0 30 100] /DA (/Helv 10 Tf 1 0 0 rg) >>");
  EXPECT_EQ(count(multi, "(aaaa) Tj"), 2);
  EXPECT_NE(multi.find("1 0 0 rg"), std::string::npos);
  EXPECT_EQ(content("<< /FT /Sig /Rect [0 0 10 10] >>"), "none");
  EXPECT_EQ(content("<< /FT /Tx /V (x) >>"), "none");
}

TEST(WidgetAppearance, InheritedEntriesAndTheFormsDefaults) {
  // Type, flags, value and DA from the parent; Q and the font from the form.
  const std::string text = content(
      "<< /Parent << /FT /Tx /V (HI) /Parent << /DA (/F1 8 Tf) >> >> /Rect [0 0 100 20] >>",
      "<< /Q 2 /DR << /Font << /F1 << /Subtype /Type1 /FirstChar 72 /Widths [1000 500] >> >> >> "
      ">>");
  // "HI" 12 wide at size 8, right-aligned before the 2-point padding (no border).
  EXPECT_NE(text.find("/F1 8 Tf\n0 g\n86 7.956 Td\n(HI) Tj"), std::string::npos) << text;
  const AnnotationValues values;
  auto built = buildWidgetAppearance(
      parse("<< /FT /Tx /V (x) /DA (/F2 0 Tf) /Rect [0 0 100 20] >>"),
      parse("<< /DR << /Font << /F2 << /Subtype /Type0 /DescendantFonts [] >> >> >> >>"), values);
  ASSERT_TRUE(built);
  // A composite font is replaced by Helvetica under the same name.
  const PdfObject* f2 = built->resources.lookup("Font")->lookup("F2");
  ASSERT_NE(f2, nullptr);
  EXPECT_TRUE(f2->lookup("BaseFont")->isName("Helvetica"));
}

TEST(WidgetAppearance, ButtonsAndChoices) {
  const std::string on =
      content("<< /FT /Btn /AS /Yes /Rect [0 0 20 20] /MK << /BC [0 0 1] /BG [1] >> >>");
  EXPECT_NE(on.find("0 0 1 RG"), std::string::npos);
  EXPECT_NE(on.find("h\nf\n"), std::string::npos);
  const std::string off = content("<< /FT /Btn /AS /Off /Rect [0 0 20 20] >>");
  EXPECT_EQ(off.find("h\nf\n"), std::string::npos);
  // Without AS the value says; a radio button shows a dot (curves).
  EXPECT_NE(content("<< /FT /Btn /Ff 32768 /V /A /Rect [0 0 20 20] >>").find(" c\n"),
            std::string::npos);
  EXPECT_NE(
      content("<< /FT /Btn /Ff 65536 /MK << /CA (Send) >> /Rect [0 0 80 20] >>").find("(Send) Tj"),
      std::string::npos);
  // A combo box shows the display text of its chosen option; a list box every row, the
  // chosen ones on the selection colour, from TI on.
  EXPECT_NE(content("<< /FT /Ch /Ff 131072 /V (m) /Opt [[(s) (Small)] [(m) (Medium)]] "
                    "/Rect [0 0 80 20] >>")
                .find("(Medium) Tj"),
            std::string::npos);
  const std::string list = content(
      "<< /FT /Ch /V [(b) (c)] /Opt [(a) (b) (c)] /TI 1 /Rect [0 0 80 60] /DA (/Helv 10 Tf) >>");
  EXPECT_EQ(list.find("(a) Tj"), std::string::npos);
  EXPECT_EQ(count(list, "0.6 0.75 0.9 rg"), 2);
}

TEST(WidgetAppearance, TurnedFieldsLayOutAlongTheirTurnedBox) {
  const AnnotationValues values;
  auto turned = buildWidgetAppearance(
      parse("<< /FT /Tx /V (x) /Rect [0 0 20 100] /MK << /R 90 >> >>"), parse("<< >>"), values);
  ASSERT_TRUE(turned);
  EXPECT_EQ(turned->bbox, (std::array<double, 4>{0, 0, 100, 20}));
  EXPECT_EQ(turned->matrix, (std::array<double, 6>{0, 1, -1, 0, 20, 0}));
  auto upsideDown = buildWidgetAppearance(
      parse("<< /FT /Tx /V (x) /Rect [0 0 20 100] /MK << /R -180 >> >>"), parse("<< >>"), values);
  ASSERT_TRUE(upsideDown);
  EXPECT_EQ(upsideDown->matrix, (std::array<double, 6>{-1, 0, 0, -1, 20, 100}));
}

}  // namespace
