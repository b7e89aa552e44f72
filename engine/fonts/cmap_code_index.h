#pragma once
// Lookup tables over a CMap's entries that answer "which entry, first in file order, matches
// these bytes" with binary searches instead of a walk over every entry. Lookups run once per
// shown character, and predefined CMaps hold tens of thousands of entries.

#include <array>
#include <cstdint>
#include <vector>

#include "engine/fonts/cmap_entries.h"

namespace CMaps {

inline constexpr int32_t kNoEntry = -1;

// Where the items of each leading byte start in a list sorted by value, so that a search only
// looks at the items that share the code's first byte.
struct LeadingByteIndex {
  std::array<uint32_t, 257> start{};

  template <typename Item, typename LowOf>
  void build(const std::vector<Item>& items, int length, LowOf lowOf) {
    const int shift = 8 * (length - 1);
    std::size_t i = 0;
    for (uint32_t b = 0; b <= 256; ++b) {
      while (i < items.size() && (lowOf(items[i]) >> shift) < b) ++i;
      start[b] = static_cast<uint32_t>(i);
    }
  }
};

// Single codes.
class CodeSet {
 public:
  void clear();
  // Entries must be added in file order (entry numbers increasing).
  void add(const CSChar& code, int32_t entry);
  // Call after the last add and before any lookup.
  void finish();

  // The first entry whose code equals the bytes at the start of `bytes` (codes longer than
  // available never match), with that code's length in length; kNoEntry when none does.
  int32_t firstMatch(const uint8_t* bytes, int32_t available, int& length) const;
  // The first entry whose code is exactly these length bytes.
  int32_t find(const uint8_t* bytes, int length) const;

 private:
  struct Item {
    uint32_t value;
    int32_t entry;
  };
  std::array<std::vector<Item>, kMaxCodeBytes + 1> byLength_;
  std::array<LeadingByteIndex, kMaxCodeBytes + 1> leads_;
};

// Code ranges with per-byte bounds.
class CodeRangeSet {
 public:
  void clear();
  // Entries must be added in file order (entry numbers increasing).
  void add(const CSRange& range, int32_t entry);
  // Call after the last add and before any lookup.
  void finish();

  // The first entry whose range bounds each byte at the start of `bytes`, with that range's
  // length in length; kNoEntry when none does.
  int32_t firstMatch(const uint8_t* bytes, int32_t available, int& length) const;
  // The first entry containing the code of exactly these length bytes.
  int32_t find(const uint8_t* bytes, int length) const;

 private:
  // A range that only varies in its last bytes (for example <8140> <817E>, or <0000> <FFFF>)
  // is one interval of numeric values; the intervals of one length are flattened into disjoint
  // segments, each owned by the first entry covering it.
  struct Segment {
    uint32_t low;
    uint32_t high;
    int32_t entry;
  };
  struct Interval {
    uint64_t low;
    uint64_t high;
    int32_t entry;
  };
  // Any other range (such as the codespace <8140> <9FFC>, whose second byte is bounded on its
  // own) is tested directly. Real CMaps have a handful of these.
  struct Box {
    CSRange range;
    int32_t entry;
  };

  static void flatten(std::vector<Interval>& intervals, std::vector<Segment>& segments);
  int32_t findLength(uint32_t value, const uint8_t* bytes, int length) const;

  std::array<std::vector<Interval>, kMaxCodeBytes + 1> intervals_;
  std::array<std::vector<Segment>, kMaxCodeBytes + 1> segments_;
  std::array<LeadingByteIndex, kMaxCodeBytes + 1> leads_;
  std::array<std::vector<Box>, kMaxCodeBytes + 1> boxes_;
};

}  // namespace CMaps
