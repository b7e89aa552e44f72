#include "engine/document/xref_table.h"

#include <algorithm>
#include <string_view>

#include "engine/document/byte_scan.h"
#include "engine/document/lex_source.h"
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

std::size_t XrefKeyIndex::slotOf(uint64_t key) const {
  // The object number sits in the high half: fold it down after mixing, so that dense numbers
  // fall on distinct slots.
  uint64_t h = key * 0x9E3779B97F4A7C15ull;
  h ^= h >> 32;
  return static_cast<std::size_t>(h) & (keys_.size() - 1);
}

const uint32_t* XrefKeyIndex::find(uint64_t key) const {
  if (count_ == 0) return nullptr;
  const std::size_t mask = keys_.size() - 1;
  for (std::size_t slot = slotOf(key);; slot = (slot + 1) & mask) {
    if (positions_[slot] == kEmpty) return nullptr;
    if (keys_[slot] == key) return &positions_[slot];
  }
}

bool XrefKeyIndex::insert(uint64_t key, uint32_t position) {
  // At most half full, so that a probe ends soon and always finds a free slot.
  if ((count_ + 1) * 2 > keys_.size()) reserve(count_ + 1);
  const std::size_t mask = keys_.size() - 1;
  std::size_t slot = slotOf(key);
  for (; positions_[slot] != kEmpty; slot = (slot + 1) & mask)
    if (keys_[slot] == key) return false;
  keys_[slot] = key;
  positions_[slot] = position;
  ++count_;
  return true;
}

void XrefKeyIndex::reserve(std::size_t count) {
  std::size_t slots = keys_.empty() ? 16 : keys_.size();
  while (slots < count * 2) slots *= 2;
  if (slots != keys_.size()) rehash(slots);
}

void XrefKeyIndex::rehash(std::size_t slots) {
  std::vector<uint64_t> keys(slots);
  std::vector<uint32_t> positions(slots, kEmpty);
  keys.swap(keys_);
  positions.swap(positions_);
  const std::size_t mask = slots - 1;
  for (std::size_t i = 0; i < keys.size(); ++i) {
    if (positions[i] == kEmpty) continue;
    std::size_t slot = slotOf(keys[i]);
    while (positions_[slot] != kEmpty) slot = (slot + 1) & mask;
    keys_[slot] = keys[i];
    positions_[slot] = positions[i];
  }
}

void XrefKeyIndex::clear() {
  keys_.clear();
  keys_.shrink_to_fit();
  positions_.clear();
  positions_.shrink_to_fit();
  count_ = 0;
}

void readTrailerInfo(TrailerInfo& info, PdfLexer& lexer) {
  info.lexer = &lexer;
  C_PDF_Lex_Source& source = *lexer.source();
  // The last startxref of the file names the newest section, whatever kind it is; the
  // dictionary of that section becomes the trailer dictionary when the table is read.
  const int64_t q = findBackward(source, "startxref");
  if (q >= 0) {
    lexer.seek(q + 1);
    readToken(lexer);
    PdfObject n = readToken(lexer);
    info.startPosition = n.isNumber() ? n.offsetValue() : -1;
  } else {
    info.startPosition = -1;
  }
  if (q < 0) {
    // No startxref: a trailer dictionary may still be there (the table is then rebuilt).
    const int64_t p = findBackward(source, "trailer");
    if (p >= 0) {
      lexer.seek(p + 7);
      if (!lexer.readObject(info.trailerDictionary) || !info.trailerDictionary.isDictionary())
        info.trailerDictionary = PdfObject();
    }
  }
  lookUpTrailerKeys(info);
}

XrefTable::XrefTable(TrailerInfo* trailerInfo, PdfLexer* lexer)
    : trailerInfo_(trailerInfo), lexer_(lexer) {
  readSection(trailerInfo_->startPosition, 0);
  // Nothing usable was read: the file is scanned instead.
  if (entries_.empty()) recover();
}

XrefTable::~XrefTable() = default;

const XrefEntry* XrefTable::find(int32_t objectNumber, int32_t generation) const {
  if (closed_) return nullptr;
  if (const uint32_t* position = index_.find(key(objectNumber, generation)))
    return &entries_[*position];
  auto s = scannedEntries_.find(key(objectNumber, generation));
  return s == scannedEntries_.end() ? nullptr : &s->second.entry;
}

const XrefEntry* XrefTable::findScanned(int32_t objectNumber, int32_t generation,
                                        ObjectResolver& resolver) {
  if (closed_) return nullptr;
  if (!scanned_) scan();
  auto s = scannedEntries_.find(key(objectNumber, generation));
  if (s == scannedEntries_.end() && !objectStreamsIndexed_) {
    indexObjectStreams(resolver);
    s = scannedEntries_.find(key(objectNumber, generation));
  }
  return s == scannedEntries_.end() ? nullptr : &s->second.entry;
}

void XrefTable::append(const XrefEntry& entry) {
  if (entries_.size() >= kMaxEntries) return;
  // Sections are read newest first: the first definition of a number is the one that holds.
  if (index_.insert(key(entry.objectNumber, entry.generation),
                    static_cast<uint32_t>(entries_.size())))
    entries_.push_back(entry);
}

void XrefTable::remember(const XrefEntry& entry, int64_t position) {
  // Incremental updates are appended, so the definition found last in the file is the newest.
  auto [it, inserted] = scannedEntries_.try_emplace(key(entry.objectNumber, entry.generation));
  if (!inserted && it->second.position > position) return;
  it->second.entry = entry;
  it->second.position = position;
}

void XrefTable::close() {
  closed_ = true;
  entries_.clear();
  index_.clear();
  scannedEntries_.clear();
  objectStreams.clear();
}

void XrefTable::readSection(int64_t offset, int depth) {
  C_PDF_Lex_Source& source = *lexer_->source();
  if (offset < 0 || offset >= source.length) {
    recover();
    return;
  }
  // A Prev chain that comes back to a section read before, or that goes on without end, stops.
  if (depth >= kMaxSections || sectionCount_ >= kMaxSections ||
      !sectionsSeen_.insert(offset).second)
    return;
  ++sectionCount_;
  lexer_->seek(offset);
  PdfObject token = readToken(*lexer_);
  if (token.isKeyword("xref")) {
    readClassicTable(depth);
  } else if (!(token.isNumber() && readXrefStreamAt(offset, depth))) {
    recover();
  }
}

void XrefTable::readClassicTable(int depth) {
  int32_t nextNumber = -1;
  int32_t remaining = 1;
  int64_t lastOffset = -1;
  PdfObject t1 = readToken(*lexer_);
  for (;;) {
    if (!t1.isNumber()) {
      if (t1.isKeyword("trailer")) {
        readTrailer(depth);
        return;
      }
      recover();
      return;
    }
    PdfObject t2 = readToken(*lexer_);
    if (!t2.isNumber()) {
      recover();
      return;
    }
    const int64_t saved = lexer_->position();
    PdfObject t3 = readToken(*lexer_);
    if (t3.isNumber()) {
      nextNumber = t1.intValue();
      remaining = t2.intValue();
      lexer_->setPosition(saved);
    } else if (t3.isKeyword("n") || t3.isKeyword("f")) {
      if (t3.isKeyword("n")) {
        const int64_t location = t1.offsetValue();
        if (location == lastOffset && location != 0) {
          recover();
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
        if (t.isKeyword("trailer"))
          readTrailer(depth);
        else
          recover();
        return;
      }
    } else if (t3.isKeyword("trailer")) {
      readTrailer(depth);
      return;
    } else if (t3.kind == PdfObjectKind::None) {
      recover();  // the file ended inside the table
      return;
    }
    t1 = readToken(*lexer_);
  }
}

bool XrefTable::keepTrailer(std::unique_ptr<PdfObject> dictionary) {
  if (static_cast<int>(trailers_.size()) >= kMaxTrailers) return false;
  trailers_.push_back(std::move(dictionary));
  return true;
}

void XrefTable::takeTrailerValues(const PdfObject& d) {
  TrailerInfo& info = *trailerInfo_;
  if (info.trailerDictionary.kind == PdfObjectKind::None) {
    // The newest section's dictionary is the document's trailer.
    info.trailerDictionary = d;
    info.trailerDictionary.kind = PdfObjectKind::Dictionary;
    info.trailerDictionary.text.clear();
    const PdfObject* root = info.Root;
    const PdfObject* encrypt = info.Encrypt;
    const PdfObject* id = info.ID;
    lookUpTrailerKeys(info);
    if (!info.Root) info.Root = root;
    if (!info.Encrypt) info.Encrypt = encrypt;
    if (!info.ID) info.ID = id;
  }
  if (!info.Encrypt) {
    if (const PdfObject* e = d.lookup("Encrypt")) {
      info.Encrypt = e;
      encrypted_ = true;
    }
  }
  if (!info.Root) info.Root = d.lookup("Root");
  if (!info.ID) info.ID = d.lookup("ID");
  if (!info.Info) info.Info = d.lookup("Info");
  if (info.Encrypt) encrypted_ = true;
}

void XrefTable::readTrailer(int depth) {
  auto dictionary = std::make_unique<PdfObject>();
  if (!lexer_->readObject(*dictionary) || !dictionary->isDictionary()) {
    recover();
    return;
  }
  const int64_t resume = lexer_->position();
  PdfObject* kept = dictionary.get();
  // Values are borrowed from kept dictionaries only, so a trailer beyond the limit gives none.
  if (!keepTrailer(std::move(dictionary))) return;
  takeTrailerValues(*kept);
  // A hybrid file keeps its compressed objects in a cross-reference stream that belongs to this
  // section: it comes before the older sections.
  if (const PdfObject* hidden = kept->lookup("XRefStm")) {
    if (hidden->isNumber()) readXrefStreamAt(hidden->offsetValue(), depth + 1);
  }
  if (const PdfObject* prev = kept->lookup("Prev")) {
    if (prev->isNumber()) readSection(prev->offsetValue(), depth + 1);
  }
  lexer_->setPosition(resume);
}

bool XrefTable::readXrefStreamAt(int64_t offset, int depth) {
  if (depth >= kMaxSections) return false;
  sectionsSeen_.insert(offset);
  ObjectResolver resolver(this, lexer_);  // no security handler: these streams are never encrypted
  PdfObject stream;
  try {
    stream = resolver.loadDefinitionAt(offset);
  } catch (const C_PDF_Exception&) {
    return false;
  }
  const PdfObject* w = stream.lookup("W");
  if (stream.kind != PdfObjectKind::Stream || !w) return false;

  auto dictionary = std::make_unique<PdfObject>(stream);
  dictionary->kind = PdfObjectKind::Dictionary;
  dictionary->text.clear();
  PdfObject* kept = dictionary.get();
  if (keepTrailer(std::move(dictionary))) takeTrailerValues(*kept);

  std::vector<uint8_t> data;
  int32_t length = resolver.decodeStream(data, stream, true);
  PdfObject storage;
  const PdfObject& widths = resolver.resolved(*w, storage);
  int32_t width[3] = {0, 0, 0};
  for (int k = 0; k < 3 && k < static_cast<int>(widths.elements.size()); ++k)
    width[k] = std::clamp(widths.elements[k].intValue(), 0, 8);
  const int32_t recordSize = width[0] + width[1] + width[2];

  if (recordSize > 0 && length > 0) {
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
    // One entry per record at most: room made once instead of rehashing as they come. The
    // count is bounded by the decoded stream's size.
    const std::size_t records = static_cast<std::size_t>(length / recordSize);
    entries_.reserve(entries_.size() + records);
    index_.reserve(index_.size() + records);
    int32_t at = 0;
    for (auto [first, count] : subsections) {
      for (int64_t k = 0; k < count && at + recordSize <= length; ++k, at += recordSize) {
        // Without a type field every record is of type 1.
        uint64_t type = width[0] == 0 ? 1 : field(at, width[0]);
        uint64_t second = field(at + width[0], width[1]);
        uint64_t third = field(at + width[0] + width[1], width[2]);
        int64_t objectNumber = int64_t{first} + k;
        if (objectNumber < 0 || objectNumber > INT32_MAX || second > uint64_t{INT64_MAX} ||
            third > INT32_MAX)
          continue;
        const auto number = static_cast<int32_t>(objectNumber);
        if (type == 1) {
          append(XrefEntry{number, static_cast<int32_t>(third), 0, static_cast<int64_t>(second)});
        } else if (type == 2 && second <= INT32_MAX) {
          append(XrefEntry{number, 0, static_cast<int32_t>(second), static_cast<int32_t>(third)});
        }
      }
    }
  }
  if (const PdfObject* prev = stream.lookup("Prev")) {
    if (prev->isNumber()) readSection(prev->offsetValue(), depth + 1);
  }
  return true;
}

void XrefTable::recover() {
  if (rebuilt_) return;
  rebuilt_ = true;
  entries_.clear();
  index_.clear();
  if (!scanned_) scan();
  // The trailers of the scan, newest first, give what the sections read so far did not.
  for (auto it = scannedTrailers_.rbegin(); it != scannedTrailers_.rend(); ++it) {
    auto copy = std::make_unique<PdfObject>(it->second);
    PdfObject* kept = copy.get();
    if (!keepTrailer(std::move(copy))) break;
    takeTrailerValues(*kept);
  }
}

void XrefTable::scan() {
  scanned_ = true;
  C_PDF_Lex_Source& source = *lexer_->source();
  // Positions i where byte i-1 is whitespace, bytes i..i+2 spell obj and byte i+3 is whitespace,
  // "<", "[" or "/".
  for (int64_t from = 1;;) {
    const int64_t i = findForward(source, "obj", from);
    if (i < 0) break;
    from = i + 1;
    uint8_t before = 0, after = 0;
    if (i < 1 || !source.readByte(before, i - 1) || !PdfLexer::isWhitespace(before)) continue;
    if (!source.readByte(after, i + 3)) after = ' ';  // the file ends right after obj
    if (!(PdfLexer::isWhitespace(after) || after == '<' || after == '[' || after == '/' ||
          after == '(' || (after >= '0' && after <= '9')))
      continue;
    // Walk back over blanks, the generation, blanks and the number.
    int64_t j = i - 1;
    auto skip = [&](bool digits) {
      uint8_t c = 0;
      while (j >= 0 && source.readByte(c, j) &&
             (digits ? (c >= '0' && c <= '9') : PdfLexer::isWhitespace(c)))
        --j;
    };
    skip(false);
    const int64_t generationEnd = j;
    skip(true);
    if (j == generationEnd) continue;
    skip(false);
    const int64_t numberEnd = j;
    skip(true);
    if (j == numberEnd) continue;
    const int64_t location = j + 1;
    lexer_->seek(location);
    PdfObject number = readToken(*lexer_);
    PdfObject generation = readToken(*lexer_);
    if (!number.isNumber() || !generation.isNumber() || number.intValue() < 0) continue;
    remember(XrefEntry{number.intValue(), generation.intValue(), 0, location}, location);

    // What kind of object it is matters for repair: object streams, trailer-like
    // cross-reference streams and catalogues.
    readToken(*lexer_);  // obj
    PdfObject value;
    lexer_->readObject(value, true);
    const PdfObject* type = value.isDictionary() ? value.lookup("Type") : nullptr;
    if (value.isDictionary() && value.lookup("Root") && !(type && type->isName("Catalog"))) {
      // A cross-reference stream, even one whose Type is damaged, names the catalogue.
      scannedTrailers_.emplace_back(location, std::move(value));
    } else if (type) {
      if (type->isName("ObjStm")) {
        scannedObjectStreams_.push_back(location);
      } else if (type->isName("Catalog")) {
        scannedCatalogs_.push_back(
            XrefEntry{number.intValue(), generation.intValue(), 0, location});
      } else if (type->isName("Page")) {
        scannedPages_.push_back(XrefEntry{number.intValue(), generation.intValue(), 0, location});
      }
    }
  }
  // Every trailer keyword of the file.
  for (int64_t from = 0;;) {
    const int64_t at = findForward(source, "trailer", from);
    if (at < 0) break;
    uint8_t before = 0;
    from = at + 1;
    if (at > 0 && source.readByte(before, at - 1) && PdfLexer::isWhitespace(before)) {
      lexer_->seek(at + 7);
      PdfObject dictionary;
      if (lexer_->readObject(dictionary) && dictionary.isDictionary())
        scannedTrailers_.emplace_back(at, std::move(dictionary));
      from = std::max(at + 7, lexer_->position() + 1);
    }
  }
  std::stable_sort(scannedTrailers_.begin(), scannedTrailers_.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
}

void XrefTable::indexObjectStreams(ObjectResolver& resolver) {
  objectStreamsIndexed_ = true;
  int opened = 0;
  for (int64_t location : scannedObjectStreams_) {
    if (++opened > kMaxScannedObjectStreams) break;
    PdfObject stream;
    try {
      stream = resolver.loadDefinitionAt(location);
    } catch (const C_PDF_Exception&) {
      continue;
    }
    if (stream.kind != PdfObjectKind::Stream) continue;
    std::vector<uint8_t> data;
    if (resolver.decodeStream(data, stream) <= 0) continue;
    // A damaged N: the header is read as far as it holds pairs.
    const PdfObject* n = stream.lookup("N");
    const int32_t count = n && n->isNumber() && n->intValue() > 0
                              ? std::min(n->intValue(), kMaxHeaderPairs)
                              : kMaxHeaderPairs;
    C_PDF_Mem_Buffer buffer(data.data(), static_cast<int64_t>(data.size()));
    PdfLexer lexer(&buffer);
    for (int32_t k = 0; k < count; ++k) {
      PdfObject number, offset;
      if (!lexer.readObject(number) || !lexer.readObject(offset) || !number.isNumber()) break;
      remember(XrefEntry{number.intValue(), 0, stream.objectNumber, k}, location);
    }
  }
}

std::vector<XrefEntry> XrefTable::scannedPages() {
  std::vector<XrefEntry> pages;
  if (closed_) return pages;
  if (!scanned_) scan();
  for (const XrefEntry& page : scannedPages_) {
    auto it = scannedEntries_.find(key(page.objectNumber, page.generation));
    if (it != scannedEntries_.end() && it->second.entry.container == 0 &&
        it->second.entry.location == page.location)
      pages.push_back(page);
  }
  return pages;
}

bool XrefTable::recoverCatalog(ObjectResolver& resolver) {
  if (closed_) return false;
  if (!scanned_) scan();
  bool needPages = true;
  auto defined = [&](const PdfObject* root) {
    if (!root || !root->isReference()) return false;
    PdfObject catalog = resolver.resolve(*root);
    return catalog.isDictionary() && (!needPages || catalog.lookup("Pages") != nullptr);
  };
  // The newest trailer whose Root can be read.
  for (auto it = scannedTrailers_.rbegin(); it != scannedTrailers_.rend(); ++it) {
    const PdfObject* root = it->second.lookup("Root");
    if (!defined(root)) continue;
    auto copy = std::make_unique<PdfObject>(it->second);
    PdfObject* kept = copy.get();
    if (!keepTrailer(std::move(copy))) break;
    trailerInfo_->Root = kept->lookup("Root");
    return true;
  }
  // Else the last catalogue of the file, one with pages first.
  for (int pass = 0; pass < 2; ++pass, needPages = false) {
    for (auto it = scannedCatalogs_.rbegin(); it != scannedCatalogs_.rend(); ++it) {
      auto made = std::make_unique<PdfObject>(PdfObjectKind::Dictionary);
      PdfObject root(PdfObjectKind::Reference);
      root.objectNumber = it->objectNumber;
      root.generation = it->generation;
      made->add("Root", root);
      if (!defined(made->lookup("Root"))) continue;
      PdfObject* kept = made.get();
      if (!keepTrailer(std::move(made))) break;
      trailerInfo_->Root = kept->lookup("Root");
      return true;
    }
  }
  return false;
}
