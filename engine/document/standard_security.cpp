#include "engine/document/standard_security.h"

#include <algorithm>
#include <cstring>

#include "engine/document/aes.h"
#include "engine/document/md5.h"
#include "engine/document/rc4.h"

namespace StandardSecurity {

const PaddedPassword kPasswordPadding = {
    0x28, 0xBF, 0x4E, 0x5E, 0x4E, 0x75, 0x8A, 0x41, 0x64, 0x00, 0x4E, 0x56, 0xFF, 0xFA, 0x01, 0x08,
    0x2E, 0x2E, 0x00, 0xB6, 0xD0, 0x68, 0x3E, 0x80, 0x2F, 0x0C, 0xA9, 0xFE, 0x64, 0x53, 0x69, 0x7A,
};

namespace {

std::string_view documentIdPrefix(const Parameters& parameters) {
  return std::string_view(parameters.documentId).substr(0, kDocumentIdBytes);
}

// O as exactly 32 bytes.
PaddedPassword ownerHashBytes(const Parameters& parameters) {
  PaddedPassword bytes{};
  std::size_t count = std::min(parameters.ownerHash.size(), bytes.size());
  std::memcpy(bytes.data(), parameters.ownerHash.data(), count);
  return bytes;
}

bool usesRevision3Steps(int32_t revision) { return revision == 3 || revision == 4; }

std::span<const uint8_t> bytesOf(std::string_view s) {
  return {reinterpret_cast<const uint8_t*>(s.data()), s.size()};
}

// Revision 3 strengthens a key hash by rehashing its first n bytes.
void strengthenKeyHash(Md5::Digest& hash, int keyBytes, const Parameters& parameters) {
  if (!usesRevision3Steps(parameters.revision)) return;
  for (int round = 0; round < kRevision3HashRounds; ++round) {
    hash = md5(std::span<const uint8_t>(hash.data(), std::size_t(keyBytes)));
  }
}

// Revision 3 runs RC4 once per round, each round keyed with every key byte XORed with the round
// number. Decryption walks the rounds backwards; RC4 being a plain XOR, either order gives the
// same bytes.
void cipherRounds(std::span<const uint8_t> key, std::span<uint8_t> data, bool decrypt) {
  std::vector<uint8_t> roundKey(key.size());
  for (int step = 0; step < kRevision3CipherRounds; ++step) {
    int round = decrypt ? kRevision3CipherRounds - 1 - step : step;
    for (std::size_t k = 0; k < key.size(); ++k) roundKey[k] = uint8_t(key[k] ^ round);
    rc4(roundKey, data);
  }
}

bool userHashMatches(std::span<const uint8_t> fileKey, const Parameters& parameters) {
  std::string_view stored(parameters.userHash);
  if (!usesRevision3Steps(parameters.revision)) {
    PaddedPassword expected = kPasswordPadding;
    rc4(fileKey, expected);
    return stored.size() >= expected.size() &&
           std::memcmp(stored.data(), expected.data(), expected.size()) == 0;
  }
  Md5 hash;
  hash.update(kPasswordPadding);
  hash.update(documentIdPrefix(parameters));
  Md5::Digest expected = hash.final();
  cipherRounds(fileKey, expected, false);
  return stored.size() >= kRevision3UserHashBytes &&
         std::memcmp(stored.data(), expected.data(), kRevision3UserHashBytes) == 0;
}

std::string_view aes256Password(std::string_view password) {
  return password.substr(0, kMaxAes256PasswordBytes);
}

// A piece of a revision 5 or 6 U or O: [from, from + count) when the string is long enough.
std::optional<std::string_view> piece(const std::string& s, std::size_t from, std::size_t count) {
  if (s.size() < from + count) return std::nullopt;
  return std::string_view(s).substr(from, count);
}

// The file key that an intermediate key unlocks from UE or OE (AES-256, zero IV, no padding).
FileKey unwrapFileKey(const std::array<uint8_t, kAes256HashBytes>& intermediate,
                      const std::string& wrapped) {
  static constexpr uint8_t kZeroIv[Aes::kBlockBytes] = {};
  std::vector<uint8_t> key = Aes::cbcDecrypt(
      intermediate, kZeroIv, bytesOf(std::string_view(wrapped).substr(0, kAes256KeyBytes)));
  key.resize(kAes256KeyBytes, 0);
  return key;
}

std::optional<FileKey> checkAes256User(std::string_view password, const Parameters& parameters) {
  auto hash = piece(parameters.userHash, 0, kAes256HashBytes);
  auto validationSalt = piece(parameters.userHash, kAes256HashBytes, kAes256SaltBytes);
  auto keySalt = piece(parameters.userHash, kAes256HashBytes + kAes256SaltBytes, kAes256SaltBytes);
  if (!hash || !validationSalt || !keySalt) return std::nullopt;
  password = aes256Password(password);
  auto computed = aes256Hash(parameters.revision, password, *validationSalt, {});
  if (std::memcmp(computed.data(), hash->data(), kAes256HashBytes) != 0) return std::nullopt;
  return unwrapFileKey(aes256Hash(parameters.revision, password, *keySalt, {}), parameters.userKey);
}

std::optional<FileKey> checkAes256Owner(std::string_view password, const Parameters& parameters) {
  auto hash = piece(parameters.ownerHash, 0, kAes256HashBytes);
  auto validationSalt = piece(parameters.ownerHash, kAes256HashBytes, kAes256SaltBytes);
  auto keySalt = piece(parameters.ownerHash, kAes256HashBytes + kAes256SaltBytes, kAes256SaltBytes);
  auto userData = piece(parameters.userHash, 0, kAes256HashBytes + 2 * kAes256SaltBytes);
  if (!hash || !validationSalt || !keySalt || !userData) return std::nullopt;
  password = aes256Password(password);
  auto computed = aes256Hash(parameters.revision, password, *validationSalt, *userData);
  if (std::memcmp(computed.data(), hash->data(), kAes256HashBytes) != 0) return std::nullopt;
  return unwrapFileKey(aes256Hash(parameters.revision, password, *keySalt, *userData),
                       parameters.ownerKey);
}

}  // namespace

int keyLengthBytes(int32_t keyLengthBits) {
  return std::clamp(keyLengthBits / 8, kMinKeyBytes, kMaxKeyBytes);
}

PaddedPassword padPassword(std::string_view password) {
  PaddedPassword padded = kPasswordPadding;
  std::size_t count = std::min(password.size(), padded.size());
  if (count > 0) std::memcpy(padded.data(), password.data(), count);
  std::copy_n(kPasswordPadding.begin(), padded.size() - count, padded.begin() + count);
  return padded;
}

bool isAes256Revision(int32_t revision) { return revision == 5 || revision == 6; }

std::array<uint8_t, kAes256HashBytes> aes256Hash(int32_t revision, std::string_view password,
                                                 std::string_view salt, std::string_view userData) {
  std::string input;
  input.append(password).append(salt).append(userData);
  std::vector<uint8_t> k = Sha2::digest(256, bytesOf(input));
  if (revision == 6) {
    // Rounds of: 64 copies of password + K + user data, encrypted with AES-128-CBC keyed by
    // K's first half and its second half as IV; the sum of the first 16 bytes modulo 3 picks
    // the next hash. It ends once 64 rounds are done and the last byte allows it.
    std::string block;
    for (int round = 0; round < kRevision6MaxRounds; ++round) {
      block.clear();
      std::string unit;
      unit.append(password)
          .append(reinterpret_cast<const char*>(k.data()), k.size())
          .append(userData);
      for (int copy = 0; copy < kRevision6Copies; ++copy) block.append(unit);
      std::vector<uint8_t> e =
          Aes::cbcEncrypt(std::span(k).first(16), std::span(k).subspan(16, 16), bytesOf(block));
      if (e.size() < Aes::kBlockBytes) break;
      unsigned sum = 0;
      for (std::size_t i = 0; i < Aes::kBlockBytes; ++i) sum += e[i];
      static constexpr int kBits[3] = {256, 384, 512};
      k = Sha2::digest(kBits[sum % 3], e);
      if (round + 1 >= kRevision6MinRounds && e.back() <= round + 1 - 32) break;
    }
  }
  std::array<uint8_t, kAes256HashBytes> out{};
  std::copy_n(k.begin(), std::min(k.size(), out.size()), out.begin());
  return out;
}

std::optional<int32_t> permissionsFromPerms(std::span<const uint8_t> fileKey,
                                            const Parameters& parameters) {
  if (parameters.perms.size() < Aes::kBlockBytes || fileKey.size() != kAes256KeyBytes)
    return std::nullopt;
  std::array<uint8_t, Aes::kBlockBytes> block;
  std::memcpy(block.data(), parameters.perms.data(), block.size());
  std::array<uint8_t, Aes::kBlockBytes> plain = Aes::ecbDecryptBlock(fileKey, block);
  if (plain[9] != 'a' || plain[10] != 'd' || plain[11] != 'b') return std::nullopt;
  return int32_t(uint32_t(plain[0]) | uint32_t(plain[1]) << 8 | uint32_t(plain[2]) << 16 |
                 uint32_t(plain[3]) << 24);
}

FileKey computeFileKey(std::string_view password, const Parameters& parameters) {
  if (isAes256Revision(parameters.revision)) {
    std::string_view keySalt;
    if (auto s = piece(parameters.userHash, kAes256HashBytes + kAes256SaltBytes, kAes256SaltBytes))
      keySalt = *s;
    return unwrapFileKey(aes256Hash(parameters.revision, aes256Password(password), keySalt, {}),
                         parameters.userKey);
  }
  int keyBytes = keyLengthBytes(parameters.keyLengthBits);
  uint32_t permissions = uint32_t(parameters.permissions);
  const uint8_t permissionBytes[4] = {uint8_t(permissions), uint8_t(permissions >> 8),
                                      uint8_t(permissions >> 16), uint8_t(permissions >> 24)};
  Md5 hash;
  hash.update(padPassword(password));
  hash.update(ownerHashBytes(parameters));
  hash.update(permissionBytes);
  hash.update(documentIdPrefix(parameters));
  if (parameters.revision == 4 && !parameters.encryptMetadata) {
    static constexpr uint8_t kMetadataInClear[4] = {0xFF, 0xFF, 0xFF, 0xFF};
    hash.update(kMetadataInClear);
  }
  Md5::Digest digest = hash.final();
  strengthenKeyHash(digest, keyBytes, parameters);
  return FileKey(digest.begin(), digest.begin() + keyBytes);
}

std::optional<FileKey> checkUserPassword(std::string_view password, const Parameters& parameters) {
  if (isAes256Revision(parameters.revision)) return checkAes256User(password, parameters);
  FileKey key = computeFileKey(password, parameters);
  if (!userHashMatches(key, parameters)) return std::nullopt;
  return key;
}

std::optional<FileKey> checkOwnerPassword(std::string_view ownerPassword,
                                          const Parameters& parameters) {
  if (isAes256Revision(parameters.revision)) return checkAes256Owner(ownerPassword, parameters);
  int keyBytes = keyLengthBytes(parameters.keyLengthBits);
  Md5::Digest digest = md5(padPassword(ownerPassword));
  strengthenKeyHash(digest, keyBytes, parameters);
  std::span<const uint8_t> key(digest.data(), std::size_t(keyBytes));

  PaddedPassword userPassword = ownerHashBytes(parameters);
  if (usesRevision3Steps(parameters.revision)) {
    cipherRounds(key, userPassword, true);
  } else {
    rc4(key, userPassword);
  }
  return checkUserPassword(
      std::string_view(reinterpret_cast<const char*>(userPassword.data()), userPassword.size()),
      parameters);
}

bool userPasswordPermitsOpening(int32_t permissions) {
  constexpr uint32_t kPrintBit = 4;
  constexpr uint32_t kModifyBit = 8;
  return (uint32_t(permissions) & (kPrintBit | kModifyBit)) != 0;
}

int32_t permissionsFromText(std::string_view text) {
  std::size_t pos = 0;
  bool negative = false;
  if (pos < text.size() && (text[pos] == '-' || text[pos] == '+')) negative = text[pos++] == '-';
  uint32_t value = 0;  // unsigned arithmetic wraps modulo 2^32, which is the point
  for (; pos < text.size() && text[pos] >= '0' && text[pos] <= '9'; ++pos) {
    value = value * 10 + uint32_t(text[pos] - '0');
  }
  if (negative) value = 0u - value;
  return int32_t(value);
}

std::vector<uint8_t> objectKey(std::span<const uint8_t> fileKey, int32_t objectNumber,
                               int32_t generation) {
  std::size_t keyBytes = std::min<std::size_t>(fileKey.size(), kMaxKeyBytes);
  uint32_t number = uint32_t(objectNumber);
  uint32_t gen = uint32_t(generation);
  const uint8_t suffix[5] = {uint8_t(number), uint8_t(number >> 8), uint8_t(number >> 16),
                             uint8_t(gen), uint8_t(gen >> 8)};
  Md5 hash;
  hash.update(fileKey.first(keyBytes));
  hash.update(suffix);
  Md5::Digest digest = hash.final();
  std::size_t objectKeyBytes = std::min<std::size_t>(keyBytes + sizeof suffix, digest.size());
  return std::vector<uint8_t>(digest.begin(), digest.begin() + objectKeyBytes);
}

std::vector<uint8_t> aesObjectKey(std::span<const uint8_t> fileKey, int32_t objectNumber,
                                  int32_t generation) {
  std::size_t keyBytes = std::min<std::size_t>(fileKey.size(), kMaxKeyBytes);
  uint32_t number = uint32_t(objectNumber);
  uint32_t gen = uint32_t(generation);
  const uint8_t suffix[9] = {uint8_t(number),
                             uint8_t(number >> 8),
                             uint8_t(number >> 16),
                             uint8_t(gen),
                             uint8_t(gen >> 8),
                             's',
                             'A',
                             'l',
                             'T'};
  Md5 hash;
  hash.update(fileKey.first(keyBytes));
  hash.update(suffix);
  Md5::Digest digest = hash.final();
  // AES-128 always takes the whole 16-byte hash.
  return std::vector<uint8_t>(digest.begin(), digest.end());
}

void decryptObjectData(CryptMethod method, std::span<const uint8_t> fileKey, int32_t objectNumber,
                       int32_t generation, std::string& data) {
  switch (method) {
    case CryptMethod::Identity:
      return;
    case CryptMethod::Rc4:
      decryptObjectData(fileKey, objectNumber, generation, data);
      return;
    case CryptMethod::AesV2:
      data = Aes::decryptWithIv(aesObjectKey(fileKey, objectNumber, generation), bytesOf(data));
      return;
    case CryptMethod::AesV3:
      // The file key itself, the same for every object.
      if (fileKey.size() != std::size_t(kAes256KeyBytes)) {
        data.clear();
        return;
      }
      data = Aes::decryptWithIv(fileKey, bytesOf(data));
      return;
  }
}

bool encryptObjectData(CryptMethod method, std::span<const uint8_t> fileKey, int32_t objectNumber,
                       int32_t generation, std::string& data) {
  std::optional<std::string> encrypted;
  switch (method) {
    case CryptMethod::Identity:
      return true;
    case CryptMethod::Rc4:
      // RC4 is its own inverse.
      decryptObjectData(fileKey, objectNumber, generation, data);
      return true;
    case CryptMethod::AesV2:
      encrypted =
          Aes::encryptWithFreshIv(aesObjectKey(fileKey, objectNumber, generation), bytesOf(data));
      break;
    case CryptMethod::AesV3:
      if (fileKey.size() != std::size_t(kAes256KeyBytes)) return false;
      encrypted = Aes::encryptWithFreshIv(fileKey, bytesOf(data));
      break;
  }
  if (!encrypted) return false;
  data = std::move(*encrypted);
  return true;
}

void decryptObjectData(std::span<const uint8_t> fileKey, int32_t objectNumber, int32_t generation,
                       std::span<uint8_t> data) {
  rc4(objectKey(fileKey, objectNumber, generation), data);
}

void decryptObjectData(std::span<const uint8_t> fileKey, int32_t objectNumber, int32_t generation,
                       std::string& data) {
  rc4(objectKey(fileKey, objectNumber, generation), data);
}

std::string reduceFeFfString(std::string_view bytes) {
  if (bytes.size() < 2 || uint8_t(bytes[0]) != 0xFE || uint8_t(bytes[1]) != 0xFF) {
    return std::string(bytes);
  }
  std::string reduced;
  reduced.reserve((bytes.size() - 2) / 2);
  for (std::size_t pos = 2; pos + 1 < bytes.size(); pos += 2) reduced.push_back(bytes[pos + 1]);
  return reduced;
}

}  // namespace StandardSecurity
