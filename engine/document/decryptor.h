#pragma once
// Decryption of stream and string data, provided by the security handler of an encrypted
// document and used by the object resolver.

#include <cstdint>
#include <string>

class IDecryptor {
 public:
  virtual ~IDecryptor() = default;
  // Decrypts bytes in place with the key of the given object.
  virtual void decrypt(std::string& bytes, int32_t objectNumber, int32_t generation) const = 0;
};
