#pragma once
// What a rebuild changed: the drawing of the shown page before and after a reload compared at
// screen resolution, the differing pixels grouped into a few rectangles (anti-aliasing noise
// left out), and those tinted for a moment over the new page.

#include <QImage>
#include <QObject>
#include <QPointer>
#include <QRect>
#include <vector>

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
  // Drawings whose width-to-height ratio differs by more than this share are different pages.
  static constexpr double kMaxShapeChange = 0.02;

  // The areas (pixels of after) where the two drawings differ; the whole page when their shapes
  // differ, nothing when they are the same.
  static std::vector<QRect> changedAreas(const QImage& before, const QImage& after);

  // Tints the changes after each reload of the view's document (while turned on).
  static ChangeTint& of(C_PDF_View& view);
  static bool enabled();
  static void setEnabled(bool on);

 private:
  explicit ChangeTint(C_PDF_View& view);
  void aboutToReload();
  void rendered();

  QPointer<C_PDF_View> view_;
  QImage before_;
  int beforePage_ = 0;
  bool waiting_ = false;
};

}  // namespace Corvalis::Viewer
