#include "engine/fonts/fixed_pos_size_font.h"

#include <algorithm>

void CidWidthTable::fill(double value) {
  filled_ = true;
  fill_ = value;
  pages_.clear();
  pages_.resize(kCids / kPageCids);
}

void CidWidthTable::set(uint32_t cid, double value) {
  if (!filled_ || cid >= kCids) return;
  std::unique_ptr<double[]>& page = pages_[cid / kPageCids];
  if (!page) {
    page = std::make_unique<double[]>(kPageCids);
    std::fill_n(page.get(), kPageCids, fill_);
  }
  page[cid % kPageCids] = value;
}

// Glyph cache slots are made as glyphs are drawn, up to kGlyphCacheSlots.
S_FixedPosSize_Font::S_FixedPosSize_Font() { widths.fill(kNoWidth); }

S_FixedPosSize_Font::~S_FixedPosSize_Font() = default;

const char* S_FixedPosSize_Font::glyphName(uint8_t code) const {
  if (!differences[code].empty()) return differences[code].c_str();
  return baseNames[code];
}

double S_FixedPosSize_Font::width(uint32_t codeOrCid) const {
  if (kind == FontKind::Type0) {
    return cidWidths.at(codeOrCid, kNoWidth);
  }
  return codeOrCid < widths.size() ? widths[codeOrCid] : kNoWidth;
}

void S_FixedPosSize_Font::setWidth(uint32_t codeOrCid, double value) {
  if (kind == FontKind::Type0) {
    if (codeOrCid >= static_cast<uint32_t>(kCidCount)) return;
    if (cidWidths.empty()) cidWidths.fill(kNoWidth);
    cidWidths.set(codeOrCid, value);
  } else if (codeOrCid < widths.size()) {
    widths[codeOrCid] = value;
  }
}

void S_FixedPosSize_Font::clearGlyphCache() {
  glyphCache.clear();
  glyphCache.shrink_to_fit();
  glyphCacheIndex.clear();
}
