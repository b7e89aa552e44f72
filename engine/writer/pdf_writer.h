#pragma once
// Writes PDF files: a whole document, or an incremental update appended to an existing file
// (its bytes untouched) with a cross-reference section of the kind the file's last one is.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/document/pdf_object.h"

enum class XrefKind { Table, Stream };

struct WrittenObject {
  int32_t number = 0;
  int32_t generation = 0;
  PdfObject value;
};

// Where a file's last cross-reference section starts and what kind it is.
struct LastXrefSection {
  int64_t offset = 0;
  XrefKind kind = XrefKind::Table;
};

// Bytes searched for startxref at the end of a file.
inline constexpr std::size_t kStartXrefSearch = 4096;
// Object numbers a section may hold at most (PDF's own limit).
inline constexpr int32_t kMaxObjectNumber = 8388607;

// The last startxref of the file and the kind of section it points to; nullopt when the file
// has none or it points outside the file.
std::optional<LastXrefSection> findLastXrefSection(std::string_view file);

class PdfWriter {
 public:
  // Objects with a number outside 1 to kMaxObjectNumber are refused (false); the same number
  // given twice keeps the later object.
  bool add(WrittenObject object);

  // A whole file: header, the objects, a section of the given kind and a trailer whose entries
  // (Root, Info, ID, Encrypt ...) are those of trailerEntries with Size set.
  std::string document(const PdfObject& trailerEntries, XrefKind kind) const;

  // original followed by the objects, a section of the same kind as original's last one with
  // Prev pointing at it, and the trailer. previousSize is the Size of original's trailer.
  // nullopt when original has no usable startxref.
  std::optional<std::string> incrementalUpdate(std::string_view original,
                                               const PdfObject& trailerEntries,
                                               int32_t previousSize) const;

 private:
  // Appends objects and the section to out (which holds what comes before them).
  void append(std::string& out, const PdfObject& trailerEntries, XrefKind kind, int32_t size,
              std::optional<int64_t> prev, bool withFreeHead) const;
  std::vector<WrittenObject> objects_;
};
