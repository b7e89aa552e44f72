// Annotations drawn from their appearance streams, or from their dictionaries without one.

#include <gtest/gtest.h>

#include <cstdlib>

#include "tests/engine/render/page_fixture.h"

using testing_pdf::PdfBuilder;
using testing_render::drawContent;

namespace {

constexpr uint32_t kWhite = 0xFFFFFFFF;
constexpr uint32_t kRed = 0xFFFF0000;

TEST(AnnotationDraw, NormalAppearancesFitTheirRect) {
  PdfBuilder b;
  // A 10 x 10 appearance stretched over a 40 x 20 Rect; the same on a hidden, a no-view, a
  // widget (drawn like the others) and a popup annotation; a state dictionary chosen by AS.
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
  EXPECT_EQ(page.at(130, 80), kRed);
  EXPECT_EQ(page.at(160, 80), kWhite);
  EXPECT_EQ(page.at(20, 30), kRed);
}

TEST(AnnotationDraw, WidgetStatesAndWhatScreenAndPaperShow) {
  PdfBuilder b;
  b.setStream(5, "/Subtype /Form /BBox [0 0 10 10]", "1 0 0 rg 0 0 10 10 re f");
  b.setStream(6, "/Subtype /Form /BBox [0 0 10 10]", "0 0 1 rg 0 0 10 10 re f");
  // A check box on, one off, one whose state has no appearance (built from the field); a
  // printable widget; one that
  // prints but is not viewed; one hidden though printable.
  b.set(7,
        "<< /Subtype /Widget /FT /Btn /Rect [10 10 30 30] /AS /Yes "
        "/AP << /N << /Yes 5 0 R /Off 6 0 R >> >> >>");
  b.set(8,
        "<< /Subtype /Widget /FT /Btn /Rect [40 10 60 30] /AS /Off "
        "/AP << /N << /Yes 5 0 R /Off 6 0 R >> >> >>");
  b.set(9,
        "<< /Subtype /Widget /FT /Btn /Rect [70 10 90 30] /AS /Off /AP << /N << /Yes 5 0 R >> >> "
        "/MK << /BG [0 1 0] >> >>");
  b.set(10, "<< /Subtype /Widget /Rect [100 10 120 30] /F 4 /AP << /N 5 0 R >> >>");
  b.set(11, "<< /Subtype /Widget /Rect [130 10 150 30] /F 36 /AP << /N 5 0 R >> >>");
  b.set(12, "<< /Subtype /Widget /Rect [160 10 180 30] /F 6 /AP << /N 5 0 R >> >>");
  // Without AS the state is the one the field's value names.
  b.set(13,
        "<< /Subtype /Widget /Parent 14 0 R /Rect [10 50 30 70] "
        "/AP << /N << /Yes 5 0 R /Off 6 0 R >> >> >>");
  b.set(14, "<< /FT /Btn /V /Yes /Kids [13 0 R] >>");
  auto page =
      drawContent("", 200, 100, "/Annots [7 0 R 8 0 R 9 0 R 10 0 R 11 0 R 12 0 R 13 0 R]", b);
  const uint32_t kBlue = 0xFF0000FF;
  EXPECT_EQ(page.at(20, 80), kRed);
  EXPECT_EQ(page.at(50, 80), kBlue);
  EXPECT_EQ(page.at(80, 80), 0xFF00FF00u);  // built: its MK background, no check
  EXPECT_EQ(page.at(110, 80), kRed);
  EXPECT_EQ(page.at(140, 80), kWhite);
  EXPECT_EQ(page.at(170, 80), kWhite);
  EXPECT_EQ(page.at(20, 40), kRed);
  // On paper only annotations with the Print flag show, NoView or not.
  page.draw->render(testing_render::requestAt72(1, page.bitmap, 200, 100, 1, RenderTarget::Print));
  EXPECT_EQ(page.at(20, 80), kWhite);
  EXPECT_EQ(page.at(110, 80), kRed);
  EXPECT_EQ(page.at(140, 80), kRed);
  EXPECT_EQ(page.at(170, 80), kWhite);
}

// Pixels of annotations without appearance streams, each kind in its own 40 x 40 cell.
TEST(AnnotationDraw, MarkupWithoutAppearanceIsBuiltFromItsDictionary) {
  PdfBuilder b;
  const char* kinds[] = {
      // Row 1 (y 110..150): square with interior, circle outline, line with closed arrow,
      // polygon, polyline.
      "/Subtype /Square /Rect [10 110 50 150] /C [1 0 0] /IC [0 0 1] /BS << /W 4 >>",
      "/Subtype /Circle /Rect [60 110 100 150] /C [1 0 0] /Border [0 0 4]",
      "/Subtype /Line /Rect [110 110 150 150] /L [112 130 148 130] /C [1 0 0] /BS << /W 2 >> "
      "/LE [/None /ClosedArrow] /IC [1 0 0]",
      "/Subtype /Polygon /Rect [160 110 200 150] /Vertices [160 110 200 110 180 150] /IC [0 0 1]",
      "/Subtype /PolyLine /Rect [210 110 250 150] /Vertices [210 112 250 112] /C [1 0 0] "
      "/BS << /W 4 >>",
      // Row 2 (y 60..100): ink, highlight, underline, strike-out, squiggly.
      "/Subtype /Ink /Rect [10 60 50 100] /InkList [[10 80 50 80]] /C [1 0 0] /BS << /W 6 >>",
      "/Subtype /Highlight /Rect [60 60 100 100] /QuadPoints [60 100 100 100 60 60 100 60] "
      "/C [1 1 0]",
      "/Subtype /Underline /Rect [110 60 150 100] /QuadPoints [110 100 150 100 110 60 150 60] "
      "/C [1 0 0]",
      "/Subtype /StrikeOut /Rect [160 60 200 100] /QuadPoints [160 100 200 100 160 60 200 60] "
      "/C [1 0 0]",
      "/Subtype /Squiggly /Rect [210 60 250 100] /QuadPoints [210 100 250 100 210 60 250 60] "
      "/C [1 0 0]",
      // Row 3 (y 10..50): free text on blue, note, caret, stamp, and an unknown kind.
      "/Subtype /FreeText /Rect [10 10 50 50] /C [0 0 1] /DA (1 0 0 rg /Helv 30 Tf) "
      "/BS << /W 0 >> /Contents (MM)",
      "/Subtype /Text /Rect [60 10 100 50]",
      "/Subtype /Caret /Rect [110 10 150 50] /C [1 0 0]",
      "/Subtype /Stamp /Rect [160 10 200 50] /Name /Approved",
      "/Subtype /Sound /Rect [210 10 250 50] /C [1 0 0]",
  };
  std::string annots = "/Annots [";
  int number = 10;
  for (const char* kind : kinds) {
    b.set(number, std::string("<< ") + kind + " >>");
    annots += std::to_string(number++) + " 0 R ";
  }
  auto page = drawContent("", 260, 160, annots + "]", b);
  const uint32_t kBlue = 0xFF0000FF;
  auto at = [&](int x, int y) { return page.at(x, 160 - y); };  // page space, y upwards
  EXPECT_EQ(at(11, 130), kRed);                                 // square border
  EXPECT_EQ(at(30, 130), kBlue);                                // and interior
  EXPECT_EQ(at(61, 130), kRed);                                 // circle's edge
  EXPECT_EQ(at(80, 130), kWhite);                               // without interior
  EXPECT_EQ(at(66, 114), kWhite);                               // and round
  EXPECT_EQ(at(120, 130), kRed);                                // line
  EXPECT_EQ(at(145, 131), kRed);                                // its filled arrow head
  EXPECT_NE(at(142, 133), kWhite);
  EXPECT_EQ(at(120, 134), kWhite);
  EXPECT_EQ(at(180, 120), kBlue);  // polygon filled
  EXPECT_EQ(at(163, 145), kWhite);
  EXPECT_EQ(at(230, 112), kRed);  // polyline
  EXPECT_EQ(at(30, 80), kRed);    // ink
  EXPECT_EQ(at(30, 90), kWhite);
  EXPECT_EQ(at(80, 80), 0xFFFFFF00u);  // highlight multiplied onto white
  EXPECT_NE(at(130, 61), kWhite);      // underline near the bottom
  EXPECT_EQ(at(130, 80), kWhite);
  EXPECT_NE(at(180, 80), kWhite);  // strike-out through the middle
  EXPECT_EQ(at(180, 70), kWhite);
  int squiggle = 0;
  for (int x = 210; x < 250; ++x)
    for (int y = 60; y < 72; ++y) squiggle += at(x, y) != kWhite;
  EXPECT_GT(squiggle, 40);
  EXPECT_EQ(at(12, 48), kBlue);  // free text background
  int red = 0;
  for (int x = 10; x < 50; ++x)
    for (int y = 10; y < 50; ++y) red += (at(x, y) & 0xFFFF0000u) == 0xFFFF0000u;
  EXPECT_GT(red, 30);                  // its text in the DA's colour
  EXPECT_EQ(at(80, 24), 0xFFFFFF00u);  // the note's yellow sheet
  EXPECT_EQ(at(130, 20), kRed);        // caret
  EXPECT_NE(at(162, 30), kWhite);      // stamp's box
  for (int x = 210; x < 250; x += 5) EXPECT_EQ(at(x, 30), kWhite);
}

// A dimension line: leader lines from its points, the line moved off them by LL (to its
// left), a caption in a gap of it; and a free-text callout with its arrow.
TEST(AnnotationDraw, LeaderLinesCaptionsAndCallouts) {
  PdfBuilder b;
  b.set(10,
        "<< /Subtype /Line /Rect [0 0 200 100] /L [20 20 180 20] /LL 30 /LLE 10 /LLO 5 "
        "/C [1 0 0] /BS << /W 2 >> /Cap true /Contents (MMMM) >>");
  b.set(11,
        "<< /Subtype /FreeText /IT /FreeTextCallout /Rect [0 0 200 100] /RD [120 60 0 0] "
        "/CL [20 80 60 80 120 80] /LE /ClosedArrow /DA (1 0 0 rg /Helv 10 Tf) /C [0 0 1] "
        "/BS << /W 2 >> >>");
  auto page = drawContent("", 200, 100, "/Annots [10 0 R 11 0 R]", b);
  auto at = [&](int x, int y) { return page.at(x, 100 - y); };  // page space, y upwards
  auto redNear = [&](int x, int y) {
    for (int dx = -1; dx <= 1; ++dx)
      for (int dy = -1; dy <= 1; ++dy)
        if ((at(x + dx, y + dy) & 0xFFFFFF00u) == 0xFFFF0000u) return true;
    return false;
  };
  EXPECT_FALSE(redNear(100, 20));  // the points are left alone
  EXPECT_FALSE(redNear(20, 22));   // LLO's gap
  EXPECT_TRUE(redNear(20, 35));    // the leader lines
  EXPECT_TRUE(redNear(180, 35));
  EXPECT_TRUE(redNear(20, 59));  // carried past the line by LLE
  EXPECT_TRUE(redNear(40, 50));  // the line, LL above the points
  EXPECT_TRUE(redNear(160, 50));
  EXPECT_FALSE(redNear(20, 64));
  // The caption's gap: no red line in the middle, black letters there instead.
  EXPECT_FALSE(redNear(100, 50));
  int dark = 0;
  for (int x = 80; x < 120; ++x)
    for (int y = 44; y < 56; ++y) dark += (at(x, y) & 0x00808080u) == 0;
  EXPECT_GT(dark, 10);
  // The callout: its line to the box, its arrow head filled; the box blue beside it.
  EXPECT_TRUE(redNear(90, 80));
  EXPECT_TRUE(redNear(24, 80));
  EXPECT_EQ(at(160, 90), 0xFF0000FFu);
  EXPECT_EQ(at(100, 90), kWhite);
}

// With NeedAppearances a text field keeps an appearance that shows its value and gets a new one
// when the file's was made for another value; a check box whose state names no appearance is
// built from its field either way.
TEST(AnnotationDraw, StaleFieldAppearancesAreRebuilt) {
  PdfBuilder b;
  const std::string red = "1 0 0 rg 0 0 40 20 re f BT /Helv 10 Tf 2 5 Td ";
  b.setStream(5, "/Subtype /Form /BBox [0 0 40 20]", red + "(same value) Tj ET");
  b.setStream(6, "/Subtype /Form /BBox [0 0 40 20]", red + "[(old) -250 (value)] TJ ET");
  b.setStream(7, "/Subtype /Form /BBox [0 0 40 20]", "1 0 0 rg 0 0 40 20 re f");
  b.set(10,
        "<< /Subtype /Widget /FT /Tx /V (same  value) /Rect [10 10 50 30] /AP << /N 5 0 R >> >>");
  b.set(11,
        "<< /Subtype /Widget /FT /Tx /V (new value) /Rect [60 10 100 30] /AP << /N 6 0 R >> >>");
  b.set(12, "<< /Subtype /Widget /FT /Tx /Rect [110 10 150 30] /AP << /N 7 0 R >> >>");
  b.set(13, "<< /Subtype /Widget /FT /Tx /V (x) /Rect [160 10 200 30] /AP << /N 7 0 R >> >>");
  b.set(14,
        "<< /Subtype /Widget /FT /Btn /Rect [10 50 30 70] /AS /On /MK << /BG [0 0 1] >> "
        "/AP << /N << /Yes 7 0 R /Off 7 0 R >> >> >>");
  const std::string annots = "/Annots [10 0 R 11 0 R 12 0 R 13 0 R 14 0 R]";
  const std::string form = "/AcroForm << /NeedAppearances true /DA (/Helv 10 Tf 0 g) >>";
  auto page = drawContent("", 220, 100, annots, b, form);
  auto at = [&](int x, int y) { return page.at(x, 100 - y); };
  EXPECT_EQ(at(12, 28), kRed);         // shows its value: kept
  EXPECT_EQ(at(62, 28), kWhite);       // made for "old value": built anew
  EXPECT_EQ(at(112, 28), kRed);        // no value, shows none: kept
  EXPECT_EQ(at(162, 28), kWhite);      // shows nothing of its value: built anew
  EXPECT_EQ(at(12, 68), 0xFF0000FFu);  // a state without appearance: built, MK background
  // Without NeedAppearances the file's appearances stand.
  auto kept = drawContent("", 220, 100, annots, b, "/AcroForm << /DA (/Helv 10 Tf 0 g) >>");
  EXPECT_EQ(kept.at(62, 100 - 28), kRed);
  EXPECT_EQ(kept.at(162, 100 - 28), kRed);
}

// In an encrypted file each string is decrypted with the key of the object that holds it: a
// value inherited from the parent field and the form's DA read right (RC4 and AES-128 keys
// differ from object to object).
TEST(AnnotationDraw, EncryptedFieldsReadInheritedStrings) {
  if (std::system("command -v qpdf >/dev/null 2>&1") != 0) GTEST_SKIP() << "no qpdf";
  PdfBuilder b;
  b.set(1,
        "<< /Type /Catalog /Pages 2 0 R /AcroForm << /Fields [6 0 R] "
        "/DA (/Helv 40 Tf 1 0 0 rg) >> >>");
  b.set(2, "<< /Type /Pages /Kids [3 0 R] /Count 1 >>");
  b.set(3, "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 200 100] /Annots [5 0 R] >>");
  b.set(5, "<< /Subtype /Widget /Parent 6 0 R /Rect [0 0 200 100] >>");
  b.set(6, "<< /FT /Tx /T (f) /V (MMMM) /Kids [5 0 R] >>");
  const std::string plain = testing_pdf::writeTempFile(b.build("/Root 1 0 R"), "plain.pdf");
  for (const char* keys : {"40", "128 --use-aes=y"}) {
    SCOPED_TRACE(keys);
    const std::string path = plain + keys[0] + ".pdf";
    const std::string command = std::string("qpdf --allow-weak-crypto --encrypt '' o ") + keys +
                                " -- '" + plain + "' '" + path + "' 2>/dev/null";
    ASSERT_EQ(std::system(command.c_str()), 0);
    C_PDF_Document document;
    ASSERT_TRUE(document.open(path, ""));
    ASSERT_TRUE(document.encrypted());
    C_PDF_Creator creator(document);
    C_PDF_Draw draw(document, creator);
    brevia::gfx::Bitmap bitmap(200, 100);
    draw.drawPage(1, 1, bitmap, 0, 20, 100, 200, 1, 0, 0, 0, 0, 0, 0);
    int red = 0;
    for (int x = 0; x < 200; ++x)
      for (int y = 0; y < 100; ++y) red += (bitmap.colourAt(x, y) & 0xFFF0F0F0u) == 0xFFF00000u;
    EXPECT_GT(red, 300);  // four big red M's
  }
}

TEST(AnnotationDraw, OpacityAndBrokenDictionaries) {
  PdfBuilder b;
  b.set(5, "<< /Subtype /Square /Rect [10 10 50 50] /IC [0 0 0] /CA 0.5 /BS << /W 0 >> >>");
  // Broken entries of every kind draw nothing and stop nothing.
  b.set(6, "<< /Subtype /Line /Rect [60 10 100 50] /L [1 2] /C [1 0 0] >>");
  b.set(7, "<< /Subtype /Ink /Rect [60 10 100 50] /InkList 99 0 R /C [1 0 0] >>");
  b.set(8, "<< /Subtype /Highlight /QuadPoints [1 2 3] /C [1 0 0] >>");
  b.set(9, "<< /Subtype /FreeText /Rect [60 10 100 50] /DA 5 /Contents [1] /C (x) >>");
  b.set(10, "<< /Subtype /Square /Rect [/a 1 2 3] /C [1 0 0] >>");
  b.set(11,
        "<< /Subtype /Polygon /Rect [60 10 100 50] /Vertices [60 10 1e400 10 80 50] "
        "/IC [1 0 0] /BS << /W -3 /S /D /D [0 0] >> >>");
  auto page = drawContent("", 120, 60, "/Annots [5 0 R 6 0 R 7 0 R 8 0 R 9 0 R 10 0 R 11 0 R]", b);
  const uint32_t grey = page.at(30, 30);
  EXPECT_NEAR(static_cast<int>(grey & 0xFF), 128, 2);
}

TEST(AnnotationDraw, OptionalContentHidesAnnotations) {
  PdfBuilder b;
  b.setStream(5, "/Subtype /Form /BBox [0 0 10 10]", "1 0 0 rg 0 0 10 10 re f");
  b.set(6, "<< /Subtype /Stamp /Rect [10 10 30 30] /OC 20 0 R /AP << /N 5 0 R >> >>");
  b.set(7, "<< /Subtype /Stamp /Rect [40 10 60 30] /OC 21 0 R /AP << /N 5 0 R >> >>");
  b.set(20, "<< /Type /OCG /Name (off) >>");
  b.set(21, "<< /Type /OCG /Name (on) >>");
  auto page = drawContent("", 100, 40, "/Annots [6 0 R 7 0 R]", b,
                          "/OCProperties << /OCGs [20 0 R 21 0 R] /D << /OFF [20 0 R] >> >>");
  EXPECT_EQ(page.at(20, 20), kWhite);
  EXPECT_EQ(page.at(50, 20), kRed);
}

}  // namespace
