#pragma once
// Symbol dictionary decoding.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "engine/decode/jbig2/jbig2_bitmap.h"
#include "engine/decode/jbig2/jbig2_huffman.h"

// No dictionary defines or exports more symbols than this, and no text region sees more.
inline constexpr uint32_t kMaxJbig2Symbols = 1u << 18;

class JBIG2SymbolDict : public JBIG2Segment {
 public:
  explicit JBIG2SymbolDict(uint32_t number) : JBIG2Segment(number) {}
  JBIG2SegmentKind kind() const override { return JBIG2SegmentKind::SymbolDict; }

  std::vector<std::unique_ptr<JBIG2Bitmap>> symbols;  // the exported symbols
  // Arithmetic contexts kept for a later dictionary that reuses them.
  bool retained = false;
  int retainedTemplate = 0, retainedRefTemplate = 0;
  bool retainedRefAgg = false;
  std::vector<uint8_t> genericContexts, refinementContexts;
};

struct Jbig2SymbolDictInput {
  std::vector<const JBIG2Bitmap*> inputSymbols;
  // Custom tables in the order the dictionary's flags ask for them.
  std::vector<const JBIG2CodeTable*> customTables;
  // The last referred-to dictionary, for "bitmap coding context used".
  const JBIG2SymbolDict* previous = nullptr;
};

// Decodes a symbol dictionary segment's data; nullptr when it is unusable.
std::unique_ptr<JBIG2SymbolDict> jbig2DecodeSymbolDict(uint32_t number, const uint8_t* data,
                                                       std::size_t size,
                                                       const Jbig2SymbolDictInput& input,
                                                       Jbig2Budget& budget);
