#pragma once
// Links on the shown page: the pointer becomes a hand over one, a click follows it (a page of
// this document, a web or e-mail address after the user agrees), and Back returns to where the
// link was clicked. Programs and scripts that links name are never started.

#include <QObject>
#include <QPoint>
#include <QPointF>
#include <QPointer>
#include <QWidget>
#include <vector>

#include "engine/document/link_annotation.h"
#include "viewer/view/pdf_view.h"

namespace Corvalis::Viewer {

class C_PDF_View;

// Where a page point lands in the view: the page's box, its own rotation and the view's, and
// the shown bitmap's place and scale.
struct PagePlacement {
  double width = 0;  // page box, unrotated, in points
  double height = 0;
  double originX = 0;  // the box's lower left corner
  double originY = 0;
  int rotation = 0;  // page rotation plus view rotation, clockwise, 0/90/180/270
  double pixelsPerPoint = 1;
  QPoint imageOrigin;  // the bitmap's top left corner in the view

  QPointF toView(double x, double y) const;
};

class LinkController : public QObject {
  Q_OBJECT
 public:
  // Places remembered for Back, at most.
  static constexpr int kMaxHistory = 100;

  explicit LinkController(C_PDF_View* view);
  // The controller of a view, if it has one.
  static LinkController* of(const C_PDF_View* view);

  // The link under a point of the view's viewport, or nullptr.
  const LinkAnnotation* linkAt(QPoint viewportPoint);
  // Does what the target says; a move within the document can be undone with back().
  void follow(const LinkTarget& target);
  bool canGoBack() const { return !history_.empty(); }
  void back();

  // The placement of the page the view shows now; false when nothing is shown.
  bool placement(PagePlacement& out) const;
  // The placement of a page in sight (any page of the strip); false when it is not shown.
  bool placementOf(int page, PagePlacement& out) const;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void goTo(const PdfDestination& destination);
  void openAddress(const std::string& uri);
  void remember();
  void updateCursor(QPoint viewportPoint);

  QPointer<C_PDF_View> view_;
  // Compared with the events' receiver, so that the view is not touched while it is torn down.
  QPointer<QWidget> viewport_;
  std::vector<ViewPlace> history_;
  int pressedLink_ = -1;
  QPoint pressPoint_;
  bool handShown_ = false;
};

}  // namespace Corvalis::Viewer
