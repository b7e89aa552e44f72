#pragma once
// CMaps::ToUnicodeCMap: maps codes to Unicode text (a font's ToUnicode stream, or a predefined
// UCS-2 CMap looked up by CID).

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "engine/fonts/cmap.h"

namespace CMaps {

// Destinations longer than this are cut: no single code stands for more text.
inline constexpr std::size_t kMaxDestinationBytes = 512;
// Array destinations are indexed by a 16-bit offset, so later elements are unreachable.
inline constexpr std::size_t kMaxArrayDestinations = 65536;

class ToUnicodeCMap : public BasicCMap {
 public:
  ToUnicodeCMap() = default;

  // Appends the text of the code at bytes (count bytes remain) to text as UTF-16 code units;
  // codeLength 0 determines the length first. A destination's valid surrogate pairs are kept
  // and lone surrogates dropped. True when any unit was appended.
  bool toUnicode(const uint8_t* bytes, int32_t count, int codeLength, std::u16string& text) const;

  const std::vector<BFChar>& bfChars() const { return bfChars_; }
  const std::vector<BFRange>& bfRanges() const { return bfRanges_; }
  // Roughly the heap bytes of the entries and their indexes.
  std::size_t memoryBytes() const;

 protected:
  std::unique_ptr<BasicCMap> createEmpty() const override;
  Step handleKeyword(const PdfObject& keyword, CMapReader& reader) override;
  int entryCodeLength(const uint8_t* bytes, int32_t count) const override;
  void finishEntries() override;

 private:
  // 0: no entry of this CMap maps the code; 1: one did, text appended; -1: one did, no text.
  int ownText(const uint8_t* bytes, int length, std::u16string& text) const;

  std::vector<BFChar> bfChars_;
  std::vector<BFRange> bfRanges_;
  CodeSet bfCharIndex_;
  CodeRangeSet bfRangeIndex_;
};

// Appends the UTF-16BE bytes of destination to text (a trailing odd byte is a unit of its own),
// with addToLast added to the last unit; keeps valid surrogate pairs, drops lone surrogates.
// True when any unit was appended.
bool appendUtf16(std::string_view destination, uint16_t addToLast, std::u16string& text);

}  // namespace CMaps
