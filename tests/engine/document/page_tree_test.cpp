#include "engine/document/page_tree.h"

#include <gtest/gtest.h>

#include <optional>

#include "engine/document/pdf_document.h"
#include "engine/document/pdf_exception.h"
#include "tests/support/pdf_builder.h"

using testing_pdf::PdfBuilder;

namespace {

std::unique_ptr<C_PDF_Document> openBuilt(const PdfBuilder& b, bool complete = true) {
  auto doc = std::make_unique<C_PDF_Document>();
  EXPECT_TRUE(doc->open(testing_pdf::writeTempFile(b.build("/Root 1 0 R")), ""));
  if (complete) doc->completePageTree();
  return doc;
}

std::optional<PdfError> openError(const PdfBuilder& b) {
  C_PDF_Document doc;
  try {
    doc.open(testing_pdf::writeTempFile(b.build("/Root 1 0 R")), "");
    doc.completePageTree();
  } catch (const C_PDF_Exception& e) {
    return e.cause();
  }
  return std::nullopt;
}

// A catalog and a root over the given kids (object numbers), with Count.
PdfBuilder tree(const std::string& kids, int count, const std::string& rootExtra = "") {
  PdfBuilder b;
  b.set(1, "<< /Type /Catalog /Pages 2 0 R >>");
  b.set(2, "<< /Type /Pages /Kids [" + kids + "] /Count " + std::to_string(count) + " " +
               rootExtra + " >>");
  return b;
}

TEST(PageTree, CountLargerThanThePagesFound) {
  PdfBuilder b = tree("3 0 R", 10);
  std::string kids;
  for (int i = 0; i < 8; ++i) {
    kids += std::to_string(10 + i) + " 0 R ";
    b.set(10 + i, "<< /Type /Page >>");
  }
  b.set(3, "<< /Type /Pages /Kids [" + kids + "] /Count 8 >>");
  auto doc = openBuilt(b);
  EXPECT_EQ(doc->pageCount, 10);
  EXPECT_NE(doc->findPage(8, false), nullptr);
  EXPECT_EQ(doc->findPage(9, false), nullptr);
  EXPECT_EQ(doc->pageCount, 8);
}

TEST(PageTree, RotationBoxesAndSizeText) {
  PdfBuilder b = tree("3 0 R 4 0 R 5 0 R 6 0 R 7 0 R", 5, "/MediaBox [0 0 500 400]");
  b.set(3, "<< /Type /Page /Rotate -90 >>");
  b.set(4, "<< /Type /Page /Rotate 450 /CropBox [10 20 300 400] >>");
  b.set(5, "<< /Type /Page /MediaBox [0 0 612.9 792.6] >>");
  b.set(6, "<< /Type /Page /MediaBox [300 400 10 20] /Rotate 8 0 R >>");
  b.set(7, "<< /Type /Page /MediaBox [0 0 595 842] /Rotate 180 >>");
  b.set(8, "-270");
  auto doc = openBuilt(b);
  auto* p1 = doc->findPage(1, false);
  EXPECT_EQ(p1->rotation, 270);
  EXPECT_EQ(p1->width, 500);  // inherited from the root
  EXPECT_EQ(p1->sizeText, "5.56 x 6.94 in");
  auto* p2 = doc->findPage(2, false);
  EXPECT_EQ(p2->rotation, 90);
  EXPECT_EQ(p2->originX, 10);
  EXPECT_EQ(p2->originY, 20);
  EXPECT_EQ(p2->width, 290);
  EXPECT_EQ(p2->height, 380);
  auto* p3 = doc->findPage(3, false);
  EXPECT_EQ(p3->width, 612);
  EXPECT_EQ(p3->height, 792);
  EXPECT_EQ(p3->sizeText, "8.5 x 11 in");
  auto* p4 = doc->findPage(4, false);
  EXPECT_EQ(p4->originX, 10);
  EXPECT_EQ(p4->width, 290);
  EXPECT_EQ(p4->rotation, 90);
  EXPECT_EQ(doc->findPage(5, false)->sizeText, "8.26 x 11.7 in");
}

TEST(PageTree, CropBoxesAreCutToTheMediaBoxAndEmptyMediaBoxesFallBack) {
  PdfBuilder b = tree("3 0 R 4 0 R 5 0 R 6 0 R", 7, "/MediaBox [0 0 0 0]");
  // A crop box larger than the A4 media box, one partly outside it, one wholly outside it.
  b.set(3, "<< /Type /Page /MediaBox [0 0 595 842] /CropBox [0 0 1687 2386] >>");
  b.set(4, "<< /Type /Page /MediaBox [0 0 595 842] /CropBox [-20 100 300 900] >>");
  b.set(5, "<< /Type /Page /MediaBox [0 0 595 842] /CropBox [700 0 900 100] >>");
  // Under an intermediate node with a usable box: empty, huge and unreadable boxes inherit it.
  b.set(6, "<< /Type /Pages /MediaBox [0 0 400 300] /Kids [7 0 R 8 0 R 9 0 R 10 0 R] >>");
  b.set(7, "<< /Type /Page /MediaBox [0 0 0 0] >>");
  b.set(8, "<< /Type /Page /MediaBox [0 0 99999999999 99999999999] >>");
  b.set(9, "<< /Type /Page /MediaBox [0 0 /a /b] /UserUnit 2 >>");
  b.set(10, "<< /Type /Page /MediaBox [100 100 100 500] /UserUnit 0 >>");
  auto doc = openBuilt(b);
  auto size = [&](int n) {
    const auto* p = doc->findPage(n, false);
    return std::to_string(p->originX) + "," + std::to_string(p->originY) + " " +
           std::to_string(p->width) + "x" + std::to_string(p->height);
  };
  EXPECT_EQ(size(1), "0,0 595x842");
  EXPECT_EQ(size(2), "0,100 300x742");
  EXPECT_EQ(size(3), "0,0 595x842");
  EXPECT_EQ(size(4), "0,0 400x300");
  EXPECT_EQ(size(5), "0,0 400x300");
  EXPECT_EQ(size(6), "0,0 800x600");  // UserUnit 2: twice the size in points
  EXPECT_EQ(size(7), "0,0 400x300");  // UserUnit 0 is ignored
  EXPECT_EQ(doc->findPage(6, false)->userUnit, 2);

  // With no usable box anywhere: US Letter.
  PdfBuilder letter = tree("3 0 R", 1, "/MediaBox [10 10 10 10]");
  letter.set(3, "<< /Type /Page /MediaBox [5 5 5 900] >>");
  auto plain = openBuilt(letter);
  EXPECT_EQ(plain->findPage(1, false)->width, 612);
  EXPECT_EQ(plain->findPage(1, false)->height, 792);
}

TEST(PageTree, DefaultsAndMisspeltType) {
  PdfBuilder b = tree("3 0 R", 1);
  b.set(3, "<< /Types /Page /Annots [] >>");
  auto doc = openBuilt(b);
  auto* page = doc->findPage(1, false);
  ASSERT_NE(page, nullptr);
  EXPECT_TRUE(page->isPage);
  EXPECT_EQ(page->width, 612);
  EXPECT_EQ(page->height, 792);
  EXPECT_TRUE(page->Resources.isDictionary());
}

TEST(PageTree, MissingKids) {
  // Below the root a missing kid is skipped.
  PdfBuilder below = tree("3 0 R", 2);
  below.set(3, "<< /Type /Pages /Kids [4 0 R 99 0 R 5 0 R] /Count 3 >>");
  below.set(4, "<< /Type /Page >>");
  below.set(5, "<< /Type /Page >>");
  auto doc = openBuilt(below);
  EXPECT_NE(doc->findPage(2, false), nullptr);
  EXPECT_EQ(doc->findPage(2, false)->objectNumber, 5);

  // Directly under the root too; so are kids that are no dictionary or no reference.
  PdfBuilder atRoot = tree("99 0 R 6 0 R null 3 0 R", 2);
  atRoot.set(3, "<< /Type /Page >>");
  atRoot.set(6, "42");
  auto rooted = openBuilt(atRoot);
  ASSERT_NE(rooted->findPage(1, false), nullptr);
  EXPECT_EQ(rooted->findPage(1, false)->objectNumber, 3);
  EXPECT_EQ(rooted->findPage(2, false), nullptr);

  PdfBuilder noCount;
  noCount.set(1, "<< /Type /Catalog /Pages 2 0 R >>");
  noCount.set(2, "<< /Type /Pages /Kids [] >>");
  EXPECT_EQ(openError(noCount), PdfError::DocumentDamaged);
  PdfBuilder noPages;
  noPages.set(1, "<< /Type /Catalog >>");
  EXPECT_EQ(openError(noPages), PdfError::ObjectNotFound);
}

TEST(PageTree, FirstPageOnlyThenComplete) {
  PdfBuilder b = tree("3 0 R 4 0 R 5 0 R", 3);
  for (int n = 3; n <= 5; ++n) b.set(n, "<< /Type /Page >>");
  auto doc = openBuilt(b, false);
  EXPECT_NE(doc->findPage(1, false), nullptr);
  EXPECT_EQ(doc->pageTree()->pagesBuilt, 1);
  doc->completePageTree();
  EXPECT_EQ(doc->pageTree()->pagesBuilt, 3);
  EXPECT_NE(doc->findPage(3, false), nullptr);
}

TEST(PageTree, CyclesAreRefused) {
  // Kids that lead back to an ancestor, and to the root itself.
  PdfBuilder b = tree("3 0 R", 2);
  b.set(3, "<< /Type /Pages /Kids [4 0 R 3 0 R 2 0 R 5 0 R] /Count 2 >>");
  b.set(4, "<< /Type /Page >>");
  b.set(5, "<< /Type /Page >>");
  auto doc = openBuilt(b);
  EXPECT_EQ(doc->pageTree()->pagesBuilt, 2);

  // A chain deeper than the walk descends.
  PdfBuilder deep = tree("3 0 R", 1);
  const int depth = 1000;
  for (int i = 0; i < depth; ++i)
    deep.set(3 + i, "<< /Type /Pages /Kids [" + std::to_string(4 + i) + " 0 R] /Count 1 >>");
  deep.set(3 + depth, "<< /Type /Page >>");
  auto doc2 = openBuilt(deep);
  // The walk stops at its depth limit; the page it cannot reach is found by scanning the file.
  ASSERT_NE(doc2->findPage(1, false), nullptr);
  EXPECT_EQ(doc2->findPage(1, false)->objectNumber, 3 + depth);
  EXPECT_TRUE(doc2->xrefTable()->scanned());
}

TEST(PageTree, LostPageTreeIsRebuiltFromThePageObjects) {
  // A catalogue whose Pages is missing, and no catalogue at all: the pages are found by type.
  for (const char* catalogue : {"<< /Type /Catalog /Pages 77 0 R >>", "(not a catalogue)"}) {
    PdfBuilder b;
    b.set(1, catalogue);
    b.set(3, "<< /Type /Page /MediaBox [0 0 300 400] >>");
    b.set(4, "<< /Type /Pages /Kids [3 0 R] >>");  // no Count, and nothing refers to it
    b.set(5, "<< /Type /Page /MediaBox [0 0 500 400] >>");
    auto doc = openBuilt(b);
    ASSERT_NE(doc, nullptr);
    doc->completePageTree();
    EXPECT_EQ(doc->pageCount, 2);
    ASSERT_NE(doc->findPage(2, false), nullptr);
    EXPECT_EQ(doc->findPage(1, false)->width, 300);
    EXPECT_EQ(doc->findPage(2, false)->width, 500);
  }
}

TEST(PageTree, ContentIsJoined) {
  PdfBuilder b = tree("3 0 R 4 0 R 5 0 R", 3);
  b.set(3, "<< /Type /Page /Contents [6 0 R 7 0 R 8 0 R] >>");
  b.set(4, "<< /Type /Page /Contents [6 0 R 9 0 R 7 0 R] >>");
  b.set(5, "<< /Type /Page >>");
  b.setStream(6, "", "q");
  b.setStream(7, "", "Q");
  b.setStream(8, "/Filter /FlateDecode", testing_pdf::deflate("0 g"));
  b.setStream(9, "/Filter /FlateDecode", "not zlib");
  auto doc = openBuilt(b);
  auto* p1 = doc->findPage(1, true);
  EXPECT_EQ(std::string(p1->content.begin(), p1->content.end()), "q Q 0 g");
  EXPECT_FALSE(p1->nothingToDraw);
  auto* p2 = doc->findPage(2, true);
  EXPECT_EQ(std::string(p2->content.begin(), p2->content.end()), "q   Q");
  auto* p3 = doc->findPage(3, true);
  EXPECT_TRUE(p3->nothingToDraw);
}

TEST(PageTree, AnnotationsAndForms) {
  PdfBuilder b;
  b.set(1, "<< /Type /Catalog /Pages 2 0 R /AcroForm << /Fields [10 0 R 11 0 R 12 0 R] >> >>");
  b.set(2, "<< /Type /Pages /Kids [3 0 R] /Count 1 >>");
  b.set(3, "<< /Type /Page /Annots [4 0 R 5 0 R 98 0 R 10 0 R] >>");
  b.set(4, "<< /Subtype /Link /Rect [1 2 3 4] /A << /URI (http://x.org/{a}\n) >> >>");
  b.set(5, "<< /Subtype /Link /Rect [0 0 1 1] >>");
  b.set(10, "<< /Subtype /Widget /FT /Tx /Ff 4096 /V (text) /MK << /CA (Go) /BC [0] >> >>");
  b.set(11, "<< /FT /Btn /Ff 32768 /Kids [13 0 R] >>");
  b.set(12, "<< /FT /Ch /Ff 393216 /F 2 >>");
  b.set(13, "<< /FT /Btn /Ff 32768 /Parent 11 0 R >>");
  auto doc = openBuilt(b);
  EXPECT_TRUE(doc->formOverlay);
  const AnnotationList* fields = doc->form()->fields.get();
  ASSERT_EQ(fields->fields.size(), 3u);
  EXPECT_EQ(fields->fields[0]->kind, kFieldMultiLineText);
  EXPECT_EQ(fields->fields[0]->caption, "Go");
  EXPECT_TRUE(fields->fields[0]->border);
  EXPECT_EQ(fields->fields[0]->value.text, "text");
  EXPECT_EQ(fields->fields[1]->kind, kFieldRadioButton);
  EXPECT_EQ(fields->fields[1]->children[0]->group, 1);
  EXPECT_EQ(fields->fields[2]->kind, kFieldHidden);
  EXPECT_EQ(fields->findField(13, 0), fields->fields[1]->children[0].get());

  auto* page = doc->findPreparedPage(1, false);
  ASSERT_NE(page->annotations, nullptr);
  ASSERT_EQ(page->annotations->links.size(), 1u);  // the link without a URI is dropped
  EXPECT_EQ(page->annotations->links[0].uri, "http://x.org/a");
  EXPECT_EQ(page->annotations->links[0].rectCount, 4);
  EXPECT_EQ(page->annotations->fields.size(), 1u);
  EXPECT_FALSE(doc->xrefTable()->closed());  // the missing annotation was skipped
}

TEST(PageTree, WidgetsInheritTheirFieldsTypeFlagsAndValue) {
  PdfBuilder b;
  b.set(1, "<< /Type /Catalog /Pages 2 0 R /AcroForm << /Fields [10 0 R 20 0 R] >> >>");
  b.set(2, "<< /Type /Pages /Kids [3 0 R] /Count 1 >>");
  b.set(3, "<< /Type /Page /Annots [11 0 R 21 0 R 22 0 R] >>");
  // A text field shown by one widget, and a radio group of two.
  b.set(10, "<< /FT /Tx /V (shared) /Kids [11 0 R] >>");
  b.set(11, "<< /Subtype /Widget /Parent 10 0 R /Rect [0 0 10 10] >>");
  b.set(20, "<< /FT /Btn /Ff 49152 /V /B /Opt [(a) (b)] /Kids [21 0 R 22 0 R] >>");
  b.set(21, "<< /Subtype /Widget /Parent 20 0 R /AS /Off >>");
  b.set(22, "<< /Subtype /Widget /Parent 20 0 R /AS /B /V /Own >>");
  auto doc = openBuilt(b);
  const AnnotationList* form = doc->form()->fields.get();
  const FieldRecord* text = form->findField(11, 0);
  ASSERT_NE(text, nullptr);
  EXPECT_EQ(text->kind, kFieldText);
  EXPECT_EQ(text->value.text, "shared");
  EXPECT_TRUE(doc->formOverlay);  // the widget is a text field without kids
  const FieldRecord* first = form->findField(21, 0);
  const FieldRecord* second = form->findField(22, 0);
  ASSERT_TRUE(first && second);
  EXPECT_EQ(first->kind, kFieldRadioButton);
  EXPECT_EQ(first->group, second->group);
  EXPECT_NE(first->group, 0);
  EXPECT_EQ(first->value.text, "B");
  EXPECT_EQ(second->value.text, "Own");
  ASSERT_NE(first->Opt, nullptr);
  // The page's own list reads the widgets alone; the viewer finds their fields in the form.
  auto* page = doc->findPreparedPage(1, false);
  ASSERT_EQ(page->annotations->fields.size(), 3u);
  EXPECT_EQ(page->annotations->fields[0]->kind, kFieldNone);
}

TEST(PageTree, FieldKidsThatLoopOrFanOutAreReadOnce) {
  PdfBuilder b;
  b.set(1, "<< /Type /Catalog /Pages 2 0 R /AcroForm << /Fields [10 0 R 20 0 R 10 0 R] >> >>");
  b.set(2, "<< /Type /Pages /Kids [3 0 R] /Count 1 >>");
  b.set(3, "<< /Type /Page >>");
  // 10 names itself and its parent among its kids; 20 fans out to 21 twice, 21 to 22 twice...
  b.set(10, "<< /FT /Tx /Kids [10 0 R 11 0 R 10 0 R] >>");
  b.set(11, "<< /Parent 10 0 R /Kids [10 0 R] >>");
  for (int i = 20; i < 60; ++i) {
    const std::string next = std::to_string(i + 1) + " 0 R ";
    b.set(i, "<< /FT /Btn /Kids [" + next + next + "] >>");
  }
  b.set(60, "<< /FT /Btn >>");
  auto doc = openBuilt(b);
  const AnnotationList* form = doc->form()->fields.get();
  ASSERT_EQ(form->fields.size(), 2u);
  ASSERT_EQ(form->fields[0]->children.size(), 1u);
  EXPECT_TRUE(form->fields[0]->children[0]->children.empty());
  // Each of the 41 fields of the chain once: 20 ... 60.
  EXPECT_EQ(form->fieldCount, 2u + 41u);
  EXPECT_NE(form->findField(60, 0), nullptr);
}

}  // namespace
