#include "engine/fonts/fixed_pos_size_font.h"

S_FixedPosSize_Font::S_FixedPosSize_Font() : glyphCache(kGlyphCacheSlots) { widths.fill(kNoWidth); }

S_FixedPosSize_Font::~S_FixedPosSize_Font() = default;

const char* S_FixedPosSize_Font::glyphName(uint8_t code) const {
  if (!differences[code].empty()) return differences[code].c_str();
  return baseNames[code];
}

double S_FixedPosSize_Font::width(uint32_t codeOrCid) const {
  if (kind == FontKind::Type0) {
    if (codeOrCid >= cidWidths.size()) return kNoWidth;
    return cidWidths[codeOrCid];
  }
  return codeOrCid < widths.size() ? widths[codeOrCid] : kNoWidth;
}

void S_FixedPosSize_Font::setWidth(uint32_t codeOrCid, double value) {
  if (kind == FontKind::Type0) {
    if (codeOrCid >= static_cast<uint32_t>(kCidCount)) return;
    if (cidWidths.empty()) cidWidths.assign(kCidCount, kNoWidth);
    cidWidths[codeOrCid] = value;
  } else if (codeOrCid < widths.size()) {
    widths[codeOrCid] = value;
  }
}

void S_FixedPosSize_Font::clearGlyphCache() {
  for (GlyphCacheSlot& slot : glyphCache) {
    slot.used = false;
    slot.coverage.clear();
    slot.coverage.shrink_to_fit();
  }
  glyphCacheIndex.clear();
}
