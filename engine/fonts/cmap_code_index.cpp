#include "engine/fonts/cmap_code_index.h"

#include <algorithm>
#include <queue>

namespace CMaps {

void CodeSet::clear() {
  for (auto& items : byLength_) items.clear();
  leads_ = {};
}

void CodeSet::add(const CSChar& code, int32_t entry) {
  if (code.length < 1 || code.length > kMaxCodeBytes) return;
  byLength_[code.length].push_back(Item{codeValue(code.bytes.data(), code.length), entry});
}

void CodeSet::finish() {
  for (int n = 1; n <= kMaxCodeBytes; ++n) {
    auto& items = byLength_[n];
    // Stable: of equal codes the one earliest in the file stays.
    std::stable_sort(items.begin(), items.end(),
                     [](const Item& a, const Item& b) { return a.value < b.value; });
    items.erase(std::unique(items.begin(), items.end(),
                            [](const Item& a, const Item& b) { return a.value == b.value; }),
                items.end());
    items.shrink_to_fit();
    leads_[n].build(items, n, [](const Item& item) { return item.value; });
  }
}

int32_t CodeSet::find(const uint8_t* bytes, int length) const {
  if (length < 1 || length > kMaxCodeBytes) return kNoEntry;
  const auto& items = byLength_[length];
  if (items.empty()) return kNoEntry;
  const uint32_t value = codeValue(bytes, length);
  const auto end = items.begin() + leads_[length].start[bytes[0] + 1];
  auto it = std::lower_bound(items.begin() + leads_[length].start[bytes[0]], end, value,
                             [](const Item& item, uint32_t v) { return item.value < v; });
  return it != end && it->value == value ? it->entry : kNoEntry;
}

int32_t CodeSet::firstMatch(const uint8_t* bytes, int32_t available, int& length) const {
  int32_t best = kNoEntry;
  const int longest = available < kMaxCodeBytes ? static_cast<int>(available) : kMaxCodeBytes;
  for (int n = 1; n <= longest; ++n) {
    int32_t entry = find(bytes, n);
    if (entry != kNoEntry && (best == kNoEntry || entry < best)) {
      best = entry;
      length = n;
    }
  }
  return best;
}

void CodeRangeSet::clear() {
  for (int n = 0; n <= kMaxCodeBytes; ++n) {
    intervals_[n].clear();
    segments_[n].clear();
    boxes_[n].clear();
  }
  leads_ = {};
}

void CodeRangeSet::add(const CSRange& range, int32_t entry) {
  const int n = range.length;
  if (n < 1 || n > kMaxCodeBytes) return;
  // A byte whose bounds are crossed makes the range match nothing.
  for (int i = 0; i < n; ++i) {
    if (range.low[i] > range.high[i]) return;
  }
  int first = 0;
  while (first < n && range.low[first] == range.high[first]) ++first;
  bool interval = true;
  for (int i = first + 1; i < n; ++i) {
    if (range.low[i] != 0x00 || range.high[i] != 0xFF) interval = false;
  }
  if (interval) {
    intervals_[n].push_back(
        Interval{codeValue(range.low.data(), n), codeValue(range.high.data(), n), entry});
  } else {
    boxes_[n].push_back(Box{range, entry});
  }
}

void CodeRangeSet::finish() {
  for (int n = 1; n <= kMaxCodeBytes; ++n) {
    flatten(intervals_[n], segments_[n]);
    leads_[n].build(segments_[n], n, [](const Segment& segment) { return segment.low; });
    intervals_[n].clear();
    intervals_[n].shrink_to_fit();
  }
}

// Sweeps over the interval bounds with the active intervals in a heap ordered by entry, so each
// stretch between two bounds goes to the earliest entry covering it.
void CodeRangeSet::flatten(std::vector<Interval>& intervals, std::vector<Segment>& segments) {
  segments.clear();
  if (intervals.empty()) return;
  std::vector<uint64_t> bounds;
  bounds.reserve(intervals.size() * 2);
  for (const Interval& iv : intervals) {
    bounds.push_back(iv.low);
    bounds.push_back(iv.high + 1);
  }
  std::sort(bounds.begin(), bounds.end());
  bounds.erase(std::unique(bounds.begin(), bounds.end()), bounds.end());
  std::stable_sort(intervals.begin(), intervals.end(),
                   [](const Interval& a, const Interval& b) { return a.low < b.low; });

  struct Active {
    int32_t entry;
    uint64_t high;
    bool operator<(const Active& other) const { return entry > other.entry; }  // min-heap
  };
  std::priority_queue<Active> active;
  std::size_t next = 0;
  for (std::size_t b = 0; b + 1 < bounds.size(); ++b) {
    const uint64_t from = bounds[b];
    const uint64_t to = bounds[b + 1] - 1;
    while (next < intervals.size() && intervals[next].low <= from) {
      active.push(Active{intervals[next].entry, intervals[next].high});
      ++next;
    }
    while (!active.empty() && active.top().high < from) active.pop();
    if (active.empty()) continue;
    const int32_t owner = active.top().entry;
    if (!segments.empty() && segments.back().entry == owner &&
        uint64_t{segments.back().high} + 1 == from) {
      segments.back().high = static_cast<uint32_t>(to);
    } else {
      segments.push_back(Segment{static_cast<uint32_t>(from), static_cast<uint32_t>(to), owner});
    }
  }
}

int32_t CodeRangeSet::findLength(uint32_t value, const uint8_t* bytes, int length) const {
  int32_t best = kNoEntry;
  const auto& segments = segments_[length];
  if (!segments.empty()) {
    // The last segment starting at or below value lies among those of the same first byte,
    // or else is the one just before them (which may reach into this first byte).
    const uint32_t from = leads_[length].start[bytes[0]];
    auto it = std::upper_bound(segments.begin() + from,
                               segments.begin() + leads_[length].start[bytes[0] + 1], value,
                               [](uint32_t v, const Segment& s) { return v < s.low; });
    if (it != segments.begin()) {
      --it;
      if (value <= it->high) best = it->entry;
    }
  }
  for (const Box& box : boxes_[length]) {
    if (best != kNoEntry && box.entry > best) break;  // boxes are in file order
    if (box.range.contains(bytes, length)) {
      best = box.entry;
      break;
    }
  }
  return best;
}

int32_t CodeRangeSet::find(const uint8_t* bytes, int length) const {
  if (length < 1 || length > kMaxCodeBytes) return kNoEntry;
  return findLength(codeValue(bytes, length), bytes, length);
}

int32_t CodeRangeSet::firstMatch(const uint8_t* bytes, int32_t available, int& length) const {
  int32_t best = kNoEntry;
  const int longest = available < kMaxCodeBytes ? static_cast<int>(available) : kMaxCodeBytes;
  for (int n = 1; n <= longest; ++n) {
    if (segments_[n].empty() && boxes_[n].empty()) continue;
    int32_t entry = find(bytes, n);
    if (entry != kNoEntry && (best == kNoEntry || entry < best)) {
      best = entry;
      length = n;
    }
  }
  return best;
}

}  // namespace CMaps
