#pragma once
// Pattern dictionaries and halftone regions.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "engine/decode/jbig2/jbig2_bitmap.h"

// A pattern dictionary never holds more patterns than this (grey values up to 2^16 - 1).
inline constexpr uint32_t kMaxJbig2Patterns = 1u << 16;
// A halftone grid never has more cells than this.
inline constexpr int64_t kMaxJbig2HalftoneCells = int64_t{1} << 24;

class JBIG2PatternDict : public JBIG2Segment {
 public:
  explicit JBIG2PatternDict(uint32_t number) : JBIG2Segment(number) {}
  JBIG2SegmentKind kind() const override { return JBIG2SegmentKind::PatternDict; }
  std::vector<std::unique_ptr<JBIG2Bitmap>> patterns;
  int32_t patternWidth = 0, patternHeight = 0;
};

std::unique_ptr<JBIG2PatternDict> jbig2DecodePatternDict(uint32_t number, const uint8_t* data,
                                                         std::size_t size, Jbig2Budget& budget);

// A halftone region's data (after the region information) into a width x height bitmap.
std::unique_ptr<JBIG2Bitmap> jbig2DecodeHalftone(const uint8_t* data, std::size_t size,
                                                 int32_t width, int32_t height,
                                                 const JBIG2PatternDict& patterns,
                                                 Jbig2Budget& budget);
