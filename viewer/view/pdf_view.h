#pragma once
// C_PDF_View: one page at a time, centred on dark grey, with its own scroll model of 21 units
// per page, the zoom, rotation and navigation commands, and printing.

#include <QAbstractScrollArea>
#include <QImage>
#include <QPointer>
#include <QString>
#include <memory>
#include <optional>

#include "engine/document/security_permissions.h"
#include "viewer/messages/command_ids.h"
#include "viewer/doc/viewer_document.h"
#include "viewer/view/page_layout.h"
#include "viewer/view/page_prefetcher.h"
#include "viewer/view/scroll_model.h"
#include "viewer/view/selection_tracker.h"
#include "viewer/view/text_search_driver.h"
#include "viewer/view/tile_cache.h"
#include "viewer/view/zoom_model.h"

class QMenu;
class QPrinter;
class QTimer;
struct TextRun;
struct FieldValueChange;

namespace Corvalis::Viewer {

class C_PDF_Doc;
class FormOverlay;
class PagePrefetcher;
class PageTextSource;
class SearchHits;
class SearchWorker;
class ViewHost;

// A place in the document as the reader sees it, whatever the view mode and zoom: a page and
// how far down it (0 its top, 1 its bottom) the window's top edge is.
struct ViewPlace {
  int page = 1;
  double offset = 0;
};

class C_PDF_View : public QAbstractScrollArea, public DocumentView {
  Q_OBJECT
 public:
  static constexpr int kBackgroundRgb = 0x333333;
  // The page-size label appears while the pointer is this close to the lower-left corner.
  static constexpr int kSizeLabelCornerWidth = 80;
  static constexpr int kSizeLabelCornerHeight = 30;
  // Wheel movement of one notch.
  static constexpr int kWheelNotch = 120;
  static constexpr int kInitialHighlightChecksum = -1000000;
  // Pages whose bitmap is larger than this are not drawn ahead (two of them are kept).
  static constexpr std::int64_t kMaxPrefetchPixels = 8LL * 1024 * 1024;

  // The strip's keys and wheel scroll by lines of this many pixels; a screenful keeps one.
  static constexpr int kLinePixels = 40;
  // Pages drawn are kept within this many bytes by default.
  static constexpr std::int64_t kTileBudgetBytes = TileCache::kDefaultBudgetBytes;
  // A page not drawn yet is shown in this light grey.
  static constexpr int kPlaceholderRgb = 0xE8E8E8;
  // Until the drawing thread has read the file, each paint draws at most this many pieces itself.
  static constexpr int kMaxLocalPiecesPerPaint = 4;

  C_PDF_View(C_PDF_Doc* document, ViewHost* host, QWidget* parent = nullptr);
  ~C_PDF_View() override;

  // DocumentView.
  void onInitialUpdate() override;
  void onUpdate(DocumentView* sender) override;

  // Commands routed from menus, accelerators and the toolbar; false when not handled here.
  bool onCommand(int id);
  bool updateCommand(int id, CommandState& state) const;

  // The private messages of the toolbar boxes.
  void zoomTextEntered(const QString& text);
  void pageTextEntered(const QString& text);
  void findNext(const QString& text);
  void findPrevious(const QString& text);

  // Where the view stands, kept across a reload of its file.
  struct ViewState {
    int verticalPos = 0;
    int horizontalPos = 0;
    double zoom = 1;
    ZoomMode mode = ZoomMode::FitPage;
    // In the strip: the page under the window's top left corner and the place on it.
    bool strip = false;
    int stripPage = 1;
    double stripFx = 0, stripFy = 0;
  };
  ViewState saveViewState() const;
  // A page beyond the document's end shows its last page.
  void restoreViewState(const ViewState& state);

  void goToPage(int page);
  // Shows the given vertical position (page and place within it), as a link does.
  void showPosition(int verticalPos);
  // Every view of the document repaints.
  void refreshAllViews();

  // The view mode: one page at a time, or a strip of pages (continuous, facing, or both).
  ViewMode viewMode() const { return viewMode_; }
  void setViewMode(ViewMode mode);
  // Facing pages start with the first page alone, as a book does.
  bool firstPageAlone() const { return firstPageAlone_; }
  void setFirstPageAlone(bool alone);
  // Where the reader is, and going back there (a link's Back, a reopened document).
  ViewPlace place() const;
  void showPlace(const ViewPlace& place);
  // Shows a point of a page (default user space; either coordinate may be left out), as a
  // link's destination does, at the destination's zoom when it gives one (0: the zoom stays).
  void showPagePoint(int page, bool hasLeft, double left, bool hasTop, double top, double zoom);
  // The page shown under a point of the viewport (0: none) and where that page lies in the
  // viewport: the shown page in one-page mode, any page of the strip otherwise.
  int pageAt(QPoint viewportPoint) const;
  QRect shownPageRect(int page) const;
  // The strip, for the tests and the benchmarks: its layout, the top-left corner of the window
  // in strip pixels, the drawn pieces, and whether the last paint showed a placeholder.
  const PageLayout& stripLayout() const { return layout_; }
  QPoint stripPosition() const { return {stripX_, stripY_}; }
  void scrollStripTo(int x, int y);
  const TileCache& tileCache() const { return tiles_; }
  void setTileBudget(std::int64_t bytes) { tiles_.setBudget(bytes); }
  bool lastPaintShowedPlaceholder() const { return placeholderShown_; }
  // Whether it showed a page drawn at another zoom, scaled, while the page is drawn at this one.
  bool lastPaintShowedStandIn() const { return standInShown_; }
  // Whether every piece in sight is drawn (nothing waits for the drawing thread).
  bool stripComplete() const { return !placeholderShown_ && !standInShown_ && !needsRender_; }
  // Every page's size as shown at zoom 1 and what drawing it asks of the renderer (read again
  // when the resolution, the rotation or the page tree changed); for the thumbnails too.
  const std::vector<QSizeF>& pageSizes();
  RenderRequest renderRequestOf(int page);
  // The thread that draws pages ahead, started when first asked for; null when the document
  // cannot be read a second time (the interface thread then draws).
  PagePrefetcher* drawingThread();

  // Printing: the pages of the printer's range, each fitted to the printable area.
  void print(QPrinter& printer);

  C_PDF_Doc* pdfDocument() const;
  const ScrollState& scrollState() const { return scroll_; }
  int verticalPos() const { return scroll_.verticalPos; }
  int verticalMax() const { return scroll_.verticalMax; }
  int currentPage() const { return currentPage_; }
  double zoom() const { return zoom_; }
  ZoomMode zoomMode() const { return zoomMode_; }
  int rotation() const;
  int pageCount() const;
  bool drawingStopped() const { return drawingStopped_; }
  bool caseSensitive() const { return caseSensitive_; }
  // The page bitmap as shown (after the view's rotation) and where it was placed.
  const QImage& pageImage() const { return pageImage_; }
  QPoint pageOrigin() const { return {pageLeft_, pageTop_}; }
  // Displayed page size in pixels at zoom 1 (after both rotations).
  QSizeF displayedPageSize() const { return {pageWidth100_, pageHeight100_}; }
  bool sizeLabelShown() const { return sizeLabelShown_; }
  QString pageBoxText() const;
  QString zoomLabelText() const { return zoomLabel(zoomMode_, zoom_); }
  int renderCount() const { return renderCount_; }
  // Pages shown from a bitmap drawn ahead (each also counts as a render).
  int preparedShown() const { return preparedShown_; }
  // Drawing the next and previous page ahead on a thread of its own; on unless turned off.
  void setPrefetchEnabled(bool on);
  PagePrefetcher* prefetcher() const { return prefetcher_.get(); }
  // The controls over the shown pages' form fields.
  const FormOverlay& formOverlay() const { return *formOverlay_; }
  // Hands on the value of the field being edited (before a save).
  void commitFormEdits();
  // Search and selection as the view holds them.
  const std::optional<HitPlace>& searchHit() const { return hit_; }
  // Whether a long search is going on on its thread (its progress window up).
  bool searching() const { return search_ != nullptr; }
  const QString& searchText() const { return searchText_; }
  int highlightChecksum() const { return highlightChecksum_; }
  bool selecting() const { return band_.selecting(); }
  // The text runs of a page (collected now when the page has none yet).
  PageTextSource* textSource();
  // Whether the text of every page has been collected in idle moments.
  bool textIndexComplete() const;
  // Every hit of the shown search, and what the status bar says of it ("Hit 3 of 27").
  SearchHits* searchHits() const { return searchHits_; }
  QString searchStatusText();

 signals:
  void rendered();
  // A search has gone on long enough to show its progress window.
  void searchProgressShown();
  // Copy has put text on the clipboard.
  void copied(const QString& text);
  // The page the page box names changed.
  void currentPageChanged(int page);

 protected:
  bool event(QEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  // Tab from the page goes to its form fields first.
  bool focusNextPrevChild(bool next) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void scrollContentsBy(int dx, int dy) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // The strip: page sizes, layout and zoom, scrolling, painting and the pieces drawn.
  struct StripAnchor {
    int page = 0;
    double fx = 0, fy = 0;
    QPoint viewportPoint;
  };
  bool stripMode() const { return isStripMode(viewMode_); }
  void readPageSizes();
  void ensureLayout();
  void invalidateLayout(std::optional<StripAnchor> anchor);
  StripAnchor anchorAt(QPoint viewportPoint) const;
  void applyAnchor(const StripAnchor& anchor);
  QPoint stripOrigin() const;
  QRect scrollBand() const;
  void clampStrip();
  void updateStripBars();
  void stripScrolled(int previousY);
  void scrollStripBy(int dx, int dy);
  bool stripKey(QKeyEvent* event);
  void stripWheel(QWheelEvent* event);
  void paintStrip(QPainter& painter, const QRect& client);
  // Paints the page drawn at another zoom, scaled, over target; false when none is kept.
  bool paintStandIn(QPainter& painter, int page, const QRect& shown, const QRect& target);
  void paintStripHighlights(QPainter& painter, int page, const QRect& shown);
  void requestTiles(const std::vector<TileRequest>& wanted);
  TileRequest tileRequest(int page, const QRect& piece) const;
  void tilesPrepared();
  // Moves the pieces the drawing thread finished into the cache; true when any was of use.
  bool takeReadyTiles();
  void drawTilesHere();
  bool drawPieceHere(const TileRequest& piece);
  void stripGoToRow(int row, bool bottom);
  PageGeometry stripGeometry(int page) const;
  void stripMousePress(QMouseEvent* event);
  void stripDrag(QPoint point);
  void stripRelease(QPoint point);
  void stripScrollToHit(const HitPlace& hit, double pageY);
  void copyStripSelectionInOrder();
  void ensurePrefetcher();
  void applyZoom(bool rerender);
  void writePageBox();
  void measureResolution();
  // Paint steps: bring the bitmap up to date (false: paint nothing more), then place it.
  bool updatePageBitmap();
  bool renderPage(int page);
  // The zoom, window, resolution and rotation the shown page is drawn with.
  PageViewState pageViewState() const;
  // Asks for the pages beside the shown one to be drawn ahead with the shown page's settings.
  void prefetchNeighbours();
  void discardPrefetched();
  bool layoutPage(const QRect& client);
  void paintSizeLabel(QPainter& painter, const QRect& client);
  // Lays the form-field controls over the page once per page position; none while turned.
  void placeFormOverlay();
  // The same over the strip's pages in sight.
  void placeStripForms(const std::vector<int>& pages);
  bool showsForms() const;
  // A field's new value, kept by the document's form session.
  bool formValueChanged(const FieldValueChange& change);
  // Tab past the last field of page: the next page with fields is shown and its first field
  // focused (Shift+Tab: the previous page's last).
  void formFocusLeaves(int page, bool forward);
  QRect sizeLabelRect(const QRect& client) const;
  // The highlight pass: paints search hits and the selection over the page bitmap; returns its
  // checksum (0 when nothing is highlighted).
  int highlightPass(HighlightMode mode, HighlightRegions* regions);
  void paintHighlights(QPainter& painter, const QRegion& fill);
  PageGeometry pageGeometry() const;
  std::vector<const SelectionEntry*> entriesOfPage(int page) const;
  void clearHighlightMarks();
  void resetSearch();
  // Search: one step forwards or backwards; marking and showing a hit. The first pages are
  // searched at once; a longer search goes on on a thread of its own.
  void find(const QString& text, bool forward);
  void searchProgressed(int visited, int page);
  void finishSearch(const SearchOutcome& outcome, const SearchRequest& request);
  void cancelSearch();
  void markHit(const HitPlace& hit);
  void clearHitMarks();
  void scrollToHit(const HitPlace& hit);
  void updateSearchStatus();
  // Selection: the pointer as shown page units, scrolling at the window's edges, copying.
  QPointF shownPoint(QPoint window) const;
  void dragTo(QPoint window);
  bool edgeStep(QPoint window);
  void copySelection();
  void resetSelectionDrag();
  void pageMissing();
  // Around a reload: what refers to the old reading goes, then the saved place is shown.
  void engineAboutToChange();
  void engineChanged();
  void pageTreeCompleted();
  void schedulePageTreeCompletion();
  void updateScrollBars();
  void afterScroll(const ScrollResult& result, int previous);
  void verticalAction(int action);
  void horizontalAction(int action);
  void wheelStep(QWheelEvent* event);
  void showEngineErrorLater(int code);
  void rotate(int degrees);
  void pageCommand(PageCommand command);
  void runGoToDialog();
  void runFindOptions();
  void printDocument(bool preview);
  // Whether the document's author allows printing or copying; when not, tells the user so.
  bool permitted(DocumentPermission permission);
  ViewHost* host() const;

  QPointer<C_PDF_Doc> document_;
  ViewHost* host_;
  QPointer<QObject> hostObject_;

  int previousVerticalPos_ = 0;
  ScrollState scroll_;
  int pageLeft_ = 0;
  int pageTop_ = 0;

  // Search state: the last hit (run and character places in its page's runs) and the runs whose
  // marks the next hit clears.
  bool hitFound_ = false;
  std::optional<HitPlace> hit_;
  std::optional<HitPlace> highlighted_;
  int startPage_ = 0;
  QString searchText_;
  QMenu* findOptionsMenu_;
  bool caseSensitive_ = false;
  bool resetSearchOnPageChange_ = true;

  int currentPage_ = 0;
  int dpiX_ = 96;
  int dpiY_ = 96;
  double pageHeight100_ = 0;
  double pageWidth100_ = 0;
  // The page's size at zoom 1 before the view's rotation: what the renderer receives.
  double renderHeight100_ = 0;
  double renderWidth100_ = 0;
  QRect clientRect_;
  int verticalMaxUnits_ = kLastUnitOfPage;
  double zoom_ = kMinZoom;
  double resolution_ = -1.0;
  bool renderFlagA_ = false;
  bool renderFlagB_ = false;
  bool needsRender_ = false;
  bool skipPageBlit_ = false;
  int highlightChecksum_ = kInitialHighlightChecksum;
  bool formsPlaced_ = false;
  std::unique_ptr<FormOverlay> formOverlay_;
  ZoomMode zoomMode_ = ZoomMode::FitPage;
  bool renderedOnce_ = false;
  bool resizeArmed_ = false;
  bool horizontalBarShown_ = false;
  bool edgeStepArmed_ = true;
  int dragStartPos_ = 0;
  int clientWidth_ = 0;
  int clientHeight_ = 0;
  int printSavedPage_ = 0;
  bool drawingStopped_ = false;
  bool sizeLabelShown_ = false;
  bool sizeLabelErase_ = false;
  bool pageBoxDirty_ = false;

  QImage pageImage_;
  // The shown page in page units (after its own rotation, before the view's).
  double pageWidthUnits_ = 0;
  double pageHeightUnits_ = 0;
  int renderedRotation_ = 0;
  std::unique_ptr<PageTextSource> textSource_;
  SelectionBand band_;
  PaintedRuns paintedRuns_;
  QPoint dragPoint_;
  // Page steps at the edges wait for the pointer to leave the edge; steps within a page repeat.
  bool edgeZoneLeft_ = true;
  QTimer* edgeTimer_ = nullptr;
  // Collects the text of the pages in idle moments after a first search, so that later searches
  // pass over pages without the phrase.
  QTimer* indexTimer_ = nullptr;
  SearchHits* searchHits_ = nullptr;
  QString sizeText_;
  bool movedWithinPage_ = false;
  int wheelRemainder_ = 0;
  bool completionScheduled_ = false;
  bool barChangePending_ = false;
  bool retryPending_ = false;
  int renderCount_ = 0;
  int preparedShown_ = 0;
  bool prefetchEnabled_ = true;
  bool prefetchPending_ = false;
  std::unique_ptr<PagePrefetcher> prefetcher_;

  ViewMode viewMode_ = ViewMode::SinglePage;
  bool firstPageAlone_ = true;
  PageLayout layout_;
  bool layoutStale_ = true;
  std::optional<StripAnchor> pendingAnchor_;
  // Shown page sizes at zoom 1, for the resolution and rotation they were read at, and whether
  // the whole page tree was read (before, every page has the first one's size).
  std::vector<QSizeF> sizes_;
  std::vector<RenderRequest> requests_;
  double sizesResolution_ = 0;
  int sizesRotation_ = -1;
  bool sizesComplete_ = false;
  QSize layoutClient_;
  int stripX_ = 0;
  int stripY_ = 0;
  // +1 while scrolling down, -1 up: the pieces one screen ahead that way are drawn next.
  int travel_ = 1;
  int currentRow_ = 0;
  TileCache tiles_;
  bool placeholderShown_ = false;
  bool standInShown_ = false;
  QTimer* localDrawTimer_ = nullptr;
  std::vector<TileRequest> wantedTiles_;
  // The pieces in sight at the last paint, which trimming the cache keeps.
  std::vector<TileKey> pinnedTiles_;
  // Pages whose drawing's messages were shown already.
  std::vector<int> notedPages_;
  int bandPage_ = 0;
  int announcedPage_ = 0;
  // Whether the drawing thread has delivered pieces yet.
  bool threadDelivered_ = false;
  ViewState reloadState_;
  // The long search under way (its request, progress window and pace) and its thread.
  struct SearchRun;
  std::unique_ptr<SearchRun> search_;
  std::unique_ptr<SearchWorker> searchWorker_;
};

}  // namespace Corvalis::Viewer
