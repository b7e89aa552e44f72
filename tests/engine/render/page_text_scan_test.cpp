// Scanning a page for its text without a painter: the same text as drawing gives, through forms,
// clips and rotated pages, with no image decoded.

#include <gtest/gtest.h>

#include "tests/engine/render/page_fixture.h"
#include "engine/layout/page_text_layout.h"
#include "engine/layout/text_export.h"
#include "tests/engine/fonts/font_test_support.h"

using testing_pdf::PdfBuilder;

namespace {

struct ScannedDocument {
  std::unique_ptr<C_PDF_Document> document;
  std::unique_ptr<C_PDF_Creator> creator;
  std::unique_ptr<C_PDF_Draw> draw;
};

// A one-page document (200 × 100) drawing content with the font F1 (the sans face), the image
// Im1 and the form Fm1 (which shows "form" at its origin).
ScannedDocument open(const std::string& content, const std::string& sans,
                     const std::string& pageExtra = "") {
  PdfBuilder b;
  b.set(1, "<< /Type /Catalog /Pages 2 0 R >>");
  b.set(2, "<< /Type /Pages /Kids [3 0 R] /Count 1 >>");
  b.set(3, "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 200 100] /Contents 4 0 R " + pageExtra +
               " /Resources << /Font << /F1 5 0 R >> /XObject << /Im1 8 0 R /Fm1 9 0 R >> >> >>");
  b.setStream(4, "", content);
  font_testing::addTrueType(b, 5, sans);
  b.setStream(8,
              "/Type /XObject /Subtype /Image /Width 2 /Height 1 /BitsPerComponent 8 /ColorSpace "
              "/DeviceRGB",
              std::string("\xFF\x00\x00\x00\x00\xFF", 6));
  b.setStream(9,
              "/Type /XObject /Subtype /Form /BBox [0 0 100 100] /Matrix [1 0 0 1 20 0] "
              "/Resources << /Font << /F1 5 0 R >> >>",
              "BT /F1 10 Tf 0 10 Td (form) Tj ET");
  ScannedDocument d;
  d.document = std::make_unique<C_PDF_Document>();
  d.document->open(testing_pdf::writeTempFile(b.build("/Root 1 0 R"), "scan.pdf"), "");
  d.creator = std::make_unique<C_PDF_Creator>(*d.document);
  d.draw = std::make_unique<C_PDF_Draw>(*d.document, *d.creator);
  return d;
}

std::string scanned(const std::string& content, const std::string& sans,
                    const std::string& pageExtra = "") {
  ScannedDocument d = open(content, sans, pageExtra);
  const PageTextLayout* layout = d.draw->collectPageText(1);
  return layout ? text_export::pageText(*layout) : "<none>";
}

// The text the page's first drawing (with a painter) collects.
std::string drawn(const std::string& content, const std::string& sans,
                  const std::string& pageExtra = "") {
  ScannedDocument d = open(content, sans, pageExtra);
  brevia::gfx::Bitmap bitmap(200, 200);
  d.draw->render(testing_render::requestAt72(1, bitmap, 200, 100));
  S_PDF_PageEx* page = d.creator->getPage(1);
  return page && page->layout ? text_export::pageText(*page->layout) : "<none>";
}

class PageTextScan : public ::testing::Test {
 protected:
  void SetUp() override {
    sans = font_testing::systemFont("Arial");
    if (sans.empty()) GTEST_SKIP() << "no installed Arial substitute";
  }
  std::string sans;
};

TEST_F(PageTextScan, GivesTheTextOfDrawingWithoutDecodingImages) {
  const std::string content =
      "q 50 0 0 50 0 0 cm /Im1 Do Q 0 0 1 rg 0 0 200 100 re f "
      "BT /F1 10 Tf 10 80 Td (Hello) Tj ET q 1 0 0 1 0 30 cm /Fm1 Do Q";
  ScannedDocument d = open(content, sans);
  const PageTextLayout* layout = d.draw->collectPageText(1);
  ASSERT_NE(layout, nullptr);
  EXPECT_EQ(text_export::pageText(*layout), "Hello\nform\n");
  EXPECT_EQ(d.draw->bitmapsBuilt(), 0);
  // Asked again, the page's text is already there.
  EXPECT_EQ(d.draw->collectPageText(1), layout);
  EXPECT_EQ(d.draw->collectPageText(2), nullptr);
  EXPECT_EQ(scanned(content, sans), drawn(content, sans));
}

TEST_F(PageTextScan, ClipsAndTransformsAreFollowedWithoutAPainter) {
  // A clip by a path, one by a rectangle under a turned transform, and a clip undone by Q.
  const std::string content =
      "q 0 0 60 100 re W n BT /F1 10 Tf 10 50 Td (in) Tj 100 0 Td (out) Tj ET Q "
      "q 0 1 -1 0 200 0 cm 0 0 50 50 re W n Q BT /F1 10 Tf 100 20 Td (back) Tj ET "
      "q 1 0 0 1 150 0 cm 0.7 0.7 -0.7 0.7 0 0 cm 0 0 5 5 re W n "
      "BT /F1 10 Tf 30 0 Td (gone) Tj ET Q";
  EXPECT_EQ(scanned(content, sans), drawn(content, sans));
  EXPECT_EQ(scanned(content, sans), "in\nback\n");
}

TEST_F(PageTextScan, TextClipsAreFollowedWithoutAPainter) {
  // The clipping text itself is kept; later text outside its glyphs is not, until Q; a drawing
  // into a bitmap smaller than the page keeps the same text.
  const std::string content =
      "q BT /F1 80 Tf 7 Tr 10 20 Td (H) Tj ET BT 0 Tr /F1 10 Tf 150 50 Td (out) Tj ET "
      "BT /F1 10 Tf 20 40 Td (in) Tj ET Q BT /F1 10 Tf 150 20 Td (back) Tj ET";
  EXPECT_EQ(scanned(content, sans), "in\nH back\n");
  EXPECT_EQ(scanned(content, sans), drawn(content, sans));
  ScannedDocument d = open(content, sans);
  brevia::gfx::Bitmap corner(40, 40);
  d.draw->render(testing_render::requestAt72(1, corner, 200, 100));
  S_PDF_PageEx* page = d.creator->getPage(1);
  ASSERT_TRUE(page && page->layout);
  EXPECT_EQ(text_export::pageText(*page->layout), "in\nH back\n");
}

TEST_F(PageTextScan, TextOfRotatedPages) {
  const std::string content = "BT /F1 10 Tf 10 50 Td (turned) Tj ET";
  EXPECT_EQ(scanned(content, sans, "/Rotate 90"), drawn(content, sans, "/Rotate 90"));
  EXPECT_EQ(scanned(content, sans, "/Rotate 90"), "turned\n");
}

TEST_F(PageTextScan, AnnotationAppearancesArePageTextOnce) {
  // Free text and a text field's value, both built from their dictionaries.
  const std::string annots =
      "/Annots [<< /Subtype /FreeText /Rect [10 60 190 90] /DA (/Helv 12 Tf 0 g) "
      "/Contents (noted) >> << /Subtype /Widget /FT /Tx /V (typed) /Rect [10 10 190 40] "
      "/DA (/Helv 12 Tf 0 g) >>]";
  const std::string content = "BT /F1 10 Tf 10 50 Td (body) Tj ET";
  const std::string text = scanned(content, sans, annots);
  EXPECT_EQ(text, drawn(content, sans, annots));
  EXPECT_NE(text.find("noted"), std::string::npos) << text;
  EXPECT_NE(text.find("typed"), std::string::npos) << text;
  EXPECT_EQ(text.find("typed", text.find("typed") + 1), std::string::npos) << text;
}

// Rich text gives free text its words (tags dropped, entities decoded, paragraphs as lines)
// in place of the plain Contents.
TEST_F(PageTextScan, FreeTextShowsItsRichText) {
  const std::string annots =
      "/Annots [<< /Subtype /FreeText /Rect [10 10 190 90] /DA (/Helv 12 Tf 0 g) "
      "/RC (<?xml version=\"1.0\"?><body xmlns=\"http://www.w3.org/1999/xhtml\" "
      "style=\"font-size:10pt\"><p>Rich &amp; <b>bold</b></p><p>&#65;&#x42;C</p></body>) "
      "/Contents (plain) >>]";
  const std::string text = scanned("", sans, annots);
  EXPECT_EQ(text, "Rich & bold\nABC\n");
}

}  // namespace
