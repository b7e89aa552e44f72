#include "engine/document/md5.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr std::array<uint32_t, 64> kSineTable = {
    0xd76aa478, 0xe8c7b756, 0x242070db, 0xc1bdceee, 0xf57c0faf, 0x4787c62a, 0xa8304613, 0xfd469501,
    0x698098d8, 0x8b44f7af, 0xffff5bb1, 0x895cd7be, 0x6b901122, 0xfd987193, 0xa679438e, 0x49b40821,
    0xf61e2562, 0xc040b340, 0x265e5a51, 0xe9b6c7aa, 0xd62f105d, 0x02441453, 0xd8a1e681, 0xe7d3fbc8,
    0x21e1cde6, 0xc33707d6, 0xf4d50d87, 0x455a14ed, 0xa9e3e905, 0xfcefa3f8, 0x676f02d9, 0x8d2a4c8a,
    0xfffa3942, 0x8771f681, 0x6d9d6122, 0xfde5380c, 0xa4beea44, 0x4bdecfa9, 0xf6bb4b60, 0xbebfbc70,
    0x289b7ec6, 0xeaa127fa, 0xd4ef3085, 0x04881d05, 0xd9d4d039, 0xe6db99e5, 0x1fa27cf8, 0xc4ac5665,
    0xf4292244, 0x432aff97, 0xab9423a7, 0xfc93a039, 0x655b59c3, 0x8f0ccc92, 0xffeff47d, 0x85845dd1,
    0x6fa87e4f, 0xfe2ce6e0, 0xa3014314, 0x4e0811a1, 0xf7537e82, 0xbd3af235, 0x2ad7d2bb, 0xeb86d391,
};

// Left-rotation amounts: four per round, repeated over the round's sixteen steps.
constexpr std::array<int, 16> kShifts = {7, 12, 17, 22, 5, 9, 14, 20, 4, 11, 16, 23, 6, 10, 15, 21};

constexpr uint32_t rotateLeft(uint32_t x, int n) { return (x << n) | (x >> (32 - n)); }

}  // namespace

void Md5::reset() {
  state_ = {0x67452301, 0xefcdab89, 0x98badcfe, 0x10325476};
  buffered_ = 0;
  totalBytes_ = 0;
}

void Md5::transform(const uint8_t* block) {
  uint32_t m[16];
  for (int i = 0; i < 16; ++i) {
    m[i] = uint32_t(block[i * 4]) | uint32_t(block[i * 4 + 1]) << 8 |
           uint32_t(block[i * 4 + 2]) << 16 | uint32_t(block[i * 4 + 3]) << 24;
  }
  uint32_t a = state_[0], b = state_[1], c = state_[2], d = state_[3];
  for (int i = 0; i < 64; ++i) {
    uint32_t f;
    int g;
    switch (i / 16) {
      case 0:
        f = (b & c) | (~b & d);
        g = i;
        break;
      case 1:
        f = (d & b) | (~d & c);
        g = (5 * i + 1) % 16;
        break;
      case 2:
        f = b ^ c ^ d;
        g = (3 * i + 5) % 16;
        break;
      default:
        f = c ^ (b | ~d);
        g = (7 * i) % 16;
        break;
    }
    uint32_t next = b + rotateLeft(a + f + kSineTable[i] + m[g], kShifts[(i / 16) * 4 + i % 4]);
    a = d;
    d = c;
    c = b;
    b = next;
  }
  state_[0] += a;
  state_[1] += b;
  state_[2] += c;
  state_[3] += d;
}

void Md5::update(std::span<const uint8_t> data) {
  totalBytes_ += data.size();
  std::size_t pos = 0;
  if (buffered_ > 0) {
    std::size_t take = std::min(kBlockSize - buffered_, data.size());
    std::memcpy(buffer_.data() + buffered_, data.data(), take);
    buffered_ += take;
    pos = take;
    if (buffered_ < kBlockSize) return;
    transform(buffer_.data());
    buffered_ = 0;
  }
  for (; data.size() - pos >= kBlockSize; pos += kBlockSize) transform(data.data() + pos);
  buffered_ = data.size() - pos;
  if (buffered_ > 0) std::memcpy(buffer_.data(), data.data() + pos, buffered_);
}

void Md5::update(std::string_view data) {
  update(std::span(reinterpret_cast<const uint8_t*>(data.data()), data.size()));
}

Md5::Digest Md5::final() {
  uint64_t bitLength = totalBytes_ * 8;
  // Pad with 0x80 and zeros up to 56 bytes into a block, then the length in bits.
  std::array<uint8_t, kBlockSize + 8> padding{};
  padding[0] = 0x80;
  std::size_t padBytes = buffered_ < 56 ? 56 - buffered_ : kBlockSize + 56 - buffered_;
  for (int i = 0; i < 8; ++i) padding[padBytes + i] = uint8_t(bitLength >> (8 * i));
  update(std::span<const uint8_t>(padding.data(), padBytes + 8));

  Digest digest;
  for (int i = 0; i < 4; ++i) {
    for (int k = 0; k < 4; ++k) digest[i * 4 + k] = uint8_t(state_[i] >> (8 * k));
  }
  reset();
  return digest;
}

Md5::Digest md5(std::span<const uint8_t> data) {
  Md5 hash;
  hash.update(data);
  return hash.final();
}

Md5::Digest md5(std::string_view data) {
  Md5 hash;
  hash.update(data);
  return hash.final();
}
