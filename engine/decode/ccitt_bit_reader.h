#pragma once
// Reads fax data most significant bit first through a 64-bit window. Past the end of the input
// the window fills with zero bits, which start no valid code, so decoding always stops soon
// after the data runs out; pastEnd() tells whether anything beyond the data was used.

#include <cstddef>
#include <cstdint>

class CcittBitReader {
 public:
  CcittBitReader(const uint8_t* data, std::size_t size) : data_(data), size_(size) { refill(); }

  // The next n bits (1..32) as the low bits of the result.
  uint32_t peek(int n) const { return static_cast<uint32_t>(window_ >> (64 - n)); }

  void skip(int n) {
    window_ <<= n;
    available_ -= n;
    if (available_ < 32) refill();
  }

  // Drops the rest of the current byte; returns whether the dropped bits were all zero and
  // sets count to how many there were.
  bool alignToByte(int& count) {
    count =
        static_cast<int>(consumedBits() & 7) == 0 ? 0 : 8 - static_cast<int>(consumedBits() & 7);
    const bool zero = count == 0 || peek(count) == 0;
    if (count) skip(count);
    return zero;
  }

  // Bits consumed from the start of the data (may exceed 8 * size after reading past its end).
  uint64_t consumedBits() const { return nextByte_ * 8 - static_cast<uint64_t>(available_); }
  bool pastEnd() const { return consumedBits() > static_cast<uint64_t>(size_) * 8; }
  bool atEnd() const { return consumedBits() >= static_cast<uint64_t>(size_) * 8; }
  std::size_t size() const { return size_; }

  // Skips whole zero bytes quickly and zero bits one by one until a one bit or the end of the
  // data; returns how many zero bits were skipped. Used to find the next end-of-line code.
  uint64_t skipZeros() {
    uint64_t zeros = 0;
    while (!atEnd()) {
      if (window_ == 0) {
        // The whole window is zero: drop it at once (keeps long zero runs linear and fast).
        const int n = available_ > 32 ? 32 : available_;
        skip(n);
        zeros += static_cast<uint64_t>(n);
        continue;
      }
      const int lead = __builtin_clzll(window_);
      if (lead == 0) break;
      skip(lead);
      zeros += static_cast<uint64_t>(lead);
    }
    return zeros;
  }

  // Skips one bits up to the next zero bit or the end of the data.
  void skipOnes() {
    while (!atEnd()) {
      const int lead = __builtin_clzll(~window_);
      if (lead == 0) break;
      skip(lead > 32 ? 32 : lead);
    }
  }

 private:
  void refill() {
    // Whole 32-bit words while they last, then single bytes, then zeros.
    if (available_ <= 32 && nextByte_ + 4 <= size_) {
      const uint8_t* p = data_ + nextByte_;
      const uint64_t word =
          (uint64_t{p[0]} << 24) | (uint64_t{p[1]} << 16) | (uint64_t{p[2]} << 8) | p[3];
      window_ |= word << (32 - available_);
      available_ += 32;
      nextByte_ += 4;
      return;
    }
    while (available_ <= 56) {
      const uint64_t byte = nextByte_ < size_ ? data_[nextByte_] : 0;
      window_ |= byte << (56 - available_);
      available_ += 8;
      ++nextByte_;
    }
  }

  const uint8_t* data_;
  std::size_t size_;
  std::size_t nextByte_ = 0;
  uint64_t window_ = 0;  // unread bits, left-aligned
  int available_ = 0;    // valid bits in window_
};
