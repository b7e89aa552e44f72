#include "viewer/view/page_marks.h"

#include <QEvent>
#include <QPainter>
#include <QTimer>
#include <algorithm>

#include "viewer/view/pdf_view.h"

namespace Corvalis::Viewer {

PageMarks& PageMarks::of(C_PDF_View& view) {
  if (auto* found = view.viewport()->findChild<PageMarks*>(QString(), Qt::FindDirectChildrenOnly))
    return *found;
  return *new PageMarks(view);
}

PageMarks::PageMarks(C_PDF_View& view) : QWidget(view.viewport()), view_(&view) {
  setAttribute(Qt::WA_TransparentForMouseEvents);
  setAttribute(Qt::WA_NoSystemBackground);
  setFocusPolicy(Qt::NoFocus);
  setGeometry(view.viewport()->rect());
  view.viewport()->installEventFilter(this);
  timer_ = new QTimer(this);
  timer_->setInterval(kFrameIntervalMs);
  connect(timer_, &QTimer::timeout, this, &PageMarks::tick);
  hide();
}

void PageMarks::show(int page, std::vector<QRect> rects, QColor colour, int durationMs) {
  if (!view_ || rects.empty()) {
    clear();
    return;
  }
  if (rects.size() > kMaxMarks) rects.resize(kMaxMarks);
  strip_.clear();
  page_ = page;
  rects_ = std::move(rects);
  imageSize_ = view_->pageImage().size();
  colour_ = colour;
  durationMs_ = std::max(1, durationMs);
  clock_.start();
  setGeometry(view_->viewport()->rect());
  QWidget::show();
  raise();
  timer_->start();
  update();
}

void PageMarks::showOnStripPage(int page, std::vector<QRect> rects, double zoom, QColor colour,
                                int durationMs) {
  if (!view_ || zoom <= 0) return;
  rects_.clear();
  std::erase_if(strip_, [page](const StripMark& m) { return m.page == page; });
  if (rects.empty()) {
    if (strip_.empty()) clear();
    return;
  }
  if (rects.size() > kMaxMarks) rects.resize(kMaxMarks);
  if (strip_.size() >= kMaxMarks) strip_.erase(strip_.begin());
  StripMark& m = strip_.emplace_back();
  m.page = page;
  m.rects = std::move(rects);
  m.zoom = zoom;
  m.colour = colour;
  m.durationMs = std::max(1, durationMs);
  m.clock.start();
  setGeometry(view_->viewport()->rect());
  QWidget::show();
  raise();
  timer_->start();
  update();
}

std::vector<QRect> PageMarks::stripRects(int page) const {
  for (const StripMark& m : strip_)
    if (m.page == page) return m.rects;
  return {};
}

double PageMarks::strengthAt(qint64 elapsedMs, int durationMs) {
  const double t = double(elapsedMs) / std::max(1, durationMs);
  return t < 0.5 ? 1.0 : std::max(0.0, 2.0 * (1.0 - t));
}

void PageMarks::clear() {
  strip_.clear();
  rects_.clear();
  timer_->stop();
  hide();
}

void PageMarks::tick() {
  std::erase_if(strip_, [](const StripMark& m) { return m.clock.elapsed() >= m.durationMs; });
  if (rects_.empty() ? strip_.empty() : clock_.elapsed() >= durationMs_) {
    clear();
    return;
  }
  update();
}

bool PageMarks::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::Resize && view_ && watched == view_->viewport())
    setGeometry(view_->viewport()->rect());
  return false;
}

void PageMarks::paintEvent(QPaintEvent*) {
  if (!strip_.empty()) {
    if (!view_ || !isStripMode(view_->viewMode())) return;
    QPainter painter(this);
    for (const StripMark& m : strip_) {
      // Where the page is now, and at what zoom it is shown.
      const QRect shown = view_->shownPageRect(m.page);
      if (shown.isEmpty()) continue;
      const double s = view_->zoom() / m.zoom;
      QColor c = m.colour;
      c.setAlphaF(float(m.colour.alphaF() * strengthAt(m.clock.elapsed(), m.durationMs)));
      for (const QRect& r : m.rects)
        painter.fillRect(QRectF(shown.left() + r.x() * s, shown.top() + r.y() * s, r.width() * s,
                                r.height() * s) &
                             QRectF(shown),
                         c);
    }
    return;
  }
  if (!view_ || rects_.empty() || view_->currentPage() != page_) return;
  const QImage& image = view_->pageImage();
  if (image.isNull() || imageSize_.width() <= 0 || imageSize_.height() <= 0) return;
  // The page may have been drawn again at another zoom since.
  const double sx = double(image.width()) / imageSize_.width();
  const double sy = double(image.height()) / imageSize_.height();
  QColor c = colour_;
  c.setAlphaF(float(colour_.alphaF() * strengthAt(clock_.elapsed(), durationMs_)));
  QPainter painter(this);
  const QPoint origin = view_->pageOrigin();
  for (const QRect& r : rects_)
    painter.fillRect(
        QRectF(origin.x() + r.x() * sx, origin.y() + r.y() * sy, r.width() * sx, r.height() * sy),
        c);
}

}  // namespace Corvalis::Viewer
