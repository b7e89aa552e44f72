#pragma once
// S_PDF_Type3_Font: what a Type 3 font adds to its font record. Font loading fills the
// FontMatrix, the per-code glyph names from Differences and keeps CharProcs. Running the glyph
// procedures belongs to drawing, which keeps what it prepares for them in drawCache.

#include <array>
#include <memory>
#include <string>

#include "engine/document/pdf_object.h"

struct S_PDF_Type3_Font {
  // Glyph names are cut to this many bytes.
  static constexpr std::size_t kMaxGlyphNameBytes = 99;

  // FontMatrix a b c d e f; the default when the font has none or a short one.
  std::array<double, 6> fontMatrix{0.001, 0, 0, 0.001, 0, 0};
  // Per-code glyph names from Differences (empty: none).
  std::array<std::string, 256> names;
  // The CharProcs dictionary, resolved (kind None when absent).
  PdfObject charProcs;

  // What drawing keeps for the font between glyphs (parsed procedures, loaded resources). The
  // font layer knows only that it owns it.
  struct DrawCache {
    virtual ~DrawCache() = default;
  };
  std::unique_ptr<DrawCache> drawCache;
};
