#pragma once
// Text region decoding: symbol instances placed along strips, optionally refined.

#include <cstdint>
#include <memory>
#include <vector>

#include "engine/decode/jbig2/jbig2_arithmetic.h"
#include "engine/decode/jbig2/jbig2_bitmap.h"
#include "engine/decode/jbig2/jbig2_huffman.h"

// A text region never places more symbol instances than this.
inline constexpr uint32_t kMaxJbig2TextInstances = 1u << 22;

enum class Jbig2Corner { BottomLeft = 0, TopLeft = 1, BottomRight = 2, TopRight = 3 };

struct Jbig2TextParams {
  bool huffman = false;
  bool refine = false;
  int32_t width = 0, height = 0;
  uint32_t instances = 0;
  int logStrips = 0;
  const std::vector<const JBIG2Bitmap*>* symbols = nullptr;
  int symbolCodeLength = 0;
  // Huffman symbol identifiers; without a table they are read as plain symbolCodeLength bits.
  const JBIG2CodeTable* symbolCodes = nullptr;
  int defaultPixel = 0;
  Jbig2Combination op = Jbig2Combination::Or;
  bool transposed = false;
  Jbig2Corner corner = Jbig2Corner::TopLeft;
  int32_t dsOffset = 0;
  const JBIG2CodeTable *fs = nullptr, *ds = nullptr, *dt = nullptr, *rdw = nullptr, *rdh = nullptr,
                       *rdx = nullptr, *rdy = nullptr, *rsize = nullptr;
  int refTemplate = 0;
  int8_t refAt[4] = {-1, -1, -1, -1};
};

// Arithmetic state of text region decoding; symbol dictionaries keep one across their
// aggregated symbols.
struct Jbig2TextContexts {
  explicit Jbig2TextContexts(int symbolCodeLength) : iaid(symbolCodeLength) {}
  Jbig2IntDecoder iadt, iafs, iads, iait, iari, iardw, iardh, iardx, iardy;
  Jbig2IdDecoder iaid;
  std::vector<uint8_t> refinement;
};

// Decodes with arith when params.huffman is false, else with bits. Stops early (keeping what was
// placed) when the data ends or goes wrong.
std::unique_ptr<JBIG2Bitmap> jbig2DecodeTextRegion(const Jbig2TextParams& params,
                                                   Jbig2ArithDecoder* arith, Jbig2BitReader* bits,
                                                   Jbig2TextContexts& contexts,
                                                   Jbig2Budget& budget);

// One refinement whose data is a separate arithmetic-coded block of size bytes in a Huffman
// coded stream; the reader moves past the block.
std::unique_ptr<JBIG2Bitmap> jbig2DecodeRefinementBlock(
    Jbig2BitReader& bits, uint32_t size, int32_t width, int32_t height,
    const JBIG2Bitmap& reference, int32_t dx, int32_t dy, int templateId, const int8_t at[4],
    std::vector<uint8_t>& contexts, Jbig2Budget& budget);
