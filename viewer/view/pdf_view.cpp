#include "viewer/view/pdf_view.h"

#include <QApplication>
#include <QClipboard>
#include <QCollator>
#include <QInputMethod>
#include <QElapsedTimer>
#include <QFocusEvent>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QMenu>
#include <QPainter>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QScrollBar>
#include <QTimer>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>
#include <numbers>

#include "engine/document/annotation_list.h"
#include "engine/document/page_tree.h"

#include "engine/document/pdf_document.h"
#include "engine/document/pdf_exception.h"
#include "engine/layout/page_text_layout.h"
#include "engine/layout/text_search.h"
#include "engine/render/page_pixels.h"
#include "engine/render/pdf_draw.h"
#include "viewer/doc/form_session.h"
#include "viewer/doc/pdf_doc.h"
#include "viewer/messages/message_box.h"
#include "viewer/messages/message_listener.h"
#include "viewer/messages/page_fault_log.h"
#include "viewer/messages/viewer_texts.h"
#include "viewer/ui/copy_dialog.h"
#include "viewer/ui/form_overlay.h"
#include "viewer/ui/goto_dialog.h"
#include "viewer/ui/password_dialog.h"
#include "viewer/ui/private_message.h"
#include "viewer/ui/progress_dialog.h"
#include "viewer/view/copy_text.h"
#include "viewer/view/night_filter.h"
#include "viewer/view/page_image.h"
#include "viewer/view/page_prefetcher.h"
#include "viewer/view/page_text_source.h"
#include "viewer/view/search_hits.h"
#include "viewer/view/search_worker.h"
#include "viewer/view/view_host.h"

namespace Corvalis::Viewer {

namespace Messages = PDFConverter::Messages;

namespace {

// The page point of a place along a text run (u) and across it (v).
QPointF pagePointOf(const TextRun& run, double u, double v) {
  const double a = run.orientation * std::numbers::pi / 180.0;
  return {u * std::cos(a) + v * std::sin(a), v * std::cos(a) - u * std::sin(a)};
}

// While the engine is busy elsewhere a paint shows the old bitmap and tries again this soon.
constexpr int kBusyRetryMs = 50;
// Search hits and the selection are filled with this translucent blue.
constexpr QRgb kHighlightArgb = 0x660064A2;
constexpr double kPointsPerInch = 72.0;
// The search's progress window appears once a search has visited more pages than this.
constexpr int kQuietSearchPages = 9;
// While it is up, the progress window is redrawn at most this often.
constexpr int kProgressRedrawMs = 100;
// A drag this close to an edge of the window scrolls.
constexpr int kEdgeZone = 30;
// Steps at an edge follow each other this often, or faster on pages a little taller than the
// window.
constexpr int kEdgeStepMs = 150;
constexpr double kEdgeStepTallMs = 200.0;
constexpr int kMinEdgeStepMs = 20;
// After a first search, the text of the pages not seen yet is collected in idle moments from
// this long after it, in slices of this many milliseconds.
constexpr int kIndexStartMs = 1500;
constexpr int kIndexSliceMs = 10;
constexpr int kIndexPauseMs = 5;

QColor backgroundColour() { return QColor::fromRgb(C_PDF_View::kBackgroundRgb); }

}  // namespace

C_PDF_View::C_PDF_View(C_PDF_Doc* document, ViewHost* host, QWidget* parent)
    : QAbstractScrollArea(parent),
      document_(document),
      host_(host),
      hostObject_(dynamic_cast<QObject*>(host)),
      findOptionsMenu_(new QMenu(this)),
      formOverlay_(std::make_unique<FormOverlay>()) {
  setFrameShape(QFrame::NoFrame);
  setFocusPolicy(Qt::StrongFocus);
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
  viewport()->setMouseTracking(true);
  viewport()->installEventFilter(this);
  verticalScrollBar()->installEventFilter(this);
  horizontalScrollBar()->installEventFilter(this);
  connect(verticalScrollBar(), &QScrollBar::actionTriggered, this, &C_PDF_View::verticalAction);
  connect(horizontalScrollBar(), &QScrollBar::actionTriggered, this, &C_PDF_View::horizontalAction);
  edgeTimer_ = new QTimer(this);
  edgeTimer_->setSingleShot(true);
  connect(edgeTimer_, &QTimer::timeout, this, [this] {
    edgeStepArmed_ = true;
    // Within a tall page the drag keeps scrolling while the pointer stays at the edge.
    if (band_.selecting()) {
      if (stripMode()) {
        stripDrag(dragPoint_);
      } else {
        edgeStep(dragPoint_);
      }
    }
  });
  indexTimer_ = new QTimer(this);
  indexTimer_->setSingleShot(true);
  connect(indexTimer_, &QTimer::timeout, this, [this] {
    PageTextSource* source = textSource();
    if (!source) return;
    const PageFaultLog::Scope faults(PageFaultLog::of(document_.data()));
    ViewHost* h = this->host();
    // Only the window being read collects, and never while the engine or a drag is busy.
    const bool wait = C_PDF_Doc::engineBusy() || band_.selecting() ||
                      (h && !h->isActiveView(this)) || (document_ && document_->fileChanging());
    if (wait || source->indexMore(kIndexSliceMs, currentPage_)) indexTimer_->start(kIndexPauseMs);
  });
  formOverlay_->setChangeHandler(
      [this](const FieldValueChange& change) { return formValueChanged(change); });
  formOverlay_->setLeaveHandler([this](int page, bool forward) { formFocusLeaves(page, forward); });
  searchHits_ = new SearchHits(this);
  connect(searchHits_, &SearchHits::countChanged, this, &C_PDF_View::updateSearchStatus);
  QAction* caseItem = findOptionsMenu_->addAction(QStringLiteral("Case Sensitive"));
  caseItem->setCheckable(true);
  caseItem->setData(kCmdCaseSensitive);
  if (document_) {
    document_->addView(this);
    connect(document_, &C_PDF_Doc::pageTreeCompleted, this, &C_PDF_View::pageTreeCompleted);
    // A CMap has arrived: the pages are drawn again, and pieces drawn without it are dropped.
    connect(document_, &C_PDF_Doc::fontsReloaded, this, [this] {
      prefetcher_.reset();
      tiles_.clear();
      wantedTiles_.clear();
      needsRender_ = true;
      viewport()->update();
    });
    connect(document_, &QObject::destroyed, this, [this] {
      searchHits_->clear();
      textSource_.reset();
    });
    connect(document_, &C_PDF_Doc::aboutToReplaceEngine, this, &C_PDF_View::engineAboutToChange);
    connect(document_, &C_PDF_Doc::engineReplaced, this, &C_PDF_View::engineChanged);
    connect(document_, &C_PDF_Doc::fileChangingStarted, this, [this] {
      prefetcher_.reset();
      indexTimer_->stop();
      // The search thread's reading of the file stops too, and is waited for.
      cancelSearch();
      searchWorker_.reset();
    });
  }
}

C_PDF_View::~C_PDF_View() {
  // The background drawing and searching end first: they stop between two operators or pages.
  search_.reset();
  searchWorker_.reset();
  prefetcher_.reset();
  searchHits_->clear();
  textSource_.reset();
  formOverlay_->clear();
  if (ViewHost* h = host()) h->resetToolbarBoxes();
  if (document_) document_->removeView(this);
}

C_PDF_Doc* C_PDF_View::pdfDocument() const { return document_.data(); }

ViewHost* C_PDF_View::host() const { return hostObject_ || !host_ ? host_ : nullptr; }

int C_PDF_View::rotation() const {
  return document_ && document_->document() ? document_->viewRotation() : 0;
}

int C_PDF_View::pageCount() const {
  return document_ && document_->document() ? document_->document()->pageCount : 0;
}

void C_PDF_View::onInitialUpdate() {
  verticalMaxUnits_ = verticalMaxFor(pageCount());
  scroll_.verticalMax = verticalMaxUnits_;
  scroll_.verticalPos = 0;
  scroll_.horizontalPos = kHorizontalCentre;
  horizontalBarShown_ = true;
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  updateScrollBars();
}

void C_PDF_View::onUpdate(DocumentView*) {
  clearHighlightMarks();
  viewport()->update();
}

void C_PDF_View::refreshAllViews() {
  if (document_) document_->updateAllViews(nullptr);
  if (ViewHost* h = host()) h->commandStateChanged();
}

void C_PDF_View::updateScrollBars() {
  QScrollBar* v = verticalScrollBar();
  const QSignalBlocker blockV(v);
  v->setRange(0, scroll_.verticalMax);
  v->setPageStep(kUnitsPerPage);
  v->setSingleStep(1);
  v->setValue(scroll_.verticalPos);
  QScrollBar* h = horizontalScrollBar();
  const QSignalBlocker blockH(h);
  h->setRange(0, kHorizontalMax);
  h->setPageStep(1);
  h->setSingleStep(1);
  h->setValue(scroll_.horizontalPos);
}

// ---- Zoom and the toolbar boxes ----

QString C_PDF_View::pageBoxText() const {
  return QStringLiteral("%1 of %2").arg(currentPage_).arg(pageCount());
}

void C_PDF_View::writePageBox() {
  if (currentPage_ != announcedPage_) {
    announcedPage_ = currentPage_;
    emit currentPageChanged(currentPage_);
  }
  ViewHost* h = host();
  // Background views do not overwrite the active window's values in the shared boxes.
  if (h && h->isActiveView(this)) h->setPageBoxText(pageBoxText());
}

void C_PDF_View::applyZoom(bool rerender) {
  const QString label = zoomLabel(zoomMode_, zoom_);
  writePageBox();
  if (ViewHost* h = host(); h && h->isActiveView(this)) h->setZoomBoxText(label);
  if (rerender) {
    needsRender_ = true;
    if (stripMode() && !pendingAnchor_)
      invalidateLayout(anchorAt(QPoint(viewport()->width() / 2, viewport()->height() / 2)));
    layoutStale_ = true;
    discardPrefetched();
    clearHighlightMarks();
    refreshAllViews();
  }
}

void C_PDF_View::zoomTextEntered(const QString& text) {
  if (ViewHost* h = host(); h && !h->isActiveView(this)) return;
  applyTypedZoom(text, zoomMode_, zoom_);
  applyZoom(true);
}

void C_PDF_View::pageTextEntered(const QString& text) {
  if (ViewHost* h = host(); h && !h->isActiveView(this)) return;
  if (text.isEmpty()) return;
  if (document_) document_->completePageTree();
  const int n = leadingInteger(text);
  if (n < 1 || n > pageCount()) {
    showMessage(this, kCaptionReader, kTextInvalidPage, BoxIcon::Warning);
  } else {
    goToPage(n);
  }
  if (ViewHost* h = host()) h->focusZoomBox();
}

void C_PDF_View::findNext(const QString& text) {
  if (ViewHost* h = host(); h && !h->isActiveView(this)) return;
  find(text, true);
}

void C_PDF_View::findPrevious(const QString& text) {
  if (ViewHost* h = host(); h && !h->isActiveView(this)) return;
  find(text, false);
}

void C_PDF_View::goToPage(int page) {
  if (stripMode()) {
    if (page < 1 || page > pageCount()) return;
    if (document_ && page != 1) document_->completePageTree();
    ensureLayout();
    const QRect r = layout_.pageRect(page);
    if (!isContinuousMode(viewMode_)) currentRow_ = layout_.rowOfPage(page);
    scrollStripTo(stripX_, r.top() - PageLayout::kGap / 2);
    refreshAllViews();
    return;
  }
  if (page == currentPage_) return;
  if (document_ && page != 1) document_->completePageTree();
  previousVerticalPos_ = scroll_.verticalPos;
  scroll_.verticalPos = std::clamp(page * kUnitsPerPage - kUnitsPerPage, 0, scroll_.verticalMax);
  updateScrollBars();
  pageBoxDirty_ = true;
  refreshAllViews();
}

C_PDF_View::ViewState C_PDF_View::saveViewState() const {
  ViewState state{scroll_.verticalPos, scroll_.horizontalPos, zoom_, zoomMode_};
  if (stripMode()) {
    // The strip keeps the place under the window's top left corner.
    const StripAnchor a = anchorAt(QPoint(0, 0));
    state.strip = true;
    state.stripPage = a.page;
    state.stripFx = a.fx;
    state.stripFy = a.fy;
  }
  return state;
}

void C_PDF_View::restoreViewState(const ViewState& state) {
  if (state.strip && stripMode()) {
    zoom_ = state.zoom;
    zoomMode_ = state.mode;
    // The new reading's page sizes and pieces; what is in sight is drawn in the next paint, so
    // the window shows pages, not placeholders, as soon as the new reading is in place.
    sizesResolution_ = 0;
    sizesComplete_ = false;
    tiles_.clear();
    wantedTiles_.clear();
    threadDelivered_ = false;
    StripAnchor a;
    a.page = std::clamp(state.stripPage, 1, std::max(1, pageCount()));
    a.fx = a.page == state.stripPage ? state.stripFx : 0;
    a.fy = a.page == state.stripPage ? state.stripFy : 0;
    invalidateLayout(a);
    formsPlaced_ = false;
    pageBoxDirty_ = true;
    applyZoom(false);
    viewport()->update();
    if (ViewHost* h = host()) h->commandStateChanged();
    return;
  }
  const int count = pageCount();
  scroll_.verticalMax = verticalMaxUnits_ = verticalMaxFor(count);
  const int lastPageTop = std::max(0, count - 1) * kUnitsPerPage;
  scroll_.verticalPos = state.verticalPos / kUnitsPerPage + 1 > count
                            ? lastPageTop
                            : std::clamp(state.verticalPos, 0, scroll_.verticalMax);
  scroll_.horizontalPos = state.horizontalPos;
  zoom_ = state.zoom;
  zoomMode_ = state.mode;
  needsRender_ = true;
  formsPlaced_ = false;
  updateScrollBars();
  pageBoxDirty_ = true;
  applyZoom(false);
  viewport()->update();
  if (ViewHost* h = host()) h->commandStateChanged();
}

void C_PDF_View::engineAboutToChange() {
  reloadState_ = saveViewState();
  // The old reading's drawing thread, text, hits, selection and form controls.
  prefetcher_.reset();
  resetSearch();
  highlighted_.reset();
  band_.finish();
  edgeTimer_->stop();
  indexTimer_->stop();
  textSource_.reset();
  clearHighlightMarks();
  formOverlay_->rememberFocus();
  formOverlay_->clear();
}

void C_PDF_View::engineChanged() { restoreViewState(reloadState_); }

void C_PDF_View::showPosition(int verticalPos) {
  if (stripMode()) {
    const int pos = std::max(0, verticalPos);
    showPlace({pos / kUnitsPerPage + 1, double(pos % kUnitsPerPage) / kLastUnitOfPage});
    return;
  }
  if (document_ && verticalPos >= kUnitsPerPage) document_->completePageTree();
  previousVerticalPos_ = scroll_.verticalPos;
  scroll_.verticalPos = std::clamp(verticalPos, 0, scroll_.verticalMax);
  updateScrollBars();
  pageBoxDirty_ = true;
  refreshAllViews();
}

// ---- Commands ----

bool C_PDF_View::onCommand(int id) {
  switch (id) {
    case kCmdZoomIn:
      zoom_ = zoomInStep(zoom_);
      zoomMode_ = ZoomMode::Custom;
      applyZoom(true);
      return true;
    case kCmdZoomOut:
      zoom_ = zoomOutStep(zoom_);
      zoomMode_ = ZoomMode::Custom;
      applyZoom(true);
      return true;
    case kCmdActualSize:
      zoom_ = 1.0;
      zoomMode_ = ZoomMode::ActualSize;
      applyZoom(true);
      return true;
    case kCmdFitPage:
      zoomMode_ = ZoomMode::FitPage;
      applyZoom(true);
      return true;
    case kCmdFitWidth:
      zoomMode_ = ZoomMode::FitWidth;
      applyZoom(true);
      return true;
    case kCmdRotateClockwise:
      rotate(90);
      return true;
    case kCmdRotateCounterClockwise:
      rotate(-90);
      return true;
    case kCmdFirstPage:
      pageCommand(PageCommand::First);
      return true;
    case kCmdPreviousPage:
      pageCommand(PageCommand::Previous);
      return true;
    case kCmdNextPage:
      pageCommand(PageCommand::Next);
      return true;
    case kCmdLastPage:
      pageCommand(PageCommand::Last);
      return true;
    case kCmdGoToPage:
      runGoToDialog();
      return true;
    case kCmdFindOptions:
      runFindOptions();
      return true;
    case kCmdFindNext:
    case kCmdFindPrevious: {
      const QString text = host() ? host()->findBoxText() : QString();
      if (!text.isEmpty()) {
        PrivateMessageEvent message(id == kCmdFindNext ? kMsgFindNext : kMsgFindPrevious, text);
        QCoreApplication::sendEvent(this, &message);
      }
      return true;
    }
    case kCmdCopy:
      if (!permitted(DocumentPermission::Copy)) return true;
      copySelection();
      return true;
    case kCmdTellAFriend:
      if (ViewHost* h = host()) h->openWebPage(WebPage::TellAFriend);
      return true;
    case kCmdFilePrint:
      printDocument(false);
      return true;
    case kCmdFilePrintPreview:
      printDocument(true);
      return true;
    case kCmdZoomBox:
    case kCmdPageBox:
    case kCmdFindBox:
      return true;
    default:
      return false;
  }
}

bool C_PDF_View::updateCommand(int id, CommandState& state) const {
  state.enabled = true;
  state.checked = false;
  switch (id) {
    case kCmdZoomIn:
      state.enabled = zoom_ < kMaxZoom;
      return true;
    case kCmdZoomOut:
      state.enabled = zoom_ > kMinZoom;
      return true;
    case kCmdActualSize:
      state.checked = zoomMode_ == ZoomMode::ActualSize;
      return true;
    case kCmdFitPage:
      state.checked = zoomMode_ == ZoomMode::FitPage;
      return true;
    case kCmdFitWidth:
      state.checked = zoomMode_ == ZoomMode::FitWidth;
      return true;
    case kCmdFirstPage:
    case kCmdPreviousPage:
    case kCmdNextPage:
    case kCmdLastPage:
      if (stripMode()) {
        const int row = layout_.rowOfPage(std::max(1, currentPage_));
        const bool back = id == kCmdFirstPage || id == kCmdPreviousPage;
        state.enabled = back ? row > 0 : row + 1 < layout_.rowCount();
        return true;
      }
      break;
    default:
      break;
  }
  switch (id) {
    case kCmdFirstPage:
      state.enabled = pageCommandEnabled(scroll_, PageCommand::First);
      return true;
    case kCmdPreviousPage:
      state.enabled = pageCommandEnabled(scroll_, PageCommand::Previous);
      return true;
    case kCmdNextPage:
      state.enabled = pageCommandEnabled(scroll_, PageCommand::Next);
      return true;
    case kCmdLastPage:
      state.enabled = pageCommandEnabled(scroll_, PageCommand::Last);
      return true;
    case kCmdCopy: {
      const SelectionContext* selection = document_ ? document_->selectionContext() : nullptr;
      // Before the first paint nothing can be highlighted yet.
      const bool highlighted =
          highlightChecksum_ != 0 && highlightChecksum_ != kInitialHighlightChecksum;
      state.enabled = highlighted || (selection && selection->currentEntry);
      return true;
    }
    case kCmdRotateClockwise:
    case kCmdRotateCounterClockwise:
    case kCmdGoToPage:
    case kCmdZoomBox:
    case kCmdPageBox:
    case kCmdFindBox:
    case kCmdFindOptions:
    case kCmdFindPrevious:
    case kCmdFindNext:
    case kCmdTellAFriend:
    case kCmdFilePrint:
    case kCmdFilePrintPreview:
      return true;
    default:
      state.enabled = false;
      return false;
  }
}

void C_PDF_View::rotate(int degrees) {
  if (!document_ || !document_->document()) return;
  int r = document_->viewRotation() + degrees;
  if (r >= 360) r -= 360;
  if (r < 0) r += 360;
  if (stripMode()) {
    // The point at the window's centre keeps its place on the page as the page turns.
    StripAnchor a = anchorAt(QPoint(viewport()->width() / 2, viewport()->height() / 2));
    const double fx = a.fx, fy = a.fy;
    a.fx = degrees > 0 ? 1 - fy : fy;
    a.fy = degrees > 0 ? fx : 1 - fx;
    invalidateLayout(a);
    tiles_.clear(TileKey::Strip);
  }
  document_->setViewRotation(r);
  applyZoom(true);
}

void C_PDF_View::pageCommand(PageCommand command) {
  if (document_ && command != PageCommand::First) document_->completePageTree();
  resetSelectionDrag();
  if (stripMode()) {
    ensureLayout();
    const int rows = layout_.rowCount();
    const int row = std::max(0, layout_.rowOfPage(std::max(1, currentPage_)));
    int to = row;
    if (command == PageCommand::First) to = 0;
    if (command == PageCommand::Previous) to = row - 1;
    if (command == PageCommand::Next) to = row + 1;
    if (command == PageCommand::Last) to = rows - 1;
    to = std::clamp(to, 0, std::max(0, rows - 1));
    const std::vector<int> pages = layout_.pagesOfRow(to);
    if (!pages.empty()) goToPage(pages.front());
    return;
  }
  previousVerticalPos_ = scroll_.verticalPos;
  applyPageCommand(scroll_, command);
  updateScrollBars();
  pageBoxDirty_ = true;
  refreshAllViews();
}

void C_PDF_View::runGoToDialog() {
  if (!document_) return;
  document_->completePageTree();
  viewport()->repaint();
  C_PDF_GoToDialog dialog(pageCount(), this);
  const bool chosen = dialog.exec() == QDialog::Accepted;
  viewport()->repaint();
  if (chosen && dialog.page() != 0) goToPage(dialog.page());
}

void C_PDF_View::runFindOptions() {
  ViewHost* h = host();
  QWidget* button = h ? h->findOptionsButton() : nullptr;
  const QPoint at = button ? button->mapToGlobal(QPoint(0, button->height() + 1)) : QCursor::pos();
  QAction* chosen = findOptionsMenu_->exec(at);
  if (!chosen || chosen->data().toInt() != kCmdCaseSensitive) return;
  resetSearch();
  caseSensitive_ = !caseSensitive_;
  chosen->setChecked(caseSensitive_);
}

void C_PDF_View::resetSearch() {
  cancelSearch();
  clearHitMarks();
  hitFound_ = false;
  hit_.reset();
  searchText_.clear();
  if (searchHits_->active()) {
    searchHits_->clear();
    viewport()->update();
  }
  updateSearchStatus();
}

QString C_PDF_View::searchStatusText() {
  return hit_ && searchHits_->active() ? searchHits_->statusText(*hit_) : QString();
}

void C_PDF_View::updateSearchStatus() {
  if (ViewHost* h = host(); h && h->isActiveView(this)) h->setSearchStatus(searchStatusText());
}

void C_PDF_View::resetSelectionDrag() {
  // The rubber band is not in progress after a page command.
  band_.finish();
  movedWithinPage_ = false;
}

void C_PDF_View::clearHighlightMarks() {
  // The next paint draws every highlight afresh.
  paintedRuns_.clear();
}

PageTextSource* C_PDF_View::textSource() {
  if (!textSource_ && document_ && document_->document() && document_->creator())
    textSource_ = std::make_unique<PageTextSource>(*document_->document(), *document_->creator());
  return textSource_.get();
}

PageGeometry C_PDF_View::pageGeometry() const {
  PageGeometry g;
  g.width = pageWidthUnits_;
  g.height = pageHeightUnits_;
  g.rotation = renderedRotation_;
  g.scale = resolution_ / kPointsPerInch * zoom_;
  g.origin = QPoint(pageLeft_, pageTop_);
  return g;
}

std::vector<const SelectionEntry*> C_PDF_View::entriesOfPage(int page) const {
  std::vector<const SelectionEntry*> entries;
  if (const SelectionContext* selection = document_ ? document_->selectionContext() : nullptr)
    for (const SelectionEntry& e : selection->entries)
      if (e.pageNumber == page) entries.push_back(&e);
  return entries;
}

int C_PDF_View::highlightPass(HighlightMode mode, HighlightRegions* regions) {
  if (currentPage_ < 1 || pageImage_.isNull()) return 0;
  std::vector<const SelectionEntry*> entries = entriesOfPage(currentPage_);
  // Without a drag, a selection, a search mark or a highlight painted before, nothing on the page
  // is highlighted: its text need not be read (a page drawn ahead has not read it yet).
  if (!band_.selecting() && entries.empty() && paintedRuns_.empty() &&
      !(highlighted_ && highlighted_->page == currentPage_))
    return 0;
  PageTextSource* source = textSource();
  PageTextLayout* layout = source ? source->layout(currentPage_) : nullptr;
  return Corvalis::Viewer::highlightPass(layout, pageGeometry(), &band_, entries, mode,
                                         paintedRuns_, regions);
}

void C_PDF_View::paintHighlights(QPainter& painter, const QRegion& fill) {
  const QRegion area = fill & QRect(pageLeft_, pageTop_, pageImage_.width(), pageImage_.height());
  if (area.isEmpty()) return;
  painter.save();
  painter.setClipRegion(area, Qt::IntersectClip);
  painter.fillRect(area.boundingRect(), QColor::fromRgba(kHighlightArgb));
  painter.restore();
}

// ---- Search ----

struct C_PDF_View::SearchRun {
  SearchRequest request;
  std::unique_ptr<C_Conversion_ProgressDialog> progress;
  QElapsedTimer sinceRedraw;
};

namespace {

// Letters compare under the collation of the keyboard's locale (one collator per thread).
CharacterMatch ignoringCaseMatch() {
  auto collator = std::make_shared<QCollator>(QGuiApplication::inputMethod()->locale());
  collator->setCaseSensitivity(Qt::CaseInsensitive);
  return [collator](char16_t a, char16_t b) {
    return collator->compare(QStringView(&a, 1), QStringView(&b, 1)) == 0;
  };
}

}  // namespace

void C_PDF_View::find(const QString& text, bool forward) {
  if (text.isEmpty() || !document_ || !document_->document() || C_PDF_Doc::engineBusy()) return;
  // A new search replaces one still going on.
  cancelSearch();
  document_->completePageTree();
  PageTextSource* source = textSource();
  if (!source || currentPage_ < 1) return;
  const PageFaultLog::Scope faults(PageFaultLog::of(document_.data()));
  if (!hitFound_) searchText_.clear();
  SearchRequest request;
  request.phrase = text.toStdU16String();
  request.caseSensitive = caseSensitive_;
  if (!caseSensitive_) request.ignoringCase = ignoringCaseMatch();
  request.forward = forward;
  request.pageCount = pageCount();
  if (text != searchText_ || !hit_) {
    hitFound_ = false;
    hit_.reset();
    searchText_ = text;
    startPage_ = currentPage_;
    request.page = currentPage_;
  } else {
    request.page = hit_->page;
    request.after = hit_;
  }
  request.startPage = startPage_;

  // The first pages here; the event loop is not run meanwhile, so nothing else reaches this
  // reading of the document while it is searched.
  const SearchOutcome outcome =
      findInDocument(*source, request, currentPage_,
                     [](int32_t visited, int32_t) { return visited <= kQuietSearchPages; });
  if (!outcome.stoppedAfter) {
    finishSearch(outcome, request);
    return;
  }
  // Longer: on the search thread, over its own reading, with the progress window up.
  auto run = std::make_unique<SearchRun>();
  run->request = request;
  run->request.resumeAfter = outcome.stoppedAfter;
  run->request.visitedBefore = outcome.pagesVisited;
  run->progress = std::make_unique<C_Conversion_ProgressDialog>(this);
  run->progress->setRange(0, request.pageCount);
  run->progress->setPosition(forward ? outcome.pagesVisited
                                     : request.pageCount - outcome.stoppedAfter);
  run->progress->setText(QString::fromLatin1(kTextSearching));
  if (!searchWorker_) {
    searchWorker_ = std::make_unique<SearchWorker>();
    connect(searchWorker_.get(), &SearchWorker::progressed, this, &C_PDF_View::searchProgressed);
    connect(searchWorker_.get(), &SearchWorker::finished, this,
            [this](std::shared_ptr<SearchOutcome> found, std::shared_ptr<PageTextIndex> index) {
              if (!search_) return;
              const std::unique_ptr<SearchRun> run = std::move(search_);
              run->progress.reset();
              PageTextSource* own = textSource();
              if (!own) return;
              if (index) own->learn(*index);
              if (found) {
                finishSearch(*found, run->request);
                return;
              }
              // The file could not be read a second time: the rest is searched here.
              const PageFaultLog::Scope faults(PageFaultLog::of(document_.data()));
              finishSearch(findInDocument(*own, run->request, currentPage_, {}), run->request);
            });
  }
  SearchRequest there = run->request;
  if (!caseSensitive_) there.ignoringCase = ignoringCaseMatch();
  const std::string password =
      document_->password().empty() ? document_->document()->password() : document_->password();
  searchWorker_->start(document_->document()->path(), password, std::move(there), source->index());
  run->progress->show();
  run->sinceRedraw.start();
  search_ = std::move(run);
  emit searchProgressShown();
}

void C_PDF_View::searchProgressed(int visited, int page) {
  if (!search_ || !search_->progress) return;
  // Moving the bar repaints it, so it moves only this often.
  if (search_->sinceRedraw.elapsed() < kProgressRedrawMs) return;
  search_->progress->setPosition(search_->request.forward ? visited
                                                          : search_->request.pageCount - page);
  search_->sinceRedraw.start();
}

void C_PDF_View::cancelSearch() {
  if (!search_) return;
  if (searchWorker_) searchWorker_->cancel();
  search_.reset();
}

void C_PDF_View::finishSearch(const SearchOutcome& outcome, const SearchRequest& request) {
  PageTextSource* source = textSource();
  if (!source) return;
  // Whoever searches once searches again: the pages not seen yet are read in idle moments.
  if (!textIndexComplete() && !indexTimer_->isActive()) indexTimer_->start(kIndexStartMs);

  if (!outcome.hit) {
    resetSearch();
    viewport()->update();
    showMessage(this, QString::fromLatin1(kCaptionReader), QString::fromLatin1(kTextNoMatches),
                BoxIcon::None);
    return;
  }
  hitFound_ = true;
  hit_ = outcome.hit;
  // A hit found on the search thread's reading: this reading collects the page's runs too.
  source->layout(hit_->page);
  searchHits_->setSearch(source, request.phrase, caseSensitive_, request.ignoringCase);
  markHit(*hit_);
  resetSearchOnPageChange_ = false;
  scrollToHit(*hit_);
  updateSearchStatus();
}

void C_PDF_View::clearHitMarks() {
  if (!highlighted_) return;
  if (PageTextSource* source = textSource())
    if (PageTextLayout* layout = source->collectedLayout(highlighted_->page))
      clearMarks(runAt(layout, highlighted_->startRun), runAt(layout, highlighted_->endRun));
  highlighted_.reset();
}

void C_PDF_View::markHit(const HitPlace& hit) {
  clearHitMarks();
  PageTextSource* source = textSource();
  PageTextLayout* layout = source ? source->collectedLayout(hit.page) : nullptr;
  TextRun* first = runAt(layout, hit.startRun);
  TextRun* last = runAt(layout, hit.endRun);
  if (!first || !last) return;
  ::markHit(TextHit{first, hit.start, last, hit.end});
  highlighted_ = hit;
  viewport()->update();
}

void C_PDF_View::scrollToHit(const HitPlace& hit) {
  PageTextSource* source = textSource();
  PageTextLayout* layout = source ? source->collectedLayout(hit.page) : nullptr;
  const TextRun* run = runAt(layout, hit.startRun);
  const C_PDF_PageTreeNode_or_Page* page = document_->document()->findPage(hit.page, false);
  if (!run || !page) return;
  const bool sideways = page->rotation % 180 != 0;
  const double height = std::max(1, sideways ? page->width : page->height);
  const double width = std::max(1, sideways ? page->height : page->width);
  const int firstUnit = (hit.page - 1) * kUnitsPerPage;
  // Turned runs and columns measure along and across themselves: the hit's place on the page.
  const double along = hit.start >= 0 && hit.start < static_cast<int32_t>(run->positions.size())
                           ? run->positions[static_cast<std::size_t>(hit.start)]
                           : 0;
  const double top =
      run->orientation == 0 ? run->baseline : pagePointOf(*run, along, run->baseline).y();
  if (stripMode()) {
    stripScrollToHit(hit, std::clamp(top / height, 0.0, 1.0));
    return;
  }
  const int unit = static_cast<int>((top / height + (hit.page - 1)) * kUnitsPerPage);
  // Text below the page's bottom still shows the hit's own page.
  const int pos = std::clamp(unit, firstUnit, firstUnit + kLastUnitOfPage);
  // The middle character of the hit, counted across its runs.
  std::vector<std::pair<const TextRun*, int32_t>> characters;
  for (int32_t r = hit.startRun; r <= hit.endRun; ++r) {
    const TextRun* each = runAt(layout, r);
    if (!each) break;
    const int32_t from = r == hit.startRun ? hit.start : 0;
    const int32_t to = r == hit.endRun ? hit.end : each->length() - 1;
    for (int32_t i = std::max(0, from); i <= to && i < static_cast<int32_t>(each->positions.size());
         ++i)
      characters.emplace_back(each, i);
  }
  int horizontal = scroll_.horizontalPos;
  if (!characters.empty()) {
    const auto [middleRun, index] = characters[characters.size() / 2];
    const double u = middleRun->positions[static_cast<std::size_t>(index)];
    const double left =
        middleRun->orientation == 0 ? u : pagePointOf(*middleRun, u, middleRun->baseline).x();
    const double x = left / width * kUnitsPerPage;
    horizontal = x < kHorizontalCentre ? static_cast<int>(x) : static_cast<int>(std::ceil(x));
  }
  previousVerticalPos_ = scroll_.verticalPos;
  scroll_.verticalPos = std::clamp(pos, 0, scroll_.verticalMax);
  scroll_.horizontalPos = std::clamp(horizontal, 0, kHorizontalMax);
  updateScrollBars();
  pageBoxDirty_ = true;
  refreshAllViews();
}

// ---- Selection and copy ----

QPointF C_PDF_View::shownPoint(QPoint window) const { return pageGeometry().windowToShown(window); }

void C_PDF_View::mouseReleaseEvent(QMouseEvent* event) {
  if (stripMode() && event->button() == Qt::LeftButton && band_.selecting()) {
    stripRelease(event->position().toPoint());
    return;
  }
  if (event->button() != Qt::LeftButton || !band_.selecting()) {
    QAbstractScrollArea::mouseReleaseEvent(event);
    return;
  }
  band_.moveTo(shownPoint(event->position().toPoint()));
  SelectionContext* selection = document_ ? document_->selectionContext() : nullptr;
  const int checksum = highlightPass(HighlightMode::ChecksumOnly, nullptr);
  // A click selects nothing; a drag along one line selects that line.
  const bool degenerate = band_.anchorX() == band_.movingX() && band_.anchorY() == band_.movingY();
  if (selection && checksum != 0 && !degenerate) {
    selection->add(
        entryFor(currentPage_, band_.widened(renderedRotation_), pageGeometry(), kSelectText));
  }
  band_.finish();
  edgeTimer_->stop();
  edgeStepArmed_ = true;
  viewport()->update();
  if (ViewHost* h = host()) h->commandStateChanged();
}

void C_PDF_View::dragTo(QPoint window) {
  dragPoint_ = window;
  band_.moveTo(shownPoint(window));
  if (!renderFlagA_ && !renderFlagB_) {
    const int checksum = highlightPass(HighlightMode::ChecksumOnly, nullptr);
    if (checksum != highlightChecksum_) {
      skipPageBlit_ = true;
      viewport()->update();
    }
  }
  edgeStep(window);
}

bool C_PDF_View::edgeStep(QPoint window) {
  if (pageCount() <= 1 || currentPage_ < 1) return false;
  const QRect client = viewport()->rect();
  const int dy = window.y() < kEdgeZone ? -1 : (window.y() > client.height() - kEdgeZone ? 1 : 0);
  const int dx = window.x() < kEdgeZone ? -1 : (window.x() > client.width() - kEdgeZone ? 1 : 0);
  if (dy == 0 && dx == 0) {
    edgeZoneLeft_ = true;
    return false;
  }
  if (!edgeStepArmed_) return false;
  const bool pageSteps = scroll_.verticalFit == kFitsInWindow;
  int vertical = scroll_.verticalPos;
  // A page step waits until the pointer has left the edge, so that holding it there does not
  // run through the document.
  if (dy != 0 && (!pageSteps || edgeZoneLeft_))
    vertical = std::clamp(vertical + dy * (pageSteps ? kUnitsPerPage : 1), 0, scroll_.verticalMax);
  int horizontal = scroll_.horizontalPos;
  if (dx != 0 && scroll_.horizontalFit != kFitsAcross)
    horizontal = std::clamp(horizontal + dx, 0, kHorizontalMax);
  if (vertical == scroll_.verticalPos && horizontal == scroll_.horizontalPos) return false;

  const int from = scroll_.verticalPos / kUnitsPerPage + 1;
  const int to = vertical / kUnitsPerPage + 1;
  if (from != to) {
    const bool down = to > from;
    SelectionContext* selection = document_ ? document_->selectionContext() : nullptr;
    if (selection && highlightPass(HighlightMode::ChecksumOnly, nullptr) != 0) {
      // The page being left is selected to its end; the drag goes on from the new page's edge.
      band_.setMovingY(down ? SelectionBand::kFarEdge : 0.0f);
      selection->add(entryFor(from, band_.widened(renderedRotation_), pageGeometry(), kSelectText));
    }
    const float edge = down ? 0.0f : SelectionBand::kFarEdge;
    band_.setVertical(edge, edge);
    edgeZoneLeft_ = false;
  }
  previousVerticalPos_ = scroll_.verticalPos;
  scroll_.verticalPos = vertical;
  scroll_.horizontalPos = horizontal;
  updateScrollBars();
  pageBoxDirty_ = true;
  if (from == to)
    band_.moveTo(shownPoint(window));
  else
    band_.setMovingY(static_cast<float>(shownPoint(window).y()));
  skipPageBlit_ = false;
  clearHighlightMarks();
  refreshAllViews();

  edgeStepArmed_ = false;
  int interval = kEdgeStepMs;
  const double shownHeight = zoom_ * pageHeight100_;
  if (shownHeight > client.height() && shownHeight > 0)
    interval = std::max(kMinEdgeStepMs,
                        static_cast<int>((1.0 - client.height() / shownHeight) * kEdgeStepTallMs));
  edgeTimer_->start(interval);
  return true;
}

void C_PDF_View::copySelection() {
  SelectionContext* selection = document_ ? document_->selectionContext() : nullptr;
  PageTextSource* source = textSource();
  if (!source) return;
  // Nothing selected, a search hit highlighted: Copy takes the hit, which stays highlighted.
  if ((!selection || selection->entries.empty()) && highlighted_) {
    PageTextLayout* layout = source->collectedLayout(highlighted_->page);
    if (!layout) return;
    const QString text = clipboardText(hitCopyText(*layout, *highlighted_));
    if (QClipboard* clipboard = QGuiApplication::clipboard())
      clipboard->setText(text, QClipboard::Clipboard);
    auto* dialog = new CDlgCopy2Clipboard(text, this);
    dialog->show();
    emit copied(text);
    return;
  }
  if (!selection) return;
  QApplication::setOverrideCursor(Qt::WaitCursor);
  SelectionContext ordered = *selection;
  if (stripMode()) {
    // A drag up the strip made the lower page's entry first; the text reads top to bottom.
    std::stable_sort(ordered.entries.begin(), ordered.entries.end(),
                     [](const SelectionEntry& a, const SelectionEntry& b) {
                       return a.pageNumber < b.pageNumber;
                     });
    ordered.currentEntry = ordered.entries.empty() ? nullptr : &ordered.entries.back();
  }
  const QString text = clipboardText(selectionText(stripMode() ? ordered : *selection, *source));
  if (QClipboard* clipboard = QGuiApplication::clipboard())
    clipboard->setText(text, QClipboard::Clipboard);
  QApplication::restoreOverrideCursor();
  // The marks are gone from the runs; the page is drawn again without them.
  needsRender_ = true;
  clearHighlightMarks();
  auto* dialog = new CDlgCopy2Clipboard(text, this);
  dialog->show();
  emit copied(text);
  refreshAllViews();
}

// ---- Private messages and input ----

bool C_PDF_View::event(QEvent* event) {
  if (event->type() == PrivateMessageEvent::eventType()) {
    auto* message = static_cast<PrivateMessageEvent*>(event);
    switch (message->message()) {
      case kMsgZoomText:
        zoomTextEntered(message->text());
        break;
      case kMsgPageText:
        pageTextEntered(message->text());
        break;
      case kMsgFindNext:
        findNext(message->text());
        break;
      case kMsgFindPrevious:
        findPrevious(message->text());
        break;
      default:
        break;
    }
    return true;
  }
  return QAbstractScrollArea::event(event);
}

void C_PDF_View::afterScroll(const ScrollResult& result, int previous) {
  if (!result.changed) return;
  previousVerticalPos_ = previous;
  if (scroll_.verticalPos / kUnitsPerPage != 0 && document_) document_->completePageTree();
  updateScrollBars();
  clearHighlightMarks();
  pageBoxDirty_ = true;
  if (result.moved) movedWithinPage_ = true;
  refreshAllViews();
}

void C_PDF_View::keyPressEvent(QKeyEvent* event) {
  if (stripMode() && stripKey(event)) {
    event->accept();
    return;
  }
  const int previous = scroll_.verticalPos;
  ScrollResult result;
  switch (event->key()) {
    case Qt::Key_PageUp:
      result = applyVertical(scroll_, VerticalInput::PageUpKey);
      break;
    case Qt::Key_PageDown:
      result = applyVertical(scroll_, VerticalInput::PageDownKey);
      break;
    case Qt::Key_End:
      result = applyVertical(scroll_, VerticalInput::EndKey);
      break;
    case Qt::Key_Home:
      result = applyVertical(scroll_, VerticalInput::HomeKey);
      break;
    case Qt::Key_Up:
      result = applyVertical(scroll_, VerticalInput::UpKey);
      break;
    case Qt::Key_Down:
      result = applyVertical(scroll_, VerticalInput::DownKey);
      break;
    case Qt::Key_Left:
      result = applyHorizontal(scroll_, HorizontalInput::LeftKey);
      break;
    case Qt::Key_Right:
      result = applyHorizontal(scroll_, HorizontalInput::RightKey);
      break;
    case Qt::Key_F3:
      if (ViewHost* h = host()) h->findBoxEnter();
      return;
    default:
      QAbstractScrollArea::keyPressEvent(event);
      return;
  }
  event->accept();
  afterScroll(result, previous);
}

void C_PDF_View::wheelStep(QWheelEvent* event) {
  if (stripMode()) {
    stripWheel(event);
    return;
  }
  if (event->modifiers() & Qt::ControlModifier) {
    // Ctrl+wheel zooms by the ladder's steps.
    event->accept();
    wheelRemainder_ += event->angleDelta().y();
    if (std::abs(wheelRemainder_) < kWheelNotch) return;
    const bool in = wheelRemainder_ > 0;
    wheelRemainder_ = 0;
    onCommand(in ? kCmdZoomIn : kCmdZoomOut);
    return;
  }
  // A burst larger than this many notches takes this many steps.
  constexpr int kMaxNotchesPerEvent = 50;
  wheelRemainder_ =
      std::clamp(wheelRemainder_ + event->angleDelta().y(), -kMaxNotchesPerEvent * kWheelNotch,
                 kMaxNotchesPerEvent * kWheelNotch);
  event->accept();
  while (std::abs(wheelRemainder_) >= kWheelNotch) {
    const bool up = wheelRemainder_ > 0;
    wheelRemainder_ += up ? -kWheelNotch : kWheelNotch;
    const int previous = scroll_.verticalPos;
    afterScroll(applyVertical(scroll_, up ? VerticalInput::UpKey : VerticalInput::DownKey),
                previous);
  }
}

void C_PDF_View::wheelEvent(QWheelEvent* event) { wheelStep(event); }

bool C_PDF_View::eventFilter(QObject* watched, QEvent* event) {
  if (watched == viewport() && event->type() == QEvent::Leave && sizeLabelShown_) {
    // Leaving the page area from the corner also leaves the corner.
    sizeLabelShown_ = false;
    sizeLabelErase_ = true;
    viewport()->update(sizeLabelRect(viewport()->rect()));
  }
  if (event->type() == QEvent::Wheel &&
      (watched == verticalScrollBar() || watched == horizontalScrollBar())) {
    wheelStep(static_cast<QWheelEvent*>(event));
    return true;
  }
  return QAbstractScrollArea::eventFilter(watched, event);
}

void C_PDF_View::verticalAction(int action) {
  QScrollBar* bar = verticalScrollBar();
  if (stripMode()) {
    scrollStripTo(stripX_, bar->sliderPosition());
    return;
  }
  const int previous = scroll_.verticalPos;
  ScrollResult result;
  switch (action) {
    case QAbstractSlider::SliderSingleStepAdd:
      result = applyVertical(scroll_, VerticalInput::BarLineDown);
      break;
    case QAbstractSlider::SliderSingleStepSub:
      result = applyVertical(scroll_, VerticalInput::BarLineUp);
      break;
    case QAbstractSlider::SliderPageStepAdd:
      result = applyVertical(scroll_, VerticalInput::BarPageDown);
      break;
    case QAbstractSlider::SliderPageStepSub:
      result = applyVertical(scroll_, VerticalInput::BarPageUp);
      break;
    case QAbstractSlider::SliderToMinimum:
      result = applyVertical(scroll_, VerticalInput::BarTop);
      break;
    case QAbstractSlider::SliderToMaximum:
      result = applyVertical(scroll_, VerticalInput::BarBottom);
      break;
    case QAbstractSlider::SliderMove:
      result = applyVertical(scroll_, VerticalInput::BarTrack, bar->sliderPosition());
      break;
    default:
      break;
  }
  // The bar applies our position, not its own step.
  bar->setSliderPosition(scroll_.verticalPos);
  afterScroll(result, previous);
}

void C_PDF_View::horizontalAction(int action) {
  QScrollBar* bar = horizontalScrollBar();
  if (stripMode()) {
    scrollStripTo(bar->sliderPosition(), stripY_);
    return;
  }
  const int previous = scroll_.verticalPos;
  ScrollResult result;
  switch (action) {
    case QAbstractSlider::SliderSingleStepAdd:
      result = applyHorizontal(scroll_, HorizontalInput::BarLineRight);
      break;
    case QAbstractSlider::SliderSingleStepSub:
      result = applyHorizontal(scroll_, HorizontalInput::BarLineLeft);
      break;
    case QAbstractSlider::SliderPageStepAdd:
      result = applyHorizontal(scroll_, HorizontalInput::BarPageRight);
      break;
    case QAbstractSlider::SliderPageStepSub:
      result = applyHorizontal(scroll_, HorizontalInput::BarPageLeft);
      break;
    case QAbstractSlider::SliderToMinimum:
      result = applyHorizontal(scroll_, HorizontalInput::BarLeftEnd);
      break;
    case QAbstractSlider::SliderToMaximum:
      result = applyHorizontal(scroll_, HorizontalInput::BarRightEnd);
      break;
    case QAbstractSlider::SliderMove:
      result = applyHorizontal(scroll_, HorizontalInput::BarTrack, bar->sliderPosition());
      break;
    default:
      break;
  }
  bar->setSliderPosition(scroll_.horizontalPos);
  afterScroll(result, previous);
}

void C_PDF_View::scrollContentsBy(int, int) {
  // Scrolling is this view's own model; the bars only report input.
}

void C_PDF_View::resizeEvent(QResizeEvent* event) {
  if (stripMode()) {
    clientWidth_ = event->size().width();
    clientHeight_ = event->size().height();
    if (!layoutStale_) {
      StripAnchor a = anchorAt(QPoint(event->size().width() / 2, 0));
      invalidateLayout(a);
    }
    viewport()->update();
    return;
  }
  if (event->size() != event->oldSize()) discardPrefetched();
  if (document_ && document_->renderer()) {
    if (renderedOnce_ && !resizeArmed_) {
      resizeArmed_ = true;
    } else if (renderedOnce_) {
      needsRender_ = true;
    }
    clearHighlightMarks();
  }
  clientWidth_ = event->size().width();
  clientHeight_ = event->size().height();
  // A page kept as it is (the first resize after a render) has neighbours of the new size.
  if (event->size() != event->oldSize() && !needsRender_ && !pageImage_.isNull())
    prefetchNeighbours();
  viewport()->update();
}

void C_PDF_View::focusInEvent(QFocusEvent* event) {
  QAbstractScrollArea::focusInEvent(event);
  applyZoom(false);
  writePageBox();
  if (ViewHost* h = host()) h->commandStateChanged();
}

void C_PDF_View::mouseMoveEvent(QMouseEvent* event) {
  if (stripMode()) {
    if (band_.selecting()) stripDrag(event->position().toPoint());
    return;
  }
  const QRect client = viewport()->rect();
  const QPoint p = event->position().toPoint();
  const bool inCorner =
      p.x() < kSizeLabelCornerWidth && p.y() > client.height() - kSizeLabelCornerHeight;
  const bool pageShown = currentPage_ > 0 && !pageImage_.isNull();
  if (inCorner && pageShown && !sizeLabelShown_) {
    sizeLabelShown_ = true;
    viewport()->update(sizeLabelRect(client));
  } else if (!inCorner && sizeLabelShown_) {
    sizeLabelShown_ = false;
    sizeLabelErase_ = true;
    viewport()->update(sizeLabelRect(client));
  }
  if (band_.selecting()) dragTo(p);
}

void C_PDF_View::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton && formOverlay_->pressAt(event->position().toPoint())) {
    event->accept();
    return;
  }
  if (event->button() == Qt::RightButton) {
    if (ViewHost* h = host(); h && h->contextMenu())
      h->contextMenu()->exec(event->globalPosition().toPoint());
    return;
  }
  if (stripMode() && event->button() == Qt::LeftButton) {
    stripMousePress(event);
    return;
  }
  if (event->button() != Qt::LeftButton || !document_ || currentPage_ < 1 || pageImage_.isNull()) {
    QAbstractScrollArea::mousePressEvent(event);
    return;
  }
  dragStartPos_ = scroll_.verticalPos;
  if (!(event->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier))) {
    // A new selection: the old one and any search highlight go.
    if (SelectionContext* selection = document_->selectionContext()) selection->clear();
    if (PageTextSource* source = textSource())
      clearCharacterMarks(source->collectedLayout(currentPage_));
    highlighted_.reset();
    clearHighlightMarks();
    refreshAllViews();
  }
  dragPoint_ = event->position().toPoint();
  band_.start(shownPoint(dragPoint_));
  edgeZoneLeft_ = true;
  edgeStepArmed_ = true;
  event->accept();
}

// ---- Painting ----

void C_PDF_View::measureResolution() {
  dpiX_ = viewport()->logicalDpiX();
  dpiY_ = viewport()->logicalDpiY();
  resolution_ = std::max(std::abs(dpiX_), std::abs(dpiY_));
  if (resolution_ <= 0) resolution_ = 96;
}

void C_PDF_View::paintEvent(QPaintEvent*) {
  // Engine messages raised while drawing are shown once the paint is over; what the page is
  // shown without goes to its document's log.
  MessageListener::Deferral deferral;
  const PageFaultLog::Scope faults(PageFaultLog::of(document_.data()));
  QPainter painter(viewport());
  const QRect client = viewport()->rect();
  clientRect_ = client;
  if (drawingStopped_ || !document_ || !document_->document()) {
    painter.fillRect(client, backgroundColour());
    return;
  }
  measureResolution();
  if (stripMode()) {
    paintStrip(painter, client);
    return;
  }
  // The size label alone reuses the bitmap; a page that must be drawn again is drawn under it.
  if (!updatePageBitmap()) {
    painter.fillRect(client, backgroundColour());
    return;
  }
  if (pageBoxDirty_) {
    pageBoxDirty_ = false;
    writePageBox();
  }
  if (pageImage_.isNull()) {
    painter.fillRect(client, backgroundColour());
    return;
  }
  layoutPage(client);
  const int w = pageImage_.width(), h = pageImage_.height();
  const QColor bg = backgroundColour();
  painter.fillRect(QRect(QPoint(0, 0), QPoint(pageLeft_ - 1, client.height() - 1)), bg);
  painter.fillRect(QRect(QPoint(pageLeft_ + w, 0), QPoint(client.width() - 1, client.height() - 1)),
                   bg);
  painter.fillRect(QRect(QPoint(0, 0), QPoint(client.width() - 1, pageTop_ - 1)), bg);
  painter.fillRect(QRect(QPoint(0, pageTop_ + h), QPoint(client.width() - 1, client.height() - 1)),
                   bg);
  sizeLabelErase_ = false;
  // The paint is clipped to what changed, so a scroll within the page copies only that part of
  // the kept bitmap; while a drag changes the highlights only those are painted.
  // The screen's own filter (night mode, paper tint); printing and copying never pass it.
  const QImage& shown = NightFilter::instance().screenImage(pageImage_, renderedRotation_);
  if (!skipPageBlit_) {
    painter.drawImage(pageLeft_, pageTop_, shown);
    searchHits_->paint(painter, currentPage_, pageGeometry(), highlighted_, QRegion(client));
    HighlightRegions regions;
    highlightPass(HighlightMode::Repaint, &regions);
    paintHighlights(painter, regions.all - regions.alreadyPainted);
  }
  skipPageBlit_ = false;
  placeFormOverlay();
  const int checksumBefore = highlightChecksum_;
  if (renderFlagA_ || renderFlagB_) {
    highlightChecksum_ = 0;
  } else {
    HighlightRegions regions;
    highlightChecksum_ = highlightPass(HighlightMode::Incremental, &regions);
    const QRegion erase = regions.noLongerHighlighted - regions.alreadyPainted;
    if (!erase.isEmpty()) {
      painter.save();
      painter.setClipRegion(erase, Qt::IntersectClip);
      painter.drawImage(pageLeft_, pageTop_, shown);
      painter.restore();
      searchHits_->paint(painter, currentPage_, pageGeometry(), highlighted_, erase);
    }
    paintHighlights(painter, regions.all - regions.alreadyPainted);
  }
  // Copy follows what is highlighted; the menus are updated once this paint is over.
  if ((checksumBefore == 0) != (highlightChecksum_ == 0))
    QTimer::singleShot(0, this, [this] {
      if (ViewHost* h = host()) h->commandStateChanged();
    });
  if (sizeLabelShown_) paintSizeLabel(painter, client);
  schedulePageTreeCompletion();
  if (prefetchPending_) {
    prefetchPending_ = false;
    prefetchNeighbours();
  }
}

bool C_PDF_View::updatePageBitmap() {
  const int p = scroll_.verticalPos / kUnitsPerPage + 1;
  if (p < 1) return false;
  if (p != currentPage_ && resetSearchOnPageChange_) resetSearch();
  resetSearchOnPageChange_ = true;
  if (p == currentPage_ && !needsRender_ && rotation() == renderedRotation_ && !pageImage_.isNull())
    return true;
  // The file is being rewritten under the old reading: what is drawn stays until the new one.
  if (document_->fileChanging() && !pageImage_.isNull()) return true;
  if (C_PDF_Doc::engineBusy() || (p != 1 && !document_->pageTreeComplete())) {
    // The document is being read: show what there is and draw once it is done.
    if (!retryPending_) {
      retryPending_ = true;
      QTimer::singleShot(kBusyRetryMs, this, [this] {
        retryPending_ = false;
        if (document_ && !C_PDF_Doc::engineBusy()) document_->completePageTree();
        viewport()->update();
      });
    }
    return true;
  }
  return renderPage(p);
}

bool C_PDF_View::renderPage(int p) {
  currentPage_ = p;
  C_PDF_Draw* renderer = document_->renderer();
  if (!renderer) {
    needsRender_ = true;
    return false;
  }
  C_PDF_Document* parsed = document_->document();
  pageImage_ = QImage();
  ViewPageDrawing drawing;
  try {
    drawing = drawViewPage(
        *parsed, p, pageViewState(),
        [&](const C_PDF_PageTreeNode_or_Page& page, RenderRequest& request, int attempt) {
          if (attempt > 0) needsRender_ = true;
          // Page units: the page at one pixel per point.
          const PagePixels units = pagePixels(page, 72);
          pageHeightUnits_ = units.height;
          pageWidthUnits_ = units.width;
          renderHeight100_ = request.deviceHeight;
          renderWidth100_ = request.deviceWidth;
          const bool turned = request.rotation % 180 != 0;
          pageHeight100_ = turned ? renderWidth100_ : renderHeight100_;
          pageWidth100_ = turned ? renderHeight100_ : renderWidth100_;
          sizeText_ = QString::fromStdString(page.sizeText);
          zoom_ = request.zoom;
          QImage image;
          std::optional<PreparedPage> ahead;
          if (attempt == 0 && prefetcher_) ahead = prefetcher_->take(request);
          if (ahead) {
            // Drawn ahead for exactly this request; its messages are shown as a drawing's would
            // be.
            image = std::move(ahead->image);
            request.zoom = ahead->drawnZoom;
            if (Messages::IMessageListener* listener = Messages::GetMessageListener())
              for (const auto& [severity, text] : ahead->notes) listener->Notify(severity, text);
            ++preparedShown_;
          } else {
            image = renderPageImage(*renderer, request, kMaxViewBitmapPixels);
          }
          zoom_ = request.zoom;
          formsPlaced_ = false;
          writePageBox();
          ++renderCount_;
          return image;
        });
  } catch (const C_PDF_Exception& e) {
    drawingStopped_ = true;
    if (e.cause() == PdfError::ObjectNotFound || e.cause() == PdfError::DocumentDamaged)
      showEngineErrorLater(e.code());
    return false;
  } catch (...) {
    drawingStopped_ = true;
    return false;
  }
  if (!drawing.pageFound) {
    pageMissing();
    return false;
  }
  if (drawing.image.isNull()) return false;
  pageImage_ = std::move(drawing.image);
  renderedRotation_ = drawing.request.rotation;
  renderedOnce_ = true;
  needsRender_ = false;
  skipPageBlit_ = false;
  paintedRuns_.clear();
  // Once this paint is over, so that the background drawing does not slow the paint down.
  prefetchPending_ = true;
  emit rendered();
  return true;
}

PageViewState C_PDF_View::pageViewState() const {
  PageViewState state;
  state.mode = zoomMode_;
  state.zoom = zoom_;
  state.client = QSize(clientWidth_, clientHeight_);
  state.resolution = resolution_;
  state.rotation = rotation();
  return state;
}

void C_PDF_View::setPrefetchEnabled(bool on) {
  prefetchEnabled_ = on;
  if (!on) {
    prefetcher_.reset();
  } else if (!pageImage_.isNull() && !needsRender_) {
    prefetchNeighbours();
  }
}

void C_PDF_View::discardPrefetched() {
  if (prefetcher_) prefetcher_->discard();
}

void C_PDF_View::prefetchNeighbours() {
  C_PDF_Document* parsed = document_ ? document_->document() : nullptr;
  if (!prefetchEnabled_ || !parsed || parsed->path().empty() || document_->fileChanging()) return;
  if (std::int64_t(pageImage_.width()) * pageImage_.height() > kMaxPrefetchPixels) {
    discardPrefetched();
    return;
  }
  ensurePrefetcher();
  if (!prefetcher_ || !prefetcher_->active()) return;
  PrefetchSettings settings;
  settings.mode = zoomMode_;
  // The fit modes work their zoom out for each page.
  const bool fitted = zoomMode_ == ZoomMode::FitPage || zoomMode_ == ZoomMode::FitWidth;
  settings.zoom = fitted ? 0 : zoom_;
  settings.client = QSize(clientWidth_, clientHeight_);
  settings.resolution = resolution_;
  settings.viewRotation = rotation();
  settings.renderFlagA = renderFlagA_;
  settings.renderFlagB = renderFlagB_;
  // The next page first: reading goes forwards more often than back.
  std::vector<int32_t> pages;
  if (currentPage_ < pageCount()) pages.push_back(currentPage_ + 1);
  if (currentPage_ > 1) pages.push_back(currentPage_ - 1);
  prefetcher_->prepare(settings, std::move(pages));
}

void C_PDF_View::showEngineErrorLater(int code) {
  QTimer::singleShot(0, [code] { showEngineError(code, kCaptionReader, nullptr); });
}

void C_PDF_View::pageMissing() {
  // The engine lowers the page count when a page turns out not to exist; follow it.
  const int max = verticalMaxFor(pageCount());
  if (max >= scroll_.verticalMax) return;
  scroll_.verticalMax = max;
  scroll_.verticalPos = std::min(scroll_.verticalPos, max - kLastUnitOfPage);
  scroll_.verticalPos = std::max(scroll_.verticalPos, 0);
  updateScrollBars();
  needsRender_ = true;
  pageBoxDirty_ = true;
  if (pageCount() > 0) viewport()->update();
  if (ViewHost* h = host()) h->commandStateChanged();
}

void C_PDF_View::placeFormOverlay() {
  if (rotation() != 0) {
    formOverlay_->clear();
    return;
  }
  if (!showsForms() || formsPlaced_) return;
  formsPlaced_ = true;
  C_PDF_Document* parsed = document_->document();
  C_PDF_PageTreeNode_or_Page* page = nullptr;
  try {
    page = parsed->findPreparedPage(currentPage_, false);
  } catch (const C_PDF_Exception&) {
    formOverlay_->clear();
    return;
  }
  if (!page) {
    formOverlay_->clear();
    return;
  }
  const int widthPoints = std::max(1, page->rotation % 180 != 0 ? page->height : page->width);
  OverlayPage shown;
  shown.number = currentPage_;
  shown.page = page;
  shown.placement.pageOrigin = QPoint(pageLeft_, pageTop_);
  shown.placement.pixelsPerPoint = static_cast<double>(pageImage_.width()) / widthPoints;
  formOverlay_->place(viewport(), *parsed, {shown});
}

bool C_PDF_View::showsForms() const {
  const C_PDF_Document* parsed = document_ ? document_->document() : nullptr;
  if (!parsed) return false;
  // Any field can be filled in, not only text.
  const FormRecord* form = parsed->form();
  return parsed->formOverlay || (form && form->fields && !form->fields->fields.empty());
}

void C_PDF_View::placeStripForms(const std::vector<int>& pages) {
  if (rotation() != 0 || !showsForms()) {
    formOverlay_->clear();
    return;
  }
  C_PDF_Document* parsed = document_->document();
  std::vector<OverlayPage> shown;
  for (int number : pages) {
    const QRect rect = shownPageRect(number);
    if (rect.isEmpty()) continue;
    C_PDF_PageTreeNode_or_Page* page = nullptr;
    try {
      page = parsed->findPreparedPage(number, false);
    } catch (const C_PDF_Exception&) {
      continue;
    }
    if (!page) continue;
    const int widthPoints = std::max(1, page->rotation % 180 != 0 ? page->height : page->width);
    OverlayPage p;
    p.number = number;
    p.page = page;
    p.placement.pageOrigin = rect.topLeft();
    p.placement.pixelsPerPoint = static_cast<double>(rect.width()) / widthPoints;
    shown.push_back(p);
  }
  formOverlay_->place(viewport(), *parsed, shown);
}

bool C_PDF_View::formValueChanged(const FieldValueChange& change) {
  if (!document_) return false;
  return FormSession::of(*document_).change(change, this);
}

void C_PDF_View::commitFormEdits() { formOverlay_->commitEditing(); }

void C_PDF_View::formFocusLeaves(int page, bool forward) {
  C_PDF_Document* parsed = document_ ? document_->document() : nullptr;
  if (!parsed) return;
  document_->completePageTree();
  // Pages without fields are passed over; so many at most are looked at.
  constexpr int kMaxPagesLookedAt = 1000;
  const int count = pageCount();
  int target = 0;
  for (int p = page + (forward ? 1 : -1), looked = 0;
       p >= 1 && p <= count && looked < kMaxPagesLookedAt; p += forward ? 1 : -1, ++looked) {
    const C_PDF_PageTreeNode_or_Page* candidate = nullptr;
    try {
      candidate = parsed->findPreparedPage(p, false);
    } catch (const C_PDF_Exception&) {
      continue;
    }
    bool hasField = false;
    if (candidate)
      forEachFormWidget(*parsed, *candidate, [&](const FormWidgetValues& w) {
        hasField = w.kind != kFieldNone && w.kind != kFieldPushButton &&
                   w.kind != kFieldSignature && w.kind != kFieldHidden;
        return !hasField;
      });
    if (hasField) {
      target = p;
      break;
    }
  }
  if (target == 0) return;
  formOverlay_->focusPageField(target, forward);
  if (stripMode()) {
    showPlace({target, 0});
  } else {
    showPosition((target - 1) * kUnitsPerPage);
  }
  viewport()->update();
}

bool C_PDF_View::focusNextPrevChild(bool next) {
  if (hasFocus() && formOverlay_->rowCount() > 0 &&
      formOverlay_->focusNext(next ? -1 : formOverlay_->rowCount(), next))
    return true;
  return QAbstractScrollArea::focusNextPrevChild(next);
}

bool C_PDF_View::layoutPage(const QRect& client) {
  const double ph = pageHeight100_ * zoom_;
  const double pw = pageWidth100_ * zoom_;
  const int cw = client.width(), ch = client.height();
  double yOffset = 0;
  if (ph < ch) {
    scroll_.verticalFit = kFitsInWindow;
  } else {
    scroll_.verticalFit = kLargerThanWindow;
    yOffset = (ph + 10 - ch) / 20 * (10 - scroll_.verticalPos % kUnitsPerPage);
  }
  double xOffset = 0;
  bool barChange = false;
  if (pw < cw) {
    if (horizontalBarShown_) {
      horizontalBarShown_ = false;
      barChange = true;
    } else {
      scroll_.horizontalFit = kFitsAcross;
      scroll_.horizontalPos = kHorizontalCentre;
      const QSignalBlocker block(horizontalScrollBar());
      horizontalScrollBar()->setValue(kHorizontalCentre);
    }
  } else {
    if (!horizontalBarShown_) {
      horizontalBarShown_ = true;
      barChange = true;
    } else {
      scroll_.horizontalFit = kWiderThanWindow;
      xOffset = (pw + 10 - cw) / 20 * (10 - scroll_.horizontalPos % kUnitsPerPage);
    }
  }
  if (barChange && !barChangePending_) {
    // The bar changes after this paint; the resize that follows paints again.
    barChangePending_ = true;
    QTimer::singleShot(0, this, [this] {
      barChangePending_ = false;
      setHorizontalScrollBarPolicy(horizontalBarShown_ ? Qt::ScrollBarAlwaysOn
                                                       : Qt::ScrollBarAlwaysOff);
    });
  }
  const int left = static_cast<int>(cw / 2 - pw * 0.5 + xOffset);
  const int top = static_cast<int>(ch / 2 - ph * 0.5 + yOffset);
  if (left != pageLeft_ || top != pageTop_) formsPlaced_ = false;
  pageLeft_ = left;
  pageTop_ = top;
  return !barChange;
}

QRect C_PDF_View::sizeLabelRect(const QRect& client) const {
  QFont font(QStringLiteral("Arial"), 9);
  const QFontMetrics metrics(font);
  const int textWidth = metrics.horizontalAdvance(sizeText_);
  const int textHeight = metrics.height();
  return QRect(QPoint(client.left() + 2, client.height() - textHeight - 4),
               QPoint(textWidth + 8, client.height() - 2));
}

void C_PDF_View::paintSizeLabel(QPainter& painter, const QRect& client) {
  const QRect box = sizeLabelRect(client);
  painter.save();
  painter.setFont(QFont(QStringLiteral("Arial"), 9));
  painter.fillRect(box, Qt::black);
  painter.setPen(QPen(Qt::red, 1));
  painter.drawRect(box.adjusted(0, 0, -1, -1));
  painter.setPen(Qt::white);
  const QFontMetrics metrics(painter.font());
  painter.drawText(
      QPoint(client.left() + 5, client.height() - metrics.height() - 3 + metrics.ascent()),
      sizeText_);
  painter.restore();
}

void C_PDF_View::schedulePageTreeCompletion() {
  if (completionScheduled_ || !document_ || document_->pageTreeComplete()) return;
  completionScheduled_ = true;
  // Right after page 1 is on screen the rest of the tree is read.
  QTimer::singleShot(0, this, [this] {
    if (document_) document_->completePageTree();
  });
}

bool C_PDF_View::textIndexComplete() const {
  return textSource_ && textSource_->index().pageCount() == pageCount() &&
         textSource_->index().recorded() == pageCount();
}

void C_PDF_View::pageTreeCompleted() {
  if (stripMode() && !layoutStale_) invalidateLayout(anchorAt(QPoint(viewport()->width() / 2, 0)));
  const int max = verticalMaxFor(pageCount());
  scroll_.verticalMax = max;
  scroll_.verticalPos = std::clamp(scroll_.verticalPos, 0, max);
  updateScrollBars();
  pageBoxDirty_ = true;
  viewport()->update();
  if (ViewHost* h = host()) h->commandStateChanged();
}

// ---- Printing ----

bool C_PDF_View::permitted(DocumentPermission permission) {
  C_PDF_Document* parsed = document_ ? document_->document() : nullptr;
  if (!parsed || parsed->allows(permission)) return true;
  showMessage(this, kCaptionReader,
              permission == DocumentPermission::Print ? kTextPrintNotAllowed : kTextCopyNotAllowed,
              BoxIcon::Information);
  // The owner password lifts the restriction; a wrong one asks again, cancelling gives up.
  C_PDF_PasswordDialog dialog(this);
  while (std::optional<std::string> password = dialog.askPassword()) {
    if (parsed->unlockWithOwnerPassword(*password)) return true;
  }
  return false;
}

void C_PDF_View::printDocument(bool preview) {
  if (!document_ || !document_->renderer()) return;
  if (!permitted(DocumentPermission::Print)) return;
  document_->completePageTree();
  ViewHost* h = host();
  QPrinter fallback;
  QPrinter* printer = h && h->printer() ? h->printer() : &fallback;
  if (preview) {
    QPrintPreviewDialog dialog(printer, this);
    connect(&dialog, &QPrintPreviewDialog::paintRequested, this,
            [this](QPrinter* p) { print(*p); });
    dialog.exec();
    return;
  }
  QPrintDialog dialog(printer, this);
  dialog.setMinMax(1, std::max(1, pageCount()));
  dialog.setOption(QAbstractPrintDialog::PrintPageRange, true);
  if (dialog.exec() == QDialog::Accepted) print(*printer);
}

void C_PDF_View::print(QPrinter& printer) {
  if (!document_ || !document_->renderer()) return;
  document_->completePageTree();
  C_PDF_Document* parsed = document_->document();
  C_PDF_Draw* renderer = document_->renderer();
  printSavedPage_ = currentPage_;
  int from = printer.fromPage(), to = printer.toPage();
  if (from <= 0) {
    from = 1;
    to = pageCount();
  }
  to = std::min(to, pageCount());
  QPainter painter;
  if (from <= to && painter.begin(&printer)) {
    const QRectF paper = printer.paperRect(QPrinter::DevicePixel);
    const QRectF printable = printer.pageRect(QPrinter::DevicePixel);
    const QPointF offset = printable.topLeft() - paper.topLeft();
    const double areaWidth = paper.width() - 2 * offset.x();
    const double areaHeight = paper.height() - 2 * offset.y();
    const double resolution = std::max(printer.logicalDpiX(), printer.logicalDpiY());
    try {
      for (int n = from; n <= to; ++n) {
        const C_PDF_PageTreeNode_or_Page* page = parsed->findPage(n, false);
        if (!page) break;
        if (n > from) printer.newPage();
        currentPage_ = n;
        RenderRequest request = pageRenderRequest(*page, n, resolution, RenderTarget::Print);
        const double height = request.deviceHeight;
        const double width = request.deviceWidth;
        const double scale = std::min(areaWidth / width, areaHeight / height);
        if (!(scale > 0)) continue;
        request.zoom = scale;
        const QImage image = renderPageImage(*renderer, request, kMaxPrintBitmapPixels);
        const QRectF target((areaWidth - width * scale) / 2, (areaHeight - height * scale) / 2,
                            width * scale, height * scale);
        if (!image.isNull()) painter.drawImage(target, image);
      }
    } catch (const C_PDF_Exception& e) {
      showEngineErrorLater(e.code());
    }
    painter.end();
  }
  currentPage_ = printSavedPage_;
  needsRender_ = true;
  refreshAllViews();
}

}  // namespace Corvalis::Viewer

// ---- The strip of pages ----

namespace Corvalis::Viewer {

namespace {

// Each paint asks for the pieces in sight and those this many screens ahead: at three screens a
// second, one screen leaves a third of a second to draw a page in, too little on a busy machine.
constexpr int kScreensAhead = 2;
// A search hit is shown this far down the window.
constexpr double kHitPlaceInWindow = 1.0 / 3.0;

QColor placeholderColour() { return QColor::fromRgb(C_PDF_View::kPlaceholderRgb); }

// The drawing thread holds a piece while it draws it and one finished but not yet taken: the
// budget keeps room for both, so that the pieces kept and those on their way stay within it.
constexpr std::int64_t kPiecesInFlight = 2;
std::int64_t piecesInFlightBytes(const PageLayout& layout, int page) {
  const std::vector<QRect> pieces = TileCache::piecesOf(layout.pageRect(page).size());
  if (pieces.empty()) return 0;
  return kPiecesInFlight * std::int64_t(sizeof(std::uint32_t)) * pieces.front().width() *
         pieces.front().height();
}

}  // namespace

void C_PDF_View::setViewMode(ViewMode mode) {
  if (mode == viewMode_) return;
  const ViewPlace where = place();
  viewMode_ = mode;
  resetSelectionDrag();
  if (stripMode()) {
    formOverlay_->clear();
    // The one-page view's bitmap and prepared neighbours do not serve the strip.
    pageImage_ = QImage();
    discardPrefetched();
    layoutStale_ = true;
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  } else {
    if (prefetcher_) prefetcher_->wantTiles(TileKey::Strip, {});
    wantedTiles_.clear();
    tiles_.clear(TileKey::Strip);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setHorizontalScrollBarPolicy(horizontalBarShown_ ? Qt::ScrollBarAlwaysOn
                                                     : Qt::ScrollBarAlwaysOff);
    needsRender_ = true;
  }
  showPlace(where);
  if (ViewHost* h = host()) h->commandStateChanged();
}

void C_PDF_View::setFirstPageAlone(bool alone) {
  if (alone == firstPageAlone_) return;
  firstPageAlone_ = alone;
  if (!stripMode()) return;
  const ViewPlace where = place();
  layoutStale_ = true;
  showPlace(where);
}

ViewPlace C_PDF_View::place() const {
  ViewPlace out;
  if (stripMode() && !layoutStale_ && layout_.pageCount() > 0) {
    // The page at the middle of the window's top edge.
    const QPoint top = QPoint(viewport()->width() / 2, 0) - stripOrigin();
    const int page = std::max(1, layout_.nearestPage(top));
    const QRect r = layout_.pageRect(page);
    out.page = page;
    out.offset = r.height() > 0 ? std::clamp(double(top.y() - r.top()) / r.height(), 0.0, 1.0) : 0;
    return out;
  }
  out.page = std::max(1, scroll_.page());
  // Unit u of a page taller than the window shows u / 20 of the part that does not fit.
  const double shown = pageHeight100_ * zoom_;
  const double span = shown + 10 - clientHeight_;
  const int unit = scroll_.verticalPos % kUnitsPerPage;
  out.offset =
      shown > 0 && span > 0 ? std::clamp(unit * span / kLastUnitOfPage / shown, 0.0, 1.0) : 0;
  if (stripMode() && currentPage_ > 0) out = ViewPlace{currentPage_, 0};
  return out;
}

void C_PDF_View::showPlace(const ViewPlace& where) {
  const int page = std::clamp(where.page, 1, std::max(1, pageCount()));
  if (document_ && page != 1) document_->completePageTree();
  if (stripMode()) {
    StripAnchor anchor;
    anchor.page = page;
    anchor.fx = 0.5;
    anchor.fy = std::clamp(where.offset, 0.0, 1.0);
    anchor.viewportPoint = QPoint(viewport()->width() / 2, 0);
    invalidateLayout(anchor);
    ensureLayout();
    refreshAllViews();
    return;
  }
  double shown = pageHeight100_ * zoom_;
  if (shown <= 0) {
    // Nothing drawn yet (a document reopening): the page as it is about to be drawn.
    const std::vector<QSizeF>& sizes = pageSizes();
    if (page <= static_cast<int>(sizes.size())) {
      const QSizeF size = sizes[static_cast<std::size_t>(page - 1)];
      shown = size.height() * drawingZoom(zoomMode_, zoom_, QSize(clientWidth_, clientHeight_),
                                          size.width(), size.height());
    }
  }
  const double span = shown + 10 - clientHeight_;
  int unit = 0;
  if (shown > 0 && span > 0)
    unit = std::clamp(static_cast<int>(std::lround(std::clamp(where.offset, 0.0, 1.0) * shown *
                                                   kLastUnitOfPage / span)),
                      0, kLastUnitOfPage);
  showPosition((page - 1) * kUnitsPerPage + unit);
}

void C_PDF_View::showPagePoint(int page, bool hasLeft, double left, bool hasTop, double top,
                               double zoom) {
  if (page < 1 || page > pageCount()) return;
  if (zoom > 0) {
    zoom_ = std::clamp(zoom, kMinZoom, kMaxZoom);
    zoomMode_ = ZoomMode::Custom;
    applyZoom(true);
  }
  if (!stripMode()) return;
  if (document_) document_->completePageTree();
  ensureLayout();
  const C_PDF_PageTreeNode_or_Page* record = document_->document()->findPage(page, false);
  const QRect r = layout_.pageRect(page);
  if (!record || r.isEmpty()) return;
  // The point as a share of the page box, top-left based, then turned as the page is shown.
  const double w = std::max(1, record->width), h = std::max(1, record->height);
  double u = hasLeft ? (left - record->originX) / w : 0;
  double v = hasTop ? 1.0 - (top - record->originY) / h : 0;
  u = std::clamp(u, 0.0, 1.0);
  v = std::clamp(v, 0.0, 1.0);
  const int turn = ((record->rotation + rotation()) % 360 + 360) % 360;
  double fx = u, fy = v;
  if (turn == 90) {
    fx = 1 - v;
    fy = u;
  } else if (turn == 180) {
    fx = 1 - u;
    fy = 1 - v;
  } else if (turn == 270) {
    fx = v;
    fy = 1 - u;
  }
  const bool givesTop = turn % 180 == 0 ? hasTop : hasLeft;
  const bool givesLeft = turn % 180 == 0 ? hasLeft : hasTop;
  const int y = r.top() + static_cast<int>(givesTop ? fy * r.height() : 0) -
                (givesTop ? 0 : PageLayout::kGap / 2);
  int x = stripX_;
  if (givesLeft) x = r.left() + static_cast<int>(fx * r.width());
  // A destination's left edge stays in sight; a page that fits across stays centred.
  if (layout_.stripSize().width() <= viewport()->width()) x = 0;
  scrollStripTo(x, y);
}

int C_PDF_View::pageAt(QPoint point) const {
  if (!stripMode()) {
    const QRect r(QPoint(pageLeft_, pageTop_), pageImage_.size());
    return !pageImage_.isNull() && r.contains(point) ? currentPage_ : 0;
  }
  if (layoutStale_) return 0;
  const int page = layout_.pageAt(point - stripOrigin());
  return shownPageRect(page).isEmpty() ? 0 : page;
}

QRect C_PDF_View::shownPageRect(int page) const {
  if (!stripMode())
    return page == currentPage_ && !pageImage_.isNull()
               ? QRect(QPoint(pageLeft_, pageTop_), pageImage_.size())
               : QRect();
  if (layoutStale_) return {};
  // One row at a time: the others are not shown.
  if (!isContinuousMode(viewMode_) && layout_.rowOfPage(page) != currentRow_) return {};
  return layout_.pageRect(page).translated(stripOrigin());
}

void C_PDF_View::invalidateLayout(std::optional<StripAnchor> anchor) {
  layoutStale_ = true;
  if (anchor) pendingAnchor_ = anchor;
}

C_PDF_View::StripAnchor C_PDF_View::anchorAt(QPoint viewportPoint) const {
  StripAnchor a;
  a.viewportPoint = viewportPoint;
  if (layoutStale_ || layout_.pageCount() == 0) {
    a.page = std::max(1, currentPage_);
    return a;
  }
  const QPoint s = viewportPoint - stripOrigin();
  a.page = std::max(1, layout_.nearestPage(s));
  const QRect r = layout_.pageRect(a.page);
  a.fx = r.width() > 0 ? double(s.x() - r.left()) / r.width() : 0;
  a.fy = r.height() > 0 ? double(s.y() - r.top()) / r.height() : 0;
  return a;
}

void C_PDF_View::applyAnchor(const StripAnchor& a) {
  const QRect r = layout_.pageRect(a.page);
  if (r.isEmpty()) return;
  const int sx = r.left() + static_cast<int>(std::lround(a.fx * r.width()));
  const int sy = r.top() + static_cast<int>(std::lround(a.fy * r.height()));
  if (!isContinuousMode(viewMode_)) currentRow_ = layout_.rowOfPage(a.page);
  const QPoint origin = stripOrigin() + QPoint(stripX_, stripY_);
  stripX_ = sx - (a.viewportPoint.x() - origin.x());
  stripY_ = sy - (a.viewportPoint.y() - origin.y());
  clampStrip();
}

const std::vector<QSizeF>& C_PDF_View::pageSizes() {
  readPageSizes();
  return sizes_;
}

RenderRequest C_PDF_View::renderRequestOf(int page) {
  readPageSizes();
  return page >= 1 && page <= static_cast<int>(requests_.size())
             ? requests_[static_cast<std::size_t>(page - 1)]
             : RenderRequest{};
}

PagePrefetcher* C_PDF_View::drawingThread() {
  ensurePrefetcher();
  return prefetcher_ && prefetcher_->active() ? prefetcher_.get() : nullptr;
}

void C_PDF_View::readPageSizes() {
  if (!document_ || !document_->document()) return;
  if (resolution_ <= 0) measureResolution();
  const int count = pageCount();
  const int turnNow = rotation();
  const bool complete = document_->pageTreeComplete() || count <= 1;
  if (sizesResolution_ != resolution_ || sizesRotation_ != turnNow ||
      static_cast<int>(sizes_.size()) != count || (complete && !sizesComplete_)) {
    C_PDF_Document* parsed = document_->document();
    sizes_.assign(static_cast<std::size_t>(count), QSizeF(1, 1));
    requests_.assign(static_cast<std::size_t>(count), RenderRequest{});
    RenderRequest first;
    QSizeF firstSize(1, 1);
    for (int p = 1; p <= count; ++p) {
      // Until the whole tree is read, pages after the first are assumed to be like it.
      const C_PDF_PageTreeNode_or_Page* page =
          (p == 1 || complete) ? parsed->findPage(p, false) : nullptr;
      if (!page) {
        sizes_[p - 1] = firstSize;
        requests_[p - 1] = first;
        requests_[p - 1].pageNumber = p;
        continue;
      }
      const PagePixels pixels = pagePixels(*page, resolution_);
      RenderRequest& request = requests_[p - 1];
      request = pageRenderRequest(*page, p, resolution_);
      request.rotation = turnNow;
      const bool turned = turnNow % 180 != 0;
      sizes_[p - 1] =
          turned ? QSizeF(pixels.height, pixels.width) : QSizeF(pixels.width, pixels.height);
      if (p == 1) {
        first = request;
        firstSize = sizes_[0];
      }
    }
    sizesResolution_ = resolution_;
    sizesRotation_ = turnNow;
    sizesComplete_ = complete;
    layoutStale_ = true;
  }
}

void C_PDF_View::ensureLayout() {
  if (!stripMode() || !document_ || !document_->document()) return;
  measureResolution();
  readPageSizes();
  const QSize client = viewport()->size();
  const int turnNow = rotation();
  if (!layoutStale_ && client == layoutClient_ && !needsRender_) return;
  const bool facing = isTwoPageMode(viewMode_);
  int perRow = 1;
  const QSizeF common = PageLayout::commonRowSize(sizes_, facing, firstPageAlone_, &perRow);
  zoom_ = PageLayout::fitZoom(zoomMode_, zoom_, client, common.width(), common.height(), perRow);
  if (zoomMode_ == ZoomMode::ActualSize) zoom_ = 1.0;
  // A strip of very many very large pages is shown smaller rather than overflow its positions.
  zoom_ = std::min(zoom_, PageLayout::largestZoom(sizes_));
  const int zoomKey = zoomKeyOf(zoom_);
  layout_.build(sizes_, zoom_, facing, firstPageAlone_);
  layoutStale_ = false;
  layoutClient_ = client;
  needsRender_ = false;
  // Pieces of other settings are kept only while nothing better is drawn; the cache lets them go
  // first.
  tiles_.trim(std::max(1, currentPage_), zoomKey, turnNow);
  if (pendingAnchor_) {
    applyAnchor(*pendingAnchor_);
    pendingAnchor_.reset();
  } else {
    clampStrip();
  }
  updateStripBars();
}

QPoint C_PDF_View::stripOrigin() const {
  // A strip narrower or shorter than the window is centred in it.
  const QSize client = viewport()->size();
  const QRect band = scrollBand();
  const int ox =
      band.width() < client.width() ? (client.width() - band.width()) / 2 - band.left() : -stripX_;
  const int oy = band.height() < client.height()
                     ? (client.height() - band.height()) / 2 - band.top()
                     : -stripY_;
  return {ox, oy};
}

QRect C_PDF_View::scrollBand() const {
  const QSize strip = layout_.stripSize();
  if (isContinuousMode(viewMode_) || layout_.rowCount() == 0) return QRect(QPoint(0, 0), strip);
  // One row (one page or one spread) at a time.
  const QRect row = layout_.rowRect(std::clamp(currentRow_, 0, layout_.rowCount() - 1));
  return QRect(0, row.top() - PageLayout::kMargin, strip.width(),
               row.height() + 2 * PageLayout::kMargin);
}

void C_PDF_View::clampStrip() {
  const QRect band = scrollBand();
  const QSize client = viewport()->size();
  stripX_ =
      std::clamp(stripX_, band.left(), std::max(band.left(), band.right() + 1 - client.width()));
  stripY_ =
      std::clamp(stripY_, band.top(), std::max(band.top(), band.bottom() + 1 - client.height()));
  if (band.width() < client.width()) stripX_ = band.left();
  if (band.height() < client.height()) stripY_ = band.top();
}

void C_PDF_View::updateStripBars() {
  const QRect band = scrollBand();
  const QSize client = viewport()->size();
  QScrollBar* v = verticalScrollBar();
  {
    const QSignalBlocker block(v);
    v->setRange(band.top(), std::max(band.top(), band.bottom() + 1 - client.height()));
    v->setPageStep(std::max(1, client.height()));
    v->setSingleStep(kLinePixels);
    v->setValue(stripY_);
  }
  QScrollBar* h = horizontalScrollBar();
  {
    const QSignalBlocker block(h);
    h->setRange(band.left(), std::max(band.left(), band.right() + 1 - client.width()));
    h->setPageStep(std::max(1, client.width()));
    h->setSingleStep(kLinePixels);
    h->setValue(stripX_);
  }
}

void C_PDF_View::scrollStripTo(int x, int y) {
  if (!stripMode()) return;
  ensureLayout();
  const int previous = stripY_;
  if (!isContinuousMode(viewMode_)) {
    const int page = std::max(1, layout_.nearestPage(QPoint(x, y + 1)));
    currentRow_ = std::max(0, layout_.rowOfPage(page));
  }
  stripX_ = x;
  stripY_ = y;
  clampStrip();
  stripScrolled(previous);
}

void C_PDF_View::stripScrolled(int previousY) {
  if (stripY_ != previousY) travel_ = stripY_ > previousY ? 1 : -1;
  if (document_ && stripY_ > 0) document_->completePageTree();
  updateStripBars();
  pageBoxDirty_ = true;
  viewport()->update();
  if (ViewHost* h = host()) h->commandStateChanged();
}

void C_PDF_View::scrollStripBy(int dx, int dy) {
  ensureLayout();
  const int previous = stripY_;
  const QRect band = scrollBand();
  const int bottom = std::max(band.top(), band.bottom() + 1 - viewport()->height());
  // One row at a time: past its end the next row is shown from its top (or the previous from
  // its bottom).
  if (!isContinuousMode(viewMode_) && dy != 0) {
    if (dy > 0 && stripY_ >= bottom && currentRow_ + 1 < layout_.rowCount()) {
      stripGoToRow(currentRow_ + 1, false);
      return;
    }
    if (dy < 0 && stripY_ <= band.top() && currentRow_ > 0) {
      stripGoToRow(currentRow_ - 1, true);
      return;
    }
  }
  stripX_ += dx;
  stripY_ += dy;
  clampStrip();
  if (stripY_ != previous || dx != 0) stripScrolled(previous);
}

void C_PDF_View::stripGoToRow(int row, bool bottom) {
  const int previous = stripY_;
  currentRow_ = std::clamp(row, 0, std::max(0, layout_.rowCount() - 1));
  const QRect band = scrollBand();
  stripY_ = bottom ? band.bottom() + 1 - viewport()->height() : band.top();
  clampStrip();
  travel_ = bottom ? -1 : 1;
  stripScrolled(previous);
}

bool C_PDF_View::stripKey(QKeyEvent* event) {
  const int screen = std::max(kLinePixels, viewport()->height() - kLinePixels);
  const bool shift = event->modifiers() & Qt::ShiftModifier;
  switch (event->key()) {
    case Qt::Key_Up:
      scrollStripBy(0, -kLinePixels);
      return true;
    case Qt::Key_Down:
      scrollStripBy(0, kLinePixels);
      return true;
    case Qt::Key_Left:
      scrollStripBy(-kLinePixels, 0);
      return true;
    case Qt::Key_Right:
      scrollStripBy(kLinePixels, 0);
      return true;
    case Qt::Key_PageUp:
      scrollStripBy(0, -screen);
      return true;
    case Qt::Key_PageDown:
      scrollStripBy(0, screen);
      return true;
    case Qt::Key_Space:
      scrollStripBy(0, shift ? -screen : screen);
      return true;
    case Qt::Key_Home:
      if (!isContinuousMode(viewMode_)) {
        stripGoToRow(0, false);
      } else {
        scrollStripTo(stripX_, 0);
      }
      return true;
    case Qt::Key_End:
      if (!isContinuousMode(viewMode_)) {
        stripGoToRow(layout_.rowCount() - 1, true);
      } else {
        scrollStripTo(stripX_, layout_.stripSize().height());
      }
      return true;
    default:
      return false;
  }
}

void C_PDF_View::stripWheel(QWheelEvent* event) {
  event->accept();
  if (event->modifiers() & Qt::ControlModifier) {
    // The point under the pointer stays under it.
    wheelRemainder_ += event->angleDelta().y();
    if (std::abs(wheelRemainder_) < kWheelNotch) return;
    const bool in = wheelRemainder_ > 0;
    wheelRemainder_ = 0;
    ensureLayout();
    const StripAnchor anchor = anchorAt(event->position().toPoint());
    const double before = zoom_;
    zoom_ = in ? zoomInStep(zoom_) : zoomOutStep(zoom_);
    if (zoom_ == before) return;
    zoomMode_ = ZoomMode::Custom;
    invalidateLayout(anchor);
    applyZoom(true);
    return;
  }
  const QPoint pixels = event->pixelDelta();
  if (!pixels.isNull()) {
    scrollStripBy(-pixels.x(), -pixels.y());
    return;
  }
  const int lines = std::max(1, QApplication::wheelScrollLines());
  const QPoint angle = event->angleDelta();
  const int dy = -angle.y() * lines * kLinePixels / kWheelNotch;
  const int dx = -angle.x() * lines * kLinePixels / kWheelNotch;
  if (dx != 0 || dy != 0) scrollStripBy(dx, dy);
}

TileRequest C_PDF_View::tileRequest(int page, const QRect& piece) const {
  TileRequest t;
  t.key.kind = TileKey::Strip;
  t.key.page = page;
  t.key.zoomKey = zoomKeyOf(zoom_);
  t.key.rotation = rotation();
  t.key.x = piece.x();
  t.key.y = piece.y();
  t.request = requests_[static_cast<std::size_t>(page - 1)];
  t.request.zoom = zoom_;
  t.request.rotation = t.key.rotation;
  t.rect = piece;
  return t;
}

void C_PDF_View::ensurePrefetcher() {
  C_PDF_Document* parsed = document_ ? document_->document() : nullptr;
  if (prefetcher_ || !prefetchEnabled_ || !parsed || parsed->path().empty()) return;
  // The password typed at open, which the drawing thread cannot ask for.
  const std::string& typed = document_->password();
  prefetcher_ =
      std::make_unique<PagePrefetcher>(parsed->path(), typed.empty() ? parsed->password() : typed);
  connect(prefetcher_.get(), &PagePrefetcher::tilesPrepared, this, &C_PDF_View::tilesPrepared);
}

void C_PDF_View::requestTiles(const std::vector<TileRequest>& wanted) {
  if (wanted == wantedTiles_) return;
  wantedTiles_ = wanted;
  ensurePrefetcher();
  if (prefetcher_ && prefetcher_->active()) {
    prefetcher_->wantTiles(TileKey::Strip, wanted);
    return;
  }
  // Without a drawing thread the pieces are drawn here, one per turn of the event loop.
  if (!localDrawTimer_) {
    localDrawTimer_ = new QTimer(this);
    localDrawTimer_->setSingleShot(true);
    localDrawTimer_->setInterval(0);
    connect(localDrawTimer_, &QTimer::timeout, this, &C_PDF_View::drawTilesHere);
  }
  if (!wanted.empty()) localDrawTimer_->start();
}

bool C_PDF_View::drawPieceHere(const TileRequest& t) {
  if (!document_ || !document_->renderer() || drawingStopped_ || C_PDF_Doc::engineBusy())
    return false;
  // A page the partly read tree does not hold yet would be drawn blank and kept so: it waits
  // for the tree (or the drawing thread's own reading).
  if (!document_->pageTreeComplete() && document_->document() &&
      !document_->document()->findPage(t.key.page, false))
    return false;
  try {
    QImage image = renderPageTile(*document_->renderer(), t.request, t.rect);
    // An empty piece is remembered as drawn blank, so that it is not asked for again.
    if (image.isNull()) {
      image = QImage(std::max(1, t.rect.width()), std::max(1, t.rect.height()),
                     QImage::Format_ARGB32_Premultiplied);
      image.fill(Qt::white);
    }
    tiles_.insert(t.key, std::move(image));
  } catch (const C_PDF_Exception& e) {
    drawingStopped_ = true;
    if (e.cause() == PdfError::ObjectNotFound || e.cause() == PdfError::DocumentDamaged)
      showEngineErrorLater(e.code());
    viewport()->update();
    return false;
  } catch (...) {
    drawingStopped_ = true;
    viewport()->update();
    return false;
  }
  ++renderCount_;
  return true;
}

void C_PDF_View::drawTilesHere() {
  if (!stripMode() || !document_ || !document_->renderer() || drawingStopped_) return;
  if (C_PDF_Doc::engineBusy()) {
    localDrawTimer_->start(kBusyRetryMs);
    return;
  }
  for (const TileRequest& t : wantedTiles_) {
    if (tiles_.contains(t.key)) continue;
    MessageListener::Deferral deferral;
    if (!drawPieceHere(t)) return;
    viewport()->update();
    localDrawTimer_->start();
    return;
  }
}

void C_PDF_View::tilesPrepared() {
  if (!prefetcher_) return;
  if (!prefetcher_->active()) {
    // The drawing thread gave up on the file: what is left is drawn here.
    const std::vector<TileRequest> wanted = wantedTiles_;
    wantedTiles_.clear();
    requestTiles(wanted);
  }
  if (takeReadyTiles()) viewport()->update();
}

bool C_PDF_View::takeReadyTiles() {
  if (!prefetcher_ || !stripMode()) return false;
  std::vector<PreparedTile> ready = prefetcher_->takeTiles(TileKey::Strip);
  if (ready.empty()) return false;
  threadDelivered_ = true;
  const int32_t zoomKey = zoomKeyOf(zoom_);
  const int32_t turn = rotation();
  bool taken = false;
  for (PreparedTile& t : ready) {
    if (t.key.zoomKey != zoomKey || t.key.rotation != turn) continue;
    if (!t.notes.empty() &&
        std::find(notedPages_.begin(), notedPages_.end(), t.key.page) == notedPages_.end()) {
      // What drawing a page reported is said once for the page, not once per piece.
      notedPages_.push_back(t.key.page);
      if (Messages::IMessageListener* listener = Messages::GetMessageListener())
        for (const auto& [severity, text] : t.notes) listener->Notify(severity, text);
    }
    tiles_.insert(t.key, std::move(t.image));
    ++renderCount_;
    taken = true;
  }
  // Within the budget at once, not only at the end of the next paint.
  if (taken)
    tiles_.trim(std::max(1, currentPage_), zoomKey, turn, pinnedTiles_,
                piecesInFlightBytes(layout_, currentPage_));
  return taken;
}

PageGeometry C_PDF_View::stripGeometry(int page) const {
  PageGeometry g;
  const C_PDF_PageTreeNode_or_Page* record =
      document_ && document_->document() ? document_->document()->findPage(page, false) : nullptr;
  if (record) {
    const PagePixels units = pagePixels(*record, kPointsPerInch);
    g.width = units.width;
    g.height = units.height;
  }
  g.rotation = rotation();
  g.scale = resolution_ / kPointsPerInch * zoom_;
  g.origin = shownPageRect(page).topLeft();
  return g;
}

void C_PDF_View::paintStripHighlights(QPainter& painter, int page, const QRect& shown) {
  std::vector<const SelectionEntry*> entries = entriesOfPage(page);
  const bool banded = band_.selecting() && bandPage_ == page;
  if (!banded && entries.empty() && !(highlighted_ && highlighted_->page == page)) return;
  PageTextSource* source = textSource();
  PageTextLayout* text = source ? source->layout(page) : nullptr;
  if (!text) return;
  PaintedRuns painted;
  HighlightRegions regions;
  Corvalis::Viewer::highlightPass(text, stripGeometry(page), banded ? &band_ : nullptr, entries,
                                  HighlightMode::Repaint, painted, &regions);
  const QRegion area = regions.all & shown;
  if (area.isEmpty()) return;
  painter.save();
  painter.setClipRegion(area, Qt::IntersectClip);
  painter.fillRect(area.boundingRect(), QColor::fromRgba(kHighlightArgb));
  painter.restore();
}

bool C_PDF_View::paintStandIn(QPainter& painter, int page, const QRect& shown,
                              const QRect& target) {
  const auto [zoomKey, pieces] =
      tiles_.otherZoom(TileKey::Strip, page, zoomKeyOf(zoom_), rotation());
  if (pieces.empty()) return false;
  // The page as drawn at that zoom, scaled to this one (not smoothed: it is shown only until
  // the page is drawn anew, and a paint must stay quick).
  const double scale = zoom_ * 10000.0 / double(zoomKey);
  painter.save();
  painter.setClipRect(target, Qt::IntersectClip);
  painter.fillRect(target, placeholderColour());
  bool painted = false;
  for (const auto& [key, image] : pieces) {
    const QRectF at(shown.left() + key.x * scale, shown.top() + key.y * scale,
                    image->width() * scale, image->height() * scale);
    if (!at.intersects(QRectF(target))) continue;
    painter.drawImage(at, NightFilter::instance().screenImage(*image));
    painted = true;
  }
  painter.restore();
  return painted;
}

void C_PDF_View::paintStrip(QPainter& painter, const QRect& client) {
  ensureLayout();
  // Pieces finished since the thread's last notice are shown now, not a turn of the event loop
  // later: while scrolling fast, paints can follow one another before the notice is read.
  takeReadyTiles();
  painter.fillRect(client, backgroundColour());
  const QPoint origin = stripOrigin();
  const QRect seen = client.translated(-origin);
  const bool continuous = isContinuousMode(viewMode_);
  std::vector<int> pages = layout_.pagesIn(seen);
  if (!continuous) std::erase_if(pages, [&](int p) { return layout_.rowOfPage(p) != currentRow_; });
  std::vector<TileRequest> wanted;
  std::vector<TileKey> pinned;
  bool placeholder = false;
  bool standIn = false;
  int localPieces = 0;
  for (int page : pages) {
    const QRect rect = layout_.pageRect(page);
    const QRect shown = rect.translated(origin);
    for (const QRect& piece : TileCache::piecesOf(rect.size())) {
      const QRect target = piece.translated(shown.topLeft());
      if (!target.intersects(client)) continue;
      const TileRequest t = tileRequest(page, piece);
      pinned.push_back(t.key);
      // Until the drawing thread has read the file (seconds for a long document), what is in
      // sight is drawn here, as the one-page view draws its page.
      if (!threadDelivered_ && !tiles_.contains(t.key) && localPieces < kMaxLocalPiecesPerPaint) {
        ++localPieces;
        drawPieceHere(t);
      }
      if (const QImage* image = tiles_.find(t.key)) {
        // Through the screen's own filter (night mode, paper tint), as the one-page view.
        painter.drawImage(target.topLeft(), NightFilter::instance().screenImage(*image));
      } else {
        if (paintStandIn(painter, page, shown, target)) {
          standIn = true;
        } else {
          painter.fillRect(target, placeholderColour());
          placeholder = true;
        }
        wanted.push_back(t);
      }
    }
    searchHits_->paint(painter, page, stripGeometry(page), highlighted_, QRegion(shown & client));
    paintStripHighlights(painter, page, shown);
  }
  placeholderShown_ = placeholder;
  standInShown_ = standIn;
  placeStripForms(pages);
  // Then what lies one screen ahead in the direction of travel.
  for (int step = 1; step <= kScreensAhead; ++step) {
    // One row at a time: the next row in the direction of travel, from its near end.
    const int nextRow = currentRow_ + travel_ * step;
    const QRect row = layout_.rowRect(nextRow);
    const QRect ahead =
        continuous ? seen.translated(0, travel_ * step * client.height())
                   : QRect(row.left(), travel_ > 0 ? row.top() : row.bottom() - client.height(),
                           row.width(), client.height());
    for (int page : continuous ? layout_.pagesIn(ahead) : layout_.pagesOfRow(nextRow)) {
      const QRect rect = layout_.pageRect(page);
      for (const QRect& piece : TileCache::piecesOf(rect.size())) {
        if (!piece.translated(rect.topLeft()).intersects(ahead)) continue;
        const TileRequest t = tileRequest(page, piece);
        if (!tiles_.contains(t.key) && std::find(wanted.begin(), wanted.end(), t) == wanted.end())
          wanted.push_back(t);
      }
    }
  }
  int focus = layout_.mostVisiblePage(seen);
  if (!continuous && !pages.empty() && layout_.rowOfPage(focus) != currentRow_)
    focus = pages.front();
  tiles_.trim(std::max(1, focus), zoomKeyOf(zoom_), rotation(), pinned,
              piecesInFlightBytes(layout_, focus));
  pinnedTiles_ = std::move(pinned);
  requestTiles(wanted);
  if (focus > 0 && focus != currentPage_) {
    currentPage_ = focus;
    pageBoxDirty_ = true;
    // The page commands' menu items and buttons follow the page.
    QTimer::singleShot(0, this, [this] {
      if (ViewHost* h = host()) h->commandStateChanged();
    });
  }
  if (pageBoxDirty_) {
    pageBoxDirty_ = false;
    writePageBox();
  }
  renderedOnce_ = true;
  schedulePageTreeCompletion();
}

void C_PDF_View::stripScrollToHit(const HitPlace& hit, double pageY) {
  ensureLayout();
  const QRect r = layout_.pageRect(hit.page);
  if (r.isEmpty()) return;
  if (!isContinuousMode(viewMode_)) currentRow_ = layout_.rowOfPage(hit.page);
  const int y = r.top() + static_cast<int>(pageY * r.height()) -
                static_cast<int>(viewport()->height() * kHitPlaceInWindow);
  scrollStripTo(stripX_, y);
  refreshAllViews();
}

void C_PDF_View::stripMousePress(QMouseEvent* event) {
  ensureLayout();
  const QPoint p = event->position().toPoint();
  const int page = layout_.nearestPage(p - stripOrigin());
  if (!document_ || page < 1) return;
  if (!(event->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier))) {
    if (SelectionContext* selection = document_->selectionContext()) selection->clear();
    if (highlighted_)
      if (PageTextSource* source = textSource())
        clearCharacterMarks(source->collectedLayout(highlighted_->page));
    highlighted_.reset();
    refreshAllViews();
  }
  bandPage_ = page;
  dragPoint_ = p;
  band_.start(stripGeometry(page).windowToShown(p));
  event->accept();
}

void C_PDF_View::stripDrag(QPoint point) {
  dragPoint_ = point;
  const int page = layout_.nearestPage(point - stripOrigin());
  if (page >= 1 && page != bandPage_) {
    // The page left is selected to its end (or its start, going up); the drag goes on from the
    // new page's near edge.
    const bool down = page > bandPage_;
    SelectionContext* selection = document_ ? document_->selectionContext() : nullptr;
    band_.setMovingY(down ? SelectionBand::kFarEdge : 0.0f);
    if (selection)
      selection->add(
          entryFor(bandPage_, band_.widened(rotation()), stripGeometry(bandPage_), kSelectText));
    const float edge = down ? 0.0f : SelectionBand::kFarEdge;
    band_.setVertical(edge, edge);
    bandPage_ = page;
  }
  band_.moveTo(stripGeometry(bandPage_).windowToShown(point));
  viewport()->update();
  // Held at the window's top or bottom edge, the drag scrolls the strip.
  const int h = viewport()->height();
  const int dy =
      point.y() < kEdgeZone ? -kLinePixels : (point.y() > h - kEdgeZone ? kLinePixels : 0);
  if (dy != 0 && !edgeTimer_->isActive()) {
    scrollStripBy(0, dy);
    edgeTimer_->start(kEdgeStepMs);
  }
}

void C_PDF_View::stripRelease(QPoint point) {
  band_.moveTo(stripGeometry(bandPage_).windowToShown(point));
  SelectionContext* selection = document_ ? document_->selectionContext() : nullptr;
  const bool degenerate = band_.anchorX() == band_.movingX() && band_.anchorY() == band_.movingY();
  if (selection && !degenerate) {
    PageTextSource* source = textSource();
    PageTextLayout* text = source ? source->layout(bandPage_) : nullptr;
    PaintedRuns painted;
    const int checksum = Corvalis::Viewer::highlightPass(
        text, stripGeometry(bandPage_), &band_, {}, HighlightMode::ChecksumOnly, painted, nullptr);
    if (checksum != 0)
      selection->add(
          entryFor(bandPage_, band_.widened(rotation()), stripGeometry(bandPage_), kSelectText));
  }
  band_.finish();
  edgeTimer_->stop();
  viewport()->update();
  if (ViewHost* h = host()) h->commandStateChanged();
}

}  // namespace Corvalis::Viewer
