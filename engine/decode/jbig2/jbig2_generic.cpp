#include "engine/decode/jbig2/jbig2_generic.h"

#include <cstring>

#include "engine/decode/ccitt_decoder.h"

namespace {

// The fixed pixels of a template as three row windows. Bit p1 of the context holds the right-most
// pixel x + r1 of the row above, bit p2 pixel x + r2 of the row two above; moving one pixel right
// shifts the context left and brings in the new pixels at bits 0, p1 and p2. keep names the bits
// that survive the shift.
struct Layout {
  uint32_t fixed;
  int p1, r1;
  int p2, r2;  // p2 < 0: no second row
  uint32_t keep() const {
    uint32_t k = fixed & ~1u & ~(1u << p1);
    if (p2 >= 0) k &= ~(1u << p2);
    return k;
  }
};

// With the nominal adaptive pixels every template's pixels are three runs of whole rows.
constexpr Layout kNominal[4] = {
    {0xFFFF, 4, 3, 11, 2},
    {0x1FFF, 3, 3, 9, 2},
    {0x03FF, 2, 2, 7, 1},
    {0x03FF, 4, 2, -1, 0},
};
// Without them, the adaptive pixels' bits are left out and read one by one.
constexpr Layout kCustom[4] = {
    {0x73EF, 5, 2, 12, 1},
    {0x1FF7, 4, 2, 9, 2},
    {0x03FB, 3, 1, 7, 1},
    {0x03EF, 5, 1, -1, 0},
};
constexpr int kAtBits[4][4] = {{4, 10, 11, 15}, {3, -1, -1, -1}, {2, -1, -1, -1}, {4, -1, -1, -1}};
constexpr int kAtCount[4] = {4, 1, 1, 1};
constexpr uint32_t kTypicalContext[4] = {0x9B25, 0x0795, 0x00E5, 0x0195};

bool nominalAt(int t, const int8_t at[8]) {
  int8_t n[8];
  jbig2NominalAt(t, n);
  return std::memcmp(n, at, t == 0 ? 8 : 2) == 0;
}

// 24 bits of a row starting at byte b (bytes past the row read 0), the first pixel at bit 23.
inline uint32_t window(const uint8_t* row, int32_t b, int32_t stride) {
  if (!row) return 0;
  uint32_t w = static_cast<uint32_t>(row[b]) << 16;
  if (b + 1 < stride) w |= static_cast<uint32_t>(row[b + 1]) << 8;
  if (b + 2 < stride) w |= row[b + 2];
  return w;
}

// The fixed part of the context at x = 0.
uint32_t startContext(const Layout& l, const uint8_t* row1, const uint8_t* row2, int32_t stride,
                      int32_t width) {
  uint32_t cx = 0;
  for (int d = 0; d <= l.r1; ++d)
    if (row1 && d < width && ((row1[d >> 3] >> (7 - (d & 7))) & 1)) cx |= 1u << (l.p1 + l.r1 - d);
  if (l.p2 >= 0)
    for (int d = 0; d <= l.r2; ++d)
      if (row2 && d < width && ((row2[d >> 3] >> (7 - (d & 7))) & 1)) cx |= 1u << (l.p2 + l.r2 - d);
  (void)stride;
  return cx;
}

template <int T, bool Custom, bool Skip>
void decodeRows(const Jbig2GenericParams& p, Jbig2ArithDecoder& decoderRef, uint8_t* contexts,
                JBIG2Bitmap& bitmap) {
  const Layout l = Custom ? kCustom[T] : kNominal[T];
  const uint32_t keep = l.keep();
  const int32_t width = bitmap.width(), height = bitmap.height(), stride = bitmap.stride();
  // A local copy lets the compiler keep the coder's registers in registers.
  Jbig2ArithDecoder decoder = decoderRef;
  int ltp = 0;
  for (int32_t y = 0; y < height; ++y) {
    uint8_t* row = bitmap.row(y);
    if (p.tpgdon) {
      ltp ^= decoder.decode(contexts[kTypicalContext[T]]);
      if (ltp) {
        if (y > 0) std::memcpy(row, bitmap.row(y - 1), stride);
        continue;
      }
    }
    const uint8_t* row1 = y >= 1 ? bitmap.row(y - 1) : nullptr;
    const uint8_t* row2 = y >= 2 ? bitmap.row(y - 2) : nullptr;
    const uint8_t* skipRow = Skip && y < p.skip->height() ? p.skip->row(y) : nullptr;
    uint32_t cx = startContext(l, row1, row2, stride, width);
    for (int32_t bx = 0; bx < stride; ++bx) {
      const uint32_t w1 = window(row1, bx, stride);
      const uint32_t w2 = l.p2 >= 0 ? window(row2, bx, stride) : 0;
      const int32_t x0 = bx * 8;
      const int count = width - x0 < 8 ? width - x0 : 8;
      uint32_t out = 0;
      for (int k = 0; k < count; ++k) {
        const int32_t x = x0 + k;
        uint32_t full = cx;
        if constexpr (Custom) {
          for (int a = 0; a < kAtCount[T]; ++a)
            full |= static_cast<uint32_t>(bitmap.pixel(x + p.at[2 * a], y + p.at[2 * a + 1]))
                    << kAtBits[T][a];
        }
        int bit;
        if (Skip && skipRow && ((skipRow[bx] >> (7 - k)) & 1))
          bit = 0;
        else
          bit = decoder.decode(contexts[full]);
        out |= static_cast<uint32_t>(bit) << (7 - k);
        if constexpr (Custom) {
          // The adaptive pixels may look at this row; keep it current.
          if (bit) row[bx] |= static_cast<uint8_t>(0x80 >> k);
        }
        // Slide to x + 1: new pixels x (this row), x + 1 + r1 and x + 1 + r2.
        cx = ((cx << 1) & keep) | static_cast<uint32_t>(bit) |
             (((w1 >> (23 - (k + 1 + l.r1))) & 1) << l.p1);
        if (l.p2 >= 0) cx |= ((w2 >> (23 - (k + 1 + l.r2))) & 1) << l.p2;
      }
      row[bx] = static_cast<uint8_t>(out);
    }
  }
  decoderRef = decoder;
}

template <int T>
void decodeTemplate(const Jbig2GenericParams& p, Jbig2ArithDecoder& decoder, uint8_t* contexts,
                    JBIG2Bitmap& bitmap) {
  const bool skip = p.skip != nullptr;
  if (nominalAt(T, p.at)) {
    if (skip)
      decodeRows<T, false, true>(p, decoder, contexts, bitmap);
    else
      decodeRows<T, false, false>(p, decoder, contexts, bitmap);
  } else {
    if (skip)
      decodeRows<T, true, true>(p, decoder, contexts, bitmap);
    else
      decodeRows<T, true, false>(p, decoder, contexts, bitmap);
  }
}

}  // namespace

void jbig2NominalAt(int templateId, int8_t at[8]) {
  static constexpr int8_t kTemplate0[8] = {3, -1, -3, -1, 2, -2, -2, -2};
  std::memcpy(at, kTemplate0, 8);
  if (templateId == 1) at[0] = 3;
  if (templateId >= 2) at[0] = 2;
}

std::unique_ptr<JBIG2Bitmap> jbig2DecodeGeneric(const Jbig2GenericParams& params,
                                                Jbig2ArithDecoder& decoder,
                                                std::vector<uint8_t>& contexts,
                                                Jbig2Budget& budget) {
  auto bitmap = JBIG2Bitmap::create(params.width, params.height, budget);
  if (!bitmap) return nullptr;
  if (contexts.size() < kJbig2GenericContexts) contexts.assign(kJbig2GenericContexts, 0);
  uint8_t* cx = contexts.data();
  switch (params.templateId & 3) {
    case 0:
      decodeTemplate<0>(params, decoder, cx, *bitmap);
      break;
    case 1:
      decodeTemplate<1>(params, decoder, cx, *bitmap);
      break;
    case 2:
      decodeTemplate<2>(params, decoder, cx, *bitmap);
      break;
    default:
      decodeTemplate<3>(params, decoder, cx, *bitmap);
      break;
  }
  return bitmap;
}

std::unique_ptr<JBIG2Bitmap> jbig2DecodeGenericMmr(int32_t width, int32_t height,
                                                   const uint8_t* data, std::size_t size,
                                                   std::size_t* consumed, Jbig2Budget& budget) {
  auto bitmap = JBIG2Bitmap::create(width, height, budget);
  if (consumed) *consumed = size;
  if (!bitmap) return nullptr;
  if (width > 0 && height > 0) {
    const int32_t used = decodeMmrBitmap(data, size, width, height, bitmap->row(0),
                                         static_cast<std::size_t>(bitmap->stride()));
    if (consumed) *consumed = used < 0 ? size : static_cast<std::size_t>(used);
  }
  return bitmap;
}
