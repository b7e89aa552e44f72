#include "viewer/view/presentation_window.h"

#include <QWheelEvent>

#include "tests/viewer/viewer_test_support.h"
#include "viewer/app/display_modes.h"

namespace viewer_test {
namespace {

class PresentationTest : public FrameFixture {
 protected:
  PresentationWindow* start(const QString& file) {
    EXPECT_TRUE(frame->openFile(file));
    paint();
    C_PDF_View* view = frame->activeView();
    EXPECT_TRUE(view);
    if (!view) return nullptr;
    view->setFocus();
    // Ctrl+L on the main window, as a user presses it.
    QTest::keyClick(view, Qt::Key_L, Qt::ControlModifier);
    QApplication::processEvents();
    PresentationWindow* shown = DisplayModes::of(frame.get())->presentation();
    if (shown) shown->repaint();
    return shown;
  }
  void key(PresentationWindow* w, Qt::Key k) {
    QTest::keyClick(w, k);
    w->repaint();
  }
  void wheel(PresentationWindow* w, int delta) {
    const QPointF at(w->width() / 2.0, w->height() / 2.0);
    QWheelEvent e(at, w->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton, Qt::NoModifier,
                  Qt::NoScrollPhase, false);
    QApplication::sendEvent(w, &e);
    w->repaint();
  }
};

TEST_F(PresentationTest, KeysClicksAndTheWheelTurnSlides) {
  PresentationWindow* w = start(pagesFile(12, "slides.pdf", 800, 600));
  ASSERT_TRUE(w);
  EXPECT_TRUE(w->isFullScreen());
  EXPECT_EQ(w->currentPage(), 1);
  // The page fills the screen's height or width, on black.
  const QRect page = w->pageRect();
  EXPECT_TRUE(page.width() >= w->width() - 1 || page.height() >= w->height() - 1)
      << page.width() << "x" << page.height() << " in " << w->width() << "x" << w->height();
  const QImage shot = w->grab().toImage();
  if (page.left() > 0) {
    EXPECT_EQ(shot.pixel(0, shot.height() / 2), 0xFF000000u);
  }
  if (page.top() > 0) {
    EXPECT_EQ(shot.pixel(shot.width() / 2, 0), 0xFF000000u);
  }
  EXPECT_EQ(shot.pixel(page.center()), 0xFFFFFFFFu);

  for (Qt::Key k : {Qt::Key_Right, Qt::Key_Space, Qt::Key_PageDown, Qt::Key_Down}) key(w, k);
  EXPECT_EQ(w->currentPage(), 5);
  for (Qt::Key k : {Qt::Key_Left, Qt::Key_PageUp}) key(w, k);
  EXPECT_EQ(w->currentPage(), 3);
  key(w, Qt::Key_End);
  EXPECT_EQ(w->currentPage(), 12);
  key(w, Qt::Key_Right);  // stays at the last
  EXPECT_EQ(w->currentPage(), 12);
  key(w, Qt::Key_Home);
  EXPECT_EQ(w->currentPage(), 1);
  // A typed number and Enter; a number past the end goes to the last page.
  for (Qt::Key k : {Qt::Key_1, Qt::Key_0, Qt::Key_Return}) key(w, k);
  EXPECT_EQ(w->currentPage(), 10);
  for (Qt::Key k : {Qt::Key_9, Qt::Key_9, Qt::Key_Enter}) key(w, k);
  EXPECT_EQ(w->currentPage(), 12);

  QTest::mouseClick(w, Qt::RightButton, {}, w->rect().center());
  EXPECT_EQ(w->currentPage(), 11);
  QTest::mouseClick(w, Qt::LeftButton, {}, w->rect().center());
  EXPECT_EQ(w->currentPage(), 12);
  wheel(w, 120);
  EXPECT_EQ(w->currentPage(), 11);
  wheel(w, -240);
  EXPECT_EQ(w->currentPage(), 12);
  key(w, Qt::Key_Home);

  // The slide after the shown one was drawn ahead: turning to it draws nothing.
  for (int i = 0; i < 200 && w->preparedShown() == 0; ++i) {
    QTest::qWait(10);
    key(w, Qt::Key_Right);
    key(w, Qt::Key_Left);
  }
  EXPECT_GT(w->preparedShown(), 0);

  for (Qt::Key k : {Qt::Key_4, Qt::Key_Return}) key(w, k);
  QPointer<PresentationWindow> alive(w);
  key(w, Qt::Key_Escape);
  QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_FALSE(alive);
  // The view is left at the slide shown last.
  paint();
  EXPECT_EQ(frame->activeView()->currentPage(), 4);
}

// Page 1 has a link to page 3 over its left half.
QString linkedFile() {
  testing_pdf::PdfBuilder b;
  b.set(1, "<< /Type /Catalog /Pages 2 0 R >>");
  b.set(2, "<< /Type /Pages /Kids [3 0 R 4 0 R 5 0 R] /Count 3 /MediaBox [0 0 800 600] >>");
  b.set(3, "<< /Type /Page /Parent 2 0 R /Annots [6 0 R] >>");
  b.set(4, "<< /Type /Page /Parent 2 0 R >>");
  b.set(5, "<< /Type /Page /Parent 2 0 R >>");
  b.set(6, "<< /Type /Annot /Subtype /Link /Rect [0 0 400 600] /Dest [5 0 R /Fit] >>");
  return writePdf(b.build("/Root 1 0 R"), "linked-slides.pdf");
}

TEST_F(PresentationTest, LinksWork) {
  PresentationWindow* w = start(linkedFile());
  ASSERT_TRUE(w);
  const QRect page = w->pageRect();
  // Outside the link a click is the next slide; on it, the link's page.
  QTest::mouseClick(w, Qt::LeftButton, {}, page.center() + QPoint(page.width() / 4, 0));
  w->repaint();
  EXPECT_EQ(w->currentPage(), 2);
  key(w, Qt::Key_Home);
  QTest::mouseClick(w, Qt::LeftButton, {}, page.center() - QPoint(page.width() / 4, 0));
  w->repaint();
  EXPECT_EQ(w->currentPage(), 3);
  // Ctrl+L again leaves as well.
  QPointer<PresentationWindow> alive(w);
  QTest::keyClick(w, Qt::Key_L, Qt::ControlModifier);
  QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_FALSE(alive);
}

}  // namespace
}  // namespace viewer_test
