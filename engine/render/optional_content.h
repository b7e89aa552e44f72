#pragma once
// Optional content: which optional-content groups the document's default configuration turns
// off, and whether an /OC value (a group or a membership dictionary) hides what it marks.

#include <cstdint>
#include <set>

class C_PDF_Document;
class ObjectResolver;
class PdfObject;

class OptionalContent {
 public:
  // Groups listed beyond this many are not read.
  static constexpr int kMaxGroups = 1 << 16;

  // Reads /OCProperties /D of the catalog (BaseState, ON, OFF).
  explicit OptionalContent(const C_PDF_Document& document);

  bool empty() const { return off_.empty(); }
  // True when value (unresolved: usually a reference) hides the content it marks.
  bool hides(const PdfObject& value, ObjectResolver& resolver) const;

 private:
  bool groupOff(const PdfObject& group) const;

  // Object numbers of the groups that are off.
  std::set<int32_t> off_;
};
