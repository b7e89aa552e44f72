#include "viewer/ui/toolbar_boxes.h"

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
