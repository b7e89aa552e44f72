#include "viewer/view/page_layout.h"

#include <gtest/gtest.h>

namespace Corvalis::Viewer {
namespace {

std::vector<QSizeF> letterPages(int count) { return std::vector<QSizeF>(count, QSizeF(816, 1056)); }

TEST(PageLayout, AColumnOfPagesWithGapsCentredInTheStrip) {
  std::vector<QSizeF> sizes = letterPages(3);
  sizes[1] = QSizeF(1056, 816);  // a landscape page among portrait ones
  PageLayout layout;
  layout.build(sizes, 0.5, false, false);
  ASSERT_EQ(layout.rowCount(), 3);
  const int g = PageLayout::kGap, m = PageLayout::kMargin;
  EXPECT_EQ(layout.pageRect(1), QRect(m + (528 - 408) / 2, m, 408, 528));
  EXPECT_EQ(layout.pageRect(2).top(), m + 528 + g);
  EXPECT_EQ(layout.pageRect(2).width(), 528);
  EXPECT_EQ(layout.pageRect(3).top(), m + 528 + g + 408 + g);
  EXPECT_EQ(layout.stripSize(), QSize(528 + 2 * m, m + 528 + g + 408 + g + 528 + m));
  EXPECT_TRUE(layout.pageRect(0).isEmpty());
  EXPECT_TRUE(layout.pageRect(4).isEmpty());
}

TEST(PageLayout, FacingPagesWithAndWithoutTheFirstAlone) {
  PageLayout book;
  book.build(letterPages(5), 0.5, true, true);
  // 1 | 2 3 | 4 5: the first page alone on the right of the spine.
  ASSERT_EQ(book.rowCount(), 3);
  const int spine = book.stripSize().width() / 2;
  EXPECT_EQ(book.pagesOfRow(0), std::vector<int>{1});
  EXPECT_GT(book.pageRect(1).left(), spine);
  EXPECT_EQ(book.pagesOfRow(1), (std::vector<int>{2, 3}));
  EXPECT_LT(book.pageRect(2).right(), spine);
  EXPECT_GT(book.pageRect(3).left(), spine);
  EXPECT_EQ(book.pageRect(2).top(), book.pageRect(3).top());
  EXPECT_EQ(book.pageRect(3).left() - book.pageRect(2).right() - 1, PageLayout::kGap);
  EXPECT_EQ(book.rowOfPage(5), 2);

  PageLayout plain;
  plain.build(letterPages(5), 0.5, true, false);
  // 1 2 | 3 4 | 5: the odd last page alone on the left.
  ASSERT_EQ(plain.rowCount(), 3);
  EXPECT_EQ(plain.pagesOfRow(0), (std::vector<int>{1, 2}));
  EXPECT_EQ(plain.pagesOfRow(2), std::vector<int>{5});
  EXPECT_LT(plain.pageRect(5).right(), plain.stripSize().width() / 2);
}

TEST(PageLayout, FindsPagesByPlace) {
  PageLayout layout;
  layout.build(letterPages(100), 0.5, false, false);
  const QRect p10 = layout.pageRect(10);
  EXPECT_EQ(layout.pageAt(p10.center()), 10);
  // The gap between two pages belongs to neither, but the nearer one is found.
  const QPoint gap(p10.center().x(), p10.bottom() + 2);
  EXPECT_EQ(layout.pageAt(gap), 0);
  EXPECT_EQ(layout.nearestPage(gap), 10);
  EXPECT_EQ(layout.nearestPage(QPoint(p10.center().x(), p10.bottom() + PageLayout::kGap)), 11);
  EXPECT_EQ(layout.nearestPage(QPoint(-50, -50)), 1);
  EXPECT_EQ(layout.nearestPage(QPoint(0, layout.stripSize().height() + 500)), 100);
  // A window showing the bottom third of page 10 and the top two thirds of page 11.
  const QRect window(0, p10.top() + p10.height() * 2 / 3, 600, p10.height());
  EXPECT_EQ(layout.pagesIn(window), (std::vector<int>{10, 11}));
  EXPECT_EQ(layout.mostVisiblePage(window), 11);
  EXPECT_TRUE(layout.pagesIn(QRect()).empty());
}

TEST(PageLayout, FitsTheCommonRowSize) {
  std::vector<QSizeF> sizes = letterPages(9);
  sizes[4] = QSizeF(2000, 1056);  // one fold-out does not shrink the others
  int perRow = 0;
  const QSizeF common = PageLayout::commonRowSize(sizes, false, false, &perRow);
  EXPECT_EQ(common, QSizeF(816, 1056));
  EXPECT_EQ(perRow, 1);
  const QSize client(831, 600);
  EXPECT_DOUBLE_EQ(PageLayout::fitZoom(ZoomMode::FitWidth, 1, client, 816, 1056, 1), 1.0);
  EXPECT_DOUBLE_EQ(PageLayout::fitZoom(ZoomMode::FitPage, 1, client, 816, 1056, 1),
                   (600 - kFitMargin) / 1056);
  EXPECT_DOUBLE_EQ(PageLayout::fitZoom(ZoomMode::Custom, 9, client, 816, 1056, 1), kMaxZoom);
  // Facing rows are fitted as two pages with the gap between them.
  const QSizeF spread = PageLayout::commonRowSize(sizes, true, true, &perRow);
  EXPECT_EQ(spread, QSizeF(1632, 1056));
  EXPECT_EQ(perRow, 2);
  EXPECT_DOUBLE_EQ(
      PageLayout::fitZoom(ZoomMode::FitWidth, 1, QSize(1632 + 15 + 8, 900), 1632, 1056, 2), 1.0);
  EXPECT_EQ(PageLayout::commonRowSize({}, false, false, &perRow), QSizeF(1, 1));
}

TEST(PageLayout, AHugeStripIsShownSmallerRatherThanOverflow) {
  // 100,000 pages 200 inches tall: at 400 % they would need 7.7e9 pixels.
  const std::vector<QSizeF> sizes(100000, QSizeF(19200, 19200));
  const double zoom = PageLayout::largestZoom(sizes);
  EXPECT_LT(zoom, kMaxZoom);
  PageLayout layout;
  layout.build(sizes, zoom, false, false);
  EXPECT_GT(layout.stripSize().height(), 0);
  EXPECT_LE(layout.stripSize().height(), PageLayout::kMaxStripHeight);
  EXPECT_GT(layout.pageRect(100000).top(), layout.pageRect(99999).top());
  EXPECT_DOUBLE_EQ(PageLayout::largestZoom(letterPages(10)), kMaxZoom);
}

}  // namespace
}  // namespace Corvalis::Viewer
