#include "engine/layout/page_text_layout.h"

#include <algorithm>
#include <cmath>
#include <numeric>

#include "engine/layout/gutter_finder.h"
#include "engine/layout/reading_order.h"
#include "engine/layout/unicode_text.h"

namespace {

using unicode_text::isHighSurrogate;
using unicode_text::isLowSurrogate;
using unicode_text::isSpace;

// Distances below are in ems: multiples of the glyphs' height as collected (the font size).
// Glyphs whose baselines are this close form one row.
constexpr float kSameBaselineEm = 0.2f;
// The same glyph drawn again this close (along, across the line) is one glyph drawn twice to
// look bold or shadowed.
constexpr float kDuplicateShiftEm = 0.1f;
constexpr float kDuplicateRiseEm = 0.2f;
// Earlier glyphs of a line compared with each glyph for that.
constexpr int kDuplicateWindow = 8;
// A gap wider than this between two glyphs is a word space.
constexpr float kBlankGapEm = 0.15f;
// A gap wider than this inside a line ends the run (tab stops, a page number across the
// header); the next run stays on the same line.
constexpr float kRunSplitGapEm = 3.0f;
// A glyph's box as used for grouping lines: this far above and below its baseline.
constexpr float kAscentEm = 0.8f;
constexpr float kDescentEm = 0.25f;
// A raised or lowered piece of a line (superscript, subscript, footnote mark) joins the line
// whose box covers this share of its own box, when its size is within these ratios of the
// line's and it starts no further than the reach from the line's ends.
constexpr float kScriptOverlap = 0.5f;
constexpr float kScriptMinSizeRatio = 0.4f;
constexpr float kScriptMaxSizeRatio = 2.5f;
constexpr float kScriptReachEm = 0.6f;
// Rows above and below a piece searched for its line.
constexpr int kScriptSearchRows = 6;
// A line continues the block above it when the blank between them is at most this high, and
// it reaches out of the block's sides by at most this much (a wider line, such as a caption
// across two columns, starts a block of its own).
constexpr float kBlockGapEm = 1.0f;
constexpr float kBlockOutdentEm = 2.0f;
// Blocks still open for new lines; older ones are closed.
constexpr std::size_t kMaxOpenBlocks = 512;
// Records beyond this many on one page are not laid out.
constexpr std::size_t kMaxPageGlyphs = std::size_t(1) << 22;
// Coordinates and sizes are kept within these bounds (page units).
constexpr float kMaxCoordinate = 1e7f;
constexpr float kMinGlyphSize = 1e-3f;
constexpr float kMaxGlyphSize = 1e5f;

// One glyph in the frame of its orientation (u along the text, v down across it); a surrogate
// pair is one item, so that nothing separates its halves.
struct Item {
  char16_t units[2] = {0, 0};
  int count = 1;
  float positions[2] = {0, 0};
  float left = 0;
  float right = 0;
  float baseline = 0;
  float size = 1;
  int order = 0;
  bool blank = false;

  float centre() const { return (left + right) / 2; }
  float top() const { return baseline - kAscentEm * size; }
  float bottom() const { return baseline + kDescentEm * size; }
};

// A stretch of one row in one column, later the line with its raised and lowered pieces.
struct Segment {
  std::vector<Item> items;
  int row = 0;
  int column = 0;
  bool inColumns = false;  // its row is split by a gutter
  float baseline = 0;
  float size = 1;
  float left = 0;
  float right = 0;
  bool alive = true;

  float top() const { return baseline - kAscentEm * size; }
  float bottom() const { return baseline + kDescentEm * size; }
  void measure() {
    left = items.front().left;
    right = items.front().right;
    for (const Item& it : items) {
      left = std::min(left, it.left);
      right = std::max(right, it.right);
    }
  }
};

struct Block {
  std::vector<int> lines;  // segments, top to bottom
  ReadingOrder::Box box;
};

float clampCoordinate(float v) { return std::clamp(v, -kMaxCoordinate, kMaxCoordinate); }

bool finite(const CollectedGlyph& g) {
  return std::isfinite(g.x) && std::isfinite(g.y) && std::isfinite(g.width) &&
         std::isfinite(g.height);
}

int normalisedOrientation(int32_t degrees) {
  const int o = static_cast<int>(degrees % 360);
  return o < 0 ? o + 360 : o;
}

// The glyph records as items, grouped by orientation: upright text first, then each other
// orientation in the order it first appears; but the orientation of most of the page's glyphs
// comes first when that is not upright.
std::vector<std::pair<int, std::vector<Item>>> itemsByOrientation(
    const std::vector<CollectedGlyph>& glyphs) {
  std::vector<std::pair<int, std::vector<Item>>> frames;
  auto frameOf = [&](int orientation) -> std::vector<Item>& {
    for (auto& f : frames)
      if (f.first == orientation) return f.second;
    frames.push_back({orientation, {}});
    return frames.back().second;
  };
  const std::size_t n = std::min(glyphs.size(), kMaxPageGlyphs);
  frameOf(0).reserve(n);

  for (std::size_t i = 0; i < n; ++i) {
    const CollectedGlyph& g = glyphs[i];
    char16_t unit = g.unit;
    if (!finite(g) || isLowSurrogate(unit)) continue;  // a low half without its high half
    const bool pair = isHighSurrogate(unit);
    if (pair && (i + 1 >= n || !isLowSurrogate(glyphs[i + 1].unit) || !finite(glyphs[i + 1])))
      continue;
    if (unit < 0x20 || unit == 0x7F) {
      if (!unicode_text::isSeparator(unit)) continue;
      unit = u' ';
    }

    const int orientation = normalisedOrientation(g.orientation);
    double c = 1, s = 0;
    if (orientation != 0) {
      const double radians = orientation * 3.14159265358979323846 / 180.0;
      c = std::cos(radians);
      s = std::sin(radians);
    }
    auto along = [&](const CollectedGlyph& r) { return clampCoordinate(float(r.x * c - r.y * s)); };
    Item it;
    it.units[0] = unit;
    it.positions[0] = along(g);
    it.left = it.positions[0];
    it.right = it.left + std::clamp(std::fabs(g.width), 0.0f, kMaxGlyphSize);
    it.baseline = clampCoordinate(float(g.x * s + g.y * c));
    float size = std::fabs(g.height);
    if (!(size >= kMinGlyphSize)) size = std::max(std::fabs(g.width), kMinGlyphSize);
    it.size = std::min(size, kMaxGlyphSize);
    it.order = static_cast<int>(i);
    it.blank = isSpace(unit);
    if (pair) {
      const CollectedGlyph& low = glyphs[++i];
      it.units[1] = low.unit;
      it.count = 2;
      it.positions[1] = along(low);
      it.right = std::max(it.right,
                          it.positions[1] + std::clamp(std::fabs(low.width), 0.0f, kMaxGlyphSize));
    }
    frameOf(orientation).push_back(it);
  }
  // A page that is mostly turned or written in columns (a landscape table, a page written top to
  // bottom) is read in that direction first; its upright headers and page numbers follow.
  auto largest = std::max_element(frames.begin(), frames.end(), [](const auto& a, const auto& b) {
    return a.second.size() < b.second.size();
  });
  if (largest->second.size() > frames.front().second.size())
    std::rotate(frames.begin(), largest, largest + 1);
  return frames;
}

float medianSize(const std::vector<Item>& items) {
  std::vector<float> sizes;
  sizes.reserve(items.size());
  for (const Item& it : items)
    if (!it.blank) sizes.push_back(it.size);
  if (sizes.empty()) return items.empty() ? 1.0f : items.front().size;
  auto middle = sizes.begin() + sizes.size() / 2;
  std::nth_element(sizes.begin(), middle, sizes.end());
  return *middle;
}

bool leftToRight(const Item& a, const Item& b) {
  return a.centre() != b.centre() ? a.centre() < b.centre() : a.order < b.order;
}

bool sameGlyph(const Item& a, const Item& b) {
  if (a.count != b.count || a.units[0] != b.units[0] || a.units[1] != b.units[1]) return false;
  const float size = std::max(a.size, b.size);
  return std::fabs(a.size - b.size) <= 0.1f * size &&
         std::fabs(a.left - b.left) <= kDuplicateShiftEm * size &&
         std::fabs(a.baseline - b.baseline) <= kDuplicateRiseEm * size;
}

void sortAlong(std::vector<Item>& items) {
  // Text showing hands lines over mostly in order already.
  if (!std::is_sorted(items.begin(), items.end(), leftToRight))
    std::sort(items.begin(), items.end(), leftToRight);
}

// Sorts a line's items along it and keeps one of each glyph drawn twice.
void sortAndDeduplicate(std::vector<Item>& items) {
  sortAlong(items);
  std::size_t kept = 0;
  for (std::size_t i = 0; i < items.size(); ++i) {
    bool duplicate = false;
    for (std::size_t k = kept;
         k > 0 && kept - k < static_cast<std::size_t>(kDuplicateWindow) && !duplicate; --k)
      duplicate = sameGlyph(items[k - 1], items[i]);
    if (!duplicate) items[kept++] = items[i];
  }
  items.resize(kept);
}

// Rows: items of (nearly) one baseline, each sorted along the line.
std::vector<std::vector<Item>> rowsOf(const std::vector<Item>& items) {
  std::vector<std::pair<float, int>> byBaseline(items.size());
  for (std::size_t i = 0; i < items.size(); ++i)
    byBaseline[i] = {items[i].baseline, static_cast<int>(i)};
  if (!std::is_sorted(byBaseline.begin(), byBaseline.end()))
    std::sort(byBaseline.begin(), byBaseline.end());
  // Where each row starts in baseline order first, so that every row is allocated once.
  std::vector<std::size_t> rowStarts;
  float start = 0, smallest = 0;
  for (std::size_t i = 0; i < byBaseline.size(); ++i) {
    const float baseline = byBaseline[i].first;
    const Item& it = items[byBaseline[i].second];
    const float size = rowStarts.empty() ? it.size : std::min(smallest, it.size);
    if (rowStarts.empty() || baseline - start > kSameBaselineEm * size) {
      rowStarts.push_back(i);
      start = baseline;
      smallest = it.size;
    } else {
      smallest = size;
    }
  }
  std::vector<std::vector<Item>> rows(rowStarts.size());
  for (std::size_t r = 0; r < rowStarts.size(); ++r) {
    const std::size_t end = r + 1 < rowStarts.size() ? rowStarts[r + 1] : byBaseline.size();
    rows[r].reserve(end - rowStarts[r]);
    for (std::size_t i = rowStarts[r]; i < end; ++i) rows[r].push_back(items[byBaseline[i].second]);
  }
  for (auto& row : rows) sortAlong(row);
  return rows;
}

// The stretches of a row covered by text, for finding gutters.
GutterFinder::Row spansOf(const std::vector<Item>& row, float bodySize) {
  GutterFinder::Row spans;
  spans.top = row.front().top();
  spans.bottom = row.front().bottom();
  float lastSize = 0;
  for (const Item& it : row) {
    spans.top = std::min(spans.top, it.top());
    spans.bottom = std::max(spans.bottom, it.bottom());
    if (it.blank) continue;
    const float join = GutterFinder::kMinGutterEm * std::max({bodySize, it.size, lastSize});
    if (spans.spans.empty() || it.left - spans.spans.back().right >= join) {
      spans.spans.push_back({it.left, it.right});
    } else {
      spans.spans.back().right = std::max(spans.spans.back().right, it.right);
    }
    lastSize = it.size;
  }
  return spans;
}

// Rows split at the gutters into segments, with each segment's host line values.
// The rows are taken apart.
std::vector<Segment> segmentsOf(std::vector<std::vector<Item>>& rows,
                                const std::vector<std::vector<float>>& splits) {
  std::vector<Segment> segments;
  segments.reserve(rows.size());
  for (std::size_t r = 0; r < rows.size(); ++r) {
    const std::size_t first = segments.size();
    const std::vector<float>& cuts = splits[r];
    if (cuts.empty() && !rows[r].empty()) {
      // A row without gutters is one segment.
      segments.emplace_back();
      segments.back().row = static_cast<int>(r);
      segments.back().items = std::move(rows[r]);
    } else {
      for (const Item& it : rows[r]) {
        const int column = static_cast<int>(
            std::lower_bound(cuts.begin(), cuts.end(), it.centre()) - cuts.begin());
        if (segments.size() == first || segments.back().column != column) {
          segments.emplace_back();
          segments.back().row = static_cast<int>(r);
          segments.back().column = column;
          segments.back().inColumns = true;
        }
        segments.back().items.push_back(it);
      }
    }
    for (std::size_t s = first; s < segments.size(); ++s) {
      Segment& seg = segments[s];
      // The line's baseline and size are those of its largest glyphs.
      const Item* largest = nullptr;
      for (const Item& it : seg.items)
        if (!it.blank && (!largest || it.size > largest->size)) largest = &it;
      if (!largest) largest = &seg.items.front();
      seg.baseline = largest->baseline;
      seg.size = largest->size;
      seg.measure();
    }
  }
  return segments;
}

int printedCount(const Segment& s) {
  int n = 0;
  for (const Item& it : s.items) n += !it.blank;
  return n;
}

// Raised and lowered pieces join the line they belong to; so do the parts of a line whose
// baseline drifted into another row.
void joinScripts(std::vector<Segment>& segments, std::size_t rowCount) {
  // Segments come row by row: those of row r are rowFirst[r] up to rowFirst[r + 1].
  std::vector<int> rowFirst(rowCount + 1, static_cast<int>(segments.size()));
  for (int i = static_cast<int>(segments.size()) - 1; i >= 0; --i) rowFirst[segments[i].row] = i;
  for (std::size_t r = rowCount; r > 0; --r)
    rowFirst[r - 1] = std::min(rowFirst[r - 1], rowFirst[r]);
  std::vector<int> weight(segments.size());
  for (std::size_t i = 0; i < segments.size(); ++i) weight[i] = printedCount(segments[i]);
  // A host outweighs its pieces: more glyphs, then larger, then higher up.
  auto heavier = [&](int a, int b) {
    const Segment& x = segments[a];
    const Segment& y = segments[b];
    if (weight[a] != weight[b]) return weight[a] > weight[b];
    if (x.size != y.size) return x.size > y.size;
    return x.row < y.row;
  };
  std::vector<int> lightestFirst(segments.size());
  std::iota(lightestFirst.begin(), lightestFirst.end(), 0);
  std::sort(lightestFirst.begin(), lightestFirst.end(),
            [&](int a, int b) { return heavier(b, a); });

  for (int s : lightestFirst) {
    Segment& piece = segments[s];
    const float pieceHeight = piece.bottom() - piece.top();
    int best = -1;
    float bestShare = 0, bestDistance = 0;
    const int row = piece.row;
    for (int r = std::max(0, row - kScriptSearchRows);
         r <= std::min(static_cast<int>(rowCount) - 1, row + kScriptSearchRows); ++r) {
      if (r == row) continue;
      for (int h = rowFirst[r]; h < rowFirst[r + 1]; ++h) {
        const Segment& host = segments[h];
        if (!host.alive || host.column != piece.column || !heavier(h, s)) continue;
        if (piece.size < kScriptMinSizeRatio * host.size ||
            piece.size > kScriptMaxSizeRatio * host.size)
          continue;
        const float reach = kScriptReachEm * host.size;
        if (piece.left > host.right + reach || piece.right < host.left - reach ||
            piece.right - piece.left > host.right - host.left + reach)
          continue;
        const float share =
            (std::min(piece.bottom(), host.bottom()) - std::max(piece.top(), host.top())) /
            pieceHeight;
        if (share < kScriptOverlap) continue;
        const float distance = std::max({0.0f, piece.left - host.right, host.left - piece.right});
        if (best < 0 || share > bestShare || (share == bestShare && distance < bestDistance)) {
          best = h;
          bestShare = share;
          bestDistance = distance;
        }
      }
    }
    if (best < 0) continue;
    Segment& host = segments[best];
    host.items.insert(host.items.end(), piece.items.begin(), piece.items.end());
    host.left = std::min(host.left, piece.left);
    host.right = std::max(host.right, piece.right);
    weight[best] += weight[s];
    piece.alive = false;
    piece.items.clear();
  }
}

// Lines stacked closely in one column form blocks; returns them with their lines in order.
std::vector<Block> blocksOf(const std::vector<Segment>& segments, const std::vector<int>& lines) {
  std::vector<int> sorted = lines;
  std::sort(sorted.begin(), sorted.end(), [&](int a, int b) {
    const Segment& x = segments[a];
    const Segment& y = segments[b];
    return x.baseline != y.baseline ? x.baseline < y.baseline : x.left < y.left;
  });
  std::vector<Block> blocks;
  std::vector<int> open;
  for (int s : sorted) {
    const Segment& line = segments[s];
    int best = -1;
    float bestGap = 0, bestOverlap = 0;
    for (int b : open) {
      const Segment& last = segments[blocks[b].lines.back()];
      if (last.column != line.column || last.row == line.row || line.baseline <= last.baseline)
        continue;
      const float gap = line.top() - last.bottom();
      const float overlap = std::min(line.right, last.right) - std::max(line.left, last.left);
      const float size = std::max(line.size, last.size);
      if (gap > kBlockGapEm * size || overlap <= 0) continue;
      const ReadingOrder::Box& box = blocks[b].box;
      if (line.left < box.left - kBlockOutdentEm * size ||
          line.right > box.right + kBlockOutdentEm * size)
        continue;
      if (best < 0 || gap < bestGap || (gap == bestGap && overlap > bestOverlap)) {
        best = b;
        bestGap = gap;
        bestOverlap = overlap;
      }
    }
    if (best < 0) {
      best = static_cast<int>(blocks.size());
      blocks.push_back({{}, {line.left, line.top(), line.right, line.bottom(), false}});
      open.push_back(best);
      if (open.size() > kMaxOpenBlocks) open.erase(open.begin());
    }
    Block& block = blocks[best];
    block.lines.push_back(s);
    block.box.left = std::min(block.box.left, line.left);
    block.box.right = std::max(block.box.right, line.right);
    block.box.top = std::min(block.box.top, line.top());
    block.box.bottom = std::max(block.box.bottom, line.bottom());
    block.box.inColumns = block.box.inColumns || line.inColumns;
  }
  return blocks;
}

// Turns a line into runs: blanks where the glyphs leave a word space, a new run after a very
// wide gap.
void appendRuns(const Segment& line, int32_t lineNumber, int orientation,
                std::vector<std::unique_ptr<TextRun>>& runs) {
  TextRun* run = nullptr;
  float lastRight = 0, lastSize = 0;
  auto finishRun = [&] {
    if (!run) return;
    while (!run->text.empty() && isSpace(run->text.back())) {
      run->text.pop_back();
      run->positions.pop_back();
    }
    if (run->text.empty()) runs.pop_back();
    run = nullptr;
  };
  for (std::size_t i = 0; i < line.items.size(); ++i) {
    const Item& it = line.items[i];
    if (run) {
      const float gap = it.left - lastRight;
      if (gap > kRunSplitGapEm * line.size) {
        finishRun();
      } else if (!it.blank && !isSpace(run->text.back()) &&
                 gap > kBlankGapEm * std::min(lastSize, it.size)) {
        run->text.push_back(u' ');
        run->positions.push_back(lastRight);
      }
    }
    if (!run) {
      if (it.blank) continue;  // runs start with a printed glyph
      runs.push_back(std::make_unique<TextRun>());
      run = runs.back().get();
      run->baseline = line.baseline;
      run->top = line.baseline - line.size;
      run->fontSize = line.size;
      run->line = lineNumber;
      run->column = line.column;
      run->orientation = orientation;
      run->right = it.right;
      lastRight = it.right;
      // Mostly a line is one run: room for the rest of it at once.
      run->text.reserve(line.items.size() - i);
      run->positions.reserve(line.items.size() - i);
    }
    lastRight = std::max(lastRight, it.right);
    lastSize = it.size;
    if (it.blank && isSpace(run->text.back())) continue;  // one blank, not two
    for (int u = 0; u < it.count; ++u) {
      const char16_t unit = it.units[u];
      run->text.push_back(unit < 0x20 ? u' ' : unit);
      run->positions.push_back(it.positions[u]);
    }
    run->right = std::max(run->right, it.right);
    run->top = std::min(run->top, it.baseline - it.size);
  }
  finishRun();
}

}  // namespace

PageTextLayout::PageTextLayout() = default;
PageTextLayout::~PageTextLayout() = default;

void PageTextLayout::build(const std::vector<CollectedGlyph>& glyphs) {
  runs_.clear();
  int32_t lineNumber = 0;
  for (auto& [orientation, items] : itemsByOrientation(glyphs)) {
    if (items.empty()) continue;
    const float bodySize = medianSize(items);
    std::vector<std::vector<Item>> rows = rowsOf(items);
    items.clear();

    std::vector<GutterFinder::Row> spans;
    spans.reserve(rows.size());
    for (const auto& row : rows) spans.push_back(spansOf(row, bodySize));
    std::vector<Segment> segments = segmentsOf(rows, GutterFinder::find(spans, bodySize));
    rows.clear();
    joinScripts(segments, spans.size());

    std::vector<int> lines;
    for (int i = 0; i < static_cast<int>(segments.size()); ++i) {
      Segment& s = segments[i];
      if (!s.alive) continue;
      sortAndDeduplicate(s.items);
      if (printedCount(s) == 0) continue;
      s.measure();
      lines.push_back(i);
    }

    std::vector<Block> blocks = blocksOf(segments, lines);
    std::vector<ReadingOrder::Box> boxes;
    boxes.reserve(blocks.size());
    for (const Block& b : blocks) boxes.push_back(b.box);
    for (int b : ReadingOrder::order(boxes))
      for (int s : blocks[b].lines) appendRuns(segments[s], lineNumber++, orientation, runs_);
  }

  TextRun* previous = nullptr;
  for (auto& run : runs_) {
    run->previous = previous;
    if (previous) previous->next = run.get();
    previous = run.get();
  }
  built_ = true;
}

void PageTextLayout::release() {
  runs_.clear();
  built_ = false;
}
