#pragma once
// Fuzz input given as PDF text: a value first, then any objects it refers to ("1 0 obj ...
// endobj"), found by the document's reconstruction scan and loaded through a resolver.

#include <cstddef>
#include <cstdint>
#include <limits>
#include <memory>

#include "engine/document/lex_source.h"
#include "engine/document/object_resolver.h"
#include "engine/document/pdf_exception.h"
#include "engine/document/pdf_lexer.h"
#include "engine/document/trailer_info.h"
#include "engine/document/xref_table.h"

class PdfTextInput {
 public:
  // Inputs of 2 GiB or more give an empty value and no objects.
  PdfTextInput(const uint8_t* data, std::size_t size)
      : source_(data, size > kMaxSize ? 0 : static_cast<int32_t>(size)), lexer_(&source_) {
    {
      C_PDF_Mem_Buffer valueSource(data, source_.length);
      PdfLexer valueLexer(&valueSource);
      valueLexer.readObject(value, true);
    }
    trailer_.lexer = &lexer_;
    trailer_.startPosition = 0;
    try {
      table_ = std::make_unique<XrefTable>(&trailer_, &lexer_);
    } catch (const C_PDF_Exception&) {
      table_.reset();
    }
    resolver_ = std::make_unique<ObjectResolver>(table_.get(), table_ ? &lexer_ : nullptr);
  }
  PdfTextInput(const PdfTextInput&) = delete;
  PdfTextInput& operator=(const PdfTextInput&) = delete;

  ObjectResolver& resolver() { return *resolver_; }

  PdfObject value;

 private:
  static constexpr std::size_t kMaxSize =
      static_cast<std::size_t>(std::numeric_limits<int32_t>::max());

  C_PDF_Mem_Buffer source_;
  PdfLexer lexer_;
  TrailerInfo trailer_;
  std::unique_ptr<XrefTable> table_;
  std::unique_ptr<ObjectResolver> resolver_;
};
