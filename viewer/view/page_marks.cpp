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

void PageMarks::clear() {
  rects_.clear();
  timer_->stop();
  hide();
}

void PageMarks::tick() {
  if (clock_.elapsed() >= durationMs_) {
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
  if (!view_ || rects_.empty() || view_->currentPage() != page_) return;
  const QImage& image = view_->pageImage();
  if (image.isNull() || imageSize_.width() <= 0 || imageSize_.height() <= 0) return;
  // The page may have been drawn again at another zoom since.
  const double sx = double(image.width()) / imageSize_.width();
  const double sy = double(image.height()) / imageSize_.height();
  // Full strength for the first half, then fading out.
  const double t = double(clock_.elapsed()) / durationMs_;
  const double strength = t < 0.5 ? 1.0 : std::max(0.0, 2.0 * (1.0 - t));
  QColor c = colour_;
  c.setAlphaF(float(colour_.alphaF() * strength));
  QPainter painter(this);
  const QPoint origin = view_->pageOrigin();
  for (const QRect& r : rects_)
    painter.fillRect(
        QRectF(origin.x() + r.x() * sx, origin.y() + r.y() * sy, r.width() * sx, r.height() * sy),
        c);
}

}  // namespace Corvalis::Viewer
