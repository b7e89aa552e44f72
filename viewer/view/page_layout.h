#pragma once
// Where each page lies in the strip of pages that the continuous and two-page views scroll
// through: rows of one page (or of two facing pages) stacked from top to bottom with a gap, in
// pixels at one zoom. Kept apart from painting so that anything that replays pages (painting,
// thumbnails, a later display list) places them the same way.

#include <QPoint>
#include <QRect>
#include <QSize>
#include <QSizeF>
#include <vector>

#include "viewer/view/zoom_model.h"

namespace Corvalis::Viewer {

// How a document window shows its pages. SinglePage is the one-page-at-a-time view; the others
// lay the pages out in a strip.
enum class ViewMode : int { SinglePage = 0, Continuous = 1, TwoPages = 2, TwoPagesContinuous = 3 };

inline bool isStripMode(ViewMode mode) { return mode != ViewMode::SinglePage; }
inline bool isTwoPageMode(ViewMode mode) {
  return mode == ViewMode::TwoPages || mode == ViewMode::TwoPagesContinuous;
}
inline bool isContinuousMode(ViewMode mode) {
  return mode == ViewMode::Continuous || mode == ViewMode::TwoPagesContinuous;
}

class PageLayout {
 public:
  // Pixels between rows and between facing pages, and around the strip (not zoomed).
  static constexpr int kGap = 8;
  static constexpr int kMargin = 8;
  // The strip is never taller than this many pixels (positions and scroll bars are int).
  static constexpr long long kMaxStripHeight = 1LL << 30;

  // sizes[i]: page i + 1 as shown (after its own and the view's rotation) in pixels at zoom 1.
  // Facing pages put the odd pages on the right when firstAlone is set (a book's first page is a
  // right-hand page), on the left otherwise.
  void build(const std::vector<QSizeF>& sizes, double zoom, bool facing, bool firstAlone);

  int pageCount() const { return static_cast<int>(pages_.size()); }
  int rowCount() const { return static_cast<int>(rows_.size()); }
  bool facing() const { return facing_; }
  QSize stripSize() const { return strip_; }
  // 1-based page; an empty rectangle for a page that is not laid out.
  QRect pageRect(int page) const;
  int rowOfPage(int page) const;
  // The pages of a row (one or two), left to right, and the row's extent.
  std::vector<int> pagesOfRow(int row) const;
  QRect rowRect(int row) const;
  // The pages that intersect an area of the strip, top to bottom, left to right.
  std::vector<int> pagesIn(const QRect& area) const;
  // The page under a strip point (0: none), or the nearest page to it.
  int pageAt(QPoint point) const;
  int nearestPage(QPoint point) const;
  // The page that covers most of the area (ties: the upper one); 0 when none shows.
  int mostVisiblePage(const QRect& area) const;

  // The zoom at which the rows of the common size fill the window's width (fit width) or show
  // whole (fit page); the given zoom in the other modes. rowWidth and rowHeight at zoom 1
  // without the gaps; pagesInRow: 1 or 2.
  static double fitZoom(ZoomMode mode, double zoom, QSize client, double rowWidth, double rowHeight,
                        int pagesInRow);
  // The largest zoom at which the pages stacked one under another stay within kMaxStripHeight.
  static double largestZoom(const std::vector<QSizeF>& sizes);
  // The row size (at zoom 1, without gaps) that most rows have: what fitting aims at, so that
  // one fold-out page does not shrink all the others.
  static QSizeF commonRowSize(const std::vector<QSizeF>& sizes, bool facing, bool firstAlone,
                              int* pagesInRow);

 private:
  struct Row {
    int firstPage = 1;
    int count = 1;
    QRect rect;
  };
  int firstRowBelow(int y) const;

  std::vector<QRect> pages_;
  std::vector<int> rowOf_;
  std::vector<Row> rows_;
  QSize strip_;
  bool facing_ = false;
};

}  // namespace Corvalis::Viewer
