#pragma once
// Puts the blocks of a page (paragraph-like groups of lines) in the order a reader takes them:
// a block comes before the blocks below it that it overlaps across, and before the blocks to
// its right beside it. A block of a column comes before the blocks of columns to its right,
// higher up too, unless something between them vertically spans both (a heading or a figure
// caption across two columns ends those columns there).

#include <vector>

class ReadingOrder {
 public:
  // Above this many blocks the pairwise rules cost too much; such pages (scattered labels,
  // maps) are read top to bottom, left to right.
  static constexpr int kMaxOrderedBlocks = 300;

  struct Box {
    float left = 0;
    float top = 0;
    float right = 0;
    float bottom = 0;
    // Part of a page area split into columns.
    bool inColumns = false;
  };

  // Indices of boxes in reading order.
  static std::vector<int> order(const std::vector<Box>& boxes);
};
