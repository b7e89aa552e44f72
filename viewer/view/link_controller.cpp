#include "viewer/view/link_controller.h"

#include <QApplication>
#include <QDesktopServices>
#include <QMouseEvent>
#include <QTimer>
#include <QUrl>
#include <algorithm>
#include <cmath>

#include "engine/document/page_tree.h"
#include "engine/document/pdf_document.h"
#include "viewer/doc/document_navigation.h"
#include "viewer/doc/pdf_doc.h"
#include "viewer/messages/message_box.h"
#include "viewer/view/pdf_view.h"
#include "viewer/view/scroll_model.h"

namespace Corvalis::Viewer {

namespace {

constexpr char kAskOpenAddress[] = "Open this address in your web browser or e-mail program?\n\n%1";
constexpr char kRefusedAddress[] =
    "This link leads to an address that Brevia Reader does not open (only web pages and e-mail "
    "addresses):\n\n%1";
constexpr char kRefusedProgram[] =
    "This link would start a program or run a script. Brevia Reader does not run them.";
constexpr char kRefusedOtherFile[] =
    "This link leads into another file. Brevia Reader follows links within the document only.";

}  // namespace

QPointF PagePlacement::toView(double x, double y) const {
  // Top-left based page coordinates, then the quarter turns clockwise.
  const double u = x - originX;
  const double v = height - (y - originY);
  double px = u, py = v;
  switch (rotation) {
    case 90:
      px = height - v;
      py = u;
      break;
    case 180:
      px = width - u;
      py = height - v;
      break;
    case 270:
      px = v;
      py = width - u;
      break;
    default:
      break;
  }
  return {imageOrigin.x() + px * pixelsPerPoint, imageOrigin.y() + py * pixelsPerPoint};
}

LinkController::LinkController(C_PDF_View* view)
    : QObject(view), view_(view), viewport_(view->viewport()) {
  view->viewport()->installEventFilter(this);
  view->viewport()->setMouseTracking(true);
}

LinkController* LinkController::of(const C_PDF_View* view) {
  return view ? view->findChild<LinkController*>(QString(), Qt::FindDirectChildrenOnly) : nullptr;
}

bool LinkController::placement(PagePlacement& out) const {
  return view_ && placementOf(view_->currentPage(), out);
}

bool LinkController::placementOf(int pageNumber, PagePlacement& out) const {
  if (!view_ || !view_->pdfDocument() || pageNumber < 1) return false;
  const QRect shown = view_->shownPageRect(pageNumber);
  if (shown.isEmpty()) return false;
  const C_PDF_PageTreeNode_or_Page* page =
      DocumentNavigation::of(*view_->pdfDocument()).page(pageNumber);
  if (!page) return false;
  out.width = std::max(1, page->width);
  out.height = std::max(1, page->height);
  out.originX = page->originX;
  out.originY = page->originY;
  out.rotation = ((page->rotation + view_->rotation()) % 360 + 360) % 360;
  const double shownWidth = out.rotation % 180 ? out.height : out.width;
  out.pixelsPerPoint = shown.width() / shownWidth;
  out.imageOrigin = shown.topLeft();
  return true;
}

const LinkAnnotation* LinkController::linkAt(QPoint point) {
  PagePlacement where;
  const int pageNumber = view_ ? view_->pageAt(point) : 0;
  if (pageNumber < 1 || !placementOf(pageNumber, where)) return nullptr;
  const std::vector<LinkAnnotation>& links =
      DocumentNavigation::of(*view_->pdfDocument()).links(pageNumber);
  // The last drawn is on top.
  for (auto it = links.rbegin(); it != links.rend(); ++it) {
    const QRectF area =
        QRectF(where.toView(it->x1, it->y1), where.toView(it->x2, it->y2)).normalized();
    if (area.contains(point)) return &*it;
  }
  return nullptr;
}

void LinkController::updateCursor(QPoint point) {
  const bool over = linkAt(point) != nullptr;
  if (over == handShown_) return;
  handShown_ = over;
  if (over) {
    view_->viewport()->setCursor(Qt::PointingHandCursor);
  } else {
    view_->viewport()->unsetCursor();
  }
}

bool LinkController::eventFilter(QObject* watched, QEvent* event) {
  if (!viewport_ || watched != viewport_.data()) return false;
  const QEvent::Type type = event->type();
  if (type == QEvent::Leave) {
    if (handShown_) {
      handShown_ = false;
      viewport_->unsetCursor();
    }
    return false;
  }
  if (type != QEvent::MouseMove && type != QEvent::MouseButtonPress &&
      type != QEvent::MouseButtonRelease)
    return false;
  if (!view_) return false;
  switch (type) {
    case QEvent::MouseMove:
      updateCursor(static_cast<QMouseEvent*>(event)->position().toPoint());
      break;
    case QEvent::MouseButtonPress: {
      auto* mouse = static_cast<QMouseEvent*>(event);
      pressedLink_ = -1;
      if (mouse->button() != Qt::LeftButton) break;
      pressPoint_ = mouse->position().toPoint();
      if (const LinkAnnotation* link = linkAt(pressPoint_)) {
        const auto& links =
            DocumentNavigation::of(*view_->pdfDocument()).links(view_->currentPage());
        pressedLink_ = static_cast<int>(link - links.data());
      }
      break;
    }
    case QEvent::MouseButtonRelease: {
      auto* mouse = static_cast<QMouseEvent*>(event);
      if (mouse->button() != Qt::LeftButton || pressedLink_ < 0) break;
      const int pressed = pressedLink_;
      pressedLink_ = -1;
      // A drag that starts on a link selects; a click follows it.
      if ((mouse->position().toPoint() - pressPoint_).manhattanLength() >=
          QApplication::startDragDistance())
        break;
      const auto& links = DocumentNavigation::of(*view_->pdfDocument()).links(view_->currentPage());
      if (pressed >= static_cast<int>(links.size()) ||
          linkAt(mouse->position().toPoint()) != &links[pressed])
        break;
      const LinkTarget target = links[pressed].target;
      // The view finishes its own handling of the release first.
      QTimer::singleShot(0, this, [this, target] { follow(target); });
      break;
    }
    default:
      break;
  }
  return false;
}

void LinkController::remember() {
  if (static_cast<int>(history_.size()) >= kMaxHistory) history_.erase(history_.begin());
  history_.push_back(view_->place());
}

void LinkController::back() {
  if (!view_ || history_.empty()) return;
  const ViewPlace where = history_.back();
  history_.pop_back();
  view_->showPlace(where);
}

void LinkController::follow(const LinkTarget& target) {
  if (!view_) return;
  using Kind = LinkTarget::Kind;
  switch (target.kind) {
    case Kind::GoTo:
      if (target.destination.valid()) goTo(target.destination);
      break;
    case Kind::URI:
      openAddress(target.uri);
      break;
    case Kind::Named: {
      const int count = view_->pageCount();
      int page = 0;
      if (target.name == "NextPage")
        page = view_->currentPage() + 1;
      else if (target.name == "PrevPage")
        page = view_->currentPage() - 1;
      else if (target.name == "FirstPage")
        page = 1;
      else if (target.name == "LastPage")
        page = count;
      if (page >= 1 && page <= count && page != view_->currentPage()) {
        remember();
        view_->goToPage(page);
      }
      break;
    }
    case Kind::Launch:
    case Kind::JavaScript:
      showMessage(view_, kCaptionReader, QString::fromLatin1(kRefusedProgram),
                  BoxIcon::Information);
      break;
    case Kind::GoToRemote:
      showMessage(view_, kCaptionReader, QString::fromLatin1(kRefusedOtherFile),
                  BoxIcon::Information);
      break;
    default:
      break;
  }
}

void LinkController::goTo(const PdfDestination& destination) {
  const int count = view_->pageCount();
  if (destination.pageNumber < 1 || destination.pageNumber > count) return;
  // An XYZ destination's zoom applies where it gives one.
  const double zoom =
      destination.fit == PdfDestination::Fit::XYZ && destination.zoom > 0 ? destination.zoom : 0;
  if (view_->viewMode() != ViewMode::SinglePage) {
    remember();
    view_->showPagePoint(destination.pageNumber, destination.hasLeft, destination.left,
                         destination.hasTop, destination.top, zoom);
    return;
  }
  const double zoomBefore = view_->zoom();
  if (zoom > 0) {
    remember();
    view_->showPagePoint(destination.pageNumber, false, 0, false, 0, zoom);
  }
  int unit = 0;
  PagePlacement where;
  const C_PDF_PageTreeNode_or_Page* page =
      DocumentNavigation::of(*view_->pdfDocument()).page(destination.pageNumber);
  if (page && placement(where)) {
    // The target page at the scale of the shown one.
    where.width = std::max(1, page->width);
    where.height = std::max(1, page->height);
    where.originX = page->originX;
    where.originY = page->originY;
    where.rotation = ((page->rotation + view_->rotation()) % 360 + 360) % 360;
    where.imageOrigin = QPoint(0, 0);
    // The page is shown at the destination's zoom from the next paint on.
    if (zoom > 0 && zoomBefore > 0) where.pixelsPerPoint *= view_->zoom() / zoomBefore;
    const bool across = where.rotation % 180 != 0;
    const bool positioned = across ? destination.hasLeft : destination.hasTop;
    const double shownHeight = (across ? where.width : where.height) * where.pixelsPerPoint;
    const double clientHeight = view_->viewport()->height();
    if (positioned && shownHeight >= clientHeight) {
      const double x = destination.hasLeft ? destination.left : where.originX;
      const double y = destination.hasTop ? destination.top : where.originY + where.height;
      const double top = std::clamp(where.toView(x, y).y(), 0.0, shownHeight);
      // The view shows unit u with the page's top at 5 - u * (h + 10 - client) / 20.
      const double span = shownHeight + 10 - clientHeight;
      if (span > 0)
        unit = std::clamp(static_cast<int>(std::floor((top + 5) * kLastUnitOfPage / span)), 0,
                          kLastUnitOfPage);
    }
  }
  if (zoom <= 0) remember();
  view_->showPosition((destination.pageNumber - 1) * kUnitsPerPage + unit);
}

void LinkController::openAddress(const std::string& uri) {
  const QString text = QString::fromUtf8(uri.data(), static_cast<qsizetype>(uri.size()));
  const QUrl url(text, QUrl::StrictMode);
  const QString scheme = url.scheme().toLower();
  const bool allowed =
      url.isValid() && (scheme == QLatin1String("http") || scheme == QLatin1String("https") ||
                        scheme == QLatin1String("mailto"));
  if (!allowed) {
    showMessage(view_, kCaptionReader, QString::fromLatin1(kRefusedAddress).arg(text),
                BoxIcon::Information);
    return;
  }
  const BoxAnswer answer = showMessageBox(
      {view_, kCaptionReader, QString::fromLatin1(kAskOpenAddress).arg(url.toDisplayString()),
       BoxIcon::Question, BoxButtons::YesNo});
  if (answer == BoxAnswer::Yes) QDesktopServices::openUrl(url);
}

}  // namespace Corvalis::Viewer
