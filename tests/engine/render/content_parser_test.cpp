#include "engine/render/content_parser.h"

#include <gtest/gtest.h>

#include "engine/render/xobject_descriptor.h"

namespace {

OperatorList parse(const std::string& text) {
  ContentContext context;
  return parseContent({reinterpret_cast<const uint8_t*>(text.data()), text.size()}, context);
}

TEST(ContentParser, NumbersAndOperandCounts) {
  OperatorList list = parse("1 0 0 1 0 0 cm 3.5 w 3 w 1 2 3 foo 4 w Qq");
  ASSERT_EQ(list.size(), 4u);
  EXPECT_EQ(list.records[0].code, kOp_cm);
  EXPECT_EQ(list.records[0].num[0], 1.0);
  EXPECT_EQ(list.records[0].num[5], 0.0);
  EXPECT_EQ(list.records[1].num[0], 3.5);
  EXPECT_EQ(list.records[2].num[0], 3.0);
  // Surplus operands: the earliest are used.
  EXPECT_EQ(list.records[3].code, kOp_w);
  EXPECT_EQ(list.records[3].num[0], 1.0);
  EXPECT_EQ(list.records[3].num[1], -1.0);

  // The stack is emptied when the 51st operand arrives; the operator still gives its record.
  std::string many;
  for (int i = 0; i < 51; ++i) many += std::to_string(i) + " ";
  OperatorList h = parse(many + "h 7 8 m");
  ASSERT_EQ(h.size(), 2u);
  EXPECT_EQ(h.records[0].code, kOp_h);
  EXPECT_EQ(h.records[1].num[0], 7.0);

  // An operator short of operands gives no record.
  EXPECT_TRUE(parse("1 2 3 re 5 cm").empty());
  EXPECT_TRUE(parse("").empty());
}

TEST(ContentParser, PatternColours) {
  OperatorList a = parse("/P1 scn /P1 SCN 0.2 0.4 0.6 /P1 scn 1 2 3 4 scn 1 /P2 scn");
  ASSERT_EQ(a.size(), 5u);
  EXPECT_EQ(a.records[0].code, kOp_scn);
  EXPECT_EQ(a.str(a.records[0], 0), "P1");
  // A stroking pattern without components keeps its name as a filling one does.
  EXPECT_EQ(a.records[1].code, kOp_SCN);
  EXPECT_EQ(a.str(a.records[1], 0), "P1");
  EXPECT_EQ(a.records[2].num[2], 0.6);
  EXPECT_EQ(a.str(a.records[2], 3), "P1");
  EXPECT_EQ(a.records[3].num[3], 4.0);
  EXPECT_EQ(a.str(a.records[4], 1), "P2");

  OperatorList sc = parse("0.5 0.5 sc 1 2 3 4 5 sc");
  EXPECT_EQ(sc.records[0].num[0], 0.5);
  EXPECT_EQ(sc.records[0].num[1], -1.0);
  EXPECT_EQ(sc.records[1].num[3], 4.0);
}

TEST(ContentParser, TextOperators) {
  OperatorList list = parse("BT /F1 12 Tf (Hi\\)) Tj [(A) -250 (B)] TJ 1 2 (x) \" ET");
  ASSERT_EQ(list.size(), 6u);
  EXPECT_EQ(list.str(list.records[1], 0), "F1");
  EXPECT_EQ(list.records[1].num[1], 12.0);
  EXPECT_EQ(list.str(list.records[2], 0), "Hi)");
  EXPECT_EQ(list.records[2].binary, 1);
  const PdfObject* array = list.object(list.records[3]);
  ASSERT_NE(array, nullptr);
  EXPECT_EQ(array->elements.size(), 3u);
  EXPECT_EQ(list.str(list.records[4], 2), "x");
  EXPECT_EQ(list.records[4].num[1], 2.0);
}

TEST(ContentParser, InlineImages) {
  // The data holds "EI" not followed by whitespace, which does not end it.
  std::string content = "q BI /W 2 /H 1 /BPC 8 /CS /G /F /AHx ID 4549 EI>EI Q";
  OperatorList list = parse(content);
  ASSERT_EQ(list.size(), 3u);
  EXPECT_EQ(list.records[1].code, kOp_BI);
  const XObjectDescriptor* image = list.image(list.records[1]);
  ASSERT_NE(image, nullptr);
  EXPECT_EQ(image->width, 2);
  EXPECT_EQ(image->bitsPerComponent, 8);
  // No resolver: the raw bytes are kept.
  EXPECT_EQ(std::string(image->data.begin(), image->data.end()), "4549 EI>");
  EXPECT_EQ(list.records[2].code, kOp_Q);

  OperatorList mask = parse("BI /IM true /D [1 0] /W 8 /H 1 ID \x0F EI");
  const XObjectDescriptor* m = mask.image(mask.records[0]);
  EXPECT_TRUE(m->imageMask);
  EXPECT_TRUE(m->decodeInverted);
  EXPECT_EQ(m->dataLength, 2);  // the separator before EI is part of the data

  // Data that runs to the end of the content.
  OperatorList open = parse("BI /W 1 /H 1 ID abc");
  EXPECT_EQ(open.image(open.records[0])->dataLength, 3);
}

}  // namespace
