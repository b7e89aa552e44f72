#pragma once
// Encryption of written objects with the standard security handler's keys: every string of an
// object and a stream's data, each with the key of the object that holds it, so that an update to
// an encrypted file reads as the file's own objects.

#include <cstdint>
#include <vector>

#include "engine/document/pdf_object.h"
#include "engine/document/standard_security.h"

class ObjectEncryptor {
 public:
  // Arrays and dictionaries nested deeper than this are refused.
  static constexpr int kMaxDepth = 256;

  ObjectEncryptor(std::vector<uint8_t> fileKey, StandardSecurity::CryptMethod strings,
                  StandardSecurity::CryptMethod streams)
      : fileKey_(std::move(fileKey)), strings_(strings), streams_(streams) {}

  // Encrypts object (number, generation) in place: its strings, and its data when it is a
  // stream. Cross-reference streams stay in clear, as readers expect. False when the method's
  // cipher is not available or the object is nested too deeply; object is then partly done and
  // must not be written.
  bool encrypt(PdfObject& object, int32_t number, int32_t generation) const;

 private:
  bool encryptStrings(PdfObject& value, int32_t number, int32_t generation, int depth) const;

  std::vector<uint8_t> fileKey_;
  StandardSecurity::CryptMethod strings_;
  StandardSecurity::CryptMethod streams_;
};
