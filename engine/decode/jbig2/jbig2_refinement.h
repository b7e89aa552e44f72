#pragma once
// Generic refinement region decoding: a bitmap coded relative to a reference bitmap.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "engine/decode/jbig2/jbig2_arithmetic.h"
#include "engine/decode/jbig2/jbig2_bitmap.h"

struct Jbig2RefinementParams {
  int32_t width = 0, height = 0;
  int templateId = 0;
  const JBIG2Bitmap* reference = nullptr;
  int32_t dx = 0, dy = 0;  // reference offset
  bool tpgron = false;
  int8_t at[4] = {-1, -1, -1, -1};  // (x, y) in this bitmap, (x, y) in the reference
};

inline constexpr std::size_t kJbig2RefinementContexts = std::size_t{1} << 13;

std::unique_ptr<JBIG2Bitmap> jbig2DecodeRefinement(const Jbig2RefinementParams& params,
                                                   Jbig2ArithDecoder& decoder,
                                                   std::vector<uint8_t>& contexts,
                                                   Jbig2Budget& budget);
