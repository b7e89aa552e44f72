// Selecting text with the mouse and copying it, through the real main window: the live
// highlight, Ctrl+C and the clipboard, a second area with Shift, a drag onto the next page.

#include <QAction>
#include <QClipboard>
#include <QPlainTextEdit>
#include <QPushButton>

#include "tests/viewer/view/text_test_files.h"
#include "tests/viewer/viewer_test_support.h"
#include "viewer/doc/pdf_doc.h"
#include "viewer/ui/copy_dialog.h"
#include "viewer/view/copy_text.h"
#include "viewer/view/selection_tracker.h"

namespace viewer_test {
namespace {

class SelectionTest : public FrameFixture {
 protected:
  C_PDF_View* open(const std::vector<std::vector<std::string>>& pages, const std::string& name) {
    frame->activateWindow();
    QApplication::setActiveWindow(frame.get());
    EXPECT_TRUE(frame->openFile(writePdf(textDocument(pages), name)));
    paint();
    return frame->activeView();
  }
  // The window point of a line's middle (line 0 is the first), at x points from the page's left.
  QPoint linePoint(C_PDF_View* view, int line, double x = 100) {
    const double scale = double(view->pageImage().width()) / 612.0;
    const double y = (kPageHeight - kFirstBaseline) + line * kLineStep - 4;
    return view->pageOrigin() + QPoint(int(x * scale), int(y * scale));
  }
  void drag(C_PDF_View* view, QPoint from, QPoint to,
            Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QWidget* port = view->viewport();
    QTest::mousePress(port, Qt::LeftButton, modifiers, from);
    QTest::mouseMove(port, (from + to) / 2);
    QTest::mouseMove(port, to);
    paint();
    QTest::mouseRelease(port, Qt::LeftButton, modifiers, to);
    paint();
  }
  int bluePixelsInLine(C_PDF_View* view, int line) {
    const QImage shot = view->viewport()->grab().toImage();
    const QPoint p = linePoint(view, line, 72);
    int blue = 0;
    for (int x = p.x(); x < p.x() + 60; ++x) {
      const QColor c(shot.pixel(x, p.y()));
      if (c.blue() > c.red() + 40) ++blue;
    }
    return blue;
  }
};

TEST_F(SelectionTest, DragHighlightsTheLinesWhileDraggingAndCtrlCCopiesThem) {
  C_PDF_View* view = open(
      {{"First line of text", "second line here", "third and last", "not selected"}}, "drag.pdf");
  EXPECT_FALSE(frame->action(kCmdCopy)->isEnabled());
  QWidget* port = view->viewport();
  QTest::mousePress(port, Qt::LeftButton, Qt::NoModifier, linePoint(view, 0, 300));
  QTest::mouseMove(port, linePoint(view, 1, 200));
  QTest::mouseMove(port, linePoint(view, 2, 50));
  paint();
  // Highlighted while the button is still down, whole lines across the page.
  EXPECT_TRUE(view->selecting());
  EXPECT_GT(bluePixelsInLine(view, 0), 10);
  EXPECT_GT(bluePixelsInLine(view, 2), 10);
  EXPECT_EQ(bluePixelsInLine(view, 3), 0);
  EXPECT_TRUE(frame->action(kCmdCopy)->isEnabled());
  QTest::mouseRelease(port, Qt::LeftButton, Qt::NoModifier, linePoint(view, 2, 50));
  paint();
  EXPECT_EQ(view->pdfDocument()->selectionContext()->entryCount, 1);
  EXPECT_GT(bluePixelsInLine(view, 1), 10);

  QString shown;
  QObject::connect(view, &C_PDF_View::copied, [&] {
    auto* d = view->findChild<CDlgCopy2Clipboard*>();
    if (d && d->isVisible() && d->noteEdit()->toPlainText().isEmpty())
      shown = d->textEdit()->toPlainText();
  });
  const QString text = copyWithKeys(view);
  EXPECT_EQ(text, QString("First line of text\r\nsecond line here\r\nthird and last"));
  EXPECT_EQ(shown, "First line of text\nsecond line here\nthird and last");
  // The confirmation went with its OK button.
  EXPECT_EQ(view->findChild<CDlgCopy2Clipboard*>(), nullptr);
}

TEST_F(SelectionTest, ShiftDragAddsASecondAreaAndTheCopyHoldsBothInOrder) {
  C_PDF_View* view =
      open({{"alpha one", "beta two", "gamma three", "delta four", "epsilon five"}}, "shift.pdf");
  drag(view, linePoint(view, 3), linePoint(view, 4));
  drag(view, linePoint(view, 0), linePoint(view, 0, 200), Qt::ShiftModifier);
  EXPECT_EQ(view->pdfDocument()->selectionContext()->entryCount, 2);
  EXPECT_EQ(copyWithKeys(view), QString("delta four\r\nepsilon five\r\nalpha one"));
  // A press without Shift or Ctrl starts over.
  drag(view, linePoint(view, 2), linePoint(view, 2, 300));
  EXPECT_EQ(view->pdfDocument()->selectionContext()->entryCount, 1);
  EXPECT_EQ(copyWithKeys(view), QString("gamma three"));
}

TEST_F(SelectionTest, ADragPastTheBottomEdgeGoesOnOnTheNextPage) {
  C_PDF_View* view = open({fillerPage(1), fillerPage(2), fillerPage(3)}, "edge.pdf");
  frame->routeCommand(kCmdNextPage);
  paint();
  ASSERT_EQ(view->currentPage(), 2);
  QWidget* port = view->viewport();
  QTest::mousePress(port, Qt::LeftButton, Qt::NoModifier, linePoint(view, 1));
  QTest::mouseMove(port, linePoint(view, 2));
  paint();
  QTest::mouseMove(port, QPoint(port->width() / 2, port->height() - 5));
  paint();
  EXPECT_EQ(view->currentPage(), 3);
  EXPECT_EQ(view->pdfDocument()->selectionContext()->entryCount, 1);
  // Still in the edge: no further page.
  QTest::mouseMove(port, QPoint(port->width() / 2 + 5, port->height() - 4));
  paint();
  EXPECT_EQ(view->currentPage(), 3);
  QTest::mouseMove(port, linePoint(view, 0));
  paint();
  QTest::mouseRelease(port, Qt::LeftButton, Qt::NoModifier, linePoint(view, 0));
  paint();
  EXPECT_EQ(view->pdfDocument()->selectionContext()->entryCount, 2);
  EXPECT_EQ(copyWithKeys(view),
            QString("page 2 line 2\r\npage 2 line 3\r\n\r\n\r\n\r\n\r\npage 3 line 1"));
}

TEST_F(SelectionTest, CopyFromTheEditMenuKeepsCharactersOutsideTheBasicPlane) {
  C_PDF_View* view = open({{"before", "@F2 A", "after"}}, "astral.pdf");
  drag(view, linePoint(view, 0), linePoint(view, 2));
  QGuiApplication::clipboard()->clear();
  frame->action(kCmdCopy)->trigger();
  const QString text = QGuiApplication::clipboard()->text();
  EXPECT_EQ(text, QString("before\r\n") + QString::fromUcs4(U"\U0001D400") + "\r\nafter");
  // Clicking without dragging selects nothing new; Copy then stays off.
  QWidget* port = view->viewport();
  QTest::mouseClick(port, Qt::LeftButton, Qt::NoModifier, linePoint(view, 5));
  paint();
  EXPECT_EQ(view->pdfDocument()->selectionContext()->entryCount, 0);
  EXPECT_FALSE(frame->action(kCmdCopy)->isEnabled());
}

TEST_F(SelectionTest, CopyIsOffBeforeTheFirstPaint) {
  frame->activateWindow();
  ASSERT_TRUE(frame->openFile(writePdf(textDocument({{"text"}}), "early.pdf")));
  frame->updateCommandUi();
  EXPECT_FALSE(frame->action(kCmdCopy)->isEnabled());
}

TEST_F(SelectionTest, TurnedViewSelectsAlongTheTurnedLines) {
  C_PDF_View* view = open({{"alpha one", "beta two", "gamma three"}}, "turned.pdf");
  frame->routeCommand(kCmdRotateClockwise);
  paint();
  ASSERT_EQ(view->rotation(), 90);
  // Turned clockwise, the page's lines run down the window, the first one at the right.
  const double scale = double(view->pageImage().height()) / 612.0;
  const QPoint o = view->pageOrigin();
  auto lineX = [&](int line) {
    const double y = (kPageHeight - kFirstBaseline) + line * kLineStep - 4;
    return o.x() + int((kPageHeight - y) * scale);
  };
  const int midY = o.y() + int(150 * scale);
  drag(view, QPoint(lineX(0), midY), QPoint(lineX(1), midY + 40));
  EXPECT_EQ(copyWithKeys(view), QString("alpha one\r\nbeta two"));
}

TEST(CopyText, EntriesOfOnePageShareItsTextAndFourByteSequencesBecomePairs) {
  // The assembly's byte-order mark stays off the clipboard; one inside the text is the text's.
  EXPECT_EQ(clipboardText("\xEF\xBB\xBFx\xF0\x9D\x90\x80y"),
            "x" + QString::fromUcs4(U"\U0001D400") + "y");
  EXPECT_EQ(clipboardText("\xEF\xBB\xBF"), QString());
  EXPECT_EQ(clipboardText("a\xEF\xBB\xBF"), "a" + QString(QChar(0xFEFF)));
  PageGeometry g;
  g.width = 612;
  g.height = 792;
  g.scale = 2;
  for (int r : {0, 90, 180, 270}) {
    g.rotation = r;
    const QPointF p(100, 50);
    EXPECT_NEAR(g.toPage(g.toShown(p)).x(), 100, 1e-9) << r;
    EXPECT_NEAR(g.toPage(g.toShown(p)).y(), 50, 1e-9) << r;
  }
  g.rotation = 90;
  EXPECT_EQ(g.toShown(QPointF(0, 0)), QPointF(792, 0));  // top-left ends at the top right
  g.rotation = 270;
  EXPECT_EQ(g.toShown(QPointF(0, 0)), QPointF(0, 612));  // and at the bottom left
  g.rotation = 0;
  SelectionBand band;
  band.start(QPointF(10, 20));
  band.moveTo(QPointF(40, 25));
  const SelectionEntry entry = entryFor(3, band.widened(0), g, kSelectText);
  EXPECT_EQ(entry.pageNumber, 3);
  EXPECT_EQ(entry.top, 20);
  EXPECT_EQ(entry.bottom, 25);
  EXPECT_LE(entry.left, -30000);
}

}  // namespace
}  // namespace viewer_test
