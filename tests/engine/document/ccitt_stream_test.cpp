// CCITTFaxDecode streams through the filter pipeline: parameters as files write them.

#include <gtest/gtest.h>

#include <vector>

#include "engine/document/pdf_document.h"
#include "engine/messages/message_listener.h"
#include "tests/support/pdf_builder.h"

using testing_pdf::PdfBuilder;
namespace Messages = Corvalis::PDFConverter::Messages;

namespace {

class Recorder : public Messages::IMessageListener {
 public:
  void Notify(int, const std::string& text) override { texts.push_back(text); }
  bool InteractiveQuery() override { return false; }
  int Ask(int, int, const std::string&) override { return Messages::kAnswerNo; }
  std::vector<std::string> texts;
};

class FaxStreams : public ::testing::Test {
 protected:
  void SetUp() override { Messages::SetMessageListener(&recorder); }
  void TearDown() override { Messages::SetMessageListener(nullptr); }

  // Opens a document whose object 5 is a stream with these entries and data; more objects
  // may be given as (number, body) pairs.
  void open(const std::string& entries, const std::string& data,
            const std::vector<std::pair<int, std::string>>& more = {}) {
    PdfBuilder b;
    b.set(1, "<< /Type /Catalog /Pages 2 0 R >>");
    b.set(2, "<< /Type /Pages /Kids [] /Count 0 >>");
    b.setStream(5, entries, data);
    b.setStream(9, entries, data);
    for (const auto& [number, body] : more) b.set(number, body);
    doc = std::make_unique<C_PDF_Document>();
    ASSERT_TRUE(doc->open(testing_pdf::writeTempFile(b.build("/Root 1 0 R")), ""));
  }

  std::string decodeObject(int number, int32_t* length = nullptr) {
    PdfObject ref(PdfObjectKind::Reference);
    ref.objectNumber = number;
    ref.generation = 0;
    PdfObject stream = doc->resolver()->resolve(ref);
    std::vector<uint8_t> out;
    const int32_t n = doc->resolver()->decodeStream(out, stream);
    if (length) *length = n;
    return std::string(out.begin(), out.end());
  }

  std::string decode(const std::string& entries, const std::string& data,
                     const std::vector<std::pair<int, std::string>>& more = {},
                     int32_t* length = nullptr) {
    open(entries, data, more);
    return decodeObject(5, length);
  }

  Recorder recorder;
  std::unique_ptr<C_PDF_Document> doc;
};

// Eight all-white rows of eight pixels, each coded as one vertical V0 code.
const std::string kEightWhiteRows = "\xFF";

TEST_F(FaxStreams, ParametersFromEverySpelling) {
  const std::string white(8, '\xFF'), black1(8, '\x00');
  EXPECT_EQ(decode("/Filter /CCITTFaxDecode /DecodeParms << /K -1 /Columns 8 >>", kEightWhiteRows),
            white);
  EXPECT_EQ(
      decode("/Filter /CCF /DecodeParms << /K -1 /Columns 8 /BlackIs1 true >>", kEightWhiteRows),
      black1);
  // The misspelt key some writers use, and values given indirectly.
  EXPECT_EQ(decode("/Filter /CCF /DecodeParams << /K -1 /Columns 8 >>", kEightWhiteRows), white);
  EXPECT_EQ(decode("/Filter /CCF /DecodeParms 6 0 R", kEightWhiteRows,
                   {{6, "<< /K 7 0 R /Columns 8 /BlackIs1 8 0 R /EndOfBlock false /Rows 3 >>"},
                    {7, "-1"},
                    {8, "true"}}),
            std::string(3, '\x00'));
  // Inside a filter array with its own parameters.
  EXPECT_EQ(decode("/Filter [/AHx /CCF] /DecodeParms [null << /K -1 /Columns 8 >>]", "FF>"), white);
  EXPECT_TRUE(recorder.texts.empty());
}

TEST_F(FaxStreams, DataThatDecodesToNothingGivesNoImage) {
  int32_t length = 0;
  decode("/Filter /CCF /DecodeParms << /K -1 /Columns 8 >>", std::string(4, '\0'), {}, &length);
  EXPECT_EQ(length, -1);
  decode("/Filter /CCF /DecodeParms << /K -1 /Columns 0 >>", kEightWhiteRows, {}, &length);
  EXPECT_EQ(length, -1);
}

TEST_F(FaxStreams, AnImageFilterWithoutDecoderIsSaidOncePerDocument) {
  // Holds for every image filter that has no decoder here; one with a decoder rejects this
  // data quietly.
  for (const char* filter : {"JBIG2Decode", "JPXDecode"}) {
    SCOPED_TRACE(filter);
    recorder.texts.clear();
    int32_t length = 0;
    decode(std::string("/Filter /") + filter, "not an image", {}, &length);
    EXPECT_EQ(length, -1);
    decodeObject(9, &length);
    EXPECT_EQ(length, -1);
    ASSERT_LE(recorder.texts.size(), 1u);
    if (!recorder.texts.empty()) {
      EXPECT_NE(recorder.texts[0].find(std::string("can not process ") + filter),
                std::string::npos);
    }
  }
}

}  // namespace
