#pragma once
// CMaps::EncodingCMap: the code-to-CID CMap of a Type0 font's Encoding.

#include <cstdint>
#include <memory>
#include <vector>

#include "engine/fonts/cmap.h"

namespace CMaps {

class EncodingCMap : public BasicCMap {
 public:
  EncodingCMap() = default;

  // The CID of the code at bytes (count bytes remain). codeLength 0 determines the length
  // first. False when no entry of this CMap or its used CMaps maps the code.
  bool toCID(const uint8_t* bytes, int32_t count, int codeLength, uint16_t& cid) const;

  const std::vector<CIDChar>& cidChars() const { return cidChars_; }
  const std::vector<CIDRange>& cidRanges() const { return cidRanges_; }
  const std::vector<CIDRange>& notdefRanges() const { return notdefRanges_; }

 protected:
  std::unique_ptr<BasicCMap> createEmpty() const override;
  Step handleKeyword(const PdfObject& keyword, CMapReader& reader) override;
  void handleName(const PdfObject& name, CMapReader& reader) override;
  int entryCodeLength(const uint8_t* bytes, int32_t count) const override;
  void finishEntries() override;

 private:
  // The CID from this CMap's own entries.
  bool ownCID(const uint8_t* bytes, int length, uint16_t& cid) const;
  Step readRanges(CMapReader& reader, const char* end, std::vector<CIDRange>& ranges);
  void readSystemInfo(CMapReader& reader);

  std::vector<CIDChar> cidChars_;
  std::vector<CIDRange> cidRanges_;
  std::vector<CIDRange> notdefRanges_;
  CodeSet cidCharIndex_;
  CodeRangeSet cidRangeIndex_;
  CodeRangeSet notdefIndex_;
};

}  // namespace CMaps
