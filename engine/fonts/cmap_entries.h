#pragma once
// The entries of a CMap: source codes and code ranges, with their CID or Unicode destinations.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace CMaps {

// Codes are one to four bytes long; longer source strings in a CMap are ignored.
inline constexpr int kMaxCodeBytes = 4;

// The bytes of a code read as a big-endian number.
inline uint32_t codeValue(const uint8_t* bytes, int length) {
  uint32_t value = 0;
  for (int i = 0; i < length; ++i) value = (value << 8) | bytes[i];
  return value;
}

// A single source code.
struct CSChar {
  std::array<uint8_t, kMaxCodeBytes> bytes{};
  uint8_t length = 0;

  // Takes the bytes of a string; false when it is empty or longer than kMaxCodeBytes.
  bool assign(std::string_view code);
  bool equals(const uint8_t* code, int codeLength) const;
};

// A source range: every byte of a code lies between the bytes of low and high at its place.
struct CSRange {
  std::array<uint8_t, kMaxCodeBytes> low{};
  std::array<uint8_t, kMaxCodeBytes> high{};
  uint8_t length = 0;

  // Takes the bounds; false when they are empty or longer than kMaxCodeBytes. The caller has
  // checked that both have the same length.
  bool assign(std::string_view lowCode, std::string_view highCode);
  // True when codeLength equals the range's length and each byte is within its bounds.
  bool contains(const uint8_t* code, int codeLength) const;
  // code - low, byte by byte in base 256, kept to 16 bits. Only meaningful when contained.
  uint16_t offsetOf(const uint8_t* code) const;
};

// A code mapped to UTF-16BE bytes.
struct BFChar : CSChar {
  std::string destination;
};

// A range mapped either to one destination whose last unit counts up along the range (Single),
// or to one destination per code (Array).
struct BFRange : CSRange {
  enum class Mode { Single, Array };
  Mode mode = Mode::Single;
  // One string in Single mode; one per code, in order, in Array mode (non-strings are empty).
  std::vector<std::string> destinations;
};

// A code mapped to a CID.
struct CIDChar : CSChar {
  uint16_t cid = 0;
};

// A range mapped to consecutive CIDs starting at cid (also used for notdef ranges, where every
// code of the range maps to cid itself).
struct CIDRange : CSRange {
  uint16_t cid = 0;
};

}  // namespace CMaps
