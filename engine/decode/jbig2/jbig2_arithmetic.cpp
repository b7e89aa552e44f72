#include "engine/decode/jbig2/jbig2_arithmetic.h"

#include <algorithm>

constexpr Jbig2QeEntry kJbig2Qe[47] = {
    {0x5601, 1, 1, 1},   {0x3401, 2, 6, 0},   {0x1801, 3, 9, 0},   {0x0AC1, 4, 12, 0},
    {0x0521, 5, 29, 0},  {0x0221, 38, 33, 0}, {0x5601, 7, 6, 1},   {0x5401, 8, 14, 0},
    {0x4801, 9, 14, 0},  {0x3801, 10, 14, 0}, {0x3001, 11, 17, 0}, {0x2401, 12, 18, 0},
    {0x1C01, 13, 20, 0}, {0x1601, 29, 21, 0}, {0x5601, 15, 14, 1}, {0x5401, 16, 14, 0},
    {0x5101, 17, 15, 0}, {0x4801, 18, 16, 0}, {0x3801, 19, 17, 0}, {0x3401, 20, 18, 0},
    {0x3001, 21, 19, 0}, {0x2801, 22, 19, 0}, {0x2401, 23, 20, 0}, {0x2201, 24, 21, 0},
    {0x1C01, 25, 22, 0}, {0x1801, 26, 23, 0}, {0x1601, 27, 24, 0}, {0x1401, 28, 25, 0},
    {0x1201, 29, 26, 0}, {0x1101, 30, 27, 0}, {0x0AC1, 31, 28, 0}, {0x09C1, 32, 29, 0},
    {0x08A1, 33, 30, 0}, {0x0521, 34, 31, 0}, {0x0441, 35, 32, 0}, {0x02A1, 36, 33, 0},
    {0x0221, 37, 34, 0}, {0x0141, 38, 35, 0}, {0x0111, 39, 36, 0}, {0x0085, 40, 37, 0},
    {0x0049, 41, 38, 0}, {0x0025, 42, 39, 0}, {0x0015, 43, 40, 0}, {0x0009, 44, 41, 0},
    {0x0005, 45, 42, 0}, {0x0001, 45, 43, 0}, {0x5601, 46, 46, 0},
};

namespace {

constexpr Jbig2TransitionTable makeTransitions() {
  Jbig2TransitionTable table{};
  for (int i = 0; i < 47; ++i)
    for (int mps = 0; mps < 2; ++mps) {
      const Jbig2QeEntry& e = kJbig2Qe[i];
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
