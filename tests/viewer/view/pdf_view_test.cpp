#include "viewer/view/pdf_view.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QScrollBar>
#include <QWheelEvent>

#include "engine/document/pdf_document.h"
#include "tests/viewer/viewer_test_support.h"
#include "viewer/doc/pdf_doc.h"
#include "viewer/messages/viewer_texts.h"
#include "viewer/ui/goto_dialog.h"
#include "viewer/ui/toolbar_boxes.h"
#include "viewer/ui/zoom_combo_box.h"
#include "viewer/view/page_image.h"

namespace viewer_test {
namespace {

class PdfViewTest : public FrameFixture {
 protected:
  C_PDF_View* open(const QString& path) {
    EXPECT_TRUE(frame->openFile(path));
    paint();
    return frame->activeView();
  }
  void typeZoom(const QString& text) {
    QLineEdit* edit = frame->zoomBox()->lineEdit();
    edit->clear();
    QTest::keyClicks(edit, text);
    QTest::keyClick(edit, Qt::Key_Return);
    paint();
  }
  void enterPage(const QString& text) {
    frame->pageBox()->setFocus();
    QTest::keyClicks(frame->pageBox(), text);
    QTest::keyRelease(frame->pageBox(), Qt::Key_Return);
    paint();
  }
  bool enabled(int id) { return frame->action(id)->isEnabled(); }
};

TEST_F(PdfViewTest, ShowsOnePageCentredOnDarkGrey) {
  C_PDF_View* view = open(QString::fromLatin1(BREVIA_SOURCE_DIR "/data/samples/sample.pdf"));
  ASSERT_NE(view, nullptr);
  EXPECT_EQ(view->currentPage(), 1);
  EXPECT_EQ(view->zoomMode(), ZoomMode::FitPage);
  const QImage shot = view->viewport()->grab().toImage();
  const QImage& page = view->pageImage();
  ASSERT_FALSE(page.isNull());
  EXPECT_EQ(QColor(shot.pixel(2, 2)), QColor(0x33, 0x33, 0x33));
  EXPECT_EQ(QColor(shot.pixel(shot.width() - 2, shot.height() - 2)), QColor(0x33, 0x33, 0x33));
  // Centred across; the page's own white inside.
  const QPoint origin = view->pageOrigin();
  EXPECT_NEAR(origin.x(), (shot.width() - page.width()) / 2, 1);
  EXPECT_EQ(QColor(shot.pixel(origin.x() + 3, origin.y() + page.height() - 3)), QColor(Qt::white));
  EXPECT_EQ(frame->pageBox()->text(), "1 of 2");
  EXPECT_EQ(frame->zoomBox()->currentText(), "Fit Page");
}

TEST_F(PdfViewTest, TypedZoomFromTheZoomBox) {
  C_PDF_View* view = open(pagesFile(2, "zoom.pdf"));
  typeZoom("5000");
  // Clamped when drawn; the box keeps what was typed.
  EXPECT_DOUBLE_EQ(view->zoom(), kMaxZoom);
  EXPECT_EQ(frame->zoomBox()->currentText(), "5000%");
  EXPECT_EQ(view->zoomMode(), ZoomMode::Custom);
  EXPECT_FALSE(enabled(kCmdZoomIn));

  typeZoom("150%");
  EXPECT_DOUBLE_EQ(view->zoom(), 1.5);
  EXPECT_EQ(frame->zoomBox()->currentText(), "150%");

  typeZoom("Fit Width");
  EXPECT_EQ(view->zoomMode(), ZoomMode::FitWidth);
  const double expected =
      (view->viewport()->width() - kFitMargin) / view->displayedPageSize().width();
  EXPECT_NEAR(view->zoom(), expected, 0.02);
  EXPECT_EQ(frame->zoomBox()->currentText(), "Fit Width");

  // Choosing an item from the list.
  C_ZoomComboBox* box = frame->zoomBox();
  emit box->activated(box->findText("50%"));
  paint();
  EXPECT_DOUBLE_EQ(view->zoom(), 0.5);

  typeZoom("junk");
  EXPECT_DOUBLE_EQ(view->zoom(), kMinZoom);
  EXPECT_FALSE(enabled(kCmdZoomOut));
  EXPECT_TRUE(enabled(kCmdZoomIn));
  frame->routeCommand(kCmdZoomIn);
  paint();
  EXPECT_DOUBLE_EQ(view->zoom(), 0.125);
  EXPECT_EQ(frame->zoomBox()->currentText(), "12.5%");
  frame->routeCommand(kCmdActualSize);
  paint();
  EXPECT_TRUE(frame->action(kCmdActualSize)->isChecked());
  EXPECT_FALSE(frame->action(kCmdFitPage)->isChecked());
  EXPECT_EQ(frame->zoomBox()->currentText(), "Actual Size");
}

TEST_F(PdfViewTest, PageBoxAndTheInvalidPageMessage) {
  C_PDF_View* view = open(pagesFile(3, "three.pdf"));
  enterPage("2");
  EXPECT_EQ(view->verticalPos(), 21);
  EXPECT_EQ(view->currentPage(), 2);
  EXPECT_EQ(frame->pageBox()->text(), "2 of 3");
  EXPECT_TRUE(frame->zoomBox()->hasFocus() || frame->zoomBox()->lineEdit()->hasFocus());
  for (const char* bad : {"0", "-3", "4"}) {
    MessageCapture capture;
    enterPage(bad);
    ASSERT_EQ(capture.boxes.size(), 1u) << bad;
    EXPECT_EQ(capture.boxes[0].text, kTextInvalidPage);
    EXPECT_EQ(capture.boxes[0].caption, kCaptionReader);
    EXPECT_EQ(capture.boxes[0].icon, BoxIcon::Warning);
    EXPECT_EQ(view->currentPage(), 2);
    EXPECT_EQ(frame->pageBox()->text(), "2 of 3");
  }
}

TEST_F(PdfViewTest, NavigationCommandsAndTheirEnableRules) {
  for (int id : {kCmdFirstPage, kCmdNextPage, kCmdZoomIn}) EXPECT_FALSE(enabled(id));
  EXPECT_FALSE(frame->zoomBox()->isEnabled());
  EXPECT_FALSE(frame->pageBox()->isEnabled());
  EXPECT_FALSE(frame->findBox()->isEnabled());

  open(pagesFile(1, "one.pdf"));
  for (int id : {kCmdFirstPage, kCmdPreviousPage, kCmdNextPage, kCmdLastPage})
    EXPECT_FALSE(enabled(id));
  EXPECT_TRUE(frame->zoomBox()->isEnabled());
  EXPECT_TRUE(frame->findBox()->isEnabled());

  C_PDF_View* view = open(pagesFile(4, "four.pdf"));
  EXPECT_FALSE(enabled(kCmdPreviousPage));
  EXPECT_TRUE(enabled(kCmdNextPage));
  frame->action(kCmdNextPage)->trigger();
  paint();
  EXPECT_EQ(view->currentPage(), 2);
  for (int id : {kCmdFirstPage, kCmdPreviousPage, kCmdNextPage, kCmdLastPage})
    EXPECT_TRUE(enabled(id));
  frame->action(kCmdLastPage)->trigger();
  paint();
  EXPECT_EQ(view->currentPage(), 4);
  EXPECT_FALSE(enabled(kCmdNextPage));
  EXPECT_FALSE(enabled(kCmdLastPage));
  frame->action(kCmdPreviousPage)->trigger();
  paint();
  EXPECT_EQ(view->currentPage(), 3);
  frame->action(kCmdFirstPage)->trigger();
  paint();
  EXPECT_EQ(view->currentPage(), 1);
  EXPECT_EQ(frame->pageBox()->text(), "1 of 4");
}

TEST_F(PdfViewTest, RotationTurnsThePicture) {
  // A red square in the page's top-left corner.
  const QString path =
      writePdf(testing_pdf::simpleDocument(1, "1 0 0 rg 0 742 50 50 re f"), "corner.pdf");
  C_PDF_View* view = open(path);
  const QSize upright = view->pageImage().size();
  auto red = [](QRgb p) { return qRed(p) > 200 && qGreen(p) < 60 && qBlue(p) < 60; };
  EXPECT_TRUE(red(view->pageImage().pixel(3, 3)));

  frame->routeCommand(kCmdRotateClockwise);
  paint();
  EXPECT_EQ(view->rotation(), 90);
  const QImage& turned = view->pageImage();
  EXPECT_NEAR(turned.width(), upright.height() * turned.height() / double(upright.width()), 3);
  EXPECT_TRUE(red(turned.pixel(turned.width() - 4, 3)));

  for (int i = 0; i < 3; ++i) frame->routeCommand(kCmdRotateClockwise);
  paint();
  EXPECT_EQ(view->rotation(), 0);
  frame->routeCommand(kCmdRotateCounterClockwise);
  paint();
  EXPECT_EQ(view->rotation(), 270);
  EXPECT_TRUE(red(view->pageImage().pixel(3, view->pageImage().height() - 4)));
}

TEST_F(PdfViewTest, PageRotatedByItsOwnRotateIsShownSideways) {
  const QString path = writePdf(
      testing_pdf::simpleDocument(1, "", "/MediaBox [0 0 612 792] /Rotate 90"), "sideways.pdf");
  C_PDF_View* view = open(path);
  const QSizeF size = view->displayedPageSize();
  EXPECT_GT(size.width(), size.height());
  EXPECT_GT(view->pageImage().width(), view->pageImage().height());
}

TEST_F(PdfViewTest, RotationIsSharedByTheWindowsOfADocument) {
  C_PDF_View* first = open(pagesFile(2, "shared.pdf"));
  frame->routeCommand(kCmdWindowNew);
  QApplication::processEvents();
  ASSERT_EQ(frame->mdiArea()->subWindowList().size(), 2);
  C_PDF_View* second = frame->activeView();
  ASSERT_NE(second, first);
  frame->routeCommand(kCmdRotateClockwise);
  paint();
  EXPECT_EQ(first->rotation(), 90);
  EXPECT_GT(second->pageImage().width(), second->pageImage().height());
  // The other window draws the turned page once it is shown.
  frame->mdiArea()->setActiveSubWindow(qobject_cast<QMdiSubWindow*>(first->parentWidget()));
  paint();
  EXPECT_GT(first->pageImage().width(), first->pageImage().height());
}

TEST_F(PdfViewTest, ScrollModelFollowsThePageHeight) {
  C_PDF_View* view = open(pagesFile(3, "fit.pdf"));
  EXPECT_EQ(view->scrollState().verticalFit, kFitsInWindow);
  EXPECT_EQ(view->verticalMax(), 62);
  QTest::keyClick(view, Qt::Key_Down);
  paint();
  EXPECT_EQ(view->verticalPos(), 21);
  EXPECT_EQ(view->currentPage(), 2);

  // A tall page at fit width scrolls within the page: Page Down goes to its bottom first.
  C_PDF_View* tall = open(pagesFile(3, "tall.pdf", 612, 3000));
  frame->routeCommand(kCmdFitWidth);
  paint();
  EXPECT_EQ(tall->scrollState().verticalFit, kLargerThanWindow);
  const int top = tall->pageOrigin().y();
  const int renders = tall->renderCount();
  QTest::keyClick(tall, Qt::Key_PageDown);
  paint();
  EXPECT_EQ(tall->verticalPos(), 20);
  EXPECT_LT(tall->pageOrigin().y(), top);
  // Moving within the page reuses the bitmap.
  EXPECT_EQ(tall->renderCount(), renders);
  QTest::keyClick(tall, Qt::Key_PageDown);
  paint();
  EXPECT_EQ(tall->verticalPos(), 21);
  EXPECT_EQ(tall->renderCount(), renders + 1);
  QTest::keyClick(tall, Qt::Key_Up);
  paint();
  EXPECT_EQ(tall->verticalPos(), 20);
  QTest::keyClick(tall, Qt::Key_End);
  paint();
  EXPECT_EQ(tall->verticalPos(), 42);
  QTest::keyClick(tall, Qt::Key_Home);
  paint();
  EXPECT_EQ(tall->verticalPos(), 0);
}

TEST_F(PdfViewTest, WheelAndScrollBar) {
  C_PDF_View* view = open(pagesFile(4, "wheel.pdf"));
  QWheelEvent down(QPointF(50, 50), QPointF(50, 50), QPoint(), QPoint(0, -120), Qt::NoButton,
                   Qt::NoModifier, Qt::NoScrollPhase, false);
  QApplication::sendEvent(view->viewport(), &down);
  paint();
  EXPECT_EQ(view->verticalPos(), 21);
  // Half notches add up.
  QWheelEvent half(QPointF(50, 50), QPointF(50, 50), QPoint(), QPoint(0, 60), Qt::NoButton,
                   Qt::NoModifier, Qt::NoScrollPhase, false);
  QApplication::sendEvent(view->viewport(), &half);
  EXPECT_EQ(view->verticalPos(), 21);
  QApplication::sendEvent(view->viewport(), &half);
  EXPECT_EQ(view->verticalPos(), 0);

  QScrollBar* bar = view->verticalScrollBar();
  EXPECT_EQ(bar->maximum(), view->verticalMax());
  bar->triggerAction(QAbstractSlider::SliderPageStepAdd);
  EXPECT_EQ(view->verticalPos(), 21);
  EXPECT_EQ(bar->value(), 21);
  bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
  EXPECT_EQ(view->verticalPos(), 22);
  bar->triggerAction(QAbstractSlider::SliderToMaximum);
  EXPECT_EQ(view->verticalPos(), view->verticalMax());
  paint();
  EXPECT_EQ(view->currentPage(), 4);
}

TEST_F(PdfViewTest, HugePageAtHugeZoomDegradesInsteadOfExhaustingMemory) {
  C_PDF_View* view = open(pagesFile(1, "huge.pdf", 14400, 14400));
  typeZoom("400%");
  const QImage& image = view->pageImage();
  ASSERT_FALSE(image.isNull());
  EXPECT_LE(qint64(image.width()) * image.height(), kMaxViewBitmapPixels);
  EXPECT_LT(view->zoom(), 4.0);
  EXPECT_GT(view->zoom(), 0.0);
  EXPECT_FALSE(view->drawingStopped());
  // The zoom steps down the 0.01 ladder.
  EXPECT_NEAR(std::remainder(view->zoom(), kZoomDegradeStep), 0.0, 1e-9);
}

TEST_F(PdfViewTest, PageSizeLabelInTheLowerLeftCorner) {
  C_PDF_View* view = open(pagesFile(1, "label.pdf"));
  const int bottom = view->viewport()->height();
  QTest::mouseMove(view->viewport(), QPoint(20, bottom - 10));
  EXPECT_TRUE(view->sizeLabelShown());
  view->viewport()->repaint();
  const QImage shot = view->viewport()->grab().toImage();
  bool redBorder = false;
  for (int y = bottom - 30; y < bottom && !redBorder; ++y)
    redBorder = QColor(shot.pixel(2, y)) == QColor(Qt::red);
  EXPECT_TRUE(redBorder);
  QTest::mouseMove(view->viewport(), QPoint(300, 100));
  EXPECT_FALSE(view->sizeLabelShown());
  // Leaving the page area straight from the corner takes the label away too.
  QTest::mouseMove(view->viewport(), QPoint(20, bottom - 10));
  ASSERT_TRUE(view->sizeLabelShown());
  QEvent leave(QEvent::Leave);
  QApplication::sendEvent(view->viewport(), &leave);
  EXPECT_FALSE(view->sizeLabelShown());
}

TEST_F(PdfViewTest, GoToPageDialogFromTheAccelerator) {
  C_PDF_View* view = open(pagesFile(5, "goto.pdf"));
  onNextModal([](QWidget* modal) {
    auto* dialog = qobject_cast<C_PDF_GoToDialog*>(modal);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->rangeLabel()->text(), "of 5");
    dialog->pageEdit()->setText("4");
    QTest::mouseClick(dialog->okButton(), Qt::LeftButton);
  });
  frame->routeCommand(kCmdGoToPage);
  paint();
  EXPECT_EQ(view->currentPage(), 4);
}

TEST_F(PdfViewTest, ToolbarInputReachesOnlyTheActiveView) {
  C_PDF_View* first = open(pagesFile(2, "first.pdf"));
  C_PDF_View* second = open(pagesFile(2, "second.pdf"));
  ASSERT_EQ(frame->activeView(), second);
  const double before = first->zoom();
  typeZoom("200%");
  EXPECT_DOUBLE_EQ(second->zoom(), 2.0);
  EXPECT_DOUBLE_EQ(first->zoom(), before);
}

TEST_F(PdfViewTest, PrintsThePagesAndReturnsToTheShownPage) {
  C_PDF_View* view = open(pagesFile(3, "print.pdf"));
  frame->routeCommand(kCmdNextPage);
  paint();
  QPrinter pdf;
  pdf.setOutputFormat(QPrinter::PdfFormat);
  const QString out = QDir::temp().filePath("brevia-print-test.pdf");
  pdf.setOutputFileName(out);
  view->print(pdf);
  paint();
  EXPECT_EQ(view->currentPage(), 2);
  QFile printed(out);
  ASSERT_TRUE(printed.open(QIODevice::ReadOnly));
  const QByteArray bytes = printed.readAll();
  EXPECT_TRUE(bytes.startsWith("%PDF"));
  EXPECT_EQ(
      bytes.count("/Type /Page\n") + bytes.count("/Type /Page\r") + bytes.count("/Type /Page "), 3);
  printed.remove();
}

}  // namespace
}  // namespace viewer_test
