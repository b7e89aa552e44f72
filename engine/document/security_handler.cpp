#include "engine/document/security_handler.h"

#include <optional>

#include "engine/document/document_hooks.h"
#include "engine/document/object_resolver.h"
#include "engine/document/pdf_exception.h"
#include "engine/document/standard_security.h"
#include "engine/document/trailer_info.h"

namespace {

// Passwords arrive as UTF-8; the file's passwords are bytes of the system's 8-bit code page.
// Text made only of Latin-1 characters becomes those bytes; anything else stays UTF-8.
std::string passwordBytes(const std::string& utf8) {
  std::string out;
  for (std::size_t i = 0; i < utf8.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(utf8[i]);
    if (c < 0x80) {
      out.push_back(static_cast<char>(c));
    } else if ((c == 0xC2 || c == 0xC3) && i + 1 < utf8.size() &&
               (static_cast<unsigned char>(utf8[i + 1]) & 0xC0) == 0x80) {
      out.push_back(static_cast<char>(((c & 0x03) << 6) | (utf8[i + 1] & 0x3F)));
      ++i;
    } else {
      return utf8;
    }
  }
  return out;
}

}  // namespace

C_PDF_SecurityHandler::C_PDF_SecurityHandler(const PdfObject* encrypt, ObjectResolver& resolver,
                                             const TrailerInfo& trailerInfo,
                                             const std::string& password,
                                             IPasswordProvider* passwordProvider)
    : resolver_(resolver) {
  if (!encrypt) throw C_PDF_Exception(kErrorUnsupportedEncryption);
  encryptDictionary_ = resolver.resolve(*encrypt);
  const PdfObject& d = encryptDictionary_;
  auto value = [&](const char* key) -> PdfObject {
    const PdfObject* v = d.lookup(key);
    return v ? resolver.resolve(*v, true) : PdfObject();
  };
  const PdfObject filter = value("Filter");
  const PdfObject v = value("V");
  if (!filter.isName("Standard") || !v.isNumber() || (v.intValue() != 1 && v.intValue() != 2))
    throw C_PDF_Exception(kErrorUnsupportedEncryption);
  version_ = v.intValue();
  const PdfObject length = value("Length");
  keyLengthBits_ = length.kind == PdfObjectKind::None ? 40 : length.intValue();
  revision_ = value("R").intValue();

  StandardSecurity::Parameters params;
  params.revision = revision_;
  params.keyLengthBits = keyLengthBits_;
  const PdfObject p = value("P");
  permissions_ = StandardSecurity::permissionsFromText(p.text);
  params.permissions = permissions_;
  params.ownerHash = value("O").text;
  params.userHash = value("U").text;
  if (trailerInfo.ID) {
    PdfObject id = resolver.resolve(*trailerInfo.ID, true);
    if (!id.elements.empty()) params.documentId = resolver.resolve(id.elements[0], true).text;
  }

  std::optional<StandardSecurity::FileKey> key = StandardSecurity::checkUserPassword("", params);
  if (!key || !StandardSecurity::userPasswordPermitsOpening(permissions_)) {
    key.reset();
    std::string given = password;
    for (;;) {
      std::string typed;
      if (!given.empty()) {
        typed = given;
      } else {
        std::optional<std::string> answer;
        if (passwordProvider) answer = passwordProvider->askPassword();
        if (!answer) throw C_PDF_Exception(kErrorPasswordCancelled);
        typed = *answer;
      }
      const std::string bytes = passwordBytes(typed);
      key = StandardSecurity::checkUserPassword(bytes, params);
      if (key && StandardSecurity::userPasswordPermitsOpening(permissions_)) break;
      key = StandardSecurity::checkOwnerPassword(bytes, params);
      if (key) {
        ownerAuthenticated_ = true;
        break;
      }
      // A wrong password: ask again, with an empty field.
      given.clear();
    }
  }
  fileKey_ = std::move(*key);
  resolver.setDecryptor(this);
}

C_PDF_SecurityHandler::~C_PDF_SecurityHandler() {
  if (resolver_.decryptor() == this) resolver_.setDecryptor(nullptr);
}

void C_PDF_SecurityHandler::decrypt(std::string& bytes, int32_t objectNumber,
                                    int32_t generation) const {
  StandardSecurity::decryptObjectData(fileKey_, objectNumber, generation, bytes);
}

void C_PDF_SecurityHandler::decryptString(std::string& bytes, int32_t objectNumber,
                                          int32_t generation) const {
  decrypt(bytes, objectNumber, generation);
  bytes = StandardSecurity::reduceFeFfString(bytes);
}
