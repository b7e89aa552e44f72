#include "engine/document/aes.h"

#include <dlfcn.h>
#include <openssl/evp.h>
#include <openssl/opensslv.h>
#include <openssl/rand.h>

#include <atomic>
#include <memory>
#include <mutex>

namespace {

#define BREVIA_TEXT_OF(x) #x
#define BREVIA_TEXT(x) BREVIA_TEXT_OF(x)

// The crypto library is loaded when the first encrypted document needs it: most documents are
// not encrypted, and linking it costs every run its start-up relocations.
struct CryptoApi {
  decltype(&::EVP_CIPHER_CTX_new) cipherNew = nullptr;
  decltype(&::EVP_CIPHER_CTX_free) cipherFree = nullptr;
  decltype(&::EVP_CipherInit_ex) cipherInit = nullptr;
  decltype(&::EVP_CIPHER_CTX_set_padding) setPadding = nullptr;
  decltype(&::EVP_CipherUpdate) cipherUpdate = nullptr;
  decltype(&::EVP_CipherFinal_ex) cipherFinal = nullptr;
  decltype(&::EVP_aes_128_cbc) aes128cbc = nullptr;
  decltype(&::EVP_aes_128_ecb) aes128ecb = nullptr;
  decltype(&::EVP_aes_192_cbc) aes192cbc = nullptr;
  decltype(&::EVP_aes_192_ecb) aes192ecb = nullptr;
  decltype(&::EVP_aes_256_cbc) aes256cbc = nullptr;
  decltype(&::EVP_aes_256_ecb) aes256ecb = nullptr;
  decltype(&::EVP_sha256) sha256 = nullptr;
  decltype(&::EVP_sha384) sha384 = nullptr;
  decltype(&::EVP_sha512) sha512 = nullptr;
  decltype(&::EVP_Digest) digest = nullptr;
  decltype(&::RAND_bytes) randomBytes = nullptr;
  bool loaded = false;
};

constexpr const char* kLibraryName = "libcrypto.so." BREVIA_TEXT(OPENSSL_VERSION_MAJOR);

std::atomic<bool> g_pretendMissing{false};

template <typename F>
bool bind(void* library, const char* name, F& out) {
  out = reinterpret_cast<F>(::dlsym(library, name));
  return out != nullptr;
}

// Without the library every operation fails as a refused key does.
const CryptoApi& loadedCrypto() {
  static CryptoApi api;
  static std::once_flag once;
  std::call_once(once, [] {
    void* library = ::dlopen(kLibraryName, RTLD_NOW | RTLD_LOCAL);
    if (!library) return;
    CryptoApi a;
    if (bind(library, "EVP_CIPHER_CTX_new", a.cipherNew) &&
        bind(library, "EVP_CIPHER_CTX_free", a.cipherFree) &&
        bind(library, "EVP_CipherInit_ex", a.cipherInit) &&
        bind(library, "EVP_CIPHER_CTX_set_padding", a.setPadding) &&
        bind(library, "EVP_CipherUpdate", a.cipherUpdate) &&
        bind(library, "EVP_CipherFinal_ex", a.cipherFinal) &&
        bind(library, "EVP_aes_128_cbc", a.aes128cbc) &&
        bind(library, "EVP_aes_128_ecb", a.aes128ecb) &&
        bind(library, "EVP_aes_192_cbc", a.aes192cbc) &&
        bind(library, "EVP_aes_192_ecb", a.aes192ecb) &&
        bind(library, "EVP_aes_256_cbc", a.aes256cbc) &&
        bind(library, "EVP_aes_256_ecb", a.aes256ecb) && bind(library, "EVP_sha256", a.sha256) &&
        bind(library, "EVP_sha384", a.sha384) && bind(library, "EVP_sha512", a.sha512) &&
        bind(library, "EVP_Digest", a.digest) && bind(library, "RAND_bytes", a.randomBytes)) {
      a.loaded = true;
      api = a;
    }
    // The library stays loaded for the life of the process, as a linked one would.
  });
  return api;
}

const CryptoApi& crypto() {
  static const CryptoApi missing;
  return g_pretendMissing.load(std::memory_order_relaxed) ? missing : loadedCrypto();
}

}  // namespace

namespace CryptoLibrary {

const char* fileName() { return kLibraryName; }

bool available() { return crypto().loaded; }

void pretendMissing(bool missing) { g_pretendMissing.store(missing, std::memory_order_relaxed); }

}  // namespace CryptoLibrary

namespace Aes {

namespace {

struct ContextDeleter {
  void operator()(EVP_CIPHER_CTX* c) const { crypto().cipherFree(c); }
};

const EVP_CIPHER* cipherFor(std::size_t keyBytes, bool cbc) {
  const CryptoApi& c = crypto();
  if (!c.loaded) return nullptr;
  if (keyBytes == 16) return cbc ? c.aes128cbc() : c.aes128ecb();
  if (keyBytes == 24) return cbc ? c.aes192cbc() : c.aes192ecb();
  if (keyBytes == 32) return cbc ? c.aes256cbc() : c.aes256ecb();
  return nullptr;
}

// Whole blocks through the cipher, no padding; empty on any failure.
std::vector<uint8_t> run(std::span<const uint8_t> key, const uint8_t* iv,
                         std::span<const uint8_t> data, bool cbc, bool encrypt) {
  std::vector<uint8_t> out;
  const EVP_CIPHER* cipher = cipherFor(key.size(), cbc);
  const std::size_t length = data.size() - data.size() % kBlockBytes;
  if (!cipher || length == 0) return out;
  const CryptoApi& c = crypto();
  std::unique_ptr<EVP_CIPHER_CTX, ContextDeleter> context(c.cipherNew());
  if (!context) return out;
  if (c.cipherInit(context.get(), cipher, nullptr, key.data(), iv, encrypt ? 1 : 0) != 1)
    return out;
  c.setPadding(context.get(), 0);
  out.resize(length + kBlockBytes);
  int written = 0, last = 0;
  // Inputs stay below 2 GiB (stored streams are cut at 1 GiB), so one call takes them whole.
  if (c.cipherUpdate(context.get(), out.data(), &written, data.data(), static_cast<int>(length)) !=
          1 ||
      c.cipherFinal(context.get(), out.data() + written, &last) != 1) {
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

std::optional<std::string> encryptWithFreshIv(std::span<const uint8_t> key,
                                              std::span<const uint8_t> data) {
  const CryptoApi& c = crypto();
  if (!c.loaded || !cipherFor(key.size(), true)) return std::nullopt;
  std::array<uint8_t, kBlockBytes> iv{};
  if (c.randomBytes(iv.data(), static_cast<int>(iv.size())) != 1) return std::nullopt;
  // Padding as in PKCS #7: always at least one byte, a whole block when the data fills its last.
  std::vector<uint8_t> padded(data.begin(), data.end());
  const uint8_t pad = static_cast<uint8_t>(kBlockBytes - data.size() % kBlockBytes);
  padded.insert(padded.end(), pad, pad);
  const std::vector<uint8_t> encrypted = run(key, iv.data(), padded, true, true);
  if (encrypted.size() != padded.size()) return std::nullopt;
  std::string out(iv.begin(), iv.end());
  out.append(encrypted.begin(), encrypted.end());
  return out;
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
  const CryptoApi& c = crypto();
  if (!c.loaded) return {};
  const EVP_MD* md = bits == 512 ? c.sha512() : bits == 384 ? c.sha384() : c.sha256();
  std::vector<uint8_t> out(EVP_MAX_MD_SIZE);
  unsigned int length = 0;
  if (c.digest(data.data(), data.size(), out.data(), &length, md, nullptr) != 1) length = 0;
  out.resize(length);
  return out;
}

}  // namespace Sha2
