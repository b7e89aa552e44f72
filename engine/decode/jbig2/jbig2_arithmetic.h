#pragma once
// The adaptive binary arithmetic decoder and the integer and symbol-identifier decoders built
// on it.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "engine/decode/mq_probability_table.h"

// What decoding in a context needs, by context byte: its probability estimate, its more
// probable symbol and the context bytes after either outcome.
struct Jbig2Transition {
  uint32_t qe;
  uint8_t mps, onMps, onLps;
};
struct Jbig2TransitionTable {
  Jbig2Transition t[94];
};
extern const Jbig2TransitionTable kJbig2Transitions;

// A context is one byte: the probability state index times two plus the more probable symbol.
class Jbig2ArithDecoder {
 public:
  Jbig2ArithDecoder(const uint8_t* data, std::size_t size);

  inline int decode(uint8_t& cx) {
    const Jbig2Transition& t = kJbig2Transitions.t[cx];
    const uint32_t qe = t.qe;
    int d;
    a_ -= qe;
    if ((c_ >> 16) < qe) {
      if (a_ < qe) {
        d = t.mps;
        cx = t.onMps;
      } else {
        d = t.mps ^ 1;
        cx = t.onLps;
      }
      a_ = qe;
      renormalise();
    } else {
      c_ -= qe << 16;
      if ((a_ & 0x8000) == 0) {
        if (a_ < qe) {
          d = t.mps ^ 1;
          cx = t.onLps;
        } else {
          d = t.mps;
          cx = t.onMps;
        }
        renormalise();
      } else {
        d = t.mps;
      }
    }
    return d;
  }

  // Bytes read so far (the position of the next unread byte).
  std::size_t position() const { return static_cast<std::size_t>(p_ - begin_); }
  // Bytes the decoder had to invent past the end of its data.
  uint32_t paddingReads() const { return padding_; }

 private:
  inline uint32_t byteAt(const uint8_t* p) {
    if (p < end_) return *p;
    ++padding_;
    return 0xFF;
  }
  inline void byteIn() {
    if (byteAt(p_) == 0xFF) {
      const uint32_t b1 = byteAt(p_ + 1);
      if (b1 > 0x8F) {
        c_ += 0xFF00;
        ct_ = 8;
      } else {
        ++p_;
        c_ += b1 << 9;
        ct_ = 7;
      }
    } else {
      ++p_;
      c_ += byteAt(p_) << 8;
      ct_ = 8;
    }
  }
  // Shifts until A is at least 0x8000 again, several bits at a time when the byte in hand
  // allows, reading a byte whenever the count runs out (as the bit-at-a-time procedure does).
  inline void renormalise() {
    const int shift = __builtin_clz(a_) - 16;
    if (shift < ct_) {
      a_ <<= shift;
      c_ <<= shift;
      ct_ -= shift;
      return;
    }
    do {
      if (ct_ == 0) byteIn();
      a_ <<= 1;
      c_ <<= 1;
      --ct_;
    } while ((a_ & 0x8000) == 0);
  }

  const uint8_t* begin_;
  const uint8_t* p_;
  const uint8_t* end_;
  uint32_t c_ = 0, a_ = 0;
  int ct_ = 0;
  uint32_t padding_ = 0;
};

// The integer decoders (IADH, IADW, IAFS, ...): 512 contexts each.
class Jbig2IntDecoder {
 public:
  Jbig2IntDecoder() : cx_(512, 0) {}
  // False for the out-of-band value (and for values outside 32 bits).
  bool decode(Jbig2ArithDecoder& decoder, int32_t& value);
  void reset() { std::fill(cx_.begin(), cx_.end(), 0); }

 private:
  std::vector<uint8_t> cx_;
};

// The symbol identifier decoder (IAID) for codes of a fixed length.
class Jbig2IdDecoder {
 public:
  explicit Jbig2IdDecoder(int codeLength = 0)
      : length_(codeLength), cx_(std::size_t{1} << codeLength, 0) {}
  uint32_t decode(Jbig2ArithDecoder& decoder);

 private:
  int length_;
  std::vector<uint8_t> cx_;
};
