#include "engine/document/xref_table.h"

#include <gtest/gtest.h>

#include <memory>

#include "engine/document/pdf_document.h"
#include "engine/document/pdf_exception.h"
#include "tests/support/pdf_builder.h"

using testing_pdf::PdfBuilder;

namespace {

std::unique_ptr<C_PDF_Document> openBytes(const std::string& bytes) {
  auto doc = std::make_unique<C_PDF_Document>();
  EXPECT_TRUE(doc->open(testing_pdf::writeTempFile(bytes), ""));
  return doc;
}

int openError(const std::string& bytes) {
  C_PDF_Document doc;
  try {
    doc.open(testing_pdf::writeTempFile(bytes), "");
  } catch (const C_PDF_Exception& e) {
    return e.code();
  }
  return 0;
}

PdfObject load(C_PDF_Document& doc, int number, bool tolerant = false) {
  PdfObject ref(PdfObjectKind::Reference);
  ref.objectNumber = number;
  ref.generation = 0;
  return doc.resolver()->resolve(ref, tolerant);
}

PdfBuilder basicObjects() {
  PdfBuilder b;
  b.set(1, "<< /Type /Catalog /Pages 2 0 R >>");
  b.set(2, "<< /Type /Pages /Kids [3 0 R] /Count 1 >>");
  b.set(3, "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 200 100] >>");
  b.set(4, "(first)");
  return b;
}

std::string lastStartxref(const std::string& file) {
  std::size_t at = file.rfind("startxref");
  std::size_t begin = file.find_first_of("0123456789", at);
  return file.substr(begin, file.find_first_not_of("0123456789", begin) - begin);
}

TEST(XrefTable, IncrementalUpdateNewestWins) {
  std::string file = basicObjects().build("/Root 1 0 R");
  const std::string prev = lastStartxref(file);
  const std::size_t object = file.size();
  file += "4 0 obj\n(second)\nendobj\n";
  const std::size_t xref = file.size();
  char entry[32];
  std::snprintf(entry, sizeof entry, "%010zu 00000 n\r\n", object);
  file += "xref\n4 1\n" + std::string(entry) + "trailer\n<< /Size 5 /Root 1 0 R /Prev " + prev +
          " >>\nstartxref\n" + std::to_string(xref) + "\n%%EOF\n";
  auto doc = openBytes(file);
  EXPECT_EQ(load(*doc, 4).text, "second");
  EXPECT_FALSE(doc->xrefTable()->rebuilt());
  EXPECT_EQ(doc->xrefTable()->trailers().size(), 2u);
}

TEST(XrefTable, BrokenStartxrefRebuildsAndFirstDefinitionWins) {
  std::string file = basicObjects().build("/Root 1 0 R");
  // A second definition of object 4 after the first.
  std::size_t at = file.find("xref\n0");
  file.insert(at, "4 0 obj\n(later)\nendobj\n");
  std::size_t sx = file.rfind("startxref\n") + 10;
  file.replace(sx, file.find('\n', sx) - sx, "20");
  auto doc = openBytes(file);
  EXPECT_TRUE(doc->xrefTable()->rebuilt());
  EXPECT_EQ(load(*doc, 4).text, "first");
  EXPECT_EQ(doc->pageCount, 1);
}

TEST(XrefTable, DamagedTables) {
  // Two in-use entries in a row with the same offset: the table is rebuilt.
  std::string file = basicObjects().build("/Root 1 0 R");
  std::size_t table = file.find("xref\n0 5\n");
  std::size_t second = table + 9 + 20;  // the entry of object 1
  std::string entry1 = file.substr(second, 20);
  file.replace(second + 20, 20, entry1);  // object 2 claims object 1's offset
  auto doc = openBytes(file);
  EXPECT_TRUE(doc->xrefTable()->rebuilt());
  EXPECT_EQ(doc->pageCount, 1);

  // A subsection announcing fewer entries than it has: the first surplus entry still counts
  // and the trailer after the table is read.
  std::string file2 = basicObjects().build("/Root 1 0 R");
  file2.replace(file2.find("xref\n0 5\n"), 9, "xref\n0 4\n");
  auto doc2 = openBytes(file2);
  EXPECT_FALSE(doc2->xrefTable()->rebuilt());
  EXPECT_EQ(load(*doc2, 4).text, "first");
  EXPECT_NE(doc2->trailerInfo()->Root, nullptr);
}

TEST(XrefTable, CrossReferenceStreamsAndObjectStreams) {
  PdfBuilder b = basicObjects();
  std::string file = b.buildWithXrefStream("/Root 1 0 R", {2, 3, 4});
  auto doc = openBytes(file);
  EXPECT_TRUE(doc->xrefTable()->rebuilt());
  EXPECT_EQ(load(*doc, 4).text, "first");
  EXPECT_EQ(doc->pageCount, 1);
  auto* page = doc->findPage(1, false);
  ASSERT_NE(page, nullptr);
  EXPECT_EQ(page->width, 200);
  // Loading the same compressed objects again gives the same results.
  EXPECT_EQ(load(*doc, 3).lookup("Type")->text, "Page");
  EXPECT_EQ(load(*doc, 4).text, "first");
}

TEST(XrefTable, StreamLengthCorrection) {
  auto withLength = [](int declared) {
    PdfBuilder b = basicObjects();
    b.set(5, "<< /Length " + std::to_string(declared) + " >>\nstream\n0123456789\nendstream");
    return b.build("/Root 1 0 R");
  };
  // Off by up to five bytes the Length is kept; by six or more it is replaced by the distance
  // from the keyword stream to endstream.
  auto near = openBytes(withLength(14));
  EXPECT_EQ(load(*near, 5).text, "0123456789\nend");
  auto exact = openBytes(withLength(10));
  EXPECT_EQ(load(*exact, 5).text, "0123456789");
  auto far = openBytes(withLength(100));
  EXPECT_EQ(load(*far, 5).text.substr(0, 10), "0123456789");
  EXPECT_LE(load(*far, 5).text.size(), 14u);
  auto negative = openBytes(withLength(-3));
  EXPECT_EQ(load(*negative, 5).text.substr(0, 10), "0123456789");
}

TEST(XrefTable, FailuresRaiseTheirCodes) {
  EXPECT_EQ(openError("%PDF-1.4\n1 0 obj << >> endobj\n"), kErrorDocumentDamaged);
  EXPECT_EQ(openError(""), kErrorDocumentDamaged);

  auto doc = openBytes(basicObjects().build("/Root 1 0 R"));
  // Tolerant: the object is missing, and nothing else changes.
  try {
    load(*doc, 99, true);
    FAIL();
  } catch (const C_PDF_Exception& e) {
    EXPECT_EQ(e.code(), kErrorObjectNotFound);
  }
  EXPECT_EQ(load(*doc, 4).text, "first");
  // Strict: the object store is closed; later loads fail cleanly and the document can still
  // be destroyed.
  EXPECT_THROW(load(*doc, 99), C_PDF_Exception);
  EXPECT_TRUE(doc->xrefTable()->closed());
  EXPECT_THROW(load(*doc, 4), C_PDF_Exception);
  EXPECT_NE(doc->findPage(1, true), nullptr);
}

TEST(XrefTable, LoopsAndLimitsStayBounded) {
  // A Prev that points back to its own section.
  std::string file = basicObjects().build("/Root 1 0 R");
  const std::string self = lastStartxref(file);
  file.replace(file.rfind("/Root 1 0 R"), 11, "/Root 1 0 R /Prev " + self);
  EXPECT_EQ(openBytes(file)->pageCount, 1);

  // A Length that refers to its own stream.
  PdfBuilder b = basicObjects();
  b.set(5, "<< /Length 5 0 R >>\nstream\nabc\nendstream");
  auto doc = openBytes(b.build("/Root 1 0 R"));
  try {
    load(*doc, 5);
    FAIL();
  } catch (const C_PDF_Exception& e) {
    EXPECT_EQ(e.code(), kErrorDocumentDamaged);
  }
  EXPECT_EQ(load(*doc, 4).text, "first");

  // Cross-reference streams whose Prev chain loops.
  std::string xs = basicObjects().buildWithXrefStream("/Root 1 0 R", {4});
  std::string xref = lastStartxref(xs);
  xs.replace(xs.rfind("/W [1 4 2]"), 10, "/W [1 4 2] /Prev " + xref);
  EXPECT_EQ(openBytes(xs)->pageCount, 1);

  // Thousands of trailer dictionaries in a damaged file.
  std::string many = basicObjects().build("/Root 1 0 R");
  std::string extra;
  for (int i = 0; i < 3000; ++i) extra += "%\ntrailer\n<< /Info 4 0 R >>\n";
  many.insert(many.find("xref\n0"), extra);
  std::size_t sx = many.rfind("startxref\n") + 10;
  many.replace(sx, many.find('\n', sx) - sx, "3");
  auto d = openBytes(many);
  EXPECT_EQ(d->pageCount, 1);
  EXPECT_LE(d->xrefTable()->trailers().size(), static_cast<std::size_t>(XrefTable::kMaxTrailers));
}

TEST(XrefTable, MultiPartIndexNumbersEveryRecord) {
  // A cross-reference stream with two subsections in Index.
  PdfBuilder b = basicObjects();
  b.set(10, "(ten)");
  std::string file = b.buildWithXrefStream("/Root 1 0 R", {4, 10}, true);
  ASSERT_NE(file.find("/Index [0 5 10 3]"), std::string::npos);
  auto doc = openBytes(file);
  EXPECT_EQ(load(*doc, 10).text, "ten");
}

}  // namespace
