#include "viewer/view/presentation_window.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QGuiApplication>
#include <QPainter>
#include <QScreen>
#include <QTimer>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

#include "engine/document/link_annotation.h"
#include "engine/document/pdf_document.h"
#include "engine/document/pdf_exception.h"
#include "engine/render/page_pixels.h"
#include "engine/render/pdf_draw.h"
#include "viewer/doc/document_navigation.h"
#include "viewer/doc/pdf_doc.h"
#include "viewer/messages/message_listener.h"
#include "viewer/view/link_controller.h"
#include "viewer/view/night_filter.h"
#include "viewer/view/page_prefetcher.h"
#include "viewer/view/pdf_view.h"
#include "viewer/view/zoom_model.h"

namespace Corvalis::Viewer {

namespace {

// While the engine is busy elsewhere the paint tries again this soon.
constexpr int kBusyRetryMs = 50;
constexpr double kPointsPerInch = 72.0;

}  // namespace

PresentationWindow::PresentationWindow(C_PDF_View* view)
    : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint),
      view_(view),
      document_(view ? view->pdfDocument() : nullptr) {
  setAttribute(Qt::WA_DeleteOnClose);
  setAttribute(Qt::WA_OpaquePaintEvent);
  setObjectName(QStringLiteral("presentation"));
  setWindowTitle(view ? view->window()->windowTitle() : QString());
  setMouseTracking(true);
  setFocusPolicy(Qt::StrongFocus);
  QPalette p = palette();
  p.setColor(QPalette::Window, Qt::black);
  setPalette(p);
  if (view) {
    page_ = std::max(1, view->currentPage());
    rotation_ = view->rotation();
  }
  if (document_ && document_->document()) {
    // The pages after the first one need the whole page tree.
    document_->completePageTree();
    C_PDF_Document* parsed = document_->document();
    prefetcher_ = std::make_unique<PagePrefetcher>(parsed->path(), parsed->password());
    connect(prefetcher_.get(), &PagePrefetcher::pagePrepared, this, [this](int page) {
      // A page that could not be shown yet is shown as soon as it is ready.
      if (page == page_ && imagePage_ != page_) update();
    });
  }
  connect(&NightFilter::instance(), &NightFilter::changed, this, [this] { update(); });
}

PresentationWindow::~PresentationWindow() = default;

void PresentationWindow::start(bool fullScreen) {
  resolution_ = std::max(logicalDpiX(), logicalDpiY());
  if (resolution_ <= 0) resolution_ = 96;
  if (fullScreen) {
    QScreen* screen = view_ ? view_->screen() : QGuiApplication::primaryScreen();
    if (screen) {
      setScreen(screen);
      // Without a window manager that honours full-screen requests the window still covers it.
      setGeometry(screen->geometry());
    }
    showFullScreen();
  } else {
    show();
  }
  activateWindow();
  setFocus();
}

int PresentationWindow::pageCount() const {
  return document_ && document_->document() ? document_->document()->pageCount : 0;
}

void PresentationWindow::goToPage(int page) {
  page = std::clamp(page, 1, std::max(1, pageCount()));
  typed_.clear();
  if (page == page_) return;
  page_ = page;
  update();
}

void PresentationWindow::setPrefetchEnabled(bool on) {
  prefetchEnabled_ = on;
  if (!on && prefetcher_) prefetcher_->discard();
}

bool PresentationWindow::preparedAhead(int page) const {
  return prefetcher_ && prefetchEnabled_ && prefetcher_->isReady(page);
}

QRect PresentationWindow::pageRect() const {
  if (image_.isNull()) return {};
  return QRect(QPoint((width() - image_.width()) / 2, (height() - image_.height()) / 2),
               image_.size());
}

PageViewState PresentationWindow::pageViewState() const {
  PageViewState state;
  state.mode = ZoomMode::FitPage;
  state.zoom = 1;
  // The view's fit leaves a margin; a slide fills the screen.
  state.client = size() + QSize(int(kFitMargin), int(kFitMargin));
  state.resolution = resolution_;
  state.rotation = rotation_;
  return state;
}

bool PresentationWindow::updateImage() {
  if (imagePage_ == page_ && imageFor_ == size() && !image_.isNull()) return true;
  if (!document_ || !document_->renderer() || C_PDF_Doc::engineBusy()) return false;
  try {
    const C_PDF_PageTreeNode_or_Page* record =
        document_->document() ? document_->document()->findPage(page_, false) : nullptr;
    if (!record) return false;
    RenderRequest request = viewRenderRequest(*record, page_, pageViewState());
    QImage image;
    if (prefetcher_ && prefetchEnabled_) {
      if (auto prepared = prefetcher_->take(request)) {
        image = std::move(prepared->image);
        ++preparedShown_;
      }
    }
    if (image.isNull())
      image = renderPageImage(*document_->renderer(), request, kMaxViewBitmapPixels);
    if (image.isNull()) return false;
    image_ = std::move(image);
  } catch (const C_PDF_Exception&) {
    // The page cannot be drawn: the slide stays black, the others are still shown.
    image_ = QImage();
  }
  imagePage_ = page_;
  imageFor_ = size();
  prepareNeighbours();
  emit pageShown(page_);
  return !image_.isNull();
}

void PresentationWindow::prepareNeighbours() {
  if (!prefetcher_ || !prefetchEnabled_) return;
  std::vector<int32_t> pages;
  if (page_ < pageCount()) pages.push_back(page_ + 1);
  if (page_ > 1) pages.push_back(page_ - 1);
  const PageViewState state = pageViewState();
  PrefetchSettings settings;
  settings.mode = state.mode;
  settings.zoom = state.zoom;
  settings.client = state.client;
  settings.resolution = state.resolution;
  settings.viewRotation = state.rotation;
  prefetcher_->prepare(settings, std::move(pages));
}

void PresentationWindow::paintEvent(QPaintEvent*) {
  MessageListener::Deferral deferral;
  QPainter painter(this);
  painter.fillRect(rect(), Qt::black);
  if (!updateImage()) {
    if (C_PDF_Doc::engineBusy()) QTimer::singleShot(kBusyRetryMs, this, [this] { update(); });
    return;
  }
  painter.drawImage(pageRect().topLeft(), NightFilter::instance().screenImage(image_, rotation_));
}

void PresentationWindow::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  if (prefetcher_) prefetcher_->discard();
  update();
}

void PresentationWindow::keyPressEvent(QKeyEvent* event) {
  if (event->modifiers() & (Qt::ControlModifier | Qt::AltModifier)) {
    // Ctrl+L again leaves, as it came.
    if (event->key() == Qt::Key_L && (event->modifiers() & Qt::ControlModifier)) close();
    return;
  }
  const int key = event->key();
  if (key >= Qt::Key_0 && key <= Qt::Key_9) {
    if (typed_.size() < kMaxTypedDigits) typed_ += QChar(u'0' + (key - Qt::Key_0));
    return;
  }
  switch (key) {
    case Qt::Key_Escape:
      close();
      return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
      if (!typed_.isEmpty()) {
        goToPage(typed_.toInt());
        return;
      }
      goToPage(page_ + 1);
      return;
    case Qt::Key_Backspace:
      if (!typed_.isEmpty()) {
        typed_.chop(1);
        return;
      }
      goToPage(page_ - 1);
      return;
    case Qt::Key_Right:
    case Qt::Key_Down:
    case Qt::Key_PageDown:
    case Qt::Key_Space:
    case Qt::Key_N:
      goToPage(page_ + 1);
      return;
    case Qt::Key_Left:
    case Qt::Key_Up:
    case Qt::Key_PageUp:
    case Qt::Key_P:
      goToPage(page_ - 1);
      return;
    case Qt::Key_Home:
      goToPage(1);
      return;
    case Qt::Key_End:
      goToPage(pageCount());
      return;
    default:
      QWidget::keyPressEvent(event);
  }
}

const LinkAnnotation* PresentationWindow::linkAt(QPoint point) {
  if (!document_ || image_.isNull() || imagePage_ != page_) return nullptr;
  DocumentNavigation& navigation = DocumentNavigation::of(*document_);
  const C_PDF_PageTreeNode_or_Page* page = navigation.page(page_);
  if (!page) return nullptr;
  PagePlacement where;
  where.width = std::max(1, page->width);
  where.height = std::max(1, page->height);
  where.originX = page->originX;
  where.originY = page->originY;
  where.rotation = ((page->rotation + rotation_) % 360 + 360) % 360;
  where.pixelsPerPoint = image_.width() / (where.rotation % 180 ? where.height : where.width);
  where.imageOrigin = pageRect().topLeft();
  const std::vector<LinkAnnotation>& links = navigation.links(page_);
  // The last one drawn is on top.
  for (auto it = links.rbegin(); it != links.rend(); ++it) {
    const QRectF r =
        QRectF(where.toView(it->x1, it->y1), where.toView(it->x2, it->y2)).normalized();
    if (r.contains(point)) return &*it;
  }
  return nullptr;
}

void PresentationWindow::follow(const LinkTarget& target) {
  using Kind = LinkTarget::Kind;
  if (target.kind == Kind::GoTo) {
    if (target.destination.valid()) goToPage(target.destination.pageNumber);
  } else if (target.kind == Kind::Named) {
    if (target.name == "NextPage") goToPage(page_ + 1);
    if (target.name == "PrevPage") goToPage(page_ - 1);
    if (target.name == "FirstPage") goToPage(1);
    if (target.name == "LastPage") goToPage(pageCount());
  } else if (LinkController* links = LinkController::of(view_)) {
    // Addresses are opened, and refusals told, by the view's own links after asking: the
    // question is asked over the presentation.
    links->follow(target);
  }
}

void PresentationWindow::mousePressEvent(QMouseEvent* event) {
  const QPoint at = event->position().toPoint();
  if (event->button() == Qt::LeftButton) {
    if (const LinkAnnotation* link = linkAt(at)) {
      const LinkTarget target = link->target;
      follow(target);
      return;
    }
    goToPage(page_ + 1);
  } else if (event->button() == Qt::RightButton || event->button() == Qt::BackButton) {
    goToPage(page_ - 1);
  }
}

void PresentationWindow::mouseMoveEvent(QMouseEvent* event) {
  setCursor(linkAt(event->position().toPoint()) ? Qt::PointingHandCursor : Qt::ArrowCursor);
}

void PresentationWindow::wheelEvent(QWheelEvent* event) {
  wheelRest_ += event->angleDelta().y();
  while (wheelRest_ >= kWheelStep) {
    wheelRest_ -= kWheelStep;
    goToPage(page_ - 1);
  }
  while (wheelRest_ <= -kWheelStep) {
    wheelRest_ += kWheelStep;
    goToPage(page_ + 1);
  }
  event->accept();
}

void PresentationWindow::closeEvent(QCloseEvent* event) {
  prefetcher_.reset();
  if (view_ && view_->currentPage() != page_) view_->goToPage(page_);
  if (view_) view_->window()->activateWindow();
  QWidget::closeEvent(event);
}

}  // namespace Corvalis::Viewer
