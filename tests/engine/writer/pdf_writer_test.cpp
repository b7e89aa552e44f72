// Writing objects, whole files and incremental updates, read back by the engine's own reader.

#include "engine/writer/pdf_writer.h"

#include <gtest/gtest.h>

#include "engine/document/object_resolver.h"
#include "engine/document/pdf_document.h"
#include "engine/document/pdf_lexer.h"
#include "engine/writer/object_serializer.h"
#include "tests/support/pdf_builder.h"

namespace {

PdfObject parse(const std::string& text) {
  C_PDF_Mem_Buffer buffer(reinterpret_cast<const uint8_t*>(text.data()),
                          static_cast<int32_t>(text.size()));
  PdfLexer lexer(&buffer);
  PdfObject object;
  lexer.readObject(object, true, false);
  return object;
}

PdfObject reference(int number) {
  PdfObject r(PdfObjectKind::Reference);
  r.objectNumber = number;
  r.generation = 0;
  return r;
}

// The object as the engine reads it from the file.
PdfObject readBack(const std::string& file, int number, int* pages = nullptr) {
  C_PDF_Document document;
  document.open(testing_pdf::writeTempFile(file, "written.pdf"), "");
  if (pages) *pages = document.pageCount;
  return document.resolver()->resolve(reference(number));
}

TEST(ObjectSerializer, EscapesReadBackAsTheSameObject) {
  EXPECT_EQ(literalString(std::string("a(b)\\\r\n\0", 8)), "(a\\(b\\)\\\\\\015\\012\\000)");
  EXPECT_EQ(nameToken("A B#/é"), "/A#20B#23#2F#C3#A9");
  EXPECT_EQ(numberToken("-1.5"), "-1.5");
  EXPECT_EQ(numberToken("1e5"), "0");
  EXPECT_EQ(numberToken("1.2.3"), "0");
  const std::string text =
      "<< /Name (x\\(y\\)\\\\z\\r) /Array [1 -2.5 /N#20m true false null 3 0 R [<ff00>]] "
      "/Nested << /Empty [] /S () >> >>";
  const PdfObject original = parse(text);
  const PdfObject again = parse(serializeObject(original));
  EXPECT_EQ(serializeObject(again), serializeObject(original));
  EXPECT_EQ(again.lookup("Name")->text, "x(y)\\z\r");
  EXPECT_EQ(again.lookup("Array")->elements[2].text, "N m");
  EXPECT_EQ(again.lookup("Array")->elements[6].objectNumber, 3);
  EXPECT_EQ(again.lookup("Array")->elements[7].elements[0].text, std::string("\xFF\x00", 2));
  // Deep nesting is cut, not followed without end.
  PdfObject deep(PdfObjectKind::Array);
  for (int i = 0; i < kMaxSerializeDepth + 10; ++i) {
    PdfObject outer(PdfObjectKind::Array);
    outer.elements.push_back(std::move(deep));
    deep = std::move(outer);
  }
  EXPECT_NE(serializeObject(deep).find("null"), std::string::npos);
}

// A one-page document written by the writer itself.
PdfWriter onePage() {
  PdfWriter w;
  w.add({1, 0, parse("<< /Type /Catalog /Pages 2 0 R >>")});
  w.add({2, 0, parse("<< /Type /Pages /Kids [3 0 R] /Count 1 >>")});
  w.add({3, 0, parse("<< /Type /Page /Parent 2 0 R /MediaBox [0 0 100 100] /Contents 4 0 R >>")});
  PdfObject content = parse("<< /Filter /FlateDecode >>");
  content.kind = PdfObjectKind::Stream;
  content.text = flateCompress("0 0 1 rg 0 0 50 50 re f");
  w.add({4, 0, content});
  EXPECT_FALSE(w.add({0, 0, PdfObject(PdfObjectKind::Null)}));
  return w;
}

TEST(PdfWriter, WholeFilesWithATableOrAStreamOpen) {
  const PdfObject trailer = parse("<< /Root 1 0 R /Size 99 /Prev 5 >>");
  for (XrefKind kind : {XrefKind::Table, XrefKind::Stream}) {
    const std::string file = onePage().document(trailer, kind);
    int pages = 0;
    const PdfObject page = readBack(file, 3, &pages);
    EXPECT_EQ(pages, 1);
    EXPECT_TRUE(page.lookup("MediaBox"));
    // A whole file has no older section to point at.
    EXPECT_EQ(file.find("/Prev"), std::string::npos);
    const auto last = findLastXrefSection(file);
    ASSERT_TRUE(last);
    EXPECT_EQ(last->kind, kind);
  }
}

TEST(PdfWriter, IncrementalUpdatesKeepTheOriginalAndChainByPrev) {
  testing_pdf::PdfBuilder b;
  b.set(1, "<< /Type /Catalog /Pages 2 0 R >>");
  b.set(2, "<< /Type /Pages /Kids [3 0 R] /Count 1 >>");
  b.set(3, "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 100 100] >>");
  b.set(4, "<< /V (old) >>");
  const PdfObject trailer = parse("<< /Root 1 0 R /ID [<01> <02>] >>");
  for (const std::string& original :
       {b.build("/Root 1 0 R"), b.buildWithXrefStream("/Root 1 0 R", {4})}) {
    const auto before = findLastXrefSection(original);
    ASSERT_TRUE(before);
    PdfWriter first;
    first.add({4, 0, parse("<< /V (new) >>")});
    const auto once = first.incrementalUpdate(original, trailer, 5);
    ASSERT_TRUE(once);
    EXPECT_EQ(once->substr(0, original.size()), original);
    const auto after = findLastXrefSection(*once);
    ASSERT_TRUE(after);
    EXPECT_EQ(after->kind, before->kind);
    EXPECT_NE(once->find("/Prev " + std::to_string(before->offset), original.size()),
              std::string::npos);
    EXPECT_EQ(readBack(*once, 4).lookup("V")->text, "new");
    // A second save appends a second update that points at the first.
    PdfWriter second;
    second.add({4, 0, parse("<< /V (newer) >>")});
    second.add({5, 0, parse("(added)")});
    const auto twice = second.incrementalUpdate(*once, trailer, 6);
    ASSERT_TRUE(twice);
    EXPECT_EQ(twice->substr(0, once->size()), *once);
    EXPECT_NE(twice->find("/Prev " + std::to_string(after->offset), once->size()),
              std::string::npos);
    EXPECT_EQ(readBack(*twice, 4).lookup("V")->text, "newer");
    EXPECT_EQ(readBack(*twice, 5).text, "added");
    EXPECT_EQ(readBack(*twice, 3).lookup("MediaBox")->elements.size(), 4u);
  }
  PdfWriter w;
  EXPECT_FALSE(w.incrementalUpdate("%PDF-1.4\nno section", trailer, 1));
  EXPECT_FALSE(w.incrementalUpdate("startxref\n999999\n%%EOF", trailer, 1));
}

}  // namespace
