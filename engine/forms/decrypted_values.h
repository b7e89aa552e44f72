#pragma once
// Annotation values read through the document with every string in clear: each indirect object
// decrypted with its own key as it is resolved, so that values inherited from a parent field or
// the form dictionary read as right as the annotation's own.

#include <cstdint>

#include "engine/forms/built_appearance.h"

class ObjectResolver;
class XrefTable;

class DecryptedValues : public AnnotationValues {
 public:
  // table tells which objects sit in object streams (encrypted with their container, not on
  // their own); null when unknown.
  DecryptedValues(ObjectResolver& resolver, const XrefTable* table)
      : resolver_(resolver), table_(table) {}

  // A reference resolved, its strings decrypted; a direct value as it is (it is part of a
  // value already decrypted). None when it cannot be read.
  PdfObject resolve(const PdfObject& value) const override;

  // object as read from the indirect object (number, generation), its strings decrypted.
  PdfObject decrypted(PdfObject object, int32_t number, int32_t generation) const;

 private:
  ObjectResolver& resolver_;
  const XrefTable* table_;
};
