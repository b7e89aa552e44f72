// Appearance streams of annotations that are not form widgets.

#include <gtest/gtest.h>

#include "tests/engine/render/page_fixture.h"

using testing_pdf::PdfBuilder;
using testing_render::drawContent;

namespace {

constexpr uint32_t kWhite = 0xFFFFFFFF;
constexpr uint32_t kRed = 0xFFFF0000;

TEST(AnnotationDraw, NormalAppearancesFitTheirRect) {
  PdfBuilder b;
  // A 10 x 10 appearance stretched over a 40 x 20 Rect; the same on a hidden, a no-view, a
  // widget and a popup annotation; a state dictionary chosen by AS.
  b.setStream(5, "/Subtype /Form /BBox [0 0 10 10]", "1 0 0 rg 0 0 10 10 re f");
  b.set(6, "<< /Subtype /Stamp /Rect [10 10 50 30] /AP << /N 5 0 R >> >>");
  b.set(7, "<< /Subtype /Square /Rect [60 10 80 30] /F 2 /AP << /N 5 0 R >> >>");
  b.set(8, "<< /Subtype /Square /Rect [90 10 110 30] /F 32 /AP << /N 5 0 R >> >>");
  b.set(9, "<< /Subtype /Widget /Rect [120 10 140 30] /AP << /N 5 0 R >> >>");
  b.set(10, "<< /Subtype /Popup /Rect [150 10 170 30] /AP << /N 5 0 R >> >>");
  b.set(11,
        "<< /Subtype /Ink /Rect [10 60 30 80] /AS /On /AP << /N << /On 5 0 R /Off 12 0 R >> >> >>");
  b.setStream(12, "/Subtype /Form /BBox [0 0 10 10]", "0 0 1 rg 0 0 10 10 re f");
  auto page =
      drawContent("", 200, 100, "/Annots [6 0 R 7 0 R 8 0 R 9 0 R 10 0 R 11 0 R 99 0 R]", b);
  EXPECT_EQ(page.at(12, 88), kRed);
  EXPECT_EQ(page.at(48, 72), kRed);
  EXPECT_EQ(page.at(52, 80), kWhite);
  EXPECT_EQ(page.at(70, 80), kWhite);
  EXPECT_EQ(page.at(100, 80), kWhite);
  EXPECT_EQ(page.at(130, 80), kWhite);
  EXPECT_EQ(page.at(160, 80), kWhite);
  EXPECT_EQ(page.at(20, 30), kRed);
}

}  // namespace
