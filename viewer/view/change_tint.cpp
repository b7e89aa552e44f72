#include "viewer/view/change_tint.h"

#include <QDateTime>
#include <QEvent>
#include <QSettings>
#include <QTimer>
#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>

#include "viewer/doc/pdf_doc.h"
#include "viewer/view/page_image.h"
#include "viewer/view/page_marks.h"
#include "viewer/view/pdf_view.h"

namespace Corvalis::Viewer {

namespace {

constexpr char kSettingsKey[] = "View/ShowChangesAfterReload";
const QColor kTintColour(80, 160, 255, 90);

// Rectangles farther apart than this gap (pixels) along both axes stay apart while merging.
int gapBetween(const QRect& a, const QRect& b) {
  const int dx = std::max({0, a.left() - b.right(), b.left() - a.right()});
  const int dy = std::max({0, a.top() - b.bottom(), b.top() - a.bottom()});
  return std::max(dx, dy);
}

}  // namespace

std::vector<QRect> ChangeTint::changedAreas(const QImage& before, const QImage& after) {
  if (before.isNull() || after.isNull()) return {};
  if (qint64(after.width()) * after.height() > kMaxPixels) return {};
  if (before.size() != after.size()) return {after.rect()};
  const QImage a = before.convertToFormat(QImage::Format_Grayscale8);
  const QImage b = after.convertToFormat(QImage::Format_Grayscale8);
  const int w = a.width(), h = a.height();
  const int cw = (w + kCell - 1) / kCell, ch = (h + kCell - 1) / kCell;
  std::vector<int> counts(std::size_t(cw) * ch, 0);
  for (int y = 0; y < h; ++y) {
    const uchar* pa = a.constScanLine(y);
    const uchar* pb = b.constScanLine(y);
    int* row = counts.data() + std::size_t(y / kCell) * cw;
    for (int x = 0; x < w; ++x)
      if (std::abs(int(pa[x]) - int(pb[x])) > kPixelThreshold) ++row[x / kCell];
  }
  // Changed cells grouped by flood fill over neighbours up to kJoinCells away.
  std::vector<char> changed(counts.size());
  for (std::size_t i = 0; i < counts.size(); ++i) changed[i] = counts[i] >= kMinPixelsPerCell;
  std::vector<QRect> areas;
  std::vector<int> stack;
  for (int start = 0; start < int(changed.size()); ++start) {
    if (!changed[start]) continue;
    changed[start] = 0;
    stack.assign(1, start);
    int x0 = start % cw, x1 = x0, y0 = start / cw, y1 = y0;
    while (!stack.empty()) {
      const int c = stack.back();
      stack.pop_back();
      const int cx = c % cw, cy = c / cw;
      x0 = std::min(x0, cx), x1 = std::max(x1, cx), y0 = std::min(y0, cy), y1 = std::max(y1, cy);
      for (int ny = std::max(0, cy - kJoinCells); ny <= std::min(ch - 1, cy + kJoinCells); ++ny)
        for (int nx = std::max(0, cx - kJoinCells); nx <= std::min(cw - 1, cx + kJoinCells); ++nx) {
          const int n = ny * cw + nx;
          if (changed[n]) {
            changed[n] = 0;
            stack.push_back(n);
          }
        }
    }
    areas.push_back(
        QRect(QPoint(x0 * kCell, y0 * kCell),
              QPoint(std::min(w, (x1 + 1) * kCell) - 1, std::min(h, (y1 + 1) * kCell) - 1)));
  }
  // A few areas: the two nearest merge until few enough remain.
  while (areas.size() > kMaxAreas) {
    std::size_t bi = 0, bj = 1;
    int best = INT_MAX;
    for (std::size_t i = 0; i < areas.size(); ++i)
      for (std::size_t j = i + 1; j < areas.size(); ++j)
        if (const int g = gapBetween(areas[i], areas[j]); g < best) {
          best = g;
          bi = i;
          bj = j;
        }
    areas[bi] = areas[bi].united(areas[bj]);
    areas.erase(areas.begin() + std::ptrdiff_t(bj));
  }
  return areas;
}

std::vector<QRect> ChangeTint::rescaled(const std::vector<QRect>& areas, double from, double to,
                                        const QRect& bounds) {
  if (from <= 0 || to <= 0) return {};
  const double f = to / from;
  std::vector<QRect> out;
  for (const QRect& a : areas) {
    // Outwards, so that a changed pixel stays covered.
    const QRect r(
        QPoint(int(std::floor(a.left() * f)), int(std::floor(a.top() * f))),
        QPoint(int(std::ceil((a.right() + 1) * f)) - 1, int(std::ceil((a.bottom() + 1) * f)) - 1));
    if (const QRect kept = r.intersected(bounds); !kept.isEmpty()) out.push_back(kept);
  }
  return out;
}

ChangeTint& ChangeTint::of(C_PDF_View& view) {
  if (auto* found = view.findChild<ChangeTint*>(QString(), Qt::FindDirectChildrenOnly))
    return *found;
  return *new ChangeTint(view);
}

bool ChangeTint::enabled() { return QSettings().value(kSettingsKey, true).toBool(); }

void ChangeTint::setEnabled(bool on) { QSettings().setValue(kSettingsKey, on); }

ChangeTint::ChangeTint(C_PDF_View& view) : QObject(&view), view_(&view) {
  if (C_PDF_Doc* doc = view.pdfDocument()) {
    connect(doc, &C_PDF_Doc::aboutToReplaceEngine, this, &ChangeTint::aboutToReload);
    connect(doc, &C_PDF_Doc::engineReplaced, this, &ChangeTint::reloaded);
  }
  // The strip's new pieces are looked at after each paint that may have drawn some.
  view.viewport()->installEventFilter(this);
  connect(&view, &C_PDF_View::rendered, this, &ChangeTint::rendered);
}

void ChangeTint::aboutToReload() {
  waiting_ = false;
  stripBefore_.clear();
  stripArmed_ = false;
  if (!view_ || !enabled()) return;
  if (isStripMode(view_->viewMode())) {
    keepStrip();
    return;
  }
  // The old drawing, as it is on the screen until the new one replaces it.
  before_ = view_->pageImage();
  beforePage_ = view_->currentPage();
  beforeZoom_ = view_->zoom();
  beforeRotation_ = view_->rotation();
  waiting_ = !before_.isNull();
}

void ChangeTint::keepStrip() {
  // The old marks lay over the old drawing.
  PageMarks::of(*view_).clear();
  const PageLayout& layout = view_->stripLayout();
  const QRect client = view_->viewport()->rect();
  const int32_t zoomKey = zoomKeyOf(view_->zoom());
  const int32_t turn = view_->rotation();
  qint64 pixels = 0;
  for (int page = 1; page <= layout.pageCount(); ++page) {
    const QRect shown = view_->shownPageRect(page);
    if (!shown.intersects(client)) continue;
    // Only the pieces in sight: they are the ones the new reading draws first.
    for (const QRect& piece : TileCache::piecesOf(layout.pageRect(page).size())) {
      if (!piece.translated(shown.topLeft()).intersects(client)) continue;
      const TileKey key{TileKey::Strip, page, zoomKey, turn, piece.x(), piece.y()};
      const QImage* image = view_->tileCache().find(key);
      if (!image || image->isNull()) continue;
      pixels += qint64(image->width()) * image->height();
      if (pixels > kMaxStripPixels) break;
      // Shared, not copied: the cache lets go of it when the new reading comes in.
      stripBefore_.emplace_back(key, *image);
    }
    if (pixels > kMaxStripPixels) break;
  }
}

void ChangeTint::reloaded() {
  // Until now the cache held the old reading's pieces under the same keys.
  if (stripBefore_.empty()) return;
  stripArmed_ = true;
  stripDeadline_ = QDateTime::currentMSecsSinceEpoch() + kStripWaitMs;
}

bool ChangeTint::eventFilter(QObject*, QEvent* event) {
  if (event->type() == QEvent::Paint && stripArmed_ && !stripCheckQueued_) {
    stripCheckQueued_ = true;
    // After the paint, which may draw pieces itself or take those the thread finished.
    QTimer::singleShot(0, this, &ChangeTint::compareStrip);
  }
  return false;
}

void ChangeTint::compareStrip() {
  stripCheckQueued_ = false;
  if (!stripArmed_) return;
  const bool gone = !view_ || !isStripMode(view_->viewMode()) ||
                    QDateTime::currentMSecsSinceEpoch() > stripDeadline_;
  // Pieces drawn at another zoom or rotation are never compared: every edge would differ.
  if (gone || stripBefore_.empty() ||
      stripBefore_.front().first.zoomKey != zoomKeyOf(view_->zoom()) ||
      stripBefore_.front().first.rotation != view_->rotation()) {
    stripBefore_.clear();
    stripArmed_ = false;
    return;
  }
  const TileCache& cache = view_->tileCache();
  // Page by page, once every kept piece of the page has been drawn anew.
  std::size_t i = 0;
  while (i < stripBefore_.size()) {
    const int page = stripBefore_[i].first.page;
    std::size_t end = i;
    bool ready = true;
    while (end < stripBefore_.size() && stripBefore_[end].first.page == page) {
      const QImage* now = cache.find(stripBefore_[end].first);
      // The same image is the old reading's piece, still in the cache.
      if (!now || now->isNull() || now->cacheKey() == stripBefore_[end].second.cacheKey())
        ready = false;
      ++end;
    }
    if (!ready) {
      i = end;
      continue;
    }
    std::vector<QRect> areas;
    for (std::size_t k = i; k < end; ++k) {
      const TileKey& key = stripBefore_[k].first;
      for (const QRect& a : changedAreas(stripBefore_[k].second, *cache.find(key)))
        areas.push_back(a.translated(key.x, key.y));
    }
    if (!areas.empty())
      PageMarks::of(*view_).showOnStripPage(page, std::move(areas), view_->zoom(), kTintColour,
                                            kShowMs);
    stripBefore_.erase(stripBefore_.begin() + std::ptrdiff_t(i),
                       stripBefore_.begin() + std::ptrdiff_t(end));
  }
  if (stripBefore_.empty()) stripArmed_ = false;
}

void ChangeTint::rendered() {
  if (!waiting_ || !view_) return;
  waiting_ = false;
  // After the paint that drew the new page: comparing may draw the page once more.
  QTimer::singleShot(0, this, &ChangeTint::compare);
}

void ChangeTint::compare() {
  const QImage before = std::move(before_);
  before_ = QImage();
  if (!view_ || view_->currentPage() != beforePage_ || view_->rotation() != beforeRotation_) return;
  const QImage& shown = view_->pageImage();
  if (shown.isNull()) return;
  const double zoom = view_->zoom();
  std::vector<QRect> areas;
  if (zoom == beforeZoom_) {
    areas = changedAreas(before, shown);
  } else {
    // The window's fit zoom moved between the two drawings: the new page is drawn once more at
    // the old drawing's zoom, and what differs is carried over to the shown bitmap.
    C_PDF_Doc* doc = view_->pdfDocument();
    if (!doc || !doc->renderer() || C_PDF_Doc::engineBusy()) return;
    RenderRequest request = view_->renderRequestOf(beforePage_);
    request.zoom = beforeZoom_;
    request.rotation = beforeRotation_;
    QImage again;
    try {
      again = renderPageImage(*doc->renderer(), request, kMaxViewBitmapPixels);
    } catch (...) {
      return;
    }
    if (again.isNull() || request.zoom != beforeZoom_) return;
    areas = rescaled(changedAreas(before, again), beforeZoom_, zoom, shown.rect());
  }
  if (areas.empty()) return;
  PageMarks::of(*view_).show(beforePage_, std::move(areas), kTintColour, kShowMs);
}

}  // namespace Corvalis::Viewer
