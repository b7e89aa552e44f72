#include "engine/document/aes.h"

#include <memory>
#include <openssl/evp.h>

namespace Aes {

namespace {

struct ContextDeleter {
  void operator()(EVP_CIPHER_CTX* c) const { EVP_CIPHER_CTX_free(c); }
};

const EVP_CIPHER* cipherFor(std::size_t keyBytes, bool cbc) {
  if (keyBytes == 16) return cbc ? EVP_aes_128_cbc() : EVP_aes_128_ecb();
  if (keyBytes == 24) return cbc ? EVP_aes_192_cbc() : EVP_aes_192_ecb();
  if (keyBytes == 32) return cbc ? EVP_aes_256_cbc() : EVP_aes_256_ecb();
  return nullptr;
}

// Whole blocks through the cipher, no padding; empty on any failure.
std::vector<uint8_t> run(std::span<const uint8_t> key, const uint8_t* iv,
                         std::span<const uint8_t> data, bool cbc, bool encrypt) {
  std::vector<uint8_t> out;
  const EVP_CIPHER* cipher = cipherFor(key.size(), cbc);
  const std::size_t length = data.size() - data.size() % kBlockBytes;
  if (!cipher || length == 0) return out;
  std::unique_ptr<EVP_CIPHER_CTX, ContextDeleter> context(EVP_CIPHER_CTX_new());
  if (!context) return out;
  if (EVP_CipherInit_ex(context.get(), cipher, nullptr, key.data(), iv, encrypt ? 1 : 0) != 1)
    return out;
  EVP_CIPHER_CTX_set_padding(context.get(), 0);
  out.resize(length + kBlockBytes);
  int written = 0, last = 0;
  // Inputs stay below 2 GiB (the file limit), so one call takes them whole.
  if (EVP_CipherUpdate(context.get(), out.data(), &written, data.data(),
                       static_cast<int>(length)) != 1 ||
      EVP_CipherFinal_ex(context.get(), out.data() + written, &last) != 1) {
    out.clear();
    return out;
  }
  out.resize(static_cast<std::size_t>(written + last));
  return out;
}

}  // namespace

std::string decryptWithIv(std::span<const uint8_t> key, std::span<const uint8_t> data) {
  if (data.size() < 2 * kBlockBytes) return {};
  std::vector<uint8_t> plain = run(key, data.data(), data.subspan(kBlockBytes), true, false);
  if (!plain.empty()) {
    const uint8_t pad = plain.back();
    bool wellFormed = pad >= 1 && pad <= kBlockBytes;
    for (std::size_t k = 0; wellFormed && k < pad; ++k)
      wellFormed = plain[plain.size() - 1 - k] == pad;
    if (wellFormed) plain.resize(plain.size() - pad);
  }
  return std::string(plain.begin(), plain.end());
}

std::vector<uint8_t> cbcDecrypt(std::span<const uint8_t> key, std::span<const uint8_t> iv,
                                std::span<const uint8_t> data) {
  if (iv.size() < kBlockBytes) return {};
  return run(key, iv.data(), data, true, false);
}

std::vector<uint8_t> cbcEncrypt(std::span<const uint8_t> key, std::span<const uint8_t> iv,
                                std::span<const uint8_t> data) {
  if (iv.size() < kBlockBytes) return {};
  return run(key, iv.data(), data, true, true);
}

std::array<uint8_t, kBlockBytes> ecbDecryptBlock(std::span<const uint8_t> key,
                                                 std::span<const uint8_t, kBlockBytes> block) {
  std::array<uint8_t, kBlockBytes> out{};
  std::vector<uint8_t> plain = run(key, nullptr, block, false, false);
  if (plain.size() == kBlockBytes) std::copy(plain.begin(), plain.end(), out.begin());
  return out;
}

}  // namespace Aes

namespace Sha2 {

std::vector<uint8_t> digest(int bits, std::span<const uint8_t> data) {
  const EVP_MD* md = bits == 512 ? EVP_sha512() : bits == 384 ? EVP_sha384() : EVP_sha256();
  std::vector<uint8_t> out(EVP_MAX_MD_SIZE);
  unsigned int length = 0;
  if (EVP_Digest(data.data(), data.size(), out.data(), &length, md, nullptr) != 1) length = 0;
  out.resize(length);
  return out;
}

}  // namespace Sha2
