#include "engine/forms/decrypted_values.h"

#include "engine/document/decryptor.h"
#include "engine/document/object_resolver.h"
#include "engine/document/pdf_exception.h"
#include "engine/document/xref_table.h"

namespace {

// Values nested deeper than this keep their bytes (nothing reads that deep).
constexpr int kMaxDecryptDepth = 256;

void decryptStrings(PdfObject& value, const IDecryptor& decryptor, int32_t number,
                    int32_t generation, int depth) {
  if (depth > kMaxDecryptDepth) return;
  if (value.isString()) {
    decryptor.decrypt(value.text, number, generation);
    return;
  }
  for (PdfObject& element : value.elements)
    decryptStrings(element, decryptor, number, generation, depth + 1);
  for (DictEntry& e : value.entries)
    decryptStrings(e.value, decryptor, number, generation, depth + 1);
}

}  // namespace

PdfObject DecryptedValues::resolve(const PdfObject& value) const {
  if (!value.isReference()) return value;
  PdfObject object;
  try {
    object = resolver_.resolve(value);
  } catch (const C_PDF_Exception&) {
    return PdfObject();
  }
  return decrypted(std::move(object), value.objectNumber, value.generation);
}

PdfObject DecryptedValues::decrypted(PdfObject object, int32_t number, int32_t generation) const {
  const IDecryptor* decryptor = resolver_.decryptor();
  if (!decryptor || number <= 0) return object;
  // Objects inside an object stream were encrypted with their container, not one by one.
  const XrefEntry* entry = table_ ? table_->find(number, generation) : nullptr;
  if (entry && entry->container != 0) return object;
  decryptStrings(object, *decryptor, number, generation, 0);
  return object;
}
