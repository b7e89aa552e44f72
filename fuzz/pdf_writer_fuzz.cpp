// Round trip of the writer: an object read from arbitrary PDF text is written, read again and
// written again to the same bytes; the input as a file gets an incremental update that keeps
// it whole and ends with a section the writer can find again. The object encrypted as an
// encrypted file's update would be decrypts, string by string, to the object itself.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "engine/document/pdf_lexer.h"
#include "engine/writer/object_encryptor.h"
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

// Every string of encrypted decrypts to the one of plain in the same place; all else is equal.
bool decryptsTo(const PdfObject& encrypted, const PdfObject& plain,
                StandardSecurity::CryptMethod method, const std::vector<uint8_t>& key, int depth) {
  if (depth > ObjectEncryptor::kMaxDepth) return true;
  if (encrypted.kind != plain.kind || encrypted.elements.size() != plain.elements.size() ||
      encrypted.entries.size() != plain.entries.size())
    return false;
  if (plain.isString()) {
    std::string text = encrypted.text;
    StandardSecurity::decryptObjectData(method, key, 5, 0, text);
    return text == plain.text;
  }
  if (encrypted.text != plain.text) return false;
  for (std::size_t i = 0; i < plain.elements.size(); ++i)
    if (!decryptsTo(encrypted.elements[i], plain.elements[i], method, key, depth + 1)) return false;
  for (std::size_t i = 0; i < plain.entries.size(); ++i)
    if (encrypted.entries[i].key != plain.entries[i].key ||
        !decryptsTo(encrypted.entries[i].value, plain.entries[i].value, method, key, depth + 1))
      return false;
  return true;
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
  if (ok && object.kind != PdfObjectKind::Stream) {
    using StandardSecurity::CryptMethod;
    const std::pair<CryptMethod, std::size_t> methods[] = {
        {CryptMethod::Rc4, 5}, {CryptMethod::AesV2, 16}, {CryptMethod::AesV3, 32}};
    for (const auto& [method, keyBytes] : methods) {
      const std::vector<uint8_t> key(keyBytes, static_cast<uint8_t>(size));
      PdfObject encrypted = object;
      // Only nesting beyond what the encryptor takes may refuse.
      if (ObjectEncryptor(key, method, method).encrypt(encrypted, 5, 0) &&
          !decryptsTo(encrypted, object, method, key, 0))
        std::abort();
    }
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
