#pragma once
// The side panel's thumbnails: every page of the active document small, in a column, the page
// being read marked; a click goes to the page. Only the thumbnails in sight are drawn, at low
// resolution on the view's drawing thread, and kept within a budget of their own, so that the
// panel of a document of thousands of pages opens at once.

#include <QAbstractScrollArea>
#include <QPointer>
#include <vector>

#include "viewer/view/page_layout.h"
#include "viewer/view/page_prefetcher.h"
#include "viewer/view/tile_cache.h"

class QTimer;

namespace Corvalis::Viewer {

class C_PDF_View;

class ThumbnailStrip : public QAbstractScrollArea {
  Q_OBJECT
 public:
  // Thumbnails are this wide (most pages; a wider page keeps its proportions).
  static constexpr int kThumbnailWidth = 120;
  static constexpr std::int64_t kBudgetBytes = 32LL * 1024 * 1024;
  // The page being read is framed this thick.
  static constexpr int kMarkWidth = 3;

  explicit ThumbnailStrip(QWidget* parent = nullptr);

  // The view whose document is shown (nullptr: none); its current page is followed.
  void setView(C_PDF_View* view);
  C_PDF_View* view() const;
  int currentPage() const { return current_; }
  // The thumbnail under a viewport point (0: none) and where a page's thumbnail lies.
  int pageAt(QPoint viewportPoint) const;
  QRect thumbnailRect(int page) const;
  const TileCache& cache() const { return cache_; }
  // The thumbnails of the reading before a reload, shown until the new ones are drawn.
  const TileCache& previous() const { return previous_; }
  const PageLayout& layout() const { return layout_; }

 signals:
  void pageChosen(int page);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void scrollContentsBy(int dx, int dy) override;

 private:
  void setCurrentPage(int page);
  // The document is read again: what is drawn becomes the previous thumbnails.
  void documentAboutToChange();
  void rebuild();
  void tilesPrepared();
  void drawHere();
  TileRequest requestOf(int page) const;
  int offsetX() const;

  QPointer<C_PDF_View> view_;
  QPointer<PagePrefetcher> thread_;
  PageLayout layout_;
  TileCache cache_;
  TileCache previous_;
  int32_t previousZoomKey_ = 0;
  int previousRotation_ = 0;
  QMetaObject::Connection documentConnection_;
  double zoom_ = 0;
  int rotation_ = 0;
  int current_ = 0;
  int pageCount_ = 0;
  bool stale_ = true;
  std::vector<TileRequest> wanted_;
  QTimer* drawTimer_;
};

}  // namespace Corvalis::Viewer
