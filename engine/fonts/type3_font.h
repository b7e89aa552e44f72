#pragma once
// S_PDF_Type3_Font: what a Type 3 font adds to its font record. Font loading fills the
// FontMatrix, the per-code glyph names from Differences and keeps CharProcs; running the glyph
// procedures belongs to the Type 3 glyph drawing, which hooks in at drawType3Glyph (text_show).

#include <array>
#include <map>
#include <memory>
#include <string>

#include "engine/document/pdf_object.h"

class OperatorList;
class ResourceList;

struct S_PDF_Type3_Font {
  // Glyph names are cut to this many bytes.
  static constexpr std::size_t kMaxGlyphNameBytes = 99;

  // FontMatrix a b c d e f; the default when the font has none or a short one.
  std::array<double, 6> fontMatrix{0.001, 0, 0, 0.001, 0, 0};
  // Per-code glyph names from Differences (empty: none).
  std::array<std::string, 256> names;
  // The CharProcs dictionary, resolved (kind None when absent).
  PdfObject charProcs;

  S_PDF_Type3_Font();
  ~S_PDF_Type3_Font();
  // Glyph procedures parsed so far, by glyph name (codes naming one glyph share its list); a
  // name without a usable procedure maps to null.
  std::map<std::string, std::unique_ptr<OperatorList>> procedures;
  // The font's own Resources, loaded when a procedure first needs them.
  std::shared_ptr<ResourceList> resources;
  bool resourcesLoaded = false;
};
