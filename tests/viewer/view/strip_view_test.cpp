// The continuous and two-page views, driven through the main window with keys, the wheel and the
// mouse as a reader uses them: scrolling across pages, facing pages, selecting across two pages,
// zooming around the pointer, the thumbnails and reopening where one was.

#include <QAction>
#include <QElapsedTimer>
#include <QMdiArea>
#include <QScrollBar>
#include <QSettings>
#include <QTabWidget>
#include <QWheelEvent>
#include <chrono>
#include <thread>

#include "tests/viewer/view/text_test_files.h"
#include "tests/viewer/viewer_test_support.h"
#include "viewer/messages/app_identity.h"
#include "viewer/doc/pdf_doc.h"
#include "viewer/doc/reading_positions.h"
#include "viewer/view/outline_dock.h"
#include "viewer/view/thumbnail_strip.h"
#include "viewer/ui/toolbar_boxes.h"
#include "viewer/ui/zoom_combo_box.h"
#include "viewer/view/link_controller.h"

namespace viewer_test {
namespace {

// A drawing thread normally finishes a small page in milliseconds.
constexpr int kDrawWaitMs = 5000;

class StripViewTest : public FrameFixture {
 protected:
  void SetUp() override {
    FrameFixture::SetUp();
    frame->activateWindow();
    QApplication::setActiveWindow(frame.get());
  }
  void TearDown() override {
    ReadingPositions::setDefaultMode(0, true);
    FrameFixture::TearDown();
  }
  C_PDF_View* open(const QString& path, ViewMode mode = ViewMode::Continuous) {
    ReadingPositions::setDefaultMode(static_cast<int>(mode), true);
    EXPECT_TRUE(frame->openFile(path));
    paint();
    C_PDF_View* view = frame->activeView();
    if (view) view->setFocus();
    return view;
  }
  void key(Qt::Key k, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QWidget* target = QApplication::focusWidget();
    ASSERT_NE(target, nullptr);
    QTest::keyClick(target, k, modifiers);
    paint();
  }
  void wheel(C_PDF_View* view, int notches, Qt::KeyboardModifiers modifiers = Qt::NoModifier,
             QPoint at = QPoint(100, 100)) {
    QWheelEvent event(at, view->viewport()->mapToGlobal(at), QPoint(),
                      QPoint(0, notches * C_PDF_View::kWheelNotch), Qt::NoButton, modifiers,
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(view->viewport(), &event);
    paint();
  }
  // Paints until every piece in sight is drawn.
  bool drawn(C_PDF_View* view) {
    QElapsedTimer timer;
    timer.start();
    paint();
    while (!view->stripComplete() && timer.elapsed() < kDrawWaitMs) {
      QTest::qWait(5);
      paint();
    }
    return view->stripComplete();
  }
  void command(int id) {
    frame->routeCommand(id);
    paint();
  }
};

TEST_F(StripViewTest, ANewDocumentOpensContinuousAndTheChoiceIsRemembered) {
  {
    QSettings settings(kOrganisationName, kSettingsApplicationName);
    settings.remove(QStringLiteral("View"));
  }
  EXPECT_TRUE(frame->openFile(pagesFile(3, "default-mode.pdf")));
  C_PDF_View* view = frame->activeView();
  ASSERT_NE(view, nullptr);
  EXPECT_EQ(view->viewMode(), ViewMode::Continuous);
  EXPECT_TRUE(frame->action(kCmdViewContinuous)->isChecked());
  // One click back to one page at a time, which new documents then get.
  command(kCmdViewContinuous);
  EXPECT_EQ(view->viewMode(), ViewMode::SinglePage);
  EXPECT_EQ(ReadingPositions::defaultMode(), static_cast<int>(ViewMode::SinglePage));
  EXPECT_FALSE(frame->action(kCmdViewFirstAlone)->isEnabled());
  command(kCmdViewTwoPages);
  EXPECT_EQ(view->viewMode(), ViewMode::TwoPages);
  EXPECT_TRUE(frame->action(kCmdViewFirstAlone)->isEnabled());
}

TEST_F(StripViewTest, WheelAndKeysScrollAcrossPagesAndThePageBoxFollows) {
  C_PDF_View* view = open(pagesFile(5, "scroll.pdf"));
  ASSERT_NE(view, nullptr);
  command(kCmdFitWidth);
  key(Qt::Key_Home);
  ASSERT_TRUE(drawn(view));
  EXPECT_EQ(frame->pageBox()->text(), "1 of 5");
  const QRect first = view->shownPageRect(1);
  // The page is drawn where it lies: white paper and the blue square.
  const QImage shot = view->viewport()->grab().toImage();
  EXPECT_EQ(QColor(shot.pixel(first.left() + 5, first.top() + 5)), QColor(Qt::white));
  EXPECT_EQ(QColor(shot.pixel(2, first.top() + 5)), QColor(0x33, 0x33, 0x33));

  // The wheel scrolls by lines, not pages.
  wheel(view, -1);
  const int step = view->stripPosition().y();
  EXPECT_GT(step, 0);
  EXPECT_LT(step, view->viewport()->height() / 2);
  EXPECT_EQ(view->currentPage(), 1);
  // Down the page until the second fills most of the window.
  const int toSecond = view->stripLayout().pageRect(2).top() - view->stripPosition().y();
  for (int i = 0; i < toSecond / step + 2 && view->currentPage() == 1; ++i) wheel(view, -1);
  EXPECT_EQ(view->currentPage(), 2);
  EXPECT_EQ(frame->pageBox()->text(), "2 of 5");
  ASSERT_TRUE(drawn(view));

  // Page Down and Space are a screenful, keeping a line; Shift+Space goes back.
  const int before = view->stripPosition().y();
  key(Qt::Key_PageDown);
  EXPECT_EQ(view->stripPosition().y() - before,
            view->viewport()->height() - C_PDF_View::kLinePixels);
  key(Qt::Key_Space, Qt::ShiftModifier);
  EXPECT_EQ(view->stripPosition().y(), before);
  key(Qt::Key_Down);
  EXPECT_EQ(view->stripPosition().y(), before + C_PDF_View::kLinePixels);
  key(Qt::Key_End);
  EXPECT_EQ(frame->pageBox()->text(), "5 of 5");
  EXPECT_EQ(view->verticalScrollBar()->value(), view->verticalScrollBar()->maximum());
  EXPECT_FALSE(frame->action(kCmdNextPage)->isEnabled());
  key(Qt::Key_Home);
  EXPECT_EQ(view->stripPosition().y(), 0);
  EXPECT_EQ(frame->pageBox()->text(), "1 of 5");
  // The scroll bar moves the strip too.
  view->verticalScrollBar()->triggerAction(QAbstractSlider::SliderPageStepAdd);
  paint();
  EXPECT_EQ(view->stripPosition().y(), view->verticalScrollBar()->value());
  EXPECT_GT(view->stripPosition().y(), 0);
  // The page box and Go To land on the page's top.
  frame->pageBox()->setFocus();
  QTest::keyClicks(frame->pageBox(), "4");
  QTest::keyRelease(frame->pageBox(), Qt::Key_Return);
  paint();
  EXPECT_EQ(view->currentPage(), 4);
  EXPECT_NEAR(view->shownPageRect(4).top(), PageLayout::kGap / 2, 1);
}

TEST_F(StripViewTest, FacingPagesStartWithTheFirstAloneAndGoByRows) {
  C_PDF_View* view = open(pagesFile(5, "facing.pdf"), ViewMode::TwoPagesContinuous);
  ASSERT_NE(view, nullptr);
  ASSERT_EQ(view->viewMode(), ViewMode::TwoPagesContinuous);
  command(kCmdFitWidth);
  const int middle = view->viewport()->width() / 2;
  EXPECT_GT(view->shownPageRect(1).left(), middle);
  const QRect left = view->shownPageRect(2), right = view->shownPageRect(3);
  EXPECT_EQ(left.top(), right.top());
  EXPECT_LT(left.right(), middle);
  EXPECT_GT(right.left(), middle);
  // The spread fills the window's width.
  EXPECT_NEAR(right.right() - left.left(), view->viewport()->width() - kFitMargin, 3);
  command(kCmdNextPage);
  EXPECT_EQ(view->currentPage(), 2);
  command(kCmdNextPage);
  EXPECT_EQ(view->currentPage(), 4);
  // Without the first page alone, 1 and 2 face each other.
  command(kCmdViewFirstAlone);
  EXPECT_FALSE(view->firstPageAlone());
  command(kCmdFirstPage);
  EXPECT_EQ(view->shownPageRect(1).top(), view->shownPageRect(2).top());
  EXPECT_LT(view->shownPageRect(1).right(), middle);

  // Not continuous: one spread at a time; scrolling past its end shows the next one.
  command(kCmdViewContinuous);
  ASSERT_EQ(view->viewMode(), ViewMode::TwoPages);
  command(kCmdFitPage);
  EXPECT_EQ(view->currentPage(), 1);
  EXPECT_FALSE(view->shownPageRect(3).intersects(view->viewport()->rect()));
  key(Qt::Key_PageDown);
  EXPECT_EQ(view->currentPage(), 3);
  EXPECT_TRUE(view->shownPageRect(4).intersects(view->viewport()->rect()));
  EXPECT_FALSE(view->shownPageRect(1).intersects(view->viewport()->rect()));
  key(Qt::Key_PageUp);
  EXPECT_EQ(view->currentPage(), 1);
}

TEST_F(StripViewTest, ASelectionAcrossTwoPagesCopiesBothInPageOrder) {
  C_PDF_View* view = open(writePdf(textDocument({{"alpha one", "alpha two", "alpha three"},
                                                 {"beta one", "beta two", "beta three"}}),
                                   "across.pdf"));
  ASSERT_NE(view, nullptr);
  frame->zoomBox()->lineEdit()->setText("50%");
  QTest::keyClick(frame->zoomBox()->lineEdit(), Qt::Key_Return);
  view->setFocus();
  ASSERT_TRUE(drawn(view));
  auto linePoint = [&](int page, int line) {
    const QRect r = view->shownPageRect(page);
    const double scale = r.height() / kPageHeight;
    const double y = kPageHeight - (kFirstBaseline - line * kLineStep) - 4;
    return QPoint(r.left() + static_cast<int>(120 * scale), r.top() + static_cast<int>(y * scale));
  };
  ASSERT_TRUE(view->viewport()->rect().contains(linePoint(2, 1)));
  QWidget* port = view->viewport();
  // From the second line of page 1 down to the second line of page 2.
  QTest::mousePress(port, Qt::LeftButton, Qt::NoModifier, linePoint(1, 1));
  QTest::mouseMove(port, linePoint(1, 2));
  QTest::mouseMove(port, linePoint(2, 0));
  QTest::mouseMove(port, linePoint(2, 1));
  QTest::mouseRelease(port, Qt::LeftButton, Qt::NoModifier, linePoint(2, 1));
  paint();
  QString text = copyWithKeys(view);
  EXPECT_TRUE(text.contains("alpha two")) << text.toStdString();
  EXPECT_TRUE(text.contains("alpha three"));
  EXPECT_TRUE(text.contains("beta one"));
  EXPECT_TRUE(text.contains("beta two"));
  EXPECT_FALSE(text.contains("alpha one"));
  EXPECT_FALSE(text.contains("beta three"));
  EXPECT_LT(text.indexOf("alpha three"), text.indexOf("beta one"));

  // Dragged upwards, the copy still reads from the top down.
  view->setFocus();
  QTest::mousePress(port, Qt::LeftButton, Qt::NoModifier, linePoint(2, 0));
  QTest::mouseMove(port, linePoint(1, 2));
  QTest::mouseMove(port, linePoint(1, 1));
  QTest::mouseRelease(port, Qt::LeftButton, Qt::NoModifier, linePoint(1, 1));
  paint();
  text = copyWithKeys(view);
  ASSERT_TRUE(text.contains("beta one")) << text.toStdString();
  ASSERT_TRUE(text.contains("alpha two"));
  EXPECT_LT(text.indexOf("alpha two"), text.indexOf("beta one"));
}

TEST_F(StripViewTest, ZoomAndRotationKeepThePlaceBeingRead) {
  C_PDF_View* view = open(pagesFile(6, "zoom-place.pdf"));
  ASSERT_NE(view, nullptr);
  command(kCmdFitWidth);
  command(kCmdNextPage);
  command(kCmdNextPage);
  ASSERT_EQ(view->currentPage(), 3);
  // Ctrl+wheel zooms around the pointer: the page point under it stays under it.
  const QPoint at(view->viewport()->width() / 3, view->viewport()->height() / 2);
  const QRect before = view->shownPageRect(view->pageAt(at));
  const double fx = double(at.x() - before.left()) / before.width();
  const double fy = double(at.y() - before.top()) / before.height();
  const int page = view->pageAt(at);
  wheel(view, 1, Qt::ControlModifier, at);
  EXPECT_EQ(view->zoomMode(), ZoomMode::Custom);
  const QRect after = view->shownPageRect(page);
  EXPECT_GT(after.width(), before.width());
  EXPECT_NEAR(after.left() + fx * after.width(), at.x(), 2);
  EXPECT_NEAR(after.top() + fy * after.height(), at.y(), 2);
  // Zoom steps and a quarter turn stay on the same page.
  command(kCmdZoomOut);
  command(kCmdZoomOut);
  EXPECT_EQ(view->currentPage(), 3);
  command(kCmdRotateClockwise);
  EXPECT_EQ(view->currentPage(), 3);
  EXPECT_GT(view->shownPageRect(3).width(), view->shownPageRect(3).height());
  command(kCmdRotateCounterClockwise);
  EXPECT_EQ(view->currentPage(), 3);
  // At 400 % the page is drawn in tiles, none of them a giant bitmap.
  frame->zoomBox()->lineEdit()->setText("400%");
  QTest::keyClick(frame->zoomBox()->lineEdit(), Qt::Key_Return);
  ASSERT_TRUE(drawn(view));
  EXPECT_GT(view->tileCache().size(), 1u);
  EXPECT_LE(view->tileCache().bytes(), C_PDF_View::kTileBudgetBytes);
}

// The blue square of pagesFile's pages, as a share of the page: its centre.
QPoint squareCentre(const QRect& page) {
  return {page.left() + static_cast<int>(page.width() * 200.0 / 612),
          page.top() + static_cast<int>(page.height() * (1 - 200.0 / 792))};
}

TEST_F(StripViewTest, PiecesTheThreadDrewShowAtTheNextPaintAndANewZoomShowsTheOldOneScaled) {
  C_PDF_View* view = open(pagesFile(12, "prompt.pdf"));
  ASSERT_NE(view, nullptr);
  command(kCmdFitWidth);
  ASSERT_TRUE(drawn(view));
  // The pages ahead come from the drawing thread.
  QElapsedTimer timer;
  timer.start();
  while (!view->tileCache().contains([&] {
    TileKey k;
    k.page = 2;
    k.zoomKey = zoomKeyOf(view->zoom());
    return k;
  }()) && timer.elapsed() < kDrawWaitMs)
    QTest::qWait(5);
  ASSERT_GT(view->renderCount(), 1);

  // Far down, the pieces the thread finishes are taken by the paints themselves: a run of
  // paints without a turn of the event loop (a fast scroll on a busy machine) shows them.
  view->scrollStripTo(0, view->stripLayout().pageRect(9).top());
  view->viewport()->repaint();
  EXPECT_TRUE(view->lastPaintShowedPlaceholder());
  timer.restart();
  while (view->lastPaintShowedPlaceholder() && timer.elapsed() < kDrawWaitMs) {
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
    view->viewport()->repaint();
  }
  EXPECT_FALSE(view->lastPaintShowedPlaceholder());
  ASSERT_TRUE(drawn(view));

  // A new zoom shows the page as drawn at the old one, scaled, until it is drawn anew.
  const int page = view->currentPage();
  const QPoint at(view->viewport()->width() / 2, view->viewport()->height() / 2);
  QWheelEvent event(at, view->viewport()->mapToGlobal(at), QPoint(),
                    QPoint(0, C_PDF_View::kWheelNotch), Qt::NoButton, Qt::ControlModifier,
                    Qt::NoScrollPhase, false);
  QApplication::sendEvent(view->viewport(), &event);
  view->viewport()->repaint();
  EXPECT_TRUE(view->lastPaintShowedStandIn());
  EXPECT_FALSE(view->lastPaintShowedPlaceholder());
  EXPECT_FALSE(view->stripComplete());
  const QPoint blue = squareCentre(view->shownPageRect(page));
  if (view->viewport()->rect().contains(blue)) {
    const QColor shown(view->viewport()->grab().toImage().pixel(blue));
    EXPECT_GT(shown.blue(), 200);
    EXPECT_LT(shown.red(), 60);
  }
  ASSERT_TRUE(drawn(view));
  EXPECT_FALSE(view->lastPaintShowedStandIn());
}

TEST_F(StripViewTest, ThumbnailsAreDrawnLazilyAndAClickGoesToThePage) {
  C_PDF_View* view = open(pagesFile(40, "thumbs.pdf"));
  ASSERT_NE(view, nullptr);
  command(kCmdViewThumbnails);
  OutlineDock* dock = frame->outlineDock();
  ASSERT_TRUE(dock->isVisible());
  ThumbnailStrip* strip = dock->thumbnails();
  EXPECT_EQ(dock->tabs()->currentWidget(), strip);
  EXPECT_EQ(strip->currentPage(), 1);
  QElapsedTimer timer;
  timer.start();
  strip->viewport()->repaint();
  while (strip->cache().size() == 0 && timer.elapsed() < kDrawWaitMs) {
    QTest::qWait(5);
    strip->viewport()->repaint();
  }
  // Only those in sight are drawn.
  EXPECT_GT(strip->cache().size(), 0u);
  EXPECT_LT(strip->cache().size(), 40u);
  const QRect third = strip->thumbnailRect(3);
  ASSERT_TRUE(strip->viewport()->rect().contains(third.center()));
  QTest::mouseClick(strip->viewport(), Qt::LeftButton, Qt::NoModifier, third.center());
  paint();
  EXPECT_EQ(view->currentPage(), 3);
  EXPECT_EQ(frame->pageBox()->text(), "3 of 40");
  EXPECT_EQ(strip->currentPage(), 3);
  EXPECT_EQ(QApplication::focusWidget(), view);
  // Reading on moves the mark along, into sight.
  key(Qt::Key_End);
  EXPECT_EQ(strip->currentPage(), 40);
  EXPECT_TRUE(strip->viewport()->rect().intersects(strip->thumbnailRect(40)));
  key(Qt::Key_F4);
  EXPECT_FALSE(dock->isVisible());
}

TEST_F(StripViewTest, AFileReopensAtThePlaceWithinThePageAndInItsMode) {
  const QString path = pagesFile(6, "reopen-strip.pdf");
  C_PDF_View* view = open(path);
  ASSERT_NE(view, nullptr);
  command(kCmdFitWidth);
  view->goToPage(4);
  const QRect r = view->stripLayout().pageRect(4);
  view->scrollStripTo(0, r.top() + r.height() / 2);
  paint();
  const ViewPlace where = view->place();
  ASSERT_EQ(where.page, 4);
  ASSERT_NEAR(where.offset, 0.5, 0.01);
  // The default changes meanwhile; the file keeps its own mode.
  ReadingPositions::setDefaultMode(static_cast<int>(ViewMode::SinglePage), true);
  key(Qt::Key_W, Qt::ControlModifier);
  QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  QApplication::processEvents();
  ASSERT_TRUE(frame->openFile(path));
  paint();
  view = frame->activeView();
  EXPECT_EQ(view->viewMode(), ViewMode::Continuous);
  EXPECT_EQ(view->place().page, 4);
  EXPECT_NEAR(view->place().offset, 0.5, 0.01);
  EXPECT_EQ(frame->zoomBox()->currentText(), "Fit Width");

  // One page at a time, a place within a tall page comes back too.
  command(kCmdViewContinuous);
  ASSERT_EQ(view->viewMode(), ViewMode::SinglePage);
  command(kCmdZoomIn);
  command(kCmdZoomIn);
  for (int i = 0; i < 5; ++i) key(Qt::Key_Down);
  const int pos = view->verticalPos();
  ASSERT_GT(pos % kUnitsPerPage, 0);
  key(Qt::Key_W, Qt::ControlModifier);
  QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  QApplication::processEvents();
  ASSERT_TRUE(frame->openFile(path));
  paint();
  EXPECT_EQ(frame->activeView()->viewMode(), ViewMode::SinglePage);
  EXPECT_NEAR(frame->activeView()->verticalPos(), pos, 1);
}

// Three pages; page 1 has one link, 100 points high from the top, to page 3 at y = 400 with a
// zoom of 2.
QString xyzFile(const std::string& name) {
  testing_pdf::PdfBuilder b;
  b.set(1, "<< /Type /Catalog /Pages 2 0 R >>");
  b.set(2, "<< /Type /Pages /Kids [3 0 R 4 0 R 5 0 R] /Count 3 /MediaBox [0 0 612 792] >>");
  b.set(3, "<< /Type /Page /Parent 2 0 R /Annots [20 0 R] >>");
  b.set(4, "<< /Type /Page /Parent 2 0 R >>");
  b.set(5, "<< /Type /Page /Parent 2 0 R >>");
  b.set(20, "<< /Type /Annot /Subtype /Link /Rect [100 652 500 742] /Dest [5 0 R /XYZ 0 400 2] >>");
  return writePdf(b.build("/Root 1 0 R"), name);
}

TEST_F(StripViewTest, AnXyzLinkGoesToItsPlaceAtItsZoomInBothViews) {
  for (ViewMode mode : {ViewMode::Continuous, ViewMode::SinglePage}) {
    C_PDF_View* view =
        open(xyzFile(mode == ViewMode::SinglePage ? "xyz-1.pdf" : "xyz-c.pdf"), mode);
    ASSERT_NE(view, nullptr);
    command(kCmdFitPage);
    PagePlacement where;
    ASSERT_TRUE(LinkController::of(view)->placementOf(1, where));
    const QPoint at = where.toView(300, 700).toPoint();
    QTest::mouseMove(view->viewport(), at);
    QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::NoModifier, at);
    QApplication::processEvents();
    paint();
    EXPECT_EQ(view->currentPage(), 3) << int(mode);
    EXPECT_DOUBLE_EQ(view->zoom(), 2.0);
    EXPECT_EQ(frame->zoomBox()->currentText(), "200%");
    // y = 400 is at the window's top: 392 points down the page.
    const ViewPlace place = view->place();
    EXPECT_EQ(place.page, 3);
    EXPECT_NEAR(place.offset, 392.0 / 792, 0.06);
    key(Qt::Key_Left, Qt::AltModifier);
    EXPECT_EQ(view->currentPage(), 1);
    key(Qt::Key_W, Qt::ControlModifier);
  }
}

}  // namespace
}  // namespace viewer_test
