#include "engine/document/standard_security.h"

#include <algorithm>
#include <cstring>

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

// Revision 3 strengthens a key hash by rehashing its first n bytes.
void strengthenKeyHash(Md5::Digest& hash, int keyBytes, const Parameters& parameters) {
  if (parameters.revision != 3) return;
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
  if (parameters.revision != 3) {
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

}  // namespace

int keyLengthBytes(int32_t keyLengthBits) {
  return std::clamp(keyLengthBits / 8, kMinKeyBytes, kMaxKeyBytes);
}

PaddedPassword padPassword(std::string_view password) {
  PaddedPassword padded = kPasswordPadding;
  std::size_t count = std::min(password.size(), padded.size());
  std::memcpy(padded.data(), password.data(), count);
  std::copy_n(kPasswordPadding.begin(), padded.size() - count, padded.begin() + count);
  return padded;
}

FileKey computeFileKey(std::string_view password, const Parameters& parameters) {
  int keyBytes = keyLengthBytes(parameters.keyLengthBits);
  uint32_t permissions = uint32_t(parameters.permissions);
  const uint8_t permissionBytes[4] = {uint8_t(permissions), uint8_t(permissions >> 8),
                                      uint8_t(permissions >> 16), uint8_t(permissions >> 24)};
  Md5 hash;
  hash.update(padPassword(password));
  hash.update(ownerHashBytes(parameters));
  hash.update(permissionBytes);
  hash.update(documentIdPrefix(parameters));
  Md5::Digest digest = hash.final();
  strengthenKeyHash(digest, keyBytes, parameters);
  return FileKey(digest.begin(), digest.begin() + keyBytes);
}

std::optional<FileKey> checkUserPassword(std::string_view password, const Parameters& parameters) {
  FileKey key = computeFileKey(password, parameters);
  if (!userHashMatches(key, parameters)) return std::nullopt;
  return key;
}

std::optional<FileKey> checkOwnerPassword(std::string_view ownerPassword,
                                          const Parameters& parameters) {
  int keyBytes = keyLengthBytes(parameters.keyLengthBits);
  Md5::Digest digest = md5(padPassword(ownerPassword));
  strengthenKeyHash(digest, keyBytes, parameters);
  std::span<const uint8_t> key(digest.data(), std::size_t(keyBytes));

  PaddedPassword userPassword = ownerHashBytes(parameters);
  if (parameters.revision == 3) {
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
