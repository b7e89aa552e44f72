// Optional content that the document's default configuration turns off is not drawn.

#include <gtest/gtest.h>

#include "tests/engine/render/page_fixture.h"

using testing_pdf::PdfBuilder;
using testing_render::drawContent;

namespace {

constexpr uint32_t kWhite = 0xFFFFFFFF;
constexpr uint32_t kBlack = 0xFF000000;

// Groups 6 (on) and 7 (off), a form marked with the off group, and membership dictionaries.
PdfBuilder groups() {
  PdfBuilder b;
  b.set(5,
        "<< /Properties << /On 6 0 R /Off 7 0 R /AllOn 9 0 R /AnyOn 10 0 R >> /XObject << /F 8 0 R "
        ">> >>");
  b.set(6, "<< /Type /OCG /Name (shown) >>");
  b.set(7, "<< /Type /OCG /Name (hidden) >>");
  b.setStream(8, "/Subtype /Form /BBox [0 0 200 100] /OC 7 0 R", "0 0 200 10 re f");
  b.set(9, "<< /Type /OCMD /OCGs [6 0 R 7 0 R] /P /AllOn >>");
  b.set(10, "<< /Type /OCMD /OCGs [6 0 R 7 0 R] >>");
  return b;
}

TEST(OptionalContent, OffGroupsHideMarkedContentAndXObjects) {
  const std::string catalog = "/OCProperties << /OCGs [6 0 R 7 0 R] /D << /OFF [7 0 R] >> >>";
  auto page = drawContent(
      "/OC /On BDC 0 90 50 10 re f EMC "
      "/OC /Off BDC 50 90 50 10 re f /Tx BMC EMC 60 50 10 10 re f EMC "
      "/OC /AllOn BDC 100 90 50 10 re f EMC /OC /AnyOn BDC 150 90 50 10 re f EMC "
      "/F Do 0 40 10 10 re f",
      200, 100, "/Resources 5 0 R", groups(), catalog);
  EXPECT_EQ(page.at(25, 5), kBlack);
  EXPECT_EQ(page.at(75, 5), kWhite);
  EXPECT_EQ(page.at(65, 45), kWhite);  // still inside the hidden level after the nested EMC
  EXPECT_EQ(page.at(125, 5), kWhite);  // AllOn with one group off
  EXPECT_EQ(page.at(175, 5), kBlack);  // AnyOn with one group on
  EXPECT_EQ(page.at(25, 95), kWhite);  // the form marked with the off group
  EXPECT_EQ(page.at(5, 55), kBlack);   // painting resumes after the last EMC
}

TEST(OptionalContent, BaseStateOffTurnsEveryGroupOffButTheListedOnes) {
  const std::string catalog =
      "/OCProperties << /OCGs [6 0 R 7 0 R] /D << /BaseState /OFF /ON [7 0 R] >> >>";
  auto page = drawContent("/OC /On BDC 0 90 50 10 re f EMC /OC /Off BDC 50 90 50 10 re f EMC", 200,
                          100, "/Resources 5 0 R", groups(), catalog);
  EXPECT_EQ(page.at(25, 5), kWhite);
  EXPECT_EQ(page.at(75, 5), kBlack);
  // Without a configuration everything shows; a surplus EMC does nothing.
  auto plain = drawContent("EMC /OC /Off BDC 50 90 50 10 re f EMC /F Do", 200, 100,
                           "/Resources 5 0 R", groups());
  EXPECT_EQ(plain.at(75, 5), kBlack);
  EXPECT_EQ(plain.at(25, 95), kBlack);
}

}  // namespace
