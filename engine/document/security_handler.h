#pragma once
// The standard security handler: password checks and RC4 decryption of streams and strings.

#include <cstdint>
#include <string>
#include <vector>

#include "engine/document/decryptor.h"
#include "engine/document/pdf_object.h"

class ObjectResolver;
class IPasswordProvider;
struct TrailerInfo;

class C_PDF_SecurityHandler : public IDecryptor {
 public:
  // Authenticates, then registers itself with the resolver. Throws C_PDF_Exception code 3 when
  // a password is needed and the request is cancelled (or nobody can be asked), code 4 for an
  // encryption it does not support.
  C_PDF_SecurityHandler(const PdfObject* encrypt, ObjectResolver& resolver,
                        const TrailerInfo& trailerInfo, const std::string& password,
                        IPasswordProvider* passwordProvider);
  ~C_PDF_SecurityHandler() override;

  void decrypt(std::string& bytes, int32_t objectNumber, int32_t generation) const override;

  // In place; a result beginning with FE FF keeps the low byte of each following unit.
  void decryptString(std::string& bytes, int32_t objectNumber, int32_t generation) const;

  int32_t revision() const { return revision_; }
  int32_t version() const { return version_; }
  int32_t keyLengthBits() const { return keyLengthBits_; }
  int32_t permissions() const { return permissions_; }
  // The accepted password was the owner password.
  bool ownerAuthenticated() const { return ownerAuthenticated_; }

 private:
  PdfObject encryptDictionary_;
  ObjectResolver& resolver_;
  std::vector<uint8_t> fileKey_;
  int32_t keyLengthBits_ = 40;
  int32_t revision_ = 0;
  int32_t version_ = 0;
  int32_t permissions_ = 0;
  bool ownerAuthenticated_ = false;
};
