#pragma once
// Presentation: the current page fitted on a black full screen. Keys, clicks and the wheel turn
// pages, a typed number and Enter goes to that page, Escape leaves; links work. The pages beside
// the shown one are drawn ahead on a thread of their own, so that a slide change shows at once.

#include <QImage>
#include <QPointer>
#include <QString>
#include <QWidget>
#include <memory>

#include "viewer/view/page_image.h"

struct LinkAnnotation;
struct LinkTarget;

namespace Corvalis::Viewer {

class C_PDF_Doc;
class C_PDF_View;
class PagePrefetcher;

class PresentationWindow : public QWidget {
  Q_OBJECT

 public:
  // A typed page number has at most this many digits.
  static constexpr int kMaxTypedDigits = 9;
  // One wheel notch (in eighths of a degree) turns one page.
  static constexpr int kWheelStep = 120;

  // Shows the view's document from its current page. The window deletes itself when closed and
  // then leaves the view at the page shown last.
  explicit PresentationWindow(C_PDF_View* view);
  ~PresentationWindow() override;

  // Shows the window full screen (or at its size, for tests and the bench, with fullScreen off).
  void start(bool fullScreen = true);

  int currentPage() const { return page_; }
  int pageCount() const;
  void goToPage(int page);
  // Drawing ahead can be switched off (the bench compares both).
  void setPrefetchEnabled(bool on);
  // Pages shown that had been drawn ahead, and whether a page is drawn ahead and waiting.
  int preparedShown() const { return preparedShown_; }
  bool preparedAhead(int page) const;
  // The bitmap shown now, as drawn (before the screen filter).
  const QImage& pageImage() const { return image_; }
  QRect pageRect() const;

 signals:
  void pageShown(int page);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  // Draws the page for the window's size (or takes the one drawn ahead); false when the engine
  // is busy or the page cannot be drawn.
  bool updateImage();
  // The fit, window, resolution and rotation the slides are drawn with.
  PageViewState pageViewState() const;
  void prepareNeighbours();
  // The link under a point of the window, if any.
  const LinkAnnotation* linkAt(QPoint point);
  void follow(const LinkTarget& target);

  QPointer<C_PDF_View> view_;
  QPointer<C_PDF_Doc> document_;
  std::unique_ptr<PagePrefetcher> prefetcher_;
  bool prefetchEnabled_ = true;
  int page_ = 1;
  int rotation_ = 0;
  double resolution_ = 96;
  QImage image_;
  int imagePage_ = 0;
  QSize imageFor_;
  QString typed_;
  int wheelRest_ = 0;
  int preparedShown_ = 0;
};

}  // namespace Corvalis::Viewer
