#pragma once
// AES and SHA-2 as the standard security handler uses them, over OpenSSL's libcrypto.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

// OpenSSL's libcrypto is loaded at run time, at the first use.
namespace CryptoLibrary {

// The library's file name, for messages.
const char* fileName();
// Whether the library is loaded (loading it now if it was not tried yet). Without it neither
// AES nor SHA-2 works: a document encrypted with AES cannot be read, whatever its password.
bool available();
// Tests: behave as though the library could not be loaded (true), or as it is (false).
void pretendMissing(bool missing);

}  // namespace CryptoLibrary

namespace Aes {

constexpr std::size_t kBlockBytes = 16;

// Decrypts data whose first block is the initialisation vector (how AESV2 and AESV3 store every
// string and stream), key 16 or 32 bytes, and removes the padding. Data shorter than two blocks
// gives nothing; a last block whose padding is not well formed is kept whole, and a trailing
// part block is dropped, so a damaged string still gives what can be read.
std::string decryptWithIv(std::span<const uint8_t> key, std::span<const uint8_t> data);

// The other way: a fresh random initialisation vector, then the data padded and encrypted in CBC
// mode. nullopt when the crypto library or its random source is not available.
std::optional<std::string> encryptWithFreshIv(std::span<const uint8_t> key,
                                              std::span<const uint8_t> data);

// CBC without padding over whole blocks (a trailing part block is dropped).
std::vector<uint8_t> cbcDecrypt(std::span<const uint8_t> key, std::span<const uint8_t> iv,
                                std::span<const uint8_t> data);
std::vector<uint8_t> cbcEncrypt(std::span<const uint8_t> key, std::span<const uint8_t> iv,
                                std::span<const uint8_t> data);

// One block of AES-256 in ECB mode (the Perms entry).
std::array<uint8_t, kBlockBytes> ecbDecryptBlock(std::span<const uint8_t> key,
                                                 std::span<const uint8_t, kBlockBytes> block);

}  // namespace Aes

namespace Sha2 {

// The digest of data with SHA-256, SHA-384 or SHA-512 (bits 256, 384 or 512).
std::vector<uint8_t> digest(int bits, std::span<const uint8_t> data);

}  // namespace Sha2
