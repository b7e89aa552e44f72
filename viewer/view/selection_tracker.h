#pragma once
// The text selection of a page view: the rubber band of a drag, and the highlight pass that
// decides which runs of the shown page are highlighted (by the band, by a search hit or by a
// recorded selection entry) and where their highlight lies in the window.

#include <QPointF>
#include <QRectF>
#include <QRegion>
#include <cstdint>
#include <vector>

#include "viewer/doc/selection_context.h"

class PageTextLayout;
struct TextRun;

namespace Corvalis::Viewer {

// The shown page: its size in page units before the view's rotation, that rotation, device
// pixels per page unit and the window position of its top-left corner.
struct PageGeometry {
  double width = 0;
  double height = 0;
  int rotation = 0;
  double scale = 1;
  QPoint origin;

  // Page units after the view's rotation (what the window shows) to page units before it, and
  // back.
  QPointF toPage(QPointF shown) const;
  QPointF toShown(QPointF page) const;
  // The window point as shown page units, and a rectangle of page units as window pixels.
  QPointF windowToShown(QPointF window) const;
  QRectF pageToWindow(const QRectF& page) const;
};

// The band of a drag, in shown page units (single precision, as the band is kept).
class SelectionBand {
 public:
  // Where a drag has not started.
  static constexpr float kNoAnchor = -100000.0f;
  // Widening across the page, and the ends of a page when a drag crosses onto another.
  static constexpr float kFarEdge = 30000.0f;

  void start(QPointF shown);
  void moveTo(QPointF shown);
  void finish();
  bool selecting() const { return selecting_; }
  // Sets the anchor and the moving corner's y (a drag that continues on the next page).
  void setVertical(float anchorY, float movingY);
  void setMovingY(float y) { movingY_ = y; }

  float anchorX() const { return anchorX_; }
  float anchorY() const { return anchorY_; }
  float movingX() const { return movingX_; }
  float movingY() const { return movingY_; }
  // Text selection takes whole lines: the band spans the page across (down, when turned).
  QRectF widened(int rotation) const;

 private:
  float anchorX_ = kNoAnchor, anchorY_ = kNoAnchor;
  float movingX_ = 0, movingY_ = 0;
  bool selecting_ = false;
};

enum class HighlightMode {
  // Only the checksum: nothing is painted and nothing remembered.
  ChecksumOnly,
  // The page bitmap has just been copied: every highlighted run is new on screen.
  Repaint,
  // Only what changed since the last pass.
  Incremental,
};

struct HighlightRegions {
  QRegion all;
  QRegion alreadyPainted;
  QRegion newlyHighlighted;
  QRegion noLongerHighlighted;
};

// Which runs of one page the window shows highlighted, kept per view (the runs are shared by
// every view of the document).
class PaintedRuns {
 public:
  // Forgets everything: the next pass paints all its highlights afresh.
  void clear() {
    painted_.clear();
    layout_ = nullptr;
  }
  // True when no pass has painted since the last clear.
  bool empty() const { return painted_.empty(); }
  // Where the run's highlight was painted (empty when it was not).
  QRect painted(const PageTextLayout* layout, std::size_t run) const;
  void set(const PageTextLayout* layout, std::size_t run, const QRect& painted);

 private:
  const PageTextLayout* layout_ = nullptr;
  std::vector<QRect> painted_;
};

// The highlight pass over the runs of the shown page; returns the checksum, 0 when nothing is
// highlighted. band is null while no drag is in progress; entries are those of the shown page.
int highlightPass(PageTextLayout* layout, const PageGeometry& geometry, const SelectionBand* band,
                  const std::vector<const SelectionEntry*>& entries, HighlightMode mode,
                  PaintedRuns& painted, HighlightRegions* regions);

// The entry for a band (shown page units) on a page: its rectangle in page units before the view's
// rotation, so that it keeps its meaning when the view is turned.
SelectionEntry entryFor(int32_t page, const QRectF& shownBand, const PageGeometry& geometry,
                        int32_t mode);

// A run's box in page units (before the view's rotation), from its first character to the end
// of its last, from its top to its baseline.
QRectF runBox(const TextRun& run);
// Whether the run lies in a selection entry's rectangle.
bool entryTouches(const SelectionEntry& entry, const TextRun& run);

// Character marks of a search hit: cleared from the runs of one page.
void clearCharacterMarks(PageTextLayout* layout);

// The window rectangle of characters first to last of a run, as a search hit is highlighted.
QRect characterRect(const TextRun& run, int32_t first, int32_t last, const PageGeometry& geometry);

}  // namespace Corvalis::Viewer
