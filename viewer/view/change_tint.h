#pragma once
// What a rebuild changed: the drawing of the shown page before and after a reload compared at
// screen resolution, the differing pixels grouped into a few rectangles (anti-aliasing noise
// left out), and those tinted for a moment over the new page.

#include <QImage>
#include <QObject>
#include <QPointer>
#include <QRect>
#include <vector>

#include "viewer/view/tile_cache.h"

namespace Corvalis::Viewer {

class C_PDF_View;

class ChangeTint : public QObject {
  Q_OBJECT
 public:
  // Pixels are compared in square cells of this side.
  static constexpr int kCell = 8;
  // A pixel differs when its grey level moved by more than this (of 255): edge smoothing
  // that shifts a little is not a change.
  static constexpr int kPixelThreshold = 64;
  // A cell changed when this many of its pixels differ.
  static constexpr int kMinPixelsPerCell = 3;
  // Changed cells this many cells apart join one area.
  static constexpr int kJoinCells = 2;
  // Areas shown at most; nearest ones merge beyond this.
  static constexpr std::size_t kMaxAreas = 6;
  // Images larger than this are not compared.
  static constexpr qint64 kMaxPixels = 16LL * 1024 * 1024;
  static constexpr int kShowMs = 2000;
  // The strip's pieces in sight kept over a reload, at most this many pixels in all.
  static constexpr qint64 kMaxStripPixels = kMaxPixels;
  // Kept pieces whose new drawing has not come by then are let go (the page went, or the
  // window moved on).
  static constexpr int kStripWaitMs = 5000;

  // The areas (pixels of after) where two drawings of a page at the same zoom differ; the whole
  // page when their sizes differ (the page itself changed size), nothing when they are the same.
  // Drawings at different zooms are never compared: scaling one moves every edge.
  static std::vector<QRect> changedAreas(const QImage& before, const QImage& after);
  // The areas of a comparison made at zoom `from`, in pixels of a drawing at zoom `to`
  // (within bounds).
  static std::vector<QRect> rescaled(const std::vector<QRect>& areas, double from, double to,
                                     const QRect& bounds);

  // Tints the changes after each reload of the view's document (while turned on).
  static ChangeTint& of(C_PDF_View& view);
  static bool enabled();
  static void setEnabled(bool on);

 private:
  explicit ChangeTint(C_PDF_View& view);
  void aboutToReload();
  void reloaded();
  void rendered();
  bool eventFilter(QObject* watched, QEvent* event) override;

  QPointer<C_PDF_View> view_;
  // Tints the areas where before_ and the new drawing of the page differ.
  void compare();

  QImage before_;
  int beforePage_ = 0;
  double beforeZoom_ = 0;
  int beforeRotation_ = 0;
  bool waiting_ = false;

  // The strip: the old drawing's pieces of the pages in sight, compared page by page with the
  // new reading's pieces of the same zoom and place as they are drawn.
  void keepStrip();
  void compareStrip();
  std::vector<std::pair<TileKey, QImage>> stripBefore_;
  bool stripArmed_ = false;
  bool stripCheckQueued_ = false;
  qint64 stripDeadline_ = 0;
};

}  // namespace Corvalis::Viewer
