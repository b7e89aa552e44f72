#pragma once
// Generic region decoding: arithmetic coding with the four templates, or MMR.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "engine/decode/jbig2/jbig2_arithmetic.h"
#include "engine/decode/jbig2/jbig2_bitmap.h"

struct Jbig2GenericParams {
  int32_t width = 0, height = 0;
  int templateId = 0;
  bool tpgdon = false;
  // Pixels set here are not coded and stay 0 (halftone grey-scale planes).
  const JBIG2Bitmap* skip = nullptr;
  // Adaptive pixels as (x, y) pairs; template 0 uses four, the others the first.
  int8_t at[8] = {3, -1, -3, -1, 2, -2, -2, -2};
};

// Nominal adaptive pixels of a template, as the halftone and pattern procedures use them.
void jbig2NominalAt(int templateId, int8_t at[8]);

// Contexts for the generic templates (the largest has 16 bits).
inline constexpr std::size_t kJbig2GenericContexts = std::size_t{1} << 16;

std::unique_ptr<JBIG2Bitmap> jbig2DecodeGeneric(const Jbig2GenericParams& params,
                                                Jbig2ArithDecoder& decoder,
                                                std::vector<uint8_t>& contexts,
                                                Jbig2Budget& budget);

// MMR coded data; consumed receives the bytes used (rounded up to a byte). Rows that cannot be
// decoded stay white.
std::unique_ptr<JBIG2Bitmap> jbig2DecodeGenericMmr(int32_t width, int32_t height,
                                                   const uint8_t* data, std::size_t size,
                                                   std::size_t* consumed, Jbig2Budget& budget);
