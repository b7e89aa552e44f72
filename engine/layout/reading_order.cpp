#include "engine/layout/reading_order.h"

#include <algorithm>
#include <numeric>

namespace {

// Edges closer than this (page units) count as touching rather than overlapping.
constexpr float kTouch = 0.5f;

bool overlapsAcross(const ReadingOrder::Box& a, const ReadingOrder::Box& b) {
  return std::min(a.right, b.right) - std::max(a.left, b.left) > kTouch;
}

bool topLeftFirst(const ReadingOrder::Box& a, const ReadingOrder::Box& b) {
  return a.top != b.top ? a.top < b.top : a.left < b.left;
}

}  // namespace

std::vector<int> ReadingOrder::order(const std::vector<Box>& boxes) {
  const int n = static_cast<int>(boxes.size());
  std::vector<int> result(n);
  std::iota(result.begin(), result.end(), 0);
  auto byPosition = [&](int a, int b) {
    return topLeftFirst(boxes[a], boxes[b]) || (!topLeftFirst(boxes[b], boxes[a]) && a < b);
  };
  if (n <= 1 || n > kMaxOrderedBlocks) {
    std::stable_sort(result.begin(), result.end(), byPosition);
    return result;
  }

  // Something lies between a and b vertically and reaches across both.
  auto spannedBetween = [&](const Box& a, const Box& b) {
    const float upper = std::min(a.bottom, b.bottom), lower = std::max(a.top, b.top);
    if (upper >= lower) return false;
    for (const Box& c : boxes) {
      if (c.top >= upper - kTouch && c.bottom <= lower + kTouch && overlapsAcross(c, a) &&
          overlapsAcross(c, b))
        return true;
    }
    return false;
  };
  auto before = [&](int i, int j) {
    const Box& a = boxes[i];
    const Box& b = boxes[j];
    if (overlapsAcross(a, b)) return byPosition(i, j);
    if (a.right > b.left + kTouch) return false;
    const bool beside = std::min(a.bottom, b.bottom) > std::max(a.top, b.top);
    return (beside || (a.inColumns && b.inColumns)) && !spannedBetween(a, b);
  };

  std::vector<std::vector<int>> successors(n);
  std::vector<int> pending(n, 0);
  for (int i = 0; i < n; ++i)
    for (int j = 0; j < n; ++j)
      if (i != j && before(i, j)) {
        successors[i].push_back(j);
        ++pending[j];
      }

  // Take the highest free block each time; should the rules ever form a cycle, the highest
  // block left breaks it.
  std::vector<bool> done(n, false);
  result.clear();
  for (int step = 0; step < n; ++step) {
    int pick = -1;
    for (int i = 0; i < n; ++i)
      if (!done[i] && pending[i] == 0 && (pick < 0 || byPosition(i, pick))) pick = i;
    if (pick < 0)
      for (int i = 0; i < n; ++i)
        if (!done[i] && (pick < 0 || byPosition(i, pick))) pick = i;
    done[pick] = true;
    result.push_back(pick);
    for (int j : successors[pick]) --pending[j];
  }
  return result;
}
