#include "engine/layout/gutter_finder.h"

#include <algorithm>
#include <tuple>

namespace {

constexpr float kUnbounded = 1e30f;

// A blank strip of a row: the gap between two spans, or the margin before the first or after
// the last (unbounded on that side).
struct Gap {
  float left;
  float right;
  bool wideLeft;   // the span just left of it is a column's worth of text
  bool wideRight;  // likewise on the right
};

// A strip blank on every row from start on, with the rows that had wide text beside it and
// the first and last of them.
struct Strip {
  float left;
  float right;
  int start;
  int wideLeftRows;
  int wideRightRows;
  int firstWide;
  int lastWide;

  Strip through(float l, float r, const Gap& g, int row) const {
    const bool wide = g.wideLeft || g.wideRight;
    return {l,
            r,
            start,
            wideLeftRows + g.wideLeft,
            wideRightRows + g.wideRight,
            firstWide < 0 && wide ? row : firstWide,
            wide ? row : lastWide};
  }
};

struct Gutter {
  float left;
  float right;
  int first;
  int last;
};

std::vector<Gap> gapsOf(const GutterFinder::Row& row, float minColumn) {
  std::vector<Gap> gaps;
  float left = -kUnbounded;
  bool wideLeft = false;
  for (const GutterFinder::Span& s : row.spans) {
    const bool wide = s.right - s.left >= minColumn;
    gaps.push_back({left, s.left, wideLeft, wide});
    left = s.right;
    wideLeft = wide;
  }
  gaps.push_back({left, kUnbounded, wideLeft, false});
  return gaps;
}

}  // namespace

std::vector<std::vector<float>> GutterFinder::find(const std::vector<Row>& rows, float bodySize) {
  const float minWidth = kMinGutterEm * bodySize;
  const float minColumn = kMinColumnWidthEm * bodySize;
  std::vector<Gutter> gutters;
  // A strip blank from its start row to row last.
  auto finish = [&](const Strip& s, int last) {
    if (s.left <= -kUnbounded || s.right >= kUnbounded || s.wideLeftRows < kMinGutterLines ||
        s.wideRightRows < kMinGutterLines)
      return;
    const float lead = kColumnLeadEm * bodySize;
    int first = s.firstWide, end = s.lastWide;
    for (int k = 0;
         k < kMaxLeadRows && first > s.start && rows[first].top - rows[first - 1].bottom <= lead;
         ++k)
      --first;
    for (int k = 0; k < kMaxLeadRows && end < last && rows[end + 1].top - rows[end].bottom <= lead;
         ++k)
      ++end;
    gutters.push_back({s.left, s.right, first, end});
  };

  // Sweep down the rows, narrowing every open strip by each row's gaps. A strip that narrows
  // ends there (its narrower part goes on), so every maximal blank rectangle is seen.
  std::vector<Strip> open, next;
  for (int i = 0; i < static_cast<int>(rows.size()); ++i) {
    const std::vector<Gap> gaps = gapsOf(rows[i], minColumn);
    if (i > 0 && rows[i].top - rows[i - 1].bottom > kMaxRowGapEm * bodySize) {
      for (const Strip& s : open) finish(s, i - 1);
      open.clear();
    }
    next.clear();
    for (const Strip& s : open) {
      bool goesOn = false;
      for (const Gap& g : gaps) {
        const float left = std::max(s.left, g.left), right = std::min(s.right, g.right);
        if (right - left < minWidth) continue;
        if (left == s.left && right == s.right) goesOn = true;
        next.push_back(s.through(left, right, g, i));
      }
      if (!goesOn) finish(s, i - 1);
    }
    const Strip fresh{0, 0, i, 0, 0, -1, -1};
    for (const Gap& g : gaps)
      if (g.right - g.left >= minWidth) next.push_back(fresh.through(g.left, g.right, g, i));

    // One strip per extent: the one that started highest.
    std::sort(next.begin(), next.end(), [](const Strip& a, const Strip& b) {
      return std::tie(a.left, a.right, a.start) < std::tie(b.left, b.right, b.start);
    });
    next.erase(std::unique(next.begin(), next.end(),
                           [](const Strip& a, const Strip& b) {
                             return a.left == b.left && a.right == b.right;
                           }),
               next.end());
    if (next.size() > static_cast<std::size_t>(kMaxOpenStrips)) {
      std::sort(next.begin(), next.end(), [](const Strip& a, const Strip& b) {
        return std::tie(a.start, b.right, a.left) < std::tie(b.start, a.right, b.left);
      });
      for (std::size_t k = kMaxOpenStrips; k < next.size(); ++k) finish(next[k], i);
      next.resize(kMaxOpenStrips);
    }
    std::swap(open, next);
  }
  for (const Strip& s : open) finish(s, static_cast<int>(rows.size()) - 1);

  if (gutters.size() > static_cast<std::size_t>(kMaxGutters)) {
    std::nth_element(
        gutters.begin(), gutters.begin() + kMaxGutters, gutters.end(),
        [](const Gutter& a, const Gutter& b) { return a.last - a.first > b.last - b.first; });
    gutters.resize(kMaxGutters);
  }

  // Each row is split once in every gap that a gutter passes through.
  std::vector<std::vector<int>> splitGaps(rows.size());
  std::vector<std::vector<float>> splits(rows.size());
  for (const Gutter& g : gutters) {
    for (int r = g.first; r <= g.last; ++r) {
      const std::vector<Span>& spans = rows[r].spans;
      const float middle = (g.left + g.right) / 2;
      const int gap =
          static_cast<int>(std::lower_bound(spans.begin(), spans.end(), middle,
                                            [](const Span& s, float x) { return s.right <= x; }) -
                           spans.begin());
      if (std::find(splitGaps[r].begin(), splitGaps[r].end(), gap) != splitGaps[r].end()) continue;
      splitGaps[r].push_back(gap);
      splits[r].push_back(middle);
    }
  }
  for (std::vector<float>& s : splits) std::sort(s.begin(), s.end());
  return splits;
}
