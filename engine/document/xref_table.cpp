#include "engine/document/xref_table.h"

#include <algorithm>
#include <string_view>

#include "engine/document/byte_scan.h"
#include "engine/document/object_resolver.h"
#include "engine/document/pdf_exception.h"
#include "engine/document/pdf_lexer.h"
#include "engine/document/trailer_info.h"

namespace {

uint64_t key(int32_t number, int32_t generation) {
  return (static_cast<uint64_t>(static_cast<uint32_t>(number)) << 32) |
         static_cast<uint32_t>(generation);
}

PdfObject readToken(PdfLexer& lexer) {
  PdfObject token;
  lexer.readObject(token);
  return token;
}

void lookUpTrailerKeys(TrailerInfo& info) {
  const PdfObject& d = info.trailerDictionary;
  info.Size = d.lookup("Size");
  info.Prev = d.lookup("Prev");
  info.Root = d.lookup("Root");
  info.Encrypt = d.lookup("Encrypt");
  info.Info = d.lookup("Info");
  info.ID = d.lookup("ID");
  info.encrypted = info.Encrypt != nullptr;
}

}  // namespace

void readTrailerInfo(TrailerInfo& info, PdfLexer& lexer) {
  info.lexer = &lexer;
  C_PDF_Lex_Source& source = *lexer.source();
  int32_t p = findBackward(source, "trailer");
  if (p >= 0) {
    lexer.seek(p + 1);
    readToken(lexer);  // the rest of the keyword
    if (!lexer.readObject(info.trailerDictionary)) throw C_PDF_Exception(kErrorDocumentDamaged);
    readToken(lexer);  // startxref
    info.startPosition = readToken(lexer).intValue();
  } else {
    int32_t q = findBackward(source, "startxref");
    if (q < 0) throw C_PDF_Exception(kErrorDocumentDamaged);
    info.startPosition = q;
    lexer.seek(q + 1);
    readToken(lexer);
    int32_t n = readToken(lexer).intValue();
    lexer.seek(n);
    readToken(lexer);  // object number
    readToken(lexer);  // generation
    readToken(lexer);  // obj
    if (!lexer.readObject(info.trailerDictionary)) throw C_PDF_Exception(kErrorDocumentDamaged);
    readToken(lexer);
    readToken(lexer);
  }
  lookUpTrailerKeys(info);
}

XrefTable::XrefTable(TrailerInfo* trailerInfo, PdfLexer* lexer)
    : trailerInfo_(trailerInfo), lexer_(lexer) {
  readSection(trailerInfo_->startPosition, 0);
}

XrefTable::~XrefTable() = default;

const XrefEntry* XrefTable::find(int32_t objectNumber, int32_t generation) const {
  if (closed_) return nullptr;
  auto it = index_.find(key(objectNumber, generation));
  return it == index_.end() ? nullptr : &entries_[it->second];
}

void XrefTable::append(const XrefEntry& entry) {
  index_.emplace(key(entry.objectNumber, entry.generation), entries_.size());
  entries_.push_back(entry);
}

void XrefTable::close() {
  closed_ = true;
  entries_.clear();
  index_.clear();
  objectStreams.clear();
}

void XrefTable::readSection(int32_t offset, int depth) {
  C_PDF_Lex_Source& source = *lexer_->source();
  if (offset < 0 || offset >= source.length) throw C_PDF_Exception(kErrorObjectNotFound);
  // A Prev chain that comes back to a section read before, or that goes on without end, stops.
  if (depth >= kMaxSections || sectionCount_ >= kMaxSections || !sectionsSeen_.insert(offset).second)
    return;
  ++sectionCount_;
  lexer_->seek(offset);
  if (readToken(*lexer_).isKeyword("xref")) {
    readClassicTable(offset, depth);
  } else {
    recover(offset);
  }
}

void XrefTable::readClassicTable(int32_t sectionStart, int depth) {
  int32_t nextNumber = -1;
  int32_t remaining = 1;
  int32_t lastOffset = -1;
  PdfObject t1 = readToken(*lexer_);
  for (;;) {
    if (!t1.isNumber()) {
      if (t1.isKeyword("trailer")) {
        readTrailer(true, depth);
        return;
      }
      recover(sectionStart);
      return;
    }
    PdfObject t2 = readToken(*lexer_);
    if (!t2.isNumber()) {
      recover(sectionStart);
      return;
    }
    const int32_t saved = lexer_->position();
    PdfObject t3 = readToken(*lexer_);
    if (t3.isNumber()) {
      nextNumber = t1.intValue();
      remaining = t2.intValue();
      lexer_->setPosition(saved);
    } else if (t3.isKeyword("n") || t3.isKeyword("f")) {
      if (t3.isKeyword("n")) {
        int32_t location = t1.intValue();
        if (location == lastOffset) {
          recover(sectionStart);
          return;
        }
        lastOffset = location;
        append(XrefEntry{nextNumber, t2.intValue(), 0, location});
      }
      ++nextNumber;
      if (--remaining < 0) {
        // More entries than the subsection announced: the table ends here.
        PdfObject t;
        do {
          t = readToken(*lexer_);
        } while (t.kind != PdfObjectKind::None && !t.isKeyword("trailer"));
        if (t.isKeyword("trailer")) readTrailer(true, depth);
        return;
      }
    } else if (t3.isKeyword("trailer")) {
      readTrailer(true, depth);
      return;
    } else if (t3.kind == PdfObjectKind::None) {
      recover(sectionStart);  // the file ended inside the table
      return;
    }
    t1 = readToken(*lexer_);
  }
}

void XrefTable::readTrailer(bool followPrev, int depth) {
  auto dictionary = std::make_unique<PdfObject>();
  if (!lexer_->readObject(*dictionary)) {
    if (followPrev) throw C_PDF_Exception(kErrorDocumentDamaged);
    return;
  }
  if (!dictionary->isDictionary()) return;
  bool room = static_cast<int>(trailers_.size()) < kMaxTrailers;
  // Values are borrowed from kept dictionaries only, so a trailer beyond the limit gives none.
  if (room) {
    if (!trailerInfo_->Encrypt) {
      if (const PdfObject* e = dictionary->lookup("Encrypt")) {
        trailerInfo_->Encrypt = e;
        encrypted_ = true;
      }
    }
    if (!trailerInfo_->Root) trailerInfo_->Root = dictionary->lookup("Root");
    if (!trailerInfo_->ID) trailerInfo_->ID = dictionary->lookup("ID");
  }
  const int32_t resume = lexer_->position();
  if (followPrev) {
    if (const PdfObject* prev = dictionary->lookup("Prev")) readSection(prev->intValue(), depth + 1);
  }
  lexer_->setPosition(resume);
  if (room) trailers_.push_back(std::move(dictionary));
}

void XrefTable::recover(int32_t offset) {
  if (!rebuilt_) {
    rebuild();
    // Every trailer keyword of the file, in file order.
    C_PDF_Lex_Source& source = *lexer_->source();
    for (int32_t from = 0;;) {
      int32_t at = findForward(source, "trailer", from);
      if (at < 0) break;
      uint8_t before = 0;
      if (at > 0 && source.readByte(before, at - 1) && PdfLexer::isWhitespace(before)) {
        lexer_->seek(at + 7);
        readTrailer(false, 0);
        from = std::max(at + 7, lexer_->position() + 1);
      } else {
        from = at + 1;
      }
    }
  }
  lexer_->seek(offset);
  if (readToken(*lexer_).isKeyword("startxref")) {
    int32_t n = readToken(*lexer_).intValue();
    lexer_->seek(n);
    int32_t number = readToken(*lexer_).intValue();
    int32_t generation = readToken(*lexer_).intValue();
    readXrefStream(number, generation, 0);
  }
}

void XrefTable::rebuild() {
  rebuilt_ = true;
  entries_.clear();
  index_.clear();
  C_PDF_Lex_Source& source = *lexer_->source();
  // Positions i where byte i-1 is whitespace, bytes i..i+2 spell obj and byte i+3 is whitespace,
  // "<", "[" or "/".
  for (int32_t from = 1;;) {
    int32_t i = findForward(source, "obj", from);
    if (i < 0) break;
    from = i + 1;
    uint8_t before = 0, after = 0;
    if (i < 1 || !source.readByte(before, i - 1) || !PdfLexer::isWhitespace(before)) continue;
    if (!source.readByte(after, i + 3)) continue;
    if (!(PdfLexer::isWhitespace(after) || after == '<' || after == '[' || after == '/')) continue;
    // Walk back to the fourth byte that is not a digit: normally the line end before the number.
    int32_t j = i;
    int nonDigits = 0;
    for (; j >= 0; --j) {
      uint8_t c = 0;
      source.readByte(c, j);
      if (c < '0' || c > '9') {
        if (++nonDigits == 4) break;
      }
    }
    lexer_->seek(j + 1);
    int32_t number = readToken(*lexer_).intValue();
    int32_t generation = readToken(*lexer_).intValue();
    append(XrefEntry{number, generation, 0, j + 1});
  }
}

void XrefTable::readXrefStream(int32_t number, int32_t generation, int depth) {
  if (depth >= kMaxSections || !streamsSeen_.insert(number).second) return;
  ObjectResolver resolver(this, lexer_);
  PdfObject reference(PdfObjectKind::Reference);
  reference.objectNumber = number;
  reference.generation = generation;
  PdfObject stream = resolver.resolve(reference);
  if (const PdfObject* prev = stream.lookup("Prev")) {
    lexer_->seek(prev->intValue());
    int32_t olderNumber = readToken(*lexer_).intValue();
    int32_t olderGeneration = readToken(*lexer_).intValue();
    readXrefStream(olderNumber, olderGeneration, depth + 1);
  }
  std::vector<uint8_t> data;
  int32_t length = resolver.decodeStream(data, stream);
  PdfObject storage;
  const PdfObject* w = stream.lookup("W");
  if (!w) throw C_PDF_Exception(kErrorDocumentDamaged);
  const PdfObject& widths = resolver.resolved(*w, storage);
  int32_t width[3] = {0, 0, 0};
  for (int k = 0; k < 3 && k < static_cast<int>(widths.elements.size()); ++k)
    width[k] = std::clamp(widths.elements[k].intValue(), 0, 8);
  const int32_t recordSize = width[0] + width[1] + width[2];
  if (recordSize <= 0 || length <= 0) return;

  // Subsections as (first number, count); without Index one subsection from 0.
  std::vector<std::pair<int32_t, int64_t>> subsections;
  PdfObject indexStorage;
  if (const PdfObject* index = stream.lookup("Index")) {
    const PdfObject& pairs = resolver.resolved(*index, indexStorage);
    for (std::size_t k = 0; k + 1 < pairs.elements.size(); k += 2)
      subsections.emplace_back(pairs.elements[k].intValue(), pairs.elements[k + 1].intValue());
    if (subsections.empty() && !pairs.elements.empty())
      subsections.emplace_back(pairs.elements[0].intValue(), INT64_MAX);
  }
  if (subsections.empty()) subsections.emplace_back(0, INT64_MAX);

  auto field = [&](int32_t at, int32_t w) {
    uint64_t v = 0;
    for (int32_t k = 0; k < w; ++k) v = (v << 8) | data[at + k];
    return v;
  };
  int32_t at = 0;
  for (auto [first, count] : subsections) {
    for (int64_t k = 0; k < count && at + recordSize <= length; ++k, at += recordSize) {
      uint64_t type = field(at, width[0]);
      if (type != 2) continue;
      uint64_t container = field(at + width[0], width[1]);
      uint64_t index = field(at + width[0] + width[1], width[2]);
      int64_t objectNumber = int64_t{first} + k;
      if (objectNumber < 0 || objectNumber > INT32_MAX || container > INT32_MAX || index > INT32_MAX)
        continue;
      append(XrefEntry{static_cast<int32_t>(objectNumber), 0, static_cast<int32_t>(container),
                       static_cast<int32_t>(index)});
    }
  }
}
