// Images, image masks, inline images and form XObjects on a page.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <zlib.h>

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

std::string testFile(const std::string& name) {
  const char* dir = std::getenv("BREVIA_TEST_DATA");
  std::ifstream f(
      (dir ? std::filesystem::path(dir) : std::filesystem::path(BREVIA_SOURCE_DIR) / "tests/data") /
          name,
      std::ios::binary);
  return {std::istreambuf_iterator<char>(f), {}};
}

// The largest difference of any channel between two drawings of the same size.
int largestDifference(const brevia::gfx::Bitmap& a, const brevia::gfx::Bitmap& b) {
  int worst = 0;
  for (int y = 0; y < a.height(); ++y)
    for (int x = 0; x < a.width(); ++x)
      for (int shift : {0, 8, 16}) {
        const int p = int(a.colourAt(x, y) >> shift & 0xFF),
                  q = int(b.colourAt(x, y) >> shift & 0xFF);
        worst = std::max(worst, std::abs(p - q));
      }
  return worst;
}

TEST(ImageDraw, JpegsDrawnSmallAreDecodedSmallAndAgainLargeWhenDrawnLarge) {
  // The same 64x48 photo as a JPEG and as its decoded samples, drawn at 12x9 points.
  const std::string jpeg = testFile("jpeg/baseline_444.jpg");
  const std::string ppm = testFile("jpeg/baseline_444.ppm");
  ASSERT_GT(jpeg.size(), 100u);
  ASSERT_GT(ppm.size(), 64u * 48 * 3);
  PdfBuilder b;
  b.set(5, "<< /XObject << /J 6 0 R /R 7 0 R >> >>");
  b.setStream(6,
              "/Subtype /Image /Width 64 /Height 48 /BitsPerComponent 8 /ColorSpace /DeviceRGB "
              "/Filter /DCTDecode",
              jpeg);
  b.setStream(7, "/Subtype /Image /Width 64 /Height 48 /BitsPerComponent 8 /ColorSpace /DeviceRGB",
              ppm.substr(ppm.size() - 64 * 48 * 3));
  auto small = drawContent("q 12 0 0 9 0 0 cm /J Do Q", 12, 9, "/Resources 5 0 R", b);
  auto reference = drawContent("q 12 0 0 9 0 0 cm /R Do Q", 12, 9, "/Resources 5 0 R", b);
  EXPECT_LE(largestDifference(small.bitmap, reference.bitmap), 24);

  // At eight times the size the small bitmap is not enough: the image is decoded again whole,
  // as a fresh drawing at that size decodes it.
  brevia::gfx::Bitmap larger(96, 72);
  small.draw->drawPage(1, 1, larger, 0, 20, 9, 12, 8.0, 0, 0, 0, 0, 0, 0);
  auto fresh = drawContent("q 96 0 0 72 0 0 cm /J Do Q", 96, 72, "/Resources 5 0 R", b);
  EXPECT_EQ(largestDifference(larger, fresh.bitmap), 0);
  brevia::gfx::Bitmap referenceLarger(96, 72);
  reference.draw->drawPage(1, 1, referenceLarger, 0, 20, 9, 12, 8.0, 0, 0, 0, 0, 0, 0);
  EXPECT_LE(largestDifference(larger, referenceLarger), 24);
}

// Rows of a mask, each made by row(y), compressed as a Flate stream one row at a time.
template <typename RowOf>
std::string flateRows(int width, int height, RowOf row) {
  z_stream z{};
  deflateInit(&z, 1);
  std::string out, line(std::size_t(width), '\0');
  std::vector<unsigned char> buffer(1 << 16);
  for (int y = 0; y <= height; ++y) {
    if (y < height) row(y, line);
    z.next_in = reinterpret_cast<Bytef*>(line.data());
    z.avail_in = y < height ? uInt(line.size()) : 0;
    do {
      z.next_out = buffer.data();
      z.avail_out = uInt(buffer.size());
      deflate(&z, y < height ? Z_NO_FLUSH : Z_FINISH);
      out.append(reinterpret_cast<char*>(buffer.data()), buffer.size() - z.avail_out);
    } while (z.avail_out == 0);
  }
  deflateEnd(&z);
  return out;
}

TEST(ImageDraw, SoftMasksFarFinerThanTheirDrawingAreReducedAsTheyAreRead) {
  PdfBuilder b;
  b.set(5, "<< /XObject << /Fine 6 0 R /Coarse 8 0 R /Huge 10 0 R >> >>");
  const std::string red4("\xFF\x00\x00\xFF\x00\x00\xFF\x00\x00\xFF\x00\x00", 12);
  const char* image =
      "/Subtype /Image /Width 2 /Height 2 /BitsPerComponent 8 /ColorSpace /DeviceRGB /SMask ";
  // Ten steps of opacity across, 600 x 700 samples each: drawn 100 points wide the mask is read
  // forty samples to one; the same steps as a 10 x 1 mask give the same page.
  b.setStream(6, std::string(image) + "7 0 R", red4);
  b.setStream(7,
              "/Subtype /Image /Width 6000 /Height 700 /BitsPerComponent 8 /ColorSpace /DeviceGray "
              "/Filter /FlateDecode",
              flateRows(6000, 700, [](int, std::string& line) {
                for (int x = 0; x < 6000; ++x) line[x] = char(x / 600 * 28);
              }));
  b.setStream(8, std::string(image) + "9 0 R", red4);
  std::string steps;
  for (int i = 0; i < 10; ++i) steps += char(i * 28);
  b.setStream(9, "/Subtype /Image /Width 10 /Height 1 /BitsPerComponent 8 /ColorSpace /DeviceGray",
              steps);
  // More samples than any bitmap may hold (8192 x 6200): opaque on the left, clear on the right.
  b.setStream(10, std::string(image) + "11 0 R", red4);
  b.setStream(11,
              "/Subtype /Image /Width 8192 /Height 6200 /BitsPerComponent 8 /ColorSpace "
              "/DeviceGray /Filter /FlateDecode",
              flateRows(8192, 6200, [](int y, std::string& line) {
                if (y == 0)
                  for (int x = 0; x < 8192; ++x) line[x] = x < 4096 ? '\xFF' : '\0';
              }));
  // Two thousand million rows said, a thousand given (opaque): the rest reads as clear, without
  // going through them.
  b.set(5, "<< /XObject << /Fine 6 0 R /Coarse 8 0 R /Huge 10 0 R /Short 12 0 R >> >>");
  b.setStream(12, std::string(image) + "13 0 R", red4);
  b.setStream(13,
              "/Subtype /Image /Width 5000 /Height 2000000000 /BitsPerComponent 8 /ColorSpace "
              "/DeviceGray /Filter /FlateDecode",
              flateRows(5000, 1000, [](int, std::string& line) { line.assign(5000, '\xFF'); }));
  auto fine = drawContent(
      "q 100 0 0 10 0 0 cm /Fine Do Q q 100 0 0 50 0 50 cm /Huge Do Q q 100 0 0 30 0 10 cm /Short "
      "Do Q",
      100, 100, "/Resources 5 0 R", b);
  EXPECT_EQ(fine.at(50, 75), kWhite);
  auto coarse = drawContent("q 100 0 0 10 0 0 cm /Coarse Do Q", 100, 100, "/Resources 5 0 R", b);
  for (int step = 0; step < 10; ++step) {
    SCOPED_TRACE(step);
    const int x = step * 10 + 5;
    EXPECT_NEAR(int(fine.at(x, 95) >> 8 & 0xFF), int(coarse.at(x, 95) >> 8 & 0xFF), 3);
    EXPECT_NEAR(int(fine.at(x, 95) >> 8 & 0xFF), 255 - step * 28, 4);  // red over white by step
  }
  EXPECT_EQ(fine.at(25, 25), 0xFFFF0000u);
  EXPECT_EQ(fine.at(75, 25), kWhite);
}

TEST(ImageDraw, LargeMasksWithPngPredictorsAreReducedLikeThoseWithout) {
  // 2400 x 1800 samples: the first row a ramp (tag None), each next row the one above (tag Up
  // with nothing added); the same mask stored without a predictor draws the same page.
  PdfBuilder b;
  b.set(5, "<< /XObject << /P 6 0 R /N 8 0 R >> >>");
  const std::string red4("\xFF\x00\x00\xFF\x00\x00\xFF\x00\x00\xFF\x00\x00", 12);
  const char* image =
      "/Subtype /Image /Width 2 /Height 2 /BitsPerComponent 8 /ColorSpace /DeviceRGB /SMask ";
  const char* mask =
      "/Subtype /Image /Width 2400 /Height 1800 /BitsPerComponent 8 /ColorSpace /DeviceGray "
      "/Filter /FlateDecode";
  b.setStream(6, std::string(image) + "7 0 R", red4);
  b.setStream(7, std::string(mask) + " /DecodeParms << /Predictor 15 /Columns 2400 >>",
              flateRows(2401, 1800, [](int y, std::string& line) {
                line[0] = y == 0 ? 0 : 2;
                for (int x = 1; x <= 2400; ++x) line[x] = y == 0 ? char(x * 255 / 2400) : 0;
              }));
  b.setStream(8, std::string(image) + "9 0 R", red4);
  b.setStream(9, mask, flateRows(2400, 1800, [](int, std::string& line) {
                for (int x = 0; x < 2400; ++x) line[x] = char((x + 1) * 255 / 2400);
              }));
  auto predicted = drawContent("q 100 0 0 50 0 0 cm /P Do Q", 100, 50, "/Resources 5 0 R", b);
  auto plain = drawContent("q 100 0 0 50 0 0 cm /N Do Q", 100, 50, "/Resources 5 0 R", b);
  EXPECT_EQ(largestDifference(predicted.bitmap, plain.bitmap), 0);
  EXPECT_NEAR(int(plain.at(95, 25) >> 8 & 0xFF), 12, 8);  // nearly opaque red on the right
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