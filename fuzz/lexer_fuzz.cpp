// Reads every object of arbitrary bytes with the lexer, with and without reference recognition.
#include <cstddef>
#include <cstdint>

#include "engine/document/pdf_lexer.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  C_PDF_Mem_Buffer buffer(data, static_cast<int32_t>(size));
  PdfLexer lexer(&buffer);
  PdfObject object;
  for (int i = 0; i < 100000 && lexer.readObject(object, i % 2 == 0, false); ++i) {
    PdfObject copy = object;
    (void)copy.intValue();
    (void)copy.realValue();
    (void)copy.lookup("Length");
  }
  return 0;
}
