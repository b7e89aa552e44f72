#include "viewer/sync/source_link.h"

#include <QDateTime>
#include <QFileInfo>
#include <QMouseEvent>
#include <cmath>

#include "viewer/doc/pdf_doc.h"
#include "viewer/sync/editor_command.h"
#include "viewer/view/link_controller.h"
#include "viewer/view/page_marks.h"
#include "viewer/view/pdf_view.h"

namespace Corvalis::Viewer {

namespace {

const QColor kForwardColour(255, 200, 0, 110);

// A point of the shown bitmap (after rotation) in top-left based page points.
QPointF toPagePoints(const PagePlacement& p, QPointF shown) {
  const double px = shown.x() / p.pixelsPerPoint, py = shown.y() / p.pixelsPerPoint;
  switch (p.rotation) {
    case 90:
      return {py, p.height - px};
    case 180:
      return {p.width - px, p.height - py};
    case 270:
      return {p.width - py, px};
    default:
      return {px, py};
  }
}

// A rectangle in top-left based page points as pixels of the shown bitmap.
QRect toShownPixels(const PagePlacement& p, const QRectF& points) {
  // PagePlacement::toView takes PDF user space (bottom-left based).
  auto corner = [&p](double u, double v) {
    return p.toView(u + p.originX, p.originY + p.height - v) - QPointF(p.imageOrigin);
  };
  const QRectF r =
      QRectF(corner(points.left(), points.top()), corner(points.right(), points.bottom()))
          .normalized();
  return r.toAlignedRect();
}

}  // namespace

SourceLink& SourceLink::of(C_PDF_View& view) {
  if (auto* found = view.findChild<SourceLink*>(QString(), Qt::FindDirectChildrenOnly))
    return *found;
  return *new SourceLink(view);
}

SourceLink::SourceLink(C_PDF_View& view)
    : QObject(&view), view_(&view), launcher_(&EditorCommand::run) {
  view.viewport()->installEventFilter(this);
}

SyncTexFile* SourceLink::file() {
  C_PDF_Doc* doc = view_ ? view_->pdfDocument() : nullptr;
  if (!doc) return nullptr;
  const QString found = SyncTexFile::findBeside(doc->path());
  const qint64 stamp = found.isEmpty() ? -1 : QFileInfo(found).lastModified().toMSecsSinceEpoch();
  // TeX writes a new one with every build.
  if (doc->path() != filePdf_ || stamp != fileStamp_) {
    filePdf_ = doc->path();
    fileStamp_ = stamp;
    file_ = found.isEmpty() ? nullptr : SyncTexFile::open(doc->path());
  }
  return file_.get();
}

QString SourceLink::unavailableReason() {
  if (!file()) return tr("没有 SyncTeX 文件（用 -synctex=1 编译 TeX 文档）");
  if (EditorCommand::stored().trimmed().isEmpty()) return tr("未设置编辑器命令（首选项）");
  return {};
}

bool SourceLink::forward(C_PDF_View& view, const SourcePlace& place) {
  SourceLink& link = of(view);
  SyncTexFile* sync = link.file();
  if (!sync) return false;
  const std::vector<SyncBox> boxes = sync->forward(place.file, place.line, place.column);
  if (boxes.empty()) return false;
  const int page = boxes.front().page;
  if (page < 1) return false;
  if (C_PDF_Doc* doc = view.pdfDocument(); doc && page != 1) doc->completePageTree();
  if (page > view.pageCount()) return false;
  view.goToPage(page);
  // Drawn now, so that the marks are placed on the page as it is shown.
  view.viewport()->repaint();
  PagePlacement where;
  LinkController* links = LinkController::of(&view);
  if (!links || !links->placement(where)) return true;
  std::vector<QRect> rects;
  for (const SyncBox& box : boxes) rects.push_back(toShownPixels(where, box.rect));
  PageMarks::of(view).show(page, std::move(rects), kForwardColour, kForwardMarkMs);
  return true;
}

std::optional<SourceSpot> SourceLink::spotAt(QPoint point) {
  if (!view_) return std::nullopt;
  SyncTexFile* sync = file();
  PagePlacement where;
  LinkController* links = LinkController::of(view_);
  if (!sync || !links || !links->placement(where)) return std::nullopt;
  const QPointF shown = QPointF(point - where.imageOrigin);
  const QImage& image = view_->pageImage();
  if (shown.x() < 0 || shown.y() < 0 || shown.x() >= image.width() || shown.y() >= image.height())
    return std::nullopt;
  const QPointF p = toPagePoints(where, shown);
  return sync->inverse(view_->currentPage(), p.x(), p.y());
}

bool SourceLink::inverseAt(QPoint point) {
  const QString command = EditorCommand::stored();
  if (command.trimmed().isEmpty()) return false;
  const std::optional<SourceSpot> spot = spotAt(point);
  if (!spot) return false;
  return launcher_ && launcher_(command, spot->file, spot->line);
}

bool SourceLink::eventFilter(QObject* watched, QEvent* event) {
  // The type first: while the view is being destroyed its viewport still passes events here,
  // and the view must not be touched then.
  if (event->type() != QEvent::MouseButtonPress || !view_ || watched != view_->viewport())
    return false;
  auto* mouse = static_cast<QMouseEvent*>(event);
  if (mouse->button() != Qt::LeftButton || !(mouse->modifiers() & Qt::ControlModifier))
    return false;
  // Without synchronisation data Ctrl+click keeps extending the selection.
  if (!file()) return false;
  inverseAt(mouse->position().toPoint());
  return true;
}

}  // namespace Corvalis::Viewer
