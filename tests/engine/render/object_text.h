#pragma once
// Test helpers for the colour and function tests: PDF values written as text, and a small
// document in memory for values that refer to other objects.

#include <memory>
#include <string>
#include <string_view>

#include "engine/document/lex_source.h"
#include "engine/document/object_resolver.h"
#include "engine/document/pdf_lexer.h"
#include "engine/document/pdf_object.h"
#include "engine/document/trailer_info.h"
#include "engine/document/xref_table.h"
#include "tests/support/pdf_builder.h"

namespace render_test {

// The first object of text ("[/Indexed /DeviceRGB 1 <FF0000>]", "<< /FunctionType 2 ... >>").
inline PdfObject parse(std::string_view text) {
  C_PDF_Mem_Buffer buffer(reinterpret_cast<const uint8_t*>(text.data()),
                          static_cast<int32_t>(text.size()));
  PdfLexer lexer(&buffer);
  PdfObject object;
  lexer.readObject(object, true);
  return object;
}

// A stream: the dictionary as text and the (unfiltered) data.
inline PdfObject stream(std::string_view dictionary, std::string data) {
  PdfObject object = parse(dictionary);
  object.kind = PdfObjectKind::Stream;
  object.text = std::move(data);
  return object;
}

// A resolver without a document, for values without references.
struct NoDocument {
  ObjectResolver resolver{nullptr, nullptr};
};

// A document held in memory, made by a PdfBuilder.
class MemoryDocument {
 public:
  explicit MemoryDocument(const testing_pdf::PdfBuilder& builder)
      : bytes_(builder.build("")),
        buffer_(reinterpret_cast<const uint8_t*>(bytes_.data()),
                static_cast<int32_t>(bytes_.size())),
        lexer_(&buffer_) {
    readTrailerInfo(trailer_, lexer_);
    table_ = std::make_unique<XrefTable>(&trailer_, &lexer_);
    resolver_ = std::make_unique<ObjectResolver>(table_.get(), &lexer_);
  }
  ObjectResolver& resolver() { return *resolver_; }
  // The object n as a reference value.
  static PdfObject reference(int32_t number) {
    PdfObject r(PdfObjectKind::Reference);
    r.objectNumber = number;
    r.generation = 0;
    return r;
  }

 private:
  std::string bytes_;
  C_PDF_Mem_Buffer buffer_;
  PdfLexer lexer_;
  TrailerInfo trailer_;
  std::unique_ptr<XrefTable> table_;
  std::unique_ptr<ObjectResolver> resolver_;
};

}  // namespace render_test
