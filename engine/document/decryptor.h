#pragma once
// Decryption of stream and string data, provided by the security handler of an encrypted
// document and used by the object resolver.

#include <cstdint>
#include <string>

#include "engine/document/pdf_object.h"

class IDecryptor {
 public:
  virtual ~IDecryptor() = default;
  // Decrypts a string's bytes in place with the key of the given object.
  virtual void decrypt(std::string& bytes, int32_t objectNumber, int32_t generation) const = 0;
  // Decrypts a stream's data in place; the stream's dictionary may choose how.
  virtual void decryptStream(std::string& bytes, const PdfObject& stream) const {
    decrypt(bytes, stream.objectNumber, stream.generation);
  }
};
