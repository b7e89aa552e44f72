// Field values saved as incremental updates, read back by the engine.

#include "engine/forms/form_saver.h"

#include <gtest/gtest.h>

#include "engine/document/object_resolver.h"
#include "engine/document/pdf_document.h"
#include "tests/support/pdf_builder.h"

namespace {

std::string formFile(bool xrefStream) {
  testing_pdf::PdfBuilder b;
  b.set(1,
        "<< /Type /Catalog /Pages 2 0 R /AcroForm << /Fields [10 0 R 11 0 R 20 0 R 30 0 R] "
        "/DA (/Helv 0 Tf 0 g) >> >>");
  b.set(2, "<< /Type /Pages /Kids [3 0 R] /Count 1 >>");
  b.set(3,
        "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 300 300] "
        "/Annots [10 0 R 11 0 R 21 0 R 22 0 R 30 0 R] >>");
  b.set(10, "<< /Type /Annot /Subtype /Widget /FT /Tx /T (name) /V (old) /Rect [10 10 110 30] >>");
  b.setStream(12, "/Subtype /Form /BBox [0 0 20 20]", "0 0 20 20 re f");
  b.set(11,
        "<< /Subtype /Widget /FT /Btn /T (agree) /V /Off /AS /Off /Rect [10 40 30 60] "
        "/AP << /N << /Yes 12 0 R /Off 12 0 R >> >> >>");
  b.set(20, "<< /FT /Btn /Ff 49152 /T (size) /V /A /Kids [21 0 R 22 0 R] >>");
  b.set(21,
        "<< /Subtype /Widget /Parent 20 0 R /AS /A /Rect [10 70 30 90] "
        "/AP << /N << /A 12 0 R /Off 12 0 R >> >> >>");
  b.set(22,
        "<< /Subtype /Widget /Parent 20 0 R /AS /Off /Rect [40 70 60 90] "
        "/AP << /N << /B 12 0 R /Off 12 0 R >> >> >>");
  b.set(30, "<< /Subtype /Widget /FT /Sig /T (signed) /Rect [0 0 1 1] >>");
  b.set(31, "42");
  return xrefStream ? b.buildWithXrefStream("/Root 1 0 R") : b.build("/Root 1 0 R");
}

struct Reopened {
  C_PDF_Document document;
  PdfObject object(int number) {
    PdfObject r(PdfObjectKind::Reference);
    r.objectNumber = number;
    r.generation = 0;
    return document.resolver()->resolve(r);
  }
};

std::unique_ptr<Reopened> reopen(const std::string& bytes) {
  auto r = std::make_unique<Reopened>();
  r->document.open(testing_pdf::writeTempFile(bytes, "saved.pdf"), "");
  return r;
}

FormSaveResult save(const std::string& file, const std::vector<FieldValueChange>& changes) {
  C_PDF_Document document;
  document.open(testing_pdf::writeTempFile(file, "original.pdf"), "");
  return saveFieldValues(document, file, changes);
}

TEST(FormSaver, ValuesAndFreshAppearancesAppendedTwice) {
  for (bool stream : {false, true}) {
    const std::string original = formFile(stream);
    FormSaveResult first =
        save(original, {{10, 0, {u"Hello (you)"}, ""}, {11, 0, {}, "Yes"}, {20, 0, {}, "B"}});
    ASSERT_TRUE(first.bytes) << first.error;
    EXPECT_EQ(first.bytes->substr(0, original.size()), original);
    auto r = reopen(*first.bytes);
    EXPECT_EQ(r->object(10).lookup("V")->text, "Hello (you)");
    const PdfObject ap = r->object(r->object(10).lookup("AP")->lookup("N")->objectNumber);
    std::vector<uint8_t> bytes;
    r->document.resolver()->decodeStream(bytes, ap);
    const std::string content(bytes.begin(), bytes.end());
    EXPECT_NE(content.find("(Hello \\(you\\)) Tj"), std::string::npos) << content;
    EXPECT_TRUE(r->object(11).lookup("AS")->isName("Yes"));
    EXPECT_TRUE(r->object(11).lookup("V")->isName("Yes"));
    EXPECT_TRUE(r->object(20).lookup("V")->isName("B"));
    EXPECT_TRUE(r->object(21).lookup("AS")->isName("Off"));
    EXPECT_TRUE(r->object(22).lookup("AS")->isName("B"));
    // A second save appends after the first; text beyond Latin goes as UTF-16.
    FormSaveResult second = save(*first.bytes, {{10, 0, {u"\u017dlu\u0165"}, ""}});
    ASSERT_TRUE(second.bytes) << second.error;
    EXPECT_EQ(second.bytes->substr(0, first.bytes->size()), *first.bytes);
    EXPECT_EQ(reopen(*second.bytes)->object(10).lookup("V")->text,
              std::string("\xFE\xFF\x01\x7D\x00l\x00u\x01\x65", 10));
  }
}

TEST(FormSaver, BrokenFieldsChangeNothing) {
  const std::string original = formFile(false);
  for (const FieldValueChange& bad : std::vector<FieldValueChange>{
           {31, 0, {u"x"}, ""}, {99, 0, {u"x"}, ""}, {30, 0, {u"x"}, ""}}) {
    FormSaveResult result = save(original, {{10, 0, {u"fine"}, ""}, bad});
    EXPECT_FALSE(result.bytes);
    EXPECT_NE(result.error.find("nothing was saved"), std::string::npos) << result.error;
  }
}

}  // namespace
