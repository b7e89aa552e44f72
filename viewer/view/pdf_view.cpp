#include "viewer/view/pdf_view.h"

#include <QApplication>
#include <QFocusEvent>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QMenu>
#include <QPainter>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QScrollBar>
#include <QTimer>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

#include "engine/document/pdf_document.h"
#include "engine/document/pdf_exception.h"
#include "engine/render/pdf_draw.h"
#include "viewer/doc/pdf_doc.h"
#include "viewer/messages/message_box.h"
#include "viewer/messages/message_listener.h"
#include "viewer/messages/viewer_texts.h"
#include "viewer/ui/form_overlay.h"
#include "viewer/ui/goto_dialog.h"
#include "viewer/ui/password_dialog.h"
#include "viewer/ui/private_message.h"
#include "viewer/view/page_image.h"
#include "viewer/view/view_host.h"

namespace Corvalis::Viewer {

namespace {

// While the engine is busy elsewhere a paint shows the old bitmap and tries again this soon.
constexpr int kBusyRetryMs = 50;
constexpr double kTwipsPerInch = 1440.0;
constexpr double kTwipsPerPoint = 20.0;
// Search hits and the selection are filled with this translucent blue.
constexpr QRgb kHighlightArgb = 0x660064A2;

QColor backgroundColour() { return QColor::fromRgb(C_PDF_View::kBackgroundRgb); }

}  // namespace

C_PDF_View::C_PDF_View(C_PDF_Doc* document, ViewHost* host, QWidget* parent)
    : QAbstractScrollArea(parent),
      document_(document),
      host_(host),
      hostObject_(dynamic_cast<QObject*>(host)),
      findOptionsMenu_(new QMenu(this)),
      formOverlay_(std::make_unique<FormOverlay>()) {
  setFrameShape(QFrame::NoFrame);
  setFocusPolicy(Qt::StrongFocus);
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
  viewport()->setMouseTracking(true);
  viewport()->installEventFilter(this);
  verticalScrollBar()->installEventFilter(this);
  horizontalScrollBar()->installEventFilter(this);
  connect(verticalScrollBar(), &QScrollBar::actionTriggered, this, &C_PDF_View::verticalAction);
  connect(horizontalScrollBar(), &QScrollBar::actionTriggered, this, &C_PDF_View::horizontalAction);
  QAction* caseItem = findOptionsMenu_->addAction(QStringLiteral("Case Sensitive"));
  caseItem->setCheckable(true);
  caseItem->setData(kCmdCaseSensitive);
  if (document_) {
    document_->addView(this);
    connect(document_, &C_PDF_Doc::pageTreeCompleted, this, &C_PDF_View::pageTreeCompleted);
  }
}

C_PDF_View::~C_PDF_View() {
  formOverlay_->clear();
  if (ViewHost* h = host()) h->resetToolbarBoxes();
  if (document_) document_->removeView(this);
}

C_PDF_Doc* C_PDF_View::pdfDocument() const { return document_.data(); }

ViewHost* C_PDF_View::host() const { return hostObject_ || !host_ ? host_ : nullptr; }

int C_PDF_View::rotation() const {
  return document_ && document_->document() ? document_->document()->viewRotation : 0;
}

int C_PDF_View::pageCount() const {
  return document_ && document_->document() ? document_->document()->pageCount : 0;
}

void C_PDF_View::onInitialUpdate() {
  verticalMaxUnits_ = verticalMaxFor(pageCount());
  scroll_.verticalMax = verticalMaxUnits_;
  scroll_.verticalPos = 0;
  scroll_.horizontalPos = kHorizontalCentre;
  horizontalBarShown_ = true;
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  updateScrollBars();
}

void C_PDF_View::onUpdate(DocumentView*) {
  clearHighlightMarks();
  viewport()->update();
}

void C_PDF_View::refreshAllViews() {
  if (document_) document_->updateAllViews(nullptr);
  if (ViewHost* h = host()) h->commandStateChanged();
}

void C_PDF_View::updateScrollBars() {
  QScrollBar* v = verticalScrollBar();
  const QSignalBlocker blockV(v);
  v->setRange(0, scroll_.verticalMax);
  v->setPageStep(kUnitsPerPage);
  v->setSingleStep(1);
  v->setValue(scroll_.verticalPos);
  QScrollBar* h = horizontalScrollBar();
  const QSignalBlocker blockH(h);
  h->setRange(0, kHorizontalMax);
  h->setPageStep(1);
  h->setSingleStep(1);
  h->setValue(scroll_.horizontalPos);
}

// ---- Zoom and the toolbar boxes ----

QString C_PDF_View::pageBoxText() const {
  return QStringLiteral("%1 of %2").arg(currentPage_).arg(pageCount());
}

void C_PDF_View::writePageBox() {
  ViewHost* h = host();
  // Background views do not overwrite the active window's values in the shared boxes.
  if (h && h->isActiveView(this)) h->setPageBoxText(pageBoxText());
}

void C_PDF_View::applyZoom(bool rerender) {
  const QString label = zoomLabel(zoomMode_, zoom_);
  writePageBox();
  if (ViewHost* h = host(); h && h->isActiveView(this)) h->setZoomBoxText(label);
  if (rerender) {
    needsRender_ = true;
    clearHighlightMarks();
    refreshAllViews();
  }
}

void C_PDF_View::zoomTextEntered(const QString& text) {
  if (ViewHost* h = host(); h && !h->isActiveView(this)) return;
  applyTypedZoom(text, zoomMode_, zoom_);
  applyZoom(true);
}

void C_PDF_View::pageTextEntered(const QString& text) {
  if (ViewHost* h = host(); h && !h->isActiveView(this)) return;
  if (text.isEmpty()) return;
  if (document_) document_->completePageTree();
  const int n = leadingInteger(text);
  if (n < 1 || n > pageCount()) {
    showMessage(this, kCaptionReader, kTextInvalidPage, BoxIcon::Warning);
  } else {
    goToPage(n);
  }
  if (ViewHost* h = host()) h->focusZoomBox();
}

void C_PDF_View::findNext(const QString& text) {
  if (ViewHost* h = host(); h && !h->isActiveView(this)) return;
  // The phrase is matched against the page text runs; empty text does nothing.
  if (text.isEmpty()) return;
}

void C_PDF_View::findPrevious(const QString& text) {
  if (ViewHost* h = host(); h && !h->isActiveView(this)) return;
  if (text.isEmpty()) return;
}

void C_PDF_View::goToPage(int page) {
  if (page == currentPage_) return;
  if (document_ && page != 1) document_->completePageTree();
  previousVerticalPos_ = scroll_.verticalPos;
  scroll_.verticalPos = std::clamp(page * kUnitsPerPage - kUnitsPerPage, 0, scroll_.verticalMax);
  updateScrollBars();
  pageBoxDirty_ = true;
  refreshAllViews();
}

void C_PDF_View::showPosition(int verticalPos) {
  if (document_ && verticalPos >= kUnitsPerPage) document_->completePageTree();
  previousVerticalPos_ = scroll_.verticalPos;
  scroll_.verticalPos = std::clamp(verticalPos, 0, scroll_.verticalMax);
  updateScrollBars();
  pageBoxDirty_ = true;
  refreshAllViews();
}

// ---- Commands ----

bool C_PDF_View::onCommand(int id) {
  switch (id) {
    case kCmdZoomIn:
      zoom_ = zoomInStep(zoom_);
      zoomMode_ = ZoomMode::Custom;
      applyZoom(true);
      return true;
    case kCmdZoomOut:
      zoom_ = zoomOutStep(zoom_);
      zoomMode_ = ZoomMode::Custom;
      applyZoom(true);
      return true;
    case kCmdActualSize:
      zoom_ = 1.0;
      zoomMode_ = ZoomMode::ActualSize;
      applyZoom(true);
      return true;
    case kCmdFitPage:
      zoomMode_ = ZoomMode::FitPage;
      applyZoom(true);
      return true;
    case kCmdFitWidth:
      zoomMode_ = ZoomMode::FitWidth;
      applyZoom(true);
      return true;
    case kCmdRotateClockwise: rotate(90); return true;
    case kCmdRotateCounterClockwise: rotate(-90); return true;
    case kCmdFirstPage: pageCommand(PageCommand::First); return true;
    case kCmdPreviousPage: pageCommand(PageCommand::Previous); return true;
    case kCmdNextPage: pageCommand(PageCommand::Next); return true;
    case kCmdLastPage: pageCommand(PageCommand::Last); return true;
    case kCmdGoToPage: runGoToDialog(); return true;
    case kCmdFindOptions: runFindOptions(); return true;
    case kCmdFindNext:
    case kCmdFindPrevious: {
      const QString text = host() ? host()->findBoxText() : QString();
      if (!text.isEmpty()) {
        PrivateMessageEvent message(id == kCmdFindNext ? kMsgFindNext : kMsgFindPrevious, text);
        QCoreApplication::sendEvent(this, &message);
      }
      return true;
    }
    case kCmdCopy:
      if (!permitted(DocumentPermission::Copy)) return true;
      // The selection's text is assembled from the page text runs; nothing is selected yet.
      return true;
    case kCmdTellAFriend:
      if (ViewHost* h = host()) h->openWebPage(WebPage::TellAFriend);
      return true;
    case kCmdFilePrint: printDocument(false); return true;
    case kCmdFilePrintPreview: printDocument(true); return true;
    case kCmdZoomBox:
    case kCmdPageBox:
    case kCmdFindBox: return true;
    default: return false;
  }
}

bool C_PDF_View::updateCommand(int id, CommandState& state) const {
  state.enabled = true;
  state.checked = false;
  switch (id) {
    case kCmdZoomIn: state.enabled = zoom_ < kMaxZoom; return true;
    case kCmdZoomOut: state.enabled = zoom_ > kMinZoom; return true;
    case kCmdActualSize: state.checked = zoomMode_ == ZoomMode::ActualSize; return true;
    case kCmdFitPage: state.checked = zoomMode_ == ZoomMode::FitPage; return true;
    case kCmdFitWidth: state.checked = zoomMode_ == ZoomMode::FitWidth; return true;
    case kCmdFirstPage: state.enabled = pageCommandEnabled(scroll_, PageCommand::First); return true;
    case kCmdPreviousPage: state.enabled = pageCommandEnabled(scroll_, PageCommand::Previous); return true;
    case kCmdNextPage: state.enabled = pageCommandEnabled(scroll_, PageCommand::Next); return true;
    case kCmdLastPage: state.enabled = pageCommandEnabled(scroll_, PageCommand::Last); return true;
    case kCmdCopy: {
      const SelectionContext* selection = document_ ? document_->selectionContext() : nullptr;
      state.enabled = highlightChecksum_ != 0 || (selection && selection->currentEntry);
      return true;
    }
    case kCmdRotateClockwise:
    case kCmdRotateCounterClockwise:
    case kCmdGoToPage:
    case kCmdZoomBox:
    case kCmdPageBox:
    case kCmdFindBox:
    case kCmdFindOptions:
    case kCmdFindPrevious:
    case kCmdFindNext:
    case kCmdTellAFriend:
    case kCmdFilePrint:
    case kCmdFilePrintPreview: return true;
    default: state.enabled = false; return false;
  }
}

void C_PDF_View::rotate(int degrees) {
  if (!document_ || !document_->document()) return;
  int r = document_->document()->viewRotation + degrees;
  if (r >= 360) r -= 360;
  if (r < 0) r += 360;
  document_->document()->viewRotation = r;
  applyZoom(true);
}

void C_PDF_View::pageCommand(PageCommand command) {
  if (document_ && command != PageCommand::First) document_->completePageTree();
  resetSelectionDrag();
  previousVerticalPos_ = scroll_.verticalPos;
  applyPageCommand(scroll_, command);
  updateScrollBars();
  pageBoxDirty_ = true;
  refreshAllViews();
}

void C_PDF_View::runGoToDialog() {
  if (!document_) return;
  document_->completePageTree();
  viewport()->repaint();
  C_PDF_GoToDialog dialog(pageCount(), this);
  const bool chosen = dialog.exec() == QDialog::Accepted;
  viewport()->repaint();
  if (chosen && dialog.page() != 0) goToPage(dialog.page());
}

void C_PDF_View::runFindOptions() {
  ViewHost* h = host();
  QWidget* button = h ? h->findOptionsButton() : nullptr;
  const QPoint at = button ? button->mapToGlobal(QPoint(0, button->height() + 1)) : QCursor::pos();
  QAction* chosen = findOptionsMenu_->exec(at);
  if (!chosen || chosen->data().toInt() != kCmdCaseSensitive) return;
  resetSearch();
  caseSensitive_ = !caseSensitive_;
  chosen->setChecked(caseSensitive_);
}

void C_PDF_View::resetSearch() {
  hitFound_ = false;
  hitRun_ = nullptr;
  searchText_.clear();
}

void C_PDF_View::resetSelectionDrag() {
  // The renderer's rubber band is not in progress after a page command.
  movedWithinPage_ = false;
}

void C_PDF_View::clearHighlightMarks() {
  // Highlight marks live on the page's text runs; with none marked there is nothing to clear.
}

int C_PDF_View::highlightPass(QPainter* painter, bool repaint) {
  // Runs marked by a search or touched by the selection band are filled over the bitmap; a page
  // without marked runs has nothing to fill and checksum 0.
  (void)painter;
  (void)repaint;
  (void)kHighlightArgb;
  return 0;
}

// ---- Private messages and input ----

bool C_PDF_View::event(QEvent* event) {
  if (event->type() == PrivateMessageEvent::eventType()) {
    auto* message = static_cast<PrivateMessageEvent*>(event);
    switch (message->message()) {
      case kMsgZoomText: zoomTextEntered(message->text()); break;
      case kMsgPageText: pageTextEntered(message->text()); break;
      case kMsgFindNext: findNext(message->text()); break;
      case kMsgFindPrevious: findPrevious(message->text()); break;
      default: break;
    }
    return true;
  }
  return QAbstractScrollArea::event(event);
}

void C_PDF_View::afterScroll(const ScrollResult& result, int previous) {
  if (!result.changed) return;
  previousVerticalPos_ = previous;
  if (scroll_.verticalPos / kUnitsPerPage != 0 && document_) document_->completePageTree();
  updateScrollBars();
  clearHighlightMarks();
  pageBoxDirty_ = true;
  if (result.moved) movedWithinPage_ = true;
  refreshAllViews();
}

void C_PDF_View::keyPressEvent(QKeyEvent* event) {
  const int previous = scroll_.verticalPos;
  ScrollResult result;
  switch (event->key()) {
    case Qt::Key_PageUp: result = applyVertical(scroll_, VerticalInput::PageUpKey); break;
    case Qt::Key_PageDown: result = applyVertical(scroll_, VerticalInput::PageDownKey); break;
    case Qt::Key_End: result = applyVertical(scroll_, VerticalInput::EndKey); break;
    case Qt::Key_Home: result = applyVertical(scroll_, VerticalInput::HomeKey); break;
    case Qt::Key_Up: result = applyVertical(scroll_, VerticalInput::UpKey); break;
    case Qt::Key_Down: result = applyVertical(scroll_, VerticalInput::DownKey); break;
    case Qt::Key_Left: result = applyHorizontal(scroll_, HorizontalInput::LeftKey); break;
    case Qt::Key_Right: result = applyHorizontal(scroll_, HorizontalInput::RightKey); break;
    case Qt::Key_F3:
      if (ViewHost* h = host()) h->findBoxEnter();
      return;
    default: QAbstractScrollArea::keyPressEvent(event); return;
  }
  event->accept();
  afterScroll(result, previous);
}

void C_PDF_View::wheelStep(QWheelEvent* event) {
  // A burst larger than this many notches takes this many steps.
  constexpr int kMaxNotchesPerEvent = 50;
  wheelRemainder_ = std::clamp(wheelRemainder_ + event->angleDelta().y(), -kMaxNotchesPerEvent * kWheelNotch,
                               kMaxNotchesPerEvent * kWheelNotch);
  event->accept();
  while (std::abs(wheelRemainder_) >= kWheelNotch) {
    const bool up = wheelRemainder_ > 0;
    wheelRemainder_ += up ? -kWheelNotch : kWheelNotch;
    const int previous = scroll_.verticalPos;
    afterScroll(applyVertical(scroll_, up ? VerticalInput::UpKey : VerticalInput::DownKey), previous);
  }
}

void C_PDF_View::wheelEvent(QWheelEvent* event) { wheelStep(event); }

bool C_PDF_View::eventFilter(QObject* watched, QEvent* event) {
  if (watched == viewport() && event->type() == QEvent::Leave && sizeLabelShown_) {
    // Leaving the page area from the corner also leaves the corner.
    sizeLabelShown_ = false;
    sizeLabelErase_ = true;
    viewport()->update(sizeLabelRect(viewport()->rect()));
  }
  if (event->type() == QEvent::Wheel &&
      (watched == verticalScrollBar() || watched == horizontalScrollBar())) {
    wheelStep(static_cast<QWheelEvent*>(event));
    return true;
  }
  return QAbstractScrollArea::eventFilter(watched, event);
}

void C_PDF_View::verticalAction(int action) {
  QScrollBar* bar = verticalScrollBar();
  const int previous = scroll_.verticalPos;
  ScrollResult result;
  switch (action) {
    case QAbstractSlider::SliderSingleStepAdd: result = applyVertical(scroll_, VerticalInput::BarLineDown); break;
    case QAbstractSlider::SliderSingleStepSub: result = applyVertical(scroll_, VerticalInput::BarLineUp); break;
    case QAbstractSlider::SliderPageStepAdd: result = applyVertical(scroll_, VerticalInput::BarPageDown); break;
    case QAbstractSlider::SliderPageStepSub: result = applyVertical(scroll_, VerticalInput::BarPageUp); break;
    case QAbstractSlider::SliderToMinimum: result = applyVertical(scroll_, VerticalInput::BarTop); break;
    case QAbstractSlider::SliderToMaximum: result = applyVertical(scroll_, VerticalInput::BarBottom); break;
    case QAbstractSlider::SliderMove:
      result = applyVertical(scroll_, VerticalInput::BarTrack, bar->sliderPosition());
      break;
    default: break;
  }
  // The bar applies our position, not its own step.
  bar->setSliderPosition(scroll_.verticalPos);
  afterScroll(result, previous);
}

void C_PDF_View::horizontalAction(int action) {
  QScrollBar* bar = horizontalScrollBar();
  const int previous = scroll_.verticalPos;
  ScrollResult result;
  switch (action) {
    case QAbstractSlider::SliderSingleStepAdd: result = applyHorizontal(scroll_, HorizontalInput::BarLineRight); break;
    case QAbstractSlider::SliderSingleStepSub: result = applyHorizontal(scroll_, HorizontalInput::BarLineLeft); break;
    case QAbstractSlider::SliderPageStepAdd: result = applyHorizontal(scroll_, HorizontalInput::BarPageRight); break;
    case QAbstractSlider::SliderPageStepSub: result = applyHorizontal(scroll_, HorizontalInput::BarPageLeft); break;
    case QAbstractSlider::SliderToMinimum: result = applyHorizontal(scroll_, HorizontalInput::BarLeftEnd); break;
    case QAbstractSlider::SliderToMaximum: result = applyHorizontal(scroll_, HorizontalInput::BarRightEnd); break;
    case QAbstractSlider::SliderMove:
      result = applyHorizontal(scroll_, HorizontalInput::BarTrack, bar->sliderPosition());
      break;
    default: break;
  }
  bar->setSliderPosition(scroll_.horizontalPos);
  afterScroll(result, previous);
}

void C_PDF_View::scrollContentsBy(int, int) {
  // Scrolling is this view's own model; the bars only report input.
}

void C_PDF_View::resizeEvent(QResizeEvent* event) {
  if (document_ && document_->renderer()) {
    if (renderedOnce_ && !resizeArmed_) {
      resizeArmed_ = true;
    } else if (renderedOnce_) {
      needsRender_ = true;
    }
    clearHighlightMarks();
  }
  clientWidth_ = event->size().width();
  clientHeight_ = event->size().height();
  viewport()->update();
}

void C_PDF_View::focusInEvent(QFocusEvent* event) {
  QAbstractScrollArea::focusInEvent(event);
  applyZoom(false);
  writePageBox();
  if (ViewHost* h = host()) h->commandStateChanged();
}

void C_PDF_View::mouseMoveEvent(QMouseEvent* event) {
  const QRect client = viewport()->rect();
  const QPoint p = event->position().toPoint();
  const bool inCorner = p.x() < kSizeLabelCornerWidth && p.y() > client.height() - kSizeLabelCornerHeight;
  const bool pageShown = currentPage_ > 0 && !pageImage_.isNull();
  if (inCorner && pageShown && !sizeLabelShown_) {
    sizeLabelShown_ = true;
    viewport()->update(sizeLabelRect(client));
  } else if (!inCorner && sizeLabelShown_) {
    sizeLabelShown_ = false;
    sizeLabelErase_ = true;
    viewport()->update(sizeLabelRect(client));
  }
}

void C_PDF_View::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::RightButton) {
    if (ViewHost* h = host(); h && h->contextMenu()) h->contextMenu()->exec(event->globalPosition().toPoint());
    return;
  }
  dragStartPos_ = scroll_.verticalPos;
  QAbstractScrollArea::mousePressEvent(event);
}

// ---- Painting ----

void C_PDF_View::measureResolution() {
  dpiX_ = viewport()->logicalDpiX();
  dpiY_ = viewport()->logicalDpiY();
  resolution_ = std::max(std::abs(dpiX_), std::abs(dpiY_));
  if (resolution_ <= 0) resolution_ = 96;
}

void C_PDF_View::paintEvent(QPaintEvent*) {
  // Engine messages raised while drawing are shown once the paint is over.
  MessageListener::Deferral deferral;
  QPainter painter(viewport());
  const QRect client = viewport()->rect();
  clientRect_ = client;
  if (drawingStopped_ || !document_ || !document_->document()) {
    painter.fillRect(client, backgroundColour());
    return;
  }
  measureResolution();
  // The size label alone reuses the bitmap; a page that must be drawn again is drawn under it.
  if (!updatePageBitmap()) {
    painter.fillRect(client, backgroundColour());
    return;
  }
  if (pageBoxDirty_) {
    pageBoxDirty_ = false;
    writePageBox();
  }
  if (pageImage_.isNull()) {
    painter.fillRect(client, backgroundColour());
    return;
  }
  layoutPage(client);
  const int w = pageImage_.width(), h = pageImage_.height();
  const QColor bg = backgroundColour();
  painter.fillRect(QRect(QPoint(0, 0), QPoint(pageLeft_ - 1, client.height() - 1)), bg);
  painter.fillRect(QRect(QPoint(pageLeft_ + w, 0), QPoint(client.width() - 1, client.height() - 1)), bg);
  painter.fillRect(QRect(QPoint(0, 0), QPoint(client.width() - 1, pageTop_ - 1)), bg);
  painter.fillRect(QRect(QPoint(0, pageTop_ + h), QPoint(client.width() - 1, client.height() - 1)), bg);
  sizeLabelErase_ = false;
  // The paint is clipped to what changed, so a highlight change or a scroll within the page
  // copies only that part of the kept bitmap.
  painter.drawImage(pageLeft_, pageTop_, pageImage_);
  skipPageBlit_ = false;
  highlightPass(&painter, true);
  placeFormOverlay();
  highlightChecksum_ = renderFlagA_ || renderFlagB_ ? 0 : highlightPass(&painter, false);
  if (sizeLabelShown_) paintSizeLabel(painter, client);
  schedulePageTreeCompletion();
}

bool C_PDF_View::updatePageBitmap() {
  const int p = scroll_.verticalPos / kUnitsPerPage + 1;
  if (p < 1) return false;
  if (p != currentPage_ && resetSearchOnPageChange_) resetSearch();
  resetSearchOnPageChange_ = true;
  if (p == currentPage_ && !needsRender_ && rotation() == renderedRotation_ && !pageImage_.isNull())
    return true;
  if (C_PDF_Doc::engineBusy() || (p != 1 && !document_->pageTreeComplete())) {
    // The document is being read: show what there is and draw once it is done.
    if (!retryPending_) {
      retryPending_ = true;
      QTimer::singleShot(kBusyRetryMs, this, [this] {
        retryPending_ = false;
        if (document_ && !C_PDF_Doc::engineBusy()) document_->completePageTree();
        viewport()->update();
      });
    }
    return true;
  }
  return renderPage(p);
}

bool C_PDF_View::renderPage(int p) {
  currentPage_ = p;
  C_PDF_Draw* renderer = document_->renderer();
  if (!renderer) {
    needsRender_ = true;
    return false;
  }
  C_PDF_Document* parsed = document_->document();
  for (int attempt = 0; attempt < kMaxRenderAttempts; ++attempt) {
    const C_PDF_PageTreeNode_or_Page* page = parsed->findPage(p, false);
    if (!page) {
      pageMissing();
      return false;
    }
    const int ownRotation = page->rotation;
    const double twips = kTwipsPerInch / resolution_;
    const bool sideways = ownRotation != 0 && ownRotation != 180;
    renderHeight100_ = std::max(1, sideways ? page->width : page->height) * kTwipsPerPoint / twips;
    renderWidth100_ = std::max(1, sideways ? page->height : page->width) * kTwipsPerPoint / twips;
    const int viewRotation = parsed->viewRotation;
    const bool turned = viewRotation % 180 != 0;
    pageHeight100_ = turned ? renderWidth100_ : renderHeight100_;
    pageWidth100_ = turned ? renderHeight100_ : renderWidth100_;
    sizeText_ = QString::fromStdString(page->sizeText);
    if (zoomMode_ == ZoomMode::FitPage) {
      zoom_ = std::min((clientWidth_ - kFitMargin) / pageWidth100_, (clientHeight_ - kFitMargin) / pageHeight100_);
    } else if (zoomMode_ == ZoomMode::FitWidth) {
      zoom_ = (clientWidth_ - kFitMargin) / pageWidth100_;
    }
    if (!(zoom_ >= kMinZoom)) zoom_ = kMinZoom;
    if (zoom_ > kMaxZoom) zoom_ = kMaxZoom;

    PageRenderRequest request;
    request.pageNumber = p;
    request.cacheFlag = 1;
    request.resolution = resolution_;
    request.twipsPerPixel = twips;
    request.deviceWidth = renderWidth100_;
    request.deviceHeight = renderHeight100_;
    request.renderFlagA = renderFlagA_;
    request.renderFlagB = renderFlagB_;
    QImage image;
    pageImage_ = QImage();
    try {
      image = renderPageImage(*renderer, request, zoom_, kMaxViewBitmapPixels);
      formsPlaced_ = false;
      writePageBox();
    } catch (const C_PDF_Exception& e) {
      drawingStopped_ = true;
      if (e.code() == kErrorObjectNotFound || e.code() == kErrorDocumentDamaged) showEngineErrorLater(e.code());
      return false;
    } catch (...) {
      drawingStopped_ = true;
      return false;
    }
    ++renderCount_;
    const C_PDF_PageTreeNode_or_Page* after = parsed->findPage(p, false);
    if (after && after->rotation != ownRotation && attempt + 1 < kMaxRenderAttempts) {
      needsRender_ = true;
      continue;
    }
    if (image.isNull()) return false;
    pageImage_ = viewRotation == 0 ? std::move(image) : image.transformed(QTransform().rotate(viewRotation));
    renderedRotation_ = viewRotation;
    renderedOnce_ = true;
    needsRender_ = false;
    skipPageBlit_ = false;
    emit rendered();
    return true;
  }
  return false;
}

void C_PDF_View::showEngineErrorLater(int code) {
  QTimer::singleShot(0, [code] { showEngineError(code, kCaptionReader, nullptr); });
}

void C_PDF_View::pageMissing() {
  // The engine lowers the page count when a page turns out not to exist; follow it.
  const int max = verticalMaxFor(pageCount());
  if (max >= scroll_.verticalMax) return;
  scroll_.verticalMax = max;
  scroll_.verticalPos = std::min(scroll_.verticalPos, max - kLastUnitOfPage);
  scroll_.verticalPos = std::max(scroll_.verticalPos, 0);
  updateScrollBars();
  needsRender_ = true;
  pageBoxDirty_ = true;
  if (pageCount() > 0) viewport()->update();
  if (ViewHost* h = host()) h->commandStateChanged();
}

void C_PDF_View::placeFormOverlay() {
  if (rotation() != 0) {
    formOverlay_->clear();
    return;
  }
  C_PDF_Document* parsed = document_->document();
  if (!parsed->formOverlay || formsPlaced_) return;
  formsPlaced_ = true;
  formOverlay_->clear();
  C_PDF_PageTreeNode_or_Page* page = nullptr;
  try {
    page = parsed->findPreparedPage(currentPage_, false);
  } catch (const C_PDF_Exception&) {
    return;
  }
  if (!page) return;
  const int widthPoints = std::max(1, page->rotation % 180 != 0 ? page->height : page->width);
  OverlayPlacement placement;
  placement.pageOrigin = QPoint(pageLeft_, pageTop_);
  placement.pixelsPerPoint = static_cast<double>(pageImage_.width()) / widthPoints;
  formOverlay_->build(viewport(), *parsed, *page, placement);
}

bool C_PDF_View::layoutPage(const QRect& client) {
  const double ph = pageHeight100_ * zoom_;
  const double pw = pageWidth100_ * zoom_;
  const int cw = client.width(), ch = client.height();
  double yOffset = 0;
  if (ph < ch) {
    scroll_.verticalFit = kFitsInWindow;
  } else {
    scroll_.verticalFit = kLargerThanWindow;
    yOffset = (ph + 10 - ch) / 20 * (10 - scroll_.verticalPos % kUnitsPerPage);
  }
  double xOffset = 0;
  bool barChange = false;
  if (pw < cw) {
    if (horizontalBarShown_) {
      horizontalBarShown_ = false;
      barChange = true;
    } else {
      scroll_.horizontalFit = kFitsAcross;
      scroll_.horizontalPos = kHorizontalCentre;
      const QSignalBlocker block(horizontalScrollBar());
      horizontalScrollBar()->setValue(kHorizontalCentre);
    }
  } else {
    if (!horizontalBarShown_) {
      horizontalBarShown_ = true;
      barChange = true;
    } else {
      scroll_.horizontalFit = kWiderThanWindow;
      xOffset = (pw + 10 - cw) / 20 * (10 - scroll_.horizontalPos % kUnitsPerPage);
    }
  }
  if (barChange && !barChangePending_) {
    // The bar changes after this paint; the resize that follows paints again.
    barChangePending_ = true;
    QTimer::singleShot(0, this, [this] {
      barChangePending_ = false;
      setHorizontalScrollBarPolicy(horizontalBarShown_ ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
    });
  }
  const int left = static_cast<int>(cw / 2 - pw * 0.5 + xOffset);
  const int top = static_cast<int>(ch / 2 - ph * 0.5 + yOffset);
  if (left != pageLeft_ || top != pageTop_) formsPlaced_ = false;
  pageLeft_ = left;
  pageTop_ = top;
  return !barChange;
}

QRect C_PDF_View::sizeLabelRect(const QRect& client) const {
  QFont font(QStringLiteral("Arial"), 9);
  const QFontMetrics metrics(font);
  const int textWidth = metrics.horizontalAdvance(sizeText_);
  const int textHeight = metrics.height();
  return QRect(QPoint(client.left() + 2, client.height() - textHeight - 4),
               QPoint(textWidth + 8, client.height() - 2));
}

void C_PDF_View::paintSizeLabel(QPainter& painter, const QRect& client) {
  const QRect box = sizeLabelRect(client);
  painter.save();
  painter.setFont(QFont(QStringLiteral("Arial"), 9));
  painter.fillRect(box, Qt::black);
  painter.setPen(QPen(Qt::red, 1));
  painter.drawRect(box.adjusted(0, 0, -1, -1));
  painter.setPen(Qt::white);
  const QFontMetrics metrics(painter.font());
  painter.drawText(QPoint(client.left() + 5, client.height() - metrics.height() - 3 + metrics.ascent()), sizeText_);
  painter.restore();
}

void C_PDF_View::schedulePageTreeCompletion() {
  if (completionScheduled_ || !document_ || document_->pageTreeComplete()) return;
  completionScheduled_ = true;
  // Right after page 1 is on screen the rest of the tree is read.
  QTimer::singleShot(0, this, [this] {
    if (document_) document_->completePageTree();
  });
}

void C_PDF_View::pageTreeCompleted() {
  const int max = verticalMaxFor(pageCount());
  scroll_.verticalMax = max;
  scroll_.verticalPos = std::clamp(scroll_.verticalPos, 0, max);
  updateScrollBars();
  pageBoxDirty_ = true;
  viewport()->update();
  if (ViewHost* h = host()) h->commandStateChanged();
}

// ---- Printing ----

bool C_PDF_View::permitted(DocumentPermission permission) {
  C_PDF_Document* parsed = document_ ? document_->document() : nullptr;
  if (!parsed || parsed->allows(permission)) return true;
  showMessage(this, kCaptionReader,
              permission == DocumentPermission::Print ? kTextPrintNotAllowed : kTextCopyNotAllowed,
              BoxIcon::Information);
  // The owner password lifts the restriction; a wrong one asks again, cancelling gives up.
  C_PDF_PasswordDialog dialog(this);
  while (std::optional<std::string> password = dialog.askPassword()) {
    if (parsed->unlockWithOwnerPassword(*password)) return true;
  }
  return false;
}

void C_PDF_View::printDocument(bool preview) {
  if (!document_ || !document_->renderer()) return;
  if (!permitted(DocumentPermission::Print)) return;
  document_->completePageTree();
  ViewHost* h = host();
  QPrinter fallback;
  QPrinter* printer = h && h->printer() ? h->printer() : &fallback;
  if (preview) {
    QPrintPreviewDialog dialog(printer, this);
    connect(&dialog, &QPrintPreviewDialog::paintRequested, this, [this](QPrinter* p) { print(*p); });
    dialog.exec();
    return;
  }
  QPrintDialog dialog(printer, this);
  dialog.setMinMax(1, std::max(1, pageCount()));
  dialog.setOption(QAbstractPrintDialog::PrintPageRange, true);
  if (dialog.exec() == QDialog::Accepted) print(*printer);
}

void C_PDF_View::print(QPrinter& printer) {
  if (!document_ || !document_->renderer()) return;
  document_->completePageTree();
  C_PDF_Document* parsed = document_->document();
  C_PDF_Draw* renderer = document_->renderer();
  printSavedPage_ = currentPage_;
  int from = printer.fromPage(), to = printer.toPage();
  if (from <= 0) {
    from = 1;
    to = pageCount();
  }
  to = std::min(to, pageCount());
  QPainter painter;
  if (from <= to && painter.begin(&printer)) {
    const QRectF paper = printer.paperRect(QPrinter::DevicePixel);
    const QRectF printable = printer.pageRect(QPrinter::DevicePixel);
    const QPointF offset = printable.topLeft() - paper.topLeft();
    const double areaWidth = paper.width() - 2 * offset.x();
    const double areaHeight = paper.height() - 2 * offset.y();
    const double resolution = std::max(printer.logicalDpiX(), printer.logicalDpiY());
    const double twips = kTwipsPerInch / resolution;
    try {
      for (int n = from; n <= to; ++n) {
        const C_PDF_PageTreeNode_or_Page* page = parsed->findPage(n, false);
        if (!page) break;
        if (n > from) printer.newPage();
        currentPage_ = n;
        const bool sideways = page->rotation != 0 && page->rotation != 180;
        const double height = std::max(1, sideways ? page->width : page->height) * kTwipsPerPoint / twips;
        const double width = std::max(1, sideways ? page->height : page->width) * kTwipsPerPoint / twips;
        const double scale = std::min(areaWidth / width, areaHeight / height);
        if (!(scale > 0)) continue;
        PageRenderRequest request;
        request.pageNumber = n;
        request.cacheFlag = 0;
        request.resolution = resolution;
        request.twipsPerPixel = twips;
        request.deviceWidth = width;
        request.deviceHeight = height;
        double zoom = scale;
        const QImage image = renderPageImage(*renderer, request, zoom, kMaxPrintBitmapPixels);
        const QRectF target((areaWidth - width * scale) / 2, (areaHeight - height * scale) / 2,
                            width * scale, height * scale);
        if (!image.isNull()) painter.drawImage(target, image);
      }
    } catch (const C_PDF_Exception& e) {
      showEngineErrorLater(e.code());
    }
    painter.end();
  }
  currentPage_ = printSavedPage_;
  needsRender_ = true;
  refreshAllViews();
}

}  // namespace Corvalis::Viewer
