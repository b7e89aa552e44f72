// Images, image masks, inline images and form XObjects on a page.

#include <gtest/gtest.h>

#include "engine/messages/message_listener.h"
#include "engine/render/image_bitmap.h"
#include "tests/engine/render/page_fixture.h"

using testing_pdf::PdfBuilder;
using testing_render::drawContent;

namespace {

constexpr uint32_t kWhite = 0xFFFFFFFF;
constexpr uint32_t kBlack = 0xFF000000;

std::string hexBytes(const std::string& bytes) {
  std::string out;
  char b[3];
  for (unsigned char c : bytes) {
    std::snprintf(b, sizeof b, "%02x", c);
    out += b;
  }
  return out + ">";
}

TEST(ImageDraw, ReductionRule) {
  EXPECT_EQ(reducedDimension(2000, true), 1200);
  EXPECT_EQ(reducedDimension(1000, true), 1000);
  EXPECT_EQ(reducedDimension(2000, false), 2000);
}

TEST(ImageDraw, ImagesFillTheirUnitSquare) {
  // A 2x1 RGB image, red then blue, over the page's left half.
  PdfBuilder b;
  b.set(5, "<< /XObject << /Im 6 0 R >> >>");
  b.setStream(6,
              "/Type /XObject /Subtype /Image /Width 2 /Height 1 /BitsPerComponent 8 /ColorSpace "
              "/DeviceRGB",
              std::string("\xFF\x00\x00\x00\x00\xFF", 6));
  auto page = drawContent("q 100 0 0 100 0 0 cm /Im Do Q", 200, 100, "/Resources 5 0 R", b);
  EXPECT_EQ(page.at(25, 50), 0xFFFF0000u);
  EXPECT_EQ(page.at(75, 50), 0xFF0000FFu);
  EXPECT_EQ(page.at(150, 50), kWhite);
  // Magnified more than six times: sharp pixels, no blend at the seam.
  EXPECT_EQ(page.at(49, 50), 0xFFFF0000u);
  EXPECT_EQ(page.at(50, 50), 0xFF0000FFu);

  // Drawing the page again at another zoom reuses the bitmap; another page drops it.
  int64_t built = page.draw->bitmapsBuilt();
  brevia::gfx::Bitmap larger(400, 200);
  page.draw->render(testing_render::requestAt72(1, larger, 200, 100, 2.0));
  EXPECT_EQ(page.draw->bitmapsBuilt(), built);
  EXPECT_EQ(larger.colourAt(50, 100), 0xFFFF0000u);
  // An ExtGState's ca applies to images, and ca 1 makes them opaque again.
  b.set(5, "<< /XObject << /Im 6 0 R >> /ExtGState << /Half << /ca 0.5 >> /Full << /ca 1 >> >> >>");
  auto alpha =
      drawContent("/Half gs q 100 0 0 100 0 0 cm /Im Do Q /Full gs q 100 0 0 100 100 0 cm /Im Do Q",
                  200, 100, "/Resources 5 0 R", b);
  EXPECT_NEAR(int((alpha.at(25, 50) >> 8) & 0xFF), 128, 2);
  EXPECT_EQ(alpha.at(125, 50), 0xFFFF0000u);
  // The text rendering mode is for text: an image drawn while it is 7 is still painted.
  auto shown = drawContent("7 Tr q 100 0 0 100 0 0 cm /Im Do Q", 200, 100, "/Resources 5 0 R", b);
  EXPECT_EQ(shown.at(25, 50), 0xFFFF0000u);
}

TEST(ImageDraw, MasksIndexedAndShortData) {
  PdfBuilder b;
  b.set(5, "<< /XObject << /M 6 0 R /I 7 0 R /S 8 0 R >> >>");
  // An 8x1 mask with Decode [1 0]: samples that are 1 paint.
  b.setStream(6, "/Subtype /Image /Width 8 /Height 1 /ImageMask true /Decode [1 0]",
              std::string("\xF0", 1));
  // Indexed over RGB: index 1 is green.
  b.setStream(7,
              "/Subtype /Image /Width 2 /Height 1 /BitsPerComponent 8 /ColorSpace [/Indexed "
              "/DeviceRGB 1 <FF000000FF00>]",
              std::string("\x01\x00", 2));
  // Data far shorter than the size says.
  b.setStream(
      8, "/Subtype /Image /Width 5000 /Height 5000 /BitsPerComponent 8 /ColorSpace /DeviceGray",
      "ab");
  auto page = drawContent(
      "0 0 1 rg q 80 0 0 10 0 80 cm /M Do Q q 100 0 0 10 100 0 cm /I Do Q "
      "q 50 0 0 50 0 0 cm /S Do Q",
      200, 100, "/Resources 5 0 R", b);
  EXPECT_EQ(page.at(5, 15), 0xFF0000FFu);  // painted, in the fill colour
  EXPECT_EQ(page.at(75, 15), kWhite);      // transparent
  EXPECT_EQ(page.at(125, 95), 0xFF00FF00u);
  EXPECT_EQ(page.at(175, 95), 0xFFFF0000u);
  EXPECT_EQ(page.at(40, 95), kBlack);  // the missing samples read as 0
}

TEST(ImageDraw, ImageMasksShowTheFillPatternThroughTheirSamples) {
  // A mask with Decode [1 0] painted with a red-to-blue axial shading, and an inline one painted
  // with a tiling pattern of green cells.
  PdfBuilder b;
  b.set(5, "<< /XObject << /M 6 0 R >> /Pattern << /Sh 7 0 R /T 8 0 R >> >>");
  b.setStream(6, "/Subtype /Image /Width 8 /Height 1 /ImageMask true /Decode [1 0]",
              std::string("\xF0", 1));
  b.set(7,
        "<< /PatternType 2 /Shading << /ShadingType 2 /ColorSpace /DeviceRGB /Coords [0 0 160 0] "
        "/Function << /FunctionType 2 /Domain [0 1] /C0 [1 0 0] /C1 [0 0 1] /N 1 >> >> >>");
  b.setStream(8, "/PatternType 1 /PaintType 1 /TilingType 1 /BBox [0 0 10 10] /XStep 10 /YStep 10",
              "0 1 0 rg 0 0 10 10 re f");
  auto page = drawContent(
      "/Pattern cs /Sh scn q 160 0 0 40 0 60 cm /M Do Q "
      "/T scn q 160 0 0 40 0 0 cm BI /W 8 /H 1 /IM true ID \x0F EI Q",
      200, 100, "/Resources 5 0 R", b);
  const uint32_t left = page.at(10, 20), right = page.at(70, 20);
  EXPECT_GT(int(left >> 16 & 0xFF), 200);  // the shading's red end, not black
  EXPECT_LT(int(left & 0xFF), 60);
  EXPECT_GT(int(right & 0xFF), 80);  // bluer further right
  EXPECT_LT(int(right >> 16 & 0xFF), int(left >> 16 & 0xFF));
  EXPECT_EQ(page.at(120, 20), kWhite);  // samples that are 0 leave the page alone
  // The inline mask paints its 0 samples (the left half) with the tiling's green.
  EXPECT_EQ(page.at(40, 80), 0xFF00FF00u);
  EXPECT_EQ(page.at(120, 80), kWhite);
}

TEST(ImageDraw, InlineImages) {
  auto page = drawContent("q 200 0 0 100 0 0 cm BI /W 2 /H 1 /BPC 8 /CS /RGB /F /AHx ID " +
                          hexBytes(std::string("\x00\xFF\x00\x00\x00\x00", 6)) + " EI Q");
  EXPECT_EQ(page.at(50, 50), 0xFF00FF00u);
  EXPECT_EQ(page.at(150, 50), kBlack);
}

TEST(ImageDraw, FormsUseTheirOwnResourcesAndNest) {
  PdfBuilder b;
  b.set(5,
        "<< /XObject << /F 6 0 R /Self 7 0 R /PS 8 0 R /Odd 9 0 R /Bare 10 0 R >> "
        "/ExtGState << /G << /ca 1 >> >> >>");
  // The form draws its rectangle with a colour space only the form defines.
  b.setStream(6,
              "/Subtype /Form /BBox [0 0 50 50] /Matrix [1 0 0 1 10 0] /Resources << /ColorSpace "
              "<< /Red [/Indexed /DeviceRGB 0 <FF0000>] >> >> "
              "/Ref << >> /Metadata 1 0 R /PieceInfo << >>",
              "/Red cs 0 sc 0 0 20 20 re f");
  // A form that draws itself stops at the nesting limit.
  b.setStream(7, "/Subtype /Form /BBox [0 0 1 1]", "/Self Do");
  b.setStream(8, "/Subtype /PS", "garbage");
  b.setStream(9, "/Subtype /Unknown", "");
  b.setStream(10, "/Subtype /Form", "0 0 5 5 re f");
  auto page = drawContent(
      "/F Do q 1 0 0 1 100 0 cm /F Do Q /PS Do /Odd Do /Bare Do /Self Do /Red cs 0 0 0 rg 190 90 "
      "10 10 re f",
      200, 100, "/Resources 5 0 R", b);
  EXPECT_EQ(page.at(15, 95), 0xFFFF0000u);
  EXPECT_EQ(page.at(115, 95), 0xFFFF0000u);  // drawn twice from one parse
  EXPECT_EQ(page.at(2, 97), kBlack);         // a form without Resources uses the page's
  EXPECT_EQ(page.at(195, 5), kBlack);        // /Red is the form's, not the page's
}

TEST(ImageDraw, SoftMasksStencilMasksAndColourKeys) {
  PdfBuilder b;
  b.set(5, "<< /XObject << /Soft 6 0 R /Matted 8 0 R /Stencil 10 0 R /Keyed 12 0 R >> >>");
  const std::string red2("\xFF\x00\x00\xFF\x00\x00", 6);
  // An SMask opaque on the left, transparent on the right.
  b.setStream(
      6,
      "/Subtype /Image /Width 2 /Height 1 /BitsPerComponent 8 /ColorSpace /DeviceRGB /SMask 7 0 R",
      red2);
  b.setStream(7, "/Subtype /Image /Width 2 /Height 1 /BitsPerComponent 8 /ColorSpace /DeviceGray",
              std::string("\xFF\x00", 2));
  // Colours blended with black by half: the Matte takes the blend back out.
  b.setStream(
      8,
      "/Subtype /Image /Width 1 /Height 1 /BitsPerComponent 8 /ColorSpace /DeviceRGB /SMask 9 0 R",
      std::string("\x80\x00\x00", 3));
  b.setStream(9,
              "/Subtype /Image /Width 1 /Height 1 /BitsPerComponent 8 /ColorSpace /DeviceGray "
              "/Matte [0 0 0]",
              std::string("\x80", 1));
  // A stencil twice as fine as its one-pixel image: 1 masks out, 0 paints.
  b.setStream(
      10,
      "/Subtype /Image /Width 1 /Height 1 /BitsPerComponent 8 /ColorSpace /DeviceRGB /Mask 11 0 R",
      std::string("\xFF\x00\x00", 3));
  b.setStream(11, "/Subtype /Image /Width 2 /Height 1 /ImageMask true", std::string("\x80", 1));
  // Samples 0..10 are keyed out.
  b.setStream(
      12,
      "/Subtype /Image /Width 2 /Height 1 /BitsPerComponent 8 /ColorSpace /DeviceGray /Mask [0 10]",
      std::string("\x05\xC8", 2));
  auto page = drawContent(
      "q 100 0 0 50 0 50 cm /Soft Do Q q 100 0 0 50 100 50 cm /Matted Do Q "
      "q 100 0 0 50 0 0 cm /Stencil Do Q q 100 0 0 50 100 0 cm /Keyed Do Q",
      200, 100, "/Resources 5 0 R", b);
  EXPECT_EQ(page.at(25, 25), 0xFFFF0000u);
  EXPECT_EQ(page.at(75, 25), kWhite);
  const uint32_t matted = page.at(150, 25);
  EXPECT_EQ((matted >> 16) & 0xFF, 0xFFu);
  EXPECT_NEAR(int((matted >> 8) & 0xFF), 127, 3);  // full red at half opacity over white
  EXPECT_EQ(page.at(25, 75), kWhite);
  EXPECT_EQ(page.at(75, 75), 0xFFFF0000u);
  EXPECT_EQ(page.at(125, 75), kWhite);
  EXPECT_EQ(page.at(175, 75), 0xFFC8C8C8u);
}

}  // namespace