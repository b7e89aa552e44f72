// Replays every input the fuzz targets of the document layer ever found.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "engine/decode/ascii85_decoder.h"
#include "engine/decode/ascii_hex_decoder.h"
#include "engine/decode/flate_decoder.h"
#include "engine/decode/lzw_decoder.h"
#include "engine/decode/predictor.h"
#include "engine/decode/run_length_decoder.h"
#include "engine/document/pdf_document.h"
#include "engine/document/pdf_exception.h"
#include "tests/support/pdf_builder.h"

namespace fs = std::filesystem;

namespace {

std::vector<fs::path> inputs(const std::string& target) {
  std::vector<fs::path> found;
  const char* root = std::getenv("BREVIA_TEST_DATA");
  if (!root) return found;
  fs::path dir = fs::path(root) / "fuzz" / target;
  if (!fs::is_directory(dir)) return found;
  for (const auto& entry : fs::directory_iterator(dir))
    if (entry.is_regular_file()) found.push_back(entry.path());
  return found;
}

std::span<const uint8_t> bytes(const std::string& s) {
  return {reinterpret_cast<const uint8_t*>(s.data()), s.size()};
}

TEST(FuzzRegressions, Documents) {
  for (const fs::path& input : inputs("document")) {
    C_PDF_Document document;
    try {
      if (!document.open(input.string(), "")) continue;
      document.completePageTree();
      for (int32_t n = 1; n <= document.pageCount && n <= 50; ++n)
        if (!document.findPreparedPage(n, true)) break;
    } catch (const C_PDF_Exception&) {
    }
  }
}

TEST(FuzzRegressions, LexerAndFilters) {
  for (const fs::path& input : inputs("lexer")) {
    std::string data = testing_pdf::readFile(input.string());
    C_PDF_Mem_Buffer buffer(reinterpret_cast<const uint8_t*>(data.data()), static_cast<int32_t>(data.size()));
    PdfLexer lexer(&buffer);
    PdfObject object;
    for (int i = 0; i < 100000 && lexer.readObject(object, i % 2 == 0); ++i) {
    }
  }
  std::vector<uint8_t> out;
  const std::size_t cap = 1 << 24;
  for (const fs::path& p : inputs("flate")) decodeFlate(bytes(testing_pdf::readFile(p)), out, cap);
  for (const fs::path& p : inputs("lzw")) decodeLzw(bytes(testing_pdf::readFile(p)), out, cap);
  for (const fs::path& p : inputs("ascii85")) decodeAscii85(bytes(testing_pdf::readFile(p)), out, cap);
  for (const fs::path& p : inputs("ascii_hex")) decodeAsciiHex(bytes(testing_pdf::readFile(p)), out, cap);
  for (const fs::path& p : inputs("run_length")) decodeRunLength(bytes(testing_pdf::readFile(p)), out, cap);
}

}  // namespace
