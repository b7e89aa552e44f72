#include "engine/writer/object_encryptor.h"

bool ObjectEncryptor::encrypt(PdfObject& object, int32_t number, int32_t generation) const {
  if (object.isStream()) {
    if (const PdfObject* type = object.lookup("Type"); type && type->isName("XRef")) return true;
    if (!StandardSecurity::encryptObjectData(streams_, fileKey_, number, generation, object.text))
      return false;
    // The stream's dictionary may hold strings too; its data is not one.
    for (DictEntry& e : object.entries)
      if (!encryptStrings(e.value, number, generation, 1)) return false;
    return true;
  }
  return encryptStrings(object, number, generation, 0);
}

bool ObjectEncryptor::encryptStrings(PdfObject& value, int32_t number, int32_t generation,
                                     int depth) const {
  if (depth > kMaxDepth) return false;
  if (value.isString())
    return StandardSecurity::encryptObjectData(strings_, fileKey_, number, generation, value.text);
  for (PdfObject& element : value.elements)
    if (!encryptStrings(element, number, generation, depth + 1)) return false;
  if (value.isDictionary())
    for (DictEntry& e : value.entries)
      if (!encryptStrings(e.value, number, generation, depth + 1)) return false;
  return true;
}
