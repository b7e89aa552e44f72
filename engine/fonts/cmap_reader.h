#pragma once
// Reads a CMap resource one PDF object at a time, with room to put one object back.

#include <array>
#include <cstddef>
#include <string_view>

#include "engine/document/lex_source.h"
#include "engine/document/pdf_lexer.h"
#include "engine/document/pdf_object.h"

namespace CMaps {

class CMapReader {
 public:
  explicit CMapReader(C_PDF_Lex_Source& source) : lexer_(&source) {}

  // The next object; false at the end of the source.
  bool next(PdfObject& object);
  // The next next() returns object again.
  void putBack(PdfObject object);

  // Reads groups of N objects up to the keyword `end` or the end of the source, handing each
  // complete group to onGroup; stops with false as soon as onGroup returns false.
  template <std::size_t N, typename OnGroup>
  bool readGroups(std::string_view end, OnGroup&& onGroup) {
    std::array<PdfObject, N> group;
    for (;;) {
      for (PdfObject& object : group) {
        if (!next(object) || object.isKeyword(end)) return true;
      }
      if (!onGroup(group)) return false;
    }
  }

 private:
  PdfLexer lexer_;
  PdfObject pending_;
  bool hasPending_ = false;
};

}  // namespace CMaps
