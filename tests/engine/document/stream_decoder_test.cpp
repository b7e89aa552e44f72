// The filter pipeline of the object resolver: Filter and DecodeParms as written in files.

#include <gtest/gtest.h>

#include <vector>

#include "engine/document/pdf_document.h"
#include "engine/document/pdf_exception.h"
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

class StreamDecoding : public ::testing::Test {
 protected:
  void SetUp() override { Messages::SetMessageListener(&recorder); }
  void TearDown() override { Messages::SetMessageListener(nullptr); }

  // Decodes object 5 of a document holding one stream with the given dictionary entries.
  std::string decode(const std::string& entries, const std::string& data,
                     int32_t* length = nullptr) {
    PdfBuilder b;
    b.set(1, "<< /Type /Catalog /Pages 2 0 R >>");
    b.set(2, "<< /Type /Pages /Kids [] /Count 0 >>");
    b.setStream(5, entries, data);
    doc = std::make_unique<C_PDF_Document>();
    EXPECT_TRUE(doc->open(testing_pdf::writeTempFile(b.build("/Root 1 0 R")), ""));
    PdfObject ref(PdfObjectKind::Reference);
    ref.objectNumber = 5;
    ref.generation = 0;
    PdfObject stream = doc->resolver()->resolve(ref);
    std::vector<uint8_t> out;
    int32_t n = doc->resolver()->decodeStream(out, stream);
    if (length) *length = n;
    return std::string(out.begin(), out.end());
  }

  Recorder recorder;
  std::unique_ptr<C_PDF_Document> doc;
};

TEST_F(StreamDecoding, FlateWithAndWithoutFilter) {
  // zlib data whose header is 48 89 is inflated without a Filter.
  // 48 89 is a valid zlib header (a 4 KiB window); the rest of the stream is unchanged.
  EXPECT_EQ(decode("", std::string("\x48\x89", 2) + testing_pdf::deflate("hello").substr(2)),
            "hello");
  EXPECT_EQ(decode("", "plain"), "plain");
  EXPECT_EQ(decode("/Filter /Fl", testing_pdf::deflate("abc")), "abc");
  int32_t length = 0;
  decode("/Filter /FlateDecode", "broken", &length);
  EXPECT_EQ(length, -1);
  // Data cut short or with a wrong checksum keeps what was inflated.
  std::string text;
  for (int i = 0; i < 400; ++i) text += std::to_string(i) + " ";
  const std::string whole = testing_pdf::deflate(text);
  std::string cut = decode("/Filter /FlateDecode", whole.substr(0, whole.size() / 2), &length);
  EXPECT_GT(length, 0);
  EXPECT_EQ(cut, text.substr(0, cut.size()));
  std::string badSum = whole;
  badSum.back() = char(badSum.back() ^ 0x55);
  EXPECT_EQ(decode("/Filter /FlateDecode", badSum, &length), text);
}

TEST_F(StreamDecoding, Abbreviations) {
  EXPECT_EQ(decode("/Filter /AHx", "41 42>"), "AB");
  EXPECT_EQ(decode("/Filter /A85", "87cURD]i,\"Ebo80~>"), "Hello World!");
  EXPECT_EQ(decode("/Filter /RL", std::string("\x01xy\xFEz\x80", 6)), "xyzzz");
  EXPECT_EQ(decode("/Filter [/AHx /RL]", "01 78 79 80>"), "xy");
  EXPECT_EQ(decode("/Filter /ASCIIHexDecode", "7>"), "p");
  EXPECT_EQ(decode("/Filter /RunLengthDecode", "\x80"), "");
}

TEST_F(StreamDecoding, PredictorsApplyAfterFlateOnly) {
  // Two rows of five bytes, PNG Up then Sub.
  std::string rows =
      std::string("\x02\x01\x02\x03\x04\x05", 6) + std::string("\x01\x01\x01\x01\x01\x01", 6);
  std::string encoded = testing_pdf::deflate(rows);
  std::string expected = std::string("\x01\x02\x03\x04\x05\x01\x02\x03\x04\x05", 10);
  EXPECT_EQ(decode("/Filter /FlateDecode /DecodeParms << /Predictor 12 /Columns 5 >>", encoded),
            expected);

  // ASCII85 then Flate with the predictor given for Flate only.
  std::string hex;
  for (unsigned char c : encoded) {
    char b[3];
    std::snprintf(b, sizeof b, "%02x", c);
    hex += b;
  }
  EXPECT_EQ(decode("/Filter [/AHx /FlateDecode] /DecodeParms [null << /Predictor 12 /Columns 5 >>]",
                   hex + ">"),
            expected);
}

TEST_F(StreamDecoding, UnknownFiltersAreReportedOncePerDocument) {
  int32_t length = 0;
  decode("/Filter /Mystery", "data", &length);
  EXPECT_EQ(length, -1);
  ASSERT_EQ(recorder.texts.size(), 1u);
  EXPECT_NE(
      recorder.texts[0].find("(1) This version of Quillon can not process Mystery stream filters"),
      std::string::npos);
  // Inside an array the data goes on to the next filter.
  EXPECT_EQ(decode("/Filter [/Odd /AHx]", "41>"), "A");
  ASSERT_EQ(recorder.texts.size(), 2u);
  EXPECT_EQ(recorder.texts[1].rfind("(2)", 0), 0u);

  PdfObject ref(PdfObjectKind::Reference);
  ref.objectNumber = 5;
  ref.generation = 0;
  PdfObject stream = doc->resolver()->resolve(ref);
  std::vector<uint8_t> out;
  doc->resolver()->decodeStream(out, stream);
  EXPECT_EQ(recorder.texts.size(), 2u);  // not again for the same document

  // A Filter that is neither a name nor an array.
  EXPECT_THROW(decode("/Filter 5", "x"), C_PDF_Exception);
}

TEST_F(StreamDecoding, InlineData) {
  decode("", "");
  std::vector<uint8_t> out;
  const std::string data = "41 42 >";
  int32_t n =
      doc->resolver()->decodeInline(out, PdfObject(PdfObjectKind::Name, "AHx"), PdfObject(),
                                    {reinterpret_cast<const uint8_t*>(data.data()), data.size()});
  EXPECT_EQ(n, 2);
  EXPECT_EQ(std::string(out.begin(), out.end()), "AB");
  // Something that is not a stream gives nothing and is reported, never ends the process.
  EXPECT_EQ(doc->resolver()->decodeStream(out, PdfObject(PdfObjectKind::Number, "3")), -1);
}

}  // namespace
