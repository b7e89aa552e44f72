// JBIG2Decode in the filter pipeline: the JBIG2Globals stream is found, filtered and read first.

#include <gtest/gtest.h>

#include <vector>

#include "engine/document/pdf_document.h"
#include "tests/engine/decode/jbig2/jbig2_sample.h"
#include "tests/support/pdf_builder.h"

using testing_pdf::PdfBuilder;

namespace {

class Jbig2Stream : public ::testing::Test {
 protected:
  // Decodes object 5, a JBIG2Decode stream with the given DecodeParms, beside object 6.
  std::vector<uint8_t> decode(const std::string& parms, const std::string& globalsEntries,
                              const std::string& globals, int32_t* length) {
    const jbig2_test::EmbeddedImage e =
        jbig2_test::embed(jbig2_test::readFile(jbig2_test::dataPath("annex-h.jbig2")));
    PdfBuilder b;
    b.set(1, "<< /Type /Catalog /Pages 2 0 R >>");
    b.set(2, "<< /Type /Pages /Kids [] /Count 0 >>");
    b.setStream(5, "/Filter /JBIG2Decode " + parms, std::string(e.data.begin(), e.data.end()));
    b.setStream(6, globalsEntries, globals);
    doc = std::make_unique<C_PDF_Document>();
    EXPECT_TRUE(doc->open(testing_pdf::writeTempFile(b.build("/Root 1 0 R")), ""));
    PdfObject ref(PdfObjectKind::Reference);
    ref.objectNumber = 5;
    ref.generation = 0;
    PdfObject stream = doc->resolver()->resolve(ref);
    std::vector<uint8_t> out;
    *length = doc->resolver()->decodeStream(out, stream);
    return out;
  }
  std::string globals() {
    const jbig2_test::EmbeddedImage e =
        jbig2_test::embed(jbig2_test::readFile(jbig2_test::dataPath("annex-h.jbig2")));
    return std::string(e.globals.begin(), e.globals.end());
  }
  // The first page of the sample with 0 = black, as the decoder gives image samples.
  std::vector<uint8_t> expected() {
    jbig2_test::Picture p =
        jbig2_test::readPbm(jbig2_test::readFile(jbig2_test::dataPath("annex-h-page1.pbm")));
    for (uint8_t& b : p.rows) b = static_cast<uint8_t>(~b);
    return p.rows;
  }
  std::unique_ptr<C_PDF_Document> doc;
};

TEST_F(Jbig2Stream, GlobalsPlainOrFiltered) {
  int32_t n = 0;
  EXPECT_EQ(decode("/DecodeParms << /JBIG2Globals 6 0 R >>", "", globals(), &n), expected());
  EXPECT_EQ(n, 448);
  EXPECT_EQ(decode("/DecodeParms << /JBIG2Globals 6 0 R >>", "/Filter /FlateDecode",
                   testing_pdf::deflate(globals()), &n),
            expected());
}

TEST_F(Jbig2Stream, MissingGlobalsStillGiveThePage) {
  int32_t n = 0;
  // A reference to nothing, and no DecodeParms at all: the page comes without the symbols.
  const auto missing = decode("/DecodeParms << /JBIG2Globals 9 0 R >>", "", globals(), &n);
  EXPECT_EQ(n, 448);
  EXPECT_NE(missing, expected());
  EXPECT_EQ(decode("", "", globals(), &n), missing);
  // Globals that are themselves JBIG2 data are not read as an image in turn.
  decode("/DecodeParms << /JBIG2Globals 6 0 R >>",
         "/Filter /JBIG2Decode /DecodeParms << /JBIG2Globals 6 0 R >>", globals(), &n);
  EXPECT_EQ(n, 448);
}

}  // namespace
