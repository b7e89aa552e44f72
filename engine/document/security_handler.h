#pragma once
// The standard security handler: password checks and RC4 or AES decryption of streams and
// strings, with the crypt filters of versions 4 and 5.

#include <cstdint>
#include <string>
#include <vector>

#include "engine/document/decryptor.h"
#include "engine/document/pdf_object.h"
#include "engine/document/security_permissions.h"
#include "engine/document/standard_security.h"

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

  // Strings (StrF).
  void decrypt(std::string& bytes, int32_t objectNumber, int32_t generation) const override;
  // Streams: StmF, or the stream's own crypt filter; metadata streams stay in clear when
  // EncryptMetadata is false.
  void decryptStream(std::string& bytes, const PdfObject& stream) const override;

  // In place; a result beginning with FE FF keeps the low byte of each following unit.
  void decryptString(std::string& bytes, int32_t objectNumber, int32_t generation) const;

  // Tries password as the owner password; on success the document's restrictions are lifted.
  bool unlockWithOwnerPassword(const std::string& password);

  int32_t revision() const { return revision_; }
  int32_t version() const { return version_; }
  int32_t keyLengthBits() const { return keyLengthBits_; }
  int32_t permissions() const { return permissions_; }
  // The accepted password was the owner password.
  bool ownerAuthenticated() const { return ownerAuthenticated_; }
  DocumentPermissions documentPermissions() const {
    return {static_cast<uint32_t>(permissions_), ownerAuthenticated_};
  }
  bool encryptMetadata() const { return parameters_.encryptMetadata; }

  // What a writer needs to encrypt new objects as the document's own: the file key and the
  // methods of strings and of streams without a crypt filter of their own.
  const std::vector<uint8_t>& fileKey() const { return fileKey_; }
  StandardSecurity::CryptMethod stringMethod() const {
    return version_ >= 4 ? stringMethod_ : StandardSecurity::CryptMethod::Rc4;
  }
  StandardSecurity::CryptMethod streamMethod() const {
    return version_ >= 4 ? streamMethod_ : StandardSecurity::CryptMethod::Rc4;
  }

 private:
  // Whether reading the document takes AES (and so the crypto library).
  bool needsAes() const;
  StandardSecurity::CryptMethod methodOf(const PdfObject& cryptFilters, const PdfObject& name);
  std::optional<StandardSecurity::FileKey> tryOwner(const std::string& typed) const;
  std::optional<StandardSecurity::FileKey> tryUser(const std::string& typed) const;
  std::string passwordFor(const std::string& typed) const;
  StandardSecurity::CryptMethod namedMethod(const std::string& name) const;

  PdfObject encryptDictionary_;
  ObjectResolver& resolver_;
  StandardSecurity::Parameters parameters_;
  std::vector<uint8_t> fileKey_;
  int32_t keyLengthBits_ = 40;
  int32_t revision_ = 0;
  int32_t version_ = 0;
  int32_t permissions_ = 0;
  bool ownerAuthenticated_ = false;
  StandardSecurity::CryptMethod streamMethod_ = StandardSecurity::CryptMethod::Rc4;
  StandardSecurity::CryptMethod stringMethod_ = StandardSecurity::CryptMethod::Rc4;
  // Crypt filters by name, for streams that name their own with a Crypt filter.
  std::vector<std::pair<std::string, StandardSecurity::CryptMethod>> namedFilters_;
};
