#include "engine/document/security_handler.h"

#include <optional>

#include "engine/document/aes.h"
#include "engine/document/document_hooks.h"
#include "engine/document/object_resolver.h"
#include "engine/document/pdf_exception.h"
#include "engine/document/security_password.h"
#include "engine/document/trailer_info.h"

using StandardSecurity::CryptMethod;

namespace {

// Crypt filter Length is in bytes for some writers and in bits for others.
constexpr int kLargestLengthInBytes = 32;

}  // namespace

C_PDF_SecurityHandler::C_PDF_SecurityHandler(const PdfObject* encrypt, ObjectResolver& resolver,
                                             const TrailerInfo& trailerInfo,
                                             const std::string& password,
                                             IPasswordProvider* passwordProvider)
    : resolver_(resolver) {
  if (!encrypt)
    throw C_PDF_Exception(PdfError::UnsupportedEncryption, "the encryption dictionary is missing");
  encryptDictionary_ = resolver.resolve(*encrypt);
  const PdfObject& d = encryptDictionary_;
  auto value = [&](const char* key) -> PdfObject {
    const PdfObject* v = d.lookup(key);
    return v ? resolver.resolve(*v) : PdfObject();
  };
  const PdfObject filter = value("Filter");
  const PdfObject v = value("V");
  version_ = v.isNumber() ? v.intValue() : 0;
  revision_ = value("R").intValue();
  if (!filter.isName("Standard"))
    throw C_PDF_Exception(PdfError::UnsupportedEncryption,
                          "it is protected by a security handler other than the standard one");
  if (version_ < 1 || version_ > 5 || version_ == 3 || revision_ < 2 || revision_ > 6)
    throw C_PDF_Exception(PdfError::UnsupportedEncryption,
                          "its encryption method is not one this reader knows");
  const PdfObject length = value("Length");
  keyLengthBits_ = length.kind == PdfObjectKind::None ? 40 : length.intValue();
  // Version 1 keys are always 40 bits, whatever Length says (some writers put 128 there).
  if (version_ == 1) keyLengthBits_ = 40;

  StandardSecurity::Parameters& params = parameters_;
  params.revision = revision_;
  const PdfObject p = value("P");
  permissions_ = StandardSecurity::permissionsFromText(p.text);
  params.permissions = permissions_;
  params.ownerHash = value("O").text;
  params.userHash = value("U").text;
  params.ownerKey = value("OE").text;
  params.userKey = value("UE").text;
  params.perms = value("Perms").text;
  const PdfObject encryptMetadata = value("EncryptMetadata");
  params.encryptMetadata =
      !(encryptMetadata.kind == PdfObjectKind::Boolean && !encryptMetadata.boolValue());
  if (trailerInfo.ID) {
    PdfObject id = resolver.resolve(*trailerInfo.ID);
    if (!id.elements.empty()) params.documentId = resolver.resolve(id.elements[0]).text;
  }

  if (version_ >= 4) {
    // Crypt filters: streams, strings and embedded files each name one; Identity when absent.
    const PdfObject cryptFilters = value("CF");
    if (cryptFilters.isDictOrStream()) {
      for (const DictEntry& entry : cryptFilters.entries) {
        PdfObject storage;
        const PdfObject& filterDictionary = resolver.resolved(entry.value, storage);
        CryptMethod method = CryptMethod::Identity;
        PdfObject cfmStorage;
        const PdfObject* cfm = filterDictionary.lookup("CFM");
        const PdfObject& cfmName = cfm ? resolver.resolved(*cfm, cfmStorage) : cfmStorage;
        if (cfmName.isName("V2"))
          method = CryptMethod::Rc4;
        else if (cfmName.isName("AESV2"))
          method = CryptMethod::AesV2;
        else if (cfmName.isName("AESV3"))
          method = CryptMethod::AesV3;
        if (method == CryptMethod::Rc4 && length.kind == PdfObjectKind::None) {
          if (const PdfObject* cfLength = filterDictionary.lookup("Length")) {
            int32_t l = cfLength->intValue();
            keyLengthBits_ = l <= kLargestLengthInBytes ? l * 8 : l;
          }
        }
        if (method == CryptMethod::AesV2) keyLengthBits_ = 128;
        namedFilters_.emplace_back(entry.key, method);
      }
    }
    auto chosen = [&](const char* key) {
      PdfObject name = value(key);
      return name.isName() ? namedMethod(name.text) : CryptMethod::Identity;
    };
    streamMethod_ = chosen("StmF");
    stringMethod_ = chosen("StrF");
    if (length.kind == PdfObjectKind::None && keyLengthBits_ == 40 &&
        (streamMethod_ == CryptMethod::Rc4 || stringMethod_ == CryptMethod::Rc4))
      keyLengthBits_ = 128;
  }
  if (StandardSecurity::isAes256Revision(revision_)) keyLengthBits_ = 256;
  params.keyLengthBits = keyLengthBits_;
  // Without the crypto library every password would read as wrong, or the file as garbage.
  if (needsAes() && !CryptoLibrary::available())
    throw C_PDF_Exception(PdfError::UnsupportedEncryption,
                          std::string("it is encrypted with AES, and the library that decrypts "
                                      "AES (") +
                              CryptoLibrary::fileName() + ") could not be loaded");

  // A given password may be the owner's, which lifts the restrictions, so it goes first; then
  // the empty user password, which most protected documents open with; then the user is asked.
  std::optional<StandardSecurity::FileKey> key;
  if (!password.empty()) {
    key = tryOwner(password);
    if (key)
      ownerAuthenticated_ = true;
    else
      key = tryUser(password);
  }
  if (!key) key = tryUser("");
  while (!key) {
    std::optional<std::string> answer;
    if (passwordProvider) answer = passwordProvider->askPassword();
    if (!answer) throw C_PDF_Exception(PdfError::PasswordCancelled);
    key = tryOwner(*answer);
    if (key)
      ownerAuthenticated_ = true;
    else
      key = tryUser(*answer);
    // A wrong password: ask again, with an empty field.
  }
  fileKey_ = std::move(*key);

  if (StandardSecurity::isAes256Revision(revision_)) {
    // Perms repeats P under the file key; where the two disagree only what both allow holds.
    if (std::optional<int32_t> stated = StandardSecurity::permissionsFromPerms(fileKey_, params))
      permissions_ = static_cast<int32_t>(static_cast<uint32_t>(permissions_) &
                                          static_cast<uint32_t>(*stated));
  }
  resolver.setDecryptor(this);
}

bool C_PDF_SecurityHandler::needsAes() const {
  auto aes = [](CryptMethod m) { return m == CryptMethod::AesV2 || m == CryptMethod::AesV3; };
  // Only the methods in use: a crypt filter that is declared and never chosen decrypts nothing.
  return StandardSecurity::isAes256Revision(revision_) || aes(streamMethod_) || aes(stringMethod_);
}

C_PDF_SecurityHandler::~C_PDF_SecurityHandler() {
  if (resolver_.decryptor() == this) resolver_.setDecryptor(nullptr);
}

std::string C_PDF_SecurityHandler::passwordFor(const std::string& typed) const {
  if (StandardSecurity::isAes256Revision(revision_)) return SecurityPassword::saslPrep(typed);
  return SecurityPassword::latin1Bytes(typed);
}

std::optional<StandardSecurity::FileKey> C_PDF_SecurityHandler::tryOwner(
    const std::string& typed) const {
  return StandardSecurity::checkOwnerPassword(passwordFor(typed), parameters_);
}

std::optional<StandardSecurity::FileKey> C_PDF_SecurityHandler::tryUser(
    const std::string& typed) const {
  return StandardSecurity::checkUserPassword(passwordFor(typed), parameters_);
}

bool C_PDF_SecurityHandler::unlockWithOwnerPassword(const std::string& password) {
  if (ownerAuthenticated_) return true;
  std::optional<StandardSecurity::FileKey> key = tryOwner(password);
  if (!key || *key != fileKey_) return false;
  ownerAuthenticated_ = true;
  return true;
}

CryptMethod C_PDF_SecurityHandler::namedMethod(const std::string& name) const {
  if (name == "Identity") return CryptMethod::Identity;
  for (const auto& [filterName, method] : namedFilters_)
    if (filterName == name) return method;
  // A name the file does not define: the method of the document's version.
  if (version_ == 5) return CryptMethod::AesV3;
  return version_ == 4 ? CryptMethod::Identity : CryptMethod::Rc4;
}

void C_PDF_SecurityHandler::decrypt(std::string& bytes, int32_t objectNumber,
                                    int32_t generation) const {
  const CryptMethod method = version_ >= 4 ? stringMethod_ : CryptMethod::Rc4;
  StandardSecurity::decryptObjectData(method, fileKey_, objectNumber, generation, bytes);
}

void C_PDF_SecurityHandler::decryptStream(std::string& bytes, const PdfObject& stream) const {
  if (const PdfObject* type = stream.lookup("Type")) {
    // Cross-reference streams are never encrypted; metadata only when the dictionary says so.
    if (type->isName("XRef")) return;
    if (type->isName("Metadata") && !parameters_.encryptMetadata) return;
  }
  CryptMethod method = version_ >= 4 ? streamMethod_ : CryptMethod::Rc4;
  // A Crypt filter at the head of the filters names the stream's own crypt filter.
  const PdfObject* filter = stream.lookup("Filter");
  const PdfObject* first =
      filter && filter->isArray() && !filter->elements.empty() ? &filter->elements[0] : filter;
  if (first && first->isName("Crypt")) {
    const PdfObject* parms = stream.lookup("DecodeParms");
    if (parms && parms->isArray()) parms = parms->elements.empty() ? nullptr : &parms->elements[0];
    const PdfObject* name = parms ? parms->lookup("Name") : nullptr;
    method = name && name->isName() ? namedMethod(name->text) : CryptMethod::Identity;
  }
  StandardSecurity::decryptObjectData(method, fileKey_, stream.objectNumber, stream.generation,
                                      bytes);
}

void C_PDF_SecurityHandler::decryptString(std::string& bytes, int32_t objectNumber,
                                          int32_t generation) const {
  decrypt(bytes, objectNumber, generation);
  bytes = StandardSecurity::reduceFeFfString(bytes);
}
