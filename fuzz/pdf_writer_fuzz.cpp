// Round trip of the writer: an object read from arbitrary PDF text is written, read again and
// written again to the same bytes; the input as a file gets an incremental update that keeps
// it whole and ends with a section the writer can find again.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "engine/document/pdf_lexer.h"
#include "engine/writer/object_serializer.h"
#include "engine/writer/pdf_writer.h"

namespace {

PdfObject readOne(const std::string& text, bool& ok) {
  C_PDF_Mem_Buffer buffer(reinterpret_cast<const uint8_t*>(text.data()),
                          static_cast<int32_t>(text.size()));
  PdfLexer lexer(&buffer);
  PdfObject object;
  ok = lexer.readObject(object, true, false);
  return object;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);
  bool ok = false;
  const PdfObject object = readOne(input, ok);
  if (ok && object.kind != PdfObjectKind::Stream && object.kind != PdfObjectKind::Keyword) {
    const std::string once = serializeObject(object);
    bool again = false;
    const PdfObject reread = readOne(once, again);
    if (!again || serializeObject(reread) != once) std::abort();
  }
  PdfWriter writer;
  writer.add({1, 0, ok ? object : PdfObject(PdfObjectKind::Null)});
  PdfObject trailer(PdfObjectKind::Dictionary);
  if (const auto updated = writer.incrementalUpdate(input, trailer, 2)) {
    if (updated->compare(0, input.size(), input) != 0) std::abort();
    const auto last = findLastXrefSection(*updated);
    if (!last || last->offset < static_cast<int64_t>(input.size())) std::abort();
  }
  return 0;
}
