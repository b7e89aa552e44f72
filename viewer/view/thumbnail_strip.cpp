#include "viewer/view/thumbnail_strip.h"

#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QTimer>
#include <algorithm>

#include "engine/render/pdf_draw.h"
#include "viewer/doc/pdf_doc.h"
#include "viewer/view/page_image.h"
#include "viewer/view/pdf_view.h"

namespace Corvalis::Viewer {

namespace {

constexpr QRgb kPanelRgb = 0x505050;
constexpr QRgb kPlaceholderRgb = 0xE8E8E8;
constexpr QRgb kMarkRgb = 0x3A8EE6;
// A line of the scroll bar.
constexpr int kLinePixels = 40;

}  // namespace

ThumbnailStrip::ThumbnailStrip(QWidget* parent)
    : QAbstractScrollArea(parent), drawTimer_(new QTimer(this)) {
  setObjectName(QStringLiteral("thumbnailStrip"));
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
  cache_.setBudget(kBudgetBytes);
  drawTimer_->setSingleShot(true);
  drawTimer_->setInterval(0);
  connect(drawTimer_, &QTimer::timeout, this, &ThumbnailStrip::drawHere);
}

C_PDF_View* ThumbnailStrip::view() const { return view_.data(); }

void ThumbnailStrip::setView(C_PDF_View* view) {
  if (view == view_.data()) return;
  if (view_) view_->disconnect(this);
  if (thread_) {
    thread_->wantTiles(TileKey::Thumbnail, {});
    thread_->disconnect(this);
  }
  thread_ = nullptr;
  disconnect(documentConnection_);
  view_ = view;
  cache_.clear();
  previous_.clear();
  wanted_.clear();
  stale_ = true;
  current_ = 0;
  if (view_) {
    connect(view_, &C_PDF_View::currentPageChanged, this, &ThumbnailStrip::setCurrentPage);
    if (C_PDF_Doc* document = view_->pdfDocument())
      documentConnection_ = connect(document, &C_PDF_Doc::aboutToReplaceEngine, this,
                                    &ThumbnailStrip::documentAboutToChange);
    current_ = view_->currentPage();
  }
  viewport()->update();
}

void ThumbnailStrip::documentAboutToChange() {
  // The drawing thread goes with the old reading; what it still delivers is of the old pages.
  if (thread_) thread_->disconnect(this);
  thread_ = nullptr;
  drawTimer_->stop();
  if (cache_.size() != 0) {
    previous_ = std::move(cache_);
    previousZoomKey_ = zoomKeyOf(zoom_);
    previousRotation_ = rotation_;
  }
  cache_ = TileCache();
  cache_.setBudget(kBudgetBytes);
  wanted_.clear();
  stale_ = true;
  viewport()->update();
}

void ThumbnailStrip::setCurrentPage(int page) {
  if (page == current_) return;
  current_ = page;
  // The mark stays in sight as the reader moves on.
  const QRect r = layout_.pageRect(page);
  QScrollBar* bar = verticalScrollBar();
  if (!r.isEmpty() && (r.top() < bar->value() || r.bottom() > bar->value() + viewport()->height()))
    bar->setValue(r.center().y() - viewport()->height() / 2);
  viewport()->update();
}

void ThumbnailStrip::rebuild() {
  stale_ = false;
  layout_ = PageLayout();
  if (!view_ || !view_->pdfDocument()) return;
  const std::vector<QSizeF>& sizes = view_->pageSizes();
  pageCount_ = static_cast<int>(sizes.size());
  const QSizeF common = PageLayout::commonRowSize(sizes, false, false, nullptr);
  const int width =
      std::max(1, std::min(kThumbnailWidth, viewport()->width() - 4 * PageLayout::kMargin));
  zoom_ = std::clamp(width / std::max(1.0, common.width()), 0.001, 1.0);
  rotation_ = view_->rotation();
  layout_.build(sizes, zoom_, false, false);
  QScrollBar* bar = verticalScrollBar();
  bar->setRange(0, std::max(0, layout_.stripSize().height() - viewport()->height()));
  bar->setPageStep(viewport()->height());
  bar->setSingleStep(kLinePixels);
}

int ThumbnailStrip::offsetX() const {
  return std::max(0, (viewport()->width() - layout_.stripSize().width()) / 2);
}

QRect ThumbnailStrip::thumbnailRect(int page) const {
  return layout_.pageRect(page).translated(offsetX(), -verticalScrollBar()->value());
}

int ThumbnailStrip::pageAt(QPoint point) const {
  return layout_.pageAt(point - QPoint(offsetX(), -verticalScrollBar()->value()));
}

TileRequest ThumbnailStrip::requestOf(int page) const {
  TileRequest t;
  t.key.kind = TileKey::Thumbnail;
  t.key.page = page;
  t.key.zoomKey = zoomKeyOf(zoom_);
  t.key.rotation = rotation_;
  t.request = view_->renderRequestOf(page);
  t.request.zoom = zoom_;
  t.request.rotation = rotation_;
  t.rect = QRect(QPoint(0, 0), layout_.pageRect(page).size());
  return t;
}

void ThumbnailStrip::paintEvent(QPaintEvent*) {
  QPainter painter(viewport());
  painter.fillRect(viewport()->rect(), QColor::fromRgb(kPanelRgb));
  if (!view_ || !view_->pdfDocument()) return;
  // The document's pages, rotation or tree may have changed since the last paint.
  if (view_->rotation() != rotation_ || static_cast<int>(view_->pageSizes().size()) != pageCount_)
    stale_ = true;
  if (stale_) rebuild();
  const QPoint offset(offsetX(), -verticalScrollBar()->value());
  const QRect seen = viewport()->rect().translated(-offset);
  std::vector<TileRequest> wanted;
  bool previousShown = false;
  for (int page : layout_.pagesIn(seen)) {
    const QRect r = layout_.pageRect(page).translated(offset);
    const TileRequest t = requestOf(page);
    if (const QImage* image = cache_.find(t.key)) {
      painter.drawImage(r, *image);
    } else {
      TileKey old = t.key;
      old.zoomKey = previousZoomKey_;
      old.rotation = previousRotation_;
      // After a reload the page's old thumbnail stays until the new one is drawn.
      if (const QImage* before = previous_.find(old)) {
        painter.drawImage(r, *before);
        previousShown = true;
      } else {
        painter.fillRect(r, QColor::fromRgb(kPlaceholderRgb));
      }
      wanted.push_back(t);
    }
    if (page == current_) {
      painter.setPen(QPen(QColor::fromRgb(kMarkRgb), kMarkWidth));
      painter.setBrush(Qt::NoBrush);
      painter.drawRect(
          r.adjusted(-kMarkWidth + 1, -kMarkWidth + 1, kMarkWidth - 1, kMarkWidth - 1));
    }
    // The page number in the thumbnail's lower right corner.
    const QString number = QString::number(page);
    const QFontMetrics metrics(painter.font());
    const QRect label(r.right() - metrics.horizontalAdvance(number) - 6,
                      r.bottom() - metrics.height() - 1, metrics.horizontalAdvance(number) + 6,
                      metrics.height() + 2);
    painter.fillRect(label, QColor(0, 0, 0, 150));
    painter.setPen(Qt::white);
    painter.drawText(label, Qt::AlignCenter, number);
  }
  if (!previousShown) previous_.clear();
  const int focus = layout_.mostVisiblePage(seen);
  cache_.trim(std::max(1, focus), zoomKeyOf(zoom_), rotation_);
  if (wanted == wanted_) return;
  wanted_ = wanted;
  if (!thread_) {
    thread_ = view_->drawingThread();
    if (thread_)
      connect(thread_, &PagePrefetcher::tilesPrepared, this, &ThumbnailStrip::tilesPrepared);
  }
  if (thread_ && thread_->active()) {
    thread_->wantTiles(TileKey::Thumbnail, wanted_);
  } else if (!wanted_.empty()) {
    drawTimer_->start();
  }
}

void ThumbnailStrip::tilesPrepared() {
  if (!thread_) return;
  bool any = false;
  for (PreparedTile& t : thread_->takeTiles(TileKey::Thumbnail)) {
    if (t.key.zoomKey != zoomKeyOf(zoom_) || t.key.rotation != rotation_) continue;
    cache_.insert(t.key, std::move(t.image));
    any = true;
  }
  if (!thread_->active() && !wanted_.empty()) drawTimer_->start();
  if (any) viewport()->update();
}

void ThumbnailStrip::drawHere() {
  // Without a drawing thread, one thumbnail per turn of the event loop.
  C_PDF_Doc* document = view_ ? view_->pdfDocument() : nullptr;
  if (!document || !document->renderer()) return;
  // While the file is rewritten in place the old reading must not read it.
  if (C_PDF_Doc::engineBusy() || document->fileChanging()) {
    drawTimer_->start(50);
    return;
  }
  for (const TileRequest& t : wanted_) {
    if (cache_.contains(t.key)) continue;
    QImage image;
    try {
      image = renderPageTile(*document->renderer(), t.request, t.rect);
    } catch (...) {
      // The view reports what is wrong with the page when it shows it.
    }
    if (image.isNull()) {
      image = QImage(std::max(1, t.rect.width()), std::max(1, t.rect.height()),
                     QImage::Format_ARGB32_Premultiplied);
      image.fill(Qt::white);
    }
    cache_.insert(t.key, std::move(image));
    viewport()->update();
    drawTimer_->start();
    return;
  }
}

void ThumbnailStrip::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  const int page = pageAt(event->position().toPoint());
  if (page >= 1) emit pageChosen(page);
}

void ThumbnailStrip::resizeEvent(QResizeEvent* event) {
  QAbstractScrollArea::resizeEvent(event);
  stale_ = true;
  viewport()->update();
}

void ThumbnailStrip::showEvent(QShowEvent* event) {
  QAbstractScrollArea::showEvent(event);
  stale_ = true;
}

void ThumbnailStrip::scrollContentsBy(int, int) { viewport()->update(); }

}  // namespace Corvalis::Viewer
