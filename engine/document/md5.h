#pragma once
// MD5 message digest (RFC 1321), used by the standard security handler.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

class Md5 {
 public:
  static constexpr std::size_t kDigestSize = 16;
  using Digest = std::array<uint8_t, kDigestSize>;

  Md5() { reset(); }

  void update(std::span<const uint8_t> data);
  void update(std::string_view data);
  // Finishes the message and returns its digest; the object then starts a new message.
  Digest final();

 private:
  static constexpr std::size_t kBlockSize = 64;

  void reset();
  void transform(const uint8_t* block);

  std::array<uint32_t, 4> state_{};
  std::array<uint8_t, kBlockSize> buffer_{};
  std::size_t buffered_ = 0;
  uint64_t totalBytes_ = 0;
};

// Digest of one whole message.
Md5::Digest md5(std::span<const uint8_t> data);
Md5::Digest md5(std::string_view data);
