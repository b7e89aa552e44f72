#pragma once
// Lookup tables for the fax run-length and two-dimensional mode codes. Each table is indexed by
// the next few input bits (most significant first) and gives the code's value and length, so a
// code is found with one look-up instead of a walk bit by bit.

#include <cstdint>

// Bits that start no code.
inline constexpr int16_t kCcittNoCode = -1;
// Eleven zeros and a one: the end-of-line code.
inline constexpr int16_t kCcittEol = -2;

struct CcittCode {
  int16_t value = kCcittNoCode;  // run length, mode, or one of the markers above
  uint8_t bits = 0;              // code length; 0 for an invalid entry
};

// Two-dimensional modes. A vertical mode's value is its offset from b1 (VL3 -3 ... VR3 3).
enum CcittMode : int16_t {
  kModeMaxVertical = 3,
  kModePass = 10,
  kModeHorizontal = 11,
  kModeExtension = 12,  // 0000001xxx: uncompressed mode and the like, which we do not decode
};

// Index widths: white codes are at most 12 bits, black codes 13, mode codes 7 (longer mode
// prefixes are all zeros and handled by the caller).
inline constexpr int kWhiteLookupBits = 12;
inline constexpr int kBlackLookupBits = 13;
inline constexpr int kModeLookupBits = 7;

// Values below 64 are terminating codes; 64 and above are make-up codes (a terminating code
// follows).
const CcittCode* ccittWhiteTable();  // 1 << kWhiteLookupBits entries
const CcittCode* ccittBlackTable();  // 1 << kBlackLookupBits entries
const CcittCode* ccittModeTable();   // 1 << kModeLookupBits entries
