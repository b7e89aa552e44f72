#include "viewer/view/selection_tracker.h"

#include <QPolygonF>
#include <algorithm>
#include <cmath>
#include <numbers>

#include "engine/layout/page_text_layout.h"
#include "engine/layout/text_run.h"

namespace Corvalis::Viewer {

namespace {

// The highlight of a run reaches a little below its baseline and past its last character.
constexpr double kTopInset = 0.1;
constexpr double kBottomReach = 0.4;
constexpr double kRightReach = 0.1;

// Page units along a run's own axes (u along the text, v down) to page units.
QPointF alongRun(const TextRun& run, double u, double v) {
  if (run.orientation == 0) return {u, v};
  const double a = run.orientation * std::numbers::pi / 180.0;
  return {u * std::cos(a) + v * std::sin(a), v * std::cos(a) - u * std::sin(a)};
}

QRectF boundsAlongRun(const TextRun& run, double left, double top, double right, double bottom) {
  const QPolygonF corners{alongRun(run, left, top), alongRun(run, right, top),
                          alongRun(run, right, bottom), alongRun(run, left, bottom)};
  return corners.boundingRect();
}

double firstPosition(const TextRun& run) {
  return run.positions.empty() ? run.right : run.positions.front();
}

bool intersects(const QRectF& a, const QRectF& b) {
  // Closed intervals: a band of no height still meets the line it lies on.
  return a.left() <= b.right() && b.left() <= a.right() && a.top() <= b.bottom() &&
         b.top() <= a.bottom();
}

// The window rectangle of characters from to to of a run, or of the whole run when from < 0.
QRect rangeRect(const TextRun& run, const PageGeometry& geometry, int32_t from, int32_t to) {
  const int32_t n = run.length();
  double left = firstPosition(run), right = run.right;
  if (from >= 0 && n > 0) {
    const int32_t first = std::clamp(from, 0, n - 1);
    const int32_t last = std::clamp(std::max(to, first), first, n - 1);
    if (first < static_cast<int32_t>(run.positions.size())) left = run.positions[first];
    if (last + 1 < static_cast<int32_t>(run.positions.size())) right = run.positions[last + 1];
  }
  double top = std::min(run.top, run.baseline), bottom = std::max(run.top, run.baseline);
  if (!run.tight) {
    const double size = std::abs(run.fontSize);
    const double pixel = geometry.scale > 0 ? 1.0 / geometry.scale : 1.0;
    top += kTopInset * size;
    bottom += std::max(kBottomReach * size, pixel);
    right += std::max(kRightReach * size, pixel);
  }
  return geometry.pageToWindow(boundsAlongRun(run, left, top, right, bottom)).toAlignedRect();
}

// The window rectangle of a run's highlight: the marked characters, or the whole run.
QRect highlightRect(const TextRun& run, const PageGeometry& geometry, bool wholeRun) {
  return wholeRun ? rangeRect(run, geometry, -1, -1)
                  : rangeRect(run, geometry, run.firstHighlighted, run.lastHighlighted);
}

}  // namespace

QPointF PageGeometry::toShown(QPointF p) const {
  switch (rotation) {
    case 90:
      return {height - p.y(), p.x()};
    case 180:
      return {width - p.x(), height - p.y()};
    case 270:
      return {p.y(), width - p.x()};
    default:
      return p;
  }
}

QPointF PageGeometry::toPage(QPointF s) const {
  switch (rotation) {
    case 90:
      return {s.y(), height - s.x()};
    case 180:
      return {width - s.x(), height - s.y()};
    case 270:
      return {width - s.y(), s.x()};
    default:
      return s;
  }
}

QPointF PageGeometry::windowToShown(QPointF window) const {
  const double s = scale > 0 ? scale : 1.0;
  return {(window.x() - origin.x()) / s, (window.y() - origin.y()) / s};
}

QRectF PageGeometry::pageToWindow(const QRectF& page) const {
  const QPolygonF corners{toShown(page.topLeft()), toShown(page.topRight()),
                          toShown(page.bottomRight()), toShown(page.bottomLeft())};
  const QRectF shown = corners.boundingRect();
  return {origin.x() + shown.left() * scale, origin.y() + shown.top() * scale,
          shown.width() * scale, shown.height() * scale};
}

void SelectionBand::start(QPointF shown) {
  anchorX_ = movingX_ = static_cast<float>(shown.x());
  anchorY_ = movingY_ = static_cast<float>(shown.y());
  selecting_ = true;
}

void SelectionBand::moveTo(QPointF shown) {
  movingX_ = static_cast<float>(shown.x());
  movingY_ = static_cast<float>(shown.y());
}

void SelectionBand::finish() {
  selecting_ = false;
  anchorX_ = anchorY_ = kNoAnchor;
}

void SelectionBand::setVertical(float anchorY, float movingY) {
  anchorY_ = anchorY;
  movingY_ = movingY;
}

QRectF SelectionBand::widened(int rotation) const {
  float ax = anchorX_, mx = movingX_, ay = anchorY_, my = movingY_;
  if (rotation % 180 == 0) {
    ax = -kFarEdge;
    mx = kFarEdge;
  } else {
    ay = -kFarEdge;
    my = kFarEdge;
  }
  return QRectF(QPointF(ax, ay), QPointF(mx, my)).normalized();
}

QRect PaintedRuns::painted(const PageTextLayout* layout, std::size_t run) const {
  if (layout != layout_ || run >= painted_.size()) return {};
  return painted_[run];
}

void PaintedRuns::set(const PageTextLayout* layout, std::size_t run, const QRect& painted) {
  if (layout != layout_) {
    layout_ = layout;
    painted_.clear();
  }
  const std::size_t runs = layout ? layout->runs().size() : 0;
  if (painted_.size() != runs) painted_.resize(runs);
  if (run < painted_.size()) painted_[run] = painted;
}

SelectionEntry entryFor(int32_t page, const QRectF& shownBand, const PageGeometry& geometry,
                        int32_t mode) {
  const QRectF rect =
      QPolygonF{geometry.toPage(shownBand.topLeft()), geometry.toPage(shownBand.bottomRight())}
          .boundingRect();
  SelectionEntry entry;
  entry.pageNumber = page;
  entry.mode = mode;
  entry.left = static_cast<int32_t>(rect.left());
  entry.top = static_cast<int32_t>(rect.top());
  entry.right = static_cast<int32_t>(rect.right());
  entry.bottom = static_cast<int32_t>(rect.bottom());
  entry.scale = geometry.scale;
  return entry;
}

QRectF runBox(const TextRun& run) {
  const double top = std::min(run.top, run.baseline), bottom = std::max(run.top, run.baseline);
  return boundsAlongRun(run, firstPosition(run), top, run.right, bottom);
}

bool entryTouches(const SelectionEntry& entry, const TextRun& run) {
  const QRectF rect =
      QRectF(QPointF(entry.left, entry.top), QPointF(entry.right, entry.bottom)).normalized();
  return intersects(rect, runBox(run));
}

void clearCharacterMarks(PageTextLayout* layout) {
  if (!layout) return;
  for (const auto& run : layout->runs()) run->firstHighlighted = run->lastHighlighted = -1;
}

int highlightPass(PageTextLayout* layout, const PageGeometry& geometry, const SelectionBand* band,
                  const std::vector<const SelectionEntry*>& entries, HighlightMode mode,
                  PaintedRuns& painted, HighlightRegions* regions) {
  if (!layout) return 0;
  const bool dragging = band && band->selecting();
  const QRectF bandRect = dragging ? band->widened(geometry.rotation) : QRectF();
  int checksum = 0;
  const auto& runs = layout->runs();
  for (std::size_t i = 0; i < runs.size(); ++i) {
    TextRun& run = *runs[i];
    bool highlighted = run.firstHighlighted >= 0;
    if (!highlighted && dragging) {
      const QRectF box = runBox(run);
      const QRectF shown =
          QPolygonF{geometry.toShown(box.topLeft()), geometry.toShown(box.bottomRight())}
              .boundingRect();
      highlighted = intersects(bandRect, shown);
    }
    for (std::size_t e = 0; !highlighted && e < entries.size(); ++e)
      highlighted = entryTouches(*entries[e], run);
    if (highlighted) {
      // Any change of what is highlighted changes the sum; the one added keeps a run at the
      // page's top-left corner from summing to "nothing highlighted".
      checksum += static_cast<int>(firstPosition(run) + run.baseline) + 1;
      if (dragging) run.firstHighlighted = run.lastHighlighted = -1;
    }
    if (mode == HighlightMode::ChecksumOnly) continue;
    const QRect before = mode == HighlightMode::Repaint ? QRect() : painted.painted(layout, i);
    const QRect now = highlighted ? highlightRect(run, geometry, false) : QRect();
    if (regions) {
      if (highlighted) {
        regions->all += now;
        if (before == now) {
          regions->alreadyPainted += now;
        } else {
          regions->newlyHighlighted += now;
          if (!before.isEmpty()) regions->noLongerHighlighted += before;
        }
      } else if (!before.isEmpty()) {
        regions->noLongerHighlighted += before;
      }
    }
    painted.set(layout, i, now);
  }
  return checksum;
}

QRect characterRect(const TextRun& run, int32_t first, int32_t last, const PageGeometry& geometry) {
  return rangeRect(run, geometry, std::max(0, first), last);
}

}  // namespace Corvalis::Viewer
