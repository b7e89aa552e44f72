#include "engine/decode/jbig2/jbig2_arithmetic.h"

#include <algorithm>

namespace {

constexpr Jbig2TransitionTable makeTransitions() {
  Jbig2TransitionTable table{};
  for (int i = 0; i < kMqStates; ++i)
    for (int mps = 0; mps < 2; ++mps) {
      const MqQeEntry& e = kMqQe[i];
      auto& t = table.t[i * 2 + mps];
      t.qe = e.qe;
      t.mps = static_cast<uint8_t>(mps);
      t.onMps = static_cast<uint8_t>(e.nmps << 1 | mps);
      t.onLps = static_cast<uint8_t>(e.nlps << 1 | (mps ^ e.switchMps));
    }
  return table;
}

}  // namespace

constexpr Jbig2TransitionTable kJbig2Transitions = makeTransitions();

Jbig2ArithDecoder::Jbig2ArithDecoder(const uint8_t* data, std::size_t size)
    : begin_(data), p_(data), end_(data + size) {
  c_ = byteAt(p_) << 16;
  byteIn();
  c_ <<= 7;
  ct_ -= 7;
  a_ = 0x8000;
}

bool Jbig2IntDecoder::decode(Jbig2ArithDecoder& decoder, int32_t& value) {
  uint32_t prev = 1;
  auto bit = [&]() {
    const int d = decoder.decode(cx_[prev]);
    prev = prev < 256 ? (prev << 1 | d) : (((prev << 1 | d) & 511) | 256);
    return d;
  };
  auto bits = [&](int n) {
    uint32_t v = 0;
    for (int i = 0; i < n; ++i) v = v << 1 | bit();
    return v;
  };
  const int sign = bit();
  int64_t v;
  if (!bit())
    v = bits(2);
  else if (!bit())
    v = bits(4) + 4;
  else if (!bit())
    v = bits(6) + 20;
  else if (!bit())
    v = bits(8) + 84;
  else if (!bit())
    v = bits(12) + 340;
  else
    v = int64_t{bits(32)} + 4436;
  if (sign && v == 0) return false;
  if (v > INT32_MAX) return false;
  value = static_cast<int32_t>(sign ? -v : v);
  return true;
}

uint32_t Jbig2IdDecoder::decode(Jbig2ArithDecoder& decoder) {
  uint32_t prev = 1;
  for (int i = 0; i < length_; ++i) prev = prev << 1 | decoder.decode(cx_[prev]);
  return prev - (uint32_t{1} << length_);
}
