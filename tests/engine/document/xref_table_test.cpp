#include "engine/document/xref_table.h"

#include <gtest/gtest.h>

#include <optional>

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

std::optional<PdfError> openError(const std::string& bytes) {
  C_PDF_Document doc;
  try {
    doc.open(testing_pdf::writeTempFile(bytes), "");
  } catch (const C_PDF_Exception& e) {
    return e.cause();
  }
  return std::nullopt;
}

PdfObject load(C_PDF_Document& doc, int number) {
  PdfObject ref(PdfObjectKind::Reference);
  ref.objectNumber = number;
  ref.generation = 0;
  return doc.resolver()->resolve(ref);
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

// Replaces the number after the last startxref.
void setStartxref(std::string& file, const std::string& value) {
  const std::size_t at = file.rfind("startxref\n") + 10;
  const std::size_t end = file.find('\n', at);
  file = file.substr(0, at) + value + file.substr(end);
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

TEST(XrefTable, BrokenStartxrefRebuildsAndNewestDefinitionWins) {
  std::string file = basicObjects().build("/Root 1 0 R");
  // A second definition of object 4 after the first.
  std::size_t at = file.find("xref\n0");
  file.insert(at, "4 0 obj\n(later)\nendobj\n");
  setStartxref(file, "20");
  auto doc = openBytes(file);
  EXPECT_TRUE(doc->xrefTable()->rebuilt());
  // Updates are appended: the definition found last in the file is the newest.
  EXPECT_EQ(load(*doc, 4).text, "later");
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
  // The stream's type 1 records place the direct objects: no scan is needed.
  EXPECT_FALSE(doc->xrefTable()->rebuilt());
  EXPECT_FALSE(doc->xrefTable()->scanned());
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

TEST(XrefTable, OpenErrorsSayWhy) {
  auto reason = [](const std::string& bytes) {
    C_PDF_Document doc;
    try {
      doc.open(testing_pdf::writeTempFile(bytes), "");
    } catch (const C_PDF_Exception& e) {
      return std::to_string(e.code()) + " " + e.reason();
    }
    return std::string("opened");
  };
  EXPECT_EQ(reason(""), "2 The file is empty");
  EXPECT_EQ(reason("Dear reader,\nthis is a letter.\n"), "2 This file is not a PDF document");
  EXPECT_EQ(reason("%PDF-1.4\n1 0 obj << /Type /Font >> endobj\n"),
            "2 The file is damaged: its end is missing");
  EXPECT_EQ(reason("%PDF-1.4\n1 0 obj << >> endobj\nstartxref\n9\n%%EOF\n"),
            "2 The file is damaged: its catalogue cannot be found");
  EXPECT_EQ(openError("%PDF-1.4\n1 0 obj << /Type /Catalog >> endobj\n"), PdfError::ObjectNotFound);
}

TEST(XrefTable, MissingObjectsReadAsNull) {
  auto doc = openBytes(basicObjects().build("/Root 1 0 R"));
  // An object defined nowhere is null, and the document goes on.
  EXPECT_EQ(load(*doc, 99).kind, PdfObjectKind::Null);
  EXPECT_FALSE(doc->xrefTable()->closed());
  EXPECT_EQ(load(*doc, 4).text, "first");
  EXPECT_NE(doc->findPage(1, true), nullptr);

  // An entry that points at the wrong place finds the object by scanning; one whose object is
  // in no place at all reads as null.
  std::string file = basicObjects().build("/Root 1 0 R");
  std::size_t table = file.find("xref\n0 5\n") + 9;
  file.replace(table + 4 * 20, 10, "0000000003");  // object 4 at offset 3
  auto shifted = openBytes(file);
  EXPECT_EQ(load(*shifted, 4).text, "first");
  EXPECT_TRUE(shifted->xrefTable()->scanned());
  EXPECT_FALSE(shifted->xrefTable()->rebuilt());

  // An object stream that is missing gives null objects.
  PdfBuilder b = basicObjects();
  std::string xs = b.buildWithXrefStream("/Root 1 0 R", {4});
  std::size_t objstm = xs.find("/Type /ObjStm");
  ASSERT_NE(objstm, std::string::npos);
  xs.replace(objstm, 13, "/Type /Gone  ");
  std::size_t def = xs.rfind(" 0 obj", objstm);
  xs[def - 1] = '9';  // the container's definition now has another number
  auto gone = openBytes(xs);
  EXPECT_EQ(load(*gone, 4).kind, PdfObjectKind::Null);
  EXPECT_EQ(gone->pageCount, 1);

  // An object stream that lost its First: the objects start after the header pairs.
  std::string noFirst = b.buildWithXrefStream("/Root 1 0 R", {3, 4});
  const std::size_t first = noFirst.find("/First ");
  ASSERT_NE(first, std::string::npos);
  const std::size_t end = noFirst.find_first_not_of("0123456789", first + 7);
  noFirst.replace(first, end - first, std::string(end - first, ' '));
  auto recovered = openBytes(noFirst);
  EXPECT_EQ(load(*recovered, 4).text, "first");
  EXPECT_EQ(recovered->pageCount, 1);
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
    EXPECT_EQ(e.cause(), PdfError::DocumentDamaged);
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
  setStartxref(many, "3");
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

namespace {

// One cross-reference stream record with widths 1 4 2.
std::string record(int type, uint32_t second, uint16_t third) {
  std::string r(1, char(type));
  for (int shift = 24; shift >= 0; shift -= 8) r.push_back(char((second >> shift) & 0xFF));
  r.push_back(char(third >> 8));
  r.push_back(char(third & 0xFF));
  return r;
}

std::string xrefStreamObject(int number, const std::string& entries, const std::string& records) {
  return std::to_string(number) + " 0 obj\n<< /Type /XRef /W [1 4 2] " + entries + " /Length " +
         std::to_string(records.size()) + " >>\nstream\n" + records + "\nendstream\nendobj\n";
}

}  // namespace

TEST(XrefTable, IncrementalUpdateWithCrossReferenceStreamShowsNewest) {
  // An original with a cross-reference stream, then an update whose own stream redefines 4.
  std::string file = basicObjects().buildWithXrefStream("/Root 1 0 R");
  const std::string prev = lastStartxref(file);
  const std::size_t object = file.size();
  file += "4 0 obj\n(second)\nendobj\n";
  const std::size_t xref = file.size();
  file += xrefStreamObject(9, "/Index [4 1 9 1] /Size 10 /Root 1 0 R /Prev " + prev,
                           record(1, uint32_t(object), 0) + record(1, uint32_t(xref), 0));
  file += "startxref\n" + std::to_string(xref) + "\n%%EOF\n";
  auto doc = openBytes(file);
  EXPECT_EQ(load(*doc, 4).text, "second");
  EXPECT_EQ(load(*doc, 3).lookup("Type")->text, "Page");
  EXPECT_FALSE(doc->xrefTable()->rebuilt());

  // A classic table updated by a stream, and a stream updated by a classic table.
  std::string classic = basicObjects().build("/Root 1 0 R");
  const std::string classicPrev = lastStartxref(classic);
  const std::size_t at = classic.size();
  classic += "4 0 obj\n(by stream)\nendobj\n";
  const std::size_t streamAt = classic.size();
  classic += xrefStreamObject(9, "/Index [4 1 9 1] /Size 10 /Root 1 0 R /Prev " + classicPrev,
                              record(1, uint32_t(at), 0) + record(1, uint32_t(streamAt), 0));
  const std::size_t third = classic.size();
  classic += "3 0 obj\n<< /Type /Page /Parent 2 0 R /MediaBox [0 0 300 100] >>\nendobj\n";
  const std::size_t table = classic.size();
  char entry[32];
  std::snprintf(entry, sizeof entry, "%010zu 00000 n\r\n", third);
  classic += "xref\n3 1\n" + std::string(entry) + "trailer\n<< /Size 10 /Root 1 0 R /Prev " +
             std::to_string(streamAt) + " >>\nstartxref\n" + std::to_string(table) + "\n%%EOF\n";
  auto mixed = openBytes(classic);
  EXPECT_EQ(load(*mixed, 4).text, "by stream");
  EXPECT_EQ(mixed->findPage(1, false)->width, 300);
  EXPECT_FALSE(mixed->xrefTable()->rebuilt());
}

TEST(XrefTable, HybridFileReadsItsHiddenStream) {
  // Objects 1 to 3 in a classic table; 4 only in an object stream that the table's hidden
  // cross-reference stream (XRefStm) lists.
  PdfBuilder b = basicObjects();
  b.set(4, "(old)");
  const std::string objects = "4 0 (hybrid)";
  b.set(5, "<< /Type /ObjStm /N 1 /First 4 /Length " + std::to_string(objects.size()) +
               " >>\nstream\n" + objects + "\nendstream");
  std::string file = b.build("/Root 1 0 R");
  // Mark 4 free in the table, as hybrid writers do.
  std::size_t table = file.find("xref\n0 6\n") + 9;
  file.replace(table + 4 * 20 + 17, 1, "f");
  const std::size_t hidden = file.find("xref\n0 6");
  file.insert(hidden, xrefStreamObject(6, "/Index [4 1]", record(2, 5, 0)));
  const std::size_t dict = file.find("<<", file.rfind("trailer"));
  file.insert(dict + 2, " /XRefStm " + std::to_string(hidden));
  // startxref moved with the insertion.
  setStartxref(file, std::to_string(file.find("xref\n0 6")));
  auto doc = openBytes(file);
  EXPECT_EQ(load(*doc, 4).text, "hybrid");
  EXPECT_FALSE(doc->xrefTable()->rebuilt());
  EXPECT_EQ(doc->pageCount, 1);
}

TEST(XrefTable, TruncatedFileShowsThePagesThatSurvive) {
  // Three pages; the file ends inside the third page's content stream, so the table, the
  // trailer and startxref are gone.
  const std::string whole = testing_pdf::simpleDocument(3, "0 0 m 10 10 l S");
  const std::size_t cut = whole.find("8 0 obj") + 30;
  auto doc = openBytes(whole.substr(0, cut));
  doc->completePageTree();
  EXPECT_TRUE(doc->xrefTable()->rebuilt());
  EXPECT_EQ(doc->pageCount, 3);
  for (int n = 1; n <= 3; ++n) {
    C_PDF_PageTreeNode_or_Page* page = doc->findPage(n, true);
    ASSERT_NE(page, nullptr) << n;
    // The cut stream keeps what is there.
    if (n < 3) {
      EXPECT_EQ(std::string(page->content.begin(), page->content.end()), "0 0 m 10 10 l S");
    }
  }
  // Cut before the third page's dictionary: two pages remain.
  auto shorter = openBytes(whole.substr(0, whole.find("7 0 obj")));
  shorter->completePageTree();
  EXPECT_NE(shorter->findPage(2, false), nullptr);
  EXPECT_EQ(shorter->findPage(3, false), nullptr);
}

// The flat key index: first insert wins, keys that differ in generation only stay apart, and
// every key survives the table's growth, dense numbers and scattered ones alike.
TEST(XrefKeyIndex, InsertFindGrowAndClear) {
  XrefKeyIndex index;
  EXPECT_EQ(index.find(0), nullptr);
  auto keyOf = [](uint64_t number, uint64_t generation) { return (number << 32) | generation; };
  EXPECT_TRUE(index.insert(keyOf(7, 0), 1));
  EXPECT_FALSE(index.insert(keyOf(7, 0), 2));
  EXPECT_TRUE(index.insert(keyOf(7, 1), 3));
  EXPECT_EQ(*index.find(keyOf(7, 0)), 1u);
  EXPECT_EQ(*index.find(keyOf(7, 1)), 3u);
  EXPECT_EQ(index.find(keyOf(7, 2)), nullptr);
  for (uint32_t n = 100; n < 20100; ++n) ASSERT_TRUE(index.insert(keyOf(n, 0), n));
  for (uint32_t n = 0; n < 300; ++n)
    ASSERT_TRUE(index.insert(keyOf(uint64_t{n} * 7919 + 0x7FFF0000u, 65535), n));
  EXPECT_EQ(index.size(), 2u + 20000u + 300u);
  for (uint32_t n = 100; n < 20100; ++n) {
    const uint32_t* found = index.find(keyOf(n, 0));
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(*found, n);
  }
  EXPECT_EQ(*index.find(keyOf(299u * 7919 + 0x7FFF0000u, 65535)), 299u);
  EXPECT_EQ(index.find(keyOf(20100, 0)), nullptr);
  EXPECT_EQ(*index.find(keyOf(7, 1)), 3u);
  index.clear();
  EXPECT_EQ(index.size(), 0u);
  EXPECT_EQ(index.find(keyOf(7, 0)), nullptr);
  EXPECT_TRUE(index.insert(keyOf(7, 0), 9));
  EXPECT_EQ(*index.find(keyOf(7, 0)), 9u);
}
