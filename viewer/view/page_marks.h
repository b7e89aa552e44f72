#pragma once
// Short-lived marks over the page a view shows: soft rectangles that fade out, laid over the
// viewport without touching the page bitmap (a source line found, the areas a rebuild changed).
// They follow the page while it scrolls and disappear when another page is shown.

#include <QColor>
#include <QElapsedTimer>
#include <QPointer>
#include <QRect>
#include <QWidget>
#include <vector>

class QTimer;

namespace Corvalis::Viewer {

class C_PDF_View;

class PageMarks : public QWidget {
  Q_OBJECT
 public:
  static constexpr int kFrameIntervalMs = 40;
  // Marks shown at once, at most.
  static constexpr std::size_t kMaxMarks = 64;

  // The marks of a view, made on first use; they live as long as the view.
  static PageMarks& of(C_PDF_View& view);

  // Shows rects (pixels of the page bitmap as it is now) on page for durationMs; earlier marks go.
  void show(int page, std::vector<QRect> rects, QColor colour, int durationMs);
  // In the strip: shows rects (pixels of page as drawn at zoom) for durationMs beside the marks
  // of other pages, each page fading on its own clock; earlier marks of the page go.
  void showOnStripPage(int page, std::vector<QRect> rects, double zoom, QColor colour,
                       int durationMs);
  // The strip marks of a page, in pixels of its drawing at the zoom they were given for.
  std::vector<QRect> stripRects(int page) const;
  void clear();
  bool active() const { return !rects_.empty() || !strip_.empty(); }
  int page() const { return page_; }
  const std::vector<QRect>& rects() const { return rects_; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  explicit PageMarks(C_PDF_View& view);
  void tick();

  QPointer<C_PDF_View> view_;
  int page_ = 0;
  std::vector<QRect> rects_;
  QSize imageSize_;
  QColor colour_;
  int durationMs_ = 0;
  QElapsedTimer clock_;
  QTimer* timer_;

  struct StripMark {
    int page = 0;
    std::vector<QRect> rects;
    double zoom = 1;
    QColor colour;
    int durationMs = 1;
    QElapsedTimer clock;
  };
  std::vector<StripMark> strip_;
  // Full strength for the first half, then fading out.
  static double strengthAt(qint64 elapsedMs, int durationMs);
};

}  // namespace Corvalis::Viewer
