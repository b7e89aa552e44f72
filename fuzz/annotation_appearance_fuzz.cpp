// Builds appearances from an arbitrary annotation dictionary (PDF object text) as each kind of
// markup annotation and of form field, and checks that what is built reads back as content:
// every token a number, name, string, array or operator, and the text bounded. The input is also
// read as a field's appearance stream and compared with the field's value.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "engine/document/pdf_lexer.h"
#include "engine/forms/markup_appearance.h"
#include "engine/forms/widget_appearance.h"

namespace {

// Content a built appearance may hold at most for any input of the fuzzer's sizes.
constexpr std::size_t kMaxContent = 64u << 20;

void checkContent(const BuiltAppearance& built) {
  if (built.content.size() > kMaxContent) std::abort();
  C_PDF_Mem_Buffer buffer(reinterpret_cast<const uint8_t*>(built.content.data()),
                          static_cast<int32_t>(built.content.size()));
  PdfLexer lexer(&buffer);
  PdfObject token;
  while (lexer.readObject(token, false, false)) {
    switch (token.kind) {
      case PdfObjectKind::Number:
      case PdfObjectKind::Name:
      case PdfObjectKind::String:
      case PdfObjectKind::Array:
      case PdfObjectKind::Keyword:
        break;
      default:
        std::abort();
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  C_PDF_Mem_Buffer buffer(data, static_cast<int32_t>(size));
  PdfLexer lexer(&buffer);
  PdfObject annotation;
  if (!lexer.readObject(annotation, false, false) || !annotation.isDictionary()) return 0;
  const AnnotationValues values;
  static const char* const kKinds[] = {
      "Square",    "Circle",    "Line",     "Polygon",  "PolyLine", "Ink",   "Highlight",
      "Underline", "StrikeOut", "Squiggly", "FreeText", "Text",     "Caret", "Stamp"};
  for (const char* kind : kKinds) {
    PdfObject copy = annotation;
    if (PdfObject* subtype = copy.lookup("Subtype"))
      *subtype = PdfObject(PdfObjectKind::Name, kind);
    else
      copy.add("Subtype", PdfObject(PdfObjectKind::Name, kind));
    if (auto built = buildMarkupAppearance(copy, values)) checkContent(*built);
  }
  static const char* const kFieldTypes[] = {"Tx", "Btn", "Ch"};
  for (const char* type : kFieldTypes) {
    PdfObject copy = annotation;
    copy.add("FT", PdfObject(PdfObjectKind::Name, type));
    if (auto built = buildWidgetAppearance(copy, annotation, values)) checkContent(*built);
  }
  // The input as the content of a field's appearance: compared with its value, in bounds.
  appearanceShowsValue(std::string_view(reinterpret_cast<const char*>(data), size), annotation,
                       values);
  return 0;
}
