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

const std::string& CodeNameTable::operator[](uint8_t code) const {
  static const std::string kNone;
  if (!names_ || names_->slot[code] == 0) return kNone;
  return names_->names[names_->slot[code] - 1];
}

void CodeNameTable::set(uint8_t code, std::string name) {
  if (names_ && names_->slot[code] != 0) {
    names_->names[names_->slot[code] - 1] = std::move(name);
    return;
  }
  if (name.empty()) return;
  if (!names_) names_ = std::make_unique<Names>();
  names_->names.push_back(std::move(name));
  names_->slot[code] = static_cast<uint16_t>(names_->names.size());
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

const CMaps::ToUnicodeCMap* S_FixedPosSize_Font::toUnicodeMap() const {
  if (toUnicodePending) {
    toUnicodePending = false;
    if (partsSource) toUnicode = partsSource->readToUnicode(toUnicodeEntry);
  }
  return toUnicode.get();
}

void S_FixedPosSize_Font::releaseRebuildable() {
  clearGlyphCache();
  // The face made again has no character size: the painter sets it anew.
  faceSize = FaceSizeRecord{};
  if (face && faceOwned) face->release();
  if (partsSource && toUnicode) {
    toUnicode.reset();
    toUnicodePending = true;
  }
  if (descendant) descendant->releaseRebuildable();
}

std::size_t S_FixedPosSize_Font::releasableBytes() const {
  std::size_t bytes = 0;
  for (const GlyphCacheSlot& slot : glyphCache) bytes += sizeof(slot) + slot.coverage.capacity();
  if (face && faceOwned) bytes += face->releasableBytes();
  if (partsSource && toUnicode) bytes += toUnicode->memoryBytes();
  if (descendant) bytes += descendant->releasableBytes();
  return bytes;
}
