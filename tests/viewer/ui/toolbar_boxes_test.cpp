#include "viewer/ui/toolbar_boxes.h"

#include <QMdiArea>
#include <QMdiSubWindow>
#include <QSignalSpy>

#include "tests/viewer/viewer_test_support.h"
#include "viewer/ui/zoom_combo_box.h"

namespace viewer_test {
namespace {

class ToolbarBoxesTest : public FrameFixture {};

TEST_F(ToolbarBoxesTest, FindBoxShowsItsPlaceholderWhileEmpty) {
  ASSERT_TRUE(frame->openFile(pagesFile(1, "find.pdf")));
  FindBox* box = frame->findBox();
  EXPECT_EQ(box->text(), "Find...");
  box->setFocus();
  EXPECT_TRUE(box->text().isEmpty());
  frame->activeView()->setFocus();
  EXPECT_EQ(box->text(), "Find...");
  // Only the exact placeholder is cleared.
  box->setText("Find...x");
  box->setFocus();
  EXPECT_EQ(box->text(), "Find...x");

  QSignalSpy spy(box, &FindBox::entered);
  box->clear();
  QTest::keyRelease(box, Qt::Key_Return);
  EXPECT_EQ(spy.count(), 0);
  QTest::keyClicks(box, "pdf");
  QTest::keyRelease(box, Qt::Key_Return);
  ASSERT_EQ(spy.count(), 1);
  EXPECT_EQ(spy.at(0).at(0).toString(), "pdf");
}

TEST_F(ToolbarBoxesTest, PageBoxEmptiesForTypingAndComesBack) {
  ASSERT_TRUE(frame->openFile(pagesFile(3, "pagebox.pdf")));
  paint();
  PageBox* box = frame->pageBox();
  EXPECT_EQ(box->text(), "1 of 3");
  box->setFocus();
  EXPECT_TRUE(box->text().isEmpty());
  QSignalSpy spy(box, &PageBox::entered);
  QTest::keyRelease(box, Qt::Key_Return);
  EXPECT_EQ(spy.count(), 0);
  frame->activeView()->setFocus();
  EXPECT_EQ(box->text(), "1 of 3");
}

TEST_F(ToolbarBoxesTest, PageBoxShowsTheLastOfManyPagesWholeAndNarrowsWhenTheyClose) {
  ASSERT_TRUE(frame->openFile(pagesFile(2415, "long.pdf")));
  paint();
  frame->routeCommand(kCmdLastPage);
  paint();
  PageBox* box = frame->pageBox();
  EXPECT_EQ(box->text(), "2415 of 2415");
  EXPECT_GE(box->width(), box->widthFor(box->text()));
  // Nothing is scrolled out of the box: its first character is at its left edge.
  box->end(false);
  EXPECT_EQ(box->cursorPositionAt(QPoint(box->contentsRect().left() + 4, box->height() / 2)), 0);
  // The box fits the page count before the last page is reached: it does not jump while reading.
  const int wide = box->width();
  frame->routeCommand(kCmdFirstPage);
  paint();
  EXPECT_EQ(box->width(), wide);
  // Beside a short document the box keeps the long one's width; without it, it narrows.
  ASSERT_TRUE(frame->openFile(pagesFile(3, "short.pdf")));
  paint();
  EXPECT_EQ(box->text(), "1 of 3");
  EXPECT_EQ(box->width(), wide);
  frame->mdiArea()->setActiveSubWindow(frame->mdiArea()->subWindowList().first());
  frame->routeCommand(kCmdFileClose);
  QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  QApplication::processEvents();
  EXPECT_EQ(box->text(), "1 of 3");
  EXPECT_EQ(box->width(), std::max(int(PageBox::kWidth), box->widthFor("8 of 8")));
}

TEST_F(ToolbarBoxesTest, ZoomBoxListAndInitialChoice) {
  C_ZoomComboBox* box = frame->zoomBox();
  QStringList items;
  for (int i = 0; i < box->count(); ++i) items << box->itemText(i);
  EXPECT_EQ(items,
            QStringList({"400%", "300%", "200%", "150%", "125%", "100%", "75%", "66.67%", "50%",
                         "33.33%", "25%", "12.5%", "5%", "Actual Size", "Fit Page", "Fit Width"}));
  EXPECT_EQ(box->currentText(), "Fit Page");
  EXPECT_TRUE(box->isEditable());
}

}  // namespace
}  // namespace viewer_test
