#include "engine/decode/dct_decoder.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <new>
#include <stdexcept>

namespace {

// Samples of one decoded image, whatever the caller allows: a small file never claims more.
constexpr std::size_t kMaxDctImageBytes = std::size_t{256} << 20;
constexpr int kMaxComponents = 4;
constexpr int kMaxSamplingFactor = 4;
constexpr int kTableSlots = 4;  // quantisation and Huffman tables per class
// Marker segments and scans one file may hold; real files use a few dozen.
constexpr int kMaxMarkerSegments = 1 << 20;
constexpr int kMaxScans = 1 << 16;
// Dequantised coefficients are clamped to this magnitude: real 8-bit data stays below 2048,
// and the bound keeps the integer IDCT's first pass inside 32 bits.
constexpr int kMaxDequantised = 8192;
constexpr int kMaxSuccessiveApprox = 13;
constexpr int kLookBits = 9;  // Huffman lookahead

constexpr std::array<uint8_t, 64> makeZigzag() {
  std::array<uint8_t, 64> order{};
  int n = 0;
  for (int s = 0; s < 15; ++s) {
    const int lo = std::max(0, s - 7), hi = std::min(s, 7);
    if (s % 2 == 0) {
      for (int row = hi; row >= lo; --row) order[n++] = static_cast<uint8_t>(row * 8 + s - row);
    } else {
      for (int row = lo; row <= hi; ++row) order[n++] = static_cast<uint8_t>(row * 8 + s - row);
    }
  }
  return order;
}
// Zigzag position -> natural (row-major) position.
constexpr std::array<uint8_t, 64> kZigzag = makeZigzag();

inline uint8_t clampByte(int v) { return static_cast<uint8_t>(v < 0 ? 0 : (v > 255 ? 255 : v)); }

// ---------------------------------------------------------------------------------------------
// Entropy-coded data reader: bits are kept left-aligned in a 64-bit accumulator. At a marker or
// at the end of the input it feeds zero bits, leaving the position on the marker.

struct BitReader {
  const uint8_t* data = nullptr;
  std::size_t size = 0;
  std::size_t pos = 0;
  uint64_t acc = 0;
  int bits = 0;
  bool stopped = false;
  uint64_t padBits = 0;  // zero bits fed after the data stopped

  void reset() {
    acc = 0;
    bits = 0;
    stopped = false;
    padBits = 0;
  }

  // Padding sits below every real bit, so once more was fed than is left, some was decoded.
  bool exhausted() const { return padBits > static_cast<uint64_t>(bits); }

  void refill() {
    if (!stopped && pos + 8 <= size) {
      uint64_t word = 0;
      for (int i = 0; i < 8; ++i) word = (word << 8) | data[pos + i];
      // Whole words without an FFh byte (no stuffing, no marker) go in at once.
      const uint64_t inv = ~word;
      if (((inv - 0x0101010101010101ull) & ~inv & 0x8080808080808080ull) == 0) {
        const int n = (63 - bits) >> 3;
        acc |= (word >> (64 - 8 * n)) << (64 - bits - 8 * n);
        bits += 8 * n;
        pos += static_cast<std::size_t>(n);
        return;
      }
    }
    refillSlow();
  }

  void refillSlow() {
    while (bits <= 56) {
      if (stopped) {
        padBits += static_cast<uint64_t>(64 - bits);
        bits = 64;  // the low bits are already zero
        return;
      }
      if (pos >= size) {
        stopped = true;
        continue;
      }
      const uint8_t b = data[pos];
      if (b == 0xFF) {
        if (pos + 1 >= size || data[pos + 1] != 0) {
          stopped = true;
          continue;
        }
        pos += 2;
      } else {
        ++pos;
      }
      acc |= uint64_t{b} << (56 - bits);
      bits += 8;
    }
  }

  // At least 32 bits: one Huffman code plus its magnitude bits.
  void ensure() {
    if (bits < 32) refill();
  }
  uint32_t peek(int n) const { return static_cast<uint32_t>(acc >> (64 - n)); }
  void skip(int n) {
    acc <<= n;
    bits -= n;
  }
  uint32_t get(int n) {
    const uint32_t v = peek(n);
    skip(n);
    return v;
  }
  uint32_t getBit() {
    if (bits < 1) refill();
    return get(1);
  }
  // n in 1..15: the next n bits as a signed magnitude value.
  int receiveExtend(int n) {
    const int v = static_cast<int>(get(n));
    return v < (1 << (n - 1)) ? v - (1 << n) + 1 : v;
  }
};

// ---------------------------------------------------------------------------------------------

struct HuffTable {
  bool defined = false;
  uint8_t maxSymbol = 0;
  std::array<uint16_t, 1 << kLookBits> look{};   // (length << 8) | symbol; 0: longer code
  std::array<int32_t, 1 << kLookBits> fastAc{};  // (value << 16) | (run << 8) | total length
  std::array<int32_t, 18> maxCode{};             // exclusive bound per length, 16-bit aligned
  std::array<int32_t, 17> valueOffset{};
  std::array<uint8_t, 256> values{};

  bool build(const uint8_t* counts, const uint8_t* symbols, int total) {
    look.fill(0);
    fastAc.fill(0);
    values.fill(0);
    std::copy(symbols, symbols + total, values.begin());
    maxSymbol = 0;
    for (int i = 0; i < total; ++i) maxSymbol = std::max(maxSymbol, symbols[i]);
    int code = 0, index = 0;
    for (int len = 1; len <= 16; ++len) {
      const int count = counts[len - 1];
      valueOffset[len] = index - code;
      if (code + count > (1 << len)) return false;
      for (int i = 0; i < count; ++i, ++code, ++index) {
        if (len > kLookBits) continue;
        const int shift = kLookBits - len;
        for (int fill = 0; fill < (1 << shift); ++fill)
          look[static_cast<std::size_t>((code << shift) | fill)] =
              static_cast<uint16_t>((len << 8) | symbols[index]);
      }
      maxCode[len] = code << (16 - len);
      code <<= 1;
    }
    maxCode[17] = 1 << 17;
    for (int p = 0; p < (1 << kLookBits); ++p) {
      const int entry = look[p];
      if (!entry) continue;
      const int len = entry >> 8, run = (entry >> 4) & 15, s = entry & 15;
      if (s == 0 || len + s > kLookBits) continue;
      int v = (p >> (kLookBits - len - s)) & ((1 << s) - 1);
      if (v < (1 << (s - 1))) v += 1 - (1 << s);
      fastAc[p] = v * 65536 + (run << 8) + len + s;
    }
    defined = true;
    return true;
  }

  // Needs at least 16 bits in the reader.
  int decode(BitReader& br) const {
    const uint16_t entry = look[br.peek(kLookBits)];
    if (entry) {
      br.skip(entry >> 8);
      return entry & 0xFF;
    }
    const int32_t c16 = static_cast<int32_t>(br.peek(16));
    for (int len = kLookBits + 1; len <= 16; ++len) {
      if (c16 < maxCode[len]) {
        br.skip(len);
        return values[static_cast<std::size_t>(((c16 >> (16 - len)) + valueOffset[len]) & 0xFF)];
      }
    }
    br.skip(16);  // no such code: corrupt data
    return 0;
  }
};

// ---------------------------------------------------------------------------------------------
// 8x8 inverse DCT: separable integer Loeffler-Ligtenberg-Moschytz factorisation with 13-bit
// constants, columns first, all in 32 bits. Every intermediate is a linear form of the eight
// inputs whose coefficient magnitudes add up to at most 61,214 (times 2^13 scaling included), so
// inputs within kMaxDequantised keep the column pass in range, and column results clamped to
// kMaxColumnValue keep the row pass in range. Real data stays far inside both bounds.

constexpr int kConstBits = 13;
constexpr int kPass1Bits = 2;
constexpr int32_t kMaxColumnValue = 32768;
constexpr int32_t fix(double x) { return static_cast<int32_t>(x * (1 << kConstBits) + 0.5); }
constexpr int32_t kF0298 = fix(0.298631336), kF0390 = fix(0.390180644), kF0541 = fix(0.541196100),
                  kF0765 = fix(0.765366865), kF0899 = fix(0.899976223), kF1175 = fix(1.175875602),
                  kF1501 = fix(1.501321110), kF1847 = fix(1.847759065), kF1961 = fix(1.961570560),
                  kF2053 = fix(2.053119869), kF2562 = fix(2.562915447), kF3072 = fix(3.072711026);

template <typename T>
struct Idct1d {
  // Even inputs x0, x2, x4, x6 and odd inputs x1, x3, x5, x7; out[i] before descaling.
  static inline void run(T x0, T x1, T x2, T x3, T x4, T x5, T x6, T x7, T bias, T* out) {
    const T e1 = (x2 + x6) * kF0541;
    const T e2 = e1 - x6 * kF1847;
    const T e3 = e1 + x2 * kF0765;
    const T e0 = (x0 + x4) * (T{1} << kConstBits) + bias;
    const T e1b = (x0 - x4) * (T{1} << kConstBits) + bias;
    const T t10 = e0 + e3, t13 = e0 - e3, t11 = e1b + e2, t12 = e1b - e2;

    T o0 = x7, o1 = x5, o2 = x3, o3 = x1;
    T z1 = o0 + o3, z2 = o1 + o2, z3 = o0 + o2, z4 = o1 + o3;
    const T z5 = (z3 + z4) * kF1175;
    o0 *= kF0298;
    o1 *= kF2053;
    o2 *= kF3072;
    o3 *= kF1501;
    z1 *= -kF0899;
    z2 *= -kF2562;
    z3 = z3 * -kF1961 + z5;
    z4 = z4 * -kF0390 + z5;
    o0 += z1 + z3;
    o1 += z2 + z4;
    o2 += z2 + z3;
    o3 += z1 + z4;

    out[0] = t10 + o3;
    out[7] = t10 - o3;
    out[1] = t11 + o2;
    out[6] = t11 - o2;
    out[2] = t12 + o1;
    out[5] = t12 - o1;
    out[3] = t13 + o0;
    out[4] = t13 - o0;
  }
};

// in: dequantised coefficients, natural order, each within kMaxDequantised.
void idct8x8(const int16_t* in, uint8_t* dst, std::ptrdiff_t stride) {
  int32_t ws[64];
  constexpr int colShift = kConstBits - kPass1Bits;
  uint32_t range = 0;  // below 65536 while every column result lies within +-32768
  for (int c = 0; c < 8; ++c) {
    const int16_t* p = in + c;
    int32_t* w = ws + c;
    if ((p[8] | p[16] | p[24] | p[32] | p[40] | p[48] | p[56]) == 0) {
      const int32_t dc = p[0] * (1 << kPass1Bits);
      for (int r = 0; r < 8; ++r) w[r * 8] = dc;
      continue;
    }
    int32_t out[8];
    Idct1d<int32_t>::run(p[0], p[8], p[16], p[24], p[32], p[40], p[48], p[56], 1 << (colShift - 1),
                         out);
    for (int r = 0; r < 8; ++r) {
      w[r * 8] = out[r] >> colShift;
      range |= static_cast<uint32_t>(w[r * 8] + kMaxColumnValue);
    }
  }
  if (range > 2 * static_cast<uint32_t>(kMaxColumnValue)) {  // only corrupt data gets here
    for (int32_t& v : ws) v = std::clamp(v, -kMaxColumnValue, kMaxColumnValue);
  }
  constexpr int rowShift = kConstBits + kPass1Bits + 3;
  for (int r = 0; r < 8; ++r) {
    const int32_t* w = ws + r * 8;
    uint8_t* d = dst + r * stride;
    if ((w[1] | w[2] | w[3] | w[4] | w[5] | w[6] | w[7]) == 0) {
      const uint8_t v = clampByte(((w[0] + (1 << (kPass1Bits + 2))) >> (kPass1Bits + 3)) + 128);
      std::memset(d, v, 8);
      continue;
    }
    int32_t out[8];
    constexpr int32_t bias = (1 << (rowShift - 1)) + (128 << rowShift);
    Idct1d<int32_t>::run(w[0], w[1], w[2], w[3], w[4], w[5], w[6], w[7], bias, out);
    for (int i = 0; i < 8; ++i) d[i] = clampByte(out[i] >> rowShift);
  }
}

void fillBlock(int16_t dc, uint8_t* dst, std::ptrdiff_t stride, int size = 8) {
  const uint8_t v = clampByte(((dc + 4) >> 3) + 128);
  for (int r = 0; r < size; ++r) std::memset(dst + r * stride, v, static_cast<std::size_t>(size));
}

// The N x N means of 8 / N x 8 / N groups of the full transform, straight from the 64
// coefficients: a basis function's mean over a group is its value at the group's centre times a
// factor of its frequency, so each output is one sum over the coefficients.
template <int N>
void idctReduced(const int16_t* in, uint8_t* dst, std::ptrdiff_t stride) {
  static const std::array<std::array<float, 8>, N> basis = [] {
    constexpr int group = 8 / N;
    std::array<std::array<float, 8>, N> t{};
    for (int u = 0; u < 8; ++u) {
      double mean = 0;
      for (int j = 0; j < group; ++j) mean += std::cos((2 * j - (group - 1)) * u * M_PI / 16);
      mean /= group;
      for (int n = 0; n < N; ++n)
        t[n][u] = static_cast<float>((u == 0 ? std::sqrt(0.5) : 1.0) / 2 * mean *
                                     std::cos((2 * n + 1) * group * u * M_PI / 16));
    }
    return t;
  }();
  float rows[8][N];  // [coefficient row][output column]
  for (int v = 0; v < 8; ++v)
    for (int x = 0; x < N; ++x) {
      float sum = 0;
      for (int u = 0; u < 8; ++u) sum += basis[x][u] * in[v * 8 + u];
      rows[v][x] = sum;
    }
  for (int y = 0; y < N; ++y)
    for (int x = 0; x < N; ++x) {
      float sum = 128.5f;
      for (int v = 0; v < 8; ++v) sum += basis[y][v] * rows[v][x];
      dst[y * stride + x] = clampByte(static_cast<int>(std::floor(sum)));
    }
}

// One block at 8 / size samples a side: size 8 is the exact transform, 1 the DC term alone.
void idctBlock(const int16_t* in, uint8_t* dst, std::ptrdiff_t stride, int size) {
  switch (size) {
    case 8:
      idct8x8(in, dst, stride);
      return;
    case 4:
      idctReduced<4>(in, dst, stride);
      return;
    case 2:
      idctReduced<2>(in, dst, stride);
      return;
    default:
      fillBlock(in[0], dst, stride, 1);
  }
}

inline int16_t dequantise(int coef, int q) {
  return static_cast<int16_t>(std::clamp(coef * q, -kMaxDequantised, kMaxDequantised));
}

// ---------------------------------------------------------------------------------------------
// YCbCr -> RGB in 16-bit fixed point, table driven.

struct ColourTables {
  int crR[256], cbB[256], cbG[256], crG[256];
  uint8_t clamp[768];  // index value + 256
  ColourTables() {
    for (int i = 0; i < 256; ++i) {
      const int x = i - 128;
      crR[i] = (91881 * x + 32768) >> 16;
      cbB[i] = (116130 * x + 32768) >> 16;
      cbG[i] = -22553 * x + 32768;
      crG[i] = -46802 * x;
    }
    for (int i = 0; i < 768; ++i) clamp[i] = clampByte(i - 256);
  }
  inline void convert(int y, int cb, int cr, uint8_t* d) const {
    const uint8_t* c = clamp + 256;
    d[0] = c[y + crR[cr]];
    d[1] = c[y + ((cbG[cb] + crG[cr]) >> 16)];
    d[2] = c[y + cbB[cb]];
  }
  // Two pixels sharing one chroma sample.
  inline void convertPair(int y0, int y1, int cb, int cr, uint8_t* d) const {
    const uint8_t* c = clamp + 256;
    const int r = crR[cr], g = (cbG[cb] + crG[cr]) >> 16, b = cbB[cb];
    d[0] = c[y0 + r];
    d[1] = c[y0 + g];
    d[2] = c[y0 + b];
    d[3] = c[y1 + r];
    d[4] = c[y1 + g];
    d[5] = c[y1 + b];
  }
};

const ColourTables& colourTables() {
  static const ColourTables tables;
  return tables;
}

// ---------------------------------------------------------------------------------------------

struct Component {
  int id = 0;
  int h = 1, v = 1;
  int quantIndex = 0;
  int dcTable = 0, acTable = 0;
  int pred = 0;
  bool quantLatched = false;
  std::array<uint16_t, 64> quant{};      // natural order
  std::array<uint16_t, 64> quantZig{};   // zigzag order
  int blocksX = 0, blocksY = 0;          // whole MCUs
  int usedBlocksX = 0, usedBlocksY = 0;  // blocks holding samples (non-interleaved scans)
  std::vector<int16_t> coefs;            // buffered decoding: blocksX * blocksY * 64
  std::vector<uint8_t> rows;             // one MCU row of samples
  int rowStride = 0;
  std::vector<int> xmap;  // output column -> sample column

  int16_t* block(int bx, int by) {
    return coefs.data() + (static_cast<std::size_t>(by) * static_cast<std::size_t>(blocksX) +
                           static_cast<std::size_t>(bx)) *
                              64;
  }
};

struct Scan {
  int count = 0;
  std::array<int, kMaxComponents> comp{};  // frame component indices, in scan order
  int ss = 0, se = 63, ah = 0, al = 0;
};

class DctDecoder {
 public:
  DctDecoder(std::span<const uint8_t> input, std::vector<uint8_t>& output, std::size_t maxOutput,
             int scale)
      : in_(input.data()), size_(input.size()), out_(output), maxOutput_(maxOutput) {
    for (int s : kDctScales)
      if (s == scale) scale_ = scale;
    bs_ = 8 / scale_;
  }

  int32_t run(DctImageInfo* info);

 private:
  enum class Step { Scan, End, Fail };

  // Markers and segments.
  bool findMarker(uint8_t& code);
  Step readMarkers();
  bool readFrame(std::size_t len, bool progressive);
  bool readHuffman(std::size_t len);
  bool readQuant(std::size_t len);
  bool readScan(std::size_t len);
  void readApp(uint8_t code, std::size_t len);
  uint16_t be16(std::size_t at) const {
    return static_cast<uint16_t>((in_[at] << 8) | in_[at + 1]);
  }

  // Decoding.
  bool startScan();
  bool restart();
  bool decodeStreaming();
  bool decodeBufferedScan();
  template <bool Dequantise>
  bool decodeSequentialBlock(BitReader& br, Component& c, int16_t* blk);
  void decodeDcFirst(BitReader& br, Component& c, int16_t* blk);
  void decodeDcRefine(BitReader& br, int16_t* blk);
  void decodeAcFirst(BitReader& br, const HuffTable& ac, int16_t* blk);
  void decodeAcRefine(BitReader& br, const HuffTable& ac, int16_t* blk);
  void decodeBufferedMcu(BitReader& br, Component& c, int16_t* blk);

  // Output.
  void prepareOutput();
  void emitMcuRow(int mcuRow);
  void convertLine(uint8_t* dst, const uint8_t* const* src) const;
  void idctBufferedMcuRow(int mcuRow);

  const uint8_t* in_;
  std::size_t size_;
  std::size_t pos_ = 0;
  std::vector<uint8_t>& out_;
  std::size_t maxOutput_;
  std::size_t produced_ = 0;

  bool frameSeen_ = false;
  bool progressive_ = false;
  bool jfif_ = false;
  bool adobe_ = false;
  int adobeTransform_ = 0;
  int colourTransform_ = 0;
  int width_ = 0, height_ = 0, ncomp_ = 0;
  int scale_ = 1, bs_ = 8;  // scale denominator; samples per block side in the output
  int outW_ = 0, outH_ = 0;
  int hmax_ = 1, vmax_ = 1;
  int mcusX_ = 0, mcusY_ = 0;
  std::array<Component, kMaxComponents> comps_{};
  std::array<std::array<uint16_t, 64>, kTableSlots> quant_{};
  std::array<bool, kTableSlots> quantDefined_{};
  std::array<HuffTable, kTableSlots> dcTables_{};
  std::array<HuffTable, kTableSlots> acTables_{};
  int restartInterval_ = 0;
  int nextRestart_ = 0;
  int eobrun_ = 0;
  Scan scan_;
  BitReader br_;

  enum class LineKind { Copy, Ycc444, Ycc2h, Generic };
  LineKind lineKind_ = LineKind::Generic;
};

bool DctDecoder::findMarker(uint8_t& code) {
  // Skip to an FFh byte, then over fill bytes; FFh 00h is stuffing, not a marker.
  while (pos_ < size_) {
    if (in_[pos_] != 0xFF) {
      ++pos_;
      continue;
    }
    std::size_t p = pos_ + 1;
    while (p < size_ && in_[p] == 0xFF) ++p;
    if (p >= size_) {
      pos_ = size_;
      return false;
    }
    if (in_[p] == 0) {
      pos_ = p + 1;
      continue;
    }
    code = in_[p];
    pos_ = p + 1;
    return true;
  }
  return false;
}

DctDecoder::Step DctDecoder::readMarkers() {
  for (int segment = 0; segment < kMaxMarkerSegments; ++segment) {
    uint8_t code = 0;
    if (!findMarker(code)) return Step::End;
    if (code == 0xD8) continue;
    if (code == 0xD9) return Step::End;
    const bool known = code == 0xC0 || code == 0xC2 || code == 0xC4 || code == 0xDB ||
                       code == 0xDD || code == 0xDA || code >= 0xE0;
    if (!known) return Step::Fail;  // other frame types, arithmetic coding, DNL, stray RSTn
    if (pos_ + 2 > size_) return Step::End;
    const std::size_t len = be16(pos_);
    if (len < 2) return Step::Fail;
    if (pos_ + len > size_) return Step::End;
    const std::size_t start = pos_;
    pos_ += len;
    bool ok = true;
    switch (code) {
      case 0xC0:
      case 0xC2:
        ok = !frameSeen_ && readFrame(start, code == 0xC2);
        break;
      case 0xC4:
        ok = readHuffman(start);
        break;
      case 0xDB:
        ok = readQuant(start);
        break;
      case 0xDD:
        ok = len == 4;
        if (ok) restartInterval_ = be16(start + 2);
        break;
      case 0xDA:
        return readScan(start) ? Step::Scan : Step::Fail;
      default:
        readApp(code, start);
        break;
    }
    if (!ok) return Step::Fail;
  }
  return Step::Fail;
}

bool DctDecoder::readFrame(std::size_t at, bool progressive) {
  const std::size_t len = be16(at);
  if (len < 8) return false;
  const int precision = in_[at + 2];
  height_ = be16(at + 3);
  width_ = be16(at + 5);
  ncomp_ = in_[at + 7];
  if (precision != 8 || ncomp_ < 1 || ncomp_ > kMaxComponents) return false;
  if (len != 8 + 3 * static_cast<std::size_t>(ncomp_)) return false;
  if (width_ == 0 || height_ == 0) return false;  // DNL-defined heights are not supported
  progressive_ = progressive;
  hmax_ = vmax_ = 1;
  for (int i = 0; i < ncomp_; ++i) {
    Component& c = comps_[i];
    const std::size_t p = at + 8 + 3 * static_cast<std::size_t>(i);
    c.id = in_[p];
    c.h = in_[p + 1] >> 4;
    c.v = in_[p + 1] & 15;
    c.quantIndex = in_[p + 2];
    if (c.h < 1 || c.h > kMaxSamplingFactor || c.v < 1 || c.v > kMaxSamplingFactor) return false;
    if (c.quantIndex >= kTableSlots) return false;
    hmax_ = std::max(hmax_, c.h);
    vmax_ = std::max(vmax_, c.v);
  }
  if (ncomp_ == 1) comps_[0].h = comps_[0].v = hmax_ = vmax_ = 1;  // one block per MCU

  const std::size_t samples = static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_) *
                              static_cast<std::size_t>(ncomp_);
  outW_ = (width_ + scale_ - 1) / scale_;
  outH_ = (height_ + scale_ - 1) / scale_;
  const std::size_t outSamples = static_cast<std::size_t>(outW_) * static_cast<std::size_t>(outH_) *
                                 static_cast<std::size_t>(ncomp_);
  if (samples > kMaxDctImageBytes || outSamples > maxOutput_) return false;

  mcusX_ = (width_ + 8 * hmax_ - 1) / (8 * hmax_);
  mcusY_ = (height_ + 8 * vmax_ - 1) / (8 * vmax_);
  for (int i = 0; i < ncomp_; ++i) {
    Component& c = comps_[i];
    c.blocksX = mcusX_ * c.h;
    c.blocksY = mcusY_ * c.v;
    const int compW = (width_ * c.h + hmax_ - 1) / hmax_;
    const int compH = (height_ * c.v + vmax_ - 1) / vmax_;
    c.usedBlocksX = (compW + 7) / 8;
    c.usedBlocksY = (compH + 7) / 8;
  }
  frameSeen_ = true;
  return true;
}

bool DctDecoder::readHuffman(std::size_t at) {
  const std::size_t end = at + be16(at);
  std::size_t p = at + 2;
  while (p < end) {
    if (p + 17 > end) return false;
    const int cls = in_[p] >> 4, index = in_[p] & 15;
    if (cls > 1 || index >= kTableSlots) return false;
    int total = 0;
    for (int i = 0; i < 16; ++i) total += in_[p + 1 + static_cast<std::size_t>(i)];
    if (total > 256 || p + 17 + static_cast<std::size_t>(total) > end) return false;
    HuffTable& t = (cls == 0 ? dcTables_ : acTables_)[index];
    if (!t.build(in_ + p + 1, in_ + p + 17, total)) return false;
    p += 17 + static_cast<std::size_t>(total);
  }
  return true;
}

bool DctDecoder::readQuant(std::size_t at) {
  const std::size_t end = at + be16(at);
  std::size_t p = at + 2;
  while (p < end) {
    const int precision = in_[p] >> 4, index = in_[p] & 15;
    if (precision > 1 || index >= kTableSlots) return false;
    const std::size_t bytes = precision ? 128 : 64;
    if (p + 1 + bytes > end) return false;
    auto& q = quant_[index];
    for (int k = 0; k < 64; ++k) {
      const std::size_t e = p + 1 + static_cast<std::size_t>(precision ? 2 * k : k);
      q[kZigzag[k]] = precision ? be16(e) : in_[e];
    }
    quantDefined_[index] = true;
    p += 1 + bytes;
  }
  return true;
}

bool DctDecoder::readScan(std::size_t at) {
  if (!frameSeen_) return false;
  const std::size_t len = be16(at);
  if (len < 3) return false;
  const int count = in_[at + 2];
  if (count < 1 || count > kMaxComponents || len != 6 + 2 * static_cast<std::size_t>(count))
    return false;
  scan_.count = count;
  for (int i = 0; i < count; ++i) {
    const std::size_t p = at + 3 + 2 * static_cast<std::size_t>(i);
    int found = -1;
    for (int c = 0; c < ncomp_; ++c) {
      if (comps_[c].id == in_[p]) {
        found = c;
        break;
      }
    }
    if (found < 0) return false;
    for (int j = 0; j < i; ++j)
      if (scan_.comp[j] == found) return false;
    scan_.comp[i] = found;
    Component& c = comps_[found];
    c.dcTable = in_[p + 1] >> 4;
    c.acTable = in_[p + 1] & 15;
    if (c.dcTable >= kTableSlots || c.acTable >= kTableSlots) return false;
  }
  const std::size_t p = at + 3 + 2 * static_cast<std::size_t>(count);
  scan_.ss = in_[p];
  scan_.se = in_[p + 1];
  scan_.ah = in_[p + 2] >> 4;
  scan_.al = in_[p + 2] & 15;
  return true;
}

void DctDecoder::readApp(uint8_t code, std::size_t at) {
  const std::size_t payload = be16(at) - 2;
  const uint8_t* p = in_ + at + 2;
  if (code == 0xE0 && payload >= 5 && std::memcmp(p, "JFIF", 5) == 0) jfif_ = true;
  if (code == 0xEE && payload >= 12 && std::memcmp(p, "Adobe", 5) == 0) {
    adobe_ = true;
    adobeTransform_ = p[11];
  }
}

// Checks the scan against the frame and the tables, and latches quantisation tables.
bool DctDecoder::startScan() {
  const Scan& s = scan_;
  if (progressive_) {
    if (s.ss > s.se || s.se > 63 || (s.ss == 0 && s.se != 0) || (s.ss > 0 && s.count != 1))
      return false;
    if ((s.ah != 0 && s.al != s.ah - 1) || s.al > kMaxSuccessiveApprox) return false;
  }
  const bool needDc = !progressive_ || (s.ss == 0 && s.ah == 0);
  const bool needAc = !progressive_ || s.ss > 0;
  for (int i = 0; i < s.count; ++i) {
    Component& c = comps_[s.comp[i]];
    if (needDc) {
      const HuffTable& dc = dcTables_[c.dcTable];
      if (!dc.defined || dc.maxSymbol > 15) return false;
    }
    if (needAc && !acTables_[c.acTable].defined) return false;
    if (!c.quantLatched) {
      if (!quantDefined_[c.quantIndex]) return false;
      c.quant = quant_[c.quantIndex];
      for (int k = 0; k < 64; ++k) c.quantZig[k] = c.quant[kZigzag[k]];
      c.quantLatched = true;
    }
    c.pred = 0;
  }
  eobrun_ = 0;
  nextRestart_ = 0;
  br_.data = in_;
  br_.size = size_;
  br_.pos = pos_;
  br_.reset();
  return true;
}

// At the end of a restart interval: the next marker must be the expected RSTn.
bool DctDecoder::restart() {
  pos_ = br_.pos;
  uint8_t code = 0;
  const bool found = findMarker(code);
  if (found && code != 0xD0 + nextRestart_) return false;
  nextRestart_ = (nextRestart_ + 1) & 7;
  br_.pos = pos_;
  br_.reset();
  if (!found) {  // input ended: nothing more to decode in this scan
    br_.stopped = true;
    br_.padBits = 1;
  }
  for (int i = 0; i < scan_.count; ++i) comps_[scan_.comp[i]].pred = 0;
  eobrun_ = 0;
  return true;
}

template <bool Dequantise>
bool DctDecoder::decodeSequentialBlock(BitReader& brRef, Component& c, int16_t* blk) {
  BitReader br = brRef;  // kept in registers for the block
  const HuffTable& dc = dcTables_[c.dcTable];
  const HuffTable& ac = acTables_[c.acTable];
  const uint16_t* q = c.quantZig.data();
  br.ensure();
  const int s = dc.decode(br);
  const int diff = s ? br.receiveExtend(s) : 0;
  c.pred = static_cast<int16_t>(c.pred + diff);
  blk[0] = Dequantise ? dequantise(c.pred, q[0]) : static_cast<int16_t>(c.pred);
  bool hasAc = false;
  for (int k = 1; k < 64;) {
    br.ensure();
    const int32_t fast = ac.fastAc[br.peek(kLookBits)];
    if (fast) {
      br.skip(fast & 0xFF);
      k += (fast >> 8) & 0xFF;
      if (k > 63) break;
      const int v = fast >> 16;
      blk[kZigzag[k]] = Dequantise ? dequantise(v, q[k]) : static_cast<int16_t>(v);
      hasAc = true;
      ++k;
      continue;
    }
    const int rs = ac.decode(br);
    const int r = rs >> 4, size = rs & 15;
    if (size) {
      k += r;
      const int v = br.receiveExtend(size);
      if (k > 63) break;
      blk[kZigzag[k]] = Dequantise ? dequantise(v, q[k]) : static_cast<int16_t>(v);
      hasAc = true;
      ++k;
    } else {
      if (r != 15) break;
      k += 16;
    }
  }
  brRef = br;
  return hasAc;
}

void DctDecoder::decodeDcFirst(BitReader& br, Component& c, int16_t* blk) {
  br.ensure();
  const int s = dcTables_[c.dcTable].decode(br);
  const int diff = s ? br.receiveExtend(s) : 0;
  c.pred = static_cast<int16_t>(c.pred + diff);
  blk[0] = static_cast<int16_t>(c.pred * (1 << scan_.al));
}

void DctDecoder::decodeDcRefine(BitReader& br, int16_t* blk) {
  if (br.getBit()) blk[0] = static_cast<int16_t>(blk[0] | (1 << scan_.al));
}

void DctDecoder::decodeAcFirst(BitReader& br, const HuffTable& ac, int16_t* blk) {
  if (eobrun_ > 0) {
    --eobrun_;
    return;
  }
  for (int k = scan_.ss; k <= scan_.se; ++k) {
    br.ensure();
    const int rs = ac.decode(br);
    const int r = rs >> 4, s = rs & 15;
    if (s) {
      k += r;
      const int v = br.receiveExtend(s);
      if (k > 63) break;
      blk[kZigzag[k]] = static_cast<int16_t>(v * (1 << scan_.al));
    } else if (r < 15) {
      eobrun_ = (1 << r) - 1;
      if (r) eobrun_ += static_cast<int>(br.get(r));
      break;
    } else {
      k += 15;
    }
  }
}

void DctDecoder::decodeAcRefine(BitReader& br, const HuffTable& ac, int16_t* blk) {
  const int p1 = 1 << scan_.al, m1 = -p1;
  auto refine = [&](int16_t& coef) {
    if (br.getBit() && (coef & p1) == 0) coef = static_cast<int16_t>(coef + (coef >= 0 ? p1 : m1));
  };
  int k = scan_.ss;
  const int se = scan_.se;
  if (eobrun_ == 0) {
    for (; k <= se; ++k) {
      br.ensure();
      const int rs = ac.decode(br);
      int r = rs >> 4;
      const int s = rs & 15;
      int value = 0;
      if (s) {
        value = br.get(1) ? p1 : m1;
      } else if (r != 15) {
        eobrun_ = 1 << r;
        if (r) eobrun_ += static_cast<int>(br.get(r));
        break;
      }
      // Skip r coefficients without history, refining the ones that have it.
      for (; k <= se; ++k) {
        int16_t& coef = blk[kZigzag[k]];
        if (coef != 0) {
          refine(coef);
        } else {
          if (r == 0) break;
          --r;
        }
      }
      if (value && k <= se) blk[kZigzag[k]] = static_cast<int16_t>(value);
    }
  }
  if (eobrun_ > 0) {
    for (; k <= se; ++k) {
      int16_t& coef = blk[kZigzag[k]];
      if (coef != 0) refine(coef);
    }
    --eobrun_;
  }
}

void DctDecoder::decodeBufferedMcu(BitReader& br, Component& c, int16_t* blk) {
  if (!progressive_) {
    decodeSequentialBlock<false>(br, c, blk);
  } else if (scan_.ss == 0) {
    if (scan_.ah == 0)
      decodeDcFirst(br, c, blk);
    else
      decodeDcRefine(br, blk);
  } else {
    const HuffTable& ac = acTables_[c.acTable];
    if (scan_.ah == 0)
      decodeAcFirst(br, ac, blk);
    else
      decodeAcRefine(br, ac, blk);
  }
}

// One scan into the coefficient planes. False when a wrong marker stopped it.
bool DctDecoder::decodeBufferedScan() {
  if (!startScan()) return false;
  for (int i = 0; i < scan_.count; ++i) {
    Component& c = comps_[scan_.comp[i]];
    if (c.coefs.empty())
      c.coefs.assign(static_cast<std::size_t>(c.blocksX) * static_cast<std::size_t>(c.blocksY) * 64,
                     0);
  }
  long mcu = 0;
  auto restartDue = [&]() {
    return restartInterval_ > 0 && mcu > 0 && mcu % restartInterval_ == 0;
  };
  if (scan_.count == 1) {
    Component& c = comps_[scan_.comp[0]];
    for (int by = 0; by < c.usedBlocksY; ++by) {
      for (int bx = 0; bx < c.usedBlocksX; ++bx, ++mcu) {
        if (restartDue() && !restart()) return false;
        if (!br_.exhausted()) decodeBufferedMcu(br_, c, c.block(bx, by));
      }
    }
  } else {
    for (int my = 0; my < mcusY_; ++my) {
      for (int mx = 0; mx < mcusX_; ++mx, ++mcu) {
        if (restartDue() && !restart()) return false;
        if (br_.exhausted()) continue;  // the rest of the interval keeps what earlier scans gave
        for (int i = 0; i < scan_.count; ++i) {
          Component& c = comps_[scan_.comp[i]];
          for (int v = 0; v < c.v; ++v)
            for (int h = 0; h < c.h; ++h)
              decodeBufferedMcu(br_, c, c.block(mx * c.h + h, my * c.v + v));
        }
      }
    }
  }
  pos_ = br_.pos;
  return true;
}

// Single interleaved sequential scan: one MCU row at a time, straight to the output.
bool DctDecoder::decodeStreaming() {
  if (!startScan()) return false;
  prepareOutput();
  alignas(16) int16_t blk[64] = {};
  long mcu = 0;
  for (int my = 0; my < mcusY_; ++my) {
    for (int mx = 0; mx < mcusX_; ++mx, ++mcu) {
      if (restartInterval_ > 0 && mcu > 0 && mcu % restartInterval_ == 0 && !restart())
        return false;
      // Data used up: like a missing stretch, the rest of the interval is left mid-grey.
      const bool exhausted = br_.exhausted();
      for (int i = 0; i < scan_.count; ++i) {
        Component& c = comps_[scan_.comp[i]];
        for (int v = 0; v < c.v; ++v) {
          for (int h = 0; h < c.h; ++h) {
            uint8_t* dst =
                c.rows.data() +
                static_cast<std::size_t>(v * bs_) * static_cast<std::size_t>(c.rowStride) +
                static_cast<std::size_t>((mx * c.h + h) * bs_);
            if (exhausted)
              fillBlock(0, dst, c.rowStride, bs_);
            else if (decodeSequentialBlock<true>(br_, c, blk))
              idctBlock(blk, dst, c.rowStride, bs_);
            else
              fillBlock(blk[0], dst, c.rowStride, bs_);
            std::memset(blk, 0, sizeof blk);
          }
        }
      }
    }
    emitMcuRow(my);
  }
  return true;
}

void DctDecoder::prepareOutput() {
  if (adobe_)
    colourTransform_ = adobeTransform_;
  else if (ncomp_ != 3)
    colourTransform_ = 0;
  else if (!jfif_ && comps_[0].id == 'R' && comps_[1].id == 'G' && comps_[2].id == 'B')
    colourTransform_ = 0;
  else
    colourTransform_ = 1;

  for (int i = 0; i < ncomp_; ++i) {
    Component& c = comps_[i];
    c.rowStride = c.blocksX * bs_;
    c.rows.assign(static_cast<std::size_t>(c.rowStride) * static_cast<std::size_t>(c.v * bs_), 0);
    c.xmap.resize(static_cast<std::size_t>(outW_));
    for (int x = 0; x < outW_; ++x) c.xmap[x] = x * c.h / hmax_;
  }
  const Component &c0 = comps_[0], &c1 = comps_[1], &c2 = comps_[2];
  if (ncomp_ == 1)
    lineKind_ = LineKind::Copy;
  else if (ncomp_ == 3 && colourTransform_ != 0 && c1.h == c2.h && c1.h * 2 == c0.h &&
           c0.h == hmax_)
    lineKind_ = LineKind::Ycc2h;
  else if (ncomp_ == 3 && colourTransform_ != 0 && c0.h == hmax_ && c1.h == hmax_ && c2.h == hmax_)
    lineKind_ = LineKind::Ycc444;
  else
    lineKind_ = LineKind::Generic;
}

void DctDecoder::convertLine(uint8_t* dst, const uint8_t* const* src) const {
  const ColourTables& ct = colourTables();
  const int w = outW_;
  switch (lineKind_) {
    case LineKind::Copy:
      std::memcpy(dst, src[0], static_cast<std::size_t>(w));
      return;
    case LineKind::Ycc444:
      for (int x = 0; x < w; ++x, dst += 3) ct.convert(src[0][x], src[1][x], src[2][x], dst);
      return;
    case LineKind::Ycc2h: {
      int x = 0;
      for (; x + 1 < w; x += 2, dst += 6)
        ct.convertPair(src[0][x], src[0][x + 1], src[1][x >> 1], src[2][x >> 1], dst);
      if (x < w) ct.convert(src[0][x], src[1][x >> 1], src[2][x >> 1], dst);
      return;
    }
    case LineKind::Generic:
      break;
  }
  const int n = ncomp_;
  for (int ci = 0; ci < n; ++ci) {
    const uint8_t* s = src[ci];
    const int* xmap = comps_[ci].xmap.data();
    uint8_t* d = dst + ci;
    for (int x = 0; x < w; ++x, d += n) *d = s[xmap[x]];
  }
  if (colourTransform_ == 0 || n < 3) return;
  uint8_t* d = dst;
  for (int x = 0; x < w; ++x, d += n) {
    ct.convert(d[0], d[1], d[2], d);
    if (n == 4) {
      d[0] = static_cast<uint8_t>(255 - d[0]);
      d[1] = static_cast<uint8_t>(255 - d[1]);
      d[2] = static_cast<uint8_t>(255 - d[2]);
    }
  }
}

void DctDecoder::emitMcuRow(int mcuRow) {
  const int y0 = mcuRow * bs_ * vmax_;
  const int lines = std::min(bs_ * vmax_, outH_ - y0);
  const std::size_t lineBytes = static_cast<std::size_t>(outW_) * static_cast<std::size_t>(ncomp_);
  out_.resize(static_cast<std::size_t>(y0 + lines) * lineBytes);
  const uint8_t* src[kMaxComponents] = {};
  for (int ly = 0; ly < lines; ++ly) {
    for (int i = 0; i < ncomp_; ++i) {
      const Component& c = comps_[i];
      src[i] = c.rows.data() +
               static_cast<std::size_t>(ly * c.v / vmax_) * static_cast<std::size_t>(c.rowStride);
    }
    convertLine(out_.data() + static_cast<std::size_t>(y0 + ly) * lineBytes, src);
  }
  produced_ = static_cast<std::size_t>(y0 + lines) * lineBytes;
}

void DctDecoder::idctBufferedMcuRow(int mcuRow) {
  alignas(16) int16_t blk[64];
  for (int i = 0; i < ncomp_; ++i) {
    Component& c = comps_[i];
    if (c.coefs.empty()) {  // never scanned: mid grey
      std::fill(c.rows.begin(), c.rows.end(), uint8_t{128});
      continue;
    }
    for (int v = 0; v < c.v; ++v) {
      for (int bx = 0; bx < c.blocksX; ++bx) {
        const int16_t* coef = c.block(bx, mcuRow * c.v + v);
        for (int k = 0; k < 64; ++k) blk[k] = dequantise(coef[k], c.quant[k]);
        idctBlock(blk,
                  c.rows.data() +
                      static_cast<std::size_t>(v * bs_) * static_cast<std::size_t>(c.rowStride) +
                      static_cast<std::size_t>(bx * bs_),
                  c.rowStride, bs_);
      }
    }
  }
}

int32_t DctDecoder::run(DctImageInfo* info) {
  out_.clear();
  Step step = readMarkers();
  if (info && frameSeen_) {
    info->width = width_;
    info->height = height_;
    info->components = ncomp_;
    info->progressive = progressive_;
    info->outputWidth = outW_;
    info->outputHeight = outH_;
  }
  if (step != Step::Scan) return 0;

  const std::size_t total = static_cast<std::size_t>(outW_) * static_cast<std::size_t>(outH_) *
                            static_cast<std::size_t>(ncomp_);
  out_.reserve(total);  // grown row by row: filled while the rows are still in cache
  if (!progressive_ && scan_.count == ncomp_) {
    decodeStreaming();  // a stop keeps the rows made so far
  } else {
    for (int scans = 0;; ++scans) {
      if (scans >= kMaxScans || !decodeBufferedScan()) {
        out_.clear();
        return 0;
      }
      step = readMarkers();
      if (step == Step::Fail) {
        out_.clear();
        return 0;
      }
      if (step == Step::End) break;
    }
    prepareOutput();
    for (int my = 0; my < mcusY_; ++my) {
      idctBufferedMcuRow(my);
      emitMcuRow(my);
    }
  }
  out_.resize(produced_);
  if (info) {
    info->adobe = adobe_;
    info->jfif = jfif_;
    info->colourTransform = colourTransform_;
  }
  return static_cast<int32_t>(produced_);
}

}  // namespace

int32_t decodeDct(std::span<const uint8_t> input, std::vector<uint8_t>& output,
                  std::size_t maxOutput, DctImageInfo* info, int scale) {
  try {
    DctDecoder decoder(input, output, maxOutput, scale);
    return decoder.run(info);
  } catch (const std::bad_alloc&) {  // nothing decoded
    output.clear();
    return 0;
  } catch (const std::length_error&) {  // a size beyond what a vector holds: likewise
    output.clear();
    return 0;
  }
}
