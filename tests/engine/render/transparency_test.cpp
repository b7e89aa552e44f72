// Soft masks, transparency groups, blend modes and the clips of forms.

#include <gtest/gtest.h>

#include "tests/engine/render/page_fixture.h"

using testing_pdf::PdfBuilder;
using testing_render::drawContent;

namespace {

constexpr uint32_t kWhite = 0xFFFFFFFF;
constexpr uint32_t kRed = 0xFFFF0000;

int channel(uint32_t argb, int shift) { return int((argb >> shift) & 0xFF); }

// Resources with one soft-mask ExtGState /M whose group (object 6) draws maskContent.
PdfBuilder maskedPage(const std::string& maskEntries, const std::string& maskContent) {
  PdfBuilder b;
  b.set(5, "<< /ExtGState << /M << /SMask << " + maskEntries +
               " /G 6 0 R >> >> /None << /SMask /None >> >> >>");
  b.setStream(6, "/Subtype /Form /BBox [0 0 200 100] /Group << /S /Transparency /CS /DeviceGray >>",
              maskContent);
  return b;
}

TEST(Transparency, LuminositySoftMasks) {
  // White on the left half of the mask shows the fill there; the black backdrop hides the rest.
  auto page = drawContent("/M gs 1 0 0 rg 0 0 200 100 re f", 200, 100, "/Resources 5 0 R",
                          maskedPage("/S /Luminosity", "1 g 0 0 100 100 re f"));
  EXPECT_EQ(page.at(50, 50), kRed);
  EXPECT_EQ(page.at(150, 50), kWhite);
  // A white backdrop shows everything the mask's content leaves; SMask /None ends the mask.
  auto backdrop =
      drawContent("/M gs 1 0 0 rg 0 0 200 50 re f /None gs 0 50 200 50 re f", 200, 100,
                  "/Resources 5 0 R", maskedPage("/S /Luminosity /BC [1]", "0 g 0 0 100 100 re f"));
  EXPECT_EQ(backdrop.at(50, 75), kWhite);
  EXPECT_EQ(backdrop.at(150, 75), kRed);
  EXPECT_EQ(backdrop.at(50, 25), kRed);
  // The transfer function inverts the mask; grey gives partial opacity.
  auto inverted = drawContent(
      "/M gs 1 0 0 rg 0 0 200 100 re f", 200, 100, "/Resources 5 0 R",
      maskedPage("/S /Luminosity /TR << /FunctionType 2 /Domain [0 1] /C0 [1] /C1 [0] /N 1 >>",
                 "1 g 0 0 100 100 re f 0.5 g 100 0 100 100 re f"));
  EXPECT_EQ(inverted.at(50, 50), kWhite);
  EXPECT_NEAR(channel(inverted.at(150, 50), 8), 128, 3);
  EXPECT_EQ(channel(inverted.at(150, 50), 16), 255);
}

TEST(Transparency, AlphaSoftMasksCoverImagesAndText) {
  PdfBuilder b = maskedPage("/S /Alpha", "/H gs 0 0 100 100 re f");
  b.set(5,
        "<< /ExtGState << /M << /SMask << /S /Alpha /G 6 0 R >> >> >> /XObject << /Im 7 0 R >> >>");
  b.setStream(6,
              "/Subtype /Form /BBox [0 0 200 100] /Group << /S /Transparency >> "
              "/Resources << /ExtGState << /H << /ca 0.5 >> >> >>",
              "/H gs 0 0 100 100 re f");
  b.setStream(7, "/Subtype /Image /Width 1 /Height 1 /BitsPerComponent 8 /ColorSpace /DeviceRGB",
              std::string("\x00\x00\xFF", 3));
  auto page = drawContent("/M gs q 200 0 0 100 0 0 cm /Im Do Q", 200, 100, "/Resources 5 0 R", b);
  const uint32_t half = page.at(50, 50);
  EXPECT_NEAR(channel(half, 16), 128, 3);
  EXPECT_EQ(channel(half, 0), 255);
  EXPECT_EQ(page.at(150, 50), kWhite);
}

TEST(Transparency, GroupsAreCompositedAsAWhole) {
  PdfBuilder b;
  b.set(5, "<< /ExtGState << /H << /ca 0.5 >> >> /XObject << /G 6 0 R /Plain 7 0 R >> >>");
  // Red, then blue over its right half: inside the group the blue covers the red fully.
  const std::string content = "1 0 0 rg 0 0 100 100 re f 0 0 1 rg 50 0 100 100 re f";
  b.setStream(6, "/Subtype /Form /BBox [0 0 200 100] /Group << /S /Transparency /I true >>",
              content);
  b.setStream(7, "/Subtype /Form /BBox [0 0 200 100]", content);
  auto group = drawContent("/H gs /G Do", 200, 100, "/Resources 5 0 R", b);
  const uint32_t overlap = group.at(75, 50);
  EXPECT_NEAR(channel(overlap, 16), 128, 3);  // no red shows through the blue
  EXPECT_EQ(channel(overlap, 0), 255);
  EXPECT_NEAR(channel(overlap, 8), 128, 3);
  // Without a group each fill is half transparent on its own: red shows through.
  auto plain = drawContent("/H gs /Plain Do", 200, 100, "/Resources 5 0 R", b);
  EXPECT_LT(channel(plain.at(75, 50), 8), 100);
  EXPECT_GT(channel(plain.at(75, 50), 16), 100);
}

TEST(Transparency, KnockoutGroupsLetEachObjectReplaceTheEarlierOnes) {
  PdfBuilder b;
  b.set(5, "<< /XObject << /K 6 0 R /N 7 0 R >> >>");
  // Half-transparent red, then half-transparent blue over its right part, inside the group;
  // then a red cell with a group over its left half.
  const std::string content =
      "/H gs 1 0 0 rg 20 20 100 60 re f 0 0 1 rg 80 20 100 60 re f "
      "1 0 0 rg 0 0 10 10 re f /In Do "
      "1 0 0 rg 20 0 10 10 re f 0 1 0 rg q 10 0 0 10 20 0 cm /Msk Do Q";
  const std::string resources =
      " /Resources << /ExtGState << /H << /ca 0.5 >> >> /XObject << /In 8 0 R /Msk 9 0 R >> >>";
  b.setStream(
      6, "/Subtype /Form /BBox [0 0 200 100] /Group << /S /Transparency /K true >>" + resources,
      content);
  b.setStream(7, "/Subtype /Form /BBox [0 0 200 100] /Group << /S /Transparency >>" + resources,
              content);
  b.setStream(8, "/Subtype /Form /BBox [0 0 200 100] /Group << /S /Transparency >>",
              "0 1 0 rg 0 0 5 10 re f");
  // A 2 × 1 image mask painting its left sample only.
  b.setStream(9, "/Subtype /Image /Width 2 /Height 1 /ImageMask true", std::string("\x40", 1));
  auto knockout = drawContent("/K Do", 200, 100, "/Resources 5 0 R", b);
  // Where both lie only the blue shows, at half strength over the page.
  const uint32_t overlap = knockout.at(100, 50);
  EXPECT_NEAR(channel(overlap, 16), 128, 3);
  EXPECT_NEAR(channel(overlap, 8), 128, 3);
  EXPECT_EQ(channel(overlap, 0), 255);
  EXPECT_NEAR(channel(knockout.at(50, 50), 8), 128, 3);  // red alone
  // A group inside it is laid over the earlier objects as a whole: its clear parts leave the
  // red cell as it was.
  EXPECT_EQ(channel(knockout.at(8, 95), 16), 255);
  EXPECT_NEAR(channel(knockout.at(8, 95), 8), 128, 3);
  EXPECT_GT(channel(knockout.at(2, 95), 8), 150);
  // So is an image mask: its unpainted samples leave the red cell.
  EXPECT_EQ(channel(knockout.at(28, 95), 16), 255);
  EXPECT_NEAR(channel(knockout.at(28, 95), 8), 128, 3);
  EXPECT_GT(channel(knockout.at(22, 95), 8), 150);
  // Without knockout the red shows through the blue.
  auto normal = drawContent("/N Do", 200, 100, "/Resources 5 0 R", b);
  EXPECT_LT(channel(normal.at(100, 50), 8), 100);
  EXPECT_GT(channel(normal.at(100, 50), 16), 100);
}

TEST(Transparency, BlendModes) {
  PdfBuilder b;
  b.set(5,
        "<< /ExtGState << /Mul << /BM /Multiply >> /Scr << /BM [/Unknown /Screen] >> /N << /BM "
        "/Normal >> >> >>");
  auto page = drawContent(
      "1 1 0 rg 0 0 200 100 re f /Mul gs 0 1 1 rg 0 0 100 100 re f "
      "/Scr gs 1 0 0 rg 100 0 50 100 re f /N gs 0 0 1 rg 150 0 50 100 re f",
      200, 100, "/Resources 5 0 R", b);
  EXPECT_EQ(page.at(50, 50), 0xFF00FF00u);   // yellow times cyan
  EXPECT_EQ(page.at(125, 50), 0xFFFFFF00u);  // red screened on yellow
  EXPECT_EQ(page.at(175, 50), 0xFF0000FFu);
}

TEST(Transparency, FormsAreClippedToTheirBBoxAndSmooth) {
  PdfBuilder b;
  b.set(5, "<< /XObject << /F 6 0 R >> >>");
  b.setStream(6, "/Subtype /Form /BBox [0 0 50 50]", "0 0 200 100 re f 0 0 m 50 20 l 0 40 l f");
  auto page = drawContent("/F Do", 200, 100, "/Resources 5 0 R", b);
  EXPECT_EQ(page.at(25, 75), 0xFF000000u);
  EXPECT_EQ(page.at(75, 75), kWhite);
  EXPECT_EQ(page.at(25, 25), kWhite);
  // A slanted edge inside a form is anti-aliased like one on the page.
  b.setStream(6, "/Subtype /Form /BBox [0 0 200 100]", "0 0 m 200 30 l 0 30 l f");
  auto slanted = drawContent("/F Do", 200, 100, "/Resources 5 0 R", b);
  int partial = 0;
  for (int x = 0; x < 200; ++x) {
    const int g = channel(slanted.at(x, 85), 8);
    partial += g > 20 && g < 235;
  }
  EXPECT_GT(partial, 3);
}

}  // namespace
