#pragma once
// The key and password algorithms of the PDF standard security handler (RC4 and AES, revisions 2
// to 6), as pure functions over byte strings. The handler object that reads the encryption
// dictionary and asks for passwords builds on these.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace StandardSecurity {

constexpr std::size_t kPaddedPasswordBytes = 32;
// File keys are n = Length / 8 bytes, kept within what the key derivation can produce.
constexpr int kMinKeyBytes = 5;
constexpr int kMaxKeyBytes = 16;
// Only this much of the first ID string enters the hashes.
constexpr std::size_t kDocumentIdBytes = 16;
constexpr int kRevision3HashRounds = 50;
constexpr int kRevision3CipherRounds = 20;
// Revision 3 compares only this much of U; the rest is arbitrary filler.
constexpr std::size_t kRevision3UserHashBytes = 16;

using PaddedPassword = std::array<uint8_t, kPaddedPasswordBytes>;
// The first n bytes of the key derivation's hash.
using FileKey = std::vector<uint8_t>;

// The fixed string that pads every password to 32 bytes.
extern const PaddedPassword kPasswordPadding;

// What the algorithms need from the encryption dictionary and the trailer. Strings may have any
// length: missing bytes of O count as zero, U shorter than what is compared never matches, and
// only the ID bytes present (at most 16) are hashed.
struct Parameters {
  int32_t revision = 2;         // R: 3 and 4 select the revision-3 steps, 5 and 6 the AES-256
                                // steps, any other value revision 2
  int32_t keyLengthBits = 40;   // Length
  int32_t permissions = 0;      // P
  std::string ownerHash;        // O
  std::string userHash;         // U
  std::string documentId;       // first string of the trailer's ID; empty when there is none
  bool encryptMetadata = true;  // EncryptMetadata (revision 4 hashes it into the key)
  std::string ownerKey;         // OE (revisions 5 and 6)
  std::string userKey;          // UE
  std::string perms;            // Perms
};

// How one kind of data (streams, strings, embedded files) is encrypted.
enum class CryptMethod { Identity, Rc4, AesV2, AesV3 };

// Revisions 5 and 6 keep a 32-byte file key and hash passwords with SHA-2.
constexpr int kAes256KeyBytes = 32;
constexpr std::size_t kAes256HashBytes = 32;
constexpr std::size_t kAes256SaltBytes = 8;
// Passwords of revisions 5 and 6 are UTF-8 and count only up to this many bytes.
constexpr std::size_t kMaxAes256PasswordBytes = 127;
// The revision 6 hash runs at least this many rounds, and stops at the latest after this many
// more (a sound stream of rounds ends within a few past 64; the bound guards nothing else).
constexpr int kRevision6MinRounds = 64;
constexpr int kRevision6MaxRounds = 64 + 256;
// Each revision 6 round encrypts this many copies of its input.
constexpr int kRevision6Copies = 64;

bool isAes256Revision(int32_t revision);

// n: keyLengthBits / 8, clamped to kMinKeyBytes..kMaxKeyBytes.
int keyLengthBytes(int32_t keyLengthBits);

// The password's first 32 bytes, completed with the padding string.
PaddedPassword padPassword(std::string_view password);

// The file key a password gives, whether or not it is the right one.
FileKey computeFileKey(std::string_view password, const Parameters& parameters);

// The file key when password is the user password, else nothing.
std::optional<FileKey> checkUserPassword(std::string_view password, const Parameters& parameters);

// The file key when ownerPassword is the owner password, else nothing: the user password is
// recovered from O and checked as above.
std::optional<FileKey> checkOwnerPassword(std::string_view ownerPassword,
                                          const Parameters& parameters);

// Whether an accepted user password may open the document: P allows printing (bit 3, value 4)
// or modifying the contents (bit 4, value 8). An owner password always may.
bool userPasswordPermitsOpening(int32_t permissions);

// P as written in the file (a decimal integer, often given unsigned) taken modulo 2^32, so that
// values beyond the signed 32-bit range keep their bits instead of being clamped.
int32_t permissionsFromText(std::string_view text);

// The hash of revisions 5 (one SHA-256) and 6 (the iterated SHA-2 and AES rounds) over a
// password of at most 127 bytes, an 8-byte salt and, for the owner, the 48 bytes of U.
std::array<uint8_t, kAes256HashBytes> aes256Hash(int32_t revision, std::string_view password,
                                                 std::string_view salt, std::string_view userData);

// P as Perms states it when Perms decrypts with the file key to a sound block ("adb" in bytes 9
// to 11); nothing otherwise.
std::optional<int32_t> permissionsFromPerms(std::span<const uint8_t> fileKey,
                                            const Parameters& parameters);

// The RC4 key of one object's streams and strings: MD5 over the file key (at most 16 bytes),
// the low three bytes of the object number and the low two of the generation; its first
// min(n + 5, 16) bytes.
std::vector<uint8_t> objectKey(std::span<const uint8_t> fileKey, int32_t objectNumber,
                               int32_t generation);
// The AESV2 key of one object: as above with the bytes "sAlT" hashed after the suffix.
std::vector<uint8_t> aesObjectKey(std::span<const uint8_t> fileKey, int32_t objectNumber,
                                  int32_t generation);

// Decrypts a string's or stream's bytes of the given object in place.
void decryptObjectData(std::span<const uint8_t> fileKey, int32_t objectNumber, int32_t generation,
                       std::span<uint8_t> data);
void decryptObjectData(std::span<const uint8_t> fileKey, int32_t objectNumber, int32_t generation,
                       std::string& data);
// With the given method; AES data loses its initialisation vector and padding.
void decryptObjectData(CryptMethod method, std::span<const uint8_t> fileKey, int32_t objectNumber,
                       int32_t generation, std::string& data);

// Encrypts a string's or stream's bytes of the given object in place with the given method, AES
// with a fresh initialisation vector in front; false (data unchanged) when AES is not available.
bool encryptObjectData(CryptMethod method, std::span<const uint8_t> fileKey, int32_t objectNumber,
                       int32_t generation, std::string& data);

// A decrypted string that begins with FE FF becomes the low-order byte of every following
// complete two-byte unit (a trailing odd byte is dropped); any other string is returned as it is.
std::string reduceFeFfString(std::string_view bytes);

}  // namespace StandardSecurity
