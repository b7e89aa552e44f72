#include "engine/document/object_resolver.h"

#include <algorithm>
#include <cstdlib>
#include <optional>

#include "engine/document/byte_scan.h"
#include "engine/document/decryptor.h"
#include "engine/document/lex_source.h"
#include "engine/document/pdf_exception.h"
#include "engine/document/pdf_lexer.h"
#include "engine/document/xref_table.h"

namespace {

// Raised when loads nest too deeply; it ends the whole chain instead of trying other places.
constexpr const char kNestingReason[] =
    "The file is damaged: its objects refer to each other without end";

// Keeps a shared position across a nested load and counts the nesting.
class LoadScope {
 public:
  LoadScope(PdfLexer& lexer, XrefTable& table)
      : lexer_(lexer), table_(table), saved_(lexer.position()) {
    if (table_.loadDepth >= ObjectResolver::kMaxLoadNesting)
      throw C_PDF_Exception(PdfError::DocumentDamaged, kNestingReason);
    ++table_.loadDepth;
  }
  ~LoadScope() {
    --table_.loadDepth;
    lexer_.setPosition(saved_);
  }

 private:
  PdfLexer& lexer_;
  XrefTable& table_;
  int64_t saved_;
};

}  // namespace

bool ObjectResolver::usable() const { return table_ && lexer_ && !table_->closed(); }

PdfObject ObjectResolver::resolve(const PdfObject& object) {
  if (!object.isReference()) return object;
  return load(object.objectNumber, object.generation);
}

const PdfObject& ObjectResolver::resolved(const PdfObject& object, PdfObject& storage) {
  if (!object.isReference()) return object;
  storage = load(object.objectNumber, object.generation);
  return storage;
}

bool ObjectResolver::tryLoad(PdfObject& result, const XrefEntry& entry, int32_t number,
                             int32_t generation) {
  try {
    LoadScope scope(*lexer_, *table_);
    result = PdfObject();
    if (entry.container != 0) {
      loadFromObjectStream(result, entry.container, entry.location);
    } else {
      loadDirect(result, entry.location, number, generation);
    }
    return true;
  } catch (const C_PDF_Exception& e) {
    if (e.reason() == kNestingReason) throw;
    return false;
  }
}

PdfObject ObjectResolver::load(int32_t number, int32_t generation) {
  if (!usable()) return PdfObject(PdfObjectKind::Null);
  PdfObject result;
  bool loaded = false;
  const XrefEntry* entry = table_->find(number, generation);
  std::optional<XrefEntry> first;
  if (entry) {
    first = *entry;
    loaded = tryLoad(result, *first, number, generation);
  }
  if (!loaded) {
    // Not where the table says, or not in the table: where a scan of the file finds it.
    const XrefEntry* scanned = usable() ? table_->findScanned(number, generation, *this) : nullptr;
    if (scanned && (!first || scanned->container != first->container ||
                    scanned->location != first->location)) {
      const XrefEntry found = *scanned;
      loaded = tryLoad(result, found, number, generation);
    }
  }
  if (!loaded) result = PdfObject(PdfObjectKind::Null);
  result.objectNumber = number;
  result.generation = generation;
  return result;
}

PdfObject ObjectResolver::loadDefinitionAt(int64_t location) {
  if (!usable()) throw C_PDF_Exception(PdfError::ObjectNotFound);
  LoadScope scope(*lexer_, *table_);
  if (location < 0) throw C_PDF_Exception(PdfError::ObjectNotFound);
  lexer_->seek(location);
  PdfObject number, generation;
  lexer_->readObject(number);
  lexer_->readObject(generation);
  if (!number.isNumber() || !generation.isNumber()) throw C_PDF_Exception(PdfError::ObjectNotFound);
  PdfObject result;
  loadDirect(result, location, number.intValue(), generation.intValue());
  result.objectNumber = number.intValue();
  result.generation = generation.intValue();
  return result;
}

void ObjectResolver::loadDirect(PdfObject& result, int64_t location, int32_t number,
                                int32_t generation) {
  PdfObject token;
  // An offset before the file's start names no object.
  if (location < 0) throw C_PDF_Exception(PdfError::ObjectNotFound);
  lexer_->seek(location);
  lexer_->readObject(token);
  if (!token.isNumber() || token.intValue() != number)
    throw C_PDF_Exception(PdfError::ObjectNotFound);
  lexer_->readObject(token);
  if (!token.isNumber() || token.intValue() != generation)
    throw C_PDF_Exception(PdfError::ObjectNotFound);
  lexer_->readObject(token);
  if (!token.isKeyword("obj")) throw C_PDF_Exception(PdfError::ObjectNotFound);
  lexer_->readObject(result, true);
  lexer_->readObject(token);
  if (token.isKeyword("stream")) readStreamBody(result);
}

void ObjectResolver::readStreamBody(PdfObject& result) {
  if (!result.isDictionary()) throw C_PDF_Exception(PdfError::DocumentDamaged);
  const PdfObject* lengthValue = result.lookup("Length");
  result.kind = PdfObjectKind::Stream;
  const int64_t s = lexer_->position();  // last byte of the keyword stream
  C_PDF_Lex_Source& source = *lexer_->source();
  const int64_t end = findForward(source, "endstream", s);
  PdfObject lengthStorage;
  const PdfObject* length = lengthValue ? &resolved(*lengthValue, lengthStorage) : nullptr;
  int64_t l = 0;
  if (length && length->isNumber()) {
    l = std::clamp<int64_t>(length->offsetValue(), -1, source.length);
    // A Length that disagrees with the position of endstream by more than a few bytes is wrong.
    if (end >= 0 && std::llabs(s + l - end) > 5) l = end - s;
  } else if (end >= 0) {
    // No usable Length: the data runs to endstream.
    l = end - s;
  } else {
    // Neither: a file cut short inside the stream keeps what is there.
    l = source.length - s;
  }

  lexer_->seek(s + 1);
  uint8_t c;
  while (lexer_->nextByte(c)) {
    if (c == '\n') break;
    if (c == '\r') {
      if (lexer_->nextByte(c) && c != '\n') lexer_->setPosition(lexer_->position() - 1);
      break;
    }
  }
  const int64_t first = lexer_->position() + 1;
  if (l > 0) {
    l = std::min({l, std::max<int64_t>(0, source.length - first), kMaxStreamBytes});
    result.text.reserve(static_cast<std::size_t>(l));
    copyBytes(source, first, l, result.text);
  }
}

namespace {

// Pairs read from an object stream's header when First is missing.
constexpr int32_t kMaxHeaderPairs = 1 << 20;

// Where the objects of an object stream start when First is missing or unusable: right after
// the N header pairs (or after the pairs that are there).
int32_t objectsStart(const std::vector<uint8_t>& bytes, const PdfObject& stream) {
  C_PDF_Mem_Buffer buffer(bytes.data(), static_cast<int64_t>(bytes.size()));
  PdfLexer lexer(&buffer);
  const PdfObject* n = stream.lookup("N");
  const int32_t count = n && n->isNumber() && n->intValue() > 0
                            ? std::min(n->intValue(), kMaxHeaderPairs)
                            : kMaxHeaderPairs;
  for (int32_t k = 0; k < count; ++k) {
    const int64_t saved = lexer.position();
    PdfObject number, offset;
    if (!lexer.readObject(number) || !lexer.readObject(offset) || !number.isNumber() ||
        !offset.isNumber()) {
      lexer.setPosition(saved);
      break;
    }
  }
  return static_cast<int32_t>(lexer.position() + 1);
}

}  // namespace

void ObjectResolver::loadFromObjectStream(PdfObject& result, int32_t container, int32_t index) {
  const bool decrypting = decryptor_ != nullptr;
  std::shared_ptr<DecodedObjectStream>& cached = table_->objectStreams[{container, decrypting}];
  if (!cached) {
    PdfObject reference(PdfObjectKind::Reference);
    reference.objectNumber = container;
    reference.generation = 0;
    PdfObject stream = resolve(reference);
    auto decoded = std::make_shared<DecodedObjectStream>();
    // A container that is missing or no stream holds nothing.
    if (stream.kind != PdfObjectKind::Stream) throw C_PDF_Exception(PdfError::ObjectNotFound);
    bool firstKnown = false;
    if (const PdfObject* first = stream.lookup("First")) {
      PdfObject storage;
      const PdfObject& value = resolved(*first, storage);
      firstKnown = value.isNumber() && value.intValue() >= 0;
      decoded->first = value.intValue();
    }
    if (decodeStream(decoded->bytes, stream) < 0) decoded->bytes.clear();
    if (!firstKnown) decoded->first = objectsStart(decoded->bytes, stream);
    // resolve() may have closed the store or moved entries; look the slot up again.
    if (!usable()) throw C_PDF_Exception(PdfError::ObjectNotFound);
    table_->objectStreams[{container, decrypting}] = decoded;
  }
  std::shared_ptr<DecodedObjectStream> objects = table_->objectStreams[{container, decrypting}];
  C_PDF_Mem_Buffer buffer(objects->bytes.data(), static_cast<int64_t>(objects->bytes.size()));
  PdfLexer lexer(&buffer);
  // Header pairs (number, offset) are read as far as this index needs; the numbers are not
  // compared. Each slot holds the last offset read after that many pairs.
  if (index < 0) index = 0;
  if (!objects->headerEnded && static_cast<int32_t>(objects->offsets.size()) <= index) {
    lexer.setPosition(objects->headerPosition);
    PdfObject number, offset;
    int32_t last = objects->offsets.empty() ? 0 : objects->offsets.back();
    while (static_cast<int32_t>(objects->offsets.size()) <= index) {
      if (!lexer.readObject(number) || !lexer.readObject(offset)) {
        objects->headerEnded = true;
        break;
      }
      last = offset.intValue();
      objects->offsets.push_back(last);
    }
    objects->headerPosition = lexer.position();
  }
  int32_t offset = 0;
  if (!objects->offsets.empty())
    offset = objects->offsets[std::min<std::size_t>(index, objects->offsets.size() - 1)];
  int64_t at = int64_t{objects->first} + offset;
  if (at < 0 || at >= buffer.length) throw C_PDF_Exception(PdfError::ObjectNotFound);
  lexer.seek(at);
  lexer.readObject(result, false);
}
