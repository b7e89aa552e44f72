// Arbitrary encryption parameters and passwords, of every revision, through every standard
// security function and crypt method.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "engine/document/md5.h"
#include "engine/document/rc4.h"
#include "engine/document/security_password.h"
#include "engine/document/standard_security.h"

using namespace StandardSecurity;

namespace {

// Takes a length-prefixed piece of the input.
std::string_view take(std::string_view& input) {
  if (input.empty()) return {};
  std::size_t length = std::min<std::size_t>(uint8_t(input[0]), input.size() - 1);
  std::string_view piece = input.substr(1, length);
  input.remove_prefix(1 + length);
  return piece;
}

int32_t takeInt(std::string_view& input) {
  uint32_t value = 0;
  for (int i = 0; i < 4 && !input.empty(); ++i) {
    value = value << 8 | uint8_t(input[0]);
    input.remove_prefix(1);
  }
  return int32_t(value);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view input(reinterpret_cast<const char*>(data), size);
  Parameters parameters;
  parameters.revision = takeInt(input) & 7;
  parameters.keyLengthBits = takeInt(input);
  parameters.permissions = permissionsFromText(take(input));
  parameters.ownerHash = std::string(take(input));
  parameters.userHash = std::string(take(input));
  parameters.documentId = std::string(take(input));
  parameters.ownerKey = std::string(take(input));
  parameters.userKey = std::string(take(input));
  parameters.perms = std::string(take(input));
  parameters.encryptMetadata = !input.empty() && (uint8_t(input[0]) & 1);
  std::string_view password = take(input);
  int32_t number = takeInt(input);
  int32_t generation = takeInt(input);

  const std::string prepared = SecurityPassword::saslPrep(std::string(password));
  SecurityPassword::latin1Bytes(std::string(password));
  std::optional<FileKey> key = checkUserPassword(prepared, parameters);
  if (!key) key = checkOwnerPassword(prepared, parameters);
  FileKey fileKey = key ? *key : computeFileKey(prepared, parameters);
  std::string text(input);
  // Every method, as crypt filters choose them.
  for (CryptMethod method :
       {CryptMethod::Identity, CryptMethod::Rc4, CryptMethod::AesV2, CryptMethod::AesV3}) {
    std::string copy = text;
    decryptObjectData(method, fileKey, number, generation, copy);
    if (method != CryptMethod::Identity && method != CryptMethod::Rc4 && copy.size() > text.size())
      __builtin_trap();
  }
  permissionsFromPerms(fileKey, parameters);
  decryptObjectData(fileKey, number, generation, text);
  std::string reduced = reduceFeFfString(text);
  if (reduced.size() > text.size()) __builtin_trap();
  userPasswordPermitsOpening(parameters.permissions);
  md5(text);
  rc4(std::span(reinterpret_cast<const uint8_t*>(password.data()), password.size()), text);
  return 0;
}
