#include "viewer/view/page_layout.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <utility>

#include "viewer/view/page_image.h"

namespace Corvalis::Viewer {

namespace {

int zoomed(double side, double zoom) {
  // As the page bitmap is sized, so that a drawn page fills its place exactly.
  return std::max(1, pageBitmapSize(side, side, zoom).width());
}

// Whether the page starts a row of facing pages.
bool startsRow(int page, bool firstAlone) {
  return firstAlone ? (page == 1 || page % 2 == 0) : page % 2 == 1;
}

// Whether the page is shown in the right-hand column of facing pages.
bool onTheRight(int page, bool firstAlone) { return firstAlone ? page % 2 == 1 : page % 2 == 0; }

}  // namespace

void PageLayout::build(const std::vector<QSizeF>& sizes, double zoom, bool facing,
                       bool firstAlone) {
  facing_ = facing;
  const int count = static_cast<int>(sizes.size());
  pages_.assign(sizes.size(), QRect());
  rowOf_.assign(sizes.size(), 0);
  rows_.clear();
  std::vector<QSize> px(sizes.size());
  int widest = 1;
  for (int i = 0; i < count; ++i) {
    px[i] = QSize(zoomed(sizes[i].width(), zoom), zoomed(sizes[i].height(), zoom));
    widest = std::max(widest, px[i].width());
  }
  const int stripWidth = facing ? 2 * kMargin + 2 * widest + kGap : 2 * kMargin + widest;
  const int spine = stripWidth / 2;
  int y = kMargin;
  for (int page = 1; page <= count;) {
    Row row;
    row.firstPage = page;
    row.count = 1;
    if (facing && page < count && startsRow(page, firstAlone) && !(firstAlone && page == 1))
      row.count = 2;
    int height = 0;
    for (int p = page; p < page + row.count; ++p) height = std::max(height, px[p - 1].height());
    for (int p = page; p < page + row.count; ++p) {
      const QSize s = px[p - 1];
      int x = spine - s.width() / 2;
      if (facing) x = onTheRight(p, firstAlone) ? spine + kGap / 2 : spine - kGap / 2 - s.width();
      pages_[p - 1] = QRect(QPoint(x, y + (height - s.height()) / 2), s);
      rowOf_[p - 1] = static_cast<int>(rows_.size());
    }
    row.rect = QRect(0, y, stripWidth, height);
    rows_.push_back(row);
    y += height + kGap;
    page += row.count;
  }
  strip_ = QSize(stripWidth, rows_.empty() ? 2 * kMargin : y - kGap + kMargin);
}

QRect PageLayout::pageRect(int page) const {
  return page >= 1 && page <= pageCount() ? pages_[page - 1] : QRect();
}

int PageLayout::rowOfPage(int page) const {
  return page >= 1 && page <= pageCount() ? rowOf_[page - 1] : -1;
}

std::vector<int> PageLayout::pagesOfRow(int row) const {
  std::vector<int> out;
  if (row < 0 || row >= rowCount()) return out;
  for (int i = 0; i < rows_[row].count; ++i) out.push_back(rows_[row].firstPage + i);
  // A lone first page on the right is still the row's only page; facing rows go left to right.
  return out;
}

QRect PageLayout::rowRect(int row) const {
  return row >= 0 && row < rowCount() ? rows_[row].rect : QRect();
}

int PageLayout::firstRowBelow(int y) const {
  // The first row whose bottom is at or below y.
  auto it = std::lower_bound(rows_.begin(), rows_.end(), y,
                             [](const Row& r, int value) { return r.rect.bottom() < value; });
  return static_cast<int>(it - rows_.begin());
}

std::vector<int> PageLayout::pagesIn(const QRect& area) const {
  std::vector<int> out;
  if (area.isEmpty()) return out;
  for (int row = firstRowBelow(area.top()); row < rowCount(); ++row) {
    if (rows_[row].rect.top() > area.bottom()) break;
    for (int page : pagesOfRow(row))
      if (pages_[page - 1].intersects(area)) out.push_back(page);
  }
  return out;
}

int PageLayout::pageAt(QPoint point) const {
  const int row = firstRowBelow(point.y());
  for (int page : pagesOfRow(row))
    if (pages_[page - 1].contains(point)) return page;
  return 0;
}

int PageLayout::nearestPage(QPoint point) const {
  if (rows_.empty()) return 0;
  int row = std::min(firstRowBelow(point.y()), rowCount() - 1);
  // In the gap above a row the row above is as near as it is.
  if (row > 0 && point.y() < rows_[row].rect.top() &&
      point.y() - rows_[row - 1].rect.bottom() < rows_[row].rect.top() - point.y())
    --row;
  int best = 0;
  int bestDistance = 0;
  for (int page : pagesOfRow(row)) {
    const QRect& r = pages_[page - 1];
    const int dx = point.x() < r.left() ? r.left() - point.x()
                                        : (point.x() > r.right() ? point.x() - r.right() : 0);
    if (best == 0 || dx < bestDistance) {
      best = page;
      bestDistance = dx;
    }
  }
  return best;
}

int PageLayout::mostVisiblePage(const QRect& area) const {
  int best = 0;
  long long bestArea = 0;
  for (int page : pagesIn(area)) {
    const QRect shown = pages_[page - 1] & area;
    const long long a = static_cast<long long>(shown.width()) * shown.height();
    if (a > bestArea) {
      best = page;
      bestArea = a;
    }
  }
  return best;
}

double PageLayout::fitZoom(ZoomMode mode, double zoom, QSize client, double rowWidth,
                           double rowHeight, int pagesInRow) {
  const double gaps = pagesInRow > 1 ? kGap : 0;
  const double width = std::max(1.0, rowWidth), height = std::max(1.0, rowHeight);
  if (mode == ZoomMode::FitWidth) {
    zoom = (client.width() - kFitMargin - gaps) / width;
  } else if (mode == ZoomMode::FitPage) {
    zoom = std::min((client.width() - kFitMargin - gaps) / width,
                    (client.height() - kFitMargin) / height);
  }
  if (!(zoom >= kMinZoom)) zoom = kMinZoom;
  return std::min(zoom, kMaxZoom);
}

double PageLayout::largestZoom(const std::vector<QSizeF>& sizes) {
  double total = 0;
  for (const QSizeF& s : sizes) total += std::max(1.0, s.height());
  const double room =
      double(kMaxStripHeight) - double(sizes.size() + 1) * (kGap + 1) - 2.0 * kMargin;
  if (total <= 0 || room <= 0) return kMaxZoom;
  return std::clamp(room / total, 0.0, kMaxZoom);
}

QSizeF PageLayout::commonRowSize(const std::vector<QSizeF>& sizes, bool facing, bool firstAlone,
                                 int* pagesInRow) {
  // Sizes are compared in whole pixels: the same paper size may differ in its last digits.
  std::map<std::pair<long long, long long>, int> counts;
  std::map<std::pair<long long, long long>, std::pair<QSizeF, int>> sample;
  const int count = static_cast<int>(sizes.size());
  for (int page = 1; page <= count;) {
    int n =
        facing && page < count && startsRow(page, firstAlone) && !(firstAlone && page == 1) ? 2 : 1;
    double w = 0, h = 0;
    for (int p = page; p < page + n; ++p) {
      w += sizes[p - 1].width();
      h = std::max(h, sizes[p - 1].height());
    }
    // A lone page of a facing view is fitted as if it had its neighbour.
    if (facing && n == 1) w *= 2;
    const auto key = std::make_pair(std::llround(w), std::llround(h));
    ++counts[key];
    sample.emplace(key, std::make_pair(QSizeF(w, h), facing ? 2 : 1));
    page += n;
  }
  if (counts.empty()) {
    if (pagesInRow) *pagesInRow = 1;
    return QSizeF(1, 1);
  }
  auto best = std::max_element(counts.begin(), counts.end(),
                               [](const auto& a, const auto& b) { return a.second < b.second; });
  const auto& [size, n] = sample[best->first];
  if (pagesInRow) *pagesInRow = n;
  return size;
}

}  // namespace Corvalis::Viewer
